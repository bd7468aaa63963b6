// Times the two championship score sheets on classes of 200 starters: the
// dressage sheet on the demo's "DCU5H" class and the jumping sheet on its
// "SK-SCU6" class, generated with 200 starters each. Before the timing every
// starter still in the class gets his marks (as a score file that the sheet
// reads back), so the placing works on a nearly finished class, which is
// where it costs the most.
//
// Per sheet it times:
//   load       showKlasse on a fresh sheet (database, score file, pages)
//   reload     refreshClass of the loaded sheet
//   mark       one typed mark: the score table's valueChanged, as the table
//              sends it when the operator's editor closes, which runs
//              calcSum (totals, list, both placings, pages, score file)
//   calcPlace  the score table's placing
//   rule       the placing rule alone (each row's standing, then champ::tablePlaces), on the rows calcPlace reads
// with the median, the quartiles and the extremes of the wall clock, and the
// median processor time of this thread: the pages and the score file are
// synced to disk, so on a busy machine the wall clock may mostly measure the
// disk. The sheets are shown, as the operator has them; "hidden" hides them.
// A load and a reload size the score table's columns to their contents
// over all rows, once, within the timed call; a mark sizes none (the
// columns hold their widths while the operator types).
//
// Under callgrind the measured calls are the functions loadOnce, reloadOnce,
// typeOneMark, placeOnce and rulePlaces, so that "--toggle-collect" counts
// them alone and not the setting up; divide by the runs shown.
//
// Usage: bench_champ [runs [loads]] [dressage|jumping] [hidden]
//   runs   marks, placings and rules timed per sheet (default 100)
//   loads  loads and reloads timed per sheet (default a twentieth of the runs,
//          at least 3; 0 for none)
//   Without a sheet's name both sheets are timed.

#include "BenchStation.h"
#include "driver/StandinDriver.h"
#include "settings/appConfig.h"
#include "views/champ/ChampRules.h"
#include "views/champ/ChampScoreTable.h"
#include "views/champ/staevneKlasseInfoChampDressur.h"
#include "views/champ/staevneKlasseInfoChampSpring.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <random>
#include <type_traits>
#include <vector>

namespace {

const QString Zep = QStringLiteral("ZEP");
constexpr int Starters = 200;

using Dressur = staevneKlasseInfoChampDressur;
using Spring = staevneKlasseInfoChampSpring;

// Processor time of this thread in milliseconds.
double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double quantile(std::vector<double> values, double q)
{
    std::sort(values.begin(), values.end());
    return values[size_t(q * double(values.size() - 1) + 0.5)];
}

struct Timings
{
    std::vector<double> wall;
    std::vector<double> cpu;

    template <class Work>
    void time(Work work)
    {
        QElapsedTimer timer;
        timer.start();
        const double cpu0 = cpuMs();
        work();
        cpu.push_back(cpuMs() - cpu0);
        wall.push_back(timer.nsecsElapsed() / 1e6);
        // What the event loop does between two keystrokes (layout, paint)
        // is not the measured call's.
        QCoreApplication::processEvents();
    }

    void print(const char *sheet, const char *what) const
    {
        if (wall.empty())
            return;
        std::printf("%-9s %-10s %5d %9.3f %9.3f %9.3f %9.3f %9.3f %9.3f\n", sheet, what, int(wall.size()),
                    quantile(wall, 0.5), quantile(wall, 0.25), quantile(wall, 0.75), quantile(wall, 0),
                    quantile(wall, 1), quantile(cpu, 0.5));
    }
};

// The measured calls, kept out of line so that callgrind can count each.
Q_NEVER_INLINE void loadOnce(ChampView &view, const standin::DemoSection &s)
{
    view.showKlasse(s.staevneId, s.klasseNr, s.afdeling, s.bane, s.afdelingId);
}

Q_NEVER_INLINE void reloadOnce(ChampView &view)
{
    view.refreshClass();
}

Q_NEVER_INLINE void typeOneMark(ChampView &view, int row, int column, const QString &text)
{
    // As the table does once the operator's editor closes on a changed cell.
    view.champTable->setText(row, column, text);
    emit view.champTable->valueChanged(row, column);
}

Q_NEVER_INLINE void placeOnce(ChampView &view)
{
    view.calcPlace();
}

// The placing rule alone, on the sheet's rows as calcPlace reads them.
Q_NEVER_INLINE QStringList rulePlaces(const QVector<QStringList> &rows, const champ::SheetRule &rule, int tie1,
                                      int tie2)
{
    QVector<bool> out;
    out.reserve(rows.size());
    for (const QStringList &row : rows)
        out << champ::rowStanding(row, rule).outOfPlacing();
    return champ::tablePlaces(rows, rule.totalColumn, tie1, tie2, out);
}

QString mark(int step)
{
    return QString::number(5 + (step % 9) * 0.5);
}

// Marks for every starter of the loaded sheet whom the office has not taken
// out, the same on every run, with many equal totals of different marks so
// that the tie-breaks decide; the total as the sheet computes it. Returns the
// rows that got marks.
std::vector<int> giveMarks(ChampView &view, bool spring)
{
    ChampScoreTable *t = view.champTable;
    std::mt19937 draw(7);
    std::vector<int> rows;
    for (int r = 0; r < t->rowCount(); ++r) {
        if (t->text(r, 1).isEmpty() || !t->text(r, 5).isEmpty())
            continue;
        rows.push_back(r);
        if (spring) {
            const QString stil = mark(int(draw() % 9));
            const QString fejl = QString::number((draw() % 5) * 0.5);
            t->setText(r, Spring::HSStil, stil);
            t->setText(r, Spring::HSFejl, fejl);
            t->setText(r, Spring::HSTid, QString::number(55 + r % 23));
            t->setText(r, Spring::HSTotal, champ::springTotal(stil, fejl));
            continue;
        }
        QStringList marks;
        for (int c = Dressur::Trav; c <= Dressur::Kapacitet; ++c) {
            marks << mark(int(draw() % 9));
            t->setText(r, c, marks.last());
        }
        const QString fejl = r % 10 ? QString() : QStringLiteral("0.5");
        t->setText(r, Dressur::Fejl, fejl);
        t->setText(r, Dressur::Total, champ::dressurSum(marks, fejl, QStringLiteral("-"), false).total);
    }
    return rows;
}

// A sheet whose column layout the bench reads, to run the placing rule alone.
template <class Sheet>
class BenchSheet : public Sheet
{
public:
    using Sheet::Sheet;
    const ChampLayout &layout() const { return this->m_layout; }
    champ::SheetRule rule() const { return this->placingRule(); }
};

template <class Sheet>
std::unique_ptr<BenchSheet<Sheet>> newSheet(appConfig *cfg)
{
    auto view = std::make_unique<BenchSheet<Sheet>>(cfg);
    view->resize(1280, 800);
    return view;
}

void showSheet(ChampView &view, bool hidden)
{
    view.setHidden(hidden);
    QCoreApplication::processEvents();
}

// Sets up and times one sheet; false, with the reason on standard error,
// when the class does not load as it should.
template <class Sheet>
bool benchSheet(const char *name, appConfig *cfg, const standin::DemoSection &section, int runs, int loads,
                bool hidden)
{
    constexpr bool spring = std::is_same_v<Sheet, Spring>;
    const int placeColumn = spring ? int(Spring::Placering) : int(Dressur::Placering);
    const int markColumn = spring ? int(Spring::HSStil) : int(Dressur::Trav);

    // The sheet the operator types into: loaded, given its marks, saved and
    // loaded again, as after a restart in the middle of the class; shown
    // once it is set up, as a shown sheet's reload takes long.
    const std::unique_ptr<BenchSheet<Sheet>> sheet = newSheet<Sheet>(cfg);
    sheet->showKlasse(section.staevneId, section.klasseNr, section.afdeling, section.bane, section.afdelingId);
    if (sheet->listView1->topLevelItemCount() != Starters) {
        std::fprintf(stderr, "%s: the class loaded %d rows, not %d\n", name, sheet->listView1->topLevelItemCount(),
                     Starters);
        return false;
    }
    const std::vector<int> marked = giveMarks(*sheet, spring);
    sheet->saveZEPCSV(sheet->automaticPath());
    sheet->refreshClass();
    int placed = 0;
    for (int r = 0; r < sheet->champTable->rowCount(); ++r)
        placed += sheet->champTable->text(r, placeColumn).toInt() > 0
                  && sheet->champTable->text(r, placeColumn).toInt() <= Starters;
    std::printf("%-9s class %d %s: %d starters, %d with marks, %d placed\n", name, section.klasseNr,
                qPrintable(section.afdeling), Starters, int(marked.size()), placed);
    if (placed < int(marked.size()) / 2) {
        std::fprintf(stderr, "%s: the marks did not come back from %s\n", name, qPrintable(sheet->automaticPath()));
        return false;
    }
    std::printf("%-9s %-10s %5s %9s %9s %9s %9s %9s %9s\n", "", "ms", "runs", "median", "q1", "q3", "min", "max",
                "cpu med");

    Timings load;
    for (int run = 0; run < loads; ++run) {
        const std::unique_ptr<BenchSheet<Sheet>> fresh = newSheet<Sheet>(cfg);
        showSheet(*fresh, hidden);
        load.time([&] { loadOnce(*fresh, section); });
    }
    showSheet(*sheet, hidden);
    Timings reload;
    for (int run = 0; run < loads; ++run)
        reload.time([&] { reloadOnce(*sheet); });
    Timings typed;
    for (int run = 0; run < runs; ++run) {
        const int row = marked[size_t(run * 37) % marked.size()];
        QString text = mark(run * 5 + row);
        if (text == sheet->champTable->text(row, markColumn))
            text = mark(run * 5 + row + 1);
        typed.time([&] { typeOneMark(*sheet, row, markColumn, text); });
    }
    Timings place;
    for (int run = 0; run < runs; ++run)
        place.time([&] { placeOnce(*sheet); });
    const ChampLayout &layout = sheet->layout();
    const champ::SheetRule sheetRule = sheet->rule();
    QVector<QStringList> rows;
    for (int r = 0; r < sheet->champTable->rowCount(); ++r)
        rows << sheet->champTable->rowTexts(r);
    Timings rule;
    QStringList places;
    for (int run = 0; run < runs; ++run)
        rule.time([&] { places = rulePlaces(rows, sheetRule, layout.tie1, layout.tie2); });
    for (int r = 0; r < places.size(); ++r) {
        if (places.at(r) != sheet->champTable->text(r, placeColumn)) {
            std::fprintf(stderr, "%s: the rule places row %d otherwise than the sheet\n", name, r);
            return false;
        }
    }

    load.print(name, "load");
    reload.print(name, "reload");
    typed.print(name, "mark");
    place.print(name, "calcPlace");
    rule.print(name, "rule");
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::vector<int> counts; // runs, then loads
    QByteArray only;
    bool hidden = false;
    bool usage = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        bool number = false;
        const int n = arg.toInt(&number);
        if (number && n >= 0 && counts.size() < 2)
            counts.push_back(n);
        else if (arg == "dressage" || arg == "jumping")
            only = arg;
        else if (arg == "hidden")
            hidden = true;
        else
            usage = true;
    }
    const int runs = counts.empty() ? 100 : counts[0];
    const int loads = counts.size() > 1 ? counts[1] : std::max(3, runs / 20);
    if (usage || runs < 1) {
        std::fprintf(stderr, "usage: bench_champ [runs [loads]] [dressage|jumping] [hidden]\n");
        return 2;
    }

    // The demo's classes in turn up to the jumping championship (class 7),
    // every one with the same number of starters.
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("champ.db"));
    standin::DemoOptions options;
    options.sections = 7;
    options.maxStarters = Starters;
    if (!benchfx::generateDemo(file, options))
        return 1;
    const QList<standin::DemoSection> sections = standin::readDemoSections(file);
    const standin::DemoSection *dressage =
        standin::firstDemoSection(sections, standin::DemoSectionKind::ChampionshipDressage);
    const standin::DemoSection *jumping =
        standin::firstDemoSection(sections, standin::DemoSectionKind::ChampionshipJumping);
    if (!dressage || !jumping) {
        std::fprintf(stderr, "the demo has no championship classes\n");
        return 1;
    }

    standin::registerDriver();
    QSqlDatabase db = QSqlDatabase::addDatabase(standin::driverName(), Zep);
    db.setDatabaseName(file);
    if (!db.open()) {
        std::fprintf(stderr, "%s\n", qPrintable(db.lastError().text()));
        return 1;
    }
    // The competition's federation number names the score files.
    QSqlQuery number(db);
    if (!number.exec(QStringLiteral("SELECT ZEPStaevneNr FROM tblStaevne WHERE StaevneId = %1")
                         .arg(standin::demoCompetitionId))
        || !number.next()) {
        std::fprintf(stderr, "no federation number: %s\n", qPrintable(number.lastError().text()));
        return 1;
    }

    appConfig cfg(nullptr, QString());
    const QString html = dir.filePath(QStringLiteral("html"));
    QDir().mkpath(html);
    cfg.setValue(QStringLiteral("http.root"), html);
    cfg.setValue(QStringLiteral("staevne.ZEPStaevneId"), number.value(0).toString());
    cfg.setValue(QStringLiteral("database.update"), QStringLiteral("3600000")); // the bench times, not the timers
    number.finish();

    if ((only.isEmpty() || only == "dressage") && !benchSheet<Dressur>("dressage", &cfg, *dressage, runs, loads, hidden))
        return 1;
    if ((only.isEmpty() || only == "jumping") && !benchSheet<Spring>("jumping", &cfg, *jumping, runs, loads, hidden))
        return 1;
    return 0;
}

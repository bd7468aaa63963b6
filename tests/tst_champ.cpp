// The championship score sheets: their rules without a window, the score
// file's format, and both views against the stand-in database with fixed
// classes (tests/data/champ_fixture.sql), driven through the score table's
// cell editor as an operator types.

#include "ChildProcesses.h"
#include "SectionFixture.h"
#include "app/StaevneLoader.h"
#include "views/champ/ChampRules.h"
#include "views/champ/ChampScoreFile.h"
#include "views/champ/ChampScoreTable.h"

#include <QHeaderView>
#include <QJsonArray>
#include <QLabel>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTemporaryDir>
#include <QToolTip>
#include <QtTest>

#include <optional>

#include "FileSizeLimit.h"

using namespace sectionfx;

namespace {

// Classes of tests/data/champ_fixture.sql.
constexpr int Dressur5 = 41, Dressur4 = 42, Spring6 = 43, Empty = 44;

// Class 42 under another class type for as long as it lives.
struct ClassType
{
    explicit ClassType(const QString &type)
        : ok(runSql(QStringLiteral("INSERT OR IGNORE INTO tblKlasseType (KlasseTypeId, KlasseType, DiciplinId, MaxPoint, "
                                   "Klasse) VALUES ('%1', 'Championat', 2, 10, 'UNG'); "
                                   "UPDATE tblKlasse SET KlasseTypeId = '%1' WHERE KlasseId = 9702")
                        .arg(type)))
    {
    }
    ~ClassType() { runSql(QStringLiteral("UPDATE tblKlasse SET KlasseTypeId = 'DCU4H' WHERE KlasseId = 9702")); }
    const bool ok;
};

QTreeWidgetItem *listRow(const staevneKlasseInfo &view, const QString &staevneNr)
{
    const auto found = view.listView1->findItems(staevneNr, Qt::MatchExactly, 1);
    return found.isEmpty() ? nullptr : found.first();
}

// Status word and place of every starter of a published class document,
// "status:place" by competition number.
QMap<QString, QString> publishedPlaces(const QString &path, int placeColumn)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QMap<QString, QString> places;
    const QJsonArray rows = QJsonDocument::fromJson(file.readAll()).object().value("equipages").toArray();
    for (const QJsonValue &row : rows) {
        const QJsonObject cells = row.toObject();
        places.insert(cells.value("col1").toString(), cells.value("col5").toString() + QLatin1Char(':')
                                                          + cells.value(QStringLiteral("col%1").arg(placeColumn)).toString());
    }
    return places;
}

// A start's status in the office's database for as long as it lives.
struct OfficeStatus
{
    OfficeStatus(int startId, const QString &status)
        : startId(startId)
    {
        set(status);
    }
    ~OfficeStatus() { set(QString()); }
    void set(const QString &status) const
    {
        runSql(status.isNull() ? QStringLiteral("UPDATE tblStart SET Status = NULL WHERE StartId = %1").arg(startId)
                               : QStringLiteral("UPDATE tblStart SET Status = '%1' WHERE StartId = %2").arg(status).arg(startId));
    }
    const int startId;
};

// The columns of the two sheets the tests below read.
// The rows of a test that runs on both sheets: "spring", false for the
// dressage sheet.
void bothSheets()
{
    QTest::addColumn<bool>("spring");
    QTest::newRow("dressage") << false;
    QTest::newRow("jumping") << true;
}

struct Sheet
{
    explicit Sheet(bool spring)
        : first(spring ? 11 : 9)
        , total(spring ? 14 : 22)
        , place(spring ? 19 : 23)
    {
    }
    const int first, total, place;
};

// What a sheet stands for, row by row: every score cell with its flag, the
// list's status, total and place, and whether the red line shows.
QStringList standingOf(const ChampView &view, bool spring)
{
    const Sheet s(spring);
    const ChampScoreTable *t = view.champTable;
    QStringList rows;
    for (int r = 0; r < t->rowCount(); ++r) {
        if (t->text(r, 1).isEmpty())
            continue;
        QString row = QStringLiteral("sheet %1/%2:").arg(t->text(r, 0), t->text(r, 1));
        for (int c = s.first; c <= s.place; ++c)
            row += QStringLiteral(" [%1]%2").arg(t->text(r, c), t->isFlagged(r, c) ? QStringLiteral("!") : QString());
        rows << row;
    }
    for (int r = 0; r < view.listView1->topLevelItemCount(); ++r) {
        const QTreeWidgetItem *item = view.listView1->topLevelItem(r);
        rows << QStringLiteral("list %1/%2: [%3] [%4] [%5]")
                    .arg(item->text(0), item->text(1), item->text(5), item->text(s.total), item->text(s.place));
    }
    const auto *line = view.findChild<QLabel *>(QStringLiteral("uncounted"));
    rows << QStringLiteral("red line %1").arg(line && line->isVisible() ? line->text() : QStringLiteral("none"));
    return rows;
}

// The total of every start in a class document, by start number.
QMultiMap<QString, QString> publishedTotals(const QString &path, int totalColumn)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QMultiMap<QString, QString> totals;
    const QJsonArray rows = QJsonDocument::fromJson(file.readAll()).object().value("equipages").toArray();
    for (const QJsonValue &row : rows) {
        const QJsonObject cells = row.toObject();
        totals.insert(cells.value("col0").toString(),
                           cells.value(QStringLiteral("col%1").arg(totalColumn)).toString());
    }
    return totals;
}

// The widths of a table's columns, left to right.
QVector<int> columnWidths(const ChampScoreTable *t)
{
    QVector<int> widths;
    for (int c = 0; c < t->columnCount(); ++c)
        widths << t->columnWidth(c);
    return widths;
}

// Whether the event loop came round once: what was due by then has run.
bool eventLoopTurned()
{
    bool turned = false;
    QTimer::singleShot(0, qApp, [&turned] { turned = true; });
    return eventwait::program().wait([&turned] { return turned; });
}

} // namespace

class TestChamp : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        childprocs::stopChildrenOnSignals();
        QVERIFY(m_dir.isValid());
        const QString error =
            openCompetition(m_dir.filePath(QStringLiteral("zep.db")), 7, QStringLiteral("champ_fixture.sql"));
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("html"))));
        m_cfg = new appConfig(this, QString());
    }

    void init()
    {
        m_cfg->setValue(QStringLiteral("http.root"), m_dir.filePath(QStringLiteral("html")));
        m_cfg->setValue(QStringLiteral("staevne.ZEPStaevneId"), QStringLiteral("24070"));
        m_cfg->setValue(QStringLiteral("vis.dv"), QStringLiteral("0"));
        for (const QString &name : QDir(m_dir.filePath(QStringLiteral("html"))).entryList(QDir::Files))
            QFile::remove(m_dir.filePath(QStringLiteral("html/") + name));
    }

    // ---- rules
    void marks()
    {
        // "count total" of marks, "Fejl", the edited cell and the foal flag.
        const auto sum = [](const QStringList &marks, const char *fejl, const char *edited, bool dv) {
            const champ::DressurSum s = champ::dressurSum(marks, QLatin1String(fejl), QLatin1String(edited), dv);
            return QString::number(s.count) + QLatin1Char(' ') + s.total;
        };
        const QStringList worked{"7", "7.5", "8", "6.5", "7"};
        QCOMPARE(sum(worked, "0.5", "7", false), QStringLiteral("5 6.700"));
        QCOMPARE(sum(worked, "0.5", "7", true), QStringLiteral("5 7.700")); // a foal adds
        QCOMPARE(sum({"7,5", "8"}, "", "7,5", false), QStringLiteral("2 7.750"));
        // No number, a dash and a mark outside 0 to 10 are not counted; all
        // but the dash keep the row from its result.
        QCOMPARE(sum({"x", "-", "-1", "11", "8"}, "", "8", false), QStringLiteral("1 8.000"));
        for (const char *typo : {"x", "-1", "11", "75"}) {
            const champ::DressurSum s = champ::dressurSum({"7", "7", "7", "7", "7", QLatin1String(typo)}, "", "7", false);
            QVERIFY2(s.outOfRange && !s.complete() && s.count == 5, typo);
        }
        QVERIFY(champ::dressurSum({"7", "7", "7", "7", "7", "-"}, "", "-", false).complete());
        // Jumping: a style or fault mark outside 0 to 10 leaves no total.
        QCOMPARE(champ::springTotal("12", "0"), QString());
        QCOMPARE(champ::springTotal("8", "-1"), QString());
        QCOMPARE(champ::springTotal("8,5", "1"), QStringLiteral("7.5"));
        // A status letter stands for the row; an emptied cell or only dashes
        // leave no total.
        QCOMPARE(sum(worked, "0", "e", false), QStringLiteral("0 E"));
        QCOMPARE(sum({"", "", "", "", ""}, "", "", false), QStringLiteral("0 "));
        QCOMPARE(sum({"-", "-"}, "", "-", false), QStringLiteral("0 "));

        // Only a number outside 0-10 rings the bell.
        QStringList rings;
        for (const char *mark : {"10", "10.0", "0", "10.5", "-0.5", "-", "o"})
            if (champ::markOutOfRange(QLatin1String(mark)))
                rings << QLatin1String(mark);
        QCOMPARE(rings, (QStringList{"10.5", "-0.5"}));
    }

    // What the rule decides for one sheet row. A row is written as
    // "office|cells" where cells are "column=text" pairs separated by blanks
    // ("_" is a blank inside a text); the expected standing is
    // "total|list total|list status|columns that do not count|standing".
    void rowStanding_data()
    {
        QTest::addColumn<bool>("spring");
        QTest::addColumn<bool>("dv");
        QTest::addColumn<QString>("row");
        QTest::addColumn<int>("edited");
        QTest::addColumn<QString>("expected");
        const QString five = QStringLiteral("9=7 10=7.5 11=8 12=6.5 13=7");
        const auto d = [](const char *name, const QString &row, int edited, const char *expected, bool dv = false) {
            QTest::newRow(name) << false << dv << row << edited << QString::fromUtf8(expected);
        };
        const auto j = [](const char *name, const QString &row, int edited, const char *expected) {
            QTest::newRow(name) << true << false << row << edited << QString::fromUtf8(expected);
        };
        d("five marks", "|" + five + " 14=0.5", -1, "6.700|6.700||-|result");
        d("five marks, the correction adds", "|" + five + " 14=0.5", -1, "7.700|7.700||-|result", true);
        d("four marks wait for the fifth", "|9=7 10=7.5 11=8 12=6.5", -1, "7.250|||-|");
        d("bounds 0 and 10 count", "|9=0 10=10 11=10.0 12=0,0 13=10 14=0", -1, "6.000|6.000||-|result");
        d("second marks count", "|" + five + " 15=8 16=8 17=8 18=8 19=8", -1, "7.600|7.600||-|result");
        for (const char *typo : {"10.5", "-0.5", "nan", "NaN", "inf", "-inf", "1e999", "x"})
            d(typo, "|9=" + QLatin1String(typo) + " 10=7.5 11=8 12=6.5 13=7 14=0", 9, "|||9|out");
        d("a second mark of 11", "|" + five + " 15=11", -1, "|||15|out");
        for (const char *fejl : {"20", "1e3", "-1", "nan", "10.5"})
            d(fejl, "|" + five + " 14=" + QLatin1String(fejl), 14, "|||14|out");
        d("a correction of 10 is one", "|" + five + " 14=10", 14, "-2.800|-2.800||-|result");
        d("a dash is no mark", "|9=- 10=7.5 11=8 12=6.5 13=7 14=0", 9, "7.250|||-|");
        // The office's status, any case: marks typed into the row, also in
        // the first mark cell, reach nothing, and the sheet shows why.
        for (const char *status : {"AFMELDT", "Afmeldt", "afmeldt", "EJ MØDT", "Ej mødt", "dis_ej_modt"})
            d(status, QString::fromUtf8(status) + "|9=9 10=9 11=9 12=9 13=9", 9,
              (QString::fromUtf8(status) + "||||out").toUtf8().constData());
        d("office's status in the first mark cell", "Afmeldt|9=Afmeldt", -1, "Afmeldt||||out");
        d("office's disqualification without marks", "DISKVALIFICERET|9=DISKVALIFICERET", -1,
          "||DISKVALIFICERET|-|");
        d("the sheet's result over the office's", "DISKVALIFICERET|" + five, -1, "7.200|7.200||-|result");
        // A status letter typed into a mark cell stands for the row, and the
        // total cell carries it through a read-back; an edit that is no
        // status takes it away again.
        d("e typed", "|9=7 10=7.5 11=e 12=6.5 13=7", 11, "E|E|Ej mødt|-|");
        d("E read back", "|9=7 10=7.5 11=e 12=6.5 13=7 22=E", -1, "E|E|Ej mødt|-|");
        d("o typed", "|9=o", 9, "O|O|Opgivet|-|");
        d("two letters", "|9=ao", 9, "AO|AO||-|");
        d("a mark after the letter", "|9=7 10=7.5 11=e 12=6.5 13=7 22=E", 10, "7.000|||-|");
        d("an emptied cell is no status", "|9=7 10=7.5 11= 12=6.5 13=7 22=7.200", 11, "7.000|||-|");

        j("style less faults", "|11=8,5 12=0 13=70", -1, "8.5|8.5||-|result");
        j("faults over style", "|11=6 12=8", -1, "|||-|result");
        j("style of 12", "|11=12 12=0", 11, "|||11|out");
        j("faults of 11", "|11=8 12=11", 12, "|||12|out");
        j("faults of inf", "|11=8 12=inf", 12, "|||12|out");
        j("bounds", "|11=10 12=0", -1, "10|10||-|result");
        j("DIS_EJ_MODT", "DIS_EJ_MODT|11=9 12=0 13=60", 11, "DIS_EJ_MODT||||out");
        j("a letter in the time", "|11=8 12=0 13=a", 13, "A|A|Afmeldt|-|");
        j("read back", "|11=8 12=0 13=a 14=A", -1, "A|A|Afmeldt|-|");
    }

    void rowStanding()
    {
        QFETCH(bool, spring);
        QFETCH(bool, dv);
        QFETCH(QString, row);
        QFETCH(int, edited);
        champ::SheetRule rule;
        rule.spring = spring;
        if (spring) {
            rule.markColumns = {11, 12};
            rule.totalColumn = 14;
            rule.placeColumn = 19;
            rule.copyFirst = 11;
            rule.copyLast = 19;
        } else {
            rule.markColumns = {9, 10, 11, 12, 13, 15, 16, 17, 18, 19};
            rule.correctionColumn = 14;
            rule.correctionAdds = dv;
            rule.totalColumn = 22;
            rule.placeColumn = 23;
            rule.minimumMarks = 5;
            rule.copyFirst = 9;
            rule.copyLast = 23;
        }
        QStringList cells(26);
        cells[1] = QStringLiteral("101");
        cells[5] = row.section(QLatin1Char('|'), 0, 0);
        for (const QString &pair : row.section(QLatin1Char('|'), 1).split(QLatin1Char(' '), Qt::SkipEmptyParts))
            cells[pair.section(QLatin1Char('='), 0, 0).toInt()] =
                pair.section(QLatin1Char('='), 1).replace(QLatin1Char('_'), QLatin1Char(' '));
        const champ::RowStanding s = champ::rowStanding(cells, rule, edited);
        QStringList notCounting;
        for (int c : s.notCounting)
            notCounting << QString::number(c);
        const QString standing = s.outOfPlacing() ? QStringLiteral("out") : s.result ? QStringLiteral("result") : QString();
        const QString got = QStringList{s.total, s.listTotal, s.listStatus,
                                        notCounting.isEmpty() && !s.withdrawn ? QStringLiteral("-") : notCounting.join(','),
                                        standing}.join(QLatin1Char('|'));
        QTEST(got, "expected");
        // The list never shows a value that does not count, nor the office's
        // status as a mark; a jumping mark takes a point.
        for (const auto &cell : s.listCells) {
            QVERIFY2(!s.notCounting.contains(cell.first) || cell.second.isEmpty(), qPrintable(cell.second));
            QVERIFY(cells.at(5).isEmpty() || cell.second != cells.at(5));
            QVERIFY(!spring || !cell.second.contains(QLatin1Char(',')));
        }
        QVERIFY(!s.withdrawn || s.listCells.isEmpty());
    }

    void matchStarts_data()
    {
        // Starts as "start/competition number"; `found` per wanted start:
        // the index among `have`, "r" before it for a repeat.
        QTest::addColumn<QStringList>("wanted");
        QTest::addColumn<QStringList>("have");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("one each") << QStringList{"1/101", "2/102"} << QStringList{"2/102", "1/101"} << QStringList{"1", "0"};
        QTest::newRow("shared number, other order")
            << QStringList{"2/101", "1/101"} << QStringList{"1/101", "2/101"} << QStringList{"1", "0"};
        QTest::newRow("renumbered") << QStringList{"7/101", "2/102"} << QStringList{"1/101", "2/102"}
                                    << QStringList{"0", "1"};
        QTest::newRow("renumbered, its number shared by one found already")
            << QStringList{"7/101", "1/101"} << QStringList{"1/101", "2/101"} << QStringList{"1", "0"};
        QTest::newRow("renumbered, two candidates") << QStringList{"7/101"} << QStringList{"1/101", "2/101"}
                                                    << QStringList{"-1"};
        // A start whose competition number the office changed is found by
        // its start number, after every start was looked for by its
        // competition number.
        QTest::newRow("unknown number") << QStringList{"1/399"} << QStringList{"1/101"} << QStringList{"0"};
        QTest::newRow("unknown numbers") << QStringList{"9/399"} << QStringList{"1/101"} << QStringList{"-1"};
        QTest::newRow("new competition number, two starts of its start number")
            << QStringList{"1/399"} << QStringList{"1/101", "1/102"} << QStringList{"-1"};
        QTest::newRow("new competition number, its start taken by the competition number")
            << QStringList{"1/399", "5/101"} << QStringList{"1/101"} << QStringList{"-1", "0"};
        QTest::newRow("repeated line") << QStringList{"1/101", "2/102", "1/101"} << QStringList{"1/101", "2/102"}
                                       << QStringList{"0", "1", "r0"};
        QTest::newRow("one start twice in the office's list")
            << QStringList{"1/101", "1/101"} << QStringList{"1/101", "1/101"} << QStringList{"0", "1"};
    }

    void matchStarts()
    {
        QFETCH(QStringList, wanted);
        QFETCH(QStringList, have);
        const auto pairs = [](const QStringList &texts) {
            QVector<QPair<QString, QString>> p;
            for (const QString &t : texts)
                p.append({t.section('/', 0, 0), t.section('/', 1)});
            return p;
        };
        const champ::StartMatch match = champ::matchStarts(pairs(wanted), pairs(have));
        QStringList found;
        for (int i = 0; i < wanted.size(); ++i)
            found << (match.repeatOf.at(i) >= 0 ? QStringLiteral("r") : QString()) + QString::number(match.found.at(i));
        QTEST(found, "found");
    }

    void championshipClassTypes_data()
    {
        QTest::addColumn<int>("diciplinId");
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("championat");
        QTest::addColumn<int>("kind");
        const int champDressur = int(StaevneLoader::ViewKind::ChampDressur);
        const int dressur = int(StaevneLoader::ViewKind::Dressur);
        for (const char *type : {"DCU4H", "DCU5H", "DCU6H", "DCUF4H", "DCUF5H", "DCUF6H"})
            QTest::newRow(type) << 2 << type << true << champDressur;
        QTest::newRow("championship sheets not shown") << 2 << "DCU5H" << false << dressur;
        QTest::newRow("other dressage class") << 2 << "DCU7H" << true << dressur;
        QTest::newRow("small letters") << 2 << "dcu5h" << true << dressur;
        QTest::newRow("championship jumping") << 3 << "SCU6" << true << int(StaevneLoader::ViewKind::ChampSpring);
    }

    void championshipClassTypes()
    {
        QFETCH(int, diciplinId);
        QFETCH(QString, type);
        QFETCH(bool, championat);
        QFETCH(int, kind);
        StaevneLoader::SectionRow row;
        row.diciplinId = diciplinId;
        row.afdeling = QStringLiteral("A");
        row.klasseType = type;
        const StaevneLoader::ViewKind chosen = StaevneLoader::viewKind(row, championat);
        QCOMPARE(int(chosen), kind);
        const bool champ = kind != int(StaevneLoader::ViewKind::Dressur);
        QCOMPARE(StaevneLoader::inChampionshipTab(type, championat), champ);
        const std::unique_ptr<staevneKlasseInfo> view(StaevneLoader::createView(chosen, m_cfg, nullptr, type));
        QCOMPARE(qobject_cast<ChampView *>(view.get()) != nullptr, champ);
    }

    void places()
    {
        // Rows of "total Kapacitet Ridelighed status" from column 2 on, joined by
        // "|"; "-" is an empty cell, "_" a blank. Column 1 holds the competition
        // number.
        const auto rows = [](const QString &texts) {
            QVector<QStringList> out;
            for (const QString &text : texts.split(QLatin1Char('|'))) {
                QStringList r{QString(), QStringLiteral("1")};
                for (QString part : text.split(QLatin1Char(' ')))
                    r << (part == QLatin1String("-") ? QString() : part.replace(QLatin1Char('_'), QLatin1Char(' ')));
                out << r;
            }
            return out;
        };
        QVector<QStringList> table =
            rows("7.200 8 7|6.900 8 7|6.900 8 6|7.000 8 7|7.000 7 9|- - -|E - -|-0.500 - -|9 - -");
        QCOMPARE(champ::tablePlaces(table, 2, -1, -1), (QStringList{"2", "5", "5", "3", "3", "999", "999", "", "1"}));
        // The last row has no competition number: no starter, no place.
        table.last()[1].clear();
        QCOMPARE(champ::tablePlaces(table, 2, 3, 4), (QStringList{"1", "4", "5", "2", "3", "999", "999", "", ""}));

        // The list in its shown order: equal keys share a place, the next is
        // skipped; non-starters are not counted; total 0 waits to ride unless out.
        const QString list = "7.000 8 7|7.000 8 7|6.000 8 7|0 - - Afmeldt|- - -|- - - Diskvalificeret|"
                             "- - - ej_mødt|- - - Udgået";
        const champ::ListPlacing placing = champ::listPlaces(rows(list), 2, 3, 4);
        QCOMPARE(placing.places, (QStringList{"1", "1", "3", "", "", "", "", ""}));
        QCOMPARE(placing.starters, 6);
        QCOMPARE(placing.remaining, 1);

        QCOMPARE(QVector<int>({champ::antalPlaceringer(0), champ::antalPlaceringer(1), champ::antalPlaceringer(2),
                               champ::antalPlaceringer(4), champ::antalPlaceringer(5), champ::antalPlaceringer(9)}),
                 QVector<int>({0, 0, 1, 1, 2, 3}));
    }

    void listOrder()
    {
        // Total, Kapacitet, Ridelighed, start number, competition number.
        using Key = champ::OrderKey;
        QVector<Key> keys{{0, 0, 0, "0", "7"},   {0, 0, 0, "12", "1"}, {7, 7, 9, "3", "1"}, {7, 8, 1, "9", "1"},
                          {0, 0, 0, "12A", "1"}, {7, 8, 1, "4", "1"},  {0, 9, 9, "2", "1"}, {0, 0, 0, "0", "5"}};
        std::sort(keys.begin(), keys.end(), [](const Key &a, const Key &b) { return champ::shownBefore(a, b, true); });
        QStringList order;
        for (const Key &k : keys)
            order << k.startNr + QLatin1Char('/') + k.staevneNr;
        QCOMPARE(order, (QStringList{"4/1", "9/1", "3/1", "2/1", "12/1", "12A/1", "0/5", "0/7"}));
        // Jumping: equal totals by start number alone.
        QVERIFY(champ::shownBefore(Key{7, 1, 1, "3", "1"}, Key{7, 9, 9, "5", "1"}, false));
    }

    void pedigree()
    {
        // Year, sex, sire, dam, dam's sire, breeder: with and without a
        // breeder, dressage and championship jumping, as the class pages'
        // expected files show them.
        QCOMPARE(champ::pedigree({"2004", "H", "", "B", "C", "D"}, false, false), QStringLiteral("2004/H///B/C/D"));
        QCOMPARE(champ::pedigree({"2004", "H", "A", "B", "C", "D"}, true, false), QStringLiteral("2004/H/A/B/C"));
        QCOMPARE(champ::pedigree({"2004", "", "1--X--", "12--Mira--", "C", ""}, false, false), QStringLiteral("2004//Mira/C"));
    }

    void scoreFileFormat()
    {
        using namespace ChampScoreFile;
        const QStringList header{"Start Nr", "Stævne Nr", "Hest"};
        const QVector<QStringList> rows{{"12A", "101", "Ærø;Å"}, {"0", "102", ""}, {"", "", ""}};
        const QByteArray utf8 = write(header, rows, Encoding::Utf8);
        QCOMPARE(utf8,
                 QByteArray("Start Nr;St\xc3\xa6vne Nr;Hest\n12A;101;\xc3\x86r\xc3\xb8,\xc3\x85\n0;102;\n;;\n\n"));
        const QByteArray latin1 = write(header, rows, Encoding::Latin1);
        QCOMPARE(latin1, QByteArray("Start Nr;St\xe6vne Nr;Hest\n12A;101;\xc6r\xf8,\xc5\n0;102;\n;;\n\n"));
        // The header, the extra row and the last empty line are no data; a
        // start number with a letter and start number 0 are.
        const QVector<QStringList> expected{{"12A", "101", "Ærø,Å"}, {"0", "102", ""}};
        QCOMPARE(read(utf8, Encoding::Utf8, 3).dataLines, expected);
        QCOMPARE(read(latin1, Encoding::Latin1, 3).dataLines, expected);
        QCOMPARE(read(utf8, Encoding::Utf8, 3).unreadable(), 0);
        const Contents other = read("7;1\r\nx;2\n5\n;,;\n", Encoding::Utf8, 2);
        QCOMPARE(other.dataLines, QVector<QStringList>{QStringList({"7", "1"})});
        // A line that is no data and no header, and a start number without
        // its competition number, are lines the sheet cannot read.
        QCOMPARE(other.unreadable(), 2);
        // A header of another width is none of the sheet's.
        QCOMPARE(read(utf8, Encoding::Utf8, 25).unreadable(), 1);
        QCOMPARE(read(utf8, Encoding::Utf8, 4).unreadable(), 1);
        // A line break inside a cell is written as a blank, and the sheet
        // keeps what was typed in that form.
        QCOMPARE(write({"Start Nr", "HS Tid"}, {{"1", "70\r\n5\n"}}, Encoding::Latin1),
                 QByteArray("Start Nr;HS Tid\n1;70  5 \n\n"));
        QCOMPARE(asSaved(QStringLiteral("7,5\r\n"), Encoding::Utf8), QStringLiteral("7,5  "));
    }

    // ---- the views
    void freshSheet_data()
    {
        QTest::addColumn<bool>("spring");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("editable");
        QTest::addColumn<int>("cursor");
        QTest::newRow("dressage") << false
                                  << QStringList{"Start Nr", "Stævne Nr", "Hest", "Rytter", "Trav", "Skridt", "Galop",
                                                 "Ridelighed", "Kapacitet", "Fejl", "Total", "Placering", "Start Tid"}
                                  << QStringList{"Trav", "Skridt", "Galop", "Ridelighed", "Kapacitet", "Fejl", "Start Tid"}
                                  << 9;
        QTest::newRow("jumping") << true
                                 << QStringList{"Start Nr", "Stævne Nr", "Hest", "Rytter", "HestBaseId", "HS Stil",
                                                "HS Fejl", "HS Tid", "HS Total", "Placering", "Start Tid"}
                                 << QStringList{"HS Stil", "HS Fejl", "HS Tid", "Start Tid"} << 11;
    }

    void freshSheet()
    {
        QFETCH(bool, spring);
        std::unique_ptr<ChampView> view(spring ? static_cast<ChampView *>(new SpringProbe(m_cfg)) : new DressurProbe(m_cfg));
        view->show();
        // One empty row, the cursor on the first mark, the list collapsed above.
        ChampScoreTable *t = view->champTable;
        QCOMPARE(t->rowCount(), 1);
        QStringList shown, editable;
        for (int c = 0; c < t->columnCount(); ++c) {
            if (t->isColumnHidden(c))
                continue;
            shown << t->columnTitle(c);
            if (t->item(0, c)->flags() & Qt::ItemIsEditable)
                editable << t->columnTitle(c);
        }
        QTEST(shown, "shown");
        QTEST(editable, "editable");
        QTEST(t->currentColumn(), "cursor");
        QCOMPARE(t->currentRow(), 0);
        QCOMPARE(view->splitter3->sizes().value(0), 0);
        QVERIFY(t->isVisible());
        QCOMPARE(view->listView1->columnCount(), spring ? 21 : 27);
    }

    void foalColumn_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("dv");
        QTest::addColumn<QString>("column"); // the title of column 14 on the sheet and the page, "" when hidden
        QTest::addColumn<bool>("startTid");  // the start time takes typing
        QTest::newRow("DCU4H, no foal marks") << "DCU4H" << "0" << "" << true;
        QTest::newRow("DCUF4H, no foal marks") << "DCUF4H" << "0" << "" << true;
        QTest::newRow("DCUF4H, foal marks") << "DCUF4H" << "1" << "Føl" << true;
        QTest::newRow("DCUF5H") << "DCUF5H" << "0" << "Fejl" << false;
        QTest::newRow("DCUF5H, foal marks set") << "DCUF5H" << "1" << "Fejl" << false;
        QTest::newRow("DCUF6H, foal marks set") << "DCUF6H" << "1" << "Fejl" << false;
    }

    void foalColumn()
    {
        QFETCH(QString, type);
        QFETCH(QString, dv);
        QFETCH(QString, column);
        const ClassType classType(type);
        QVERIFY(classType.ok);
        m_cfg->setValue(QStringLiteral("vis.dv"), dv);
        DressurProbe view(m_cfg);
        view.load(Dressur4);
        ChampScoreTable *t = view.champTable;
        QCOMPARE(t->isColumnHidden(14) ? QString() : t->columnTitle(14), column);
        QTEST(typeCell(t, 0, 24, "11:05"), "startTid");
        QVERIFY(typeCells(t, 0, 9, {"7", "7", "7", "7", "8"}));
        if (!column.isEmpty())
            QVERIFY(typeCell(t, 0, 14, "1"));
        // The correction counts where it is shown: less a fault, plus a foal.
        QCOMPARE(t->text(0, 22), column.isEmpty() ? "7.200" : column == "Fejl" && dv == "0" ? "6.200" : "8.200");
        const QString page = QString::fromUtf8(readFile(m_dir.filePath(QStringLiteral("html/klasse42_A.html"))));
        QCOMPARE(page.contains(QStringLiteral("<th align=center>Føl</th>")), column == "Føl");
        QCOMPARE(page.contains(QStringLiteral("<th align=center>Fejl</th>")), column == "Fejl");
    }

    void secondMarks_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("fourYear");
        QTest::newRow("DCU4H") << "DCU4H" << true;
        QTest::newRow("DCUF4H") << "DCUF4H" << true;
        QTest::newRow("DCUF5H") << "DCUF5H" << false;
    }

    void secondMarks()
    {
        QFETCH(QString, type);
        QFETCH(bool, fourYear);
        const ClassType classType(type);
        QVERIFY(classType.ok);
        DressurProbe view(m_cfg);
        view.load(Dressur4);
        ChampScoreTable *t = view.champTable;
        view.toggleDSP(true);
        // A 4-year-old class takes five second marks, another class the DSP
        // total and program; neither the correction.
        QStringList open;
        for (int c = 14; c <= 21; ++c)
            if (!t->isColumnHidden(c) && !t->isColumnReadOnly(c))
                open << t->columnTitle(c);
        const QStringList second{"Trav 2", "Skridt 2", "Galop 2", "Ridelighed 2", "Kapacitet 2"};
        QCOMPARE(open, fourYear ? second : QStringList{"Program"});
        QCOMPARE(!t->isColumnHidden(20), !fourYear);

        const QString key = t->text(0, 1);
        QVERIFY(typeCells(t, 0, 9, {"6", "6", "6", "6", "6"}));
        QCOMPARE(t->text(0, 22), QStringLiteral("6.000"));
        // From "Kapacitet" the cursor goes on to a cell the operator sees:
        // the first second mark in a 4-year-old class.
        QVERIFY(!t->isColumnHidden(t->currentColumn()));
        QCOMPARE(t->currentRow(), 0);
        if (fourYear)
            QCOMPARE(t->columnTitle(t->currentColumn()), QStringLiteral("Trav 2"));
        if (fourYear) {
            // The total is the mean of all ten marks.
            QVERIFY(typeCells(t, 0, 15, {"8", "8", "8", "8", "9"}));
            QCOMPARE(t->text(0, 22), QStringLiteral("7.100"));
        }
        QCOMPARE(listRow(view, key)->text(22), fourYear ? QStringLiteral("7.100") : QStringLiteral("6.000"));

        view.toggleDSP(false);
        for (int c = 15; c <= 21; ++c)
            QVERIFY(t->isColumnHidden(c));
        QVERIFY(!t->isColumnReadOnly(14));
    }

    void saveButtonWritesACopy()
    {
        saveCopy<DressurProbe>(Dressur5, 9, QStringLiteral("Gem kopi til ZEP"));
        saveCopy<SpringProbe>(Spring6, 11, QStringLiteral("Gem csv kopi"));
    }

    void sheetOfNoClassWritesNoFile()
    {
        // The save button asks for a name; cancelling writes nothing.
        DressurProbe dressur(m_cfg);
        QSignalSpy log(&dressur, &staevneKlasseInfo::logMessage);
        dressur.saveZEPCSV();
        QVERIFY(log.isEmpty());

        // A first load that cannot read the class leaves a sheet of no class:
        // typing into it saves nothing over the class's file.
        QVERIFY(writeFile(scorePath(41), "kept\n"));
        standin::Faults::failNextStatements(2);
        dressur.load(Dressur5);
        standin::Faults::clear();
        QVERIFY(typeCell(dressur.champTable, 0, 9, "7"));
        QCOMPARE(readFile(scorePath(41)), QByteArray("kept\n"));

        // A sheet of an unknown competition neither reads nor overwrites the
        // file another competition may have left under that name.
        m_cfg->setValue(QStringLiteral("staevne.ZEPStaevneId"), QStringLiteral("ukendt"));
        const QString path = m_dir.filePath(QStringLiteral("html/ukendt_klasse_41_A.csv"));
        const QByteArray other("Start Nr;Stævne Nr\n1;101;;;;;;;;7\n\n");
        QVERIFY(writeFile(path, other));
        DressurProbe unknown(m_cfg);
        unknown.load(Dressur5);
        QCOMPARE(unknown.champTable->text(0, 9), QString());
        QVERIFY(typeCell(unknown.champTable, 0, 9, "6"));
        QCOMPARE(readFile(path), other);
    }

    void dressageScoreEntry()
    {
        DressurProbe view(m_cfg);
        view.load(Dressur5);
        ChampScoreTable *t = view.champTable;

        // Loading: the withdrawn starter's word stands in "Trav"; the extra row
        // takes no place (the pages' expected files hold the counts). A class
        // type other than the 4-year-olds' keeps "Fejl" and its start times
        // open no editor.
        QCOMPARE(t->text(3, 9), QStringLiteral("Afmeldt"));
        QCOMPARE(t->text(0, 23), QStringLiteral("999"));
        QCOMPARE(t->text(4, 23), QString());
        QVERIFY(!t->isColumnHidden(14));
        QVERIFY(!typeCell(t, 0, 24, "10:00"));

        // Row 0 is entry 101. Four marks: the table shows their mean, the list
        // and the pages wait for the fifth, nothing is announced.
        QSignalSpy changes(&view, &staevneKlasseInfo::resultChangeClass);
        QVERIFY(typeCells(t, 0, 9, {"7", "7.5", "8", "6.5"}));
        QCOMPARE(t->text(0, 22), QStringLiteral("7.250"));
        QCOMPARE(listRow(view, "101")->text(22), QString());
        QCOMPARE(changes.count(), 0);

        QVERIFY(typeCells(t, 0, 13, {"7", "0.5"}));
        QCOMPARE(listRow(view, "101")->text(22), QStringLiteral("6.700"));
        QCOMPARE(changes.count(), 2);
        QCOMPARE(changes.last().at(3).toBool(), true);
        // "Fejl" is the last mark while shown.
        QCOMPARE(QPoint(t->currentRow(), t->currentColumn()), QPoint(1, 9));

        // Entry 102 with the same total and a higher "Kapacitet" goes first.
        const int r = t->findRow(1, "102");
        QVERIFY(typeCells(t, r, 9, {"7", "7.5", "7", "6.5", "8", "0.5"}));
        QCOMPARE(column(view, 1).mid(0, 2), (QStringList{"102", "101"}));
        QCOMPARE(t->text(t->findRow(1, "101"), 23), QStringLiteral("2"));

        // A status letter for a placed starter takes the place away at once.
        QVERIFY(typeCell(t, r, 11, "d"));
        QCOMPARE(t->text(r, 23), QStringLiteral("999"));
        QCOMPARE(listRow(view, "101")->text(23), QStringLiteral("1"));

        // Entry 103: a mark over 10 or below 0 rings the bell and is not
        // counted, so the row has no total; a dash completes it without a place; a
        // capital status letter stands for the row, and the cell keeps what
        // was typed.
        const int r3 = t->findRow(1, "103");
        QVERIFY(typeCells(t, r3, 9, {"8", "8", "8", "11"}));
        QCOMPARE(view.bells, 1);
        changes.clear();
        QVERIFY(typeCell(t, r3, 13, "-1"));
        QCOMPARE(view.bells, 2);
        QCOMPARE(t->text(r3, 22), QString());
        QCOMPARE(changes.count(), 0);
        QVERIFY(typeCell(t, r3, 13, "-"));
        QCOMPARE(changes.count(), 1);
        QCOMPARE(listRow(view, "103")->text(23), QString());
        QVERIFY(typeCell(t, r3, 13, "D"));
        QCOMPARE(listRow(view, "103")->text(5), QStringLiteral("Diskvalificeret"));
        QCOMPARE(t->text(r3, 13), QStringLiteral("D"));
        QCOMPARE(view.bells, 2);
        // The completing edit saved the sheet under the names a sheet reads.
        const QByteArray before = readFile(scorePath(41));
        QVERIFY(before.startsWith("Start Nr;Stævne Nr;Hest;Rytter;Klub;Diskvalifikation;"));

        // A disk that takes no more than a few bytes: the old file stays whole
        // and the operator is told.
        QSignalSpy log(&view, &staevneKlasseInfo::logMessage);
        auto limit = std::make_optional<FileSizeLimit>(64);
        QVERIFY(limit->isSet());
        const bool typed = typeCell(t, 0, 10, "8");
        limit.reset();
        QVERIFY(typed);
        QCOMPARE(readFile(scorePath(41)), before);
        QCOMPARE(logged(log, 3).size(), 1);
    }

    void dressageCursorWithoutFejl()
    {
        DressurProbe view(m_cfg);
        view.load(Dressur4);
        ChampScoreTable *t = view.champTable;
        QVERIFY(typeCell(t, 0, 9, "7"));
        QCOMPARE(t->currentColumn(), 10);
        for (int r = 0; r < 3; ++r) { // the last is the extra row: the cursor stays in it
            QVERIFY(typeCell(t, r, 13, "7"));
            QCOMPARE(QPoint(t->currentRow(), t->currentColumn()), QPoint(qMin(r + 1, 2), 9));
        }

        // A start time goes into the list and the file, and nothing else.
        QSignalSpy changes(&view, &staevneKlasseInfo::resultChangeClass);
        QVERIFY(typeCell(t, 0, 24, "11:05"));
        QCOMPARE(listRow(view, t->text(0, 1))->text(24), QStringLiteral("11:05"));
        QCOMPARE(changes.count(), 0);
        QVERIFY(readFile(scorePath(42)).contains(";11:05\n"));
    }

    void springScoreEntry()
    {
        SpringProbe view(m_cfg);
        view.load(Spring6);
        ChampScoreTable *t = view.champTable;
        QCOMPARE(t->text(t->findRow(1, "303"), 11), QStringLiteral("afmeldt"));

        // The time completes a row: only then is the change announced.
        QSignalSpy changes(&view, &staevneKlasseInfo::resultChangeClass);
        int r = t->findRow(1, "301");
        QVERIFY(typeCells(t, r, 11, {"8", "0"}));
        QCOMPARE(changes.count(), 0);
        QVERIFY(typeCell(t, r, 13, "61.2"));
        QCOMPARE(changes.count(), 1);
        QCOMPARE(QPoint(t->currentRow(), t->currentColumn()), QPoint(r + 1, 11));

        // Style less faults is the total: nothing left is no total and no place.
        r = t->findRow(1, "302");
        QVERIFY(typeCells(t, r, 11, {"6", "8"}));
        QCOMPARE(t->text(r, 14), QString());
        QCOMPARE(t->text(r, 19), QStringLiteral("999"));
        QVERIFY(typeCell(t, r, 12, "1"));
        QCOMPARE(t->text(r, 19), QStringLiteral("2"));
        QCOMPARE(view.resterendeStarter(), 1);

        // Retired: out of the placing at once, and a start time typed later
        // does not bring the rider back.
        QVERIFY(typeCell(t, r, 11, "o"));
        QCOMPARE(listRow(view, "302")->text(19), QString());
        QVERIFY(typeCell(t, r, 20, QStringLiteral("Kl. 13 på")));
        QCOMPARE(t->text(r, 14), QStringLiteral("O"));
        QCOMPARE(listRow(view, "302")->text(5), QStringLiteral("Opgivet"));
        QCOMPARE(listRow(view, "302")->text(20), QStringLiteral("Kl. 13 på"));
        // The jumping file is ISO-8859-1, and its start times come back.
        QVERIFY(readFile(scorePath(43)).contains(";O;;;;;999;Kl. 13 p\xe5\n"));
        SpringProbe again(m_cfg);
        again.load(Spring6);
        QCOMPARE(again.champTable->text(again.champTable->findRow(1, "302"), 20), QStringLiteral("Kl. 13 på"));
    }

    void withdrawnStarterHasNoPlace_data()
    {
        QTest::addColumn<bool>("spring");
        QTest::addColumn<QString>("letter");
        QTest::newRow("dressage, withdrawn") << false << "a";
        QTest::newRow("dressage, did not appear") << false << "E";
        QTest::newRow("jumping, withdrawn") << true << "A";
        QTest::newRow("jumping, did not appear") << true << "e";
    }

    void withdrawnStarterHasNoPlace()
    {
        QFETCH(bool, spring);
        QFETCH(QString, letter);
        const int klasseNr = spring ? Spring6 : Dressur5, first = spring ? 11 : 9, place = spring ? 19 : 23;
        // 301 and 101 place first, then one of them is out; 303 and 105
        // withdrew in the database.
        const QString out = spring ? "301" : "101", other = spring ? "304" : "102";
        const QString word = letter.toUpper() == "A" ? "Afmeldt" : "Ej mødt";
        const QStringList better = spring ? QStringList{"8", "0", "70"} : QStringList{"8", "8", "8", "8", "8"};
        const QStringList worse = spring ? QStringList{"7", "0", "70"} : QStringList{"7", "7", "7", "7", "7"};
        const QString json = m_dir.filePath(QStringLiteral("html/klasse%1_A.json").arg(klasseNr));
        const auto check = [&](const ChampView &view) {
            QCOMPARE(listRow(view, out)->text(place), QString());
            QCOMPARE(listRow(view, other)->text(place), QStringLiteral("1"));
            QCOMPARE(listRow(view, spring ? "303" : "105")->text(place), QString());
            const QMap<QString, QString> published = publishedPlaces(json, place);
            QCOMPARE(published.value(out), word + ":");
            QCOMPARE(published.value(other), QStringLiteral(":1"));
            QCOMPARE(published.values().count(":1"), 1);
        };
        {
            const auto view = champView(m_cfg, spring, klasseNr);
            ChampScoreTable *t = view->champTable;
            QVERIFY(typeCells(t, t->findRow(1, out), first, better));
            QVERIFY(typeCells(t, t->findRow(1, other), first, worse));
            QCOMPARE(listRow(*view, out)->text(place), QStringLiteral("1"));
            QVERIFY(typeCell(t, t->findRow(1, out), first, letter));
            check(*view);
        }
        // The score file keeps the sheet's own "999" in the place field; a
        // reload does not put it into the list.
        const QRegularExpression saved(QStringLiteral("^[^;\n]*;%1;([^;\n]*;){%2}999(;|$)").arg(out).arg(place - 2),
                                       QRegularExpression::MultilineOption);
        QVERIFY(QString::fromLatin1(readFile(scorePath(klasseNr))).contains(saved));
        QVERIFY(QFile::remove(json));
        const auto again = champView(m_cfg, spring, klasseNr);
        check(*again);
    }

    void marksOutsideTheRangeDoNotCount()
    {
        const QString json = m_dir.filePath(QStringLiteral("html/klasse41_A.json"));
        const auto place = [&json](const char *staevneNr) { return publishedPlaces(json, 23).value(staevneNr); };
        {
            DressurProbe view(m_cfg);
            view.load(Dressur5);
            ChampScoreTable *t = view.champTable;
            QSignalSpy log(&view, &staevneKlasseInfo::logMessage);
            const int r1 = t->findRow(1, "101"), r2 = t->findRow(1, "102");
            QVERIFY(typeCells(t, r1, 9, {"7", "7", "7", "7", "6"}));
            // 7.5 typed without its point, and an 11: the secretary sees
            // them, the bell rings, and neither counts or reaches the pages.
            QVERIFY(typeCells(t, r2, 9, {"8", "11", "8", "75", "8"}));
            QCOMPARE(view.bells, 2);
            QCOMPARE(t->rowTexts(r2).mid(9, 5), (QStringList{"8", "11", "8", "75", "8"}));
            QCOMPARE(t->text(r2, 22), QString());
            QCOMPARE(t->text(r2, 23), QStringLiteral("999"));
            QCOMPARE(t->text(r1, 23), QStringLiteral("1"));
            QCOMPARE(listRow(view, "102")->text(22), QString());
            QCOMPARE(listRow(view, "102")->text(10), QString());
            QCOMPARE(place("101"), QStringLiteral(":1"));
            QCOMPARE(place("102"), QStringLiteral(":"));
            const QStringList told = logged(log, 3);
            QCOMPARE(told.size(), 2);
            QVERIFY2(told.at(0).startsWith(QStringLiteral("Start nr. 2: ")) && told.at(0).contains(QStringLiteral(" på "))
                         && told.at(0).contains(QStringLiteral("\"11\" i Skridt"))
                         && told.at(1).contains(QStringLiteral("\"75\" i Ridelighed")),
                     qPrintable(told.join('\n')));
            // A typo in a placed starter's row takes his total and place off
            // the sheet and the pages alike until it is corrected.
            QVERIFY(typeCell(t, r1, 9, "12"));
            QCOMPARE(t->text(r1, 22), QString());
            QCOMPARE(t->text(r1, 23), QStringLiteral("999"));
            QCOMPARE(listRow(view, "101")->text(22), QString());
            QCOMPARE(place("101"), QStringLiteral(":"));
        }
        // The file as a sheet that counted such marks saved it: the total
        // with them, and a place.
        QList<QByteArray> lines = readFile(scorePath(41)).split('\n');
        for (QByteArray &line : lines) {
            QList<QByteArray> fields = line.split(';');
            if (fields.value(1) == "102") {
                fields[22] = "21.400";
                fields[23] = "1";
                line = fields.join(';');
            }
        }
        QVERIFY(writeFile(scorePath(41), lines.join('\n')));
        QVERIFY(QFile::remove(json));

        DressurProbe view(m_cfg);
        QSignalSpy log(&view, &staevneKlasseInfo::logMessage);
        view.load(Dressur5);
        ChampScoreTable *t = view.champTable;
        const int r1 = t->findRow(1, "101"), r2 = t->findRow(1, "102");
        QCOMPARE(t->text(r2, 22), QString());
        QCOMPARE(listRow(view, "102")->text(22), QString());
        QCOMPARE(place("102"), QStringLiteral(":"));
        QCOMPARE(place("101"), QStringLiteral(":"));
        QCOMPARE(logged(log, 3).size(), 3);
        // A reload, as on a change of the start list, does not tell them again.
        view.refreshClass();
        QCOMPARE(logged(log, 3).size(), 3);
        // Corrected, the marks count at once.
        QVERIFY(typeCell(t, r1, 9, "7"));
        QCOMPARE(place("101"), QStringLiteral(":1"));
        QVERIFY(typeCell(t, r2, 10, "7.5"));
        QCOMPARE(place("102"), QStringLiteral(":"));
        QVERIFY(typeCell(t, r2, 12, "7,5"));
        QCOMPARE(logged(log, 3).size(), 6);
        QVERIFY2(logged(log, 3).last().startsWith(QStringLiteral("Start nr. 2: \"7,5\" i Ridelighed tæller nu")),
                 qPrintable(logged(log, 3).last()));
        QCOMPARE(listRow(view, "102")->text(22), QStringLiteral("7.800"));
        QCOMPARE(place("102"), QStringLiteral(":1"));
        QCOMPARE(place("101"), QStringLiteral(":2"));

        // Jumping: a style of 12 gives no total and no place until corrected.
        SpringProbe spring(m_cfg);
        spring.load(Spring6);
        ChampScoreTable *s = spring.champTable;
        const int j1 = s->findRow(1, "301"), j4 = s->findRow(1, "304");
        QVERIFY(typeCells(s, j4, 11, {"7", "0", "70"}));
        QVERIFY(typeCells(s, j1, 11, {"12", "0", "70"}));
        QCOMPARE(spring.bells, 1);
        QCOMPARE(s->text(j1, 14), QString());
        QCOMPARE(s->text(j1, 19), QStringLiteral("999"));
        QCOMPARE(s->text(j4, 19), QStringLiteral("1"));
        const QString springJson = m_dir.filePath(QStringLiteral("html/klasse43_A.json"));
        QCOMPARE(publishedPlaces(springJson, 19).value("301"), QStringLiteral(":"));
        QVERIFY(typeCell(s, j1, 11, "8"));
        QCOMPARE(s->text(j1, 14), QStringLiteral("8"));
        QCOMPARE(publishedPlaces(springJson, 19).value("301"), QStringLiteral(":1"));
    }

    void officeWithdrawalAfterMarksWereSaved_data()
    {
        bothSheets();
    }

    void officeWithdrawalAfterMarksWereSaved()
    {
        QFETCH(bool, spring);
        const int klasseNr = spring ? Spring6 : Dressur5, first = spring ? 11 : 9, place = spring ? 19 : 23;
        const QString a = spring ? "301" : "101", b = spring ? "304" : "102", out = spring ? "302" : "103";
        const int startId = spring ? 9792 : 9773;
        const QStringList better = spring ? QStringList{"8", "0", "70"} : QStringList{"8", "8", "8", "8", "8"};
        const QStringList worse = spring ? QStringList{"7", "0", "70"} : QStringList{"7", "7", "7", "7", "7"};
        const QStringList best = spring ? QStringList{"9", "0", "60"} : QStringList{"9", "9", "9", "9", "9"};
        {
            const auto view = champView(m_cfg, spring, klasseNr);
            ChampScoreTable *t = view->champTable;
            QVERIFY(typeCells(t, t->findRow(1, a), first, better));
            QVERIFY(typeCells(t, t->findRow(1, b), first, worse));
        }
        // The office withdraws a starter with no marks yet.
        struct Withdrawal
        {
            explicit Withdrawal(int id) : id(id) { runSql(QStringLiteral("UPDATE tblStart SET Status = 'AFMELDT' WHERE StartId = %1").arg(id)); }
            ~Withdrawal() { runSql(QStringLiteral("UPDATE tblStart SET Status = NULL WHERE StartId = %1").arg(id)); }
            const int id;
        } withdrawal(startId);
        const QByteArray page = [&] {
            const auto view = champView(m_cfg, spring, klasseNr);
            return readFile(m_dir.filePath(QStringLiteral("html/klasse%1_A.html").arg(klasseNr)));
        }();
        QVERIFY(!page.isEmpty());

        const auto view = champView(m_cfg, spring, klasseNr);
        ChampScoreTable *t = view->champTable;
        const int r = t->findRow(1, out);
        QCOMPARE(t->text(r, first), QStringLiteral("AFMELDT"));
        // Marks typed into his row by mistake stay there and in the file, and
        // give him no place; the others keep theirs and the page is as before.
        QVERIFY(typeCells(t, r, first, best));
        QCOMPARE(t->rowTexts(r).mid(first, best.size()), best);
        QVERIFY(readFile(scorePath(klasseNr)).contains(best.join(';').toLatin1()));
        QCOMPARE(t->text(r, place), QStringLiteral("999"));
        QCOMPARE(t->text(t->findRow(1, a), place), QStringLiteral("1"));
        QCOMPARE(t->text(t->findRow(1, b), place), QStringLiteral("2"));
        QCOMPARE(t->rowTexts(t->findRow(1, a)).mid(first, better.size()), better);
        QCOMPARE(listRow(*view, out)->text(place), QString());
        QCOMPARE(listRow(*view, a)->text(place), QStringLiteral("1"));
        QCOMPARE(readFile(m_dir.filePath(QStringLiteral("html/klasse%1_A.html").arg(klasseNr))), page);
    }

    void oneStandingOnEveryPath_data()
    {
        QTest::addColumn<bool>("spring");
        QTest::addColumn<QString>("path");
        for (const char *path : {"typing", "restart", "refresh"}) {
            QTest::newRow(qPrintable(QStringLiteral("dressage, %1").arg(path))) << false << path;
            QTest::newRow(qPrintable(QStringLiteral("jumping, %1").arg(path))) << true << path;
        }
    }

    // A withdrawn starter with marks typed into his row, a row with values
    // that do not count and a good row: after typing, after a restart and
    // after a refresh the sheet, the list and the JSON give the same totals
    // and places.
    void oneStandingOnEveryPath()
    {
        QFETCH(bool, spring);
        QFETCH(QString, path);
        const int klasseNr = spring ? Spring6 : Dressur5, first = spring ? 11 : 9;
        const int total = spring ? 14 : 22, place = spring ? 19 : 23;
        const QString good = spring ? "301" : "101", typo = spring ? "302" : "102", out = spring ? "304" : "103";
        const QString status = spring ? "DIS_EJ_MODT" : "AFMELDT";
        struct Withdrawal
        {
            Withdrawal(int id, const QString &status) : id(id)
            {
                runSql(QStringLiteral("UPDATE tblStart SET Status = '%1' WHERE StartId = %2").arg(status).arg(id));
            }
            ~Withdrawal() { runSql(QStringLiteral("UPDATE tblStart SET Status = NULL WHERE StartId = %1").arg(id)); }
            const int id;
        } withdrawal(spring ? 9794 : 9773, status);
        const QString json = m_dir.filePath(QStringLiteral("html/klasse%1_A.json").arg(klasseNr));

        // A load sizes the columns to their contents: each as wide as its
        // widest text or title, no more and no less.
        const auto follows = [](ChampScoreTable *t) {
            for (int c = 0; c < t->columnCount(); ++c)
                if (!t->isColumnHidden(c)
                    && t->columnWidth(c) != qMax(static_cast<QAbstractItemView *>(t)->sizeHintForColumn(c), t->horizontalHeader()->sectionSizeHint(c)))
                    return false;
            return true;
        };
        auto view = champView(m_cfg, spring, klasseNr);
        QVERIFY(follows(view->champTable));
        QVector<int> loaded = columnWidths(view->champTable);
        {
            ChampScoreTable *t = view->champTable;
            QVERIFY(typeCells(t, t->findRow(1, good), first, spring ? QStringList{"8", "0", "70"}
                                                                   : QStringList{"7", "7", "7", "7", "7", "0"}));
            QVERIFY(typeCells(t, t->findRow(1, typo), first, spring ? QStringList{"9", "inf", "60"}
                                                                   : QStringList{"8", "8", "8", "8", "nan", "20"}));
            QVERIFY(typeCells(t, t->findRow(1, out), first, spring ? QStringList{"9.5", "0", "55"}
                                                                  : QStringList{"9", "9", "9", "9", "9", "0"}));
        }
        if (path == QLatin1String("restart")) {
            view.reset();
            QVERIFY(QFile::remove(json));
            view = champView(m_cfg, spring, klasseNr);
        } else if (path == QLatin1String("refresh")) {
            QVERIFY(QFile::remove(json));
            view->refreshClass();
        }
        ChampScoreTable *t = view->champTable;
        if (path != QLatin1String("typing")) {
            QVERIFY(follows(t));
            loaded = columnWidths(t);
        }

        // "total place" of every starter on the sheet, in the list and in the
        // JSON document; a starter without a place has no total in the list.
        QFile file(json);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QJsonArray published = QJsonDocument::fromJson(file.readAll()).object().value("equipages").toArray();
        QMap<QString, QString> sheet, list, document;
        QStringList order;
        for (int r = 0; r < t->rowCount(); ++r)
            if (!t->text(r, 1).isEmpty())
                sheet.insert(t->text(r, 1), t->text(r, total) + ' ' + t->text(r, place));
        for (int r = 0; r < view->listView1->topLevelItemCount(); ++r) {
            const QTreeWidgetItem *item = view->listView1->topLevelItem(r);
            list.insert(item->text(1), item->text(total) + ' ' + item->text(place));
        }
        for (const QJsonValue &row : published) {
            const QJsonObject cells = row.toObject();
            const QString nr = cells.value("col1").toString();
            order << nr;
            document.insert(nr, cells.value(QStringLiteral("col%1").arg(total)).toString() + ' '
                                    + cells.value(QStringLiteral("col%1").arg(place)).toString());
        }
        QCOMPARE(list, document);
        for (auto it = sheet.cbegin(); it != sheet.cend(); ++it) {
            const QString sheetPlace = it.value().section(' ', 1);
            const bool placed = sheetPlace != QLatin1String("999") && !sheetPlace.isEmpty();
            QCOMPARE(list.value(it.key()), placed ? it.value() : QStringLiteral(" "));
        }

        QCOMPARE(sheet.value(good), QString((spring ? "8" : "7.000") + QStringLiteral(" 1")));
        QCOMPARE(sheet.value(typo), QStringLiteral(" 999"));
        QCOMPARE(sheet.value(out), status + QStringLiteral(" 999"));
        QCOMPARE(order.first(), good);
        // The withdrawn starter's marks stay on his row and in the file.
        const QString nine = spring ? "9.5" : "9";
        QCOMPARE(t->text(t->findRow(1, out), first), nine);
        QVERIFY(readFile(scorePath(klasseNr)).contains(QString(';' + nine + ';').toLatin1()));
        // The values that do not count stand out, and the sheet says which.
        const int r = t->findRow(1, typo);
        const QVector<int> flagged = spring ? QVector<int>{12} : QVector<int>{13, 14};
        for (int c = first; c < first + (spring ? 3 : 6); ++c)
            QCOMPARE(t->isFlagged(r, c), flagged.contains(c));
        const auto *label = view->findChild<QLabel *>(QStringLiteral("uncounted"));
        QVERIFY(label && label->isVisible());
        QVERIFY2(label->text().contains(spring ? "\"inf\"" : "\"20\""), qPrintable(label->text()));

        // Corrected, the row takes its total and place everywhere.
        QVERIFY(spring ? typeCell(t, r, 12, "4") : typeCells(t, r, 13, {"8", "0"}));
        QCOMPARE(t->text(r, total), QString(spring ? "5" : "8.000"));
        QCOMPARE(view->listView1->topLevelItem(0)->text(1), spring ? good : typo);
        QCOMPARE(publishedPlaces(json, place).value(typo), QString(spring ? ":2" : ":1"));
        QVERIFY(!label->isVisible());
        QVERIFY(!t->isFlagged(r, spring ? 12 : 14));
        // The columns keep the widths of the load while the operator types:
        // neither the office's word typed over nor the corrections move one.
        QVERIFY(eventLoopTurned());
        QCOMPARE(columnWidths(t), loaded);
    }

    void scoreFileSurvivesReload()
    {
        {
            DressurProbe view(m_cfg);
            view.load(Dressur5);
            // A ";" typed by mistake into the fifth mark.
            QVERIFY(typeCells(view.champTable, 0, 9, {"7", "7", "7", "7", "7;5", "0.5"}));
            QVERIFY(typeCell(view.champTable, 1, 9, "e"));
        }
        // A start number with a letter, as the file of an earlier sheet holds.
        QByteArray file = readFile(scorePath(41));
        file.replace("\n2;102;", "\n2A;102;");
        QVERIFY(writeFile(scorePath(41), file));

        DressurProbe view(m_cfg);
        view.load(Dressur5);
        QCOMPARE(readFile(scorePath(41)), file); // loading never writes the file
        const int r = view.champTable->findRow(1, "101");
        QCOMPARE(view.champTable->rowTexts(r).mid(9, 6), (QStringList{"7", "7", "7", "7", "7,5", "0.5"}));
        // "7;5" was no mark on the sheet; read back as "7,5" it counts.
        QCOMPARE(view.champTable->text(r, 22), QStringLiteral("6.600"));
        QCOMPARE(listRow(view, "101")->text(23), QStringLiteral("1"));
        QCOMPARE(view.champTable->text(view.champTable->findRow(1, "102"), 22), QStringLiteral("E"));
        QCOMPARE(listRow(view, "102")->text(5), QStringLiteral("Ej mødt"));
    }

    void marksOfAFailedSaveAreSavedOnTheNextTick()
    {
        DressurProbe view(m_cfg);
        view.load(Dressur5);
        ChampScoreTable *t = view.champTable;
        const int r = t->findRow(1, "101");
        QVERIFY(typeCells(t, r, 9, {"7", "7.5", "8", "6.5"}));

        // The output folder cannot be written: a file stands in its place.
        QSignalSpy log(&view, &staevneKlasseInfo::logMessage);
        const QString html = m_dir.filePath(QStringLiteral("html")), away = html + QStringLiteral(".away");
        QVERIFY(QDir().rename(html, away) && writeFile(html, "x"));
        QVERIFY(typeCells(t, r, 13, {"7", "0.5"}));
        view.timeOut();
        // A reload meanwhile keeps the marks the file does not have.
        view.refreshClass();
        QCOMPARE(t->text(t->findRow(1, "101"), 14), QStringLiteral("0.5"));
        QVERIFY(QFile::remove(html) && QDir().rename(away, html));
        view.timeOut();

        const QStringList six{"7", "7.5", "8", "6.5", "7", "0.5"};
        QStringList saved;
        for (const QString &line : QString::fromUtf8(readFile(scorePath(41))).split(QLatin1Char('\n')))
            if (line.section(QLatin1Char(';'), 1, 1) == QLatin1String("101"))
                saved = line.split(QLatin1Char(';')).mid(9, 6);
        QCOMPARE(saved, six);
        QStringList told;
        for (const QString &line : logged(log, 3))
            if (line.startsWith(QLatin1String("Pointtavlen")))
                told << line.section(QLatin1Char(' '), 5, 7);
        QCOMPARE(told, (QStringList{"er IKKE gemt", "er gemt igen"}));

        DressurProbe again(m_cfg);
        again.load(Dressur5);
        const int r2 = again.champTable->findRow(1, "101");
        QCOMPARE(again.champTable->rowTexts(r2).mid(9, 6), six);
        QCOMPARE(listRow(again, "101")->text(22), QStringLiteral("6.700"));
    }

    // A score file that is there but cannot be read (held open by another
    // program; here a folder stands in its place for a while) shows no sheet
    // without its marks: the load waits for it, and no save replaces it.
    void scoreFileThatCannotBeReadIsWaitedFor()
    {
        QStringList marks;
        {
            DressurProbe first(m_cfg);
            first.load(Dressur5);
            QVERIFY(typeCells(first.champTable, first.champTable->findRow(1, "101"), 9, {"7", "7.5", "8"}));
            marks = first.champTable->rowTexts(first.champTable->findRow(1, "101")).mid(9, 3);
        }
        const QString path = scorePath(41), away = path + QStringLiteral(".away");
        QVERIFY(QFile::rename(path, away) && QDir().mkpath(path));

        DressurProbe view(m_cfg);
        QSignalSpy log(&view, &staevneKlasseInfo::logMessage);
        view.load(Dressur5);
        QCOMPARE(view.listView1->topLevelItemCount(), 0);
        view.timeOut();
        view.timeOut();
        QCOMPARE(view.listView1->topLevelItemCount(), 0);
        QCOMPARE(logged(log, 1).filter(QStringLiteral("pointfilen %1 kan ikke læses").arg(path)).size(), 1);

        // Readable again: the next tick shows the sheet with its marks, and an
        // edit saves them with the new one.
        QVERIFY(QDir().rmdir(path) && QFile::rename(away, path));
        view.timeOut();
        const int r = view.champTable->findRow(1, "101");
        QVERIFY(r >= 0);
        QCOMPARE(view.champTable->rowTexts(r).mid(9, 3), marks);
        QVERIFY(typeCell(view.champTable, r, 12, "6.5"));
        QVERIFY(readFile(path).contains(";7;7.5;8;6.5;"));

        // A sheet on show keeps its marks through a reload that cannot read
        // the file.
        QVERIFY(QFile::rename(path, away) && QDir().mkpath(path));
        view.refreshClass();
        QCOMPARE(view.champTable->rowTexts(view.champTable->findRow(1, "101")).mid(9, 4),
                 (QStringList{"7", "7.5", "8", "6.5"}));
        QVERIFY(QDir().rmdir(path) && QFile::rename(away, path));
    }

    void failedSaveStaysWithItsClass()
    {
        // Class 42's marks in its file.
        QStringList marks;
        {
            DressurProbe other(m_cfg);
            other.load(Dressur4);
            QVERIFY(typeCells(other.champTable, 0, 9, {"6", "6.5"}));
            marks = other.champTable->rowTexts(0).mid(9, 2);
        }
        QCOMPARE(marks, (QStringList{"6", "6.5"}));
        const QByteArray file = readFile(scorePath(42));
        QVERIFY(file.contains(";6;6.5;"));

        // Class 41's save fails; then the sheet moves to class 42.
        DressurProbe view(m_cfg);
        view.load(Dressur5);
        const QString html = m_dir.filePath(QStringLiteral("html")), away = html + QStringLiteral(".away");
        QVERIFY(QDir().rename(html, away) && writeFile(html, "x"));
        QVERIFY(typeCell(view.champTable, 0, 9, "7"));
        QVERIFY(QFile::remove(html) && QDir().rename(away, html));
        view.load(Dressur4);
        // Class 42's marks come from its file, and a tick keeps them there.
        QCOMPARE(view.champTable->rowTexts(0).mid(9, 2), marks);
        view.timeOut();
        QCOMPARE(readFile(scorePath(42)), file);
    }

    void unreadableScoreFileIsKept_data()
    {
        QTest::addColumn<QString>("form");
        QTest::addColumn<bool>("diskFull"); // the copy cannot be written at first
        QTest::addColumn<int>("unreadable");
        QTest::newRow("UTF-16") << "utf16" << false << 10;
        QTest::newRow("comma-separated") << "comma" << false << 10;
        QTest::newRow("UTF-16, disk full at first") << "utf16" << true << 10;
        // The station's own file with one line written into it by hand; the
        // lines of starters the class does not have (104, 106 to 109) are
        // lines the sheet cannot place either.
        QTest::newRow("one line of a note") << "note" << false << 1;
        QTest::newRow("one line of a note, disk full at first") << "note" << true << 1;
    }

    void unreadableScoreFileIsKept()
    {
        QFETCH(QString, form);
        QFETCH(bool, diskFull);
        QFETCH(int, unreadable);
        // Nine starters' marks as the station writes them, saved again by a
        // spreadsheet.
        QStringList lines{QStringLiteral("Start Nr;Stævne Nr;Hest;Rytter;Klub;Diskvalifikation;Licens Nr;Heste ID;"
                                         "Afstamning;Trav;Skridt;Galop;Ridelighed;Kapacitet;Fejl;Trav 2;Skridt 2;"
                                         "Galop 2;Ridelighed 2;Kapacitet 2;DSP Total;Program;Total;Placering;Start Tid")};
        for (int i = 0; i < 9; ++i)
            lines << QStringLiteral("%1;%2;Hest %1;Rytter %1;ARK;;;;;7;8;7;8;7;0;;;;;;;;7.400;%1;09:%1").arg(i + 1).arg(101 + i);
        lines << QString(24, QLatin1Char(';')) << QString();
        QString text = lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
        QByteArray bytes;
        if (form == QLatin1String("utf16")) {
            text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
            QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
            bytes = utf16.encode(text);
        } else if (form == QLatin1String("comma")) {
            bytes = text.replace(QLatin1Char(';'), QLatin1Char(',')).toUtf8();
        } else {
            bytes = text.replace(QLatin1String("\n\n"), QLatin1String("\nTrav dømt af B. Hansen\n\n")).toUtf8();
        }
        QVERIFY(writeFile(scorePath(41), bytes));

        DressurProbe view(m_cfg);
        QSignalSpy log(&view, &staevneKlasseInfo::logMessage);
        const auto told = [&log] {
            QStringList lines;
            for (const QString &line : logged(log, 1))
                if (line.startsWith(QLatin1String("Pointfilen")))
                    lines << line;
            return lines;
        };
        const QString copy = scorePath(41) + QStringLiteral(".1.bak");
        // The lines it counts are named; the lines of starters the class
        // does not have stay in the file to come back with them, and are
        // no reason for a copy.
        const QString which = form == QLatin1String("note") ? QStringLiteral(" (linje 12)")
                                                            : QStringLiteral(" (linje 1, 2, 3, 4, 5, 6, 7, 8, 9 og 10)");
        const QString kept = QStringLiteral("Pointfilen %1 har %2, som ikke kan læses%3; en kopi af filen er gemt som %4")
                                 .arg(scorePath(41), unreadable == 1 ? QStringLiteral("1 linje") : QStringLiteral("%1 linjer").arg(unreadable), which, copy);
        std::optional<FileSizeLimit> limit;
        if (diskFull) {
            limit.emplace(64);
            QVERIFY(limit->isSet());
        }
        view.load(Dressur5);
        if (diskFull)
            view.refreshClass(); // a second read of the file tells nothing new
        const bool typed = typeCell(view.champTable, 0, 9, "5");
        limit.reset();
        QVERIFY(typed);
        if (diskFull) {
            // Neither the copy nor the sheet: the file stays until its copy is kept.
            QCOMPARE(readFile(scorePath(41)), bytes);
            QVERIFY(!QFile::exists(copy));
            QCOMPARE(told().size(), 1);
            QVERIFY(told().first().contains(QLatin1String("kunne ikke gemmes")));
            log.clear();
            view.timeOut();
        }
        QCOMPARE(readFile(copy), bytes);
        QVERIFY(readFile(scorePath(41)).startsWith("Start Nr;Stævne Nr;"));
        QCOMPARE(told(), QStringList{kept});
        if (form == QLatin1String("note") && !diskFull) {
            const QStringList unplaced = logged(log, 1).filter(QStringLiteral("start nr. 4 (stævne nr. 104), start nr. 6 "
                                                                              "(stævne nr. 106), start nr. 7 (stævne nr. 107), "
                                                                              "start nr. 8 (stævne nr. 108) og start nr. 9 "
                                                                              "(stævne nr. 109)"));
            QCOMPARE(unplaced.size(), 1);
            QVERIFY(readFile(scorePath(41)).contains("\n9;109;Hest 9;Rytter 9;ARK;;;;;7;8;7;8;7;0;"));
        }

        // Another unreadable file later does not replace the first copy, and
        // reading the same file again makes no second copy of it.
        const QByteArray later = bytes + bytes;
        QVERIFY(writeFile(scorePath(41), later));
        DressurProbe next(m_cfg);
        QSignalSpy nextLog(&next, &staevneKlasseInfo::logMessage);
        next.load(Dressur5);
        next.refreshClass();
        QVERIFY(typeCell(next.champTable, 0, 9, "6"));
        QCOMPARE(logged(nextLog, 1).filter(QStringLiteral("Pointfilen")).size(), 1);
        QCOMPARE(readFile(copy), bytes);
        QCOMPARE(readFile(scorePath(41) + QStringLiteral(".2.bak")), later);
        QVERIFY(!QFile::exists(scorePath(41) + QStringLiteral(".3.bak")));
    }

    void damagedLineIsKept_data()
    {
        QTest::addColumn<QByteArray>("number");
        QTest::addColumn<QByteArray>("startNr");
        QTest::newRow("NUL") << QByteArray("30\0" "1", 4) << QByteArray("1");
        QTest::newRow("letters") << QByteArray("3O1") << QByteArray("1");
        QTest::newRow("a number no row has") << QByteArray("399") << QByteArray("1");
        QTest::newRow("NUL, start number too") << QByteArray("30\0" "1", 4) << QByteArray("99");
        QTest::newRow("letters, start number too") << QByteArray("3O1") << QByteArray("99");
    }

    // A score-file line whose competition number was damaged goes to the one
    // start of its start number. A line that finds no start at all is no
    // start's marks, nor lost: the next save keeps it in the file as it
    // was, and every load names it.
    void damagedLineIsKept()
    {
        QFETCH(QByteArray, number);
        QFETCH(QByteArray, startNr);
        {
            SpringProbe view(m_cfg);
            view.load(Spring6);
            QVERIFY(typeCells(view.champTable, view.champTable->findRow(1, "301"), 11, {"2", "0", "70"}));
        }
        QByteArray bytes = readFile(scorePath(Spring6));
        const qsizetype at = bytes.indexOf("\n1;301;");
        QVERIFY(at > 0);
        bytes.replace(at + 1, 6, startNr + ';' + number + ';');
        QVERIFY(writeFile(scorePath(Spring6), bytes));
        const QByteArray line = bytes.mid(at + 1, bytes.indexOf('\n', at + 1) - at);
        const bool placed = startNr == "1";

        SpringProbe view(m_cfg);
        QSignalSpy log(&view, &staevneKlasseInfo::logMessage);
        view.load(Spring6);
        const int row = view.champTable->findRow(1, "301");
        const QStringList none{"", "", ""}, typed{"2", "0", "70"};
        QCOMPARE(view.champTable->rowTexts(row).mid(11, 3), placed ? typed : none);
        QVERIFY(typeCell(view.champTable, view.champTable->findRow(1, "304"), 11, "7"));
        view.refreshClass();
        QVERIFY(!QFile::exists(scorePath(Spring6) + QStringLiteral(".1.bak")));
        QCOMPARE(logged(log, 1).filter(QStringLiteral("Pointfilen")).size(), 0);
        const QString named = QStringLiteral("start nr. %1 (stævne nr. %2)")
                                  .arg(QString::fromLatin1(startNr), QString::fromLatin1(number));
        QCOMPARE(logged(log, 1).filter(named).size(), placed ? 0 : 2);
        const QByteArray saved = readFile(scorePath(Spring6));
        QVERIFY(saved.contains(";304;"));
        QCOMPARE(saved.contains(line), !placed);
        QCOMPARE(saved.contains("\n1;301;"), true);
        QCOMPARE(saved.contains(";2;0;70;"), true);
    }

    void restartChangesNoStanding_data()
    {
        QTest::addColumn<int>("klasseNr");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("office");
        QTest::addColumn<bool>("flagged");
        const auto row = [](const char *name, int klasse, const char *key, int column, const QString &typed,
                            bool flagged, const char *office = "") {
            QTest::newRow(name) << klasse << QString(key) << column << typed << QString(office) << flagged;
        };
        // Dressage: the typed value goes into "Kapacitet" (13), "Trav" (9)
        // or the correction (14) of a starter with five marks.
        row("mark", Dressur5, "101", 13, "9", false);
        row("decimal comma", Dressur5, "101", 13, "7,5", false);
        row("semicolon", Dressur5, "101", 13, "7;5", false);
        row("decimal point", Dressur5, "101", 13, "7.25", false);
        row("upper bound", Dressur5, "101", 13, "10", false);
        row("lower bound", Dressur5, "101", 13, "0", false);
        row("above 10", Dressur5, "101", 13, "10.01", true);
        row("below 0", Dressur5, "101", 13, "-0.5", true);
        row("75", Dressur5, "101", 13, "75", true);
        row("dash", Dressur5, "101", 13, "-", false);
        row("emptied", Dressur5, "101", 13, "", false);
        row("nan", Dressur5, "101", 13, "nan", true);
        row("inf", Dressur5, "101", 13, "inf", true);
        row("overflow", Dressur5, "101", 13, "1e999", true);
        row("letters", Dressur5, "101", 13, "x7", true);
        row("status letter", Dressur5, "101", 13, "a", false);
        row("status letter in Trav", Dressur5, "101", 9, "E", false);
        row("two status letters", Dressur5, "101", 13, "ao", false);
        row("office word typed", Dressur5, "101", 9, "AFMELDT", true);
        row("office word typed, small", Dressur5, "101", 11, "ej mødt", true);
        row("correction", Dressur5, "101", 14, "0,5", false);
        row("correction 20", Dressur5, "101", 14, "20", true);
        row("correction with semicolon", Dressur5, "101", 14, "0;5", false);
        row("correction status letter", Dressur5, "101", 14, "d", false);
        row("withdrawn, mark over the office's word", Dressur5, "102", 9, "9", false, "AFMELDT");
        row("withdrawn, the office's word again", Dressur5, "102", 9, "AFMELDT", false, "AFMELDT");
        row("withdrawn, another word", Dressur5, "102", 9, "Ej mødt", true, "AFMELDT");
        row("withdrawn, the office's word emptied", Dressur5, "102", 9, "", false, "AFMELDT");
        // Second marks of a 4-year-old class.
        row("second mark", Dressur4, "201", 15, "8", false);
        row("second mark 11", Dressur4, "201", 16, "11", true);
        row("second mark with semicolon", Dressur4, "201", 17, "6;5", false);
        // Jumping: "HS Stil" (11), "HS Fejl" (12), "HS Tid" (13).
        row("style", Spring6, "301", 11, "8,5", false);
        row("style with semicolon", Spring6, "301", 11, "8;5", false);
        row("fault", Spring6, "301", 12, "4", false);
        row("fault 11", Spring6, "301", 12, "11", true);
        row("style x", Spring6, "301", 11, "x", true);
        row("style with a sign ISO-8859-1 lacks", Spring6, "301", 11, QStringLiteral("8€"), true);
        row("style with a thin space", Spring6, "301", 11, QStringLiteral("8\u2009"), true);
        row("status letter in the time", Spring6, "301", 13, "d", false);
        row("office word typed, jumping", Spring6, "301", 11, "DIS_EJ_MODT", true);
        row("time with semicolon", Spring6, "301", 13, "70;5", false);
        // A line break pasted into a cell: a spreadsheet's copied cell ends
        // in one, and a time copied from a note may hold one.
        row("pasted spreadsheet cell", Dressur5, "101", 13, "7,5\r\n", false);
        row("pasted time over two lines", Spring6, "301", 13, "70\n5", false);
        row("pasted line break in a mark", Dressur5, "101", 12, "7\n5", true);
        row("withdrawn rider, style", Spring6, "302", 11, "9", false, "DIS_EJ_MODT");
    }

    // What a cell holds while the station runs is what its score file gives
    // back after a restart, so no row's standing (counted marks, total,
    // status, place, on the sheet and in the list) changes by a restart.
    void restartChangesNoStanding()
    {
        QFETCH(int, klasseNr);
        QFETCH(QString, key);
        QFETCH(int, column);
        QFETCH(QString, typed);
        QFETCH(QString, office);
        QFETCH(bool, flagged);
        const bool spring = klasseNr == Spring6;
        const int first = Sheet(spring).first;
        const std::optional<OfficeStatus> status =
            office.isEmpty() ? std::nullopt
                             : std::make_optional<OfficeStatus>(key == QLatin1String("102") ? 9772 : 9792, office);
        const QStringList base = spring ? QStringList{"8", "0", "70"} : QStringList{"7", "7", "7", "7", "7"};
        QStringList before;
        QString cell;
        {
            auto view = champView(m_cfg, spring, klasseNr);
            ChampScoreTable *t = view->champTable;
            if (klasseNr == Dressur4)
                static_cast<staevneKlasseInfoChampDressur *>(view.get())->toggleDSP(true);
            for (int r = 0; r < t->rowCount(); ++r)
                if (!t->text(r, 1).isEmpty() && t->text(r, 1) != key && t->text(r, 5).isEmpty())
                    QVERIFY(typeCells(t, r, first, spring ? QStringList{"7", "0.5", "75"} : QStringList{"8", "8", "6", "7", "7"}));
            const int r = t->findRow(1, key);
            QVERIFY(typeCells(t, r, first, base));
            QVERIFY(typeCell(t, r, column, typed));
            QCOMPARE(t->isFlagged(r, column), flagged);
            cell = t->text(r, column);
            before = standingOf(*view, spring);
        }
        // The cell holds the value as its file keeps it.
        const QByteArray file = readFile(scorePath(klasseNr));
        QVERIFY(file.contains((spring ? cell.toLatin1() : cell.toUtf8()).prepend(';').append(';')));
        // Each row is one whole line of the file: as many fields as the
        // titles' line, and no carriage return.
        QVERIFY(!file.contains('\r'));
        const QList<QByteArray> lines = file.split('\n');
        for (const QByteArray &line : lines)
            QVERIFY2(line.isEmpty() || line.count(';') == lines.first().count(';'), line.constData());

        auto view = champView(m_cfg, spring, klasseNr);
        const int r = view->champTable->findRow(1, key);
        QCOMPARE(view->champTable->text(r, column), cell);
        QCOMPARE(view->champTable->isFlagged(r, column), flagged);
        QCOMPARE(standingOf(*view, spring), before);
    }

    void reinstatedStarterCounts_data()
    {
        QTest::addColumn<bool>("spring");
        QTest::addColumn<QString>("later");
        QTest::newRow("dressage, lifted") << false << QString();
        QTest::newRow("dressage, now not started") << false << QStringLiteral("EJ MØDT");
        QTest::newRow("jumping, lifted") << true << QString();
    }

    // The office's word that a load put into a withdrawn starter's first
    // mark cell is the office's, not the operator's: once the office lifts
    // the withdrawal, his row counts as if the cell were empty, and the word
    // is gone from the sheet and from the next save.
    void reinstatedStarterCounts()
    {
        QFETCH(bool, spring);
        QFETCH(QString, later);
        const Sheet s(spring);
        const int klasseNr = spring ? Spring6 : Dressur5;
        const QString key = spring ? "304" : "103";
        const QStringList marks = spring ? QStringList{"9", "0", "60"} : QStringList{"9", "9", "9", "9", "9"};
        OfficeStatus status(spring ? 9794 : 9773, QStringLiteral("AFMELDT"));
        {
            auto view = champView(m_cfg, spring, klasseNr);
            ChampScoreTable *t = view->champTable;
            QCOMPARE(t->text(t->findRow(1, key), s.first), QStringLiteral("AFMELDT"));
            QVERIFY(typeCells(t, 0, s.first, spring ? QStringList{"7", "0", "70"} : QStringList{"7", "7", "7", "7", "7"}));
            // Marks typed into his row after the first cell stay.
            QVERIFY(typeCells(t, t->findRow(1, key), s.first + 1, marks.mid(1)));
        }
        status.set(later);
        for (int restart = 0; restart < 2; ++restart) {
            auto view = champView(m_cfg, spring, klasseNr);
            ChampScoreTable *t = view->champTable;
            const int r = t->findRow(1, key);
            QCOMPARE(t->text(r, s.first), restart == 0 || !later.isEmpty() ? later : marks.first());
            QVERIFY(!t->isFlagged(r, s.first));
            const auto *line = view->findChild<QLabel *>(QStringLiteral("uncounted"));
            QVERIFY2(!line->isVisible(), qPrintable(line->text()));
            if (later.isEmpty() && restart == 0) {
                // With his first mark he leads.
                QVERIFY(typeCell(t, r, s.first, marks.first()));
                QCOMPARE(t->text(r, s.place), QStringLiteral("1"));
                QCOMPARE(listRow(*view, key)->text(s.place), QStringLiteral("1"));
            } else if (restart == 0) {
                QCOMPARE(t->text(r, s.place), QStringLiteral("999"));
                QVERIFY(typeCell(t, 0, s.first, "6"));
            }
            const QByteArray saved = readFile(scorePath(klasseNr));
            QVERIFY(!saved.isEmpty());
            QCOMPARE(saved.contains("AFMELDT"), false);
        }
    }

    void sharedCompetitionNumber_data()
    {
        bothSheets();
    }

    // Two starts of a class with one competition number (an error of the
    // office's data): each keeps its own marks on the sheet, in the file,
    // in the list and in the document, also after a restart; the log names
    // the number once per load. A file with two lines for one start is kept
    // as a copy, and the log names both lines.
    void sharedCompetitionNumber()
    {
        QFETCH(bool, spring);
        const Sheet s(spring);
        const int klasseNr = spring ? Spring6 : Dressur5;
        const QString key = spring ? "301" : "101";
        const int entry = spring ? 9762 : 9742, entryNr = spring ? 302 : 102;
        QVERIFY(runSql(QStringLiteral("UPDATE tblAnmeldelse SET AnmeldelseNr = %1 WHERE AnmeldelseId = %2").arg(key).arg(entry)));
        struct Restore
        {
            ~Restore() { runSql(QStringLiteral("UPDATE tblAnmeldelse SET AnmeldelseNr = %1 WHERE AnmeldelseId = %2").arg(nr).arg(id)); }
            int nr, id;
        } restore{entryNr, entry};
        const QStringList eights = spring ? QStringList{"8", "0", "70"} : QStringList{"8", "8", "8", "8", "8"};
        const QStringList sixes = spring ? QStringList{"6", "0", "71"} : QStringList{"6", "6", "6", "6", "6"};
        const QString eight = spring ? "8" : "8.000", six = spring ? "6" : "6.000";
        const QString json = m_dir.filePath(QStringLiteral("html/klasse%1_A.json").arg(klasseNr));
        const auto rowOf = [](ChampScoreTable *t, const QString &startNr) { return t->findRow(0, startNr); };
        const auto told = [&key](const QSignalSpy &log) {
            return logged(log, 1).filter(QStringLiteral("stævne nr. %1 står ved start nr. 1 og 2").arg(key)).size();
        };
        {
            auto view = champView(m_cfg, spring, klasseNr);
            ChampScoreTable *t = view->champTable;
            QVERIFY(typeCells(t, rowOf(t, "1"), s.first, eights));
            QVERIFY(typeCells(t, rowOf(t, "2"), s.first, sixes));
            QCOMPARE(t->text(rowOf(t, "1"), s.total), eight);
            QCOMPARE(t->text(rowOf(t, "2"), s.total), six);
            const QMultiMap<QString, QString> published = publishedTotals(json, s.total);
            QCOMPARE(published.values(QStringLiteral("1")), QStringList{eight});
            QCOMPARE(published.values(QStringLiteral("2")), QStringList{six});
        }
        QByteArray file;
        {
            auto view = std::unique_ptr<ChampView>(spring ? static_cast<ChampView *>(new SpringProbe(m_cfg))
                                                          : new DressurProbe(m_cfg));
            QSignalSpy log(view.get(), &staevneKlasseInfo::logMessage);
            view->showKlasse(70, klasseNr, QStringLiteral("A"), 1, 9670 + klasseNr);
            view->show();
            QCOMPARE(told(log), 1);
            ChampScoreTable *t = view->champTable;
            QCOMPARE(t->rowTexts(rowOf(t, "1")).mid(s.first, 3), eights.mid(0, 3));
            QCOMPARE(t->rowTexts(rowOf(t, "2")).mid(s.first, 3), sixes.mid(0, 3));
            QVERIFY(typeCell(t, rowOf(t, "2"), s.first, "5"));
            file = readFile(scorePath(klasseNr));
            QVERIFY(file.contains(QStringLiteral("\n1;%1;").arg(key).toLatin1()));
            QVERIFY(file.contains(QStringLiteral(";%1;").arg(eights.join(';')).toLatin1()));
            QCOMPARE(publishedTotals(json, s.total).values(QStringLiteral("1")), QStringList{eight});
            // A tick finds both starts as they are: nothing renumbered,
            // nothing announced.
            QSignalSpy changes(view.get(), &staevneKlasseInfo::resultChangeClass);
            view->updateKlasse();
            QCOMPARE(changes.count(), 0);
            QCOMPARE(t->text(rowOf(t, "1"), 0), QStringLiteral("1"));
            QCOMPARE(column(*view, 0).filter(QRegularExpression("^[12]$")).size(), 2);
            view->refreshClass();
            QCOMPARE(told(log), 2);
            QCOMPARE(logged(log, 1).filter(QStringLiteral("Pointfilen")).size(), 0);
        }

        // A hand-edited file with a second line for start 1.
        const qsizetype at = file.indexOf(QStringLiteral("\n1;%1;").arg(key).toLatin1()) + 1;
        QByteArray again = file.mid(at, file.indexOf('\n', at) - at + 1);
        again.replace(QStringLiteral(";%1;").arg(eights.join(';')).toLatin1(),
                      QStringLiteral(";%1;").arg(sixes.join(';')).toLatin1());
        const int earlier = int(file.left(at).count('\n')) + 1;
        file.insert(file.size() - 1, again);
        const int later = int(file.count('\n')) - 1;
        QVERIFY(writeFile(scorePath(klasseNr), file));
        auto view = std::unique_ptr<ChampView>(spring ? static_cast<ChampView *>(new SpringProbe(m_cfg))
                                                      : new DressurProbe(m_cfg));
        QSignalSpy log(view.get(), &staevneKlasseInfo::logMessage);
        view->showKlasse(70, klasseNr, QStringLiteral("A"), 1, 9670 + klasseNr);
        view->show();
        ChampScoreTable *t = view->champTable;
        QCOMPARE(t->text(rowOf(t, "1"), s.total), six);
        QCOMPARE(t->text(rowOf(t, "2"), s.first), QStringLiteral("5"));
        const QString copy = scorePath(klasseNr) + QStringLiteral(".1.bak");
        QCOMPARE(readFile(copy), file);
        const QStringList kept = logged(log, 1).filter(QStringLiteral("Pointfilen"));
        QCOMPARE(kept.size(), 1);
        QVERIFY2(kept.first().contains(QStringLiteral("har 1 linje,"))
                     && kept.first().contains(QStringLiteral("linje %1 er samme start som linje %2").arg(later).arg(earlier)),
                 qPrintable(kept.first()));
    }

    void renumberedStartKeepsMarks_data()
    {
        bothSheets();
    }

    // The office gives start 1 a new competition number: his marks follow
    // him. Given new numbers of both kinds his marks leave the sheet but not
    // the file, every load names them, and they come back with his numbers.
    // A number in a line's office field is a mark the operator typed.
    void renumberedStartKeepsMarks()
    {
        QFETCH(bool, spring);
        const Sheet s(spring);
        const int klasseNr = spring ? Spring6 : Dressur5;
        const int entry = spring ? 9761 : 9741, start = spring ? 9791 : 9771;
        const QString key = spring ? "301" : "101";
        const auto number = [&](int startNr, const QString &entryNr) {
            return runSql(QStringLiteral("UPDATE tblStart SET StartNr = %1 WHERE StartId = %2").arg(startNr).arg(start))
                   && runSql(QStringLiteral("UPDATE tblAnmeldelse SET AnmeldelseNr = %1 WHERE AnmeldelseId = %2").arg(entryNr).arg(entry));
        };
        struct Restore
        {
            ~Restore() { number(1, key); }
            const std::function<bool(int, QString)> number;
            const QString key;
        } restore{number, key};
        const QStringList marks = spring ? QStringList{"8", "0", "70"} : QStringList{"8", "7", "8", "7", "8"};
        const auto view = champView(m_cfg, spring, klasseNr);
        ChampScoreTable *t = view->champTable;
        QSignalSpy log(view.get(), &staevneKlasseInfo::logMessage);
        QVERIFY(typeCells(t, t->findRow(1, key), s.first, marks));
        const QString total = t->text(t->findRow(1, key), s.total);
        const int other = t->findRow(1, spring ? "302" : "102");
        const auto marksOf = [&](const char *startNr, const char *entryNr) {
            const int r = t->findRow(1, entryNr);
            return r >= 0 && t->text(r, 0) == startNr ? t->rowTexts(r).mid(s.first, marks.size()) : QStringList{"no row"};
        };
        const QString named = QStringLiteral("start nr. 1 (stævne nr. 999)");

        QVERIFY(number(1, "999"));
        view->updateKlasse();
        QCOMPARE(marksOf("1", "999"), marks);
        QCOMPARE(t->text(t->findRow(1, "999"), s.total), total);
        QVERIFY(typeCell(t, t->findRow(1, spring ? "302" : "102"), s.first, "6"));
        QVERIFY(readFile(scorePath(klasseNr)).contains("\n1;999;"));
        QVERIFY(!readFile(scorePath(klasseNr)).contains(";" + key.toLatin1() + ";"));

        QVERIFY(number(7, "998"));
        view->updateKlasse();
        QCOMPARE(marksOf("7", "998"), QStringList(marks.size(), QString()));
        QCOMPARE(logged(log, 1).filter(named).size(), 1);
        QVERIFY(typeCell(t, other, s.first, "5"));
        view->refreshClass();
        QCOMPARE(logged(log, 1).filter(named).size(), 2);
        QVERIFY(readFile(scorePath(klasseNr)).contains("\n1;999;"));
        {
            // Nor does a restart lose them.
            const auto restarted = champView(m_cfg, spring, klasseNr);
            QVERIFY(typeCell(restarted->champTable, restarted->champTable->findRow(1, "998"), s.first + 1, "4"));
        }
        QVERIFY(readFile(scorePath(klasseNr)).contains("\n1;999;"));

        QVERIFY(number(1, "999"));
        view->updateKlasse();
        QCOMPARE(marksOf("1", "999"), marks);
        QCOMPARE(t->text(t->findRow(1, "999"), s.total), total);
        QCOMPARE(logged(log, 1).filter(named).size(), 2);
        QVERIFY(typeCell(t, other, s.first, "6"));
        QByteArray file = readFile(scorePath(klasseNr));
        QCOMPARE(file.count("\n1;999;"), 1);
        QCOMPARE(logged(log, 1).filter(QStringLiteral("Pointfilen")).size(), 0);

        // A "7" in the office field of a line whose first mark is 7.
        const qsizetype at = file.indexOf("\n1;999;") + 1;
        QList<QByteArray> fields = file.mid(at, file.indexOf('\n', at) - at).split(';');
        fields[5] = "7";
        fields[s.first] = "7";
        file.replace(at, file.indexOf('\n', at) - at, fields.join(';'));
        QVERIFY(writeFile(scorePath(klasseNr), file));
        const auto again = champView(m_cfg, spring, klasseNr);
        QSignalSpy againLog(again.get(), &staevneKlasseInfo::logMessage);
        again->refreshClass();
        QCOMPARE(again->champTable->text(again->champTable->findRow(1, "999"), s.first), QStringLiteral("7"));
        QCOMPARE(logged(againLog, 1).filter(QStringLiteral("Pointfilen")).size(), 0);
        QVERIFY(!QFile::exists(scorePath(klasseNr) + QStringLiteral(".1.bak")));
    }

    // The red line comes and goes above the sheet without moving the table
    // under the operator's pointer, and a flagged cell shows its red also
    // on the selected row.
    void sheetHoldsStill()
    {
        SpringProbe view(m_cfg);
        view.resize(900, 500);
        view.load(Spring6);
        ChampScoreTable *t = view.champTable;
        const auto *line = view.findChild<QLabel *>(QStringLiteral("uncounted"));
        QVERIFY(line);
        const int r = t->findRow(1, "302");
        const auto cellTop = [&] { return t->viewport()->mapTo(&view, t->visualRect(t->model()->index(r, 12)).topLeft()); };
        QVERIFY(typeCells(t, r, 11, {"8", "0.5", "70"}));
        QVERIFY(!line->isVisible());
        const QPoint still = cellTop();

        QVERIFY(typeCell(t, r, 12, "20"));
        QVERIFY(line->isVisible());
        QCOMPARE(cellTop(), still);
        // The cursor in his row: the flagged cell is red, the others show the
        // selection; while the sheet's window is active and while another
        // window has the focus.
        t->setCurrentCell(r, 11);
        QVERIFY(t->selectionModel()->isSelected(t->model()->index(r, 12)));
        QWidget other;
        other.resize(200, 100);
        other.show();
        for (QWidget *active : {static_cast<QWidget *>(&view), &other}) {
            active->activateWindow();
            WAIT_VERIFY(active->isActiveWindow());
            QCOMPARE(t->isActiveWindow(), active == &view);
            const QImage shot = t->viewport()->grab().toImage();
            const auto ground = [&](int c) {
                const QRect cell = t->visualRect(t->model()->index(r, c));
                return shot.pixelColor(cell.left() + 2, cell.top() + 2);
            };
            const QColor flagged = ground(12), selected = ground(11);
            QVERIFY2(flagged.red() > 150 && flagged.green() < 120 && flagged.blue() < 120, qPrintable(flagged.name()));
            QVERIFY2(!(selected.red() > 150 && selected.green() < 120), qPrintable(selected.name()));
        }

        QVERIFY(typeCell(t, r, 12, "0.5"));
        QVERIFY(!line->isVisible());
        QCOMPARE(cellTop(), still);

        // A list longer than the line's two lines is cut with "…" where the
        // line ends; its tool tip holds the whole list.
        view.resize(420, 500);
        WAIT_VERIFY(line->width() <= 420);
        QStringList told;
        for (const char *key : {"301", "302", "304"}) {
            const int row = t->findRow(1, key);
            QVERIFY(typeCells(t, row, 11, {"12", "20"}));
            told << QStringLiteral("start nr. %1 HS Stil \"12\"").arg(t->text(row, 0))
                 << QStringLiteral("start nr. %1 HS Fejl \"20\"").arg(t->text(row, 0));
        }
        QVERIFY(line->isVisible());
        const QStringList shown = line->text().split(QLatin1Char('\n'));
        QCOMPARE(shown.size(), 2);
        QVERIFY2(shown.last().endsWith(QChar(0x2026)), qPrintable(line->text()));
        for (const QString &part : shown)
            QVERIFY2(line->fontMetrics().horizontalAdvance(part) <= line->contentsRect().width(), qPrintable(part));
        QVERIFY2(line->toolTip().startsWith(shown.first()), qPrintable(line->toolTip()));
        for (const QString &value : std::as_const(told))
            QVERIFY2(line->toolTip().contains(value), qPrintable(value));
        QCOMPARE(cellTop().y(), still.y());
    }

    void refresh()
    {
        DressurProbe view(m_cfg);
        view.load(Dressur5);
        ChampScoreTable *t = view.champTable;
        for (int r = 0; r < 3; ++r)
            QVERIFY(typeCell(t, r, 9, QString::number(5 + r)));
        QSignalSpy changes(&view, &staevneKlasseInfo::resultChangeClass);
        QSignalSpy log(&view, &staevneKlasseInfo::logMessage);
        const auto ticks = [&view](int n) {
            for (int i = 0; i < n; ++i)
                view.updateKlasse();
        };
        ticks(1);
        QCOMPARE(changes.count(), 0);

        // A start number with a letter is written in place.
        QVERIFY(runSql("UPDATE tblStart SET SekundaerStartNr = 1 WHERE StartId = 9773; "
                       "UPDATE tblAfdeling SET BevarStartTid = 1 WHERE AfdelingId = 9711"));
        ticks(1);
        QVERIFY(runSql("UPDATE tblStart SET SekundaerStartNr = NULL WHERE StartId = 9773"));
        QCOMPARE(listRow(view, "103")->text(0), QStringLiteral("3A"));
        QCOMPARE(view.bevarStartTid, 1);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(changes.first().at(3).toBool(), false);
        ticks(1);
        QCOMPARE(listRow(view, "103")->text(0), QStringLiteral("3"));

        // A flag that cannot be read keeps its last value, and the start
        // list is still followed. An outage is logged when it starts and when
        // it ends, not on every tick; the same for a start list that cannot
        // be read.
        QVERIFY(runSql("ALTER TABLE tblAfdeling RENAME COLUMN BevarStartTid TO Bevar; "
                       "UPDATE tblStart SET SekundaerStartNr = 1 WHERE StartId = 9773"));
        changes.clear();
        ticks(3);
        QVERIFY(runSql("ALTER TABLE tblAfdeling RENAME COLUMN Bevar TO BevarStartTid; "
                       "UPDATE tblStart SET SekundaerStartNr = NULL WHERE StartId = 9773"));
        QCOMPARE(view.bevarStartTid, 1);
        QCOMPARE(listRow(view, "103")->text(0), QStringLiteral("3A"));
        QCOMPARE(changes.count(), 1);
        QCOMPARE(logged(log, 1).size(), 1);
        QVERIFY(logged(log, 3).isEmpty());
        ticks(2);
        QCOMPARE(logged(log, 1).size(), 1);
        QCOMPARE(logged(log, 3), QStringList{"Klasse 41 A: databasen kan læses igen"});
        changes.clear();
        QVERIFY(runSql("ALTER TABLE tblStart RENAME TO tblStartX"));
        ticks(3);
        QVERIFY(runSql("ALTER TABLE tblStartX RENAME TO tblStart"));
        QCOMPARE(logged(log, 1).size(), 2);
        ticks(2);
        QCOMPARE(logged(log, 1).size(), 2);
        QCOMPARE(logged(log, 3).size(), 2);
        QCOMPARE(changes.count(), 0);
        QVERIFY(runSql("UPDATE tblAfdeling SET BevarStartTid = 0 WHERE AfdelingId = 9711"));

        // The operator's toggle of the flag while the class page cannot be
        // written (a folder stands in its place) is announced by the tick
        // that writes the pages, once.
        const QString page = m_dir.filePath(QStringLiteral("html/klasse41_A.html"));
        QVERIFY(QFile::remove(page) && QDir().mkpath(page));
        view.visStartTid();
        ticks(1);
        QCOMPARE(changes.count(), 0);
        QVERIFY(QDir().rmdir(page));
        ticks(2);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(changes.first().at(3).toBool(), false);
        changes.clear();

        // A reload whose header query fails keeps the sheet and its marks,
        // which the score file then cannot bring back, and announces nothing.
        QVERIFY(QFile::remove(scorePath(41)));
        log.clear();
        standin::Faults::failNextStatements(2);
        view.refreshClass();
        standin::Faults::clear();
        QCOMPARE(t->rowCount(), 5);
        QCOMPARE(t->text(0, 9), QStringLiteral("5"));
        QCOMPARE(view.listView1->topLevelItemCount(), 4);
        QCOMPARE(logged(log, -1).size(), 1); // the competition number
        QCOMPARE(logged(log, 1).size(), 1);
        QCOMPARE(changes.count(), 0);

        // A withdrawal leaves no stale row, and the next save no second copy.
        QVERIFY(runSql("UPDATE tblStart SET Slettet = '2024-06-15 10:00:00' WHERE StartId = 9772"));
        changes.clear();
        ticks(1);
        QVERIFY(runSql("UPDATE tblStart SET Slettet = NULL WHERE StartId = 9772"));
        QCOMPARE(changes.count(), 1);
        QCOMPARE(t->rowCount(), 4);
        QVERIFY(typeCell(t, 0, 10, "6"));
        const QByteArray file = readFile(scorePath(41));
        QCOMPARE(file.count(";101;"), 1);
        QCOMPARE(file.count(";102;"), 0);
        QVERIFY(file.endsWith("\n;;;;;;;;;;;;;;;;;;;;;;;;\n\n"));

        // A new starter whose reload fails: missed and failed once each,
        // however many ticks it lasts; the list follows once it can.
        QVERIFY(runSql("INSERT INTO tblAnmeldelse (AnmeldelseId, KlasseId, AnmeldelseNr, RytterId, HestId, KlubId, "
                       "Kategori) VALUES (9746, 9701, 106, 9726, 9736, 'ARK', '0'); "
                       "INSERT INTO tblStart (StartId, AfdelingId, AnmeldelseId, StartNr) VALUES (9778, 9711, 9746, 6); "
                       "ALTER TABLE tblMetode RENAME TO tblMetodeX"));
        log.clear();
        ticks(3);
        QVERIFY(runSql("ALTER TABLE tblMetodeX RENAME TO tblMetode"));
        // (102, withdrawn above, is back too.)
        QCOMPARE(logged(log, 1).size(), 3);
        QVERIFY(logged(log, 1).contains(QStringLiteral("Not found 41 A 6 106")));
        ticks(1);
        QVERIFY(runSql("DELETE FROM tblStart WHERE StartId = 9778; DELETE FROM tblAnmeldelse WHERE AnmeldelseId = 9746"));
        QVERIFY(listRow(view, "106") && listRow(view, "102"));
        QCOMPARE(logged(log, 1).size(), 3);
        QCOMPARE(logged(log, 3).size(), 1);

        // An empty section stays quiet.
        DressurProbe empty(m_cfg);
        empty.load(Empty);
        QCOMPARE(empty.antalPlaceringer, 3);
        QCOMPARE(empty.champTable->rowCount(), 1);
        QSignalSpy emptyChanges(&empty, &staevneKlasseInfo::resultChangeClass);
        QSignalSpy emptyLog(&empty, &staevneKlasseInfo::logMessage);
        empty.updateKlasse();
        QCOMPARE(emptyChanges.count(), 0);
        QVERIFY(logged(emptyLog, 1).isEmpty());
    }

    void reloadKeepsThePlace_data()
    {
        // The office's change of the start list and its undoing; F5 or the
        // timer's tick reloads.
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("undo");
        QTest::addColumn<bool>("f5");
        const QString add = QStringLiteral(
            "INSERT INTO tblAnmeldelse (AnmeldelseId, KlasseId, AnmeldelseNr, RytterId, HestId, KlubId, Kategori) "
            "VALUES (9746, 9701, 106, 9726, 9736, 'ARK', '0'); "
            "INSERT INTO tblStart (StartId, AfdelingId, AnmeldelseId, StartNr, SekundaerStartNr) VALUES (9778, 9711, 9746, %1, 1); ");
        const QString unadd = QStringLiteral("DELETE FROM tblStart WHERE StartId = 9778; DELETE FROM tblAnmeldelse WHERE AnmeldelseId = 9746; ");
        const QString remove = QStringLiteral("UPDATE tblStart SET Slettet = '2024-06-15 10:00:00' WHERE StartId = %1; ");
        const QString unremove = QStringLiteral("UPDATE tblStart SET Slettet = NULL WHERE StartId = %1; ");
        QTest::newRow("a start added above him, the timer") << add.arg(1) << unadd << false;
        QTest::newRow("a start deleted above him, the timer") << remove.arg(9771) << unremove.arg(9771) << false;
        QTest::newRow("a start replaced, F5") << remove.arg(9771) + add.arg(1) << unremove.arg(9771) + unadd << true;
        QTest::newRow("nothing changed, F5") << QString() << QString() << true;
    }

    // A reload by the office's change or F5 leaves the cursor on the same
    // starter's same mark and the table where it was scrolled to, so that
    // what the operator types next goes to the starter he sees; when that
    // starter is gone, the cursor stays in its row and column. Only a class
    // the operator opens starts at the first row's first mark.
    void reloadKeepsThePlace()
    {
        QFETCH(QString, change);
        QFETCH(QString, undo);
        QFETCH(bool, f5);
        DressurProbe view(m_cfg);
        view.resize(420, 330); // the table scrolls both ways
        view.load(Dressur5);
        ChampScoreTable *t = view.champTable;
        QVERIFY(t->verticalScrollBar()->maximum() > 0 && t->horizontalScrollBar()->maximum() > 0);
        const auto reload = [&view, f5] {
            if (f5)
                view.refreshClass();
            else
                view.updateKlasse();
        };
        const auto place = [t] { return QPoint(t->currentColumn(), t->currentRow()); };
        // Every row's cells by competition number.
        const auto sheet = [t] {
            QMap<QString, QStringList> rows;
            for (int r = 0; r < t->rowCount(); ++r)
                rows.insert(t->text(r, 1), t->rowTexts(r));
            return rows;
        };
        // A complete, placed starter, and the first mark of the one after.
        QVERIFY(typeCells(t, t->findRow(1, "102"), 9, {"7", "7", "7", "7", "7", "0.5"}));
        QVERIFY(typeCell(t, t->findRow(1, "103"), 9, "7"));
        QCOMPARE(place(), QPoint(10, t->findRow(1, "103")));
        // Scrolled to the right, his mark out of sight.
        t->setScrollPosition({t->horizontalScrollBar()->maximum(), 1});
        const QPoint scrolled = t->scrollPosition();
        QVERIFY(!t->viewport()->rect().intersects(t->visualRect(t->currentIndex())));

        QVERIFY(runSql(change));
        reload();
        const bool undone = runSql(undo);
        QVERIFY(undone);
        QCOMPARE(place(), QPoint(10, t->findRow(1, "103")));
        QCOMPARE(t->scrollPosition(), scrolled);

        // His next mark, typed where the cursor stands, is his.
        QMap<QString, QStringList> expected = sheet();
        expected["103"][10] = QStringLiteral("8");
        QTest::keyClicks(t, QStringLiteral("8"));
        auto *editor = qobject_cast<QLineEdit *>(t->indexWidget(t->currentIndex()));
        QVERIFY(editor);
        QTest::keyClick(editor, Qt::Key_Return);
        QVERIFY(eventwait::program().wait([t] { return !t->isEditing(); }));
        const QMap<QString, QStringList> typed = sheet();
        QCOMPARE(typed.value("103").mid(0, 22), expected.value("103").mid(0, 22));
        for (const char *key : {"101", "102", "105"})
            QCOMPARE(typed.value(key), expected.value(key));
        QCOMPARE(listRow(view, "102")->text(22), QStringLiteral("6.500"));

        // His start deleted: the cursor stays in the row and the column ...
        const QString gone = QStringLiteral("UPDATE tblStart SET Slettet = '2024-06-15 10:00:00' WHERE StartId IN (%1)");
        const QString back = QStringLiteral("UPDATE tblStart SET Slettet = NULL WHERE StartId IN (9773, 9775)");
        QVERIFY(typeCell(t, t->findRow(1, "103"), 11, "7"));
        const QPoint before = place();
        QVERIFY(runSql(gone.arg(9773)));
        reload();
        QVERIFY(runSql(back));
        QCOMPARE(t->findRow(1, "103"), -1);
        QCOMPARE(place(), before);
        // ... within the rows there are now.
        view.refreshClass();
        t->setCurrentCell(t->findRow(1, "105"), 12);
        QCOMPARE(t->currentRow(), t->rowCount() - 2);
        QVERIFY(runSql(gone.arg("9773, 9775")));
        reload();
        QVERIFY(runSql(back));
        QCOMPARE(t->findRow(1, "105"), -1);
        QCOMPARE(place(), QPoint(12, t->rowCount() - 1));

        // The operator opens the class: the first row's first mark, at the top.
        view.load(Dressur5);
        QCOMPARE(place(), QPoint(9, 0));
        QCOMPARE(t->scrollPosition().y(), 0);
    }

    // While the operator types, the columns keep the widths of the load, so
    // that a click aimed at a cell finds it: a long value to correct is
    // shown cut, whole in its tool tip, and neither it nor its correction,
    // nor a tick, moves a column. The load put "Afmeldt" into "Trav".
    void columnsHoldStill()
    {
        DressurProbe view(m_cfg);
        view.resize(900, 500);
        view.load(Dressur5);
        ChampScoreTable *t = view.champTable;
        const int r = t->findRow(1, "101"), withdrawn = t->findRow(1, "105");
        QCOMPARE(t->text(withdrawn, 9), QStringLiteral("Afmeldt"));
        const QVector<int> loaded = columnWidths(t);
        const auto tip = [t](int row, int column) {
            QToolTip::hideText();
            const QPoint at = t->visualRect(t->model()->index(row, column)).center();
            QHelpEvent help(QEvent::ToolTip, at, t->viewport()->mapToGlobal(at));
            QCoreApplication::sendEvent(t->viewport(), &help);
            return QToolTip::isVisible() ? QToolTip::text() : QString();
        };
        // "Fejl" and "Skridt".
        for (const auto &typo : {std::make_pair(14, "1e999"), std::make_pair(10, "abcdefghijklmnop")}) {
            const QString text = QLatin1String(typo.second);
            QVERIFY(typeCell(t, r, typo.first, text));
            QVERIFY(eventLoopTurned());
            QCOMPARE(columnWidths(t), loaded);
            QVERIFY(t->fontMetrics().horizontalAdvance(text) > t->columnWidth(typo.first));
            QCOMPARE(tip(r, typo.first), text);
        }
        QVERIFY(typeCell(t, r, 14, "0.5"));
        QVERIFY(typeCell(t, r, 10, "7"));
        QVERIFY(typeCell(t, withdrawn, 9, "7"));
        view.updateKlasse();
        QVERIFY(eventLoopTurned());
        QCOMPARE(columnWidths(t), loaded);
        // A value that fits has no tip of its own.
        QCOMPARE(tip(r, 10), QString());
        // A total is never cut: the load left room for the widest one also
        // in a class whose totals are all still to come, and the second
        // marks' columns shown since keep it.
        DressurProbe fresh(m_cfg);
        fresh.resize(900, 500);
        fresh.load(Dressur4);
        fresh.toggleDSP(true);
        ChampScoreTable *f = fresh.champTable;
        QVERIFY(typeCells(f, 0, 9, {"10", "10", "10", "10", "10"}));
        QCOMPARE(f->text(0, 22), QStringLiteral("10.000"));
        QVERIFY(static_cast<QAbstractItemView *>(f)->sizeHintForIndex(f->model()->index(0, 22)).width() <= f->columnWidth(22));
    }

private:
    // The save button under a sheet asks for a name, proposing the score
    // file's, and writes the sheet there.
    template <class Probe>
    void saveCopy(int klasseNr, int firstMark, const QString &button)
    {
        Probe view(m_cfg);
        view.load(klasseNr);
        QVERIFY(typeCell(view.champTable, 0, firstMark, "7"));
        view.savePath = m_dir.filePath(QStringLiteral("kopi.csv"));
        QFile::remove(view.savePath);
        QPushButton *save = nullptr;
        for (QPushButton *b : view.template findChildren<QPushButton *>())
            if (b->text() == button)
                save = b;
        QVERIFY(save);
        QTest::mouseClick(save, Qt::LeftButton);
        QCOMPARE(view.proposedName, QStringLiteral("24070_klasse_%1_A.csv").arg(klasseNr));
        QVERIFY(readFile(view.savePath).startsWith("Start Nr;"));
        QCOMPARE(readFile(view.savePath), readFile(scorePath(klasseNr)));
    }

    QString scorePath(int klasseNr) const
    {
        return m_dir.filePath(QStringLiteral("html/24070_klasse_%1_A.csv").arg(klasseNr));
    }

    QTemporaryDir m_dir;
    appConfig *m_cfg = nullptr;
};

QTEST_MAIN(TestChamp)
#include "tst_champ.moc"

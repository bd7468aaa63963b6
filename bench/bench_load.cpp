// Times the station under a full show: a demo competition of 40 sections
// with 80 starters each (every kind of class the demo has, spread over four
// arenas), loaded through the main window (MainWidget::showStaevne: from
// the choice to every tab, page, competition file and registration done),
// and one timer round of every view (updateKlasse), as medians over several
// runs. Before each round one starter's score changes in every section
// that the competition-management system scores, so every tick has a change
// to apply, write and announce.
//
// Beside each wall-clock time the processor time of the station's thread is
// shown, and each target is judged on both: the pages are synced to disk, so
// on a busy machine the wall clock may mostly measure the disk, while the
// processor time is the station's own work.
//
// Usage: bench_load [loads] [rounds]   (default 5 loads, 20 rounds)

#include "BenchStation.h"
#include "demo/SqliteDatabase.h"
#include "driver/StandinDriver.h"
#include "settings/appConfig.h"
#include "views/staevneKlasseInfo.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <map>
#include <vector>

using benchfx::BenchWindow;
using benchfx::freePort;

namespace {

// Processor time of this thread in milliseconds.
double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

const char *verdict(bool met)
{
    return met ? "met" : "MISSED";
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int loads = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 5;
    const int rounds = argc > 2 ? std::max(1, QByteArray(argv[2]).toInt()) : 20;

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("load.db"));
    standin::DemoOptions options;
    options.sections = 40;
    options.maxStarters = 80;
    if (!benchfx::generateDemo(file, options))
        return 1;
    const QList<standin::DemoSection> sections = standin::readDemoSections(file);
    int starters = 0;
    for (const standin::DemoSection &s : sections)
        starters += s.starters;
    std::printf("competition: %d sections, %d starters\n", int(sections.size()), starters);

    standin::registerDriver();
    const QString settings = dir.filePath(QStringLiteral("load.xml"));
    {
        appConfig cfg(nullptr, settings);
        cfg.setValue(QStringLiteral("debug.show"), QStringLiteral("0"));
        cfg.setValue(QStringLiteral("bane.baseUrl"), QString());
        cfg.setValue(QStringLiteral("database.driver"), standin::driverName());
        cfg.setValue(QStringLiteral("database.name"), file);
        cfg.setValue(QStringLiteral("database.update"), QStringLiteral("3600000")); // the bench ticks, not the timers
        cfg.setValue(QStringLiteral("http.root"), dir.filePath(QStringLiteral("html")));
        cfg.setValue(QStringLiteral("http.port"), freePort());
        cfg.writeConfig();
    }
    BenchWindow window(nullptr, settings, QStringLiteral("main"));

    std::vector<double> loadTimes;
    std::vector<double> loadCpu;
    for (int run = 0; run < loads; ++run) {
        QElapsedTimer timer;
        timer.start();
        const double cpu = cpuMs();
        window.showStaevne(standin::demoCompetitionId);
        loadCpu.push_back(cpuMs() - cpu);
        loadTimes.push_back(timer.nsecsElapsed() / 1e6);
        app.processEvents();
    }
    const QStringList keys = window.viewKeys();
    std::printf("full load: median %.1f ms, cpu %.1f ms over %d loads, %d views\n", median(loadTimes), median(loadCpu),
                loads, int(keys.size()));

    // One score more or less in every scored section before each round.
    standin::SqliteDatabase writer;
    if (!writer.open(file, false)) {
        std::fprintf(stderr, "%s\n", qPrintable(writer.lastError()));
        return 1;
    }
    std::map<QString, std::vector<double>> ticks;
    std::map<QString, std::vector<double>> tickCpu;
    std::vector<double> roundTimes;
    std::vector<double> roundCpu;
    for (int round = 0; round < rounds; ++round) {
        const QString delta = round % 2 ? QStringLiteral("- 0.5") : QStringLiteral("+ 0.5");
        const bool written =
            writer.exec(QStringLiteral("UPDATE tblStart SET DommerC = DommerC %1, TidHS1 = TidHS1 %1, Dressur = Dressur %1 "
                                       "WHERE StartId IN (SELECT min(StartId) FROM tblStart WHERE DommerC IS NOT NULL "
                                       "OR TidHS1 IS NOT NULL OR Dressur IS NOT NULL GROUP BY AfdelingId)")
                            .arg(delta));
        if (!written) {
            std::fprintf(stderr, "%s\n", qPrintable(writer.lastError()));
            return 1;
        }
        QElapsedTimer all;
        all.start();
        const double allCpu = cpuMs();
        for (const QString &key : keys) {
            QElapsedTimer timer;
            timer.start();
            const double cpu = cpuMs();
            window.view(key)->updateKlasse();
            tickCpu[key].push_back(cpuMs() - cpu);
            ticks[key].push_back(timer.nsecsElapsed() / 1e6);
        }
        roundCpu.push_back(cpuMs() - allCpu);
        roundTimes.push_back(all.nsecsElapsed() / 1e6);
        app.processEvents();
    }

    std::printf("timer round of every view: median %.1f ms, cpu %.1f ms over %d rounds\n", median(roundTimes),
                median(roundCpu), rounds);
    std::printf("%-8s %-34s %10s %10s %10s\n", "view", "kind", "median ms", "max ms", "cpu ms");
    double worst = 0;
    QString worstKey;
    double worstCpu = 0;
    QString worstCpuKey;
    for (const auto &[key, times] : ticks) {
        const double m = median(times);
        if (m > worst) {
            worst = m;
            worstKey = key;
        }
        const double c = median(tickCpu[key]);
        if (c > worstCpu) {
            worstCpu = c;
            worstCpuKey = key;
        }
        std::printf("%-8s %-34s %10.2f %10.2f %10.2f\n", qPrintable(key), window.view(key)->metaObject()->className(),
                    m, *std::max_element(times.begin(), times.end()), c);
    }
    std::printf("slowest view tick: %s, median %.2f ms; by cpu: %s, median %.2f ms\n", qPrintable(worstKey), worst,
                qPrintable(worstCpuKey), worstCpu);
    // Where a tick of the slowest view goes: its pages and JSON document
    // written on their own (with nothing changed), the rest is reading and
    // placing.
    staevneKlasseInfo *slowest = window.view(worstKey);
    std::vector<double> pages;
    std::vector<double> json;
    std::vector<double> still;
    for (int run = 0; run < rounds; ++run) {
        QElapsedTimer timer;
        timer.start();
        slowest->printHtml();
        pages.push_back(timer.nsecsElapsed() / 1e6);
        timer.restart();
        slowest->writeJSon();
        json.push_back(timer.nsecsElapsed() / 1e6);
        timer.restart();
        slowest->updateKlasse();
        still.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf("  %s: tick without a change %.2f ms; printHtml %.2f ms (of which writeJSon %.2f ms)\n",
                qPrintable(worstKey), median(still), median(pages), median(json));
    std::printf("targets: full load under 1000 ms: wall %s, cpu %s; no view tick over 10 ms: wall %s, cpu %s\n",
                verdict(median(loadTimes) < 1000), verdict(median(loadCpu) < 1000), verdict(worst <= 10),
                verdict(worstCpu <= 10));
    return 0;
}

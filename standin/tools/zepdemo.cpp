// zepdemo: makes a demo competition database and plays the
// competition-management system on it while the station follows.
//
//   zepdemo generate <file> [--seed N] [--small 1] [--logos DIR]
//   zepdemo simulate <file> [--seed N] [--interval ms] [--duration s]
//   zepdemo check-settings <file>
//
// generate --logos also writes the demo clubs' logo files into DIR, the
// station's "logo.dir". simulate runs until it is stopped, or for --duration
// seconds when given. check-settings reads a settings file with the
// station's own reader: exit status 0 when the station can read it,
// otherwise 1 and the reader's reason on one line.

#include "demo/DemoCompetition.h"
#include "demo/DemoSimulator.h"
#include "settings/appConfig.h"

#include <QCoreApplication>
#include <QDate>
#include <QFileInfo>
#include <QStringList>
#include <QTextStream>

#include <cstdio>

namespace {

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

int usage()
{
    err() << "usage: zepdemo generate <file> [--seed N] [--small 1] [--logos DIR]\n"
             "       zepdemo simulate <file> [--seed N] [--interval ms] [--duration s]\n"
             "       zepdemo check-settings <file>\n";
    err().flush();
    return 2;
}

// Reads "--name value" pairs; false on an unknown option or a bad number.
bool readOptions(const QStringList &args, const QStringList &known, QHash<QString, qint64> *values)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString name = args.at(i);
        if (!known.contains(name) || i + 1 >= args.size())
            return false;
        bool ok = false;
        const qint64 value = args.at(++i).toLongLong(&ok);
        if (!ok || value < 0)
            return false;
        values->insert(name, value);
    }
    return true;
}

int generate(const QString &file, const QHash<QString, qint64> &options, const QString &logoDir)
{
    standin::DemoOptions demo;
    demo.seed = quint32(options.value(QStringLiteral("--seed"), 1));
    demo.small = options.value(QStringLiteral("--small"), 0) != 0;
    // The running show is today, so the pages look live.
    demo.firstDay = QDate::currentDate();
    QString error;
    if (!standin::generateDemoCompetition(file, demo, &error)) {
        err() << "zepdemo: " << error << Qt::endl;
        return 1;
    }
    if (!logoDir.isEmpty() && !standin::writeDemoClubLogos(logoDir, &error)) {
        err() << "zepdemo: " << error << Qt::endl;
        return 1;
    }
    const QList<standin::DemoSection> sections = standin::readDemoSections(file);
    int starters = 0;
    for (const standin::DemoSection &s : sections)
        starters += s.starters;
    out() << "Wrote " << QFileInfo(file).absoluteFilePath() << " (seed " << demo.seed << ")\n"
          << "Competition " << standin::demoCompetitionId << ": " << sections.size() << " sections, " << starters
          << " starts\n";
    for (const standin::DemoSection &s : sections)
        out() << "  arena " << s.bane << "  class " << s.klasseNr << " " << s.afdeling << "  " << s.klasse << " ("
              << s.klasseTypeId << "), section id " << s.afdelingId << ", " << s.starters << " starts\n";
    out() << "Competition " << standin::demoPastCompetitionId << ": a finished show\n";
    if (!logoDir.isEmpty())
        out() << "Club logos in " << QFileInfo(logoDir).absoluteFilePath() << "\n";
    return 0;
}

int simulate(const QString &file, const QHash<QString, qint64> &options)
{
    if (!QFileInfo::exists(file)) {
        err() << "zepdemo: " << file << " does not exist; run zepdemo generate first" << Qt::endl;
        return 1;
    }
    standin::DemoSimulator simulator(file, quint32(options.value(QStringLiteral("--seed"), 1)));
    simulator.setInterval(int(options.value(QStringLiteral("--interval"), 5000)));
    simulator.setDuration(int(options.value(QStringLiteral("--duration"), 0) * 1000));
    QObject::connect(&simulator, &standin::DemoSimulator::stepped, &simulator,
                     [](int step, const QStringList &changes) {
                         for (const QString &change : changes)
                             out() << "step " << step << ": " << change << "\n";
                         out().flush();
                     });
    QObject::connect(&simulator, &standin::DemoSimulator::finished, QCoreApplication::instance(),
                     &QCoreApplication::quit, Qt::QueuedConnection);
    out() << "Simulating on " << file << " every " << simulator.interval() << " ms";
    if (simulator.duration() > 0)
        out() << " for " << simulator.duration() / 1000 << " s";
    out() << "\n";
    out().flush();
    simulator.start();
    QCoreApplication::exec();
    if (!simulator.lastError().isEmpty()) {
        err() << "zepdemo: " << simulator.lastError() << Qt::endl;
        return 1;
    }
    out() << "Done after " << simulator.steps() << " steps"
          << (simulator.isDone() ? " (everything ridden)" : "") << "\n";
    return 0;
}

int checkSettings(const QString &file)
{
    appConfig settings(nullptr, file);
    if (settings.readConfig())
        return 0;
    out() << settings.readError() << "\n";
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 2)
        return usage();
    const QString command = args.at(0);
    const QString file = args.at(1);
    QHash<QString, qint64> options;
    if (command == QLatin1String("generate")) {
        QStringList rest = args.mid(2);
        QString logoDir;
        const qsizetype logos = rest.indexOf(QStringLiteral("--logos"));
        if (logos >= 0) {
            if (logos + 1 >= rest.size() || rest.at(logos + 1).isEmpty())
                return usage();
            logoDir = rest.at(logos + 1);
            rest.remove(logos, 2);
        }
        if (!readOptions(rest, {QStringLiteral("--seed"), QStringLiteral("--small")}, &options))
            return usage();
        return generate(file, options, logoDir);
    }
    if (command == QLatin1String("simulate")) {
        if (!readOptions(args.mid(2),
                         {QStringLiteral("--seed"), QStringLiteral("--interval"), QStringLiteral("--duration")},
                         &options))
            return usage();
        return simulate(file, options);
    }
    if (command == QLatin1String("check-settings") && args.size() == 2)
        return checkSettings(file);
    return usage();
}

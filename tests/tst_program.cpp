// A headless run of the program itself: it starts without a settings file,
// and with the demo's settings it loads a competition from the stand-in
// database, writes the competition's pages and serves them over HTTP. A
// signal that stops this test stops the program it runs, and ends the test
// at once, not by Qt Test's handler (tests/ChildProcesses.h).
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

#include <csignal>
#include <cstdio>

#include "demo/DemoCompetition.h"
#include "ChildProcesses.h"
#include "EventWait.h"
#include "StationFixture.h"

using namespace childprocs;
using namespace stationfx;

namespace {
const QString program = QStringLiteral(ZEP_BINARY_DIR "/src/zeplive");

QByteArray fetch(const QString &url, int *status)
{
    QNetworkAccessManager network;
    QNetworkReply *reply = network.get(QNetworkRequest(QUrl(url)));
    QSignalSpy done(reply, &QNetworkReply::finished);
    done.wait(eventwait::limitMs);
    *status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray body = reply->readAll();
    delete reply;
    return body;
}

void stop(QProcess &process)
{
    process.terminate();
    if (!process.waitForFinished(5000))
        process.kill();
    process.waitForFinished(5000);
}
} // namespace

class tst_Program : public QObject
{
    Q_OBJECT

private:
    // Starts the program in `dir` on the settings `values` with its server
    // on a port picked for it, which "http.port" names and which stands for
    // "%port" in the other values, listening on 127.0.0.1 alone, as the
    // demo's test keeps it. The program cannot be told to listen on a port
    // it chooses; it tells whether it listens in the file the demo reads,
    // and should another program have taken the port since its pick, it is
    // started again at once on another. False with `error` set when it does
    // not come to listen.
    static bool startServing(QProcess &process, const QTemporaryDir &dir, const QMap<QString, QString> &values,
                             quint16 *port, QString *error)
    {
        const QString ready = dir.filePath("ready");
        for (int attempt = 0; attempt < 10; ++attempt) {
            *port = freePort();
            const QString number = QString::number(*port);
            QMap<QString, QString> settings;
            for (auto it = values.cbegin(); it != values.cend(); ++it)
                settings.insert(it.key(), QString(it.value()).replace("%port", number));
            settings.insert("http.port", number);
            QFile::remove(ready);
            if (!writeSettings(dir.filePath("station.xml"), settings)) {
                *error = "settings not written";
                return false;
            }
            QProcessEnvironment environment = process.processEnvironment();
            environment.insert("ZEPLIVE_DEMO_READY", ready);
            environment.insert("ZEPLIVE_DEMO_LISTEN", "127.0.0.1");
            process.setProcessEnvironment(environment);
            startInGroup(process, [&] { process.start(program, {"station.xml"}); });
            if (!process.waitForStarted(eventwait::limitMs)) {
                *error = process.errorString();
                return false;
            }
            if (!eventwait::program().wait([&] { return QFile::exists(ready) || process.state() != QProcess::Running; })
                || !QFile::exists(ready)) {
                *error = "the program did not tell whether it listens";
                return false;
            }
            const QByteArray state = readFile(ready);
            if (state.startsWith("listening "))
                return true;
            *error = QString::fromUtf8(state);
            stop(process);
            if (!state.startsWith("taken "))
                return false;
        }
        return false;
    }

private slots:
    // A signal ends this program at once (tests/ChildProcesses.h).
    void initTestCase() { childprocs::stopChildrenOnSignals(); }

    void startsWithoutSettings()
    {
        QTemporaryDir dir;
        QProcess process;
        process.setWorkingDirectory(dir.path());
        startInGroup(process, [&] { process.start(program, {}); });
        QVERIFY2(process.waitForStarted(eventwait::limitMs), qPrintable(process.errorString()));
        // Still up after a while: start-up went through on every default.
        QVERIFY(!process.waitForFinished(1500));
        QCOMPARE(process.state(), QProcess::Running);
        stop(process);
        // Nothing is saved on the way out.
        QVERIFY(!QFile::exists(dir.filePath("appCfg.xml")));
    }

    void servesTheDemoCompetition()
    {
        QTemporaryDir dir;
        QString error;
        standin::DemoOptions options;
        options.small = true;
        QVERIFY2(standin::generateDemoCompetition(dir.filePath("demo.db"), options, &error), qPrintable(error));
        QProcess process;
        process.setWorkingDirectory(dir.path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("ZEPLIVE_DEMO_STAEVNE", QString::number(standin::demoCompetitionId));
        process.setProcessEnvironment(environment);
        quint16 port = 0;
        // Championship sheets bring a notice; nobody is here to close it,
        // and the load must finish all the same.
        QVERIFY2(startServing(process, dir,
                              {{"app.server", "1"}, {"championat.show", "1"}, {"database.driver", "ZEPLITE"},
                               {"database.name", "demo.db"}, {"bane.baseUrl", "http://127.0.0.1:%port/"}},
                              &port, &error),
                 qPrintable(error));

        WAIT_VERIFY(QFile::exists(dir.filePath("html/index.html")));
        int status = 0;
        QByteArray page;
        WAIT_VERIFY((page = fetch(QStringLiteral("http://127.0.0.1:%1/").arg(port), &status), status == 200));
        QVERIFY(page.contains("Bane 1 - Vis Aktuelle klasse"));
        page = fetch(QStringLiteral("http://127.0.0.1:%1/bane1.html").arg(port), &status);
        QCOMPARE(status, 200);
        QVERIFY(page.contains("<title>Pause Bane 1</title>"));
        // One line on standard output tells the load and its classes, once
        // the load is done (the pages above come before its last steps).
        QByteArray output;
        WAIT_VERIFY((output += process.readAllStandardOutput(), output.contains("Stævne indlæst: ")));
        QCOMPARE(process.state(), QProcess::Running);
        stop(process);
        output += process.readAllStandardOutput();
        const QStringList loaded = QString::fromLocal8Bit(output).split('\n').filter(QStringLiteral("Stævne indlæst: "));
        QCOMPARE(loaded.size(), 1);
        QVERIFY2(loaded.first().contains(QRegularExpression(": \\d+ klasser: 1 LA1 Dressur - A, ")), qPrintable(loaded.first()));
    }

    // A TERM, INT or HUP to this test while its program serves stops the
    // program and ends the test by that signal: this test runs once more, as
    // a child that starts the program serving and waits; the child is sent
    // the signal, and its program goes with it, port and all. Qt Test's own
    // handler, which would print a line of its own and fork a debugger from
    // within the signal, has no say.
    void signalStopsTheProgram_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("TERM") << int(SIGTERM);
        QTest::newRow("INT") << int(SIGINT);
        QTest::newRow("HUP") << int(SIGHUP);
    }
    void signalStopsTheProgram()
    {
        QFETCH(int, signal);
        if (qEnvironmentVariableIsSet("ZEP_PROGRAM_TEST_CHILD")) {
            QTemporaryDir dir;
            QProcess process;
            process.setWorkingDirectory(dir.path());
            process.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
            quint16 port = 0;
            QString error;
            QVERIFY2(startServing(process, dir, {{"app.server", "1"}}, &port, &error), qPrintable(error));
            std::printf("program %lld serving on %u\n", process.processId(), port);
            std::fflush(stdout);
            QVERIFY(!eventwait::program().wait([] { return false; }));
            QFAIL("no signal came");
        }
        // The child's folder, which its end leaves behind, goes into this test's.
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("ZEP_PROGRAM_TEST_CHILD", "1");
        environment.insert("TMPDIR", temp.path());
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::MergedChannels);
        const QString row = QStringLiteral("signalStopsTheProgram:") + QTest::currentDataTag();
        startInGroup(child, [&] { child.start(QCoreApplication::applicationFilePath(), {row}); });
        QByteArray said;
        const QRegularExpression serving("program (\\d+) serving on (\\d+)");
        QRegularExpressionMatch match;
        WAIT_VERIFY2((said += child.readAll(), match = serving.match(QString::fromLocal8Bit(said)),
                      match.hasMatch() || child.state() == QProcess::NotRunning),
                     said.constData());
        QVERIFY2(match.hasMatch(), ("the child's program does not serve: " + said).constData());
        const qint64 pid = match.captured(1).toLongLong();
        const quint16 port = quint16(match.captured(2).toUInt());
        QVERIFY(running(pid));

        QCOMPARE(::kill(pid_t(child.processId()), signal), 0);
        WAIT_VERIFY(child.state() == QProcess::NotRunning);
        said += child.readAll();
        QVERIFY2(child.exitStatus() == QProcess::CrashExit && child.exitCode() == signal,
                 ("the child did not end by the signal: " + said).constData());
        QVERIFY2(!said.contains("Received signal"), said.constData());
        WAIT_VERIFY2(!running(pid), "the program runs on");
        // Its first thread ends before the others, which close its files as
        // they go: on a busy machine the port is closed a little later.
        const auto listenedOn = [port] {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, port);
            return socket.waitForConnected(eventwait::limitMs);
        };
        WAIT_VERIFY2(!listenedOn(), "the program's port is still listened on");
    }
};

QTEST_GUILESS_MAIN(tst_Program)
#include "tst_program.moc"

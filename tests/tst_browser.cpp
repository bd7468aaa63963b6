// The pages of a whole competition as an arena screen shows them: the demo
// competition loaded through the main window, played on for a few rounds and
// scored on its championship sheets, its pages served by the station's own
// server with the stylesheet the station ships, and opened in headless
// Chromium (tests/pages_in_browser.py) at the screen sizes arenas use. An
// arena screen does not scroll, so a page wider than its window hides what
// is on its right (the total, the place); and no picture may be broken.
//
// The station's server listens on 127.0.0.1, on a port the system gives it.
// A signal that stops this program stops the browser helper, which stops
// Chromium (tests/ChildProcesses.h).

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

#include "app/MainWidget.h"
#include "demo/DemoCompetition.h"
#include "demo/DemoSimulator.h"
#include "driver/StandinDriver.h"
#include "publish/HttpDaemon.h"
#include "views/champ/ChampScoreTable.h"
#include "views/champ/ChampView.h"
#include "ChildProcesses.h"
#include "EventWait.h"
#include "StationFixture.h"

using namespace childprocs;
using namespace stationfx;

namespace {

const QStringList screenSizes{"1280x720", "1366x768", "1920x1080"};

// What the browser measured of one page at one size: scroll width, client
// width, style rules, images, broken pictures ("-" for none).
enum Field { ScrollWidth, ClientWidth, StyleRules, Images, Broken };

// Types `marks` into the score sheet, one row after another from `firstRow`
// for `rows` rows, as the operator would: each cell's text, then the edit
// reported.
void score(ChampView *view, int firstRow, int rows, int firstColumn, const QList<QStringList> &marks)
{
    ChampScoreTable *table = view->champTable;
    for (int r = firstRow; r < firstRow + rows && r < table->rowCount(); ++r) {
        const QStringList &texts = marks.at(r % marks.size());
        for (int i = 0; i < texts.size(); ++i) {
            table->setText(r, firstColumn + i, texts.at(i));
            emit table->valueChanged(r, firstColumn + i);
        }
    }
}

} // namespace

class tst_Browser : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_root;
    // The station's server on 127.0.0.1 and a port of the system's choice,
    // which no other program can take between choice and use.
    LoopbackServers m_loopback;
    std::unique_ptr<MainWidget> m_window;
    QString m_chromium, m_python;
    // "<page> <WxH>" to what was measured.
    QMap<QString, QStringList> m_measured;

    // Copies pages as they are now under names with `prefix` in front.
    bool keepAs(const QString &prefix, const QStringList &pages)
    {
        for (const QString &page : pages) {
            const QString copy = m_root + QLatin1Char('/') + prefix + page;
            QFile::remove(copy);
            if (!QFile::copy(m_root + QLatin1Char('/') + page, copy))
                return false;
        }
        return true;
    }

private slots:
    void initTestCase()
    {
        stopChildrenOnSignals();
        const QString chromium = qEnvironmentVariable("ZEP_CHROMIUM", QStringLiteral("/usr/bin/chromium"));
        QVERIFY2(QFileInfo(chromium).isExecutable(),
                 "Chromium is needed (the Debian package chromium, or ZEP_CHROMIUM naming the browser)");
        const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
        QVERIFY2(!python.isEmpty(), "python3 is needed");
        m_chromium = chromium;
        m_python = python;

        // The demo competition at its usual size, with the club logos an
        // operator keeps in the logo folder.
        standin::registerDriver();
        MainWidget::setHostLookup(ringsideHost);
        QDir::setCurrent(m_dir.path());
        const QString db = m_dir.filePath(QStringLiteral("demo.db"));
        QString error;
        QVERIFY2(standin::generateDemoCompetition(db, standin::DemoOptions(), &error), qPrintable(error));
        const QString logoDir = m_dir.filePath(QStringLiteral("logo"));
        QVERIFY2(standin::writeDemoClubLogos(logoDir, &error), qPrintable(error));

        m_root = m_dir.filePath(QStringLiteral("html"));
        QVERIFY(QDir().mkpath(m_root));
        QVERIFY(QFile::copy(QStringLiteral(ZEP_SOURCE_DIR "/scripts/ZEPLive.css"), m_root + "/ZEPLive.css"));
        const QString cfg = m_dir.filePath(QStringLiteral("appCfg.xml"));
        QVERIFY(writeSettings(cfg, {{"app.server", "1"},
                                    {"http.root", m_root},
                                    {"logo.dir", logoDir + QLatin1Char('/')},
                                    {"championat.show", "1"},
                                    {"bane.baseUrl", ""},
                                    {"database.update", "3600000"},
                                    {"database.driver", standin::driverName()},
                                    {"database.name", db}}));
        m_window = std::make_unique<MainWidget>(nullptr, cfg, QStringLiteral("main"));
        QVERIFY(m_window->httpServer() && m_window->httpServer()->isListening());
        m_window->showStaevne(standin::demoCompetitionId);
        QVERIFY(!m_window->viewKeys().isEmpty());
        // The eventing overview as loaded lists every starter still to finish.
        QVERIFY(keepAs(QStringLiteral("loaded_"), {"klasse8_A.html", "oversigt8_A.html"}));

        // A few rounds of riding, each followed by a tick of every view, so
        // that the pages show the last rider's block and running scores.
        {
            standin::DemoSimulator simulator(db);
            for (int round = 0; round < 3; ++round) {
                QVERIFY2(!simulator.step().isEmpty(), qPrintable(simulator.lastError()));
                for (const QString &key : m_window->viewKeys())
                    m_window->view(key)->timeOut();
            }
        }

        // The championship sheets: dressage marks half-way (kept as the
        // running class) and then for everyone, jumping style, faults, time.
        auto *dressage = qobject_cast<ChampView *>(m_window->view(QStringLiteral("4-A")));
        auto *jumping = qobject_cast<ChampView *>(m_window->view(QStringLiteral("7-A")));
        QVERIFY(dressage && jumping);
        const int rows = dressage->champTable->rowCount();
        QVERIFY(rows > 4);
        const QList<QStringList> dressageMarks{{"7,5", "8", "6,5", "7", "8,5", "0,5"},
                                               {"9", "8,5", "8", "8,5", "9"},
                                               {"6", "6,5", "5,5", "6", "7", "1"}};
        score(dressage, 0, rows / 2, 9, dressageMarks);
        QVERIFY(keepAs(QStringLiteral("running_"), {"klasse4_A.html", "rank4_A.html"}));
        score(dressage, rows / 2, rows, 9, dressageMarks);
        score(jumping, 0, jumping->champTable->rowCount(), 11, {{"8", "0,5", "71"}, {"7,5", "4", "69,25"}});

        // Every page the station wrote, each at every size.
        const QStringList pages = QDir(m_root).entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
        const QString base = QStringLiteral("http://127.0.0.1:%1/").arg(m_window->httpServer()->serverPort());
        QStringList args{QStringLiteral(ZEP_SOURCE_DIR "/tests/pages_in_browser.py"), QStringLiteral("--chromium"),
                         chromium};
        const QString shots = qEnvironmentVariable("ZEP_BROWSER_SHOTS"); // to look at the pages
        if (!shots.isEmpty())
            args << QStringLiteral("--shots") << shots;
        args << screenSizes.join(QLatin1Char(','));
        for (const QString &page : pages)
            args << base + page;
        // The server answers on a thread of its own while this one waits.
        QProcess browser;
        startInGroup(browser, [&] { browser.start(python, args); });
        QVERIFY2(browser.waitForFinished(150000), "the browser took too long");
        const QString errors = QString::fromUtf8(browser.readAllStandardError());
        QVERIFY2(browser.exitStatus() == QProcess::NormalExit && browser.exitCode() == 0, qPrintable(errors));

        for (const QString &line : QString::fromUtf8(browser.readAllStandardOutput()).split(QLatin1Char('\n'))) {
            const QStringList f = line.split(QLatin1Char('\t'));
            if (f.size() != 7)
                continue;
            m_measured.insert(f.at(1).mid(base.size()) + QLatin1Char(' ') + f.at(0), f.mid(2));
        }
        QCOMPARE(m_measured.size(), pages.size() * screenSizes.size());
    }

    void cleanupTestCase()
    {
        m_window.reset();
        QSqlDatabase::removeDatabase(QStringLiteral("ZEP"));
    }

    // Every kind of page is measured at every size: start and pause pages;
    // dressage result and ranking, Kur, team result and ranking; the
    // championship dressage running and finished, with their rankings;
    // jumping, championship jumping and its ranking; the eventing result,
    // overview, and overview as loaded; dressage with five judges; the
    // waiting list.
    void everyPageKind()
    {
        for (const char *page : {"index.html", "klasse0_1.html", "klasse1_A.html", "rank1_A.html", "klasse2_A.html",
                                 "klasse3_A.html", "rank3_A.html", "running_klasse4_A.html", "running_rank4_A.html",
                                 "klasse4_A.html", "rank4_A.html", "klasse5_A.html", "klasse7_A.html", "rank7_A.html",
                                 "klasse8_A.html", "oversigt8_A.html", "loaded_oversigt8_A.html", "klasse9_A.html",
                                 "klasse2_V.html"})
            for (const QString &size : screenSizes)
                QVERIFY2(m_measured.contains(QLatin1String(page) + QLatin1Char(' ') + size), page);
    }

    void pageFitsItsWindow_data()
    {
        QTest::addColumn<QString>("key");
        for (const QString &key : m_measured.keys())
            QTest::newRow(qPrintable(key)) << key;
    }
    void pageFitsItsWindow()
    {
        QFETCH(QString, key);
        const QStringList m = m_measured.value(key);
        QVERIFY2(m[StyleRules].toInt() > 0, "the stylesheet did not load");
        QVERIFY2(m[ScrollWidth].toInt() <= m[ClientWidth].toInt(),
                 qPrintable(QStringLiteral("%1 px wide in a window of %2 px").arg(m[ScrollWidth], m[ClientWidth])));
        QVERIFY2(m[Broken] == QLatin1String("-"), qPrintable(QStringLiteral("pictures not loaded: ") + m[Broken]));
    }

    // A signal that stops the browser helper stops Chromium with it: every
    // process of the browser's session has gone once the helper has, here
    // while a page is being loaded from a server that never answers, and
    // the browser's profile and temporary folder are removed. The helper's
    // TMPDIR is longer than a socket's path may be: the browser gets a
    // temporary folder of a short path all the same, and starts.
    void signalStopsTheBrowser_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("TERM") << int(SIGTERM);
        QTest::newRow("HUP") << int(SIGHUP);
    }
    void signalStopsTheBrowser()
    {
        QFETCH(int, signal);
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const QString tmp = temp.filePath(QString(100, QLatin1Char('t')));
        QVERIFY(QDir().mkpath(tmp));
        QProcess helper;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TMPDIR"), tmp);
        helper.setProcessEnvironment(environment);
        startInGroup(helper, [&] {
            helper.start(m_python, {QStringLiteral(ZEP_SOURCE_DIR "/tests/pages_in_browser.py"),
                                    QStringLiteral("--chromium"), m_chromium, QStringLiteral("1280x720"),
                                    QStringLiteral("http://127.0.0.1:%1/").arg(silent.serverPort())});
        });
        WAIT_VERIFY2(silent.hasPendingConnections() || helper.state() == QProcess::NotRunning,
                     "the browser asked for no page");
        QVERIFY2(silent.hasPendingConnections(), helper.readAllStandardError().constData());
        // The browser is the helper's child, the leader of a session of its own.
        qint64 session = 0;
        const QMap<qint64, Proc> all = processes();
        for (auto it = all.cbegin(); it != all.cend(); ++it)
            if (it->parent == helper.processId() && it->session == it.key())
                session = it.key();
        QVERIFY2(session > 0, "no browser found below the helper");
        auto browserRuns = [session] {
            const QMap<qint64, Proc> now = processes();
            for (auto it = now.cbegin(); it != now.cend(); ++it)
                if (it->session == session && it->state != 'Z')
                    return true;
            return false;
        };
        QVERIFY(browserRuns());
        // Its sockets go into its TMPDIR, 107 bytes at most with their names.
        QString browserTmp;
        for (const QByteArray &variable : readFile(QStringLiteral("/proc/%1/environ").arg(session)).split('\0'))
            if (variable.startsWith("TMPDIR="))
                browserTmp = QFile::decodeName(variable.mid(7));
        QVERIFY2(!browserTmp.isEmpty() && browserTmp.size() <= 40 && QFileInfo(browserTmp).isDir(),
                 qPrintable(browserTmp));

        QCOMPARE(::kill(pid_t(helper.processId()), signal), 0);
        WAIT_VERIFY(helper.state() == QProcess::NotRunning);
        QCOMPARE(helper.exitStatus(), QProcess::CrashExit);
        QCOMPARE(helper.exitCode(), signal);
        WAIT_VERIFY2(!browserRuns(), "the browser runs on");
        QCOMPARE(QDir(tmp).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
        QVERIFY2(!QFileInfo::exists(browserTmp), qPrintable(browserTmp));
    }

    // The club logos are shown, in the team ranking too.
    void clubLogosShow()
    {
        for (const char *page : {"rank3_A.html 1280x720", "klasse1_A.html 1280x720"})
            QVERIFY(m_measured.value(QLatin1String(page)).value(Images).toInt() > 0);
    }
};

QTEST_MAIN(tst_Browser)
#include "tst_browser.moc"

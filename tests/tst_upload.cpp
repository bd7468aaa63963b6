// Uploads to the public results server, against the stand-in receiver on
// 127.0.0.1: the multipart request as the server expects it, pictures in
// base64 lines, the "Sendt til internettet" stamp, versions of a file in
// order, a new competition's load, and supervision: a server that refuses,
// fails or hangs costs one try at a time, one line and at most one restart
// per watchdog round, and gets every file in its latest version once it is
// back. The tests drive the supervision by its events: the receiver answers
// on cue, the watchdog's clock and rounds and the retry belong to the test.
#include <QCheckBox>
#include <QSet>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <limits>
#include <numeric>

#include "publish/Setup.h"
#include "demo/DemoCompetition.h"
#include "driver/StandinDriver.h"
#include "receiver/UploadReceiver.h"
#include "ChildProcesses.h"
#include "EventWait.h"
#include "StationFixture.h"

namespace {
// Counts what Qt itself warns from its making until stop(), so a warning
// repeated per request shows. Its end stops it too: a test that fails half
// way leaves no counter behind, which the next one would make its own
// previous handler and call without end.
class QtWarnings
{
public:
    QtWarnings()
    {
        s_count = 0;
        s_previous = qInstallMessageHandler(count);
    }
    ~QtWarnings() { stop(); }
    Q_DISABLE_COPY(QtWarnings)

    int stop()
    {
        if (m_counting)
            qInstallMessageHandler(s_previous);
        m_counting = false;
        return s_count;
    }

private:
    static void count(QtMsgType type, const QMessageLogContext &context, const QString &text)
    {
        if (type == QtWarningMsg)
            ++s_count;
        s_previous(type, context, text);
    }
    static inline int s_count = 0;
    static inline QtMessageHandler s_previous = nullptr;
    bool m_counting = true;
};
} // namespace

class tst_Upload : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    void writePage(const QString &name, const QByteArray &content)
    {
        QVERIFY(stationfx::writeFile(m_dir.filePath(name), content));
    }
    // Settings for uploads from the test directory to `receiver`.
    void configure(appConfig &cfg, standin::UploadReceiver &receiver, const QString &state = "1")
    {
        QVERIFY(receiver.listen());
        cfg.setValue("upload.state", state);
        cfg.setValue("upload.server", QStringLiteral("127.0.0.1:%1").arg(receiver.port()));
        cfg.setValue("http.root", m_dir.path());
    }

    // The test runs the supervision: the watchdog's clock is m_now, its
    // rounds come from the test, and a failing server is tried again when
    // the test fires the retry timer (its wait, an hour at first, never
    // runs out during a test).
    qint64 m_now = 1'700'000'000'000;
    static constexpr int backoffBase = 3600 * 1000;
    void supervise(Setup &setup)
    {
        setup.setClock([this]() { return m_now; });
        setup.setWatchdogInterval(std::numeric_limits<int>::max());
        setup.setBackoff(backoffBase, 4 * backoffBase);
    }
    static QTimer *retryTimer(Setup &setup) { return setup.findChild<QTimer *>("uploadRetry"); }
    static inline const QString restartLine = QStringLiteral("Forbindelsen til resultatserveren genstartes");
    // The restarts' lines, each after the line's common start.
    static QStringList restartReasons(const QSignalSpy &log)
    {
        QStringList reasons;
        for (const auto &args : log)
            if (args.at(1).toString().startsWith(restartLine))
                reasons << args.at(1).toString().mid(restartLine.size());
        return reasons;
    }
    static int restartCount(const QSignalSpy &log)
    {
        int count = 0;
        for (const auto &args : log)
            count += args.at(1).toString().startsWith(restartLine) ? 1 : 0;
        return count;
    }
    static QList<bool> internetStates(const QSignalSpy &internet)
    {
        QList<bool> states;
        for (const auto &args : internet)
            states << args.at(0).toBool();
        return states;
    }
    // The sections whose "Sendt til internettet" holds a time, as "<nr>-<section>".
    static QStringList stamped(const Setup &setup)
    {
        QStringList rows;
        for (int bane : {1, 2}) {
            QTreeWidget *list = setup.classList(bane);
            for (int i = 0; list && i < list->topLevelItemCount(); ++i) {
                const QTreeWidgetItem *row = list->topLevelItem(i);
                if (row->text(6).isEmpty())
                    continue;
                const bool time = QTime::fromString(row->text(6), "hh:mm:ss").isValid();
                rows << row->text(2) + QLatin1Char('-') + row->text(3) + (time ? QString() : QStringLiteral(" no time"));
            }
        }
        return rows;
    }

private slots:
    // A signal ends this program at once (tests/ChildProcesses.h).
    void initTestCase() { childprocs::stopChildrenOnSignals(); }

    // Switched off nothing is sent; switched on in the tab, the connection
    // is made and files go as the server expects, a missing one not at all.
    void deliveredAsTheServerExpects()
    {
        standin::UploadReceiver receiver;
        appConfig cfg(nullptr, "unused.xml");
        configure(cfg, receiver, "0");
        writePage("klasse4_B.html", "<html>result \"4\" & more</html>");
        writePage("klasse4_B.json", "{}");
        Setup setup(&cfg, nullptr, "Server");
        setup.uploadFile("html/klasse4_B.html", QString());
        QCOMPARE(setup.pendingUploads() + setup.waitingUploads(), 0);
        setup.findChild<QCheckBox *>("uploadBox")->setChecked(true);
        QSignalSpy log(&setup, &Setup::logMessage);
        setup.uploadFile("html/missing.html", QString());
        QCOMPARE(setup.pendingUploads() + setup.waitingUploads(), 0);
        QCOMPARE(log.last().at(0).toInt(), 2);
        QCOMPARE(log.last().at(1).toString(), QStringLiteral("File not found %1\n").arg(m_dir.filePath("missing.html")));
        QSignalSpy internet(&setup, &Setup::internetError);

        setup.uploadFile("html/klasse4_B.html", "bane2.html");
        WAIT_VERIFY(!internet.isEmpty());
        QCOMPARE(internet.last().at(0).toBool(), false);
        const auto upload = receiver.uploads().first();
        QCOMPARE(upload.path, QStringLiteral("/upload_staevne.php"));
        QCOMPARE(upload.boundary, QByteArray("AaB03x"));
        QCOMPARE(upload.fileName, QStringLiteral("bane2.html"));
        QCOMPARE(upload.content, QByteArray("<html>result \"4\" & more</html>"));

        // A class goes under its own names and stamps its row, not the pause row.
        setup.addClass(1, "LA4 B", "4", "B", "Lørdag");
        WAIT_COMPARE(internet.count(), 3);
        QCOMPARE(receiver.latest("klasse4_B.json"), QByteArray("{}"));
        QVERIFY(QTime::fromString(setup.classList(1)->topLevelItem(1)->text(6), "hh:mm:ss").isValid());
        QVERIFY(setup.classList(1)->topLevelItem(0)->text(6).isEmpty());
    }

    void picturesInBase64Lines_data()
    {
        QTest::addColumn<int>("bytes");
        QTest::addColumn<QList<int>>("lines"); // lengths of the lines, in order
        QTest::newRow("one short line") << 1 << QList<int>{4};
        QTest::newRow("one full line") << 57 << QList<int>{76};
        QTest::newRow("full line and a short one") << 58 << QList<int>{76, 4};
        QTest::newRow("two full lines") << 114 << QList<int>{76, 76};
        QTest::newRow("three full lines and a short one") << 200 << QList<int>{76, 76, 76, 40};
    }
    void picturesInBase64Lines()
    {
        // Pictures go as base64 text: a line feed after every 76 characters,
        // none after a shorter last line.
        QFETCH(int, bytes);
        QFETCH(QList<int>, lines);
        const bool lineFeedAtEnd = lines.last() == 76;
        standin::UploadReceiver receiver;
        appConfig cfg(nullptr, "unused.xml");
        configure(cfg, receiver);
        QByteArray picture(bytes, 0);
        std::iota(picture.begin(), picture.end(), char(7));
        writePage("123.png", picture);
        Setup setup(&cfg, nullptr, "Server");

        setup.uploadBinFile("html/123.png", QString());
        WAIT_VERIFY(!receiver.latest("123.png").isEmpty());
        const QByteArray sent = receiver.latest("123.png");
        QCOMPARE(sent.endsWith('\n'), lineFeedAtEnd);
        QList<qsizetype> lengths;
        for (const QByteArray &line : sent.split('\n'))
            lengths << line.size();
        if (lineFeedAtEnd)
            lengths.removeLast(); // the empty text after the last line feed
        QCOMPARE(lengths, QList<qsizetype>(lines.begin(), lines.end()));
        QCOMPARE(QByteArray::fromBase64(QByteArray(sent).replace('\n', ""), QByteArray::AbortOnBase64DecodingErrors),
                 picture);
    }

    // A server that refuses, fails or hangs: once it is known to be down it
    // is tried with one file at a time, each wait twice the one before up
    // to the limit; the outage writes one line however long it lasts, a
    // watchdog round restarts at most once, and Qt has nothing to warn
    // about. Files rewritten meanwhile replace what waits, and once the
    // server is back every file arrives in its latest version.
    void failingServerIsTriedOneFileAtATime_data()
    {
        QTest::addColumn<int>("trouble");
        QTest::newRow("refuses") << 0;
        QTest::newRow("fails") << 1;
        QTest::newRow("hangs") << 2;
    }
    void failingServerIsTriedOneFileAtATime()
    {
        QFETCH(int, trouble);
        standin::UploadReceiver receiver;
        appConfig cfg(nullptr, "unused.xml");
        configure(cfg, receiver);
        const quint16 port = receiver.port();
        cfg.setValue("upload.maxDelay", "1");
        if (trouble == 0)
            receiver.refuse();
        else
            receiver.setMode(trouble == 1 ? standin::UploadReceiver::Mode::Fail : standin::UploadReceiver::Mode::Hang,
                             503);
        Setup setup(&cfg, nullptr, "Server");
        supervise(setup);
        QTimer *retry = retryTimer(setup);
        QSignalSpy log(&setup, &Setup::logMessage);
        QSignalSpy internet(&setup, &Setup::internetError);
        QList<int> sentPerTry; // requests on their way right after each try
        connect(retry, &QTimer::timeout, this, [&]() { sentPerTry << setup.pendingUploads(); });
        QtWarnings warnings;
        int rounds = 0;
        // The server's trouble shows: a stuck request when the watchdog finds
        // it, a failure when it is answered or refused.
        const auto troubleShows = [&]() {
            if (trouble == 2) {
                // Everything on its way has arrived, so nothing straggles in
                // after the restart has dropped it.
                WAIT_VERIFY(setup.pendingUploads() > 0);
                WAIT_COMPARE(receiver.held().size(), setup.pendingUploads());
                m_now += 1001;
            } else {
                WAIT_COMPARE(setup.pendingUploads(), 0);
            }
            setup.watchdog();
            ++rounds;
            // A restart has dropped what hung.
            WAIT_VERIFY(receiver.held().isEmpty());
        };

        for (int i = 0; i < 20; ++i) {
            writePage(QStringLiteral("klasse%1_A.html").arg(i), "old " + QByteArray::number(i));
            setup.uploadFile(QStringLiteral("html/klasse%1_A.html").arg(i), QString());
        }
        troubleShows();
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(setup.pendingUploads(), 0);
        QCOMPARE(setup.waitingUploads(), 20);
        // Files rewritten while the server is away replace what waits, and
        // go no sooner than the next try.
        for (int i = 0; i < 20; i += 2) {
            writePage(QStringLiteral("klasse%1_A.html").arg(i), "new " + QByteArray::number(i));
            setup.uploadFile(QStringLiteral("html/klasse%1_A.html").arg(i), QString());
        }
        QCOMPARE(setup.pendingUploads(), 0);
        QCOMPARE(setup.waitingUploads(), 20);

        for (int attempt = 0; attempt < 4; ++attempt) {
            QVERIFY(retry->isActive());
            QCOMPARE(retry->interval(), qMin(backoffBase << attempt, 4 * backoffBase));
            const int requests = receiver.requestCount();
            const int failures = internet.count();
            retry->start(0);
            if (trouble != 2)
                WAIT_COMPARE(internet.count(), failures + 1);
            troubleShows();
            if (QTest::currentTestFailed())
                return;
            QCOMPARE(receiver.requestCount() - requests, trouble == 0 ? 0 : 1);
            QCOMPARE(setup.waitingUploads() + setup.pendingUploads(), 20);
        }
        QCOMPARE(sentPerTry, QList<int>(4, 1));
        int downLines = 0;
        int restarts = 0;
        for (const auto &args : std::as_const(log)) {
            const QString text = args.at(1).toString();
            if (text.startsWith(QLatin1String("Upload file called")))
                continue;
            if (text.startsWith(restartLine))
                ++restarts;
            else if (args.at(0).toInt() == 1 && text.startsWith(QLatin1String("Resultatserveren")))
                ++downLines;
            else
                QFAIL(qPrintable(QStringLiteral("unexpected line during the outage: ") + text));
        }
        QCOMPARE(downLines, 1);
        QVERIFY2(restarts >= 1 && restarts <= rounds, qPrintable(QString::number(restarts)));
        for (const bool failed : internetStates(internet))
            QVERIFY(failed);

        // The server returns: every file arrives in its latest version.
        if (trouble == 0)
            QVERIFY(receiver.listen(port));
        receiver.setMode(standin::UploadReceiver::Mode::Accept);
        retry->start(0);
        for (int i = 0; i < 20; ++i) {
            const QByteArray latest = (i % 2 ? "old " : "new ") + QByteArray::number(i);
            WAIT_COMPARE(receiver.latest(QStringLiteral("klasse%1_A.html").arg(i)), latest);
        }
        WAIT_COMPARE(setup.waitingUploads() + setup.pendingUploads(), 0);
        QCOMPARE(warnings.stop(), 0);
        QCOMPARE(receiver.overlaps(), 0);
    }

    // Versions of one file reach the server in order: a newer one waits
    // while an older one is on its way, and an older one that fails or is
    // dropped at a restart never takes the place of a newer one waiting.
    void versionsOfOneFileInOrder_data()
    {
        QTest::addColumn<bool>("restart");
        QTest::newRow("older one fails") << false;
        QTest::newRow("older one dropped at a restart") << true;
    }
    void versionsOfOneFileInOrder()
    {
        QFETCH(bool, restart);
        standin::UploadReceiver receiver;
        appConfig cfg(nullptr, "unused.xml");
        configure(cfg, receiver);
        cfg.setValue("upload.maxDelay", "1");
        receiver.setMode(standin::UploadReceiver::Mode::Hang);
        Setup setup(&cfg, nullptr, "Server");
        supervise(setup);
        QSignalSpy internet(&setup, &Setup::internetError);
        const auto version = [&](const QByteArray &content) {
            writePage("klasse3_A.html", content);
            setup.uploadFile("html/klasse3_A.html", "bane1.html");
        };

        version("v1");
        WAIT_COMPARE(receiver.held(), QStringList{"bane1.html"});
        version("v2");
        QCOMPARE(setup.pendingUploads(), 1);
        QCOMPARE(setup.waitingUploads(), 1);
        receiver.answerHeld(standin::UploadReceiver::Mode::Accept);
        WAIT_COMPARE(receiver.held(), QStringList{"bane1.html"});
        QCOMPARE(receiver.arrivals().last().content, QByteArray("v2"));
        version("v3");
        version("v4");
        QCOMPARE(setup.pendingUploads(), 1);
        QCOMPARE(setup.waitingUploads(), 1);
        if (restart) {
            m_now += 1001;
            setup.watchdog();
            WAIT_VERIFY(receiver.held().isEmpty());
        } else {
            receiver.answerHeld(standin::UploadReceiver::Mode::Fail, 503);
            WAIT_COMPARE(internetStates(internet), (QList<bool>{false, true}));
        }
        QCOMPARE(setup.pendingUploads(), 0);
        QCOMPARE(setup.waitingUploads(), 1);

        receiver.setMode(standin::UploadReceiver::Mode::Accept);
        retryTimer(setup)->start(0);
        WAIT_COMPARE(setup.waitingUploads() + setup.pendingUploads(), 0);
        QStringList taken;
        for (const auto &upload : receiver.uploads())
            taken << QString::fromLatin1(upload.content);
        QCOMPARE(taken, (QStringList{"v1", "v4"}));
        QCOMPARE(receiver.overlaps(), 0);
    }

    // The watchdog restarts the connection when a request has waited longer
    // than "upload.maxDelay" seconds, not when it has waited exactly that;
    // the restart sends the stuck file again, and every page the server had.
    void stuckRequestRestartsAfterMaxDelay_data()
    {
        QTest::addColumn<QString>("maxDelay"); // empty: not set
        QTest::addColumn<int>("seconds");
        QTest::newRow("default") << QString() << 300;
        QTest::newRow("one second") << "1" << 1;
        QTest::newRow("ninety seconds") << "90" << 90;
    }
    void stuckRequestRestartsAfterMaxDelay()
    {
        QFETCH(QString, maxDelay);
        QFETCH(int, seconds);
        standin::UploadReceiver receiver;
        appConfig cfg(nullptr, "unused.xml");
        configure(cfg, receiver);
        if (!maxDelay.isEmpty())
            cfg.setValue("upload.maxDelay", maxDelay);
        Setup setup(&cfg, nullptr, "Server");
        supervise(setup);
        QSignalSpy internet(&setup, &Setup::internetError);
        QSignalSpy log(&setup, &Setup::logMessage);
        writePage("klasse1_A.html", "taken");
        setup.uploadFile("html/klasse1_A.html", QString());
        WAIT_VERIFY(!internet.isEmpty());
        receiver.setMode(standin::UploadReceiver::Mode::Hang);
        writePage("klasse2_A.html", "stuck");
        setup.uploadFile("html/klasse2_A.html", QString());
        WAIT_COMPARE(receiver.held(), QStringList{"klasse2_A.html"});

        m_now += qint64(seconds) * 1000;
        setup.watchdog();
        QCOMPARE(restartCount(log), 0);
        QCOMPARE(setup.pendingUploads(), 1);
        m_now += 1;
        setup.watchdog();
        QCOMPARE(restartCount(log), 1);
        QCOMPARE(setup.pendingUploads(), 0);
        QCOMPARE(setup.waitingUploads(), 2);
        WAIT_VERIFY(receiver.held().isEmpty());

        receiver.setMode(standin::UploadReceiver::Mode::Accept);
        retryTimer(setup)->start(0);
        WAIT_COMPARE(setup.waitingUploads() + setup.pendingUploads(), 0);
        QCOMPARE(receiver.latest("klasse2_A.html"), QByteArray("stuck"));
        QStringList taken;
        for (const auto &upload : receiver.uploads())
            taken << upload.fileName;
        taken.sort();
        QCOMPARE(taken, (QStringList{"klasse1_A.html", "klasse1_A.html", "klasse2_A.html"}));
    }

    // The count of failed requests must pass "upload.restart" (default 3)
    // before a watchdog round restarts the connection, and no request may
    // be on its way; the restart counts afresh. The log says how many
    // failed in a row.
    void restartAfterFailuresPastTheLimit_data()
    {
        QTest::addColumn<QString>("limit"); // empty: not set
        QTest::addColumn<int>("restartAt"); // the failure after which a round restarts
        QTest::newRow("default") << QString() << 4;
        QTest::newRow("three") << "3" << 4;
        QTest::newRow("one") << "1" << 2;
        QTest::newRow("none") << "0" << 1;
    }
    void restartAfterFailuresPastTheLimit()
    {
        QFETCH(QString, limit);
        QFETCH(int, restartAt);
        standin::UploadReceiver receiver;
        appConfig cfg(nullptr, "unused.xml");
        configure(cfg, receiver);
        if (!limit.isEmpty())
            cfg.setValue("upload.restart", limit);
        receiver.setMode(standin::UploadReceiver::Mode::Fail, 503);
        Setup setup(&cfg, nullptr, "Server");
        supervise(setup);
        QSignalSpy internet(&setup, &Setup::internetError);
        QSignalSpy log(&setup, &Setup::logMessage);
        writePage("klasse1_A.html", "page");
        setup.uploadFile("html/klasse1_A.html", QString());
        for (int failure = 1; failure <= restartAt; ++failure) {
            if (failure > 1)
                retryTimer(setup)->start(0);
            WAIT_COMPARE(internet.count(), failure);
            QCOMPARE(internet.last().at(0).toBool(), true);
            QCOMPARE(setup.pendingUploads(), 0);
            setup.watchdog();
            QCOMPARE(restartCount(log), failure == restartAt ? 1 : 0);
        }
        setup.watchdog();
        QCOMPARE(restartCount(log), 1);
        QCOMPARE(setup.waitingUploads(), 1);

        // Past the limit again, but a try is on its way: the round leaves it
        // alone (aborting requests whose failure is under way makes Qt warn
        // once per request) and the first round after its answer restarts.
        for (int failure = 1; failure <= restartAt; ++failure) {
            retryTimer(setup)->start(0);
            WAIT_COMPARE(internet.count(), restartAt + failure);
            if (failure < restartAt) {
                setup.watchdog();
                QCOMPARE(restartCount(log), 1);
            }
        }
        receiver.setMode(standin::UploadReceiver::Mode::Hang);
        retryTimer(setup)->start(0);
        WAIT_COMPARE(receiver.held().size(), 1);
        setup.watchdog();
        QCOMPARE(restartCount(log), 1);
        QCOMPARE(setup.pendingUploads(), 1);
        receiver.answerHeld(standin::UploadReceiver::Mode::Fail, 503);
        WAIT_COMPARE(internet.count(), 2 * restartAt + 1);
        setup.watchdog();
        QCOMPARE(restartCount(log), 2);
        QCOMPARE(receiver.requestCount(), 2 * restartAt + 1);
        auto failures = [](int n) {
            return n == 1 ? QStringLiteral(": 1 mislykket overførsel") : QStringLiteral(": %1 mislykkede overførsler").arg(n);
        };
        QCOMPARE(restartReasons(log), QStringList({failures(restartAt), failures(restartAt + 1)}));
    }

    // A section's upload stamps "Sendt til internettet" in that section's
    // row only, also when it goes under the arena's name; a failed upload
    // stamps nothing, and neither does one of the competition loaded before
    // that the server takes after the load.
    void sentStampsOnlyItsSection()
    {
        standin::UploadReceiver receiver;
        appConfig cfg(nullptr, "unused.xml");
        configure(cfg, receiver);
        const QString root = m_dir.filePath("stamps");
        cfg.setValue("http.root", root);
        const auto writePage = [&root](const QString &name, const QByteArray &content) {
            QVERIFY(stationfx::writeFile(root + QLatin1Char('/') + name, content));
        };
        Setup setup(&cfg, nullptr, "Server");
        supervise(setup);
        QSignalSpy internet(&setup, &Setup::internetError);
        // Registered before their files exist, so registering sends nothing.
        setup.addClass(1, "LA1 A", "4", "A", "Lørdag");
        setup.addClass(1, "LA1 B", "4", "B", "Lørdag");
        setup.addClass(1, "LA9 B", "14", "B", "Lørdag");
        setup.addClass(2, "LB B", "41", "B", "Søndag");
        QCOMPARE(setup.waitingUploads() + setup.pendingUploads(), 0);

        writePage("klasse4_B.html", "4 B");
        setup.uploadFile("html/klasse4_B.html", "bane1.html");
        WAIT_VERIFY(!internet.isEmpty());
        QCOMPARE(internetStates(internet), QList<bool>{false});
        QCOMPARE(stamped(setup), QStringList{"4-B"});

        // Another competition is loaded while a file of the first is on its way.
        receiver.setMode(standin::UploadReceiver::Mode::Hang);
        writePage("klasse14_B.html", "first competition");
        setup.uploadFile("html/klasse14_B.html", QString());
        WAIT_COMPARE(receiver.held(), QStringList{"klasse14_B.html"});
        setup.forgetUploads();
        setup.clearClasses();
        QVERIFY(QFile::remove(root + "/klasse14_B.html"));
        setup.addClass(1, "LA9 B", "14", "B", "Søndag");
        receiver.answerHeld(standin::UploadReceiver::Mode::Accept);
        WAIT_COMPARE(internetStates(internet), (QList<bool>{false, false}));
        QCOMPARE(receiver.latest("klasse14_B.html"), QByteArray("first competition"));
        QCOMPARE(stamped(setup), QStringList());

        receiver.setMode(standin::UploadReceiver::Mode::Fail, 503);
        writePage("klasse14_B.html", "second competition");
        setup.uploadFile("html/klasse14_B.html", QString());
        WAIT_COMPARE(internetStates(internet), (QList<bool>{false, false, true}));
        QCOMPARE(stamped(setup), QStringList());
    }

    // Another competition is loaded while the server is away: nothing of
    // the first one reaches it afterwards, neither what waited, nor what
    // was on its way and failed, nor, at a restart, what it had taken.
    void forgottenCompetitionIsNotSent()
    {
        standin::UploadReceiver receiver;
        appConfig cfg(nullptr, "unused.xml");
        configure(cfg, receiver);
        const quint16 port = receiver.port();
        Setup setup(&cfg, nullptr, "Server");
        supervise(setup);
        QSignalSpy internet(&setup, &Setup::internetError);
        writePage("klasse1_A.html", "first");
        setup.uploadFile("html/klasse1_A.html", "bane1.html");
        // The station has its answer before the next upload goes: one still
        // on its way makes the network manager open a second connection,
        // which it keeps and uses for the upload after the refusal.
        WAIT_COMPARE(internetStates(internet), QList<bool>{false});
        QCOMPARE(receiver.latest("bane1.html"), QByteArray("first"));
        receiver.setMode(standin::UploadReceiver::Mode::Hang);
        writePage("klasse2_A.html", "first two");
        setup.uploadFile("html/klasse2_A.html", "bane2.html");
        WAIT_COMPARE(receiver.held(), QStringList{"bane2.html"});
        receiver.refuse();
        setup.uploadFile("html/klasse2_A.html", "bane3.html");
        WAIT_COMPARE(internetStates(internet), (QList<bool>{false, true}));
        QCOMPARE(setup.waitingUploads(), 1);

        setup.forgetUploads();
        QCOMPARE(setup.waitingUploads(), 0);
        receiver.answerHeld(standin::UploadReceiver::Mode::Fail, 503);
        WAIT_COMPARE(internet.count(), 3);
        QCOMPARE(setup.waitingUploads() + setup.pendingUploads(), 0);
        QVERIFY(receiver.listen(port));
        receiver.setMode(standin::UploadReceiver::Mode::Accept);
        writePage("klasse9_A.html", "second");
        setup.uploadFile("html/klasse9_A.html", QString());
        retryTimer(setup)->start(0);
        WAIT_COMPARE(receiver.latest("klasse9_A.html"), QByteArray("second"));
        // A failure past "upload.restart" restarts the connection, which
        // sends again what the server had taken: only the second one's.
        cfg.setValue("upload.restart", "0");
        receiver.setMode(standin::UploadReceiver::Mode::Fail, 503);
        writePage("klasse9_A.html", "second again");
        setup.uploadFile("html/klasse9_A.html", QString());
        WAIT_COMPARE(internet.count(), 5);
        setup.watchdog();
        QCOMPARE(setup.waitingUploads(), 1);
        receiver.setMode(standin::UploadReceiver::Mode::Accept);
        retryTimer(setup)->start(0);
        WAIT_COMPARE(receiver.latest("klasse9_A.html"), QByteArray("second again"));
        WAIT_COMPARE(setup.waitingUploads() + setup.pendingUploads(), 0);
        QVERIFY(receiver.latest("bane2.html").isEmpty());
        QVERIFY(receiver.latest("bane3.html").isEmpty());
        int firstSent = 0;
        for (const auto &upload : receiver.uploads())
            firstSent += upload.fileName == QLatin1String("bane1.html") ? 1 : 0;
        QCOMPARE(firstSent, 1);
    }

    // The operator switches uploading off while files wait for a server
    // that is away: they are dropped, and switched on again the tab sends
    // only what it is given from then on.
    void switchedOffDropsWhatWaits()
    {
        standin::UploadReceiver receiver;
        appConfig cfg(nullptr, "unused.xml");
        configure(cfg, receiver);
        const quint16 port = receiver.port();
        receiver.refuse();
        Setup setup(&cfg, nullptr, "Server");
        supervise(setup);
        QSignalSpy internet(&setup, &Setup::internetError);
        writePage("klasse1_A.html", "before");
        setup.uploadFile("html/klasse1_A.html", QString());
        WAIT_VERIFY(!internet.isEmpty());
        QCOMPARE(setup.waitingUploads(), 1);

        auto *box = setup.findChild<QCheckBox *>("uploadBox");
        box->setChecked(false);
        QCOMPARE(cfg.getValue("upload.state", "?"), QStringLiteral("0"));
        QCOMPARE(setup.waitingUploads() + setup.pendingUploads(), 0);
        setup.uploadFile("html/klasse1_A.html", QString());
        QCOMPARE(setup.waitingUploads() + setup.pendingUploads(), 0);

        QVERIFY(receiver.listen(port));
        box->setChecked(true);
        writePage("klasse2_A.html", "after");
        setup.uploadFile("html/klasse2_A.html", QString());
        WAIT_COMPARE(setup.waitingUploads() + setup.pendingUploads(), 0);
        QCOMPARE(internetStates(internet), (QList<bool>{true, false}));
        QCOMPARE(receiver.arrivals().size(), 1);
        QCOMPARE(receiver.latest("klasse2_A.html"), QByteArray("after"));
    }

    // A competition is loaded while the results server refuses or hangs,
    // then another: once the server answers again, every file it gets is
    // one the second load handed over, and no class document names the
    // first competition.
    void loadWhileServerDown_data()
    {
        QTest::addColumn<bool>("hangs");
        QTest::newRow("refuses") << false;
        QTest::newRow("hangs") << true;
    }
    void loadWhileServerDown()
    {
        QFETCH(bool, hangs);
        standin::registerDriver();
        MainWidget::setHostLookup(stationfx::ringsideHost);
        const QString demo = m_dir.filePath("demo.db");
        if (!QFile::exists(demo)) {
            standin::DemoOptions options;
            options.small = true;
            QString error;
            QVERIFY2(standin::generateDemoCompetition(demo, options, &error), qPrintable(error));
        }
        standin::UploadReceiver receiver;
        QVERIFY(receiver.listen());
        const quint16 port = receiver.port();
        if (hangs)
            receiver.setMode(standin::UploadReceiver::Mode::Hang);
        else
            receiver.refuse();
        const QString out = m_dir.filePath(hangs ? "load-hangs" : "load-refuses");
        const QString settings = out + "/appCfg.xml";
        QVERIFY(QDir().mkpath(out));
        QDir::setCurrent(out); // the station's relative folders (logos) go there
        QVERIFY(stationfx::writeSettings(settings, {{"debug.show", "1"},
                                                    {"bane.baseUrl", ""},
                                                    {"database.update", "3600000"},
                                                    {"database.driver", standin::driverName()},
                                                    {"database.name", demo},
                                                    {"http.root", out + "/html"},
                                                    {"upload.state", "1"},
                                                    {"upload.server", QStringLiteral("127.0.0.1:%1").arg(port)}}));
        {
            MainWidget window(nullptr, settings, "main");
            Setup *setup = window.setupTab();
            supervise(*setup);
            QStringList handed; // what the second load hands to the upload
            connect(setup, &Setup::logMessage, this, [&handed](int level, const QString &text) {
                if (level == 2 && text.startsWith(QLatin1String("Upload file called ")))
                    handed << text;
            });
            window.showStaevne(standin::demoCompetitionId);
            QVERIFY(!handed.isEmpty());
            // What went on its way before the next load has arrived (the
            // network takes six requests to one server at a time).
            if (hangs)
                WAIT_COMPARE(receiver.held().size(), qMin(setup->pendingUploads(), 6));
            const qsizetype before = receiver.arrivals().size();
            handed.clear();
            window.showStaevne(standin::demoPastCompetitionId);
            QVERIFY(!handed.isEmpty());
            QSet<QString> targets;
            for (const QString &line : std::as_const(handed)) {
                const QStringList words = line.trimmed().split(QLatin1Char(' '));
                targets << (words.size() > 4 ? words.at(4) : QFileInfo(words.at(3)).fileName());
            }

            if (hangs)
                receiver.answerHeld(standin::UploadReceiver::Mode::Accept);
            else
                QVERIFY(receiver.listen(port));
            receiver.setMode(standin::UploadReceiver::Mode::Accept);
            if (retryTimer(*setup)->isActive())
                retryTimer(*setup)->start(0);
            WAIT_COMPARE(setup->waitingUploads() + setup->pendingUploads(), 0);
            QCOMPARE(receiver.latest("bane1.html"), stationfx::readFile(out + "/html/klasse0_1.html"));
            const QList<standin::UploadReceiver::Upload> after = receiver.arrivals().mid(before);
            QVERIFY(!after.isEmpty());
            for (const auto &upload : after) {
                QVERIFY2(targets.contains(upload.fileName), qPrintable(upload.fileName));
                QVERIFY2(!upload.content.contains("\"staevneId\":\"1\""), qPrintable(upload.fileName));
            }
        }
        QSqlDatabase::removeDatabase("ZEP");
    }
};

QTEST_MAIN(tst_Upload)
#include "tst_upload.moc"

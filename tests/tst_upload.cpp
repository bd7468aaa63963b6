// Uploads to the public results server, against the stand-in receiver on
// 127.0.0.1: the multipart request as the server expects it, pictures in
// base64 lines, the "Sendt til internettet" stamp, and supervision: a server
// that refuses, fails or hangs costs a bounded number of restarts, requests
// and log lines, and gets every file in its latest version once it is back.
#include <QCheckBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <numeric>

#include "publish/Setup.h"
#include "receiver/UploadReceiver.h"
#include "StationFixture.h"

namespace {
// Counts what Qt itself prints, so a warning repeated per request shows.
int g_qtWarnings = 0;
QtMessageHandler g_previousHandler = nullptr;
void countWarnings(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtWarningMsg)
        ++g_qtWarnings;
    g_previousHandler(type, context, text);
}
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
        cfg.setValue("upload.maxDelay", "1");
    }

private slots:
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
        setup.uploadFile("html/missing.html", QString());
        QCOMPARE(setup.pendingUploads() + setup.waitingUploads(), 0);
        QSignalSpy internet(&setup, &Setup::internetError);

        setup.uploadFile("html/klasse4_B.html", "bane2.html");
        QVERIFY(internet.wait(5000));
        QCOMPARE(internet.last().at(0).toBool(), false);
        const auto upload = receiver.uploads().first();
        QCOMPARE(upload.path, QStringLiteral("/upload_staevne.php"));
        QCOMPARE(upload.boundary, QByteArray("AaB03x"));
        QCOMPARE(upload.fileName, QStringLiteral("bane2.html"));
        QCOMPARE(upload.content, QByteArray("<html>result \"4\" & more</html>"));

        // A class goes under its own names and stamps its row, not the pause row.
        setup.addClass(1, "LA4 B", "4", "B", "Lørdag");
        QTRY_COMPARE_WITH_TIMEOUT(internet.count(), 3, 5000);
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
        QTRY_VERIFY_WITH_TIMEOUT(!receiver.latest("123.png").isEmpty(), 5000);
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

    void troubledServerIsLeftAlone_data()
    {
        QTest::addColumn<int>("trouble");
        QTest::newRow("refuses") << 0;
        QTest::newRow("fails fast") << 1;
        QTest::newRow("hangs") << 2;
    }
    void troubledServerIsLeftAlone()
    {
        QFETCH(int, trouble);
        standin::UploadReceiver receiver;
        appConfig cfg(nullptr, "unused.xml");
        configure(cfg, receiver);
        const quint16 port = receiver.port();
        if (trouble == 0)
            receiver.refuse();
        else
            receiver.setMode(trouble == 1 ? standin::UploadReceiver::Mode::Fail : standin::UploadReceiver::Mode::Hang,
                             503);
        cfg.setValue("upload.restart", "3");
        Setup setup(&cfg, nullptr, "Server");
        setup.setWatchdogInterval(100);
        setup.setBackoff(50, 800);
        QSignalSpy log(&setup, &Setup::logMessage);
        g_qtWarnings = 0;
        g_previousHandler = qInstallMessageHandler(countWarnings);

        for (int i = 0; i < 20; ++i) {
            writePage(QStringLiteral("klasse%1_A.html").arg(i), "old " + QByteArray::number(i));
            setup.uploadFile(QStringLiteral("html/klasse%1_A.html").arg(i), QString());
        }
        QTest::qWait(2500);
        // Files rewritten while the server is away replace what waits.
        for (int i = 0; i < 20; i += 2) {
            writePage(QStringLiteral("klasse%1_A.html").arg(i), "new " + QByteArray::number(i));
            setup.uploadFile(QStringLiteral("html/klasse%1_A.html").arg(i), QString());
        }
        QTest::qWait(500);
        qInstallMessageHandler(g_previousHandler);

        // Once down, the server is tried with one file at a time, ever less
        // often: a handful of attempts, restarts and lines in three seconds.
        int lines = 0;
        for (const auto &args : std::as_const(log))
            lines += args.at(1).toString().startsWith(QLatin1String("Upload file called")) ? 0 : 1;
        QVERIFY2(lines <= 10, qPrintable(QString::number(lines)));
        QVERIFY2(receiver.requestCount() <= 20 + 10, qPrintable(QString::number(receiver.requestCount())));
        QCOMPARE(g_qtWarnings, 0);

        // The server returns: every file arrives in its latest version.
        if (trouble == 0)
            QVERIFY(receiver.listen(port));
        receiver.setMode(standin::UploadReceiver::Mode::Accept);
        for (int i = 0; i < 20; ++i) {
            const QByteArray latest = (i % 2 ? "old " : "new ") + QByteArray::number(i);
            QTRY_COMPARE_WITH_TIMEOUT(receiver.latest(QStringLiteral("klasse%1_A.html").arg(i)), latest, 10000);
        }
        QTRY_COMPARE_WITH_TIMEOUT(setup.waitingUploads() + setup.pendingUploads(), 0, 5000);
    }

    // Another competition is loaded while the server is away: nothing of
    // the first one reaches it afterwards, neither what waited nor, at a
    // restart, what it had already taken.
    void forgottenCompetitionIsNotSent()
    {
        standin::UploadReceiver receiver;
        appConfig cfg(nullptr, "unused.xml");
        configure(cfg, receiver);
        const quint16 port = receiver.port();
        Setup setup(&cfg, nullptr, "Server");
        setup.setWatchdogInterval(100);
        setup.setBackoff(50, 200);
        writePage("klasse1_A.html", "first");
        setup.uploadFile("html/klasse1_A.html", "bane1.html");
        QTRY_COMPARE_WITH_TIMEOUT(receiver.latest("bane1.html"), QByteArray("first"), 5000);
        receiver.refuse();
        writePage("klasse2_A.html", "first two");
        setup.uploadFile("html/klasse2_A.html", "bane3.html");
        QTest::qWait(300);

        setup.forgetUploads();
        QVERIFY(receiver.listen(port));
        writePage("klasse9_A.html", "second");
        setup.uploadFile("html/klasse9_A.html", QString());
        QTRY_COMPARE_WITH_TIMEOUT(receiver.latest("klasse9_A.html"), QByteArray("second"), 5000);
        // A failure past "upload.restart" restarts the connection, which
        // sends again what the server had taken: only the second one's.
        cfg.setValue("upload.restart", "0");
        receiver.setMode(standin::UploadReceiver::Mode::Fail, 503);
        writePage("klasse9_A.html", "second again");
        setup.uploadFile("html/klasse9_A.html", QString());
        QTest::qWait(300);
        receiver.setMode(standin::UploadReceiver::Mode::Accept);
        QTRY_COMPARE_WITH_TIMEOUT(receiver.latest("klasse9_A.html"), QByteArray("second again"), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(setup.waitingUploads() + setup.pendingUploads(), 0, 5000);
        QVERIFY(receiver.latest("bane3.html").isEmpty());
        int firstSent = 0;
        for (const auto &upload : receiver.uploads())
            firstSent += upload.fileName == QLatin1String("bane1.html") ? 1 : 0;
        QCOMPARE(firstSent, 1);
    }
};

QTEST_MAIN(tst_Upload)
#include "tst_upload.moc"

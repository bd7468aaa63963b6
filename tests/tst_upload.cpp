// Uploads to the public results server, against the stand-in receiver on
// 127.0.0.1: the multipart request as the server expects it, pictures in
// base64 lines, the "Sendt til internettet" stamp, and supervision: a server
// that fails, refuses or hangs gets every page in its latest version once it
// is back.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include "publish/Setup.h"
#include "settings/appConfig.h"
#include "receiver/UploadReceiver.h"

class tst_Upload : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    void writePage(const QString &name, const QByteArray &content)
    {
        QFile file(m_dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    void configure(appConfig &cfg, quint16 port)
    {
        cfg.setValue("upload.state", "1");
        cfg.setValue("upload.server", QStringLiteral("127.0.0.1:%1").arg(port));
        cfg.setValue("http.root", m_dir.path());
        cfg.setValue("upload.maxDelay", "1");
    }

private slots:
    void multipartAsTheServerExpects()
    {
        standin::UploadReceiver receiver;
        QVERIFY(receiver.listen());
        appConfig cfg(nullptr, "unused.xml");
        configure(cfg, receiver.port());
        writePage("klasse7_A.html", "<html>result \"7\" & more</html>");
        Setup setup(&cfg, nullptr, "Server");
        QSignalSpy internet(&setup, &Setup::internetError);

        setup.uploadFile("html/klasse7_A.html", "bane2.html");
        QVERIFY(internet.wait(5000));
        QCOMPARE(internet.last().at(0).toBool(), false);
        QCOMPARE(receiver.uploads().size(), 1);
        const auto upload = receiver.uploads().first();
        QCOMPARE(upload.path, QStringLiteral("/upload_staevne.php"));
        QCOMPARE(upload.boundary, QByteArray("AaB03x"));
        QCOMPARE(upload.fileName, QStringLiteral("bane2.html"));
        QCOMPARE(upload.content, QByteArray("<html>result \"7\" & more</html>"));

        // Without an alias the file goes under its own name.
        setup.uploadFile("html/klasse7_A.html", QString());
        QVERIFY(internet.wait(5000));
        QCOMPARE(receiver.uploads().last().fileName, QStringLiteral("klasse7_A.html"));
    }

    void picturesGoAsBase64Lines()
    {
        standin::UploadReceiver receiver;
        QVERIFY(receiver.listen());
        appConfig cfg(nullptr, "unused.xml");
        configure(cfg, receiver.port());
        QByteArray picture;
        for (int i = 0; i < 200; ++i)
            picture += char(i);
        writePage("123.png", picture);
        Setup setup(&cfg, nullptr, "Server");
        QSignalSpy internet(&setup, &Setup::internetError);
        setup.uploadBinFile("html/123.png", QString());
        QVERIFY(internet.wait(5000));
        const QByteArray sent = receiver.latest("123.png");
        const QList<QByteArray> lines = sent.split('\n');
        QVERIFY(sent.endsWith('\n'));
        QCOMPARE(lines.at(0).size(), 76);
        QCOMPARE(lines.at(1).size(), 76);
        QCOMPARE(QByteArray::fromBase64(QByteArray(sent).replace('\n', "")), picture);
    }

    void stampsTheClassRow()
    {
        standin::UploadReceiver receiver;
        QVERIFY(receiver.listen());
        appConfig cfg(nullptr, "unused.xml");
        configure(cfg, receiver.port());
        writePage("klasse4_B.html", "page");
        writePage("klasse4_B.json", "{}");
        Setup setup(&cfg, nullptr, "Server");
        QSignalSpy internet(&setup, &Setup::internetError);
        setup.addClass(1, "LA4 B", "4", "B", "Lørdag");
        QTRY_COMPARE_WITH_TIMEOUT(internet.count(), 2, 5000);
        QTreeWidgetItem *row = setup.classList(1)->topLevelItem(1);
        QCOMPARE(row->text(2), QStringLiteral("4"));
        QVERIFY(QTime::fromString(row->text(6), "hh:mm:ss").isValid());
        QVERIFY(setup.classList(1)->topLevelItem(0)->text(6).isEmpty()); // the pause row
    }

    void failingServerGetsTheLatestVersionsLater()
    {
        standin::UploadReceiver receiver;
        QVERIFY(receiver.listen());
        receiver.setMode(standin::UploadReceiver::Mode::Fail, 503);
        appConfig cfg(nullptr, "unused.xml");
        configure(cfg, receiver.port());
        cfg.setValue("upload.restart", "2");
        Setup setup(&cfg, nullptr, "Server");
        setup.setWatchdogInterval(200);
        QSignalSpy internet(&setup, &Setup::internetError);
        QSignalSpy log(&setup, &Setup::logMessage);

        writePage("klasse1_A.html", "version 1");
        setup.uploadFile("html/klasse1_A.html", QString());
        writePage("klasse2_A.html", "class 2");
        setup.uploadFile("html/klasse2_A.html", QString());
        QTRY_VERIFY_WITH_TIMEOUT(internet.count() >= 2, 5000);
        QCOMPARE(internet.last().at(0).toBool(), true);
        writePage("klasse1_A.html", "version 2");
        setup.uploadFile("html/klasse1_A.html", QString());
        // More failures than "upload.restart" restart the connection.
        QTRY_VERIFY_WITH_TIMEOUT(std::any_of(log.cbegin(), log.cend(), [](const QList<QVariant> &a) {
                                     return a.at(1).toString().startsWith("Restarting the upload connection");
                                 }),
                                 10000);

        receiver.setMode(standin::UploadReceiver::Mode::Accept);
        QTRY_COMPARE_WITH_TIMEOUT(receiver.latest("klasse1_A.html"), QByteArray("version 2"), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(receiver.latest("klasse2_A.html"), QByteArray("class 2"), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(setup.waitingUploads() + setup.pendingUploads(), 0, 5000);
        QCOMPARE(internet.last().at(0).toBool(), false);
    }

    void hangingServerIsRestartedByTheWatchdog()
    {
        standin::UploadReceiver receiver;
        QVERIFY(receiver.listen());
        receiver.setMode(standin::UploadReceiver::Mode::Hang);
        appConfig cfg(nullptr, "unused.xml");
        configure(cfg, receiver.port());
        Setup setup(&cfg, nullptr, "Server");
        setup.setWatchdogInterval(300);
        writePage("klasse9_C.html", "nine");
        setup.uploadFile("html/klasse9_C.html", QString());
        QTRY_COMPARE_WITH_TIMEOUT(receiver.requestCount(), 1, 5000);
        QCOMPARE(setup.pendingUploads(), 1);
        receiver.setMode(standin::UploadReceiver::Mode::Accept);
        // Past "upload.maxDelay" (1 s) the watchdog sends it again.
        QTRY_COMPARE_WITH_TIMEOUT(receiver.latest("klasse9_C.html"), QByteArray("nine"), 10000);
    }

    void refusedThenBack()
    {
        standin::UploadReceiver receiver;
        QVERIFY(receiver.listen());
        const quint16 port = receiver.port();
        receiver.refuse();
        appConfig cfg(nullptr, "unused.xml");
        configure(cfg, port);
        Setup setup(&cfg, nullptr, "Server");
        setup.setWatchdogInterval(200);
        QSignalSpy internet(&setup, &Setup::internetError);
        writePage("klasse3_A.json", "{\"v\":1}");
        setup.uploadFile("html/klasse3_A.json", QString());
        QVERIFY(internet.wait(5000));
        QCOMPARE(internet.last().at(0).toBool(), true);
        QVERIFY(receiver.listen(port));
        QTRY_COMPARE_WITH_TIMEOUT(receiver.latest("klasse3_A.json"), QByteArray("{\"v\":1}"), 10000);
    }

    void switchedOffSendsNothing()
    {
        standin::UploadReceiver receiver;
        QVERIFY(receiver.listen());
        appConfig cfg(nullptr, "unused.xml");
        configure(cfg, receiver.port());
        cfg.setValue("upload.state", "0");
        writePage("klasse5_A.html", "five");
        Setup setup(&cfg, nullptr, "Server");
        setup.uploadFile("html/klasse5_A.html", QString());
        QCOMPARE(setup.pendingUploads() + setup.waitingUploads(), 0);
        // Switching it on in the tab makes the connection.
        setup.findChild<QCheckBox *>("uploadBox")->setChecked(true);
        QCOMPARE(cfg.getValue("upload.state", ""), QStringLiteral("1"));
        QSignalSpy internet(&setup, &Setup::internetError);
        setup.uploadFile("html/klasse5_A.html", QString());
        QVERIFY(internet.wait(5000));
        QCOMPARE(receiver.latest("klasse5_A.html"), QByteArray("five"));
    }
};

QTEST_MAIN(tst_Upload)
#include "tst_upload.moc"

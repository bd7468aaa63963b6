// The display client's downloader against a real HTTP answer on 127.0.0.1:
// the queue without duplicates, one file at a time into the directory, the
// local path of an address, and failures that leave the old page in place.
#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include "publish/urlDownloader.h"
#include "ChildProcesses.h"
#include "EventWait.h"

namespace {
// Answers every request with a fixed status and body, counting requests.
class TinyHttp : public QObject
{
public:
    QByteArray status = "200 OK";
    QByteArray body;
    // Bytes promised beyond the body: the answer breaks off before its end.
    int missing = 0;
    int requests = 0;
    QTcpServer server;

    TinyHttp()
    {
        server.listen(QHostAddress::LocalHost, 0);
        connect(&server, &QTcpServer::newConnection, this, [this]() {
            while (QTcpSocket *socket = server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket]() {
                    if (!socket->readAll().contains("\r\n\r\n"))
                        return;
                    ++requests;
                    socket->write("HTTP/1.0 " + status + "\r\nContent-Type: text/html\r\nContent-Length: "
                                  + QByteArray::number(body.size() + missing) + "\r\n\r\n" + body);
                    socket->disconnectFromHost();
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    QString url(const QString &file) const
    {
        return QStringLiteral("http://127.0.0.1:%1/%2").arg(server.serverPort()).arg(file);
    }
};

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}
} // namespace

class tst_Downloader : public QObject
{
    Q_OBJECT

private slots:
    // A signal ends this program at once (tests/ChildProcesses.h).
    void initTestCase() { childprocs::stopChildrenOnSignals(); }

    void localPath_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("path");
        QTest::newRow("page") << "http://localhost:8080/bane1.html" << "cache/bane1.html";
        QTest::newRow("query") << "http://h:8080/baner.php?bane=1,2&min=1" << "cache/baner.php_bane_1_2_min_1";
        QTest::newRow("query with a path in it") << "http://h/baner.php?x=../../etc/passwd" << "cache/baner.php_x_______etc_passwd";
        QTest::newRow("encoded slash in the name") << "http://h/a%2F..%2Fb.html" << "cache/b.html";
        QTest::newRow("no file") << "http://h:8080/" << "";
        QTest::newRow("dot dot") << "http://h/x/.." << "";
    }
    void localPath()
    {
        QFETCH(QString, url);
        QTEST(urlDownloader::localPath("cache", url), "path");
    }

    // The queue holds each address once, and the pages go one at a time
    // into the directory, made on first use.
    void downloadsIntoTheDirectory()
    {
        TinyHttp http;
        http.body = "<html><body>Bane 1</body></html>";
        QTemporaryDir dir;
        const QString directory = dir.filePath("cache");
        urlDownloader downloader(nullptr, "d", directory, 4);
        QSignalSpy done(&downloader, &urlDownloader::doneDownload);
        for (const char *file : {"bane1.html", "bane1.html", "bane2.html"})
            downloader.newUrl(http.url(file));
        QCOMPARE(downloader.pending(), (QStringList{http.url("bane1.html"), http.url("bane2.html")}));
        WAIT_COMPARE(done.count(), 2);
        QCOMPARE(done.at(0).at(0).toString(), directory + "/bane1.html");
        QCOMPARE(contentOf(directory + "/bane1.html"), http.body);
        QVERIFY(downloader.pending().isEmpty());
    }

    // Only a complete 200 answer that is stored in place replaces the page
    // shown; anything else keeps the old page, reports no download, and
    // says why once.
    void onlyACompleteStoredAnswerReplacesThePage_data()
    {
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<int>("missing");
        QTest::addColumn<bool>("blockSave");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("complete 200") << QByteArray("200 OK") << 0 << false << true;
        QTest::newRow("not found") << QByteArray("404 Not Found") << 0 << false << false;
        QTest::newRow("server error") << QByteArray("500 Internal Server Error") << 0 << false << false;
        QTest::newRow("other success") << QByteArray("203 Non-Authoritative Information") << 0 << false << false;
        QTest::newRow("200 broken off") << QByteArray("200 OK") << 100 << false << false;
        QTest::newRow("200, save fails") << QByteArray("200 OK") << 0 << true << false;
    }
    void onlyACompleteStoredAnswerReplacesThePage()
    {
        QFETCH(QByteArray, status);
        QFETCH(int, missing);
        QFETCH(bool, blockSave);
        QFETCH(bool, replaced);
        TinyHttp http;
        http.status = status;
        http.body = "<html>new page</html>";
        http.missing = missing;
        QTemporaryDir dir;
        QFile old(dir.filePath("bane1.html"));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old page") == 8);
        old.close();
        // Root writes anywhere: a file standing where the folder should be
        // makes the save fail.
        const QString directory = blockSave ? dir.filePath("bane1.html") : dir.path();

        urlDownloader downloader(nullptr, "d", directory, 0);
        QSignalSpy log(&downloader, &urlDownloader::logMessage);
        QByteArray shown;
        connect(&downloader, &urlDownloader::doneDownload, this,
                [&shown](const QString &path) { shown = contentOf(path); });
        QSignalSpy done(&downloader, &urlDownloader::doneDownload);
        downloader.newUrl(http.url("bane1.html"));
        WAIT_COMPARE(done.count() + log.count(), 1);
        QCOMPARE(done.count(), replaced ? 1 : 0);
        // What is announced is in place when it is announced.
        QCOMPARE(shown, replaced ? http.body : QByteArray());
        QCOMPARE(contentOf(dir.filePath("bane1.html")), replaced ? http.body : QByteArray("old page"));
        if (!replaced)
            QCOMPARE(log.at(0).at(0).toInt(), 4);

        // The same failure again is not repeated in the log.
        downloader.newUrl(http.url("bane1.html"));
        WAIT_COMPARE(http.requests, 2);
        // Its answer is taken in.
        WAIT_VERIFY(!downloader.busy());
        QCOMPARE(done.count(), replaced ? 2 : 0);
        QCOMPARE(log.count(), replaced ? 0 : 1);
    }
};

QTEST_GUILESS_MAIN(tst_Downloader)
#include "tst_downloader.moc"

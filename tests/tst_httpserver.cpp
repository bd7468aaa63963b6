// The built-in HTTP server: the request parser and the serving decision as
// plain functions, then the whole over real sockets on 127.0.0.1 (files,
// aliases, the rotating arena page, hostile and malformed requests, the size
// and time limits) and the main window's control of it.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QCheckBox>
#include <QStatusBar>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "publish/HttpDaemon.h"
#include "publish/HttpRequest.h"
#include "app/MainWidget.h"
#include "publish/Setup.h"
#include "settings/appConfig.h"

namespace {
void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

struct Reply
{
    int status = 0;
    QByteArray head;
    QByteArray body;
    bool closed = false;
};

// Sends raw bytes and reads until the server closes the connection.
Reply exchange(quint16 port, const QByteArray &request, int timeoutMs = 5000)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    Reply reply;
    if (!socket.waitForConnected(timeoutMs))
        return reply;
    socket.write(request);
    QByteArray data;
    QElapsedTimer timer;
    timer.start();
    while (socket.state() == QAbstractSocket::ConnectedState && timer.elapsed() < timeoutMs) {
        if (socket.waitForReadyRead(50))
            data += socket.readAll();
    }
    data += socket.readAll();
    reply.closed = socket.state() != QAbstractSocket::ConnectedState;
    const qsizetype split = data.indexOf("\r\n\r\n");
    reply.head = data.left(split);
    reply.body = split < 0 ? QByteArray() : data.mid(split + 4);
    const QList<QByteArray> first = reply.head.split(' ');
    reply.status = first.size() > 1 ? first.at(1).toInt() : 0;
    return reply;
}

Reply get(quint16 port, const QByteArray &target)
{
    return exchange(port, "GET " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}
} // namespace

class tst_HttpServer : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_root;

    // The server runs in this thread's event loop, so the test client must
    // run elsewhere: a short helper thread does the blocking exchange.
    template <typename F>
    static auto whileServing(F f)
    {
        decltype(f()) result;
        std::atomic<bool> done{false};
        std::thread worker([&] {
            result = f();
            done = true;
        });
        while (!done)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        worker.join();
        return result;
    }

private slots:
    void initTestCase()
    {
        m_root = m_dir.filePath("html");
        writeFile(m_dir.filePath("appCfg.xml"), "<secret>database.password</secret>");
        writeFile(m_root + "/index.html", "<html>start</html>");
        writeFile(m_root + "/klasse0_1.html", "pause 1");
        writeFile(m_root + "/klasse14_A.html", "class 14 A");
        writeFile(m_root + "/klasse3_B.json", "{\"a\":1}");
        writeFile(m_root + "/bane2.html", "arena two page");
        writeFile(m_root + "/klasse0_2.html", "pause 2");
        writeFile(m_root + "/my page.html", "spaced");
        QDir().mkpath(m_dir.filePath("outside"));
        QFile::link(m_dir.filePath("outside"), m_root + "/link");
        writeFile(m_dir.filePath("outside/x.html"), "outside");
    }

    void parse_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("query");
        QTest::addColumn<bool>("unsafe");
        using S = http::ParseState;
        QTest::newRow("simple") << QByteArray("GET /bane1.html HTTP/1.0\r\n\r\n") << int(S::Complete) << "/bane1.html" << "" << false;
        QTest::newRow("query") << QByteArray("GET /baner.php?bane=1,2&min=1 HTTP/1.0\r\n\r\n") << int(S::Complete) << "/baner.php"
                               << "bane=1,2&min=1" << false;
        QTest::newRow("repeated slashes") << QByteArray("GET //bane1.html HTTP/1.1\r\nHost: x\r\n\r\n") << int(S::Complete)
                                          << "/bane1.html" << "" << false;
        QTest::newRow("percent") << QByteArray("GET /my%20page.html HTTP/1.0\n\n") << int(S::Complete) << "/my page.html" << "" << false;
        QTest::newRow("dot dot") << QByteArray("GET /../appCfg.xml HTTP/1.0\r\n\r\n") << int(S::Complete) << "/../appCfg.xml" << "" << true;
        QTest::newRow("encoded dot dot") << QByteArray("GET /%2e%2e/appCfg.xml HTTP/1.0\r\n\r\n") << int(S::Complete)
                                         << "/../appCfg.xml" << "" << true;
        QTest::newRow("backslash") << QByteArray("GET /..%5cappCfg.xml HTTP/1.0\r\n\r\n") << int(S::Complete) << "/..\\appCfg.xml"
                                   << "" << true;
        QTest::newRow("nul") << QByteArray("GET /index.html%00.png HTTP/1.0\r\n\r\n") << int(S::Complete)
                             << QString::fromUtf8("/index.html\0.png", 16) << "" << true;
        QTest::newRow("half a head") << QByteArray("GET /index.html HTTP/1.0\r\nHost:") << int(S::Incomplete) << "" << "" << false;
        QTest::newRow("no path") << QByteArray("GET index.html HTTP/1.0\r\n\r\n") << int(S::Malformed) << "" << "" << false;
        QTest::newRow("garbage") << QByteArray("\x01\x02\x03\r\n\r\n") << int(S::Malformed) << "" << "" << false;
        QTest::newRow("too large") << (QByteArray("GET /") + QByteArray(9000, 'a')) << int(S::TooLarge) << "" << "" << false;
    }
    void parse()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, state);
        QFETCH(QString, path);
        QFETCH(QString, query);
        QFETCH(bool, unsafe);
        http::Request request;
        QCOMPARE(int(http::parseRequest(bytes, &request)), state);
        if (state == int(http::ParseState::Complete)) {
            QCOMPARE(request.path, path);
            QCOMPARE(request.query, query);
            QCOMPARE(request.unsafePath, unsafe);
        }
    }

    void rotation_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("minute");
        QTest::addColumn<QString>("page");
        QTest::newRow("default arena") << "" << 7 << "bane1.html";
        QTest::newRow("first minute") << "bane=1,2&min=1" << 0 << "bane1.html";
        QTest::newRow("second minute") << "bane=1,2&min=1" << 1 << "bane2.html";
        QTest::newRow("wraps") << "bane=1,2&min=1" << 2 << "bane1.html";
        QTest::newRow("two minutes each") << "bane=1,2,99&min=2" << 5 << "bane99.html";
        QTest::newRow("min below one") << "bane=3,4&min=0" << 1 << "bane4.html";
        QTest::newRow("encoded comma") << "bane=5%2C6&min=1" << 1 << "bane6.html";
        QTest::newRow("junk arenas") << "bane=x,,&min=1" << 3 << "bane1.html";
    }
    void rotation()
    {
        QFETCH(QString, query);
        QFETCH(int, minute);
        QFETCH(QString, page);
        const QDateTime now = QDateTime::fromSecsSinceEpoch(qint64(minute) * 60 + 30, Qt::UTC);
        QCOMPARE(http::rotatingPage(query, now), page);
    }

    void decisions()
    {
        const QMap<QString, QString> aliases{{"bane1.html", "klasse0_1.html"}, {"S123456", "index.html"},
                                             {"evil.html", "../appCfg.xml"}};
        const QDateTime now = QDateTime::fromSecsSinceEpoch(0, Qt::UTC);
        auto answer = [&](const QByteArray &line) {
            http::Request request;
            http::parseRequest(line + "\r\n\r\n", &request);
            return http::decide(request, m_root, aliases, now);
        };
        QCOMPARE(answer("GET / HTTP/1.0").filePath, QDir(m_root).filePath("index.html"));
        QCOMPARE(answer("GET /bane1.html HTTP/1.0").filePath, QDir(m_root).filePath("klasse0_1.html"));
        QCOMPARE(answer("GET /S123456 HTTP/1.0").filePath, QDir(m_root).filePath("index.html"));
        QCOMPARE(answer("GET /klasse14_A.html?x=1 HTTP/1.0").status, 200);
        QCOMPARE(answer("GET /baner.php HTTP/1.0").filePath, QDir(m_root).filePath("klasse0_1.html"));
        QCOMPARE(answer("HEAD / HTTP/1.0").status, 501);
        QCOMPARE(answer("POST / HTTP/1.0").status, 501);
        QCOMPARE(answer("GET /missing.html HTTP/1.0").status, 404);
        QCOMPARE(answer("GET /evil.html HTTP/1.0").status, 404);
        QCOMPARE(answer("GET /link/x.html HTTP/1.0").status, 404);
        QCOMPARE(answer("GET /../appCfg.xml HTTP/1.0").status, 404);
        QCOMPARE(answer("GET /link HTTP/1.0").status, 404);
    }

    void servesOverSockets()
    {
        HttpDaemon server(nullptr, 0, m_root);
        QVERIFY(server.isListening());
        server.addAlias("bane1.html", "klasse14_A.html");
        const quint16 port = server.serverPort();

        Reply r = whileServing([&] { return get(port, "/bane1.html"); });
        QCOMPARE(r.status, 200);
        QCOMPARE(r.body, QByteArray("class 14 A"));
        QVERIFY(r.head.contains("Content-Type: text/html; charset=utf-8"));
        QVERIFY(r.head.contains("Content-Length: 10"));
        QVERIFY(r.closed);

        r = whileServing([&] { return get(port, "//klasse3_B.json"); });
        QCOMPARE(r.status, 200);
        QVERIFY(r.head.contains("application/json"));

        r = whileServing([&] { return get(port, "/nothing.html"); });
        QCOMPARE(r.status, 404);
        r = whileServing([&] { return get(port, "/%2e%2e/appCfg.xml"); });
        QCOMPARE(r.status, 404);
        QVERIFY(!r.body.contains("secret"));
        r = whileServing([&] { return exchange(port, "DELETE /index.html HTTP/1.0\r\n\r\n"); });
        QCOMPARE(r.status, 501);
        r = whileServing([&] { return exchange(port, "\xff\xfe garbage \r\n\r\n"); });
        QCOMPARE(r.status, 400);
        QVERIFY(r.closed);
        r = whileServing([&] { return exchange(port, "GET /" + QByteArray(10000, 'a')); });
        QCOMPARE(r.status, 400);
        QVERIFY(r.closed);

        // The server is still there after all of that.
        r = whileServing([&] { return get(port, "/"); });
        QCOMPARE(r.body, QByteArray("<html>start</html>"));
    }

    void rewrittenPageIsServedAnew()
    {
        // The server keeps pages in memory between requests; a page the
        // station rewrites must never be served in its old version, not even
        // when the new one has the same size and comes right after.
        HttpDaemon server(nullptr, 0, m_root);
        const quint16 port = server.serverPort();
        writeFile(m_root + "/live.html", "result AAAA");
        QTest::qWait(250); // old enough to be kept
        QCOMPARE(whileServing([&] { return get(port, "/live.html"); }).body, QByteArray("result AAAA"));
        QCOMPARE(whileServing([&] { return get(port, "/live.html"); }).body, QByteArray("result AAAA"));
        for (const QByteArray &version : {QByteArray("result BBBB"), QByteArray("result CCCC")}) {
            QFile inPlace(m_root + "/live.html");
            QVERIFY(inPlace.open(QIODevice::WriteOnly)); // truncates: same inode
            inPlace.write(version);
            inPlace.close();
            QCOMPARE(whileServing([&] { return get(port, "/live.html"); }).body, version);
        }
        // Replaced through a new file, as the station writes its pages.
        QFile::remove(m_root + "/live.html");
        writeFile(m_root + "/live.html", "result DDDD");
        QCOMPARE(whileServing([&] { return get(port, "/live.html"); }).body, QByteArray("result DDDD"));
        QFile::remove(m_root + "/live.html");
        QCOMPARE(whileServing([&] { return get(port, "/live.html"); }).status, 404);
    }

    void rotatingPageFollowsTheClock()
    {
        HttpDaemon server(nullptr, 0, m_root);
        server.addAlias("bane1.html", "klasse14_A.html");
        qint64 minute = 0;
        server.setClock([&minute] { return QDateTime::fromSecsSinceEpoch(minute * 60, Qt::UTC); });
        const quint16 port = server.serverPort();
        Reply r = whileServing([&] { return get(port, "/baner.php?bane=1,2&min=1"); });
        QCOMPARE(r.body, QByteArray("class 14 A"));
        minute = 1; // arena 2 has no alias yet: its own file
        r = whileServing([&] { return get(port, "/baner.php?bane=1,2&min=1"); });
        QCOMPARE(r.body, QByteArray("arena two page"));
        server.addAlias("bane2.html", "klasse0_2.html");
        r = whileServing([&] { return get(port, "/baner.php?bane=1,2&min=1"); });
        QCOMPARE(r.body, QByteArray("pause 2"));
    }

    void slowClientIsDropped()
    {
        HttpDaemon server(nullptr, 0, m_root);
        server.setRequestTimeout(200);
        const quint16 port = server.serverPort();
        QElapsedTimer timer;
        timer.start();
        const Reply r = whileServing([&] { return exchange(port, "GET /index.html HTTP/1.0\r\n", 5000); });
        QVERIFY(r.closed);
        QCOMPARE(r.status, 0);
        QVERIFY(timer.elapsed() < 4000);
    }

    void manyClientsAtOnce()
    {
        HttpDaemon server(nullptr, 0, m_root);
        const quint16 port = server.serverPort();
        // 64 screens refreshing in the same instant all get their page.
        const int ok = whileServing([&] {
            std::vector<std::unique_ptr<QTcpSocket>> sockets;
            for (int i = 0; i < 64; ++i) {
                sockets.push_back(std::make_unique<QTcpSocket>());
                sockets.back()->connectToHost(QHostAddress::LocalHost, port);
            }
            int served = 0;
            for (auto &s : sockets) {
                if (!s->waitForConnected(5000))
                    continue;
                s->write("GET /klasse14_A.html HTTP/1.0\r\n\r\n");
                s->waitForBytesWritten(1000);
            }
            for (auto &s : sockets) {
                QByteArray data;
                while (s->state() == QAbstractSocket::ConnectedState && s->waitForReadyRead(3000))
                    data += s->readAll();
                data += s->readAll();
                if (data.startsWith("HTTP/1.0 200") && data.endsWith("class 14 A"))
                    ++served;
            }
            return served;
        });
        QCOMPARE(ok, 64);
    }

    void portInUseIsReported()
    {
        QTcpServer taken;
        QVERIFY(taken.listen(QHostAddress::Any, 0));
        HttpDaemon server(nullptr, taken.serverPort(), m_root);
        QVERIFY(!server.isListening());
        QVERIFY(!server.bindError().isEmpty());
    }

    void windowControlsTheServer()
    {
        QDir::setCurrent(m_dir.path());
        const QString cfgFile = m_dir.filePath("window.xml");
        const quint16 port = freePort();
        {
            appConfig cfg(nullptr, cfgFile);
            cfg.setValue("app.server", "1");
            cfg.setValue("http.port", QString::number(port));
            cfg.setValue("http.root", m_root);
            cfg.setValue("bane.baseUrl", "");
            QVERIFY(cfg.writeConfig());
        }
        MainWidget::setHostLookup([] { return HostAddresses{}; });
        MainWidget window(nullptr, cfgFile, "MainWidget");
        HttpDaemon *server = window.httpServer();
        QVERIFY(server);
        QVERIFY(server->isListening());
        QCOMPARE(server->aliases().size(), 12);
        QCOMPARE(server->aliases().value("rank3.html"), QStringLiteral("rank0_3.html"));
        QVERIFY(!server->aliases().contains("bane5.html"));

        Reply r = whileServing([&] { return get(port, "/bane1.html"); });
        QCOMPARE(r.body, QByteArray("pause 1"));

        window.slotActivePage(2, "14", "A");
        QCOMPARE(server->aliases().value("bane2.html"), QStringLiteral("klasse14_A.html"));
        QCOMPARE(server->aliases().value("rank2.html"), QStringLiteral("rank14_A.html"));
        QCOMPARE(server->aliases().value("oversigt2.html"), QStringLiteral("oversigt14_A.html"));
        QCOMPARE(server->aliases().value("bane1.html"), QStringLiteral("klasse0_1.html"));
        r = whileServing([&] { return get(port, "/bane2.html"); });
        QCOMPARE(r.body, QByteArray("class 14 A"));
        window.slotActivePage(5, "3", "B");
        QCOMPARE(server->aliases().value("bane5.html"), QStringLiteral("klasse3_B.html"));

        // Off and on again through the setup tab: a fresh server with the
        // default aliases only.
        auto *box = window.setupTab()->findChild<QCheckBox *>("serverBox");
        QVERIFY(box->isChecked());
        box->setChecked(false);
        QVERIFY(!window.httpServer());
        box->setChecked(true);
        QVERIFY(window.httpServer());
        QCOMPARE(window.httpServer()->aliases().value("bane2.html"), QStringLiteral("klasse0_2.html"));
        QVERIFY(!window.httpServer()->aliases().contains("bane5.html"));
    }

    void displayClientShowsItsOwnArenaPage()
    {
        // A station that serves and shows arena 1 of its own server, as an
        // arena screen beside it would.
        QDir::setCurrent(m_dir.path());
        const QString cfgFile = m_dir.filePath("client.xml");
        const quint16 port = freePort();
        {
            appConfig cfg(nullptr, cfgFile);
            cfg.setValue("app.server", "1");
            cfg.setValue("http.port", QString::number(port));
            cfg.setValue("http.root", m_root);
            cfg.setValue("bane.baseUrl", QStringLiteral("http://127.0.0.1:%1/").arg(port));
            cfg.setValue("bane.directory", m_dir.filePath("cache"));
            cfg.setValue("bane.update", "100");
            QVERIFY(cfg.writeConfig());
        }
        writeFile(m_root + "/klasse0_1.html", "<html><body><h1>Pause bane 1</h1></body></html>");
        MainWidget window(nullptr, cfgFile, "MainWidget");
        auto *view = window.findChild<QTextBrowser *>("showText");
        QTRY_VERIFY_WITH_TIMEOUT(view->toPlainText().contains("Pause bane 1"), 10000);
        QVERIFY(QFile::exists(m_dir.filePath("cache/bane1.html")));

        // The arena's active class changes: the client follows at once.
        writeFile(m_root + "/klasse14_A.html", "<html><body><p>Klasse 14 A</p></body></html>");
        window.slotActivePage(1, "14", "A");
        QTRY_VERIFY_WITH_TIMEOUT(view->toPlainText().contains("Klasse 14 A"), 10000);
        writeFile(m_root + "/klasse0_1.html", "pause 1");
    }

    void badPortIsRefused_data()
    {
        QTest::addColumn<QString>("port");
        QTest::newRow("zero") << "0";
        QTest::newRow("too big") << "70000";
        QTest::newRow("text") << "http";
    }
    void badPortIsRefused()
    {
        QFETCH(QString, port);
        const QString cfgFile = m_dir.filePath("badport.xml");
        {
            appConfig cfg(nullptr, cfgFile);
            cfg.setValue("app.server", "1");
            cfg.setValue("http.port", port);
            cfg.setValue("http.root", m_root);
            QVERIFY(cfg.writeConfig());
        }
        MainWidget window(nullptr, cfgFile, "MainWidget");
        QVERIFY(!window.httpServer());
        QVERIFY(window.findChild<QStatusBar *>()->currentMessage().contains(port));
    }
};

QTEST_MAIN(tst_HttpServer)
#include "tst_httpserver.moc"

// The built-in HTTP server: the request parser and the serving decision as
// plain functions, then the whole over real sockets on 127.0.0.1 (files,
// aliases, logos, hostile and malformed requests, error pages, the size and
// time limits, the copies it keeps in memory) and the main window's control
// of it.
#include <QElapsedTimer>
#include <QSet>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QThread>
#include <QTimer>
#include <QCheckBox>
#include <QStatusBar>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <memory>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "files/WholeFile.h"
#include "publish/HttpDaemon.h"
#include "publish/HttpRequest.h"
#include "publish/Setup.h"
#include "ChildProcesses.h"
#include "EventWait.h"
#include "StationFixture.h"

using namespace stationfx;

namespace {
struct Reply
{
    int status = 0;
    QByteArray head;
    QByteArray body;
    bool closed = false;
};

// Sends raw bytes and reads until the server closes the connection.
Reply exchange(quint16 port, const QByteArray &request, int timeoutMs = eventwait::limitMs)
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

// Left alone long enough that the server keeps a copy of it.
bool settled(const QString &file)
{
    const QDateTime now = QDateTime::currentDateTime();
    return QFileInfo(file).metadataChangeTime().msecsTo(now) > 200 && QFileInfo(file).lastModified().msecsTo(now) > 200;
}

// An HTML page of at least `bytes` bytes whose rows tell where they are.
QByteArray bigPage(const QByteArray &title, qint64 bytes)
{
    QByteArray page = "<html><head><title>" + title + "</title></head><body>\n";
    for (int row = 0; page.size() < bytes; ++row)
        page += "<p>" + title + " row " + QByteArray::number(row) + "</p>\n";
    return page + "</body></html>\n";
}

// Where this process (the server runs in it) reads `file`: the position of
// the descriptor open on it, or -1 while none is. A file renamed over still
// counts, under the name the system then gives it.
qint64 readPosition(const QString &file)
{
    const QByteArray path = QFile::encodeName(file);
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString &fd : fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        char target[4096];
        const ssize_t n = ::readlink(QFile::encodeName(fds.filePath(fd)).constData(), target, sizeof target);
        const QByteArray link(target, n > 0 ? n : 0);
        if (link != path && link != path + " (deleted)")
            continue;
        for (const QByteArray &line : readFile("/proc/self/fdinfo/" + fd).split('\n')) {
            if (line.startsWith("pos:"))
                return line.mid(4).trimmed().toLongLong();
        }
    }
    return -1;
}

// An answer taken slowly: the client's socket holds little and reads only
// when the test says, so that nothing takes the answer ahead of it.
struct SlowReply
{
    QByteArray head;
    QByteArray body;
    qint64 contentLength = -1;
};

// Reads until the body holds at least `bytes`, or to the end with -1; false
// when the server neither sends nor closes within the wait for an event.
bool readSlowly(QTcpSocket &socket, SlowReply *reply, qint64 bytes)
{
    while (bytes < 0 || reply->contentLength < 0 || reply->body.size() < bytes) {
        if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(eventwait::limitMs))
            return socket.state() != QAbstractSocket::ConnectedState;
        (reply->contentLength < 0 ? reply->head : reply->body) += socket.readAll();
        const qsizetype end = reply->head.indexOf("\r\n\r\n");
        if (reply->contentLength < 0 && end >= 0) {
            reply->body = reply->head.mid(end + 4);
            reply->head.truncate(end + 2);
            const qsizetype at = reply->head.indexOf("\r\nContent-Length: ") + 18;
            reply->contentLength = reply->head.mid(at, reply->head.indexOf("\r\n", at) - at).toLongLong();
        }
    }
    return true;
}

// A client on a slow line, on this thread's event loop: a receive buffer of
// a few kilobytes, from which it takes half a kilobyte every 25 ms (20 KB a
// second) for `slowMs`, then all the rest as fast as it comes, or stops
// taking anything once it has `stopAfter` bytes. A plain socket, so that
// nothing reads ahead of it.
struct SteadyReader
{
    QByteArray taken;
    bool stopped = false; // took its `stopAfter` bytes and reads no more
    bool closed = false; // the server closed the connection or dropped it (while it reads)
    qint64 longestPauseMs = 0; // between two of its turns while slow

    SteadyReader(quint16 port, const QByteArray &target, int slowMs, qint64 stopAfter)
        : m_fd(::socket(AF_INET, SOCK_STREAM, 0))
        , m_slowMs(slowMs)
        , m_stopAfter(stopAfter)
    {
        const int small = 4096;
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const QByteArray request = "GET " + target + " HTTP/1.0\r\n\r\n";
        if (::connect(m_fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0
            || ::send(m_fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL) != request.size()) {
            closed = true;
            return;
        }
        m_clock.start();
        m_pace.setTimerType(Qt::PreciseTimer);
        m_pace.setInterval(25);
        QObject::connect(&m_pace, &QTimer::timeout, [this] { turn(); });
        m_pace.start();
    }
    ~SteadyReader() { ::close(m_fd); }

private:
    void turn()
    {
        const qint64 now = m_clock.elapsed();
        const bool slow = now < m_slowMs;
        if (slow)
            longestPauseMs = qMax(longestPauseMs, now - m_lastTurn);
        m_lastTurn = now;
        if (!slow && !m_fast) {
            m_fast = true;
            const int large = 1024 * 1024;
            ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &large, sizeof large);
        }
        char buffer[64 * 1024];
        for (qint64 turnBytes = 0; turnBytes < (slow ? 512 : 4 * 1024 * 1024);) {
            qint64 want = slow ? 512 - turnBytes : qint64(sizeof buffer);
            if (m_stopAfter >= 0)
                want = qMin(want, m_stopAfter - taken.size());
            if (want == 0) {
                stopped = true;
                m_pace.stop();
                return;
            }
            const ssize_t n = ::recv(m_fd, buffer, size_t(want), MSG_DONTWAIT);
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                return;
            if (n <= 0) {
                closed = true;
                m_pace.stop();
                return;
            }
            taken.append(buffer, n);
            turnBytes += n;
        }
    }

    int m_fd;
    int m_slowMs;
    qint64 m_stopAfter;
    QElapsedTimer m_clock;
    qint64 m_lastTurn = 0;
    bool m_fast = false;
    QTimer m_pace;
};

} // namespace

class tst_HttpServer : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_root;

    // Log lines of the server reach this thread's event loop, so the test
    // client runs elsewhere: a short helper thread does the blocking exchange.
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
        childprocs::stopChildrenOnSignals();
        m_root = m_dir.filePath("html");
        const QList<QPair<QString, QByteArray>> files{
            {"appCfg.xml", "<secret>database.password</secret>"}, {"html/index.html", "<html>start</html>"},
            {"html/klasse0_1.html", "pause 1"}, {"html/klasse14_A.html", "class 14 A"},
            {"html/klasse0_2.html", "<html><head><title>Pause</title></head><body>pause 2</body></html>"},
            {"html/klasse15_A.html", "<HTML><HEAD><META HTTP-EQUIV=Refresh CONTENT=\"30\"></HEAD>class 15 A</HTML>"},
            {"html/klasse3_B.json", "{\"a\":1}"}, {"html/root.png", "a root picture"},
            {"html/my page.html", "blank in the name"}, {"html/..\\appCfg.xml", "a backslash in the name"},
            {"outside/x.html", "outside"}, {"outside/out.png", "outside"}, {"logo/K1.png", "\x89PNG logo"},
            {"logo/notes.txt", "not a picture"}, {"logo/sub/K2.png", "deeper"}};
        for (const auto &[name, bytes] : files)
            QVERIFY(writeFile(m_dir.filePath(name), bytes));
        QVERIFY(QFile::link(m_dir.filePath("outside"), m_root + "/link"));
        QVERIFY(QFile::link(m_dir.filePath("outside/out.png"), m_dir.filePath("logo/out.png")));
    }

    void rotation_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("minute");
        QTest::addColumn<QString>("page");
        QTest::newRow("default arena") << "" << 7 << "bane1.html";
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
        const QDateTime now = QDateTime::fromSecsSinceEpoch(qint64(minute) * 60 + 30, Qt::UTC);
        QTEST(http::rotatingPage(query, now), "page");
    }

    // What a request answers, from its raw bytes: parsed (0 while the head is
    // incomplete), then decided against the root, the aliases and the logos.
    void requests_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("file");
        auto row = [](const char *name, const QByteArray &line, int status, const char *file = "") {
            QTest::newRow(name) << line + "\r\n\r\n" << status << QString::fromUtf8(file);
        };
        row("start page", "GET / HTTP/1.0", 200, "html/index.html");
        row("alias", "GET /bane1.html HTTP/1.0", 200, "html/klasse0_1.html");
        row("query ignored", "GET /klasse14_A.html?x=1 HTTP/1.0", 200, "html/klasse14_A.html");
        row("repeated slashes", "GET //klasse14_A.html HTTP/1.1\r\nHost: x", 200, "html/klasse14_A.html");
        row("percent", "GET /my%20page.html HTTP/1.0", 200, "html/my page.html");
        row("rotating page by alias", "GET /baner.php HTTP/1.0", 200, "html/klasse0_1.html");
        row("rotating page's query", "GET /baner.php?bane=99,1&min=1 HTTP/1.0", 200, "html/index.html");
        row("logo", "GET /logo/K1.png HTTP/1.0", 200, "logo/K1.png");
        // An arena name answers with a page whatever its class wrote.
        row("arena name without its page", "GET /rank1.html HTTP/1.0", 200, "html/klasse0_1.html");
        row("arena without a pause page", "GET /bane99.html HTTP/1.0", 200, "html/index.html");
        QTest::newRow("bare line feeds") << QByteArray("GET /index.html HTTP/1.0\n\n") << 200 << "html/index.html";
        QTest::newRow("half a head") << QByteArray("GET /index.html HTTP/1.0\r\nHost:") << 0 << "";
        row("no path", "GET index.html HTTP/1.0", 400);
        row("POST", "POST / HTTP/1.0", 501);
        // Each of these names an existing file that must not be served.
        row("dot dot", "GET /../appCfg.xml HTTP/1.0", 404);
        row("backslash", "GET /..%5cappCfg.xml HTTP/1.0", 404);
        row("nul", "GET /index.html%00.png HTTP/1.0", 404);
        row("alias out of the root", "GET /evil.html HTTP/1.0", 404);
        row("link out of the root", "GET /link/x.html HTTP/1.0", 404);
        row("a folder", "GET /link HTTP/1.0", 404);
        row("logo in a subfolder", "GET /logo/sub/K2.png HTTP/1.0", 404);
        row("logo link out of its folder", "GET /logo/out.png HTTP/1.0", 404);
        row("logo from the root", "GET /logo/root.png HTTP/1.0", 404);
    }
    void requests()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, status);
        QFETCH(QString, file);
        const QMap<QString, QString> aliases{
            {"bane1.html", "klasse0_1.html"}, {"rank1.html", "rank14_A.html"}, {"evil.html", "../appCfg.xml"}};
        http::Request request;
        const http::ParseState state = http::parseRequest(bytes, &request);
        if (state != http::ParseState::Complete) {
            QCOMPARE(state == http::ParseState::Malformed ? 400 : 0, status);
            return;
        }
        const http::Answer answer =
            http::decide(request, m_root, aliases, QDateTime::fromSecsSinceEpoch(0, Qt::UTC), m_dir.filePath("logo"));
        QCOMPARE(answer.status, status);
        QCOMPARE(answer.filePath, file.isEmpty() ? QString() : m_dir.filePath(file));
        QCOMPARE(answer.resolvedPath, file.isEmpty() ? QString() : QFileInfo(m_dir.filePath(file)).canonicalFilePath());
    }

    // Over a socket: every error answer is an HTML page that reloads like the
    // pages ("15" here), so a screen that hits one comes back by itself; a
    // screen stays on its arena name, so whatever page answers the name
    // reloads too, while a page under its own name is sent as it is.
    void overSockets_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("type"); // empty: an HTML page
        QTest::addColumn<QByteArray>("body"); // empty: the error page
        auto get = [](const char *name, const QByteArray &target, const QByteArray &body, const QByteArray &type = {}) {
            QTest::newRow(name) << "GET " + target + " HTTP/1.0\r\n\r\n" << 200 << type << body;
        };
        const QByteArray reload = "<META http-equiv=\"refresh\" content=\"15\">";
        const QByteArray start = "<html>" + reload + "start</html>";
        get("json", "//klasse3_B.json", "{\"a\":1}", "application/json; charset=utf-8");
        get("logo", "/logo/K1.png", "\x89PNG logo", "image/png");
        get("arena the show does not use", "/bane4.html", start);
        get("waiting lists' arena", "/oversigt99.html", start);
        get("rotating page", "/baner.php?bane=4", start);
        get("class page by alias", "/bane1.html", reload + "class 14 A");
        get("pause page with a head", "/bane2.html",
            "<html><head>" + reload + "<title>Pause</title></head><body>pause 2</body></html>");
        // A document is sent as it is, also under an arena name.
        get("document by an arena name", "/oversigt1.html", "{\"a\":1}", "application/json; charset=utf-8");
        get("page with its own reload", "/rank1.html",
            "<HTML><HEAD><META HTTP-EQUIV=Refresh CONTENT=\"30\"></HEAD>class 15 A</HTML>");
        get("start page by its name", "/index.html", "<html>start</html>");
        get("start page by the root", "/", "<html>start</html>");
        // Missing, out of the root, out of the logo folder, not a picture.
        for (const char *target :
             {"/nothing.html", "/%2e%2e/appCfg.xml", "/logo/..%2fhtml/index.html", "/logo/notes.txt"})
            QTest::newRow(target) << "GET " + QByteArray(target) + " HTTP/1.0\r\n\r\n" << 404 << QByteArray()
                                  << QByteArray();
        QTest::newRow("garbage") << QByteArray("\xff\xfe garbage \r\n\r\n") << 400 << QByteArray() << QByteArray();
        QTest::newRow("too large") << ("GET /" + QByteArray(10000, 'a')) << 400 << QByteArray() << QByteArray();
    }
    void overSockets()
    {
        QFETCH(QByteArray, request);
        QFETCH(int, status);
        QFETCH(QByteArray, type);
        QFETCH(QByteArray, body);
        HttpDaemon server(nullptr, 0, m_root, QHostAddress::LocalHost);
        QVERIFY(server.isListening());
        server.addAlias("bane1.html", "klasse14_A.html");
        server.addAlias("bane2.html", "klasse0_2.html");
        server.addAlias("rank1.html", "klasse15_A.html");
        server.addAlias("oversigt1.html", "klasse3_B.json");
        server.setRefresh("15");
        server.setLogoDir(m_dir.filePath("logo"));
        const Reply r = whileServing([&] { return exchange(server.serverPort(), request); });
        QCOMPARE(r.status, status);
        QVERIFY(r.closed);
        if (type.isEmpty())
            type = "text/html; charset=utf-8";
        QVERIFY2(r.head.contains("\r\nContent-Type: " + type + "\r\n"), r.head.constData());
        QVERIFY((r.head + "\r\n").contains("\r\nContent-Length: " + QByteArray::number(r.body.size()) + "\r\n"));
        if (!body.isEmpty())
            QCOMPARE(r.body, body);
        else
            QVERIFY2(r.body.contains("<META http-equiv=\"refresh\" content=\"15\">"), r.body.constData());
        QVERIFY(!r.body.contains("secret"));
        // The server is still there after any of that.
        QCOMPARE(whileServing([&] { return get(server.serverPort(), "/"); }).body, QByteArray("<html>start</html>"));
    }

    void rewrittenPageIsServedAnew()
    {
        // The server keeps pages in memory between requests; a page the
        // station rewrites must never be served in its old version, not even
        // when the new one has the same size and comes right after.
        HttpDaemon server(nullptr, 0, m_root, QHostAddress::LocalHost);
        const auto live = [&server] { return whileServing([&server] { return get(server.serverPort(), "/live.html"); }); };
        QVERIFY(writeFile(m_root + "/live.html", "result AAAA"));
        WAIT_VERIFY(settled(m_root + "/live.html")); // old enough to be kept
        QCOMPARE(live().body, QByteArray("result AAAA"));
        QCOMPARE(live().body, QByteArray("result AAAA"));
        for (const QByteArray &version : {QByteArray("result BBBB"), QByteArray("result CCCC")}) {
            QFile inPlace(m_root + "/live.html"); // truncated, not replaced: the same inode
            QVERIFY(inPlace.open(QIODevice::WriteOnly) && inPlace.write(version) == version.size());
            inPlace.close();
            QCOMPARE(live().body, version);
        }
        // Replaced through a new file, as the station writes its pages.
        QFile::remove(m_root + "/live.html");
        QVERIFY(writeFile(m_root + "/live.html", "result DDDD"));
        QCOMPARE(live().body, QByteArray("result DDDD"));
        QFile::remove(m_root + "/live.html");
        QCOMPARE(live().status, 404);
    }

    // What an arena name answers is kept with the page between requests; it
    // follows the page, its name's own answer and the reload setting.
    void arenaAnswerFollowsThePage()
    {
        HttpDaemon server(nullptr, 0, m_root, QHostAddress::LocalHost);
        server.addAlias("bane7.html", "arena7.html");
        server.setRefresh("15");
        const QString file = m_root + "/arena7.html";
        const auto fetch = [&server](const QByteArray &target) {
            return whileServing([&] { return get(server.serverPort(), target); }).body;
        };
        // Kept only once left alone a while: wait until the server would keep it.
        const auto settled = [&file] {
            return QFileInfo(file).metadataChangeTime().msecsTo(QDateTime::currentDateTime()) > 200
                && QFileInfo(file).lastModified().msecsTo(QDateTime::currentDateTime()) > 200;
        };
        const auto reloaded = [](const char *seconds, const char *text) {
            return "<html><head><META http-equiv=\"refresh\" content=\"" + QByteArray(seconds) + "\"></head>"
                + QByteArray(text) + "</html>";
        };

        QVERIFY(writeFile(file, "<html><head></head>AAAA</html>"));
        WAIT_VERIFY(settled());
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(fetch("/bane7.html"), reloaded("15", "AAAA"));
            QCOMPARE(fetch("/arena7.html"), QByteArray("<html><head></head>AAAA</html>"));
        }
        QFile inPlace(file); // the same size and inode
        QVERIFY(inPlace.open(QIODevice::WriteOnly) && inPlace.write("<html><head></head>BBBB</html>") == 30);
        inPlace.close();
        WAIT_VERIFY(settled());
        QCOMPARE(fetch("/bane7.html"), reloaded("15", "BBBB"));
        QCOMPARE(fetch("/bane7.html"), reloaded("15", "BBBB"));
        server.setRefresh("20");
        QCOMPARE(fetch("/bane7.html"), reloaded("20", "BBBB"));
        // A page that reloads itself goes out as it is.
        const QByteArray own = "<html><head><meta http-equiv=refresh content=5></head>CCCC</html>";
        QVERIFY(writeFile(file, own));
        WAIT_VERIFY(settled());
        QCOMPARE(fetch("/bane7.html"), own);
        QCOMPARE(fetch("/bane7.html"), own);
    }

    // The copies kept in memory: one per file, whatever the spelling of the
    // request, and the bytes of all of them within the limit, the least
    // recently served going first.
    void oneCopyWhateverTheSpelling()
    {
        const QString root = m_dir.filePath("spellings");
        const QByteArray name = "bigpage.html";
        const QByteArray page = bigPage("spelled", 3 * 1024 * 1024);
        QVERIFY(writeFile(root + "/" + name, page));
        QVERIFY(QFile::link(root + "/" + name, root + "/link.html"));
        WAIT_VERIFY(settled(root + "/" + name));
        HttpDaemon server(nullptr, 0, root, QHostAddress::LocalHost);
        server.addAlias("copy.html", QString::fromLatin1(name));
        QCOMPARE(server.cachedBytes(), qint64(0));

        // 200 spellings of the one file: "." segments (also "%2E"), repeated
        // slashes, letters percent-encoded in either case, a query; then an
        // alias and a link inside the root.
        QList<QByteArray> targets;
        for (int i = 0; i < 200; ++i) {
            const QByteArray slash = (i / 4) % 2 ? "//" : "/";
            QByteArray target = slash;
            for (int dot = 0; dot < i % 4; ++dot)
                target += (dot == 2 ? "%2E" : ".") + slash;
            const int encoded = i / 8;
            for (int c = 0; c < name.size(); ++c) {
                const QByteArray hex = QByteArray::number(uchar(name.at(c)), 16);
                target += encoded & (1 << c) ? "%" + (c % 2 ? hex.toUpper() : hex) : name.mid(c, 1);
            }
            if (i % 3 == 0)
                target += "?v=" + QByteArray::number(i);
            targets << target;
        }
        QCOMPARE(QSet<QByteArray>(targets.cbegin(), targets.cend()).size(), 200);
        QCOMPARE(targets.first(), QByteArray("/" + name + "?v=0"));
        targets << "/copy.html" << "/link.html";

        const quint16 port = server.serverPort();
        const QStringList failures = whileServing([&] {
            QStringList failures;
            for (const QByteArray &target : std::as_const(targets)) {
                const Reply r = get(port, target);
                if (r.status != 200 || r.body != page || !r.head.contains("\r\nContent-Type: text/html; charset=utf-8\r\n"))
                    failures << QString::fromLatin1(target) + QStringLiteral(": status %1, %2 bytes").arg(r.status).arg(r.body.size());
                else if (server.cachedBytes() != qint64(page.size()))
                    failures << QString::fromLatin1(target) + QStringLiteral(": %1 bytes kept").arg(server.cachedBytes());
            }
            return failures;
        });
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join('\n')));
        QCOMPARE(server.cachedBytes(), qint64(page.size()));
    }

    void keptBytesStayWithinTheLimit()
    {
        const qint64 kib = 1024;
        QCOMPARE(HttpDaemon::defaultCacheLimit, 64 * kib * kib);
        const QString root = m_dir.filePath("limit");
        QMap<QByteArray, QByteArray> pages; // a..d fit the limit together three at a time; e not at all
        const QList<QPair<const char *, qint64>> sizes{{"a", 300}, {"b", 310}, {"c", 320}, {"d", 330}, {"e", 1100}};
        for (const auto &[letter, size] : sizes) {
            pages[letter] = bigPage(letter, size * kib);
            QVERIFY(writeFile(root + "/" + letter + ".html", pages[letter]));
        }
        for (const auto &[letter, size] : sizes)
            WAIT_VERIFY(settled(root + "/" + letter + ".html"));
        HttpDaemon server(nullptr, 0, root, QHostAddress::LocalHost);
        QCOMPARE(server.cacheLimit(), HttpDaemon::defaultCacheLimit);
        server.setCacheLimit(1000 * kib);
        QCOMPARE(server.cacheLimit(), 1000 * kib);
        server.setRefresh("15");
        server.addAlias("bane3.html", "c.html");
        const auto kept = [&pages](const QByteArray &letters) {
            qint64 bytes = 0;
            for (const char letter : letters)
                bytes += pages.value(QByteArray(1, letter)).size();
            return bytes;
        };
        // Each step: what is asked for, the page it answers, and the copies
        // kept after it.
        const auto step = [&](const QByteArray &target, const QByteArray &body, qint64 keptBytes) {
            const Reply r = whileServing([&] { return get(server.serverPort(), target); });
            if (r.status != 200 || r.body != body) {
                qWarning("%s: status %d, %lld bytes", target.constData(), r.status, qint64(r.body.size()));
                return false;
            }
            if (server.cachedBytes() != keptBytes || server.cachedBytes() > server.cacheLimit()) {
                qWarning("%s: %lld bytes kept, not %lld", target.constData(), server.cachedBytes(), keptBytes);
                return false;
            }
            return true;
        };
        QVERIFY(step("/a.html", pages["a"], kept("a")));
        QVERIFY(step("/b.html", pages["b"], kept("ab")));
        QVERIFY(step("/c.html", pages["c"], kept("abc")));
        QVERIFY(step("/a.html", pages["a"], kept("abc"))); // kept: served from the copy
        // d makes room by dropping b, the least recently served, not a.
        QVERIFY(step("/d.html", pages["d"], kept("acd")));
        QVERIFY(step("/a.html", pages["a"], kept("acd")));
        // A file larger than the limit is served, not kept.
        QVERIFY(step("/e.html", pages["e"], kept("acd")));
        QVERIFY(step("/e.html", pages["e"], kept("acd")));
        QVERIFY(step("/b.html", pages["b"], kept("abd"))); // c goes
        QVERIFY(step("/./b.html", pages["b"], kept("abd")));
        // A lower limit drops the least recently served at once.
        server.setCacheLimit(700 * kib);
        QCOMPARE(server.cachedBytes(), kept("ab"));
        // What an arena name answers counts with its page.
        const QByteArray arenaC = http::reloading(pages["c"], "15");
        QVERIFY(arenaC != pages["c"]);
        QVERIFY(step("/bane3.html", arenaC, kept("c") + arenaC.size()));
        QVERIFY(step("/bane3.html", arenaC, kept("c") + arenaC.size()));
        QVERIFY(step("/c.html", pages["c"], kept("c") + arenaC.size()));
        QVERIFY(step("/a.html", pages["a"], kept("a")));
        // No limit keeps nothing, and serves as before.
        server.setCacheLimit(0);
        QCOMPARE(server.cachedBytes(), qint64(0));
        QVERIFY(step("/a.html", pages["a"], 0));
        QVERIFY(step("/bane3.html", arenaC, 0));
    }

    // A file over the size of the copies kept is sent from disk as the client
    // takes it: the server holds it open and has not read it to the end
    // while a slow client takes its first bytes, and closes it once the
    // answer is through or the client gone. A change to the file while it is
    // sent cuts the answer short, at a length the client can tell from the
    // one it was told, and never after bytes of another version; a file
    // renamed over, as the station writes, goes out whole as it was.
    void largeFileIsSentAsTheClientTakesIt_data()
    {
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("whole");
        QTest::newRow("taken whole") << QByteArray("/large.html") << "" << true;
        QTest::newRow("by an arena name") << QByteArray("/bane9.html") << "" << true;
        QTest::newRow("renamed over") << QByteArray("/large.html") << "renamed over" << true;
        QTest::newRow("client goes") << QByteArray("/large.html") << "client goes" << false;
        QTest::newRow("rewritten in place") << QByteArray("/large.html") << "rewritten in place" << false;
        QTest::newRow("cut short") << QByteArray("/bane9.html") << "cut short" << false;
        QTest::newRow("lengthened") << QByteArray("/large.html") << "lengthened" << false;
    }
    void largeFileIsSentAsTheClientTakesIt()
    {
        QFETCH(QByteArray, target);
        QFETCH(QString, change);
        QFETCH(bool, whole);
        const QString root = m_dir.filePath("large");
        const QString file = root + "/large.html";
        // Far more than the socket buffers hold on either side.
        static const QByteArray page = bigPage("large", 16 * 1024 * 1024);
        QVERIFY(writeFile(file, page));
        const QString canonical = QFileInfo(file).canonicalFilePath();
        HttpDaemon server(nullptr, 0, root, QHostAddress::LocalHost);
        server.addAlias("bane9.html", "large.html");
        server.setRefresh("15");
        server.setRequestTimeout(60000); // the time limit is not what this is about
        QSignalSpy log(&server, &HttpDaemon::logMessage);
        const QByteArray expected = target == "/bane9.html" ? http::reloading(page, "15") : page;

        QTcpSocket client;
        client.setReadBufferSize(64 * 1024);
        client.connectToHost(QHostAddress::LocalHost, server.serverPort());
        QVERIFY(client.waitForConnected(eventwait::limitMs));
        client.write("GET " + target + " HTTP/1.0\r\n\r\n");
        QVERIFY(client.waitForBytesWritten(eventwait::limitMs));
        SlowReply reply;
        QVERIFY(readSlowly(client, &reply, 64 * 1024));
        QVERIFY2(reply.head.startsWith("HTTP/1.0 200 OK\r\n"), reply.head.constData());
        QCOMPARE(reply.contentLength, qint64(expected.size()));
        // What the client has came from the file, which the server still reads.
        const qint64 position = readPosition(canonical);
        QVERIFY2(position > 0 && position < page.size(), qPrintable(QString::number(position)));

        if (change == "client goes") {
            client.abort();
        } else if (change == "renamed over") {
            QVERIFY(writeWholeFile(file, "a new version", nullptr));
        } else if (change == "rewritten in place") {
            QFile inPlace(file);
            QVERIFY(inPlace.open(QIODevice::ReadWrite) && inPlace.write(page.toUpper()) == page.size());
        } else if (change == "cut short") {
            QVERIFY(QFile::resize(file, page.size() / 2));
        } else if (change == "lengthened") {
            QFile longer(file);
            QVERIFY(longer.open(QIODevice::Append) && longer.write("<p>more</p>\n") == 12);
        }
        if (change != "client goes") {
            QVERIFY2(readSlowly(client, &reply, -1), "the server neither sent the rest nor closed");
            QVERIFY(reply.body.size() <= reply.contentLength);
            QVERIFY2(reply.body == expected.left(reply.body.size()), "bytes of another version");
            QCOMPARE(reply.body.size() == reply.contentLength, whole);
        }
        WAIT_COMPARE(readPosition(canonical), qint64(-1));
        if (!whole && change != "client goes")
            WAIT_VERIFY(!log.isEmpty() && log.last().at(1).toString().contains("changed while it was sent"));
        QCOMPARE(server.cachedBytes(), qint64(0));
    }

    // The answer's time limit counts from the last bytes the client took, as
    // the server sees the system's buffer for it drain: a screen on a slow
    // line takes a file for longer than the limit as long as it keeps taking
    // it, a page kept in memory and written whole as well as a large file
    // sent in pieces, however long the system holds what it has (the reader
    // takes 20 KB a second through a buffer of a few kilobytes: the socket
    // gets room for more only after seconds). One that stops part-way is
    // dropped once it has taken nothing for that long, also from a page.
    void slowReaderIsKeptWhileItTakes_data()
    {
        QTest::addColumn<qint64>("size"); // of the file
        QTest::addColumn<bool>("kept"); // a page kept in memory, else a file sent in pieces
        QTest::addColumn<qint64>("stopAfter"); // bytes taken before the reader stops; -1: never
        const qint64 mb = 1024 * 1024;
        QTest::newRow("steady to the end of a large file") << 6 * mb << false << qint64(-1);
        QTest::newRow("steady to the end of a kept page") << 3 * mb << true << qint64(-1);
        QTest::newRow("stops part-way in a large file") << 6 * mb << false << 256 * 1024LL;
        QTest::newRow("stops part-way in a kept page") << 3 * mb << true << 256 * 1024LL;
    }
    void slowReaderIsKeptWhileItTakes()
    {
        QFETCH(qint64, size);
        QFETCH(bool, kept);
        QFETCH(qint64, stopAfter);
        const QString root = m_dir.filePath(kept ? "steadykept" : "steady");
        const QString file = root + "/steady.html";
        const QByteArray page = bigPage("steady", size);
        if (!QFileInfo::exists(file)) {
            QVERIFY(writeFile(file, page));
            WAIT_VERIFY(settled(file)); // old enough to be kept
        }
        const QString canonical = QFileInfo(file).canonicalFilePath();
        HttpDaemon server(nullptr, 0, root, QHostAddress::LocalHost);
        const int timeout = 1000;
        server.setRequestTimeout(timeout);
        QSignalSpy log(&server, &HttpDaemon::logMessage);
        const auto droppedIdle = [&log] {
            return std::any_of(log.cbegin(), log.cend(),
                               [](const QList<QVariant> &line) { return line.at(1).toString().contains("took nothing"); });
        };

        // A steady reader takes the page slowly for three times the limit,
        // then the rest at once. Should this process be starved for half the
        // limit meanwhile, it did not keep reading, and a drop says nothing
        // of the server: it reads again.
        const int attempts = 5;
        for (int attempt = 1; attempt <= attempts; ++attempt) {
            log.clear();
            SteadyReader reader(server.serverPort(), "/steady.html", 3 * timeout, stopAfter);
            if (stopAfter >= 0) {
                WAIT_VERIFY(reader.stopped || reader.closed);
                QVERIFY2(reader.stopped, qPrintable(QStringLiteral("dropped after %1 bytes").arg(reader.taken.size())));
                QCOMPARE(reader.taken.size(), stopAfter);
                // Dropped, whether the rest was with the socket or with the system.
                WAIT_VERIFY(droppedIdle());
                QVERIFY(reader.taken.startsWith("HTTP/1.0 200 OK\r\n"));
                break;
            }
            WAIT_VERIFY(reader.closed);
            if (droppedIdle() && reader.longestPauseMs >= timeout / 2 && attempt < attempts) {
                qInfo("the reader paused for %lld ms: read again", reader.longestPauseMs);
                continue;
            }
            if (droppedIdle() && reader.longestPauseMs >= timeout / 2)
                QSKIP("this machine never let the reader keep its pace");
            QVERIFY2(!droppedIdle(), qPrintable(QStringLiteral("dropped after %1 bytes, the reader never paused over %2 ms")
                                                    .arg(reader.taken.size())
                                                    .arg(reader.longestPauseMs)));
            const qsizetype end = reader.taken.indexOf("\r\n\r\n");
            QVERIFY(end > 0);
            QVERIFY2(reader.taken.startsWith("HTTP/1.0 200 OK\r\n"), reader.taken.left(end).constData());
            const QByteArray body = reader.taken.mid(end + 4);
            QCOMPARE(body.size(), page.size());
            QVERIFY(body == page);
            break;
        }
        QCOMPARE(server.cachedBytes(), kept ? qint64(page.size()) : qint64(0));
        if (!kept)
            WAIT_COMPARE(readPosition(canonical), qint64(-1));
    }

    // A client that stops half-way, in its request or in taking a large
    // answer, is dropped after the time limit instead of staying for ever.
    void lateClientIsDropped_data()
    {
        QTest::addColumn<bool>("readsNothing");
        QTest::newRow("request never ends") << false;
        QTest::newRow("answer never taken") << true;
    }
    void lateClientIsDropped()
    {
        QFETCH(bool, readsNothing);
        const qint64 size = 48 * 1024 * 1024; // more than the sockets buffer
        QFile big(m_root + "/big.bin");
        if (readsNothing)
            QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(size));
        HttpDaemon server(nullptr, 0, m_root, QHostAddress::LocalHost);
        server.setRequestTimeout(300);
        const quint16 port = server.serverPort();
        // The server says so when it drops a client (on this thread).
        std::atomic<bool> dropped{false};
        connect(&server, &HttpDaemon::logMessage, this, [&dropped](int, const QString &text) {
            if (text.contains(QLatin1String(" in time")) || text.contains(QLatin1String("took nothing")))
                dropped = true;
        });
        QElapsedTimer timer;
        timer.start();
        const qint64 received = whileServing([&]() -> qint64 {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, port);
            if (!socket.waitForConnected(eventwait::limitMs))
                return -1;
            socket.write(readsNothing ? "GET /big.bin HTTP/1.0\r\n\r\n" : "GET /index.html HTTP/1.0\r\n");
            socket.waitForBytesWritten(eventwait::limitMs);
            // Without an event loop this socket reads only when asked to:
            // it takes nothing until the server has given up on it.
            while (!dropped && timer.elapsed() < eventwait::limitMs)
                QThread::msleep(10);
            qint64 bytes = 0;
            while (socket.state() == QAbstractSocket::ConnectedState && timer.elapsed() < 2 * eventwait::limitMs) {
                if (socket.waitForReadyRead(100))
                    bytes += socket.readAll().size();
            }
            return socket.state() == QAbstractSocket::ConnectedState ? -2 : bytes + socket.readAll().size();
        });
        QVERIFY(dropped);
        QVERIFY2(received >= 0, qPrintable(QString::number(received)));
        QVERIFY2(received < (readsNothing ? size : 1), qPrintable(QString::number(received)));
    }

    // Hundreds of clients at once that stop reading hold memory of the
    // server's while they are there; once they are all gone it goes back to
    // the system, not only to the server's own allocator.
    void memoryGoesBackAfterABurst()
    {
        const QString file = m_root + "/burst.bin";
        QFile big(file);
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(8 * 1024 * 1024));
        big.close();
        const QString canonical = QFileInfo(file).canonicalFilePath();
        HttpDaemon server(nullptr, 0, m_root, QHostAddress::LocalHost);
        const auto resident = [] {
            for (const QByteArray &line : readFile("/proc/self/status").split('\n')) {
                if (line.startsWith("VmRSS:"))
                    return line.mid(6).trimmed().split(' ').constFirst().toLongLong() * 1024;
            }
            return qint64(-1);
        };
        const auto opened = [&canonical] {
            int count = 0;
            const QDir fds(QStringLiteral("/proc/self/fd"));
            for (const QString &fd : fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
                count += QFileInfo(fds.filePath(fd)).symLinkTarget() == canonical ? 1 : 0;
            return count;
        };
        const qint64 before = resident();
        QVERIFY(before > 0);
        const int clients = 300;
        std::vector<int> fds;
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(server.serverPort());
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const QByteArray request = "GET /burst.bin HTTP/1.0\r\n\r\n";
        for (int i = 0; i < clients; ++i) {
            const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
            QVERIFY(fd >= 0);
            fds.push_back(fd);
            QVERIFY(::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0);
            QVERIFY(::send(fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL) == request.size());
        }
        // Every one is being sent the file, and takes nothing of it.
        WAIT_COMPARE(opened(), clients);
        const qint64 held = resident();
        for (const int fd : fds)
            ::close(fd);
        WAIT_COMPARE(opened(), 0);
        qInfo("resident %lld KB before, %lld KB with %d clients, %lld KB after", before / 1024, held / 1024, clients,
              resident() / 1024);
#if defined(__SANITIZE_ADDRESS__)
        QFile::remove(file);
        QSKIP("the sanitizers' allocator keeps freed memory in quarantine, whatever the server gives back");
#endif
        QVERIFY2(held - before > 4 * 1024 * 1024, qPrintable(QString::number(held - before)));
        WAIT_VERIFY2(resident() - before < (held - before) / 2, qPrintable(QString::number(resident() - before)));
        QFile::remove(file);
    }

    // A client that goes on sending after its request, while it takes
    // nothing, fills no memory of the server's: the server stops taking its
    // bytes, and drops it once it has taken nothing of its answer for the
    // time limit.
    void floodAfterRequestIsNotTaken()
    {
        const qint64 size = 48 * 1024 * 1024;
        QFile big(m_root + "/flood.bin");
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(size));
        big.close();
        HttpDaemon server(nullptr, 0, m_root, QHostAddress::LocalHost);
        server.setRequestTimeout(1000);
        const quint16 port = server.serverPort();
        // Far more than the system buffers on both sides of a connection.
        const qint64 flood = 128 * 1024 * 1024;
        const qint64 sent = whileServing([&]() -> qint64 {
            QTcpSocket socket;
            socket.setReadBufferSize(64 * 1024); // it takes next to nothing of the answer
            socket.connectToHost(QHostAddress::LocalHost, port);
            if (!socket.waitForConnected(eventwait::limitMs))
                return -1;
            socket.write("GET /flood.bin HTTP/1.0\r\n\r\n");
            const QByteArray chunk(1024 * 1024, 'x');
            qint64 written = 0;
            // Blocks while the server takes nothing; ends when it drops us.
            while (written < flood && socket.state() == QAbstractSocket::ConnectedState) {
                if (socket.bytesToWrite() < chunk.size())
                    written += socket.write(chunk);
                if (!socket.waitForBytesWritten(eventwait::limitMs))
                    break;
            }
            return written - socket.bytesToWrite();
        });
        QVERIFY2(sent >= 0, qPrintable(QString::number(sent)));
        QVERIFY2(sent < flood / 2, qPrintable(QString::number(sent)));
        QFile::remove(m_root + "/flood.bin");
    }

    void manyClientsAtOnce()
    {
        HttpDaemon server(nullptr, 0, m_root, QHostAddress::LocalHost);
        const quint16 port = server.serverPort();
        // 64 screens refreshing in the same instant all get their page.
        const int ok = whileServing([&] {
            std::vector<std::unique_ptr<QTcpSocket>> sockets;
            for (int i = 0; i < 64; ++i) {
                sockets.push_back(std::make_unique<QTcpSocket>());
                sockets.back()->connectToHost(QHostAddress::LocalHost, port);
            }
            int served = 0;
            for (auto &s : sockets)
                if (s->waitForConnected(eventwait::limitMs))
                    s->write("GET /klasse14_A.html HTTP/1.0\r\n\r\n");
            for (auto &s : sockets) {
                QByteArray data;
                while (s->state() == QAbstractSocket::ConnectedState && s->waitForReadyRead(eventwait::limitMs))
                    data += s->readAll();
                data += s->readAll();
                if (data.startsWith("HTTP/1.0 200") && data.endsWith("class 14 A"))
                    ++served;
            }
            return served;
        });
        QCOMPARE(ok, 64);

        // A port that is taken is reported, not hidden.
        HttpDaemon second(nullptr, port, m_root, QHostAddress::LocalHost);
        QVERIFY(!second.isListening());
        QVERIFY(!second.bindError().isEmpty());
    }

    // The window's control of the server: the default aliases, an arena
    // following its active class, off and on from the setup tab, a client tab
    // showing the station's own arena page, and a bad port refused.
    void windowControlsTheServer()
    {
        QDir::setCurrent(m_dir.path());
        const QString cfgFile = m_dir.filePath("window.xml");
        MainWidget::setHostLookup([] { return HostAddresses{}; });
        LoopbackServers servers;
        quint16 port = 0;
        const auto opened = servers.openOnPickedPort(cfgFile,
                                                     {{"app.server", "1"}, {"http.root", m_root},
                                                      {"http.refresh", "7"}, {"bane.update", "100"},
                                                      {"bane.baseUrl", "http://127.0.0.1:%port/"},
                                                      {"bane.directory", m_dir.filePath("cache")}},
                                                     "MainWidget", &port);
        QVERIFY(opened);
        MainWidget &window = *opened;
        HttpDaemon *server = window.httpServer();
        QVERIFY(server && server->isListening());
        auto *view = window.findChild<QTextBrowser *>("showText");
        WAIT_VERIFY(view->toPlainText().contains("pause 1"));
        // The error pages take the station's refresh.
        QVERIFY(whileServing([&] { return get(port, "/none.html"); }).body.contains("content=\"7\""));

        window.slotActivePage(1, "14", "A");
        const auto &aliases = server->aliases();
        QCOMPARE(QStringList({aliases["bane1.html"], aliases["rank1.html"], aliases["oversigt1.html"],
                              aliases["bane2.html"]}),
                 QStringList({"klasse14_A.html", "rank14_A.html", "oversigt14_A.html", "klasse0_2.html"}));
        WAIT_VERIFY(view->toPlainText().contains("class 14 A"));
        window.slotActivePage(5, "3", "B");
        QCOMPARE(server->aliases().value("bane5.html"), QStringLiteral("klasse3_B.html"));

        // Off and on again: a fresh server with the default aliases only.
        auto *box = window.setupTab()->findChild<QCheckBox *>("serverBox");
        box->setChecked(false);
        QVERIFY(!window.httpServer());
        box->setChecked(true);
        QVERIFY(window.httpServer());
        QCOMPARE(window.httpServer()->aliases().value("bane1.html"), QStringLiteral("klasse0_1.html"));
        QVERIFY(!window.httpServer()->aliases().contains("bane5.html"));

        for (const QString port : {"0", "70000", "http"}) {
            QVERIFY(writeSettings(cfgFile, {{"app.server", "1"}, {"http.port", port}}));
            MainWidget refused(nullptr, cfgFile, "MainWidget");
            QVERIFY(!refused.httpServer());
            QVERIFY(refused.findChild<QStatusBar *>()->currentMessage().contains(port));
        }
    }
};

QTEST_MAIN(tst_HttpServer)
#include "tst_httpserver.moc"

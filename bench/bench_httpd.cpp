// bench_httpd: the station's built-in HTTP server under load, as on a show
// ground. It serves an output directory with HttpDaemon while a dressage
// class of 200 starters is updated once a second on the main thread, as the
// result view's timer would do, and the competition-management system (the
// demo simulator) records results in it meanwhile; so the server's figures
// are taken while the station does its ordinary work. Driven by
// bench/http_load.sh, which points a load generator at it and at nginx
// serving the same directory.
//
//   bench_httpd --root DIR [--port N] [--port-file FILE] [--seconds S]
//               [--starters N] [--seed N] [--tick-ms MS] [--simulate 0|1]
//
// It stops after --seconds (default 30), or earlier on SIGTERM or SIGINT,
// and then prints a summary of the ticks.
//
//   bench_httpd --root DIR --slow-clients N [--file-mb MB] [--client-mbps R]
//
// measures something else instead: what a large file costs the server. It
// writes a file of --file-mb megabytes (default 100) into DIR, and N clients
// (ten on a show ground's screens and phones is plenty) fetch it at once,
// each taking at most --client-mbps megabytes a second (default 20; 0.1 is a
// screen on a line of 100 KB/s, which takes a 30 MB file for five minutes)
// through a small receive buffer, never pausing for more than a tenth of a
// second between reads. It prints the growth of this process's resident memory
// (the server's, the clients keep one buffer each) at its peak while they
// read and once they are through, and how many clients got the whole file;
// the targets are every client whole and a growth below 100 MB.
//
//   bench_httpd --root DIR --stalled-clients N [--file-mb MB]
//
// measures what clients cost that ask for that file and then read nothing
// (a screen that hangs, a phone that sleeps): N of them ask at once and
// stop, until the server drops them after its time-out. It prints the
// growth while the server holds them all (its peak) and once it has dropped
// every one; the target is below 100 MB for both, for 800 clients. It also
// prints the growth of the system's TCP memory (/proc/net/sockstat) while
// they are held, what their connections hold on both sides, target below
// 400 MB for 800 clients; and a small page is asked for ten times a second
// meanwhile, each of which must come whole within a second.
//
// The arena page "bane1.html" is an alias of the class's result page
// "klasse<nr>_<section>.html". While the dressage view does not write that
// page itself, this program writes a result page of the loaded rows after
// every tick (through writeWholeFile, as the station's writers do) and says so.

#include "demo/DemoCompetition.h"
#include "demo/DemoSimulator.h"
#include "driver/StandinDriver.h"
#include "files/WholeFile.h"
#include "views/dressur/DressurColumns.h"
#include "views/HtmlText.h"
#include "publish/HttpDaemon.h"
#include "settings/appConfig.h"
#include "views/dressur/staevneKlasseInfoDressur.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QSqlDatabase>
#include <QSqlError>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <numeric>
#include <memory>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Set by SIGTERM/SIGINT; the event loop polls it and ends the run cleanly so
// that the summary is printed.
volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int)
{
    stopRequested = 1;
}

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
    err() << "usage: bench_httpd --root DIR [--port N] [--port-file FILE] [--seconds S] [--starters N]\n"
             "                   [--seed N] [--tick-ms MS] [--simulate 0|1]\n"
             "       bench_httpd --root DIR --slow-clients N [--file-mb MB] [--client-mbps R]\n"
             "       bench_httpd --root DIR --stalled-clients N [--file-mb MB]\n";
    err().flush();
    return 2;
}

struct Options
{
    QString root;
    QString portFile;
    int port = 0;
    int seconds = 30;
    int starters = 200;
    int seed = 1;
    int tickMs = 1000;
    bool simulate = true;
    int slowClients = 0;
    int stalledClients = 0;
    int fileMb = 100;
    double clientMbps = 20;
};

bool readOptions(const QStringList &args, Options *options)
{
    for (int i = 0; i < args.size(); i += 2) {
        if (i + 1 >= args.size())
            return false;
        const QString &name = args.at(i);
        const QString &value = args.at(i + 1);
        bool ok = true;
        if (name == QLatin1String("--root"))
            options->root = value;
        else if (name == QLatin1String("--port-file"))
            options->portFile = value;
        else if (name == QLatin1String("--port"))
            options->port = value.toInt(&ok);
        else if (name == QLatin1String("--seconds"))
            options->seconds = value.toInt(&ok);
        else if (name == QLatin1String("--starters"))
            options->starters = value.toInt(&ok);
        else if (name == QLatin1String("--seed"))
            options->seed = value.toInt(&ok);
        else if (name == QLatin1String("--tick-ms"))
            options->tickMs = value.toInt(&ok);
        else if (name == QLatin1String("--simulate"))
            options->simulate = value.toInt(&ok) != 0;
        else if (name == QLatin1String("--slow-clients"))
            options->slowClients = value.toInt(&ok);
        else if (name == QLatin1String("--stalled-clients"))
            options->stalledClients = value.toInt(&ok);
        else if (name == QLatin1String("--file-mb"))
            options->fileMb = value.toInt(&ok);
        else if (name == QLatin1String("--client-mbps"))
            options->clientMbps = value.toDouble(&ok);
        else
            return false;
        if (!ok)
            return false;
    }
    return !options->root.isEmpty() && options->port >= 0 && options->port <= 65535 && options->seconds > 0
        && options->starters > 0 && options->tickMs > 0 && options->slowClients >= 0 && options->stalledClients >= 0
        && (options->slowClients == 0 || options->stalledClients == 0) && options->fileMb > 0
        && options->clientMbps > 0;
}

// The dressage section being ridden ("klasse <nr> <initials>"), or else the
// one with the most starters, arena 1 first.
const standin::DemoSection *pickSection(const QList<standin::DemoSection> &sections, const QString &ridden)
{
    const standin::DemoSection *best = nullptr;
    for (const standin::DemoSection &s : sections) {
        if (s.kind != standin::DemoSectionKind::Dressage)
            continue;
        if (QStringLiteral("klasse %1 %2").arg(s.klasseNr).arg(s.afdeling) == ridden)
            return &s;
        if (!best || (s.bane == 1 && best->bane != 1)
            || ((s.bane == 1) == (best->bane == 1) && s.starters > best->starters))
            best = &s;
    }
    return best;
}

// A result page of the view's rows as an arena screen gets it: page head
// with refresh and style sheet, the class header, and one table row per
// starter with placing, numbers, horse, rider, club, the judges' marks,
// points and percentage. Only used while the view writes no page itself.
QByteArray resultPage(const staevneKlasseInfo &view)
{
    using namespace DressurColumns;
    QString page;
    page.reserve(256 * 1024);
    QTextStream s(&page);
    s << "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n"
         "<meta http-equiv=\"refresh\" content=\"60\">\n"
         "<link rel=\"stylesheet\" type=\"text/css\" href=\"/ZEPLive.css\">\n"
      << "<title>" << html::escape(view.klasseInfo->text()) << "</title></head>\n"
      << "<body bgcolor=\"white\">\n<table class=\"header\" width=\"100%\">\n"
      << "<tr><td class=\"klasse\">" << html::escape(view.klasseInfo->text()) << "</td></tr>\n"
      << "<tr><td>" << html::escape(view.dommer->text()) << "</td></tr>\n"
      << "<tr><td>" << html::escape(view.maxPoint->text()) << "</td><td>" << html::escape(view.antalPlac->text())
      << "</td></tr>\n<tr><td>" << html::escape(view.sponsor->text()) << "</td></tr>\n</table>\n"
      << "<table class=\"result\" width=\"100%\" cellspacing=\"0\">\n<tr>"
         "<th>Plac.</th><th>Nr</th><th>Hest</th><th>Rytter</th><th>Klub</th>"
         "<th>E</th><th>H</th><th>C</th><th>M</th><th>B</th><th>Point</th><th>%</th></tr>\n";
    const QTreeWidget *list = view.listView1;
    for (int r = 0; r < list->topLevelItemCount(); ++r) {
        const QTreeWidgetItem *item = list->topLevelItem(r);
        const auto cell = [item](int c) { return html::escape(item->text(c)); };
        s << "<tr bgcolor=\"" << (r % 2 ? "#F0EEEC" : "#FFFFFF") << "\"><td>"
          << (item->text(Diskvalifikation).isEmpty() ? cell(Placering) : cell(Diskvalifikation)) << "</td><td>"
          << cell(StaevneNr) << "</td><td>" << cell(Hest) << "<br><small>" << cell(Afstamning)
          << "</small></td><td>" << cell(Rytter) << "</td><td>" << cell(Klub) << "</td>";
        for (int j = 0; j < JudgeCount; ++j)
            s << "<td>" << cell(DommerE + j) << "</td>";
        s << "<td>" << cell(Point) << "</td><td>" << cell(Procent) << "</td></tr>\n";
    }
    s << "</table>\n<p class=\"stamp\">" << QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss"))
      << "</p>\n</body></html>\n";
    s.flush();
    return page.toUtf8();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    return writeWholeFile(path, bytes, nullptr);
}

// Inode, size and modification time: enough to see whether the view
// rewrote a page (a save by rename gives a new inode).
QString stamp(const QString &path)
{
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return QString();
    return QStringLiteral("%1/%2/%3.%4")
        .arg(qulonglong(info.st_ino))
        .arg(qlonglong(info.st_size))
        .arg(qlonglong(info.st_mtim.tv_sec))
        .arg(qlonglong(info.st_mtim.tv_nsec));
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t index = std::min(values.size() - 1, size_t(p * double(values.size() - 1) + 0.5));
    return values[index];
}

// The bytes the server keeps in memory (HttpDaemon::cachedBytes()), or -1
// for a server without that figure: BASELINE builds this file against an
// older tree.
template <typename Daemon>
auto keptBytes(const Daemon &daemon, int) -> decltype(qint64(daemon.cachedBytes()))
{
    return daemon.cachedBytes();
}
template <typename Daemon>
qint64 keptBytes(const Daemon &, long)
{
    return -1;
}

constexpr double mebibyte = 1024.0 * 1024.0;

// This process's resident memory in bytes, or -1 where it cannot be read.
qint64 residentBytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').constFirst().toLongLong() * 1024;
    }
    return -1;
}

QString megabytes(qint64 bytes)
{
    return QString::number(double(bytes) / mebibyte, 'f', 1) + QStringLiteral(" MB");
}

struct SlowClient
{
    qint64 contentLength = -1;
    qint64 body = 0;
    double seconds = 0;
    QString error;
    bool whole() const { return error.isEmpty() && contentLength >= 0 && body == contentLength; }
};

// One client on a slow line: a small receive buffer, and never more than
// `bytesPerSecond` taken on average. Plain sockets, so that what it holds
// is one buffer and not a copy of the answer.
SlowClient fetchSlowly(quint16 port, const QByteArray &target, double bytesPerSecond)
{
    SlowClient result;
    const auto start = std::chrono::steady_clock::now();
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) {
        result.error = QStringLiteral("no socket");
        return result;
    }
    const int receiveBuffer = 256 * 1024;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const QByteArray request = "GET " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0
        || ::send(fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL) != request.size()) {
        result.error = QString::fromLocal8Bit(strerror(errno));
        ::close(fd);
        return result;
    }
    // At most a tenth of a second's worth a read, so that the client never
    // pauses longer than that.
    std::vector<char> buffer(size_t(std::clamp(bytesPerSecond / 10, 1024.0, 64.0 * 1024)));
    QByteArray head;
    qint64 total = 0;
    for (;;) {
        const ssize_t n = ::recv(fd, buffer.data(), buffer.size(), 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            result.error = QString::fromLocal8Bit(strerror(errno));
        if (n <= 0)
            break;
        total += n;
        if (result.contentLength >= 0) {
            result.body += n;
        } else {
            head.append(buffer.data(), n);
            const qsizetype end = head.indexOf("\r\n\r\n");
            if (end >= 0) {
                const QByteArray field = "\r\nContent-Length: ";
                const qsizetype at = head.indexOf(field);
                result.contentLength = at >= 0 && at < end
                    ? head.mid(at + field.size(), head.indexOf("\r\n", at + field.size()) - at - field.size()).toLongLong()
                    : 0;
                result.body = head.size() - end - 4;
                head.clear();
            }
        }
        std::this_thread::sleep_until(start + std::chrono::duration<double>(double(total) / bytesPerSecond));
    }
    ::close(fd);
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return result;
}

// Writes a file of `size` bytes in pieces, so that it costs this process
// nothing.
bool writeLargeFile(const QString &path, qint64 size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        err() << "cannot write " << path << "\n";
        return false;
    }
    QByteArray piece(1024 * 1024, '\0');
    for (qint64 written = 0; written < size; written += piece.size()) {
        for (qsizetype i = 0; i < piece.size(); ++i)
            piece[i] = char('a' + (written / piece.size() + i) % 26);
        if (file.write(piece) != piece.size()) {
            err() << "cannot write " << path << ": " << file.errorString() << "\n";
            return false;
        }
    }
    return true;
}

// Writes the large file and starts the server on `root`; null when either
// fails. The server's log lines are counted, the first `shown` of them
// printed.
std::unique_ptr<HttpDaemon> serveLargeFile(const QString &root, const Options &options, const QString &path,
                                           qint64 size, int shown, qint64 *serverMessages)
{
    if (!writeLargeFile(path, size))
        return nullptr;
    auto daemon = std::make_unique<HttpDaemon>(nullptr, quint16(options.port), root);
    if (!daemon->isListening()) {
        err() << "HTTP server: " << daemon->bindError() << "\n";
        return nullptr;
    }
    QObject::connect(daemon.get(), &HttpDaemon::logMessage, daemon.get(),
                     [serverMessages, shown](int, const QString &text) {
                         if (++*serverMessages <= shown)
                             err() << "server: " << text << "\n" << Qt::flush;
                     });
    QCoreApplication::processEvents();
    return daemon;
}

// The resident memory once the server has let go of its clients: it frees
// their sockets on its own thread a moment after it drops them, and gives
// memory back to the system a moment after that.
qint64 residentAfterSettling()
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (std::chrono::steady_clock::now() < until) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return residentBytes();
}

// The large-file run (--slow-clients): the server's resident memory while
// slow clients take a file far larger than any copy it keeps.
int runSlowClients(const QString &root, const Options &options)
{
    const QString name = QStringLiteral("large.bin");
    const QString path = QDir(root).filePath(name);
    const qint64 size = qint64(options.fileMb) * 1024 * 1024;
    qint64 serverMessages = 0;
    const std::unique_ptr<HttpDaemon> server = serveLargeFile(root, options, path, size, 5, &serverMessages);
    if (!server)
        return 1;
    HttpDaemon &daemon = *server;
    const qint64 before = residentBytes();
    out() << "bench_httpd: " << options.slowClients << " slow clients on a " << megabytes(size) << " file, each at most "
          << options.clientMbps << " MB/s, port " << daemon.serverPort() << "\n"
          << Qt::flush;

    std::vector<SlowClient> results(size_t(options.slowClients));
    std::atomic<int> running{options.slowClients};
    std::vector<std::thread> clients;
    const quint16 port = daemon.serverPort();
    const double rate = options.clientMbps * mebibyte;
    for (int i = 0; i < options.slowClients; ++i) {
        clients.emplace_back([&results, &running, i, port, rate, &name] {
            results[size_t(i)] = fetchSlowly(port, "/" + name.toLatin1(), rate);
            --running;
        });
    }
    qint64 peak = before;
    while (running > 0) {
        QCoreApplication::processEvents();
        peak = std::max(peak, residentBytes());
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    for (std::thread &client : clients)
        client.join();
    const qint64 after = residentAfterSettling();
    QFile::remove(path);

    int whole = 0;
    double slowest = 0;
    for (const SlowClient &client : results) {
        whole += client.whole() ? 1 : 0;
        slowest = std::max(slowest, client.seconds);
        if (!client.whole())
            err() << "client: " << client.body << " of " << client.contentLength << " bytes after "
                  << QString::number(client.seconds, 'f', 1) << " s "
                  << (client.error.isEmpty() ? QString() : client.error) << "\n";
    }
    const qint64 growth = peak - before;
    const bool met = before >= 0 && growth < qint64(100 * mebibyte);
    out() << "bench_httpd: resident memory " << megabytes(before) << " before, " << megabytes(peak)
          << " at the peak: growth " << megabytes(growth) << " (target below 100 MB: " << (met ? "met" : "missed")
          << "), " << megabytes(after - before) << " once they are through; " << whole << " of "
          << options.slowClients << " clients got the whole file (target all: "
          << (whole == options.slowClients ? "met" : "missed") << "), the slowest in "
          << QString::number(slowest, 'f', 1) << " s; server log lines " << serverMessages << "\n"
          << Qt::flush;
    return met && whole == options.slowClients ? 0 : 1;
}

// What the system's TCP sockets hold in bytes (/proc/net/sockstat gives
// pages), or -1 where it cannot be read.
qint64 tcpMemoryBytes()
{
    QFile sockstat(QStringLiteral("/proc/net/sockstat"));
    if (!sockstat.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : sockstat.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        const qsizetype at = fields.indexOf("mem");
        if (fields.constFirst() == "TCP:" && at > 0 && at + 1 < fields.size())
            return fields.at(at + 1).toLongLong() * ::sysconf(_SC_PAGESIZE);
    }
    return -1;
}

// A client that asks for a small page ten times a second until told to stop,
// as a screen would while others hang: how many it asked, how many came
// whole within a second, and the slowest.
struct PageProbe
{
    std::atomic<bool> stop{false};
    int asked = 0;
    int inTime = 0;
    double slowestMs = 0;
    double slowestAtMs = 0; // since the probe started

    void run(quint16 port, const QByteArray &target, qint64 length)
    {
        const QByteArray request = "GET " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
        std::vector<char> buffer(64 * 1024);
        const auto begin = std::chrono::steady_clock::now();
        while (!stop) {
            const auto start = std::chrono::steady_clock::now();
            ++asked;
            qint64 body = -1;
            const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
            const timeval patience{10, 0};
            ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_port = htons(port);
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            if (fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0
                && ::send(fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL) == request.size()) {
                QByteArray answer;
                ssize_t n;
                while ((n = ::recv(fd, buffer.data(), buffer.size(), 0)) > 0)
                    answer.append(buffer.data(), n);
                const qsizetype end = answer.indexOf("\r\n\r\n");
                if (n == 0 && answer.startsWith("HTTP/1.0 200") && end >= 0)
                    body = answer.size() - end - 4;
            }
            if (fd >= 0)
                ::close(fd);
            const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            if (ms > slowestMs) {
                slowestMs = ms;
                slowestAtMs = std::chrono::duration<double, std::milli>(start - begin).count();
            }
            if (body == length && ms < 1000)
                ++inTime;
            std::this_thread::sleep_until(start + std::chrono::milliseconds(100));
        }
    }
};

// The stalled run (--stalled-clients): clients that ask for the large file
// and read nothing, held by the server until its time-out drops them.
int runStalledClients(const QString &root, const Options &options)
{
    const QString name = QStringLiteral("large.bin");
    const QString path = QDir(root).filePath(name);
    const qint64 size = qint64(options.fileMb) * 1024 * 1024;
    // Two descriptors a client in this one process: its own and the server's.
    rlimit files{};
    if (::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &files);
    }
    qint64 serverMessages = 0;
    const std::unique_ptr<HttpDaemon> server = serveLargeFile(root, options, path, size, 3, &serverMessages);
    if (!server)
        return 1;
    HttpDaemon &daemon = *server;
    const QByteArray page(8 * 1024, 'p');
    if (!writeFile(QDir(root).filePath(QStringLiteral("small.html")), page))
        return 1;
    const qint64 before = residentBytes();
    const qint64 tcpBefore = tcpMemoryBytes();
    out() << "bench_httpd: " << options.stalledClients << " clients ask for a " << megabytes(size)
          << " file and read nothing, port " << daemon.serverPort() << "; TCP memory " << megabytes(tcpBefore)
          << " before\n"
          << Qt::flush;
    PageProbe probe;
    std::thread prober([&probe, &daemon, &page] { probe.run(daemon.serverPort(), "/small.html", page.size()); });

    // Plain sockets with the system's own buffers, in this thread: each
    // sends its request and is then left alone.
    const QByteArray request = "GET /" + name.toLatin1() + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(daemon.serverPort());
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::vector<int> clients;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < options.stalledClients; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0
            || ::send(fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL) != request.size()) {
            err() << "client " << i << ": " << strerror(errno) << "\n";
            if (fd >= 0)
                ::close(fd);
            for (const int client : clients)
                ::close(client);
            probe.stop = true;
            prober.join();
            return 1;
        }
        clients.push_back(fd);
    }
    const qint64 askedMs = clock.elapsed();

    // The server says so of every client it drops, and says nothing else
    // here; the clients never read, so they cannot tell.
    qint64 held = before;
    qint64 tcpHeld = tcpBefore;
    qint64 firstDropMs = -1;
    while (serverMessages < qint64(clients.size()) && clock.elapsed() < 120000) {
        QCoreApplication::processEvents();
        const qint64 resident = residentBytes();
        tcpHeld = std::max(tcpHeld, tcpMemoryBytes());
        if (serverMessages == 0)
            held = std::max(held, resident);
        else if (firstDropMs < 0)
            firstDropMs = clock.elapsed();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const qint64 lastDropMs = clock.elapsed();
    probe.stop = true;
    prober.join();
    for (const int client : clients)
        ::close(client);
    const qint64 after = residentAfterSettling();
    QFile::remove(path);

    const qint64 growth = held - before;
    const qint64 left = after - before;
    const qint64 target = qint64(100 * mebibyte);
    const qint64 dropped = serverMessages;
    const bool met = before >= 0 && growth < target && left < target && dropped == qint64(clients.size());
    // Half a megabyte a client: 400 MB for 800.
    const qint64 tcpGrowth = tcpHeld - tcpBefore;
    const bool tcpMet = tcpBefore >= 0 && tcpGrowth < qint64(clients.size()) * qint64(mebibyte / 2);
    const bool pagesMet = probe.asked > 0 && probe.inTime == probe.asked;
    out() << "bench_httpd: all asked in " << askedMs << " ms; resident memory " << megabytes(before)
          << " before, growth " << megabytes(growth) << " while the server held all of them, "
          << megabytes(left) << " once it had dropped them (target below 100 MB: " << (met ? "met" : "missed")
          << "); " << dropped << " of " << clients.size() << " dropped, the first after "
          << QString::number(double(firstDropMs) / 1000, 'f', 1) << " s, the last after "
          << QString::number(double(lastDropMs) / 1000, 'f', 1) << " s\n"
          << "bench_httpd: TCP memory growth " << megabytes(tcpGrowth) << " while they were held (target below "
          << megabytes(qint64(clients.size()) * qint64(mebibyte / 2)) << ": " << (tcpMet ? "met" : "missed")
          << "); a small page " << probe.inTime << " of " << probe.asked
          << " times whole within 1 s (target all: " << (pagesMet ? "met" : "missed") << "), the slowest in "
          << QString::number(probe.slowestMs, 'f', 0) << " ms, asked "
          << QString::number(probe.slowestAtMs / 1000, 'f', 1) << " s after the first\n"
          << Qt::flush;
    return met && tcpMet && pagesMet ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    Options options;
    if (!readOptions(app.arguments().mid(1), &options))
        return usage();
    if (!QDir().mkpath(options.root)) {
        err() << "cannot make " << options.root << "\n";
        return 1;
    }
    const QString root = QFileInfo(options.root).absoluteFilePath();
    if (options.slowClients > 0)
        return runSlowClients(root, options);
    if (options.stalledClients > 0)
        return runStalledClients(root, options);

    // The competition database: a demo show of one-section classes, one on
    // each of the four arenas, each with exactly --starters starters. (The
    // usual demo show fits its sections into the day and cuts a large class
    // short.)
    QTemporaryDir work;
    if (!work.isValid()) {
        err() << "no temporary directory\n";
        return 1;
    }
    const QString dbFile = work.filePath(QStringLiteral("bench.db"));
    standin::DemoOptions demo;
    demo.seed = quint32(options.seed);
    demo.sections = 4;
    demo.maxStarters = options.starters;
    QString error;
    QElapsedTimer clock;
    clock.start();
    if (!standin::generateDemoCompetition(dbFile, demo, &error)) {
        err() << "demo database: " << error << "\n";
        return 1;
    }
    const qint64 generateMs = clock.elapsed();
    // The class on the arena page is the one being ridden in arena 1: the
    // simulator's first ride tells which, its first change naming it.
    QString ridden;
    if (options.simulate) {
        standin::DemoSimulator probe(dbFile, quint32(options.seed));
        const QStringList changes = probe.step();
        if (!changes.isEmpty())
            ridden = changes.first().section(QLatin1Char(':'), 0, 0);
    }
    const QList<standin::DemoSection> sections = standin::readDemoSections(dbFile, standin::demoCompetitionId, &error);
    const standin::DemoSection *picked = pickSection(sections, ridden);
    if (!picked) {
        err() << "no dressage section in the demo database " << error << "\n";
        return 1;
    }
    const standin::DemoSection section = *picked;

    standin::registerDriver();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(standin::driverName(), QStringLiteral("ZEP"));
        db.setDatabaseName(dbFile);
        if (!db.open()) {
            err() << "database: " << db.lastError().text() << "\n";
            return 1;
        }
    }

    appConfig cfg(nullptr, QString());
    cfg.setValue(QStringLiteral("http.root"), root);
    // The ticks below stand in for the view's own timer.
    cfg.setValue(QStringLiteral("database.update"), QStringLiteral("3600000"));

    staevneKlasseInfoDressur view(&cfg);
    // The view's log at levels 0 and 1, counted; the first lines are shown.
    int viewMessages = 0;
    QObject::connect(&view, &staevneKlasseInfo::logMessage, &view, [&viewMessages](int level, const QString &text) {
        if (level <= 1 && ++viewMessages <= 3)
            err() << "view: " << text.trimmed() << "\n" << Qt::flush;
    });

    const QString pageName = QStringLiteral("klasse%1_%2.html").arg(section.klasseNr).arg(section.afdeling);
    const QString pagePath = QDir(root).filePath(pageName);
    QFile::remove(pagePath);

    // A view that has its own timer update gets it; otherwise the tick is
    // the full reload every view has.
    const QMetaObject &meta = staevneKlasseInfoDressur::staticMetaObject;
    const bool ownUpdate = meta.indexOfSlot("updateKlasse()") >= meta.methodOffset();

    bool viewWritesPage = false;
    int benchPages = 0;
    int pageRewrites = 0;
    std::vector<double> tickMs;
    std::vector<double> pageMs;
    int ticks = 0;
    // One class tick: the view updates the class and the arena page is
    // rewritten.
    const auto tick = [&](bool first) {
        const QString before = stamp(pagePath);
        QElapsedTimer t;
        t.start();
        if (first)
            view.showKlasse(section.staevneId, section.klasseNr, section.afdeling, section.bane, section.afdelingId);
        else if (ownUpdate && viewWritesPage)
            view.updateKlasse();
        else
            view.refreshClass();
        const QString after = stamp(pagePath);
        if (after != before && !after.isEmpty()) {
            viewWritesPage = true;
            ++pageRewrites;
        }
        if (!viewWritesPage) {
            QElapsedTimer p;
            p.start();
            if (!writeFile(pagePath, resultPage(view)))
                err() << "cannot write " << pagePath << "\n" << Qt::flush;
            ++benchPages;
            pageMs.push_back(double(p.nsecsElapsed()) / 1e6);
        }
        tickMs.push_back(double(t.nsecsElapsed()) / 1e6);
        ++ticks;
    };

    tick(true);
    const int rows = view.listView1->topLevelItemCount();
    // The figures are those of a page of this many starters, or none.
    if (section.starters != options.starters || rows != options.starters) {
        err() << "class " << section.klasseNr << " " << section.afdeling << " has " << section.starters
              << " starters and " << rows << " rows, not " << options.starters << "\n";
        return 1;
    }

    HttpDaemon daemon(nullptr, quint16(options.port), root);
    if (!daemon.isListening()) {
        err() << "HTTP server: " << daemon.bindError() << "\n";
        return 1;
    }
    daemon.addAlias(QStringLiteral("bane1.html"), pageName);
    qint64 serverMessages = 0;
    QObject::connect(&daemon, &HttpDaemon::logMessage, &daemon, [&serverMessages](int, const QString &text) {
        if (++serverMessages <= 5)
            err() << "server: " << text << "\n" << Qt::flush;
    });

    out() << "bench_httpd: port " << daemon.serverPort() << ", root " << root << "\n"
          << "  demo database with " << options.starters << " starters per section made in " << generateMs << " ms\n"
          << "  class " << section.klasseNr << " " << section.afdeling << " (arena " << section.bane << ", "
          << section.starters << " starters, " << rows << " rows), bane1.html -> " << pageName << "\n"
          << "  tick every " << options.tickMs << " ms: "
          << (ownUpdate && viewWritesPage ? "updateKlasse()" : "refreshClass()") << "\n"
          << "  arena page written by "
          << (viewWritesPage ? QStringLiteral("the dressage view")
                             : QStringLiteral("this program (the dressage view writes no page yet)"))
          << "\n"
          << Qt::flush;
    if (!options.portFile.isEmpty() && !writeFile(options.portFile, QByteArray::number(daemon.serverPort()) + '\n')) {
        err() << "cannot write " << options.portFile << "\n";
        return 1;
    }

    // The competition-management system records results meanwhile, at the
    // pace of the ticks; it runs on another computer, so here on a thread of
    // its own.
    int simulatorChanges = 0;
    QThread simulatorThread;
    QObject *simulatorHome = nullptr;
    standin::DemoSimulator *simulator = nullptr;
    if (options.simulate) {
        simulatorThread.start();
        simulatorHome = new QObject;
        simulatorHome->moveToThread(&simulatorThread);
        QMetaObject::invokeMethod(simulatorHome, [&] {
            simulator = new standin::DemoSimulator(dbFile, quint32(options.seed));
            simulator->setInterval(options.tickMs);
            simulator->setDuration(options.seconds * 1000);
            QObject::connect(simulator, &standin::DemoSimulator::stepped, &app,
                             [&simulatorChanges](int, const QStringList &changes) { simulatorChanges += changes.size(); });
            simulator->start();
        }, Qt::BlockingQueuedConnection);
    }

    // Pauses of the main thread's event loop (the ticks among them): a timer
    // that should fire every millisecond.
    std::vector<double> stalls;
    QElapsedTimer loopClock;
    loopClock.start();
    qint64 lastBeat = 0;
    QTimer beat;
    beat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&beat, &QTimer::timeout, &app, [&] {
        const qint64 now = loopClock.nsecsElapsed();
        const double gap = double(now - lastBeat) / 1e6;
        if (lastBeat && gap > 5)
            stalls.push_back(gap);
        lastBeat = now;
    });
    beat.start(1);

    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, &view, [&tick] { tick(false); });
    ticker.start(options.tickMs);
    QTimer::singleShot(options.seconds * 1000, &app, &QApplication::quit);
    std::signal(SIGTERM, requestStop);
    std::signal(SIGINT, requestStop);
    QTimer stopPoll;
    QObject::connect(&stopPoll, &QTimer::timeout, &app, [] {
        if (stopRequested)
            QApplication::quit();
    });
    stopPoll.start(100);
    const int rc = app.exec();
    ticker.stop();
    if (simulatorHome) {
        QMetaObject::invokeMethod(simulatorHome, [&] {
            delete simulator;
            delete simulatorHome;
        }, Qt::BlockingQueuedConnection);
        simulatorThread.quit();
        simulatorThread.wait();
        QCoreApplication::processEvents();
    }

    const double pageAverage =
        pageMs.empty() ? 0.0 : std::accumulate(pageMs.begin(), pageMs.end(), 0.0) / double(pageMs.size());
    out() << "bench_httpd: " << ticks << " ticks, tick ms median " << QString::number(percentile(tickMs, 0.5), 'f', 1)
          << ", p99 " << QString::number(percentile(tickMs, 0.99), 'f', 1) << ", max "
          << QString::number(percentile(tickMs, 1.0), 'f', 1) << "; " << simulatorChanges
          << " simulated changes; pages written by "
          << (viewWritesPage ? QStringLiteral("the view") : QStringLiteral("this program"));
    if (benchPages > 0)
        out() << " (" << benchPages << " of them here, " << QString::number(pageAverage, 'f', 1) << " ms each)";
    out() << "; the view rewrote the page in " << pageRewrites << " of them";
    out() << "; " << stalls.size() << " main-thread pauses over 5 ms, "
          << QString::number(std::accumulate(stalls.begin(), stalls.end(), 0.0), 'f', 0) << " ms in all, longest "
          << QString::number(percentile(stalls, 1.0), 'f', 1) << " ms";
    out() << "; page " << QFileInfo(pagePath).size() << " bytes; view log lines " << viewMessages << ", server log lines "
          << serverMessages;
    if (const qint64 kept = keptBytes(daemon, 0); kept >= 0)
        out() << "; server keeps " << kept << " bytes";
    out() << "\n" << Qt::flush;
    return rc;
}

// Memory over a show day: the demo competition loaded into a running station
// (settings as a station without a settings file would have them, so in
// debug mode with both log views, serving and uploading), then the
// simulator's results played into it as fast as the station takes them. A
// result is one simulator step (the next starter of every arena ridden, now
// and then a withdrawal or a late entry: what the demo plays every 5 s),
// followed by one timer round of every view, the uploads and everything else
// the event loop has for the station. The resident memory (VmRSS) is printed
// after the load and after every thousand results; once the first thousand
// have been taken it should stay where it is.
//
// Usage: bench_memory [results] [every]   (default 4000 results, print every 1000)

#include "BenchStation.h"
#include "demo/DemoSimulator.h"
#include "driver/StandinDriver.h"
#include "settings/appConfig.h"
#include "views/staevneKlasseInfo.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

using benchfx::BenchWindow;
using benchfx::freePort;

namespace {

// The results server at its simplest: reads each request whole, forgets it
// and answers 200, so that the station's uploads cost what they cost at a
// show and nothing piles up on this side.
class UploadSink : public QObject
{
public:
    UploadSink()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    quint16 port() const { return m_server.serverPort(); }
    int requests() const { return m_requests; }

private:
    void read(QTcpSocket *socket)
    {
        QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
        const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
        if (headEnd < 0) {
            socket->setProperty("buffer", buffer);
            return;
        }
        qsizetype length = 0;
        for (const QByteArray &line : buffer.left(headEnd).split('\n')) {
            if (line.toLower().startsWith("content-length:"))
                length = line.mid(15).trimmed().toLongLong();
        }
        if (buffer.size() < headEnd + 4 + length) {
            socket->setProperty("buffer", buffer);
            return;
        }
        socket->setProperty("buffer", QByteArray());
        ++m_requests;
        socket->write("HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nOK");
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    int m_requests = 0;
};

// Resident memory of this process in kB, from /proc/self/status.
long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int results = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 4000;
    const int every = argc > 2 ? std::max(1, QByteArray(argv[2]).toInt()) : 1000;

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("demo.db"));
    if (!benchfx::generateDemo(file))
        return 1;

    UploadSink sink;
    standin::registerDriver();
    const QString settings = dir.filePath(QStringLiteral("memory.xml"));
    const QString httpPort = freePort();
    {
        // What the demo sets, without "debug.show": the debug mode a
        // station without a settings file starts in.
        appConfig cfg(nullptr, settings);
        cfg.setValue(QStringLiteral("app.server"), QStringLiteral("1"));
        cfg.setValue(QStringLiteral("bane.baseUrl"), QStringLiteral("http://127.0.0.1:%1/").arg(httpPort));
        cfg.setValue(QStringLiteral("championat.show"), QStringLiteral("1"));
        cfg.setValue(QStringLiteral("database.driver"), standin::driverName());
        cfg.setValue(QStringLiteral("database.name"), file);
        cfg.setValue(QStringLiteral("database.update"), QStringLiteral("3600000")); // the bench ticks, not the timers
        cfg.setValue(QStringLiteral("http.root"), dir.filePath(QStringLiteral("html")));
        cfg.setValue(QStringLiteral("http.port"), httpPort);
        cfg.setValue(QStringLiteral("upload.server"), QStringLiteral("127.0.0.1:%1").arg(sink.port()));
        cfg.setValue(QStringLiteral("upload.state"), QStringLiteral("1"));
        cfg.writeConfig();
    }
    BenchWindow window(nullptr, settings, QStringLiteral("main"));
    window.resize(1280, 720);
    window.show();
    window.openStaevne(standin::demoCompetitionId);
    app.processEvents();
    const QStringList keys = window.viewKeys();
    std::printf("demo competition: %d views; after the load: VmRSS %ld kB\n", int(keys.size()), residentKb());
    std::fflush(stdout);

    const auto lines = [&window](const char *view) {
        const auto *edit = window.findChild<QPlainTextEdit *>(QLatin1String(view));
        return edit ? edit->blockCount() : 0;
    };
    standin::DemoSimulator simulator(file);
    QElapsedTimer clock;
    clock.start();
    long first = 0;
    int played = 0;
    int changes = 0;
    int nextReport = every;
    while (played < results) {
        const QStringList stepped = simulator.step();
        if (stepped.isEmpty() && !simulator.lastError().isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(simulator.lastError()));
            return 1;
        }
        ++played;
        changes += int(stepped.size());
        for (const QString &key : keys) {
            if (staevneKlasseInfo *view = window.view(key))
                view->timeOut();
        }
        // The uploads and the rest of the event loop's work.
        for (int i = 0; i < 3; ++i)
            app.processEvents(QEventLoop::AllEvents, 5);
        if (played == nextReport) {
            const long rss = residentKb();
            if (first == 0)
                first = rss;
            std::printf("%6d results (%6d changes, %6.1f s, %6d uploads, log lines %d + %d): VmRSS %ld kB (%+ld kB "
                        "since the first %d)\n",
                        played, changes, clock.elapsed() / 1000.0, sink.requests(), lines("infoText"), lines("rawText"),
                        rss, rss - first, every);
            std::fflush(stdout);
            nextReport += every;
        }
    }
    return 0;
}

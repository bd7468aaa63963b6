#include "publish/HttpDaemon.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QMutex>
#include <QScopedValueRollback>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <ctime>
#include <iterator>
#include <list>

#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "publish/HttpRequest.h"

namespace {
// A client that has not sent its request head by then is dropped, and so is
// one that then takes nothing of its answer for as long: a screen on a slow
// line may take a large file for minutes, one that hangs holds nothing long.
constexpr int requestTimeoutMs = 10000;
// What the system may hold of one answer on its way to the client (it books
// twice this for its own overhead). Left to itself it grows a connection's
// send buffer to megabytes, and takes more of an answer only once a third of
// that has gone: hundreds of clients that stop reading would hold gigabytes
// of the system's memory, and the server would spend seconds filling their
// buffers while nobody else is answered. What the system does not hold stays
// with the socket: a kept page shared with the copy, or one piece of a file.
constexpr int sendBufferBytes = 64 * 1024;
// A client that takes four times that within fastTakeMs is on a fast line:
// its buffer grows fourfold, up to this, so that a large file reaches it in
// few and large writes instead of many small ones.
constexpr int maxSendBufferBytes = 2 * 1024 * 1024;
constexpr qint64 fastTakeMs = 250;

// Files kept in memory between requests: how many, and how large each may be
// (and within the server's cache limit, which bounds their bytes in all).
constexpr int maxKeptFiles = 256;
constexpr qint64 maxKeptFileBytes = 4 * 1024 * 1024;
// A file too large to keep goes out in pieces of an eighth of the client's
// send buffer (8 KB at first), the next one read only once the socket has
// handed all of the last to the system: a client that stops reading holds
// at most one piece of the server's memory besides what the system holds,
// so hundreds of them stay cheap.
constexpr int sendBufferPerPiece = 8;
// Bytes handed on in one turn while the system takes them at once, before
// the other clients get theirs: a fast reader cannot hold up the rest.
constexpr qint64 bytesPerTurn = 4 * 1024 * 1024;
// Once this many clients at once are all gone, the memory they took goes back
// to the system: the C library keeps what the serving thread freed for as
// long as a few allocations that outlive the clients (the event loop's and
// the client table's grown arrays) lie above it, tens of megabytes after
// hundreds of clients. Ordinary traffic never comes near it.
constexpr int trimAfterClients = 100;
// What the server takes of a client's bytes after its request.
constexpr qint64 ignoredInputBytes = 4096;
constexpr int trimDelayMs = 250;
// A copy of a file is kept only once the file has been left alone this long:
// a file rewritten in place within the file system's clock granularity could
// otherwise show the same size and times as the copy.
constexpr qint64 settledNs = 100 * 1000 * 1000;

qint64 nanoseconds(const timespec &t)
{
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}
} // namespace

// What the owner's thread sets and the serving thread reads.
struct HttpDaemon::Shared
{
    mutable QMutex mutex;
    QMap<QString, QString> aliases;
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTimeUtc(); };
    QString refresh = QStringLiteral("60");
    QString logoDir = QStringLiteral("logo/");
    std::atomic<int> requestTimeoutMs{::requestTimeoutMs};
    std::atomic<qint64> cacheLimit{HttpDaemon::defaultCacheLimit};
    // Written by the serving thread after every change of its copies.
    std::atomic<qint64> cachedBytes{0};
};

// The listening socket and the clients, on the serving thread.
class HttpDaemon::Worker : public QObject
{
public:
    Worker(HttpDaemon *daemon, Shared *shared, const QString &root)
        : m_daemon(daemon)
        , m_shared(shared)
        , m_root(root)
    {
    }
    ~Worker() override;

    bool listen(const QHostAddress &address, quint16 port, QString *error, bool *taken, quint16 *actualPort);
    // Drops the least recently served copies until those kept fit the limit.
    void trimKept();

private:
    // A file sent from disk as the client takes it. The answer's length was
    // told from the file as it was opened; should the file change after
    // that, what is left would no longer fit it. Every write moves the
    // modification time (the change time moves also when the file is only
    // renamed over, and its content stays).
    struct Stream
    {
        QFile file;
        qint64 left = 0; // bytes of the file still to send
        off_t size = 0;
        qint64 modified = 0;

        bool unchanged() const
        {
            struct stat now;
            return ::fstat(file.handle(), &now) == 0 && now.st_size == size && nanoseconds(now.st_mtim) == modified;
        }
    };
    struct Client
    {
        QByteArray head;
        qint64 deadline = 0; // on m_uptime
        bool answered = false; // the answer is written; the client must keep taking it
        std::shared_ptr<Stream> stream; // while a large file is being sent
        qint64 handed = 0; // bytes of the answer the socket handed to the system
        qint64 taken = 0; // of those, what the client had taken when last looked at
        int sendBuffer = sendBufferBytes;
        qint64 paceBytes = 0; // `handed` when its pace was last measured,
        qint64 paceMs = 0; // and when
    };
    // A file as last read, with what tells whether it changed since.
    struct KeptFile
    {
        QString path; // resolved (http::Answer::resolvedPath): the key
        QByteArray body;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        qint64 modified = 0;
        qint64 changed = 0;
        // The page as an arena name answers it (http::reloading) with the
        // reload `arenaRefresh`, made on the first such request: it depends
        // on nothing else, and working it out costs more than sending it.
        QByteArray arenaBody;
        QString arenaRefresh;
        bool hasArenaBody = false;

        // What the copy takes: the arena answer counts unless it is the page
        // itself (a page that reloads by itself shares the bytes).
        qint64 bytes() const
        {
            const bool ownArenaBody = hasArenaBody && arenaBody.constData() != body.constData();
            return body.size() + (ownArenaBody ? arenaBody.size() : 0);
        }
    };
    // Most recently served first.
    using KeptList = std::list<KeptFile>;

    void newConnection();
    void readClient(QTcpSocket *socket);
    void dropClient(QTcpSocket *socket);
    void dropLateClients();
    bool tookSinceLastLook(QTcpSocket *socket, Client *client);
    bool readFile(const QString &path, const QString *arenaRefresh, QByteArray *body,
                  std::shared_ptr<Stream> *stream);
    bool openStream(const QString &path, const QString *arenaRefresh, QByteArray *body,
                    std::shared_ptr<Stream> *stream);
    void tookBytes(QTcpSocket *socket);
    void sendMore(QTcpSocket *socket);
    void forget(KeptList::iterator kept);
    void publishKeptBytes();
    void giveBackMemory();
    void log(int level, const QString &text);

    HttpDaemon *m_daemon;
    Shared *m_shared;
    QString m_root;
    QTcpServer *m_server = nullptr;
    QTimer *m_lateTimer = nullptr;
    QTimer *m_trimTimer = nullptr;
    // The most clients held at once since memory was last given back.
    qsizetype m_peakClients = 0;
    QElapsedTimer m_uptime;
    QHash<QTcpSocket *, Client> m_clients;
    // The copies kept, most recently served first, and by their path.
    KeptList m_kept;
    QHash<QString, KeptList::iterator> m_files;
    qint64 m_keptBytes = 0;
    // Set while sendMore runs: flushing a socket reports what it wrote at
    // once, which must not start another round of the same client.
    bool m_sending = false;
};

HttpDaemon::Worker::~Worker()
{
    if (!m_server)
        return;
    m_server->close();
    m_clients.clear();
    // Every client socket is a child of the server; none may call back into
    // this half-destroyed worker while it goes.
    const QList<QTcpSocket *> sockets = m_server->findChildren<QTcpSocket *>();
    for (QTcpSocket *socket : sockets) {
        socket->disconnect(this);
        socket->abort();
        delete socket;
    }
}

bool HttpDaemon::Worker::listen(const QHostAddress &address, quint16 port, QString *error, bool *taken,
                                quint16 *actualPort)
{
    m_uptime.start();
    m_server = new QTcpServer(this);
    // Arena screens refresh together; let the system's own backlog absorb
    // the burst instead of refusing all but one.
    m_server->setListenBacklogSize(SOMAXCONN);
    m_server->setMaxPendingConnections(1024);
    m_lateTimer = new QTimer(this);
    connect(m_lateTimer, &QTimer::timeout, this, &Worker::dropLateClients);
    // Late enough for the sockets of the last clients to be deleted.
    m_trimTimer = new QTimer(this);
    m_trimTimer->setSingleShot(true);
    m_trimTimer->setInterval(trimDelayMs);
    connect(m_trimTimer, &QTimer::timeout, this, &Worker::giveBackMemory);
    if (!m_server->listen(address, port)) {
        *error = m_server->errorString();
        *taken = m_server->serverError() == QAbstractSocket::AddressInUseError;
        return false;
    }
    *actualPort = m_server->serverPort();
    connect(m_server, &QTcpServer::newConnection, this, &Worker::newConnection);
    return true;
}

void HttpDaemon::Worker::log(int level, const QString &text)
{
    // Emitted on the owner's thread, where its receivers and spies live.
    QMetaObject::invokeMethod(
        m_daemon, [daemon = m_daemon, level, text] { emit daemon->logMessage(level, text); }, Qt::QueuedConnection);
}

void HttpDaemon::Worker::newConnection()
{
    const int timeout = m_shared->requestTimeoutMs.load();
    const qint64 deadline = m_uptime.elapsed() + timeout;
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        m_clients.insert(socket, Client{QByteArray(), deadline, false, nullptr});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket]() { readClient(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket]() { dropClient(socket); });
        connect(socket, &QTcpSocket::errorOccurred, this, [this, socket]() { dropClient(socket); });
    }
    m_peakClients = qMax(m_peakClients, m_clients.size());
    // One timer looks after every waiting client rather than one each.
    if (!m_clients.isEmpty() && !m_lateTimer->isActive())
        m_lateTimer->start(qBound(10, timeout / 4, 250));
}

// Whether the client took any of its answer since the last look: the
// system still holds what it has not (sent and acknowledged), so what the
// socket handed it less that is what the client has. A client reading
// slowly drains the system's buffer a little at a time, long before there is
// room enough for the socket to hand on more.
bool HttpDaemon::Worker::tookSinceLastLook(QTcpSocket *socket, Client *client)
{
    int unsent = 0;
    if (::ioctl(int(socket->socketDescriptor()), TIOCOUTQ, &unsent) != 0)
        return false;
    const qint64 taken = client->handed - unsent;
    if (taken <= client->taken)
        return false;
    client->taken = taken;
    return true;
}

void HttpDaemon::Worker::dropLateClients()
{
    const qint64 now = m_uptime.elapsed();
    const int timeout = m_shared->requestTimeoutMs.load();
    QList<QTcpSocket *> late;
    for (auto it = m_clients.begin(); it != m_clients.end(); ++it) {
        if (it->answered && tookSinceLastLook(it.key(), &*it))
            it->deadline = now + timeout;
        else if (it->deadline <= now)
            late << it.key();
    }
    for (QTcpSocket *socket : late) {
        const QString seconds = QString::number(timeout / 1000.0);
        log(2, m_clients.value(socket).answered
                   ? HttpDaemon::tr("HTTP client %1 took nothing of its answer for %2 s").arg(socket->peerAddress().toString(), seconds)
                   : HttpDaemon::tr("HTTP client %1 sent no request in time").arg(socket->peerAddress().toString()));
        dropClient(socket);
    }
    if (m_clients.isEmpty())
        m_lateTimer->stop();
}

void HttpDaemon::Worker::forget(KeptList::iterator kept)
{
    m_keptBytes -= kept->bytes();
    m_files.remove(kept->path);
    m_kept.erase(kept);
}

void HttpDaemon::Worker::publishKeptBytes()
{
    m_shared->cachedBytes.store(m_keptBytes, std::memory_order_release);
}

void HttpDaemon::Worker::trimKept()
{
    const qint64 limit = m_shared->cacheLimit.load(std::memory_order_relaxed);
    while (!m_kept.empty() && (m_keptBytes > limit || m_kept.size() > size_t(maxKeptFiles)))
        forget(std::prev(m_kept.end()));
    publishKeptBytes();
}

// The body to send for the file at its resolved `path`: the file as it is,
// or, given `arenaRefresh`, the page as an arena name answers it. A file too
// large to keep is not read here: `stream` gets it opened, and `body` what
// goes before the rest of it.
bool HttpDaemon::Worker::readFile(const QString &path, const QString *arenaRefresh, QByteArray *body,
                                  std::shared_ptr<Stream> *stream)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat info;
    if (::stat(name.constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    const auto same = [](const KeptFile &kept, const struct stat &s) {
        return kept.device == s.st_dev && kept.inode == s.st_ino && kept.size == s.st_size
            && kept.modified == nanoseconds(s.st_mtim) && kept.changed == nanoseconds(s.st_ctim);
    };
    const qint64 limit = qMin(maxKeptFileBytes, m_shared->cacheLimit.load(std::memory_order_relaxed));
    const auto found = m_files.constFind(path);
    if (found != m_files.cend() && same(**found, info)) {
        // Served again: the last to go.
        m_kept.splice(m_kept.begin(), m_kept, *found);
    } else {
        if (found != m_files.cend())
            forget(*found);
        if (info.st_size > limit) {
            publishKeptBytes();
            return openStream(path, arenaRefresh, body, stream);
        }
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            publishKeptBytes();
            return false;
        }
        const QByteArray content = file.readAll();
        struct stat after;
        const bool known = ::fstat(file.handle(), &after) == 0;
        timespec now;
        clock_gettime(CLOCK_REALTIME, &now);
        if (!known || after.st_size != content.size() || after.st_size > limit
            || nanoseconds(now) - qMax(nanoseconds(after.st_mtim), nanoseconds(after.st_ctim)) <= settledNs) {
            *body = arenaRefresh ? http::reloading(content, *arenaRefresh) : content;
            publishKeptBytes();
            return true;
        }
        m_kept.push_front(KeptFile{path, content, after.st_dev, after.st_ino, after.st_size,
                                   nanoseconds(after.st_mtim), nanoseconds(after.st_ctim), {}, {}, false});
        m_files.insert(path, m_kept.begin());
        m_keptBytes += content.size();
    }
    KeptFile &kept = m_kept.front();
    if (!arenaRefresh) {
        *body = kept.body;
    } else if (kept.hasArenaBody && kept.arenaRefresh == *arenaRefresh) {
        *body = kept.arenaBody;
    } else {
        m_keptBytes -= kept.bytes();
        *body = http::reloading(kept.body, *arenaRefresh);
        kept.arenaBody = *body;
        kept.arenaRefresh = *arenaRefresh;
        kept.hasArenaBody = true;
        if (kept.bytes() > limit) {
            // The page fits, the page and its arena answer together do not.
            kept.arenaBody = QByteArray();
            kept.arenaRefresh.clear();
            kept.hasArenaBody = false;
        }
        m_keptBytes += kept.bytes();
    }
    trimKept();
    return true;
}

bool HttpDaemon::Worker::openStream(const QString &path, const QString *arenaRefresh, QByteArray *body,
                                    std::shared_ptr<Stream> *stream)
{
    auto opened = std::make_shared<Stream>();
    opened->file.setFileName(path);
    struct stat info;
    // Unbuffered: the pieces are read straight into what the socket sends.
    if (!opened->file.open(QIODevice::ReadOnly | QIODevice::Unbuffered) || ::fstat(opened->file.handle(), &info) != 0
        || !S_ISREG(info.st_mode))
        return false;
    opened->left = info.st_size;
    opened->size = info.st_size;
    opened->modified = nanoseconds(info.st_mtim);
    body->clear();
    if (arenaRefresh) {
        // Only the page's head gets the reload; the rest goes as it is.
        const qint64 want = qMin(http::reloadHeadBytes, opened->left);
        const QByteArray head = opened->file.read(want);
        if (head.size() != want || !opened->unchanged())
            return false;
        opened->left -= want;
        *body = http::reloading(head, *arenaRefresh);
    }
    *stream = std::move(opened);
    return true;
}

// The socket handed some of the answer to the system, which takes it only as
// the client reads: the client is still there, and may take as long again
// before it is dropped. (Between these, dropLateClients watches what the
// system still holds.)
void HttpDaemon::Worker::tookBytes(QTcpSocket *socket)
{
    const auto it = m_clients.find(socket);
    if (it == m_clients.end())
        return;
    const qint64 now = m_uptime.elapsed();
    it->deadline = now + m_shared->requestTimeoutMs.load();
    if (it->sendBuffer < maxSendBufferBytes && it->handed - it->paceBytes >= 4 * qint64(it->sendBuffer)) {
        if (now - it->paceMs <= fastTakeMs) {
            it->sendBuffer = qMin(4 * it->sendBuffer, maxSendBufferBytes);
            socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, it->sendBuffer);
        }
        it->paceBytes = it->handed;
        it->paceMs = now;
    }
    if (it->stream)
        sendMore(socket);
}

// Reads the next piece of a client's file once the socket has handed all of
// the last to the system, and closes the connection when all is sent. A file
// that changed since it was opened cuts the answer short: the client sees
// less than the length it was told, never a mix of two versions or bytes
// beyond that length.
void HttpDaemon::Worker::sendMore(QTcpSocket *socket)
{
    const auto it = m_clients.constFind(socket);
    if (m_sending || it == m_clients.cend() || !it->stream)
        return;
    const QScopedValueRollback<bool> sending(m_sending, true);
    const std::shared_ptr<Stream> stream = it->stream; // the client may go while it is written to
    const qint64 pieceBytes = it->sendBuffer / sendBufferPerPiece;
    for (qint64 turn = 0; stream->left > 0 && socket->bytesToWrite() == 0;) {
        const qint64 want = qMin(stream->left, pieceBytes);
        // Read into a piece of its own size (QIODevice::read(qint64) would
        // reserve about twice that), which the socket then holds as it is.
        QByteArray piece(want, Qt::Uninitialized);
        if (stream->file.read(piece.data(), want) != want || !stream->unchanged()) {
            log(2, HttpDaemon::tr("HTTP client %1: %2 changed while it was sent; the answer is cut short")
                       .arg(socket->peerAddress().toString(), stream->file.fileName()));
            dropClient(socket);
            return;
        }
        stream->left -= want;
        socket->write(piece);
        // The last piece of a turn waits for the socket's own turn.
        turn += want;
        if (turn >= bytesPerTurn)
            break;
        socket->flush();
        if (!m_clients.contains(socket))
            return; // a write failed, and the client was dropped
    }
    if (stream->left == 0) {
        m_clients[socket].stream.reset(); // closes the file
        socket->disconnectFromHost();
    }
}

void HttpDaemon::Worker::readClient(QTcpSocket *socket)
{
    auto it = m_clients.find(socket);
    if (it == m_clients.end() || it->answered)
        return;
    it->head.append(socket->readAll());

    http::Request request;
    const http::ParseState state = http::parseRequest(it->head, &request);
    if (state == http::ParseState::Incomplete)
        return;
    // From here the client gets one answer and is closed; it stays watched
    // while it takes the answer, so one that stops reading is dropped.
    it->head.clear();
    it->answered = true;
    it->deadline = m_uptime.elapsed() + m_shared->requestTimeoutMs.load();
    disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
    // Whatever the client sends after its request is never read: the socket
    // takes no more of it than this, and the system holds the client back.
    socket->setReadBufferSize(ignoredInputBytes);

    QMap<QString, QString> aliases;
    QDateTime now;
    QString refresh;
    QString logoDir;
    {
        QMutexLocker lock(&m_shared->mutex);
        aliases = m_shared->aliases;
        now = m_shared->clock();
        refresh = m_shared->refresh;
        logoDir = m_shared->logoDir;
    }
    QByteArray body;
    std::shared_ptr<Stream> stream;
    QByteArray type = "text/html; charset=utf-8";
    int status = 400;
    if (state == http::ParseState::Complete) {
        const http::Answer answer = http::decide(request, m_root, aliases, now, logoDir);
        status = answer.status;
        if (status == 200) {
            const QByteArray fileType = http::mimeType(answer.filePath);
            const bool reload = answer.arenaName && fileType.startsWith("text/html");
            if (readFile(answer.resolvedPath, reload ? &refresh : nullptr, &body, &stream))
                type = fileType;
            else
                status = 404;
        }
    }
    if (status != 200)
        body = http::errorPage(status, refresh);
    const QByteArray head = http::responseHead(status, type, body.size() + (stream ? stream->left : 0));
    // A large file's rest follows piece by piece as the socket hands on what
    // it holds; the last piece closes the connection.
    const bool streaming = bool(stream);
    it->stream = std::move(stream);
    socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, sendBufferBytes);
    it->paceMs = m_uptime.elapsed();
    // Every write to the system counts (bytesWritten is not emitted for
    // writes made while it is being handled, as sendMore's are).
    connect(socket, &QTcpSocket::channelBytesWritten, this, [this, socket](int, qint64 bytes) {
        const auto client = m_clients.find(socket);
        if (client != m_clients.end())
            client->handed += bytes;
    });
    connect(socket, &QTcpSocket::bytesWritten, this, [this, socket]() { tookBytes(socket); });
    // Two writes share the kept page instead of copying it behind the head;
    // flushing now saves a round of the event loop per client.
    socket->write(head);
    socket->write(body);
    socket->flush();
    if (!m_clients.contains(socket))
        return;
    if (streaming)
        sendMore(socket);
    else
        socket->disconnectFromHost();
}

void HttpDaemon::Worker::dropClient(QTcpSocket *socket)
{
    m_clients.remove(socket);
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
    if (m_clients.isEmpty() && m_peakClients >= trimAfterClients)
        m_trimTimer->start();
}

void HttpDaemon::Worker::giveBackMemory()
{
    if (!m_clients.isEmpty())
        return; // again once these are gone
    m_peakClients = 0;
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

HttpDaemon::HttpDaemon(QObject *parent, quint16 port, const QString &root, const QHostAddress &address)
    : QObject(parent)
    , m_root(root)
    , m_shared(std::make_unique<Shared>())
    , m_thread(new QThread)
    , m_worker(new Worker(this, m_shared.get(), root))
{
    m_thread->setObjectName(QStringLiteral("HttpDaemon"));
    m_worker->moveToThread(m_thread);
    m_thread->start();
    // Listening is settled before the constructor returns, so that the
    // caller can ask isListening() and bindError() at once.
    QMetaObject::invokeMethod(
        m_worker,
        [this, address, port] { m_listening = m_worker->listen(address, port, &m_bindError, &m_portTaken, &m_port); },
        Qt::BlockingQueuedConnection);
}

HttpDaemon::~HttpDaemon()
{
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker] { delete worker; }, Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
    delete m_thread;
}

void HttpDaemon::addAlias(const QString &path, const QString &file)
{
    QMutexLocker lock(&m_shared->mutex);
    m_shared->aliases.insert(path, file);
}

QMap<QString, QString> HttpDaemon::aliases() const
{
    QMutexLocker lock(&m_shared->mutex);
    return m_shared->aliases;
}

void HttpDaemon::setClock(std::function<QDateTime()> clock)
{
    QMutexLocker lock(&m_shared->mutex);
    m_shared->clock = std::move(clock);
}

void HttpDaemon::setRequestTimeout(int ms)
{
    m_shared->requestTimeoutMs = ms;
}

void HttpDaemon::setRefresh(const QString &seconds)
{
    QMutexLocker lock(&m_shared->mutex);
    m_shared->refresh = seconds;
}

void HttpDaemon::setLogoDir(const QString &dir)
{
    QMutexLocker lock(&m_shared->mutex);
    m_shared->logoDir = dir;
}

void HttpDaemon::setCacheLimit(qint64 bytes)
{
    m_shared->cacheLimit = qMax<qint64>(0, bytes);
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker] { worker->trimKept(); }, Qt::BlockingQueuedConnection);
}

qint64 HttpDaemon::cacheLimit() const
{
    return m_shared->cacheLimit.load();
}

qint64 HttpDaemon::cachedBytes() const
{
    return m_shared->cachedBytes.load(std::memory_order_acquire);
}

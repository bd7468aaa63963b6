#include "HttpDaemon.h"

#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <sys/socket.h>

#include "HttpRequest.h"

namespace {
// A client that has not sent its request head by then is dropped.
constexpr int requestTimeoutMs = 10000;

const QByteArray notFoundBody = "<html><head><title>404 Not Found</title></head><body><h1>404 Not Found</h1></body></html>\n";
const QByteArray badRequestBody = "<html><head><title>400 Bad Request</title></head><body><h1>400 Bad Request</h1></body></html>\n";
const QByteArray notImplementedBody =
    "<html><head><title>501 Not Implemented</title></head><body><h1>501 Not Implemented</h1></body></html>\n";
} // namespace

HttpDaemon::HttpDaemon(QObject *parent, quint16 port, const QString &root)
    : QObject(parent)
    , m_server(new QTcpServer(this))
    , m_root(root)
    , m_clock([] { return QDateTime::currentDateTimeUtc(); })
    , m_requestTimeoutMs(requestTimeoutMs)
{
    // Arena screens refresh together; let the system's own backlog absorb
    // the burst instead of refusing all but one.
    m_server->setListenBacklogSize(SOMAXCONN);
    m_server->setMaxPendingConnections(1024);
    if (!m_server->listen(QHostAddress::Any, port))
        m_bindError = m_server->errorString();
    connect(m_server, &QTcpServer::newConnection, this, &HttpDaemon::newConnection);
}

HttpDaemon::~HttpDaemon()
{
    m_server->close();
    const QList<QTcpSocket *> clients = m_requests.keys();
    m_requests.clear();
    for (QTcpSocket *socket : clients) {
        socket->disconnect(this);
        socket->abort();
        delete socket;
    }
}

bool HttpDaemon::isListening() const
{
    return m_server->isListening();
}

quint16 HttpDaemon::serverPort() const
{
    return m_server->serverPort();
}

void HttpDaemon::addAlias(const QString &path, const QString &file)
{
    m_aliases.insert(path, file);
}

void HttpDaemon::newConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        m_requests.insert(socket, QByteArray());
        connect(socket, &QTcpSocket::readyRead, this, [this, socket]() { readClient(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket]() { dropClient(socket); });
        connect(socket, &QTcpSocket::errorOccurred, this, [this, socket]() { dropClient(socket); });
        QTimer::singleShot(m_requestTimeoutMs, socket, [this, socket]() {
            if (m_requests.contains(socket)) {
                emit logMessage(2, tr("HTTP client %1 sent no request in time").arg(socket->peerAddress().toString()));
                dropClient(socket);
            }
        });
    }
}

void HttpDaemon::readClient(QTcpSocket *socket)
{
    auto it = m_requests.find(socket);
    if (it == m_requests.end())
        return;
    it->append(socket->readAll());

    http::Request request;
    const http::ParseState state = http::parseRequest(*it, &request);
    if (state == http::ParseState::Incomplete)
        return;
    m_requests.erase(it);
    // From here the client gets one answer and is closed.
    disconnect(socket, &QTcpSocket::readyRead, this, nullptr);

    QByteArray response;
    if (state != http::ParseState::Complete) {
        response = http::responseHead(400, "text/html", badRequestBody.size()) + badRequestBody;
    } else {
        const http::Answer answer = http::decide(request, m_root, m_aliases, m_clock());
        QByteArray body;
        QByteArray type = "text/html";
        int status = answer.status;
        if (status == 200) {
            QFile file(answer.filePath);
            if (file.open(QIODevice::ReadOnly)) {
                body = file.readAll();
                type = http::mimeType(answer.filePath);
            } else {
                status = 404;
            }
        }
        if (status == 404)
            body = notFoundBody;
        else if (status == 501)
            body = notImplementedBody;
        response = http::responseHead(status, type, body.size()) + body;
    }
    socket->write(response);
    socket->disconnectFromHost();
}

void HttpDaemon::dropClient(QTcpSocket *socket)
{
    m_requests.remove(socket);
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

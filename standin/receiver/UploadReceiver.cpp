#include "UploadReceiver.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTcpServer>
#include <QTcpSocket>

#include <utility>

namespace standin {

namespace {
// The station's pages are small; anything bigger is not a page.
constexpr qsizetype maxRequestBytes = 32 * 1024 * 1024;

QByteArray headerValue(const QByteArray &head, const QByteArray &name)
{
    for (const QByteArray &line : head.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == name.toLower())
            return line.mid(colon + 1).trimmed();
    }
    return QByteArray();
}

QByteArray parameter(const QByteArray &header, const QByteArray &name)
{
    const QRegularExpression re(QStringLiteral("%1=\"?([^\";]*)\"?").arg(QString::fromLatin1(name)),
                                QRegularExpression::CaseInsensitiveOption);
    const auto match = re.match(QString::fromLatin1(header));
    return match.hasMatch() ? match.captured(1).toLatin1() : QByteArray();
}
} // namespace

UploadReceiver::UploadReceiver(QObject *parent, const QString &directory)
    : QObject(parent)
    , m_server(new QTcpServer(this))
    , m_directory(directory)
{
    connect(m_server, &QTcpServer::newConnection, this, [this]() {
        while (QTcpSocket *socket = m_server->nextPendingConnection()) {
            m_buffers.insert(socket, QByteArray());
            connect(socket, &QTcpSocket::readyRead, this, [this, socket]() { readClient(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket]() {
                m_buffers.remove(socket);
                // A client that gives up takes its hung request with it.
                m_held.removeIf([socket](const Held &held) { return held.socket == socket; });
                socket->deleteLater();
            });
        }
    });
}

UploadReceiver::~UploadReceiver()
{
    for (QTcpSocket *socket : m_buffers.keys())
        socket->disconnect(this);
}

bool UploadReceiver::listen(quint16 port)
{
    // The hold shares its address, and a socket bound without listening
    // does not keep one that listens from the port: dropped only now, the
    // port is never free in between.
    const bool listening = m_server->listen(QHostAddress::LocalHost, port);
    delete std::exchange(m_hold, nullptr);
    return listening;
}

void UploadReceiver::refuse()
{
    if (!m_server->isListening())
        return;
    const quint16 port = m_server->serverPort();
    m_server->close();
    // The system refuses connections to a port bound without listening.
    m_hold = new QTcpSocket(this);
    m_hold->bind(QHostAddress::LocalHost, port, QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint);
}

QString UploadReceiver::listenError() const
{
    return m_server->errorString();
}

bool UploadReceiver::portTaken() const
{
    return m_server->serverError() == QAbstractSocket::AddressInUseError;
}

void UploadReceiver::close()
{
    m_server->close();
}

quint16 UploadReceiver::port() const
{
    return m_server->serverPort();
}

void UploadReceiver::setMode(Mode mode, int failStatus)
{
    m_mode = mode;
    m_failStatus = failStatus;
}

QList<UploadReceiver::Upload> UploadReceiver::parseMultipart(const QByteArray &body, const QByteArray &boundary)
{
    QList<Upload> parts;
    const QByteArray delimiter = "--" + boundary;
    qsizetype pos = body.indexOf(delimiter);
    while (pos >= 0) {
        pos += delimiter.size();
        if (body.mid(pos, 2) == "--")
            break; // closing delimiter
        const qsizetype headStart = body.indexOf("\r\n", pos);
        const qsizetype headEnd = body.indexOf("\r\n\r\n", pos);
        const qsizetype next = body.indexOf("\r\n" + delimiter, pos);
        if (headStart < 0 || headEnd < 0 || next < 0 || headEnd > next)
            break;
        const QByteArray head = body.mid(headStart + 2, headEnd - headStart - 2);
        Upload part;
        part.boundary = boundary;
        const QByteArray disposition = headerValue(head, "Content-Disposition");
        part.fieldName = QString::fromUtf8(parameter(disposition, "name"));
        part.fileName = QString::fromUtf8(parameter(disposition, "filename"));
        part.content = body.mid(headEnd + 4, next - headEnd - 4);
        parts << part;
        pos = next + 2;
    }
    return parts;
}

void UploadReceiver::readClient(QTcpSocket *socket)
{
    auto it = m_buffers.find(socket);
    if (it == m_buffers.end())
        return;
    it->append(socket->readAll());
    const qsizetype headEnd = it->indexOf("\r\n\r\n");
    if (headEnd < 0 || it->size() > maxRequestBytes) {
        if (it->size() > maxRequestBytes)
            socket->abort();
        return;
    }
    const QByteArray head = it->left(headEnd);
    const qsizetype length = headerValue(head, "Content-Length").toLongLong();
    if (it->size() - headEnd - 4 < length)
        return; // body still arriving

    const QByteArray body = it->mid(headEnd + 4, length);
    const QByteArray path = head.left(head.indexOf('\r')).split(' ').value(1);
    it->clear();
    ++m_requests;

    const QByteArray boundary = parameter(headerValue(head, "Content-Type"), "boundary");
    QList<Upload> parts = parseMultipart(body, boundary);
    const QStringList open = held();
    for (Upload &part : parts) {
        part.path = QString::fromLatin1(path);
        if (open.contains(part.fileName))
            ++m_overlaps;
    }
    m_arrivals << parts;
    // The mode as the request found it, whatever a listener makes of it.
    const Mode mode = m_mode;
    if (mode == Mode::Hang)
        m_held.append({socket, parts}); // keep the connection open, answer on cue
    for (const Upload &part : std::as_const(parts))
        emit arrived(part.fileName);
    if (mode != Mode::Hang)
        answer(socket, parts, mode, m_failStatus);
}

void UploadReceiver::answer(QTcpSocket *socket, const QList<Upload> &parts, Mode mode, int failStatus)
{
    if (mode == Mode::Fail) {
        socket->write("HTTP/1.1 " + QByteArray::number(failStatus) + " Failed\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        socket->disconnectFromHost();
        return;
    }

    for (const Upload &part : parts) {
        m_uploads << part;
        m_latest.insert(part.fileName, part.content);
        const QString name = QFileInfo(part.fileName).fileName();
        if (!m_directory.isEmpty() && !name.isEmpty() && name != QLatin1String("..")) {
            QDir().mkpath(m_directory);
            QSaveFile file(QDir(m_directory).filePath(name));
            if (file.open(QIODevice::WriteOnly)) {
                file.write(part.content);
                file.commit();
            }
        }
        emit received(part.fileName);
    }
    const QByteArray answer = parts.isEmpty() ? "no file" : "OK";
    socket->write((parts.isEmpty() ? "HTTP/1.1 400 Bad Request\r\n" : "HTTP/1.1 200 OK\r\n") + QByteArray("Content-Length: ")
                  + QByteArray::number(answer.size()) + "\r\nConnection: close\r\n\r\n" + answer);
    socket->disconnectFromHost();
}

void UploadReceiver::answerHeld(Mode answer, int failStatus)
{
    const QList<Held> held = std::exchange(m_held, {});
    for (const Held &request : held) {
        if (request.socket && request.socket->state() == QAbstractSocket::ConnectedState)
            this->answer(request.socket, request.parts, answer == Mode::Fail ? Mode::Fail : Mode::Accept, failStatus);
    }
}

QStringList UploadReceiver::held() const
{
    QStringList names;
    for (const Held &request : m_held) {
        if (!request.socket || request.socket->state() != QAbstractSocket::ConnectedState)
            continue;
        for (const Upload &part : request.parts)
            names << part.fileName;
    }
    return names;
}

} // namespace standin

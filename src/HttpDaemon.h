#pragma once

#include <QDateTime>
#include <QHash>
#include <QMap>
#include <QObject>
#include <QString>

#include <functional>

class QTcpServer;
class QTcpSocket;

// The built-in HTTP/1.0 server that serves the output directory to the arena
// screens: GET only, one request per connection, files under the document
// root, an alias table from request paths to file names, and the rotating
// arena page "baner.php?". Transport only: parsing a request and deciding
// what to answer are plain functions (HttpRequest.h).
class HttpDaemon : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(HttpDaemon)

public:
    // Listens on 127.0.0.1 and every other address from construction on.
    // Port 0 lets the system choose (tests); serverPort() tells which.
    HttpDaemon(QObject *parent, quint16 port, const QString &root);
    ~HttpDaemon() override;

    bool isListening() const;
    quint16 serverPort() const;
    // Why listening failed, empty when it did not.
    QString bindError() const { return m_bindError; }
    QString root() const { return m_root; }

    // Points a request path (without its leading "/", e.g. "bane1.html") at a
    // file name under the root, replacing an earlier file for that path.
    void addAlias(const QString &path, const QString &file);
    QMap<QString, QString> aliases() const { return m_aliases; }

    // The clock of the rotating arena page (tests set their own).
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }
    // How long a client may take to send its request head.
    void setRequestTimeout(int ms) { m_requestTimeoutMs = ms; }

signals:
    void logMessage(int level, const QString &text);

private:
    void newConnection();
    void readClient(QTcpSocket *socket);
    void dropClient(QTcpSocket *socket);

    QTcpServer *m_server;
    QString m_root;
    QString m_bindError;
    QMap<QString, QString> m_aliases;
    QHash<QTcpSocket *, QByteArray> m_requests;
    std::function<QDateTime()> m_clock;
    int m_requestTimeoutMs;
};

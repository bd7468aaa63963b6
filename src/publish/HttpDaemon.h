#pragma once

#include <QDateTime>
#include <QHostAddress>
#include <QMap>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QThread;

// The built-in HTTP/1.0 server that serves the output directory to the arena
// screens: GET only, one request per connection, files under the document
// root, an alias table from request paths to file names, the rotating arena
// page "baner.php?", and club logos from their own folder. Transport only:
// parsing a request and deciding what to answer are plain functions
// (HttpRequest.h).
//
// The sockets live on a thread of the server's own, so that a class being
// loaded or a page being written on the station's main thread does not hold
// up the screens; the alias table and the clock are shared under a lock.
// Pages are read anew whenever their file changed (a file is re-read unless
// its identity, size and modification time are those of the copy kept); what
// an arena name answers is kept with the copy. One copy is kept per file,
// by the file's resolved path, whatever the spelling of the request ("/x",
// "/./x", "/%78" and a link to it are one file); the copies kept stay within
// cacheLimit() bytes in all, the least recently served going first. A file
// larger than that (or than 4 MB) is never read whole: it is sent from disk
// a piece at a time as the client takes it, one piece held for it at most,
// for as long as the client keeps taking it, however slowly (the server
// watches the system's buffer for it drain; the system holds little of an
// answer for a client that does not take it fast). Should the file change
// while it is sent (rewritten in place, cut short, lengthened) the answer
// is cut short and the connection closed, so that the client sees less than the
// length it was told rather than a mix of two versions. (A file replaced by
// a rename, as the station writes, goes out whole in the version that was
// opened.)
// logMessage is emitted on the thread that made the server.
class HttpDaemon : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(HttpDaemon)

public:
    // Listens on 127.0.0.1 and every other address from construction on,
    // or on `address` alone (tests). Port 0 lets the system choose (tests);
    // serverPort() tells which.
    HttpDaemon(QObject *parent, quint16 port, const QString &root, const QHostAddress &address = QHostAddress::Any);
    ~HttpDaemon() override;

    bool isListening() const { return m_listening; }
    quint16 serverPort() const { return m_port; }
    // Why listening failed, empty when it did not.
    QString bindError() const { return m_bindError; }
    // Whether listening failed because another socket holds the port.
    bool portTaken() const { return m_portTaken; }
    QString root() const { return m_root; }

    // Points a request path (without its leading "/", e.g. "bane1.html") at a
    // file name under the root, replacing an earlier file for that path.
    void addAlias(const QString &path, const QString &file);
    QMap<QString, QString> aliases() const;

    // The clock of the rotating arena page (tests set their own).
    void setClock(std::function<QDateTime()> clock);
    // How long a client may take to send its request head, and then how
    // long it may take nothing of its answer (however long the whole takes).
    void setRequestTimeout(int ms);
    // The reload in seconds ("http.refresh") of the error pages, and of a
    // page that answers an arena name without a reload of its own.
    void setRefresh(const QString &seconds);
    // Where "/logo/<name>" is served from ("logo.dir").
    void setLogoDir(const QString &dir);

    // The bytes the copies kept in memory may take in all (the files'
    // contents and what arena names answer); default 64 MB. Lowering it
    // drops copies, the least recently served first, before it returns.
    static constexpr qint64 defaultCacheLimit = qint64(64) * 1024 * 1024;
    void setCacheLimit(qint64 bytes);
    qint64 cacheLimit() const;
    // The bytes the copies kept take now, as of the last answer (tests and
    // benchmarks; any thread).
    qint64 cachedBytes() const;

signals:
    void logMessage(int level, const QString &text);

private:
    class Worker;
    struct Shared;

    QString m_root;
    QString m_bindError;
    bool m_listening = false;
    bool m_portTaken = false;
    quint16 m_port = 0;
    std::unique_ptr<Shared> m_shared;
    QThread *m_thread = nullptr;
    Worker *m_worker = nullptr;
};

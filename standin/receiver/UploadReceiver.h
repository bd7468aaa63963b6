#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class QTcpServer;
class QTcpSocket;

namespace standin {

// Plays the federation's public results server: takes the station's
// multipart/form-data POSTs, stores every file part it gets (in memory and,
// when a directory is set, on disk under the part's file name), and can be
// told to refuse connections, answer with an error status, or hang. A hung
// request stays open until it is answered on cue or its client gives up, so
// tests step through an outage by its events instead of by the clock.
class UploadReceiver : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(UploadReceiver)

public:
    enum class Mode { Accept, Fail, Hang };

    struct Upload
    {
        QString path;        // request path, e.g. "/upload_staevne.php"
        QString fieldName;   // form field of the file part
        QString fileName;    // file name of the part
        QByteArray boundary; // from the Content-Type header
        QByteArray content;  // the part's body as sent
    };

    explicit UploadReceiver(QObject *parent = nullptr, const QString &directory = QString());
    ~UploadReceiver() override;

    // Listens on 127.0.0.1; port 0 lets the system choose.
    bool listen(quint16 port = 0);
    // Why the last listen() failed, and whether because another socket
    // holds the port.
    QString listenError() const;
    bool portTaken() const;
    void close();
    quint16 port() const;

    void setMode(Mode mode, int failStatus = 500);
    // Stops accepting: new connections are refused until listen() again.
    // The port stays bound to the receiver meanwhile, without listening,
    // so that no other program takes it before listen() on it again.
    void refuse();

    // Answers every hung request that is still open, oldest first, as
    // `answer` says (Accept or Fail); the mode stays as it is.
    void answerHeld(Mode answer, int failStatus = 500);
    // File names of the hung requests still open, oldest first.
    QStringList held() const;
    // How often a request for a file arrived while one for the same file
    // was still held: two versions of one file on their way at once.
    int overlaps() const { return m_overlaps; }

    // Files taken (answered OK), in order.
    QList<Upload> uploads() const { return m_uploads; }
    // Every file part read, in order, whatever the answer.
    QList<Upload> arrivals() const { return m_arrivals; }
    // The latest content received under a file name.
    QByteArray latest(const QString &fileName) const { return m_latest.value(fileName); }
    int requestCount() const { return m_requests; }

    // Splits a multipart/form-data body into its parts (pure; for tests too).
    static QList<Upload> parseMultipart(const QByteArray &body, const QByteArray &boundary);

signals:
    void received(const QString &fileName);
    // A request was read, before it is answered or held.
    void arrived(const QString &fileName);

private:
    struct Held
    {
        QPointer<QTcpSocket> socket;
        QList<Upload> parts;
    };

    void readClient(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const QList<Upload> &parts, Mode mode, int failStatus);

    QTcpServer *m_server;
    // Holds the port while the receiver refuses.
    QTcpSocket *m_hold = nullptr;
    QString m_directory;
    Mode m_mode = Mode::Accept;
    int m_failStatus = 500;
    int m_requests = 0;
    QHash<QTcpSocket *, QByteArray> m_buffers;
    QList<Held> m_held;
    int m_overlaps = 0;
    QList<Upload> m_uploads;
    QList<Upload> m_arrivals;
    QHash<QString, QByteArray> m_latest;
};

} // namespace standin

#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

class QTcpServer;
class QTcpSocket;

namespace standin {

// Plays the federation's public results server: takes the station's
// multipart/form-data POSTs, stores every file part it gets (in memory and,
// when a directory is set, on disk under the part's file name), and can be
// told to refuse connections, answer with an error status, or hang.
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
    void close();
    quint16 port() const;

    void setMode(Mode mode, int failStatus = 500);
    // Stops accepting: new connections are refused until listen() again.
    void refuse() { close(); }

    QList<Upload> uploads() const { return m_uploads; }
    // The latest content received under a file name.
    QByteArray latest(const QString &fileName) const { return m_latest.value(fileName); }
    int requestCount() const { return m_requests; }

    // Splits a multipart/form-data body into its parts (pure; for tests too).
    static QList<Upload> parseMultipart(const QByteArray &body, const QByteArray &boundary);

signals:
    void received(const QString &fileName);

private:
    void readClient(QTcpSocket *socket);

    QTcpServer *m_server;
    QString m_directory;
    Mode m_mode = Mode::Accept;
    int m_failStatus = 500;
    int m_requests = 0;
    QHash<QTcpSocket *, QByteArray> m_buffers;
    QList<Upload> m_uploads;
    QHash<QString, QByteArray> m_latest;
};

} // namespace standin

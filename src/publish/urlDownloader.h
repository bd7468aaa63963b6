#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

class QNetworkAccessManager;
#include <QNetworkReply>
class QTimer;

// Fetches addresses one at a time into a local directory. Addresses wait in a
// queue (no duplicates) that is looked at every second; each finished file is
// reported with its local path through doneDownload().
class urlDownloader : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(urlDownloader)

public:
    urlDownloader(QObject *parent, const QString &name, const QString &directory, int debugLevel);
    ~urlDownloader() override;

    // Where a download of `url` is stored: the directory, "/" and the local
    // file name of the address; empty when the address names no file.
    static QString localPath(const QString &directory, const QString &url);
    // The local name of a file part such as "bane1.html" or
    // "baner.php?bane=1,2&min=1": the name, and the query made safe for a
    // file name ("baner.php_bane_1_2_min_1"). Empty for "", "." and "..".
    static QString localFileName(const QString &fileAndQuery);

    QStringList pending() const { return m_queue; }
    bool busy() const { return m_reply != nullptr; }

public slots:
    void newUrl(const QString &url);

signals:
    void logMessage(int level, const QString &text);
    void doneDownload(const QString &path);

private slots:
    void checkQueue();

private:
    void finished(QNetworkReply *reply, const QString &url);
    // Logs a failed download, unless it is the same as the last one.
    void fail(const QString &error);

    QString m_directory;
    int m_debugLevel;
    QStringList m_queue;
    QTimer *m_timer;
    QNetworkAccessManager *m_network;
    QPointer<QNetworkReply> m_reply;
    QString m_lastError;
};

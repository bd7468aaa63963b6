#include "publish/urlDownloader.h"

#include "files/WholeFile.h"

#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>
#include <QUrl>

namespace {
// A screen page is small; a longer answer is not an arena page.
constexpr qint64 maxDownloadBytes = 16 * 1024 * 1024;
constexpr int transferTimeoutMs = 20000;
} // namespace

urlDownloader::urlDownloader(QObject *parent, const QString &name, const QString &directory, int debugLevel)
    : QObject(parent)
    , m_directory(directory)
    , m_debugLevel(debugLevel)
    , m_timer(new QTimer(this))
    , m_network(new QNetworkAccessManager(this))
{
    setObjectName(name);
    m_network->setTransferTimeout(transferTimeoutMs);
    connect(m_timer, &QTimer::timeout, this, &urlDownloader::checkQueue);
    m_timer->start(1000);
}

urlDownloader::~urlDownloader()
{
    m_timer->stop();
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

QString urlDownloader::localFileName(const QString &fileAndQuery)
{
    const qsizetype q = fileAndQuery.indexOf(QLatin1Char('?'));
    const QString file = q < 0 ? fileAndQuery : fileAndQuery.left(q);
    if (file.isEmpty() || file == QLatin1String(".") || file == QLatin1String("..") || file.contains(QLatin1Char('/'))
        || file.contains(QLatin1Char('\\')))
        return QString();
    if (q < 0)
        return file;
    // The query becomes part of the name, with nothing in it that could
    // reach outside the directory.
    QString query = fileAndQuery.mid(q + 1);
    for (QChar &c : query) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char('.') && c != QLatin1Char('-'))
            c = QLatin1Char('_');
    }
    query.replace(QLatin1String(".."), QLatin1String("__"));
    return query.isEmpty() ? file : file + QLatin1Char('_') + query;
}

QString urlDownloader::localPath(const QString &directory, const QString &url)
{
    const QUrl parsed(url);
    QString file = parsed.fileName(QUrl::FullyDecoded);
    if (parsed.hasQuery())
        file += QLatin1Char('?') + parsed.query(QUrl::FullyDecoded);
    const QString name = localFileName(file);
    return name.isEmpty() ? QString() : directory + QLatin1Char('/') + name;
}

void urlDownloader::newUrl(const QString &url)
{
    if (!m_queue.contains(url))
        m_queue.append(url);
    if (m_debugLevel > 3)
        emit logMessage(4, QStringLiteral("%1 url add for download %2  pending count %3 ")
                               .arg(objectName(), url, QString::number(m_queue.size())));
}

void urlDownloader::checkQueue()
{
    if (m_reply || m_queue.isEmpty())
        return;
    const QString url = m_queue.takeFirst();
    const QUrl parsed(url);
    if (!parsed.isValid() || localPath(m_directory, url).isEmpty()) {
        emit logMessage(4, tr("%1 cannot download %2: no file in the address").arg(objectName(), url));
        return;
    }
    QNetworkRequest request(parsed);
    request.setMaximumRedirectsAllowed(3);
    m_reply = m_network->get(request);
    QNetworkReply *reply = m_reply;
    connect(reply, &QNetworkReply::downloadProgress, this, [reply](qint64 received, qint64) {
        if (received > maxDownloadBytes)
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, url]() { finished(reply, url); });
}

void urlDownloader::fail(const QString &error)
{
    // A screen without its server would repeat the same line every tick.
    if (error != m_lastError)
        emit logMessage(4, error);
    m_lastError = error;
}

void urlDownloader::finished(QNetworkReply *reply, const QString &url)
{
    reply->deleteLater();
    m_reply = nullptr;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() == QNetworkReply::NoError && status != 200) {
        // Only a complete page replaces the one shown.
        fail(tr("%1 download of %2 answered %3").arg(objectName(), url).arg(status));
        return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        fail(tr("%1 download of %2 failed: %3").arg(objectName(), url, reply->errorString()));
        return;
    }
    const QByteArray body = reply->readAll();
    const QString path = localPath(m_directory, url);
    QString error;
    if (!writeWholeFile(path, body, &error)) {
        fail(tr("%1 cannot store %2: %3").arg(objectName(), path, error));
        return;
    }
    m_lastError.clear();
    if (m_debugLevel > 3)
        emit logMessage(4, tr("%1 downloaded %2 to %3").arg(objectName(), url, path));
    emit doneDownload(path);
}

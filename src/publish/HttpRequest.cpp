#include "publish/HttpRequest.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>

namespace http {

namespace {
QString collapseSlashes(const QString &path)
{
    QString out;
    out.reserve(path.size());
    for (const QChar c : path) {
        if (c == QLatin1Char('/') && out.endsWith(QLatin1Char('/')))
            continue;
        out += c;
    }
    return out;
}

// The canonical path of `file` when it lies inside `root`, else empty.
QString insidePath(const QString &file, const QString &root)
{
    const QString canonicalRoot = QFileInfo(root).canonicalFilePath();
    const QString canonicalFile = QFileInfo(file).canonicalFilePath();
    if (canonicalRoot.isEmpty() || canonicalFile.isEmpty()
        || !canonicalFile.startsWith(canonicalRoot + QLatin1Char('/')))
        return QString();
    return canonicalFile;
}
} // namespace

ParseState parseRequest(const QByteArray &buffer, Request *request)
{
    const qsizetype lineEnd = buffer.indexOf('\n');
    if (lineEnd < 0)
        return buffer.size() > maxHeadBytes ? ParseState::TooLarge : ParseState::Incomplete;
    // HTTP/1.0 clients end the head with a blank line; a bare request line
    // ("GET /" of HTTP/0.9) is answered as soon as it is complete.
    const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
    const qsizetype headEndLf = buffer.indexOf("\n\n");
    const QList<QByteArray> parts = buffer.left(lineEnd).trimmed().split(' ');
    const bool simple = parts.size() == 2;
    if (headEnd < 0 && headEndLf < 0 && !simple)
        return buffer.size() > maxHeadBytes ? ParseState::TooLarge : ParseState::Incomplete;
    if (qMax(headEnd, headEndLf) > maxHeadBytes || lineEnd > maxHeadBytes)
        return ParseState::TooLarge;
    if (parts.size() < 2 || parts.size() > 3 || parts.at(0).isEmpty() || !parts.at(1).startsWith('/'))
        return ParseState::Malformed;
    if (parts.size() == 3 && !parts.at(2).startsWith("HTTP/"))
        return ParseState::Malformed;

    request->method = parts.at(0);
    const QByteArray target = parts.at(1);
    const qsizetype q = target.indexOf('?');
    const QByteArray rawPath = q < 0 ? target : target.left(q);
    request->query = q < 0 ? QString() : QString::fromLatin1(target.mid(q + 1));
    const QByteArray decoded = QByteArray::fromPercentEncoding(rawPath);
    const QString path = QString::fromUtf8(decoded);
    request->unsafePath = decoded.contains('\0') || decoded.contains('\\');
    request->path = collapseSlashes(path);
    const QStringList segments = request->path.split(QLatin1Char('/'));
    if (segments.contains(QLatin1String("..")))
        request->unsafePath = true;
    return ParseState::Complete;
}

QString rotatingPage(const QString &query, const QDateTime &now)
{
    const QUrlQuery items(query);
    QList<int> arenas;
    const QString bane = items.hasQueryItem(QStringLiteral("bane"))
        ? items.queryItemValue(QStringLiteral("bane"), QUrl::FullyDecoded)
        : QStringLiteral("1");
    for (const QString &part : bane.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int arena = part.trimmed().toInt(&ok);
        if (ok && arena >= 0)
            arenas << arena;
    }
    if (arenas.isEmpty())
        arenas << 1;
    const int minutes = qMax(1, items.queryItemValue(QStringLiteral("min")).toInt());
    const qint64 slot = now.toSecsSinceEpoch() / 60 / minutes;
    return QStringLiteral("bane%1.html").arg(arenas.at(int(slot % arenas.size())));
}

Answer decide(const Request &request, const QString &root, const QMap<QString, QString> &aliases,
              const QDateTime &now, const QString &logoDir)
{
    Answer answer;
    if (request.method != "GET") {
        answer.status = 501;
        return answer;
    }
    if (request.unsafePath)
        return answer;

    QString name = request.path.mid(1); // without the leading "/"
    if (name.startsWith(QLatin1String("logo/"))) {
        // Club logos, as the pages address them ("../logo/<club>.png").
        const QString picture = name.mid(5);
        const QString file = QDir(logoDir).filePath(picture);
        if (logoDir.isEmpty() || picture.contains(QLatin1Char('/')) || !mimeType(picture).startsWith("image/")
            || !QFileInfo(file).isFile() || !QFileInfo(file).isReadable())
            return answer;
        const QString resolved = insidePath(file, logoDir);
        if (resolved.isEmpty())
            return answer;
        answer.status = 200;
        answer.filePath = file;
        answer.resolvedPath = resolved;
        return answer;
    }
    if (name.isEmpty())
        name = QStringLiteral("index.html");
    if (name == QLatin1String("baner.php"))
        name = rotatingPage(request.query, now);
    // An arena name always answers with a page of the competition: a class
    // without a ranking or overview page shows its result page there, an
    // arena without an active class its pause page, and one without even
    // that (the waiting lists' arena, an arena the show does not use) the
    // start page. The server makes whichever page it is reload, so that a
    // screen left on the name picks up its class once there is one.
    QStringList candidates{aliases.value(name, name)};
    static const QRegularExpression arenaName(QStringLiteral("^(?:bane|rank|oversigt)(\\d+)\\.html$"));
    const QRegularExpressionMatch arena = arenaName.match(name);
    if (arena.hasMatch()) {
        answer.arenaName = true;
        const QString bane = arena.captured(1);
        candidates << aliases.value(QStringLiteral("bane%1.html").arg(bane))
                   << QStringLiteral("klasse0_%1.html").arg(bane) << QStringLiteral("index.html");
    }
    for (const QString &candidate : std::as_const(candidates)) {
        if (candidate.isEmpty())
            continue;
        const QString file = QDir(root).filePath(candidate);
        const QFileInfo info(file);
        if (!info.isFile() || !info.isReadable())
            continue;
        const QString resolved = insidePath(file, root);
        if (!resolved.isEmpty()) {
            answer.status = 200;
            answer.filePath = file;
            answer.resolvedPath = resolved;
            return answer;
        }
    }
    return answer;
}

QByteArray mimeType(const QString &fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("html") || suffix == QLatin1String("htm"))
        return "text/html; charset=utf-8";
    if (suffix == QLatin1String("json"))
        return "application/json; charset=utf-8";
    if (suffix == QLatin1String("css"))
        return "text/css";
    if (suffix == QLatin1String("js"))
        return "application/javascript";
    if (suffix == QLatin1String("png"))
        return "image/png";
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg"))
        return "image/jpeg";
    if (suffix == QLatin1String("gif"))
        return "image/gif";
    if (suffix == QLatin1String("ico"))
        return "image/x-icon";
    if (suffix == QLatin1String("csv"))
        return "text/csv";
    if (suffix == QLatin1String("txt") || suffix == QLatin1String("cfg"))
        return "text/plain";
    return "application/octet-stream";
}

namespace {
QByteArray reloadTag(const QString &refresh)
{
    return "<META http-equiv=\"refresh\" content=\"" + refresh.toHtmlEscaped().toUtf8() + "\">";
}
} // namespace

QByteArray errorPage(int status, const QString &refresh)
{
    const QByteArray title = statusLine(status).mid(9); // after "HTTP/1.0 "
    return "<html><head>" + reloadTag(refresh) + "<title>" + title + "</title></head><body><h1>" + title
        + "</h1></body></html>\n";
}

QByteArray reloading(const QByteArray &page, const QString &refresh)
{
    // Only the head is looked at; the pages keep their tags in any case.
    QByteArray head = page.left(reloadHeadBytes).toLower();
    const qsizetype body = head.indexOf("<body");
    if (body >= 0)
        head.truncate(body);
    static const QRegularExpression ownReload(QStringLiteral("http-equiv\\s*=\\s*[\"']?refresh"));
    if (ownReload.match(QString::fromLatin1(head)).hasMatch())
        return page;
    qsizetype at = head.indexOf("<head>");
    if (at >= 0) {
        at += 6;
    } else if ((at = head.indexOf("<html>")) >= 0) {
        at += 6;
    } else {
        at = 0;
    }
    QByteArray out = page;
    out.insert(at, reloadTag(refresh));
    return out;
}

QByteArray statusLine(int status)
{
    switch (status) {
    case 200: return "HTTP/1.0 200 OK";
    case 400: return "HTTP/1.0 400 Bad Request";
    case 404: return "HTTP/1.0 404 Not Found";
    case 501: return "HTTP/1.0 501 Not Implemented";
    default: return "HTTP/1.0 500 Internal Server Error";
    }
}

QByteArray responseHead(int status, const QByteArray &contentType, qint64 length)
{
    return statusLine(status) + "\r\nServer: ZEPLive\r\nConnection: close\r\nContent-Type: " + contentType
        + "\r\nContent-Length: " + QByteArray::number(length) + "\r\n\r\n";
}

} // namespace http

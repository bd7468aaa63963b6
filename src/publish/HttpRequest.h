#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QMap>
#include <QString>

// What the built-in HTTP server makes of a request, as plain functions over
// bytes and names so that every rule can be tested without a socket.
namespace http {

// The longest request head the server reads before it gives up.
constexpr int maxHeadBytes = 8 * 1024;

enum class ParseState { Incomplete, Complete, TooLarge, Malformed };

struct Request
{
    QByteArray method;
    QString path;  // percent-decoded, repeated slashes made one, no query
    QString query; // percent-encoded text after "?", empty when none
    bool unsafePath = false; // "..", a backslash or a NUL in the path
};

// Parses the head of an HTTP/1.0 or 1.1 request gathered so far.
ParseState parseRequest(const QByteArray &buffer, Request *request);

struct Answer
{
    int status = 404;
    QString filePath; // the file to send for status 200
    // The same file by its canonical path ("." and symbolic links resolved),
    // found when it was checked to lie inside its folder: one file has one
    // such path whatever the spelling of the request, so the server keys
    // the copies it keeps by it.
    QString resolvedPath;
    // The request named an arena ("bane4.html", also through "baner.php"):
    // a screen stays on that name, so the page it gets must reload itself.
    bool arenaName = false;
};

// Decides what a GET of `request` answers: a file under `root` (directly, by
// the alias table, or by the rotating arena page "baner.php"), a picture
// under `logoDir` for "/logo/<name>", or 404/501. A resolved file must lie
// inside its folder.
Answer decide(const Request &request, const QString &root, const QMap<QString, QString> &aliases,
              const QDateTime &now, const QString &logoDir = QString());

// The alias-table path of the rotating arena page at `now`: arenas from the
// comma-separated `bane` (default "1"), `min` minutes each (at least 1).
QString rotatingPage(const QString &query, const QDateTime &now);

QByteArray mimeType(const QString &fileName);
// The body of an error answer; it reloads after `refresh` seconds like the
// pages, so an arena screen that hits it comes back by itself.
QByteArray errorPage(int status, const QString &refresh);
// An HTML page as an arena name answers it: unchanged when its head already
// reloads it, otherwise with the error pages' reload after `refresh`
// seconds put into its head (the start page, a waiting list's page). Only
// the first reloadHeadBytes of the page are looked at and changed, so that
// a page too large to be read whole can be answered piece by piece.
constexpr qint64 reloadHeadBytes = 16 * 1024;
QByteArray reloading(const QByteArray &page, const QString &refresh);
QByteArray statusLine(int status);
// Status line, Content-Type and Content-Length, and the blank line.
QByteArray responseHead(int status, const QByteArray &contentType, qint64 length);

} // namespace http

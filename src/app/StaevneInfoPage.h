#pragma once

#include "app/StaevneLoader.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The competition's information page "<federation number>.html": the jury,
// the free-text competition information with its web addresses as links,
// and the officials (technical delegate, judges, course designers). Also the
// database reads it needs and the organising club's logo.
namespace StaevneInfoPage {

// The page is made only by databases whose update level is above this.
constexpr int minimumUpdateLevel = 2010301;

struct Content
{
    QString navn;
    QString startDato;
    QString slutDato;
    QString zepNr;
    QStringList jury;     // jury 1 to 5 in order, empty ones included
    QString information;  // as the database holds it
    QString tekniskDelegeret;
    QStringList dommere;
    QStringList banebyggere;
};

// Whether the page has anything to show beyond its head.
bool hasContent(const Content &content);

// The information text escaped for the page: "&" (unless it already starts
// "&amp;"), "<", ">", the apostrophe and the double quote as entities.
QString escapeInformation(const QString &text);

// Every "http://" address of an escaped text as a link. An address runs to
// the first double quote, blank, line break, ">" or "&", or to the end.
QString linkAddresses(const QString &escaped);

// The whole page; database text is escaped, the style settings are not.
QByteArray page(const Content &content, const QString &css, const QString &background);

// ---- database ----------------------------------------------------------------

// The highest update number of the database; 0 when it cannot be read.
int readUpdateLevel(const StaevneLoader::Database &database);

// The owner club's stored logo and its id without "*".
struct Logo
{
    QByteArray bytes;
    QString klubId;
};
Logo readLogo(const StaevneLoader::Database &database);

// The stored logo as a PNG file's bytes; empty when the picture cannot be
// decoded.
QByteArray logoPng(const QByteArray &stored);

// Reads the page's content for a competition. False when the competition
// cannot be read (logged); a failed officials list is logged and left empty.
bool readContent(const StaevneLoader::Database &database, int staevneId, Content *content);

} // namespace StaevneInfoPage

#pragma once

#include "views/PageStyle.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

// What the waiting-list view makes of its entries besides the list itself:
// the column layout, the pedigree text of column "Afstamning" and the HTML
// page "klasse<nr>_<section>.html". Nothing here touches a widget or the
// database, so the rules can be checked on plain rows.
namespace VentelistePage {

// The list's columns, in order.
enum Column {
    StartNr,    // start number with the letter of a secondary number ("12A")
    StaevneNr,  // entry number: identifies the entry across refreshes
    Hest,
    Rytter,
    Klub,       // club initials; "*" marks a club with a logo
    Afmeldt,    // a withdrawal status; rows reading "EJ MØDT" or "AFMELDT" stay off the page
    LicensNr,
    HesteId,
    Afstamning, // pedigree text, empty for an entry without a horse id
    Count
};

QStringList titles();

// The pedigree of a horse from its registry texts (each already simplified;
// empty for no value): the year and a blank, then "F:", "/M:" and "/MF:"
// parts. A registry text written "nr--Name--..." contributes only its name
// (nothing when the name is a single character); any other text is written
// after "F:-", "M:-" or "MF:-". An empty dam or dam's sire adds nothing.
QString pedigreeText(const QString &year, const QString &sire, const QString &dam, const QString &damSire);

// The page reads only shared page settings: style sheet, colours, the
// pedigree line ("vis.afstamning") and the logo folder.
using Settings = PageStyle;

// The whole page for the class title `title` (the view's class label),
// written at `now`, with one entry per row of `rows` (Count cells each, in
// list order). Database text is escaped; the settings hold HTML colours and
// paths and are written as they stand.
QByteArray html(const QString &title, const QDateTime &now, const Settings &settings,
                const QVector<QStringList> &rows);

} // namespace VentelistePage

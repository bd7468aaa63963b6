#pragma once

#include "views/dressur/DressurPlacing.h"
#include "views/PageStyle.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

// The two HTML pages of a dressage class section, made from the view's list
// rows (in list order), a few of its members and the display settings:
//
//  - the result page "klasse<nr>_<section>.html": page head with the class
//    header block, the block of the starter whose result changed last, and
//    the result table (one or more table rows per starter, team header and
//    total rows in a team class);
//  - the ranking page "rank<nr>_<section>.html": a title, then club, rider,
//    one score and the placing per starter, and a summary row per team.
//
// The pages have no column headings: the arena screens' style sheets and the
// results server line the cells up by their order, widths and spans, so the
// texts and the structure below are fixed to the byte. Text that comes from
// the database (cells, class title, judges, sponsor) is escaped for HTML
// before blanks are turned into "&nbsp;"; settings go in as they stand, some
// hold HTML on purpose. A number that would need a division by zero (a class
// without judges or without maximum points) shows as "&nbsp;".
namespace DressurPages {

using DressurPlacing::DressurRows;

// What the pages show of the class besides its rows.
struct ClassInfo
{
    int bane = 1;
    int lastChangeId = -1; // Start Id of the starter whose result changed last
    int antalDommere = 0;
    int antalStarter = 0;
    int resterendeStarter = 0;
    int antalPlaceringer = 0;
    int maxPnt = 1;
    int kur = 0;
    int hold = 0;
    int bevarStartTid = 0;
    bool noMaxPnt = false;
    int tempResult = 0;
    QString title;        // the class title line
    QString judges;       // the judges list
    QString maxPoint;     // the maximum points, as the label shows them
    QString sponsor;      // the sponsor or prize of honour
    QString placings;     // the number of placings, as the label shows it
    QString startSlutTid; // day and times, pieces joined by "&nbsp;"
    QDateTime now;        // the time stamp of the header
};

using SettingLookup = PageStyle::Lookup;

// The shared page settings and the ones only these pages read.
struct Settings : PageStyle
{
    int lastFontSize = 5;        // "html.last.font.size"
    int dvShow = 0;              // "logo.dv.show"
    QString dvLogo;              // "logo.dv"
    QString feiEliminated;       // "fei.eliminated"
    QString rankTableWidth;      // "http.rank.width" for the ranking table
    QString rankTitleWidth;      // "http.rank.width" for the ranking title

    static Settings read(const SettingLookup &value);
};

struct Pages
{
    QByteArray result;
    QByteArray ranking;
};

// Both pages, UTF-8.
Pages write(const ClassInfo &info, const Settings &settings, const DressurRows &rows);

// Pieces of the result page.
QString writeHtmlHead(const ClassInfo &info, const Settings &settings);
// The last-changed starter's block; empty when no row has that Start Id.
QString writeHtmlInfo(const ClassInfo &info, const Settings &settings, const DressurRows &rows);
// The cells of one starter's table rows, n being the starter's 1-based
// number on the page; the caller writes the first row's opening tag and the
// final "</tr>\n".
QString writeHtmlRow(const ClassInfo &info, const Settings &settings, const QStringList &row, int n);

// Pieces of the ranking page.
QString writeRankHtmlHead(const ClassInfo &info, const Settings &settings);
QString writeRankHtmlRow(const ClassInfo &info, const Settings &settings, const QStringList &row, int n);

} // namespace DressurPages

#pragma once

#include "views/PageStyle.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

// The two pages of a championship class section, made from the view's list
// rows (in list order), a few of its members and the display settings:
//
//  - the class page "klasse<nr>_<section>.html": a head with title, arena,
//    times, judges, prize, placings and counts, then a result table with a
//    header row and one row (or a pair of rows) per starter;
//  - the rank page "rank<nr>_<section>.html": a narrow title, then
//    competition number and horse, total and placing per starter.
//
// A starter who withdrew or stayed away stands on neither page. The arena
// screens and the results server line the cells up by their order, widths
// and spans, so the texts and the structure are fixed to the byte, odd
// spans included. Text from the database and the operator's typed start
// times are escaped before blanks become "&nbsp;"; settings go in as they
// stand (some hold HTML on purpose).
namespace ChampPages {

enum class Kind { Dressur, Spring };

// What the pages show of the class besides its rows.
struct ClassInfo
{
    Kind kind = Kind::Dressur;
    int bane = 1;
    int antalPlaceringer = 0;
    int antalStarter = 0;
    int resterendeStarter = 0;
    int bevarStartTid = 0;
    bool dsp = false;
    int maxPnt = 1;          // dressage
    QString metode;          // jumping
    QString klasseTypeId;
    QString title;           // the class title label
    QString dommerLabel;     // "Stildommer <judges>"
    QString sponsorLabel;    // "Ærespræmie <prize>"
    QString startSlutTid;    // day and times, database pieces joined by "&nbsp;"
    QDateTime now;           // the time stamp of the head
};

using SettingLookup = PageStyle::Lookup;

// The shared page settings and the ones only these pages read.
struct Settings : PageStyle
{
    QString rankWidth; // "http.rank.width"
    bool dv = false;   // "vis.dv"

    static Settings read(const SettingLookup &value);
};

struct Pages
{
    QByteArray klasse;
    QByteArray rank;
};

// Both pages, UTF-8.
Pages write(const ClassInfo &info, const Settings &settings, const QVector<QStringList> &rows);

} // namespace ChampPages

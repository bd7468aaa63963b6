#pragma once

#include "views/military/MilitaryPlacing.h"
#include "views/PageStyle.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

// The two HTML pages of an eventing class section, made from the list rows
// in competition order, a few members of the view and the display settings:
//
//  - the result page "klasse<nr>_<section>.html": head, the block of the
//    starter whose result changed last, and every starter with all phase
//    results (that starter's row marked);
//  - the overview page "oversigt<nr>_<section>.html": the leading starters
//    up to "oversigt.max.placeringer", a rule, then the starters still to
//    finish.
//
// The arena screens and the results server line the cells up by order,
// widths and spans, so texts and structure are fixed to the byte. Database
// text is escaped for HTML before blanks become "&nbsp;"; settings go in as
// they stand.
namespace MilitaryPages {

using MilitaryPlacing::Rows;

struct ClassInfo
{
    int bane = 1;
    int lastChangeId = -1;
    int antalStarter = 0;
    int resterendeStarter = 0;
    int antalPlaceringer = 0;
    int bevarStartTid = 0;
    bool udholdenhed = true; // cross-country is the last phase
    bool skjulPlacering = false;
    QString title;      // label "klasseInfo"
    QString idealTid;   // label "maxPoint" ("IdealTid <hundredths>")
    QString sponsor;    // label "sponsor" ("Ærespræmie <prize>")
    QString placings;   // label "antalPlac"
    QDateTime now;
};

using SettingLookup = PageStyle::Lookup;

// The shared page settings and the one only these pages read.
struct Settings : PageStyle
{
    int overviewRows = 10; // "oversigt.max.placeringer"

    static Settings read(const SettingLookup &value);
};

// The pages, UTF-8; `rows` in competition order.
QByteArray resultPage(const ClassInfo &info, const Settings &settings, const Rows &rows);
QByteArray overviewPage(const ClassInfo &info, const Settings &settings, const Rows &rows);

} // namespace MilitaryPages

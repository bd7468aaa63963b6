#pragma once

#include <QDateTime>
#include <QString>

#include <functional>

// The opening of a class's result page: the page head and the block above
// the starters (arena and class title, day and times, judges, the class's
// measure, prize of honour, placings, starter counts and the time stamp).
// Every result page of a class begins with it, so the arena screens show
// the same header whatever the discipline.
//
// Database text (title, judges, sponsor, the pieces of the day and times) is
// escaped here; settings go in as they stand, some hold HTML on purpose.
namespace ClassHead {

struct Info
{
    int bane = 1;
    int antalStarter = 0;
    int resterendeStarter = 0;
    int bevarStartTid = 0;
    int tempResult = 0;
    QString title;        // the class title line
    QString judges;       // the judges list
    QString measureCaption = QStringLiteral("Max Point  "); // caption of the class's measure
    QString measure;      // the maximum points, or what the discipline shows instead
    QString sponsor;      // the sponsor or prize of honour
    QString placings;     // the number of placings, as the label shows it
    QString startSlutTid; // day and times, pieces joined by "&nbsp;"
    QDateTime now;        // the time stamp of the header
};

// The display settings the block reads, each with its reader's default.
struct Settings
{
    QString background; // "html.background.color"
    QString css;        // "http.css"
    QString refresh;    // "http.refresh"
    int visFei = 0;     // "vis.fei"
    QString headerText; // "vis.header.text"
    QString feiResults; // "vis.fei.results"
    QString feiJudges;  // "vis.fei.judges"
    QString feiStartingList;    // "vis.fei.startinglist"
    QString feiTmpStartingList; // "vis.fei.tmpstartinglist"
    bool antalStarterLine = false; // "beregn.antalStarter"

    static Settings read(const std::function<QString(const QString &key, const QString &def)> &value);
};

// From "<html>" to the end of the header table.
QString html(const Info &info, const Settings &settings);

} // namespace ClassHead

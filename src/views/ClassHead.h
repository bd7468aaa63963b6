#pragma once

#include "views/PageStyle.h"

#include <QDateTime>
#include <QString>

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

// The block reads the shared page settings: head, FEI texts and the
// starter count line.
using Settings = PageStyle;

// From "<html>" to the end of the header table.
QString html(const Info &info, const Settings &settings);

} // namespace ClassHead

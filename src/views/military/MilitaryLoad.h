#pragma once

#include "views/military/MilitaryPlacing.h"

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>

// What the eventing view makes of the rows of its queries: the class header,
// one list row per starter, and a tick's changes to a list row. The view runs
// the queries and hands the values over by position.
namespace MilitaryLoad {

// The header query's first row (fields 0 to 26), read.
struct Header
{
    int klasseId = 0;
    QString title;       // label "klasseInfo": class number, class name, section
    QString judgeFirst;
    QString judgeLast;
    QString klassesponsor;
    QString aerespraemie;
    int antalPlaceringer = 0;
    QString metode;
    QString startSlutTid;
    QString idealTid;    // as stored: hundredths of a second
    bool udholdenhed = false;
    QString klasseTypeId;
    QString diciplinId;
    QString niveau;
    QString doteringer;
    int bevarStartTid = 0;
    QString remarks;
    QString svh;

    static Header fromValues(const QVariantList &h);
};

using Lookup = std::function<QString(const QString &key)>;

// The 25 cells of the result query's row `s` (fields 0 to 28). `remark` is
// asked for the Start Id when rider remarks are on, `localPedigree` for the
// horse id when the horse has no registry row; neither for a row without a
// horse id.
QStringList starterCells(const QVariantList &s, const QString &klasseTypeId, bool riderRemarks,
                         const Lookup &remark, const Lookup &localPedigree);

// year/[sex/]sire[/dam][/dam's sire][/breeder]; a name written
// "nr--Name--..." gives only its name, or nothing when that is one letter.
QString pedigreeText(const QString &year, const QString &sex, const QString &sire, const QString &dam,
                     const QString &damSire, const QString &breeder, bool withBreeder);

// Fields of the tick's result query.
enum UpdateField {
    UStartNr = 0,
    UStatus = 12,
    UStartTid = 14,
    UStartId = 15,
    UpdateFieldCount = 16
};

struct Outcome
{
    bool startNrChanged = false;
    bool resultChanged = false;
};

// Brings a row's cells up to a row of the tick's result query.
Outcome apply(QStringList &cells, const QVariantList &result);

// The ideal time of label "IdealTid <hundredths>" as the pages show it.
QString idealTimeText(const QString &label);

} // namespace MilitaryLoad

#pragma once

#include "views/dressur/DressurColumns.h"

#include <QString>
#include <QStringList>
#include <QVector>

// Placing of a dressage class section from the cells of its list rows alone:
// the row order, the provisional placings, each judge's placing, the team
// sums and team placings, and the number of placings. The view copies its
// rows in list order into a DressurRows, runs these functions and writes the
// changed cells back; tests call them directly.
namespace DressurPlacing {

// One list row: one text per column (DressurColumns), in list order.
using DressurRows = QVector<QStringList>;

enum class Status {
    NotStarter,           // "EJ MØDT", "AFMELDT": not counted, holds no place
    FinishedWithoutScore, // "DISKVALIFICERET", "OPGIVET", "UDGÅET"
    Starter               // any other text, the empty one included
};

// The status word of a "Diskvalifikation" cell, compared upper-cased.
Status statusOf(const QString &cell);

// Numbers from cell texts; an empty text or one that is no (finite) number
// gives 0.
float cellFloat(const QString &cell);
double cellDouble(const QString &cell);
int cellInt(const QString &cell);

// What the row order looks at, parsed once from a row's cells.
struct RankKey
{
    bool team = false;   // "Hold Id" not empty
    double holdSum = 0;  // "Hold Sum"
    int holdId = 0;      // "Hold Id" as a number
    float points = 0;    // "Point"
    float kurKey = 0;    // sum of the Kur marks when one of them is above 0, else 0
    bool hasStartNr = false;
    int startNr = 0;
    int staevneNr = 0;
};

// The key of a row, given a function that returns the text of a column.
template <typename CellText>
RankKey rankKey(const CellText &text)
{
    using namespace DressurColumns;
    RankKey key;
    const QString holdId = text(HoldId);
    key.team = !holdId.isEmpty();
    key.holdSum = cellDouble(text(HoldSum));
    key.holdId = cellInt(holdId);
    key.points = cellFloat(text(Point));
    bool anyKur = false;
    float kurSum = 0;
    for (int k = 0; k < JudgeCount; ++k) {
        const float mark = cellFloat(text(DommerEKur + k));
        anyKur = anyKur || mark > 0;
        kurSum += mark;
    }
    key.kurKey = anyKur ? kurSum : 0;
    key.startNr = cellInt(text(StartNr));
    key.hasStartNr = key.startNr != 0;
    key.staevneNr = cellInt(text(StaevneNr));
    return key;
}

RankKey rankKey(const QStringList &row);

// True when row a ranks below row b. A strict weak order; the list shows the
// highest-ranked row first:
// - rows of a team before rows without one; among team rows the higher team
//   sum first, at equal sums the lower team id, within a team the most
//   points first;
// - among rows without a team the most points first, at equal points the
//   higher Kur sum first (a row without Kur marks counts 0);
// - then rows with a start number before rows without one, the lower start
//   number first, at equal start numbers the lower "Stævne Nr" first.
// Rows equal in all of these are equivalent, so the (stable) sort keeps
// their order.
bool ranksLower(const RankKey &a, const RankKey &b);

// Sorts rows highest-ranked first, keeping the order of equivalent rows.
void sortRanked(DressurRows &rows);

struct Counts
{
    int antalStarter = 0;      // starters (not "EJ MØDT" or "AFMELDT")
    int resterendeStarter = 0; // starters with 0 points still to ride
};

// Provisional placing of a class without teams, over rows in list order
// (highest-ranked first). Writes "Foreløbig Placering" (standard competition
// ranking: 1, 1, 3; in a Kur class equal points with different Kur sums are
// placed apart) and the five judges' placings; a starter with 0 points and
// one who did not start get an empty placing and no judges' placings.
Counts placeIndividual(DressurRows &rows, bool kur);

// One pass of the team placing, over rows in list order. Writes each
// starter's "Foreløbig Placering" (1 + the number of starters with more
// points), its team's "Hold Sum" (the members' "Procent", without those whose
// "Udgår" is 1) and "Hold Placering" (dense over the team sums in list order:
// 1, 1, 2). Rows without a team, and teams whose sum is 0, get no team
// placing and are left out of the numbering. Run it, sort, and run it again: the first pass
// writes the sums the order needs, the second numbers the teams in it.
Counts placeTeams(DressurRows &rows);

// The number of placings for a number of starters: 0 below 2 starters,
// otherwise one per four starters rounded up.
int antalPlaceringer(int starters);

} // namespace DressurPlacing

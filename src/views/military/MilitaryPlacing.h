#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// The competition order and provisional places of an eventing class section.
// A row is the 25 cell texts of the eventing list (columns below). Penalty
// points rank: the lower the total the better, and a starter ranks only
// among those who have come as far in the competition.
namespace MilitaryPlacing {

enum Column {
    StartNr = 0,
    StaevneNr = 1,
    Hest = 2,
    Rytter = 3,
    Klub = 4,
    Dressur = 5,
    EtapeD = 6,
    Udholdenhed = 7,
    Spring = 8,
    DressurSpring = 9,
    DressurUdholdenhed = 10,
    Total = 11,
    DiskDressur = 12,
    DiskUdh = 13,
    DiskSpring = 14,
    Diskvalifikation = 15,
    DiskvalifikationOrden = 16,
    SpringTid = 17,
    Placering = 18,
    StartTid = 19,
    LicensNr = 20,
    HesteId = 21,
    Afstamning = 22,
    EquipageId = 23,
    StartId = 24,
    Count = 25
};

QStringList titles();

using Row = QStringList;
using Rows = QVector<Row>;

// Codes written into "Forløbig Placering" instead of a place.
const int Opgivet = -3;
const int Elimineret = -4;
const int Mangler = -5;
const int IkkeStarter = -6;

// A cell read as a number; a text that is no number reads 0.
float cellFloat(const QString &text);
int cellInt(const QString &text);

// The starter's status word (upper-cased) ends the competition for the
// starter: anything but "NEJ" and the empty text.
bool hasStatus(const Row &row);
// "EJ MØDT" and "AFMELDT" (any case): entries that are no starters.
bool isNonStarter(const QString &status);
// A phase elimination cell holds a word other than "NEJ".
bool isSet(const QString &elimination);

// The positions of `rows` in competition order (MilitaryListItem's
// compareValues when `lastIsCrossCountry`, else compareValuesSwapped): a
// merge sort from the current order in which a row passes an earlier one
// only when the rules put it strictly first (first against the other, and
// the other not first against it). Rows that the rules each put first keep
// their order, so sorting sorted rows again changes nothing.
QVector<int> order(const Rows &rows, bool lastIsCrossCountry);

struct Counts
{
    int antalStarter = 0;
    int resterendeStarter = 0;
};

// Writes the place or status code into every row's "Forløbig Placering",
// the rows being in competition order.
Counts place(Rows &rows);

// The number of placings by the rule: 0 below 2 starters, else one per four
// starters rounded up.
int placingsRule(int starters);
// Whether the method hides the provisional places on the pages.
bool hidesPlaces(const QString &metode);

struct Placings
{
    int number = 0;   // antalPlaceringer
    QString label;    // the text of the label "antalPlac"
};
// The number of placings of a section: its own number, 1 for the method
// "B0", else the rule when more than one starter is counted.
Placings placings(int sectionNumber, const QString &metode, int starters);

} // namespace MilitaryPlacing

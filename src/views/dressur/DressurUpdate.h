#pragma once

#include <QStringList>
#include <QVariantList>

// What one timer tick of the dressage view does to one list row: the row of
// the tick's result query with the same Start Id brings the row's cells up
// to the database. The view runs the query, finds the rows and decides
// about reloading and announcing; this rule only compares and writes cells.
namespace DressurUpdate {

// Fields of a row of the tick's result query, by position.
enum Field {
    StartNr = 0,
    AnmeldelseNr = 1,
    Total = 2,
    Status = 3,
    Placering = 4,
    StartId = 5,
    DommerE = 6,     // the judges' marks E, H, C, M, B in fields 6 to 10
    DommerEKur = 11, // their Kur marks in fields 11 to 15
    StartTid = 16,
    Udgaar = 17
};

struct Options
{
    int maxPnt = 1;
    int antalDommere = 0;
    int kur = 0;       // the Kur marks are followed when this is 1
    bool hold = false; // the drop mark is followed in team classes
};

struct Outcome
{
    // The starter has a new score, or a status that ends the ride: the
    // starter's result is the one that changed last.
    bool lastChange = false;
    // The start number was rewritten.
    bool startNrChanged = false;
};

// Brings `cells` (37 texts, DressurColumns) up to `result`. Every cell is
// written in the form the class load gives it, so a value the database has
// not changed compares equal and leaves the cell alone.
Outcome apply(QStringList &cells, const QVariantList &result, const Options &options);

} // namespace DressurUpdate

#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// The rules of a championship score sheet, free of widgets: how a typed mark
// reads, the row totals, the status letters, the two placings (score table
// and list), the list's row order and the pedigree text. Both championship
// views (dressage and jumping) use them with their own columns.
namespace champ {

// A mark as the operator types it. A decimal comma reads as a point, so
// "7,5" is 7.5 and not 0. `ok` is false for a text that is no finite number
// ("x", "nan", "inf", "1e999"); then the value is 0.
float markValue(const QString &text, bool *ok = nullptr);

// Whether the upper-cased text is a substring of `letters` ("AOUDE" or
// "AOUDE-"); the empty text is one of every text.
bool occursIn(const QString &text, const QString &letters);

// The status word of a status letter ("A" "Afmeldt", "O" "Opgivet", "U"
// "Udgået", "D" "Diskvalificeret", "E" "Ej mødt"), any case; a null text
// for anything else.
QString statusWord(const QString &text);

// Whether a typed mark should ring the bell: a number outside 0 to 10, or a
// text that is neither a number, nor "-", nor a status letter, nor empty.
// Such a mark is a typo to be corrected: it stays in its cell but does not
// count, and a row that holds one gives no result.
bool markOutOfRange(const QString &text);

// Whether a mark cell holds a mark to be corrected (markOutOfRange), other
// than the office's status of the start that loading puts in the first mark
// cell (the sheet's column 5).
bool markToCorrect(const QString &text, const QString &officeStatus);

// Whether the text of the sheet's column 5 (the office's status of the
// start) is a word of the office's: not empty, and no value the sheet takes
// from a mark cell (a mark from 0 to 10, "-", a status letter).
bool officeWord(const QString &status);

// The number of placings for a count of starters: none for one starter or
// less, otherwise one per four starters, rounded up.
int antalPlaceringer(int starters);

// The dressage total of one score-table row.
struct DressurSum
{
    int count = 0;         // marks counted: numbers from 0 to 10
    QString total;         // "%.3f", a status text, or empty
    bool outOfRange = false; // a mark cell holds a mark outside 0 to 10 (or no mark at all)
    // Whether the total is the row's result, for the list and the pages:
    // five marks or more and none out of range.
    bool complete() const { return count >= 5 && !outOfRange; }
};
// `marks` are the row's mark cells (the five marks and the five second
// marks), `correction` the "Fejl" cell, `edited` the text just typed (a
// status letter in it stands for the whole row; pass the text of a mark cell
// that is no status letter, such as "-", for the row as it stands); with
// `dv` the correction is added instead of subtracted.
DressurSum dressurSum(const QStringList &marks, const QString &correction, const QString &edited, bool dv);

// The jumping total "HS Stil" minus "HS Fejl" when above 0, else empty;
// empty too while either holds a mark outside 0 to 10.
QString springTotal(const QString &stil, const QString &fejl);

// The score table's placing column: a row's place among all rows by its
// total (higher first), ties broken by the columns `tie1` then `tie2`
// (higher first; -1 for none); "999" for a total that is empty or a status
// text, "" for a number of 0 or less. A row without a competition number
// (column 1), such as the table's extra row, is no starter: it gets no
// place and takes none. Nor does a row that `outOfPlacing` marks (its row
// standing's outOfPlacing(): withdrawn by the office, or holding a value
// that does not count): "999", whatever its total. Each row's key is read
// once, so the placing costs a sort, not a comparison of every pair.
QStringList tablePlaces(const QVector<QStringList> &rows, int totalColumn, int tie1, int tie2,
                        const QVector<bool> &outOfPlacing = {});

// Whether the competition-management system's status of a start (the
// sheet's column 5) takes the starter out of the class: withdrawn or not
// started, any case.
bool officeWithdrawn(const QString &status);

// What tells the two sheets apart for the rule of a row.
struct SheetRule
{
    bool spring = false;          // "HS Stil" minus "HS Fejl"; otherwise the dressage mean
    QVector<int> markColumns;     // marks from 0 to 10 that make the total
    int correctionColumn = -1;    // dressage "Fejl" ("Føl"): from 0 to 10, off the mean
    bool correctionAdds = false;  // "vis.dv": the correction is added instead
    int totalColumn = 0;
    int placeColumn = 0;
    int minimumMarks = 1;         // marks counted before the total is the row's result
    int copyFirst = 0;            // the columns the list takes from the sheet
    int copyLast = -1;
};

// What one row of a championship sheet stands for, decided in one place for
// every path that fills the list: an operator's edit, a score file read back
// at a load (also after a restart), a reload on a tick or on F5.
//
// - The office's status (column 5) comes first: a starter it withdrew or
//   recorded as not started keeps his marks on the sheet, but the sheet's
//   total shows that status, he takes no place, and his list row stays as
//   the database gave it.
// - A value that does not count (a mark or correction outside 0 to 10, or a
//   text that is no number: "nan", "inf", "1e999", "x") stands on the sheet
//   to be corrected; while it does, the row has no total and no place.
// - A status letter ("AOUDE", any case) stands for the row when it is typed
//   into a result cell (`editedColumn`), and after that by the total cell it
//   was written into, until an edit of the row that is no status.
// - Otherwise the total is worked out from the marks that count.
struct RowStanding
{
    bool withdrawn = false;       // officeWithdrawn(column 5)
    bool hasLetter = false;       // a status text stands for the row
    QString letter;               // that text, upper-cased
    QVector<int> notCounting;     // cells whose value does not count
    int count = 0;                // marks counted
    QString total;                // the sheet's total cell
    bool result = false;          // the total is the row's result, for the list
    QString listTotal;            // the list's total: the result or the status text
    QString listStatus;           // the list's column 5
    QVector<QPair<int, QString>> listCells; // the list's copies of the sheet's cells

    bool outOfPlacing() const { return withdrawn || !notCounting.isEmpty(); }
};
RowStanding rowStanding(const QStringList &row, const SheetRule &rule, int editedColumn = -1);

// Which start each of `wanted` is among `have`, both given as (start
// number, competition number). The office can give two starts of a class
// one competition number, so a start is found by both numbers; one that is
// not (renumbered since) by its competition number alone, when just one
// start not found otherwise has it. Each start of `have` is found once,
// except by a repeat: a later entry of `wanted` with the very numbers of an
// earlier one, which finds that one's start again.
struct StartMatch
{
    QVector<int> found;    // per entry of `wanted`: its index in `have`, or -1
    QVector<int> repeatOf; // per entry: the earlier entry it repeats, or -1
};
StartMatch matchStarts(const QVector<QPair<QString, QString>> &wanted,
                       const QVector<QPair<QString, QString>> &have);

// The list's placing, over the list rows in their shown order.
struct ListPlacing
{
    QStringList places;  // one per row; empty for a row that is not placed
    int starters = 0;
    int remaining = 0;   // starters still to ride
};
ListPlacing listPlaces(const QVector<QStringList> &rows, int totalColumn, int tie1, int tie2);

// What orders the list: total, the dressage tie-breaks, start number and
// competition number.
struct OrderKey
{
    float total = 0;
    float capacity = 0;   // dressage "Kapacitet"
    float rideability = 0; // dressage "Ridelighed"
    QString startNr;
    QString staevneNr;
};
// True when `a` stands above `b` in the list: the higher total first; for
// equal positive totals in dressage (`tieBreaks`) the higher "Kapacitet",
// then "Ridelighed"; then by start number (start number 0 last), then by
// competition number.
bool shownBefore(const OrderKey &a, const OrderKey &b, bool tieBreaks);

// One part of a pedigree: a registry name written "nr--Name--" gives the
// name between the dashes (nothing when it is a single character).
QString pedigreeName(const QString &name);

// The pedigree "year/sex/sire/dam/dam's sire/breeder" of a national horse
// record. In jumping (`spring`) a championship class (`scu`) always ends
// with the breeder, also an empty one; dressage adds a breeder it has.
struct PedigreeParts
{
    QString year, sex, sire, dam, damSire, breeder;
};
QString pedigree(const PedigreeParts &parts, bool spring, bool scu);

} // namespace champ

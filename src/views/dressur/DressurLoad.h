#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>

// What the dressage view makes of the rows of its two loading queries: the
// class header and one list row per entry. The view runs the queries and
// hands the values over by position; nothing here touches the database
// except through the look-ups it is given.
namespace DressurLoad {

// The class header query's row, read (h0 to h22 by position).
struct Header
{
    int klasseId = 0;
    QString title;          // "<class number> <class name> <prize of honour>"
    int maxPnt = 0;
    QString klassesponsor;  // the sponsor, or the prize of honour when there is none
    QString aerespraemie;
    QString antalPlaceringerText; // the section's own number of placings, as text
    int antalPlaceringer = 0;
    int antalDommere = 0;
    QString dommerListe;    // empty when the database has no judges for the section
    QString startSlutTid;   // "<weekday>&nbsp;<start>&nbsp;-&nbsp;<end>"
    int kur = 0;
    int bevarStartTid = 0;
    int hold = 0;
    QString klasseTypeId;
    QString diciplinId;
    QString niveau;
    QString doteringer;
    QString remarks;
    QString svh;

    static Header fromValues(const QVariantList &h);
};

// What shapes a starter's row besides its own values.
struct StarterOptions
{
    int maxPnt = 1;
    int antalDommere = 0;
    int kur = 0;          // the Kur marks are shown when this is 1
    bool hold = false;    // the values carry the team columns (s35 to s37)
    bool riderRemarks = false;
};

// A look-up by one key (a Start Id or a horse id); returns the database's
// text, or an empty text when there is none.
using Lookup = std::function<QString(const QString &key)>;

// The 37 cells of the starters query's row `s` (s0 to s37 by position).
// `remark` is asked for the Start Id when remarks are on; `localPedigree`
// for the horse id when the registry row of the horse is missing.
QStringList starterCells(const QVariantList &s, const StarterOptions &options,
                         const Lookup &remark, const Lookup &localPedigree);

// "Point" of a number of points: six significant digits, no trailing zeros.
QString pointsText(float points);

// "Procent": points of the class's maximum (times the number of judges when
// there are more than one), three decimals; empty without a maximum.
QString percentText(float points, int maxPnt, int antalDommere);

// "Hest": the name, followed by " - " and the category when there is one
// ("0" and the empty text mean none).
QString horseText(const QString &name, const QString &category);

// "Diskvalifikation": the status word, with the database's truncated
// "Diskvalifice" written out.
QString statusText(const QString &status);

// The pedigree text built from the registry row of the horse:
// year/[sex/]sire/dam/dam's sire, where a name written "<nr>--<name>--..."
// contributes only its name.
QString pedigreeText(const QString &sire, const QString &dam, const QString &damSire,
                     const QString &year, const QString &sex);

} // namespace DressurLoad

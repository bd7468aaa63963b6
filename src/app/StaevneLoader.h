#pragma once

#include <QByteArray>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>

class appConfig;
class QWidget;
class staevneKlasseInfo;

// What loading a competition reads from the competition database, and the
// rules that turn its rows into result views. The main window runs the load
// (dialogs, tabs, the setup tab); everything here works without a window.
namespace StaevneLoader {

// The database as the loading code reaches it: the connection "ZEP" for
// statements with bound values and row loops, and the window's one-value
// readers (which log their own failures) for the rest.
struct Database
{
    QSqlDatabase db;
    std::function<QString(const QString &statement)> field;
    std::function<QByteArray(const QString &statement)> bytes;
    std::function<void(int level, const QString &text)> log;
};

// ---- choosing a competition ----------------------------------------------

// The competitions of the database as the choice dialog offers them, in
// query order (oldest start date first), with the id of each entry at the
// same position. Equal entry texts stay apart: the position decides.
struct StaevneList
{
    QStringList entries;
    QList<int> ids;
};

// Runs the competition list; false when the statement failed or its rows
// broke off (logged), and `list` is then untouched.
bool readStaevneList(const Database &database, StaevneList *list);

// The dialog's entry text of one competition: name, start and end date.
QString entryText(const QString &navn, const QString &startDato, const QString &slutDato);

// ---- the competition's header --------------------------------------------

struct Header
{
    QString navn = QStringLiteral("Ukendt");
    QString type = QStringLiteral("Ukendt");
    QString startDato;
    QString slutDato;
    QString zepNr = QStringLiteral("ukendt");
    // False when the statement or its fetch failed: the values above are
    // the stand-ins.
    bool read = false;
};

// Reads the competition's name, type, dates and federation number. A
// failed statement or fetch is logged and leaves the stand-in values; a
// competition without a row reads as empty texts.
Header readHeader(const Database &database, int staevneId);

// The federation competition number as file names and the public results
// server use it: simplified, upper case, Æ Ø Å spelt AE OE AA, no "*".
QString normaliseZepNr(const QString &number);

// The organising club (the database's owner) for the manifest.
struct Club
{
    QString navn;
    QString id; // without its "*" marks
};
Club readClub(const Database &database);

// The number of class sections of the competition; 0 when it cannot be read.
int readSectionCount(const Database &database, int staevneId);

// ---- the class sections --------------------------------------------------

// One row of the class query: one class with one of its sections.
struct SectionRow
{
    int diciplinId = 0;  // 2 dressage, 3 show jumping, 4 eventing
    QString afdeling;    // section initials; "V" is a waiting list
    int bane = 0;        // arena; 99 for every waiting list
    QString dag;         // Danish day name
    int klasseNr = 0;
    int afdelingId = 0;
    QString klasse;      // class name
    QString start;       // hh:mm; eventing takes the times as run
    QString slut;
    QString klasseType;  // class-type code without an "SK-" prefix

    bool isWaitingList() const { return afdeling == QLatin1String("V"); }

    // The row's values by position, as the class query selects them.
    static SectionRow fromValues(const QVariantList &values);
};

// Runs the class query and reads every row before any view is made. False
// when the statement failed (logged); `rows` is then untouched.
bool readSections(const Database &database, int staevneId, QList<SectionRow> *rows);

// ---- views -----------------------------------------------------------------

enum class ViewKind {
    None, // a discipline the station does not show
    Venteliste,
    ChampDressur,
    Dressur,
    ChampSpring,
    Spring,
    Military
};

// The view a section gets: waiting lists first, then by discipline, the
// championship views only while "championat.show" is on.
ViewKind viewKind(const SectionRow &row, bool championat);

// Whether a class of this type goes into the championship tab. The code
// alone decides, whatever view the section gets.
bool inChampionshipTab(const QString &klasseType, bool championat);

// The discipline flag of the manifest that a view of this kind sets.
enum class Discipline { None, Dressur, Spring, Military };
Discipline disciplineOf(ViewKind kind);


// Makes the view of a kind, or returns null for a kind that this station
// has no view class for yet.
staevneKlasseInfo *createView(ViewKind kind, appConfig *cfg, QWidget *parent, const QString &name);

} // namespace StaevneLoader

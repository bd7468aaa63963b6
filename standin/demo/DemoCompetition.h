#pragma once

#include <QDate>
#include <QList>
#include <QString>

namespace standin {

// The demo competition: a generator that writes a realistic competition
// database into an SQLite file, as the competition-management system would
// have filled it, and a reader that lists its class sections by kind so
// that tests can pick "a Kur section" or "a waiting list" without
// hard-coding ids.
//
// What the file holds (the same for every seed; names, horses, counts and
// results vary with the seed):
//   * competition demoCompetitionId: a two-day show running now. Arenas
//     1 (dressage), 2 (show jumping) and 3 (eventing on day 1, dressage on
//     day 2), and waiting lists (initials "V", arena 99) for classes 2 and 6.
//       class 1 "LA1"        dressage, sections A and B, 2 judges, keeps its
//                            published start times (BevarStartTid 1)
//       class 2 "KUR-MB"     dressage Kur, 3 judges, and a waiting list
//       class 3 "LA2"        dressage team class, 3 judges
//       class 4 "DCU5H"      championship dressage (score sheet at the station)
//       class 5 "LC"         show jumping, sections A and B
//       class 6 "LB"         show jumping, method "B0", and a waiting list
//       class 7 "SK-SCU6"    championship show jumping
//       class 8 "MIL-LD"     eventing
//       class 9 "MA"         dressage, 5 judges, a fixed number of placings (3)
//     Some sections are finished (results and placings), some half ridden,
//     some not started; statuses ("EJ MØDT", "AFMELDT", "DISKVALIFICERET",
//     "OPGIVET", "UDGÅET", in jumping "DIS_EJ_MODT") are sprinkled among them.
//   * competition demoPastCompetitionId: a finished one-day show a month
//     earlier, with one dressage and one jumping section.
//   * the owner club (tblEjer) "*FRK*" with a PNG logo, clubs of which some
//     carry "*", officials, judges, course designers, sponsors, prize money,
//     horses with pedigrees (some registry texts "nr--Name--", some horses
//     only created locally), and update numbers above 2010301.
// Dates and times are written "yyyy-MM-dd HH:mm:ss.zzz".
constexpr int demoCompetitionId = 1;
constexpr int demoPastCompetitionId = 2;

struct DemoOptions
{
    quint32 seed = 1;
    // Starters per section (waiting lists have 2 to 6 entries).
    int minStarters = 10;
    int maxStarters = 80;
    // For tests: every section gets 4 to 6 starters, whatever the range
    // says, and the pools of riders and horses shrink to match.
    bool small = false;
    // For load measurements: when above 0, the running show holds this many
    // one-section classes instead of its usual plan, the usual classes in
    // turn (every kind but the waiting list) over four arenas and both days,
    // each with exactly maxStarters starters (at most 280).
    int sections = 0;
    // First day of the running show; invalid means 2024-06-14 (a Friday),
    // so that a seed always gives the same file.
    QDate firstDay;
};

// Writes a fresh demo database into file, replacing an existing one. The
// schema comes first (demoSchemaSql), then the data, in one transaction.
bool generateDemoCompetition(const QString &file, const DemoOptions &options, QString *error = nullptr);

// Writes the logo files of the demo's clubs into `dir` (made when missing),
// "<club>.png" with the club id without "*", as an operator keeps them in
// the station's "logo.dir": FRK and SRK. MRK is marked for a logo too but
// has none, so the pages' fall-back to the club text shows as well.
bool writeDemoClubLogos(const QString &dir, QString *error = nullptr);

// The schema of the competition database (tables and views) as SQL.
QString demoSchemaSql();

enum class DemoSectionKind {
    Dressage,             // individual dressage (discipline 2)
    Kur,                  // dressage to music (tblKlasse.Kur 1)
    Team,                 // dressage team class (tblKlasse.HoldKlasse 1)
    ChampionshipDressage, // class type "DCU4H" ... "DCUF6H", "SK-" prefix allowed
    Jumping,              // show jumping (discipline 3)
    ChampionshipJumping,  // jumping class type containing "SCU"
    Eventing,             // discipline 4
    WaitingList           // initials "V", any discipline
};

struct DemoSection
{
    int staevneId = 0;
    int klasseId = 0;
    int klasseNr = 0;
    QString klasse;       // class name
    QString afdeling;     // section initials
    int bane = 0;         // arena as stored (99 for waiting lists)
    int diciplinId = 0;
    QString klasseTypeId;
    int afdelingId = 0;
    DemoSectionKind kind = DemoSectionKind::Dressage;
    int starters = 0;     // starts not taken out (Slettet NULL)
};

// The class sections of a competition in the file, ordered by arena, day,
// class number and initials. Empty with error set when the file cannot be
// read.
QList<DemoSection> readDemoSections(const QString &file, int staevneId = demoCompetitionId,
                                    QString *error = nullptr);

// The first section of a kind, or nullptr.
const DemoSection *firstDemoSection(const QList<DemoSection> &sections, DemoSectionKind kind);

} // namespace standin

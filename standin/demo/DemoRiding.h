#pragma once

#include <QDateTime>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>

#include <cmath>

namespace standin {

class SqliteDatabase;

// What the competition-management system records while a section is being
// ridden, shared by the demo generator (which rides the sections that are
// over or under way when the file is made) and the simulator (which goes on
// riding them). Everything is drawn from one seeded generator, so a seed
// gives the same results every time.
namespace riding {

// Deterministic random numbers for a seed.
class Random
{
public:
    explicit Random(quint32 seed) : m_generator(seed) {}
    // lo to hi, both included.
    int range(int lo, int hi) { return lo + int(m_generator.bounded(quint32(hi - lo + 1))); }
    double real(double lo, double hi) { return lo + m_generator.generateDouble() * (hi - lo); }
    bool chance(double p) { return m_generator.generateDouble() < p; }
    double normal(double mean, double deviation)
    {
        // Box-Muller: one of the pair is enough here.
        const double u1 = 1.0 - m_generator.generateDouble();
        const double u2 = m_generator.generateDouble();
        const double twoPi = 6.283185307179586;
        return mean + deviation * std::sqrt(-2.0 * std::log(u1)) * std::cos(twoPi * u2);
    }
    template<typename T, size_t N>
    const T &pick(const T (&items)[N]) { return items[range(0, int(N) - 1)]; }
    template<typename List>
    const typename List::value_type &pick(const List &items) { return items.at(range(0, int(items.size()) - 1)); }
    // Each item in turn, so that a run meets every one of them early.
    template<typename T, size_t N>
    const T &inTurn(const T (&items)[N]) { return items[m_turn++ % N]; }

private:
    QRandomGenerator m_generator;
    size_t m_turn = 0;
};

// Disciplines as tblKlasse.DiciplinId holds them.
enum Discipline { Dressage = 2, Jumping = 3, Eventing = 4 };

// The facts of a section that riding needs.
struct Section
{
    int afdelingId = 0;
    int klasseId = 0;
    int klasseNr = 0;
    int discipline = 0;
    QString initials;
    bool kur = false;
    bool team = false;
    bool championship = false; // scored at the station, not in the database
    int maxPoint = 0;
    QStringList judgePositions; // "E", "H", "C", "M", "B" in judging order

    bool waitingList() const { return initials.compare(QLatin1String("V"), Qt::CaseInsensitive) == 0; }
    // Sections whose results the competition-management system records.
    bool ridden() const { return !waitingList() && !championship && discipline >= Dressage && discipline <= Eventing; }
};

// The championship rule of the station: dressage class types "DCU4H" ...
// "DCUF6H" (after an "SK-" prefix), jumping class types containing "SCU".
bool isChampionshipType(int discipline, const QString &klasseTypeId);

bool loadSection(SqliteDatabase &db, int afdelingId, Section *section);

// Rides the next start of the section: the first start by start number
// without a result (in eventing: the next phase, all dressage tests first,
// then cross-country, then jumping). Writes scores or, now and then, a
// status word instead. Returns what happened, or an empty text when the
// section has nothing left to ride (or on failure: see db.lastError()).
QString rideNext(SqliteDatabase &db, Random &random, const Section &section, const QDateTime &when);

// True while a start of the section still lacks its result.
bool hasUnridden(SqliteDatabase &db, const Section &section);

// Writes the official placings of a finished section (and in a team class
// which member's result does not count).
bool placeSection(SqliteDatabase &db, const Section &section);

// Records a new update number (one above the highest).
bool bumpUpdate(SqliteDatabase &db, const QDateTime &when, const QString &what);

// "yyyy-MM-dd HH:mm:ss.zzz".
QString sqlDateTime(const QDateTime &time);

} // namespace riding
} // namespace standin

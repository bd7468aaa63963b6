#include "DemoRiding.h"

#include "SqliteDatabase.h"

#include <QHash>
#include <QList>
#include <QVariant>

#include <algorithm>

namespace standin {
namespace riding {
namespace {

const char *const kJudgeColumns[] = {"DommerE", "DommerH", "DommerC", "DommerM", "DommerB"};
const char *const kPositions[] = {"E", "H", "C", "M", "B"};

double halfPoints(double value)
{
    return std::round(value * 2.0) / 2.0;
}

double rounded(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

QString label(const Section &section)
{
    return QStringLiteral("klasse %1 %2").arg(section.klasseNr).arg(section.initials);
}

// The first live start of the section that the condition picks, by start
// number; 0 when there is none.
int firstStart(SqliteDatabase &db, const Section &section, const QString &condition)
{
    SqliteStatement query(db, QStringLiteral("SELECT StartId FROM tblStart "
                                             "WHERE AfdelingId = ?1 AND Slettet IS NULL AND (%1) "
                                             "ORDER BY StartNr, StartId LIMIT 1")
                                  .arg(condition));
    query.addBind(section.afdelingId);
    return query.next() ? query.intValue(0) : 0;
}

int startNumber(SqliteDatabase &db, int startId)
{
    return db.value(QStringLiteral("SELECT StartNr FROM tblStart WHERE StartId = ?1"), {startId}).toInt();
}

bool setStatus(SqliteDatabase &db, int startId, const QString &status)
{
    SqliteStatement update(db, QStringLiteral("UPDATE tblStart SET Status = ?1 WHERE StartId = ?2"));
    update.addBind(status).addBind(startId);
    return update.run();
}

const QString kDressageOpen = QStringLiteral(
    "IFNULL(Status, '') = '' AND DommerE IS NULL AND DommerH IS NULL AND DommerC IS NULL "
    "AND DommerM IS NULL AND DommerB IS NULL");
const QString kJumpingOpen = QStringLiteral("IFNULL(Status, '') = '' AND FejlHS1 IS NULL");
const QString kEventingOpen = QStringLiteral("IFNULL(Status, 'NEJ') = 'NEJ' AND Springning IS NULL");

QString rideDressage(SqliteDatabase &db, Random &random, const Section &section, int startId)
{
    const int number = startNumber(db, startId);
    const double roll = random.real(0.0, 1.0);
    if (roll < 0.03) {
        setStatus(db, startId, QStringLiteral("EJ MØDT"));
        return QStringLiteral("%1: start %2 EJ MØDT").arg(label(section)).arg(number);
    }
    if (roll < 0.07) {
        static const char *const words[] = {"OPGIVET", "DISKVALIFICERET", "UDGÅET"};
        const QString word = QString::fromUtf8(random.inTurn(words));
        setStatus(db, startId, word);
        return QStringLiteral("%1: start %2 %3").arg(label(section)).arg(number).arg(word);
    }
    // One level for the ride, each judge a little above or below it.
    const double percent = std::clamp(random.normal(66.5, 4.0), 52.0, 82.0);
    const double sheet = section.kur ? section.maxPoint / 2.0 : double(section.maxPoint);
    // A section without judges in the database is judged at C alone, so the
    // ride always leaves a mark behind.
    const QStringList positions = section.judgePositions.isEmpty() ? QStringList{QStringLiteral("C")}
                                                                   : section.judgePositions;
    QStringList assignments;
    QVariantList values;
    double total = 0;
    for (int i = 0; i < 5; ++i) {
        QVariant mark;
        QVariant kurMark;
        if (positions.contains(QLatin1String(kPositions[i]))) {
            const double m = halfPoints(sheet * (percent + random.normal(0.0, 1.2)) / 100.0);
            mark = m;
            total += m;
            if (section.kur) {
                const double k = halfPoints(sheet * (percent + random.normal(1.0, 1.5)) / 100.0);
                kurMark = k;
                total += k;
            }
        }
        assignments << QStringLiteral("%1 = ?").arg(QLatin1String(kJudgeColumns[i]))
                    << QStringLiteral("%1Kur = ?").arg(QLatin1String(kJudgeColumns[i]));
        values << mark << kurMark;
    }
    SqliteStatement update(db, QStringLiteral("UPDATE tblStart SET %1 WHERE StartId = ?")
                                   .arg(assignments.join(QStringLiteral(", "))));
    update.bindAll(values);
    update.addBind(startId);
    if (!update.run())
        return QString();
    return QStringLiteral("%1: start %2 %3 point").arg(label(section)).arg(number).arg(total);
}

QString rideJumping(SqliteDatabase &db, Random &random, const Section &section, int startId)
{
    const int number = startNumber(db, startId);
    const double roll = random.real(0.0, 1.0);
    if (roll < 0.03) {
        setStatus(db, startId, QStringLiteral("DIS_EJ_MODT"));
        return QStringLiteral("%1: start %2 DIS_EJ_MODT").arg(label(section)).arg(number);
    }
    if (roll < 0.07) {
        static const char *const words[] = {"DISKVALIFICERET", "OPGIVET"};
        const QString word = QString::fromUtf8(random.pick(words));
        setStatus(db, startId, word);
        return QStringLiteral("%1: start %2 %3").arg(label(section)).arg(number).arg(word);
    }
    static const int faults[] = {0, 0, 0, 0, 0, 4, 4, 4, 8, 8, 12, 1, 5};
    double fejl = random.pick(faults);
    double tid = rounded(random.real(52.0, 78.0), 2);
    if (tid > 75.0)
        fejl += 1; // time fault over the time allowed
    SqliteStatement update(db, QStringLiteral("UPDATE tblStart SET FejlHS1 = ?1, TidHS1 = ?2 WHERE StartId = ?3"));
    update.addBind(fejl).addBind(tid).addBind(startId);
    if (!update.run())
        return QString();
    return QStringLiteral("%1: start %2 %3 fejl %4 sek").arg(label(section)).arg(number).arg(fejl).arg(tid);
}

QString rideEventing(SqliteDatabase &db, Random &random, const Section &section)
{
    // All dressage tests first, then cross-country, then jumping.
    int startId = firstStart(db, section, QStringLiteral("IFNULL(Status, 'NEJ') = 'NEJ' AND Dressur IS NULL"));
    if (startId) {
        const int number = startNumber(db, startId);
        const double roll = random.real(0.0, 1.0);
        if (roll < 0.02) {
            setStatus(db, startId, QStringLiteral("EJ MØDT"));
            return QStringLiteral("%1: start %2 EJ MØDT").arg(label(section)).arg(number);
        }
        if (roll < 0.04) {
            SqliteStatement update(db, QStringLiteral("UPDATE tblStart SET DiskDressur = 'JA', "
                                                      "Status = 'DISKVALIFICERET' WHERE StartId = ?1"));
            update.addBind(startId);
            update.run();
            return QStringLiteral("%1: start %2 dressur DISKVALIFICERET").arg(label(section)).arg(number);
        }
        const double dressur = rounded(random.real(24.0, 48.0), 1);
        SqliteStatement update(db, QStringLiteral("UPDATE tblStart SET Dressur = ?1 WHERE StartId = ?2"));
        update.addBind(dressur).addBind(startId);
        if (!update.run())
            return QString();
        return QStringLiteral("%1: start %2 dressur %3").arg(label(section)).arg(number).arg(dressur);
    }
    startId = firstStart(db, section,
                         QStringLiteral("IFNULL(Status, 'NEJ') = 'NEJ' AND Dressur IS NOT NULL AND NOT EXISTS "
                                        "(SELECT 1 FROM tblMilitaryResultatUdh AS U "
                                        "WHERE U.StartId = tblStart.StartId AND U.EtapeDTid IS NOT NULL)"));
    if (startId) {
        const int number = startNumber(db, startId);
        const double roll = random.real(0.0, 1.0);
        SqliteStatement insert(db, QStringLiteral("INSERT INTO tblMilitaryResultatUdh "
                                                  "(StartId, EtapeDTid, EtapeDFejl, DiskUdh) VALUES (?1, ?2, ?3, ?4)"));
        if (roll < 0.07) {
            const QString word = roll < 0.035 ? QStringLiteral("UDGÅET") : QStringLiteral("OPGIVET");
            insert.addBind(startId).addBind(QVariant()).addBind(QVariant()).addBind(QStringLiteral("JA"));
            insert.run();
            setStatus(db, startId, word);
            return QStringLiteral("%1: start %2 terræn %3").arg(label(section)).arg(number).arg(word);
        }
        const double ideal = 420.0;
        const double tid = rounded(random.real(395.0, 470.0), 0);
        double fejl = tid > ideal ? rounded((tid - ideal) * 0.4, 1) : 0.0;
        if (random.chance(0.15))
            fejl += 20;
        insert.addBind(startId).addBind(tid).addBind(fejl).addBind(QStringLiteral("NEJ"));
        if (!insert.run())
            return QString();
        return QStringLiteral("%1: start %2 terræn %3 sek %4 fejl").arg(label(section)).arg(number).arg(tid).arg(fejl);
    }
    startId = firstStart(db, section, kEventingOpen);
    if (!startId)
        return QString();
    const int number = startNumber(db, startId);
    if (random.chance(0.03)) {
        SqliteStatement update(db, QStringLiteral("UPDATE tblStart SET DiskSpring = 'JA', Status = 'UDGÅET' "
                                                  "WHERE StartId = ?1"));
        update.addBind(startId);
        update.run();
        return QStringLiteral("%1: start %2 spring UDGÅET").arg(label(section)).arg(number);
    }
    static const int faults[] = {0, 0, 0, 4, 4, 8, 12};
    const double tid = rounded(random.real(68.0, 88.0), 2);
    const double fejl = random.pick(faults) + (tid > 85.0 ? 1 : 0);
    SqliteStatement update(db, QStringLiteral("UPDATE tblStart SET Springning = ?1, SpringningTid = ?2 "
                                              "WHERE StartId = ?3"));
    update.addBind(fejl).addBind(tid).addBind(startId);
    if (!update.run())
        return QString();
    return QStringLiteral("%1: start %2 spring %3 fejl").arg(label(section)).arg(number).arg(fejl);
}

// Gives each (start id, score) its rank in the given order; equal scores
// share a rank and the next score takes its position (1, 1, 3).
bool writePlacings(SqliteDatabase &db, const Section &section, const QString &rankQuery)
{
    SqliteStatement clear(db, QStringLiteral("UPDATE tblStart SET Placering = NULL WHERE AfdelingId = ?1"));
    clear.addBind(section.afdelingId);
    if (!clear.run())
        return false;
    SqliteStatement ranked(db, rankQuery);
    ranked.addBind(section.afdelingId);
    SqliteStatement update(db, QStringLiteral("UPDATE tblStart SET Placering = ?1 WHERE StartId = ?2"));
    int position = 0;
    int place = 0;
    QString lastKey;
    while (ranked.next()) {
        ++position;
        const QString key = ranked.textValue(1);
        if (position == 1 || key != lastKey)
            place = position;
        lastKey = key;
        update.addBind(place).addBind(ranked.intValue(0));
        if (!update.run())
            return false;
    }
    return ranked.ok();
}

const QString kDressagePoints = QStringLiteral(
    "IFNULL(DommerE, 0) + IFNULL(DommerH, 0) + IFNULL(DommerC, 0) + IFNULL(DommerM, 0) + IFNULL(DommerB, 0)"
    " + IFNULL(DommerEKur, 0) + IFNULL(DommerHKur, 0) + IFNULL(DommerCKur, 0)"
    " + IFNULL(DommerMKur, 0) + IFNULL(DommerBKur, 0)");

bool markDroppedTeamResults(SqliteDatabase &db, const Section &section)
{
    // In a team of four or more, the lowest score does not count.
    SqliteStatement members(db, QStringLiteral("SELECT SH.AnmeldelseHoldId, ST.StartId, %1 "
                                               "FROM tblStart AS ST "
                                               "INNER JOIN tblStartHold AS SH ON SH.StartId = ST.StartId "
                                               "WHERE ST.AfdelingId = ?1 AND ST.Slettet IS NULL "
                                               "ORDER BY SH.AnmeldelseHoldId, 3, ST.StartId")
                                    .arg(kDressagePoints));
    members.addBind(section.afdelingId);
    QHash<int, QList<int>> teams; // team -> start ids, lowest score first
    QList<int> order;
    while (members.next()) {
        const int team = members.intValue(0);
        if (!teams.contains(team))
            order << team;
        teams[team] << members.intValue(1);
    }
    SqliteStatement clear(db, QStringLiteral("UPDATE tblStart SET Udgaar = 0 WHERE AfdelingId = ?1"));
    clear.addBind(section.afdelingId);
    if (!clear.run())
        return false;
    SqliteStatement drop(db, QStringLiteral("UPDATE tblStart SET Udgaar = 1 WHERE StartId = ?1"));
    for (int team : order) {
        if (teams.value(team).size() >= 4) {
            drop.addBind(teams.value(team).first());
            if (!drop.run())
                return false;
        }
    }
    return true;
}

} // namespace

QString sqlDateTime(const QDateTime &time)
{
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
}

bool isChampionshipType(int discipline, const QString &klasseTypeId)
{
    QString code = klasseTypeId.simplified();
    const int sk = code.indexOf(QLatin1String("SK-"));
    if (sk >= 0)
        code = code.mid(sk + 3);
    if (discipline == Dressage) {
        static const char *const codes[] = {"DCU4H", "DCU5H", "DCU6H", "DCUF4H", "DCUF5H", "DCUF6H"};
        for (const char *c : codes) {
            if (code == QLatin1String(c))
                return true;
        }
        return false;
    }
    return discipline == Jumping && code.contains(QLatin1String("SCU"));
}

bool loadSection(SqliteDatabase &db, int afdelingId, Section *section)
{
    SqliteStatement query(db, QStringLiteral("SELECT AF.KlasseId, K.DiciplinId, AF.AfdelingInitialer, K.Kur, "
                                             "K.HoldKlasse, K.KlasseTypeId, IFNULL(KT.MaxPoint, 0), K.KlasseNr "
                                             "FROM tblAfdeling AS AF "
                                             "INNER JOIN tblKlasse AS K ON AF.KlasseId = K.KlasseId "
                                             "LEFT JOIN tblKlasseType AS KT ON K.KlasseTypeId = KT.KlasseTypeId "
                                             "WHERE AF.AfdelingId = ?1"));
    query.addBind(afdelingId);
    if (!query.next()) {
        if (query.ok())
            db.setError(QStringLiteral("no section %1").arg(afdelingId));
        return false;
    }
    Section s;
    s.afdelingId = afdelingId;
    s.klasseId = query.intValue(0);
    s.discipline = query.intValue(1);
    s.initials = query.textValue(2).trimmed();
    s.kur = query.intValue(3) == 1;
    s.team = query.intValue(4) != 0;
    s.championship = isChampionshipType(s.discipline, query.textValue(5));
    s.maxPoint = query.intValue(6);
    s.klasseNr = query.intValue(7);
    SqliteStatement judges(db, QStringLiteral("SELECT Position FROM tblAfdelingDommer WHERE AfdelingId = ?1 "
                                              "ORDER BY Raekkefoelge, AfdelingDommerId"));
    judges.addBind(afdelingId);
    while (judges.next())
        s.judgePositions << judges.textValue(0).trimmed();
    *section = s;
    return judges.ok();
}

QString rideNext(SqliteDatabase &db, Random &random, const Section &section, const QDateTime &)
{
    if (!section.ridden())
        return QString();
    switch (section.discipline) {
    case Dressage:
        if (const int startId = firstStart(db, section, kDressageOpen))
            return rideDressage(db, random, section, startId);
        return QString();
    case Jumping:
        if (const int startId = firstStart(db, section, kJumpingOpen))
            return rideJumping(db, random, section, startId);
        return QString();
    case Eventing:
        return rideEventing(db, random, section);
    default:
        return QString();
    }
}

bool hasUnridden(SqliteDatabase &db, const Section &section)
{
    if (!section.ridden())
        return false;
    switch (section.discipline) {
    case Dressage:
        return firstStart(db, section, kDressageOpen) != 0;
    case Jumping:
        return firstStart(db, section, kJumpingOpen) != 0;
    default:
        return firstStart(db, section, kEventingOpen) != 0;
    }
}

bool placeSection(SqliteDatabase &db, const Section &section)
{
    if (!section.ridden())
        return true;
    switch (section.discipline) {
    case Dressage:
        if (section.team && !markDroppedTeamResults(db, section))
            return false;
        return writePlacings(db, section,
                             QStringLiteral("SELECT StartId, %1 FROM tblStart "
                                            "WHERE AfdelingId = ?1 AND Slettet IS NULL "
                                            "AND IFNULL(Status, '') = '' AND %1 > 0 "
                                            "ORDER BY 2 DESC, StartNr")
                                 .arg(kDressagePoints));
    case Jumping:
        return writePlacings(db, section,
                             QStringLiteral("SELECT StartId, FejlHS1 || '/' || TidHS1 FROM tblStart "
                                            "WHERE AfdelingId = ?1 AND Slettet IS NULL "
                                            "AND IFNULL(Status, '') = '' AND FejlHS1 IS NOT NULL "
                                            "ORDER BY FejlHS1, TidHS1, StartNr"));
    default:
        return writePlacings(db, section,
                             QStringLiteral("SELECT ST.StartId, IFNULL(ST.Dressur, 0) + IFNULL(U.EtapeDFejl, 0) "
                                            "+ IFNULL(ST.Springning, 0) FROM tblStart AS ST "
                                            "LEFT JOIN tblMilitaryResultatUdh AS U ON U.StartId = ST.StartId "
                                            "WHERE ST.AfdelingId = ?1 AND ST.Slettet IS NULL "
                                            "AND IFNULL(ST.Status, 'NEJ') = 'NEJ' AND ST.Springning IS NOT NULL "
                                            "ORDER BY 2, ST.StartNr"));
    }
}

bool bumpUpdate(SqliteDatabase &db, const QDateTime &when, const QString &what)
{
    SqliteStatement insert(db, QStringLiteral("INSERT INTO tblOpdatering (OpdateringID, Dato, Beskrivelse) "
                                              "SELECT IFNULL(max(OpdateringID), 0) + 1, ?1, ?2 FROM tblOpdatering"));
    insert.addBind(sqlDateTime(when)).addBind(what);
    return insert.run();
}

} // namespace riding
} // namespace standin

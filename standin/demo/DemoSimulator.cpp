#include "DemoSimulator.h"

#include "DemoCompetition.h"
#include "DemoRiding.h"
#include "SqliteDatabase.h"

#include <QDateTime>
#include <QMap>
#include <QVariant>

namespace standin {

namespace {

// A start without any result yet, in any discipline.
const char kUntouched[] =
    "IFNULL(ST.Status, 'NEJ') IN ('', 'NEJ') AND ST.DommerE IS NULL AND ST.DommerH IS NULL "
    "AND ST.DommerC IS NULL AND ST.DommerM IS NULL AND ST.DommerB IS NULL "
    "AND ST.FejlHS1 IS NULL AND ST.Dressur IS NULL";

} // namespace

DemoSimulator::DemoSimulator(const QString &file, quint32 seed, QObject *parent)
    : QObject(parent)
    , m_file(file)
    , m_random(std::make_unique<riding::Random>(seed))
{
    m_timer.setInterval(5000);
    connect(&m_timer, &QTimer::timeout, this, &DemoSimulator::tick);
}

DemoSimulator::~DemoSimulator() = default;

void DemoSimulator::setInterval(int ms)
{
    m_timer.setInterval(ms);
}

bool DemoSimulator::ensureOpen()
{
    if (m_db)
        return true;
    auto db = std::make_unique<SqliteDatabase>();
    if (!db->open(m_file, false)) {
        m_error = db->lastError();
        return false;
    }
    m_baseStartId = db->value(QStringLiteral("SELECT IFNULL(max(StartId), 0) FROM tblStart")).toInt();
    m_baseAnmeldelseId = db->value(QStringLiteral("SELECT IFNULL(max(AnmeldelseId), 0) FROM tblAnmeldelse")).toInt();
    m_db = std::move(db);
    return true;
}

void DemoSimulator::start()
{
    m_clock.start();
    m_timer.start();
}

void DemoSimulator::stop()
{
    if (!m_timer.isActive())
        return;
    m_timer.stop();
    emit finished();
}

void DemoSimulator::tick()
{
    if (m_duration > 0 && m_clock.elapsed() >= m_duration) {
        stop();
        return;
    }
    step();
    if (m_done || !m_error.isEmpty())
        stop();
}

QStringList DemoSimulator::step()
{
    QStringList changes;
    m_error.clear();
    if (!ensureOpen())
        return changes;
    if (!m_db->transaction()) {
        m_error = m_db->lastError();
        return changes;
    }
    bool anyLeft = false;
    changes << rideArenas(&anyLeft);
    // Now and then something happens besides the riding.
    if (m_error.isEmpty() && m_random->chance(0.35)) {
        QString change;
        switch (m_random->range(0, 2)) {
        case 0:
            change = withdraw();
            break;
        case 1:
            change = lateEntry();
            break;
        default:
            change = promoteFromWaitingList();
            break;
        }
        if (!change.isEmpty())
            changes << change;
    }
    if (m_error.isEmpty() && !changes.isEmpty()
        && !riding::bumpUpdate(*m_db, QDateTime::currentDateTime(), changes.first()))
        m_error = m_db->lastError();
    if (!m_error.isEmpty()) {
        m_db->rollback();
        return QStringList();
    }
    if (!m_db->commit()) {
        m_error = m_db->lastError();
        m_db->rollback();
        return QStringList();
    }
    m_done = !anyLeft;
    ++m_steps;
    emit stepped(m_steps, changes);
    return changes;
}

QStringList DemoSimulator::rideArenas(bool *anyLeft)
{
    // The section being ridden in an arena is its first one, by day and
    // time, that still has starters to come.
    SqliteStatement sections(*m_db, QStringLiteral("SELECT AF.AfdelingId, AF.BaneNr FROM tblAfdeling AS AF "
                                                   "INNER JOIN tblKlasse AS K ON AF.KlasseId = K.KlasseId "
                                                   "WHERE K.StaevneId = ?1 AND AF.BaneNr <> 99 "
                                                   "ORDER BY AF.BaneNr, AF.Dato, AF.StarttidS, AF.AfdelingId"));
    sections.addBind(demoCompetitionId);
    QMap<int, QList<int>> arenas;
    while (sections.next())
        arenas[sections.intValue(1)] << sections.intValue(0);
    if (!sections.ok()) {
        m_error = m_db->lastError();
        return {};
    }
    QStringList changes;
    *anyLeft = false;
    for (auto arena = arenas.cbegin(); arena != arenas.cend(); ++arena) {
        QList<riding::Section> ridden;
        const riding::Section *next = nullptr;
        for (int afdelingId : arena.value()) {
            riding::Section section;
            if (!riding::loadSection(*m_db, afdelingId, &section)) {
                m_error = m_db->lastError();
                return {};
            }
            if (!section.ridden())
                continue;
            ridden << section;
            if (riding::hasUnridden(*m_db, section)) {
                next = &ridden.last();
                break;
            }
        }
        if (ridden.isEmpty())
            continue;
        if (!next) {
            int &round = m_rounds[arena.key()];
            next = &ridden.at(round++ % ridden.size());
            if (!newRound(*next)) {
                m_error = m_db->lastError();
                return {};
            }
            changes << QStringLiteral("klasse %1 %2: ny runde").arg(next->klasseNr).arg(next->initials);
        }
        const riding::Section section = *next;
        const QString change = riding::rideNext(*m_db, *m_random, section, QDateTime::currentDateTime());
        if (change.isEmpty()) {
            m_error = m_db->lastError();
            return {};
        }
        changes << change;
        *anyLeft = true;
        if (!riding::hasUnridden(*m_db, section)) {
            if (!riding::placeSection(*m_db, section)) {
                m_error = m_db->lastError();
                return {};
            }
            changes << QStringLiteral("klasse %1 %2: færdig, placeringer skrevet")
                           .arg(section.klasseNr)
                           .arg(section.initials);
        }
    }
    return changes;
}

bool DemoSimulator::newRound(const riding::Section &section)
{
    const QString none = section.discipline == riding::Eventing ? QStringLiteral("NEJ") : QString();
    const QVariant status = none.isEmpty() ? QVariant() : QVariant(none);
    // What this run added to the section goes; a waiting-list starter whose
    // start in the class went with it is back on the waiting list.
    const QString statements[] = {
        QStringLiteral("DELETE FROM tblMilitaryResultatUdh WHERE StartId IN "
                       "(SELECT StartId FROM tblStart WHERE AfdelingId = ?1)"),
        QStringLiteral("DELETE FROM tblStartHold WHERE StartId IN "
                       "(SELECT StartId FROM tblStart WHERE AfdelingId = ?1 AND StartId > ?2)"),
        QStringLiteral("DELETE FROM tblStart WHERE AfdelingId = ?1 AND StartId > ?2"),
        QStringLiteral("DELETE FROM tblAnmeldelse WHERE KlasseId = ?3 AND AnmeldelseId > ?4 "
                       "AND AnmeldelseId NOT IN (SELECT AnmeldelseId FROM tblStart)"),
        QStringLiteral("UPDATE tblStart SET Slettet = NULL WHERE Slettet IS NOT NULL AND AfdelingId IN "
                       "(SELECT AfdelingId FROM tblAfdeling WHERE KlasseId = ?3 AND AfdelingInitialer = 'V') "
                       "AND AnmeldelseId NOT IN (SELECT ST.AnmeldelseId FROM tblStart AS ST "
                       "INNER JOIN tblAfdeling AS AF ON ST.AfdelingId = AF.AfdelingId "
                       "WHERE AF.KlasseId = ?3 AND AF.AfdelingInitialer <> 'V' AND ST.Slettet IS NULL)"),
        QStringLiteral("UPDATE tblStart SET Status = ?5, DiskDressur = ?5, DiskSpring = ?5, Placering = NULL, "
                       "Udgaar = 0, DommerE = NULL, DommerH = NULL, DommerC = NULL, DommerM = NULL, "
                       "DommerB = NULL, DommerEKur = NULL, DommerHKur = NULL, DommerCKur = NULL, "
                       "DommerMKur = NULL, DommerBKur = NULL, FejlHS1 = NULL, TidHS1 = NULL, Dressur = NULL, "
                       "Springning = NULL, SpringningTid = NULL WHERE AfdelingId = ?1"),
    };
    for (const QString &sql : statements) {
        SqliteStatement statement(*m_db, sql);
        statement.bind(1, section.afdelingId)
            .bind(2, m_baseStartId)
            .bind(3, section.klasseId)
            .bind(4, m_baseAnmeldelseId)
            .bind(5, status);
        if (!statement.run())
            return false;
    }
    return true;
}

QString DemoSimulator::withdraw()
{
    SqliteStatement open(*m_db, QStringLiteral("SELECT ST.StartId, K.KlasseNr, AF.AfdelingInitialer, ST.StartNr "
                                               "FROM tblStart AS ST "
                                               "INNER JOIN tblAfdeling AS AF ON ST.AfdelingId = AF.AfdelingId "
                                               "INNER JOIN tblKlasse AS K ON AF.KlasseId = K.KlasseId "
                                               "WHERE K.StaevneId = ?1 AND AF.BaneNr <> 99 AND ST.Slettet IS NULL "
                                               "AND %1 ORDER BY ST.StartId")
                                    .arg(QLatin1String(kUntouched)));
    open.addBind(demoCompetitionId);
    struct Candidate
    {
        int startId;
        QString text;
    };
    QList<Candidate> candidates;
    while (open.next())
        candidates << Candidate{open.intValue(0), QStringLiteral("klasse %1 %2: start %3 AFMELDT")
                                                      .arg(open.intValue(1))
                                                      .arg(open.textValue(2).trimmed())
                                                      .arg(open.intValue(3))};
    if (candidates.isEmpty())
        return QString();
    const Candidate &c = m_random->pick(candidates);
    SqliteStatement update(*m_db, QStringLiteral("UPDATE tblStart SET Status = 'AFMELDT' WHERE StartId = ?1"));
    update.addBind(c.startId);
    if (!update.run()) {
        m_error = m_db->lastError();
        return QString();
    }
    return c.text;
}

QString DemoSimulator::lateEntry()
{
    // A section still to be ridden (or a championship, scored at the station).
    SqliteStatement query(*m_db, QStringLiteral("SELECT AF.AfdelingId FROM tblAfdeling AS AF "
                                                "INNER JOIN tblKlasse AS K ON AF.KlasseId = K.KlasseId "
                                                "WHERE K.StaevneId = ?1 AND AF.BaneNr <> 99 "
                                                "ORDER BY AF.AfdelingId"));
    query.addBind(demoCompetitionId);
    QList<riding::Section> open;
    QList<int> ids;
    while (query.next())
        ids << query.intValue(0);
    for (int id : ids) {
        riding::Section section;
        if (!riding::loadSection(*m_db, id, &section))
            continue;
        // A championship is never ridden again, so it takes only a few late
        // entries; the start lists of a long run stay the size of a show's.
        const bool takesMore =
            section.championship
            && m_db->value(QStringLiteral("SELECT count(*) FROM tblStart WHERE AfdelingId = ?1 AND StartId > ?2"),
                           {id, m_baseStartId})
                       .toInt()
                   < 2;
        if (takesMore || riding::hasUnridden(*m_db, section))
            open << section;
    }
    if (open.isEmpty())
        return QString();
    const riding::Section section = m_random->pick(open);

    // A combination of the show that has not entered this class.
    SqliteStatement pool(*m_db, QStringLiteral("SELECT A.AnmeldelseNr, A.RytterId, A.HestId, A.KlubId "
                                               "FROM tblAnmeldelse AS A "
                                               "INNER JOIN tblKlasse AS K ON A.KlasseId = K.KlasseId "
                                               "WHERE K.StaevneId = ?1 AND A.AnmeldelseNr NOT IN "
                                               "(SELECT AnmeldelseNr FROM tblAnmeldelse WHERE KlasseId = ?2) "
                                               "GROUP BY A.AnmeldelseNr ORDER BY A.AnmeldelseNr"));
    pool.addBind(demoCompetitionId).addBind(section.klasseId);
    QList<QVariantList> combinations;
    while (pool.next())
        combinations << QVariantList{pool.value(0), pool.value(1), pool.value(2), pool.value(3)};
    if (combinations.isEmpty())
        return QString();
    const QVariantList combination = m_random->pick(combinations);

    const int anmeldelseId = m_db->value(QStringLiteral("SELECT IFNULL(max(AnmeldelseId), 0) + 1 FROM tblAnmeldelse")).toInt();
    SqliteStatement entry(*m_db, QStringLiteral("INSERT INTO tblAnmeldelse (AnmeldelseId, KlasseId, AnmeldelseNr, "
                                                "RytterId, HestId, KlubId, Kategori) VALUES (?1, ?2, ?3, ?4, ?5, ?6, '0')"));
    entry.addBind(anmeldelseId).addBind(section.klasseId);
    entry.bindAll(combination);
    if (!entry.run()) {
        m_error = m_db->lastError();
        return QString();
    }
    SqliteStatement last(*m_db, QStringLiteral("SELECT IFNULL(max(StartNr), 0) + 1, max(Starttid), "
                                               "(SELECT StartInterval FROM tblAfdeling WHERE AfdelingId = ?1) "
                                               "FROM tblStart WHERE AfdelingId = ?1"));
    last.addBind(section.afdelingId);
    if (!last.next()) {
        m_error = m_db->lastError();
        return QString();
    }
    const int startNr = last.intValue(0);
    const QDateTime lastTime = QDateTime::fromString(last.textValue(1), QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    const QVariant time = lastTime.isValid() ? QVariant(riding::sqlDateTime(lastTime.addSecs(last.intValue(2))))
                                             : QVariant();
    const int startId = m_db->value(QStringLiteral("SELECT IFNULL(max(StartId), 0) + 1 FROM tblStart")).toInt();
    const QVariant none = section.discipline == riding::Eventing ? QVariant(QStringLiteral("NEJ")) : QVariant();
    SqliteStatement start(*m_db, QStringLiteral("INSERT INTO tblStart (StartId, AfdelingId, AnmeldelseId, StartNr, "
                                                "Starttid, StarttidDressur, Status, DiskDressur, DiskSpring) "
                                                "VALUES (?1, ?2, ?3, ?4, ?5, ?5, ?6, ?6, ?6)"));
    start.addBind(startId).addBind(section.afdelingId).addBind(anmeldelseId).addBind(startNr).addBind(time).addBind(none);
    if (!start.run()) {
        m_error = m_db->lastError();
        return QString();
    }
    if (section.team) {
        // Into the smallest team of the class.
        const QVariant team = m_db->value(QStringLiteral("SELECT H.AnmeldelseHoldId FROM tblAnmeldelseHold AS H "
                                                         "LEFT JOIN tblStartHold AS SH ON SH.AnmeldelseHoldId = H.AnmeldelseHoldId "
                                                         "WHERE H.KlasseId = ?1 GROUP BY H.AnmeldelseHoldId "
                                                         "ORDER BY count(SH.StartId), H.AnmeldelseHoldId LIMIT 1"),
                                          {section.klasseId});
        if (team.isValid()) {
            SqliteStatement member(*m_db, QStringLiteral("INSERT INTO tblStartHold (StartId, AnmeldelseHoldId) VALUES (?1, ?2)"));
            member.addBind(startId).addBind(team);
            if (!member.run()) {
                m_error = m_db->lastError();
                return QString();
            }
        }
    }
    return QStringLiteral("klasse %1 %2: eftertilmelding nr. %3 som start %4")
        .arg(section.klasseNr)
        .arg(section.initials)
        .arg(combination.at(0).toInt())
        .arg(startNr);
}

QString DemoSimulator::promoteFromWaitingList()
{
    // The first on a waiting list gets the last place of the class's first
    // section that is still being ridden or not begun.
    SqliteStatement waiting(*m_db, QStringLiteral("SELECT ST.StartId, ST.AnmeldelseId, AF.KlasseId, K.KlasseNr "
                                                  "FROM tblStart AS ST "
                                                  "INNER JOIN tblAfdeling AS AF ON ST.AfdelingId = AF.AfdelingId "
                                                  "INNER JOIN tblKlasse AS K ON AF.KlasseId = K.KlasseId "
                                                  "WHERE K.StaevneId = ?1 AND AF.AfdelingInitialer = 'V' "
                                                  "AND ST.Slettet IS NULL ORDER BY AF.AfdelingId, ST.StartNr"));
    waiting.addBind(demoCompetitionId);
    QList<QList<int>> candidates;
    while (waiting.next())
        candidates << QList<int>{waiting.intValue(0), waiting.intValue(1), waiting.intValue(2), waiting.intValue(3)};
    for (const QList<int> &candidate : candidates) {
        SqliteStatement targets(*m_db, QStringLiteral("SELECT AfdelingId FROM tblAfdeling WHERE KlasseId = ?1 "
                                                      "AND AfdelingInitialer <> 'V' ORDER BY AfdelingInitialer"));
        targets.addBind(candidate.at(2));
        QList<int> ids;
        while (targets.next())
            ids << targets.intValue(0);
        for (int id : ids) {
            riding::Section section;
            if (!riding::loadSection(*m_db, id, &section) || !riding::hasUnridden(*m_db, section))
                continue;
            SqliteStatement remove(*m_db, QStringLiteral("UPDATE tblStart SET Slettet = ?1 WHERE StartId = ?2"));
            remove.addBind(riding::sqlDateTime(QDateTime::currentDateTime())).addBind(candidate.at(0));
            const int startNr =
                m_db->value(QStringLiteral("SELECT IFNULL(max(StartNr), 0) + 1 FROM tblStart WHERE AfdelingId = ?1"), {id})
                    .toInt();
            SqliteStatement insert(*m_db, QStringLiteral("INSERT INTO tblStart (StartId, AfdelingId, AnmeldelseId, StartNr, "
                                                         "Starttid, Status, DiskDressur, DiskSpring) "
                                                         "SELECT IFNULL(max(StartId), 0) + 1, ?1, ?2, ?3, NULL, ?4, ?4, ?4 "
                                                         "FROM tblStart"));
            const QVariant none = section.discipline == riding::Eventing ? QVariant(QStringLiteral("NEJ")) : QVariant();
            insert.addBind(id).addBind(candidate.at(1)).addBind(startNr).addBind(none);
            if (!remove.run() || !insert.run()) {
                m_error = m_db->lastError();
                return QString();
            }
            return QStringLiteral("klasse %1: fra ventelisten til %2 som start %3")
                .arg(candidate.at(3))
                .arg(section.initials)
                .arg(startNr);
        }
    }
    return QString();
}

} // namespace standin

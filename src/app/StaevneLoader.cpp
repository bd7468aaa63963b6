#include "app/StaevneLoader.h"

#include "database/DbValue.h"
#include "views/champ/staevneKlasseInfoChampDressur.h"
#include "views/champ/staevneKlasseInfoChampSpring.h"
#include "views/dressur/staevneKlasseInfoDressur.h"
#include "views/spring/staevneKlasseInfoSpring.h"
#include "views/military/staevneKlasseInfoMilitary.h"
#include "views/venteliste/staevneKlasseInfoVenteliste.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace StaevneLoader {

namespace {

void log(const Database &database, int level, const QString &text)
{
    if (database.log)
        database.log(level, text);
}

QString field(const Database &database, const QString &statement)
{
    return database.field ? database.field(statement) : QString();
}

const char *const championshipDressageTypes[] = {"DCU4H", "DCU5H", "DCU6H", "DCUF4H", "DCUF5H", "DCUF6H"};

bool isChampionshipDressageType(const QString &klasseType)
{
    for (const char *type : championshipDressageTypes) {
        if (klasseType == QLatin1String(type))
            return true;
    }
    return false;
}

} // namespace

// ---- choosing a competition ----------------------------------------------

// Every competition of the database, the latest start date last.
static const char StaevneListSql[] =
    "SELECT S.staevneId, S.staevne,       \t\t\tCONVERT(char(10),S.startdato,103) AS startdato, \t\t        CONVERT(char(10),S.slutdato,103) AS slutdato       \t\t\tFROM dbo.tblStaevne AS S \t\t\tORDER BY S.startdato ASC";

QString entryText(const QString &navn, const QString &startDato, const QString &slutDato)
{
    return (navn + QLatin1Char(' ') + startDato + QLatin1String(" - ") + slutDato).simplified();
}

bool readStaevneList(const Database &database, StaevneList *list)
{
    const QString statement = QString::fromUtf8(StaevneListSql);
    QSqlQuery query(database.db);
    query.setForwardOnly(true);
    const auto failed = [&] {
        log(database, -1, QStringLiteral("SELECTSTAEVNE SQL Error %1 Type: %2 STMT: %3")
                              .arg(query.lastError().text(), DbValue::errorType(query.lastError()), statement));
        return false;
    };
    if (!query.prepare(statement) || !query.exec() || !query.isActive())
        return failed();
    StaevneList read;
    while (query.next()) {
        read.entries << entryText(query.value(1).toString(), query.value(2).toString(), query.value(3).toString());
        read.ids << DbValue::toInt(query.value(0));
    }
    // A list that broke off would offer only the oldest competitions, and
    // preselect one of them as the latest.
    if (query.lastError().isValid())
        return failed();
    list->entries += read.entries;
    list->ids += read.ids;
    return true;
}

// ---- the competition's header --------------------------------------------

// Name, type, dates and federation number of one competition.
static const char HeaderSql[] =
    "SELECT S.staevneId, S.staevne,S.NiveauId,       \t\t\tCONVERT(char(10),S.startdato,103) AS startdato, \t\t        CONVERT(char(10),S.slutdato,103) AS slutdato, \t\t\t\tS.ZEPStaevneNr       \t\t\tFROM dbo.tblStaevne AS S \t\t\tWHERE S.staevneId = :staevneId ";

QString normaliseZepNr(const QString &number)
{
    QString nr = number.simplified().toUpper();
    nr.replace(QStringLiteral("Æ"), QStringLiteral("AE"));
    nr.replace(QStringLiteral("Ø"), QStringLiteral("OE"));
    nr.replace(QStringLiteral("Å"), QStringLiteral("AA"));
    nr.remove(QLatin1Char('*'));
    return nr;
}

Header readHeader(const Database &database, int staevneId)
{
    Header header;
    const QString statement = QString::fromUtf8(HeaderSql);
    QSqlQuery query(database.db);
    query.setForwardOnly(true);
    query.prepare(statement);
    query.bindValue(QStringLiteral(":staevneId"), staevneId);
    const auto failed = [&] {
        log(database, -1, QStringLiteral("SHOWSTAEVNE SQL Error %1 Type: %2 STMT: %3")
                              .arg(query.lastError().text(), DbValue::errorType(query.lastError()), statement));
        return header;
    };
    if (!query.exec() || !query.isActive())
        return failed();
    // A competition without a row reads as empty texts; a row that could
    // not be fetched is no answer at all.
    QVariantList values;
    if (query.next())
        values = DbValue::rowValues(query);
    else if (query.lastError().isValid())
        return failed();
    header.navn = DbValue::text(values.value(1));
    header.type = DbValue::text(values.value(2));
    header.startDato = DbValue::text(values.value(3));
    header.slutDato = DbValue::text(values.value(4));
    header.zepNr = normaliseZepNr(DbValue::text(values.value(5)));
    header.read = true;
    return header;
}

// The owner club's name and id, for the manifest.
static const char ClubNameSql[] = "SELECT K.klubnavn FROM tblEjer as E LEFT JOIN dbo.tblKlub AS K ON E.KlubId = K.KlubId";
static const char ClubIdSql[] = "SELECT klubId FROM tblEjer";

Club readClub(const Database &database)
{
    Club club;
    club.navn = field(database, QString::fromUtf8(ClubNameSql));
    club.id = field(database, QString::fromUtf8(ClubIdSql)).remove(QLatin1Char('*'));
    return club;
}

// The number of class sections; it sizes the progress dialog.
static const char SectionCountSql[] =
    "SELECT count(K.klasseId) \t\t\t\t\t  FROM dbo.tblKlasse as K \t\t\t\t\t  INNER JOIN tblAfdeling AS AF ON K.klasseId=AF.klasseId \t\t\t\t\t  WHERE K.staevneId = %1  ";

int readSectionCount(const Database &database, int staevneId)
{
    return field(database, QString::fromUtf8(SectionCountSql).arg(staevneId)).toInt();
}

// ---- the class sections --------------------------------------------------

// Every class section of the competition, by arena, day, class number and
// initials. Columns 0, 1 and 14 are selected but not used.
static const char SectionsSql[] =
    "SELECT K.KlasseId, KT.KlasseType,KT.DiciplinId, AF.afdelingInitialer,       \t\t      AF.baneNr, dbo.DanskeUgedage(DATENAME(weekday, AF.dato) ), K.KlasseNr, AF.afdelingId, K.Klasse, \t\t      CAST(CONVERT( varchar,AF.StarttidS, 14) AS varchar(5)), CAST(CONVERT(varchar,AF.SluttidS,14 ) AS varchar(5)), K.KlasseTypeId, \t\t\t  CAST(CONVERT( varchar,AF.Starttid, 14) AS varchar(5)), CAST(CONVERT(varchar,AF.Sluttid,14 ) AS varchar(5)) \t\t\t  ,K.bemaerkning \t\t      from dbo.tblKlasse as K \t\t      INNER JOIN tblAfdeling AS AF ON K.klasseId=AF.klasseId \t\t      LEFT JOIN dbo.tblKlasseType as KT ON K.KlasseTypeID = KT.klasseTypeId \t\t      WHERE K.staevneId = :staevneId  \t\t      ORDER BY AF.baneNr, AF.dato ASC , K.KlasseNr,AF.afdelingInitialer ";

SectionRow SectionRow::fromValues(const QVariantList &values)
{
    SectionRow row;
    row.diciplinId = DbValue::toInt(values.value(2));
    row.afdeling = DbValue::text(values.value(3));
    // A waiting list is shown under arena 99 whatever the database says.
    row.bane = row.isWaitingList() ? 99 : DbValue::toInt(values.value(4));
    row.dag = DbValue::text(values.value(5));
    row.klasseNr = DbValue::toInt(values.value(6));
    row.afdelingId = DbValue::toInt(values.value(7));
    row.klasse = DbValue::text(values.value(8));
    // Eventing publishes the times as run rather than the scheduled ones.
    const bool eventing = row.diciplinId == 4 && !row.isWaitingList();
    row.start = DbValue::text(values.value(eventing ? 12 : 9));
    row.slut = DbValue::text(values.value(eventing ? 13 : 10));
    row.klasseType = DbValue::text(values.value(11));
    const int prefix = int(row.klasseType.indexOf(QLatin1String("SK-")));
    if (prefix >= 0)
        row.klasseType = row.klasseType.mid(prefix + 3);
    return row;
}

bool readSections(const Database &database, int staevneId, QList<SectionRow> *rows)
{
    QSqlQuery query(database.db);
    query.setForwardOnly(true);
    query.prepare(QString::fromUtf8(SectionsSql));
    query.bindValue(QStringLiteral(":staevneId"), staevneId);
    const auto failed = [&] {
        log(database, -1, QStringLiteral("SHOWSTAEVNE SQL Error %1 Type: %2")
                              .arg(query.lastError().text(), DbValue::errorType(query.lastError())));
        return false;
    };
    if (!query.exec() || !query.isActive())
        return failed();
    QList<SectionRow> read;
    while (query.next())
        read << SectionRow::fromValues(DbValue::rowValues(query));
    // A row that failed halfway through the loop ends it early; a partial
    // competition must not replace the one on show.
    if (query.lastError().isValid())
        return failed();
    *rows = read;
    return true;
}

// ---- views -----------------------------------------------------------------

ViewKind viewKind(const SectionRow &row, bool championat)
{
    if (row.isWaitingList())
        return ViewKind::Venteliste;
    switch (row.diciplinId) {
    case 2:
        return championat && isChampionshipDressageType(row.klasseType) ? ViewKind::ChampDressur : ViewKind::Dressur;
    case 3:
        return championat && row.klasseType.contains(QLatin1String("SCU")) ? ViewKind::ChampSpring : ViewKind::Spring;
    case 4:
        return ViewKind::Military;
    default:
        return ViewKind::None;
    }
}

bool inChampionshipTab(const QString &klasseType, bool championat)
{
    return championat
           && (isChampionshipDressageType(klasseType) || klasseType.contains(QLatin1String("SCU")));
}

Discipline disciplineOf(ViewKind kind)
{
    switch (kind) {
    case ViewKind::ChampDressur:
    case ViewKind::Dressur:
        return Discipline::Dressur;
    case ViewKind::ChampSpring:
    case ViewKind::Spring:
        return Discipline::Spring;
    case ViewKind::Military:
        return Discipline::Military;
    case ViewKind::None:
    case ViewKind::Venteliste:
        break;
    }
    return Discipline::None;
}

staevneKlasseInfo *createView(ViewKind kind, appConfig *cfg, QWidget *parent, const QString &name)
{
    switch (kind) {
    case ViewKind::Dressur:
        return new staevneKlasseInfoDressur(cfg, parent, name);
    case ViewKind::Spring:
        return new staevneKlasseInfoSpring(cfg, parent, name);
    case ViewKind::Military:
        return new staevneKlasseInfoMilitary(cfg, parent, name);
    case ViewKind::Venteliste:
        return new staevneKlasseInfoVenteliste(cfg, parent, name);
    case ViewKind::ChampDressur:
        return new staevneKlasseInfoChampDressur(cfg, parent, name);
    case ViewKind::ChampSpring:
        return new staevneKlasseInfoChampSpring(cfg, parent, name);
    case ViewKind::None:
        break;
    }
    return nullptr;
}

} // namespace StaevneLoader

// Every statement the station sends to the competition database runs on a
// small generated demo database through the stand-in driver, with its
// placeholders bound and its '%1' holes filled, and returns the columns and
// values its caller reads back.

#include "demo/DemoCompetition.h"
#include "driver/StandinDriver.h"

#include <QImage>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <climits>
#include <initializer_list>

using standin::DemoSection;
using standin::DemoSectionKind;

namespace {

const char kConnection[] = "statements";

// Statements that the station writes as adjacent string pieces.
QString joined(std::initializer_list<const char *> pieces, const char *separator)
{
    QStringList parts;
    for (const char *piece : pieces)
        parts << QString::fromUtf8(piece);
    return parts.join(QLatin1String(separator));
}

const QRegularExpression kTime(QStringLiteral("^\\d\\d:\\d\\d$"));
const QRegularExpression kDate(QStringLiteral("^\\d\\d/\\d\\d/\\d{4}$"));
const QRegularExpression kJudgeWithPlace(QStringLiteral("^[EHCMB]: \\S.*$"));

// --- Competition selection and loading -------------------------------------

const char kCompetitionList[] =
    "SELECT S.staevneId, S.staevne,       \t\t\tCONVERT(char(10),S.startdato,103) AS startdato, \t\t        "
    "CONVERT(char(10),S.slutdato,103) AS slutdato       \t\t\tFROM dbo.tblStaevne AS S \t\t\tORDER BY S.startdato ASC";
const char kClubName[] = "SELECT K.klubnavn FROM tblEjer as E LEFT JOIN dbo.tblKlub AS K ON E.KlubId = K.KlubId";
const char kClubIdLoad[] = "SELECT klubId FROM tblEjer";
const char kCompetitionHeader[] =
    "SELECT S.staevneId, S.staevne,S.NiveauId,       \t\t\tCONVERT(char(10),S.startdato,103) AS startdato, \t\t        "
    "CONVERT(char(10),S.slutdato,103) AS slutdato, \t\t\t\tS.ZEPStaevneNr       \t\t\tFROM dbo.tblStaevne AS S \t\t\t"
    "WHERE S.staevneId = :staevneId ";
const char kSectionCount[] =
    "SELECT count(K.klasseId) \t\t\t\t\t  FROM dbo.tblKlasse as K \t\t\t\t\t  INNER JOIN tblAfdeling AS AF ON "
    "K.klasseId=AF.klasseId \t\t\t\t\t  WHERE K.staevneId = %1  ";
const char kClassList[] =
    "SELECT K.KlasseId, KT.KlasseType,KT.DiciplinId, AF.afdelingInitialer,       \t\t      AF.baneNr, "
    "dbo.DanskeUgedage(DATENAME(weekday, AF.dato) ), K.KlasseNr, AF.afdelingId, K.Klasse, \t\t      "
    "CAST(CONVERT( varchar,AF.StarttidS, 14) AS varchar(5)), CAST(CONVERT(varchar,AF.SluttidS,14 ) AS varchar(5)), "
    "K.KlasseTypeId, \t\t\t  CAST(CONVERT( varchar,AF.Starttid, 14) AS varchar(5)), "
    "CAST(CONVERT(varchar,AF.Sluttid,14 ) AS varchar(5)) \t\t\t  ,K.bemaerkning \t\t      from dbo.tblKlasse as K "
    "\t\t      INNER JOIN tblAfdeling AS AF ON K.klasseId=AF.klasseId \t\t      LEFT JOIN dbo.tblKlasseType as KT ON "
    "K.KlasseTypeID = KT.klasseTypeId \t\t      WHERE K.staevneId = :staevneId  \t\t      ORDER BY AF.baneNr, "
    "AF.dato ASC , K.KlasseNr,AF.afdelingInitialer ";

// --- Competition information page -------------------------------------------

const char kUpdateLevel[] = "SELECT max(OpdateringID) FROM tblOpdatering ";
const char kLogo[] = "SELECT LOGOSTI FROM tblEjer";
const char kClubIdInfo[] = "SELECT klubid FROM tblEjer";
const char kCompetitionInfo[] =
    "SELECT S.staevneId, S.staevne, S.NiveauId,       \t\t\tCONVERT(char(10),S.startdato,103) AS startdato, \t\t        "
    "CONVERT(char(10),S.slutdato,103) AS slutdato, \t\t\t\tS.ZEPStaevneNr, \t\t\t\tS.Jury1, \t\t\t\tS.Jury2, "
    "\t\t\t\tS.Jury3, \t\t\t\tS.Jury4, \t\t\t\tS.Jury5, \t\t\t\tS.Information       \t\t\tFROM dbo.tblStaevne AS S "
    "\t\t\tWHERE S.staevneId = :staevneId ";
const char kTechnicalDelegate[] =
    "SELECT OFi.Fornavn + ' ' + OFi.EfterNavn \t\t\t\t\t\tFROM dbo.tblStaevne AS S \t\t\t\t\t\tINNER JOIN "
    "dbo.tblOfficials AS OFi ON S.TekniskDelegeretId = OFi.OfficialId \t\t\t\t\t\tWHERE S.staevneId = %1";
const char kCourseDesigner[] =
    "SELECT OFi.Fornavn + ' ' + OFi.EfterNavn \t\t\t\t\t\tFROM dbo.tblStaevne AS S \t\t\t\t\t\tINNER JOIN "
    "dbo.tblOfficials AS OFi ON S.banebyggerId = OFi.OfficialId \t\t\t\t\t\tWHERE S.staevneId = %1 ";
const char kJudges[] =
    "SELECT DISTINCT ofi.Fornavn + ' ' + ofi.Efternavn AS Expr1 \t\t\t\t\t\tFROM         tblStaevne AS s INNER JOIN "
    "                      tblKlasse AS K ON K.StaevneId = s.StaevneId INNER JOIN                       tblAfdeling AS A "
    "ON K.KlasseId = A.KlasseId INNER JOIN                       tblAfdelingDommer AS ad ON ad.AfdelingId = A.AfdelingId "
    "INNER JOIN                       tblOfficials AS ofi ON ad.OfficialId = ofi.OfficialId \t\t\t\t\t  WHERE     "
    "(s.StaevneId = %1)";
const char kSectionCourseDesigners[] =
    "SELECT DISTINCT ofi.Fornavn + ' ' + ofi.Efternavn AS Expr1 \t\t\t\t\t\tFROM         tblStaevne AS s INNER JOIN "
    "                      tblKlasse AS K ON K.StaevneId = s.StaevneId INNER JOIN                       tblAfdeling AS A "
    "ON K.KlasseId = A.KlasseId INNER JOIN                       tblAfdelingBanebygger AS ab ON ab.AfdelingId = "
    "A.AfdelingId INNER JOIN                       tblOfficials AS ofi ON ab.OfficialId = ofi.OfficialId "
    "\t\t\t\t\t  WHERE     (s.StaevneId = %1)";

// --- Dressage view --------------------------------------------------------------

const char kDressageHeader[] =
    "SELECT K.KlasseId, K.KlasseNr, K.MaxAntalStarter, K.Klasse,        \t\t      KT.MaxPoint,        \t\t      "
    "AF.afdelingInitialer,AF.sponsor,AF.aerespraemie,AF.antalPlaceringer, \t\t      dbo.antalDommere( %1),"
    "dbo.DommerListe( %2 , 2), \t\t      dbo.DanskeUgedage(DATENAME(weekday, AF.dato) ), \t\t      "
    "CAST(CONVERT( varchar,AF.starttidS, 14) AS varchar(5)), CAST(CONVERT(varchar,AF.sluttidS,14 ) AS varchar(5)), "
    "K.Kur, \t\t\t  AF.BevarStartTid, K.HoldKlasse, K.klasseTypeId, K.diciplinId, K.niveauId, \t\t\t  "
    "dbo.doteringListe(K.KlasseId), K.Bemaerkning, KT.klasse \t\t      from dbo.tblKlasse as K \t\t      LEFT JOIN "
    "dbo.tblKlasseType as KT ON K.KlasseTypeID = KT.klasseTypeId \t\t      LEFT JOIN dbo.tblAfdeling as AF ON "
    "K.KlasseID = AF.klasseId \t\t      WHERE K.staevneId = :staevneId AND K.klasseNr = :klasseNr AND "
    "AF.afdelingInitialer = :afdeling";
const char kDressageStartersSelect[] =
    "SELECT DR.StartNr, DR.anmeldelseNr, DR.Fornavn, DR.Efternavn, DR.Navn , \t\t\t\t\tDR.klubId, DR.placering, "
    "DR.totalKurKlasse, DR.diskvalifikation, DR.kategori,DR.klasse ,\t\t\t\t\tDR.staevneId, DR.klasseId, DR.klasseNr, "
    "DR.StartId,  \t\t\t\t\tDR.dommerE, DR.dommerH, DR.dommerC, DR.dommerM, DR.dommerB,   \t\t\t\t\tDR.dommerEKur, "
    "DR.dommerHKur, DR.dommerCKur, DR.dommerMKur, DR.dommerBKur,   \t\t\t\t\tCAST(CONVERT( varchar, "
    "dbo.StarttidEkvipage(DR.afdelingID, DR.StartId), 14 ) AS varchar(5) ), \t\t\t\t\tDR.RytterId, DR.HesteId, "
    "TC.ConfigId,H.AfstamningF, H.AfstamningM, H.AfstamningMF, \t\t\t\t\tYEAR(H.foedeaar), H.opdraetter, H.koen  ";
const char kDressageStartersTeamColumns[] = ", AH.StartNr, AH.Hold, DR.Udgaar ";
const char kDressageStartersFrom[] = " FROM dbo.vDressurResultat as DR ";
const char kDressageStartersEntry[] = " LEFT JOIN tblAnmeldelse AA ON DR.AnmeldelseId = AA.AnmeldelseId ";
const char kDressageStartersHorse[] = " LEFT JOIN tblHest H ON (H.hestid = AA.hestid AND H.OprettetLokalt = 0 ) ";
const char kDressageStartersConfig[] =
    " LEFT JOIN dbo.tblConfig as TC ON DR.RytterId = TC.RytterId AND H.HestId = TC.HestId  ";
const char kDressageStartersTeamJoins[] =
    " LEFT JOIN dbo.tblStartHold as SH ON DR.StartId = SH.StartId \t\t\t\t\t\t    LEFT JOIN dbo.tblAnmeldelseHold as "
    "AH ON SH.anmeldelseHoldId = AH.anmeldelseHoldId ";
const char kDressageStartersWhere[] =
    " WHERE DR.staevneId = :staevneId AND DR.klasseNr = :klasseNr AND DR.afdelingInitialer = :afdeling \t\t      "
    "ORDER BY  total ASC, DR.diskvalifikation ASC, DR.startNr DESC ";
const char kRiderRemark[] =
    "SELECT bemaerkning \t\t\t\t\t\t\t\t\t\tFROM dbo.tblStart WHERE (StartID = '%1' )";
const char kLocalPedigree[] =
    "select ISNULL(CAST(YEAR(foedeaar) AS VARCHAR(4)),'')\t\t\t\t\t\t\t\t\t\t\t\t\t\t+'/'+ ISNULL(AfstamningF,'')"
    "\t\t\t\t\t\t\t\t\t\t\t\t\t\t+'/'+ ISNULL(AfstamningM,'')\t\t\t\t\t\t\t\t\t\t\t\t\t\t+'/'+ "
    "ISNULL(AfstamningMF,'') \t\t\t\t\t\t\t\t\t\t\tfrom tblHest where HestBaseId = '%1' AND OPRETTETLOKALT=1";
const char kDressageTick[] =
    "SELECT StartNr,anmeldelseNr,totalKurKlasse, diskvalifikation,placering,  StartId,       \t\t      dommerE, "
    "dommerH, dommerC, dommerM, dommerB,       \t\t      dommerEKur, dommerHKur, dommerCKur, dommerMKur, dommerBKur, "
    "\t\t      CAST(CONVERT( varchar, dbo.StarttidEkvipage(afdelingID, StartId), 14 ) AS varchar(5) ), Udgaar "
    "\t\t      FROM dbo.vDressurResultat \t\t      WHERE staevneId = :staevneId AND klasseNr = :klasseNr AND "
    "afdelingInitialer = :afdeling \t\t      ORDER BY  total ASC, diskvalifikation ASC, startNr DESC ";
const char kKeepStartTimes[] = "SELECT BevarStartTid \t\t      FROM dbo.tblAfdeling  \t\t      WHERE klasseId = %1 ";

// The Hippodata export's starters (dressage view) and horse lookups.
const char kDressageExport[] =
    "SELECT DR.anmeldelseNr, DR.Fornavn, DR.Efternavn, DR.Navn, DR.klubId, DR.HesteId FROM dbo.vDressurResultat AS DR "
    "WHERE DR.staevneId = :staevneId AND DR.klasseNr = :klasseNr AND DR.afdelingInitialer = :afdeling "
    "ORDER BY DR.startNr DESC";
const char kHorseLookupTail[] = "FROM dbo.tblHest WHERE (HestBaseID = '%1' ) AND (OprettetLokalt = 0)";
const char kHorseLookupTailJumping[] = "FROM dbo.tblHest WHERE (HESTBASEID = '%1' ) AND (OprettetLokalt = 0)";

// --- Eventing -------------------------------------------------------------------

const char kEventingHeader[] =
    "SELECT K.KlasseId, K.KlasseNr, K.MaxAntalStarter, K.Klasse, OFS.Fornavn, OFS.EfterNavn, AF.afdelingInitialer, "
    "AF.sponsor, AF.aerespraemie, AF.antalPlaceringer, M.Metode, M.antalHovedRunder, M.antalOmspringninger, "
    "K.TempoId, dbo.DanskeUgedage(DATENAME(weekday, AF.dato) ), CAST(CONVERT( varchar,AF.Starttid, 14) AS varchar(5)), "
    "CAST(CONVERT(varchar,AF.Sluttid,14 ) AS varchar(5)), KT.MaxPoint, K.EtapeDIdealTid, K.SidsteDiciplin, "
    "K.klasseTypeId, K.diciplinId, K.niveauID, dbo.doteringListe(K.KlasseId), AF.BevarStartTid, K.Bemaerkning, "
    "KT.klasse "
    "from dbo.tblKlasse as K LEFT JOIN dbo.tblMetode as M ON K.MetodeID = M.MetodeId "
    "LEFT JOIN dbo.tblKlasseType as KT ON K.KlasseTypeID = KT.klasseTypeId "
    "LEFT JOIN dbo.tblAfdeling as AF ON K.KlasseID = AF.klasseId "
    "LEFT JOIN dbo.tblAfdelingDommer as AD ON AF.afdelingId = AD.afdelingId "
    "LEFT JOIN dbo.tblOfficials as OFS ON AD.OfficialId = OFS.OfficialId "
    "WHERE K.staevneId = :staevneId AND K.klasseNr = :klasseNr AND AF.afdelingInitialer = :afdeling";
const char kEventingResults[] =
    "SELECT vMR.StartNr, vMR.anmeldelseNr, vMR.Fornavn, vMR.Efternavn, vMR.Navn, vMR.klubInitialer, vMR.dressur, "
    "vMR.etapeDFejl, MRU.EtapeDTid, vMR.springning, vMR.dressurspring, vMR.dressurudholdenhed, vMR.total, "
    "vMR.diskDressur, vMR.diskUdh, vMR.diskSpring, vMR.diskvalifikation, vMR.springningtid, "
    "CAST(CONVERT( varchar, dbo.StarttidEkvipageDressur(vMR.afdelingID, vMR.StartId), 14 ) AS varchar(5) ), "
    "vMR.LicensNr, vMR.HesteId, TC.ConfigId, H.AfstamningF, H.AfstamningM, H.AfstamningMF, YEAR(H.foedeaar), "
    "H.opdraetter, H.koen, vMR.StartId "
    "FROM dbo.vMilitaryResultat as vMR "
    "LEFT JOIN tblMilitaryResultatUdh AS MRU ON vMR.startId=MRU.startId "
    "LEFT JOIN dbo.tblHest as H ON (vMR.HesteId = H.HestBaseId  AND H.OprettetLokalt = 0 ) "
    "LEFT JOIN dbo.tblConfig as TC ON vMR.LicensNr = TC.RytterId AND H.HestId = TC.HestId "
    "WHERE vMR.staevneId = :staevneId AND vMR.klasseNr = :klasseNr AND vMR.afdelingInitialer = :afdeling "
    "ORDER BY  diskvalifikation ASC, startNr DESC";
const char kEventingRefresh[] =
    "SELECT vMR.StartNr, vMR.anmeldelseNr, vMR.dressur, vMR.etapeDFejl, MRU.etapeDTid, vMR.springning, "
    "vMR.dressurspring, vMR.dressurudholdenhed, vMR.total, vMR.diskDressur, vMR.diskUdh, vMR.diskSpring, "
    "vMR.diskvalifikation, vMR.springningtid, "
    "CAST(CONVERT( varchar, dbo.StarttidEkvipageDressur(vMR.afdelingID, vMR.StartId), 14 ) AS varchar(5) ), "
    "vMR.StartId "
    "FROM dbo.vMilitaryResultat as vMR "
    "LEFT JOIN tblMilitaryResultatUdh AS MRU ON vMR.startId=MRU.startId "
    "WHERE staevneId = :staevneId AND klasseNr = :klasseNr AND afdelingInitialer = :afdeling "
    "ORDER BY  diskvalifikation ASC, startNr DESC";

// --- Waiting list and championship start lists ------------------------------------

const char kWaitingListHeader[] =
    "SELECT K.KlasseId, K.KlasseNr, K.MaxAntalStarter, K.Klasse, OFS.Fornavn, OFS.EfterNavn, AF.afdelingInitialer, "
    "AF.sponsor, AF.aerespraemie, AF.antalPlaceringer, M.Metode, M.antalHovedRunder, M.antalOmspringninger, "
    "K.TempoId, dbo.DanskeUgedage(DATENAME(weekday, AF.dato) ), CAST(CONVERT( varchar,AF.Starttid, 14) AS varchar(5)), "
    "CAST(CONVERT(varchar,AF.Sluttid,14 ) AS varchar(5)), KT.MaxPoint, K.EtapeDIdealTid, K.SidsteDiciplin "
    "from dbo.tblKlasse as K LEFT JOIN dbo.tblMetode as M ON K.MetodeID = M.MetodeId "
    "LEFT JOIN dbo.tblKlasseType as KT ON K.KlasseTypeID = KT.klasseTypeId "
    "LEFT JOIN dbo.tblAfdeling as AF ON K.KlasseID = AF.klasseId "
    "LEFT JOIN dbo.tblAfdelingDommer as AD ON AF.afdelingId = AD.afdelingId "
    "LEFT JOIN dbo.tblOfficials as OFS ON AD.OfficialId = OFS.OfficialId "
    "WHERE K.staevneId = :staevneId AND K.klasseNr = :klasseNr AND AF.afdelingInitialer = :afdeling";
const char kStartList[] =
    "SELECT CAST(ST.StartNr AS VARCHAR(5)) + dbo.NrTilBogstav(ST.SekundaerStartNr) AS startNr,\t\t\t\t\tA.AnmeldelseNr,"
    "                     R.Fornavn, R.Efternavn, \t\t\t\t\tH.Navn, \t\t\t\t\tKL.KlubId AS KlubInitialer, "
    "\t\t\t\t\tR.RytterId AS LicensNr, \t\t\t\t\tH.HestBaseId AS HesteId \t\t\t\t\tFROM tblKlasse AS K "
    "INNER JOIN                       tblStaevne AS S ON K.StaevneId = S.StaevneId INNER JOIN                       "
    "tblAfdeling AS AF ON K.KlasseId = AF.KlasseId LEFT OUTER JOIN                       tblStart AS ST ON "
    "AF.AfdelingId = ST.AfdelingId AND ST.Slettet IS NULL LEFT OUTER JOIN                       tblAnmeldelse AS A ON "
    "ST.AnmeldelseId = A.AnmeldelseId LEFT OUTER JOIN                       tblRytter AS R ON A.RytterId = R.RytterId "
    "LEFT OUTER JOIN                       tblHest AS H ON A.HestId = H.HestId LEFT OUTER JOIN                       "
    "tblKlub AS KL ON A.KlubId = KL.KlubId \t\t\t\t\t  WHERE S.StaevneId = :staevneId AND K.KlasseNr = :klasseNr "
    "AND AF.AfdelingInitialer = :afdeling \t\t\t\t\t  ORDER BY ST.StartNr ";

// --- Championship loading -------------------------------------------------------------

const char kChampionshipHeaderColumns[] =
    "SELECT K.KlasseId, K.KlasseNr, K.MaxAntalStarter, K.Klasse, OFS.Fornavn, OFS.EfterNavn, AF.afdelingInitialer, "
    "AF.sponsor, AF.aerespraemie, AF.antalPlaceringer, M.Metode, M.antalHovedRunder, M.antalOmspringninger, "
    "K.TempoId, dbo.DanskeUgedage(DATENAME(weekday, AF.dato) ), CAST(CONVERT( varchar,AF.StarttidS, 14) AS varchar(5)), "
    "CAST(CONVERT(varchar,AF.SluttidS,14 ) AS varchar(5)), KT.MaxPoint, K.EtapeDIdealTid, K.SidsteDiciplin, "
    "KT.klasseTypeId, dbo.antalDommere( %1), %3, AF.BevarStartTid, K.diciplinId, K.niveauId, "
    "dbo.doteringListe(K.KlasseId), K.Bemaerkning, KT.klasse, K.KlasseIdZEP "
    "from dbo.tblKlasse as K LEFT JOIN dbo.tblMetode as M ON K.MetodeID = M.MetodeId "
    "LEFT JOIN dbo.tblKlasseType as KT ON K.KlasseTypeID = KT.klasseTypeId "
    "LEFT JOIN dbo.tblAfdeling as AF ON K.KlasseID = AF.klasseId "
    "LEFT JOIN dbo.tblAfdelingDommer as AD ON AF.afdelingId = AD.afdelingId "
    "LEFT JOIN dbo.tblOfficials as OFS ON AD.OfficialId = OFS.OfficialId "
    "WHERE K.staevneId = :staevneId AND K.klasseNr = :klasseNr AND AF.afdelingInitialer = :afdeling";
const char kChampionshipDressageResults[] =
    "SELECT DR.StartNr, DR.anmeldelseNr, DR.Fornavn, DR.Efternavn, DR.Navn, DR.klubId, DR.diskvalifikation, "
    "CAST(CONVERT( varchar, dbo.StarttidEkvipage(DR.afdelingID, DR.StartId), 14 ) AS varchar(5) ), DR.RytterId, "
    "DR.HesteId, TC.ConfigId, H.AfstamningF, H.AfstamningM, H.AfstamningMF, YEAR(H.foedeaar), DR.Kategori, "
    "H.opdraetter, H.koen, H.feiID "
    " FROM dbo.vDressurResultat as DR "
    " LEFT JOIN tblAnmeldelse AA ON DR.AnmeldelseId = AA.AnmeldelseId "
    " LEFT JOIN tblHest H ON (H.hestid = AA.hestid AND H.OprettetLokalt = 0 ) "
    " LEFT JOIN dbo.tblConfig as TC ON DR.RytterId = TC.RytterId AND H.HestId = TC.HestId  "
    "WHERE DR.staevneId = :staevneId AND DR.klasseNr = :klasseNr AND DR.afdelingInitialer = :afdeling "
    "ORDER BY  total ASC, DR.diskvalifikation ASC, DR.startNr DESC";
const char kChampionshipJumpingResults[] =
    "SELECT SR.StartNr, SR.anmeldelseNr, SR.Fornavn, SR.Efternavn, SR.Navn, SR.KlubInitialer, SR.kategori, SR.DiskHS1, "
    "CAST(CONVERT( varchar, dbo.StarttidEkvipage(SR.afdelingID, SR.StartId), 14 ) AS varchar(5) ), SR.LicensNr, "
    "SR.HesteId, TC.ConfigId, H.AfstamningF, H.AfstamningM, H.AfstamningMF, YEAR(H.foedeaar), H.opdraetter, H.koen, "
    "H.HestBaseId "
    "FROM dbo.vSpringResultat as SR "
    "LEFT JOIN tblAnmeldelse AA ON SR.AnmeldelseId = AA.AnmeldelseId "
    "LEFT JOIN tblHest H ON (H.hestid = AA.hestid AND H.OprettetLokalt = 0 ) "
    "LEFT JOIN dbo.tblConfig as TC ON SR.LicensNr = TC.RytterId AND H.HestId = TC.HestId "
    "WHERE SR.staevneId = :staevneId AND SR.klasseNr = :klasseNr AND SR.afdelingInitialer = :afdeling "
    "ORDER BY diskvalifikation ASC, startNr DESC";
const char kChampionshipDressageExport[] =
    "SELECT DR.StartNr, DR.anmeldelseNr, DR.Fornavn, DR.Efternavn, DR.Navn , DR.klubId, DR.RytterId, DR.HesteId "
    " FROM dbo.vDressurResultat as DR "
    " WHERE DR.staevneId = :staevneId AND DR.klasseNr = :klasseNr AND DR.afdelingInitialer = :afdeling "
    "ORDER BY  DR.startNr DESC";
const char kChampionshipJumpingExport[] =
    "SELECT StartNr, anmeldelseNr, Fornavn, Efternavn, Navn , KlubInitialer, LicensNr, HesteId "
    "FROM dbo.vSpringResultat "
    "WHERE staevneId = :staevneId AND klasseNr = :klasseNr AND afdelingInitialer = :afdeling "
    "ORDER BY diskvalifikation ASC, startNr DESC";

} // namespace

class tst_Statements : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void competitionList();
    void competitionHeaderAndSections();
    void informationPage();
    void dressageHeader_data();
    void dressageHeader();
    void dressageStarters_data();
    void dressageStarters();
    void dressageTick();
    void remarksAndLocalPedigree();
    void hippodataExports_data();
    void hippodataExports();
    void eventing();
    void waitingList();
    void championshipStartList_data();
    void championshipStartList();
    void championshipLoading_data();
    void championshipLoading();

private:
    bool execute(QSqlQuery &query, const QString &sql, const DemoSection *section = nullptr,
                 int staevneId = standin::demoCompetitionId);
    // First column of the first row; a null QVariant when there is no row.
    QVariant first(const QString &sql);
    const DemoSection &section(DemoSectionKind kind);
    // A horse id whose horse exists only as a locally created row, and one
    // from the registry.
    QString horseId(bool local);

    QTemporaryDir m_dir;
    QString m_file;
    QList<DemoSection> m_sections;
    QString m_error;
};

#define EXEC(query, sql, ...) QVERIFY2(execute(query, sql, ##__VA_ARGS__), qPrintable(m_error))

void tst_Statements::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_file = m_dir.filePath(QStringLiteral("statements_demo.db"));
    standin::DemoOptions options;
    options.seed = 7;
    options.small = true;
    QString error;
    QVERIFY2(standin::generateDemoCompetition(m_file, options, &error), qPrintable(error));
    m_sections = standin::readDemoSections(m_file, standin::demoCompetitionId, &error);
    QVERIFY2(!m_sections.isEmpty(), qPrintable(error));

    standin::registerDriver();
    QSqlDatabase db = QSqlDatabase::addDatabase(standin::driverName(), QLatin1String(kConnection));
    db.setDatabaseName(m_file);
    QVERIFY2(db.open(), qPrintable(db.lastError().text()));
}

void tst_Statements::cleanupTestCase()
{
    QSqlDatabase::database(QLatin1String(kConnection), false).close();
    QSqlDatabase::removeDatabase(QLatin1String(kConnection));
}

bool tst_Statements::execute(QSqlQuery &query, const QString &sql, const DemoSection *s, int staevneId)
{
    m_error.clear();
    if (!query.prepare(sql)) {
        m_error = QStringLiteral("prepare: %1\n%2").arg(query.lastError().text(), sql);
        return false;
    }
    if (sql.contains(QLatin1String(":staevneId")))
        query.bindValue(QStringLiteral(":staevneId"), s ? s->staevneId : staevneId);
    if (s && sql.contains(QLatin1String(":klasseNr")))
        query.bindValue(QStringLiteral(":klasseNr"), s->klasseNr);
    if (s && sql.contains(QLatin1String(":afdeling")))
        query.bindValue(QStringLiteral(":afdeling"), s->afdeling);
    if (!query.exec()) {
        m_error = QStringLiteral("exec: %1\n%2").arg(query.lastError().text(), sql);
        return false;
    }
    return true;
}

QVariant tst_Statements::first(const QString &sql)
{
    QSqlQuery query(QSqlDatabase::database(QLatin1String(kConnection)));
    if (!execute(query, sql)) {
        qWarning("%s", qPrintable(m_error));
        return QVariant(QStringLiteral("<failed>"));
    }
    return query.next() ? query.value(0) : QVariant();
}

const DemoSection &tst_Statements::section(DemoSectionKind kind)
{
    const DemoSection *s = standin::firstDemoSection(m_sections, kind);
    if (!s)
        qFatal("the demo competition has no section of kind %d", int(kind));
    return *s;
}

QString tst_Statements::horseId(bool local)
{
    return first(QStringLiteral("SELECT HestBaseID FROM tblHest WHERE OprettetLokalt = %1 ORDER BY HestBaseID")
                     .arg(local ? 1 : 0))
        .toString();
}

void tst_Statements::competitionList()
{
    QSqlQuery query(QSqlDatabase::database(QLatin1String(kConnection)));
    EXEC(query, QLatin1String(kCompetitionList));
    QCOMPARE(query.record().count(), 4);
    // Ordered by start date: the finished show a month earlier comes first.
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toInt(), standin::demoPastCompetitionId);
    QCOMPARE(query.value(2).toString(), QStringLiteral("17/05/2024"));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toInt(), standin::demoCompetitionId);
    QCOMPARE(query.value(1).toString(), QStringLiteral("Fjordens Sommerstævne 2024"));
    QCOMPARE(query.value(2).toString(), QStringLiteral("14/06/2024"));
    QCOMPARE(query.value(3).toString(), QStringLiteral("15/06/2024"));
    QVERIFY(!query.next());

    QCOMPARE(first(QLatin1String(kClubName)).toString(), QStringLiteral("Fjordens Rideklub"));
    QCOMPARE(first(QLatin1String(kClubIdLoad)).toString(), QStringLiteral("*FRK*"));
}

void tst_Statements::competitionHeaderAndSections()
{
    QSqlDatabase db = QSqlDatabase::database(QLatin1String(kConnection));
    QSqlQuery header(db);
    EXEC(header, QLatin1String(kCompetitionHeader));
    QCOMPARE(header.record().count(), 6);
    QVERIFY(header.next());
    QCOMPARE(header.value(2).toString(), QStringLiteral("Landsstævne"));
    QCOMPARE(header.value(3).toString(), QStringLiteral("14/06/2024"));
    QCOMPARE(header.value(5).toString(), QStringLiteral("S240614"));

    QCOMPARE(first(QString::fromLatin1(kSectionCount).arg(standin::demoCompetitionId)).toInt(),
             int(m_sections.size()));

    QSqlQuery classes(db);
    EXEC(classes, QLatin1String(kClassList));
    QCOMPARE(classes.record().count(), 15);
    int rows = 0;
    int lastArena = 0;
    while (classes.next()) {
        ++rows;
        const int afdelingId = classes.value(7).toInt();
        auto s = std::find_if(m_sections.cbegin(), m_sections.cend(),
                              [afdelingId](const DemoSection &d) { return d.afdelingId == afdelingId; });
        QVERIFY2(s != m_sections.cend(), "a section of another competition");
        QCOMPARE(classes.value(2).toInt(), s->diciplinId);
        QCOMPARE(classes.value(3).toString().simplified(), s->afdeling);
        QCOMPARE(classes.value(6).toInt(), s->klasseNr);
        QCOMPARE(classes.value(11).toString(), s->klasseTypeId);
        QVERIFY(classes.value(4).toInt() >= lastArena);
        lastArena = classes.value(4).toInt();
        // The show runs on a Friday and a Saturday.
        const QString day = classes.value(5).toString();
        QVERIFY2(day == QLatin1String("Fredag") || day == QString::fromUtf8("Lørdag"), qPrintable(day));
        for (int column : {9, 10, 12, 13})
            QVERIFY2(kTime.match(classes.value(column).toString()).hasMatch(),
                     qPrintable(classes.value(column).toString()));
        if (s->kind == DemoSectionKind::Eventing) {
            // Eventing shows the cross-country times of Starttid/Sluttid.
            QCOMPARE(classes.value(12).toString(), QStringLiteral("13:00"));
            QCOMPARE(classes.value(9).toString(), QStringLiteral("08:00"));
        }
    }
    QCOMPARE(rows, int(m_sections.size()));
    QCOMPARE(lastArena, 99); // the waiting lists come last
}

void tst_Statements::informationPage()
{
    QVERIFY(first(QLatin1String(kUpdateLevel)).toInt() > 2010301);
    QImage logo;
    QVERIFY(logo.loadFromData(first(QLatin1String(kLogo)).toByteArray()));
    QVERIFY(!logo.isNull());
    QCOMPARE(first(QLatin1String(kClubIdInfo)).toString().remove(QLatin1Char('*')), QStringLiteral("FRK"));

    QSqlDatabase db = QSqlDatabase::database(QLatin1String(kConnection));
    QSqlQuery info(db);
    EXEC(info, QLatin1String(kCompetitionInfo));
    QCOMPARE(info.record().count(), 12);
    QVERIFY(info.next());
    QVERIFY(!info.value(6).toString().isEmpty());      // Jury1
    QVERIFY(info.value(9).isNull());                     // Jury4
    QVERIFY(info.value(11).toString().contains(QLatin1String("http://")));

    const QRegularExpression name(QStringLiteral("^\\S+ \\S+$"));
    const QString id = QString::number(standin::demoCompetitionId);
    QVERIFY(name.match(first(QString::fromLatin1(kTechnicalDelegate).arg(id)).toString()).hasMatch());
    QVERIFY(name.match(first(QString::fromLatin1(kCourseDesigner).arg(id)).toString()).hasMatch());

    for (const char *statement : {kJudges, kSectionCourseDesigners}) {
        QSqlQuery officials(db);
        EXEC(officials, QString::fromLatin1(statement).arg(id));
        QSet<QString> names;
        while (officials.next()) {
            const QString official = officials.value(0).toString();
            QVERIFY2(name.match(official).hasMatch(), qPrintable(official));
            QVERIFY2(!names.contains(official), "DISTINCT gave a name twice");
            names.insert(official);
        }
        QVERIFY(!names.isEmpty());
    }
}

void tst_Statements::dressageHeader_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("kur");
    QTest::addColumn<int>("team");
    QTest::addColumn<QString>("prizeMoney");
    QTest::newRow("individual") << int(DemoSectionKind::Dressage) << 0 << 0
                                << QStringLiteral("1500 - 1000 - 800 - 600 - 400");
    QTest::newRow("kur") << int(DemoSectionKind::Kur) << 1 << 0 << QStringLiteral("1500 - 1000 - 800 - 600 - 400");
    QTest::newRow("team") << int(DemoSectionKind::Team) << 0 << 1 << QString();
    QTest::newRow("championship") << int(DemoSectionKind::ChampionshipDressage) << 0 << 0
                                  << QStringLiteral("1500 - 1000 - 800 - 600 - 400");
}

void tst_Statements::dressageHeader()
{
    QFETCH(int, kind);
    QFETCH(int, kur);
    QFETCH(int, team);
    QFETCH(QString, prizeMoney);
    const DemoSection &s = section(DemoSectionKind(kind));
    QSqlQuery query(QSqlDatabase::database(QLatin1String(kConnection)));
    EXEC(query, QString::fromLatin1(kDressageHeader).arg(s.afdelingId).arg(s.afdelingId), &s);
    QCOMPARE(query.record().count(), 23);
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toInt(), s.klasseId);
    QCOMPARE(query.value(1).toInt(), s.klasseNr);
    QVERIFY(query.value(4).toInt() > 0);
    const int judges = query.value(9).toInt();
    QCOMPARE(judges,
             first(QStringLiteral("SELECT count(*) FROM tblAfdelingDommer WHERE AfdelingId = %1").arg(s.afdelingId))
                 .toInt());
    const QStringList judgeList = query.value(10).toString().split(QStringLiteral(", "));
    QCOMPARE(judgeList.size(), judges);
    for (const QString &judge : judgeList)
        QVERIFY2(kJudgeWithPlace.match(judge).hasMatch(), qPrintable(judge));
    QVERIFY(kTime.match(query.value(12).toString()).hasMatch());
    QCOMPARE(query.value(14).toInt(), kur);
    QCOMPARE(query.value(16).toInt(), team);
    QCOMPARE(query.value(17).toString(), s.klasseTypeId);
    QCOMPARE(query.value(18).toInt(), 2);
    QCOMPARE(query.value(20).toString(), prizeMoney);
    QVERIFY(!query.next());
}

void tst_Statements::dressageStarters_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("individual") << int(DemoSectionKind::Dressage);
    QTest::newRow("kur") << int(DemoSectionKind::Kur);
    QTest::newRow("team") << int(DemoSectionKind::Team);
}

void tst_Statements::dressageStarters()
{
    QFETCH(int, kind);
    const DemoSection &s = section(DemoSectionKind(kind));
    const bool team = s.kind == DemoSectionKind::Team;
    QString sql = QLatin1String(kDressageStartersSelect);
    if (team)
        sql += QLatin1String(kDressageStartersTeamColumns);
    sql += QLatin1String(kDressageStartersFrom);
    sql += QLatin1String(kDressageStartersEntry);
    sql += QLatin1String(kDressageStartersHorse);
    sql += QLatin1String(kDressageStartersConfig);
    if (team)
        sql += QLatin1String(kDressageStartersTeamJoins);
    sql += QLatin1String(kDressageStartersWhere);

    QSqlQuery query(QSqlDatabase::database(QLatin1String(kConnection)));
    EXEC(query, sql, &s);
    QCOMPARE(query.record().count(), team ? 38 : 35);
    int rows = 0;
    while (query.next()) {
        ++rows;
        QVERIFY(query.value(0).toInt() > 0 || query.value(1).toInt() > 0);
        QCOMPARE(query.value(13).toInt(), s.klasseNr);
        // The view's total is the sum of the marks.
        double marks = 0;
        for (int column = 15; column <= 24; ++column)
            marks += query.value(column).toDouble();
        QCOMPARE(query.value(7).toDouble(), marks);
        QVERIFY2(kTime.match(query.value(25).toString()).hasMatch(), qPrintable(query.value(25).toString()));
        QVERIFY(!query.value(27).toString().isEmpty());
        // A registry horse is joined with its pedigree and its combination.
        if (!query.value(32).isNull()) {
            QVERIFY(query.value(32).toInt() > 1990);
            QVERIFY(!query.value(28).isNull());
        }
        if (team) {
            QVERIFY(query.value(35).toInt() > 0);
            QVERIFY(!query.value(36).toString().isEmpty());
        }
    }
    QCOMPARE(rows, s.starters);
}

void tst_Statements::dressageTick()
{
    const DemoSection &s = section(DemoSectionKind::Dressage);
    QSqlQuery query(QSqlDatabase::database(QLatin1String(kConnection)));
    EXEC(query, QLatin1String(kDressageTick), &s);
    QCOMPARE(query.record().count(), 18);
    int rows = 0;
    double lastTotal = -1;
    while (query.next()) {
        ++rows;
        // Ordered by total ascending.
        QVERIFY(query.value(2).toDouble() >= lastTotal);
        lastTotal = query.value(2).toDouble();
        QVERIFY(kTime.match(query.value(16).toString()).hasMatch());
    }
    QCOMPARE(rows, s.starters);
    // Class 1 keeps its published start times; the Kur class does not.
    QCOMPARE(first(QString::fromLatin1(kKeepStartTimes).arg(s.klasseId)).toInt(), 1);
    QCOMPARE(first(QString::fromLatin1(kKeepStartTimes).arg(section(DemoSectionKind::Kur).klasseId)).toInt(), 0);
}

void tst_Statements::remarksAndLocalPedigree()
{
    QSqlQuery remarked(QSqlDatabase::database(QLatin1String(kConnection)));
    EXEC(remarked, QStringLiteral("SELECT StartId, Bemaerkning FROM tblStart WHERE Bemaerkning IS NOT NULL"));
    QVERIFY(remarked.next());
    QCOMPARE(first(QString::fromLatin1(kRiderRemark).arg(remarked.value(0).toString())).toString(),
             remarked.value(1).toString());
    // Both forms of the remark statement, the second from its two pieces.
    QCOMPARE(first(joined({"SELECT bemaerkning", "FROM dbo.tblStart WHERE (StartID = '%1' )"}, " ")
                       .arg(remarked.value(0).toString()))
                 .toString(),
             remarked.value(1).toString());

    // Year, sire, dam and dam's sire of a locally created horse, "/"-joined.
    const QString local = horseId(true);
    QVERIFY(!local.isEmpty());
    const QString pedigree = first(QString::fromLatin1(kLocalPedigree).arg(local)).toString();
    QCOMPARE(pedigree.count(QLatin1Char('/')), 3);
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d{4}/")).match(pedigree).hasMatch(), qPrintable(pedigree));
    // The eventing and championship views write the same statement in pieces;
    // the jumping one adds the breeder.
    const QString eventing = joined({"select ISNULL(CAST(YEAR(foedeaar) AS VARCHAR(4)),'')", "+'/'+ ISNULL(AfstamningF,'')",
                                     "+'/'+ ISNULL(AfstamningM,'')", "+'/'+ ISNULL(AfstamningMF,'')",
                                     "from tblHest where HestBaseId = '%1' AND OPRETTETLOKALT=1"},
                                    "");
    QCOMPARE(first(eventing.arg(local)).toString(), pedigree);
    const QString jumping = joined({"select ISNULL(CAST(YEAR(foedeaar) AS VARCHAR(4)),'')", "+'/'+ ISNULL(AfstamningF,'')",
                                    "+'/'+ ISNULL(AfstamningM,'')", "+'/'+ ISNULL(AfstamningMF,'')",
                                    "+'/'+ ISNULL(opdraetter,'')", "from tblHest where HestBaseId = '%1' AND OPRETTETLOKALT=1"},
                                   "");
    QVERIFY(first(jumping.arg(local)).toString().startsWith(pedigree + QLatin1Char('/')));
    // A registry horse has no locally created row.
    QVERIFY(first(QString::fromLatin1(kLocalPedigree).arg(horseId(false))).isNull());
    QVERIFY(!first(joined({"select feiID", "from tblHest where HestBaseId = '%1' AND OPRETTETLOKALT=1"}, " ").arg(local))
                 .toString()
                 .contains(QLatin1String("<failed>")));
}

void tst_Statements::hippodataExports_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("statement");
    QTest::addColumn<int>("horseColumn");
    QTest::addColumn<QString>("lookupTail");
    QTest::addColumn<QString>("breederColumn");
    QTest::newRow("dressage view") << int(DemoSectionKind::Dressage) << QString::fromLatin1(kDressageExport) << 5
                                   << QString::fromLatin1(kHorseLookupTail) << QStringLiteral("Opdraetter");
    QTest::newRow("championship dressage") << int(DemoSectionKind::ChampionshipDressage)
                                           << QString::fromLatin1(kChampionshipDressageExport) << 7
                                           << QString::fromLatin1(kHorseLookupTail) << QStringLiteral("opdraetter");
    QTest::newRow("championship jumping") << int(DemoSectionKind::ChampionshipJumping)
                                          << QString::fromLatin1(kChampionshipJumpingExport) << 7
                                          << QString::fromLatin1(kHorseLookupTailJumping) << QStringLiteral("opdraetter");
}

void tst_Statements::hippodataExports()
{
    QFETCH(int, kind);
    QFETCH(QString, statement);
    QFETCH(int, horseColumn);
    QFETCH(QString, lookupTail);
    QFETCH(QString, breederColumn);
    const DemoSection &s = section(DemoSectionKind(kind));
    QSqlQuery query(QSqlDatabase::database(QLatin1String(kConnection)));
    EXEC(query, statement, &s);
    QCOMPARE(query.record().count(), horseColumn + 1);
    int rows = 0;
    int registryHorses = 0;
    int lastStartNr = INT_MAX;
    while (query.next()) {
        ++rows;
        if (s.kind == DemoSectionKind::ChampionshipDressage) {
            QVERIFY(query.value(0).toInt() <= lastStartNr); // start number descending
            lastStartNr = query.value(0).toInt();
        }
        const QString horse = query.value(horseColumn).toString();
        const QStringList columns = {QStringLiteral("koen"), QStringLiteral("farve"), QStringLiteral("YEAR(foedeaar)"),
                                     QStringLiteral("AfstamningF"), QStringLiteral("AfstamningMF"),
                                     QStringLiteral("FeiID"), breederColumn};
        QStringList values;
        for (const QString &column : columns)
            values << first(QStringLiteral("SELECT %1 %2").arg(column, lookupTail.arg(horse))).toString();
        QVERIFY2(!values.contains(QStringLiteral("<failed>")), qPrintable(values.join(QLatin1Char(';'))));
        // A locally created horse has no registry row: every lookup is empty.
        if (!values.at(0).isEmpty()) {
            ++registryHorses;
            QVERIFY(QStringList({QStringLiteral("HO"), QStringLiteral("HI"), QStringLiteral("V")})
                        .contains(values.at(0).toUpper()));
            QVERIFY(!values.at(1).isEmpty());
            QVERIFY(values.at(2).toInt() > 1990);
            QVERIFY(!values.at(6).isEmpty());
        }
    }
    QCOMPARE(rows, s.starters);
    QVERIFY(registryHorses > 0);
}

void tst_Statements::eventing()
{
    const DemoSection &s = section(DemoSectionKind::Eventing);
    QSqlDatabase db = QSqlDatabase::database(QLatin1String(kConnection));
    QSqlQuery header(db);
    EXEC(header, QLatin1String(kEventingHeader), &s);
    QCOMPARE(header.record().count(), 27);
    int judgeRows = 0;
    while (header.next()) {
        ++judgeRows;
        QCOMPARE(header.value(10).toString(), QStringLiteral("B12"));
        QCOMPARE(header.value(15).toString(), QStringLiteral("13:00"));
        QCOMPARE(header.value(18).toString(), QStringLiteral("7:00"));
        QCOMPARE(header.value(23).toString(), QStringLiteral("3000 - 2000 - 1600 - 1200 - 800"));
        QVERIFY(!header.value(4).toString().isEmpty());
    }
    QCOMPARE(judgeRows, 2); // one row per judge

    QSqlQuery results(db);
    EXEC(results, QLatin1String(kEventingResults), &s);
    QCOMPARE(results.record().count(), 29);
    int rows = 0;
    int crossCountry = 0;
    QStringList statuses; // in the order the rows give them, each once
    while (results.next()) {
        ++rows;
        const QString status = results.value(16).toString();
        // Ordered by status word first: equal words come together.
        if (statuses.isEmpty() || statuses.last() != status) {
            QVERIFY2(!statuses.contains(status), qPrintable(status));
            statuses << status;
        }
        // The dressage test is under way first: every one still in has a score.
        if (status == QLatin1String("NEJ")) {
            QVERIFY(results.value(6).toDouble() > 0);
            QCOMPARE(results.value(12).toDouble(),
                     results.value(6).toDouble() + results.value(7).toDouble() + results.value(9).toDouble());
        }
        if (results.value(8).toDouble() > 0)
            ++crossCountry;
        QVERIFY(kTime.match(results.value(18).toString()).hasMatch());
        QVERIFY(results.value(28).toInt() > 0);
    }
    QCOMPARE(rows, s.starters);
    QVERIFY(crossCountry > 0);

    QSqlQuery refresh(db);
    EXEC(refresh, QLatin1String(kEventingRefresh), &s);
    QCOMPARE(refresh.record().count(), 16);
    rows = 0;
    while (refresh.next())
        ++rows;
    QCOMPARE(rows, s.starters);
    QCOMPARE(first(joined({"SELECT BevarStartTid", "FROM dbo.tblAfdeling", "WHERE klasseId = %1"}, " ").arg(s.klasseId))
                 .toInt(),
             0);
}

void tst_Statements::waitingList()
{
    const DemoSection &s = section(DemoSectionKind::WaitingList);
    QCOMPARE(s.bane, 99);
    QSqlDatabase db = QSqlDatabase::database(QLatin1String(kConnection));
    QSqlQuery header(db);
    EXEC(header, QLatin1String(kWaitingListHeader), &s);
    QCOMPARE(header.record().count(), 20);
    QVERIFY(header.next());
    QCOMPARE(header.value(1).toInt(), s.klasseNr);
    QCOMPARE(header.value(6).toString(), QStringLiteral("V"));
    QVERIFY(header.value(4).isNull()); // a waiting list has no judge
    QVERIFY(!header.next());

    QSqlQuery list(db);
    EXEC(list, QLatin1String(kStartList), &s);
    QCOMPARE(list.record().count(), 8);
    int rows = 0;
    while (list.next()) {
        ++rows;
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d+[A-Z]?$")).match(list.value(0).toString()).hasMatch(),
                 qPrintable(list.value(0).toString()));
        const QString horse = list.value(7).toString();
        QVERIFY(!horse.isEmpty());
        // The pedigree lookups, statements of "SELECT", the field and the tail.
        for (const char *field : {"AfstamningF", "AfstamningM", "AfstamningMF", "YEAR(foedeaar)"})
            QVERIFY(!first(joined({"SELECT", field, "FROM dbo.tblHest WHERE (HestBaseID = '%1' )"}, " ").arg(horse))
                         .toString()
                         .contains(QLatin1String("<failed>")));
    }
    QCOMPARE(rows, s.starters);
}

void tst_Statements::championshipStartList_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("dressage") << int(DemoSectionKind::ChampionshipDressage);
    QTest::newRow("jumping") << int(DemoSectionKind::ChampionshipJumping);
}

void tst_Statements::championshipStartList()
{
    QFETCH(int, kind);
    const DemoSection &s = section(DemoSectionKind(kind));
    QSqlQuery list(QSqlDatabase::database(QLatin1String(kConnection)));
    EXEC(list, QLatin1String(kStartList), &s);
    QCOMPARE(list.record().count(), 8);
    int rows = 0;
    int lastStartNr = 0;
    QSet<int> entries;
    while (list.next()) {
        ++rows;
        // Ordered by start number; a secondary number adds its letter.
        const QString startNr = list.value(0).toString();
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d+[A-Z]?$")).match(startNr).hasMatch(), qPrintable(startNr));
        const int number = QStringView(startNr).left(startNr.size() - (startNr.back().isLetter() ? 1 : 0)).toInt();
        QVERIFY(number > lastStartNr);
        lastStartNr = number;
        QVERIFY(!entries.contains(list.value(1).toInt()));
        entries.insert(list.value(1).toInt());
    }
    QCOMPARE(rows, s.starters);
    QCOMPARE(first(QString::fromLatin1(kKeepStartTimes).arg(s.klasseId)).toInt(), 0);
}

void tst_Statements::championshipLoading_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("form");
    QTest::addColumn<QString>("results");
    QTest::newRow("dressage") << int(DemoSectionKind::ChampionshipDressage) << 2
                              << QString::fromLatin1(kChampionshipDressageResults);
    QTest::newRow("jumping") << int(DemoSectionKind::ChampionshipJumping) << 3
                             << QString::fromLatin1(kChampionshipJumpingResults);
}

void tst_Statements::championshipLoading()
{
    QFETCH(int, kind);
    QFETCH(int, form);
    QFETCH(QString, results);
    const DemoSection &s = section(DemoSectionKind(kind));

    // The federation number read back from the station's normalised text;
    // the comparison ignores case and trailing blanks as SQL Server does.
    const QString propNr = joined({"select ZEPStaevnePropNr", "from tblStaevne where ZEPStaevneNr = '%1'"}, " ");
    QCOMPARE(first(propNr.arg(QStringLiteral("S240614"))).toString(), QStringLiteral("P240614"));
    QCOMPARE(first(propNr.arg(QStringLiteral("s240614  "))).toString(), QStringLiteral("P240614"));
    QVERIFY(first(propNr.arg(QStringLiteral("ZEP"))).isNull());

    QSqlDatabase db = QSqlDatabase::database(QLatin1String(kConnection));
    QSqlQuery header(db);
    const QString judges = QStringLiteral("dbo.DommerListe( %2 , %1)").arg(form);
    EXEC(header, QString::fromLatin1(kChampionshipHeaderColumns).arg(s.afdelingId).arg(judges).arg(s.afdelingId), &s);
    QCOMPARE(header.record().count(), 30);
    QVERIFY(header.next());
    QCOMPARE(header.value(0).toInt(), s.klasseId);
    QCOMPARE(header.value(20).toString(), s.klasseTypeId);
    const int count = header.value(21).toInt();
    QVERIFY(count > 0);
    const QStringList judgeList = header.value(22).toString().split(QStringLiteral(", "));
    QCOMPARE(judgeList.size(), count);
    for (const QString &judge : judgeList)
        QCOMPARE(kJudgeWithPlace.match(judge).hasMatch(), form == 2);
    QVERIFY(kTime.match(header.value(15).toString()).hasMatch());
    QCOMPARE(header.value(29).toString(), QStringLiteral("S240614-%1").arg(s.klasseNr));

    QSqlQuery list(db);
    EXEC(list, results, &s);
    QCOMPARE(list.record().count(), 19);
    int rows = 0;
    while (list.next())
        ++rows;
    QCOMPARE(rows, s.starters);
}

QTEST_GUILESS_MAIN(tst_Statements)
#include "tst_statements.moc"

// Every statement the station sends to the competition database runs on a
// small generated demo database through the stand-in driver, with its
// placeholders bound and its '%1' holes filled, and gives the columns, the
// rows and the values its caller reads back. The statements are written with
// each run of blanks and tabs as one blank. Also the demo competition's seed,
// the database's own functions and the simulator that plays the
// competition-management system.

#include "demo/DemoCompetition.h"
#include "demo/DemoSimulator.h"
#include "demo/SqliteDatabase.h"
#include "driver/StandinDriver.h"
#include "../EventWait.h"
#include "../ChildProcesses.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>

#include <tuple>

using standin::DemoSection;
using standin::DemoSectionKind;
using standin::SqliteDatabase;
using standin::SqliteStatement;

namespace {

const char kConnection[] = "statements";

// --- Competition selection and loading -------------------------------------

const char kCompetitionList[] =
    "SELECT S.staevneId, S.staevne, CONVERT(char(10),S.startdato,103) AS startdato, CONVERT(char(10),S.slutdato,103) "
    "AS slutdato FROM dbo.tblStaevne AS S ORDER BY S.startdato ASC";
const char kClubName[] = "SELECT K.klubnavn FROM tblEjer as E LEFT JOIN dbo.tblKlub AS K ON E.KlubId = K.KlubId";
const char kClubIdLoad[] = "SELECT klubId FROM tblEjer";
const char kCompetitionHeader[] =
    "SELECT S.staevneId, S.staevne,S.NiveauId, CONVERT(char(10),S.startdato,103) AS startdato, "
    "CONVERT(char(10),S.slutdato,103) AS slutdato, S.ZEPStaevneNr FROM dbo.tblStaevne AS S WHERE S.staevneId = "
    ":staevneId ";
const char kSectionCount[] =
    "SELECT count(K.klasseId) FROM dbo.tblKlasse as K INNER JOIN tblAfdeling AS AF ON K.klasseId=AF.klasseId WHERE "
    "K.staevneId = %1 ";
const char kClassList[] =
    "SELECT K.KlasseId, KT.KlasseType,KT.DiciplinId, AF.afdelingInitialer, AF.baneNr, "
    "dbo.DanskeUgedage(DATENAME(weekday, AF.dato) ), K.KlasseNr, AF.afdelingId, K.Klasse, CAST(CONVERT( "
    "varchar,AF.StarttidS, 14) AS varchar(5)), CAST(CONVERT(varchar,AF.SluttidS,14 ) AS varchar(5)), K.KlasseTypeId, "
    "CAST(CONVERT( varchar,AF.Starttid, 14) AS varchar(5)), CAST(CONVERT(varchar,AF.Sluttid,14 ) AS varchar(5)) "
    ",K.bemaerkning from dbo.tblKlasse as K INNER JOIN tblAfdeling AS AF ON K.klasseId=AF.klasseId LEFT JOIN "
    "dbo.tblKlasseType as KT ON K.KlasseTypeID = KT.klasseTypeId WHERE K.staevneId = :staevneId ORDER BY AF.baneNr, "
    "AF.dato ASC , K.KlasseNr,AF.afdelingInitialer ";

// --- Competition information page -------------------------------------------

const char kUpdateLevel[] = "SELECT max(OpdateringID) FROM tblOpdatering ";
const char kLogo[] = "SELECT LOGOSTI FROM tblEjer";
const char kClubIdInfo[] = "SELECT klubid FROM tblEjer";
const char kCompetitionInfo[] =
    "SELECT S.staevneId, S.staevne, S.NiveauId, CONVERT(char(10),S.startdato,103) AS startdato, "
    "CONVERT(char(10),S.slutdato,103) AS slutdato, S.ZEPStaevneNr, S.Jury1, S.Jury2, S.Jury3, S.Jury4, S.Jury5, "
    "S.Information FROM dbo.tblStaevne AS S WHERE S.staevneId = :staevneId ";
const char kTechnicalDelegate[] =
    "SELECT OFi.Fornavn + ' ' + OFi.EfterNavn FROM dbo.tblStaevne AS S INNER JOIN dbo.tblOfficials AS OFi ON "
    "S.TekniskDelegeretId = OFi.OfficialId WHERE S.staevneId = %1";
const char kCourseDesigner[] =
    "SELECT OFi.Fornavn + ' ' + OFi.EfterNavn FROM dbo.tblStaevne AS S INNER JOIN dbo.tblOfficials AS OFi ON "
    "S.banebyggerId = OFi.OfficialId WHERE S.staevneId = %1 ";
const char kJudges[] =
    "SELECT DISTINCT ofi.Fornavn + ' ' + ofi.Efternavn AS Expr1 FROM tblStaevne AS s INNER JOIN tblKlasse AS K ON "
    "K.StaevneId = s.StaevneId INNER JOIN tblAfdeling AS A ON K.KlasseId = A.KlasseId INNER JOIN tblAfdelingDommer AS "
    "ad ON ad.AfdelingId = A.AfdelingId INNER JOIN tblOfficials AS ofi ON ad.OfficialId = ofi.OfficialId WHERE "
    "(s.StaevneId = %1)";
const char kSectionCourseDesigners[] =
    "SELECT DISTINCT ofi.Fornavn + ' ' + ofi.Efternavn AS Expr1 FROM tblStaevne AS s INNER JOIN tblKlasse AS K ON "
    "K.StaevneId = s.StaevneId INNER JOIN tblAfdeling AS A ON K.KlasseId = A.KlasseId INNER JOIN "
    "tblAfdelingBanebygger AS ab ON ab.AfdelingId = A.AfdelingId INNER JOIN tblOfficials AS ofi ON ab.OfficialId = "
    "ofi.OfficialId WHERE (s.StaevneId = %1)";

// --- Dressage view --------------------------------------------------------------

const char kDressageHeader[] =
    "SELECT K.KlasseId, K.KlasseNr, K.MaxAntalStarter, K.Klasse, KT.MaxPoint, "
    "AF.afdelingInitialer,AF.sponsor,AF.aerespraemie,AF.antalPlaceringer, dbo.antalDommere( %1),dbo.DommerListe( %2 , "
    "2), dbo.DanskeUgedage(DATENAME(weekday, AF.dato) ), CAST(CONVERT( varchar,AF.starttidS, 14) AS varchar(5)), "
    "CAST(CONVERT(varchar,AF.sluttidS,14 ) AS varchar(5)), K.Kur, AF.BevarStartTid, K.HoldKlasse, K.klasseTypeId, "
    "K.diciplinId, K.niveauId, dbo.doteringListe(K.KlasseId), K.Bemaerkning, KT.klasse from dbo.tblKlasse as K LEFT "
    "JOIN dbo.tblKlasseType as KT ON K.KlasseTypeID = KT.klasseTypeId LEFT JOIN dbo.tblAfdeling as AF ON K.KlasseID = "
    "AF.klasseId WHERE K.staevneId = :staevneId AND K.klasseNr = :klasseNr AND AF.afdelingInitialer = :afdeling";
const char kDressageStartersSelect[] =
    "SELECT DR.StartNr, DR.anmeldelseNr, DR.Fornavn, DR.Efternavn, DR.Navn , DR.klubId, DR.placering, "
    "DR.totalKurKlasse, DR.diskvalifikation, DR.kategori,DR.klasse , DR.staevneId, DR.klasseId, DR.klasseNr, "
    "DR.StartId, DR.dommerE, DR.dommerH, DR.dommerC, DR.dommerM, DR.dommerB, DR.dommerEKur, DR.dommerHKur, "
    "DR.dommerCKur, DR.dommerMKur, DR.dommerBKur, CAST(CONVERT( varchar, dbo.StarttidEkvipage(DR.afdelingID, "
    "DR.StartId), 14 ) AS varchar(5) ), DR.RytterId, DR.HesteId, TC.ConfigId,H.AfstamningF, H.AfstamningM, "
    "H.AfstamningMF, YEAR(H.foedeaar), H.opdraetter, H.koen ";
const char kDressageStartersTeamColumns[] = ", AH.StartNr, AH.Hold, DR.Udgaar ";
const char kDressageStartersFrom[] = "FROM dbo.vDressurResultat as DR ";
const char kDressageStartersEntry[] = "LEFT JOIN tblAnmeldelse AA ON DR.AnmeldelseId = AA.AnmeldelseId ";
const char kDressageStartersHorse[] = "LEFT JOIN tblHest H ON (H.hestid = AA.hestid AND H.OprettetLokalt = 0 ) ";
const char kDressageStartersConfig[] =
    "LEFT JOIN dbo.tblConfig as TC ON DR.RytterId = TC.RytterId AND H.HestId = TC.HestId ";
const char kDressageStartersTeamJoins[] =
    "LEFT JOIN dbo.tblStartHold as SH ON DR.StartId = SH.StartId LEFT JOIN dbo.tblAnmeldelseHold as AH ON "
    "SH.anmeldelseHoldId = AH.anmeldelseHoldId ";
const char kDressageStartersWhere[] =
    "WHERE DR.staevneId = :staevneId AND DR.klasseNr = :klasseNr AND DR.afdelingInitialer = :afdeling ORDER BY total "
    "ASC, DR.diskvalifikation ASC, DR.startNr DESC ";
const char kRiderRemark[] = "SELECT bemaerkning FROM dbo.tblStart WHERE (StartID = '%1' )";
const char kLocalPedigree[] =
    "select ISNULL(CAST(YEAR(foedeaar) AS VARCHAR(4)),'') +'/'+ ISNULL(AfstamningF,'') +'/'+ ISNULL(AfstamningM,'') "
    "+'/'+ ISNULL(AfstamningMF,'') from tblHest where HestBaseId = '%1' AND OPRETTETLOKALT=1";
const char kDressageTick[] =
    "SELECT StartNr,anmeldelseNr,totalKurKlasse, diskvalifikation,placering, StartId, dommerE, dommerH, dommerC, "
    "dommerM, dommerB, dommerEKur, dommerHKur, dommerCKur, dommerMKur, dommerBKur, CAST(CONVERT( varchar, "
    "dbo.StarttidEkvipage(afdelingID, StartId), 14 ) AS varchar(5) ), Udgaar FROM dbo.vDressurResultat WHERE "
    "staevneId = :staevneId AND klasseNr = :klasseNr AND afdelingInitialer = :afdeling ORDER BY total ASC, "
    "diskvalifikation ASC, startNr DESC ";
const char kKeepStartTimes[] = "SELECT BevarStartTid FROM dbo.tblAfdeling WHERE afdelingId = %1 ";

// The Hippodata export's starters (dressage view) and horse lookups.
const char kDressageExport[] =
    "SELECT DR.anmeldelseNr, DR.Fornavn, DR.Efternavn, DR.Navn, DR.klubId, DR.HesteId FROM dbo.vDressurResultat AS DR "
    "WHERE DR.staevneId = :staevneId AND DR.klasseNr = :klasseNr AND DR.afdelingInitialer = :afdeling ORDER BY "
    "DR.startNr DESC";
const char kHorseLookup[] = "SELECT %1 FROM dbo.tblHest WHERE (HestBaseID = '%2' ) AND (OprettetLokalt = 0)";

// --- Eventing -------------------------------------------------------------------

// The header of the eventing, waiting-list and championship views: the
// columns (the championship's are its own) and the joins.
const char kHeaderColumns[] =
    "SELECT K.KlasseId, K.KlasseNr, K.MaxAntalStarter, K.Klasse, OFS.Fornavn, OFS.EfterNavn, AF.afdelingInitialer, "
    "AF.sponsor, AF.aerespraemie, AF.antalPlaceringer, M.Metode, M.antalHovedRunder, M.antalOmspringninger, K.TempoId, "
    "dbo.DanskeUgedage(DATENAME(weekday, AF.dato) ), CAST(CONVERT( varchar,AF.Starttid, 14) AS varchar(5)), "
    "CAST(CONVERT(varchar,AF.Sluttid,14 ) AS varchar(5)), KT.MaxPoint, K.EtapeDIdealTid, K.SidsteDiciplin";
const char kHeaderFrom[] =
    " from dbo.tblKlasse as K LEFT JOIN dbo.tblMetode as M ON K.MetodeID = M.MetodeId LEFT JOIN dbo.tblKlasseType as "
    "KT ON K.KlasseTypeID = KT.klasseTypeId LEFT JOIN dbo.tblAfdeling as AF ON K.KlasseID = AF.klasseId LEFT JOIN "
    "dbo.tblAfdelingDommer as AD ON AF.afdelingId = AD.afdelingId LEFT JOIN dbo.tblOfficials as OFS ON AD.OfficialId = "
    "OFS.OfficialId WHERE K.staevneId = :staevneId AND K.klasseNr = :klasseNr AND AF.afdelingInitialer = :afdeling";
const char kEventingHeaderColumns[] =
    ", K.klasseTypeId, K.diciplinId, K.niveauID, dbo.doteringListe(K.KlasseId), AF.BevarStartTid, K.Bemaerkning, "
    "KT.klasse";
const char kEventingResults[] =
    "SELECT vMR.StartNr, vMR.anmeldelseNr, vMR.Fornavn, vMR.Efternavn, vMR.Navn, vMR.klubInitialer, vMR.dressur, "
    "vMR.etapeDFejl, MRU.EtapeDTid, vMR.springning, vMR.dressurspring, vMR.dressurudholdenhed, vMR.total, "
    "vMR.diskDressur, vMR.diskUdh, vMR.diskSpring, vMR.diskvalifikation, vMR.springningtid, CAST(CONVERT( varchar, "
    "dbo.StarttidEkvipageDressur(vMR.afdelingID, vMR.StartId), 14 ) AS varchar(5) ), vMR.LicensNr, vMR.HesteId, "
    "TC.ConfigId, H.AfstamningF, H.AfstamningM, H.AfstamningMF, YEAR(H.foedeaar), H.opdraetter, H.koen, vMR.StartId "
    "FROM dbo.vMilitaryResultat as vMR LEFT JOIN tblMilitaryResultatUdh AS MRU ON vMR.startId=MRU.startId LEFT JOIN "
    "dbo.tblHest as H ON (vMR.HesteId = H.HestBaseId AND H.OprettetLokalt = 0 ) LEFT JOIN dbo.tblConfig as TC ON "
    "vMR.LicensNr = TC.RytterId AND H.HestId = TC.HestId WHERE vMR.staevneId = :staevneId AND vMR.klasseNr = "
    ":klasseNr AND vMR.afdelingInitialer = :afdeling ORDER BY diskvalifikation ASC, startNr DESC";
const char kEventingRefresh[] =
    "SELECT vMR.StartNr, vMR.anmeldelseNr, vMR.dressur, vMR.etapeDFejl, MRU.etapeDTid, vMR.springning, "
    "vMR.dressurspring, vMR.dressurudholdenhed, vMR.total, vMR.diskDressur, vMR.diskUdh, vMR.diskSpring, "
    "vMR.diskvalifikation, vMR.springningtid, CAST(CONVERT( varchar, dbo.StarttidEkvipageDressur(vMR.afdelingID, "
    "vMR.StartId), 14 ) AS varchar(5) ), vMR.StartId FROM dbo.vMilitaryResultat as vMR LEFT JOIN "
    "tblMilitaryResultatUdh AS MRU ON vMR.startId=MRU.startId WHERE staevneId = :staevneId AND klasseNr = :klasseNr "
    "AND afdelingInitialer = :afdeling ORDER BY diskvalifikation ASC, startNr DESC";

// --- Waiting list and championship start lists ------------------------------------

const char kStartList[] =
    "SELECT CAST(ST.StartNr AS VARCHAR(5)) + dbo.NrTilBogstav(ST.SekundaerStartNr) AS startNr, A.AnmeldelseNr, "
    "R.Fornavn, R.Efternavn, H.Navn, KL.KlubId AS KlubInitialer, R.RytterId AS LicensNr, H.HestBaseId AS HesteId FROM "
    "tblKlasse AS K INNER JOIN tblStaevne AS S ON K.StaevneId = S.StaevneId INNER JOIN tblAfdeling AS AF ON "
    "K.KlasseId = AF.KlasseId LEFT OUTER JOIN tblStart AS ST ON AF.AfdelingId = ST.AfdelingId AND ST.Slettet IS NULL "
    "LEFT OUTER JOIN tblAnmeldelse AS A ON ST.AnmeldelseId = A.AnmeldelseId LEFT OUTER JOIN tblRytter AS R ON "
    "A.RytterId = R.RytterId LEFT OUTER JOIN tblHest AS H ON A.HestId = H.HestId LEFT OUTER JOIN tblKlub AS KL ON "
    "A.KlubId = KL.KlubId WHERE S.StaevneId = :staevneId AND K.KlasseNr = :klasseNr AND AF.AfdelingInitialer = "
    ":afdeling ORDER BY ST.StartNr ";

// --- Championship loading -------------------------------------------------------------

const char kChampionshipHeaderColumns[] =
    "SELECT K.KlasseId, K.KlasseNr, K.MaxAntalStarter, K.Klasse, OFS.Fornavn, OFS.EfterNavn, AF.afdelingInitialer, "
    "AF.sponsor, AF.aerespraemie, AF.antalPlaceringer, M.Metode, M.antalHovedRunder, M.antalOmspringninger, K.TempoId, "
    "dbo.DanskeUgedage(DATENAME(weekday, AF.dato) ), CAST(CONVERT( varchar,AF.StarttidS, 14) AS varchar(5)), "
    "CAST(CONVERT(varchar,AF.SluttidS,14 ) AS varchar(5)), KT.MaxPoint, K.EtapeDIdealTid, K.SidsteDiciplin, "
    "KT.klasseTypeId, dbo.antalDommere( %1), %3, AF.BevarStartTid, K.diciplinId, K.niveauId, "
    "dbo.doteringListe(K.KlasseId), K.Bemaerkning, KT.klasse, K.KlasseIdZEP";
const char kChampionshipDressageResults[] =
    "SELECT DR.StartNr, DR.anmeldelseNr, DR.Fornavn, DR.Efternavn, DR.Navn, DR.klubId, DR.diskvalifikation, "
    "CAST(CONVERT( varchar, dbo.StarttidEkvipage(DR.afdelingID, DR.StartId), 14 ) AS varchar(5) ), DR.RytterId, "
    "DR.HesteId, TC.ConfigId, H.AfstamningF, H.AfstamningM, H.AfstamningMF, YEAR(H.foedeaar), DR.Kategori, "
    "H.opdraetter, H.koen, H.feiID FROM dbo.vDressurResultat as DR LEFT JOIN tblAnmeldelse AA ON DR.AnmeldelseId = "
    "AA.AnmeldelseId LEFT JOIN tblHest H ON (H.hestid = AA.hestid AND H.OprettetLokalt = 0 ) LEFT JOIN dbo.tblConfig "
    "as TC ON DR.RytterId = TC.RytterId AND H.HestId = TC.HestId WHERE DR.staevneId = :staevneId AND DR.klasseNr = "
    ":klasseNr AND DR.afdelingInitialer = :afdeling ORDER BY total ASC, DR.diskvalifikation ASC, DR.startNr DESC";
const char kChampionshipJumpingResults[] =
    "SELECT SR.StartNr, SR.anmeldelseNr, SR.Fornavn, SR.Efternavn, SR.Navn, SR.KlubInitialer, SR.kategori, "
    "SR.DiskHS1, CAST(CONVERT( varchar, dbo.StarttidEkvipage(SR.afdelingID, SR.StartId), 14 ) AS varchar(5) ), "
    "SR.LicensNr, SR.HesteId, TC.ConfigId, H.AfstamningF, H.AfstamningM, H.AfstamningMF, YEAR(H.foedeaar), "
    "H.opdraetter, H.koen, H.HestBaseId FROM dbo.vSpringResultat as SR LEFT JOIN tblAnmeldelse AA ON SR.AnmeldelseId "
    "= AA.AnmeldelseId LEFT JOIN tblHest H ON (H.hestid = AA.hestid AND H.OprettetLokalt = 0 ) LEFT JOIN "
    "dbo.tblConfig as TC ON SR.LicensNr = TC.RytterId AND H.HestId = TC.HestId WHERE SR.staevneId = :staevneId AND "
    "SR.klasseNr = :klasseNr AND SR.afdelingInitialer = :afdeling ORDER BY diskvalifikation ASC, startNr DESC";
const char kChampionshipDressageExport[] =
    "SELECT DR.StartNr, DR.anmeldelseNr, DR.Fornavn, DR.Efternavn, DR.Navn , DR.klubId, DR.RytterId, DR.HesteId FROM "
    "dbo.vDressurResultat as DR WHERE DR.staevneId = :staevneId AND DR.klasseNr = :klasseNr AND DR.afdelingInitialer "
    "= :afdeling ORDER BY DR.startNr DESC";
const char kChampionshipJumpingExport[] =
    "SELECT StartNr, anmeldelseNr, Fornavn, Efternavn, Navn , KlubInitialer, LicensNr, HesteId FROM "
    "dbo.vSpringResultat WHERE staevneId = :staevneId AND klasseNr = :klasseNr AND afdelingInitialer = :afdeling "
    "ORDER BY diskvalifikation ASC, startNr DESC";

} // namespace

class tst_Statements : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        childprocs::stopChildrenOnSignals();
        QVERIFY(m_dir.isValid());
        const QString file = generate(QStringLiteral("statements_demo.db"), 7);
        QString error;
        m_sections = standin::readDemoSections(file, standin::demoCompetitionId, &error);
        QVERIFY2(!m_sections.isEmpty(), qPrintable(error));
        standin::registerDriver();
        QSqlDatabase db = QSqlDatabase::addDatabase(standin::driverName(), QLatin1String(kConnection));
        db.setDatabaseName(file);
        QVERIFY2(db.open(), qPrintable(db.lastError().text()));
        QVERIFY2(m_db.open(generate(QStringLiteral("demo_small.db"), 11), false), qPrintable(m_db.lastError()));
    }
    void statements_data();
    void statements();

    // --- The demo competition and its simulator --------------------------------

    void deterministic()
    {
        // A seed makes the same show and the same simulated day, every time;
        // generating over an existing file replaces it.
        const QString a = generate(QStringLiteral("demo_a.db"), 5);
        const QString b = generate(QStringLiteral("demo_b.db"), 6);
        generate(QStringLiteral("demo_b.db"), 5);
        standin::DemoSimulator first(a, 99);
        standin::DemoSimulator second(b, 99);
        for (int i = 0; i < 25; ++i)
            QCOMPARE(first.step(), second.step());
    }

    void databaseFunctions_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QVariantList>("params");
        QTest::addColumn<QVariant>("expected");
        QTest::newRow("not a day") << QStringLiteral("SELECT DanskeUgedage(?1)") << QVariantList{"Someday"}
                                   << QVariant("Someday");
        // The letter of a secondary start number: text, never NULL, so that a
        // start number joined with it keeps its digits.
        const QString letter = QStringLiteral("SELECT '12' || NrTilBogstav(?1)");
        QTest::newRow("1") << letter << QVariantList{1} << QVariant("12A");
        QTest::newRow("27") << letter << QVariantList{27} << QVariant("12");
        QTest::newRow("NULL") << letter << QVariantList{QVariant()} << QVariant("12");
        QTest::newRow("no judges") << QStringLiteral("SELECT antalDommere(-1)") << QVariantList{} << QVariant(0);
        const QString prizes = QStringLiteral("SELECT doteringListe(?1)");
        QTest::newRow("no prize money is empty, not NULL") << prizes << QVariantList{3} << QVariant("");
        // A start the section does not hold has no time: midnight of the zero date.
        QTest::newRow("start time elsewhere") << QStringLiteral("SELECT StarttidEkvipage(2, 1)") << QVariantList{}
                                              << QVariant("1900-01-01 00:00:00.000");
        QTest::newRow("dressage start time") << QStringLiteral("SELECT StarttidEkvipageDressur(1, 1)") << QVariantList{}
                                             << QVariant("2024-06-14 08:00:00.000");
        // An eventing start rides its dressage test in the morning.
        const QString eventing = QStringLiteral("SELECT %1(AfdelingId, StartId) FROM tblStart WHERE AfdelingId = "
                                                "(SELECT AfdelingId FROM tblAfdeling AS AF INNER JOIN tblKlasse AS K "
                                                "ON AF.KlasseId = K.KlasseId WHERE K.DiciplinId = 4) ORDER BY StartNr");
        QTest::newRow("eventing start time") << eventing.arg(QLatin1String("StarttidEkvipage")) << QVariantList{}
                                             << QVariant("2024-06-14 13:00:00.000");
        QTest::newRow("eventing dressage time") << eventing.arg(QLatin1String("StarttidEkvipageDressur"))
                                                << QVariantList{} << QVariant("2024-06-14 08:00:00.000");
    }

    void databaseFunctions()
    {
        QFETCH(QString, sql);
        QFETCH(QVariantList, params);
        QFETCH(QVariant, expected);
        SqliteStatement statement(m_db, sql);
        statement.bindAll(params);
        QVERIFY2(statement.next(), qPrintable(m_db.lastError()));
        QVERIFY(!statement.value(0).isNull());
        QCOMPARE(statement.value(0).toString(), expected.toString());
    }

    void simulatorNeverGoesStill()
    {
        // The small show is ridden through in well under a hundred steps; long
        // after that every step still writes under a new update number, every
        // class the system scores is still being ridden, and the start lists
        // do not grow without end.
        const QString file = generate(QStringLiteral("demo_endless.db"), 4);
        const QList<DemoSection> sections = standin::readDemoSections(file);
        SqliteDatabase db;
        QVERIFY(db.open(file, false));
        const QString liveStarts = QStringLiteral("SELECT count(*) FROM tblStart WHERE Slettet IS NULL");
        const QString levelSql = QStringLiteral("SELECT max(OpdateringID) FROM tblOpdatering");
        const int startsBefore = db.value(liveStarts).toInt();
        const int level = db.value(levelSql).toInt();
        // What the system scored in each section, one text per section.
        SqliteStatement scores(db, QStringLiteral("SELECT group_concat(IFNULL(DommerC, '') || '/' || "
                                                  "IFNULL(FejlHS1, '') || '/' || IFNULL(Dressur, '') || '/' || "
                                                  "IFNULL(Springning, '') || '/' || IFNULL(Placering, ''), ',') "
                                                  "FROM tblStart WHERE AfdelingId = ?1"));
        const auto scored = [&] {
            QStringList texts;
            for (const DemoSection &s : sections) {
                scores.addBind(s.afdelingId);
                texts << (scores.next() ? scores.textValue(0) : QString());
                scores.reset();
            }
            return texts;
        };
        standin::DemoSimulator simulator(file, 4);
        QStringList before;
        for (int i = 0; i < 900; ++i) {
            if (i == 600)
                before = scored();
            QVERIFY(simulator.step().size() >= (i == 0 ? 3 : 1)); // at first every arena rides
            QVERIFY2(simulator.lastError().isEmpty(), qPrintable(simulator.lastError()));
            QCOMPARE(db.value(levelSql).toInt(), level + i + 1);
        }
        const QStringList after = scored();
        for (int i = 0; i < sections.size(); ++i) {
            const DemoSectionKind kind = sections[i].kind;
            const bool scoredKind = kind != DemoSectionKind::WaitingList
                                    && kind != DemoSectionKind::ChampionshipDressage
                                    && kind != DemoSectionKind::ChampionshipJumping;
            QVERIFY2((before[i] != after[i]) == scoredKind, qPrintable(QString::number(sections[i].klasseNr)));
        }
        QVERIFY(db.value(liveStarts).toInt() < startsBefore + 20);
    }

    void simulatorRunsForItsDuration()
    {
        const QString file = generate(QStringLiteral("demo_run.db"), 9);
        standin::DemoSimulator simulator(file, 9);
        simulator.setInterval(10);
        QSignalSpy finished(&simulator, &standin::DemoSimulator::finished);
        // Without a duration it steps on until it is stopped.
        simulator.start();
        WAIT_VERIFY(simulator.steps() > 5);
        QVERIFY(finished.isEmpty() && simulator.isRunning());
        simulator.stop();
        QCOMPARE(finished.count(), 1);
        QVERIFY(!simulator.isRunning());

        // With one it stops by itself, not before the duration has passed
        // (a busy machine only makes the run longer).
        simulator.setDuration(300);
        QElapsedTimer run;
        run.start();
        simulator.start();
        QVERIFY(finished.wait(eventwait::limitMs));
        QVERIFY(run.elapsed() >= 300);
        QCOMPARE(finished.count(), 2);
        QVERIFY(!simulator.isRunning());

        // A missing file is an error, not a crash, and it is not made.
        const QString none = m_dir.filePath(QStringLiteral("missing.db"));
        standin::DemoSimulator missing(none);
        QVERIFY(missing.step().isEmpty());
        QVERIFY(!missing.lastError().isEmpty());
        QString error;
        QVERIFY(standin::readDemoSections(none, 1, &error).isEmpty());
        QVERIFY(!error.isEmpty() && !QFile::exists(none));
    }

private:
    // Runs a statement with the section's values bound to its placeholders;
    // the error names the statement.
    QString execute(QSqlQuery &query, const QString &sql, const DemoSection *s)
    {
        if (!query.prepare(sql))
            return QStringLiteral("prepare: %1\n%2").arg(query.lastError().text(), sql);
        if (sql.contains(QLatin1String(":staevneId")))
            query.bindValue(QStringLiteral(":staevneId"), s ? s->staevneId : standin::demoCompetitionId);
        if (s && sql.contains(QLatin1String(":klasseNr")))
            query.bindValue(QStringLiteral(":klasseNr"), s->klasseNr);
        if (s && sql.contains(QLatin1String(":afdeling")))
            query.bindValue(QStringLiteral(":afdeling"), s->afdeling);
        return query.exec() ? QString() : QStringLiteral("exec: %1\n%2").arg(query.lastError().text(), sql);
    }
    // First column of the first row; a null QVariant when there is no row.
    QVariant first(const QString &sql)
    {
        QSqlQuery query(QSqlDatabase::database(QLatin1String(kConnection)));
        const QString error = execute(query, sql, nullptr);
        if (!error.isEmpty())
            qFatal("%s", qPrintable(error));
        return query.next() ? query.value(0) : QVariant();
    }
    const DemoSection &section(DemoSectionKind kind)
    {
        const DemoSection *s = standin::firstDemoSection(m_sections, kind);
        if (!s)
            qFatal("the demo competition has no section of kind %d", int(kind));
        return *s;
    }

    QString generate(const QString &name, quint32 seed)
    {
        standin::DemoOptions options;
        options.seed = seed;
        options.small = true;
        const QString file = m_dir.filePath(name);
        QString error;
        if (!standin::generateDemoCompetition(file, options, &error))
            qWarning("generation failed: %s", qPrintable(error));
        return file;
    }

    QTemporaryDir m_dir;
    QList<DemoSection> m_sections;
    SqliteDatabase m_db; // on a small show, seed 11
};

namespace {
const int kStarters = -1; // rows: the section's starters
const int kSome = -2;     // rows: at least one
const QString kTime = QStringLiteral("0=^\\d\\d:\\d\\d$");
const QString kName = QStringLiteral("^\\S+ \\S+$");
const QString kPrizes = QStringLiteral("1500 - 1000 - 800 - 600 - 400");
} // namespace

void tst_Statements::statements_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>("kind"); // the section bound to the placeholders, -1 for none
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QStringList>("checks"); // "<column>=<pattern>", every row matches
    using K = DemoSectionKind;
    auto row = [](const QString &name, const QString &sql, int kind, int columns, int rows,
                  const QStringList &checks = {}) {
        QTest::newRow(qPrintable(name)) << sql << kind << columns << rows << checks;
    };
    auto time = [](int column) { return QString(kTime).replace(0, 1, QString::number(column)); };
    auto exactly = [](int column, const QString &value) {
        return QStringLiteral("%1=^%2$").arg(column).arg(QRegularExpression::escape(value));
    };
    const QString competition = QString::number(standin::demoCompetitionId);
    const QString day = QString::fromUtf8("^(Fredag|Lørdag)$");

    // Choosing and loading a competition, and its information page.
    row("competition list", QLatin1String(kCompetitionList), -1, 4, 2,
        {"0=^[12]$", "2=^\\d\\d/0[56]/2024$", "3=^\\d\\d/0[56]/2024$"});
    row("club name", QLatin1String(kClubName), -1, 1, 1, {exactly(0, "Fjordens Rideklub")});
    for (const char *sql : {kClubIdLoad, kClubIdInfo})
        row(QStringLiteral("club id %1").arg(QLatin1String(sql)), QLatin1String(sql), -1, 1, 1, {exactly(0, "*FRK*")});
    row("competition header", QLatin1String(kCompetitionHeader), -1, 6, 1,
        {exactly(2, QStringLiteral("Landsstævne")), exactly(3, "14/06/2024"), exactly(4, "15/06/2024"),
         exactly(5, "S240614")});
    row("section count", QString::fromLatin1(kSectionCount).arg(competition), -1, 1, 1,
        {exactly(0, QString::number(m_sections.size()))});
    row("class list", QLatin1String(kClassList), -1, 15, int(m_sections.size()),
        {QStringLiteral("5=") + day, time(9), time(10), time(12), time(13)});
    row("update level", QLatin1String(kUpdateLevel), -1, 1, 1, {exactly(0, "2010501")});
    row("logo", QLatin1String(kLogo), -1, 1, 1, {"0=^.PNG"}); // the picture itself the loading test reads
    row("competition info", QLatin1String(kCompetitionInfo), -1, 12, 1,
        {exactly(3, "14/06/2024"), "6=\\S", exactly(9, ""), "11=http://example.com/"});
    for (const char *sql : {kTechnicalDelegate, kCourseDesigner})
        row(QStringLiteral("official %1").arg(QLatin1String(sql).right(30)), QString::fromLatin1(sql).arg(competition),
            -1, 1, 1, {QStringLiteral("0=") + kName});
    for (const char *sql : {kJudges, kSectionCourseDesigners})
        row(QStringLiteral("officials %1").arg(QLatin1String(sql).mid(260, 30)), QString::fromLatin1(sql).arg(competition),
            -1, 1, kSome, {QStringLiteral("0=") + kName});

    // Dressage.
    for (const auto &[kind, kur, team, prizes] :
         {std::make_tuple(K::Dressage, 0, 0, kPrizes), std::make_tuple(K::Kur, 1, 0, kPrizes),
          std::make_tuple(K::Team, 0, 1, QString()), std::make_tuple(K::ChampionshipDressage, 0, 0, kPrizes)}) {
        const DemoSection &s = section(kind);
        const QString judges =
            first(QStringLiteral("SELECT count(*) FROM tblAfdelingDommer WHERE AfdelingId = %1").arg(s.afdelingId))
                .toString();
        row(QStringLiteral("dressage header %1").arg(int(kind)),
            QString::fromLatin1(kDressageHeader).arg(s.afdelingId).arg(s.afdelingId), int(kind), 23, 1,
            {exactly(0, QString::number(s.klasseId)), exactly(9, judges), "10=^[EHCMB]: \\S+ \\S+(, [EHCMB]: \\S+ \\S+)*$",
             QStringLiteral("11=") + day, time(12), exactly(14, QString::number(kur)),
             exactly(16, QString::number(team)), exactly(17, s.klasseTypeId), exactly(18, "2"), exactly(20, prizes)});
    }
    for (const K kind : {K::Dressage, K::Kur, K::Team}) {
        const DemoSection &s = section(kind);
        const bool team = kind == K::Team;
        const QString sql = QLatin1String(kDressageStartersSelect) + (team ? kDressageStartersTeamColumns : "")
                            + kDressageStartersFrom + kDressageStartersEntry + kDressageStartersHorse
                            + kDressageStartersConfig + (team ? kDressageStartersTeamJoins : "")
                            + kDressageStartersWhere;
        QStringList checks{exactly(13, QString::number(s.klasseNr)), time(25), "27=^\\d+$"};
        if (team)
            checks << "35=^\\d+$" << "36=\\S";
        row(QStringLiteral("dressage starters %1").arg(int(kind)), sql, int(kind), team ? 38 : 35, kStarters, checks);
    }
    row("dressage tick", QLatin1String(kDressageTick), int(K::Dressage), 18, kStarters, {time(16), "5=^\\d+$"});
    for (const auto &[kind, keep] : {std::make_pair(K::Dressage, 1), std::make_pair(K::Kur, 0)})
        row(QStringLiteral("keep start times %1").arg(int(kind)),
            QString::fromLatin1(kKeepStartTimes).arg(section(kind).afdelingId), -1, 1, 1,
            {exactly(0, QString::number(keep))});

    // Remarks, and pedigrees of a locally created horse ("/"-joined) and of
    // a registry horse (none).
    const QString remarkStart =
        first(QStringLiteral("SELECT StartId FROM tblStart WHERE Bemaerkning IS NOT NULL ORDER BY StartId")).toString();
    const QString remark =
        first(QStringLiteral("SELECT Bemaerkning FROM tblStart WHERE StartId = %1").arg(remarkStart)).toString();
    row("remark", QString::fromLatin1(kRiderRemark).arg(remarkStart), -1, 1, 1, {exactly(0, remark)});
    const QString horse = QStringLiteral("SELECT HestBaseID FROM tblHest WHERE OprettetLokalt = %1 ORDER BY 1");
    const QString local = first(horse.arg(1)).toString();
    const QString registry = first(horse.arg(0)).toString();
    const QString breeder = QString::fromLatin1(kLocalPedigree).replace(
        QLatin1String(" from tblHest"), QLatin1String(" +'/'+ ISNULL(opdraetter,'') from tblHest"));
    row("local pedigree", QString::fromLatin1(kLocalPedigree).arg(local), -1, 1, 1, {"0=^\\d{4}/[^/]*/[^/]*/[^/]*$"});
    row("local pedigree with breeder", breeder.arg(local), -1, 1, 1, {"0=^\\d{4}(/[^/]*){3}/\\S+ \\S+, \\S+$"});
    row("registry horse has no local pedigree", QString::fromLatin1(kLocalPedigree).arg(registry), -1, 1, 0);
    row("local fei id", QStringLiteral("select feiID from tblHest where HestBaseId = '%1' AND OPRETTETLOKALT=1")
        .arg(local), -1, 1, 1);

    // The Hippodata exports and their horse lookups.
    row("dressage export", QLatin1String(kDressageExport), int(K::Dressage), 6, kStarters, {"5=^\\d+$"});
    row("championship dressage export", QLatin1String(kChampionshipDressageExport), int(K::ChampionshipDressage), 8,
        kStarters, {"7=^\\d+$"});
    row("championship jumping export", QLatin1String(kChampionshipJumpingExport), int(K::ChampionshipJumping), 8,
        kStarters, {"7=^\\d+$"});
    for (const auto &[column, pattern] :
         {std::make_pair("koen", "(?i)^(HO|HI|V)$"), std::make_pair("farve", "\\S"),
          std::make_pair("YEAR(foedeaar)", "^(19|20)\\d\\d$"), std::make_pair("AfstamningF", ""),
          std::make_pair("AfstamningMF", ""), std::make_pair("FeiID", ""), std::make_pair("Opdraetter", "\\S")})
        row(QStringLiteral("horse %1").arg(QLatin1String(column)),
            QString::fromLatin1(kHorseLookup).arg(QLatin1String(column), registry), -1, 1, 1,
            {QStringLiteral("0=") + QLatin1String(pattern)});
    row("local horse", QString::fromLatin1(kHorseLookup).arg(QStringLiteral("koen"), local), -1, 1, 0);

    // Eventing.
    row("eventing header", QLatin1String(kHeaderColumns) + kEventingHeaderColumns + kHeaderFrom, int(K::Eventing),
        27, 2, // a row per judge
        {"4=\\S", exactly(10, "B12"), exactly(15, "13:00"), exactly(18, "42000"),
         exactly(23, "3000 - 2000 - 1600 - 1200 - 800")});
    row("eventing results", QLatin1String(kEventingResults), int(K::Eventing), 29, kStarters, {time(18), "28=^\\d+$"});
    row("eventing refresh", QLatin1String(kEventingRefresh), int(K::Eventing), 16, kStarters, {time(14), "15=^\\d+$"});

    // Waiting lists and championship start lists.
    const DemoSection &waiting = section(K::WaitingList);
    row("waiting list header", QLatin1String(kHeaderColumns) + kHeaderFrom, int(K::WaitingList), 20, 1,
        {exactly(1, QString::number(waiting.klasseNr)), exactly(4, ""), exactly(6, "V")});
    for (const K kind : {K::WaitingList, K::ChampionshipDressage, K::ChampionshipJumping})
        row(QStringLiteral("start list %1").arg(int(kind)), QLatin1String(kStartList), int(kind), 8, kStarters,
            {"0=^\\d+[A-Z]?$", "1=^\\d+$", "7=^\\d+$"});
    for (const char *field : {"AfstamningF", "AfstamningM", "AfstamningMF", "YEAR(foedeaar)"})
        row(QStringLiteral("pedigree %1").arg(QLatin1String(field)),
            QStringLiteral("SELECT %1 FROM dbo.tblHest WHERE (HestBaseID = '%2' )").arg(QLatin1String(field), registry),
            -1, 1, 1);

    // Championships: the federation number compared as SQL Server does
    // (case and trailing blanks ignored), the header in both judge forms.
    const QString propNr = QStringLiteral("select ZEPStaevnePropNr from tblStaevne where ZEPStaevneNr = '%1'");
    row("federation number", propNr.arg(QStringLiteral("S240614")), -1, 1, 1, {exactly(0, "P240614")});
    row("federation number, case and blanks", propNr.arg(QStringLiteral("s240614  ")), -1, 1, 1, {exactly(0, "P240614")});
    row("federation number unknown", propNr.arg(QStringLiteral("ZEP")), -1, 1, 0);
    for (const auto &[kind, form, results] :
         {std::make_tuple(K::ChampionshipDressage, 2, kChampionshipDressageResults),
          std::make_tuple(K::ChampionshipJumping, 3, kChampionshipJumpingResults)}) {
        const DemoSection &s = section(kind);
        const QString judges = QStringLiteral("dbo.DommerListe( %2 , %1)").arg(form);
        const QString header = QLatin1String(kChampionshipHeaderColumns) + kHeaderFrom;
        row(QStringLiteral("championship header %1").arg(form), header.arg(s.afdelingId).arg(judges).arg(s.afdelingId),
            int(kind), 30, kSome,
            {exactly(0, QString::number(s.klasseId)), exactly(20, s.klasseTypeId), time(15),
             form == 2 ? "22=^[EHCMB]: \\S+ \\S+(, [EHCMB]: \\S+ \\S+)*$" : "22=^[^:,]+(, [^:,]+)*$",
             exactly(29, QStringLiteral("S240614-%1").arg(s.klasseNr))});
        row(QStringLiteral("championship results %1").arg(form), QLatin1String(results), int(kind), 19, kStarters,
            {time(form == 2 ? 7 : 8)});
    }
}

void tst_Statements::statements()
{
    QFETCH(QString, sql);
    QFETCH(int, kind);
    QFETCH(int, columns);
    QFETCH(int, rows);
    QFETCH(QStringList, checks);
    const DemoSection *s = kind < 0 ? nullptr : &section(DemoSectionKind(kind));
    QSqlQuery query(QSqlDatabase::database(QLatin1String(kConnection)));
    const QString error = execute(query, sql, s);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(query.record().count(), columns);
    int count = 0;
    while (query.next()) {
        ++count;
        for (const QString &check : checks) {
            const int column = check.section(QLatin1Char('='), 0, 0).toInt();
            const QString pattern = check.section(QLatin1Char('='), 1);
            const QString value = query.value(column).toString();
            QVERIFY2(QRegularExpression(pattern).match(value).hasMatch(),
                     qPrintable(QStringLiteral("row %1 column %2: \"%3\" does not match %4")
                                    .arg(count).arg(column).arg(value, pattern)));
        }
    }
    if (rows == kSome)
        QVERIFY(count > 0);
    else
        QCOMPARE(count, rows == kStarters ? s->starters : rows);
}

QTEST_GUILESS_MAIN(tst_Statements)
#include "tst_statements.moc"

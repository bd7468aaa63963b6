// The demo competition generator, the database's own functions and the
// simulator that plays the competition-management system.

#include "demo/DemoCompetition.h"
#include "demo/DemoSimulator.h"
#include "demo/SqliteDatabase.h"

#include <QFile>
#include <QImage>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using standin::DemoSection;
using standin::DemoSectionKind;
using standin::SqliteDatabase;
using standin::SqliteStatement;

namespace {

// Every table's rows as text, in rowid order; the simulator's clock
// readings (tblOpdatering.Dato, tblStart.Slettet) only as "set" or not.
QString dump(const QString &file)
{
    SqliteDatabase db;
    if (!db.open(file, false))
        return QStringLiteral("<%1>").arg(db.lastError());
    QStringList tables;
    SqliteStatement names(db, QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"));
    while (names.next())
        tables << names.textValue(0);
    QString text;
    for (const QString &table : tables) {
        SqliteStatement rows(db, QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(table));
        while (rows.next()) {
            text += table;
            for (int i = 0; i < rows.columnCount(); ++i) {
                const QString column = rows.columnName(i);
                const bool clock = column == QLatin1String("Slettet")
                                   || (table == QLatin1String("tblOpdatering") && column == QLatin1String("Dato"));
                text += QLatin1Char('|')
                        + (clock ? QString::fromLatin1(rows.isNull(i) ? "" : "set") : rows.value(i).toString());
            }
            text += QLatin1Char('\n');
        }
    }
    return text;
}

} // namespace

class tst_Demo : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void sameSeedSameCompetition();
    void competitionContent();
    void startersWithinRange_data();
    void startersWithinRange();
    void resultsPlacingsAndStatuses();
    void ownerClubLogo();

    void danskeUgedage_data();
    void danskeUgedage();
    void nrTilBogstav_data();
    void nrTilBogstav();
    void judgesAndPrizeMoney();
    void startTimes();

    void simulatorStepsChangeTheDatabase();
    void simulatorIsDeterministic();
    void simulatorFinishesSectionsAndStops();
    void simulatorRunStopsByItself();

private:
    QString generate(const QString &name, quint32 seed, bool small = true);
    QVariant value(const QString &sql, const QVariantList &params = {});

    QTemporaryDir m_dir;
    QString m_small;              // seed 11, small
    QList<DemoSection> m_sections;
    SqliteDatabase m_db;          // on m_small
};

QString tst_Demo::generate(const QString &name, quint32 seed, bool small)
{
    standin::DemoOptions options;
    options.seed = seed;
    options.small = small;
    const QString file = m_dir.filePath(name);
    QString error;
    if (!standin::generateDemoCompetition(file, options, &error))
        qWarning("generation failed: %s", qPrintable(error));
    return file;
}

QVariant tst_Demo::value(const QString &sql, const QVariantList &params)
{
    SqliteStatement statement(m_db, sql);
    statement.bindAll(params);
    if (!statement.next()) {
        if (!statement.ok())
            qWarning("%s", qPrintable(m_db.lastError()));
        return QVariant(QStringLiteral("<no row>"));
    }
    return statement.value(0);
}

void tst_Demo::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_small = generate(QStringLiteral("demo_small.db"), 11);
    QString error;
    m_sections = standin::readDemoSections(m_small, standin::demoCompetitionId, &error);
    QVERIFY2(!m_sections.isEmpty(), qPrintable(error));
    QVERIFY2(m_db.open(m_small, false), qPrintable(m_db.lastError()));
}

void tst_Demo::sameSeedSameCompetition()
{
    const QString a = dump(generate(QStringLiteral("demo_a.db"), 5));
    const QString b = dump(generate(QStringLiteral("demo_b.db"), 5));
    const QString c = dump(generate(QStringLiteral("demo_c.db"), 6));
    QVERIFY(a.size() > 10000);
    QCOMPARE(a, b);
    QVERIFY(a != c);
    // Generating again over an existing file replaces it.
    const QString again = generate(QStringLiteral("demo_a.db"), 6);
    QCOMPARE(dump(again), c);
}

void tst_Demo::competitionContent()
{
    QSet<int> arenas;
    QSet<int> disciplines;
    QSet<DemoSectionKind> kinds;
    for (const DemoSection &s : m_sections) {
        QCOMPARE(s.staevneId, standin::demoCompetitionId);
        arenas.insert(s.bane);
        disciplines.insert(s.diciplinId);
        kinds.insert(s.kind);
        if (s.kind == DemoSectionKind::WaitingList) {
            QCOMPARE(s.afdeling, QStringLiteral("V"));
            QCOMPARE(s.bane, 99);
        }
        if (s.kind == DemoSectionKind::ChampionshipDressage)
            QVERIFY(QStringList({"DCU4H", "DCU5H", "DCU6H", "DCUF4H", "DCUF5H", "DCUF6H"})
                        .contains(QString(s.klasseTypeId).remove(QLatin1String("SK-"))));
        if (s.kind == DemoSectionKind::ChampionshipJumping)
            QVERIFY(s.klasseTypeId.contains(QLatin1String("SCU")));
    }
    QCOMPARE(arenas, QSet<int>({1, 2, 3, 99}));
    QCOMPARE(disciplines, QSet<int>({2, 3, 4}));
    for (DemoSectionKind kind : {DemoSectionKind::Dressage, DemoSectionKind::Kur, DemoSectionKind::Team,
                                 DemoSectionKind::ChampionshipDressage, DemoSectionKind::Jumping,
                                 DemoSectionKind::ChampionshipJumping, DemoSectionKind::Eventing,
                                 DemoSectionKind::WaitingList}) {
        QVERIFY2(kinds.contains(kind), qPrintable(QString::number(int(kind))));
        QCOMPARE(standin::firstDemoSection(m_sections, kind)->kind, kind);
    }
    // The finished show is there too, and nothing is read from a missing file.
    QCOMPARE(standin::readDemoSections(m_small, standin::demoPastCompetitionId).size(), 2);
    QString error;
    QVERIFY(standin::readDemoSections(m_dir.filePath(QStringLiteral("none.db")), 1, &error).isEmpty());
    QVERIFY(!error.isEmpty());
    QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("none.db"))));
}

void tst_Demo::startersWithinRange_data()
{
    QTest::addColumn<bool>("small");
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::newRow("small") << true << 4 << 6;
    QTest::newRow("ten to twelve") << false << 10 << 12;
    QTest::newRow("full range") << false << 10 << 80;
}

void tst_Demo::startersWithinRange()
{
    QFETCH(bool, small);
    QFETCH(int, min);
    QFETCH(int, max);
    standin::DemoOptions options;
    options.seed = 3;
    options.small = small;
    options.minStarters = small ? 30 : min; // small wins over the range
    options.maxStarters = small ? 40 : max;
    const QString file = m_dir.filePath(QStringLiteral("demo_range.db"));
    QString error;
    QVERIFY2(standin::generateDemoCompetition(file, options, &error), qPrintable(error));
    for (int staevneId : {standin::demoCompetitionId, standin::demoPastCompetitionId}) {
        for (const DemoSection &s : standin::readDemoSections(file, staevneId)) {
            const int lo = s.kind == DemoSectionKind::WaitingList ? 2 : min;
            const int hi = s.kind == DemoSectionKind::WaitingList ? 6 : max;
            QVERIFY2(s.starters >= lo && s.starters <= hi,
                     qPrintable(QStringLiteral("%1 %2: %3").arg(s.klasseNr).arg(s.afdeling).arg(s.starters)));
        }
    }
}

void tst_Demo::resultsPlacingsAndStatuses()
{
    // A full-size show, where every status word turns up somewhere.
    const QString file = generate(QStringLiteral("demo_full.db"), 1, false);
    SqliteDatabase db;
    QVERIFY(db.open(file, false));
    SqliteStatement statuses(db, QStringLiteral("SELECT DISTINCT Status FROM tblStart WHERE Status IS NOT NULL"));
    QSet<QString> words;
    while (statuses.next())
        words.insert(statuses.textValue(0));
    for (const char *word : {"EJ MØDT", "AFMELDT", "DISKVALIFICERET", "OPGIVET", "UDGÅET", "DIS_EJ_MODT", "NEJ"})
        QVERIFY2(words.contains(QString::fromUtf8(word)), word);

    // Partly ridden: the running show has both scored and unscored starts.
    const QString scored = QStringLiteral("(DommerE IS NOT NULL OR DommerC IS NOT NULL OR FejlHS1 IS NOT NULL "
                                          "OR Dressur IS NOT NULL)");
    const QString running = QStringLiteral("AfdelingId IN (SELECT AF.AfdelingId FROM tblAfdeling AS AF INNER JOIN "
                                           "tblKlasse AS K ON AF.KlasseId = K.KlasseId WHERE K.StaevneId = 1)");
    QVERIFY(db.value(QStringLiteral("SELECT count(*) FROM tblStart WHERE %1 AND %2").arg(scored, running)).toInt() > 50);
    QVERIFY(db.value(QStringLiteral("SELECT count(*) FROM tblStart WHERE NOT %1 AND %2").arg(scored, running)).toInt()
            > 50);

    // A finished dressage section is placed by points: the best is first,
    // equal points share a place, and starters with a status get none.
    SqliteStatement placed(db, QStringLiteral("SELECT Placering, DommerE + DommerC, Status FROM tblStart "
                                              "WHERE AfdelingId = 1 ORDER BY DommerE + DommerC DESC"));
    int position = 0;
    int lastPlace = 0;
    double lastPoints = -1;
    while (placed.next()) {
        if (!placed.isNull(2)) {
            QVERIFY(placed.isNull(0));
            continue;
        }
        ++position;
        const double points = placed.doubleValue(1);
        QCOMPARE(placed.intValue(0), points == lastPoints ? lastPlace : position);
        lastPlace = placed.intValue(0);
        lastPoints = points;
    }
    QVERIFY(position > 5);
}

void tst_Demo::ownerClubLogo()
{
    QCOMPARE(value(QStringLiteral("SELECT KlubId FROM tblEjer")).toString(), QStringLiteral("*FRK*"));
    QImage logo;
    QVERIFY(logo.loadFromData(value(QStringLiteral("SELECT LOGOSTI FROM tblEjer")).toByteArray(), "PNG"));
    QCOMPARE(logo.size(), QSize(96, 96));
    QVERIFY(logo.pixelColor(48, 48) != logo.pixelColor(0, 0)); // something is drawn
    QVERIFY(value(QStringLiteral("SELECT count(*) FROM tblKlub WHERE KlubId LIKE '%*%'")).toInt() >= 2);
}

void tst_Demo::danskeUgedage_data()
{
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("danish");
    QTest::newRow("Monday") << "Monday" << "Mandag";
    QTest::newRow("Tuesday") << "Tuesday" << "Tirsdag";
    QTest::newRow("Wednesday") << "Wednesday" << "Onsdag";
    QTest::newRow("Thursday") << "Thursday" << "Torsdag";
    QTest::newRow("Friday") << "Friday" << "Fredag";
    QTest::newRow("Saturday") << "Saturday" << QString::fromUtf8("Lørdag");
    QTest::newRow("Sunday") << "Sunday" << QString::fromUtf8("Søndag");
    QTest::newRow("case and blanks") << "  sunDAY " << QString::fromUtf8("Søndag");
    QTest::newRow("not a day") << "Someday" << "Someday";
}

void tst_Demo::danskeUgedage()
{
    QFETCH(QString, english);
    QFETCH(QString, danish);
    QCOMPARE(value(QStringLiteral("SELECT DanskeUgedage(?1)"), {english}).toString(), danish);
}

void tst_Demo::nrTilBogstav_data()
{
    QTest::addColumn<QVariant>("number");
    QTest::addColumn<QString>("letter");
    QTest::newRow("1") << QVariant(1) << "A";
    QTest::newRow("2") << QVariant(2) << "B";
    QTest::newRow("26") << QVariant(26) << "Z";
    QTest::newRow("27") << QVariant(27) << "";
    QTest::newRow("0") << QVariant(0) << "";
    QTest::newRow("-1") << QVariant(-1) << "";
    QTest::newRow("NULL") << QVariant() << "";
    QTest::newRow("text 3") << QVariant(QStringLiteral("3")) << "C";
}

void tst_Demo::nrTilBogstav()
{
    QFETCH(QVariant, number);
    QFETCH(QString, letter);
    const QVariant result = value(QStringLiteral("SELECT NrTilBogstav(?1)"), {number});
    QVERIFY2(result.isValid() && !result.isNull(), "NULL instead of text");
    QCOMPARE(result.toString(), letter);
    // So a start number joined with it keeps its digits.
    QCOMPARE(value(QStringLiteral("SELECT '12' || NrTilBogstav(?1)"), {number}).toString(), QStringLiteral("12") + letter);
}

void tst_Demo::judgesAndPrizeMoney()
{
    for (const DemoSection &s : m_sections) {
        const int rows = value(QStringLiteral("SELECT count(*) FROM tblAfdelingDommer WHERE AfdelingId = ?1"),
                               {s.afdelingId})
                             .toInt();
        QCOMPARE(value(QStringLiteral("SELECT antalDommere(?1)"), {s.afdelingId}).toInt(), rows);
        const QString withPlaces = value(QStringLiteral("SELECT DommerListe(?1, 2)"), {s.afdelingId}).toString();
        const QString names = value(QStringLiteral("SELECT DommerListe(?1, 3)"), {s.afdelingId}).toString();
        if (rows == 0) {
            QCOMPARE(withPlaces, QString());
            QCOMPARE(names, QString());
            continue;
        }
        QCOMPARE(names.split(QStringLiteral(", ")).size(), rows);
        if (s.diciplinId == 2) // dressage judges sit at E, H, C, M, B
            QCOMPARE(withPlaces.split(QStringLiteral(", ")).first().mid(1, 2), QStringLiteral(": "));
        QVERIFY(withPlaces.endsWith(names.split(QStringLiteral(", ")).last()));
    }
    QCOMPARE(value(QStringLiteral("SELECT antalDommere(-1)")).toInt(), 0);

    const int withPrizes = standin::firstDemoSection(m_sections, DemoSectionKind::Dressage)->klasseId;
    const int withoutPrizes = standin::firstDemoSection(m_sections, DemoSectionKind::Team)->klasseId;
    QCOMPARE(value(QStringLiteral("SELECT doteringListe(?1)"), {withPrizes}).toString(),
             QStringLiteral("1500 - 1000 - 800 - 600 - 400"));
    const QVariant none = value(QStringLiteral("SELECT doteringListe(?1)"), {withoutPrizes});
    QVERIFY(!none.isNull());
    QCOMPARE(none.toString(), QString());
}

void tst_Demo::startTimes()
{
    const DemoSection *eventing = standin::firstDemoSection(m_sections, DemoSectionKind::Eventing);
    SqliteStatement starts(m_db, QStringLiteral("SELECT StartId, Starttid, StarttidDressur FROM tblStart "
                                                "WHERE AfdelingId = ?1 ORDER BY StartNr"));
    starts.addBind(eventing->afdelingId);
    QVERIFY(starts.next());
    const int startId = starts.intValue(0);
    QCOMPARE(value(QStringLiteral("SELECT StarttidEkvipage(?1, ?2)"), {eventing->afdelingId, startId}).toString(),
             starts.textValue(1));
    // An eventing start rides its dressage test in the morning.
    QCOMPARE(value(QStringLiteral("SELECT StarttidEkvipageDressur(?1, ?2)"), {eventing->afdelingId, startId}).toString(),
             starts.textValue(2));
    QVERIFY(starts.textValue(2) < starts.textValue(1));
    // A start the section does not hold has no time: midnight of the zero date.
    QCOMPARE(value(QStringLiteral("SELECT StarttidEkvipage(?1, ?2)"), {eventing->afdelingId + 1, startId}).toString(),
             QStringLiteral("1900-01-01 00:00:00.000"));
    // Other starts have one time for both.
    const DemoSection *dressage = standin::firstDemoSection(m_sections, DemoSectionKind::Dressage);
    const int first = value(QStringLiteral("SELECT StartId FROM tblStart WHERE AfdelingId = ?1 AND StartNr = 1"),
                            {dressage->afdelingId})
                          .toInt();
    QCOMPARE(value(QStringLiteral("SELECT StarttidEkvipageDressur(?1, ?2)"), {dressage->afdelingId, first}).toString(),
             QStringLiteral("2024-06-14 08:00:00.000"));
}

void tst_Demo::simulatorStepsChangeTheDatabase()
{
    const QString file = generate(QStringLiteral("demo_step.db"), 21);
    SqliteDatabase db;
    QVERIFY(db.open(file, false));
    const QString resultsSql = QStringLiteral(
        "SELECT count(*) FROM tblStart WHERE DommerE IS NOT NULL OR DommerC IS NOT NULL OR FejlHS1 IS NOT NULL "
        "OR Dressur IS NOT NULL OR Springning IS NOT NULL OR IFNULL(Status, 'NEJ') NOT IN ('', 'NEJ')");
    const QString udhSql = QStringLiteral("SELECT count(*) FROM tblMilitaryResultatUdh");
    const QString levelSql = QStringLiteral("SELECT max(OpdateringID) FROM tblOpdatering");
    int results = db.value(resultsSql).toInt() + db.value(udhSql).toInt();
    int level = db.value(levelSql).toInt();

    standin::DemoSimulator simulator(file, 2);
    QSignalSpy stepped(&simulator, &standin::DemoSimulator::stepped);
    for (int i = 1; i <= 5; ++i) {
        const QStringList changes = simulator.step();
        QVERIFY2(simulator.lastError().isEmpty(), qPrintable(simulator.lastError()));
        // At first every arena rides; each step is one update number more.
        QVERIFY2(changes.size() >= (i == 1 ? 3 : 1), qPrintable(changes.join(QLatin1Char('\n'))));
        const int nowResults = db.value(resultsSql).toInt() + db.value(udhSql).toInt();
        QVERIFY(nowResults > results);
        results = nowResults;
        QCOMPARE(db.value(levelSql).toInt(), level + 1);
        level += 1;
    }
    QCOMPARE(simulator.steps(), 5);
    QCOMPARE(stepped.size(), 5);
    QCOMPARE(stepped.last().at(0).toInt(), 5);
}

void tst_Demo::simulatorIsDeterministic()
{
    const QString a = generate(QStringLiteral("demo_sim_a.db"), 8);
    const QString b = generate(QStringLiteral("demo_sim_b.db"), 8);
    standin::DemoSimulator first(a, 99);
    standin::DemoSimulator second(b, 99);
    for (int i = 0; i < 25; ++i)
        QCOMPARE(first.step(), second.step());
    QCOMPARE(dump(a), dump(b));
    // Another seed plays another competition day.
    const QString c = generate(QStringLiteral("demo_sim_c.db"), 8);
    standin::DemoSimulator third(c, 100);
    for (int i = 0; i < 25; ++i)
        third.step();
    QVERIFY(dump(a) != dump(c));
}

void tst_Demo::simulatorFinishesSectionsAndStops()
{
    // A full-size show, ridden to its end.
    const QString file = generate(QStringLiteral("demo_done.db"), 4, false);
    standin::DemoSimulator simulator(file, 4);
    QStringList all;
    for (int i = 0; i < 2000 && !simulator.isDone(); ++i) {
        all << simulator.step();
        QVERIFY2(simulator.lastError().isEmpty(), qPrintable(simulator.lastError()));
    }
    QVERIFY(simulator.isDone());

    SqliteDatabase db;
    QVERIFY(db.open(file, false));
    // Every section the competition-management system scores is now placed.
    for (const DemoSection &s : standin::readDemoSections(file)) {
        const int placed =
            db.value(QStringLiteral("SELECT count(*) FROM tblStart WHERE AfdelingId = ?1 AND Placering > 0"), {s.afdelingId})
                .toInt();
        const bool scored = s.kind != DemoSectionKind::WaitingList && s.kind != DemoSectionKind::ChampionshipDressage
                            && s.kind != DemoSectionKind::ChampionshipJumping;
        QVERIFY2(scored ? placed > 0 : placed == 0, qPrintable(QStringLiteral("%1 %2").arg(s.klasseNr).arg(s.afdeling)));
    }
    // Besides riding, the start lists changed along the way.
    const QString text = all.join(QLatin1Char('\n'));
    QVERIFY(text.contains(QLatin1String("AFMELDT")));
    QVERIFY(text.contains(QLatin1String("eftertilmelding")));
    QVERIFY(text.contains(QLatin1String("fra ventelisten")));
    QVERIFY(db.value(QStringLiteral("SELECT count(*) FROM tblStart WHERE Slettet IS NOT NULL")).toInt() > 0);
}

void tst_Demo::simulatorRunStopsByItself()
{
    // A full-size show: the run ends on time, long before the riding does.
    const QString file = generate(QStringLiteral("demo_run.db"), 9, false);
    standin::DemoSimulator simulator(file, 9);
    simulator.setInterval(10);
    simulator.setDuration(300);
    QSignalSpy finished(&simulator, &standin::DemoSimulator::finished);
    simulator.start();
    QVERIFY(simulator.isRunning());
    QVERIFY(finished.wait(5000));
    QVERIFY(!simulator.isRunning());
    QVERIFY(simulator.steps() > 0);
    QVERIFY(!simulator.isDone()); // stopped by time, not for want of starters
    QCOMPARE(finished.size(), 1);

    // A missing file is an error, not a crash.
    standin::DemoSimulator missing(m_dir.filePath(QStringLiteral("missing.db")));
    QVERIFY(missing.step().isEmpty());
    QVERIFY(!missing.lastError().isEmpty());
}

QTEST_GUILESS_MAIN(tst_Demo)
#include "tst_demo.moc"

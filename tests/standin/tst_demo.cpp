// The demo competition generator, the database's own functions and the
// simulator that plays the competition-management system.

#include "demo/DemoCompetition.h"
#include "demo/DemoSimulator.h"
#include "demo/SqliteDatabase.h"

#include <QFile>
#include <QRegularExpression>
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
    void databaseFunctions_data();
    void databaseFunctions();
    void judgesPerSection();

    void simulatorStepsChangeTheDatabase();
    void simulatorIsDeterministic();
    void simulatorNeverGoesStill();
    void simulatorRunsForItsDuration();

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
        arenas.insert(s.bane);
        disciplines.insert(s.diciplinId);
        kinds.insert(s.kind);
        if (s.kind == DemoSectionKind::WaitingList)
            QVERIFY(s.afdeling == QLatin1String("V") && s.bane == 99);
    }
    QCOMPARE(arenas, QSet<int>({1, 2, 3, 99}));
    QCOMPARE(disciplines, QSet<int>({2, 3, 4}));
    QCOMPARE(kinds.size(), 8); // every kind of section
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

void tst_Demo::databaseFunctions_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QVariantList>("params");
    QTest::addColumn<QVariant>("expected");
    const QString weekday = QStringLiteral("SELECT DanskeUgedage(?1)");
    QTest::newRow("Wednesday") << weekday << QVariantList{"Wednesday"} << QVariant("Onsdag");
    QTest::newRow("Saturday") << weekday << QVariantList{"Saturday"} << QVariant(QString::fromUtf8("Lørdag"));
    QTest::newRow("case and blanks") << weekday << QVariantList{"  sunDAY "} << QVariant(QString::fromUtf8("Søndag"));
    QTest::newRow("not a day") << weekday << QVariantList{"Someday"} << QVariant("Someday");
    // The letter of a secondary start number: text, never NULL, so that a
    // start number joined with it keeps its digits.
    const QString letter = QStringLiteral("SELECT '12' || NrTilBogstav(?1)");
    QTest::newRow("1") << letter << QVariantList{1} << QVariant("12A");
    QTest::newRow("26") << letter << QVariantList{26} << QVariant("12Z");
    QTest::newRow("27") << letter << QVariantList{27} << QVariant("12");
    QTest::newRow("0") << letter << QVariantList{0} << QVariant("12");
    QTest::newRow("NULL") << letter << QVariantList{QVariant()} << QVariant("12");
    QTest::newRow("text 3") << letter << QVariantList{"3"} << QVariant("12C");
    QTest::newRow("no judges") << QStringLiteral("SELECT antalDommere(-1)") << QVariantList{} << QVariant(0);
    const QString prizes = QStringLiteral("SELECT doteringListe(?1)");
    QTest::newRow("prize money") << prizes << QVariantList{1} << QVariant("1500 - 1000 - 800 - 600 - 400");
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
    QTest::newRow("eventing dressage time") << eventing.arg(QLatin1String("StarttidEkvipageDressur")) << QVariantList{}
                                            << QVariant("2024-06-14 08:00:00.000");
}

void tst_Demo::databaseFunctions()
{
    QFETCH(QString, sql);
    QFETCH(QVariantList, params);
    QFETCH(QVariant, expected);
    const QVariant result = value(sql, params);
    QVERIFY(!result.isNull());
    QCOMPARE(result.toString(), expected.toString());
}

void tst_Demo::judgesPerSection()
{
    for (const DemoSection &s : m_sections) {
        const int rows =
            value(QStringLiteral("SELECT count(*) FROM tblAfdelingDommer WHERE AfdelingId = ?1"), {s.afdelingId}).toInt();
        QCOMPARE(value(QStringLiteral("SELECT antalDommere(?1)"), {s.afdelingId}).toInt(), rows);
        const QStringList names = value(QStringLiteral("SELECT DommerListe(?1, 3)"), {s.afdelingId})
                                      .toString()
                                      .split(QStringLiteral(", "), Qt::SkipEmptyParts);
        const QString withPlaces = value(QStringLiteral("SELECT DommerListe(?1, 2)"), {s.afdelingId}).toString();
        QCOMPARE(names.size(), rows);
        if (rows > 0 && s.diciplinId == 2) // dressage judges sit at E, H, C, M, B
            QVERIFY2(QRegularExpression(QStringLiteral("^[EHCMB]: ")).match(withPlaces).hasMatch()
                         && withPlaces.endsWith(names.last()),
                     qPrintable(withPlaces));
    }
}

void tst_Demo::simulatorStepsChangeTheDatabase()
{
    const QString file = generate(QStringLiteral("demo_step.db"), 21);
    SqliteDatabase db;
    QVERIFY(db.open(file, false));
    const QString levelSql = QStringLiteral("SELECT max(OpdateringID) FROM tblOpdatering");
    const int level = db.value(levelSql).toInt();
    QString before = dump(file);
    standin::DemoSimulator simulator(file, 2);
    QSignalSpy stepped(&simulator, &standin::DemoSimulator::stepped);
    for (int i = 1; i <= 5; ++i) {
        const QStringList changes = simulator.step();
        QVERIFY2(simulator.lastError().isEmpty(), qPrintable(simulator.lastError()));
        // At first every arena rides; each step is one transaction and one update number.
        QVERIFY2(changes.size() >= (i == 1 ? 3 : 1), qPrintable(changes.join(QLatin1Char('\n'))));
        const QString after = dump(file);
        QVERIFY(after != before);
        before = after;
        QCOMPARE(db.value(levelSql).toInt(), level + i);
    }
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

void tst_Demo::simulatorNeverGoesStill()
{
    // The small show is ridden through in well under a hundred steps; long
    // after that every class the system scores is still being ridden, the
    // start lists still change, and they do not grow without end.
    const QString file = generate(QStringLiteral("demo_endless.db"), 4);
    const QList<DemoSection> sections = standin::readDemoSections(file);
    SqliteDatabase db;
    QVERIFY(db.open(file, false));
    const QString liveStarts = QStringLiteral("SELECT count(*) FROM tblStart WHERE Slettet IS NULL");
    const int startsBefore = db.value(liveStarts).toInt();
    // What the system scored in a section, as one text.
    SqliteStatement scores(db, QStringLiteral("SELECT group_concat(IFNULL(DommerC, '') || '/' || IFNULL(FejlHS1, '') "
                                              "|| '/' || IFNULL(Dressur, '') || '/' || IFNULL(Springning, '') || '/' "
                                              "|| IFNULL(Placering, ''), ',') FROM tblStart WHERE AfdelingId = ?1 "
                                              "AND (DommerC IS NOT NULL OR FejlHS1 IS NOT NULL OR Dressur IS NOT NULL)"));
    QHash<int, QSet<QString>> seen; // section -> the scores it showed late in the run
    standin::DemoSimulator simulator(file, 4);
    QStringList late;
    for (int i = 0; i < 900; ++i) {
        const QStringList changes = simulator.step();
        QVERIFY2(simulator.lastError().isEmpty(), qPrintable(simulator.lastError()));
        if (i < 600)
            continue;
        late << changes;
        for (const DemoSection &s : sections) {
            scores.addBind(s.afdelingId);
            QVERIFY(scores.next());
            seen[s.afdelingId].insert(scores.textValue(0));
            scores.reset();
        }
    }
    QVERIFY(!simulator.isDone());
    for (const DemoSection &s : sections) {
        const bool scored = s.kind != DemoSectionKind::WaitingList && s.kind != DemoSectionKind::ChampionshipDressage
                            && s.kind != DemoSectionKind::ChampionshipJumping;
        QVERIFY2((seen.value(s.afdelingId).size() > 10) == scored,
                 qPrintable(QStringLiteral("%1 %2: %3").arg(s.klasseNr).arg(s.afdeling).arg(seen.value(s.afdelingId).size())));
    }
    const QString text = late.join(QLatin1Char('\n'));
    for (const char *change : {"AFMELDT", "eftertilmelding", "fra ventelisten", "dressur", "terræn", "spring"})
        QVERIFY2(text.contains(QString::fromUtf8(change)), change);
    QVERIFY(db.value(liveStarts).toInt() < startsBefore + 20);
}

void tst_Demo::simulatorRunsForItsDuration()
{
    const QString file = generate(QStringLiteral("demo_run.db"), 9);
    standin::DemoSimulator simulator(file, 9);
    simulator.setInterval(10);
    simulator.setDuration(300);
    QSignalSpy finished(&simulator, &standin::DemoSimulator::finished);
    simulator.start();
    QVERIFY(finished.wait(5000));
    QVERIFY(!simulator.isRunning());
    QVERIFY(simulator.steps() > 5);
    QCOMPARE(finished.size(), 1);

    // A missing file is an error, not a crash.
    standin::DemoSimulator missing(m_dir.filePath(QStringLiteral("missing.db")));
    QVERIFY(missing.step().isEmpty());
    QVERIFY(!missing.lastError().isEmpty());
}

QTEST_GUILESS_MAIN(tst_Demo)
#include "tst_demo.moc"

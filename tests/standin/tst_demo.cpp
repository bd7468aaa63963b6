// The demo competition's seed, the database's own functions and the
// simulator that plays the competition-management system.

#include "demo/DemoCompetition.h"
#include "demo/DemoSimulator.h"
#include "demo/SqliteDatabase.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using standin::DemoSection;
using standin::DemoSectionKind;
using standin::SqliteDatabase;
using standin::SqliteStatement;

class tst_Demo : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY2(m_db.open(generate(QStringLiteral("demo_small.db"), 11), false), qPrintable(m_db.lastError()));
    }

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
        const QVariant result = value(sql, params);
        QVERIFY(!result.isNull());
        QCOMPARE(result.toString(), expected.toString());
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
        simulator.setDuration(300);
        QSignalSpy finished(&simulator, &standin::DemoSimulator::finished);
        simulator.start();
        QVERIFY(finished.wait(5000));
        QVERIFY(!simulator.isRunning() && simulator.steps() > 5);

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
    QString generate(const QString &name, quint32 seed, bool small = true)
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

    QVariant value(const QString &sql, const QVariantList &params = {})
    {
        SqliteStatement statement(m_db, sql);
        statement.bindAll(params);
        return statement.next() ? statement.value(0) : QVariant(QStringLiteral("<no row: %1>").arg(m_db.lastError()));
    }

    QTemporaryDir m_dir;
    SqliteDatabase m_db; // on a small show, seed 11
};

QTEST_GUILESS_MAIN(tst_Demo)
#include "tst_demo.moc"

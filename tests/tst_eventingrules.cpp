// The eventing rules without a window or database: competition order and
// provisional places under both phase orders, the number of placings, the
// pedigree text, the ideal time and a tick's changes to a row.

#include "views/military/MilitaryLoad.h"
#include "views/military/MilitaryPages.h"
#include "views/military/MilitaryPlacing.h"
#include "ChildProcesses.h"

#include <QtTest>

#include <numeric>

namespace C = MilitaryPlacing;

namespace {

// A row from "startNr total dressage crossCountryTime jumpingTime status
// diskDressur diskUdh diskSpring"; "-" leaves a cell empty.
C::Row row(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(' '));
    C::Row cells(C::Count);
    const int columns[] = {C::StartNr,          C::Total,       C::Dressur, C::Udholdenhed, C::SpringTid,
                           C::Diskvalifikation, C::DiskDressur, C::DiskUdh, C::DiskSpring};
    for (int i = 0; i < parts.size() && i < 9; ++i)
        if (parts.at(i) != QLatin1String("-"))
            cells[columns[i]] = QString(parts.at(i)).replace(QLatin1Char('_'), QLatin1Char(' '));
    return cells;
}

// Rows from their texts joined by "|".
C::Rows table(const QString &texts)
{
    C::Rows out;
    for (const QString &text : texts.split(QLatin1Char('|')))
        out << row(text);
    return out;
}

// The rows in the order `order` gives.
C::Rows sortedBy(const C::Rows &rows, const QVector<int> &order)
{
    C::Rows out;
    for (int i : order)
        out << rows.at(i);
    return out;
}

} // namespace

class TestEventingRules : public QObject
{
    Q_OBJECT

private slots:
    // A signal ends this program at once (tests/ChildProcesses.h).
    void initTestCase() { childprocs::stopChildrenOnSignals(); }

    void orderAndPlaces_data()
    {
        QTest::addColumn<bool>("crossCountryLast");
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("startNrs"); // in competition order
        QTest::addColumn<QString>("places");
        QTest::addColumn<int>("starters");
        QTest::addColumn<int>("remaining");

        for (bool last : {false, true}) {
            const char *phase = last ? "cross-country last" : "jumping last";
            QTest::addRow("start numbers, %s", phase)
                << last << "10B 5 5 1 1|10 5 5 1 1|9 5 5 1 1|10A 5 5 1 1" << "9 10 10A 10B" << "1 1 1 1" << 4 << 0;
            QTest::addRow("ties in total, %s", phase)
                << last << "3 4.0 4 1 1|2 2.5 2 1 1|1 2.5 2 1 1" << "1 2 3" << "1 1 3" << 3 << 0;
            QTest::addRow("still to finish, %s", phase)
                << last << "1 0 - - - NEJ|2 31 31|3 0" << "2 1 3" << "1 -5 -5" << 3 << 2;
            // A status ends the ride: its code whatever its total, still
            // counted and advancing the position.
            QTest::addRow("statuses, %s", phase)
                << last
                << "1 40 40 - - DISKVALIFICERET JA NEJ NEJ|2 0 - - - opgivet|3 45 30 1 1 UDGÅET|4 50 50 1 1|"
                   "5 0 - - - ej_mødt|6 0 - - - Afmeldt|7 55 50 1 1"
                << "4 7 1 2 3 5 6" << "1 2 -4 -3 -4 -6 -6" << 5 << 0;
        }
        // The phase ridden last decides before the total: with jumping last
        // the jumping time counts first, with cross-country last the reverse.
        const char *phases = "1 30 30 400 -|2 40 30 - 60|3 20 20";
        QTest::newRow("middle phase missing, jumping last") << false << phases << "2 1 3" << "1 2 3" << 3 << 0;
        QTest::newRow("middle phase missing, cross-country last") << true << phases << "1 2 3" << "1 2 3" << 3 << 0;
        // Eliminations, as the database sends them (start number from high
        // to low): last phase before middle phase before dressage; "NEJ" in
        // an elimination column is no elimination.
        const char *elims = "3 12 5 1 1 ELIM NEJ NEJ JA|2 9 5 1 - ELIM NEJ JA NEJ|1 5 5 - - ELIM JA NEJ NEJ";
        QTest::newRow("eliminations, jumping last") << false << elims << "3 2 1" << "-4 -4 -4" << 3 << 0;
        QTest::newRow("eliminations, cross-country last") << true << elims << "2 3 1" << "-4 -4 -4" << 3 << 0;
    }

    void orderAndPlaces()
    {
        QFETCH(bool, crossCountryLast);
        QFETCH(QString, rows);
        C::Rows sorted = sortedBy(table(rows), C::order(table(rows), crossCountryLast));
        const C::Counts counts = C::place(sorted);
        QStringList startNrs, places;
        for (const C::Row &r : std::as_const(sorted)) {
            startNrs << r.at(C::StartNr);
            places << r.at(C::Placering);
        }
        QTEST(startNrs.join(QLatin1Char(' ')), "startNrs");
        QTEST(places.join(QLatin1Char(' ')), "places");
        QTEST(counts.antalStarter, "starters");
        QTEST(counts.resterendeStarter, "remaining");
    }

    void pairsFirstBothWaysStay_data()
    {
        QTest::addColumn<bool>("crossCountryLast");
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QVector<int>>("order"); // positions given, in competition order

        // Each pair is one that the rules put first against each other (the
        // dressage marks tell the rows without start number apart): it keeps
        // the order it comes in, and a second sort changes nothing.
        for (bool last : {false, true}) {
            const char *phase = last ? "cross-country last" : "jumping last";
            const QString lastDisk = QLatin1String(last ? "NEJ JA NEJ" : "NEJ NEJ JA");
            const QString middleDisk = QLatin1String(last ? "NEJ NEJ JA" : "NEJ JA NEJ");
            QTest::addRow("eliminated in the last phase, %s", phase)
                << last << QStringLiteral("8 0 - - - ELIM %1|2 30 30|8 0 - - - ELIM %1").arg(lastDisk)
                << QVector<int>{1, 0, 2};
            QTest::addRow("eliminated in the middle phase, %s", phase)
                << last << QStringLiteral("3 40 40|5 30 30 - - ELIM %1|9 30 30 - - ELIM %1").arg(middleDisk)
                << QVector<int>{0, 1, 2};
            QTest::addRow("no start number, no result, %s", phase)
                << last << "- 0 21|2 30 30|- 0 22|- 0 23" << QVector<int>{1, 0, 2, 3};
        }
    }

    void pairsFirstBothWaysStay()
    {
        QFETCH(bool, crossCountryLast);
        QFETCH(QString, rows);
        QFETCH(QVector<int>, order);
        QCOMPARE(C::order(table(rows), crossCountryLast), order);
        QVector<int> unchanged(order.size());
        std::iota(unchanged.begin(), unchanged.end(), 0);
        QCOMPARE(C::order(sortedBy(table(rows), order), crossCountryLast), unchanged);
    }

    void sortIsStableAndSafe()
    {
        // Rows with a status and no phase elimination each claim to come after
        // the other: the order given stands, and the sort stays within its
        // rows whatever the comparison answers.
        C::Rows rows;
        for (int i = 0; i < 300; ++i)
            rows << row(QString::number(300 - i) + QStringLiteral(" 9 9 - - ELIM"));
        rows << row("1 10 10 1 1");
        const QVector<int> order = C::order(rows, false);
        QCOMPARE(order.size(), rows.size());
        QCOMPARE(order.first(), 300);
        for (int i = 1; i < order.size(); ++i)
            QCOMPARE(order.at(i), i - 1);
    }

    void placings()
    {
        // "number label" of the section's own number, its method and the
        // starters, and whether the method hides the places.
        const auto placings = [](int own, const char *metode, int starters) {
            const C::Placings p = C::placings(own, QLatin1String(metode), starters);
            return QString::number(p.number) + QLatin1Char(' ') + p.label
                   + (C::hidesPlaces(QLatin1String(metode)) ? " hidden" : "");
        };
        QStringList byStarters; // 0, 1, 2, 4, 5, 8 and 9 starters
        for (int starters : {0, 1, 2, 4, 5, 8, 9})
            byStarters << placings(0, "A", starters);
        QCOMPARE(byStarters, (QStringList{"0 Placeringer 0", "0 Placeringer 0", "1 Placeringer: 1", "1 Placeringer: 1",
                                          "2 Placeringer: 2", "2 Placeringer: 2", "3 Placeringer: 3"}));
        QCOMPARE(placings(0, "B0", 9), QStringLiteral("1 Placeringer 0"));
        QCOMPARE(placings(4, "b0", 9), QStringLiteral("1 Placeringer 4")); // over its own number
        QCOMPARE(placings(0, "B2", 7), QStringLiteral("2 Placeringer: 2 hidden"));
        QCOMPARE(placings(4, "B6", 9), QStringLiteral("4 Placeringer 4 hidden"));
        QCOMPARE(placings(0, "b2", 7), QStringLiteral("2 Placeringer: 2")); // another method
        QCOMPARE(placings(3, "A", 20), QStringLiteral("3 Placeringer 3"));
    }

    void loadTexts()
    {
        // Pedigree from year, sex, sire, dam, dam's sire and breeder.
        QCOMPARE(MilitaryLoad::pedigreeText("2012", "", "Abc", "Def", "", "Avl", true), QStringLiteral("2012/Abc/Def/Avl"));
        QCOMPARE(MilitaryLoad::pedigreeText("2010", "", "12--Sandro Hit--DE", "3--Fia", "7--X--", "", false),
                 QStringLiteral("2010/Sandro Hit/Fia/"));
        QCOMPARE(MilitaryLoad::pedigreeText("2010", "V", "", "Mor", "", "", false), QStringLiteral("2010/V///Mor"));
        // Hundredths of a second, also written as a decimal; no number is no time.
        QCOMPARE(MilitaryLoad::idealTimeText(QStringLiteral("IdealTid 54050")), QStringLiteral("540.50"));
        QCOMPARE(MilitaryLoad::idealTimeText(QStringLiteral("IdealTid 54050.0")), QStringLiteral("540.50"));
        QCOMPARE(MilitaryLoad::idealTimeText(QStringLiteral("IdealTid 7:00")), QStringLiteral("0.00"));
    }

    void tickChanges()
    {
        // Field 0 start number, 2-13 results, 14 start time, 15 Start Id; NULL
        // numbers read as the load reads them ("0"), so they compare equal.
        QStringList cells = row("7 30 30 400 0");
        cells[C::EtapeD] = cells[C::Spring] = QStringLiteral("0");
        cells[C::DressurUdholdenhed] = cells[C::DressurSpring] = QStringLiteral("30");
        QVariantList result{7, 1, 30, QVariant(), 400, QVariant(), 30, 30, 30, QVariant(), QVariant(), QVariant(),
                            QVariant(), QVariant(), QStringLiteral("09:10"), 9601};
        MilitaryLoad::Outcome outcome = MilitaryLoad::apply(cells, result);
        QVERIFY(!outcome.resultChanged && !outcome.startNrChanged);
        QCOMPARE(cells.at(C::StartTid), QStringLiteral("09:10"));

        result[0] = QStringLiteral("7A");
        result[12] = QStringLiteral("OPGIVET");
        outcome = MilitaryLoad::apply(cells, result);
        QVERIFY(outcome.resultChanged && outcome.startNrChanged);
        QCOMPARE(cells.at(C::StartNr), QStringLiteral("7A"));
        QCOMPARE(cells.at(C::Diskvalifikation), QStringLiteral("OPGIVET"));
    }

    void overviewSplit_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<bool>("finished");
        QTest::addColumn<QStringList>("startNrs"); // "|" marks the rule
        QTest::newRow("limit, then those to finish") << 2 << false << QStringList{"1", "2", "|", "6", "7"};
        QTest::newRow("every starter finished") << 2 << true << QStringList{"1", "2", "3", "4", "|"};
        QTest::newRow("limit 0") << 0 << false << QStringList{"1", "2", "3", "4", "|", "6", "7"};
    }

    void overviewSplit()
    {
        QFETCH(int, limit);
        QFETCH(bool, finished);
        C::Rows rows = table("1 10 10 1 1|2 11 11 1 1|3 12 12 1 1 ELIM|4 13 13 1 1|5 0 - - - AFMELDT|6 0|7 0");
        if (finished)
            rows.resize(5);
        const C::Counts counts = C::place(rows);
        MilitaryPages::ClassInfo info;
        info.antalStarter = counts.antalStarter;
        info.resterendeStarter = counts.resterendeStarter;
        MilitaryPages::Settings settings =
            MilitaryPages::Settings::read([](const QString &, const QString &def) { return def; });
        settings.overviewRows = limit;
        const QString page = QString::fromUtf8(MilitaryPages::overviewPage(info, settings, rows));

        // The start number cells and the rule, in page order; rows numbered on
        // across the rule (odd, even, ...).
        const QRegularExpression cell(
            QStringLiteral("(size=\"3\">(\\w+)&nbsp;</font>\n</td>\n<td width=\"3%\"  align)|(colspan=13)"));
        QStringList got;
        for (auto it = cell.globalMatch(page); it.hasNext();) {
            const auto m = it.next();
            got << (m.captured(3).isEmpty() ? m.captured(2) : QStringLiteral("|"));
        }
        QTEST(got, "startNrs");
        QCOMPARE(page.count(QStringLiteral("class=\"odd\"")), (got.size()) / 2);
    }
};

QTEST_MAIN(TestEventingRules)
#include "tst_eventingrules.moc"

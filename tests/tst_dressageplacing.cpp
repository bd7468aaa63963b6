// Placing of a dressage class from its list cells: the row order, the
// provisional and judges' placings, the team results and the number of
// placings. Every expected value below is worked out by hand.

#include "DressurListItem.h"
#include "DressurPlacing.h"

#include <QTreeWidget>
#include <QtTest>

using namespace DressurColumns;
using DressurPlacing::DressurRows;

namespace {

struct Entry
{
    QString startNr;
    QString staevneNr;
    QString points;
    QString status;
    QStringList marks = {};      // judges E..B
    QStringList kurMarks = {};   // judges E..B, Kur
    QString holdId = {};
    QString procent = {};
    QString udgaar = {};
    QString holdSum = {};
};

QStringList row(const Entry &e)
{
    QStringList cells;
    for (int i = 0; i < Count; ++i)
        cells << QString();
    cells[StartNr] = e.startNr;
    cells[StaevneNr] = e.staevneNr;
    cells[Point] = e.points;
    cells[Diskvalifikation] = e.status;
    for (int k = 0; k < e.marks.size(); ++k)
        cells[DommerE + k] = e.marks.at(k);
    for (int k = 0; k < e.kurMarks.size(); ++k)
        cells[DommerEKur + k] = e.kurMarks.at(k);
    cells[HoldId] = e.holdId;
    cells[Procent] = e.procent;
    cells[Udgaar] = e.udgaar;
    cells[HoldSum] = e.holdSum;
    return cells;
}

QStringList column(const DressurRows &rows, int c)
{
    QStringList texts;
    for (const QStringList &r : rows)
        texts << r.value(c);
    return texts;
}

// The "Stævne Nr" of the rows, which the tests use as their names.
QStringList order(const DressurRows &rows)
{
    return column(rows, StaevneNr);
}

} // namespace

Q_DECLARE_METATYPE(Entry)

class TestDressagePlacing : public QObject
{
    Q_OBJECT

private slots:
    void rowOrder_data();
    void rowOrder();
    void rowOrderIsStrictWeakOrder();
    void listItemSortsLikeThePlacing();
    void rowColoursFollowPosition();

    void individualPlacings_data();
    void individualPlacings();
    void kurTieBreaks();
    void statusCounting();
    void judgePlacings();
    void emptyList();

    void teamResults();
    void teamsAndRowsWithoutTeam();
    void teamWithoutSumKeepsItsPlacing();

    void numberOfPlacings_data();
    void numberOfPlacings();
};

void TestDressagePlacing::rowOrder_data()
{
    QTest::addColumn<QVector<Entry>>("entries");
    QTest::addColumn<QStringList>("expected"); // "Stævne Nr", top to bottom

    QTest::newRow("most points first")
        << QVector<Entry>{{"1", "a", "60", ""}, {"2", "b", "70.5", ""}, {"3", "c", "65", ""}}
        << QStringList{"b", "c", "a"};
    QTest::newRow("equal points: lower start number first, rows without one last")
        << QVector<Entry>{{"0", "11", "60", ""}, {"7", "12", "60", ""}, {"", "13", "60", ""},
                          {"3", "14", "60", ""}}
        << QStringList{"14", "12", "11", "13"};
    QTest::newRow("equal start numbers: lower entry number first")
        << QVector<Entry>{{"4", "12", "60", ""}, {"4", "9", "60", ""}}
        << QStringList{"9", "12"};
    QTest::newRow("equal points: higher Kur sum first, also beside a row without Kur marks")
        << QVector<Entry>{{"1", "a", "70", "", {}, {"7", "7", "7", "7", "7"}},
                          {"2", "b", "70", "", {}, {"8", "8", "8", "8", "8"}},
                          {"3", "c", "70", "", {}, {}},
                          {"4", "d", "71", "", {}, {}}}
        << QStringList{"d", "b", "a", "c"};
    QTest::newRow("teams: highest sum first, then lower team id, then points")
        << QVector<Entry>{{"1", "a", "60", "", {}, {}, "2", {}, {}, "200"},
                          {"2", "b", "70", "", {}, {}, "3", {}, {}, "210"},
                          {"3", "c", "75", "", {}, {}, "1", {}, {}, "200"},
                          {"4", "d", "65", "", {}, {}, "2", {}, {}, "200"},
                          {"5", "e", "90", "", {}, {}, {}, {}, {}, {}}}
        << QStringList{"b", "c", "d", "a", "e"};
}

void TestDressagePlacing::rowOrder()
{
    QFETCH(QVector<Entry>, entries);
    QFETCH(QStringList, expected);
    DressurRows rows;
    for (const Entry &e : entries)
        rows << row(e);
    DressurPlacing::sortRanked(rows);
    QCOMPARE(order(rows), expected);

    // The order does not depend on where the rows started.
    std::reverse(rows.begin(), rows.end());
    DressurPlacing::sortRanked(rows);
    QCOMPARE(order(rows), expected);
}

void TestDressagePlacing::rowOrderIsStrictWeakOrder()
{
    // Rows that differ in every field the order looks at, including the
    // pairs on which a one-sided comparison would disagree with itself:
    // team against no team, Kur marks against none, equal everything.
    DressurRows rows;
    const QStringList startNrs = {"0", "1", "2"};
    const QStringList points = {"0", "60", "60.5"};
    const QVector<QStringList> kurs = {{}, {"5"}, {"2", "3"}, {"0", "-1"}};
    const QStringList teams = {"", "1", "2"};
    const QStringList sums = {"", "100"};
    int name = 0;
    for (const QString &s : startNrs)
        for (const QString &p : points)
            for (const QStringList &k : kurs)
                for (const QString &t : teams)
                    for (const QString &sum : sums)
                        rows << row({s, QString::number(name++ % 2), p, "", {}, k, t, {}, {}, sum});

    QVector<DressurPlacing::RankKey> keys;
    for (const QStringList &r : rows)
        keys << DressurPlacing::rankKey(r);
    const auto less = [&](int a, int b) { return DressurPlacing::ranksLower(keys[a], keys[b]); };
    const auto equiv = [&](int a, int b) { return !less(a, b) && !less(b, a); };
    const int n = keys.size();
    const auto rowText = [&](int i) { return rows[i].join(QLatin1Char('|')); };
    for (int a = 0; a < n; ++a) {
        if (less(a, a))
            QFAIL(qPrintable(QStringLiteral("ranks below itself: %1").arg(rowText(a))));
        for (int b = 0; b < n; ++b) {
            if (less(a, b) && less(b, a))
                QFAIL(qPrintable(QStringLiteral("both below each other: %1 / %2").arg(rowText(a), rowText(b))));
            for (int c = 0; c < n; ++c) {
                if (less(a, b) && less(b, c) && !less(a, c))
                    QFAIL(qPrintable(QStringLiteral("not transitive: %1 / %2 / %3")
                                         .arg(rowText(a), rowText(b), rowText(c))));
                if (equiv(a, b) && equiv(b, c) && !equiv(a, c))
                    QFAIL(qPrintable(QStringLiteral("equivalence not transitive: %1 / %2 / %3")
                                         .arg(rowText(a), rowText(b), rowText(c))));
            }
        }
    }
}

void TestDressagePlacing::listItemSortsLikeThePlacing()
{
    QTreeWidget list;
    list.setColumnCount(Count);
    const QVector<Entry> entries = {{"3", "a", "60", ""}, {"1", "b", "60", ""}, {"2", "c", "61", ""},
                                    {"0", "d", "61", ""}};
    DressurRows rows;
    for (const Entry &e : entries) {
        rows << row(e);
        auto *item = new DressurListItem;
        for (int c = 0; c < Count; ++c)
            item->setText(c, rows.last().at(c));
        list.addTopLevelItem(item);
    }
    list.sortItems(Point, Qt::DescendingOrder);
    DressurPlacing::sortRanked(rows);
    QStringList shown;
    for (int i = 0; i < list.topLevelItemCount(); ++i)
        shown << list.topLevelItem(i)->text(StaevneNr);
    QCOMPARE(shown, order(rows));
    QCOMPARE(shown, (QStringList{"c", "d", "b", "a"}));

    // Any other column sorts by its text.
    list.sortItems(StaevneNr, Qt::AscendingOrder);
    shown.clear();
    for (int i = 0; i < list.topLevelItemCount(); ++i)
        shown << list.topLevelItem(i)->text(StaevneNr);
    QCOMPARE(shown, (QStringList{"a", "b", "c", "d"}));
}

void TestDressagePlacing::rowColoursFollowPosition()
{
    QTreeWidget list;
    list.setColumnCount(Count);
    for (const char *points : {"50", "70", "60"}) {
        auto *item = new DressurListItem;
        item->setText(Point, QLatin1String(points));
        list.addTopLevelItem(item);
    }
    const QColor even("#F8E296");
    const QColor odd("#FFF3C6");
    for (Qt::SortOrder sortOrder : {Qt::AscendingOrder, Qt::DescendingOrder}) {
        list.sortItems(Point, sortOrder);
        for (int i = 0; i < 3; ++i) {
            const QBrush brush = list.topLevelItem(i)->data(3, Qt::BackgroundRole).value<QBrush>();
            QCOMPARE(brush.color(), i % 2 ? odd : even);
        }
    }
}

void TestDressagePlacing::individualPlacings_data()
{
    QTest::addColumn<QStringList>("points"); // in list order
    QTest::addColumn<QStringList>("placings");

    QTest::newRow("tie shares, next skips") << QStringList{"68.5", "68.5", "67"}
                                            << QStringList{"1", "1", "3"};
    QTest::newRow("three tied, then two tied")
        << QStringList{"70", "70", "70", "65.2", "65.2", "60"}
        << QStringList{"1", "1", "1", "4", "4", "6"};
    QTest::newRow("starters without points follow, unplaced")
        << QStringList{"70", "69", "0", "0"} << QStringList{"1", "2", "", ""};
}

void TestDressagePlacing::individualPlacings()
{
    QFETCH(QStringList, points);
    QFETCH(QStringList, placings);
    DressurRows rows;
    for (int i = 0; i < points.size(); ++i)
        rows << row({QString::number(i + 1), QString::number(i + 1), points.at(i), ""});
    DressurPlacing::placeIndividual(rows, false);
    QCOMPARE(column(rows, ForeloebigPlacering), placings);
}

void TestDressagePlacing::kurTieBreaks()
{
    const QStringList forty = {"8", "8", "8", "8", "8"};
    const QStringList thirtyEight = {"8", "8", "8", "7", "7"};

    // Kur class: equal points, Kur sums 40 and 38, then 38 again.
    DressurRows rows = {row({"3", "a", "72", "", {}, thirtyEight}), row({"1", "b", "72", "", {}, forty}),
                        row({"2", "c", "72", "", {}, thirtyEight})};
    DressurPlacing::sortRanked(rows);
    QCOMPARE(order(rows), (QStringList{"b", "c", "a"}));
    DressurPlacing::placeIndividual(rows, true);
    QCOMPARE(column(rows, ForeloebigPlacering), (QStringList{"1", "2", "2"}));

    // The same marks in a class that is not Kur: the order still puts the
    // higher Kur sum first, but the Kur marks break no tie.
    DressurPlacing::placeIndividual(rows, false);
    QCOMPARE(column(rows, ForeloebigPlacering), (QStringList{"1", "1", "1"}));
}

void TestDressagePlacing::statusCounting()
{
    DressurRows rows = {
        row({"1", "a", "70", ""}),
        row({"2", "b", "0", "Opgivet"}),        // finished without a score
        row({"3", "c", "0", "udgået"}),
        row({"4", "d", "0", ""}),               // still to ride
        row({"5", "e", "0", "Ej mødt"}),        // not a starter
        row({"6", "f", "0", "AFMELDT"}),
    };
    rows[4][ForeloebigPlacering] = QStringLiteral("old");
    const DressurRows before = rows;
    const DressurPlacing::Counts counts = DressurPlacing::placeIndividual(rows, false);
    QCOMPARE(counts.antalStarter, 4);
    QCOMPARE(counts.resterendeStarter, 1);
    QCOMPARE(column(rows, ForeloebigPlacering), (QStringList{"1", "", "", "", "old", ""}));
    QCOMPARE(rows[4], before[4]);
    QCOMPARE(rows[5], before[5]);
    QCOMPARE(rows[1][EPlace], QString()); // no judges' placings without points

    // The team placing counts alike.
    DressurRows teamRows = before;
    const DressurPlacing::Counts teamCounts = DressurPlacing::placeTeams(teamRows);
    QCOMPARE(teamCounts.antalStarter, 4);
    QCOMPARE(teamCounts.resterendeStarter, 1);
    QCOMPARE(teamRows[4], before[4]);
}

void TestDressagePlacing::judgePlacings()
{
    // E marks 72, 72, 70; H marks reversed against the total; a starter
    // still to ride is part of the comparison with its 0 marks, an absent
    // entry is not.
    DressurRows rows = {
        row({"1", "a", "216", "", {"72", "70", "74", "1", "1"}}),
        row({"2", "b", "215", "", {"72", "71", "72", "1", "1"}}),
        row({"3", "c", "214", "", {"70", "72", "72", "1", "2"}}),
        row({"4", "d", "0", "", {"0", "0", "0", "0", "0"}}),
        row({"5", "e", "0", "EJ MØDT", {"99", "99", "99", "99", "99"}}),
    };
    DressurPlacing::placeIndividual(rows, false);
    QCOMPARE(column(rows, EPlace).mid(0, 3), (QStringList{"1", "1", "3"}));
    QCOMPARE(column(rows, EPlace + 1).mid(0, 3), (QStringList{"3", "2", "1"}));
    QCOMPARE(column(rows, EPlace + 2).mid(0, 3), (QStringList{"1", "2", "2"}));
    QCOMPARE(column(rows, EPlace + 4).mid(0, 3), (QStringList{"2", "2", "1"}));

    // In a Kur class each judge's Kur mark is added to the judge's mark.
    DressurRows kur = {
        row({"1", "a", "150", "", {"70", "70", "70", "70", "70"}, {"8", "8", "8", "8", "8"}}),
        row({"2", "b", "149", "", {"71", "70", "70", "70", "70"}, {"6", "8", "9", "8", "8"}}),
    };
    DressurPlacing::placeIndividual(kur, true);
    QCOMPARE(kur[0][EPlace], QStringLiteral("1"));      // 78 against 77
    QCOMPARE(kur[1][EPlace], QStringLiteral("2"));
    QCOMPARE(kur[0][EPlace + 2], QStringLiteral("2"));  // 78 against 79
    QCOMPARE(kur[1][EPlace + 2], QStringLiteral("1"));
    QCOMPARE(kur[0][EPlace + 1], QStringLiteral("1"));  // equal: shared
    QCOMPARE(kur[1][EPlace + 1], QStringLiteral("1"));
}

void TestDressagePlacing::emptyList()
{
    DressurRows rows;
    const auto counts = DressurPlacing::placeIndividual(rows, false);
    QCOMPARE(counts.antalStarter, 0);
    QCOMPARE(counts.resterendeStarter, 0);
    const auto teamCounts = DressurPlacing::placeTeams(rows);
    QCOMPARE(teamCounts.antalStarter, 0);
    QVERIFY(rows.isEmpty());
}

void TestDressagePlacing::teamResults()
{
    // Team 1: 70.1 + 70.2 + 70.2 = 210.5 (the member with "Udgår" 1 does not
    // count); team 2: 70.5 + 70 + 70 = 210.5; team 3: 68.5 + 68 + 68.5 = 205.
    DressurRows rows = {
        row({"1", "a", "701", "", {}, {}, "1", "70.100", "0"}),
        row({"2", "b", "702", "", {}, {}, "1", "70.200", ""}),
        row({"3", "c", "702", "", {}, {}, "1", "70.200", "0"}),
        row({"4", "d", "600", "", {}, {}, "1", "60.000", "1"}),
        row({"5", "e", "705", "", {}, {}, "2", "70.500", "0"}),
        row({"6", "f", "700", "", {}, {}, "2", "70.000", "0"}),
        row({"7", "g", "700", "", {}, {}, "2", "70.000", "0"}),
        row({"8", "h", "685", "", {}, {}, "3", "68.500", "0"}),
        row({"9", "i", "680", "", {}, {}, "3", "68.000", "0"}),
        row({"10", "j", "685", "", {}, {}, "3", "68.500", "0"}),
    };
    // As the view does it: a pass, a re-sort, a second pass.
    DressurPlacing::sortRanked(rows);
    DressurPlacing::placeTeams(rows);
    DressurPlacing::sortRanked(rows);
    const auto counts = DressurPlacing::placeTeams(rows);
    QCOMPARE(counts.antalStarter, 10);

    QCOMPARE(order(rows), (QStringList{"b", "c", "a", "d", "e", "f", "g", "h", "j", "i"}));
    QCOMPARE(column(rows, HoldSum),
             (QStringList{"210.5", "210.5", "210.5", "210.5", "210.5", "210.5", "210.5", "205", "205", "205"}));
    QCOMPARE(column(rows, HoldPlacering), (QStringList{"1", "1", "1", "1", "1", "1", "1", "2", "2", "2"}));
    // Individual placings: 1 + the starters with more points.
    QCOMPARE(column(rows, ForeloebigPlacering),
             (QStringList{"2", "2", "4", "10", "1", "5", "5", "7", "7", "9"}));
}

void TestDressagePlacing::teamsAndRowsWithoutTeam()
{
    // Two riders without a team and a team of two; the riders without a team
    // have more points but get no team sum, no team placing, and do not push
    // the team down to placing 2.
    DressurRows rows = {
        row({"1", "a", "750", "", {}, {}, "", "75.000", ""}),
        row({"2", "b", "740", "", {}, {}, "", "74.000", ""}),
        row({"3", "c", "700", "", {}, {}, "5", "70.000", ""}),
        row({"4", "d", "650", "", {}, {}, "5", "65.123", ""}),
    };
    rows[0][HoldSum] = QStringLiteral("stale");
    rows[0][HoldPlacering] = QStringLiteral("stale");
    DressurPlacing::sortRanked(rows);
    DressurPlacing::placeTeams(rows);
    DressurPlacing::sortRanked(rows);
    DressurPlacing::placeTeams(rows);

    QCOMPARE(order(rows), (QStringList{"c", "d", "a", "b"}));
    QCOMPARE(column(rows, HoldSum), (QStringList{"135.123", "135.123", "", ""}));
    QCOMPARE(column(rows, HoldPlacering), (QStringList{"1", "1", "", ""}));
    QCOMPARE(column(rows, ForeloebigPlacering), (QStringList{"3", "4", "1", "2"}));
}

void TestDressagePlacing::teamWithoutSumKeepsItsPlacing()
{
    // A team whose members have no percentage yet (sum 0) keeps the team
    // placing texts it had and takes no number from the teams after it.
    DressurRows rows = {
        row({"1", "a", "700", "", {}, {}, "1", "70.000", ""}),
        row({"2", "b", "0", "", {}, {}, "2", "", ""}),
        row({"3", "c", "600", "", {}, {}, "3", "60.000", ""}),
    };
    rows[1][HoldPlacering] = QStringLiteral("7");
    DressurPlacing::placeTeams(rows);
    QCOMPARE(column(rows, HoldSum), (QStringList{"70", "0", "60"}));
    QCOMPARE(column(rows, HoldPlacering), (QStringList{"1", "7", "2"}));
}

void TestDressagePlacing::numberOfPlacings_data()
{
    QTest::addColumn<int>("starters");
    QTest::addColumn<int>("placings");
    const QVector<QPair<int, int>> cases = {{0, 0}, {1, 0}, {2, 1}, {4, 1}, {5, 2},
                                            {8, 2}, {9, 3}, {40, 10}, {41, 11}};
    for (const auto &c : cases)
        QTest::addRow("%d starters", c.first) << c.first << c.second;
}

void TestDressagePlacing::numberOfPlacings()
{
    QFETCH(int, starters);
    QFETCH(int, placings);
    QCOMPARE(DressurPlacing::antalPlaceringer(starters), placings);
}

QTEST_MAIN(TestDressagePlacing)
#include "tst_dressageplacing.moc"

// The dressage rules that need no database, for what the fixed classes of
// the view's test do not reach: the row order over every kind of pair, the
// status words, equal team sums, the number of placings and the pedigree
// text. Expected values are worked out by hand.

#include "views/dressur/DressurLoad.h"
#include "views/dressur/DressurPlacing.h"

#include <QtTest>

using namespace DressurColumns;
using DressurPlacing::DressurRows;
using Cells = QMap<int, QString>;

namespace {

QStringList row(const QString &startNr, const QString &staevneNr, const QString &points,
                const QString &status = QString(), const Cells &extra = {})
{
    QStringList cells(Count);
    cells[StartNr] = startNr;
    cells[StaevneNr] = staevneNr;
    cells[Point] = points;
    cells[Diskvalifikation] = status;
    for (auto it = extra.begin(); it != extra.end(); ++it)
        cells[it.key()] = it.value();
    return cells;
}

Cells kurMarks(const QString &mark)
{
    Cells cells;
    for (int k = 0; k < JudgeCount; ++k)
        cells[DommerEKur + k] = mark;
    return cells;
}

Cells team(const QString &id, const QString &percent, const QString &udgaar = QString())
{
    return {{HoldId, id}, {Procent, percent}, {Udgaar, udgaar}};
}

QStringList column(const DressurRows &rows, int c)
{
    QStringList texts;
    for (const QStringList &r : rows)
        texts << r.value(c);
    return texts;
}

} // namespace

class TestDressageRules : public QObject
{
    Q_OBJECT

private slots:
    void rowOrder_data()
    {
        QTest::addColumn<DressurRows>("rows");
        QTest::addColumn<QStringList>("expected"); // "Stævne Nr" from the top
        QTest::newRow("points, then start numbers, rows without one last")
            << DressurRows{row("0", "11", "60"), row("7", "12", "60"), row("", "13", "60"), row("3", "14", "60"),
                           row("9", "15", "61"), row("3", "10", "60")}
            << QStringList{"15", "10", "14", "12", "11", "13"};
        QTest::newRow("equal points: higher Kur sum first, no Kur marks counting 0")
            << DressurRows{row("1", "1", "70", {}, kurMarks("7")), row("2", "2", "70", {}, kurMarks("8")),
                           row("3", "3", "70")}
            << QStringList{"2", "1", "3"};
        QTest::newRow("teams: sum, then lower team id, then points; no team last")
            << DressurRows{row("1", "1", "60", {}, {{HoldId, "2"}, {HoldSum, "200"}}),
                           row("2", "2", "70", {}, {{HoldId, "3"}, {HoldSum, "210"}}),
                           row("3", "3", "75", {}, {{HoldId, "1"}, {HoldSum, "200"}}),
                           row("4", "4", "65", {}, {{HoldId, "2"}, {HoldSum, "200"}}), row("5", "5", "90")}
            << QStringList{"2", "3", "4", "1", "5"};
    }

    void rowOrder()
    {
        QFETCH(DressurRows, rows);
        QFETCH(QStringList, expected);
        DressurPlacing::sortRanked(rows);
        QCOMPARE(column(rows, StaevneNr), expected);
        std::reverse(rows.begin(), rows.end());
        DressurPlacing::sortRanked(rows);
        QCOMPARE(column(rows, StaevneNr), expected);
    }

    void rowOrderIsStrictWeakOrder()
    {
        // Every combination of the fields the order reads, including the pairs
        // a one-sided comparison gets wrong: team against no team, Kur marks
        // against none, rows equal in everything.
        DressurRows rows;
        int n = 0;
        for (const char *startNr : {"0", "1", "2"})
            for (const char *points : {"0", "60", "60.5"})
                for (const char *kur : {"", "5", "-1"})
                    for (const char *holdId : {"", "1", "2"})
                        for (const char *holdSum : {"", "100"})
                            rows << row(QLatin1String(startNr), QString::number(n++ % 2), QLatin1String(points), {},
                                        {{DommerEKur, QLatin1String(kur)}, {HoldId, QLatin1String(holdId)},
                                         {HoldSum, QLatin1String(holdSum)}});
        QVector<DressurPlacing::RankKey> keys;
        for (const QStringList &r : rows)
            keys << DressurPlacing::rankKey(r);
        const auto less = [&](int a, int b) { return DressurPlacing::ranksLower(keys[a], keys[b]); };
        const auto equiv = [&](int a, int b) { return !less(a, b) && !less(b, a); };
        const auto text = [&](int i) { return rows[i].join(QLatin1Char('|')); };
        for (int a = 0; a < keys.size(); ++a) {
            if (less(a, a))
                QFAIL(qPrintable(QStringLiteral("below itself: ") + text(a)));
            for (int b = 0; b < keys.size(); ++b) {
                if (less(a, b) && less(b, a))
                    QFAIL(qPrintable(QStringLiteral("below each other: %1 / %2").arg(text(a), text(b))));
                for (int c = 0; c < keys.size(); ++c) {
                    if ((less(a, b) && less(b, c) && !less(a, c)) || (equiv(a, b) && equiv(b, c) && !equiv(a, c)))
                        QFAIL(qPrintable(
                                QStringLiteral("not transitive: %1 / %2 / %3").arg(text(a), text(b), text(c))));
                }
            }
        }
    }

    void statusCounting()
    {
        // Placed before: one starter withdrawn, one whose score went back to 0;
        // neither keeps a place of its own or of a judge.
        const Cells placed = {{ForeloebigPlacering, "2"}, {EPlace, "1"}, {EPlace + 4, "3"}};
        DressurRows rows = {row("1", "a", "70"), row("2", "b", "0", "Opgivet"), row("3", "c", "0", "udgået"),
                            row("4", "d", "0", {}, placed), row("5", "e", "0", "Ej mødt", placed),
                            row("6", "f", "0", "AFMELDT", placed)};
        const DressurRows before = rows;
        for (bool teamPass : {false, true}) {
            rows = before;
            const auto counts
                    = teamPass ? DressurPlacing::placeTeams(rows) : DressurPlacing::placeIndividual(rows, false);
            QCOMPARE(counts.antalStarter, 4);
            QCOMPARE(counts.resterendeStarter, 1);
            QCOMPARE(column(rows, ForeloebigPlacering), (QStringList{"1", "", "", "", "", ""}));
            if (!teamPass) {
                QCOMPARE(column(rows, EPlace), (QStringList{"1", "", "", "", "", ""}));
                QCOMPARE(column(rows, EPlace + 4), (QStringList{"1", "", "", "", "", ""}));
            }
        }
    }

    void teams()
    {
        // Team 1: 70.1 + 70.2 + 70.2 = 210.5 (60 does not count); team 2:
        // 70.5 + 70 + 70 = 210.5; team 3: 68.5 + 68. Two riders without a team
        // have the most points but no team sum or placing, and do not move the
        // teams' placings.
        DressurRows rows = {
            row("1", "a", "701", {}, team("1", "70.100", "0")), row("2", "b", "702", {}, team("1", "70.200")),
            row("3", "c", "702", {}, team("1", "70.200")),      row("4", "d", "600", {}, team("1", "60.000", "1")),
            row("5", "e", "705", {}, team("2", "70.500")),      row("6", "f", "700", {}, team("2", "70.000")),
            row("7", "g", "700", {}, team("2", "70.000")),      row("8", "h", "685", {}, team("3", "68.500")),
            row("9", "i", "680", {}, team("3", "68.000")),      row("10", "j", "750", {}, team("", "75.000")),
            row("11", "k", "740", {}, {{Procent, "74.000"}, {HoldSum, "stale"}, {HoldPlacering, "stale"}}),
        };
        DressurPlacing::sortRanked(rows); // as the view: a pass, a re-sort, a pass
        DressurPlacing::placeTeams(rows);
        DressurPlacing::sortRanked(rows);
        QCOMPARE(DressurPlacing::placeTeams(rows).antalStarter, 11);

        QCOMPARE(column(rows, StaevneNr), (QStringList{"b", "c", "a", "d", "e", "f", "g", "h", "i", "j", "k"}));
        QCOMPARE(column(rows, HoldSum), (QStringList{"210.5", "210.5", "210.5", "210.5", "210.5", "210.5", "210.5",
                                                     "136.5", "136.5", "", ""}));
        QCOMPARE(column(rows, HoldPlacering), (QStringList{"1", "1", "1", "1", "1", "1", "1", "2", "2", "", ""}));
        // Individual placings: 1 + the starters with more points.
        QCOMPARE(column(rows, ForeloebigPlacering),
                 (QStringList{"4", "4", "6", "11", "3", "7", "7", "9", "10", "1", "2"}));

        // A team without points keeps a sum of 0 but loses its old placing.
        rows = {row("1", "a", "700", {}, team("1", "70.000")),
                row("2", "b", "0", {}, {{HoldId, "2"}, {HoldPlacering, "7"}}),
                row("3", "c", "600", {}, team("3", "60.000"))};
        DressurPlacing::placeTeams(rows);
        QCOMPARE(column(rows, HoldSum), (QStringList{"70", "0", "60"}));
        QCOMPARE(column(rows, HoldPlacering), (QStringList{"1", "", "2"}));
    }

    void numberOfPlacings()
    {
        const QVector<QPair<int, int>> cases = {{0, 0}, {1, 0}, {2, 1}, {4, 1}, {5, 2}, {8, 2}, {9, 3}, {41, 11}};
        for (const auto &c : cases)
            QCOMPARE(DressurPlacing::antalPlaceringer(c.first), c.second);
    }

    void pedigree_data()
    {
        QTest::addColumn<QStringList>("parts"); // sire, dam, dam's sire, year, sex
        QTest::addColumn<QString>("text");
        QTest::newRow("no sex") << QStringList{"Abc", "Def", "Ghi", "2005", ""} << "2005/Abc/Def/Ghi";
        QTest::newRow("numbered sire") << QStringList{"12--Abc--DK", "Def", "Ghi", "2005", "H"} << "2005/H/Abc/Def/Ghi";
        QTest::newRow("one-letter part") << QStringList{"12--X", "Def", "Ghi", "2005", "H"} << "2005/H//Def/Ghi";
        QTest::newRow("empty dam's sire") << QStringList{"Abc", "Def", "", "2005", "H"} << "2005/H/Abc/Def/";
        QTest::newRow("numbered dam") << QStringList{"Abc", "12--Def", "Ghi", "2005", "H"} << "2005/H/Abc//Def/Ghi";
        QTest::newRow("numbered dam's sire, one letter")
            << QStringList{"Abc", "Def", "7--G", "2005", "H"} << "2005/H/Abc/Def/";
        QTest::newRow("everything empty") << QStringList{"", "", "", "", ""} << "///";
    }

    void pedigree()
    {
        QFETCH(QStringList, parts);
        QFETCH(QString, text);
        QCOMPARE(DressurLoad::pedigreeText(parts[0], parts[1], parts[2], parts[3], parts[4]), text);
    }
};

QTEST_MAIN(TestDressageRules)
#include "tst_dressagerules.moc"

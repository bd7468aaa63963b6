// The dressage result and ranking pages. Whole pages of the fixed classes
// (tests/data/dressage_fixture.sql) are compared byte for byte with expected
// files and checked for well-formed HTML; the page writer alone is driven
// through the cases the fixed classes do not reach. So are the rules without
// a database: the row order over every kind of pair, the status words, equal
// team sums, the number of placings and the pedigree text, with expected
// values worked out by hand.

#include "views/dressur/DressurLoad.h"
#include "views/dressur/DressurPages.h"
#include "settings/appConfig.h"

#include "ChildProcesses.h"
#include "DressageFixture.h"
#include "HtmlCheck.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace DressurColumns;
using namespace fixture;
using DressurPages::ClassInfo;
using DressurPlacing::DressurRows;
using Cells = QMap<int, QString>;

namespace {

DressurPages::Settings settings(const QHash<QString, QString> &values = {})
{
    auto s = DressurPages::Settings::read(
        [&values](const QString &key, const QString &def) { return values.value(key, def); });
    s.fileExists = [](const QString &) { return false; };
    return s;
}

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

} // namespace

class TestDressagePages : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        childprocs::stopChildrenOnSignals();
        const QString error = openCompetition(m_dir.filePath(QStringLiteral("zep.db")));
        QVERIFY2(error.isEmpty(), qPrintable(error));

        // Logos of the club "*FRK*" and of the breed society.
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("logo"))));
        for (const char *name : {"logo/FRK.png", "logo/DV.png"}) {
            QFile logo(m_dir.filePath(QLatin1String(name)));
            QVERIFY(logo.open(QIODevice::WriteOnly));
        }
    }

    void expectedPages_data()
    {
        QTest::addColumn<int>("klasseNr");
        QTest::addColumn<QStringList>("options"); // key=value
        QTest::addColumn<QString>("marked");      // Start Id double-clicked
        QTest::addColumn<QStringList>("files");   // written file=expected file

        // The result page, the ranking page and the document of a class.
        const auto all = [](int nr) {
            return QStringList{QStringLiteral("klasse%1_A.html=dressage_klasse%1_A.html").arg(nr),
                               QStringLiteral("rank%1_A.html=dressage_rank%1_A.html").arg(nr),
                               QStringLiteral("klasse%1_A.json=dressage_klasse%1_A.json").arg(nr)};
        };
        QTest::newRow("individual, being ridden") << 31 << QStringList{} << "9603" << all(31);
        QTest::newRow("Kur, finished") << 32 << QStringList{} << "9621" << all(32);
        QTest::newRow("team") << 33 << QStringList{} << "9634" << all(33);
        QTest::newRow("FEI, finished, pedigrees and remarks")
            << 35
            << QStringList{"vis.fei=1", "vis.header.text=CDI Herning", "vis.fei.results=Resultater",
                           "beregn.antalStarter=1", "vis.afstamning=1", "show.riderRemarks=1", "logo.dv.show=1"}
            << "9652"
            << QStringList{"klasse35_A.html=dressage_fei_klasse35_A.html", "rank35_A.html=dressage_fei_rank35_A.html"};
        QTest::newRow("FEI Kur") << 32 << QStringList{"vis.fei=1"} << "9625"
                                 << QStringList{"klasse32_A.html=dressage_fei_klasse32_A.html"};
    }

    void expectedPages()
    {
        QFETCH(int, klasseNr);
        QFETCH(QStringList, options);
        QFETCH(QString, marked);
        QFETCH(QStringList, files);

        const QString root = m_dir.filePath(QStringLiteral("out-%1").arg(QTest::currentDataTag()));
        appConfig cfg(nullptr, QString());
        cfg.setValue(QStringLiteral("http.root"), root);
        cfg.setValue(QStringLiteral("logo.dir"), m_dir.filePath(QStringLiteral("logo")) + QLatin1Char('/'));
        for (const QString &option : options)
            cfg.setValue(option.section(QLatin1Char('='), 0, 0), option.section(QLatin1Char('='), 1));

        DressageView view(&cfg);
        view.showKlasse(50, klasseNr, QStringLiteral("A"), 1, 9200 + klasseNr - 30);
        const auto items = view.listView1->findItems(marked, Qt::MatchExactly, StartId);
        QCOMPARE(items.size(), 1);
        emit view.listView1->itemDoubleClicked(items.first(), 0);
        view.printHtml();

        for (const QString &pair : files) {
            const QString written = root + QLatin1Char('/') + pair.section(QLatin1Char('='), 0, 0);
            const QString expectedName = pair.section(QLatin1Char('='), 1);
            const QByteArray actual = readFile(written);
            if (!written.endsWith(QLatin1String(".json")))
                QCOMPARE(htmlProblem(actual), QString());
            const QByteArray expected = readFile(QStringLiteral(ZEP_TESTDATA "/") + expectedName);
            QVERIFY2(actual == expected, qPrintable(QStringLiteral("%1 differs from %2").arg(written, expectedName)));
        }
    }

    void teamTables()
    {
        ClassInfo info;
        info.hold = 1;
        info.antalDommere = 1;
        const auto member = [](const char *team, const char *name, const char *sum, const char *place) {
            return row("", "", "70", "", {{HoldId, team}, {HoldNavn, name}, {HoldSum, sum}, {HoldPlacering, place},
                                          {Klub, "*FRK*"}});
        };
        // A team without a total between two, and riders without a team at the
        // end: the team table is closed before the next one opens and at the end.
        const DressurRows mixed = {member("1", "<Nord>&Co A/S", "210.5", "1"), member("3", "Vest", "0", ""),
                                   member("2", "Syd", "198", "2"), member("", "", "", "")};
        const DressurPages::Pages pages = DressurPages::write(info, settings(), mixed);
        QCOMPARE(pages.result.count("<table width=90%"), 2);
        QCOMPARE(pages.result.count("Total:&nbsp;"), 2);
        QCOMPARE(htmlProblem(pages.result) + htmlProblem(pages.ranking), QString());
        // The team's name as typed in the database, in the header on the result
        // page and by its first word in the ranking's summary.
        QVERIFY(pages.result.contains(" align=left>&nbsp;&lt;Nord&gt;&amp;Co A/S</td>\n"));
        QVERIFY(pages.ranking.contains("&nbsp;*FRK*&nbsp;&lt;Nord&gt;&amp;Co</td>\n"));
        QVERIFY(!pages.result.contains("<Nord>") && !pages.ranking.contains("<Nord>"));

        // The ranking's team rows show the club's logo only when its file is
        // there, and its text otherwise, never a picture that cannot load.
        QVERIFY(!pages.ranking.contains("<img"));
        QCOMPARE(pages.ranking.count("&nbsp;*FRK*&nbsp;"), 2);
        DressurPages::Settings withLogo = settings();
        withLogo.fileExists = [](const QString &path) { return path == QLatin1String("logo/FRK.png"); };
        QCOMPARE(DressurPages::write(info, withLogo, mixed).ranking.count("<img width=64 src=\"../logo/FRK.png\" >"),
                 2);
    }

    void pieces_data()
    {
        QTest::addColumn<QStringList>("given"); // class: maxPnt, kur, rest, keep, temp, judges; row: column numbers
        QTest::addColumn<QStringList>("options"); // settings
        QTest::addColumn<QString>("result");      // on the result page ("" for nothing)
        QTest::addColumn<QString>("ranking");     // on the ranking page
        QTest::addColumn<QString>("nowhere");     // on neither
        const auto add = [](const char *name, const QStringList &given, const QStringList &options,
                            const QString &result, const QString &ranking = {}, const QString &nowhere = {}) {
            QTest::newRow(name) << given << options << result << ranking << nowhere;
        };

        // The header through the stages of a class: start list (provisional
        // unless the times are kept), results being ridden, finished.
        add("FEI provisional start list", {"rest=3", "temp=1"}, {"vis.fei=2"},
            QString::fromUtf8(" <td colspan=2> <B>Foreløbig Startliste</B>&nbsp;"));
        add("FEI start list, times kept", {"rest=3", "keep=1"}, {"vis.fei=2"},
            " <td colspan=2> <B>Startliste</B>&nbsp;");
        add("provisional results noted", {"temp=1"}, {}, "Resultater vist i kursiv");
        add("FEI 2 finished: judges, no note", {"rest=0", "temp=1"}, {"vis.fei=2"},
            " <td colspan=4>DOMMERE:&nbsp;&nbsp; </td>\n", {}, "Resultater vist i kursiv");
        add("FEI 2 finished: no banner", {"rest=0"}, {"vis.fei=2"}, {}, {}, "<H2>");
        add("FEI 1 finished: banner", {"rest=0"}, {"vis.fei=1"}, "<H2></H2>");
        // One width setting for both tables of the ranking.
        add("ranking head width", {}, {"http.rank.width=800"}, {}, "<table width=800>\n<tr>\n <td> <h4>");
        add("ranking table width", {}, {"http.rank.width=800"}, {}, "<table width=800 cellspacing=");

        // A Kur without maximum points and without judges divides by zero in
        // the marks, the averages and the total: they show nothing.
        const QStringList byZero = {"maxPnt=0", "kur=1", "judges=0", "rest=0", "5=130", "11=60", "17=70"};
        add("by zero: Kur marks", byZero, {}, " class=\"kur_point\" >&nbsp;&nbsp;</td>\n", {}, "nan");
        add("by zero: total", byZero, {}, "<b>&nbsp;</b>", {}, "inf");
        add("by zero, FEI: marks", byZero, {"vis.fei=1"}, " class=\"point\" >&nbsp;&nbsp;</td>\n", {}, "inf");

        // The last-changed starter: the row marked when there is a colour for
        // it; the block above the table always, even once the starter withdrew.
        const QString lastBlock = QStringLiteral("class=\"lastrider\" align=\"center\" >");
        add("last rider without colour", {}, {"html.lastrider.background.color="}, lastBlock, {},
            "class=\"lastrider\">");
        add("last rider withdrawn", {"8=Afmeldt"}, {}, lastBlock, {}, "class=\"lastrider\">");

        // The last rider's score in the block above the table.
        const QString block = QStringLiteral("<td width=10% align=\"center\"><font color=\"#000000\" size=\"5\">");
        add("block: no score, the status", {"5=0", "8=UDGÅET", "9=2"}, {}, block + "UDGÅET&nbsp;(2)</font>");
        add("block: up to 99 points, divided by 100", {"maxPnt=10", "5=780"}, {}, block + "7.800&nbsp;(1)</font>");
        add("block: no maximum, the points", {"maxPnt=0", "5=65.5"}, {}, block + "65.5&nbsp;(1)</font>");

        // The ranking page's score: points divided by 100 up to 99 points, the
        // percentage otherwise, a running score in red while there is none.
        const QString score = QStringLiteral("<td width=\"5%\" align=right >\n<font color=\"#000000\" size=\"3\">\n");
        add("ranking: points up to 99", {"maxPnt=10", "5=780"}, {}, {}, score + "7.800&nbsp;</font>");
        add("ranking: Kur up to 99, percentage", {"maxPnt=50", "kur=1", "5=60", "6=60.000"}, {}, {},
            score + "60.000&nbsp;</font>");
        add("ranking: running score", {"5=0", "6=0.000", "25=64.5"}, {}, {},
            score + "<font color=\"#dd0000\"><i>64.500</i></font>&nbsp;</font>");
        add("ranking: running score, retired", {"5=0", "6=0.000", "8=Udgået", "25=64.5"}, {}, {},
            score + "&nbsp;&nbsp;</font>", "64.500");

        // Placings on the ranking page show in the FEI layout while starters
        // remain, and only up to the number of placings (two here).
        const QString rankPlace =
            QStringLiteral("<td width=\"2%\" align=\"right\" >\n<font color=\"#000000\" size=\"3\">");
        add("FEI ranking while riding: placed", {}, {"vis.fei=1"}, {}, rankPlace + "&nbsp;(1)&nbsp;</font>");
        add("FEI ranking while riding: beyond the placings", {"9=3"}, {"vis.fei=1"}, {}, rankPlace + "&nbsp;</font>",
            "(3)&nbsp;");
        add("FEI ranking, finished", {"rest=0"}, {"vis.fei=1"}, {}, rankPlace + "&nbsp;</font>");
        add("placing off", {}, {"vis.fei=1", "beregn.placering=0"}, {}, {}, "(1)");
        add("placing off: no place cells", {}, {"beregn.placering=0"}, {}, {}, "width=\"2%\"");

        // The start time beside the start number while the class is ridden,
        // when it is shown and the section keeps its start times.
        const QString time = QStringLiteral("<td width=\"5%\" >\n<font color=\"#000000\" size=\"3\">&nbsp;");
        add("start time kept", {"keep=1"}, {"beregn.tid=1"}, time + "(09:16)</font>");
        add("start time 00:00", {"keep=1", "16=00:00"}, {"beregn.tid=1"}, time + "</font>", {}, "00:00");
        add("start times not kept", {}, {"beregn.tid=1"}, {}, {}, "09:16");
        add("start time off", {"keep=1"}, {}, {}, {}, "09:16");
        add("start time, finished", {"keep=1", "rest=0"}, {"beregn.tid=1"}, {}, {}, "09:16");
    }

    void pieces()
    {
        QFETCH(QStringList, given);
        QFETCH(QStringList, options);
        QFETCH(QString, result);
        QFETCH(QString, ranking);
        QFETCH(QString, nowhere);

        const auto split = [](const QStringList &pairs) {
            QHash<QString, QString> values;
            for (const QString &pair : pairs)
                values.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
            return values;
        };
        const QHash<QString, QString> values = split(given);
        ClassInfo info;
        info.maxPnt = values.value(QStringLiteral("maxPnt"), QStringLiteral("300")).toInt();
        info.noMaxPnt = info.maxPnt == 0;
        info.kur = values.value(QStringLiteral("kur")).toInt();
        info.resterendeStarter = values.value(QStringLiteral("rest"), QStringLiteral("2")).toInt();
        info.bevarStartTid = values.value(QStringLiteral("keep")).toInt();
        info.tempResult = values.value(QStringLiteral("temp")).toInt();
        info.antalDommere = values.value(QStringLiteral("judges"), QStringLiteral("1")).toInt();
        info.antalStarter = 3;
        info.antalPlaceringer = 2;
        info.lastChangeId = 7;
        QStringList r = row("4", "", "200", "", {{StartId, "7"}, {Procent, "66.667"}, {DommerE, "200"},
                                                 {ForeloebigPlacering, "1"}, {StartTid, "09:16"}});
        for (auto it = values.begin(); it != values.end(); ++it)
            if (it.key().front().isDigit())
                r[it.key().toInt()] = it.value();
        const DressurPages::Pages pages = DressurPages::write(info, settings(split(options)), {r});
        QCOMPARE(htmlProblem(pages.result) + htmlProblem(pages.ranking), QString());
        QVERIFY2(pages.result.contains(result.toUtf8()), pages.result.constData());
        QVERIFY2(pages.ranking.contains(ranking.toUtf8()), pages.ranking.constData());
        if (!nowhere.isEmpty())
            QVERIFY(!pages.result.contains(nowhere.toUtf8()) && !pages.ranking.contains(nowhere.toUtf8()));
    }

    // --- Rules without a database --------------------------------------------

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

private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(TestDressagePages)
#include "tst_dressagepages.moc"

// The dressage result and ranking pages. Whole pages of the fixed classes
// (tests/data/dressage_fixture.sql) are compared byte for byte with expected
// files and checked for well-formed HTML; the page writer alone is driven
// through the cases the fixed classes do not reach.

#include "views/dressur/DressurPages.h"
#include "settings/appConfig.h"

#include "DressageFixture.h"
#include "HtmlCheck.h"

#include <QDir>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QtTest>

using namespace DressurColumns;
using namespace fixture;
using DressurPages::ClassInfo;
using DressurPlacing::DressurRows;

namespace {

QStringList row(std::initializer_list<std::pair<int, const char *>> given)
{
    QStringList cells;
    for (int c = 0; c < Count; ++c)
        cells << QString();
    for (const auto &cell : given)
        cells[cell.first] = QString::fromUtf8(cell.second);
    return cells;
}

DressurPages::Settings settings(const QHash<QString, QString> &values = {})
{
    auto s = DressurPages::Settings::read(
        [&values](const QString &key, const QString &def) { return values.value(key, def); });
    s.fileExists = [](const QString &) { return false; };
    return s;
}

} // namespace

class TestDressagePages : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void expectedPages_data();
    void expectedPages();

    void divisionByZeroShowsNothing();
    void lastRiderBlock_data();
    void lastRiderBlock();
    void lastRiderMarking();
    void rankingScore_data();
    void rankingScore();
    void teamTables();
    void headerStages();
    void placeAndTimeCells_data();
    void placeAndTimeCells();

private:
    QTemporaryDir m_dir;
};

void TestDressagePages::initTestCase()
{
    const QString error = openCompetition(m_dir.filePath(QStringLiteral("zep.db")));
    QVERIFY2(error.isEmpty(), qPrintable(error));

    // Logos of the club "*FRK*" and of the breed society.
    QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("logo"))));
    for (const char *name : {"logo/FRK.png", "logo/DV.png"}) {
        QFile logo(m_dir.filePath(QLatin1String(name)));
        QVERIFY(logo.open(QIODevice::WriteOnly));
    }
}

void TestDressagePages::expectedPages_data()
{
    QTest::addColumn<int>("klasseNr");
    QTest::addColumn<QStringList>("options"); // key=value
    QTest::addColumn<QString>("marked");      // Start Id double-clicked
    QTest::addColumn<QStringList>("files");   // written file=expected file

    QTest::newRow("individual, being ridden")
        << 31 << QStringList{} << "9603"
        << QStringList{"klasse31_A.html=dressage_klasse31_A.html", "rank31_A.html=dressage_rank31_A.html",
                       "klasse31_A.json=dressage_klasse31_A.json"};
    QTest::newRow("Kur, finished")
        << 32 << QStringList{} << "9621"
        << QStringList{"klasse32_A.html=dressage_klasse32_A.html", "rank32_A.html=dressage_rank32_A.html",
                       "klasse32_A.json=dressage_klasse32_A.json"};
    QTest::newRow("team")
        << 33 << QStringList{} << "9634"
        << QStringList{"klasse33_A.html=dressage_klasse33_A.html", "rank33_A.html=dressage_rank33_A.html",
                       "klasse33_A.json=dressage_klasse33_A.json"};
    QTest::newRow("FEI, finished, pedigrees and remarks")
        << 35
        << QStringList{"vis.fei=1", "vis.header.text=CDI Herning", "vis.fei.results=Resultater",
                       "beregn.antalStarter=1", "vis.afstamning=1", "show.riderRemarks=1", "logo.dv.show=1"}
        << "9652"
        << QStringList{"klasse35_A.html=dressage_fei_klasse35_A.html", "rank35_A.html=dressage_fei_rank35_A.html"};
    QTest::newRow("FEI Kur") << 32 << QStringList{"vis.fei=1"} << "9625"
                             << QStringList{"klasse32_A.html=dressage_fei_klasse32_A.html"};
}

void TestDressagePages::expectedPages()
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
        if (written.endsWith(QLatin1String(".json"))) {
            QJsonParseError error;
            QJsonDocument::fromJson(actual, &error);
            QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString()));
        } else {
            const QString problem = htmlProblem(actual);
            QVERIFY2(problem.isEmpty(), qPrintable(expectedName + QLatin1String(": ") + problem));
        }
        const QByteArray expected = readFile(QStringLiteral(ZEP_TESTDATA "/") + expectedName);
        QVERIFY2(actual == expected, qPrintable(QStringLiteral("%1 differs from %2").arg(written, expectedName)));
    }
}

void TestDressagePages::divisionByZeroShowsNothing()
{
    // A Kur without maximum points and without judges divides by zero in
    // the marks, the averages and the total.
    ClassInfo info;
    info.kur = 1;
    info.maxPnt = 0;
    info.noMaxPnt = true;
    info.antalDommere = 0;
    info.resterendeStarter = 0;
    info.antalStarter = 1;
    info.lastChangeId = 1;
    const DressurRows rows = {row({{StaevneNr, "101"}, {Point, "130"}, {StartId, "1"}, {DommerE, "60"},
                                   {DommerEKur, "70"}, {ForeloebigPlacering, "1"}})};
    for (int fei : {0, 1}) {
        const DressurPages::Pages pages =
            DressurPages::write(info, settings({{"vis.fei", QString::number(fei)}}), rows);
        for (const QByteArray &page : {pages.result, pages.ranking}) {
            QVERIFY2(!page.contains("inf") && !page.contains("nan"), page.constData());
            QVERIFY(htmlProblem(page).isEmpty());
        }
        QVERIFY(pages.result.contains(" class=\"point\" >&nbsp;&nbsp;</td>\n"));
        QVERIFY(pages.result.contains("<b>&nbsp;</b>"));
        QVERIFY(pages.result.contains(" class=\"kur_point\" >&nbsp;&nbsp;</td>\n"));
    }
}

void TestDressagePages::lastRiderBlock_data()
{
    QTest::addColumn<int>("maxPnt");
    QTest::addColumn<int>("kur");
    QTest::addColumn<QString>("points");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("score"); // what follows the score cell's font tag

    const QString percentCell = QStringLiteral("</font></td>\n<td width=15% nowrap align=\"right\"><font "
                                               "color=\"#000000\" size=\"5\">72.206&nbsp;%&nbsp;(2)");
    QTest::newRow("Kur: percentage only") << 340 << 1 << "245.5" << "" << percentCell;
    QTest::newRow("no score: the status") << 340 << 0 << "0" << "UDGÅET" << "UDGÅET&nbsp;(2)";
    QTest::newRow("up to 99 points: divided by 100") << 10 << 0 << "780" << "" << "7.800&nbsp;(2)";
    QTest::newRow("no maximum: the points") << 0 << 0 << "65.5" << "" << "65.5&nbsp;(2)";
}

void TestDressagePages::lastRiderBlock()
{
    QFETCH(int, maxPnt);
    QFETCH(int, kur);
    QFETCH(QString, points);
    QFETCH(QString, status);
    QFETCH(QString, score);

    ClassInfo info;
    info.maxPnt = maxPnt;
    info.noMaxPnt = maxPnt == 0;
    info.kur = kur;
    info.lastChangeId = 12;
    DressurRows rows = {row({{Hest, "Don Juan"}, {Rytter, "Bo Berg"}, {Procent, "72.2058"},
                             {ForeloebigPlacering, "2"}, {StartId, "12"}})};
    rows[0][Point] = points;
    rows[0][Diskvalifikation] = status;
    const QString block = DressurPages::lastRiderBlock(info, settings(), rows);
    QVERIFY2(block.contains(QStringLiteral("<td width=35% ><font color=\"#000000\" size=\"5\">Don&nbsp;Juan</font>")),
             qPrintable(block));
    const QString opening = QStringLiteral("<td width=10% align=\"center\"><font color=\"#000000\" size=\"5\">");
    QVERIFY2(block.contains(opening + score + QStringLiteral("</font></td>\n</tr>\n")), qPrintable(block));
}

void TestDressagePages::lastRiderMarking()
{
    ClassInfo info;
    info.lastChangeId = 7;
    const DressurRows rows = {row({{StartId, "5"}, {Point, "200"}}), row({{StartId, "7"}, {Point, "190"}})};
    const QByteArray marked = DressurPages::write(info, settings(), rows).result;
    QCOMPARE(marked.count("<tr bgcolor=\"#FABB00\" class=\"lastrider\">\n"), 1);
    QVERIFY(marked.contains("<tr bgcolor=\"#F0EEEC\" class=\"odd\">\n"));
    QVERIFY(marked.contains("class=\"lastrider\" align=\"center\" >"));

    // No colour for the mark: the block stays, the row is not marked.
    const QByteArray unmarked =
        DressurPages::write(info, settings({{"html.lastrider.background.color", ""}}), rows).result;
    QVERIFY(!unmarked.contains("class=\"lastrider\">"));
    QVERIFY(unmarked.contains("<tr bgcolor=\"#FFFFFF\" class=\"even\">\n"));
    QVERIFY(unmarked.contains("class=\"lastrider\" align=\"center\" >"));

    // Withdrawn after the change: shown in the block, not in the table.
    DressurRows withdrawn = rows;
    withdrawn[1][Diskvalifikation] = QStringLiteral("Afmeldt");
    const QByteArray page = DressurPages::write(info, settings(), withdrawn).result;
    QVERIFY(page.contains("class=\"lastrider\" align=\"center\" >"));
    QVERIFY(!page.contains("class=\"lastrider\">"));
    QCOMPARE(page.count("<tr bgcolor="), 2); // the block's row and the remaining starter's
}

void TestDressagePages::rankingScore_data()
{
    QTest::addColumn<int>("maxPnt");
    QTest::addColumn<int>("kur");
    QTest::addColumn<QStringList>("cells"); // points, percent, status, running score
    QTest::addColumn<QString>("score");

    const QString red = QStringLiteral("<font color=\"#dd0000\"><i>64.500</i></font>");
    QTest::newRow("points over 100") << 10 << 0 << QStringList{"780", "", "", ""} << "7.800";
    QTest::newRow("Kur up to 99: percentage") << 50 << 1 << QStringList{"60", "60.000", "", ""} << "60.000";
    QTest::newRow("running score") << 340 << 0 << QStringList{"0", "0.000", "", "64.5"} << red;
    QTest::newRow("running score, retired") << 340 << 0 << QStringList{"0", "0.000", "Udgået", "64.5"} << "&nbsp;";
}

void TestDressagePages::rankingScore()
{
    QFETCH(int, maxPnt);
    QFETCH(int, kur);
    QFETCH(QStringList, cells);
    QFETCH(QString, score);

    ClassInfo info;
    info.maxPnt = maxPnt;
    info.kur = kur;
    QStringList r = row({{Rytter, "Bo Berg"}, {Klub, "ARK"}});
    r[Point] = cells[0];
    r[Procent] = cells[1];
    r[Diskvalifikation] = cells[2];
    r[Tendens] = cells[3];
    const QString text = DressurPages::rankingRow(info, settings(), r, 1);
    QVERIFY2(text.contains(QStringLiteral("<td width=\"5%\" align=right >\n<font color=\"#000000\" size=\"3\">\n")
                           + score + QStringLiteral("&nbsp;</font>\n</td>\n")),
             qPrintable(text));
}

void TestDressagePages::teamTables()
{
    ClassInfo info;
    info.hold = 1;
    info.antalDommere = 1;
    const auto member = [](const char *team, const char *name, const char *sum, const char *place) {
        return row({{HoldId, team}, {HoldNavn, name}, {HoldSum, sum}, {HoldPlacering, place}, {Point, "70"},
                    {Klub, "*FRK*"}});
    };
    // A team without a total between two, and riders without a team at the
    // end: the team table is closed before the next one opens and at the end.
    const DressurRows mixed = {member("1", "Nord", "210.5", "1"), member("3", "Vest", "0", ""),
                               member("2", "Syd", "198", "2"), member("", "", "", "")};
    const DressurPages::Pages mixedPages = DressurPages::write(info, settings(), mixed);
    QCOMPARE(mixedPages.result.count("<table width=90%"), 2);
    QCOMPARE(mixedPages.result.count("Total:&nbsp;"), 2);
    QCOMPARE(htmlProblem(mixedPages.result), QString());
    QCOMPARE(htmlProblem(mixedPages.ranking), QString());
}

void TestDressagePages::headerStages()
{
    ClassInfo info;
    info.title = QStringLiteral("3 LA2 Pokal");
    info.antalStarter = 4;
    info.resterendeStarter = 4;
    info.tempResult = 1;
    const auto fei = settings({{"vis.fei", "2"}, {"http.rank.width", "800"}});
    QVERIFY(DressurPages::resultHead(info, fei).contains(QString::fromUtf8(" <td colspan=2> <B>Foreløbig Startliste</B>&nbsp;")));
    QVERIFY(DressurPages::resultHead(info, fei).contains(QLatin1String("Resultater vist i kursiv")));
    info.bevarStartTid = 1;
    QVERIFY(DressurPages::resultHead(info, fei).contains(QLatin1String(" <td colspan=2> <B>Startliste</B>&nbsp;")));

    // Finished: "vis.fei" 2 has no banner, "1" has; no provisional note.
    info.resterendeStarter = 0;
    QVERIFY(!DressurPages::resultHead(info, fei).contains(QLatin1String("<H2>")));
    QVERIFY(!DressurPages::resultHead(info, fei).contains(QLatin1String("Resultater vist i kursiv")));
    QVERIFY(DressurPages::resultHead(info, settings({{"vis.fei", "1"}})).contains(QLatin1String("<H2></H2>")));
    QVERIFY(DressurPages::resultHead(info, fei).contains(QLatin1String(" <td colspan=4>DOMMERE:&nbsp;&nbsp; </td>\n")));

    // One width setting for the ranking's two tables.
    const DressurPages::Pages pages = DressurPages::write(info, fei, {});
    QVERIFY(pages.ranking.contains("<table width=800>\n<tr>\n <td> <h4>&nbsp;3&nbsp;LA2&nbsp;Pokal</h4>"));
    QVERIFY(pages.ranking.contains("<table width=800 cellspacing="));
    QVERIFY(pages.ranking.contains("<title>3 LA2 Pokal</title>"));
}

void TestDressagePages::placeAndTimeCells_data()
{
    QTest::addColumn<QStringList>("options"); // key=value
    QTest::addColumn<int>("rest");            // starters still to ride
    QTest::addColumn<int>("keepTimes");       // bevarStartTid
    QTest::addColumn<QString>("place");       // "Foreløbig Placering"; two placings in force
    QTest::addColumn<QString>("time");        // "Starttid"
    QTest::addColumn<QString>("result");      // on the result page ("" for nothing)
    QTest::addColumn<QString>("ranking");     // on the ranking page
    QTest::addColumn<QString>("nowhere");     // on neither

    const QString rankPlace = QStringLiteral("<td width=\"2%\" align=\"right\" >\n<font color=\"#000000\" size=\"3\">");
    QTest::newRow("FEI ranking while riding: placed") << QStringList{"vis.fei=1"} << 2 << 0 << "1" << "09:16"
                                                      << "" << rankPlace + "&nbsp;(1)&nbsp;</font>" << "";
    QTest::newRow("FEI ranking while riding: beyond the placings")
        << QStringList{"vis.fei=1"} << 2 << 0 << "3" << "09:16" << "" << rankPlace + "&nbsp;</font>" << "(3)&nbsp;";
    QTest::newRow("FEI ranking, finished") << QStringList{"vis.fei=1"} << 0 << 0 << "1" << "09:16" << ""
                                           << rankPlace + "&nbsp;</font>" << "";
    QTest::newRow("ranking without FEI") << QStringList{} << 2 << 0 << "1" << "09:16" << "&nbsp;(1)&nbsp;"
                                         << rankPlace + "&nbsp;</font>" << "";
    QTest::newRow("placing off") << QStringList{"vis.fei=1", "beregn.placering=0"} << 2 << 0 << "1" << "09:16"
                                 << "" << "" << "(1)";
    QTest::newRow("placing off: no place cells") << QStringList{"beregn.placering=0"} << 2 << 0 << "1" << "09:16"
                                                 << "" << "" << "width=\"2%\"";
    QTest::newRow("start time kept") << QStringList{"beregn.tid=1"} << 2 << 1 << "1" << "09:16"
                                     << "<td width=\"5%\" >\n<font color=\"#000000\" size=\"3\">&nbsp;(09:16)</font>"
                                     << "" << "";
    QTest::newRow("start time 00:00") << QStringList{"beregn.tid=1"} << 2 << 1 << "1" << "00:00"
                                      << "<td width=\"5%\" >\n<font color=\"#000000\" size=\"3\">&nbsp;</font>"
                                      << "" << "00:00";
    QTest::newRow("start times not kept") << QStringList{"beregn.tid=1"} << 2 << 0 << "1" << "09:16" << "" << ""
                                          << "09:16";
    QTest::newRow("start time off") << QStringList{} << 2 << 1 << "1" << "09:16" << "" << "" << "09:16";
    QTest::newRow("start time, finished") << QStringList{"beregn.tid=1"} << 0 << 1 << "1" << "09:16" << "" << ""
                                          << "09:16";
}

void TestDressagePages::placeAndTimeCells()
{
    QFETCH(QStringList, options);
    QFETCH(int, rest);
    QFETCH(int, keepTimes);
    QFETCH(QString, place);
    QFETCH(QString, time);
    QFETCH(QString, result);
    QFETCH(QString, ranking);
    QFETCH(QString, nowhere);

    QHash<QString, QString> values;
    for (const QString &option : options)
        values.insert(option.section(QLatin1Char('='), 0, 0), option.section(QLatin1Char('='), 1));
    ClassInfo info;
    info.maxPnt = 300;
    info.antalDommere = 1;
    info.antalStarter = 3;
    info.resterendeStarter = rest;
    info.antalPlaceringer = 2;
    info.bevarStartTid = keepTimes;
    info.lastChangeId = 7;
    QStringList r = row({{StartNr, "4"}, {StartId, "7"}, {Point, "200"}, {Procent, "66.667"}, {DommerE, "200"}});
    r[ForeloebigPlacering] = place;
    r[StartTid] = time;
    const DressurPages::Pages pages = DressurPages::write(info, settings(values), {r});
    QVERIFY2(pages.result.contains(result.toUtf8()), pages.result.constData());
    QVERIFY2(pages.ranking.contains(ranking.toUtf8()), pages.ranking.constData());
    if (!nowhere.isEmpty()) {
        QVERIFY(!pages.result.contains(nowhere.toUtf8()));
        QVERIFY(!pages.ranking.contains(nowhere.toUtf8()));
    }
}

QTEST_MAIN(TestDressagePages)
#include "tst_dressagepages.moc"

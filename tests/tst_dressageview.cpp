// The dressage view against the stand-in database: the fixed classes of
// tests/data/dressage_fixture.sql loaded class by class, every column,
// counter and placing compared with values worked out by hand, and loads
// that cannot read the database leaving the view as it was.

#include "settings/appConfig.h"

#include "DressageFixture.h"
#include "HtmlCheck.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

using namespace fixture;

namespace {

constexpr int Individual = 31;
constexpr int Kur = 32;
constexpr int Team = 33;
constexpr int NoMaximum = 34;

QVector<QStringList> listRows(const staevneKlasseInfo &view)
{
    return rowsOf(view.listView1);
}

QStringList column(const staevneKlasseInfo &view, int c)
{
    return fixture::column(view.listView1, c);
}

// A row of 37 cells from the cells given, the rest empty.
QStringList cells(std::initializer_list<std::pair<int, const char *>> given)
{
    QStringList row;
    for (int c = 0; c < 37; ++c)
        row << QString();
    for (const auto &cell : given)
        row[cell.first] = QString::fromUtf8(cell.second);
    return row;
}

QJsonObject readJson(const QString &path)
{
    return QJsonDocument::fromJson(readFile(path)).object();
}

} // namespace

class TestDressageView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase() { standin::Faults::clear(); }

    void individualClass();
    void kurClass();
    void teamClass();
    void noMaximumAndOwnPlacings();
    void doubleClickMarksStartIdAndRefreshKeepsIt();
    void keepStartTimeToggle();
    void failedLoadsKeepTheList();

private:
    QString outputPath(int klasseNr) const
    {
        return m_dir.filePath(QStringLiteral("html/klasse%1_A.json").arg(klasseNr));
    }

    QTemporaryDir m_dir;
    QString m_file;
    appConfig *m_cfg = nullptr;
};

void TestDressageView::initTestCase()
{
    m_file = m_dir.filePath(QStringLiteral("zep.db"));
    const QString error = openCompetition(m_file);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    m_cfg = new appConfig(this, QString());
    m_cfg->setValue(QStringLiteral("http.root"), m_dir.filePath(QStringLiteral("html")));
}

void TestDressageView::init()
{
    standin::Faults::clear();
    m_cfg->setValue(QStringLiteral("show.riderRemarks"), QStringLiteral("0"));
}

void TestDressageView::individualClass()
{
    DressageView view(m_cfg);
    QSignalSpy log(&view, &staevneKlasseInfo::logMessage);
    view.show(Individual);

    QCOMPARE(view.klasseInfo->text(), QStringLiteral("31 LA3 Åben O'Briens pokal"));
    QCOMPARE(view.antalPlac->text(), QStringLiteral("Antal Placeringer 2")); // 6 starters, none fixed
    QCOMPARE(view.dommer->text(), QStringLiteral("Dommere E: Anne Dommer, C: Bo Dommer"));
    QCOMPARE(view.sponsor->text(), QStringLiteral("Ærespræmie Bageren"));
    QCOMPARE(view.maxPoint->text(), QStringLiteral("Max Point 300"));
    QCOMPARE(view.klasseId, 9101);
    QCOMPARE(view.antalPlaceringer, 2);
    QCOMPARE(view.antalStarter(), 6);
    QCOMPARE(view.resterendeStarter(), 1);
    QCOMPARE(view.lastChangeId, -1); // a load marks no starter, not even one who retired
    QCOMPARE(logged(log, 1), QStringList{QStringLiteral("ShowClass duplicate Start Id 9602 in class 31 A ignored")});

    // 410.5 points of 2 x 300 are 68.417 %. The start without start and
    // entry number (total 100) comes before the scored ones in the query and
    // is left out without losing them; the deleted start is not there; the
    // start doubled by a second combination row shows once, with either id.
    const QVector<QStringList> rows = listRows(view);
    QCOMPARE(rows.size(), 7);
    const QByteArray equipage = rows[1][36].toUtf8();
    QVERIFY2(equipage == "9412" || equipage == "9413", equipage.constData());
    const QVector<QStringList> expected = {
        cells({{0, "1"}, {1, "101"}, {2, "Donna"}, {3, "Anne Hansen"}, {4, "*FRK*"}, {5, "410.5"}, {6, "68.417"},
               {9, "1"}, {10, "9601"}, {11, "210.5"}, {12, "0"}, {13, "200"}, {14, "0"}, {15, "0"}, {16, "09:00"},
               {22, "9301"}, {23, "8801"}, {24, "2005/HO/Abc/Def/Ghi"}, {31, "1"}, {32, "1"}, {33, "2"}, {34, "1"},
               {35, "1"}, {36, "9411"}}),
        cells({{0, "2"}, {1, "102"}, {2, "Ego - P1"}, {3, "Bo Jensen"}, {4, "ARK"}, {5, "410.5"}, {6, "68.417"},
               {9, "1"}, {10, "9602"}, {11, "205"}, {12, "0"}, {13, "205.5"}, {14, "0"}, {15, "0"}, {16, "09:08"},
               {22, "9302"}, {23, "8802"}, {24, "2010/Sandro Hit/Fia/"}, {31, "2"}, {32, "1"}, {33, "1"}, {34, "1"},
               {35, "1"}, {36, equipage.constData()}}),
        cells({{0, "3"}, {1, "103"}, {2, "Lokal Lotte"}, {3, "Cecilie O'Brien"}, {4, "ARK"}, {5, "400"},
               {6, "66.667"}, {9, "3"}, {10, "9603"}, {11, "200"}, {12, "0"}, {13, "200"}, {14, "0"}, {15, "0"},
               {16, "09:16"}, {22, "9303"}, {23, "8803"}, {24, "2011/Lokal/Mor/"}, {31, "3"}, {32, "1"}, {33, "2"},
               {34, "1"}, {35, "1"}}),
        cells({{0, "8"}, {1, "108"}, {2, "Hugo"}, {3, "Hans Berg"}, {4, "FRK"}, {5, "300"}, {6, "50.000"}, {7, "4"},
               {8, "UDGÅET"}, {9, "4"}, {10, "9608"}, {11, "150"}, {12, "0"}, {13, "150"}, {14, "0"}, {15, "0"}, {16, "10:04"},
               {22, "9308"}, {23, "8807"}, {24, "2012/V/F/M/MF"}, {31, "4"}, {32, "1"}, {33, "4"}, {34, "1"},
               {35, "1"}}),
        cells({{0, "4"}, {1, "104"}, {2, "Uden År"}, {3, "Dorte Nielsen"}, {4, "HRK"}, {5, "0"}, {6, "0.000"},
               {7, "Diskvalificeret"}, {8, "Diskvalificeret"}, {10, "9604"}, {11, "0"}, {12, "0"}, {13, "0"},
               {14, "0"}, {15, "0"}, {16, "09:24"}, {22, "9304"}, {23, "8804"}, {36, "9414"}}),
        cells({{0, "5"}, {1, "105"}, {2, "Fino"}, {3, "Erik Madsen"}, {4, "HRK"}, {5, "0"}, {6, "0.000"},
               {7, "ej mødt"}, {8, "ej mødt"}, {10, "9605"}, {11, "0"}, {12, "0"}, {13, "0"}, {14, "0"}, {15, "0"},
               {16, "09:32"}, {22, "9305"}, {23, "8805"}, {24, "2008/V/F/M/MF"}}),
        cells({{0, "6"}, {1, "106"}, {2, "Gaja"}, {3, "Freja Holm"}, {4, "FRK"}, {5, "0"}, {6, "0.000"},
               {10, "9606"}, {11, "0"}, {12, "0"}, {13, "0"}, {14, "0"}, {15, "0"}, {16, "09:40"}, {22, "9306"},
               {23, "8806"}, {24, "2009/HO/F/M/MF"}}),
    };
    for (int r = 0; r < expected.size(); ++r)
        for (int c = 0; c < 37; ++c)
            if (rows[r][c] != expected[r][c])
                QFAIL(qPrintable(QStringLiteral("row %1 column %2: '%3', expected '%4'")
                                     .arg(QString::number(r), QString::number(c), rows[r][c], expected[r][c])));

    // Rows alternate their colours by position.
    for (int r = 0; r < 3; ++r)
        QCOMPARE(view.listView1->topLevelItem(r)->data(3, Qt::BackgroundRole).value<QBrush>().color(),
                 QColor(r % 2 ? "#FFF3C6" : "#F8E296"));

    // The load publishes the class's JSON document.
    const QJsonObject doc = readJson(outputPath(31));
    QCOMPARE(doc.value(QStringLiteral("startSlutTid")).toString(), QStringLiteral("Fredag&nbsp;09:00&nbsp;-&nbsp;12:30"));
    QCOMPARE(doc.value(QStringLiteral("doteringer")).toString(), QStringLiteral("500 - 300"));
    QCOMPARE(doc.value(QStringLiteral("remarks")).toString(), QStringLiteral("Bane 2"));
    QCOMPARE(doc.value(QStringLiteral("equipages")).toArray().size(), 7);
}

void TestDressageView::kurClass()
{
    DressageView view(m_cfg);
    view.show(Kur);
    // Equal points 210 are decided by the Kur sums (30, 30, 27, 24); equal
    // sums share the placing. A judge's place counts the Kur mark too.
    QCOMPARE(column(view, 10), (QStringList{"9625", "9621", "9624", "9623", "9622"}));
    QCOMPARE(column(view, 5), (QStringList{"225.5", "210", "210", "210", "210"}));
    QCOMPARE(column(view, 6), (QStringList{"37.583", "35.000", "35.000", "35.000", "35.000"}));
    QCOMPARE(column(view, 9), (QStringList{"1", "2", "2", "4", "5"}));
    QCOMPARE(listRows(view)[0].mid(17, 5), (QStringList{"5", "5", "5.5", "", ""}));
    QCOMPARE(column(view, 33), (QStringList{"1", "2", "2", "2", "2"}));
    QCOMPARE(column(view, 34), (QStringList{"1", "1", "1", "1", "1"}));
    QCOMPARE(readJson(outputPath(32)).value(QStringLiteral("kur")).toString(), QStringLiteral("1"));
}

void TestDressageView::teamClass()
{
    DressageView view(m_cfg);
    QSignalSpy log(&view, &staevneKlasseInfo::logMessage);
    view.show(Team);
    QCOMPARE(logged(log, 1), QStringList{QStringLiteral("ShowClass duplicate Start Id 9632 in class 33 A ignored")});
    // Team 1 counts 70 + 65 (60 does not count), team 2 72 + 62; the rider
    // without a team has the most points but neither a team sum nor a team
    // placing, and does not move the teams' placings.
    QCOMPARE(column(view, 10), (QStringList{"9631", "9632", "9633", "9634", "9635", "9636"}));
    QCOMPARE(column(view, 28), (QStringList{"135", "135", "135", "134", "134", ""}));
    QCOMPARE(column(view, 29), (QStringList{"1", "1", "1", "2", "2", ""}));
    QCOMPARE(column(view, 9), (QStringList{"3", "4", "6", "2", "5", "1"}));
    // The whole document, byte for byte.
    const QByteArray bytes = readFile(outputPath(33));
    QVERIFY(!QJsonDocument::fromJson(bytes).isNull());
    QCOMPARE(bytes, readFile(QStringLiteral(ZEP_TESTDATA "/dressage_class33_A.json")));
}

void TestDressageView::noMaximumAndOwnPlacings()
{
    DressageView view(m_cfg);
    view.show(NoMaximum);
    QVERIFY(view.noMaxPnt);
    QCOMPARE(column(view, 6), (QStringList{"", ""}));
    QCOMPARE(column(view, 9), (QStringList{"1", "2"}));
    QCOMPARE(view.maxPoint->text(), QStringLiteral("Max Point 0"));
    // The section's own number of placings stands, whatever the count.
    QCOMPARE(view.antalPlaceringer, 3);
    QCOMPARE(view.antalPlac->text(), QStringLiteral("Antal Placeringer 3"));
    // Its finished pages show the plain sum of the marks and no judges'
    // places, and nothing that came of a division by zero.
    m_cfg->setValue(QStringLiteral("vis.fei"), QStringLiteral("1"));
    view.printHtml();
    m_cfg->setValue(QStringLiteral("vis.fei"), QStringLiteral("0"));
    const QByteArray page = readFile(m_dir.filePath(QStringLiteral("html/klasse34_A.html")));
    QVERIFY(page.contains("<b>55.000</b>") && page.contains("<b>50.000</b>"));
    QVERIFY(!page.contains("judge_place") && !page.contains(">inf") && !page.contains(">nan"));
    QCOMPARE(htmlProblem(page), QString());
    QCOMPARE(htmlProblem(readFile(m_dir.filePath(QStringLiteral("html/rank34_A.html")))), QString());

    // The same view loading a class with a maximum forgets the flag; with
    // remarks switched on a starter's remark follows the rider's name.
    m_cfg->setValue(QStringLiteral("show.riderRemarks"), QStringLiteral("1"));
    view.show(Individual);
    QVERIFY(!view.noMaxPnt);
    QCOMPARE(view.antalPlaceringer, 2);
    QCOMPARE(column(view, 3).mid(0, 4),
             (QStringList{"Anne Hansen", "Bo Jensen", "Cecilie O'Brien (U25)", "Hans Berg"}));
}

void TestDressageView::doubleClickMarksStartIdAndRefreshKeepsIt()
{
    DressageView view(m_cfg);
    view.show(Individual);
    QSignalSpy changes(&view, &staevneKlasseInfo::resultChangeClass);
    emit view.listView1->itemDoubleClicked(view.listView1->topLevelItem(2), 0);
    QCOMPARE(view.lastChangeId, 9603); // the row's Start Id
    view.refreshClass();
    QCOMPARE(view.lastChangeId, 9603);
    QCOMPARE(readJson(outputPath(31)).value(QStringLiteral("lastChangeId")).toString(), QStringLiteral("9603"));
    QCOMPARE(changes.count(), 1);
    QCOMPARE(changes.at(0), (QVariantList{1, QStringLiteral("A"), 31, false}));
    // A reload that cannot read the class keeps the mark.
    standin::Faults::failNextStatements(1);
    view.refreshClass();
    QCOMPARE(view.lastChangeId, 9603);
    QCOMPARE(changes.count(), 1);
}

void TestDressageView::keepStartTimeToggle()
{
    const auto storedFlag = [] {
        QSqlQuery query(QSqlDatabase::database(Zep));
        if (!query.exec(QStringLiteral("SELECT BevarStartTid FROM dbo.tblAfdeling WHERE klasseId = 9101")) || !query.next())
            return query.lastError().text();
        return query.value(0).toString();
    };
    DressageView view(m_cfg);
    view.show(Individual);
    QSignalSpy changes(&view, &staevneKlasseInfo::resultChangeClass);
    view.visStartTid();
    QCOMPARE(storedFlag(), QStringLiteral("1"));
    QCOMPARE(readJson(outputPath(31)).value(QStringLiteral("bevarStartTid")).toString(), QStringLiteral("1"));
    view.visStartTid();
    QCOMPARE(storedFlag(), QStringLiteral("0"));
    QCOMPARE(changes.count(), 2);
}

void TestDressageView::failedLoadsKeepTheList()
{
    DressageView view(m_cfg);
    view.show(Team);
    const QVector<QStringList> before = listRows(view);
    QSignalSpy log(&view, &staevneKlasseInfo::logMessage);
    int asked = 0;
    connect(&view, &staevneKlasseInfo::connectDB, this, [&](const QString &name) {
        ++asked; // as the main window does
        QSqlDatabase db = QSqlDatabase::addDatabase(standin::driverName(), name);
        db.setDatabaseName(m_file);
        db.open();
    });

    // Only the team class's starters statement reads the team table.
    QVERIFY(runSql(QStringLiteral("ALTER TABLE tblAnmeldelseHold RENAME TO tblAnmeldelseHoldAway")));
    view.refreshClass();
    QVERIFY(runSql(QStringLiteral("ALTER TABLE tblAnmeldelseHoldAway RENAME TO tblAnmeldelseHold")));
    QCOMPARE(listRows(view), before);
    // The header of another class cannot be read.
    standin::Faults::failNextStatements(1);
    view.show(NoMaximum);
    QCOMPARE(listRows(view), before);
    QCOMPARE(logged(log, -1).size(), 5); // the starters' statement, the header's statement and its 3 values

    // A connection that will not open again, then none at all (asked for once).
    standin::Faults::setRefuseOpen(true);
    QVERIFY(standin::Faults::dropConnection(Zep));
    view.show(Kur);
    standin::Faults::clear();
    QCOMPARE(listRows(view), before);
    QSqlDatabase::removeDatabase(Zep);
    view.show(Kur);
    QCOMPARE(listRows(view), before);
    view.show(Kur);
    QCOMPARE(asked, 1);
    QCOMPARE(view.listView1->topLevelItemCount(), 5);
}

QTEST_MAIN(TestDressageView)
#include "tst_dressageview.moc"

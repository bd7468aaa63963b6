// The dressage view against the stand-in database: the fixed classes of
// tests/data/dressage_fixture.sql loaded class by class, every column,
// counter and placing compared with values worked out by hand, and loads
// that cannot read the database leaving the view as it was.

#include "settings/appConfig.h"

#include "DressageFixture.h"
#include "HtmlCheck.h"

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
    void kurAndTeamClasses();
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

    // The labels and header fields are on the expected pages and document.
    QCOMPARE(view.klasseId, 9101);
    QCOMPARE(view.antalPlaceringer, 2); // 6 starters, none fixed
    QCOMPARE(view.antalStarter(), 6);
    QCOMPARE(view.resterendeStarter(), 1);
    QCOMPARE(view.lastChangeId, -1); // a load marks no starter, not even one who retired
    QCOMPARE(logged(log, 1), QStringList{QStringLiteral("ShowClass duplicate Start Id 9602 in class 31 A ignored")});

    // Every cell of every row is in the published document, which the page
    // test compares with its expected file. Here: the start without start
    // and entry number is left out, the deleted start is not there, the
    // start doubled by a second combination row shows once; 410.5 points of
    // 2 x 300 are 68.417 %.
    QCOMPARE(column(view, 10), (QStringList{"9601", "9602", "9603", "9608", "9604", "9605", "9606"}));
    QCOMPARE(column(view, 6).mid(0, 4), (QStringList{"68.417", "68.417", "66.667", "50.000"}));
    QCOMPARE(column(view, 9), (QStringList{"1", "1", "3", "4", "", "", ""}));
}

void TestDressageView::kurAndTeamClasses()
{
    // Kur: equal points 210 are decided by the Kur sums (30, 30, 27, 24);
    // equal sums share the placing. A judge's place counts the Kur mark too.
    DressageView view(m_cfg);
    view.show(Kur);
    QCOMPARE(column(view, 10), (QStringList{"9625", "9621", "9624", "9623", "9622"}));
    QCOMPARE(column(view, 9), (QStringList{"1", "2", "2", "4", "5"}));
    QCOMPARE(column(view, 33), (QStringList{"1", "2", "2", "2", "2"}));

    // Team 1 counts 70 + 65 (60 does not count), team 2 72 + 62; the rider
    // without a team has the most points but neither a team sum nor a team
    // placing, and does not move the teams' placings.
    view.show(Team);
    QCOMPARE(column(view, 10), (QStringList{"9631", "9632", "9633", "9634", "9635", "9636"}));
    QCOMPARE(column(view, 28), (QStringList{"135", "135", "135", "134", "134", ""}));
    QCOMPARE(column(view, 29), (QStringList{"1", "1", "1", "2", "2", ""}));
    QCOMPARE(column(view, 9), (QStringList{"3", "4", "6", "2", "5", "1"}));
}

void TestDressageView::noMaximumAndOwnPlacings()
{
    DressageView view(m_cfg);
    view.show(NoMaximum);
    QVERIFY(view.noMaxPnt);
    QCOMPARE(column(view, 6), (QStringList{"", ""}));
    QCOMPARE(column(view, 9), (QStringList{"1", "2"}));
    // The section's own number of placings stands, whatever the count.
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

// The dressage view against the stand-in database, for what the byte-exact
// pages and documents of tst_dressagepages do not show: a class without
// maximum points, the last-change mark, the start-time toggle, and loads
// that cannot read the database leaving the view as it was. And its
// Hippodata CSV export: the horse's sex and colour maps, the export of a
// fixed class started from the right-click menu, a NULL number read as no
// value, and a failed export keeping the previous file.

#include "database/HorseLookup.h"
#include "settings/appConfig.h"

#include "DressageFixture.h"
#include "HtmlCheck.h"

#include <QContextMenuEvent>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

using namespace fixture;

namespace {

constexpr int Individual = 31;
constexpr int Kur = 32;
constexpr int Team = 33;
constexpr int NoMaximum = 34;

} // namespace

class TestDressageView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_file = m_dir.filePath(QStringLiteral("zep.db"));
        const QString error = openCompetition(m_file);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        m_cfg = new appConfig(this, QString());
        m_cfg->setValue(QStringLiteral("http.root"), m_dir.filePath(QStringLiteral("html")));
    }

    void init() { standin::Faults::clear(); }
    void cleanupTestCase() { standin::Faults::clear(); }

    void noMaximumAndOwnPlacings()
    {
        DressageView view(m_cfg);
        view.show(NoMaximum);
        QCOMPARE(column(view.listView1, 6), (QStringList{"", ""}));
        QCOMPARE(column(view.listView1, 9), (QStringList{"1", "2"}));
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

        // The same view loading a class with a maximum forgets the flag and the
        // section's own number.
        view.show(Individual);
        QVERIFY(!view.noMaxPnt);
        QCOMPARE(view.antalPlaceringer, 2);
    }

    void doubleClickMarksStartIdAndRefreshKeepsIt()
    {
        // A load marks no starter, not even the one who retired.
        DressageView view(m_cfg);
        view.show(Individual);
        QCOMPARE(view.lastChangeId, -1);
        QSignalSpy changes(&view, &staevneKlasseInfo::resultChangeClass);
        emit view.listView1->itemDoubleClicked(view.listView1->topLevelItem(2), 0);
        view.refreshClass();
        QCOMPARE(jsonValue(outputPath(31), "lastChangeId"), QStringLiteral("9603"));
        QCOMPARE(changes.count(), 1);
        QCOMPARE(changes.at(0), (QVariantList{1, QStringLiteral("A"), 31, false}));
        // A reload that cannot read the class keeps the mark.
        standin::Faults::failNextStatements(1);
        view.refreshClass();
        QCOMPARE(view.lastChangeId, 9603);
        QCOMPARE(changes.count(), 1);
    }

    void keepStartTimeToggle()
    {
        const auto storedFlag = [] {
            QSqlQuery query(QSqlDatabase::database(Zep));
            if (!query.exec(QStringLiteral("SELECT BevarStartTid FROM dbo.tblAfdeling WHERE klasseId = 9101"))
                || !query.next())
                return query.lastError().text();
            return query.value(0).toString();
        };
        DressageView view(m_cfg);
        view.show(Individual);
        QSignalSpy changes(&view, &staevneKlasseInfo::resultChangeClass);
        view.visStartTid();
        QCOMPARE(storedFlag(), QStringLiteral("1"));
        QCOMPARE(jsonValue(outputPath(31), "bevarStartTid"), QStringLiteral("1"));
        view.visStartTid();
        QCOMPARE(storedFlag(), QStringLiteral("0"));
        QCOMPARE(changes.count(), 2);
    }

    void codes_data()
    {
        QTest::addColumn<QString>("koen");
        QTest::addColumn<QString>("sex");
        QTest::addColumn<QString>("farve");
        QTest::addColumn<QString>("colour");

        QTest::newRow("lower case stallion, plain bay") << "hi" << "S" << "BRUN" << "Bay";
        QTest::newRow("mare with blanks, dark bay") << " HO " << "M" << QString::fromUtf8("mørk brun") << "DarkBay";
        QTest::newRow("no sex, roan") << "" << "G" << "Brunskimmel" << "Roan";
        QTest::newRow("chestnut as the service spells it") << "HI" << "S" << QString::fromUtf8("Mørk  rød")
                                                          << "DarkChesnut";
        QTest::newRow("unknown colour as stored") << "ho" << "M" << "  Fuks  med blis " << "Fuks med blis";
    }

    void codes()
    {
        QFETCH(QString, koen);
        QFETCH(QString, sex);
        QFETCH(QString, farve);
        QFETCH(QString, colour);
        QCOMPARE(HorseLookup::sexCode(koen), sex);
        QCOMPARE(HorseLookup::colourName(farve), colour);
    }

    void exportFromTheMenu()
    {
        DressageView view(m_cfg);
        view.show(35);
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), view.mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(&view, &event);
        QCOMPARE(view.menuItems,
                 (QStringList{"<font color=darkblue><u><b>Export</b></u></font>", "&Hippodata Ctrl+H"}));

        // Highest start number first; a horse known only from a local row has
        // no registry fields; a ";" in a field does not make a 17th field.
        QCOMPARE(readFile(csv()), readFile(QStringLiteral(ZEP_TESTDATA "/hippodata_klasse35_A.csv")));
    }

    void nullNumberIsAnEmptyField()
    {
        // A driver hands a NULL number over as a typed null whose text is "0": a
        // horse without a birth date would be exported as born in year 0.
        QVERIFY(runSql(QStringLiteral(
                "INSERT INTO tblAnmeldelse (AnmeldelseId, KlasseId, AnmeldelseNr) VALUES (990001, 0, 0)")));
        DressageView view(m_cfg);
        bool ok = false;
        const QString nullNumber =
            view.getDBField(QStringLiteral("SELECT RytterId FROM tblAnmeldelse WHERE AnmeldelseId = 990001"), &ok);
        const QString zero
                = view.getDBField(QStringLiteral("SELECT AnmeldelseNr FROM tblAnmeldelse WHERE AnmeldelseId = 990001"));
        QVERIFY(runSql(QStringLiteral("DELETE FROM tblAnmeldelse WHERE AnmeldelseId = 990001")));
        QVERIFY(ok);
        QVERIFY2(nullNumber.isEmpty(), qPrintable(nullNumber));
        QCOMPARE(zero, QStringLiteral("0"));
    }

    void failedExportKeepsThePreviousFile()
    {
        DressageView view(m_cfg);
        view.show(35);
        view.exportKlasse();
        const QByteArray before = readFile(csv());
        QVERIFY(!before.isEmpty());

        QSignalSpy log(&view, &staevneKlasseInfo::logMessage);
        standin::Faults::failNextStatements(1);
        view.exportKlasse();
        QCOMPARE(readFile(csv()), before);
        QCOMPARE(logged(log, 1).size(), 1);
        QVERIFY(logged(log, 3).isEmpty());

        // No connection at all: nothing written.
        standin::Faults::setRefuseOpen(true);
        QVERIFY(standin::Faults::dropConnection(Zep));
        view.exportKlasse();
        QCOMPARE(readFile(csv()), before);
    }

    // Last: it leaves another connection in place of "ZEP".
    void failedLoadsKeepTheList()
    {
        DressageView view(m_cfg);
        view.show(Team);
        const QVector<QStringList> before = rowsOf(view.listView1);
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
        QCOMPARE(rowsOf(view.listView1), before);
        // The header of another class cannot be read.
        standin::Faults::failNextStatements(1);
        view.show(NoMaximum);
        QCOMPARE(rowsOf(view.listView1), before);
        QCOMPARE(logged(log, -1).size(), 5); // the starters' statement, the header's statement and its 3 values

        // A connection that will not open again, then none at all (asked for once).
        standin::Faults::setRefuseOpen(true);
        QVERIFY(standin::Faults::dropConnection(Zep));
        view.show(Kur);
        standin::Faults::clear();
        QCOMPARE(rowsOf(view.listView1), before);
        QSqlDatabase::removeDatabase(Zep);
        view.show(Kur);
        QCOMPARE(rowsOf(view.listView1), before);
        view.show(Kur);
        QCOMPARE(asked, 1);
        QCOMPARE(view.listView1->topLevelItemCount(), 5);
    }

private:
    QString csv() const { return m_dir.filePath(QStringLiteral("html/klasse35_A.csv")); }
    QString outputPath(int klasseNr) const
    {
        return m_dir.filePath(QStringLiteral("html/klasse%1_A.json").arg(klasseNr));
    }

    QTemporaryDir m_dir;
    QString m_file;
    appConfig *m_cfg = nullptr;
};

QTEST_MAIN(TestDressageView)
#include "tst_dressageview.moc"

// The Hippodata CSV export of the dressage view: the horse's sex and colour
// maps, the export of a fixed class started from the right-click menu, a
// NULL number read as no value, and a failed export keeping the previous
// file.

#include "database/HorseLookup.h"
#include "settings/appConfig.h"

#include "DressageFixture.h"

#include <QContextMenuEvent>
#include <QTemporaryDir>
#include <QtTest>

using namespace fixture;

class TestHippodata : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        const QString error = openCompetition(m_dir.filePath(QStringLiteral("zep.db")));
        QVERIFY2(error.isEmpty(), qPrintable(error));
        m_cfg = std::make_unique<appConfig>(nullptr, QString());
        m_cfg->setValue(QStringLiteral("http.root"), m_dir.filePath(QStringLiteral("html")));
    }

    void cleanup() { standin::Faults::clear(); }

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
        DressageView view(m_cfg.get());
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
        DressageView view(m_cfg.get());
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
        DressageView view(m_cfg.get());
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

private:
    QString csv() const { return m_dir.filePath(QStringLiteral("html/klasse35_A.csv")); }

    QTemporaryDir m_dir;
    std::unique_ptr<appConfig> m_cfg;
};

QTEST_MAIN(TestHippodata)
#include "tst_hippodata.moc"

// The Hippodata CSV export of the dressage view: the horse's sex and colour
// maps, the lines of a fixed class (tests/data/dressage_fixture.sql, class
// 35) against an expected file, a failed export keeping the previous file,
// and the right-click menu that starts it.

#include "demo/DemoCompetition.h"
#include "driver/StandinDriver.h"
#include "database/HorseLookup.h"
#include "settings/appConfig.h"
#include "views/dressur/staevneKlasseInfoDressur.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QTemporaryDir>
#include <QWidgetAction>
#include <QtTest>

#include <sqlite3.h>

namespace {

const QString Zep = QStringLiteral("ZEP");

// Answers the right-click menu by looking at it and picking "&Hippodata".
class ExportView : public staevneKlasseInfoDressur
{
public:
    using staevneKlasseInfoDressur::staevneKlasseInfoDressur;
    using staevneKlasseInfoDressur::getDBField;

    QStringList menuItems;

protected:
    void execMenu(QMenu *menu) override
    {
        for (QAction *action : menu->actions()) {
            if (auto *caption = qobject_cast<QWidgetAction *>(action)) {
                menuItems << qobject_cast<QLabel *>(caption->defaultWidget())->text();
            } else {
                menuItems << action->text() + QLatin1Char(' ') + action->shortcut().toString();
                action->trigger();
            }
        }
    }
};

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList logged(const QSignalSpy &spy, int level)
{
    QStringList texts;
    for (const QVariantList &args : spy)
        if (args.at(0).toInt() == level)
            texts << args.at(1).toString();
    return texts;
}

} // namespace

class TestHippodata : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void codes_data();
    void codes();
    void exportOfAClass();
    void nullNumberIsAnEmptyField();
    void failedExportKeepsThePreviousFile();
    void rightClickMenu();

private:
    QString csv() const { return m_dir.filePath(QStringLiteral("html/klasse35_A.csv")); }

    QTemporaryDir m_dir;
    std::unique_ptr<appConfig> m_cfg;
};

void TestHippodata::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString file = m_dir.filePath(QStringLiteral("zep.db"));
    standin::DemoOptions options;
    options.small = true;
    QString error;
    QVERIFY2(standin::generateDemoCompetition(file, options, &error), qPrintable(error));
    standin::registerDriver();
    QSqlDatabase db = QSqlDatabase::addDatabase(standin::driverName(), Zep);
    db.setDatabaseName(file);
    QVERIFY2(db.open(), qPrintable(db.lastError().text()));
    QFile fixture(QStringLiteral(ZEP_TESTDATA "/dressage_fixture.sql"));
    QVERIFY(fixture.open(QIODevice::ReadOnly));
    auto *handle = *static_cast<sqlite3 *const *>(db.driver()->handle().data());
    QCOMPARE(sqlite3_exec(handle, fixture.readAll().constData(), nullptr, nullptr, nullptr), SQLITE_OK);

    m_cfg = std::make_unique<appConfig>(nullptr, QString());
    m_cfg->setValue(QStringLiteral("http.root"), m_dir.filePath(QStringLiteral("html")));
}

void TestHippodata::cleanup()
{
    standin::Faults::clear();
}

void TestHippodata::codes_data()
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

void TestHippodata::codes()
{
    QFETCH(QString, koen);
    QFETCH(QString, sex);
    QFETCH(QString, farve);
    QFETCH(QString, colour);
    QCOMPARE(HorseLookup::sexCode(koen), sex);
    QCOMPARE(HorseLookup::colourName(farve), colour);
}

void TestHippodata::exportOfAClass()
{
    staevneKlasseInfoDressur view(m_cfg.get());
    view.showKlasse(50, 35, QStringLiteral("A"), 1, 9205);
    QSignalSpy log(&view, &staevneKlasseInfo::logMessage);
    view.exportKlasse();

    // Highest start number first; a horse known only from a local row has
    // no registry fields; a ";" in a field does not make a 17th field.
    const QByteArray bytes = readFile(csv());
    QCOMPARE(bytes, readFile(QStringLiteral(ZEP_TESTDATA "/hippodata_klasse35_A.csv")));
    for (const QByteArray &line : bytes.split('\n').mid(0, 5))
        QCOMPARE(line.count(';'), 15);
    QCOMPARE(logged(log, 3), QStringList{QStringLiteral("Hippodata eksport skrevet: %1").arg(csv())});
    QCOMPARE(logged(log, 1), QStringList{});
}

void TestHippodata::nullNumberIsAnEmptyField()
{
    // A database driver hands a NULL number over as a typed null whose text
    // is "0": a horse without a birth date would be exported as born in year
    // 0. The look-up reads NULL as no value, whatever its type.
    QSqlDatabase db = QSqlDatabase::database(Zep);
    auto *handle = *static_cast<sqlite3 *const *>(db.driver()->handle().data());
    QCOMPARE(sqlite3_exec(handle,
                          "INSERT INTO tblAnmeldelse (AnmeldelseId, KlasseId, AnmeldelseNr) VALUES (990001, 0, 0)",
                          nullptr, nullptr, nullptr),
             SQLITE_OK);
    ExportView view(m_cfg.get());
    bool ok = false;
    const QString nullNumber =
        view.getDBField(QStringLiteral("SELECT RytterId FROM tblAnmeldelse WHERE AnmeldelseId = 990001"), &ok);
    const QString zero = view.getDBField(QStringLiteral("SELECT AnmeldelseNr FROM tblAnmeldelse WHERE AnmeldelseId = 990001"));
    QCOMPARE(sqlite3_exec(handle, "DELETE FROM tblAnmeldelse WHERE AnmeldelseId = 990001", nullptr, nullptr, nullptr),
             SQLITE_OK);
    QVERIFY(ok);
    QVERIFY2(nullNumber.isEmpty(), qPrintable(nullNumber));
    QCOMPARE(zero, QStringLiteral("0"));
}

void TestHippodata::failedExportKeepsThePreviousFile()
{
    staevneKlasseInfoDressur view(m_cfg.get());
    view.showKlasse(50, 35, QStringLiteral("A"), 1, 9205);
    view.exportKlasse();
    const QByteArray before = readFile(csv());
    QVERIFY(!before.isEmpty());

    QSignalSpy log(&view, &staevneKlasseInfo::logMessage);
    standin::Faults::failNextStatements(1);
    view.exportKlasse();
    QCOMPARE(readFile(csv()), before);
    QCOMPARE(logged(log, 1).size(), 1);
    QVERIFY2(logged(log, 1).first().startsWith(QStringLiteral("Hippodata eksport af klasse 35 A fejlede: Injected")),
             qPrintable(logged(log, 1).first()));
    QVERIFY(logged(log, 3).isEmpty());

    // No connection at all: asked for, nothing written.
    standin::Faults::setRefuseOpen(true);
    QVERIFY(standin::Faults::dropConnection(Zep));
    log.clear();
    view.exportKlasse();
    QCOMPARE(readFile(csv()), before);
    QVERIFY(logged(log, 1).first().startsWith(QStringLiteral("An database error occured.")));
}

void TestHippodata::rightClickMenu()
{
    QFile::remove(csv());
    ExportView view(m_cfg.get());
    view.showKlasse(50, 35, QStringLiteral("A"), 1, 9205);
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), view.mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(&view, &event);
    QCOMPARE(view.menuItems, (QStringList{"<font color=darkblue><u><b>Export</b></u></font>", "&Hippodata Ctrl+H"}));
    QCOMPARE(readFile(csv()), readFile(QStringLiteral(ZEP_TESTDATA "/hippodata_klasse35_A.csv")));
}

QTEST_MAIN(TestHippodata)
#include "tst_hippodata.moc"

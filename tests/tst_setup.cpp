// The setup tab's class lists and its answers to the views: arena lists made
// on first use with their address line and pause row, one row per section in
// class order with whole names, the automatic and the operator's class
// change, the tab's switches and buttons, the page options and the database
// test.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include "publish/Setup.h"
#include "demo/SqliteDatabase.h"
#include "driver/StandinDriver.h"
#include "settings/appConfig.h"
#include "ChildProcesses.h"
#include "EventWait.h"

namespace {
// Answers the setup tab's dialogs the way a test wants.
class TestSetup : public Setup
{
public:
    using Setup::Setup;
    QColor colourAnswer;
    QStringList errorsShown;

protected:
    QColor askColour(const QColor &) override { return colourAnswer; }
    void showDatabaseError(const QString &text) override { errorsShown << text; }
};
} // namespace

class tst_Setup : public QObject
{
    Q_OBJECT

private:
    static QStringList column(QTreeWidget *list, int col)
    {
        QStringList out;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            out << list->topLevelItem(i)->text(col);
        return out;
    }
    static QStringList logTexts(const QSignalSpy &spy)
    {
        QStringList out;
        for (const auto &args : spy)
            out << args.at(1).toString();
        return out;
    }

private slots:
    // A signal ends this program at once (tests/ChildProcesses.h).
    void initTestCase() { childprocs::stopChildrenOnSignals(); }

    void arenaListsAndOrder()
    {
        appConfig cfg(nullptr, "unused.xml");
        cfg.setValue("host.info", "ringside: 192.0.2.10 / 10.0.0.2 / 127.0.0.1");
        Setup setup(&cfg, nullptr, "Server");
        const QString longName = "LA5 B Pony Championat for de bedste ekvipager i regionen, finale";

        setup.addClass(2, "LA5", "12", "B", "Lørdag");
        setup.addClass(2, "LA1 A", "3", "A", "Lørdag");
        setup.addClass(2, "LA5 A", "12", "A", "Lørdag");
        setup.addClass(2, longName, "12", "B", "Søndag"); // the section again
        setup.addClass(99, "LA5 V", "12", "V", "Søndag");

        QTreeWidget *bane2 = setup.classList(2);
        QVERIFY(bane2);
        QCOMPARE(column(bane2, 2), (QStringList{"0", "3", "12", "12"}));
        QCOMPARE(column(bane2, 3), (QStringList{"", "A", "A", "B"}));
        QCOMPARE(column(bane2, 1), (QStringList{"Pause", "LA1 A", "LA5 A", longName}));
        QCOMPARE(column(bane2, 4).last(), QStringLiteral("Søndag"));
        // Whole class names, however narrow the tab.
        setup.resize(300, 300);
        setup.show();
        QVERIFY(QTest::qWaitForWindowExposed(&setup));
        auto *tabs = setup.findChild<QTabWidget *>("classTabs");
        tabs->setCurrentIndex(0);
        WAIT_VERIFY(bane2->columnWidth(1) >= bane2->fontMetrics().horizontalAdvance(longName));

        // The arena's address takes the first address of the host line.
        auto *address = setup.classList(99)->parentWidget()->findChild<QLineEdit *>();
        QCOMPARE(address->text(), QStringLiteral("http://192.0.2.10:8080/bane99.html"));

        // A new competition starts with fresh lists and no stale tabs.
        setup.clearClasses();
        QVERIFY(!setup.classList(2));
        QCOMPARE(tabs->count(), 0);
        setup.addClass(2, "LA1 A", "3", "A", "Lørdag");
        QCOMPARE(column(setup.classList(2), 2), (QStringList{"0", "3"}));
    }

    // A new result makes its class the arena's active class unless switched
    // off (it is on without the setting); the operator's pick always does,
    // and the pause row brings back the arena's pause page.
    void activeClass_data()
    {
        QTest::addColumn<QString>("autoChange");
        QTest::addColumn<int>("how"); // 0 new result, 1 no new result, 2 pick, 3 pick the pause row
        QTest::addColumn<QStringList>("marks");
        QTest::addColumn<QStringList>("uploads");
        const QStringList own{"Upload file called html/klasse4_A.html \n", "Upload file called html/klasse4_A.json \n"};
        const QStringList arena{"Upload file called html/klasse4_A.html bane1.html\n",
                                "Upload file called html/klasse4_A.json bane1.json\n"};
        // Rows: pause, 3 A, 4 A, 4 B; only the section itself is marked.
        QTest::newRow("new result") << "" << 0 << QStringList{"", "", "Ja", ""} << own + arena;
        QTest::newRow("no new result") << "1" << 1 << QStringList{"Ja", "", "", ""} << own;
        QTest::newRow("switched off") << "0" << 0 << QStringList{"Ja", "", "", ""} << own;
        QTest::newRow("picked") << "0" << 2 << QStringList{"", "", "Ja", ""} << arena;
        QTest::newRow("pause picked")
            << "0" << 3 << QStringList{"Ja", "", "", ""}
            << QStringList{"Upload file called html/klasse0_1.html bane1.html\n",
                           "Upload file called html/klasse0_1.json bane1.json\n"};
    }
    void activeClass()
    {
        QFETCH(QString, autoChange);
        QFETCH(int, how);
        appConfig cfg(nullptr, "unused.xml");
        if (!autoChange.isEmpty())
            cfg.setValue("bane.autoChange", autoChange);
        Setup setup(&cfg, nullptr, "Server");
        setup.addClass(1, "LA1 A", "3", "A", "Lørdag");
        setup.addClass(1, "LA2 A", "4", "A", "Lørdag");
        setup.addClass(1, "LA2 B", "4", "B", "Lørdag");
        QTreeWidget *list = setup.classList(1);
        if (how == 3)
            emit list->itemActivated(list->topLevelItem(1), 0); // away from the pause row first
        QSignalSpy active(&setup, &Setup::activePage);
        QSignalSpy log(&setup, &Setup::logMessage);
        if (how < 2)
            setup.resultChangeClass(1, "A", 4, how == 0);
        else
            emit list->itemActivated(list->topLevelItem(how == 2 ? 2 : 0), 0);
        QTEST(logTexts(log), "uploads");
        QTEST(column(list, 0), "marks");
        const bool changes = how != 1 && (how > 1 || autoChange != "0");
        QCOMPARE(active.count(), changes ? 1 : 0);
        if (changes)
            QCOMPARE(active.last(), (QList<QVariant>{1, how == 3 ? "0" : "4", how == 3 ? "1" : "A"}));
    }

    // The tab's own controls: the switches start from the settings, store
    // their state before they report a change (and only a change), the
    // competition button asks for a choice, the name shows as given, and
    // the save button writes what was switched to the settings file.
    void tabControls()
    {
        QTemporaryDir dir;
        appConfig cfg(nullptr, dir.filePath("appCfg.xml"));
        cfg.setValue("app.server", "1");
        Setup setup(&cfg, nullptr, "Server");
        auto *server = setup.findChild<QCheckBox *>("serverBox");
        auto *upload = setup.findChild<QCheckBox *>("uploadBox");
        QVERIFY(server->isChecked());
        QVERIFY(!upload->isChecked());

        QStringList stored; // "app.server" as each signal found it
        connect(&setup, &Setup::serverEnabled, this,
                [&](bool on) { stored << QStringLiteral("%1:%2").arg(on).arg(cfg.getValue("app.server", "?")); });
        server->setChecked(false);
        server->setChecked(false);
        server->setChecked(true);
        server->setChecked(false);
        QCOMPARE(stored, (QStringList{"0:0", "1:1", "0:0"}));
        upload->setChecked(true);
        QCOMPARE(cfg.getValue("upload.state", "?"), QStringLiteral("1"));

        QSignalSpy select(&setup, &Setup::staevneSelectButton);
        setup.findChild<QPushButton *>("staevneButton")->click();
        QCOMPARE(select.count(), 1);
        setup.staevneNavn("Forårsstævne 2024");
        QCOMPARE(setup.findChild<QLabel *>("selectedStaevne")->text(), QStringLiteral("Forårsstævne 2024"));
        // A name from the database is shown as it is written, never as markup.
        QLabel *name = setup.findChild<QLabel *>("selectedStaevne");
        setup.staevneNavn("<b>Vest</b> & <i>Øst</i>");
        const int plainWidth = name->fontMetrics().horizontalAdvance(name->text());
        QVERIFY2(name->sizeHint().width() >= plainWidth, "the name is drawn as markup");

        QSignalSpy log(&setup, &Setup::logMessage);
        setup.findChild<QPushButton *>("saveButton")->click();
        appConfig saved(nullptr, cfg.fileName());
        QVERIFY(saved.readConfig());
        QCOMPARE(saved.getValue("app.server", "?"), QStringLiteral("0"));
        QCOMPARE(saved.getValue("upload.state", "?"), QStringLiteral("1"));
        QCOMPARE(log.count(), 1);
        QCOMPARE(log.last().at(0).toInt(), 3);
        QVERIFY(log.last().at(1).toString().contains(cfg.fileName()));
    }

    // Page options rewrite every class, the automatic class change does not;
    // a cancelled colour dialog keeps the colour.
    void pageOptions()
    {
        appConfig cfg(nullptr, "unused.xml");
        TestSetup setup(&cfg, nullptr, "Server");
        QSignalSpy refresh(&setup, &Setup::refresh);
        setup.findChild<QCheckBox *>("beregn.placering")->setChecked(false);
        QCOMPARE(cfg.getValue("beregn.placering", "1"), QStringLiteral("0"));
        setup.findChild<QCheckBox *>("bane.autoChange")->setChecked(false);
        QCOMPARE(refresh.count(), 1);
        auto *odd = setup.findChild<QPushButton *>("html.odd.background.color");
        setup.colourAnswer = QColor("#123abc");
        odd->click();
        setup.colourAnswer = QColor();
        odd->click();
        QCOMPARE(cfg.getValue("html.odd.background.color", ""), QStringLiteral("#123ABC"));
        QCOMPARE(refresh.count(), 2);
    }

    void databaseTest()
    {
        standin::registerDriver();
        QTemporaryDir dir;
        const QString file = dir.filePath("test.db");
        standin::SqliteDatabase db;
        QVERIFY(db.open(file, true) && db.exec("CREATE TABLE t (x INTEGER)"));

        appConfig cfg(nullptr, "unused.xml");
        cfg.setValue("database.driver", standin::driverName());
        cfg.setValue("database.name", file);
        TestSetup setup(&cfg, nullptr, "Server");
        QSignalSpy log(&setup, &Setup::logMessage);
        QVERIFY(setup.testDatabase());
        QVERIFY(setup.errorsShown.isEmpty());
        QCOMPARE(log.last().at(0).toInt(), 3);
        QVERIFY(!QSqlDatabase::contains("TESTDB"));
        QVERIFY(!QSqlDatabase::contains("ZEP")); // the station's own is not touched

        // Each failure is shown once and names what failed.
        cfg.setValue("database.name", dir.filePath("missing.db"));
        QVERIFY(!setup.testDatabase());
        cfg.setValue("database.driver", "NOSUCHDRIVER");
        QVERIFY(!setup.testDatabase());
        QCOMPARE(setup.errorsShown.size(), 2);
        QVERIFY(setup.errorsShown.at(0).contains("missing.db") && setup.errorsShown.at(1).contains("NOSUCHDRIVER"));
    }
};

QTEST_MAIN(tst_Setup)
#include "tst_setup.moc"

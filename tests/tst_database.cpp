// The station's database connection "ZEP" and its one-value queries, run
// against the SQL Server stand-in: how the connection is described for each
// driver, the status icon through open, failure and reconnect, and how
// failed statements, dropped links and empty answers are told apart.
#include <QLabel>
#include <QPlainTextEdit>
#include <QSqlDatabase>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include "database/DatabaseSettings.h"
#include "demo/SqliteDatabase.h"
#include "driver/StandinDriver.h"
#include "ChildProcesses.h"
#include "StationFixture.h"

class tst_Database : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_dbFile;

    QString settings(QMap<QString, QString> values)
    {
        static int n = 0;
        const QString path = m_dir.filePath(QStringLiteral("db%1.xml").arg(++n));
        values.insert({{"debug.show", "1"}, {"bane.baseUrl", ""}});
        return stationfx::writeSettings(path, values) ? path : QString();
    }
    QString standinSettings(const QString &file)
    {
        return settings({{"database.driver", standin::driverName()}, {"database.name", file}});
    }

    static QString icon(MainWidget &window)
    {
        for (QLabel *label : window.findChild<QStatusBar *>()->findChildren<QLabel *>()) {
            const QString path = label->property("icon").toString();
            if (path.startsWith("logo/database"))
                return path;
        }
        return QString();
    }
    static QString log(MainWidget &window)
    {
        return window.findChild<QPlainTextEdit *>("infoText")->toPlainText();
    }

private slots:
    void initTestCase()
    {
        childprocs::stopChildrenOnSignals();
        standin::registerDriver();
        MainWidget::setHostLookup([] { return HostAddresses{}; });
        m_dbFile = m_dir.filePath("competition.db");
        standin::SqliteDatabase db;
        QVERIFY(db.open(m_dbFile, true)
                && db.exec("CREATE TABLE tblEjer (KlubId TEXT, LOGOSTI BLOB);"
                           "INSERT INTO tblEjer VALUES ('*123*', x'89504e47');"
                           "CREATE TABLE tblOpdatering (OpdateringID INTEGER);"
                           "CREATE TABLE tblKlub (KlubId INTEGER, Klubnavn TEXT);"
                           "INSERT INTO tblKlub VALUES (NULL, NULL);"));
    }

    void cleanup()
    {
        standin::Faults::clear();
        QSqlDatabase::removeDatabase("ZEP");
    }

    void connectionString_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("expected");
        QTest::newRow("local default") << "(local)\\ZEP" << "DRIVER={SQL Server}; Server=(local)\\ZEP; DataBase=ZEP;";
        QTest::newRow("local in other case") << "(LOCAL)\\zep" << "DRIVER={SQL Server}; Server=(LOCAL)\\zep; DataBase=ZEP;";
        QTest::newRow("longer instance") << "(local)\\ZEP2"
                                         << "DRIVER={SQL Native Client};Network=DBMSSOCN;; Server=(local)\\ZEP2; DataBase=ZEP;";
        QTest::newRow("network server") << "ring-pc\\SQLEXPRESS"
                                        << "DRIVER={SQL Native Client};Network=DBMSSOCN;; Server=ring-pc\\SQLEXPRESS; DataBase=ZEP;";
    }
    void connectionString()
    {
        QFETCH(QString, server);
        QTEST(dbsettings::odbcConnectionString(server, "ZEP", "{SQL Server}", "{SQL Native Client};Network=DBMSSOCN;"),
              "expected");
    }

    void odbcConnectionIsDescribed()
    {
        // Lower-case "qodbc3" still builds the ODBC description; the setting
        // keeps its text, Qt gets its own driver name.
        MainWidget window(nullptr, settings({{"database.driver", "qodbc3"}, {"database.name", "Ring\\SQL"},
                                             {"database.hostname", "ignored"}}),
                          "MainWidget");
        window.connectDatabase("ZEP");
        QSqlDatabase db = QSqlDatabase::database("ZEP", false);
        QCOMPARE(db.driverName(), QStringLiteral("QODBC"));
        QCOMPARE(db.databaseName(), QStringLiteral("DRIVER={SQL Native Client};Network=DBMSSOCN;; Server=Ring\\SQL; DataBase=ZEP;"));
        QVERIFY(db.hostName().isEmpty());
        QCOMPARE(window.config()->getValue("database.driver", ""), QStringLiteral("qodbc3"));
    }

    void openFailAndReconnect()
    {
        MainWidget window(nullptr, standinSettings(m_dbFile), "MainWidget");
        QCOMPARE(icon(window), QStringLiteral("logo/database.png"));
        standin::Faults::setRefuseOpen(true);
        window.connectDatabase("ZEP");
        QCOMPARE(icon(window), QStringLiteral("logo/database_error.png"));
        QVERIFY(log(window).contains("Injected failure")); // the database's own words reach the log
        QVERIFY(!QSqlDatabase::database("ZEP", false).isOpen());
        // Every view asks again on every tick: an outage is logged once.
        for (int round = 0; round < 3; ++round)
            window.connectDatabase("ZEP");
        QCOMPARE(log(window).count("Error opening DataBase"), 1);
        QCOMPARE(log(window).count("db handler"), 1);
        standin::Faults::setRefuseOpen(false);
        for (int round = 0; round < 2; ++round) { // every call closes and opens again
            window.connectDatabase("ZEP");
            QCOMPARE(icon(window), QStringLiteral("logo/database_ok.png"));
            QVERIFY(QSqlDatabase::database("ZEP", false).isOpen());
        }
        // The outage ends when a statement succeeds again, not when the
        // connection opens: a database may open and answer nothing.
        QCOMPARE(log(window).count("er åben igen"), 0);
        QCOMPARE(window.getDBField("SELECT klubId FROM tblEjer"), QStringLiteral("*123*"));
        QCOMPARE(log(window).count("er åben igen"), 1);
        window.connectDatabase("ZEP");
        QCOMPARE(log(window).count("Old db handler"), 1); // the first after the outage
        // The next outage is logged again.
        standin::Faults::setRefuseOpen(true);
        window.connectDatabase("ZEP");
        window.connectDatabase("ZEP");
        QCOMPARE(log(window).count("Error opening DataBase"), 2);
        standin::Faults::setRefuseOpen(false);

        // A missing file is an error, and connecting does not make one.
        MainWidget missing(nullptr, standinSettings(m_dir.filePath("none.db")), "MainWidget");
        missing.connectDatabase("ZEP");
        QCOMPARE(icon(missing), QStringLiteral("logo/database_error.png"));
        QVERIFY(!QFile::exists(m_dir.filePath("none.db")));
    }

    void oneValueQueries()
    {
        MainWidget window(nullptr, standinSettings(m_dbFile), "MainWidget");
        bool ok = false;
        // No connection yet: it is made, and this call answers nothing.
        QVERIFY(window.getDBField("SELECT klubId FROM tblEjer", &ok).isNull() && !ok);
        QVERIFY(QSqlDatabase::database("ZEP", false).isOpen());
        QCOMPARE(icon(window), QStringLiteral("logo/database_ok.png"));

        QCOMPARE(window.getDBField("SELECT klubId FROM tblEjer", &ok), QStringLiteral("*123*"));
        QVERIFY(ok);
        QCOMPARE(window.getDBFieldByteArray("SELECT LOGOSTI FROM tblEjer", &ok), QByteArray("\x89PNG"));
        QVERIFY(ok);

        // An empty answer is not a failure, and logs nothing.
        const QString before = log(window);
        // A NULL reads as no value, also in a numeric column (where the
        // driver's typed null would otherwise read as "0").
        for (const char *empty : {"SELECT max(OpdateringID) FROM tblOpdatering",
                                  "SELECT klubId FROM tblEjer WHERE KlubId = 'none'", "SELECT KlubId FROM tblKlub",
                                  "SELECT Klubnavn FROM tblKlub"}) {
            QVERIFY2(window.getDBField(empty, &ok).isNull() && ok, empty);
            QVERIFY2(window.getDBFieldByteArray(empty, &ok).isEmpty() && ok, empty);
        }
        QCOMPARE(log(window), before);

        // A failed statement is told apart and logged at -1 with the statement.
        standin::Faults::failNextStatements(1);
        QVERIFY(window.getDBField("SELECT klubId FROM tblEjer", &ok).isNull() && !ok);
        QVERIFY(log(window).contains("\n SELECT klubId FROM tblEjer"));
        QVERIFY(window.getDBFieldByteArray("SELECT nonsense FROM nowhere", &ok).isEmpty() && !ok);

        // A dropped link is opened again by the look-up itself.
        QVERIFY(standin::Faults::dropConnection("ZEP"));
        QCOMPARE(window.getDBField("SELECT klubId FROM tblEjer", &ok), QStringLiteral("*123*"));
        QVERIFY(ok);

        // ... unless the database refuses: then the failure is reported.
        QVERIFY(standin::Faults::dropConnection("ZEP"));
        standin::Faults::setRefuseOpen(true);
        QVERIFY(window.getDBField("SELECT klubId FROM tblEjer", &ok).isNull() && !ok);
    }
};

QTEST_MAIN(tst_Database)
#include "tst_database.moc"

// The stand-in as a Qt SQL driver: opening, binding, values and their types,
// scrolling and live cursors, errors, the one update and the injected failures.

#include "driver/StandinDriver.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

using standin::Faults;

namespace {

QList<int> column0(QSqlQuery &query)
{
    QList<int> values;
    while (query.next())
        values << query.value(0).toInt();
    return values;
}

} // namespace

class TestDriver : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_file = m_dir.filePath(QStringLiteral("driver.db"));
        sqlite3 *db = nullptr;
        QCOMPARE(sqlite3_open_v2(QFile::encodeName(m_file).constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                                 nullptr),
                 SQLITE_OK);
        QVERIFY(standin::installTsqlSupport(db));
        const char *schema = R"(
            CREATE TABLE tblAfdeling (afdelingId INTEGER PRIMARY KEY, klasseId INTEGER,
                                      afdelingInitialer TEXT COLLATE TSQL_CI, BevarStartTid INTEGER,
                                      Point REAL, Logo BLOB, Dato DATETIME);
            INSERT INTO tblAfdeling VALUES (1, 10, 'A', 0, 345.5, x'89504E47', '2024-05-01 09:00:00.000');
            INSERT INTO tblAfdeling VALUES (2, 10, 'B', 1, NULL, NULL, NULL);
            INSERT INTO tblAfdeling VALUES (3, 11, 'A', 0, 0, NULL, '2024-05-02 00:00:00.000');
            CREATE TABLE tblVaerdi (Id INTEGER PRIMARY KEY, Tal INTEGER, Tekst TEXT COLLATE TSQL_CI,
                                    Flyd REAL, Data BLOB, Tid DATETIME);
        )";
        QCOMPARE(sqlite3_exec(db, schema, nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
        standin::registerDriver();
        standin::registerDriver();
        QCOMPARE(QSqlDatabase::drivers().count(standin::driverName()), 1);
    }

    void cleanup()
    {
        Faults::clear();
        const QStringList names = QSqlDatabase::connectionNames();
        for (const QString &name : names) {
            QSqlDatabase::database(name, false).close();
            QSqlDatabase::removeDatabase(name);
        }
    }

    void openFailures()
    {
        QFile junk(m_dir.filePath(QStringLiteral("junk.db")));
        QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write(QByteArray(4096, 'x')) == 4096);
        junk.close();
        for (const QString &file : {m_dir.filePath(QStringLiteral("missing.db")), junk.fileName(), QString()}) {
            QSqlDatabase db = QSqlDatabase::addDatabase(standin::driverName(), QStringLiteral("failing ") + file);
            db.setDatabaseName(file);
            QVERIFY2(!db.open(), qPrintable(file));
            QCOMPARE(db.lastError().type(), QSqlError::ConnectionError);
        }
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("missing.db")))); // connecting never makes a database

        // An injected refusal fails the open like a real one, until it is lifted.
        Faults::setRefuseOpen(true);
        QSqlDatabase db = open(QStringLiteral("refused"));
        QVERIFY(!db.isOpen());
        QCOMPARE(db.lastError().type(), QSqlError::ConnectionError);
        Faults::setRefuseOpen(false);
        QVERIFY(db.open());
    }

    void binding()
    {
        QSqlQuery query(open(QStringLiteral("binding")));
        // A name used twice, bound once; text compared without case and trailing blanks.
        QVERIFY(query.prepare(QStringLiteral("SELECT afdelingId FROM dbo.tblAfdeling WHERE klasseId = :klasseId "
                                             "AND afdelingInitialer = :afdeling OR afdelingId = :klasseId "
                                             "ORDER BY afdelingId")));
        query.bindValue(QStringLiteral(":afdeling"), QStringLiteral("a "));
        query.bindValue(QStringLiteral(":klasseId"), 11);
        QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
        QCOMPARE(column0(query), QList<int>({3}));
        // The same prepared query again with other values.
        query.bindValue(QStringLiteral(":klasseId"), 10);
        query.bindValue(QStringLiteral(":afdeling"), QStringLiteral("B"));
        QVERIFY(query.exec());
        QCOMPARE(column0(query), QList<int>({2}));

        QVERIFY(query.prepare(
                QStringLiteral("SELECT afdelingId FROM tblAfdeling WHERE klasseId = ? AND BevarStartTid = ?")));
        query.addBindValue(10);
        query.addBindValue(1);
        QVERIFY(query.exec());
        QCOMPARE(column0(query), QList<int>({2}));

        // A placeholder without a value is an error, not a silent NULL.
        QVERIFY(!query.exec(QStringLiteral("SELECT count(*) FROM tblAfdeling WHERE klasseId = :klasseId")));
        QCOMPARE(query.lastError().type(), QSqlError::StatementError);

        // The one statement of the station that writes, and its count of rows.
        QVERIFY(query.exec(QStringLiteral("UPDATE dbo.tblAfdeling SET BevarStartTid = 1 WHERE klasseId = 10 ")));
        QCOMPARE(query.numRowsAffected(), 2);
    }

    void boundTypesRoundTrip_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QVariant>("bound");
        QTest::addColumn<QVariant>("read");
        const QByteArray bytes("\x89PNG\0\x01", 6);
        QTest::newRow("int") << "Tal" << QVariant(42) << QVariant(42);
        QTest::newRow("Danish text") << "Tekst" << QVariant(QStringLiteral("Ærø Å"))
                                     << QVariant(QStringLiteral("Ærø Å"));
        QTest::newRow("empty text") << "Tekst" << QVariant(QStringLiteral("")) << QVariant(QStringLiteral(""));
        QTest::newRow("double") << "Flyd" << QVariant(68.125) << QVariant(68.125);
        QTest::newRow("bytes with a zero") << "Data" << QVariant(bytes) << QVariant(bytes);
        QTest::newRow("null string") << "Tekst" << QVariant(QString()) << QVariant();
        QTest::newRow("invalid") << "Tal" << QVariant() << QVariant();
    }

    void boundTypesRoundTrip()
    {
        QFETCH(QString, column);
        QFETCH(QVariant, bound);
        QFETCH(QVariant, read);
        QSqlQuery query(open(QStringLiteral("types")));
        QVERIFY(query.exec(QStringLiteral("DELETE FROM tblVaerdi")));
        QVERIFY(query.prepare(QStringLiteral("INSERT INTO tblVaerdi (Id, %1) VALUES (1, :v)").arg(column)));
        query.bindValue(QStringLiteral(":v"), bound);
        QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
        QCOMPARE(query.numRowsAffected(), 1);
        QVERIFY(query.exec(QStringLiteral("SELECT %1 FROM tblVaerdi").arg(column)) && query.next());
        QCOMPARE(query.isNull(0), read.isNull());
        if (!read.isNull()) {
            QCOMPARE(query.value(0).metaType(), read.metaType());
            QCOMPARE(query.value(0), read);
        }
    }

    void scrolling()
    {
        // Both kinds of query give every row in order and run again from the start.
        QSqlDatabase db = open(QStringLiteral("scroll"));
        const QString statement = QStringLiteral("SELECT afdelingId FROM tblAfdeling ORDER BY afdelingId");
        for (const bool forwardOnly : {false, true}) {
            QSqlQuery query(db);
            query.setForwardOnly(forwardOnly);
            for (int run = 0; run < 2; ++run) {
                QVERIFY(query.exec(statement));
                QCOMPARE(column0(query), QList<int>({1, 2, 3}));
            }
            // No rows: still an active select, without a first row.
            QVERIFY(query.exec(QStringLiteral("SELECT afdelingId FROM tblAfdeling WHERE klasseId = 99")));
            QVERIFY(query.isActive() && query.isSelect());
            QVERIFY(!query.next());
        }
        // Two live queries of one statement do not share a cursor.
        QSqlQuery first(db);
        QSqlQuery second(db);
        QVERIFY(first.exec(statement) && second.exec(statement));
        QVERIFY(first.next() && second.next() && first.next());
        QCOMPARE(first.value(0).toInt(), 2);
        QCOMPARE(second.value(0).toInt(), 1);
    }

    void keptQueryDoesNotBlockWriter()
    {
        QSqlDatabase db = open(QStringLiteral("reader"));
        QSqlQuery scrollable(db);
        QVERIFY(scrollable.exec(QStringLiteral("SELECT afdelingId FROM tblAfdeling")));
        QVERIFY(scrollable.next());
        // The competition-management system writes while the station reads.
        sqlite3 *writer = nullptr;
        QCOMPARE(sqlite3_open_v2(QFile::encodeName(m_file).constData(), &writer, SQLITE_OPEN_READWRITE, nullptr),
                 SQLITE_OK);
        const char *write = "UPDATE tblAfdeling SET Point = Point";
        QCOMPARE(sqlite3_exec(writer, write, nullptr, nullptr, nullptr), SQLITE_OK);
        QVERIFY(scrollable.next());
        // A forward-only query holds its statement until it is finished.
        QSqlQuery forward(db);
        forward.setForwardOnly(true);
        QVERIFY(forward.exec(QStringLiteral("SELECT afdelingId FROM tblAfdeling")));
        QVERIFY(forward.next());
        QCOMPARE(sqlite3_exec(writer, write, nullptr, nullptr, nullptr), SQLITE_BUSY);
        forward.finish();
        QCOMPARE(sqlite3_exec(writer, write, nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(writer);
    }

    void statementErrors_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("named");
        QTest::newRow("syntax") << "SELECT FROM WHERE" << "syntax error";
        QTest::newRow("missing table") << "SELECT a FROM dbo.tblIngen" << "tblIngen";
        QTest::newRow("missing column") << "SELECT Ingen FROM tblAfdeling" << "Ingen";
    }

    void statementErrors()
    {
        QFETCH(QString, statement);
        QFETCH(QString, named);
        QSqlQuery query(open(QStringLiteral("errors")));
        QVERIFY(!query.prepare(statement));
        QCOMPARE(query.lastError().type(), QSqlError::StatementError);
        QVERIFY2(query.lastError().text().contains(named), qPrintable(query.lastError().text()));
        QVERIFY(!query.exec(statement));
        QVERIFY(!query.isActive());
        QVERIFY(query.exec(QStringLiteral("SELECT count(*) FROM tblAfdeling"))); // the connection is unharmed
    }

    void injectedFailures()
    {
        // Two failed statements, prepared or not, then it works again.
        const QString statement = QStringLiteral("SELECT count(*) FROM tblAfdeling");
        QSqlDatabase db = open(QStringLiteral("ZEP"));
        QSqlDatabase other = open(QStringLiteral("other"));
        QSqlQuery query(db);
        Faults::failNextStatements(2);
        QVERIFY(query.prepare(statement));
        QVERIFY(!query.exec());
        QCOMPARE(query.lastError().type(), QSqlError::StatementError);
        QVERIFY(!query.exec(statement));
        QVERIFY(query.exec(statement) && query.next());

        // A dropped connection fails its queries until it is opened again.
        QVERIFY(Faults::dropConnection(QStringLiteral("ZEP")));
        QVERIFY(!Faults::dropConnection(QStringLiteral("ZEP")));
        QVERIFY(!db.isOpen() && other.isOpen());
        QVERIFY(!query.isActive() && !query.next());
        QVERIFY(!query.exec());
        QCOMPARE(query.lastError().type(), QSqlError::ConnectionError);

        // The lookup with the open flag reconnects, and queries work again.
        QVERIFY(QSqlDatabase::database(QStringLiteral("ZEP"), true).isOpen());
        QVERIFY(query.exec(QStringLiteral("SELECT count(*) FROM tblAfdeling")) && query.next());
        QCOMPARE(query.value(0).toInt(), 3);
        QCOMPARE(Faults::dropConnections(), 2);
        QVERIFY(!other.isOpen());
    }

private:
    QSqlDatabase open(const QString &name)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(standin::driverName(), name);
        db.setDatabaseName(m_file);
        if (!db.open())
            qWarning("open: %s", qPrintable(db.lastError().text()));
        return db;
    }

    QTemporaryDir m_dir;
    QString m_file;
};

QTEST_GUILESS_MAIN(TestDriver)
#include "tst_driver.moc"

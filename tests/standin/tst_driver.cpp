// The stand-in as a Qt SQL driver: opening, binding, values and their types,
// scrolling, errors, the caches and the injected failures.

#include "driver/StandinDriver.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

using standin::Faults;

class TestDriver : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void registration();
    void openFailures_data();
    void openFailures();
    void namedAndPositionalBinding();
    void boundTypesRoundTrip_data();
    void boundTypesRoundTrip();
    void valueTypesAndNulls();
    void scrollableAndForwardOnly();
    void keptQueryDoesNotBlockWriter();
    void statementErrors_data();
    void statementErrors();
    void updateAndTransactions();
    void cachesPayOnce();
    void closedConnection();

    void refusedOpen();
    void failedStatements();
    void droppedConnection();

private:
    QSqlDatabase open(const QString &name);

    QTemporaryDir m_dir;
    QString m_file;
};

void TestDriver::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_file = m_dir.filePath(QStringLiteral("driver.db"));
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open_v2(QFile::encodeName(m_file).constData(), &db,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr),
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
}

void TestDriver::init()
{
    Faults::clear();
}

void TestDriver::cleanup()
{
    Faults::clear();
    const QStringList names = QSqlDatabase::connectionNames();
    for (const QString &name : names) {
        QSqlDatabase::database(name, false).close();
        QSqlDatabase::removeDatabase(name);
    }
}

QSqlDatabase TestDriver::open(const QString &name)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(standin::driverName(), name);
    db.setDatabaseName(m_file);
    if (!db.open())
        qWarning("open: %s", qPrintable(db.lastError().text()));
    return db;
}

void TestDriver::registration()
{
    standin::registerDriver();
    standin::registerDriver();
    QCOMPARE(QSqlDatabase::drivers().count(standin::driverName()), 1);
    QVERIFY(QSqlDatabase::isDriverAvailable(standin::driverName()));

    QSqlDatabase db = open(QStringLiteral("registration"));
    QVERIFY(db.isOpen());
    const QVariant handle = db.driver()->handle();
    QCOMPARE(handle.typeName(), "sqlite3*");
    QVERIFY(*static_cast<sqlite3 *const *>(handle.constData()));
}

void TestDriver::openFailures_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("missing file") << "missing.db";
    QTest::newRow("not a database") << "not-a-database.db";
    QTest::newRow("no name") << "";
}

void TestDriver::openFailures()
{
    QFETCH(QString, file);
    QFile junk(m_dir.filePath(QStringLiteral("not-a-database.db")));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'x'));
    junk.close();

    QSqlDatabase db = QSqlDatabase::addDatabase(standin::driverName(), QStringLiteral("failing"));
    db.setDatabaseName(file.isEmpty() ? QString() : m_dir.filePath(file));
    QVERIFY(!db.open());
    QVERIFY(!db.isOpen());
    QCOMPARE(db.lastError().type(), QSqlError::ConnectionError);
    QVERIFY(!db.lastError().text().isEmpty());
    // Connecting never makes a database.
    QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("missing.db"))));
}

void TestDriver::namedAndPositionalBinding()
{
    QSqlDatabase db = open(QStringLiteral("binding"));
    QSqlQuery query(db);
    QVERIFY(query.prepare(QStringLiteral("SELECT afdelingId FROM dbo.tblAfdeling "
                                         "WHERE klasseId = :klasseId AND afdelingInitialer = :afdeling "
                                         "OR afdelingId = :klasseId ORDER BY afdelingId")));
    query.bindValue(QStringLiteral(":afdeling"), QStringLiteral("a "));
    query.bindValue(QStringLiteral(":klasseId"), 11);
    QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
    QList<int> ids;
    while (query.next())
        ids << query.value(0).toInt();
    QCOMPARE(ids, QList<int>({3}));

    // Executed again with other values, the same prepared query.
    query.bindValue(QStringLiteral(":klasseId"), 10);
    query.bindValue(QStringLiteral(":afdeling"), QStringLiteral("B"));
    QVERIFY(query.exec());
    ids.clear();
    while (query.next())
        ids << query.value(0).toInt();
    QCOMPARE(ids, QList<int>({2}));

    QVERIFY(query.prepare(QStringLiteral("SELECT count(*) FROM tblAfdeling WHERE klasseId = ? AND BevarStartTid = ?")));
    query.addBindValue(10);
    query.addBindValue(0);
    QVERIFY(query.exec());
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toInt(), 1);

    // A placeholder without a value is an error, not a silent NULL.
    QVERIFY(!query.exec(QStringLiteral("SELECT count(*) FROM tblAfdeling WHERE klasseId = :klasseId")));
    QCOMPARE(query.lastError().type(), QSqlError::StatementError);
}

void TestDriver::boundTypesRoundTrip_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QVariant>("bound");
    QTest::addColumn<QVariant>("read");

    QTest::newRow("int") << "Tal" << QVariant(42) << QVariant(42);
    QTest::newRow("bool") << "Tal" << QVariant(true) << QVariant(1);
    QTest::newRow("big integer") << "Tal" << QVariant(qlonglong(1) << 40) << QVariant(qlonglong(1) << 40);
    QTest::newRow("Danish text") << "Tekst" << QVariant(QStringLiteral("Ærø Å")) << QVariant(QStringLiteral("Ærø Å"));
    QTest::newRow("empty text is not NULL") << "Tekst" << QVariant(QString(QLatin1String(""))) << QVariant(QString(QLatin1String("")));
    QTest::newRow("double") << "Flyd" << QVariant(68.125) << QVariant(68.125);
    QTest::newRow("bytes") << "Data" << QVariant(QByteArray("\x89PNG\0\x01", 6)) << QVariant(QByteArray("\x89PNG\0\x01", 6));
    QTest::newRow("date time") << "Tid" << QVariant(QDateTime(QDate(2024, 5, 1), QTime(9, 30, 5, 250)))
                               << QVariant(QStringLiteral("2024-05-01 09:30:05.250"));
    QTest::newRow("date") << "Tid" << QVariant(QDate(2024, 5, 1)) << QVariant(QStringLiteral("2024-05-01 00:00:00.000"));
    QTest::newRow("time") << "Tid" << QVariant(QTime(14, 5)) << QVariant(QStringLiteral("1900-01-01 14:05:00.000"));
    QTest::newRow("null string") << "Tekst" << QVariant(QString()) << QVariant();
    QTest::newRow("invalid") << "Tal" << QVariant() << QVariant();
}

void TestDriver::boundTypesRoundTrip()
{
    QFETCH(QString, column);
    QFETCH(QVariant, bound);
    QFETCH(QVariant, read);
    QSqlDatabase db = open(QStringLiteral("types"));
    QSqlQuery query(db);
    QVERIFY(query.exec(QStringLiteral("DELETE FROM tblVaerdi")));
    QVERIFY(query.prepare(QStringLiteral("INSERT INTO tblVaerdi (Id, %1) VALUES (1, :v)").arg(column)));
    query.bindValue(QStringLiteral(":v"), bound);
    QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
    QCOMPARE(query.numRowsAffected(), 1);
    QCOMPARE(query.lastInsertId().toInt(), 1);

    QVERIFY(query.exec(QStringLiteral("SELECT %1 FROM tblVaerdi").arg(column)));
    QVERIFY(query.next());
    QCOMPARE(query.isNull(0), read.isNull());
    if (!read.isNull()) {
        QCOMPARE(query.value(0).metaType(), read.metaType());
        QCOMPARE(query.value(0), read);
    }
}

void TestDriver::valueTypesAndNulls()
{
    QSqlDatabase db = open(QStringLiteral("values"));
    QSqlQuery query(db);
    QVERIFY(query.exec(QStringLiteral("SELECT afdelingId, afdelingInitialer AS afd, Point, Logo, Dato "
                                      "FROM tblAfdeling ORDER BY afdelingId")));
    const QSqlRecord record = query.record();
    QCOMPARE(record.count(), 5);
    QCOMPARE(record.fieldName(1), QStringLiteral("afd"));
    QCOMPARE(record.field(0).metaType(), QMetaType::fromType<int>());
    QCOMPARE(record.field(2).metaType(), QMetaType::fromType<double>());

    QVERIFY(query.next());
    QCOMPARE(query.value(0).metaType(), QMetaType::fromType<int>());
    QCOMPARE(query.value(1), QVariant(QStringLiteral("A")));
    QCOMPARE(query.value(2), QVariant(345.5));
    QCOMPARE(query.value(3), QVariant(QByteArray("\x89PNG", 4)));
    QCOMPARE(query.value(4), QVariant(QStringLiteral("2024-05-01 09:00:00.000")));

    QVERIFY(query.next());
    for (int i = 2; i < 5; ++i) {
        QVERIFY2(query.isNull(i), qPrintable(QString::number(i)));
        QVERIFY(query.value(i).isNull());
    }
    // What the station makes of a NULL: "0" in a number, empty text.
    QCOMPARE(query.value(2).toInt(), 0);
    QVERIFY(query.value(4).toString().isEmpty());
    QVERIFY(!query.value(5).isValid());
}

void TestDriver::scrollableAndForwardOnly()
{
    QSqlDatabase db = open(QStringLiteral("scroll"));
    const QString statement = QStringLiteral("SELECT afdelingId FROM tblAfdeling ORDER BY afdelingId");
    QSqlQuery query(db);
    QVERIFY(query.exec(statement));
    QVERIFY(query.last());
    QCOMPARE(query.value(0).toInt(), 3);
    QCOMPARE(query.at(), 2);
    QVERIFY(query.previous());
    QCOMPARE(query.value(0).toInt(), 2);
    QVERIFY(query.first());
    QCOMPARE(query.value(0).toInt(), 1);
    QVERIFY(query.seek(2));
    QVERIFY(!query.next());
    QVERIFY(query.seek(1));
    QCOMPARE(query.value(0).toInt(), 2);

    QSqlQuery forward(db);
    forward.setForwardOnly(true);
    QVERIFY(forward.exec(statement));
    QList<int> ids;
    while (forward.next())
        ids << forward.value(0).toInt();
    QCOMPARE(ids, QList<int>({1, 2, 3}));
    QVERIFY(!forward.next());
    QVERIFY(forward.exec(statement));
    QVERIFY(forward.next());
    QVERIFY(forward.next());
    QCOMPARE(forward.value(0).toInt(), 2);
    QVERIFY(forward.last());
    QCOMPARE(forward.value(0).toInt(), 3);

    // A statement without rows: no first row, and the query is still active.
    QVERIFY(query.exec(QStringLiteral("SELECT afdelingId FROM tblAfdeling WHERE klasseId = 99")));
    QVERIFY(query.isActive());
    QVERIFY(query.isSelect());
    QVERIFY(!query.next());
    QVERIFY(!query.last());
}

void TestDriver::keptQueryDoesNotBlockWriter()
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

    // A forward-only query holds its statement, and the writer waits for it.
    QSqlQuery forward(db);
    forward.setForwardOnly(true);
    QVERIFY(forward.exec(QStringLiteral("SELECT afdelingId FROM tblAfdeling")));
    QVERIFY(forward.next());
    QCOMPARE(sqlite3_exec(writer, write, nullptr, nullptr, nullptr), SQLITE_BUSY);
    forward.finish();
    QCOMPARE(sqlite3_exec(writer, write, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(writer);
}

void TestDriver::statementErrors_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("named");
    QTest::newRow("syntax") << "SELECT FROM WHERE" << "syntax error";
    QTest::newRow("missing table") << "SELECT a FROM dbo.tblIngen" << "tblIngen";
    QTest::newRow("missing column") << "SELECT Ingen FROM tblAfdeling" << "Ingen";
    QTest::newRow("translation") << "SELECT GETDATE()" << "GETDATE";
}

void TestDriver::statementErrors()
{
    QFETCH(QString, statement);
    QFETCH(QString, named);
    QSqlDatabase db = open(QStringLiteral("errors"));
    QSqlQuery query(db);
    QVERIFY(!query.prepare(statement));
    QCOMPARE(query.lastError().type(), QSqlError::StatementError);
    QVERIFY2(query.lastError().text().contains(named), qPrintable(query.lastError().text()));
    QVERIFY(!query.exec(statement));
    QCOMPARE(query.lastError().type(), QSqlError::StatementError);
    QVERIFY(!query.isActive());
    // The connection is unharmed.
    QVERIFY(query.exec(QStringLiteral("SELECT count(*) FROM tblAfdeling")));
}

void TestDriver::updateAndTransactions()
{
    QSqlDatabase db = open(QStringLiteral("update"));
    QSqlQuery query(db);
    // The one statement of the station that writes.
    QVERIFY(query.exec(QStringLiteral("UPDATE dbo.tblAfdeling SET BevarStartTid = 1 WHERE klasseId = 10 ")));
    QVERIFY(!query.isSelect());
    QCOMPARE(query.numRowsAffected(), 2);

    QVERIFY(db.transaction());
    QVERIFY(query.exec(QStringLiteral("UPDATE tblAfdeling SET BevarStartTid = 7")));
    QVERIFY(db.rollback());
    QVERIFY(query.exec(QStringLiteral("SELECT max(BevarStartTid) FROM dbo.tblAfdeling")));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toInt(), 1);

    QVERIFY(db.transaction());
    QVERIFY(query.exec(QStringLiteral("UPDATE tblAfdeling SET BevarStartTid = 0")));
    QVERIFY(db.commit());
    QVERIFY(query.exec(QStringLiteral("SELECT max(BevarStartTid) FROM tblAfdeling")));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toInt(), 0);
    QVERIFY(!db.commit());
    QCOMPARE(db.lastError().type(), QSqlError::TransactionError);
}

void TestDriver::cachesPayOnce()
{
    QSqlDatabase db = open(QStringLiteral("cache"));
    const QString statement = QStringLiteral(
        "SELECT CAST(CONVERT( varchar,AF.Dato, 14) AS varchar(5)) FROM dbo.tblAfdeling AS AF "
        "WHERE AF.klasseId = :klasseId ORDER BY AF.afdelingId");
    for (int tick = 0; tick < 3; ++tick) {
        // A new query each time, as the station's ticks make them.
        QSqlQuery query(db);
        QVERIFY(query.prepare(statement));
        query.bindValue(QStringLiteral(":klasseId"), 10);
        QVERIFY(query.exec());
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toString(), QStringLiteral("09:00"));
    }
    standin::DriverStatistics statistics = standin::driverStatistics(db);
    QCOMPARE(statistics.translations, 1);
    QCOMPARE(statistics.translationCacheHits, 2);
    QCOMPARE(statistics.prepares, 1);
    QCOMPARE(statistics.statementCacheHits, 2);

    // Two queries at once with one statement each get a statement of their own.
    QSqlQuery first(db);
    QSqlQuery second(db);
    QVERIFY(first.exec(QStringLiteral("SELECT afdelingId FROM tblAfdeling ORDER BY afdelingId")));
    QVERIFY(second.exec(QStringLiteral("SELECT afdelingId FROM tblAfdeling ORDER BY afdelingId")));
    QVERIFY(first.next());
    QVERIFY(second.next());
    QVERIFY(first.next());
    QCOMPARE(first.value(0).toInt(), 2);
    QCOMPARE(second.value(0).toInt(), 1);

    statistics = standin::driverStatistics(db);
    QCOMPARE(statistics.translations, 2);
    QCOMPARE(statistics.prepares, 3);

    // Reopening keeps the translations but not the prepared statements.
    db.close();
    QVERIFY(db.open());
    QSqlQuery again(db);
    QVERIFY(again.prepare(statement));
    statistics = standin::driverStatistics(db);
    QCOMPARE(statistics.translations, 2);
    QCOMPARE(statistics.prepares, 4);

    QCOMPARE(standin::driverStatistics(QSqlDatabase()).translations, 0);
}

void TestDriver::closedConnection()
{
    QSqlDatabase db = open(QStringLiteral("closing"));
    QSqlQuery query(db);
    QVERIFY(query.exec(QStringLiteral("SELECT afdelingId FROM tblAfdeling")));
    QVERIFY(query.next());
    db.close();
    QVERIFY(!query.isActive());
    QVERIFY(!query.exec());
    QCOMPARE(query.lastError().type(), QSqlError::ConnectionError);
    QVERIFY(db.open());
    QVERIFY(query.exec(QStringLiteral("SELECT afdelingId FROM tblAfdeling")));
    QVERIFY(query.next());
}

void TestDriver::refusedOpen()
{
    Faults::setRefuseOpen(true);
    QSqlDatabase db = QSqlDatabase::addDatabase(standin::driverName(), QStringLiteral("refused"));
    db.setDatabaseName(m_file);
    QVERIFY(!db.open());
    QCOMPARE(db.lastError().type(), QSqlError::ConnectionError);
    QVERIFY2(db.lastError().text().contains(QLatin1String("Injected failure")), qPrintable(db.lastError().text()));
    // The lookup with the open flag tries again, and fails again.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("unable to open database.*Injected failure")));
    QVERIFY(!QSqlDatabase::database(QStringLiteral("refused"), true).isOpen());

    Faults::setRefuseOpen(false);
    QVERIFY(QSqlDatabase::database(QStringLiteral("refused"), true).isOpen());
}

void TestDriver::failedStatements()
{
    QSqlDatabase db = open(QStringLiteral("failing-statements"));
    const QString statement = QStringLiteral("SELECT count(*) FROM tblAfdeling");
    Faults::failNextStatements(2);
    QCOMPARE(Faults::pendingStatementFailures(), 2);
    QSqlQuery query(db);
    QVERIFY(query.prepare(statement));
    QVERIFY(!query.exec());
    QCOMPARE(query.lastError().type(), QSqlError::StatementError);
    QVERIFY2(query.lastError().text().contains(QLatin1String("Injected failure")), qPrintable(query.lastError().text()));
    QVERIFY(!query.isActive());
    QVERIFY(!query.exec(statement));
    QCOMPARE(Faults::pendingStatementFailures(), 0);
    QVERIFY(query.exec(statement));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toInt(), 3);
}

void TestDriver::droppedConnection()
{
    QSqlDatabase db = open(QStringLiteral("ZEP"));
    QSqlDatabase other = open(QStringLiteral("other"));
    QSqlQuery query(db);
    QVERIFY(query.prepare(QStringLiteral("SELECT afdelingId FROM tblAfdeling WHERE klasseId = :k")));
    query.bindValue(QStringLiteral(":k"), 10);
    QVERIFY(query.exec());
    QVERIFY(query.next());

    QVERIFY(Faults::dropConnection(QStringLiteral("ZEP")));
    QVERIFY(!Faults::dropConnection(QStringLiteral("ZEP")));
    QVERIFY(!Faults::dropConnection(QStringLiteral("no such connection")));
    QVERIFY(!db.isOpen());
    QVERIFY(other.isOpen());
    QCOMPARE(db.lastError().type(), QSqlError::ConnectionError);
    QVERIFY(!query.isActive());
    QVERIFY(!query.next());
    QVERIFY(!query.exec());
    QCOMPARE(query.lastError().type(), QSqlError::ConnectionError);
    QVERIFY2(query.lastError().text().contains(QLatin1String("connection dropped")), qPrintable(query.lastError().text()));

    // The lookup with the open flag reconnects, and new queries work.
    QSqlDatabase again = QSqlDatabase::database(QStringLiteral("ZEP"), true);
    QVERIFY(again.isOpen());
    QSqlQuery fresh(again);
    QVERIFY(fresh.exec(QStringLiteral("SELECT count(*) FROM tblAfdeling")));
    QVERIFY(fresh.next());
    QCOMPARE(fresh.value(0).toInt(), 3);

    QCOMPARE(Faults::dropConnections(), 2);
    QVERIFY(!again.isOpen());
    QVERIFY(!other.isOpen());
    QCOMPARE(Faults::dropConnections(), 0);
}

QTEST_GUILESS_MAIN(TestDriver)
#include "tst_driver.moc"

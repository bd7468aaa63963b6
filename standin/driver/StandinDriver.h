#pragma once

#include <QString>

class QSqlDatabase;
struct sqlite3;

// The SQL Server stand-in: a Qt SQL driver that runs the station's T-SQL
// statements on an SQLite database file. The station picks it with the
// setting "database.driver" (its value is driverName()), and "database.name"
// names the database file.
//
// Each statement is translated once (TsqlTranslator; the translation and the
// prepared SQLite statement are cached per connection) and runs on SQLite.
// Named (":staevneId") and positional placeholders bind as with any Qt
// driver; NULL comes back as a null QVariant, INTEGER as int (qlonglong when
// it does not fit), REAL as double, TEXT as QString, BLOB as QByteArray.
// Results may be scrolled (they are read whole when executed, so a query
// kept alive holds no lock) or forward-only; transactions are supported.
// QSqlDriver::handle() gives the sqlite3* (type name "sqlite3*"), and
// QSqlResult::handle() the statement's sqlite3_stmt*.
//
// The file must exist: opening never creates a database, as connecting to a
// missing SQL Server database fails. User, password, host and connect
// options are not used. A busy timeout of five seconds lets a reader wait
// for the simulator's writes.
namespace standin {

// The name the driver is registered under with QSqlDatabase: "ZEPLITE".
QString driverName();

// Registers the driver with QSqlDatabase; safe to call more than once.
void registerDriver();

// The collation that makes text compare as SQL Server's default collation
// does: case-insensitive, trailing blanks ignored, Danish letters ordered
// æ, ø, å after z (TsqlFunctions.h). The schema puts it on every text column;
// the driver installs it on every connection it opens, as do
// installTsqlSupport and the demo's own handles.
inline constexpr char tsqlCollation[] = "TSQL_CI";

// Installs on a handle what translated statements need: the collation and
// the tsql_* helper functions (not the database's own functions, see
// standin/demo/DatabaseFunctions.h). For handles opened outside the driver,
// e.g. to write a schema with the collation, or for Qt's SQLite driver in the
// benchmark. Returns false when SQLite refused a registration.
bool installTsqlSupport(sqlite3 *db);

// What a stand-in connection has done, for tests and measurements.
struct DriverStatistics
{
    int translations = 0;        // statements translated (cache misses)
    int translationCacheHits = 0;
    int prepares = 0;            // statements prepared by SQLite
    int statementCacheHits = 0;  // prepared statements taken from the cache
};

// The counters of `db`'s driver since it was made; all zero when `db` is not
// a stand-in connection.
DriverStatistics driverStatistics(const QSqlDatabase &db);

// Failure injection for tests: the database hiccups on demand. The settings
// are process-wide, hold until changed, and act on every stand-in
// connection. Every injected error's database text starts with "Injected
// failure".
class Faults
{
public:
    // While set, opening a stand-in connection fails with a
    // QSqlError::ConnectionError ("the database refused the connection").
    static void setRefuseOpen(bool refuse);
    static bool refuseOpen();

    // The next `count` statements executed (QSqlQuery::exec in either form)
    // fail with a QSqlError::StatementError ("statement failed").
    static void failNextStatements(int count = 1);
    static int pendingStatementFailures();

    // The next fetch, by any query, that follows the first `rows` rows of
    // its statement fails with a QSqlError::StatementError ("fetch
    // failed"), as a link that breaks in the middle of a result would: the
    // rows before it are delivered, the rest never comes, and not even the
    // end of a statement of exactly `rows` rows is seen. It acts once.
    // A result read whole when it is executed (a scrollable one) fails at
    // the same fetch as a forward-only one; with `rows` 0 the statement
    // itself fails.
    static void failFetchAfterRows(int rows);
    // The next statement that returns rows and whose text contains
    // `statementPart` (any such statement when it is empty) executes, but
    // its first fetch fails with a QSqlError::StatementError ("fetch
    // failed"), as a link that breaks right after the statement was
    // accepted would: not one row comes, read forward or scrolled. Other
    // statements pass it by. It acts once.
    static void failFirstFetch(const QString &statementPart = QString());
    // Whether a fetch failure is still waiting for its fetch.
    static bool fetchFailurePending();

    // Drops every open stand-in connection as a broken link would: the
    // connection reports itself closed with a QSqlError::ConnectionError
    // ("connection dropped"), and every query made on it before fails with
    // that error from then on. Opening again (QSqlDatabase::database with
    // its open flag, or open()) reconnects unless opening is refused.
    // Call it from the thread that uses the connections. Returns how many
    // connections were dropped.
    static int dropConnections();
    // Drops only the named connection; false when it is not an open
    // stand-in connection.
    static bool dropConnection(const QString &connectionName);

    // Clears the refusal and any pending statement or fetch failures.
    static void clear();

private:
    friend class StandinSqlResult;
    // Takes one pending statement failure; false when none is pending.
    static bool consumeStatementFailure();
    // Takes the pending fetch failure when a result that has read
    // `rowsRead` rows is due for it; false otherwise.
    static bool consumeFetchFailure(int rowsRead);
    // Takes a pending first-fetch failure that is due for `statement`;
    // false otherwise.
    static bool consumeFirstFetchFailure(const QString &statement);
};

} // namespace standin

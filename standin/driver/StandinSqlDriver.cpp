#include "StandinSqlDriver.h"

#include "StandinSqlResult.h"
#include "TsqlFunctions.h"
#include "demo/DatabaseFunctions.h"

#include <QFile>
#include <QMutex>
#include <QSqlDatabase>

#include <sqlite3.h>

Q_DECLARE_OPAQUE_POINTER(sqlite3 *)
Q_DECLARE_METATYPE(sqlite3 *)

namespace standin {
namespace {

// Idle prepared statements kept per connection; the least recently used
// goes first. The station has a few dozen statements of its own, plus
// one-off look-ups with values pasted in.
constexpr qsizetype kMaxIdleStatements = 64;
// Translations kept per connection before the cache starts over.
constexpr qsizetype kMaxTranslations = 4096;

QMutex &registryMutex()
{
    static QMutex mutex;
    return mutex;
}

QList<StandinSqlDriver *> &registry()
{
    static QList<StandinSqlDriver *> drivers;
    return drivers;
}

QSqlError closedError()
{
    return QSqlError(QStringLiteral("Connection closed"),
                     QStringLiteral("The connection was closed; prepare the statement again"),
                     QSqlError::ConnectionError);
}

} // namespace

StandinSqlDriver::StandinSqlDriver(QObject *parent)
    : QSqlDriver(parent)
{
    QMutexLocker locker(&registryMutex());
    registry().append(this);
}

StandinSqlDriver::~StandinSqlDriver()
{
    {
        QMutexLocker locker(&registryMutex());
        registry().removeAll(this);
    }
    if (m_db)
        closeHandle(closedError());
}

QList<StandinSqlDriver *> StandinSqlDriver::openDrivers()
{
    QMutexLocker locker(&registryMutex());
    QList<StandinSqlDriver *> open;
    for (StandinSqlDriver *driver : std::as_const(registry())) {
        if (driver->m_db)
            open.append(driver);
    }
    return open;
}

bool StandinSqlDriver::hasFeature(DriverFeature feature) const
{
    switch (feature) {
    case Transactions:
    case BLOB:
    case Unicode:
    case PreparedQueries:
    case PositionalPlaceholders:
    case LastInsertId:
    case FinishQuery:
        return true;
    default:
        // Named placeholders are left to Qt, which rewrites them as "?" and
        // binds by position; the translation keeps their order.
        return false;
    }
}

bool StandinSqlDriver::open(const QString &db, const QString &, const QString &, const QString &, int,
                            const QString &)
{
    if (isOpen())
        close();
    auto refuse = [this](const QString &why, int code) {
        setLastError(QSqlError(QStringLiteral("Unable to open database"), why, QSqlError::ConnectionError,
                               code ? QString::number(code) : QStringLiteral("injected")));
        setOpenError(true);
        return false;
    };
    if (Faults::refuseOpen())
        return refuse(QStringLiteral("Injected failure: the database refused the connection"), 0);
    if (db.isEmpty())
        return refuse(QStringLiteral("No database file is named"), SQLITE_CANTOPEN);

    sqlite3 *handle = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(db).constData(), &handle,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_busy_timeout(handle, 5000);
        // SQLite opens lazily; reading the schema proves the file is a database.
        rc = sqlite3_exec(handle, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    }
    if (rc == SQLITE_OK) {
        // The database's functions first: the driver's own collation is then
        // the one in force.
        installDatabaseFunctions(handle);
        rc = installTsqlFunctions(handle);
    }
    if (rc != SQLITE_OK) {
        const QString message = QString::fromUtf8(handle ? sqlite3_errmsg(handle) : sqlite3_errstr(rc));
        sqlite3_close_v2(handle);
        return refuse(QStringLiteral("%1: %2").arg(message, db), rc);
    }
    m_db = handle;
    setOpen(true);
    setOpenError(false);
    return true;
}

void StandinSqlDriver::close()
{
    if (m_db)
        closeHandle(closedError());
    setOpen(false);
    setOpenError(false);
}

bool StandinSqlDriver::drop()
{
    if (!m_db)
        return false;
    const QSqlError dropped(QStringLiteral("Connection lost"),
                            QStringLiteral("Injected failure: connection dropped"),
                            QSqlError::ConnectionError, QStringLiteral("injected"));
    closeHandle(dropped);
    setOpen(false);
    setOpenError(false);
    setLastError(dropped);
    return true;
}

void StandinSqlDriver::closeHandle(const QSqlError &why)
{
    for (StandinSqlResult *result : std::as_const(m_results))
        result->detachStatement(why);
    for (const IdleStatement &idle : std::as_const(m_idle))
        sqlite3_finalize(idle.stmt);
    m_idle.clear();
    sqlite3_close_v2(m_db);
    m_db = nullptr;
}

QSqlResult *StandinSqlDriver::createResult() const
{
    // Results register with their driver, which Qt hands out as const.
    return new StandinSqlResult(const_cast<StandinSqlDriver *>(this));
}

QVariant StandinSqlDriver::handle() const
{
    return QVariant::fromValue(m_db);
}

bool StandinSqlDriver::execTransactionStatement(const char *sql, const QString &what)
{
    if (!m_db)
        return false;
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK)
        return true;
    setLastError(sqliteError(what, QSqlError::TransactionError, rc));
    return false;
}

bool StandinSqlDriver::beginTransaction()
{
    return execTransactionStatement("BEGIN", QStringLiteral("Unable to begin transaction"));
}

bool StandinSqlDriver::commitTransaction()
{
    return execTransactionStatement("COMMIT", QStringLiteral("Unable to commit transaction"));
}

bool StandinSqlDriver::rollbackTransaction()
{
    return execTransactionStatement("ROLLBACK", QStringLiteral("Unable to roll back transaction"));
}

const TsqlTranslator::Result &StandinSqlDriver::translation(const QString &tsql)
{
    const auto found = m_translations.constFind(tsql);
    if (found != m_translations.constEnd()) {
        ++m_statistics.translationCacheHits;
        return *found;
    }
    if (m_translations.size() >= kMaxTranslations)
        m_translations.clear();
    ++m_statistics.translations;
    return *m_translations.insert(tsql, TsqlTranslator::translate(tsql));
}

sqlite3_stmt *StandinSqlDriver::acquireStatement(const QString &sql, QSqlError *error)
{
    for (qsizetype i = 0; i < m_idle.size(); ++i) {
        if (m_idle.at(i).sql == sql) {
            ++m_statistics.statementCacheHits;
            return m_idle.takeAt(i).stmt;
        }
    }
    sqlite3_stmt *stmt = nullptr;
    const int rc = sqlite3_prepare16_v3(m_db, sql.utf16(), int(sql.size() * sizeof(char16_t)),
                                        SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
    if (rc != SQLITE_OK) {
        *error = sqliteError(QStringLiteral("Unable to prepare statement"), QSqlError::StatementError, rc);
        sqlite3_finalize(stmt);
        return nullptr;
    }
    if (!stmt) {
        *error = QSqlError(QStringLiteral("Unable to prepare statement"), QStringLiteral("empty statement"),
                           QSqlError::StatementError);
        return nullptr;
    }
    ++m_statistics.prepares;
    return stmt;
}

void StandinSqlDriver::releaseStatement(const QString &sql, sqlite3_stmt *stmt)
{
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    if (m_idle.size() >= kMaxIdleStatements) {
        qsizetype oldest = 0;
        for (qsizetype i = 1; i < m_idle.size(); ++i) {
            if (m_idle.at(i).lastUse < m_idle.at(oldest).lastUse)
                oldest = i;
        }
        sqlite3_finalize(m_idle.takeAt(oldest).stmt);
    }
    m_idle.append({sql, stmt, ++m_useCounter});
}

void StandinSqlDriver::addResult(StandinSqlResult *result)
{
    m_results.append(result);
}

void StandinSqlDriver::removeResult(StandinSqlResult *result)
{
    m_results.removeOne(result);
}

QSqlError StandinSqlDriver::sqliteError(const QString &driverText, QSqlError::ErrorType type, int code) const
{
    const QString message = QString::fromUtf8(m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(code));
    return QSqlError(driverText, message, type, QString::number(code));
}

} // namespace standin

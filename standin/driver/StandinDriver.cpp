#include "StandinDriver.h"

#include "StandinSqlDriver.h"
#include "TsqlFunctions.h"

#include <QSqlDatabase>
#include <QSqlDriverCreator>

#include <sqlite3.h>

#include <atomic>
#include <mutex>

namespace standin {
namespace {

std::atomic<bool> g_refuseOpen{false};
std::atomic<int> g_statementFailures{0};
// The rows a result delivers before its next fetch fails; -1 for none.
std::atomic<int> g_fetchFailureAfter{-1};
// The next result with rows of a statement containing the part fails its
// first fetch.
std::mutex g_firstFetchMutex;
bool g_firstFetchFailure = false;
QString g_firstFetchStatementPart;

} // namespace

QString driverName()
{
    return QStringLiteral("ZEPLITE");
}

void registerDriver()
{
    static std::once_flag once;
    std::call_once(once, [] {
        QSqlDatabase::registerSqlDriver(driverName(), new QSqlDriverCreator<StandinSqlDriver>);
    });
}

bool installTsqlSupport(sqlite3 *db)
{
    return installTsqlFunctions(db) == SQLITE_OK;
}

DriverStatistics driverStatistics(const QSqlDatabase &db)
{
    const auto *driver = dynamic_cast<const StandinSqlDriver *>(db.driver());
    return driver ? driver->statistics() : DriverStatistics();
}

void Faults::setRefuseOpen(bool refuse)
{
    g_refuseOpen = refuse;
}

bool Faults::refuseOpen()
{
    return g_refuseOpen;
}

void Faults::failNextStatements(int count)
{
    g_statementFailures = qMax(0, count);
}

int Faults::pendingStatementFailures()
{
    return g_statementFailures;
}

bool Faults::consumeStatementFailure()
{
    int pending = g_statementFailures.load();
    while (pending > 0) {
        if (g_statementFailures.compare_exchange_weak(pending, pending - 1))
            return true;
    }
    return false;
}

void Faults::failFetchAfterRows(int rows)
{
    g_fetchFailureAfter = qMax(0, rows);
}

void Faults::failFirstFetch(const QString &statementPart)
{
    const std::lock_guard<std::mutex> lock(g_firstFetchMutex);
    g_firstFetchFailure = true;
    g_firstFetchStatementPart = statementPart;
}

bool Faults::fetchFailurePending()
{
    const std::lock_guard<std::mutex> lock(g_firstFetchMutex);
    return g_fetchFailureAfter >= 0 || g_firstFetchFailure;
}

bool Faults::consumeFirstFetchFailure(const QString &statement)
{
    const std::lock_guard<std::mutex> lock(g_firstFetchMutex);
    if (!g_firstFetchFailure || !statement.contains(g_firstFetchStatementPart))
        return false;
    g_firstFetchFailure = false;
    return true;
}

bool Faults::consumeFetchFailure(int rowsRead)
{
    int after = g_fetchFailureAfter.load();
    while (after >= 0 && rowsRead >= after) {
        if (g_fetchFailureAfter.compare_exchange_weak(after, -1))
            return true;
    }
    return false;
}

int Faults::dropConnections()
{
    int dropped = 0;
    for (StandinSqlDriver *driver : StandinSqlDriver::openDrivers())
        dropped += driver->drop() ? 1 : 0;
    return dropped;
}

bool Faults::dropConnection(const QString &connectionName)
{
    if (!QSqlDatabase::contains(connectionName))
        return false;
    auto *driver = dynamic_cast<StandinSqlDriver *>(QSqlDatabase::database(connectionName, false).driver());
    return driver && driver->drop();
}

void Faults::clear()
{
    g_refuseOpen = false;
    g_statementFailures = 0;
    g_fetchFailureAfter = -1;
    const std::lock_guard<std::mutex> lock(g_firstFetchMutex);
    g_firstFetchFailure = false;
}

} // namespace standin

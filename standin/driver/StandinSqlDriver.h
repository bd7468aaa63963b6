#pragma once

#include "StandinDriver.h"
#include "TsqlTranslator.h"

#include <QHash>
#include <QList>
#include <QSqlDriver>
#include <QSqlError>

struct sqlite3;
struct sqlite3_stmt;

namespace standin {

class StandinSqlResult;

// The Qt SQL driver of the stand-in: owns the SQLite handle of one
// connection, the caches of translations and prepared statements, and the
// list of its live results so that closing (or a dropped link) can take
// their statements away before the handle goes.
class StandinSqlDriver : public QSqlDriver
{
public:
    explicit StandinSqlDriver(QObject *parent = nullptr);
    ~StandinSqlDriver() override;

    bool hasFeature(DriverFeature feature) const override;
    bool open(const QString &db, const QString &user, const QString &password, const QString &host,
              int port, const QString &options) override;
    void close() override;
    QSqlResult *createResult() const override;
    QVariant handle() const override;
    bool beginTransaction() override;
    bool commitTransaction() override;
    bool rollbackTransaction() override;

    // Takes the connection down as a broken link would (see Faults).
    bool drop();
    // Every stand-in driver of the process that has an open handle.
    static QList<StandinSqlDriver *> openDrivers();

    sqlite3 *database() const { return m_db; }
    const DriverStatistics &statistics() const { return m_statistics; }

    // The translation of a statement, from the cache when it was seen before.
    const TsqlTranslator::Result &translation(const QString &tsql);
    // A prepared statement for the SQL, idle from the cache or new; null
    // with `error` set when SQLite refuses it.
    sqlite3_stmt *acquireStatement(const QString &sql, QSqlError *error);
    // Hands a statement back for reuse by the next query with the same SQL.
    void releaseStatement(const QString &sql, sqlite3_stmt *stmt);

    void addResult(StandinSqlResult *result);
    void removeResult(StandinSqlResult *result);

    // The error of a failing SQLite call on this connection.
    QSqlError sqliteError(const QString &driverText, QSqlError::ErrorType type, int code) const;

private:
    Q_DISABLE_COPY(StandinSqlDriver)

    // Finalizes every statement and closes the handle; results keep `why`.
    void closeHandle(const QSqlError &why);
    bool execTransactionStatement(const char *sql, const QString &what);

    struct IdleStatement
    {
        QString sql;
        sqlite3_stmt *stmt;
        quint64 lastUse;
    };

    sqlite3 *m_db = nullptr;
    QHash<QString, TsqlTranslator::Result> m_translations;
    QList<IdleStatement> m_idle;
    quint64 m_useCounter = 0;
    QList<StandinSqlResult *> m_results;
    DriverStatistics m_statistics;
};

} // namespace standin

#pragma once

#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

namespace standin {

// A thin owner of an SQLite handle for the demo generator and the
// simulator, which write the competition database as the
// competition-management system would and so need no T-SQL translation.
// Every connection gets the database's functions (installDatabaseFunctions),
// the driver's text collation (installTsqlSupport) and a busy timeout.
class SqliteDatabase
{
public:
    SqliteDatabase() = default;
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase &) = delete;
    SqliteDatabase &operator=(const SqliteDatabase &) = delete;

    // Opens the file; with create, a missing file is made.
    bool open(const QString &file, bool create);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    sqlite3 *handle() const { return m_db; }

    // Runs one or more statements without parameters.
    bool exec(const QString &sql);
    // The first column of the first row, or an invalid QVariant.
    QVariant value(const QString &sql, const QVariantList &params = {});

    bool transaction() { return exec(QStringLiteral("BEGIN IMMEDIATE")); }
    bool commit() { return exec(QStringLiteral("COMMIT")); }
    void rollback() { exec(QStringLiteral("ROLLBACK")); }

    QString lastError() const { return m_error; }
    void setError(const QString &error) { m_error = error; }

private:
    sqlite3 *m_db = nullptr;
    QString m_error;
};

// A prepared statement on a SqliteDatabase. Parameters are numbered from 1
// in the order of addBind calls; run() executes a statement that returns no
// rows and resets it for the next set of parameters.
class SqliteStatement
{
public:
    SqliteStatement(SqliteDatabase &db, const QString &sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    bool isValid() const { return m_stmt != nullptr; }

    SqliteStatement &bind(int index, const QVariant &value);
    SqliteStatement &addBind(const QVariant &value) { return bind(++m_nextBind, value); }
    void bindAll(const QVariantList &values);

    // Steps once: true while there is a row. A failure is noted on the
    // database (lastError) and returns false.
    bool next();
    bool ok() const { return m_ok; }
    // Executes to the end and resets; false on failure.
    bool run();
    void reset();

    int columnCount() const;
    QString columnName(int column) const;
    bool isNull(int column) const;
    int intValue(int column) const;
    qint64 int64Value(int column) const;
    double doubleValue(int column) const;
    QString textValue(int column) const;
    QVariant value(int column) const;

private:
    SqliteDatabase &m_db;
    sqlite3_stmt *m_stmt = nullptr;
    int m_nextBind = 0;
    bool m_ok = true;
};

} // namespace standin

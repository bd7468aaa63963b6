#pragma once

#include <QList>
#include <QMetaType>
#include <QPointer>
#include <QSqlError>
#include <QSqlRecord>
#include <QSqlResult>
#include <QVariant>

struct sqlite3_stmt;

namespace standin {

class StandinSqlDriver;

// One query of the stand-in driver: translates and prepares its statement
// through the driver's caches, binds Qt's values, and steps SQLite for rows.
// A scrollable result reads all its rows when it is executed and releases
// the statement at once (a query kept alive then holds no read lock against
// the simulator's writes); a forward-only one steps row by row and keeps
// only the current row.
class StandinSqlResult : public QSqlResult
{
public:
    explicit StandinSqlResult(StandinSqlDriver *driver);
    ~StandinSqlResult() override;

    QVariant handle() const override;

    // Called by the driver when its handle goes: the statement is finalized
    // and every later use of this result fails with `why`.
    void detachStatement(const QSqlError &why);

protected:
    bool prepare(const QString &query) override;
    bool exec() override;
    bool reset(const QString &query) override;
    QVariant data(int field) override;
    bool isNull(int field) override;
    bool fetch(int row) override;
    bool fetchFirst() override;
    bool fetchLast() override;
    int size() override;
    int numRowsAffected() override;
    QSqlRecord record() const override;
    QVariant lastInsertId() const override;
    void detachFromResultSet() override;

private:
    Q_DISABLE_COPY(StandinSqlResult)

    void releaseStatement();
    bool bindValues();
    enum class Step { Row, End, Failed };
    // Steps to the next row and keeps it.
    Step stepRow();
    void readRecord();
    const QList<QVariant> *currentRow() const;
    bool failStatement(const QString &driverText, int code);

    QPointer<StandinSqlDriver> m_driver;
    sqlite3_stmt *m_stmt = nullptr;
    QString m_sql;
    QSqlError m_detached; // why the statement was taken away
    int m_columns = 0;
    bool m_atEnd = true;
    QList<QList<QVariant>> m_rows; // the rows kept, the first being row m_firstRow
    int m_firstRow = 0;
    int m_rowsRead = 0;     // rows stepped since the statement was executed
    QSqlError m_fetchError; // an injected break, for the fetch that reaches it
    int m_rowsAffected = -1;
    qint64 m_lastInsertId = 0;
    QSqlRecord m_record;
    QList<QMetaType> m_nullTypes;
};

} // namespace standin

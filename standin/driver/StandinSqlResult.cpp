#include "StandinSqlResult.h"

#include "StandinSqlDriver.h"

#include <QDateTime>
#include <QSqlField>

#include <sqlite3.h>

#include <limits>

Q_DECLARE_OPAQUE_POINTER(sqlite3_stmt *)
Q_DECLARE_METATYPE(sqlite3_stmt *)

namespace standin {
namespace {

// The Qt type of a column, from its declared type as SQLite's type affinity
// reads it; DATETIME columns hold text (TsqlFunctions.h).
QMetaType columnType(const char *declared)
{
    if (!declared)
        return QMetaType::fromType<QString>();
    const QByteArray type = QByteArray(declared).toUpper();
    if (type.contains("INT"))
        return QMetaType::fromType<int>();
    if (type.contains("CHAR") || type.contains("CLOB") || type.contains("TEXT") || type.contains("DATE")
        || type.contains("TIME"))
        return QMetaType::fromType<QString>();
    if (type.contains("BLOB") || type.isEmpty())
        return QMetaType::fromType<QByteArray>();
    return QMetaType::fromType<double>();
}

bool isNullValue(const QVariant &value)
{
    if (value.isNull())
        return true;
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString().isNull();
    case QMetaType::QByteArray:
        return value.toByteArray().isNull();
    case QMetaType::QDate:
        return value.toDate().isNull();
    case QMetaType::QTime:
        return value.toTime().isNull();
    case QMetaType::QDateTime:
        return value.toDateTime().isNull();
    default:
        return false;
    }
}

int bindText(sqlite3_stmt *stmt, int index, const QString &text)
{
    return sqlite3_bind_text16(stmt, index, text.utf16(), int(text.size() * sizeof(char16_t)),
                               SQLITE_TRANSIENT);
}

// Binds a Qt value; dates and times go in as the stored date/time text.
int bindSqliteValue(sqlite3_stmt *stmt, int index, const QVariant &value)
{
    if (isNullValue(value))
        return sqlite3_bind_null(stmt, index);
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return sqlite3_bind_int64(stmt, index, value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return sqlite3_bind_double(stmt, index, value.toDouble());
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return sqlite3_bind_blob64(stmt, index, bytes.constData(), sqlite3_uint64(bytes.size()), SQLITE_TRANSIENT);
    }
    case QMetaType::QDateTime:
        return bindText(stmt, index, value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")));
    case QMetaType::QDate:
        return bindText(stmt, index, value.toDate().toString(QStringLiteral("yyyy-MM-dd 00:00:00.000")));
    case QMetaType::QTime:
        return bindText(stmt, index, value.toTime().toString(QStringLiteral("'1900-01-01' HH:mm:ss.zzz")));
    default:
        return bindText(stmt, index, value.toString());
    }
}

// The error of an injected break in a result (see Faults).
QSqlError injectedFetchError()
{
    return QSqlError(QStringLiteral("Unable to fetch row"), QStringLiteral("Injected failure: fetch failed"),
                     QSqlError::StatementError, QStringLiteral("injected"));
}

} // namespace

StandinSqlResult::StandinSqlResult(StandinSqlDriver *driver)
    : QSqlResult(driver)
    , m_driver(driver)
{
    driver->addResult(this);
}

StandinSqlResult::~StandinSqlResult()
{
    releaseStatement();
    if (m_driver)
        m_driver->removeResult(this);
}

QVariant StandinSqlResult::handle() const
{
    return QVariant::fromValue(m_stmt);
}

void StandinSqlResult::releaseStatement()
{
    if (m_stmt) {
        // A statement this result still holds belongs to the driver's
        // current handle: closing takes them all away first.
        if (m_driver)
            m_driver->releaseStatement(m_sql, m_stmt);
        else
            sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
    }
    m_rows.clear();
    m_atEnd = true;
}

void StandinSqlResult::detachStatement(const QSqlError &why)
{
    sqlite3_finalize(m_stmt);
    m_stmt = nullptr;
    m_rows.clear();
    m_atEnd = true;
    m_detached = why;
    if (isActive()) {
        setActive(false);
        setLastError(why);
    }
}

bool StandinSqlResult::failStatement(const QString &driverText, int code)
{
    setLastError(m_driver ? m_driver->sqliteError(driverText, QSqlError::StatementError, code)
                          : QSqlError(driverText, QString(), QSqlError::StatementError));
    return false;
}

bool StandinSqlResult::prepare(const QString &query)
{
    releaseStatement();
    m_detached = QSqlError();
    m_record = QSqlRecord();
    m_nullTypes.clear();
    m_columns = 0;
    if (!m_driver || !m_driver->database()) {
        setLastError(QSqlError(QStringLiteral("Unable to prepare statement"),
                               QStringLiteral("The connection is not open"), QSqlError::ConnectionError));
        return false;
    }
    const TsqlTranslator::Result &translation = m_driver->translation(query);
    if (!translation.ok()) {
        setLastError(QSqlError(QStringLiteral("Unable to translate statement"), translation.error,
                               QSqlError::StatementError));
        return false;
    }
    m_sql = translation.sql;
    QSqlError error;
    m_stmt = m_driver->acquireStatement(m_sql, &error);
    if (!m_stmt) {
        setLastError(error);
        return false;
    }
    m_columns = sqlite3_column_count(m_stmt);
    readRecord();
    return true;
}

void StandinSqlResult::readRecord()
{
    for (int i = 0; i < m_columns; ++i) {
        const QMetaType type = columnType(sqlite3_column_decltype(m_stmt, i));
        m_record.append(QSqlField(QString::fromUtf8(sqlite3_column_name(m_stmt, i)), type));
        m_nullTypes.append(type);
    }
}

bool StandinSqlResult::bindValues()
{
    const QList<QVariant> &values = boundValues();
    const int count = sqlite3_bind_parameter_count(m_stmt);
    if (values.size() != count) {
        setLastError(QSqlError(QStringLiteral("Unable to bind values"),
                               QStringLiteral("The statement has %1 placeholders but %2 values are bound")
                                   .arg(count)
                                   .arg(values.size()),
                               QSqlError::StatementError));
        return false;
    }
    for (int i = 0; i < count; ++i) {
        const int rc = bindSqliteValue(m_stmt, i + 1, values.at(i));
        if (rc != SQLITE_OK)
            return failStatement(QStringLiteral("Unable to bind values"), rc);
    }
    return true;
}

bool StandinSqlResult::exec()
{
    m_rows.clear();
    m_firstRow = 0;
    m_rowsRead = 0;
    m_fetchError = QSqlError();
    m_atEnd = true;
    m_rowsAffected = -1;
    setAt(QSql::BeforeFirstRow);
    if (Faults::consumeStatementFailure()) {
        setLastError(QSqlError(QStringLiteral("Unable to execute statement"),
                               QStringLiteral("Injected failure: statement failed"), QSqlError::StatementError,
                               QStringLiteral("injected")));
        return false;
    }
    if (!m_stmt) {
        setLastError(m_detached.isValid()
                         ? m_detached
                         : QSqlError(QStringLiteral("Unable to execute statement"),
                                     QStringLiteral("No statement is prepared"), QSqlError::StatementError));
        return false;
    }
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
    if (!bindValues())
        return false;
    m_atEnd = false;
    // The first step runs the statement, so that its errors belong to exec().
    Step step = stepRow();
    if (step == Step::Failed)
        return false;
    const bool select = m_columns > 0;
    if (select && Faults::consumeFirstFetchFailure(lastQuery())) {
        // The statement was accepted, but not one of its rows comes: the
        // first fetch reports the break.
        m_rows.clear();
        m_firstRow = 0;
        m_atEnd = true;
        m_fetchError = injectedFetchError();
        sqlite3_reset(m_stmt);
    } else if (select && !isForwardOnly()) {
        // A scrollable result reads everything now and lets the statement
        // go, so that a query kept alive holds no read lock against the
        // writer of the database.
        while (step == Step::Row)
            step = stepRow();
        if (step == Step::Failed && !m_fetchError.isValid())
            return false;
        // An injected break belongs to the fetch that reaches it, as with a
        // driver that fetches on demand: the rows before it are delivered.
        if (m_fetchError.isValid())
            setLastError(QSqlError());
        sqlite3_reset(m_stmt);
    }
    if (!select) {
        m_rowsAffected = sqlite3_changes(m_driver->database());
        m_lastInsertId = sqlite3_last_insert_rowid(m_driver->database());
        sqlite3_reset(m_stmt);
    }
    setSelect(select);
    setActive(true);
    return true;
}

bool StandinSqlResult::reset(const QString &query)
{
    return prepare(query) && exec();
}

StandinSqlResult::Step StandinSqlResult::stepRow()
{
    if (m_atEnd || !m_stmt)
        return Step::End;
    if (Faults::consumeFetchFailure(m_rowsRead)) {
        m_atEnd = true;
        m_fetchError = injectedFetchError();
        setLastError(m_fetchError);
        sqlite3_reset(m_stmt);
        return Step::Failed;
    }
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_DONE) {
        m_atEnd = true;
        return Step::End;
    }
    if (rc != SQLITE_ROW) {
        m_atEnd = true;
        failStatement(QStringLiteral("Unable to fetch row"), rc);
        sqlite3_reset(m_stmt);
        return Step::Failed;
    }
    QList<QVariant> row;
    row.reserve(m_columns);
    for (int i = 0; i < m_columns; ++i) {
        switch (sqlite3_column_type(m_stmt, i)) {
        case SQLITE_INTEGER: {
            const qint64 value = sqlite3_column_int64(m_stmt, i);
            if (value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max())
                row.append(QVariant(int(value)));
            else
                row.append(QVariant(qlonglong(value)));
            break;
        }
        case SQLITE_FLOAT:
            row.append(QVariant(sqlite3_column_double(m_stmt, i)));
            break;
        case SQLITE_TEXT: {
            const auto *text = static_cast<const QChar *>(sqlite3_column_text16(m_stmt, i));
            row.append(QVariant(QString(text, sqlite3_column_bytes16(m_stmt, i) / int(sizeof(QChar)))));
            break;
        }
        case SQLITE_BLOB: {
            const auto *blob = static_cast<const char *>(sqlite3_column_blob(m_stmt, i));
            row.append(QVariant(QByteArray(blob, sqlite3_column_bytes(m_stmt, i))));
            break;
        }
        default:
            row.append(QVariant(m_nullTypes.at(i)));
            break;
        }
    }
    if (isForwardOnly()) {
        m_firstRow += int(m_rows.size());
        m_rows.clear();
    }
    m_rows.append(row);
    ++m_rowsRead;
    return Step::Row;
}

const QList<QVariant> *StandinSqlResult::currentRow() const
{
    const int index = at() - m_firstRow;
    if (at() < 0 || index < 0 || index >= m_rows.size())
        return nullptr;
    return &m_rows.at(index);
}

QVariant StandinSqlResult::data(int field)
{
    const QList<QVariant> *row = currentRow();
    if (!row || field < 0 || field >= row->size())
        return QVariant();
    return row->at(field);
}

bool StandinSqlResult::isNull(int field)
{
    return data(field).isNull();
}

bool StandinSqlResult::fetch(int row)
{
    if (!isActive() || !isSelect() || row < m_firstRow)
        return false;
    while (row >= m_firstRow + m_rows.size()) {
        if (stepRow() != Step::Row) {
            if (m_fetchError.isValid())
                setLastError(m_fetchError);
            return false;
        }
    }
    setAt(row);
    return true;
}

bool StandinSqlResult::fetchFirst()
{
    return fetch(0);
}

bool StandinSqlResult::fetchLast()
{
    if (!isActive() || !isSelect())
        return false;
    Step step = Step::Row;
    while (step == Step::Row)
        step = stepRow();
    if (m_fetchError.isValid())
        setLastError(m_fetchError);
    if (step == Step::Failed || m_fetchError.isValid() || m_rows.isEmpty())
        return false;
    setAt(m_firstRow + int(m_rows.size()) - 1);
    return true;
}

int StandinSqlResult::size()
{
    return -1;
}

int StandinSqlResult::numRowsAffected()
{
    return m_rowsAffected;
}

QSqlRecord StandinSqlResult::record() const
{
    return m_record;
}

QVariant StandinSqlResult::lastInsertId() const
{
    return isActive() && !isSelect() ? QVariant(m_lastInsertId) : QVariant();
}

void StandinSqlResult::detachFromResultSet()
{
    if (m_stmt)
        sqlite3_reset(m_stmt);
    m_rows.clear();
    m_atEnd = true;
}

} // namespace standin

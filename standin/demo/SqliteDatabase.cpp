#include "SqliteDatabase.h"

#include "DatabaseFunctions.h"
#include "driver/StandinDriver.h"

#include <QByteArray>

#include <sqlite3.h>

namespace standin {

SqliteDatabase::~SqliteDatabase()
{
    close();
}

bool SqliteDatabase::open(const QString &file, bool create)
{
    close();
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    sqlite3 *db = nullptr;
    const int rc = sqlite3_open_v2(file.toUtf8().constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        m_error = QStringLiteral("cannot open %1: %2")
                      .arg(file, QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)));
        sqlite3_close(db);
        return false;
    }
    m_db = db;
    // The station reads the file while the simulator writes it.
    sqlite3_busy_timeout(m_db, 5000);
    installDatabaseFunctions(m_db);
    if (!installTsqlSupport(m_db)) {
        m_error = QStringLiteral("cannot install the text collation: %1").arg(QString::fromUtf8(sqlite3_errmsg(m_db)));
        close();
        return false;
    }
    return true;
}

void SqliteDatabase::close()
{
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

bool SqliteDatabase::exec(const QString &sql)
{
    if (!m_db) {
        m_error = QStringLiteral("database not open");
        return false;
    }
    char *message = nullptr;
    if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
        m_error = QString::fromUtf8(message ? message : sqlite3_errmsg(m_db));
        sqlite3_free(message);
        return false;
    }
    return true;
}

QVariant SqliteDatabase::value(const QString &sql, const QVariantList &params)
{
    SqliteStatement statement(*this, sql);
    statement.bindAll(params);
    if (!statement.next())
        return QVariant();
    return statement.value(0);
}

SqliteStatement::SqliteStatement(SqliteDatabase &db, const QString &sql)
    : m_db(db)
{
    if (!db.handle()) {
        db.setError(QStringLiteral("database not open"));
        m_ok = false;
        return;
    }
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(db.handle(), text.constData(), int(text.size()), &m_stmt, nullptr) != SQLITE_OK) {
        db.setError(QStringLiteral("%1 in: %2").arg(QString::fromUtf8(sqlite3_errmsg(db.handle())), sql));
        m_stmt = nullptr;
        m_ok = false;
    }
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_stmt);
}

SqliteStatement &SqliteStatement::bind(int index, const QVariant &value)
{
    if (!m_stmt)
        return *this;
    if (!value.isValid() || value.isNull()) {
        sqlite3_bind_null(m_stmt, index);
        return *this;
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        sqlite3_bind_int64(m_stmt, index, value.toLongLong());
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        sqlite3_bind_double(m_stmt, index, value.toDouble());
        break;
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        sqlite3_bind_blob(m_stmt, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
        break;
    }
    default: {
        const QByteArray text = value.toString().toUtf8();
        sqlite3_bind_text(m_stmt, index, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        break;
    }
    }
    return *this;
}

void SqliteStatement::bindAll(const QVariantList &values)
{
    for (const QVariant &v : values)
        addBind(v);
}

bool SqliteStatement::next()
{
    if (!m_stmt)
        return false;
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE) {
        m_ok = false;
        m_db.setError(QString::fromUtf8(sqlite3_errmsg(m_db.handle())));
    }
    return false;
}

bool SqliteStatement::run()
{
    if (!m_stmt)
        return false;
    while (next()) {
    }
    const bool result = m_ok;
    reset();
    return result;
}

void SqliteStatement::reset()
{
    if (!m_stmt)
        return;
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
    m_nextBind = 0;
    m_ok = true;
}

int SqliteStatement::columnCount() const
{
    return sqlite3_column_count(m_stmt);
}

QString SqliteStatement::columnName(int column) const
{
    return QString::fromUtf8(sqlite3_column_name(m_stmt, column));
}

bool SqliteStatement::isNull(int column) const
{
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

int SqliteStatement::intValue(int column) const
{
    return sqlite3_column_int(m_stmt, column);
}

qint64 SqliteStatement::int64Value(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

double SqliteStatement::doubleValue(int column) const
{
    return sqlite3_column_double(m_stmt, column);
}

QString SqliteStatement::textValue(int column) const
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
    return text ? QString::fromUtf8(text, sqlite3_column_bytes(m_stmt, column)) : QString();
}

QVariant SqliteStatement::value(int column) const
{
    switch (sqlite3_column_type(m_stmt, column)) {
    case SQLITE_INTEGER:
        return QVariant(int64Value(column));
    case SQLITE_FLOAT:
        return QVariant(doubleValue(column));
    case SQLITE_BLOB: {
        const auto *data = static_cast<const char *>(sqlite3_column_blob(m_stmt, column));
        return QVariant(QByteArray(data, sqlite3_column_bytes(m_stmt, column)));
    }
    case SQLITE_TEXT:
        return QVariant(textValue(column));
    default:
        return QVariant();
    }
}

} // namespace standin

#include "DatabaseFunctions.h"

#include <QString>
#include <QStringList>

#include <sqlite3.h>

#include <initializer_list>

namespace standin {
namespace {

// The value of a time that the database does not know: midnight of SQL
// Server's zero date.
const char kNoTime[] = "1900-01-01 00:00:00.000";

void resultText(sqlite3_context *context, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    sqlite3_result_text(context, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
}

QString valueText(sqlite3_value *value)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(value));
    return text ? QString::fromUtf8(text, sqlite3_value_bytes(value)) : QString();
}

QString columnText(sqlite3_stmt *stmt, int column)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, column));
    return text ? QString::fromUtf8(text, sqlite3_column_bytes(stmt, column)) : QString();
}

// A statement run from inside a function on the function's own connection,
// with the function's arguments bound in order.
class InnerQuery
{
public:
    InnerQuery(sqlite3_context *context, const char *sql, std::initializer_list<sqlite3_value *> args)
        : m_context(context)
    {
        sqlite3 *db = sqlite3_context_db_handle(context);
        if (sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr) != SQLITE_OK) {
            fail();
            return;
        }
        int index = 1;
        for (sqlite3_value *arg : args)
            sqlite3_bind_value(m_stmt, index++, arg);
    }
    ~InnerQuery() { sqlite3_finalize(m_stmt); }
    InnerQuery(const InnerQuery &) = delete;
    InnerQuery &operator=(const InnerQuery &) = delete;

    bool next()
    {
        if (!m_stmt)
            return false;
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            fail();
        return false;
    }
    bool failed() const { return m_failed; }
    sqlite3_stmt *stmt() const { return m_stmt; }

private:
    void fail()
    {
        m_failed = true;
        sqlite3_result_error(m_context, sqlite3_errmsg(sqlite3_context_db_handle(m_context)), -1);
    }

    sqlite3_context *m_context;
    sqlite3_stmt *m_stmt = nullptr;
    bool m_failed = false;
};

void danskeUgedage(sqlite3_context *context, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    static const char *const english[] = {"monday", "tuesday", "wednesday", "thursday",
                                           "friday", "saturday", "sunday"};
    static const char *const danish[] = {"Mandag", "Tirsdag", "Onsdag", "Torsdag",
                                         "Fredag", "Lørdag", "Søndag"};
    const QString day = valueText(argv[0]);
    const QString key = day.trimmed().toLower();
    for (int i = 0; i < 7; ++i) {
        if (key == QLatin1String(english[i])) {
            resultText(context, QString::fromUtf8(danish[i]));
            return;
        }
    }
    resultText(context, day);
}

void antalDommere(sqlite3_context *context, int, sqlite3_value **argv)
{
    InnerQuery query(context, "SELECT count(*) FROM tblAfdelingDommer WHERE AfdelingId = ?1", {argv[0]});
    if (query.next())
        sqlite3_result_int(context, sqlite3_column_int(query.stmt(), 0));
    else if (!query.failed())
        sqlite3_result_int(context, 0);
}

void dommerListe(sqlite3_context *context, int, sqlite3_value **argv)
{
    const bool withPlace = sqlite3_value_int(argv[1]) == 2;
    InnerQuery query(context,
                     "SELECT D.Position, O.Fornavn, O.EfterNavn "
                     "FROM tblAfdelingDommer AS D "
                     "INNER JOIN tblOfficials AS O ON D.OfficialId = O.OfficialId "
                     "WHERE D.AfdelingId = ?1 ORDER BY D.Raekkefoelge, D.AfdelingDommerId",
                     {argv[0]});
    QStringList judges;
    while (query.next()) {
        const QString name = QStringLiteral("%1 %2")
                                 .arg(columnText(query.stmt(), 1).trimmed(),
                                      columnText(query.stmt(), 2).trimmed())
                                 .trimmed();
        const QString place = columnText(query.stmt(), 0).trimmed();
        judges << (withPlace && !place.isEmpty() ? QStringLiteral("%1: %2").arg(place, name) : name);
    }
    if (!query.failed())
        resultText(context, judges.join(QStringLiteral(", ")));
}

void doteringListe(sqlite3_context *context, int, sqlite3_value **argv)
{
    InnerQuery query(context,
                     "SELECT Beloeb FROM tblDotering WHERE KlasseId = ?1 ORDER BY Placering",
                     {argv[0]});
    QStringList amounts;
    while (query.next())
        amounts << QString::number(sqlite3_column_int64(query.stmt(), 0));
    if (!query.failed())
        resultText(context, amounts.join(QStringLiteral(" - ")));
}

void startTime(sqlite3_context *context, sqlite3_value **argv, const char *sql)
{
    InnerQuery query(context, sql, {argv[0], argv[1]});
    if (query.next() && sqlite3_column_type(query.stmt(), 0) != SQLITE_NULL)
        resultText(context, columnText(query.stmt(), 0));
    else if (!query.failed())
        sqlite3_result_text(context, kNoTime, -1, SQLITE_STATIC);
}

void starttidEkvipage(sqlite3_context *context, int, sqlite3_value **argv)
{
    startTime(context, argv,
              "SELECT Starttid FROM tblStart WHERE AfdelingId = ?1 AND StartId = ?2");
}

void starttidEkvipageDressur(sqlite3_context *context, int, sqlite3_value **argv)
{
    // An eventing start has its dressage test at a time of its own; other
    // starts have only the one time.
    startTime(context, argv,
              "SELECT IFNULL(StarttidDressur, Starttid) FROM tblStart "
              "WHERE AfdelingId = ?1 AND StartId = ?2");
}

void nrTilBogstav(sqlite3_context *context, int, sqlite3_value **argv)
{
    const int type = sqlite3_value_numeric_type(argv[0]);
    if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
        const sqlite3_int64 n = sqlite3_value_int64(argv[0]);
        if (n >= 1 && n <= 26) {
            const char letter[2] = {char('A' + (n - 1)), '\0'};
            sqlite3_result_text(context, letter, 1, SQLITE_TRANSIENT);
            return;
        }
    }
    sqlite3_result_text(context, "", 0, SQLITE_STATIC);
}

} // namespace

void installDatabaseFunctions(sqlite3 *db)
{
    struct Function {
        const char *name;
        int arguments;
        void (*body)(sqlite3_context *, int, sqlite3_value **);
        bool deterministic;
    };
    // The functions that read tables are not deterministic: the simulator
    // changes their answers while a connection is open.
    static const Function functions[] = {
        {"DanskeUgedage", 1, danskeUgedage, true},
        {"antalDommere", 1, antalDommere, false},
        {"DommerListe", 2, dommerListe, false},
        {"doteringListe", 1, doteringListe, false},
        {"StarttidEkvipage", 2, starttidEkvipage, false},
        {"StarttidEkvipageDressur", 2, starttidEkvipageDressur, false},
        {"NrTilBogstav", 1, nrTilBogstav, true},
    };
    for (const Function &f : functions) {
        const int flags = SQLITE_UTF8 | (f.deterministic ? SQLITE_DETERMINISTIC : 0);
        sqlite3_create_function_v2(db, f.name, f.arguments, flags, nullptr, f.body, nullptr, nullptr, nullptr);
    }
}

} // namespace standin

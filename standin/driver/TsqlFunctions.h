#pragma once

#include <QByteArrayView>
#include <QString>

struct sqlite3;

namespace standin {

// The SQLite side of the T-SQL translation: the functions that translated
// statements call (named below, emitted by TsqlTranslator) and the text
// collation, plus the date/time reading and formatting they share.
//
// Date/time storage: a DATETIME value is TEXT "yyyy-MM-dd HH:mm:ss.zzz".
// Shorter forms are read too ("yyyy-MM-dd", "yyyy-MM-dd HH:mm[:ss]", a "T"
// in place of the blank, one to seven fraction digits), and so is a time of
// day alone ("HH:mm[:ss[.fff]]"), which is taken on 1900-01-01 as SQL Server
// takes a time converted to datetime. A number is read as T-SQL reads a
// number as datetime: days since 1900-01-01, the fraction a time of day.
namespace tsqlfn {
// tsql_add(a, b): T-SQL's "+": NULL when either side is NULL; two texts
// join; two numbers add; a text beside a number is converted to that number's
// type (a failed conversion is an error, as in T-SQL).
inline constexpr char add[] = "tsql_add";
// tsql_datestyle(d, style): a date/time as CONVERT formats it in style 103
// ("dd/mm/yyyy") or 14 ("hh:mi:ss:mmm").
inline constexpr char dateStyle[] = "tsql_datestyle";
// tsql_varchar(x, n) and tsql_char(x, n): the conversion to varchar(n) and
// char(n): text cut to n characters (char also padded with blanks to n); an
// integer too long for n gives "*", as T-SQL does.
inline constexpr char toVarchar[] = "tsql_varchar";
inline constexpr char toChar[] = "tsql_char";
// tsql_weekday(d): DATENAME(weekday, d) with us_english names.
inline constexpr char weekday[] = "tsql_weekday";
// tsql_year(d): YEAR(d).
inline constexpr char year[] = "tsql_year";
} // namespace tsqlfn

// A datetime value as T-SQL holds it, to the millisecond.
struct TsqlDateTime
{
    int year = 1900;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int msec = 0;
};

// Reads the stored text forms described above; false for anything else.
bool parseTsqlDateTime(QByteArrayView text, TsqlDateTime *out);
// T-SQL's reading of a number as datetime.
TsqlDateTime tsqlDateTimeFromDays(double days);
// CONVERT's text of a date/time in style 103 or 14; empty for other styles.
QString formatTsqlDateTime(const TsqlDateTime &value, int style);
// "Sunday" ... "Saturday".
const char *tsqlWeekdayName(const TsqlDateTime &value);

// The TSQL_CI collation on UTF-8 texts: trailing blanks are ignored, letters
// compare without regard to case (Unicode case folding), and the Danish
// letters sort after z as æ, ø, å, as SQL Server's Danish default collation
// orders them. Other characters sort by code point after folding.
int compareTsqlText(QByteArrayView a, QByteArrayView b);

// Registers the collation and every tsql_* function on a handle; returns the
// first SQLite error code, SQLITE_OK (0) on success.
int installTsqlFunctions(sqlite3 *db);

} // namespace standin

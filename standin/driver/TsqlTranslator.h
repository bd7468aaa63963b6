#pragma once

#include <QString>

namespace standin {

// Turns a statement in the T-SQL that the station sends into SQLite SQL with
// the same meaning. A pure function of the text; the driver caches its
// answers per statement.
//
// What it knows, and nothing more:
// - the owner prefix "dbo." on tables, views and functions is dropped; the
//   database's own functions are called by their plain names (registered on
//   the handle by installDatabaseFunctions);
// - CONVERT(char(n) | varchar[(n)], d, 103 | 14): the date as "dd/mm/yyyy" or
//   the time as "hh:mi:ss:mmm", then the character conversion (char pads with
//   blanks, varchar cuts; no length means 30);
// - CAST(x AS char(n) | varchar[(n)]): text cut to n characters, an integer
//   that does not fit shown as "*";
// - DATENAME(weekday | dw, d): English day names; YEAR(d);
// - ISNULL(a, b); COUNT and MAX as they are;
// - "+" as T-SQL's operator: texts join, numbers add, NULL when either side
//   is NULL (decided per value at run time, so column types need not be
//   known here);
// - placeholders ":name" and "?" pass through unchanged and in order, so
//   Qt's binding still matches them.
// Text results of these constructs carry the TSQL_CI collation, as every
// text in the database does. Date/time values are stored as described in
// TsqlFunctions.h ("yyyy-MM-dd HH:mm:ss.zzz" text), so CAST of a stored
// date/time to varchar cuts that text rather than formatting it in style 0;
// no statement of the station does that.
//
// Anything else that T-SQL means differently from SQLite is an error naming
// the construct: an unknown function, another CONVERT style or target type,
// another DATENAME part, TOP, COLLATE, N'...' literals, bracketed or
// double-quoted identifiers, @variables, #temporary tables, a binary "-" in an
// expression joined with "+", more than one statement.
class TsqlTranslator
{
public:
    struct Result
    {
        QString sql;
        QString error;
        bool ok() const { return error.isEmpty(); }
    };

    static Result translate(const QString &tsql);
};

} // namespace standin

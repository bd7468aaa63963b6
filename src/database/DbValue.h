#pragma once

#include <QString>
#include <QVariantList>

class QSqlError;
class QSqlQuery;
class QVariant;

// Reading values that come back from the competition database.
//
// The database pads many texts with blanks and answers NULL wherever a LEFT
// JOIN finds nothing. The station reads every text whitespace-simplified, a
// NULL text field as empty text and a NULL numeric field as 0. Which of the
// two a value is, is the caller's choice: it knows what the column means.
namespace DbValue {

// A text field: simplified; NULL gives the empty text.
QString text(const QVariant &value);

// A numeric field as text: simplified; NULL or an empty text gives "0".
QString numberText(const QVariant &value);

// A numeric field as a whole number; NULL or anything that is not a decimal
// number gives 0. A fractional value is truncated toward zero.
int toInt(const QVariant &value);

// A numeric field as a floating-point number; NULL or anything that is not a
// number gives 0.
double toDouble(const QVariant &value);

// A text pasted into an SQL statement between single quotes: its quotes are
// doubled so that it cannot end the literal.
QString sqlLiteral(const QString &text);

// Every column of the query's current row, in select-list order.
QVariantList rowValues(const QSqlQuery &query);

// An error's type as the decimal number the log lines show.
QString errorType(const QSqlError &error);

} // namespace DbValue

#pragma once

#include <QString>
#include <QStringView>

// JSON text as RFC 8259 section 7 wants it. Every string value the station
// writes into a JSON document goes through here.
namespace JsonText {

// The characters of a JSON string without its quotes: the quotation mark and
// the backslash are escaped, control characters (U+0000 to U+001F) become
// \b, \f, \n, \r, \t or \u00XX. Everything else, the apostrophe and the
// solidus included, stands as it is.
QString escape(const QString &text);

// The escaped text between double quotes.
QString quoted(const QString &text);

// The escaped text between double quotes, appended to `out`: documents are
// built in one buffer, without a string per value.
void appendQuoted(QString &out, QStringView text);

} // namespace JsonText

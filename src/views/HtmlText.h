#pragma once

#include <QString>

// Text from the competition database on its way into an HTML page. Every
// page writer of the station escapes database text through here, so a name
// holding "&", "<" or a quote cannot break the page or inject markup.
namespace html {

// The text with "&", "<", ">" and the double quote written as entities
// (QString::toHtmlEscaped), fit for element content and quoted attributes.
QString escape(const QString &text);

} // namespace html

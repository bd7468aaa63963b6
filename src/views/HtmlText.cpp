#include "views/HtmlText.h"

namespace html {

QString escape(const QString &text)
{
    return text.toHtmlEscaped();
}

} // namespace html

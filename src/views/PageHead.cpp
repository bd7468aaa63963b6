// Chains of "+" build their text in one allocation.
#define QT_USE_QSTRINGBUILDER

#include "views/PageHead.h"

#include "views/HtmlText.h"

namespace PageHead {

QString html(const QString &title, const QString &refresh, const QString &css,
             const QString &background)
{
    QString out;
    out += QLatin1String("<html>\n<head>\n");
    out += QLatin1String("<META http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\n");
    out += QLatin1String("<META http-equiv=\"refresh\" content=\" ") + refresh + QLatin1String("\"> \n");
    out += QLatin1String("<title>") + html::escape(title) + QLatin1String("</title>\n");
    out += QLatin1String("<LINK href=\"") + css + QLatin1String("\" rel=\"stylesheet\" type=\"text/css\">");
    out += QLatin1String("</head>\n ");
    out += QLatin1String("<body bgcolor=\"") + background + QLatin1String("\">");
    return out;
}

} // namespace PageHead

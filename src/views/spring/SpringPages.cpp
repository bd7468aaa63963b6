#include "views/spring/SpringPages.h"

#include "views/HtmlText.h"
#include "views/spring/staevneKlasseInfoSpring.h"

namespace SpringPages {

Look Look::read(const std::function<QString(const QString &key, const QString &def)> &value)
{
    const auto text = [&value](const char *key, const char *def) {
        return value(QLatin1String(key), QLatin1String(def));
    };
    Look look;
    look.evenBackground = text("html.even.background.color", "#FFFFFF");
    look.oddBackground = text("html.odd.background.color", "#F0EEEC");
    look.evenForeground = text("html.even.foreground.color", "#000000");
    look.oddForeground = text("html.odd.foreground.color", "#000000");
    look.lastRiderBackground = text("html.lastrider.background.color", "#FABB00");
    return look;
}

bool isNotStarter(const QString &status)
{
    const QString word = status.toUpper();
    return word == QStringLiteral("EJ MØDT") || word == QLatin1String("AFMELDT");
}

namespace {

using Column = staevneKlasseInfoSpring::Column;

// Database text in a cell, blanks kept together; an empty cell still holds
// its place in the row.
QString cellText(const QString &text)
{
    const QString escaped = html::escape(text).replace(QLatin1Char(' '), QLatin1String("&nbsp;"));
    return escaped.isEmpty() ? QStringLiteral("&nbsp;") : escaped;
}

// The place while the starter has one, marked within the placings;
// otherwise the status word.
QString placeOrStatus(const QStringList &row, int antalPlaceringer)
{
    const QString status = row.value(Column::Status);
    if (!status.isEmpty())
        return cellText(status);
    const QString place = row.value(Column::Placering);
    if (place.isEmpty())
        return QStringLiteral("&nbsp;");
    if (place.toInt() > antalPlaceringer)
        return cellText(place);
    return QLatin1String("<b class=place>") + cellText(place) + QLatin1String("</b>");
}

} // namespace

QByteArray resultPage(const ClassHead::Info &head, const ClassHead::Settings &headSettings, const Look &look,
                      const QVector<QStringList> &rows, int lastChangeId, int antalPlaceringer)
{
    QString out = ClassHead::html(head, headSettings);
    out += QLatin1String("<table width=100% cellspacing=\"0\" cellpadding=\"1\" border=\"0\">\n");
    const QString lastId = QString::number(lastChangeId);
    int n = 0;
    for (const QStringList &row : rows) {
        if (isNotStarter(row.value(Column::Status)))
            continue;
        ++n;
        const bool odd = n % 2;
        if (lastChangeId != -1 && row.value(Column::StaevneNr) == lastId && !look.lastRiderBackground.isEmpty())
            out += QLatin1String("<tr bgcolor=\"") + look.lastRiderBackground
                   + QLatin1String("\" class=\"lastrider\">\n");
        else
            out += QLatin1String("<tr bgcolor=\"") + (odd ? look.oddBackground : look.evenBackground)
                   + QLatin1String("\" class=\"") + (odd ? QLatin1String("odd") : QLatin1String("even"))
                   + QLatin1String("\">\n");
        const QString font = QLatin1String("<font color=\"") + (odd ? look.oddForeground : look.evenForeground)
                             + QLatin1String("\" size=\"3\">");
        const auto cell = [&out, &font](const char *attributes, const QString &content) {
            out += QLatin1String("<td ") + QLatin1String(attributes) + QLatin1Char('>') + font + content
                   + QLatin1String("</font></td>\n");
        };
        cell("width=\"3%\" align=\"right\"", cellText(row.value(Column::StartNr)));
        cell("width=\"3%\" align=\"right\"", cellText(row.value(Column::StaevneNr)));
        cell("width=\"30%\" align=\"left\"", cellText(row.value(Column::Hest)));
        cell("width=\"30%\" align=\"left\"", cellText(row.value(Column::Rytter)));
        // The stars that ask for a club logo are no part of its name.
        cell("width=\"10%\" align=\"left\"", cellText(row.value(Column::Klub).remove(QLatin1Char('*'))));
        cell("width=\"6%\" align=\"right\" class=\"faults\"", cellText(row.value(Column::Fejl)));
        cell("width=\"8%\" align=\"right\" class=\"time\"", cellText(row.value(Column::Tid)));
        cell("width=\"10%\" align=\"right\"", placeOrStatus(row, antalPlaceringer));
        out += QLatin1String("</tr>\n");
    }
    out += QLatin1String("</table>\n</body>\n</html>\n");
    return out.toUtf8();
}

} // namespace SpringPages

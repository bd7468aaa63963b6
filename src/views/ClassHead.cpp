// Chains of "+" build their text in one allocation.
#define QT_USE_QSTRINGBUILDER

#include "views/ClassHead.h"

#include "views/HtmlText.h"
#include "views/PageHead.h"

namespace ClassHead {

namespace {

const QString Nbsp = QStringLiteral("&nbsp;");

QString esc(const QString &text)
{
    return html::escape(text);
}

QString number(int n)
{
    return QString::number(n);
}

// "weekday&nbsp;start&nbsp;-&nbsp;end": the pieces come from the database,
// the joints are the page's own.
QString escapedStartSlutTid(const QString &text)
{
    QStringList pieces = text.split(Nbsp);
    for (QString &piece : pieces)
        piece = esc(piece);
    return pieces.join(Nbsp);
}

} // namespace

QString html(const Info &info, const Settings &s)
{
    const int rest = info.resterendeStarter;
    const QString title = esc(info.title);
    const QString startSlutTid = escapedStartSlutTid(info.startSlutTid);

    QString out = PageHead::html(info.title, s.refresh, s.css, s.background);
    out += QLatin1String("<table width=100% border=0>\n");

    if (s.visFei == 1 && rest == 0)
        out += QLatin1String("<tr>\n <td width=100% colspan=4> <H2>") + s.headerText
               + QLatin1String("</H2> </td></tr>\n");

    out += QLatin1String("<tr>\n");
    if (s.visFei == 0 || rest != 0)
        out += QLatin1String(" <td width=60% colspan=2> <b> BANE ") + number(info.bane)
               + QLatin1String(":&nbsp;&nbsp;&nbsp;") + title + QLatin1String("</b>");
    else
        out += QLatin1String(" <td width=\"70%\" colspan=2> <H3>") + title + QLatin1String("</H3>");
    out += QLatin1String(" </td>\n");

    if (rest == 0) {
        if (s.visFei != 0 && !s.feiResults.isEmpty())
            out += QLatin1String(" <td colspan=2 width=\"30%\"> <H3>") + s.feiResults
                   + QLatin1String("</H3> </td>\n");
        else
            out += QLatin1String(" <td colspan=2 width=\"30%\"> ") + startSlutTid + QLatin1String(" </td>\n");
    } else if (rest == info.antalStarter && s.visFei != 0) {
        const QString list = info.bevarStartTid != 0 ? s.feiStartingList : s.feiTmpStartingList;
        out += QLatin1String(" <td colspan=2> <B>") + list + QLatin1String("</B>&nbsp;") + startSlutTid
               + QLatin1String(" </td>\n");
    } else {
        out += QLatin1String(" <td colspan=2> ") + startSlutTid + QLatin1String(" </td>\n");
    }
    out += QLatin1String("</tr>\n<tr>\n");

    if (s.visFei != 0 && rest == 0) {
        out += QLatin1String(" <td colspan=4>") + s.feiJudges + Nbsp + esc(info.judges)
               + QLatin1String(" </td>\n</tr>\n");
    } else {
        out += QLatin1String("<td width=10%>Dommer </td>\n");
        out += QLatin1String(" <td width=70%> ") + esc(info.judges) + QLatin1String(" </td>\n");
        out += QLatin1String(" <td width=20%>") + info.measureCaption + QLatin1String("</td>\n");
        out += QLatin1String(" <td width=10% align=left>") + esc(info.measure) + QLatin1String(" </td>\n");
        out += QLatin1String("</tr>\n<tr>\n");
        out += QStringLiteral(" <td width=10%>Ærespræmie  </td>\n");
        out += QLatin1String(" <td colspan=1>") + esc(info.sponsor) + QLatin1String(" </td>\n");
        out += QLatin1String(" <td width=20%> Antal&nbsp;Placeringer </td>\n");
        out += QLatin1String(" <td width=10% align=left> ") + esc(info.placings) + QLatin1String(" </td>\n");
        out += QLatin1String("</tr>\n");
    }

    out += QLatin1String("<tr>\n <td colspan=2>");
    if (!s.antalStarterLine)
        out += QLatin1String("&nbsp; </td>\n");
    else if (s.visFei != 0 && rest == 0)
        out += QLatin1String("Starter&nbsp;:&nbsp;") + number(info.antalStarter)
               + QLatin1String("&nbsp;|&nbsp;Placeringer&nbsp;:&nbsp;") + esc(info.placings)
               + QLatin1String(" </td>\n");
    else
        out += QLatin1String("Antal&nbsp;starter&nbsp;:&nbsp;") + number(info.antalStarter)
               + QLatin1String("&nbsp;|&nbsp;Resterende&nbsp;starter : ") + number(rest)
               + QLatin1String(" </td>\n");

    out += QLatin1String(" <td  colspan=2 align=center>")
           + info.now.toString(QStringLiteral("dd/MM yyyy hh:mm")) + QLatin1String(" </td>\n</tr>\n");

    if (info.tempResult != 0 && rest != 0)
        out += QLatin1String("<tr><td colspan =4 ><font color=\"#dd0000\"><i>Resultater vist i kursiv er "
                             "forel&oslash;bige ! The results in red are provisional</i></font></td></tr>\n");
    out += QLatin1String("<tr><td colspan =4 ><hr></td></tr>\n</table>\n");
    return out;
}


} // namespace ClassHead

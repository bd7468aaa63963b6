// Chains of "+" build their text in one allocation.
#define QT_USE_QSTRINGBUILDER

#include "views/military/MilitaryPages.h"

#include "views/HtmlText.h"
#include "views/military/MilitaryLoad.h"
#include "views/PageHead.h"

namespace MilitaryPages {

using namespace MilitaryPlacing;

Settings Settings::read(const SettingLookup &value)
{
    Settings s;
    static_cast<PageStyle &>(s) = PageStyle::read(value);
    s.overviewRows = value(QStringLiteral("oversigt.max.placeringer"), QStringLiteral("10")).toInt();
    return s;
}

namespace {

const QString Nbsp = QStringLiteral("&nbsp;");
const QString CellEnd = QStringLiteral("</font>\n</td>\n");

QString esc(const QString &text)
{
    return html::escape(text);
}

// Database text with every blank a non-breaking one.
QString spaced(const QString &text)
{
    return html::escape(text).replace(QLatin1Char(' '), Nbsp);
}

QString fixed(const QString &cell, int decimals)
{
    return QString::number(double(cellFloat(cell)), 'f', decimals);
}

QString rowClass(int n)
{
    return n % 2 ? QStringLiteral("odd") : QStringLiteral("even");
}

QString rowBackground(const Settings &s, int n)
{
    return n % 2 ? s.oddBackground : s.evenBackground;
}

QString rowForeground(const Settings &s, int n)
{
    return n % 2 ? s.oddForeground : s.evenForeground;
}

bool onPage(const Row &row)
{
    return !isNonStarter(row.value(Diskvalifikation));
}

bool showStartTime(const ClassInfo &info, const Settings &s)
{
    return s.startTime && info.bevarStartTid == 1;
}

bool showPlaces(const ClassInfo &info, const Settings &s)
{
    return s.placering && !info.skjulPlacering;
}

// The head and the class table of both pages.
QString writeHtmlHead(const ClassInfo &info, const Settings &s)
{
    QString out = PageHead::html(info.title, s.refresh, s.css, s.background);
    out += QLatin1String("<table width=100% border=0>\n");
    out += QLatin1String("<tr>\n <td width=85% colspan=2>");
    out += QLatin1String("<b> BANE ") + QString::number(info.bane) + QLatin1String(":&nbsp;&nbsp;&nbsp;")
           + esc(info.title) + QLatin1String("</b>");
    out += QLatin1String(" </td>\n <td width=15%>Ideal Tid&nbsp;&nbsp;")
           + MilitaryLoad::idealTimeText(info.idealTid) + QLatin1String(" </td>\n</tr>\n");
    out += QStringLiteral("<tr>\n <td width=10%>Ærespræmie  </td>\n");
    out += QLatin1String(" <td align=left width=75%>") + esc(info.sponsor.section(QLatin1Char(' '), 1))
           + QLatin1String(" </td>\n");
    out += QLatin1String(" <td width=15%> Placeringer&nbsp;&nbsp;")
           + esc(info.placings.section(QLatin1Char(' '), 1, 1)) + QLatin1String(" </td>\n</tr>\n");
    out += QLatin1String("<tr>\n <td colspan=2>");
    if (s.antalStarterLine)
        out += QLatin1String("Antal&nbsp;starter&nbsp;:&nbsp;") + QString::number(info.antalStarter)
               + QLatin1String("&nbsp;|&nbsp;Resterende&nbsp;starter : ")
               + QString::number(info.resterendeStarter);
    else
        out += Nbsp;
    out += QLatin1String(" </td>\n <td align=left>") + info.now.toString(QStringLiteral("dd/MM yyyy hh:mm"))
           + QLatin1String(" </td>\n</tr>\n");
    out += QLatin1String("<tr><td colspan =3 ><hr></td></tr>\n</table>\n");
    return out;
}

const Row *findStartId(const Rows &rows, int startId)
{
    const QString id = QString::number(startId);
    for (const Row &row : rows) {
        if (row.value(StartId) == id)
            return &row;
    }
    return nullptr;
}

// The block of the starter whose result changed last; empty without one.
QString writeHtmlInfo(const ClassInfo &info, const Settings &s, const Rows &rows)
{
    if (info.lastChangeId == -1)
        return QString();
    const Row *found = findStartId(rows, info.lastChangeId);
    if (!found)
        return QString();
    const Row &row = *found;
    const QString open = s.lastForeground + QLatin1String("\" size=\"6\">");
    QString out = QLatin1String("<br>\n<br>\n<table width=100% cellspacing=\"0\" cellpadding=\"0\" border=\"0\">\n");
    out += QLatin1String("<tr bgcolor=\"") + s.lastBackground + QLatin1String("\" nowrap class=\"last\">\n");
    out += QLatin1String("<td width=5% ><font color=\"") + open + QString::number(info.lastChangeId)
           + QLatin1String("</font></td>\n");
    out += QLatin1String("<td width=30% ><font color=\"") + open + spaced(row.value(Hest))
           + QLatin1String("</font></td>\n");
    out += QLatin1String("<td width=30% ><font color=\"") + open + spaced(row.value(Rytter))
           + QLatin1String("</font></td>\n");
    out += QLatin1String("<td width=10% align=\"center\"><font color=\"") + open;
    if (hasStatus(row))
        out += Nbsp + esc(row.value(Diskvalifikation));
    else if (cellFloat(row.value(Total)) > 0.0f)
        out += Nbsp + fixed(row.value(Total), 2);
    if (cellInt(row.value(Placering)) > 0 && showPlaces(info, s))
        out += QLatin1String("&nbsp;(") + esc(row.value(Placering)) + QLatin1String(")");
    out += QLatin1String("</font></td>\n");
    out += QLatin1String("</tr>\n</table>\n<br>\n<br>\n");
    return out;
}

// The cells of starter n (and its pedigree line); the caller writes the
// row's opening and closing tags.
QString writeHtmlRows(const ClassInfo &info, const Settings &s, const Row &row, int n)
{
    const QString c = rowForeground(s, n);
    const QString font = QLatin1String("<font color=\"") + c + QLatin1String("\" size=\"3\">");
    const bool pedigree = s.afstamning && !row.value(Afstamning).isEmpty();
    const QString span = pedigree ? QStringLiteral(" valign=center rowspan=2 ") : QString();
    QString out;

    out += QLatin1String("<td width=\"3%\" ") + span + QLatin1String(" align=\"right\" >\n") + font
           + spaced(row.value(StartNr)) + Nbsp + CellEnd;
    if (showStartTime(info, s)) {
        out += QLatin1String("<td width=\"5%\"") + span + QLatin1String(">\n") + font;
        if (row.value(StartTid) == QLatin1String("00:00"))
            out += Nbsp;
        else
            out += QLatin1String("&nbsp;(") + esc(row.value(StartTid)) + QLatin1String(")");
        out += CellEnd;
    }
    out += QLatin1String("<td width=\"3%\" ") + span + QLatin1String(" align=\"right\" >\n") + font
           + spaced(row.value(StaevneNr)) + Nbsp + CellEnd;
    out += QLatin1String("<td width=\"27%\"  align=\"left\"  >\n") + font + spaced(row.value(Hest)) + Nbsp
           + CellEnd;
    out += QLatin1String("<td width=\"27%\" ") + span + QLatin1String(" align=\"left\" >\n") + font
           + spaced(row.value(Rytter)) + Nbsp + CellEnd;

    // The logo's file name is built from the escaped club, so that the
    // name in the page can never leave its attribute.
    const QString clubText = row.value(Klub);
    const QString club = esc(QString(clubText).remove(QLatin1Char('*')));
    out += QLatin1String("<td width=\"3%\" align=\"left\" ") + span + QLatin1String(">\n");
    if (clubText.contains(QLatin1Char('*')) && s.fileExists
        && s.fileExists(s.logoDir + club + QLatin1String(".png")))
        out += QLatin1String("<img src=\"../logo/") + club + QLatin1String(".png\" >&nbsp;&nbsp;") + club
               + QLatin1String("</td>\n");
    else
        out += font + spaced(clubText) + Nbsp + CellEnd;

    out += QLatin1String("<td width=\"5%\" align=\"center\" ") + span + QLatin1String(" >\n") + font;
    if (isSet(row.value(DiskDressur)))
        out += esc(row.value(DiskDressur));
    else if (cellFloat(row.value(Dressur)) > 0.0f)
        out += Nbsp + fixed(row.value(Dressur), 1);
    out += Nbsp + CellEnd;

    const auto merged = [&](int disk) -> QString {
        return QLatin1String("<td width=\"5%\" align=\"right\" ") + span + QLatin1String(" colspan=2 >\n") + font
               + esc(row.value(disk)) + CellEnd;
    };
    const auto crossCountry = [&]() {
        const bool ridden = cellFloat(row.value(Udholdenhed)) > 0.0f;
        QString pair;
        for (int column : {int(Udholdenhed), int(EtapeD)}) {
            pair += QLatin1String("<td width=\"5%\" align=\"right\" ") + span + QLatin1String(" >\n") + font;
            if (ridden)
                pair += Nbsp + fixed(row.value(column), 2);
            pair += Nbsp + CellEnd;
        }
        return pair;
    };
    const auto jumping = [&]() {
        const bool ridden = cellFloat(row.value(SpringTid)) > 0.0f;
        QString pair = QLatin1String("<td width=\"5%\" align=\"right\" ") + span + QLatin1String(">\n") + font;
        if (ridden)
            pair += Nbsp + fixed(row.value(SpringTid), 2);
        pair += Nbsp + CellEnd;
        pair += QLatin1String("<td width=\"5%\" align=\"right\" ") + span + QLatin1String(" >\n") + font;
        if (ridden)
            pair += Nbsp + fixed(row.value(Spring), 2);
        pair += Nbsp + CellEnd;
        return pair;
    };
    const bool anyPhaseDisk = isSet(row.value(DiskUdh)) || isSet(row.value(DiskSpring));
    // Cross-country first when jumping is the last phase.
    const int firstDisk = info.udholdenhed ? DiskSpring : DiskUdh;
    const int secondDisk = info.udholdenhed ? DiskUdh : DiskSpring;
    if (isSet(row.value(firstDisk)))
        out += merged(firstDisk);
    else
        out += info.udholdenhed ? jumping() : crossCountry();
    if (anyPhaseDisk)
        out += merged(secondDisk);
    else
        out += info.udholdenhed ? crossCountry() : jumping();

    out += QLatin1String("<td width=\"5%\" align=\"right\" ") + span + QLatin1String(" >\n") + font;
    if (hasStatus(row))
        out += Nbsp + esc(row.value(Diskvalifikation));
    else if (cellFloat(row.value(Total)) > 0.0f)
        out += Nbsp + fixed(row.value(Total), 1);
    out += Nbsp + CellEnd;

    if (showPlaces(info, s)) {
        out += QLatin1String("<td width=\"3%\" ") + span + QLatin1String(" align=\"right\">\n") + font;
        const int place = cellInt(row.value(Placering));
        if (place > 0 && place <= info.antalPlaceringer)
            out += QLatin1String("&nbsp;(") + esc(row.value(Placering)) + QLatin1String(")&nbsp;");
        else
            out += Nbsp;
        out += CellEnd;
    }

    if (pedigree)
        out += QLatin1String("</tr>\n<tr bgcolor=\"") + rowBackground(s, n) + QLatin1String("\" class=\"")
               + rowClass(n) + QLatin1String("\">\n<td align=\"left\" class=\"afstamning\"><font size=2><i>")
               + spaced(row.value(Afstamning)) + QLatin1String("</i></font></td>\n");
    return out;
}

QString plainRow(const ClassInfo &info, const Settings &s, const Row &row, int n)
{
    return QLatin1String("<tr bgcolor=\"") + rowBackground(s, n) + QLatin1String("\" class=\"") + rowClass(n)
           + QLatin1String("\">\n") + writeHtmlRows(info, s, row, n) + QLatin1String("</tr>\n");
}

const QString TableOpen =
    QStringLiteral("<table width=100% cellspacing=\"0\" cellpadding=\"1\" border=\"0\">\n");
const QString PageEnd = QStringLiteral("</table>\n</body>\n</html>\n");

QString resultText(const ClassInfo &info, const Settings &s, const Rows &rows)
{
    QString out = writeHtmlHead(info, s) + writeHtmlInfo(info, s, rows) + TableOpen;
    out += QLatin1String("<TR bgcolor=\"#CCCCCC\" class=military_header><th valign=center rowspan=2>Nr</th>");
    if (showStartTime(info, s))
        out += QLatin1String("<th valign=center rowspan=2>Tid</th>");
    out += QLatin1String("<th valign=center rowspan=2>Stv.Nr</th>"
                         "<th align=left valign=center rowspan=2>Hest</th>"
                         "<th align=left valign=center rowspan=2>Rytter</th>"
                         "<th align=left>Klub</th>"
                         "<th valign=center rowspan=2 align=center>Dressur</th>");
    const QLatin1String udh("<th colspan=2 align=center>Udholdenhed</th>");
    const QLatin1String spring("<th colspan=2 align=center>Spring</th>");
    if (info.udholdenhed)
        out += spring + udh;
    else
        out += udh + spring;
    out += QLatin1String("<th valign=center align=right rowspan=2>Total</th>"
                         "<th valign=center rowspan=2>&nbsp;</th></TR>\n");
    out += QLatin1String("<TR bgcolor=\"#CCCCCC\" class=military_header><th align=left>Land</th>"
                         "<th align=right>Tid&nbsp;</th><th align=right>Fejl&nbsp;</th>"
                         "<th align=right>Tid&nbsp;</th><th align=right>Fejl&nbsp;</th></TR>\n");
    int n = 0;
    for (const Row &row : rows) {
        if (!onPage(row))
            continue;
        ++n;
        if (info.lastChangeId != -1 && cellInt(row.value(StartId)) == info.lastChangeId
            && !s.lastRiderBackground.isEmpty())
            out += QLatin1String("<tr bgcolor=\"") + s.lastRiderBackground
                   + QLatin1String("\" class=\"lastrider\">\n") + writeHtmlRows(info, s, row, n)
                   + QLatin1String("</tr>\n");
        else
            out += plainRow(info, s, row, n);
    }
    return out + PageEnd;
}

QString overviewText(const ClassInfo &info, const Settings &s, const Rows &rows)
{
    QString out = writeHtmlHead(info, s) + writeHtmlInfo(info, s, rows) + TableOpen;
    int limit = s.overviewRows;
    if (info.resterendeStarter == 0 || limit == 0)
        limit = info.antalStarter;
    int n = 0;
    for (const Row &row : rows) {
        if (n >= limit)
            break;
        if (onPage(row) && cellInt(row.value(Placering)) != Mangler)
            out += plainRow(info, s, row, ++n);
    }
    out += QLatin1String("<tr><td colspan=13><hr></td></tr>\n");
    for (const Row &row : rows) {
        if (onPage(row) && cellInt(row.value(Placering)) == Mangler)
            out += plainRow(info, s, row, ++n);
    }
    return out + PageEnd;
}

} // namespace

QByteArray resultPage(const ClassInfo &info, const Settings &settings, const Rows &rows)
{
    return resultText(info, settings, rows).toUtf8();
}

QByteArray overviewPage(const ClassInfo &info, const Settings &settings, const Rows &rows)
{
    return overviewText(info, settings, rows).toUtf8();
}

} // namespace MilitaryPages

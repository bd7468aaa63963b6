#include "views/champ/ChampPages.h"

#include "views/HtmlText.h"
#include "views/PageHead.h"

#include <QDir>
#include <QFileInfo>

namespace ChampPages {

Settings Settings::read(const SettingLookup &value)
{
    Settings s;
    static_cast<PageStyle &>(s) = PageStyle::read(value);
    s.rankWidth = value(QStringLiteral("http.rank.width"), QStringLiteral("360"));
    s.dv = value(QStringLiteral("vis.dv"), QStringLiteral("0")).trimmed().toInt() != 0;
    return s;
}

namespace {

const QString Nbsp = QStringLiteral("&nbsp;");
const QString E = QStringLiteral("</font>\n</td>\n");

// Where each view keeps what the pages show.
struct Columns
{
    int total, place, startTime;
};

Columns columnsOf(Kind kind)
{
    return kind == Kind::Dressur ? Columns{22, 23, 24} : Columns{14, 19, 20};
}

QString esc(const QString &text)
{
    return html::escape(text);
}

QString spaced(const QString &text)
{
    return html::escape(text).replace(QLatin1Char(' '), Nbsp);
}

// A cell read as a number; a decimal comma is read as a point, and a text
// that is no number counts as 0.
double numberOf(const QString &text)
{
    bool ok = false;
    const double v = QString(text).replace(QLatin1Char(','), QLatin1Char('.')).trimmed().toDouble(&ok);
    return ok ? v : 0;
}

QString value(const QStringList &row, int column, int decimals)
{
    const double v = numberOf(row.value(column));
    return v > 0 ? QString::number(v, 'f', decimals) : Nbsp;
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

QString afterFirstBlank(const QString &label)
{
    const int blank = label.indexOf(QLatin1Char(' '));
    return blank < 0 ? QString() : label.mid(blank + 1);
}

bool isWithdrawn(const QStringList &row)
{
    const QString status = row.value(5).toUpper();
    return status == QStringLiteral("EJ MØDT") || status == QLatin1String("AFMELDT");
}

bool finished(const ClassInfo &info)
{
    return info.resterendeStarter == 0;
}

bool feiLayout(const ClassInfo &info, const Settings &s)
{
    return s.visFei != 0 && finished(info);
}

bool is4H(const ClassInfo &info)
{
    return info.kind == Kind::Dressur
           && (info.klasseTypeId == QLatin1String("DCU4H") || info.klasseTypeId == QLatin1String("DCUF4H")
               || info.klasseTypeId == QLatin1String("DGA4H"));
}

bool secondMarkRows(const ClassInfo &info)
{
    return info.dsp && is4H(info);
}

bool startTimeColumn(const ClassInfo &info, const Settings &s)
{
    return s.startTime && info.bevarStartTid == 1;
}

QString foreground(const Settings &s, int n)
{
    return n % 2 ? s.oddForeground : s.evenForeground;
}

QString rowOpening(const Settings &s, int n)
{
    return QLatin1String("<tr bgcolor=\"") + (n % 2 ? s.oddBackground : s.evenBackground)
           + QLatin1String("\" class=\"") + (n % 2 ? QLatin1String("odd") : QLatin1String("even"))
           + QLatin1String("\">\n");
}

// A placing is shown only within the class's number of placings.
QString placing(const ClassInfo &info, const QString &text)
{
    const int p = text.trimmed().toInt();
    if (p > 0 && p <= info.antalPlaceringer)
        return QLatin1String("&nbsp;(") + esc(text) + QLatin1String(")&nbsp;");
    return Nbsp;
}

QString klasseHead(const ClassInfo &info, const Settings &s)
{
    const bool fei = feiLayout(info, s);
    const QString startSlutTid = escapedStartSlutTid(info.startSlutTid);
    QString out = PageHead::html(info.title, s.refresh, s.css, s.background);
    out += QLatin1String("<table width=100% border=0>\n");
    if (s.visFei == 1 && finished(info))
        out += QLatin1String("<tr>\n <td width=100% colspan=4> <H2>") + s.headerText
               + QLatin1String("</H2> </td></tr>\n");

    out += QLatin1String("<tr>\n");
    if (fei)
        out += QLatin1String(" <td width=\"70%\" colspan=2> <H3>") + esc(info.title) + QLatin1String("</H3>");
    else
        out += QLatin1String(" <td width=60% colspan=2> <b> BANE %1:&nbsp;&nbsp;&nbsp;%2</b>")
                   .arg(QString::number(info.bane), esc(info.title));
    out += QLatin1String(" </td>\n");

    if (finished(info)) {
        if (s.visFei != 0 && !s.feiResults.isEmpty())
            out += QLatin1String(" <td colspan=2 width=\"30%\"> <H3>") + s.feiResults + QLatin1String("</H3> </td>\n");
        else
            out += QLatin1String(" <td colspan=2 width=\"30%\"> ") + startSlutTid + QLatin1String(" </td>\n");
    } else if (info.resterendeStarter == info.antalStarter && s.visFei != 0) {
        out += QLatin1String(" <td colspan=2> <B>")
               + (info.bevarStartTid != 0 ? s.feiStartingList : s.feiTmpStartingList) + QLatin1String("</B>&nbsp;")
               + startSlutTid + QLatin1String(" </td>\n");
    } else {
        out += QLatin1String(" <td colspan=2> ") + startSlutTid + QLatin1String(" </td>\n");
    }
    out += QLatin1String("</tr>\n<tr>\n");

    const QString judges = esc(afterFirstBlank(info.dommerLabel));
    if (fei) {
        out += QLatin1String(" <td colspan=4>") + s.feiJudges + Nbsp + judges + QLatin1String(" </td>\n</tr>\n");
    } else {
        const bool dressur = info.kind == Kind::Dressur;
        out += QLatin1String("<td width=10%>Stildommer </td>\n <td width=70%> ") + judges
               + QLatin1String(" </td>\n <td width=20%>") + (dressur ? QLatin1String("Max Point ") : QLatin1String("Metode "))
               + QLatin1String(" </td>\n <td width=10% align=left>")
               + (dressur ? QString::number(info.maxPnt) : esc(info.metode)) + QLatin1String(" </td>\n</tr>\n<tr>\n");
        out += QStringLiteral(" <td width=10%>Ærespræmie  </td>\n <td colspan=1>")
               + esc(afterFirstBlank(info.sponsorLabel))
               + QLatin1String(" </td>\n <td width=20%> Antal&nbsp;Placeringer </td>\n <td width=10% align=left> ")
               + QString::number(info.antalPlaceringer) + QLatin1String(" </td>\n</tr>\n");
    }

    out += QLatin1String("<tr>\n <td colspan=2>");
    if (!s.antalStarterLine)
        out += Nbsp;
    else if (fei)
        out += QLatin1String("Starter&nbsp;:&nbsp;") + QString::number(info.antalStarter)
               + QLatin1String("&nbsp;|&nbsp;Placeringer&nbsp;:&nbsp;") + QString::number(info.antalPlaceringer);
    else
        out += QLatin1String("Antal&nbsp;starter&nbsp;:&nbsp;") + QString::number(info.antalStarter)
               + QLatin1String("&nbsp;|&nbsp;Resterende&nbsp;starter : ") + QString::number(info.resterendeStarter);
    out += QLatin1String(" </td>\n <td  colspan=2 align=center>") + info.now.toString(QStringLiteral("dd/MM yyyy hh:mm"))
           + QLatin1String(" </td>\n</tr>\n");
    out += QLatin1String("<tr><td colspan =4 ><hr></td></tr>\n</table>\n");
    return out;
}

QString headerRow(const ClassInfo &info, const Settings &s)
{
    QString out = QStringLiteral("<TR bgcolor=\"#CCCCCC\" class=military_header>");
    if (info.resterendeStarter != 0) {
        out += QLatin1String("<th align=center>Nr</th>\n");
        if (startTimeColumn(info, s))
            out += QLatin1String("<th align=center>Tid</th>\n");
    }
    out += QLatin1String("<th align=center>Stv.Nr</th>\n<th align=left>Hest</th>\n<th align=left>Rytter</th>\n"
                         "<th align=left>Klub</th>");
    if (info.kind == Kind::Spring) {
        out += QLatin1String("<th align=center>HS Stil</th><th align=center>HS Fejl</th><th align=center>HS Tid</th>"
                             "<th align=center>Total</th>");
    } else {
        out += QLatin1String("<th align=center>Trav</th><th align=center>Skridt</th><th align=center>Galop</th>"
                             "<th align=center>Ridelighed</th><th align=center>Kapacitet</th>");
        if (!is4H(info))
            out += QLatin1String("<th align=center>Fejl</th>");
        else if (s.dv)
            out += QStringLiteral("<th align=center>Føl</th>");
        if (info.dsp && !is4H(info))
            out += QLatin1String("<th align=center>Sum </th><th align=center>Prog</th>");
        out += QLatin1String("<th align=center>Sum</th>");
    }
    out += QLatin1String("<th align=left>&nbsp;</th></TR>\n");
    return out;
}

// The cells of starter n; the caller opens the first row and closes the
// last one.
QString klasseRow(const ClassInfo &info, const Settings &s, const QStringList &row, int n)
{
    const Columns col = columnsOf(info.kind);
    const bool spring = info.kind == Kind::Spring;
    const QString fg = foreground(s, n);
    const QString F = QLatin1String("<font color=\"") + fg + QLatin1String("\" size=\"3\">");
    const bool pedigreeRow = s.afstamning && !row.value(8).isEmpty();
    const bool secondMarks = secondMarkRows(info);
    const bool twoRows = pedigreeRow || (spring ? info.dsp && info.klasseTypeId.contains(QLatin1String("SCUF"))
                                                : secondMarks);
    const QString R = twoRows ? QStringLiteral(" valign=center rowspan=2 ") : QString();

    QString out;
    if (info.resterendeStarter != 0) {
        out += QLatin1String("<td width=\"3%\" align=\"right\" ") + R + QLatin1String(">\n<font color=\"") + fg
               + QLatin1String("\" size=\"3\">") + spaced(row.value(0)) + Nbsp;
        if (startTimeColumn(info, s)) {
            const QString tid = row.value(col.startTime);
            out += E + QLatin1String("<td width=\"5%\" ") + R + QLatin1String(">\n") + F
                   + (tid != QLatin1String("00:00") ? QLatin1String("&nbsp;(") + esc(tid) + QLatin1String(")") : Nbsp);
        }
        out += E;
    }
    out += QLatin1String("<td width=\"5%\" ") + R + QLatin1String(" align=\"center\" >\n") + F + spaced(row.value(1))
           + Nbsp + E;
    out += QLatin1String("<td width=\"25%\"  align=\"left\" ") + (pedigreeRow ? QString() : R) + QLatin1String(" >\n")
           + F + spaced(row.value(2)) + Nbsp + E;
    out += QLatin1String("<td width=\"25%\" ") + R + QLatin1String(" align=\"left\" >\n") + F + spaced(row.value(3))
           + Nbsp + E;

    out += QLatin1String("<td width=\"5%\" align=\"left\" ") + R + QLatin1String(">\n");
    const QString club = row.value(4);
    const QString plainClub = QString(club).remove(QLatin1Char('*'));
    if (club.contains(QLatin1Char('*')) && s.fileExists && s.fileExists(s.logoDir + plainClub + QLatin1String(".png")))
        out += QLatin1String("<img src=\"../logo/") + esc(plainClub) + QLatin1String(".png\" >&nbsp;&nbsp;")
               + esc(plainClub) + QLatin1String("</td>\n");
    else
        out += F + spaced(club) + Nbsp + E;

    const QString status = row.value(5);
    if (!status.isEmpty()) {
        // The span is what the screens' style sheets expect, even where it
        // does not match the number of mark cells.
        const int span = spring ? 5 : is4H(info) ? 6 : info.dsp ? 9 : 7;
        out += QLatin1String("<td  colspan=") + QString::number(span) + QLatin1Char(' ') + R
               + QLatin1String(" align=\"center\" >\n") + F + esc(status) + QLatin1String("</td>\n");
    } else if (spring) {
        for (int c = 11; c <= 13; ++c)
            out += QLatin1String("<td width=\"7%\" ") + R + QLatin1String(" align=\"center\" >\n") + F
                   + value(row, c, 1) + E;
        out += QLatin1String("<td width=\"10%\" ") + R + QLatin1String(" align=\"center\" >\n") + F
               + value(row, col.total, 3) + E;
    } else {
        const int last = is4H(info) && !s.dv ? 13 : 14;
        for (int c = 9; c <= last; ++c)
            out += QLatin1String("<td width=\"7%\" ") + (secondMarks ? QString() : R)
                   + QLatin1String(" align=\"center\" >\n") + F + value(row, c, 1) + E;
        if (info.dsp && !is4H(info))
            for (int c = 20; c <= 21; ++c)
                out += QLatin1String("<td width=\"7%\" ") + R + QLatin1String(" align=\"center\" >\n") + F
                       + value(row, c, 3) + E;
        out += QLatin1String("<td width=\"10%\" ") + R + QLatin1String(" align=\"center\" >\n") + F
               + value(row, col.total, 3) + E;
    }

    if (s.placering)
        out += QLatin1String("<td width=\"2%\" align=\"right\" ") + R + QLatin1String(">\n") + F
               + placing(info, row.value(col.place)) + E;

    // The jumping sheet may span two rows without writing a second one.
    if (pedigreeRow || secondMarks) {
        out += QLatin1String("</tr>\n") + rowOpening(s, n);
        if (pedigreeRow)
            out += QLatin1String("<td align=\"left\" class=\"afstamning\"><font size=")
                   + (spring ? QLatin1String("1") : QLatin1String("2")) + QLatin1String("><i>") + spaced(row.value(8))
                   + QLatin1String("</i></font></td>\n");
        if (secondMarks)
            for (int c = 15; c <= 19; ++c)
                out += QLatin1String("<td width=\"7%\"   align=\"center\" >\n") + F + value(row, c, 3) + E;
    }
    return out;
}

QString writeRankHtmlHead(const ClassInfo &info, const Settings &s)
{
    QString out = PageHead::html(info.title, s.refresh, s.rankCss, s.background);
    out += QLatin1String("<table width=") + s.rankWidth + QLatin1String(">\n<tr>\n <td> <h4>&nbsp;")
           + spaced(info.title) + QLatin1String("</h4> </td>\n</tr>\n<tr><td><hr></td></tr>\n</table>\n");
    return out;
}

QString writeRankHtmlRows(const ClassInfo &info, const Settings &s, const QStringList &row, int n)
{
    const Columns col = columnsOf(info.kind);
    const QString F = QLatin1String("<font color=\"") + foreground(s, n) + QLatin1String("\" size=\"3\">");
    QString out = QLatin1String("<td width=\"70%\" align=\"left\" >\n") + F + esc(row.value(1)) + QLatin1Char(' ')
                  + esc(row.value(2)) + Nbsp + E;

    QString total;
    const double v = numberOf(row.value(col.total));
    const QString status = row.value(5).toUpper();
    if (v > 0)
        total = QString::number(v, 'f', 2);
    else if (status == QLatin1String("OPGIVET") || status == QLatin1String("DISKVALIFICERET")
             || status == QStringLiteral("UDGÅET"))
        total = esc(row.value(5));
    out += QLatin1String("<td width=\"5%\" align=right >\n") + F + QLatin1Char('\n') + total + Nbsp + E;

    if (s.placering)
        out += QLatin1String("<td width=\"2%\" align=\"left\" >\n") + F + placing(info, row.value(col.place)) + E;
    return out;
}

} // namespace

Pages write(const ClassInfo &info, const Settings &s, const QVector<QStringList> &rows)
{
    const QString table = QStringLiteral("<table width=100% cellspacing=\"0\" cellpadding=\"1\" border=\"0\">\n");
    QString klasse = klasseHead(info, s) + table + headerRow(info, s);
    QString rank = writeRankHtmlHead(info, s) + table;
    int n = 0;
    for (const QStringList &row : rows) {
        if (isWithdrawn(row))
            continue;
        ++n;
        klasse += rowOpening(s, n) + klasseRow(info, s, row, n) + QLatin1String("</tr>\n");
        rank += rowOpening(s, n) + writeRankHtmlRows(info, s, row, n) + QLatin1String("</tr>\n");
    }
    const QString end = QStringLiteral("</table>\n</body>\n</html>\n");
    return {(klasse + end).toUtf8(), (rank + end).toUtf8()};
}

} // namespace ChampPages

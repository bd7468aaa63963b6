// Chains of "+" build their text in one allocation.
#define QT_USE_QSTRINGBUILDER

#include "views/dressur/DressurPages.h"

#include "views/ClassHead.h"
#include "views/HtmlText.h"
#include "views/PageHead.h"

#include <QHash>

#include <cmath>

namespace DressurPages {

using namespace DressurColumns;
using DressurPlacing::cellFloat;
using DressurPlacing::cellInt;
using DressurPlacing::Status;
using DressurPlacing::statusOf;

Settings Settings::read(const SettingLookup &value)
{
    const auto text = [&value](const char *key, const char *def) {
        return value(QLatin1String(key), QString::fromUtf8(def));
    };
    const auto number = [&text](const char *key, const char *def) { return text(key, def).toInt(); };

    Settings s;
    static_cast<PageStyle &>(s) = PageStyle::read(value);
    s.lastFontSize = number("html.last.font.size", "5");
    s.dvShow = number("logo.dv.show", "0");
    s.dvLogo = text("logo.dv", "DV.png");
    s.feiEliminated = text("fei.eliminated", "");
    // One setting, two readers with their own defaults.
    s.rankTableWidth = text("http.rank.width", "100%");
    s.rankTitleWidth = text("http.rank.width", "360");
    return s;
}

namespace {

const QString Nbsp = QStringLiteral("&nbsp;");

// Database text for the page.
QString esc(const QString &text)
{
    return html::escape(text);
}

// Database text for the page with every blank a non-breaking one.
QString spaced(const QString &text)
{
    return html::escape(text).replace(QLatin1Char(' '), Nbsp);
}

// A number in fixed notation; a value that came out of a division by zero
// has nothing to show.
QString fixed(float value, int decimals)
{
    if (!std::isfinite(value))
        return Nbsp;
    return QString::number(double(value), 'f', decimals);
}

QString number(int n)
{
    return QString::number(n);
}

bool finishedWithoutScore(const QString &status)
{
    return statusOf(status) == Status::FinishedWithoutScore;
}

QString withoutStars(const QString &club)
{
    return QString(club).remove(QLatin1Char('*'));
}

// The logo of a club marked with "*", when its file is there.
bool clubLogo(const Settings &s, const QString &club)
{
    return club.contains(QLatin1Char('*')) && s.fileExists
           && s.fileExists(s.logoDir + withoutStars(club) + QLatin1String(".png"));
}

bool isLastRider(const ClassInfo &info, const Settings &s, const QStringList &row)
{
    return info.lastChangeId != -1 && cellInt(row.value(StartId)) == info.lastChangeId
           && !s.lastRiderBackground.isEmpty();
}

QString rowClass(int n)
{
    return n % 2 ? QStringLiteral("odd") : QStringLiteral("even");
}

QString rowBackground(const Settings &s, int n)
{
    return n % 2 ? s.oddBackground : s.evenBackground;
}

// The opening tag of a result page row of starter n.
QString resultRowOpening(const ClassInfo &info, const Settings &s, const QStringList &row, int n)
{
    if (isLastRider(info, s, row))
        return QLatin1String("<tr bgcolor=\"") + s.lastRiderBackground
               + QLatin1String("\" class=\"lastrider\">\n");
    return QLatin1String("<tr bgcolor=\"") + rowBackground(s, n) + QLatin1String("\" class=\"")
           + rowClass(n) + QLatin1String("\">\n");
}

// The judge's cell opening; those of M and B end in two blanks.
QString judgeCellOpening(int judge)
{
    return judge < 3 ? QStringLiteral("<td width=\"5%\" align=\"center\" ")
                     : QStringLiteral("<td width=\"5%\" align=\"center\"  ");
}

} // namespace

QString writeHtmlHead(const ClassInfo &info, const Settings &s)
{
    ClassHead::Info head;
    head.bane = info.bane;
    head.antalStarter = info.antalStarter;
    head.resterendeStarter = info.resterendeStarter;
    head.bevarStartTid = info.bevarStartTid;
    head.tempResult = info.tempResult;
    head.title = info.title;
    head.judges = info.judges;
    head.measure = info.maxPoint;
    head.sponsor = info.sponsor;
    head.placings = info.placings;
    head.startSlutTid = info.startSlutTid;
    head.now = info.now;
    return ClassHead::html(head, s);
}

QString writeHtmlInfo(const ClassInfo &info, const Settings &s, const DressurRows &rows)
{
    const QString id = number(info.lastChangeId);
    const QStringList *found = nullptr;
    for (const QStringList &row : rows) {
        if (row.value(StartId) == id) {
            found = &row;
            break;
        }
    }
    if (!found)
        return QString();
    const QStringList &row = *found;

    const QString font = QLatin1String("<font color=\"") + s.lastForeground + QLatin1String("\" size=\"")
                         + number(s.lastFontSize) + QLatin1String("\">");
    const QString club = row.value(Klub);

    QString out = QLatin1String("<br>\n<br>\n<table width=100% cellspacing=\"0\" cellpadding=\"0\" border=\"0\" "
                                "class=\"lastrider\" align=\"center\" >\n");
    out += QLatin1String("<tr bgcolor=\"") + s.lastBackground + QLatin1String("\" nowrap class=\"last\">\n");
    if (clubLogo(s, club))
        out += QLatin1String("<td width=5% valign=center class=\"logo\"><img src=\"../logo/")
               + esc(withoutStars(club)) + QLatin1String(".png\" >\n&nbsp;</td>\n");
    out += QLatin1String("<td width=5% >") + font + id + QLatin1String("</font></td>\n");
    out += QLatin1String("<td width=35% >") + font + spaced(row.value(Hest)) + QLatin1String("</font></td>\n");
    out += QLatin1String("<td width=35% >") + font + spaced(row.value(Rytter)) + QLatin1String("</font></td>\n");

    out += QLatin1String("<td width=10% align=\"center\">") + font;
    const float points = cellFloat(row.value(Point));
    const QString percentCell = QLatin1String("</font></td>\n<td width=15% nowrap align=\"right\">") + font
                                + fixed(cellFloat(row.value(Procent)), 3) + QLatin1String("&nbsp;%");
    if (points == 0)
        out += esc(row.value(Diskvalifikation));
    else if (info.noMaxPnt)
        out += QString::number(double(points), 'g', 6);
    else if (info.maxPnt >= 100 && info.kur == 0)
        out += number(int(points)) + percentCell;
    else if (info.maxPnt >= 100 || info.kur == 1)
        out += percentCell;
    else
        // Classes scored up to 99 points show them divided by 100, as the
        // ranking page does.
        out += fixed(points / 100.0f, 3);

    if (cellInt(row.value(ForeloebigPlacering)) > 0 && s.placering)
        out += QLatin1String("&nbsp;(") + esc(row.value(ForeloebigPlacering)) + QLatin1Char(')');
    out += QLatin1String("</font></td>\n</tr>\n</table>\n<br>\n<br>\n");
    return out;
}

QString writeHtmlRow(const ClassInfo &info, const Settings &s, const QStringList &row, int n)
{
    const int rest = info.resterendeStarter;
    const int D = info.antalDommere;
    const bool odd = n % 2;
    const QString FG = odd ? s.oddForeground : s.evenForeground;
    const QString F = QLatin1String("<font color=\"") + FG + QLatin1String("\" size=\"3\">");
    const QString O = resultRowOpening(info, s, row, n);

    const float points = cellFloat(row.value(Point));
    const QString pedigree = row.value(Afstamning);
    const bool listOrFinished = rest == 0 || rest == info.antalStarter;
    const bool pedigreeUnderHorse = s.afstamning && !pedigree.isEmpty() && listOrFinished;
    const QString S = (info.kur == 1 && points > 0) || pedigreeUnderHorse || (s.visFei != 0 && rest == 0)
                          ? QStringLiteral(" valign=center rowspan=2 ")
                          : QString();
    const QString status = row.value(Diskvalifikation);
    const QString place = row.value(ForeloebigPlacering);
    const int placeNr = cellInt(place);
    const bool dropped = cellInt(row.value(Udgaar)) != 0;

    QString out;

    // Leading cells: the start number while the class is ridden, the place
    // once it is finished.
    if (info.hold == 0) {
        if (rest != 0) {
            out += QLatin1String("<td width=\"3%\" align=\"right\" ") + S + QLatin1String(">\n") + F
                   + spaced(row.value(StartNr)) + Nbsp;
            if (s.startTime && info.bevarStartTid == 1) {
                const QString time = row.value(StartTid);
                out += QLatin1String("</font>\n</td>\n<td width=\"5%\" ") + S + QLatin1String(">\n") + F
                       + (time != QLatin1String("00:00") ? QLatin1String("&nbsp;(") + esc(time) + QLatin1Char(')')
                                                         : Nbsp);
            }
            out += QLatin1String("</font>\n</td>\n");
        } else {
            out += QLatin1String("<td width=\"2%\" ") + S + QLatin1String("align=right>\n") + F;
            if (placeNr > 0 && s.visFei == 1)
                out += placeNr > info.antalPlaceringer
                           ? esc(place)
                           : QLatin1String("<b class=place>") + esc(place) + QLatin1String("</b>");
            out += QLatin1String("</font></td>\n");
        }
    }

    out += QLatin1String("<td width=\"3%\" align=\"right\" ") + S + QLatin1String(">\n") + F
           + spaced(row.value(StaevneNr)) + QLatin1String("&nbsp;</font>\n</td>\n");

    if (s.dvShow != 0 && (rest == 0 || rest == info.antalStarter || s.afstamning == 1)) {
        out += QLatin1String("<td width=\"3%\" align=\"right\" ") + S + QLatin1String(" class=\"breed_logo\">\n") + F;
        if (s.fileExists && s.fileExists(s.logoDir + s.dvLogo))
            out += QLatin1String("<img src=\"../logo/") + s.dvLogo + QLatin1String("\" >");
        out += QLatin1String("</font>\n</td>\n");
    }

    out += QLatin1String("<td width=\"") + number(39 - 2 * D) + QLatin1String("%\" align=\"left\" ")
           + (pedigreeUnderHorse ? QString() : S) + QLatin1String(">\n") + F + spaced(row.value(Hest))
           + QLatin1String("&nbsp;</font>\n</td>\n");
    out += QLatin1String("<td width=\"") + number(33 - 2 * D) + QLatin1String("%\" align=\"left\" ") + S
           + QLatin1String(">\n") + F + spaced(row.value(Rytter)) + QLatin1String("&nbsp;</font>\n</td>\n");

    if (info.hold == 0) {
        const QString club = row.value(Klub);
        out += QLatin1String("<td width=\"3%\" align=\"left\" ") + S + QLatin1String(">\n");
        if (clubLogo(s, club)) {
            const QString name = esc(withoutStars(club));
            out += QLatin1String("<img src=\"../logo/") + name + QLatin1String(".png\" >&nbsp;&nbsp;") + name
                   + QLatin1String("</td>\n");
        } else {
            out += F + spaced(club) + QLatin1String("&nbsp;</font>\n</td>\n");
        }
    }

    // How the marks are shown: spanning the second row or not, decimals,
    // and as points or as percentages of each judge's share.
    const QString J = info.kur == 0
                              && (info.noMaxPnt || info.hold != 0 || rest > 0 || (s.visFei == 0 && s.afstamning))
                          ? S
                          : QString();
    int d = 1;
    float q = 1.0f;
    if (info.maxPnt == 100 || info.noMaxPnt)
        d = 3;
    if (s.visFei == 1 && !info.noMaxPnt && rest == 0) {
        d = 3;
        q = float(info.maxPnt) / 100.0f;
    }
    if (info.kur != 0) {
        d = 3;
        q = float(info.maxPnt) / 200.0f;
    }
    float sum = 0;

    if (points <= 0) {
        QString text = Nbsp;
        if (finishedWithoutScore(status))
            text = s.feiEliminated.isEmpty() ? esc(status) : s.feiEliminated;
        out += QLatin1String("<td colspan=") + number(D) + S + QLatin1String(" width=") + number(4 * D + 6)
               + QLatin1String(" align=\"center\" >") + text + QLatin1String("\n</td>\n");
    } else {
        for (int k = 0; k < JudgeCount; ++k) {
            const float mark = cellFloat(row.value(DommerE + k));
            if (mark <= 0)
                continue;
            out += judgeCellOpening(k) + QLatin1String(" class=\"point\" ") + J + QLatin1Char('>')
                   + fixed(mark / q, d) + QLatin1String("&nbsp;</td>\n");
            sum += mark / q;
        }
    }

    if (info.kur != 0 && points > 0)
        out += QLatin1String("<td width=\"6%\"  align=\"right\"  ><i>") + fixed(sum / float(D), d)
               + QLatin1String("</i></td>\n");

    const QString R = QLatin1String("<td width=\"6%\"  align=\"right\" ") + S + QLatin1String(" >");
    const QString open = dropped ? QStringLiteral("(") : QString();
    const QString close = dropped ? QStringLiteral(")") : QString();
    out += R;
    if (info.noMaxPnt && points > 0) {
        out += QLatin1String("<b>") + fixed(sum, d) + QLatin1String("</b>");
    } else if (info.kur != 0 && points > 0) {
        float artistic = 0;
        for (int k = 0; k < JudgeCount; ++k)
            artistic += cellFloat(row.value(DommerEKur + k)) / q;
        out += QLatin1String("<b>") + fixed((sum + artistic) / float(2 * D), 3) + QLatin1String("</b>");
    } else if (s.visFei == 1 && rest == 0 && sum > 0) {
        out += open + QLatin1String("<b>") + fixed(D != 0 ? sum / float(D) : sum, d) + QLatin1String("</b>")
               + close;
    } else if (D != 0 && info.maxPnt != 0 && points > 0) {
        if (D > 1)
            out += QLatin1String("<i>") + fixed(sum, d) + QLatin1String("</i>");
        out += QLatin1String("</td>\n") + R + open + QLatin1String("<b>")
               + fixed(sum / float(info.maxPnt * D) * 100.0f, 3) + QLatin1String("</b>") + close;
    } else {
        out += Nbsp + QLatin1String("</td>\n") + R;
        const float running = cellFloat(row.value(Tendens));
        if (running > 0 && !finishedWithoutScore(status))
            out += QLatin1String("<font color=\"#dd0000\" class=\"tendens\"><i>") + fixed(running, 3)
                   + QLatin1String("</i></font>");
        else
            out += Nbsp;
    }
    out += QLatin1String("\n</td>\n");

    if (s.placering) {
        const bool shown = placeNr > 0 && (placeNr <= info.antalPlaceringer || info.hold != 0)
                           && (rest != 0 || s.visFei == 0 || info.hold != 0);
        out += QLatin1String("<td width=\"2%\" align=\"right\" ") + S + QLatin1String(">\n") + F
               + (shown ? QLatin1String("&nbsp;(") + esc(place) + QLatin1String(")&nbsp;") : Nbsp)
               + QLatin1String("</font>\n</td>\n");
    }

    // The second row: the pedigree under the horse, the artistic marks of a
    // Kur under the technical ones, the judges' places of a finished class.
    const bool pedigreeRow = ((s.afstamning && !pedigree.isEmpty()) || s.visFei != 0) && listOrFinished;
    if (pedigreeRow || info.kur != 0) {
        out += QLatin1String("</tr>\n") + O;
        if (pedigreeRow && s.afstamning)
            out += QLatin1String("<td align=\"left\" class=\"afstamning\"><font size=2><i class=\"afstamning\">")
                   + (pedigree.isEmpty() ? Nbsp : spaced(pedigree)) + QLatin1String("</i></font>\n</td>\n");
        if (info.kur != 0 && points > 0) {
            float artistic = 0;
            for (int k = 0; k < JudgeCount; ++k) {
                const float mark = cellFloat(row.value(DommerEKur + k));
                if (mark <= 0)
                    continue;
                out += judgeCellOpening(k) + QLatin1String(" class=\"kur_point\" >") + fixed(mark / q, d)
                       + QLatin1String("&nbsp;</td>\n");
                artistic += mark / q;
            }
            out += QLatin1String("<td width=\"6%\"  align=\"right\"  ><i>") + fixed(artistic / float(D), d)
                   + QLatin1String("</i></td>\n");
        }
    }

    if (s.visFei != 0 && rest == 0 && info.hold == 0 && !info.noMaxPnt) {
        if (info.kur != 0)
            out += QLatin1String("</tr>\n") + O + QLatin1String("<td colspan=") + number(s.dvShow + 5)
                   + QLatin1String("></td>");
        for (int k = 0; k < JudgeCount; ++k) {
            const float mark = cellFloat(row.value(DommerE + k));
            if (mark <= 0)
                continue;
            out += k == 0 ? QLatin1String("<td width=\"5%\"  align=\"center\" class=\"judge_place\" >")
                          : QLatin1String("<td width=\"5%\"  align=\"center\" class=\"judge_place\">");
            out += QLatin1String("<font size=2><i class=\"judge_place\">");
            if (info.kur == 0)
                out += fixed(mark, 1);
            out += QLatin1String("&nbsp;(") + number(cellInt(row.value(EPlace + k)))
                   + QLatin1String(")</i></font></td>\n");
        }
        if (info.kur != 0)
            out += QLatin1String("<td colspan=3>&nbsp;</td></tr>");
    }
    return out;
}

QString writeRankHtmlHead(const ClassInfo &info, const Settings &s)
{
    QString out = PageHead::html(info.title, s.refresh, s.rankCss, s.background);
    out += QLatin1String("<table width=") + s.rankTitleWidth + QLatin1String(">\n");
    out += QLatin1String("<tr>\n <td> <h4>&nbsp;") + spaced(info.title) + QLatin1String("</h4> </td>\n</tr>\n");
    out += QLatin1String("<tr><td><hr></td></tr>\n</table>\n");
    return out;
}

QString writeRankHtmlRow(const ClassInfo &info, const Settings &s, const QStringList &row, int n)
{
    const QString font = QLatin1String("<font color=\"") + (n % 2 ? s.oddForeground : s.evenForeground)
                         + QLatin1String("\" size=\"3\">");
    const QString club = row.value(Klub);

    QString out = QLatin1String("<td width=\"5%\" align=\"left\" >\n");
    if (clubLogo(s, club))
        out += QLatin1String("<img src=\"../logo/") + esc(withoutStars(club)) + QLatin1String(".png\" >\n</td>\n");
    else
        out += font + spaced(club) + QLatin1String("&nbsp;</font>\n</td>\n");

    out += QLatin1String("<td width=\"77%\" align=\"left\" >\n") + font + esc(row.value(Rytter))
           + QLatin1String("&nbsp;</font>\n</td>\n");

    out += QLatin1String("<td width=\"5%\" align=right >\n") + font + QLatin1Char('\n');
    const float running = cellFloat(row.value(Tendens));
    const bool runningShown = running > 0 && !finishedWithoutScore(row.value(Diskvalifikation));
    const QString runningText = QLatin1String("<font color=\"#dd0000\"><i>") + fixed(running, 3)
                                + QLatin1String("</i></font>");
    // Classes up to 99 points show the points divided by 100, all others
    // (and a Kur with a maximum) the percentage.
    const bool byPoints = info.maxPnt <= 99 && !(info.kur == 1 && info.maxPnt >= 1);
    if (byPoints) {
        const float points = cellFloat(row.value(Point));
        if (points > 0)
            out += fixed(points / 100.0f, 3);
        else if (runningShown)
            out += runningText;
    } else {
        const float percent = cellFloat(row.value(Procent));
        if (percent > 0)
            out += fixed(percent, 3);
        else
            out += runningShown ? runningText : Nbsp;
    }
    out += QLatin1String("&nbsp;</font>\n</td>\n");

    if (s.placering) {
        const QString place = row.value(ForeloebigPlacering);
        const int placeNr = cellInt(place);
        const bool shown = placeNr > 0 && placeNr <= info.antalPlaceringer && info.resterendeStarter != 0
                           && s.visFei != 0;
        out += QLatin1String("<td width=\"2%\" align=\"right\" >\n") + font
               + (shown ? QLatin1String("&nbsp;(") + esc(place) + QLatin1String(")&nbsp;") : Nbsp)
               + QLatin1String("</font>\n</td>\n");
    }
    return out;
}

namespace {

// The team rows around the members of each team: on the result page a grey
// header before each team and a total row after it, all inside a 90% table;
// on the ranking page one summary row per team with a total.
class TeamRows
{
public:
    TeamRows(const ClassInfo &info, const Settings &s, QString &result, QString &ranking)
        : m_s(s)
        , m_result(result)
        , m_ranking(ranking)
        , m_width(info.antalDommere + (s.visFei == 0 ? 6 : 5))
        , m_nameSpan(info.antalDommere + (s.visFei == 0 ? 3 : 2))
    {
    }

    // Before the member row: a new team begins where the team id changes.
    void before(const QStringList &row)
    {
        const int team = cellInt(row.value(HoldId));
        if (team == m_team)
            return;
        if (m_sum > 0) {
            writeTotal(QStringLiteral(" align=RIGHT>Total:&nbsp;"));
            writeSummary(QStringLiteral("<img width=64 src=\"../logo/"));
            m_ranking += QLatin1String("<tr>\n");
            ++m_summaries;
        } else {
            if (m_tableOpen)
                m_result += QLatin1String("</table>\n</td></tr>");
            m_result += QLatin1String("<tr><td align=center><table width=90% cellspacing=\"0\" cellpadding=\"1\" "
                                      "border=\"0\">\n");
            m_tableOpen = true;
        }
        m_sum = DressurPlacing::cellDouble(row.value(HoldSum));

        const QString club = row.value(Klub);
        m_result += QLatin1String("<tr bgcolor=\"#CCCCCC\" class=\"team_header\">\n<td align=RIGHT>")
                    + esc(row.value(HoldPlacering)) + QLatin1String("</td>\n<td colspan=") + number(m_nameSpan)
                    + QLatin1String(" align=left>&nbsp;") + esc(row.value(HoldNavn)) + QLatin1String("</td>\n");
        if (clubLogo(m_s, club))
            m_result += QLatin1String("<td colspan=2 align=right><img src=\"../logo/") + esc(withoutStars(club))
                        + QLatin1String(".png\" >\n</td>\n");
        else
            m_result += QLatin1String("<td colspan=2 align=right>") + esc(withoutStars(club))
                        + QLatin1String("</td>");
        m_result += QLatin1String("</tr>\n");

        m_placing = row.value(HoldPlacering);
        m_club = club;
        m_name = row.value(HoldNavn).section(QLatin1Char(' '), 0, 0);
        m_team = team;
    }

    // After the last row: the last team's total, and the team table closed.
    void finish()
    {
        if (m_sum > 0) {
            writeTotal(QStringLiteral(" align=RIGHT> Total:&nbsp;"));
            m_result += QLatin1String("</table></td></tr>\n");
            writeSummary(QStringLiteral("<img  width=64  src=\"../logo/"));
            m_ranking += QLatin1String("<tr><td colspan=") + number(m_width)
                         + QLatin1String(">&nbsp;</td></tr>\n");
        } else if (m_tableOpen) {
            // Also when the last group is the riders without a team, whose
            // id is 0: the team table must not stay open.
            m_result += QLatin1String("</table>\n</td></tr>");
        }
    }

private:
    QString total() const { return QString::number(m_sum, 'f', 3); }

    void writeTotal(const QString &label)
    {
        m_result += QLatin1String("<tr bgcolor=\"#CCCCCC\" class=\"team_header\">\n<td colspan=") + number(m_width)
                    + label + total() + QLatin1String("&nbsp;</td>\n</tr>\n<tr><td colspan=") + number(m_width)
                    + QLatin1String(">&nbsp;</td></tr>\n");
    }

    void writeSummary(const QString &imageStart)
    {
        m_ranking += QLatin1String("<tr bgcolor=\"") + rowBackground(m_s, m_summaries) + QLatin1String("\" class=\"")
                     + rowClass(m_summaries) + QLatin1String("\"><td align=left>&nbsp;");
        if (!m_placing.isEmpty())
            m_ranking += esc(m_placing) + QLatin1String("&nbsp;&nbsp;");
        // A club marked for a logo whose file is missing shows its text, as
        // in the other logo cells, not a picture that cannot load.
        if (clubLogo(m_s, m_club))
            m_ranking += imageStart + esc(withoutStars(m_club)) + QLatin1String(".png\" >");
        else
            m_ranking += esc(m_club);
        m_ranking += Nbsp + esc(m_name) + QLatin1String("</td>\n<td align=RIGHT>Total:&nbsp;") + total()
                     + QLatin1String("&nbsp;</td>\n</tr>\n");
    }

    const Settings &m_s;
    QString &m_result;
    QString &m_ranking;
    const int m_width;
    const int m_nameSpan;
    int m_team = 0;
    double m_sum = 0.0;
    int m_summaries = 0;
    bool m_tableOpen = false;
    QString m_placing;
    QString m_club;
    QString m_name;
};

} // namespace

Pages write(const ClassInfo &info, const Settings &settings, const DressurRows &rows)
{
    // One look for each logo file per page pair.
    Settings s = settings;
    if (settings.fileExists) {
        auto seen = std::make_shared<QHash<QString, bool>>();
        s.fileExists = [seen, exists = settings.fileExists](const QString &path) {
            auto it = seen->constFind(path);
            if (it == seen->constEnd())
                it = seen->insert(path, exists(path));
            return it.value();
        };
    }

    QString result = writeHtmlHead(info, s);
    QString ranking = writeRankHtmlHead(info, s);
    if (info.lastChangeId != -1)
        result += writeHtmlInfo(info, s, rows);
    result += QLatin1String("<table width=100% cellspacing=\"0\" cellpadding=\"1\" border=\"0\">\n");
    ranking += QLatin1String("<table width=") + s.rankTableWidth
               + QLatin1String(" cellspacing=\"0\" cellpadding=\"1\" border=\"0\">\n");

    TeamRows teams(info, s, result, ranking);
    int n = 0;
    for (const QStringList &row : rows) {
        if (statusOf(row.value(Diskvalifikation)) == Status::NotStarter)
            continue;
        if (info.hold != 0)
            teams.before(row);
        ++n;
        result += resultRowOpening(info, s, row, n) + writeHtmlRow(info, s, row, n) + QLatin1String("</tr>\n");
        ranking += QLatin1String("<tr bgcolor=\"") + rowBackground(s, n) + QLatin1String("\" class=\"")
                   + rowClass(n) + QLatin1String("\">\n") + writeRankHtmlRow(info, s, row, n)
                   + QLatin1String("</tr>\n");
    }
    if (info.hold != 0)
        teams.finish();

    const QLatin1String end("</table>\n</body>\n</html>\n");
    result += end;
    ranking += end;
    return {result.toUtf8(), ranking.toUtf8()};
}

} // namespace DressurPages

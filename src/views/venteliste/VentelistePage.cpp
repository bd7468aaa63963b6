#include "views/venteliste/VentelistePage.h"

#include "views/HtmlText.h"

namespace VentelistePage {

QStringList titles()
{
    return {QStringLiteral("Start Nr"), QStringLiteral("Stævne Nr"), QStringLiteral("Hest"),
            QStringLiteral("Rytter"),   QStringLiteral("Klub"),      QStringLiteral("Afmeldt"),
            QStringLiteral("LicensNr"), QStringLiteral("HesteId"),   QStringLiteral("Afstamning")};
}

namespace {

// One pedigree part: "<label>:" and the name of a "nr--Name--" text, or
// "<label>:-" and the text as it stands.
QString pedigreePart(const QString &label, const QString &text)
{
    const QString separator = QStringLiteral("--");
    const qsizetype first = text.indexOf(separator);
    if (first < 0)
        return label + QStringLiteral(":-") + text;
    const qsizetype from = first + separator.size();
    const qsizetype next = text.indexOf(separator, from);
    const QString name = next < 0 ? text.mid(from) : text.mid(from, next - from);
    // A lone character there is a registry code, not a name.
    return name.size() > 1 ? label + QLatin1Char(':') + name : QString();
}

// Database text for a cell: escaped, then every blank a hard blank so that
// names do not wrap.
QString cellText(const QString &text)
{
    return html::escape(text).replace(QLatin1Char(' '), QLatin1String("&nbsp;"));
}

bool withdrawn(const QString &status)
{
    const QString upper = status.toUpper();
    return upper == QStringLiteral("EJ MØDT") || upper == QLatin1String("AFMELDT");
}

// The logo picture of a club marked with "*", when there is one. A club
// text holding a path separator never names a picture.
QString logoName(const QString &klub, const Settings &s)
{
    if (!klub.contains(QLatin1Char('*')))
        return QString();
    QString club = klub;
    club.remove(QLatin1Char('*'));
    if (club.isEmpty() || club.contains(QLatin1Char('/')) || club.contains(QLatin1Char('\\')))
        return QString();
    return s.fileExists && s.fileExists(s.logoDir + club + QLatin1String(".png")) ? club : QString();
}

QString writeHtmlHead(const QString &title, const QDateTime &now, const Settings &s)
{
    const QString t = html::escape(title);
    QString out;
    out += QLatin1String("<html>\n<head>\n");
    out += QLatin1String("<META http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\n");
    out += QLatin1String("<title>VENTELISTE ") + t + QLatin1String("</title>\n");
    out += QLatin1String("<LINK href=\"") + s.css + QLatin1String("\" rel=\"stylesheet\" type=\"text/css\">");
    out += QLatin1String("</head>\n ");
    out += QLatin1String("<body bgcolor=\"") + s.background + QLatin1String("\">");
    out += QLatin1String("<table width=100% border=0>\n<tr>\n");
    out += QLatin1String(" <td width=85% colspan=2><b>VENTELISTE&nbsp;&nbsp;&nbsp;") + t
           + QLatin1String("</b> </td>\n");
    out += QLatin1String(" <td align=left>") + now.toString(QStringLiteral("dd/MM yyyy hh:mm"))
           + QLatin1String(" </td>\n");
    out += QLatin1String("</tr>\n<tr><td colspan =3 ><hr></td></tr>\n</table>\n");
    return out;
}

// The cells of the entry in row n (from 1); the caller opens and closes
// the row. With a pedigree line the entry takes two table rows, and every
// cell but the horse's spans both, so the pedigree stands under the horse.
QString writeHtmlRows(const QStringList &row, int n, const Settings &s)
{
    const bool odd = n % 2 != 0;
    const QString colour = odd ? s.oddForeground : s.evenForeground;
    const QString pedigree = row.value(Afstamning);
    const QString span = s.afstamning && !pedigree.isEmpty() ? QStringLiteral(" valign=center rowspan=2 ")
                                                             : QString();
    const QString font = QLatin1String("<font color=\"") + colour + QLatin1String("\" size=\"3\">");
    const auto cell = [&](const QString &text) {
        return font + cellText(text) + QLatin1String("&nbsp;</font>\n</td>\n");
    };

    QString out;
    out += QLatin1String("<td width=\"10%\" ") + span + QLatin1String(" align=\"center\" >\n") + cell(row.value(StartNr));
    out += QLatin1String("<td width=\"10%\" ") + span + QLatin1String(" align=\"center\" >\n") + cell(row.value(StaevneNr));
    out += QLatin1String("<td width=\"35%\"  align=\"left\"  >\n") + cell(row.value(Hest));
    out += QLatin1String("<td width=\"35%\" ") + span + QLatin1String(" align=\"left\" >\n") + cell(row.value(Rytter));
    out += QLatin1String("<td width=\"10%\" align=\"left\" ") + span + QLatin1String(">\n");
    const QString logo = logoName(row.value(Klub), s);
    if (!logo.isEmpty()) {
        const QString club = html::escape(logo);
        out += QLatin1String("<img src=\"../logo/") + club + QLatin1String(".png\" >&nbsp;&nbsp;") + club
               + QLatin1String("</td>\n");
    } else {
        out += cell(row.value(Klub));
    }
    if (!span.isEmpty()) {
        out += QLatin1String("</tr>\n<tr bgcolor=\"") + (odd ? s.oddBackground : s.evenBackground)
               + QLatin1String("\" class=\"") + (odd ? QLatin1String("odd") : QLatin1String("even"))
               + QLatin1String("\">\n");
        out += QLatin1String("<td align=\"left\" class=\"afstamning\"><font size=2><i>") + cellText(pedigree)
               + QLatin1String("</i></font></td>\n");
    }
    return out;
}

} // namespace

QString pedigreeText(const QString &year, const QString &sire, const QString &dam, const QString &damSire)
{
    QString text = year + QLatin1Char(' ');
    if (!sire.isEmpty())
        text += pedigreePart(QStringLiteral("F"), sire);
    if (!dam.isEmpty())
        text += QLatin1Char('/') + pedigreePart(QStringLiteral("M"), dam);
    if (!damSire.isEmpty())
        text += QLatin1Char('/') + pedigreePart(QStringLiteral("MF"), damSire);
    return text;
}

QByteArray html(const QString &title, const QDateTime &now, const Settings &settings,
                const QVector<QStringList> &rows)
{
    QString out = writeHtmlHead(title, now, settings);
    out += QLatin1String("<table width=100% cellspacing=\"0\" cellpadding=\"1\" border=\"0\">\n");
    out += QLatin1String("<TR bgcolor=\"#CCCCCC\" class=venteliste_header>");
    out += QLatin1String("<th align=center>Nr</th>\n<th align=center>Stv.Nr</th>\n");
    out += QLatin1String("<th align=left>Hest</th>\n<th align=left>Rytter</th>\n<th align=left>Klub</th>");
    out += QLatin1String("</TR>\n");
    int n = 0;
    for (const QStringList &row : rows) {
        if (withdrawn(row.value(Afmeldt)))
            continue;
        ++n;
        const bool odd = n % 2 != 0;
        out += QLatin1String("<tr bgcolor=\"") + (odd ? settings.oddBackground : settings.evenBackground)
               + QLatin1String("\" class=\"") + (odd ? QLatin1String("odd") : QLatin1String("even"))
               + QLatin1String("\">\n");
        out += writeHtmlRows(row, n, settings);
        out += QLatin1String("</tr>\n");
    }
    out += QLatin1String("</table>\n</body>\n</html>\n");
    return out.toUtf8();
}

} // namespace VentelistePage

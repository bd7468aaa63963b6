#include "app/StaevneInfoPage.h"

#include "database/DbValue.h"
#include "views/HtmlText.h"

#include <QBuffer>
#include <QImage>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace StaevneInfoPage {

namespace {

void log(const StaevneLoader::Database &database, int level, const QString &text)
{
    if (database.log)
        database.log(level, text);
}

QString field(const StaevneLoader::Database &database, const QString &statement)
{
    return database.field ? database.field(statement) : QString();
}

void logFailure(const StaevneLoader::Database &database, const QSqlQuery &query, const QString &statement)
{
    log(database, -1, QStringLiteral("WRITESTAEVNEINFO SQL Error %1 Type: %2 STMT: %3")
                          .arg(query.lastError().text(), QString::number(int(query.lastError().type())), statement));
}

// Column 0 of every row, simplified; false when the statement failed.
bool readNames(const StaevneLoader::Database &database, const QString &statement, QStringList *names)
{
    QSqlQuery query(database.db);
    query.setForwardOnly(true);
    if (!query.prepare(statement) || !query.exec() || !query.isActive()) {
        logFailure(database, query, statement);
        return false;
    }
    while (query.next())
        *names << DbValue::text(query.value(0));
    if (query.lastError().isValid()) {
        logFailure(database, query, statement);
        return false;
    }
    return true;
}

void row(QString *out, const char *rowClass, const QString &cell)
{
    *out += QStringLiteral("<tr class=\"%1\">\n").arg(QLatin1String(rowClass)) + QLatin1String("<td>") + cell
            + QLatin1String("</td>\n") + QLatin1String("</tr>\n");
}

} // namespace

bool hasContent(const Content &c)
{
    for (const QString &jury : c.jury) {
        if (!jury.isEmpty())
            return true;
    }
    return !c.information.isEmpty() || !c.tekniskDelegeret.isEmpty() || !c.dommere.isEmpty()
           || !c.banebyggere.isEmpty();
}

QString escapeInformation(const QString &text)
{
    static const QRegularExpression ampersand(QStringLiteral("&(?!amp;)"));
    QString escaped = text;
    escaped.replace(ampersand, QStringLiteral("&amp;"));
    escaped.replace(QLatin1Char('<'), QLatin1String("&lt;"));
    escaped.replace(QLatin1Char('>'), QLatin1String("&gt;"));
    escaped.replace(QLatin1Char('\''), QLatin1String("&apos;"));
    escaped.replace(QLatin1Char('"'), QLatin1String("&quot;"));
    return escaped;
}

QString linkAddresses(const QString &escaped)
{
    static const QRegularExpression addressEnd(QStringLiteral("[\" \n\r>&]"));
    const QLatin1String scheme("http://");
    QString text = escaped;
    const qsizetype count = text.count(scheme);
    qsizetype position = 0;
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype start = text.indexOf(scheme, position);
        if (start < 0)
            break;
        const QRegularExpressionMatch end = addressEnd.match(text, start);
        const qsizetype stop = end.hasMatch() ? end.capturedStart() : text.size();
        const QString address = text.mid(start, stop - start);
        const QString link = QStringLiteral("<A HREF=\"%1\">%2</A>").arg(address, address);
        text.replace(start, stop - start, link);
        position = start + link.size();
    }
    return text;
}

QByteArray page(const Content &c, const QString &css, const QString &background)
{
    const QString navn = html::escape(c.navn);
    QString out = QLatin1String("<html>\n<head>\n")
                  + QLatin1String("<META http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\n")
                  + QStringLiteral("<title>Information om %1</title>\n").arg(navn) + QLatin1String("<LINK href=\"")
                  + css + QLatin1String("\" rel=\"stylesheet\" type=\"text/css\">") + QLatin1String("</head>\n ")
                  + QLatin1String("<body bgcolor=\"") + background + QLatin1String("\">")
                  + QLatin1String("<center><h1><A HREF=\"/") + html::escape(c.zepNr) + QLatin1String("\">") + navn
                  + QLatin1String("</A></h1>\n") + QLatin1String("<h2>") + html::escape(c.startDato)
                  + QLatin1String(" - ") + html::escape(c.slutDato) + QLatin1String("</h2>\n")
                  + QLatin1String("</center>\n") + QLatin1String("<table border=1 class=\"info\">\n");

    bool anyJury = false;
    for (const QString &jury : c.jury)
        anyJury = anyJury || !jury.isEmpty();
    if (anyJury) {
        row(&out, "info_jury_header", QStringLiteral("St&aelig;vnejury"));
        for (const QString &jury : c.jury) {
            if (!jury.isEmpty())
                row(&out, "info_jury", html::escape(jury));
        }
    }

    if (!c.information.isEmpty()) {
        row(&out, "info_header", QStringLiteral("St&aelig;vneinformation"));
        row(&out, "info",
            QLatin1String("<pre class=\"info\">") + linkAddresses(escapeInformation(c.information))
                + QLatin1String("</pre>"));
    }

    if (!c.tekniskDelegeret.isEmpty() || !c.dommere.isEmpty() || !c.banebyggere.isEmpty()) {
        row(&out, "info_officials_header", QStringLiteral("Officials"));
        if (!c.tekniskDelegeret.isEmpty())
            row(&out, "info_official", QLatin1String("Teknisk Delegeret: ") + html::escape(c.tekniskDelegeret));
        for (const QString &name : c.dommere)
            row(&out, "info_official", QLatin1String("Dommer: ") + html::escape(name));
        for (const QString &name : c.banebyggere)
            row(&out, "info_official", QLatin1String("Banebygger: ") + html::escape(name));
    }

    out += QLatin1String("</table>\n</body>\n</html>\n");
    return out.toUtf8();
}

// ---- database ----------------------------------------------------------------

// The database's update level: the page needs a schema with jury, information
// and officials, which came with a later update.
static const char UpdateLevelSql[] = "SELECT max(OpdateringID) FROM tblOpdatering ";

int readUpdateLevel(const StaevneLoader::Database &database)
{
    return field(database, QString::fromUtf8(UpdateLevelSql)).toInt();
}

// The owner club's logo picture and its id.
static const char LogoSql[] = "SELECT LOGOSTI FROM tblEjer";
static const char ClubIdSql[] = "SELECT klubid FROM tblEjer";

Logo readLogo(const StaevneLoader::Database &database)
{
    Logo logo;
    if (database.bytes)
        logo.bytes = database.bytes(QString::fromUtf8(LogoSql));
    logo.klubId = field(database, QString::fromUtf8(ClubIdSql)).remove(QLatin1Char('*'));
    return logo;
}

QByteArray logoPng(const QByteArray &stored)
{
    const QImage image = QImage::fromData(stored);
    if (image.isNull())
        return QByteArray();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return QByteArray();
    return png;
}

// The competition with its jury and information text.
static const char CompetitionSql[] =
    "SELECT S.staevneId, S.staevne, S.NiveauId,       \t\t\tCONVERT(char(10),S.startdato,103) AS startdato, \t\t        CONVERT(char(10),S.slutdato,103) AS slutdato, \t\t\t\tS.ZEPStaevneNr, \t\t\t\tS.Jury1, \t\t\t\tS.Jury2, \t\t\t\tS.Jury3, \t\t\t\tS.Jury4, \t\t\t\tS.Jury5, \t\t\t\tS.Information       \t\t\tFROM dbo.tblStaevne AS S \t\t\tWHERE S.staevneId = :staevneId ";

// The competition's technical delegate and its own course designer.
static const char TechnicalDelegateSql[] =
    "SELECT OFi.Fornavn + ' ' + OFi.EfterNavn \t\t\t\t\t\tFROM dbo.tblStaevne AS S \t\t\t\t\t\tINNER JOIN dbo.tblOfficials AS OFi ON S.TekniskDelegeretId = OFi.OfficialId \t\t\t\t\t\tWHERE S.staevneId = %1";
static const char CourseDesignerSql[] =
    "SELECT OFi.Fornavn + ' ' + OFi.EfterNavn \t\t\t\t\t\tFROM dbo.tblStaevne AS S \t\t\t\t\t\tINNER JOIN dbo.tblOfficials AS OFi ON S.banebyggerId = OFi.OfficialId \t\t\t\t\t\tWHERE S.staevneId = %1 ";

// The judges and course designers of every section of the competition.
static const char JudgesSql[] =
    "SELECT DISTINCT ofi.Fornavn + ' ' + ofi.Efternavn AS Expr1 \t\t\t\t\t\tFROM         tblStaevne AS s INNER JOIN                       tblKlasse AS K ON K.StaevneId = s.StaevneId INNER JOIN                       tblAfdeling AS A ON K.KlasseId = A.KlasseId INNER JOIN                       tblAfdelingDommer AS ad ON ad.AfdelingId = A.AfdelingId INNER JOIN                       tblOfficials AS ofi ON ad.OfficialId = ofi.OfficialId \t\t\t\t\t  WHERE     (s.StaevneId = %1)";
static const char SectionCourseDesignersSql[] =
    "SELECT DISTINCT ofi.Fornavn + ' ' + ofi.Efternavn AS Expr1 \t\t\t\t\t\tFROM         tblStaevne AS s INNER JOIN                       tblKlasse AS K ON K.StaevneId = s.StaevneId INNER JOIN                       tblAfdeling AS A ON K.KlasseId = A.KlasseId INNER JOIN                       tblAfdelingBanebygger AS ab ON ab.AfdelingId = A.AfdelingId INNER JOIN                       tblOfficials AS ofi ON ab.OfficialId = ofi.OfficialId \t\t\t\t\t  WHERE     (s.StaevneId = %1)";

bool readContent(const StaevneLoader::Database &database, int staevneId, Content *content)
{
    const QString statement = QString::fromUtf8(CompetitionSql);
    {
        QSqlQuery query(database.db);
        query.setForwardOnly(true);
        query.prepare(statement);
        query.bindValue(QStringLiteral(":staevneId"), staevneId);
        if (!query.exec() || !query.isActive() || !query.next()) {
            logFailure(database, query, statement);
            return false;
        }
        content->navn = DbValue::text(query.value(1));
        content->startDato = DbValue::text(query.value(3));
        content->slutDato = DbValue::text(query.value(4));
        content->zepNr = StaevneLoader::normaliseZepNr(DbValue::text(query.value(5)));
        content->jury.clear();
        for (int column = 6; column <= 10; ++column)
            content->jury << DbValue::text(query.value(column));
        const QVariant information = query.value(11);
        content->information = information.isNull() ? QString() : information.toString();
    }

    const QString id = QString::number(staevneId);
    content->tekniskDelegeret = field(database, QString::fromUtf8(TechnicalDelegateSql).arg(id));
    const QString courseDesigner = field(database, QString::fromUtf8(CourseDesignerSql).arg(id));

    content->dommere.clear();
    QStringList judges;
    if (readNames(database, QString::fromUtf8(JudgesSql).arg(id), &judges))
        content->dommere = judges;

    content->banebyggere.clear();
    if (!courseDesigner.isEmpty())
        content->banebyggere << courseDesigner;
    QStringList designers;
    if (readNames(database, QString::fromUtf8(SectionCourseDesignersSql).arg(id), &designers))
        content->banebyggere << designers;
    return true;
}

} // namespace StaevneInfoPage

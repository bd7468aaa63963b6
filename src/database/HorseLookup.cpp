#include "database/HorseLookup.h"

#include "database/DbValue.h"

namespace HorseLookup {

QStringList exportColumns()
{
    return {QStringLiteral("koen"),        QStringLiteral("farve"),        QStringLiteral("YEAR(foedeaar)"),
            QStringLiteral("AfstamningF"), QStringLiteral("AfstamningMF"), QStringLiteral("FeiID"),
            QStringLiteral("Opdraetter")};
}

QString statement(const QString &column, const QString &horseId)
{
    return QStringLiteral("SELECT ") + column
           + QStringLiteral(" FROM dbo.tblHest WHERE (HestBaseID = '%1' ) AND (OprettetLokalt = 0)")
                 .arg(DbValue::sqlLiteral(horseId));
}

QString sexCode(const QString &koen)
{
    const QString sex = koen.simplified().toUpper();
    if (sex == QLatin1String("HI"))
        return QStringLiteral("S");
    if (sex == QLatin1String("HO"))
        return QStringLiteral("M");
    return QStringLiteral("G");
}

QString colourName(const QString &farve)
{
    static const struct
    {
        const char *danish;
        const char *english;
    } colours[] = {
        {"BRUN", "Bay"},         {"MØRK BRUN", "DarkBay"},      {"SORTBRUN", "DarkBay"},
        {"LYS BRUN", "LightBay"}, {"RØD", "Chesnut"},           {"MØRK RØD", "DarkChesnut"},
        {"SORT", "Black"},       {"BROGET", "Piebald"},         {"SKIMMEL", "Grey"},
        {"BRUNSKIMMEL", "Roan"},
    };
    const QString colour = farve.simplified();
    const QString upper = colour.toUpper();
    for (const auto &c : colours) {
        if (upper == QString::fromUtf8(c.danish))
            return QString::fromLatin1(c.english);
    }
    return colour;
}

} // namespace HorseLookup

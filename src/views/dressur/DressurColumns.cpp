#include "views/dressur/DressurColumns.h"

namespace DressurColumns {

QStringList titles()
{
    return {
        QStringLiteral("Start Nr"),
        QStringLiteral("Stævne Nr"),
        QStringLiteral("Hest"),
        QStringLiteral("Rytter"),
        QStringLiteral("Klub"),
        QStringLiteral("Point"),
        QStringLiteral("Procent"),
        QStringLiteral("Placering"),
        QStringLiteral("Diskvalifikation"),
        QStringLiteral("Foreløbig Placering"),
        QStringLiteral("Start Id"),
        QStringLiteral("Dommer E"),
        QStringLiteral("Dommer H"),
        QStringLiteral("Dommer C"),
        QStringLiteral("Dommer M"),
        QStringLiteral("Dommer B"),
        QStringLiteral("StartTid"),
        QStringLiteral("Dommer E Kur"),
        QStringLiteral("Dommer H Kur"),
        QStringLiteral("Dommer C Kur"),
        QStringLiteral("Dommer M Kur"),
        QStringLiteral("Dommer B Kur"),
        QStringLiteral("RytterId"),
        QStringLiteral("HesteId"),
        QStringLiteral("Afstamning"),
        QStringLiteral("Tendens"),
        QStringLiteral("Hold Id"),
        QStringLiteral("Hold Navn"),
        QStringLiteral("Hold Sum"),
        QStringLiteral("Hold Placering"),
        QStringLiteral("Udgår"),
        QStringLiteral("E Place"),
        QStringLiteral("H Place"),
        QStringLiteral("C Place"),
        QStringLiteral("M Place"),
        QStringLiteral("B Place"),
        QStringLiteral("EquipageId"),
    };
}

} // namespace DressurColumns

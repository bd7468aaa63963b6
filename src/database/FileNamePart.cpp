#include "database/FileNamePart.h"

namespace paths {

bool isSafeFileNamePart(const QString &part)
{
    if (part.isEmpty() || part.size() > 200 || part.startsWith(QLatin1Char('.')) || part.endsWith(QLatin1Char('.'))
        || part.contains(QLatin1String("..")))
        return false;
    for (const QChar c : part) {
        const char16_t u = c.unicode();
        const bool ok = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '-'
                        || u == '_' || u == '.';
        if (!ok)
            return false;
    }
    return true;
}

} // namespace paths

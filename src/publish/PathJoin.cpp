#include "publish/PathJoin.h"

namespace paths {

QString join(const QString &base, const QString &name)
{
    if (base.isEmpty())
        return name;
    qsizetype end = base.size();
    while (end > 0 && base.at(end - 1) == QLatin1Char('/'))
        --end;
    qsizetype start = 0;
    while (start < name.size() && name.at(start) == QLatin1Char('/'))
        ++start;
    // Keep a base made only of slashes (the root) as one slash.
    return base.left(end) + QLatin1Char('/') + name.mid(start);
}

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

QString localServerAddress()
{
    return QStringLiteral("http://localhost:8080/");
}

} // namespace paths

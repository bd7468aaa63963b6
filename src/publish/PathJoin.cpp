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

QString localServerAddress()
{
    return QStringLiteral("http://localhost:8080/");
}

} // namespace paths

#include "database/DbValue.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <QVariant>

#include <cmath>
#include <limits>

namespace DbValue {

QString text(const QVariant &value)
{
    if (value.isNull())
        return QString();
    return value.toString().simplified();
}

QString numberText(const QVariant &value)
{
    const QString t = text(value);
    return t.isEmpty() ? QStringLiteral("0") : t;
}

double toDouble(const QVariant &value)
{
    bool ok = false;
    const double d = text(value).toDouble(&ok);
    return ok && std::isfinite(d) ? d : 0.0;
}

int toInt(const QVariant &value)
{
    const QString t = text(value);
    bool ok = false;
    const int i = t.toInt(&ok, 10);
    if (ok)
        return i;
    // Some drivers hand integer columns over as floating-point numbers
    // ("12.0"); take their whole part rather than losing them.
    const double d = t.toDouble(&ok);
    if (!ok || !std::isfinite(d) || d >= double(std::numeric_limits<int>::max()) + 1.0
        || d <= double(std::numeric_limits<int>::min()) - 1.0)
        return 0;
    return int(d);
}

QString sqlLiteral(const QString &text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    return quoted;
}

QVariantList rowValues(const QSqlQuery &query)
{
    QVariantList values;
    const QSqlRecord record = query.record();
    values.reserve(record.count());
    for (int i = 0; i < record.count(); ++i)
        values << record.value(i);
    return values;
}

QString errorType(const QSqlError &error)
{
    return QString::number(int(error.type()));
}

} // namespace DbValue

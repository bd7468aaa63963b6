#include "views/military/MilitaryPlacing.h"

#include "views/military/MilitaryListItem.h"

namespace MilitaryPlacing {

QStringList titles()
{
    return {
        QStringLiteral("Start Nr"),
        QStringLiteral("Stævne Nr"),
        QStringLiteral("Hest"),
        QStringLiteral("Rytter"),
        QStringLiteral("Klub"),
        QStringLiteral("Dressur"),
        QStringLiteral("Etape D"),
        QStringLiteral("Udholdenhed"),
        QStringLiteral("Spring"),
        QStringLiteral("Dressur Spring"),
        QStringLiteral("Dressur Udholdenhed"),
        QStringLiteral("Total"),
        QStringLiteral("Disk Dressur"),
        QStringLiteral("Disk Udeholdenhed"),
        QStringLiteral("Disk Spring"),
        QStringLiteral("Diskvalifikation"),
        QStringLiteral("Diskvalifikation Orden"),
        QStringLiteral("Spring Tid"),
        QStringLiteral("Forløbig Placering"),
        QStringLiteral("StartTid"),
        QStringLiteral("LicensNr"),
        QStringLiteral("HesteId"),
        QStringLiteral("Afstamning"),
        QStringLiteral("EquipageId"),
        QStringLiteral("Start Id"),
    };
}

float cellFloat(const QString &text)
{
    bool ok = false;
    const float value = text.toFloat(&ok);
    return ok ? value : 0.0f;
}

int cellInt(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? value : 0;
}

bool hasStatus(const Row &row)
{
    const QString status = row.value(Diskvalifikation).toUpper();
    return !status.isEmpty() && status != QLatin1String("NEJ");
}

bool isNonStarter(const QString &status)
{
    const QString upper = status.toUpper();
    return upper == QStringLiteral("EJ MØDT") || upper == QLatin1String("AFMELDT");
}

bool isSet(const QString &elimination)
{
    return !elimination.isEmpty() && elimination != QLatin1String("NEJ");
}

QVector<int> order(const Rows &rows, bool lastIsCrossCountry)
{
    // A bottom-up merge sort over positions: it never reads outside its
    // ranges whatever the comparison answers. A row of the right run passes
    // one of the left run only when it comes strictly first: the rules put
    // some pairs (equal totals after the same elimination, two rows without
    // start number or result) first both ways, and taking the right-hand
    // row then would swap the pair on every sort.
    const auto compare = lastIsCrossCountry ? &MilitaryListItem::compareValues
                                            : &MilitaryListItem::compareValuesSwapped;
    const auto strictlyFirst = [compare](const Row &a, const Row &b) {
        return compare(a, b) < 0 && compare(b, a) > 0;
    };
    const int n = rows.size();
    QVector<int> from(n);
    for (int i = 0; i < n; ++i)
        from[i] = i;
    QVector<int> to(n);
    for (int width = 1; width < n; width *= 2) {
        for (int lo = 0; lo < n; lo += 2 * width) {
            const int mid = std::min(lo + width, n);
            const int hi = std::min(lo + 2 * width, n);
            int i = lo;
            int j = mid;
            int k = lo;
            while (i < mid && j < hi) {
                if (strictlyFirst(rows.at(from.at(j)), rows.at(from.at(i))))
                    to[k++] = from.at(j++);
                else
                    to[k++] = from.at(i++);
            }
            while (i < mid)
                to[k++] = from.at(i++);
            while (j < hi)
                to[k++] = from.at(j++);
        }
        from.swap(to);
    }
    return from;
}

Counts place(Rows &rows)
{
    Counts counts;
    int position = 1;
    int current = 1;
    const Row *previous = nullptr;
    for (Row &row : rows) {
        while (row.size() < Count)
            row.append(QString());
        const QString status = row.at(Diskvalifikation).toUpper();
        if (isNonStarter(status)) {
            row[Placering] = QString::number(IkkeStarter);
            continue;
        }
        ++counts.antalStarter;
        const float total = cellFloat(row.at(Total));
        if (hasStatus(row)) {
            // A status ends the ride whatever points were summed before it.
            row[Placering] = QString::number(status == QLatin1String("OPGIVET") ? Opgivet : Elimineret);
        } else if (!(total > 0.0f)) {
            row[Placering] = QString::number(Mangler);
            ++counts.resterendeStarter;
        } else {
            if (previous && cellFloat(previous->at(Total)) != total)
                current = position;
            row[Placering] = QString::number(current);
        }
        previous = &row;
        ++position;
    }
    return counts;
}

int placingsRule(int starters)
{
    if (starters < 2)
        return 0;
    return (starters + 3) / 4;
}

bool hidesPlaces(const QString &metode)
{
    return metode == QLatin1String("B12") || metode == QLatin1String("B2") || metode == QLatin1String("B6");
}

Placings placings(int sectionNumber, const QString &metode, int starters)
{
    Placings p;
    const bool b0 = metode.toUpper() == QLatin1String("B0");
    if (starters > 1 && sectionNumber == 0 && !b0) {
        p.number = placingsRule(starters);
        p.label = QStringLiteral("Placeringer: %1").arg(p.number);
        return p;
    }
    p.number = b0 ? 1 : sectionNumber;
    p.label = QStringLiteral("Placeringer %1").arg(sectionNumber);
    return p;
}

} // namespace MilitaryPlacing

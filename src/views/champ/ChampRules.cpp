#include "views/champ/ChampRules.h"

#include "views/StartNrOrder.h"

#include <algorithm>
#include <cmath>

namespace champ {

float markValue(const QString &text, bool *ok)
{
    QString t = text.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool read = false;
    const float value = t.toFloat(&read);
    // "nan", "inf" and an overflow read as numbers, but are no marks.
    const bool finite = read && std::isfinite(value);
    if (ok)
        *ok = finite;
    return finite ? value : 0.0f;
}

bool occursIn(const QString &text, const QString &letters)
{
    return letters.contains(text.toUpper());
}

QString statusWord(const QString &text)
{
    const QString letter = text.toUpper();
    if (letter == QLatin1String("A"))
        return QStringLiteral("Afmeldt");
    if (letter == QLatin1String("O"))
        return QStringLiteral("Opgivet");
    if (letter == QLatin1String("U"))
        return QStringLiteral("Udgået");
    if (letter == QLatin1String("D"))
        return QStringLiteral("Diskvalificeret");
    if (letter == QLatin1String("E"))
        return QStringLiteral("Ej mødt");
    return QString();
}

bool markOutOfRange(const QString &text)
{
    if (text == QLatin1String("-") || text.isEmpty() || occursIn(text, QStringLiteral("AOUDE")))
        return false;
    bool ok = false;
    const float value = markValue(text, &ok);
    return !ok || value > 10 || value < 0;
}

bool markToCorrect(const QString &text, const QString &officeStatus)
{
    return text != officeStatus && markOutOfRange(text);
}

bool officeWord(const QString &status)
{
    return markOutOfRange(status);
}

int antalPlaceringer(int starters)
{
    if (starters <= 1)
        return 0;
    return (starters + 3) / 4;
}

DressurSum dressurSum(const QStringList &marks, const QString &correction, const QString &edited, bool dv)
{
    DressurSum result;
    const QString aoude = QStringLiteral("AOUDE");
    // A status letter (or an emptied cell) in the edited cell stands for the
    // whole row: its other marks are not counted.
    const bool status = occursIn(edited, aoude);
    float sum = 0;
    if (!status) {
        for (const QString &mark : marks) {
            if (markOutOfRange(mark)) {
                result.outOfRange = true;
                continue;
            }
            bool ok = false;
            const float value = markValue(mark, &ok);
            if (!ok) // empty, "-" or a status letter of another cell
                continue;
            sum += value;
            ++result.count;
        }
    }
    if (result.count == 0) {
        result.total = status ? edited.toUpper() : QString();
        return result;
    }
    const float mean = sum / float(result.count);
    const float fejl = markValue(correction);
    const float total = dv ? mean + fejl : mean - fejl;
    result.total = QString::number(double(total), 'f', 3);
    return result;
}

QString springTotal(const QString &stil, const QString &fejl)
{
    if (markOutOfRange(stil) || markOutOfRange(fejl))
        return QString();
    const float d = markValue(stil) - markValue(fejl);
    return d > 0 ? QString::number(double(d), 'g', 6) : QString();
}

namespace {

float cellValue(const QStringList &row, int column)
{
    return column < 0 ? 0.0f : markValue(row.value(column));
}

} // namespace

QStringList tablePlaces(const QVector<QStringList> &rows, int totalColumn, int tie1, int tie2,
                        const QVector<bool> &outOfPlacing)
{
    struct Key
    {
        float total, a, b;
        bool operator>(const Key &o) const
        {
            if (total != o.total)
                return total > o.total;
            if (a != o.a)
                return a > o.a;
            return b > o.b;
        }
        bool operator==(const Key &o) const { return total == o.total && a == o.a && b == o.b; }
    };
    QStringList places;
    places.reserve(rows.size());
    QVector<Key> keys(rows.size());
    QVector<int> ranked;
    for (int i = 0; i < rows.size(); ++i) {
        const QStringList &row = rows.at(i);
        if (row.value(1).isEmpty()) {
            places << QString();
            continue;
        }
        if (outOfPlacing.value(i)) {
            places << QStringLiteral("999");
            continue;
        }
        const float total = cellValue(row, totalColumn);
        if (total <= 0) {
            // Case-sensitive on purpose: only the letters as the sheet writes them.
            places << (QStringLiteral("AOUDE").contains(row.value(totalColumn)) ? QStringLiteral("999")
                                                                                 : QString());
            continue;
        }
        keys[i] = {total, cellValue(row, tie1), cellValue(row, tie2)};
        ranked << i;
        places << QString();
    }
    // A row's place is one more than the rows with a greater key: in this
    // order, the position of the first of its equals.
    std::stable_sort(ranked.begin(), ranked.end(), [&keys](int x, int y) { return keys.at(x) > keys.at(y); });
    int place = 0;
    for (int k = 0; k < ranked.size(); ++k) {
        if (k == 0 || !(keys.at(ranked.at(k)) == keys.at(ranked.at(k - 1))))
            place = k + 1;
        places[ranked.at(k)] = QString::number(place);
    }
    return places;
}

RowStanding rowStanding(const QStringList &row, const SheetRule &rule, int editedColumn)
{
    RowStanding s;
    const QString office = row.value(5);
    const QString aoude = QStringLiteral("AOUDE");
    s.withdrawn = officeWithdrawn(office);

    // A status typed now stands for the row; after that the total cell it
    // was written into carries it, so a read-back or a reload decides as
    // the edit did. An emptied cell is no status: it only holds no mark, as
    // a reload (which cannot tell it from a row without marks) sees it too.
    const QString statusCell = row.value(editedColumn >= 0 ? editedColumn : rule.totalColumn);
    if (!statusCell.isEmpty() && occursIn(statusCell, aoude)) {
        s.hasLetter = true;
        s.letter = statusCell.toUpper();
    }

    for (int c : rule.markColumns)
        if (markToCorrect(row.value(c), office))
            s.notCounting << c;
    if (rule.correctionColumn >= 0 && markToCorrect(row.value(rule.correctionColumn), office))
        s.notCounting << rule.correctionColumn;

    QString computed;
    if (!s.hasLetter) {
        if (rule.spring) {
            for (int c : rule.markColumns) {
                bool ok = false;
                markValue(row.value(c), &ok);
                if (ok && !s.notCounting.contains(c))
                    ++s.count;
            }
            computed = springTotal(row.value(rule.markColumns.value(0)), row.value(rule.markColumns.value(1)));
        } else {
            QStringList marks;
            for (int c : rule.markColumns)
                marks << row.value(c);
            // "-" stands for an edit that is no status: the row as it stands.
            const DressurSum sum = dressurSum(marks, row.value(rule.correctionColumn), QStringLiteral("-"),
                                              rule.correctionAdds);
            s.count = sum.count;
            computed = sum.total;
        }
    }

    if (s.withdrawn)
        s.total = office;
    else if (s.hasLetter)
        s.total = s.letter;
    else if (s.notCounting.isEmpty())
        s.total = computed;
    s.result = !s.withdrawn && !s.hasLetter && s.notCounting.isEmpty() && s.count >= rule.minimumMarks;
    if (s.withdrawn)
        return s; // his list row stays as the database gave it

    s.listTotal = s.hasLetter ? s.letter : s.result ? s.total : QString();
    const QString word = s.hasLetter ? statusWord(s.letter) : QString();
    s.listStatus = !word.isEmpty() ? word : s.result ? QString() : office;
    for (int c = rule.copyFirst; c <= rule.copyLast; ++c) {
        if (c == rule.totalColumn || c == rule.placeColumn)
            continue;
        QString text = row.value(c);
        if (s.notCounting.contains(c) || (rule.markColumns.contains(c) && !office.isEmpty() && text == office))
            text.clear();
        if (rule.spring)
            text.replace(QLatin1Char(','), QLatin1Char('.'));
        s.listCells.append({c, text});
    }
    return s;
}

bool officeWithdrawn(const QString &status)
{
    const QString upper = status.toUpper();
    return upper == QStringLiteral("EJ MØDT") || upper == QLatin1String("AFMELDT")
           || upper == QLatin1String("DIS_EJ_MODT");
}

StartMatch matchStarts(const QVector<QPair<QString, QString>> &wanted,
                       const QVector<QPair<QString, QString>> &have)
{
    StartMatch m;
    m.found.fill(-1, wanted.size());
    m.repeatOf.fill(-1, wanted.size());
    QVector<bool> taken(have.size(), false);
    // By both numbers first, so that no start is taken by the fallback of
    // another before its own entry comes.
    for (int i = 0; i < wanted.size(); ++i) {
        int first = -1;
        for (int j = 0; j < have.size(); ++j) {
            if (have.at(j) != wanted.at(i))
                continue;
            if (!taken.at(j)) {
                taken[j] = true;
                m.found[i] = j;
                break;
            }
            if (first < 0)
                first = j;
        }
        if (m.found.at(i) >= 0 || first < 0)
            continue;
        for (int k = 0; k < i; ++k)
            if (m.found.at(k) == first) {
                m.found[i] = first;
                m.repeatOf[i] = k;
                break;
            }
    }
    // Then by one of the numbers alone, where just one start not found
    // otherwise has it: the competition number first (a start given a new
    // start number), then the start number (a start whose competition
    // number the office changed).
    const auto byOne = [&](QString QPair<QString, QString>::*number) {
        for (int i = 0; i < wanted.size(); ++i) {
            if (m.found.at(i) >= 0 || (wanted.at(i).*number).isEmpty())
                continue;
            int only = -1;
            for (int j = 0; j < have.size(); ++j) {
                if (taken.at(j) || have.at(j).*number != wanted.at(i).*number)
                    continue;
                if (only >= 0) {
                    only = -1; // two candidates: neither is surely the one
                    break;
                }
                only = j;
            }
            if (only >= 0) {
                taken[only] = true;
                m.found[i] = only;
            }
        }
    };
    byOne(&QPair<QString, QString>::second);
    byOne(&QPair<QString, QString>::first);
    return m;
}

ListPlacing listPlaces(const QVector<QStringList> &rows, int totalColumn, int tie1, int tie2)
{
    ListPlacing result;
    int position = 1;
    int place = 1;
    float prev[3] = {-1, -1, -1};
    for (const QStringList &row : rows) {
        const QString status = row.value(5).toUpper();
        if (officeWithdrawn(status)) {
            result.places << QString();
            continue;
        }
        ++result.starters;
        const float key[3] = {cellValue(row, totalColumn), cellValue(row, tie1), cellValue(row, tie2)};
        if (key[0] == 0) {
            result.places << QString();
            if (status != QLatin1String("DISKVALIFICERET") && status != QLatin1String("OPGIVET")
                && status != QStringLiteral("UDGÅET"))
                ++result.remaining;
        } else {
            if (key[0] != prev[0] || key[1] != prev[1] || key[2] != prev[2]) {
                place = position;
                std::copy(key, key + 3, prev);
            }
            result.places << QString::number(place);
        }
        ++position;
    }
    return result;
}

bool shownBefore(const OrderKey &a, const OrderKey &b, bool tieBreaks)
{
    if (a.total != b.total)
        return a.total > b.total;
    if (tieBreaks && a.total != 0) {
        if (a.capacity != b.capacity)
            return a.capacity > b.capacity;
        if (a.rideability != b.rideability)
            return a.rideability > b.rideability;
    } else {
        // Without a result, start number 0 (not yet given one) goes last.
        const bool aNone = startnr::keyOf(a.startNr).number == 0;
        const bool bNone = startnr::keyOf(b.startNr).number == 0;
        if (aNone != bNone)
            return bNone;
    }
    if (startnr::before(a.startNr, b.startNr))
        return true;
    if (startnr::before(b.startNr, a.startNr))
        return false;
    const int na = a.staevneNr.toInt();
    const int nb = b.staevneNr.toInt();
    if (na != nb)
        return na < nb;
    return a.staevneNr < b.staevneNr;
}

QString pedigreeName(const QString &name)
{
    const qsizetype start = name.indexOf(QLatin1String("--"));
    if (start < 0)
        return name;
    const qsizetype end = name.indexOf(QLatin1String("--"), start + 2);
    const QString part = name.mid(start + 2, end < 0 ? -1 : end - start - 2);
    return part.size() > 1 ? part : QString();
}

QString pedigree(const PedigreeParts &p, bool spring, bool scu)
{
    QString text = p.year + QLatin1Char('/');
    if (!p.sex.isEmpty())
        text += p.sex + QLatin1Char('/');
    text += p.sire.isEmpty() ? QStringLiteral("/") : pedigreeName(p.sire);
    if (!p.dam.isEmpty())
        text += QLatin1Char('/') + pedigreeName(p.dam);
    if (!p.damSire.isEmpty())
        text += QLatin1Char('/') + pedigreeName(p.damSire);
    if (spring ? scu : !p.breeder.isEmpty())
        text += QLatin1Char('/') + p.breeder;
    return text;
}

} // namespace champ

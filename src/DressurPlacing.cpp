#include "DressurPlacing.h"

#include <algorithm>
#include <cmath>

namespace DressurPlacing {

using namespace DressurColumns;

Status statusOf(const QString &cell)
{
    const QString status = cell.toUpper();
    if (status == QStringLiteral("EJ MØDT") || status == QStringLiteral("AFMELDT"))
        return Status::NotStarter;
    if (status == QStringLiteral("DISKVALIFICERET") || status == QStringLiteral("OPGIVET")
        || status == QStringLiteral("UDGÅET"))
        return Status::FinishedWithoutScore;
    return Status::Starter;
}

float cellFloat(const QString &cell)
{
    const float f = cell.toFloat();
    return std::isfinite(f) ? f : 0.0f;
}

double cellDouble(const QString &cell)
{
    const double d = cell.toDouble();
    return std::isfinite(d) ? d : 0.0;
}

int cellInt(const QString &cell)
{
    return cell.toInt(nullptr, 10);
}

RankKey rankKey(const QStringList &row)
{
    return rankKey([&row](int column) { return row.value(column); });
}

bool ranksLower(const RankKey &a, const RankKey &b)
{
    if (a.team != b.team)
        return !a.team;
    if (a.team) {
        if (a.holdSum != b.holdSum)
            return a.holdSum < b.holdSum;
        if (a.holdId != b.holdId)
            return a.holdId > b.holdId;
        if (a.points != b.points)
            return a.points < b.points;
    } else {
        if (a.points != b.points)
            return a.points < b.points;
        if (a.kurKey != b.kurKey)
            return a.kurKey < b.kurKey;
    }
    if (a.hasStartNr != b.hasStartNr)
        return !a.hasStartNr;
    if (a.startNr != b.startNr)
        return a.startNr > b.startNr;
    return a.staevneNr > b.staevneNr;
}

void sortRanked(DressurRows &rows)
{
    std::stable_sort(rows.begin(), rows.end(), [](const QStringList &a, const QStringList &b) {
        return ranksLower(rankKey(b), rankKey(a));
    });
}

namespace {

float kurSumOf(const QStringList &row)
{
    float sum = 0;
    for (int k = 0; k < JudgeCount; ++k)
        sum += cellFloat(row.value(DommerEKur + k));
    return sum;
}

float judgeValue(const QStringList &row, int judge, bool kur)
{
    float value = cellFloat(row.value(DommerE + judge));
    if (kur)
        value += cellFloat(row.value(DommerEKur + judge));
    return value;
}

void setCell(QStringList &row, int column, const QString &text)
{
    while (row.size() <= column)
        row.append(QString());
    row[column] = text;
}

bool isStarter(const QStringList &row)
{
    return statusOf(row.value(Diskvalifikation)) != Status::NotStarter;
}

void countWithoutPoints(const QStringList &row, Counts &counts)
{
    if (statusOf(row.value(Diskvalifikation)) != Status::FinishedWithoutScore)
        ++counts.resterendeStarter;
}

} // namespace

Counts placeIndividual(DressurRows &rows, bool kur)
{
    Counts counts;
    int counter = 1;
    int place = 1;
    float lastPoints = -1.0f;
    float lastKurSum = -1.0f;

    for (QStringList &row : rows) {
        if (!isStarter(row))
            continue;
        ++counts.antalStarter;
        const float points = cellFloat(row.value(Point));
        if (points == 0) {
            setCell(row, ForeloebigPlacering, QLatin1String(""));
            countWithoutPoints(row, counts);
        } else {
            if (points != lastPoints) {
                lastPoints = points;
                lastKurSum = kurSumOf(row);
                place = counter;
            } else if (kur) {
                const float kurSum = kurSumOf(row);
                if (kurSum != lastKurSum) {
                    lastKurSum = kurSum;
                    place = counter;
                }
            }

            int judgePlaces[JudgeCount];
            for (int k = 0; k < JudgeCount; ++k) {
                const float value = judgeValue(row, k, kur);
                int better = 0;
                for (const QStringList &other : qAsConst(rows)) {
                    if (isStarter(other) && judgeValue(other, k, kur) > value)
                        ++better;
                }
                judgePlaces[k] = 1 + better;
            }
            setCell(row, ForeloebigPlacering, QString::number(place));
            for (int k = 0; k < JudgeCount; ++k)
                setCell(row, EPlace + k, QString::number(judgePlaces[k]));
        }
        ++counter;
    }
    return counts;
}

Counts placeTeams(DressurRows &rows)
{
    Counts counts;
    int teamPlace = 0;
    double lastTeamSum = 0.0;

    for (QStringList &row : rows) {
        if (!isStarter(row))
            continue;
        ++counts.antalStarter;
        const float points = cellFloat(row.value(Point));
        const QString team = row.value(HoldId);
        const bool hasTeam = !team.isEmpty();
        const int teamId = cellInt(team);
        int place = 1;
        double sum = 0.0;

        for (const QStringList &other : qAsConst(rows)) {
            if (!isStarter(other))
                continue;
            const QString otherTeam = other.value(HoldId);
            if (hasTeam && !otherTeam.isEmpty() && cellInt(otherTeam) == teamId
                && cellInt(other.value(Udgaar)) != 1)
                sum += cellDouble(other.value(Procent));
            if (points != 0 && cellFloat(other.value(Point)) > points)
                ++place;
        }

        if (points == 0) {
            setCell(row, ForeloebigPlacering, QLatin1String(""));
            countWithoutPoints(row, counts);
        } else {
            setCell(row, ForeloebigPlacering, QString::number(place));
        }

        if (!hasTeam) {
            // Not in the team competition: no sum, no team placing.
            setCell(row, HoldSum, QLatin1String(""));
            setCell(row, HoldPlacering, QLatin1String(""));
            continue;
        }
        // The team order reads the sum back from the cell, so number the
        // teams by the sum as written, not by its unrounded value.
        const QString sumText = QString::number(sum, 'g', 6);
        setCell(row, HoldSum, sumText);
        const double shownSum = cellDouble(sumText);
        if (shownSum > 0) {
            if (shownSum != lastTeamSum) {
                ++teamPlace;
                lastTeamSum = shownSum;
            }
            setCell(row, HoldPlacering, QString::number(teamPlace));
        }
    }
    return counts;
}

int antalPlaceringer(int starters)
{
    if (starters < 2)
        return 0;
    return starters / 4 + (starters % 4 ? 1 : 0);
}

} // namespace DressurPlacing

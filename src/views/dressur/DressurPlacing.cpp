#include "views/dressur/DressurPlacing.h"

#include <QHash>

#include <algorithm>
#include <vector>
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

void setCell(QStringList &row, int column, const QString &text)
{
    while (row.size() <= column)
        row.append(QString());
    row[column] = text;
}

// What a placing pass reads of a row, parsed once per pass.
struct Parsed
{
    Status status = Status::Starter;
    float points = 0;
    float judge[JudgeCount] = {};
};

QVector<Parsed> parse(const DressurRows &rows, bool kur)
{
    QVector<Parsed> parsed;
    parsed.reserve(rows.size());
    for (const QStringList &row : rows) {
        Parsed p;
        p.status = statusOf(row.value(Diskvalifikation));
        p.points = cellFloat(row.value(Point));
        for (int k = 0; k < JudgeCount; ++k) {
            p.judge[k] = cellFloat(row.value(DommerE + k));
            if (kur)
                p.judge[k] += cellFloat(row.value(DommerEKur + k));
        }
        parsed << p;
    }
    return parsed;
}

// Values of the starters in ascending order: 1 + how many of them are
// strictly greater than a value is the place that value gets.
class Ranking
{
public:
    void add(float value) { m_values.push_back(value); }
    void finish() { std::sort(m_values.begin(), m_values.end()); }
    int placeOf(float value) const
    {
        const auto greater = m_values.end() - std::upper_bound(m_values.begin(), m_values.end(), value);
        return 1 + int(greater);
    }

private:
    std::vector<float> m_values;
};

void countWithoutPoints(Status status, Counts &counts)
{
    if (status != Status::FinishedWithoutScore)
        ++counts.resterendeStarter;
}

// A starter withdrawn after being placed, or whose points went back to 0,
// holds no place any more; the published document must not keep the old one.
void clearPlaces(QStringList &row, bool judges)
{
    setCell(row, ForeloebigPlacering, QString());
    if (judges) {
        for (int k = 0; k < JudgeCount; ++k)
            setCell(row, EPlace + k, QString());
    }
}

} // namespace

Counts placeIndividual(DressurRows &rows, bool kur)
{
    const QVector<Parsed> parsed = parse(rows, kur);
    Ranking judges[JudgeCount];
    for (const Parsed &p : parsed) {
        if (p.status == Status::NotStarter)
            continue;
        for (int k = 0; k < JudgeCount; ++k)
            judges[k].add(p.judge[k]);
    }
    for (Ranking &judge : judges)
        judge.finish();

    Counts counts;
    int counter = 1;
    int place = 1;
    float lastPoints = -1.0f;
    float lastKurSum = -1.0f;
    for (int r = 0; r < rows.size(); ++r) {
        const Parsed &p = parsed.at(r);
        QStringList &row = rows[r];
        if (p.status == Status::NotStarter) {
            clearPlaces(row, true);
            continue;
        }
        ++counts.antalStarter;
        if (p.points == 0) {
            clearPlaces(row, true);
            countWithoutPoints(p.status, counts);
        } else {
            if (p.points != lastPoints) {
                lastPoints = p.points;
                lastKurSum = kurSumOf(row);
                place = counter;
            } else if (kur) {
                const float kurSum = kurSumOf(row);
                if (kurSum != lastKurSum) {
                    lastKurSum = kurSum;
                    place = counter;
                }
            }
            setCell(row, ForeloebigPlacering, QString::number(place));
            for (int k = 0; k < JudgeCount; ++k)
                setCell(row, EPlace + k, QString::number(judges[k].placeOf(p.judge[k])));
        }
        ++counter;
    }
    return counts;
}

Counts placeTeams(DressurRows &rows)
{
    const QVector<Parsed> parsed = parse(rows, false);

    // Each team's sum, added up in list order; the starters' points.
    QHash<int, double> teamSums;
    Ranking points;
    for (int r = 0; r < rows.size(); ++r) {
        if (parsed.at(r).status == Status::NotStarter)
            continue;
        const QStringList &row = rows.at(r);
        points.add(parsed.at(r).points);
        const QString team = row.value(HoldId);
        if (!team.isEmpty() && cellInt(row.value(Udgaar)) != 1)
            teamSums[cellInt(team)] += cellDouble(row.value(Procent));
    }
    points.finish();

    Counts counts;
    int teamPlace = 0;
    double lastTeamSum = 0.0;
    for (int r = 0; r < rows.size(); ++r) {
        const Parsed &p = parsed.at(r);
        QStringList &row = rows[r];
        if (p.status == Status::NotStarter) {
            clearPlaces(row, false);
            continue;
        }
        ++counts.antalStarter;
        if (p.points == 0) {
            clearPlaces(row, false);
            countWithoutPoints(p.status, counts);
        } else {
            setCell(row, ForeloebigPlacering, QString::number(points.placeOf(p.points)));
        }

        const QString team = row.value(HoldId);
        if (team.isEmpty()) {
            // Not in the team competition: no sum, no team placing.
            setCell(row, HoldSum, QLatin1String(""));
            setCell(row, HoldPlacering, QLatin1String(""));
            continue;
        }
        // The team order reads the sum back from the cell, so number the
        // teams by the sum as written, not by its unrounded value.
        const QString sumText = QString::number(teamSums.value(cellInt(team)), 'g', 6);
        setCell(row, HoldSum, sumText);
        const double shownSum = cellDouble(sumText);
        if (shownSum > 0) {
            if (shownSum != lastTeamSum) {
                ++teamPlace;
                lastTeamSum = shownSum;
            }
            setCell(row, HoldPlacering, QString::number(teamPlace));
        } else {
            // A team whose sum fell back to 0 has no place among the teams.
            setCell(row, HoldPlacering, QString());
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

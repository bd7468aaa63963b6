#include "views/dressur/DressurUpdate.h"

#include "database/DbValue.h"
#include "views/dressur/DressurColumns.h"
#include "views/dressur/DressurLoad.h"
#include "views/dressur/DressurPlacing.h"

namespace DressurUpdate {

namespace C = DressurColumns;

namespace {

void setCell(QStringList &cells, int column, const QString &text)
{
    while (cells.size() <= column)
        cells.append(QString());
    if (cells.at(column) != text)
        cells[column] = text;
}

} // namespace

Outcome apply(QStringList &cells, const QVariantList &result, const Options &options)
{
    Outcome outcome;
    while (cells.size() < C::Count)
        cells.append(QString());

    const QString startNr = DbValue::numberText(result.value(StartNr));
    if (cells.at(C::StartNr) != startNr) {
        cells[C::StartNr] = startNr;
        outcome.startNrChanged = true;
    }

    // Compared as the cell shows the points: a total with more digits than
    // the cell keeps is the same total on every tick.
    const float points = float(DbValue::toDouble(result.value(Total)));
    const QString pointsText = DressurLoad::pointsText(points);
    if (cells.at(C::Point) != pointsText) {
        cells[C::Point] = pointsText;
        outcome.lastChange = true;
        if (options.maxPnt > 0)
            setCell(cells, C::Procent, DressurLoad::percentText(points, options.maxPnt, options.antalDommere));
    }

    // The placing cell as the load fills it: the placing, else the status
    // word, else nothing. A starter placed before retiring keeps the place.
    const QString status = DressurLoad::statusText(DbValue::text(result.value(Status)));
    if (DbValue::toInt(result.value(Placering)) != 0)
        setCell(cells, C::Placering, DbValue::numberText(result.value(Placering)));
    else
        setCell(cells, C::Placering, status);
    if (cells.at(C::Diskvalifikation) != status
        && DressurPlacing::statusOf(status) == DressurPlacing::Status::FinishedWithoutScore)
        outcome.lastChange = true;
    setCell(cells, C::Diskvalifikation, status);

    for (int k = 0; k < C::JudgeCount; ++k)
        setCell(cells, C::DommerE + k, DressurLoad::pointsText(float(DbValue::toDouble(result.value(DommerE + k)))));

    setCell(cells, C::StartTid, DbValue::text(result.value(StartTid)));
    // The load fills the drop mark in team classes only; so does the tick.
    if (options.hold)
        setCell(cells, C::Udgaar, DbValue::text(result.value(Udgaar)));
    if (options.kur == 1) {
        for (int k = 0; k < C::JudgeCount; ++k)
            setCell(cells, C::DommerEKur + k, DbValue::text(result.value(DommerEKur + k)));
    }
    return outcome;
}

} // namespace DressurUpdate

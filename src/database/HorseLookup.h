#pragma once

#include <QString>
#include <QStringList>

// Look-ups of a horse's registry data by its horse id, and the maps that
// turn the registry's Danish sex and colour words into the codes the
// Hippodata results service reads. Every view that exports for Hippodata
// uses these.
namespace HorseLookup {

// The registry columns looked up for an export, in the order of its fields:
// sex, colour, year of birth, sire, dam's sire, FEI id, breeder.
QStringList exportColumns();

// The one-value statement that reads `column` of the registry row (not a
// locally created one) of the horse with base id `horseId`.
QString statement(const QString &column, const QString &horseId);

// "S" for a stallion ("HI"), "M" for a mare ("HO"), "G" for anything else.
QString sexCode(const QString &koen);

// The colour in English; a colour the map does not know stays as stored.
QString colourName(const QString &farve);

} // namespace HorseLookup

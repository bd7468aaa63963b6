#pragma once

#include <QStringList>

// The 37 list columns of the dressage view. Loading, placing, the timer
// update, the pages, the JSON document and the export all address the cells
// by these indexes.
namespace DressurColumns {

enum Column {
    StartNr = 0,
    StaevneNr = 1,
    Hest = 2,
    Rytter = 3,
    Klub = 4,
    Point = 5,
    Procent = 6,
    Placering = 7,
    Diskvalifikation = 8,
    ForeloebigPlacering = 9,
    StartId = 10,
    DommerE = 11, // judges E, H, C, M, B in columns 11 to 15
    StartTid = 16,
    DommerEKur = 17, // their Kur marks in columns 17 to 21
    RytterId = 22,
    HesteId = 23,
    Afstamning = 24,
    Tendens = 25,
    HoldId = 26,
    HoldNavn = 27,
    HoldSum = 28,
    HoldPlacering = 29,
    Udgaar = 30,
    EPlace = 31, // each judge's placing in columns 31 to 35
    EquipageId = 36,
    Count = 37
};

// The five judges' positions, in the order of their columns.
constexpr int JudgeCount = 5;

// The titles the view gives its columns, in column order.
QStringList titles();

} // namespace DressurColumns

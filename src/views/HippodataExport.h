#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The export of a class section for the Hippodata results service: one line
// per starter of 16 fields separated by ";", no header line, no quoting.
// The view reads the starters and their horses; this builds the lines.
namespace HippodataExport {

// A starter as the export's starter query gives it (texts simplified).
struct Starter
{
    QString anmeldelseNr;
    QString fornavn;
    QString efternavn;
    QString navn; // the horse
    QString klubId;
    QString hesteId;
};

// The horse's registry values in the order of HorseLookup::exportColumns(),
// as looked up (sex and colour before their maps).
using Horse = QStringList;

// One line without its line feed. `first` holds fields 1 to 5, whose
// order each writer sets; fields 6 to 16 are the starter's competition
// number and horse, the horse's registry values (sex and colour mapped) with
// `field13` between dam's sire and FEI id, and the horse id. A ";" inside a
// value becomes ",", so every line keeps its 16 fields.
QString line(const QStringList &first, const Starter &starter, const Horse &horse, const QString &field13);

// The dressage view's line: the class ("3_A"), club, first name, surname,
// an empty field, and "YYY" as field 13.
QString line(const QString &klasse, const Starter &starter, const Horse &horse);

// The file's bytes: each line ended by a line feed, in the system's local
// 8-bit encoding.
QByteArray encode(const QStringList &lines);

} // namespace HippodataExport

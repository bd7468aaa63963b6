#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

// The score file of a championship sheet: the sheet's column titles and one
// line per score-table row, fields separated by ";", no quoting, a line
// feed after every line and one more at the end. Dressage sheets are
// written in UTF-8, jumping sheets in ISO-8859-1. Another system reads
// these files, so the layout stays as it is; only a ";" typed inside a cell
// is written as "," (it would shift every later field of its row).
namespace ChampScoreFile {

enum class Encoding { Utf8, Latin1 };

QByteArray write(const QStringList &header, const QVector<QStringList> &rows, Encoding encoding);

// The data lines of a score file, split into fields (empty fields kept).
// A data line is one whose first field is "0", reads as a number other
// than 0, or begins with a digit (a start number with a letter, "12A");
// the header and empty lines are not.
QVector<QStringList> dataLines(const QByteArray &bytes, Encoding encoding);

} // namespace ChampScoreFile

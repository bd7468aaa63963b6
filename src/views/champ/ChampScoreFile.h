#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

// The score file of a championship sheet: the sheet's column titles and one
// line per score-table row, fields separated by ";", no quoting, a line
// feed after every line and one more at the end. Dressage sheets are
// written in UTF-8, jumping sheets in ISO-8859-1. Another system reads
// these files, so the layout stays as it is; only a ";" inside a cell is
// written as "," (it would shift every later field of its row), a line
// break as a blank, and a character the file's encoding lacks as "?".
namespace ChampScoreFile {

enum class Encoding { Utf8, Latin1 };

// The text a cell reads back as from its file. The sheet takes what the
// operator types in this form, so that a restart brings back the very
// cell he saw: "7;5" is "7,5" on the sheet too, and counts as 7.5 there.
QString asSaved(const QString &text, Encoding encoding);

QByteArray write(const QStringList &header, const QVector<QStringList> &rows, Encoding encoding);

// What the reader takes from a score file.
struct Contents
{
    // The data lines, split into fields (empty fields kept).
    QVector<QStringList> dataLines;
    // The line number in the file (from 1) of each data line.
    QVector<int> lineNumbers;
    // Lines that are none of the file's own: no data line with its
    // competition number, no header of `columns` fields beginning with
    // "Start Nr", and not empty (a line without a letter or a digit, as the
    // sheet's extra row, counts as empty). A file saved again in another
    // encoding or with another separator is all such lines.
    // By their line numbers in the file (from 1).
    QVector<int> unreadableLines;
    int unreadable() const { return int(unreadableLines.size()); }
};

// A data line is one whose first field is "0", reads as a number other
// than 0, or begins with a digit (a start number with a letter, "12A").
// `columns` is the number of fields of the sheet's header line.
Contents read(const QByteArray &bytes, Encoding encoding, int columns);

} // namespace ChampScoreFile

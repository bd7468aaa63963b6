#pragma once

#include <QFont>
#include <QSizeF>
#include <QString>

#include <functional>

class QTextDocument;
class QTextTable;
class QTextTableCell;

// The pictures of a result page (the club logos) as a QTextDocument shows
// them, on an arena screen or a printed sheet alike: a picture that cannot
// be had is left out rather than drawn as Qt's broken-picture icon, and a
// picture in a table row is drawn at most a line and a quarter of the row's
// text high, in its own proportions, with the text beside it on the row's
// line. The page's bytes are not touched: only the document.
namespace PagePictures {

// The picture's own size: the document's resource for `name` (an image, a
// pixmap or the bytes of one), loaded as the document loads it; empty when
// there is none or it holds no picture.
QSizeF naturalSize(QTextDocument *document, const QString &name);

// Takes every picture out for which `found(name)` is false, with the blanks
// that follow it, and keeps the text around it (a club's initials).
void leaveOut(QTextDocument *document, const std::function<bool(const QString &name)> &found);

// The largest text of a table row, which its pictures follow (at least the
// document's font).
QFont rowFont(const QTextDocument *document, const QTextTable *table, int row);

// Fits the pictures of `cell` to the row's text in `rowFont`: at most a line
// and a quarter high, a smaller one at the size the page asks; their tops
// at the top of the line (Qt centres the line's text in a taller picture)
// and their lines kept whole. May be called again for another font: the
// size the page asked is kept in the picture's format.
void fitInCell(QTextDocument *document, const QTextTableCell &cell, const QFont &rowFont);

// fitInCell for every cell of every table of the document, each row's
// pictures fitted to its text; the cells of a table with a picture are
// centred in their rows, so that the text beside a picture, which Qt centres
// in the picture's height, stands on the line of the row's other texts.
void fitInRows(QTextDocument *document);

} // namespace PagePictures

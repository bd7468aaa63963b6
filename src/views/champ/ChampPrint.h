#pragma once

#include <QRect>
#include <QString>
#include <QVector>

#include <functional>

class QFont;
class QPainter;
class QPrinter;
class QTextDocument;

// Printing a result page: the HTML laid out as rich text in the print font,
// cut into body-high slices, one slice per sheet inside a 1 cm margin, each
// sheet numbered at the right of its bottom margin. A sheet that goes on
// with a table shows the table's column titles again above its slice.
//
// The page is made for the arena screens, whose cell widths add up to more
// than the whole and whose names may be long. On paper the columns take the
// width their content needs, words are never split inside, and a sheet ends
// before a table row (or a starter's pair of rows) that would cross its
// bottom, so every number, status and place stands whole and every row on
// one sheet. Where the columns need more than the sheet's width at the
// chosen size, the sheet shows them reduced to its width.
namespace ChampPrint {

// The body of a sheet: 1 cm in from every edge of the whole sheet (the
// printer is in full-page mode), measured with the vertical resolution.
QRect body(const QPrinter &printer);

// A stretch of the content (in content coordinates, top and bottom) that
// must not be cut by a sheet's end.
struct Span
{
    qreal top = 0;
    qreal bottom = 0;
};

// A table's column titles (the rows of <th> cells at its top), from its top
// to halfway between their text and the first text under them, and the
// table's end, in content coordinates. A sheet that begins below the titles
// and above the table's end shows them again at its top, over its slice.
struct Heading
{
    qreal top = 0;
    qreal bottom = 0;
    qreal end = 0;
};

// Where each sheet's slice of `textHeight` content begins: a body height
// below the last one, or higher, between a span that would cross the
// sheet's end and the content above it. A span higher than a body is cut as
// it comes. A sheet that repeats a heading has that much less room; a
// heading higher than half a body is not repeated. At least one sheet.
QVector<qreal> sheetTops(qreal textHeight, qreal bodyHeight, const QVector<Span> &keepTogether,
                         const QVector<Heading> &headings = {});

// Prints `textHeight` device pixels of content, slice after slice (see
// sheetTops): `draw` paints the content with the painter translated (and
// scaled by `scale`) so that the slice's top stands at the body's top,
// clipped to the slice `clip` (in content coordinates); on a sheet that
// repeats a heading, `draw` paints the heading first at the body's top and
// then the slice under it. Starts a new sheet for each further slice and
// returns the number of sheets.
int printSlices(QPainter &painter, QPrinter &printer, qreal textHeight, const QFont &font,
                const std::function<void(QPainter &painter, const QRectF &clip)> &draw,
                const QVector<Span> &keepTogether = {}, qreal scale = 1, const QVector<Heading> &headings = {});

// Lays the HTML page out for a body `width` wide on `printer`, in `font`:
// table columns as wide as their content needs, words kept whole, short
// cell texts on one line. Pictures (the club logos) are read from their
// files relative to `directory`, the page's own folder (the working
// directory when empty), as an arena screen finds them; a picture whose
// file is missing or holds no picture is left out. Each is drawn at most a
// line and a quarter of its row's text high, in its own proportions, with
// the text beside it on the row's line (PagePictures::fitInRows).
void layOut(QTextDocument &document, QPrinter &printer, const QString &html, const QFont &font, qreal width,
            const QString &directory = QString());

// The table rows of a laid-out document, each with the rows that its cells
// span, and every line outside tables.
QVector<Span> rows(const QTextDocument &document);

// The column titles of every table of a laid-out document that has rows
// under them.
QVector<Heading> headings(const QTextDocument &document);

// Prints the HTML page, whose pictures are found relative to `directory`
// (see layOut); the number of sheets, or 0 when the printer could not be
// started.
int printHtml(QPrinter &printer, const QString &html, const QFont &font, const QString &directory = QString());

} // namespace ChampPrint

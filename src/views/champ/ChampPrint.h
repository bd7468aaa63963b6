#pragma once

#include <QRect>
#include <QString>

#include <functional>

class QFont;
class QPainter;
class QPrinter;

// Printing a result page: the HTML laid out as rich text in the print font,
// cut into body-high slices, one slice per sheet inside a 1 cm margin, each
// sheet numbered at the right of its bottom margin.
namespace ChampPrint {

// The body of a sheet: 1 cm in from every edge of the whole sheet (the
// printer is in full-page mode), measured with the vertical resolution.
QRect body(const QPrinter &printer);

// Prints `textHeight` device pixels of content, body-high slice after
// slice: `draw` paints the content with the painter translated so that the
// content's top stands at the body's top, clipped to the slice `clip` (in
// content coordinates). Starts a new sheet for each further slice and
// returns the number of sheets.
int printSlices(QPainter &painter, QPrinter &printer, qreal textHeight, const QFont &font,
                const std::function<void(QPainter &painter, const QRectF &clip)> &draw);

// Prints the HTML page; the number of sheets, or 0 when the printer could
// not be started.
int printHtml(QPrinter &printer, const QString &html, const QFont &font);

} // namespace ChampPrint

#include "views/champ/ChampPrint.h"

#include <QAbstractTextDocumentLayout>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>
#include <QTextDocument>

namespace ChampPrint {

QRect body(const QPrinter &printer)
{
    const int m = int(printer.logicalDpiY() * (1 / 2.54));
    return QRect(m, m, printer.width() - 2 * m, printer.height() - 2 * m);
}

int printSlices(QPainter &painter, QPrinter &printer, qreal textHeight, const QFont &font,
                const std::function<void(QPainter &painter, const QRectF &clip)> &draw)
{
    const QRect b = body(printer);
    const QFontMetrics metrics(font, &printer);
    for (int sheet = 1;; ++sheet) {
        const qreal top = qreal(sheet - 1) * b.height();
        painter.save();
        painter.setClipRect(b);
        painter.translate(b.left(), b.top() - top);
        draw(painter, QRectF(0, top, b.width(), b.height()));
        painter.restore();

        painter.setFont(font);
        const QString number = QString::number(sheet);
        painter.drawText(b.left() + b.width() - metrics.horizontalAdvance(number),
                         b.top() + b.height() + metrics.ascent() + 5, number);

        // The sheets printed so far cover the whole text.
        if (qreal(sheet) * b.height() >= textHeight)
            return sheet;
        printer.newPage();
    }
}

int printHtml(QPrinter &printer, const QString &html, const QFont &font)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return 0;
    const QRect b = body(printer);
    QTextDocument document;
    document.documentLayout()->setPaintDevice(&printer);
    document.setDefaultFont(font);
    document.setDefaultStyleSheet(QStringLiteral("a { color: blue; text-decoration: underline; }"));
    document.setHtml(html);
    // A line that would cross the bottom of the body moves to the next sheet.
    document.setPageSize(QSizeF(b.width(), b.height()));
    const int sheets = printSlices(painter, printer, document.size().height(), font,
                                   [&document](QPainter &p, const QRectF &clip) { document.drawContents(&p, clip); });
    painter.end();
    return sheets;
}

} // namespace ChampPrint

#include "views/champ/ChampPrint.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextTable>
#include <QUrl>

#include "views/CellText.h"
#include "views/PagePictures.h"

#include <algorithm>
#include <limits>

namespace ChampPrint {

QRect body(const QPrinter &printer)
{
    const int m = int(printer.logicalDpiY() * (1 / 2.54));
    return QRect(m, m, printer.width() - 2 * m, printer.height() - 2 * m);
}

namespace {

// The heading a sheet that begins at `top` shows above its slice: the
// innermost one whose table goes on there. One taller than half a body
// would leave too little room for what it heads, and is not repeated.
const Heading *headingAt(qreal top, qreal bodyHeight, const QVector<Heading> &headings)
{
    const Heading *found = nullptr;
    for (const Heading &heading : headings)
        if (heading.bottom <= top + 0.5 && top < heading.end && heading.bottom - heading.top <= bodyHeight / 2
            && (!found || heading.top > found->top))
            found = &heading;
    return found;
}

qreal height(const Heading *heading)
{
    return heading ? heading->bottom - heading->top : 0;
}

} // namespace

QVector<qreal> sheetTops(qreal textHeight, qreal bodyHeight, const QVector<Span> &keepTogether,
                         const QVector<Heading> &headings)
{
    QVector<qreal> tops{0};
    if (bodyHeight <= 0)
        return tops;
    qreal top = 0;
    for (;;) {
        const qreal room = bodyHeight - height(headingAt(top, bodyHeight, headings));
        if (top + room >= textHeight)
            break;
        qreal end = top + room;
        // Each move takes the end up, past the span's top, so it ends.
        for (bool moved = true; moved;) {
            moved = false;
            for (const Span &span : keepTogether) {
                if (span.top <= top || span.top >= end || span.bottom <= end || span.bottom - span.top > room)
                    continue;
                // Halfway between the content above the span and the span,
                // so that neither shows on the other's sheet.
                qreal above = top;
                for (const Span &other : keepTogether)
                    if (other.bottom <= span.top)
                        above = std::max(above, other.bottom);
                end = (above + span.top) / 2;
                moved = true;
            }
        }
        top = end;
        tops << top;
    }
    return tops;
}

int printSlices(QPainter &painter, QPrinter &printer, qreal textHeight, const QFont &font,
                const std::function<void(QPainter &painter, const QRectF &clip)> &draw,
                const QVector<Span> &keepTogether, qreal scale, const QVector<Heading> &headings)
{
    const QRect b = body(printer);
    const QFontMetrics metrics(font, &printer);
    const qreal bodyHeight = b.height() / scale;
    // Content from `from` to `to`, `below` content pixels under the body's top.
    auto drawSlice = [&](qreal from, qreal to, qreal below) {
        painter.save();
        painter.setClipRect(QRectF(b.left(), b.top() + below * scale, b.width(), (to - from) * scale));
        painter.translate(b.left(), b.top() + below * scale);
        painter.scale(scale, scale);
        painter.translate(0, -from);
        draw(painter, QRectF(0, from, b.width() / scale, to - from));
        painter.restore();
    };
    const QVector<qreal> tops = sheetTops(textHeight, bodyHeight, keepTogether, headings);
    for (int sheet = 1; sheet <= tops.size(); ++sheet) {
        const qreal top = tops.at(sheet - 1);
        const Heading *heading = headingAt(top, bodyHeight, headings);
        const qreal bottom = sheet < tops.size() ? tops.at(sheet) : top + bodyHeight - height(heading);
        if (heading)
            drawSlice(heading->top, heading->bottom, 0);
        drawSlice(top, bottom, height(heading));

        painter.setFont(font);
        const QString number = QString::number(sheet);
        painter.drawText(b.left() + b.width() - metrics.horizontalAdvance(number),
                         b.top() + b.height() + metrics.ascent() + 5, number);
        if (sheet < tops.size())
            printer.newPage();
    }
    return int(tops.size());
}

namespace {

// The columns of every table take the width their content needs: the
// page's percentages add up to more than the whole and would crush the
// last columns to a character's width.
// Cells get at least `padding` (in the page's pixels) of room, so that the
// titles of neighbouring columns do not run into each other.
void freeColumns(QTextFrame *frame, qreal padding)
{
    if (auto *table = qobject_cast<QTextTable *>(frame)) {
        QTextTableFormat format = table->format();
        format.setColumnWidthConstraints(
            QVector<QTextLength>(table->columns(), QTextLength(QTextLength::VariableLength, 0)));
        format.setCellPadding(std::max(format.cellPadding(), padding));
        table->setFormat(format);
    }
    const QList<QTextFrame *> children = frame->childFrames();
    for (QTextFrame *child : children)
        freeColumns(child, padding);
}

// The page refers to its pictures relative to itself. Each is read here
// and handed to the document; one that cannot be read is taken out, since
// the engine would draw its broken-picture icon in its place and push the
// club's initials under it.
void loadPictures(QTextDocument &document, const QString &directory)
{
    const QUrl base = QUrl::fromLocalFile(QDir(directory).absolutePath() + QLatin1Char('/'));
    PagePictures::leaveOut(&document, [&document, &base](const QString &name) {
        const QUrl url = base.resolved(QUrl(name));
        QFile file(url.toLocalFile());
        const QImage image =
            QImage::fromData(url.isLocalFile() && file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
        if (image.isNull())
            return false;
        document.addResource(QTextDocument::ImageResource, QUrl(name), image);
        return true;
    });
}

void addLines(const QTextBlock &block, const QAbstractTextDocumentLayout *layout, QVector<Span> *spans)
{
    const QRectF rect = layout->blockBoundingRect(block);
    const QTextLayout *lines = block.layout();
    for (int i = 0; lines && i < lines->lineCount(); ++i) {
        const QRectF line = lines->lineAt(i).rect().translated(rect.topLeft());
        spans->append({line.top(), line.bottom()});
    }
}

// What the printing needs of a table's rows: the text of each (top and
// bottom; a row without text has its top below its bottom), the last row
// its cells reach down to, and how many rows at its top hold column titles.
struct TableRows
{
    QVector<Span> text;
    QVector<int> reach;
    int headings = 0;
};

// A <th> cell: the importer gives its text bold in the cell's own format,
// which a <td> with bold text in it has not.
bool isTitle(const QTextTableCell &cell)
{
    const QTextCharFormat format = cell.format();
    return format.hasProperty(QTextFormat::FontWeight) && format.fontWeight() >= QFont::Bold;
}

bool isEmpty(const QTextTableCell &cell)
{
    return cell.firstPosition() == cell.lastPosition();
}

TableRows tableRows(const QTextTable *table, const QAbstractTextDocumentLayout *layout)
{
    const int rowCount = table->rows();
    const qreal none = std::numeric_limits<qreal>::max();
    TableRows rows{QVector<Span>(rowCount, Span{none, -none}), QVector<int>(rowCount), 0};
    bool titles = true;
    for (int r = 0; r < rowCount; ++r) {
        rows.reach[r] = r;
        bool title = false;
        for (int c = 0; c < table->columns(); ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            if (!cell.isValid() || cell.row() != r || cell.column() != c)
                continue;
            // A title row shorter than its table is filled up with empty
            // cells of no kind: the jumping sheet's is one short, as a
            // status there spans a column more than the marks take.
            title = title || isTitle(cell);
            titles = titles && (isTitle(cell) || isEmpty(cell));
            rows.reach[r] = std::max(rows.reach[r], r + cell.rowSpan() - 1);
            for (QTextFrame::iterator it = cell.begin(); !it.atEnd(); ++it) {
                if (!it.currentBlock().isValid())
                    continue;
                const QRectF rect = layout->blockBoundingRect(it.currentBlock());
                rows.text[r].top = std::min(rows.text[r].top, rect.top());
                rows.text[r].bottom = std::max(rows.text[r].bottom, rect.bottom());
            }
        }
        titles = titles && title;
        if (titles)
            rows.headings = r + 1;
    }
    // Titles over nothing head nothing.
    if (rows.headings == rowCount)
        rows.headings = 0;
    return rows;
}

void addFrame(QTextFrame *frame, const QAbstractTextDocumentLayout *layout, QVector<Span> *spans)
{
    if (auto *table = qobject_cast<QTextTable *>(frame)) {
        // A row and the rows its cells span go together; so a starter's
        // pedigree row stays under his result.
        const TableRows rows = tableRows(table, layout);
        const int rowCount = table->rows();
        for (int r = 0; r < rowCount;) {
            Span group = rows.text[r];
            int last = rows.reach[r];
            int next = r + 1;
            for (; next <= last && next < rowCount; ++next) {
                group.top = std::min(group.top, rows.text[next].top);
                group.bottom = std::max(group.bottom, rows.text[next].bottom);
                last = std::max(last, rows.reach[next]);
            }
            if (group.top < group.bottom)
                spans->append(group);
            r = next;
        }
        return;
    }
    for (QTextFrame::iterator it = frame->begin(); !it.atEnd(); ++it) {
        if (it.currentFrame())
            addFrame(it.currentFrame(), layout, spans);
        else if (it.currentBlock().isValid())
            addLines(it.currentBlock(), layout, spans);
    }
}

void addHeadings(QTextFrame *frame, const QAbstractTextDocumentLayout *layout, QVector<Heading> *headings)
{
    if (auto *table = qobject_cast<QTextTable *>(frame)) {
        const TableRows rows = tableRows(table, layout);
        qreal titlesBottom = -std::numeric_limits<qreal>::max();
        for (int r = 0; r < rows.headings; ++r)
            titlesBottom = std::max(titlesBottom, rows.text[r].bottom);
        // The titles end halfway between their text and the first text
        // under them, where a sheet's slice would begin.
        for (int r = rows.headings; r > 0 && r < table->rows(); ++r) {
            if (rows.text[r].top > rows.text[r].bottom)
                continue;
            const QRectF box = layout->frameBoundingRect(table);
            headings->append({box.top(), (titlesBottom + rows.text[r].top) / 2, box.bottom()});
            break;
        }
    }
    const QList<QTextFrame *> children = frame->childFrames();
    for (QTextFrame *child : children)
        addHeadings(child, layout, headings);
}

} // namespace

void layOut(QTextDocument &document, QPrinter &printer, const QString &html, const QFont &font, qreal width,
            const QString &directory)
{
    document.documentLayout()->setPaintDevice(&printer);
    document.setDefaultFont(font);
    document.setDefaultStyleSheet(QStringLiteral("a { color: blue; text-decoration: underline; }"));
    // A word that does not fit its column stands out of it rather than
    // being cut into pieces, as "7.400" into "7." and "4".
    QTextOption option = document.defaultTextOption();
    option.setWrapMode(QTextOption::WordWrap);
    document.setDefaultTextOption(option);
    document.setHtml(html);
    loadPictures(document, directory);
    // A logo at most about a line high, as on the arena screens: drawn at
    // its own size a club's logo would take several lines and push its
    // initials below the row.
    PagePictures::fitInRows(&document);
    // A quarter of the font's size; a page pixel is a 96th of an inch.
    freeColumns(document.rootFrame(), font.pointSizeF() * 96 / 72 / 4);
    CellText::letLongTextsWrap(&document);
    document.setTextWidth(width);
}

QVector<Span> rows(const QTextDocument &document)
{
    QVector<Span> spans;
    addFrame(document.rootFrame(), document.documentLayout(), &spans);
    return spans;
}

QVector<Heading> headings(const QTextDocument &document)
{
    QVector<Heading> found;
    addHeadings(document.rootFrame(), document.documentLayout(), &found);
    return found;
}

int printHtml(QPrinter &printer, const QString &html, const QFont &font, const QString &directory)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return 0;
    const QRect b = body(printer);
    QTextDocument document;
    layOut(document, printer, html, font, b.width(), directory);
    // Columns that need more than the body's width at this size are laid
    // out side by side as they need and the sheet shows them reduced to the
    // body's width, rather than cut off at its right edge.
    // (A table at 100 % may round a few device pixels over.)
    qreal scale = 1;
    if (document.size().width() > b.width() * 1.005) {
        // The narrowest the columns can be, names wrapped between words.
        document.setTextWidth(1);
        const qreal needed = document.size().width();
        document.setTextWidth(std::max<qreal>(needed, b.width()));
        scale = std::min<qreal>(1, b.width() / document.size().width());
    }
    const int sheets = printSlices(
        painter, printer, document.size().height(), font,
        [&document](QPainter &p, const QRectF &clip) { document.drawContents(&p, clip); }, rows(document), scale,
        headings(document));
    painter.end();
    return sheets;
}

} // namespace ChampPrint

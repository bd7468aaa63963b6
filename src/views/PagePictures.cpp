#include "views/PagePictures.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPixmap>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>

namespace PagePictures {

namespace {

// The size a page asks for a picture, before it is fitted to the text:
// kept in the picture's own format the first time, as the fitting
// overwrites the width and height that Qt reads.
const int PageImageWidth = QTextFormat::UserProperty;
const int PageImageHeight = QTextFormat::UserProperty + 1;

// The picture as the page has it drawn: its width and height attributes,
// the one missing taken from the file's proportions; none, its own size.
QSizeF askedSize(QTextDocument *document, const QTextImageFormat &format)
{
    const qreal width = format.property(PageImageWidth).toReal();
    const qreal height = format.property(PageImageHeight).toReal();
    if (width > 0 && height > 0)
        return QSizeF(width, height);
    const QSizeF natural = naturalSize(document, format.name());
    if (natural.isEmpty())
        return QSizeF();
    if (width > 0)
        return QSizeF(width, width * natural.height() / natural.width());
    if (height > 0)
        return QSizeF(height * natural.width() / natural.height(), height);
    return natural;
}

// Where the pictures of the blocks are: a new format may merge or split the
// fragments, so they are collected first.
QList<QPair<int, int>> pictures(const QList<QTextBlock> &blocks)
{
    QList<QPair<int, int>> found;
    for (const QTextBlock &block : blocks)
        for (QTextBlock::iterator f = block.begin(); block.isValid() && !f.atEnd(); ++f)
            if (f.fragment().charFormat().isImageFormat())
                found << qMakePair(f.fragment().position(), f.fragment().length());
    return found;
}

QList<QTextBlock> blocksOf(const QTextTableCell &cell)
{
    QList<QTextBlock> blocks;
    for (QTextFrame::iterator it = cell.begin(); !it.atEnd(); ++it)
        if (it.currentBlock().isValid())
            blocks << it.currentBlock();
    return blocks;
}

void forEachTable(QTextFrame *frame, const std::function<void(QTextTable *)> &visit)
{
    for (QTextFrame *child : frame->childFrames()) {
        if (auto *table = qobject_cast<QTextTable *>(child))
            visit(table);
        forEachTable(child, visit);
    }
}

} // namespace

QSizeF naturalSize(QTextDocument *document, const QString &name)
{
    const QVariant resource = document->resource(QTextDocument::ImageResource, QUrl(name));
    switch (resource.typeId()) {
    case QMetaType::QImage:
        return resource.value<QImage>().size();
    case QMetaType::QPixmap:
        return resource.value<QPixmap>().size();
    case QMetaType::QByteArray:
        return QImage::fromData(resource.toByteArray()).size();
    default:
        return QSizeF();
    }
}

void leaveOut(QTextDocument *document, const std::function<bool(const QString &name)> &found)
{
    QList<QTextBlock> blocks;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        blocks << block;
    const QList<QPair<int, int>> all = pictures(blocks);
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    // From the end, so that the positions before stay where they are.
    for (auto it = all.crbegin(); it != all.crend(); ++it) {
        cursor.setPosition(it->first);
        cursor.setPosition(it->first + it->second, QTextCursor::KeepAnchor);
        if (found(cursor.charFormat().toImageFormat().name()))
            continue;
        // With the blanks that kept the text beside it apart from it.
        const QTextBlock block = cursor.block();
        int end = it->first + it->second;
        while (end < block.position() + block.length() - 1 && document->characterAt(end).isSpace())
            ++end;
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
    cursor.endEditBlock();
}

QFont rowFont(const QTextDocument *document, const QTextTable *table, int row)
{
    QFont largest = document->defaultFont();
    for (int c = 0; c < table->columns(); ++c)
        for (const QTextBlock &block : blocksOf(table->cellAt(row, c)))
            for (QTextBlock::iterator f = block.begin(); !f.atEnd(); ++f) {
                // The document's own: what the format leaves unset and its
                // HTML size taken from the document's font.
                const QFont font = f.fragment().charFormat().font();
                if (QFontMetricsF(font).height() > QFontMetricsF(largest).height())
                    largest = font;
            }
    return largest;
}

void fitInCell(QTextDocument *document, const QTextTableCell &cell, const QFont &rowFont)
{
    const QList<QTextBlock> blocks = blocksOf(cell);
    const QList<QPair<int, int>> found = pictures(blocks);
    // The text beside a picture stays on its line (a club's initials, not
    // below its logo).
    QTextBlockFormat oneLine;
    oneLine.setNonBreakableLines(true);
    for (const QTextBlock &block : blocks)
        if (!pictures(QList<QTextBlock>{block}).isEmpty() && !block.blockFormat().nonBreakableLines())
            QTextCursor(block).mergeBlockFormat(oneLine);
    // A picture's size is in the screen's pixels also on a printer, which
    // scales it by its resolution over the screen's as it scales text given
    // in points: the line is measured on the screen too.
    const qreal highest = 1.25 * QFontMetricsF(rowFont).height();
    for (const auto &[position, length] : found) {
        QTextCursor select(document);
        select.setPosition(position);
        select.setPosition(position + length, QTextCursor::KeepAnchor);
        QTextImageFormat image = select.charFormat().toImageFormat();
        if (!image.hasProperty(PageImageWidth)) {
            image.setProperty(PageImageWidth, image.hasProperty(QTextFormat::ImageWidth) ? image.width() : 0.0);
            image.setProperty(PageImageHeight, image.hasProperty(QTextFormat::ImageHeight) ? image.height() : 0.0);
        }
        const QSizeF asked = askedSize(document, image);
        if (asked.isEmpty())
            continue;
        const QSizeF shown = asked.height() > highest ? asked * (highest / asked.height()) : asked;
        image.setWidth(shown.width());
        image.setHeight(shown.height());
        image.setVerticalAlignment(QTextCharFormat::AlignTop);
        select.setCharFormat(image);
    }
}

void fitInRows(QTextDocument *document)
{
    QTextCursor edit(document);
    edit.beginEditBlock();
    forEachTable(document->rootFrame(), [document](QTextTable *table) {
        QList<QTextTableCell> cells;
        bool picture = false;
        for (int r = 0; r < table->rows(); ++r) {
            const QFont font = rowFont(document, table, r);
            for (int c = 0; c < table->columns(); ++c) {
                const QTextTableCell cell = table->cellAt(r, c);
                if (cell.row() != r || cell.column() != c)
                    continue; // covered by a cell that spans it
                cells << cell;
                fitInCell(document, cell, font);
                picture = picture || !pictures(blocksOf(cell)).isEmpty();
            }
        }
        // Qt centres the text of a line in a picture taller than the text:
        // the cells are centred in their rows too, so that their text stands
        // on the line of the text beside a picture; every row of the table
        // alike.
        for (QTextTableCell &cell : cells) {
            QTextTableCellFormat format = cell.format().toTableCellFormat();
            if (picture && format.verticalAlignment() != QTextCharFormat::AlignMiddle) {
                format.setVerticalAlignment(QTextCharFormat::AlignMiddle);
                cell.setFormat(format);
            }
        }
    });
    edit.endEditBlock();
}

} // namespace PagePictures

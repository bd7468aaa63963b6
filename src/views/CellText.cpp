#include "views/CellText.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

namespace CellText {

void letLongTextsWrap(QTextDocument *document)
{
    // One edit: the layout follows once, not once per cell.
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        cursor.setPosition(block.position());
        if (!cursor.currentTable())
            continue;
        const QString text = block.text();
        if (text.trimmed().size() <= 12) {
            QTextBlockFormat format = block.blockFormat();
            format.setNonBreakableLines(true);
            cursor.setBlockFormat(format);
            continue;
        }
        for (int i = text.indexOf(QChar::Nbsp); i >= 0; i = text.indexOf(QChar::Nbsp, i + 1)) {
            cursor.setPosition(block.position() + i);
            cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
            cursor.insertText(QStringLiteral(" "), cursor.charFormat());
        }
    }
    cursor.endEditBlock();
}

} // namespace CellText

#include "views/champ/ChampScoreTable.h"

#include <QColor>
#include <QFont>
#include <QHeaderView>
#include <QHelpEvent>
#include <QPalette>
#include <QScrollBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QToolTip>

#include <utility>

namespace {
constexpr int FlaggedRole = Qt::UserRole + 1;
}

// Notes which cell an editor changed; the table reports it once the
// editor is gone, so the edit path may move the cursor freely. What was
// typed is taken in the form the table keeps (setTypedForm). A flagged
// cell keeps its red also on the selected row, and a value wider than its
// column (the widths hold still while the operator types) shows whole in
// its tool tip.
class ChampScoreDelegate : public QStyledItemDelegate
{
public:
    explicit ChampScoreDelegate(ChampScoreTable *table)
        : QStyledItemDelegate(table)
        , m_table(table)
    {
    }

    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        const QString before = index.data(Qt::EditRole).toString();
        QStyledItemDelegate::setModelData(editor, model, index);
        if (m_table->m_typedForm) {
            const QString typed = index.data(Qt::EditRole).toString();
            const QString kept = m_table->m_typedForm(typed);
            if (kept != typed)
                model->setData(index, kept, Qt::EditRole);
        }
        if (index.data(Qt::EditRole).toString() != before) {
            m_table->m_editedRow = index.row();
            m_table->m_editedColumn = index.column();
        }
    }

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (!index.data(FlaggedRole).toBool())
            return;
        // The selection's own colour would hide the red while the cursor
        // stands in the row, where the operator is about to type.
        for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
            option->palette.setColor(group, QPalette::Highlight, QColor(220, 80, 80));
            option->palette.setColor(group, QPalette::HighlightedText, Qt::black);
        }
    }

    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override
    {
        if (event && event->type() == QEvent::ToolTip && index.isValid()) {
            const QString text = index.data(Qt::DisplayRole).toString();
            if (!text.isEmpty() && sizeHint(option, index).width() > option.rect.width()) {
                QToolTip::showText(event->globalPos(), text, view->viewport(), option.rect);
                return true;
            }
        }
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    }

private:
    ChampScoreTable *m_table;
};

ChampScoreTable::ChampScoreTable(QWidget *parent)
    : QTableWidget(parent)
{
    setItemDelegate(new ChampScoreDelegate(this));
    // The program sizes the columns, the operator does not drag them; a
    // value wider than its column is cut on its one line.
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setWordWrap(false);
}

void ChampScoreTable::closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint)
{
    const int row = m_editedRow;
    const int column = m_editedColumn;
    m_editedRow = m_editedColumn = -1;
    // After an edit the sheet's own rule moves the cursor.
    QTableWidget::closeEditor(editor, row >= 0 ? QAbstractItemDelegate::NoHint : hint);
    if (row >= 0)
        emit valueChanged(row, column);
}

void ChampScoreTable::setTypedForm(std::function<QString(const QString &)> form)
{
    m_typedForm = std::move(form);
}

void ChampScoreTable::fitColumns()
{
    resizeColumnsToContents();
    // The text's margins as the item view's style lays a cell out.
    const int margins =
        2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1) + (showGrid() ? 1 : 0);
    for (auto it = m_room.cbegin(); it != m_room.cend(); ++it)
        setColumnWidth(it.key(), qMax(columnWidth(it.key()), fontMetrics().horizontalAdvance(it.value()) + margins));
}

void ChampScoreTable::setColumnRoom(int column, const QString &sample)
{
    m_room.insert(column, sample);
}

QPoint ChampScoreTable::scrollPosition() const
{
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void ChampScoreTable::setScrollPosition(const QPoint &position)
{
    // The scroll bars' ranges follow the rows and widths once the table is
    // laid out again, which it otherwise does later.
    executeDelayedItemsLayout();
    updateGeometries();
    horizontalScrollBar()->setValue(position.x());
    verticalScrollBar()->setValue(position.y());
}

void ChampScoreTable::setColumnTitles(const QStringList &titles)
{
    setColumnCount(int(titles.size()));
    setHorizontalHeaderLabels(titles);
    fillItems();
}

QString ChampScoreTable::columnTitle(int column) const
{
    const QTableWidgetItem *item = horizontalHeaderItem(column);
    return item ? item->text() : QString();
}

void ChampScoreTable::setColumnTitle(int column, const QString &title)
{
    if (QTableWidgetItem *item = horizontalHeaderItem(column))
        item->setText(title);
    else
        setHorizontalHeaderItem(column, new QTableWidgetItem(title));
}

Qt::ItemFlags ChampScoreTable::flagsOf(int column) const
{
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (!m_readOnly.contains(column))
        flags |= Qt::ItemIsEditable;
    return flags;
}

void ChampScoreTable::setColumnReadOnly(int column, bool readOnly)
{
    if (readOnly)
        m_readOnly.insert(column);
    else
        m_readOnly.remove(column);
    for (int r = 0; r < rowCount(); ++r)
        if (QTableWidgetItem *cell = item(r, column))
            cell->setFlags(flagsOf(column));
}

bool ChampScoreTable::isColumnReadOnly(int column) const
{
    return m_readOnly.contains(column);
}

void ChampScoreTable::fillItems()
{
    for (int r = 0; r < rowCount(); ++r)
        for (int c = 0; c < columnCount(); ++c)
            if (!item(r, c)) {
                auto *cell = new QTableWidgetItem;
                cell->setFlags(flagsOf(c));
                setItem(r, c, cell);
            }
}

void ChampScoreTable::setRows(int rows)
{
    setRowCount(rows);
    fillItems();
}

QString ChampScoreTable::text(int row, int column) const
{
    const QTableWidgetItem *cell = item(row, column);
    return cell ? cell->text() : QString();
}

void ChampScoreTable::setText(int row, int column, const QString &text)
{
    if (QTableWidgetItem *cell = item(row, column))
        cell->setText(text);
}

QStringList ChampScoreTable::rowTexts(int row) const
{
    QStringList texts;
    for (int c = 0; c < columnCount(); ++c)
        texts << text(row, c);
    return texts;
}

void ChampScoreTable::setFlagged(int row, int column, bool flagged)
{
    QTableWidgetItem *cell = item(row, column);
    if (!cell || cell->data(FlaggedRole).toBool() == flagged)
        return;
    cell->setData(FlaggedRole, flagged);
    cell->setData(Qt::BackgroundRole, flagged ? QVariant(QColor(255, 170, 170)) : QVariant());
    QFont bold = cell->font();
    bold.setBold(flagged);
    cell->setFont(bold);
}

bool ChampScoreTable::isFlagged(int row, int column) const
{
    const QTableWidgetItem *cell = item(row, column);
    return cell && cell->data(FlaggedRole).toBool();
}

void ChampScoreTable::clearRow(int row)
{
    for (int c = 0; c < columnCount(); ++c)
        setText(row, c, QString());
}

int ChampScoreTable::findRow(int column, const QString &text) const
{
    for (int r = 0; r < rowCount(); ++r)
        if (this->text(r, column) == text)
            return r;
    return -1;
}

void ChampScoreTable::finishEditing()
{
    if (state() != QAbstractItemView::EditingState)
        return;
    if (QWidget *editor = indexWidget(currentIndex())) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

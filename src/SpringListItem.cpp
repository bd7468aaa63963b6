#include "SpringListItem.h"

#include <QBrush>
#include <QTreeWidget>

SpringListItem::SpringListItem()
    : QTreeWidgetItem(Type)
{
}

bool SpringListItem::operator<(const QTreeWidgetItem &other) const
{
    const QTreeWidget *list = treeWidget();
    const int column = list ? list->sortColumn() : 0;
    const QString mine = text(column);
    const QString theirs = other.text(column);
    bool mineIsNumber = false;
    bool theirsIsNumber = false;
    const double a = mine.toDouble(&mineIsNumber);
    const double b = theirs.toDouble(&theirsIsNumber);
    if (mineIsNumber && theirsIsNumber)
        return a < b;
    // Sorted ascending, numbers come before empty cells and words.
    if (mineIsNumber != theirsIsNumber)
        return mineIsNumber;
    return mine.localeAwareCompare(theirs) < 0;
}

QVariant SpringListItem::data(int column, int role) const
{
    if (role == Qt::BackgroundRole) {
        if (QTreeWidget *list = treeWidget()) {
            const int position = list->indexOfTopLevelItem(const_cast<SpringListItem *>(this));
            if (position >= 0)
                return QBrush(rowColour(position));
        }
    }
    return QTreeWidgetItem::data(column, role);
}

QColor SpringListItem::rowColour(int position)
{
    return QColor(position % 2 ? QStringLiteral("#FFF3C6") : QStringLiteral("#F8E296"));
}

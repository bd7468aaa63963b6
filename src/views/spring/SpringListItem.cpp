#include "views/spring/SpringListItem.h"

#include "views/staevneKlasseInfo.h"

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
    if (role == Qt::BackgroundRole)
        return staevneKlasseInfo::rowBackground(this);
    return QTreeWidgetItem::data(column, role);
}

#include "views/dressur/DressurListItem.h"

#include "views/staevneKlasseInfo.h"

#include "views/dressur/DressurPlacing.h"

#include <QBrush>
#include <QTreeWidget>

DressurListItem::DressurListItem()
    : QTreeWidgetItem(Type)
{
}

bool DressurListItem::operator<(const QTreeWidgetItem &other) const
{
    const QTreeWidget *list = treeWidget();
    const int column = list ? list->sortColumn() : 0;
    if (column != DressurColumns::Point)
        return QTreeWidgetItem::operator<(other);
    const auto mine = DressurPlacing::rankKey([this](int c) { return text(c); });
    const auto theirs = DressurPlacing::rankKey([&other](int c) { return other.text(c); });
    return DressurPlacing::ranksLower(mine, theirs);
}

QVariant DressurListItem::data(int column, int role) const
{
    if (role == Qt::BackgroundRole)
        return staevneKlasseInfo::rowBackground(this);
    return QTreeWidgetItem::data(column, role);
}

#include "views/military/MilitaryListItem.h"

#include "views/military/MilitaryPlacing.h"
#include "views/staevneKlasseInfo.h"

#include <QTreeWidget>

MilitaryListItem::MilitaryListItem(bool udholdenhed)
    : QTreeWidgetItem(Type)
    , m_udholdenhed(udholdenhed)
{
}

namespace {

MilitaryPlacing::Row cellsOf(const QTreeWidgetItem &item)
{
    MilitaryPlacing::Row row;
    row.reserve(MilitaryPlacing::Count);
    for (int c = 0; c < MilitaryPlacing::Count; ++c)
        row << item.text(c);
    return row;
}

} // namespace

bool MilitaryListItem::operator<(const QTreeWidgetItem &other) const
{
    const QTreeWidget *list = treeWidget();
    if (!list || list->sortColumn() != MilitaryPlacing::Dressur)
        return QTreeWidgetItem::operator<(other);
    return MilitaryPlacing::compare(cellsOf(*this), cellsOf(other), m_udholdenhed) < 0;
}

QVariant MilitaryListItem::data(int column, int role) const
{
    if (role == Qt::BackgroundRole)
        return staevneKlasseInfo::rowBackground(this);
    return QTreeWidgetItem::data(column, role);
}

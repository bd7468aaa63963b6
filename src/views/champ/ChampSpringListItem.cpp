#include "views/champ/ChampSpringListItem.h"

#include "views/StartNrOrder.h"
#include "views/champ/ChampRules.h"
#include "views/staevneKlasseInfo.h"

#include <QTreeWidget>

namespace {

champ::OrderKey keyOf(const QTreeWidgetItem &item)
{
    champ::OrderKey key;
    key.total = champ::markValue(item.text(ChampSpringListItem::TotalColumn));
    key.startNr = item.text(0);
    key.staevneNr = item.text(1);
    return key;
}

} // namespace

ChampSpringListItem::ChampSpringListItem()
    : QTreeWidgetItem(Type)
{
}

// The list shows the greater row first when sorted descending, so a row is
// "less" than the one that stands above it.
bool ChampSpringListItem::operator<(const QTreeWidgetItem &other) const
{
    const QTreeWidget *list = treeWidget();
    const int column = list ? list->sortColumn() : 0;
    if (column == TotalColumn)
        return champ::shownBefore(keyOf(other), keyOf(*this), false);
    if (column == 0)
        return startnr::before(other.text(0), text(0));
    return QTreeWidgetItem::operator<(other);
}

QVariant ChampSpringListItem::data(int column, int role) const
{
    if (role == Qt::BackgroundRole)
        return staevneKlasseInfo::rowBackground(this);
    return QTreeWidgetItem::data(column, role);
}

#include "views/dressur/DressurListItem.h"

#include "views/staevneKlasseInfo.h"

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
    if (other.type() == Type)
        return DressurPlacing::ranksLower(rankKey(), static_cast<const DressurListItem &>(other).rankKey());
    return DressurPlacing::ranksLower(rankKey(),
                                      DressurPlacing::rankKey([&other](int c) { return other.text(c); }));
}

void DressurListItem::setData(int column, int role, const QVariant &value)
{
    m_rankKeyValid = false;
    QTreeWidgetItem::setData(column, role, value);
}

const DressurPlacing::RankKey &DressurListItem::rankKey() const
{
    if (!m_rankKeyValid) {
        m_rankKey = DressurPlacing::rankKey([this](int c) { return text(c); });
        m_rankKeyValid = true;
    }
    return m_rankKey;
}

QVariant DressurListItem::data(int column, int role) const
{
    if (role == Qt::BackgroundRole)
        return staevneKlasseInfo::rowBackground(this);
    return QTreeWidgetItem::data(column, role);
}

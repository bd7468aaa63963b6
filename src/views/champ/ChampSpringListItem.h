#pragma once

#include <QTreeWidgetItem>

// One starter in the list of a championship jumping sheet. Sorted
// descending on "HS Totsl" the list reads as the ranking: the higher total,
// then the lower start number, start number 0 last. Sorted on "Start Nr"
// it follows the start numbers. Rows alternate their colours by position.
class ChampSpringListItem : public QTreeWidgetItem
{
public:
    enum { Type = QTreeWidgetItem::UserType + 6, TotalColumn = 14 };

    ChampSpringListItem();

    bool operator<(const QTreeWidgetItem &other) const override;
    QVariant data(int column, int role) const override;
};

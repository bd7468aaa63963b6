#pragma once

#include <QTreeWidgetItem>

// One starter in the list of a championship dressage sheet. Sorted
// descending on "Total" the list reads as the ranking: the higher total,
// then the higher "Kapacitet" and "Ridelighed", then the lower start
// number; starters without a result follow in start-number order, start
// number 0 last. Sorted on "Start Nr" it follows the start numbers. Rows
// alternate their colours by position.
class ChampDressurListItem : public QTreeWidgetItem
{
public:
    enum { Type = QTreeWidgetItem::UserType + 5, TotalColumn = 22 };

    ChampDressurListItem();

    bool operator<(const QTreeWidgetItem &other) const override;
    QVariant data(int column, int role) const override;
};

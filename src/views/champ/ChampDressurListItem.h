#pragma once

#include <QTreeWidgetItem>

// One starter in the list of a championship dressur sheet. Sorted
// descending on its total column the list reads as the ranking (dressage: by total, then "Kapacitet" and "Ridelighed", then start number, start number 0
// last among those without a result); sorted on "Start Nr" it follows
// the start numbers. Rows alternate their colours by position.
class ChampDressurListItem : public QTreeWidgetItem
{
public:
    enum { Type = QTreeWidgetItem::UserType + 5, TotalColumn = 22 };

    ChampDressurListItem();

    bool operator<(const QTreeWidgetItem &other) const override;
    QVariant data(int column, int role) const override;
};

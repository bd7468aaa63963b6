#pragma once

#include <QTreeWidgetItem>

// One starter in the list of a championship spring sheet. Sorted
// descending on its total column the list reads as the ranking (jumping: by "HS Totsl", then start number, start number 0
// last among those without a result); sorted on "Start Nr" it follows
// the start numbers. Rows alternate their colours by position.
class ChampSpringListItem : public QTreeWidgetItem
{
public:
    enum { Type = QTreeWidgetItem::UserType + 6, TotalColumn = 14 };

    ChampSpringListItem();

    bool operator<(const QTreeWidgetItem &other) const override;
    QVariant data(int column, int role) const override;
};

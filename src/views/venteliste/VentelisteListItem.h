#pragma once

#include <QTreeWidgetItem>

// One entry of a waiting list in the waiting-list view's list. The list
// sorts on "Start Nr" in descending order, and this row's order is turned
// round for that column, so the entries show by increasing start number;
// a number with a letter ("12A") follows its plain number. The rows
// alternate their colours by position on screen.
class VentelisteListItem : public QTreeWidgetItem
{
public:
    VentelisteListItem();

    bool operator<(const QTreeWidgetItem &other) const override;
    QVariant data(int column, int role) const override;

    enum { Type = QTreeWidgetItem::UserType + 6 };
};

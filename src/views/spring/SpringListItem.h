#pragma once

#include <QColor>
#include <QTreeWidgetItem>

// One starter of a show-jumping section in the show-jumping view's list.
// Columns holding numbers (start number, faults, time, placing) sort as
// numbers, so start number 10 follows 9; the rows alternate their colours by
// position on screen.
class SpringListItem : public QTreeWidgetItem
{
public:
    SpringListItem();

    bool operator<(const QTreeWidgetItem &other) const override;
    QVariant data(int column, int role) const override;

    // "#F8E296" for even positions (the top row is 0), "#FFF3C6" for odd.

    enum { Type = QTreeWidgetItem::UserType + 2 };
};

#pragma once

#include "views/dressur/DressurPlacing.h"

#include <QColor>
#include <QTreeWidgetItem>

// One entry of a dressage class section in the dressage view's list: the
// cells as loaded and placed, with the dressage row order for the "Point"
// column and row colours that alternate by position on screen.
class DressurListItem : public QTreeWidgetItem
{
public:
    DressurListItem();

    // Sorting by "Point" uses the dressage order (DressurPlacing::ranksLower);
    // any other column compares its texts.
    bool operator<(const QTreeWidgetItem &other) const override;

    // Every change of a cell drops the row's parsed sort key.
    void setData(int column, int role, const QVariant &value) override;

    // The background follows the row's position in the list, not its data,
    // so the colours keep alternating after every re-sort.
    QVariant data(int column, int role) const override;

    // The background of the row at a position: "#F8E296" for even positions
    // (the top row is 0), "#FFF3C6" for odd ones.

    enum { Type = QTreeWidgetItem::UserType + 1 };

private:
    // A sort compares each row many times; its cells are parsed once, at
    // the first comparison after a change.
    const DressurPlacing::RankKey &rankKey() const;

    mutable DressurPlacing::RankKey m_rankKey;
    mutable bool m_rankKeyValid = false;
};

#pragma once

#include "views/military/MilitaryPlacing.h"

#include <QTreeWidgetItem>

// One starter of an eventing class section in the eventing view's list. It
// keeps the class's phase order (whether cross-country is the last phase)
// for its comparison on column "Dressur", which is the competition order;
// its background alternates by position on screen.
//
// The competition order is stated on the rows' texts, so that the view can
// sort a snapshot of its rows without reading the widgets again. Penalty
// points rank: the lower the total the better, and a starter ranks only
// among those who have come as far in the competition.
class MilitaryListItem : public QTreeWidgetItem
{
public:
    using Row = MilitaryPlacing::Row;

    explicit MilitaryListItem(bool udholdenhed);

    bool udholdenhed() const { return m_udholdenhed; }

    // This row against `other` on `column`: negative when this row comes
    // first, positive when `other` does. Column "Dressur" is the
    // competition order of the row's phase order (never 0); any other
    // column compares its texts in the locale's order. `ascending` is not
    // used: the caller reverses a descending order.
    int compare(const MilitaryListItem &other, int column, bool ascending) const;
    // For the toolkit's own sorts: strictly first by compare(), so that two
    // rows which the rules each put first keep their places.
    bool operator<(const QTreeWidgetItem &other) const override;
    QVariant data(int column, int role) const override;

    // The competition order of row `a` against row `b` when cross-country
    // is the last phase, after jumping: -1 when `a` comes first, 1 when `b`
    // does; never 0. Among rows with a status the rules are no strict weak
    // order: both rows of a pair may come out first.
    static int compareValues(const Row &a, const Row &b);
    // The same rules when jumping is the last phase, after cross-country.
    static int compareValuesSwapped(const Row &a, const Row &b);
    // Start numbers "9" < "10" < "10A" < "10B"; equal numbers give -1.
    static int compareStartNr(const Row &a, const Row &b);

    // The texts of the row's columns.
    Row cells() const;

    enum { Type = QTreeWidgetItem::UserType + 4 };

private:
    bool m_udholdenhed;
};

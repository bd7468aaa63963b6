#pragma once

#include <QTreeWidgetItem>

// One starter of an eventing class section in the eventing view's list. It
// keeps the class's phase order (whether cross-country is the last phase)
// for its comparison on column "Dressur", which is the competition order;
// its background alternates by position on screen.
class MilitaryListItem : public QTreeWidgetItem
{
public:
    explicit MilitaryListItem(bool udholdenhed);

    bool udholdenhed() const { return m_udholdenhed; }

    // Column "Dressur": the competition order (MilitaryPlacing::compare);
    // any other column compares its texts.
    bool operator<(const QTreeWidgetItem &other) const override;
    QVariant data(int column, int role) const override;

    enum { Type = QTreeWidgetItem::UserType + 4 };

private:
    bool m_udholdenhed;
};

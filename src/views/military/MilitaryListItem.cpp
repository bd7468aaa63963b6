#include "views/military/MilitaryListItem.h"

#include "views/StartNrOrder.h"
#include "views/staevneKlasseInfo.h"

#include <QTreeWidget>

using namespace MilitaryPlacing;

MilitaryListItem::MilitaryListItem(bool udholdenhed)
    : QTreeWidgetItem(Type)
    , m_udholdenhed(udholdenhed)
{
}

MilitaryListItem::Row MilitaryListItem::cells() const
{
    Row row;
    row.reserve(Count);
    for (int c = 0; c < Count; ++c)
        row << text(c);
    return row;
}

int MilitaryListItem::compare(const MilitaryListItem &other, int column, bool) const
{
    if (column == Dressur)
        return m_udholdenhed ? compareValues(cells(), other.cells()) : compareValuesSwapped(cells(), other.cells());
    return QString::localeAwareCompare(text(column), other.text(column));
}

bool MilitaryListItem::operator<(const QTreeWidgetItem &other) const
{
    const QTreeWidget *list = treeWidget();
    const int column = list ? list->sortColumn() : 0;
    if (other.type() != Type)
        return QTreeWidgetItem::operator<(other);
    const auto &item = static_cast<const MilitaryListItem &>(other);
    if (column != Dressur)
        return compare(item, column, true) < 0;
    return compare(item, column, true) < 0 && item.compare(*this, column, true) > 0;
}

QVariant MilitaryListItem::data(int column, int role) const
{
    if (role == Qt::BackgroundRole)
        return staevneKlasseInfo::rowBackground(this);
    return QTreeWidgetItem::data(column, role);
}

int MilitaryListItem::compareStartNr(const Row &a, const Row &b)
{
    const startnr::Key ka = startnr::keyOf(a.value(StartNr));
    const startnr::Key kb = startnr::keyOf(b.value(StartNr));
    if (ka.number != kb.number)
        return kb.number < ka.number ? 1 : -1;
    return ka.letter <= kb.letter ? -1 : 1;
}

namespace {

// The columns of the phase ridden last and of the one before it.
struct Phases
{
    int last;
    int middle;
    int lastDisk;
    int middleDisk;
};

const Phases CrossCountryLast = {Udholdenhed, SpringTid, DiskUdh, DiskSpring};
const Phases JumpingLast = {SpringTid, Udholdenhed, DiskSpring, DiskUdh};

// -1/1 when one has ridden the phase (a positive result) and the other
// has 0; 0 when this does not decide (a negative value decides nothing).
int ridden(float a, float b)
{
    if (a == 0.0f && b > 0.0f)
        return 1;
    if (a > 0.0f && b == 0.0f)
        return -1;
    return 0;
}

int byTotal(const Row &a, const Row &b)
{
    return cellFloat(a.value(Total)) <= cellFloat(b.value(Total)) ? -1 : 1;
}

int competitionOrder(const Row &a, const Row &b, const Phases &p)
{
    const auto value = [](const Row &row, int column) { return cellFloat(row.value(column)); };
    const auto set = [](const Row &row, int column) { return isSet(row.value(column)); };

    if (!hasStatus(a)) {
        if (hasStatus(b))
            return -1;
        if (const int r = ridden(value(a, p.last), value(b, p.last)))
            return r;
        if (const int r = ridden(value(a, p.middle), value(b, p.middle)))
            return r;
        const float ta = value(a, Total);
        const float tb = value(b, Total);
        if (const int r = ridden(ta, tb))
            return r;
        if (ta == 0.0f && tb == 0.0f)
            return MilitaryListItem::compareStartNr(a, b);
        if (tb < ta)
            return 1;
        if (ta < tb)
            return -1;
        return MilitaryListItem::compareStartNr(a, b);
    }
    if (!hasStatus(b))
        return 1;
    if (set(a, p.lastDisk)) {
        if (set(b, p.lastDisk))
            return byTotal(a, b);
        return set(b, p.middleDisk) || set(b, DiskDressur) ? -1 : 1;
    }
    if (set(a, p.middleDisk)) {
        if (set(b, p.middleDisk))
            return byTotal(a, b);
        return set(b, DiskDressur) ? -1 : 1;
    }
    if (set(a, DiskDressur))
        return MilitaryListItem::compareStartNr(a, b);
    return 1;
}

} // namespace

int MilitaryListItem::compareValues(const Row &a, const Row &b)
{
    return competitionOrder(a, b, CrossCountryLast);
}

int MilitaryListItem::compareValuesSwapped(const Row &a, const Row &b)
{
    return competitionOrder(a, b, JumpingLast);
}

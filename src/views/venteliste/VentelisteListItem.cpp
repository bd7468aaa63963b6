#include "views/venteliste/VentelisteListItem.h"

#include "views/StartNrOrder.h"
#include "views/staevneKlasseInfo.h"
#include "views/venteliste/VentelistePage.h"

#include <QTreeWidget>

VentelisteListItem::VentelisteListItem()
    : QTreeWidgetItem(Type)
{
}

namespace {

// A cell read as a whole number; anything else counts as 0.
int cellNumber(const QString &text)
{
    bool ok = false;
    const int n = text.toInt(&ok, 10);
    return ok ? n : 0;
}

} // namespace

bool VentelisteListItem::operator<(const QTreeWidgetItem &other) const
{
    const QTreeWidget *list = treeWidget();
    const int column = list ? list->sortColumn() : VentelistePage::StartNr;
    // The list shows column 0 sorted descending; a higher start number is
    // "less" so that the lowest number ends up on top.
    const auto startNrLess = [&] {
        return startnr::before(other.text(VentelistePage::StartNr), text(VentelistePage::StartNr));
    };
    if (column == VentelistePage::StartNr)
        return startNrLess();
    if (column == VentelistePage::Afmeldt) {
        const int mine = cellNumber(text(column));
        const int theirs = cellNumber(other.text(column));
        if (mine != theirs)
            return mine < theirs;
        return startNrLess();
    }
    return QTreeWidgetItem::operator<(other);
}

QVariant VentelisteListItem::data(int column, int role) const
{
    if (role == Qt::BackgroundRole)
        return staevneKlasseInfo::rowBackground(this);
    return QTreeWidgetItem::data(column, role);
}

#pragma once

#include "views/ClassHead.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

// The result page "klasse<nr>_<section>.html" of a show-jumping class
// section: the class head block every result page opens with, then one table
// row per starter in the list's order with start number, competition number,
// horse, rider, club, faults, time and the place or status. Rows come as the
// view's list cells (staevneKlasseInfoSpring::Column); database text is
// escaped. Entries that did not start ("EJ MØDT", "AFMELDT") have no row.
namespace SpringPages {

// The row colours of the result pages, each with its reader's default.
struct Look
{
    QString evenBackground;      // "html.even.background.color"
    QString oddBackground;       // "html.odd.background.color"
    QString evenForeground;      // "html.even.foreground.color"
    QString oddForeground;       // "html.odd.foreground.color"
    QString lastRiderBackground; // "html.lastrider.background.color"; empty: no row marked

    static Look read(const std::function<QString(const QString &key, const QString &def)> &value);
};

// Whether a status word keeps the entry off the start list.
bool isNotStarter(const QString &status);

// The page, UTF-8. The row whose competition number is `lastChangeId` is
// marked as the last rider; places up to `antalPlaceringer` are marked.
QByteArray resultPage(const ClassHead::Info &head, const ClassHead::Settings &headSettings, const Look &look,
                      const QVector<QStringList> &rows, int lastChangeId, int antalPlaceringer);

} // namespace SpringPages

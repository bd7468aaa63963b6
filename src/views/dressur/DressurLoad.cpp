#include "views/dressur/DressurLoad.h"

#include "database/DbValue.h"
#include "views/dressur/DressurColumns.h"

namespace DressurLoad {

using namespace DressurColumns;

Header Header::fromValues(const QVariantList &h)
{
    using DbValue::text;
    Header header;
    header.klasseId = DbValue::toInt(h.value(0));
    header.title = QStringLiteral("%1 %2 %3").arg(text(h.value(1)), text(h.value(3)), text(h.value(7)));
    header.maxPnt = DbValue::toInt(h.value(4));
    header.aerespraemie = text(h.value(7));
    const QString sponsor = text(h.value(6));
    header.klassesponsor = sponsor.isEmpty() ? header.aerespraemie : sponsor;
    header.antalPlaceringerText = DbValue::numberText(h.value(8));
    header.antalPlaceringer = DbValue::toInt(h.value(8));
    header.antalDommere = DbValue::toInt(h.value(9));
    header.dommerListe = text(h.value(10));
    header.startSlutTid = QStringLiteral("%1&nbsp;%2&nbsp;-&nbsp;%3")
                              .arg(text(h.value(11)), text(h.value(12)), text(h.value(13)));
    header.kur = DbValue::toInt(h.value(14));
    header.bevarStartTid = DbValue::toInt(h.value(15));
    header.hold = DbValue::toInt(h.value(16));
    header.klasseTypeId = text(h.value(17));
    header.diciplinId = text(h.value(18));
    header.niveau = text(h.value(19));
    header.doteringer = text(h.value(20));
    header.remarks = text(h.value(21));
    header.svh = text(h.value(22));
    return header;
}

QString pointsText(float points)
{
    return QString::number(double(points), 'g', 6);
}

QString percentText(float points, int maxPnt, int antalDommere)
{
    if (maxPnt <= 0)
        return QString();
    const int divisor = antalDommere > 1 ? maxPnt * antalDommere : maxPnt;
    // Single precision throughout, as the points themselves are.
    const float quotient = points / float(divisor);
    const float percent = quotient * 100.0f;
    return QString::number(double(percent), 'f', 3);
}

QString horseText(const QString &name, const QString &category)
{
    // An entry without a category comes as "0", or as NULL when the view
    // joins none; neither is shown.
    if (category.isEmpty() || category == QLatin1String("0"))
        return name;
    return name + QLatin1String(" - ") + category;
}

QString statusText(const QString &status)
{
    if (status == QLatin1String("Diskvalifice"))
        return QStringLiteral("Diskvalificeret");
    return status;
}

namespace {

// The name in a registry text "<nr>--<name>--...", or an empty text when that
// part is a single character or missing.
QString namePart(const QString &text)
{
    const QString part = text.section(QLatin1String("--"), 1, 1);
    return part.size() > 1 ? part : QString();
}

bool numbered(const QString &text)
{
    return text.contains(QLatin1String("--"));
}

} // namespace

QString pedigreeText(const QString &sire, const QString &dam, const QString &damSire,
                     const QString &year, const QString &sex)
{
    QString text = year + QLatin1Char('/');
    if (!sex.isEmpty())
        text += sex + QLatin1Char('/');

    if (sire.isEmpty())
        text += QLatin1Char('/');
    else
        text += numbered(sire) ? namePart(sire) : sire;

    if (!dam.isEmpty()) {
        text += QLatin1Char('/');
        if (!numbered(dam))
            text += dam;
        else if (!namePart(dam).isEmpty())
            text += QLatin1Char('/') + namePart(dam);
    }

    text += QLatin1Char('/');
    if (!damSire.isEmpty())
        text += numbered(damSire) ? namePart(damSire) : damSire;
    return text;
}

QStringList starterCells(const QVariantList &s, const StarterOptions &options,
                         const Lookup &remark, const Lookup &localPedigree)
{
    using DbValue::text;
    QStringList cells;
    cells.reserve(Count);
    for (int i = 0; i < Count; ++i)
        cells.append(QString());

    cells[StartNr] = DbValue::numberText(s.value(0));
    cells[StaevneNr] = DbValue::numberText(s.value(1));
    cells[Hest] = horseText(text(s.value(4)), text(s.value(9)));
    cells[Rytter] = text(s.value(2)) + QLatin1Char(' ') + text(s.value(3));
    cells[Klub] = text(s.value(5));

    const float points = float(DbValue::toDouble(s.value(7)));
    cells[Point] = pointsText(points);
    cells[Procent] = percentText(points, options.maxPnt, options.antalDommere);

    const QString rawStatus = text(s.value(8));
    const QString status = statusText(rawStatus);
    cells[Diskvalifikation] = status;
    if (DbValue::toInt(s.value(6)) != 0)
        cells[Placering] = DbValue::numberText(s.value(6));
    else if (!rawStatus.isEmpty())
        cells[Placering] = status;

    cells[StartId] = text(s.value(14));
    for (int k = 0; k < JudgeCount; ++k)
        cells[DommerE + k] = pointsText(float(DbValue::toDouble(s.value(15 + k))));
    if (options.kur == 1) {
        for (int k = 0; k < JudgeCount; ++k)
            cells[DommerEKur + k] = text(s.value(20 + k));
    }

    cells[StartTid] = text(s.value(25));
    cells[RytterId] = text(s.value(26));
    cells[HesteId] = text(s.value(27));
    cells[EquipageId] = text(s.value(28));

    if (!cells[HesteId].isEmpty()) {
        // YEAR() of a horse without a registry row reads as 0: its pedigree
        // comes from the locally created row instead.
        const QString year = DbValue::numberText(s.value(32));
        if (year == QLatin1String("0"))
            cells[Afstamning] = localPedigree ? localPedigree(cells[HesteId]).simplified() : QString();
        else
            cells[Afstamning] = pedigreeText(text(s.value(29)), text(s.value(30)), text(s.value(31)),
                                             year, text(s.value(34)));
    }

    if (options.hold) {
        cells[HoldId] = text(s.value(35));
        cells[HoldNavn] = text(s.value(36));
        cells[Udgaar] = text(s.value(37));
    }

    if (options.riderRemarks && remark) {
        const QString note = remark(cells[StartId]).simplified();
        if (!note.isEmpty())
            cells[Rytter] = QStringLiteral("%1 (%2)").arg(cells[Rytter], note);
    }
    return cells;
}

} // namespace DressurLoad

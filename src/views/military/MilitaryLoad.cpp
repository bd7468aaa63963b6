#include "views/military/MilitaryLoad.h"

#include "database/DbValue.h"

namespace MilitaryLoad {

namespace C = MilitaryPlacing;

Header Header::fromValues(const QVariantList &h)
{
    const auto text = [&h](int i) { return DbValue::text(h.value(i)); };
    const auto number = [&h](int i) { return DbValue::numberText(h.value(i)); };
    Header header;
    header.klasseId = DbValue::toInt(h.value(0));
    header.title = QStringLiteral("%1 %2 %3").arg(number(1), text(3), text(6));
    header.judgeFirst = text(4);
    header.judgeLast = text(5);
    header.klassesponsor = text(7).isEmpty() ? text(8) : text(7);
    header.aerespraemie = text(8);
    header.antalPlaceringer = DbValue::toInt(h.value(9));
    header.metode = text(10);
    header.startSlutTid =
        QStringLiteral("Start&nbsp;%1&nbsp;%2&nbsp;-&nbsp;%3").arg(text(14), text(15), text(16));
    header.idealTid = number(18);
    header.udholdenhed = DbValue::toInt(h.value(19)) != 0;
    header.klasseTypeId = text(20);
    header.diciplinId = text(21);
    header.niveau = text(22);
    header.doteringer = text(23);
    header.bevarStartTid = DbValue::toInt(h.value(24));
    header.remarks = text(25);
    header.svh = text(26);
    return header;
}

namespace {

// A registry name "nr--Name--more": the name when longer than a letter.
QString nameOf(const QString &name)
{
    const int dashes = name.indexOf(QLatin1String("--"));
    if (dashes < 0)
        return name;
    const int end = name.indexOf(QLatin1String("--"), dashes + 2);
    const QString part = name.mid(dashes + 2, end < 0 ? -1 : end - dashes - 2);
    return part.size() > 1 ? part : QString();
}

} // namespace

QString pedigreeText(const QString &year, const QString &sex, const QString &sire, const QString &dam,
                     const QString &damSire, const QString &breeder, bool withBreeder)
{
    QString text = year + QLatin1Char('/');
    if (!sex.isEmpty())
        text += sex + QLatin1Char('/');
    if (sire.isEmpty())
        text += QLatin1Char('/');
    else
        text += nameOf(sire);
    if (!dam.isEmpty())
        text += QLatin1Char('/') + nameOf(dam);
    if (!damSire.isEmpty())
        text += QLatin1Char('/') + nameOf(damSire);
    if (withBreeder)
        text += QLatin1Char('/') + breeder;
    return text;
}

QStringList starterCells(const QVariantList &s, const QString &klasseTypeId, bool riderRemarks,
                         const Lookup &remark, const Lookup &localPedigree)
{
    const auto text = [&s](int i) { return DbValue::text(s.value(i)); };
    const auto number = [&s](int i) { return DbValue::numberText(s.value(i)); };
    QStringList cells;
    cells.reserve(C::Count);
    for (int c = 0; c < C::Count; ++c)
        cells << QString();
    cells[C::StartNr] = number(0);
    cells[C::StaevneNr] = number(1);
    cells[C::Hest] = text(4);
    cells[C::Rytter] = text(2) + QLatin1Char(' ') + text(3);
    cells[C::Klub] = text(5);
    cells[C::Dressur] = number(6);
    cells[C::EtapeD] = number(7);
    cells[C::Udholdenhed] = number(8);
    cells[C::Spring] = number(9);
    cells[C::DressurSpring] = number(10);
    cells[C::DressurUdholdenhed] = number(11);
    cells[C::Total] = number(12);
    cells[C::DiskDressur] = text(13);
    cells[C::DiskUdh] = text(14);
    cells[C::DiskSpring] = text(15);
    cells[C::Diskvalifikation] = text(16);
    cells[C::SpringTid] = number(17);
    cells[C::StartTid] = text(18);
    cells[C::LicensNr] = text(19);
    cells[C::HesteId] = text(20);
    cells[C::EquipageId] = text(21);
    cells[C::StartId] = number(28);

    if (cells.at(C::HesteId).isEmpty())
        return cells;
    // A horse without a registry row has no year of birth in the join.
    const QString year = DbValue::numberText(s.value(25));
    if (year == QLatin1String("0"))
        cells[C::Afstamning] = localPedigree ? localPedigree(cells.at(C::HesteId)).simplified() : QString();
    else
        cells[C::Afstamning] = pedigreeText(year, text(27), text(22), text(23), text(24), text(26),
                                            klasseTypeId.contains(QLatin1String("SCU")));
    if (riderRemarks && remark) {
        const QString r = remark(cells.at(C::StartId)).simplified();
        if (!r.isEmpty())
            cells[C::Rytter] = QStringLiteral("%1 (%2)").arg(cells.at(C::Rytter), r);
    }
    return cells;
}

Outcome apply(QStringList &cells, const QVariantList &result)
{
    Outcome outcome;
    while (cells.size() < C::Count)
        cells.append(QString());
    // Read as the load reads the same values, so an unchanged value compares
    // equal: numbers NULL as "0", words NULL as empty.
    const auto text = [&result](int i) {
        const bool word = i == 9 || i == 10 || i == 11 || i == 12 || i == UStartTid;
        return word ? DbValue::text(result.value(i)) : DbValue::numberText(result.value(i));
    };
    if (cells.at(C::StartNr) != text(UStartNr)) {
        cells[C::StartNr] = text(UStartNr);
        outcome.startNrChanged = true;
    }
    static const int pairs[][2] = {{2, C::Dressur},        {3, C::EtapeD},          {4, C::Udholdenhed},
                                   {5, C::Spring},         {6, C::DressurSpring},   {7, C::DressurUdholdenhed},
                                   {8, C::Total},          {9, C::DiskDressur},     {10, C::DiskUdh},
                                   {11, C::DiskSpring},    {12, C::Diskvalifikation}, {13, C::SpringTid}};
    for (const auto &pair : pairs) {
        const QString value = text(pair[0]);
        if (cells.at(pair[1]) != value) {
            cells[pair[1]] = value;
            outcome.resultChanged = true;
        }
    }
    // Written whatever it was, yet no change; an equal text is left alone
    // so that an unchanged row stays shared with the snapshot it came from.
    const QString startTid = text(UStartTid);
    if (cells.at(C::StartTid) != startTid)
        cells[C::StartTid] = startTid;
    return outcome;
}

QString idealTimeText(const QString &label)
{
    const double hundredths = label.section(QLatin1Char(' '), 1).toDouble();
    return QString::number(hundredths / 100.0, 'f', 2);
}

} // namespace MilitaryLoad

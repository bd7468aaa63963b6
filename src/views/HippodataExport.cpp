#include "views/HippodataExport.h"

#include "database/HorseLookup.h"

#include <QStringEncoder>

namespace HippodataExport {

QString line(const QStringList &first, const Starter &starter, const Horse &horse, const QString &field13)
{
    QStringList fields = first.mid(0, 5);
    while (fields.size() < 5)
        fields << QString();
    fields << QStringList{
        starter.anmeldelseNr,
        starter.navn,
        HorseLookup::sexCode(horse.value(0)),
        HorseLookup::colourName(horse.value(1)),
        horse.value(2).simplified(),
        horse.value(3).simplified(),
        horse.value(4).simplified(),
        field13,
        horse.value(5).simplified(),
        horse.value(6).simplified(),
        starter.hesteId,
    };
    QStringList safe;
    safe.reserve(fields.size());
    for (const QString &field : fields)
        safe << QString(field).replace(QLatin1Char(';'), QLatin1Char(','));
    return safe.join(QLatin1Char(';'));
}

QString line(const QString &klasse, const Starter &starter, const Horse &horse)
{
    return line({klasse, starter.klubId, starter.fornavn, starter.efternavn, QString()}, starter, horse,
                QStringLiteral("YYY"));
}

QByteArray encode(const QStringList &lines)
{
    QString text;
    for (const QString &l : lines)
        text += l + QLatin1Char('\n');
    QStringEncoder encoder(QStringConverter::System);
    return encoder.encode(text);
}

} // namespace HippodataExport

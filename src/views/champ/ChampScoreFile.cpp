#include "views/champ/ChampScoreFile.h"

namespace ChampScoreFile {

namespace {

QByteArray encode(const QString &text, Encoding encoding)
{
    return encoding == Encoding::Utf8 ? text.toUtf8() : text.toLatin1();
}

QString line(const QStringList &fields)
{
    QStringList cleaned;
    cleaned.reserve(fields.size());
    for (QString field : fields)
        cleaned << field.replace(QLatin1Char(';'), QLatin1Char(','));
    return cleaned.join(QLatin1Char(';')) + QLatin1Char('\n');
}

bool isDataLine(const QString &first)
{
    if (first == QLatin1String("0"))
        return true;
    bool ok = false;
    if (first.toInt(&ok, 10) != 0 && ok)
        return true;
    return !first.isEmpty() && first.at(0).isDigit() && first.at(0).unicode() < 128;
}

} // namespace

QByteArray write(const QStringList &header, const QVector<QStringList> &rows, Encoding encoding)
{
    QString text = line(header);
    for (const QStringList &row : rows)
        text += line(row);
    text += QLatin1Char('\n');
    return encode(text, encoding);
}

QVector<QStringList> dataLines(const QByteArray &bytes, Encoding encoding)
{
    const QString text = encoding == Encoding::Utf8 ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
    QVector<QStringList> lines;
    for (QString l : text.split(QLatin1Char('\n'))) {
        if (l.endsWith(QLatin1Char('\r')))
            l.chop(1);
        const QStringList fields = l.split(QLatin1Char(';'));
        if (isDataLine(fields.first()))
            lines << fields;
    }
    return lines;
}

} // namespace ChampScoreFile

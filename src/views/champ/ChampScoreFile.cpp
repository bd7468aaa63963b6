#include "views/champ/ChampScoreFile.h"

#include <algorithm>

namespace ChampScoreFile {

namespace {

QByteArray encode(const QString &text, Encoding encoding)
{
    return encoding == Encoding::Utf8 ? text.toUtf8() : text.toLatin1();
}

QString field(QString text)
{
    text.replace(QLatin1Char(';'), QLatin1Char(','));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return text;
}

QString line(const QStringList &fields)
{
    QStringList cleaned;
    cleaned.reserve(fields.size());
    for (const QString &f : fields)
        cleaned << field(f);
    return cleaned.join(QLatin1Char(';')) + QLatin1Char('\n');
}

QString decode(const QByteArray &bytes, Encoding encoding)
{
    return encoding == Encoding::Utf8 ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
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

QString asSaved(const QString &text, Encoding encoding)
{
    return decode(encode(field(text), encoding), encoding);
}

QByteArray write(const QStringList &header, const QVector<QStringList> &rows, Encoding encoding)
{
    QString text = line(header);
    for (const QStringList &row : rows)
        text += line(row);
    text += QLatin1Char('\n');
    return encode(text, encoding);
}

Contents read(const QByteArray &bytes, Encoding encoding, int columns)
{
    const QString text = decode(bytes, encoding);
    Contents contents;
    int number = 0;
    for (QString l : text.split(QLatin1Char('\n'))) {
        ++number;
        if (l.endsWith(QLatin1Char('\r')))
            l.chop(1);
        const QStringList fields = l.split(QLatin1Char(';'));
        if (isDataLine(fields.first())) {
            // A start number without the competition number that ties it to
            // a starter, as a line with another separator gives.
            if (fields.value(1).isEmpty())
                contents.unreadableLines << number;
            else {
                contents.dataLines << fields;
                contents.lineNumbers << number;
            }
        } else if (std::any_of(l.cbegin(), l.cend(), [](QChar c) { return c.isLetterOrNumber(); })
                   && !(fields.first() == QLatin1String("Start Nr") && fields.size() == columns)) {
            contents.unreadableLines << number;
        }
    }
    return contents;
}

} // namespace ChampScoreFile

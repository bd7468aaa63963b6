#include "views/KlasseJsonDocument.h"

#include "files/ProgramVersion.h"
#include "views/JsonText.h"

QByteArray KlasseJsonDocument::toJson() const
{
    // Every view writes its document on every tick: build it in one buffer
    // sized up front, with the row keys made once per document.
    const int columns = columnTitles.size();
    QStringList rowKeys;
    rowKeys.reserve(columns);
    qsizetype size = 64;
    for (const auto &field : header)
        size += field.first.size() + field.second.size() + 6;
    for (int i = 0; i < columns; ++i) {
        rowKeys << QStringLiteral("\"col%1\": ").arg(i);
        size += columnTitles.at(i).size() + 24;
    }
    for (const QStringList &cells : rows) {
        size += 3;
        for (int i = 0; i < columns; ++i)
            size += rowKeys.at(i).size() + 3 + (i < cells.size() ? cells.at(i).size() : 0);
    }
    QString out;
    out.reserve(size + size / 16);
    out += QLatin1String("{\n");

    for (const auto &field : header) {
        JsonText::appendQuoted(out, field.first);
        out += QLatin1Char(':');
        JsonText::appendQuoted(out, field.second);
        out += QLatin1Char(',');
    }
    out += QLatin1String("\"headers\": [\n");

    for (int i = 0; i < columns; ++i) {
        if (i > 0)
            out += QLatin1Char(',');
        out += QLatin1String("{\"col\": ");
        out += QString::number(i);
        out += QLatin1String(",\"text\": ");
        JsonText::appendQuoted(out, columnTitles.at(i));
        out += QLatin1Char('}');
    }
    out += QLatin1String("],\n");

    out += QLatin1String("\"equipages\": [\n");
    for (int r = 0; r < rows.size(); ++r) {
        if (r > 0)
            out += QLatin1Char(',');
        out += QLatin1Char('{');
        const QStringList &cells = rows.at(r);
        for (int i = 0; i < columns; ++i) {
            if (i > 0)
                out += QLatin1Char(',');
            out += rowKeys.at(i);
            JsonText::appendQuoted(out, i < cells.size() ? QStringView(cells.at(i)) : QStringView());
        }
        out += QLatin1Char('}');
    }
    out += QLatin1String("]\n}\n");

    return out.toUtf8();
}

QByteArray pauseJson(int bane, const QString &zepNr)
{
    KlasseJsonDocument doc;
    doc.header = {
        {QStringLiteral("jsonVersion"), QLatin1String(KlasseJsonDocument::FormatVersion)},
        {QStringLiteral("version"), QLatin1String(ProgramVersion)},
        {QStringLiteral("ZEPstaevneId"), zepNr},
        {QStringLiteral("klasseNr"), QStringLiteral("0")},
        {QStringLiteral("bane"), QString::number(bane)},
        {QStringLiteral("class"), QStringLiteral("Pause Bane %1").arg(bane)},
    };
    return doc.toJson();
}

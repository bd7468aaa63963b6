#include "views/KlasseJsonDocument.h"

#include "views/JsonText.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

QByteArray KlasseJsonDocument::toJson() const
{
    QString out;
    out += QLatin1String("{\n");

    for (const auto &field : header)
        out += JsonText::quoted(field.first) + QLatin1Char(':') + JsonText::quoted(field.second)
               + QLatin1Char(',');
    out += QLatin1String("\"headers\": [\n");

    for (int i = 0; i < columnTitles.size(); ++i) {
        if (i > 0)
            out += QLatin1Char(',');
        out += QStringLiteral("{\"col\": %1,\"text\": ").arg(i) + JsonText::quoted(columnTitles.at(i))
               + QLatin1Char('}');
    }
    out += QLatin1String("],\n");

    out += QLatin1String("\"equipages\": [\n");
    for (int r = 0; r < rows.size(); ++r) {
        if (r > 0)
            out += QLatin1Char(',');
        out += QLatin1Char('{');
        const QStringList &cells = rows.at(r);
        for (int i = 0; i < columnTitles.size(); ++i) {
            if (i > 0)
                out += QLatin1Char(',');
            out += QStringLiteral("\"col%1\": ").arg(i) + JsonText::quoted(cells.value(i));
        }
        out += QLatin1Char('}');
    }
    out += QLatin1String("]\n}\n");

    return out.toUtf8();
}

bool writeWholeFile(const QString &path, const QByteArray &bytes, QString *error)
{
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath())) {
        if (error)
            *error = QStringLiteral("cannot create the directory %1").arg(info.absolutePath());
        return false;
    }
    QSaveFile file(path);
    // Unbuffered, so that a write the disk takes only in part is seen here:
    // buffered, the short write surfaces in commit() only as a flush, and
    // the partial file would replace the whole old one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || file.write(bytes) != bytes.size()
        || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

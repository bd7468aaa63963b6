#include "files/WholeFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <memory>
#include <vector>

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

bool writeWholeFiles(const QVector<QPair<QString, QByteArray>> &files, QString *error)
{
    std::vector<std::unique_ptr<QSaveFile>> written;
    for (const auto &entry : files) {
        const QFileInfo info(entry.first);
        if (!QDir().mkpath(info.absolutePath())) {
            if (error)
                *error = QStringLiteral("%1: cannot create the directory %2").arg(entry.first, info.absolutePath());
            return false;
        }
        auto file = std::make_unique<QSaveFile>(entry.first);
        // Unbuffered for the same reason as in writeWholeFile.
        if (!file->open(QIODevice::WriteOnly | QIODevice::Unbuffered)
            || file->write(entry.second) != entry.second.size()) {
            if (error)
                *error = QStringLiteral("%1: %2").arg(entry.first, file->errorString());
            // The files not committed are discarded with their QSaveFile.
            return false;
        }
        written.push_back(std::move(file));
    }
    for (auto &file : written) {
        if (!file->commit()) {
            if (error)
                *error = QStringLiteral("%1: %2").arg(file->fileName(), file->errorString());
            return false;
        }
    }
    return true;
}

QString interruptedWriteTarget(const QString &fileName)
{
    // QSaveFile's temporary takes the file's name and a dot and six random
    // ASCII letters.
    static const QRegularExpression temporary(QStringLiteral("^(.+)\\.[A-Za-z]{6}$"));
    const QRegularExpressionMatch match = temporary.match(fileName);
    return match.hasMatch() ? match.captured(1) : QString();
}

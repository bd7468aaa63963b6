#include "files/WholeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <memory>
#include <vector>

namespace {

std::function<bool(const QString &path)> &commitRefusal()
{
    static std::function<bool(const QString &path)> refuse;
    return refuse;
}

// What a file held before a publication, to put back should the
// publication fail after the file was replaced.
struct Previous
{
    bool existed = false;
    bool read = false;
    QByteArray bytes;
};

Previous readPrevious(const QString &path)
{
    Previous previous;
    QFile file(path);
    previous.existed = file.exists();
    if (previous.existed && file.open(QIODevice::ReadOnly)) {
        previous.bytes = file.readAll();
        previous.read = file.error() == QFileDevice::NoError;
    }
    return previous;
}

// Puts back what `path` held before; false with `error` set when it cannot.
bool putBack(const QString &path, const Previous &previous, QString *error)
{
    if (!previous.existed) {
        if (QFile::remove(path))
            return true;
        *error = QStringLiteral("cannot remove it");
        return false;
    }
    if (!previous.read) {
        *error = QStringLiteral("its previous content could not be read");
        return false;
    }
    return writeWholeFile(path, previous.bytes, error);
}

} // namespace

void setCommitRefusal(const std::function<bool(const QString &path)> &refuse)
{
    commitRefusal() = refuse;
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
    // Every file is written; the renames that publish them can still fail
    // one by one, so what the files hold now is kept until all are through.
    // The last one is never put back: nothing is renamed after it.
    std::vector<Previous> previous;
    previous.reserve(written.size());
    for (std::size_t i = 0; i + 1 < written.size(); ++i)
        previous.push_back(readPrevious(written[i]->fileName()));
    for (std::size_t i = 0; i < written.size(); ++i) {
        QSaveFile &file = *written[i];
        if (commitRefusal() && commitRefusal()(file.fileName()))
            file.cancelWriting();
        if (file.commit())
            continue;
        QString text = QStringLiteral("%1: %2").arg(file.fileName(), file.errorString());
        for (std::size_t j = 0; j < i; ++j) {
            const QString path = written[j]->fileName();
            QString why;
            if (!putBack(path, previous[j], &why))
                text += QStringLiteral("; %1 now holds the new state, not the previous one: %2").arg(path, why);
        }
        if (error)
            *error = text;
        // The files not committed are discarded with their QSaveFile.
        return false;
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

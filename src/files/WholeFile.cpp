#include "files/WholeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <unistd.h>
#endif

namespace {

// The tag that marks a temporary of these writers: "<name>.zeplive-tmp-"
// and six random letters or digits. No operator names a copy so, which is
// what lets the clean-up remove every name of this form and nothing else.
const QLatin1String TemporaryTag(".zeplive-tmp-");
const int TemporaryRandomLength = 6;

std::function<bool(const QString &path)> &commitRefusal()
{
    static std::function<bool(const QString &path)> refuse;
    return refuse;
}

QString randomSuffix()
{
    static const char characters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QString suffix;
    for (int i = 0; i < TemporaryRandomLength; ++i)
        suffix += QLatin1Char(characters[QRandomGenerator::global()->bounded(int(sizeof characters) - 1)]);
    return suffix;
}

std::filesystem::path fileSystemPath(const QString &path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

// The file that a write to `path` replaces. As with QSaveFile, on Unix a
// symbolic link is followed, so that the link stays and its target gets the
// new content; the temporary goes beside the target, on its file system.
QString replacedFile(const QString &path)
{
#ifdef Q_OS_UNIX
    QFileInfo file(path);
    for (int depth = 0; depth < 128 && file.isSymLink(); ++depth)
        file.setFile(file.symLinkTarget());
    if (!file.isSymLink())
        return file.filePath();
#endif
    return path;
}

// One file's write: the bytes go to a temporary beside the file, which a
// rename puts in the file's place only once it is whole, so that a reader
// sees the old file or the new one and never a part. A temporary that is not
// committed is removed with its object; only a kill or a power cut can leave
// one behind.
class TemporaryFile
{
public:
    explicit TemporaryFile(const QString &path)
        : m_path(path)
    {
    }
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;
    ~TemporaryFile() { discard(); }

    // The path the file was asked for, not a link's target.
    const QString &path() const { return m_path; }
    const QString &errorString() const { return m_error; }

    bool open()
    {
        const QFileInfo existing(m_path);
        if (existing.isDir())
            return fail(QStringLiteral("Filename refers to a directory"));
        if (existing.exists() && !existing.isWritable())
            return fail(QStringLiteral("Existing file %1 is not writable").arg(m_path));
        m_target = replacedFile(m_path);
        // Like QSaveFile: a file that replaces another gets the other's
        // permissions, and until then none for anybody else; a new file
        // gets those of any new file (the umask applies).
        const QFileDevice::Permissions own = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
        const QFileDevice::Permissions anyNew =
            own | QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::WriteOther;
        for (int attempt = 0; attempt < 100; ++attempt) {
            m_file.setFileName(m_target + TemporaryTag + randomSuffix());
            // Unbuffered, so that a write the disk takes only in part is
            // seen by write() and the partial file never replaces the old.
            // NewOnly: never a file or link that is already there.
            if (m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered,
                            existing.exists() ? own : anyNew)) {
                m_created = true;
                if (existing.exists())
                    m_file.setPermissions(existing.permissions()); // as QSaveFile, not every file system can
                return true;
            }
            const QFileInfo taken(m_file.fileName());
            if (!taken.exists() && !taken.isSymLink())
                return fail(m_file.errorString());
        }
        return fail(QStringLiteral("no free name for a temporary beside %1").arg(m_target));
    }

    bool write(const QByteArray &bytes)
    {
        if (m_file.write(bytes) != bytes.size())
            return fail(m_file.errorString());
        return true;
    }

    // Puts the written file in place; `refuse` fails the rename as the
    // system could (setCommitRefusal).
    bool commit(bool refuse = false)
    {
#ifdef Q_OS_UNIX
        // On disk before the rename, so that a power cut leaves the old file
        // or the whole new one. A file system that cannot sync says EINVAL;
        // any other failure may be a write that did not reach the disk.
        if (::fsync(m_file.handle()) != 0 && errno != EINVAL)
            return fail(qt_error_string(errno));
#endif
        m_file.close();
        if (m_file.error() != QFileDevice::NoError)
            return fail(m_file.errorString());
        if (refuse)
            return fail(QStringLiteral("the rename was refused"));
        // Replaces the file in one step, on POSIX and on Windows alike.
        std::error_code error;
        std::filesystem::rename(fileSystemPath(m_file.fileName()), fileSystemPath(m_target), error);
        if (error)
            return fail(QString::fromLocal8Bit(error.message()));
        m_created = false; // it is the file now
        return true;
    }

private:
    bool fail(const QString &error)
    {
        m_error = error;
        discard();
        return false;
    }

    // Removes the temporary that open() made, and only that: a name that
    // was taken belongs to another write.
    void discard()
    {
        if (!m_created)
            return;
        m_created = false;
        if (m_file.isOpen())
            m_file.close();
        QFile::remove(m_file.fileName());
    }

    QString m_path;
    QString m_target;
    QFile m_file;
    QString m_error;
    bool m_created = false; // a temporary of this write is on disk
};

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

// Removes the temporaries in `directory`, those of the file named `*target`
// only when it is given.
void removeTemporaries(const QString &directory, const QString *target,
                       const std::function<void(int, const QString &)> &log)
{
    const QDir dir(directory);
    const QFileInfoList entries =
        dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &entry : entries) {
        if (entry.isSymLink() || !entry.isFile())
            continue;
        const QString meantFor = interruptedWriteTarget(entry.fileName());
        if (meantFor.isEmpty() || (target && meantFor != *target))
            continue;
        // Should a link have taken the name since, remove() takes the link
        // away and leaves its target.
        const QString path = dir.filePath(entry.fileName());
        const bool removed = QFile::remove(path);
        if (log)
            log(1, removed ? QStringLiteral("%1 fjernet: en afbrudt skrivning af %2 efterlod den").arg(path, meantFor)
                           : QStringLiteral("Kunne ikke fjerne %1, som en afbrudt skrivning efterlod").arg(path));
    }
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
    TemporaryFile file(path);
    if (!file.open() || !file.write(bytes) || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

bool writeWholeFiles(const QVector<QPair<QString, QByteArray>> &files, QString *error)
{
    std::vector<std::unique_ptr<TemporaryFile>> written;
    for (const auto &entry : files) {
        const QFileInfo info(entry.first);
        if (!QDir().mkpath(info.absolutePath())) {
            if (error)
                *error = QStringLiteral("%1: cannot create the directory %2").arg(entry.first, info.absolutePath());
            return false;
        }
        auto file = std::make_unique<TemporaryFile>(entry.first);
        if (!file->open() || !file->write(entry.second)) {
            if (error)
                *error = QStringLiteral("%1: %2").arg(entry.first, file->errorString());
            // The temporaries not committed go with their objects.
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
        previous.push_back(readPrevious(written[i]->path()));
    for (std::size_t i = 0; i < written.size(); ++i) {
        TemporaryFile &file = *written[i];
        if (file.commit(commitRefusal() && commitRefusal()(file.path())))
            continue;
        QString text = QStringLiteral("%1: %2").arg(file.path(), file.errorString());
        for (std::size_t j = 0; j < i; ++j) {
            const QString path = written[j]->path();
            QString why;
            if (!putBack(path, previous[j], &why))
                text += QStringLiteral("; %1 now holds the new state, not the previous one: %2").arg(path, why);
        }
        if (error)
            *error = text;
        // The temporaries not committed go with their objects.
        return false;
    }
    return true;
}

QString interruptedWriteTarget(const QString &fileName)
{
    // Anchored at both ends of the whole name: "$" would also match before a
    // final line feed. Any name the writers were given may come before the
    // tag, line feeds included.
    static const QRegularExpression temporary(
        QRegularExpression::anchoredPattern(QLatin1String("(.+)") + QRegularExpression::escape(TemporaryTag)
                                            + QStringLiteral("[A-Za-z0-9]{%1}").arg(TemporaryRandomLength)),
        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = temporary.match(fileName);
    return match.hasMatch() ? match.captured(1) : QString();
}

void removeInterruptedWrites(const QString &directory, const std::function<void(int, const QString &)> &log)
{
    removeTemporaries(directory, nullptr, log);
}

void removeInterruptedWritesOf(const QString &path, const std::function<void(int, const QString &)> &log)
{
    const QFileInfo file(replacedFile(path));
    const QString name = file.fileName();
    removeTemporaries(file.absolutePath(), &name, log);
}

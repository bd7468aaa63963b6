// The file writer every page, document and setting goes through: a
// publication of several files that fails part-way, whether a write comes
// up short (a full disk, here a file size limit) or a rename is refused
// after others went through, leaves every file as it was, whole, and no
// temporary file behind; the failure names the file. The temporaries carry
// the tag by which the start-up clean-up knows them, and only they do.
#include "files/WholeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

#include "ChildProcesses.h"
#include "FileSizeLimit.h"

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

} // namespace

class TestWholeFile : public QObject
{
    Q_OBJECT

private slots:
    // A signal ends this program at once (tests/ChildProcesses.h).
    void initTestCase() { childprocs::stopChildrenOnSignals(); }

    void cleanup() { setCommitRefusal({}); }

    void failedPublicationKeepsTheOldFiles_data()
    {
        QTest::addColumn<QString>("how");  // "short write" or "refused rename"
        QTest::addColumn<int>("count");    // files in the publication
        QTest::addColumn<int>("failing");  // the one that fails
        QTest::addColumn<bool>("oldThere"); // the files existed before
        QTest::newRow("short write of the second") << "short write" << 2 << 1 << true;
        QTest::newRow("short write of the second, all new") << "short write" << 2 << 1 << false;
        QTest::newRow("short write of the first of three") << "short write" << 3 << 0 << true;
        QTest::newRow("short write of the last of three") << "short write" << 3 << 2 << true;
        QTest::newRow("refused rename of the second") << "refused rename" << 2 << 1 << true;
        QTest::newRow("refused rename of the second, all new") << "refused rename" << 2 << 1 << false;
        QTest::newRow("refused rename of the first") << "refused rename" << 3 << 0 << true;
        QTest::newRow("refused rename of the last of three") << "refused rename" << 3 << 2 << true;
    }

    void failedPublicationKeepsTheOldFiles()
    {
        QFETCH(QString, how);
        QFETCH(int, count);
        QFETCH(int, failing);
        QFETCH(bool, oldThere);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QStringList names = QStringList{"klasse1_A.html", "rank1_A.html", "klasse1_A.json"}.mid(0, count);
        QVector<QPair<QString, QByteArray>> files;
        QList<QByteArray> before;
        for (int i = 0; i < count; ++i) {
            const QString path = dir.filePath(names.at(i));
            before << (oldThere ? QByteArray("old ") + names.at(i).toUtf8() : QByteArray("<none>"));
            if (oldThere)
                QVERIFY(writeWholeFile(path, before.last(), nullptr));
            // The failing file is the only one larger than the limit below.
            files.append({path, QByteArray(i == failing ? 4096 : 64, char('a' + i))});
        }

        const QString failingPath = files.at(failing).first;
        QString error;
        bool written = true;
        if (how == QLatin1String("short write")) {
            const FileSizeLimit limit(1024);
            QVERIFY(limit.isSet());
            written = writeWholeFiles(files, &error);
        } else {
            setCommitRefusal([&failingPath](const QString &path) { return path == failingPath; });
            written = writeWholeFiles(files, &error);
        }
        QVERIFY(!written);
        QVERIFY2(error.startsWith(failingPath + QLatin1String(": ")), qPrintable(error));
        QVERIFY2(!error.contains(QLatin1String("; ")), qPrintable(error)); // every file was put back
        for (int i = 0; i < count; ++i)
            QCOMPARE(readFile(files.at(i).first), before.at(i));
        // No temporary file is left behind.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), oldThere ? count : 0);

        // Once the disk takes the files again, the publication goes through.
        setCommitRefusal({});
        QVERIFY(writeWholeFiles(files, &error));
        for (const auto &file : std::as_const(files))
            QCOMPARE(readFile(file.first), file.second);
    }

    // While a publication is under way each file's temporary lies beside
    // it, "<name>.zeplive-tmp-" and six letters or digits, and is known by
    // that name; once through, or refused, none is left.
    void temporariesCarryTheTag()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QStringList names{"klasse1_A.html", "klasse1_A.json"};
        QVector<QPair<QString, QByteArray>> files;
        for (const QString &name : names)
            files.append({dir.filePath(name), name.toUtf8()});
        QStringList seen;
        // Asked before the first rename, when every temporary is written.
        setCommitRefusal([&](const QString &) {
            if (seen.isEmpty())
                seen = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
            return false;
        });
        QString error;
        QVERIFY2(writeWholeFiles(files, &error), qPrintable(error));
        QCOMPARE(seen.size(), 2);
        QStringList targets;
        for (const QString &name : std::as_const(seen)) {
            const QString target = interruptedWriteTarget(name);
            targets << target;
            QVERIFY2(QRegularExpression(QStringLiteral("^%1\\.zeplive-tmp-[A-Za-z0-9]{6}$")
                                            .arg(QRegularExpression::escape(target)))
                         .match(name)
                         .hasMatch(),
                     qPrintable(name));
        }
        targets.sort();
        QCOMPARE(targets, names);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), names);
        QVERIFY(writeWholeFile(dir.filePath(QStringLiteral("index.html")), "index", &error));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);
    }

    // The clean-up knows a temporary by its whole name: the writer's own
    // temporary goes, whatever name it was for (a line feed in it too), and
    // one with anything after its six letters stays, a final line feed too.
    void temporariesAreKnownByTheWholeName_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("after"); // appended to the temporary's name
        QTest::addColumn<bool>("removed");
        QTest::newRow("a page's") << "klasse1_A.html" << "" << true;
        QTest::newRow("a line feed after it") << "klasse1_A.html" << "\n" << false;
        QTest::newRow("a letter after it") << "klasse1_A.html" << "x" << false;
        QTest::newRow("a line feed in the name") << "noter\n.txt" << "" << true;
        QTest::newRow("a line feed ending the name") << "index.html\n" << "" << true;
    }
    void temporariesAreKnownByTheWholeName()
    {
        QFETCH(QString, target);
        QFETCH(QString, after);
        QFETCH(bool, removed);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        // The writer's own temporary, as a kill before the rename leaves it.
        QString temporary;
        setCommitRefusal([&](const QString &) {
            temporary = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).value(0);
            QFile::copy(dir.filePath(temporary), dir.filePath(QStringLiteral("left")));
            return true;
        });
        QVERIFY(!writeWholeFiles({{dir.filePath(target), "halvt skrevet"}}, nullptr));
        const QString name = temporary + after;
        QVERIFY(QFile::rename(dir.filePath(QStringLiteral("left")), dir.filePath(name)));

        QCOMPARE(interruptedWriteTarget(name), removed ? target : QString());
        QStringList log;
        removeInterruptedWrites(dir.path(), [&log](int, const QString &text) { log << text; });
        QCOMPARE(QFile::exists(dir.filePath(name)), !removed);
        QCOMPARE(log, removed ? QStringList{QStringLiteral("%1 fjernet: en afbrudt skrivning af %2 efterlod den")
                                                .arg(dir.filePath(name), target)}
                              : QStringList());
    }

    // As QSaveFile did: the file replaced keeps its permissions, a new file
    // gets those of any new file, and a link stays a link to the file that
    // gets the new content.
    void permissionsAndLinksAreKept()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString kept = dir.filePath(QStringLiteral("S261207_klasse_7_A.csv"));
        QVERIFY(writeWholeFile(kept, "old", nullptr));
        QVERIFY(::chmod(QFile::encodeName(kept).constData(), 0640) == 0);
        QVERIFY(writeWholeFile(kept, "new", nullptr));
        QCOMPARE(readFile(kept), QByteArray("new"));
        struct stat status;
        QVERIFY(::stat(QFile::encodeName(kept).constData(), &status) == 0);
        QCOMPARE(status.st_mode & 07777, mode_t(0640));

        const mode_t mask = ::umask(0027);
        const QString fresh = dir.filePath(QStringLiteral("index.html"));
        const bool written = writeWholeFile(fresh, "new", nullptr);
        ::umask(mask);
        QVERIFY(written);
        QVERIFY(::stat(QFile::encodeName(fresh).constData(), &status) == 0);
        QCOMPARE(status.st_mode & 07777, mode_t(0640));

        const QString link = dir.filePath(QStringLiteral("klasse1_A.html"));
        QVERIFY(QFile::link(kept, link));
        QVERIFY(writeWholeFile(link, "through the link", nullptr));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(readFile(kept), QByteArray("through the link"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 3);
    }

    void fileThatCannotBePutBackIsNamed()
    {
        // The second rename is refused, and by then the first file cannot be
        // replaced again (a folder took its place): the failure says so.
        QTemporaryDir dir;
        const QString first = dir.filePath(QStringLiteral("klasse1_A.html"));
        const QString second = dir.filePath(QStringLiteral("rank1_A.html"));
        QVERIFY(writeWholeFile(first, "old", nullptr) && writeWholeFile(second, "old", nullptr));
        setCommitRefusal([&](const QString &path) {
            if (path != second)
                return false;
            QFile::remove(first);
            QDir().mkpath(first + QLatin1String("/in/the/way"));
            return true;
        });
        QString error;
        QVERIFY(!writeWholeFiles({{first, "new"}, {second, "new"}}, &error));
        QVERIFY2(error.startsWith(second + QLatin1String(": ")), qPrintable(error));
        QVERIFY2(error.contains(QLatin1String("; ") + first + QLatin1String(" now holds the new state")),
                 qPrintable(error));
        QCOMPARE(readFile(second), QByteArray("old"));
    }
};

QTEST_MAIN(TestWholeFile)
#include "tst_wholefile.moc"

// The file writer every page, document and setting goes through: a
// publication of several files that fails part-way, whether a write comes
// up short (a full disk, here a file size limit) or a rename is refused
// after others went through, leaves every file as it was, whole, and no
// temporary file behind; the failure names the file.
#include "files/WholeFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

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

// The settings store and its XML file: key handling, the exact file format,
// round trips through the file (Latin-1, blanks, "&", line breaks, characters
// outside Latin-1 or that XML cannot hold), timer values, and what a failed
// read or write leaves behind.
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "settings/appConfig.h"
#include "ChildProcesses.h"
#include "StationFixture.h"

using namespace stationfx;

class tst_Settings : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

    static QByteArray fileWith(const QByteArray &propertyLines)
    {
        return "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\n<!DOCTYPE cfg >\n<configuration>\n <properties>\n"
            + propertyLines + " </properties>\n</configuration>\n";
    }

private slots:
    // A signal ends this program at once (tests/ChildProcesses.h).
    void initTestCase() { childprocs::stopChildrenOnSignals(); }

    void readsAndWrites()
    {
        appConfig cfg(nullptr, path("order.xml"));
        QVERIFY(cfg.writeConfig());
        QCOMPARE(readFile(path("order.xml")), fileWith(QByteArray()));

        // A read never adds the key, and each reader gets its own default.
        QCOMPARE(cfg.getValue("bane.update", "30000"), QStringLiteral("30000"));
        QCOMPARE(cfg.getValue("bane.update", "20000"), QStringLiteral("20000"));
        QVERIFY(cfg.properties().isEmpty());
        QCOMPARE(cfg.setValue("bane.update", ""), false);
        QCOMPARE(cfg.getValue("bane.update", "30000"), QString());
        QCOMPARE(cfg.setValue("bane.update", "5"), true);

        cfg.setValue("staevne.navn", "Forårsstævne");
        cfg.setValue("database.driver.localname", "%1");
        cfg.setValue("plain", "1");
        QVERIFY(cfg.writeConfig());
        QCOMPARE(readFile(path("order.xml")),
                 fileWith("  <property group=\"bane\" name=\"update\" type=\"string\" >5</property>\n"
                          "  <property group=\"database.driver\" name=\"localname\" type=\"string\" >%1</property>\n"
                          "  <property group=\"\" name=\"plain\" type=\"string\" >1</property>\n"
                          "  <property group=\"staevne\" name=\"navn\" type=\"string\" >For\xe5rsst\xe6vne</property>\n"));

        // Saving elsewhere leaves the own file.
        const QByteArray own = readFile(path("order.xml"));
        cfg.setValue("x.y", "1");
        QVERIFY(cfg.writeConfig(path("elsewhere.xml")));
        QCOMPARE(readFile(path("order.xml")), own);
        QVERIFY(readFile(path("elsewhere.xml")).contains("name=\"y\""));
    }

    void readerRules()
    {
        const QString file = path("typed.xml");
        writeFile(file, "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\n<root>\n"
                        "<PROPERTY group=\"bane\" name=\"font\" type=\"int\">15</PROPERTY><other/>\n"
                        "  <property group=\"\" name=\"loose\" type=\"string\" >1</property>\n"
                        "  <property group=\"bane\" name=\"font\" type=\"int\" >18</property>\n</root>\n");
        appConfig cfg(nullptr, file);
        QVERIFY(cfg.readConfig());
        QCOMPARE(cfg.getValue("bane.font", "0"), QStringLiteral("18")); // the later one wins
        cfg.setValue("bane.font", "20");
        QCOMPARE(cfg.properties().value("bane.font").type, QStringLiteral("int"));
        // An empty group comes back under "." and the name.
        QCOMPARE(cfg.getValue(".loose", "none"), QStringLiteral("1"));
        QCOMPARE(cfg.getValue("loose", "none"), QStringLiteral("none"));
    }

    // A timer setting that is no positive number must not make a timer spin
    // or stop: it falls back to the default and says so.
    void timerIntervals_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("expected");
        QTest::newRow("missing") << QString() << 20000;
        QTest::newRow("positive") << QStringLiteral(" 1500 ") << 1500;
        QTest::newRow("zero") << QStringLiteral("0") << -1;
        QTest::newRow("negative") << QStringLiteral("-5") << -1;
        QTest::newRow("too large") << QStringLiteral("99999999999") << -1;
        QTest::newRow("text") << QStringLiteral("1s") << -1;
    }
    void timerIntervals()
    {
        QFETCH(QString, stored);
        QFETCH(int, expected);
        appConfig cfg(nullptr, path(QStringLiteral("none.xml")));
        if (!stored.isNull())
            cfg.setValue(QStringLiteral("database.update"), stored);
        QString warning;
        QCOMPARE(cfg.intervalValue(QStringLiteral("database.update"), 20000, &warning), expected < 0 ? 20000 : expected);
        QCOMPARE(!warning.isEmpty(), expected < 0);
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("readBack");
        QTest::newRow("markup") << "<b>\"A&B\"</b> 'x'" << "<b>\"A&B\"</b> 'x'";
        QTest::newRow("entity text stays text") << "&amp; &lt;" << "&amp; &lt;";
        QTest::newRow("latin-1") << QString::fromUtf8("Ærø Ødis Åby ü ß") << QString::fromUtf8("Ærø Ødis Åby ü ß");
        QTest::newRow("blanks only") << "   " << "   ";
        QTest::newRow("outside latin-1") << QString::fromUtf8("€ Łódź 😀") << QString::fromUtf8("€ Łódź 😀");
        QTest::newRow("inner line feed and tab") << "a\nb\tc" << "a\nb\tc";
        QTest::newRow("carriage return") << "a\r\nb" << "a\r\nb";
        QTest::newRow("leading carriage return") << "\rvalue" << "\rvalue";
        QTest::newRow("control characters dropped") << QString("a") + QChar(1) + "b" + QChar(0x1b) << "ab";
        QTest::newRow("leading line feed reads back empty") << "\nvalue" << "";
    }
    void roundTrip()
    {
        QFETCH(QString, value);
        const QString file = path("roundtrip.xml");
        appConfig out(nullptr, file);
        out.setValue("html.title", value);
        QSignalSpy dropped(&out, &appConfig::logMessage);
        QVERIFY(out.writeConfig());
        // Characters the file cannot hold are dropped with one warning.
        QCOMPARE(dropped.count(), value.contains(QChar(1)) ? 1 : 0);
        // The file stays plain ISO-8859-1.
        for (const char c : readFile(file))
            QVERIFY(uchar(c) >= 0x20 || c == '\n' || c == '\t');

        appConfig in(nullptr, file);
        QSignalSpy log(&in, &appConfig::logMessage);
        QVERIFY(in.readConfig());
        QCOMPARE(log.count(), 0);
        QTEST(in.getValue("html.title", "default"), "readBack");
    }

    void rejectedFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        // The reader's words after the file name, its column the end of the
        // start tag; empty: not compared.
        QTest::addColumn<QString>("reason");
        const QString missing = QStringLiteral("Missing group, name or type\nfatal parsing error:  The document is not "
                                               "in the correct file format in line 5, column %1\n");
        QTest::newRow("missing type") << fileWith("  <property group=\"a\" name=\"b\" >v</property>\n")
                                      << missing.arg(32);
        QTest::newRow("missing group") << fileWith("  <property name=\"b\" type=\"t\" >v</property>\n")
                                       << missing.arg(31);
        QTest::newRow("upper-case attributes")
            << fileWith("  <PROPERTY GROUP=\"a\" NAME=\"b\" TYPE=\"t\" >v</PROPERTY>\n") << QString();
        QTest::newRow("not xml") << QByteArray("this is not <xml") << QString();
        QTest::newRow("raw control character")
            << fileWith("  <property group=\"a\" name=\"b\" type=\"t\" >\x01</property>\n") << QString();
        QTest::newRow("missing file") << QByteArray() << QString();
    }
    // An unreadable file leaves the store as it was, and is kept aside once
    // before the first save replaces it; a missing file needs no copy.
    void rejectedFiles()
    {
        QFETCH(QByteArray, content);
        const QString file = path("bad.xml");
        QFile::remove(file);
        QFile::remove(file + ".bak");
        if (!content.isEmpty())
            QVERIFY(writeFile(file, content));
        appConfig cfg(nullptr, file);
        cfg.setValue("kept.before", "1");
        QSignalSpy log(&cfg, &appConfig::logMessage);
        QVERIFY(!cfg.readConfig());
        QCOMPARE(log.count(), 1);
        QCOMPARE(log.at(0).at(0).toInt(), 1);
        const QString message = log.at(0).at(1).toString();
        QVERIFY2(message.startsWith("Parse Error Reading " + file + "\n"), qPrintable(message));
        QFETCH(QString, reason);
        if (!reason.isEmpty())
            QCOMPARE(message, "Parse Error Reading " + file + "\n" + reason + "\n");
        QCOMPARE(cfg.getValue("kept.before", ""), QStringLiteral("1"));
        QCOMPARE(cfg.getValue("a.b", "none"), QStringLiteral("none"));

        QVERIFY(cfg.writeConfig());
        QCOMPARE(readFile(file + ".bak"), content);
        QCOMPARE(QFile::exists(file + ".bak"), !content.isEmpty());
        // The copy is made once: a second save keeps it untouched.
        if (!content.isEmpty()) {
            QVERIFY(writeFile(file + ".bak", "older copy"));
            QVERIFY(cfg.writeConfig());
            QCOMPARE(readFile(file + ".bak"), QByteArray("older copy"));
        }
        appConfig again(nullptr, file);
        QVERIFY(again.readConfig());
        QCOMPARE(again.getValue("kept.before", "0"), QStringLiteral("1"));
    }

    // A settings file that cannot be replaced: the save says so and what
    // stands at the path is left as it was.
    void failedWriteIsReportedAndKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("blocker"); // made first: a file or a folder
        QTest::addColumn<QString>("target");
        QTest::newRow("folder on the way is a file") << "plain" << "plain/cfg.xml";
        QTest::newRow("target is a folder") << "folder/" << "folder";
    }
    void failedWriteIsReportedAndKeepsTheOldFile()
    {
        QFETCH(QString, blocker);
        QFETCH(QString, target);
        // Root may write anywhere, so the blockers are what stands in the way.
        const bool folder = blocker.endsWith('/');
        const QString kept = folder ? path(blocker + "old.xml") : path(blocker);
        QVERIFY(writeFile(kept, "old settings"));
        appConfig cfg(nullptr, path(target));
        cfg.setValue("bane.font", "18");
        QSignalSpy log(&cfg, &appConfig::logMessage);
        const QStringList before = QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden);
        QVERIFY(!cfg.writeConfig());
        QCOMPARE(log.count(), 1);
        QCOMPARE(log.at(0).at(0).toInt(), 1);
        QVERIFY(log.at(0).at(1).toString().startsWith("Kunne ikke skrive indstillingsfilen"));
        QCOMPARE(readFile(kept), QByteArray("old settings"));
        QCOMPARE(QFileInfo(path(target)).isDir(), folder);
        // No half-written copy is left beside it either.
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden), before);
    }
};

QTEST_GUILESS_MAIN(tst_Settings)
#include "tst_settings.moc"

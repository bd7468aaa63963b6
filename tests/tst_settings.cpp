// The settings store and its XML file: key handling, the exact file format,
// round trips through the file (Latin-1, blanks, "&", characters outside
// Latin-1, characters XML cannot hold) and what a failed read leaves behind.
#include <QBuffer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "settings/appConfig.h"
#include "settings/appConfigHandler.h"

class tst_Settings : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

    static void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    static QByteArray readFile(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return QByteArray();
        return file.readAll();
    }
    static QByteArray fileWith(const QByteArray &propertyLines)
    {
        return "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\n<!DOCTYPE cfg >\n<configuration>\n <properties>\n"
            + propertyLines + " </properties>\n</configuration>\n";
    }

private slots:
    void defaultsAndReads()
    {
        appConfig cfg(nullptr, QString());
        QCOMPARE(cfg.fileName(), QStringLiteral("appCfg.xml"));
        QCOMPARE(appConfig(nullptr, QLatin1String("")).fileName(), QStringLiteral("appCfg.xml"));

        // A read never adds the key, and each reader gets its own default.
        QCOMPARE(cfg.getValue("bane.update", "30000"), QStringLiteral("30000"));
        QCOMPARE(cfg.getValue("bane.update", "20000"), QStringLiteral("20000"));
        QVERIFY(!cfg.properties().contains("bane.update"));
        QVERIFY(!cfg.toXml().contains("bane"));

        cfg.setValue("bane.update", "");
        QCOMPARE(cfg.getValue("bane.update", "30000"), QString());
        QCOMPARE(cfg.getValue("bane.update", "20000"), QString());
    }

    void setValueAddsThenReplaces()
    {
        appConfig cfg(nullptr, path("unused.xml"));
        QSignalSpy log(&cfg, &appConfig::logMessage);
        QCOMPARE(cfg.setValue("bane.autoAdjust", "1"), false);
        QCOMPARE(log.count(), 1);
        QCOMPARE(log.at(0).at(0).toInt(), 2);
        QCOMPARE(log.at(0).at(1).toString(), QStringLiteral(" Add new property bane.autoAdjust -> bane # autoAdjust # 1"));
        const appConfigProperty p = cfg.properties().value("bane.autoAdjust");
        QCOMPARE(p.group, QStringLiteral("bane"));
        QCOMPARE(p.name, QStringLiteral("autoAdjust"));
        QCOMPARE(p.type, QStringLiteral("string"));

        QCOMPARE(cfg.setValue("bane.autoAdjust", "0"), true);
        QCOMPARE(log.count(), 1);
        QCOMPARE(cfg.getValue("bane.autoAdjust", "x"), QStringLiteral("0"));

        // A "%1" inside a value stays as it is in the log line.
        cfg.setValue("a.b", "%1 %2");
        QVERIFY(log.last().at(1).toString().endsWith("-> a # b # %1 %2"));
    }

    // A timer setting that is no positive number must not make a timer spin
    // or stop: it falls back to the default and says so.
    void timerIntervals_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("expected");
        QTest::addColumn<bool>("warned");
        QTest::newRow("missing") << QString() << 20000 << false;
        QTest::newRow("positive") << QStringLiteral(" 1500 ") << 1500 << false;
        QTest::newRow("zero") << QStringLiteral("0") << 20000 << true;
        QTest::newRow("negative") << QStringLiteral("-5") << 20000 << true;
        QTest::newRow("too large") << QStringLiteral("99999999999") << 20000 << true;
        QTest::newRow("text") << QStringLiteral("1s") << 20000 << true;
    }
    void timerIntervals()
    {
        QFETCH(QString, stored);
        QFETCH(int, expected);
        QFETCH(bool, warned);
        appConfig cfg(nullptr, path(QStringLiteral("none.xml")));
        if (!stored.isNull())
            cfg.setValue(QStringLiteral("database.update"), stored);
        QString warning;
        QCOMPARE(cfg.intervalValue(QStringLiteral("database.update"), 20000, &warning), expected);
        QCOMPARE(!warning.isEmpty(), warned);
    }

    void keySplitting_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("name");
        QTest::newRow("two levels") << "database.driver.localname" << "database.driver" << "localname";
        QTest::newRow("one level") << "http.root" << "http" << "root";
        QTest::newRow("no dot") << "plain" << "" << "plain";
        QTest::newRow("trailing dot") << "app." << "app" << "";
    }
    void keySplitting()
    {
        QFETCH(QString, key);
        QFETCH(QString, group);
        QFETCH(QString, name);
        QCOMPARE(appConfig::groupOfKey(key), group);
        QCOMPARE(appConfig::nameOfKey(key), name);
    }

    void emptyStoreWritesTheSevenLines()
    {
        appConfig cfg(nullptr, path("empty.xml"));
        QVERIFY(cfg.writeConfig());
        QCOMPARE(readFile(path("empty.xml")), fileWith(QByteArray()));
    }

    void writtenFormatAndOrder()
    {
        appConfig cfg(nullptr, path("order.xml"));
        cfg.setValue("staevne.navn", "Forårsstævne");
        cfg.setValue("staevne.ZEPStaevneId", "S000000");
        cfg.setValue("app.server", "1");
        QVERIFY(cfg.writeConfig());
        const QByteArray expected = fileWith(
            "  <property group=\"app\" name=\"server\" type=\"string\" >1</property>\n"
            "  <property group=\"staevne\" name=\"ZEPStaevneId\" type=\"string\" >S000000</property>\n"
            "  <property group=\"staevne\" name=\"navn\" type=\"string\" >For\xe5rsst\xe6vne</property>\n");
        QCOMPARE(readFile(path("order.xml")), expected);
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
        QTest::newRow("control characters dropped") << QString("a") + QChar(1) + "b" + QChar(0x1b) << "ab";
        QTest::newRow("leading line feed reads back empty") << "\nvalue" << "";
    }
    void roundTrip()
    {
        QFETCH(QString, value);
        QFETCH(QString, readBack);
        const QString file = path("roundtrip.xml");
        appConfig out(nullptr, file);
        out.setValue("html.title", value);
        QVERIFY(out.writeConfig());
        // The file stays plain ISO-8859-1.
        const QByteArray bytes = readFile(file);
        QVERIFY(bytes.startsWith("<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\n"));
        for (const char c : bytes)
            QVERIFY(uchar(c) >= 0x20 || c == '\n' || c == '\t');

        appConfig in(nullptr, file);
        QSignalSpy log(&in, &appConfig::logMessage);
        QVERIFY(in.readConfig());
        QCOMPARE(log.count(), 0);
        QCOMPARE(in.getValue("html.title", "default"), readBack);
    }

    void droppedCharactersAreLogged()
    {
        appConfig cfg(nullptr, path("dropped.xml"));
        cfg.setValue("html.title", QString("x") + QChar(7));
        QSignalSpy log(&cfg, &appConfig::logMessage);
        QVERIFY(cfg.writeConfig());
        QCOMPARE(log.count(), 1);
        QCOMPARE(log.at(0).at(0).toInt(), 1);
        QVERIFY(log.at(0).at(1).toString().contains("html.title"));
        QVERIFY(log.at(0).at(1).toString().contains("U+0007"));
    }

    void typeIsKeptAndKeyRebuilt()
    {
        const QString file = path("typed.xml");
        writeFile(file, fileWith("  <property group=\"bane\" name=\"font\" type=\"int\" >15</property>\n"
                                 "  <property group=\"\" name=\"loose\" type=\"string\" >1</property>\n"
                                 "  <property group=\"bane\" name=\"font\" type=\"int\" >18</property>\n"));
        appConfig cfg(nullptr, file);
        QVERIFY(cfg.readConfig());
        QCOMPARE(cfg.getValue("bane.font", "0"), QStringLiteral("18")); // the later one wins
        cfg.setValue("bane.font", "20");
        QCOMPARE(cfg.properties().value("bane.font").type, QStringLiteral("int"));
        // An empty group comes back under "." and the name.
        QCOMPARE(cfg.getValue(".loose", "none"), QStringLiteral("1"));
        QCOMPARE(cfg.getValue("loose", "none"), QStringLiteral("none"));
    }

    void lenientStructure()
    {
        const QString file = path("lenient.xml");
        writeFile(file, "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\n<root><PROPERTY group=\"a\" name=\"b\" type=\"t\">v</PROPERTY>"
                        "<other/><property group=\"c\" name=\"d\" type=\"t\">w</property></root>\n");
        appConfig cfg(nullptr, file);
        QVERIFY(cfg.readConfig());
        QCOMPARE(cfg.getValue("a.b", ""), QStringLiteral("v"));
        QCOMPARE(cfg.getValue("c.d", ""), QStringLiteral("w"));
    }

    void rejectedFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("errorPart");
        QTest::newRow("missing type") << fileWith("  <property group=\"a\" name=\"b\" >v</property>\n")
                                      << "Missing group, name or type\nfatal parsing error:  The document is not in the correct file format in line";
        QTest::newRow("upper-case attributes") << fileWith("  <PROPERTY GROUP=\"a\" NAME=\"b\" TYPE=\"t\" >v</PROPERTY>\n")
                                               << "Missing group, name or type";
        QTest::newRow("not xml") << QByteArray("this is not <xml") << "fatal parsing error: ";
        QTest::newRow("raw control character") << fileWith("  <property group=\"a\" name=\"b\" type=\"t\" >\x01</property>\n")
                                               << "fatal parsing error: ";
    }
    void rejectedFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, errorPart);
        const QString file = path("bad.xml");
        writeFile(file, content);
        appConfig cfg(nullptr, file);
        cfg.setValue("kept.before", "1");
        QSignalSpy log(&cfg, &appConfig::logMessage);
        QVERIFY(!cfg.readConfig());
        QCOMPARE(log.count(), 1);
        QCOMPARE(log.at(0).at(0).toInt(), 1);
        const QString text = log.at(0).at(1).toString();
        QVERIFY2(text.startsWith("Parse Error Reading " + file + "\n"), qPrintable(text));
        QVERIFY2(text.contains(errorPart), qPrintable(text));
        // The map is left as it was, including what the file held before the error.
        QCOMPARE(cfg.getValue("kept.before", ""), QStringLiteral("1"));
        QCOMPARE(cfg.getValue("a.b", "none"), QStringLiteral("none"));
    }

    void unreadableFileIsKeptBeforeTheFirstSave()
    {
        const QString file = path("operator.xml");
        const QByteArray original = fileWith("  <property group=\"a\" name=\"b\" >lost type</property>\n");
        writeFile(file, original);
        QFile::remove(file + ".bak");

        appConfig cfg(nullptr, file);
        QVERIFY(!cfg.readConfig());
        cfg.setValue("app.server", "1");
        QSignalSpy log(&cfg, &appConfig::logMessage);
        QVERIFY(cfg.writeConfig());
        QCOMPARE(readFile(file + ".bak"), original);
        QCOMPARE(log.count(), 1);
        QCOMPARE(log.at(0).at(0).toInt(), 3);
        QVERIFY(log.at(0).at(1).toString().contains(file + ".bak"));

        // The copy is made once: a second save keeps it untouched.
        writeFile(file + ".bak", "older copy");
        QVERIFY(cfg.writeConfig());
        QCOMPARE(readFile(file + ".bak"), QByteArray("older copy"));

        appConfig again(nullptr, file);
        QVERIFY(again.readConfig());
        QCOMPARE(again.getValue("app.server", "0"), QStringLiteral("1"));
    }

    void missingFileMakesNoBackup()
    {
        const QString file = path("absent.xml");
        appConfig cfg(nullptr, file);
        QSignalSpy log(&cfg, &appConfig::logMessage);
        QVERIFY(!cfg.readConfig());
        QCOMPARE(log.count(), 1);
        QVERIFY(cfg.writeConfig());
        QVERIFY(!QFile::exists(file + ".bak"));
        QVERIFY(QFile::exists(file));
    }

    void failedWriteIsReportedAndKeepsTheOldFile()
    {
        appConfig cfg(nullptr, path("no/such/dir/cfg.xml"));
        QSignalSpy log(&cfg, &appConfig::logMessage);
        QVERIFY(!cfg.writeConfig());
        QCOMPARE(log.count(), 1);
        QCOMPARE(log.at(0).at(0).toInt(), 1);

        // Writing to another name leaves the store's own file alone.
        const QString own = path("own.xml");
        writeFile(own, "keep");
        appConfig other(nullptr, own);
        other.setValue("x.y", "1");
        QVERIFY(other.writeConfig(path("elsewhere.xml")));
        QCOMPARE(readFile(own), QByteArray("keep"));
        QVERIFY(readFile(path("elsewhere.xml")).contains("name=\"y\""));
    }

    void handlerDropsPiecesStartingWithALineBreak()
    {
        appConfigHandler handler;
        handler.startDocument();
        QXmlStreamAttributes attributes;
        attributes.append("name", "n");
        attributes.append("type", "t");
        attributes.append("group", "g");
        QVERIFY(handler.startElement("Property", attributes));
        handler.characters("one ");
        handler.characters("\n  indentation");
        handler.characters("two");
        QVERIFY(handler.endElement("property"));
        QCOMPARE(handler.properties().value("g.n").value, QStringLiteral("one two"));
    }
};

QTEST_GUILESS_MAIN(tst_Settings)
#include "tst_settings.moc"

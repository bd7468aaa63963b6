// Loading rules without window or database: class rows, views and tabs,
// the competition files, addresses, safe file names and the information page.
#include <QTest>

#include "app/StaevneFiles.h"
#include "database/FileNamePart.h"
#include "app/StaevneInfoPage.h"
#include "app/StaevneLoader.h"
#include "publish/PathJoin.h"
#include "ChildProcesses.h"

using StaevneLoader::SectionRow;
using StaevneLoader::ViewKind;

Q_DECLARE_METATYPE(StaevneLoader::ViewKind)

namespace {

// A class query row: discipline, initials, arena, class type, and the two
// pairs of times.
QVariantList classRow(const QVariant &discipline, const QString &initials, int arena, const QString &type)
{
    return {7, QStringLiteral("Type"), discipline, initials, arena, QStringLiteral(" Fredag "), 12, 345,
            QStringLiteral("  LA1   Dressur "), QStringLiteral("08:00"), QStringLiteral("09:30"), type,
            QStringLiteral("13:00"), QStringLiteral("15:15"), QVariant()};
}

StaevneFiles::Section section(int nr, const QString &name, const QString &afdeling, int bane, StaevneFiles::Flag flag)
{
    return {nr, name, afdeling, bane, QStringLiteral("Fredag"), QStringLiteral("08:00"), QStringLiteral("09:00"), 2, flag};
}

StaevneFiles files(const QString &staevne)
{
    return StaevneFiles({QStringLiteral("Klub"), QStringLiteral("K1"), QStringLiteral("S1"), staevne,
                         QStringLiteral("Type"), QStringLiteral("01/06/2024"), QStringLiteral("02/06/2024")},
                        StaevneFiles::Style());
}

} // namespace

class tst_StaevneFiles : public QObject
{
    Q_OBJECT

private slots:
    // A signal ends this program at once (tests/ChildProcesses.h).
    void initTestCase() { childprocs::stopChildrenOnSignals(); }

    void sectionRow_data()
    {
        QTest::addColumn<QVariantList>("values");
        QTest::addColumn<int>("bane");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("times");
        QTest::newRow("dressage") << classRow(2, "A", 3, "LA1") << 3 << "LA1" << "08:00-09:30";
        QTest::newRow("waiting list under arena 99") << classRow(2, "V", 3, "LA1") << 99 << "LA1" << "08:00-09:30";
        QTest::newRow("prefix cut") << classRow(2, "A", 1, "SK-DCU4H") << 1 << "DCU4H" << "08:00-09:30";
        QTest::newRow("prefix inside the code") << classRow(3, "A", 1, "XSK-SCU6") << 1 << "SCU6" << "08:00-09:30";
        QTest::newRow("no class type") << classRow(QVariant(), "A", 1, QString()) << 1 << "" << "08:00-09:30";
        QTest::newRow("eventing times as run") << classRow(4, "A", 3, "MIL") << 3 << "MIL" << "13:00-15:15";
    }
    void sectionRow()
    {
        QFETCH(QVariantList, values);
        const SectionRow row = SectionRow::fromValues(values);
        QTEST(row.bane, "bane");
        QTEST(row.klasseType, "type");
        QTEST(row.start + QLatin1Char('-') + row.slut, "times");
        // Names and days come with blanks from the database.
        QCOMPARE(row.klasse + row.dag, QStringLiteral("LA1 DressurFredag"));
    }

    // Which view a section gets, and whether it goes to the championship tab
    // (with championship classes shown).
    void viewAndTab_data()
    {
        QTest::addColumn<int>("discipline");
        QTest::addColumn<QString>("initials");
        QTest::addColumn<QString>("type");
        QTest::addColumn<ViewKind>("kind");
        QTest::addColumn<bool>("championshipTab");
        QTest::newRow("dressage") << 2 << "A" << "LA1" << ViewKind::Dressur << false;
        QTest::newRow("championship dressage") << 2 << "A" << "DCUF5H" << ViewKind::ChampDressur << true;
        QTest::newRow("dressage code with SCU") << 2 << "A" << "XSCU" << ViewKind::Dressur << true;
        QTest::newRow("championship jumping") << 3 << "A" << "XSCU2" << ViewKind::ChampSpring << true;
        QTest::newRow("jumping, dressage championship code") << 3 << "A" << "DCU4H" << ViewKind::Spring << true;
        QTest::newRow("eventing") << 4 << "A" << "MIL" << ViewKind::Military << false;
        QTest::newRow("waiting list of a championship") << 2 << "V" << "DCU5H" << ViewKind::Venteliste << true;
        QTest::newRow("no discipline") << 0 << "A" << "" << ViewKind::None << false;
    }
    void viewAndTab()
    {
        QFETCH(int, discipline);
        QFETCH(QString, initials);
        QFETCH(QString, type);
        SectionRow row;
        row.diciplinId = discipline;
        row.afdeling = initials;
        row.klasseType = type;
        QTEST(StaevneLoader::viewKind(row, true), "kind");
        QTEST(StaevneLoader::inChampionshipTab(type, true), "championshipTab");
    }

    // A waiting list (arena 99) between two classes of arena 1 interrupts
    // it without splitting its group on the start page or its pause page.
    void waitingListInsideAnArena()
    {
        using Flag = StaevneFiles::Flag;
        StaevneFiles f = files(QStringLiteral("Stævne"));
        f.addSection(section(1, "LA1", "A", 1, Flag::Dressur));
        f.addSection(section(1, "LA1", "V", 99, Flag::None));
        f.addSection(section(2, "LA2", "A", 1, Flag::Dressur));
        f.addSection(section(5, "LC", "A", 2, Flag::Spring));

        const QString start = QString::fromUtf8(f.startPage());
        QCOMPARE(start.count("<h3>"), 2);
        QVERIFY(!start.contains("klasse1_V"));
        const auto pauses = f.pausePages();
        QCOMPARE(pauses.size(), 2);
        QCOMPARE(QString::fromUtf8(pauses.at(0).second).count("<ul>Fredag"), 2);
        QCOMPARE(f.addresses().last(), QStringLiteral("http://localhost:8080/baner.php?bane=1,99,2&min=1"));
    }

    // Database text is escaped in the pages but goes as it is into the manifest.
    void databaseTextIsEscapedInPagesOnly()
    {
        StaevneFiles f = files(QStringLiteral("Ride & \"Kør\""));
        f.addSection(section(3, "Pony <B> & C", "A", 1, StaevneFiles::Flag::Dressur));
        QVERIFY(f.manifest().contains("Staevne=Ride & \"Kør\"\n"));
        QVERIFY(f.manifest().contains(";3 Pony <B> & C A\n"));
        const QString start = QString::fromUtf8(f.startPage());
        QVERIFY(start.contains("<title>Ride &amp; &quot;Kør&quot;</title>"));
        QVERIFY(start.contains(">3 Pony &lt;B&gt; &amp; C A "));
        QVERIFY(!start.contains("<B>"));
        const QString pause = QString::fromUtf8(f.pausePages().first().second);
        QVERIFY(pause.contains(">Ride &amp; &quot;Kør&quot;</A>"));
        QVERIFY(pause.contains("3&nbsp;Pony &lt;B&gt; &amp; C&nbsp;A"));
    }

    void safeFileNamePart_data()
    {
        QTest::addColumn<QString>("part");
        QTest::addColumn<bool>("safe");
        for (const char *ok : {"S240614", "klasse0_1.html", "DRF-2014_7"})
            QTest::newRow(ok) << QString::fromLatin1(ok) << true;
        for (const char *bad : {"", "../../x", "a/b", "a\\b", "C:x", ".cfg", "x..", "a b", "Å"})
            QTest::newRow(bad) << QString::fromUtf8(bad) << false;
    }
    void safeFileNamePart()
    {
        QFETCH(QString, part);
        QTEST(paths::isSafeFileNamePart(part), "safe");
    }

    void addressesToAdd()
    {
        const QStringList existing{"http://localhost:8080/BANE1.html", "http://localhost:8080/bane12.html"};
        QCOMPARE(StaevneFiles::addressesToAdd(existing, {"http://localhost:8080/bane1.html",
                                                         "http://localhost:8080/bane1",
                                                         "http://localhost:8080/bane2.html",
                                                         "http://localhost:8080/bane2.html"}),
                 QStringList({"http://localhost:8080/bane2.html"}));
        // An entry that is longer than the new address does not block it.
        QCOMPARE(StaevneFiles::addressesToAdd({"http://localhost:8080/baner.php?bane=1,2&min=1"},
                                              {"http://localhost:8080/baner.php?bane=1,2,99&min=1"}),
                 QStringList({"http://localhost:8080/baner.php?bane=1,2,99&min=1"}));
    }

    // The information text is escaped, then its addresses become links.
    void informationText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("plain") << "Ingen adresse" << "Ingen adresse";
        QTest::newRow("entities") << "Ris &amp; ros & a &lt; <b>'x' \"y\"</b>"
                                  << "Ris &amp; ros &amp; a &amp;lt; &lt;b&gt;&apos;x&apos; &quot;y&quot;&lt;/b&gt;";
        QTest::newRow("ends at a blank") << "Se http://a.dk/x her"
                                         << "Se <A HREF=\"http://a.dk/x\">http://a.dk/x</A> her";
        QTest::newRow("query cut at the ampersand")
            << "http://a.dk/?id=1&side=2" << "<A HREF=\"http://a.dk/?id=1\">http://a.dk/?id=1</A>&amp;side=2";
        QTest::newRow("quoted, then at the end") << "\"http://a.dk\"\r\nhttp://a.dk"
                                                 << "&quot;<A HREF=\"http://a.dk\">http://a.dk</A>&quot;\r\n"
                                                    "<A HREF=\"http://a.dk\">http://a.dk</A>";
    }
    void informationText()
    {
        QFETCH(QString, text);
        QTEST(StaevneInfoPage::linkAddresses(StaevneInfoPage::escapeInformation(text)), "shown");
    }

    void pageWithOnlyATechnicalDelegate()
    {
        StaevneInfoPage::Content content;
        content.navn = QStringLiteral("Stævne");
        content.zepNr = QStringLiteral("S1");
        content.jury = {QString(), QString(), QString(), QString(), QString()};
        QVERIFY(!StaevneInfoPage::hasContent(content));
        content.tekniskDelegeret = QStringLiteral("Bo <Bach>");
        QVERIFY(StaevneInfoPage::hasContent(content));

        const QString page = QString::fromUtf8(StaevneInfoPage::page(content, "/a.css", "#fff"));
        QVERIFY(page.endsWith("<table border=1 class=\"info\">\n"
                              "<tr class=\"info_officials_header\">\n<td>Officials</td>\n</tr>\n"
                              "<tr class=\"info_official\">\n<td>Teknisk Delegeret: Bo &lt;Bach&gt;</td>\n</tr>\n"
                              "</table>\n</body>\n</html>\n"));
    }
};

QTEST_MAIN(tst_StaevneFiles)
#include "tst_staevnefiles.moc"

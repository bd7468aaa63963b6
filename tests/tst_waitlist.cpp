// The waiting-list view against the stand-in database: a demo competition
// with fixed waiting lists added (tests/data/waitlist_fixture.sql), its
// pedigree text, its refresh on the timer and its page.

#include "ChildProcesses.h"
#include "SectionFixture.h"
#include "views/venteliste/VentelistePage.h"
#include "views/venteliste/staevneKlasseInfoVenteliste.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

using namespace sectionfx;

namespace {

constexpr int Staevne = 60;
constexpr int Entries = 41; // class with three waiting entries
constexpr int Empty = 42;   // class whose waiting list has no starts

class WaitlistProbe : public staevneKlasseInfoVenteliste
{
public:
    using staevneKlasseInfoVenteliste::staevneKlasseInfoVenteliste;

    void show(int klasseNr) { showKlasse(Staevne, klasseNr, QStringLiteral("V"), 99, 0); }
    QDateTime now{QDate(2024, 6, 14), QTime(9, 5)};

protected:
    QDateTime currentTime() const override { return now; }
};

} // namespace

class TestWaitlist : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        childprocs::stopChildrenOnSignals();
        QVERIFY(m_dir.isValid());
        const QString error =
            openCompetition(m_dir.filePath(QStringLiteral("zep.db")), 3, QStringLiteral("waitlist_fixture.sql"));
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("logo")));
        QVERIFY(writeFile(m_dir.filePath(QStringLiteral("logo/LOGO.png")), QByteArray()));

        m_cfg = new appConfig(this, QString());
        m_cfg->setValue(QStringLiteral("http.root"), m_dir.filePath(QStringLiteral("html")));
        m_cfg->setValue(QStringLiteral("logo.dir"), m_dir.filePath(QStringLiteral("logo")) + QLatin1Char('/'));
        m_cfg->setValue(QStringLiteral("vis.afstamning"), QStringLiteral("1"));
    }

    void init() { standin::Faults::clear(); }

    void pedigreeText()
    {
        // Year, sire, dam, dam's sire; registry names are written "nr--Name--".
        QCOMPARE(VentelistePage::pedigreeText("", "", "", ""), QStringLiteral(" "));
        QCOMPARE(VentelistePage::pedigreeText("2008", "12--Sandro Hit--DK", "", "5--Donnerhall"),
                 QStringLiteral("2008 F:Sandro Hit/MF:Donnerhall"));
        // A one-character name drops the part, not its slash.
        QCOMPARE(VentelistePage::pedigreeText("", "1--X--", "Mor", "--Y--"), QStringLiteral(" /M:-Mor/"));
        QCOMPARE(VentelistePage::pedigreeText("2001", "Abc--", "", ""), QStringLiteral("2001 "));
    }

    void loadShowsEntriesAndWritesThePage()
    {
        WaitlistProbe view(m_cfg);
        QSignalSpy changes(&view, &staevneKlasseInfo::resultChangeClass);
        view.show(Entries);

        // By start number, a secondary number after its plain number; the start
        // without a number, the deleted one and section A's are no entries. The
        // page is written from the list, so it checks the rest of each row.
        QCOMPARE(view.dommer->text(), QStringLiteral("Dommer Dorthe Dommer"));
        QCOMPARE(column(view, 1), (QStringList{"101", "102", "110"}));
        QCOMPARE(changes.count(), 0);
        QCOMPARE(readFile(pagePath(Entries)), readFile(QStringLiteral(ZEP_TESTDATA "/waitlist_klasse41_V.html")));
        const QJsonObject doc =
            QJsonDocument::fromJson(readFile(m_dir.filePath(QStringLiteral("html/klasse41_V.json")))).object();
        QCOMPARE(doc.value(QStringLiteral("bane")).toString(), QStringLiteral("99"));
        QCOMPARE(doc.value(QStringLiteral("equipages")).toArray().size(), 3);

        // Without pedigree lines every entry is one row of five cells.
        m_cfg->setValue(QStringLiteral("vis.afstamning"), QStringLiteral("0"));
        view.printHtml();
        m_cfg->setValue(QStringLiteral("vis.afstamning"), QStringLiteral("1"));
        const QByteArray flat = readFile(pagePath(Entries));
        QCOMPARE(flat.count("rowspan"), 0);
        QCOMPARE(flat.count("<td "), 15 + 3); // and the three of the class table
    }

    void emptySectionIsQuiet()
    {
        WaitlistProbe view(m_cfg);
        view.show(Empty);
        const QByteArray page = readFile(pagePath(Empty));
        QVERIFY(!page.contains("<tr bgcolor="));
        QVERIFY(page.endsWith("</TR>\n</table>\n</body>\n</html>\n"));

        // Ticks announce and log nothing, yet the page keeps its time current.
        QSignalSpy changes(&view, &staevneKlasseInfo::resultChangeClass);
        QSignalSpy log(&view, &staevneKlasseInfo::logMessage);
        view.now = view.now.addSecs(60);
        view.updateKlasse();
        view.updateKlasse();
        QCOMPARE(changes.count(), 0);
        QCOMPARE(logged(log, 1), QStringList());
        QVERIFY(readFile(pagePath(Empty)).contains("14/06 2024 09:06"));
    }

    void tickFollowsTheStartList_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("undo");
        QTest::addColumn<QStringList>("startNrs");
        QTest::addColumn<QStringList>("entryNrs");
        QTest::addColumn<int>("notFound");
        QTest::newRow("start number changed")
            << "UPDATE tblStart SET StartNr = 2, SekundaerStartNr = NULL WHERE StartId = 9773"
            << "UPDATE tblStart SET StartNr = 10 WHERE StartId = 9773" << QStringList{"1", "2", "2A"}
            << QStringList{"101", "110", "102"} << 0;
        QTest::newRow("entry added")
            << "INSERT INTO tblStart (StartId, AfdelingId, AnmeldelseId, StartNr) VALUES (9779, 9722, 9765, 7)"
            << "DELETE FROM tblStart WHERE StartId = 9779" << QStringList{"1", "2A", "7", "10"}
            << QStringList{"101", "102", "105", "110"} << 1;
        QTest::newRow("entry withdrawn")
            << "UPDATE tblStart SET Slettet = '2024-06-14 09:00:00.000' WHERE StartId = 9771"
            << "UPDATE tblStart SET Slettet = NULL WHERE StartId = 9771" << QStringList{"2A", "10"}
            << QStringList{"102", "110"} << 0;
        QTest::newRow("entry replaced by another")
            << "UPDATE tblStart SET AnmeldelseId = 9765 WHERE StartId = 9773"
            << "UPDATE tblStart SET AnmeldelseId = 9763 WHERE StartId = 9773" << QStringList{"1", "2A", "10"}
            << QStringList{"101", "102", "105"} << 1;
    }

    void tickFollowsTheStartList()
    {
        QFETCH(QString, change);
        QFETCH(QString, undo);
        QFETCH(QStringList, entryNrs);
        WaitlistProbe view(m_cfg);
        view.show(Entries);
        QSignalSpy changes(&view, &staevneKlasseInfo::resultChangeClass);
        QSignalSpy log(&view, &staevneKlasseInfo::logMessage);
        QVERIFY(runSql(change));
        view.updateKlasse();
        view.updateKlasse(); // a second tick without a change announces nothing
        QVERIFY(runSql(undo));

        QTEST(column(view, 0), "startNrs");
        QCOMPARE(column(view, 1), entryNrs);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(changes.at(0), (QVariantList{99, QStringLiteral("V"), Entries, false}));
        QTEST(int(logged(log, 1).size()), "notFound"); // an entry the list cannot show is told
        // The page follows the list.
        const QByteArray page = readFile(pagePath(Entries));
        qsizetype at = 0;
        for (const QString &nr : entryNrs) {
            at = page.indexOf(QByteArray(">\n<font color=\"#000000\" size=\"3\">") + nr.toUtf8() + "&nbsp;", at);
            QVERIFY2(at > 0, qPrintable(nr));
        }
    }

    void unwrittenStateIsAnnouncedOnceWritten_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("undo");
        QTest::newRow("start number changed")
            << "UPDATE tblStart SET StartNr = 2, SekundaerStartNr = NULL WHERE StartId = 9773"
            << "UPDATE tblStart SET StartNr = 10 WHERE StartId = 9773";
        QTest::newRow("entry withdrawn")
            << "UPDATE tblStart SET Slettet = '2024-06-14 09:00:00.000' WHERE StartId = 9771"
            << "UPDATE tblStart SET Slettet = NULL WHERE StartId = 9771";
        // No statement: the operator toggles the keep-start-time flag.
        QTest::newRow("keep-start-time flag toggled") << QString() << QString();
    }

    void unwrittenStateIsAnnouncedOnceWritten()
    {
        // While the page cannot be written (a folder stands in its place) a
        // change is neither announced nor uploaded; the first write that
        // succeeds announces it, once.
        QFETCH(QString, change);
        QFETCH(QString, undo);
        WaitlistProbe view(m_cfg);
        view.show(Entries);
        const QString document = m_dir.filePath(QStringLiteral("html/klasse41_V.json"));
        const QByteArray before = readFile(document);
        QSignalSpy changes(&view, &staevneKlasseInfo::resultChangeClass);
        QVERIFY(QFile::remove(pagePath(Entries)) && QDir().mkdir(pagePath(Entries)));
        const auto restore = qScopeGuard([&] {
            QDir().rmdir(pagePath(Entries));
            if (!undo.isEmpty())
                runSql(undo);
        });

        if (change.isEmpty())
            view.visStartTid();
        else
            QVERIFY(runSql(change));
        view.updateKlasse();
        view.updateKlasse();
        QCOMPARE(changes.count(), 0);
        QCOMPARE(readFile(document), before);

        QVERIFY(QDir().rmdir(pagePath(Entries)));
        view.updateKlasse();
        view.updateKlasse();
        QCOMPARE(changes.count(), 1);
        QCOMPARE(changes.at(0), (QVariantList{99, QStringLiteral("V"), Entries, false}));
        QVERIFY(readFile(document) != before);
    }

    void failedReadKeepsListAndPage_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("tick");
        QTest::newRow("header query fails on reload") << "header" << false;
        QTest::newRow("start list fails on reload") << "startlist" << false;
        QTest::newRow("start list fails on tick") << "startlist" << true;
        QTest::newRow("connection closed on reload") << "closed" << false;
        QTest::newRow("connection closed on tick") << "closed" << true;
    }

    void failedReadKeepsListAndPage()
    {
        QFETCH(QString, fault);
        QFETCH(bool, tick);

        WaitlistProbe view(m_cfg);
        view.show(Entries);
        const QByteArray page = readFile(pagePath(Entries));
        const QStringList labels{view.klasseInfo->text(), view.dommer->text()};
        QSignalSpy changes(&view, &staevneKlasseInfo::resultChangeClass);
        QSignalSpy log(&view, &staevneKlasseInfo::logMessage);
        view.now = view.now.addSecs(3600); // a rewritten page would show it

        if (fault == QLatin1String("header")) {
            standin::Faults::failNextStatements(1);
        } else if (fault == QLatin1String("startlist")) {
            QVERIFY(runSql(QStringLiteral("ALTER TABLE tblStart RENAME TO tblStartAway")));
        } else {
            standin::Faults::setRefuseOpen(true);
            QVERIFY(standin::Faults::dropConnection(Zep));
        }
        if (tick)
            view.updateKlasse();
        else
            view.refreshClass();
        if (fault == QLatin1String("startlist"))
            QVERIFY(runSql(QStringLiteral("ALTER TABLE tblStartAway RENAME TO tblStart")));
        standin::Faults::clear();

        QCOMPARE(column(view, 1), (QStringList{"101", "102", "110"}));
        QCOMPARE((QStringList{view.klasseInfo->text(), view.dommer->text()}), labels);
        QCOMPARE(readFile(pagePath(Entries)), page);
        QCOMPARE(changes.count(), 0);
        QVERIFY(!log.isEmpty()); // the operator hears of it
    }

    void outageIsLoggedOnce_data() { outageRows(QStringLiteral("Klasse 41 V")); }

    void outageIsLoggedOnce()
    {
        WaitlistProbe view(m_cfg);
        view.show(Entries);
        // A folder that cannot be made: the database file is in its way.
        checkOutageLoggedOnce(view, m_cfg, m_dir.filePath(QStringLiteral("zep.db/html")), [&view] { view.updateKlasse(); });
    }

private:
    QString pagePath(int klasseNr) const
    {
        return m_dir.filePath(QStringLiteral("html/klasse%1_V.html").arg(klasseNr));
    }

    QTemporaryDir m_dir;
    appConfig *m_cfg = nullptr;
};

QTEST_MAIN(TestWaitlist)
#include "tst_waitlist.moc"

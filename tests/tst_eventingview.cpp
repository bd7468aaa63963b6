// The eventing view against the stand-in database: a demo competition with
// fixed eventing classes added (tests/data/eventing_fixture.sql) is loaded,
// ticked through a sequence of database changes, and its pages and JSON
// document are compared with expected files.

#include "ChildProcesses.h"
#include "SectionFixture.h"
#include "views/military/staevneKlasseInfoMilitary.h"

#include <QHeaderView>
#include <QLabel>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

using namespace sectionfx;
namespace C = MilitaryPlacing;

namespace {

constexpr int Staevne = 51;

class EventingProbe : public staevneKlasseInfoMilitary
{
public:
    using staevneKlasseInfoMilitary::staevneKlasseInfoMilitary;
    using staevneKlasseInfoMilitary::antalPlaceringer;
    using staevneKlasseInfoMilitary::bevarStartTid;
    using staevneKlasseInfoMilitary::lastChangeId;
    using staevneKlasseInfoMilitary::skjulPlacering;

    void show(int klasseNr) { showKlasse(Staevne, klasseNr, QStringLiteral("A"), 3, 9490 + klasseNr); }

protected:
    QDateTime currentTime() const override { return QDateTime(QDate(2024, 6, 14), QTime(13, 5)); }
};

// The flags of the resultChangeClass signals caught, in order, as "1"/"0";
// "sql failed" when `sql` fails. Runs `sql` and ticks first when it is given.
QString tick(EventingProbe &view, QSignalSpy &spy, const char *sql = nullptr)
{
    if (sql && !runSql(QString::fromUtf8(sql)))
        return QStringLiteral("sql failed");
    if (sql)
        view.updateKlasse();
    QString out;
    for (const QVariantList &args : spy)
        out += args.at(3).toBool() ? QLatin1Char('1') : QLatin1Char('0');
    spy.clear();
    return out;
}

} // namespace

class TestEventingView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        childprocs::stopChildrenOnSignals();
        QVERIFY(m_dir.isValid());
        const QString error =
            openCompetition(m_dir.filePath(QStringLiteral("zep.db")), 7, QStringLiteral("eventing_fixture.sql"));
        QVERIFY2(error.isEmpty(), qPrintable(error));
        m_cfg = new appConfig(this, QString());
        m_cfg->setValue(QStringLiteral("http.root"), m_dir.filePath(QStringLiteral("html")));
        m_cfg->setValue(QStringLiteral("database.update"), QStringLiteral("3600000"));
        m_cfg->setValue(QStringLiteral("vis.afstamning"), QStringLiteral("1"));
        m_cfg->setValue(QStringLiteral("show.riderRemarks"), QStringLiteral("1"));
    }

    void init() { standin::Faults::clear(); }

    void loadsInCompetitionOrder()
    {
        EventingProbe view(m_cfg);
        view.show(41);
        // Jumped first, then across country only, then dressage only, then
        // nothing; the eliminated rider after them with "-4" despite the
        // positive total; the withdrawal not counted (among statuses the order
        // of the query stands where the rules do not decide). The start doubled
        // by the joins stands once. The expected pages hold the rows' texts.
        QCOMPARE(column(view, 0), QStringList({"2", "1", "3", "9", "11", "12", "10"}));
        QCOMPARE(column(view, 18), QStringList({"1", "2", "3", "4", "-5", "-6", "-4"}));

        // A double click marks the row's Start Id.
        view.slotHeighLight(view.listView1->topLevelItem(3));
        QCOMPARE(view.lastChangeId, 9605);

        // A horse id holding a quote still finds its local row. A b0 section
        // has one placing over its own number, also after a tick.
        view.show(43);
        QCOMPARE(column(view, 21).at(2), QStringLiteral("85'68"));
        QCOMPARE(column(view, 22).at(2), QStringLiteral("2015/Quiz//"));
        view.updateKlasse();
        QCOMPARE(view.antalPlaceringer, 1);
    }

    void refreshSequence()
    {
        EventingProbe view(m_cfg);
        QSignalSpy changes(&view, &staevneKlasseInfo::resultChangeClass);
        view.show(42);
        QCOMPARE(column(view, 24), QStringList({"9611", "9613", "9612", "9614"}));

        // Nothing changed: no announcement; B2 still hides its one placing.
        view.updateKlasse();
        QVERIFY(changes.isEmpty());
        QCOMPARE(view.lastChangeId, -1);
        QCOMPARE(view.antalPlaceringer, 1);
        QVERIFY(view.skjulPlacering);

        // A jumping result moves the starter up and is the last change.
        QCOMPARE(tick(view, changes, "UPDATE tblStart SET Springning = 0, SpringningTid = 59 WHERE StartId = 9614"), "1");
        QCOMPARE(view.lastChangeId, 9614);
        QCOMPARE(column(view, 24), QStringList({"9611", "9613", "9614", "9612"}));

        // The same starter again: the pages changed, so they are announced.
        QCOMPARE(tick(view, changes, "UPDATE tblStart SET Springning = 8 WHERE StartId = 9614"), "0");
        QCOMPARE(column(view, 24), QStringList({"9611", "9613", "9612", "9614"}));

        // A state that cannot be written is not announced, and is once it is.
        const QString blocked = outFile("klasse42_A.json");
        QVERIFY(QFile::remove(blocked) && QDir().mkdir(blocked));
        QCOMPARE(tick(view, changes, "UPDATE tblStart SET Springning = 12 WHERE StartId = 9614"), "");
        QVERIFY(QDir().rmdir(blocked));
        view.updateKlasse();
        QCOMPARE(tick(view, changes), "0");

        // A start number, then the keep-start-time flag of this section.
        QCOMPARE(tick(view, changes, "UPDATE tblStart SET StartNr = 7 WHERE StartId = 9612"), "0");
        QCOMPARE(tick(view, changes, "UPDATE tblAfdeling SET BevarStartTid = 1 WHERE AfdelingId = 9532"), "0");
        QCOMPARE(view.bevarStartTid, 1);

        // A withdrawal and a late entry reload the section; the last change
        // stays marked.
        QCOMPARE(tick(view, changes, "UPDATE tblStart SET Slettet = '2024-06-15 10:00:00.000' WHERE StartId = 9612"), "0");
        QCOMPARE(column(view, 24), QStringList({"9611", "9613", "9614"}));
        QCOMPARE(tick(view, changes,
                      "INSERT INTO tblStart (StartId, AfdelingId, AnmeldelseId, StartNr, Status, Dressur) "
                      "VALUES (9615, 9532, 9589, 8, 'NEJ', 20)"),
                 "0");
        QCOMPARE(column(view, 24), QStringList({"9611", "9613", "9614", "9615"}));
        QCOMPARE(view.lastChangeId, 9614);
        QVERIFY(runSql("UPDATE tblStart SET Slettet = NULL WHERE StartId = 9612; "
                       "DELETE FROM tblStart WHERE StartId = 9615; "
                       "UPDATE tblAfdeling SET BevarStartTid = 0 WHERE AfdelingId = 9532; "
                       "UPDATE tblStart SET StartNr = 2, Springning = 4, SpringningTid = 62 WHERE StartId = 9612; "
                       "UPDATE tblStart SET Springning = NULL, SpringningTid = NULL WHERE StartId = 9614"));
    }

    void failuresKeepRowsAndFiles()
    {
        EventingProbe view(m_cfg);
        QSignalSpy changes(&view, &staevneKlasseInfo::resultChangeClass);
        view.show(44);
        const QStringList before = column(view, 24);
        const QList<QByteArray> files = outFiles(44);
        QVERIFY(!files.at(0).isEmpty() && !files.at(2).isEmpty());
        QVERIFY(runSql("UPDATE tblStart SET Dressur = 20 WHERE StartId = 9635"));

        // A failed header query, a failed result query, a failed tick and a
        // dropped connection: rows, labels and files stay; nothing announced.
        for (int failing : {1, 2}) {
            standin::Faults::failNextStatements(failing);
            view.refreshClass();
            standin::Faults::clear();
        }
        standin::Faults::failNextStatements(2);
        view.updateKlasse();
        standin::Faults::clear();
        standin::Faults::setRefuseOpen(true);
        QVERIFY(standin::Faults::dropConnection(Zep));
        view.updateKlasse();
        view.refreshClass();
        standin::Faults::clear();

        QVERIFY(changes.isEmpty());
        QCOMPARE(column(view, 24), before);
        QCOMPARE(view.klasseInfo->text(), QStringLiteral("44 LA Military A"));
        QCOMPARE(view.antalStarter(), 5);
        QCOMPARE(outFiles(44), files);

        // Once the database answers again the change comes through.
        view.updateKlasse();
        QCOMPARE(tick(view, changes), "1");
        QCOMPARE(column(view, 24).first(), QStringLiteral("9635"));
        QCOMPARE(view.antalPlaceringer, 3); // the section's own number, also after a tick
        QVERIFY(runSql("UPDATE tblStart SET Dressur = 34 WHERE StartId = 9635"));
    }

    void unwrittenStateIsAnnouncedOnceWritten_data()
    {
        QTest::addColumn<QString>("blocked");
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("undo");
        QTest::addColumn<QString>("announced");
        QTest::addColumn<bool>("printed"); // the result page is also written on its own meanwhile
        QTest::newRow("new result") << "klasse44_A.html" << "UPDATE tblStart SET Dressur = 20 WHERE StartId = 9635"
                                    << "UPDATE tblStart SET Dressur = 34 WHERE StartId = 9635" << "1" << false;
        QTest::newRow("start number") << "klasse44_A.html" << "UPDATE tblStart SET StartNr = 9 WHERE StartId = 9633"
                                      << "UPDATE tblStart SET StartNr = 3 WHERE StartId = 9633" << "0" << false;
        QTest::newRow("start number, overview blocked")
            << "oversigt44_A.html" << "UPDATE tblStart SET StartNr = 9 WHERE StartId = 9633"
            << "UPDATE tblStart SET StartNr = 3 WHERE StartId = 9633" << "0" << false;
        QTest::newRow("withdrawal reloads")
            << "klasse44_A.html" << "UPDATE tblStart SET Slettet = '2024-06-15 10:00:00.000' WHERE StartId = 9634"
            << "UPDATE tblStart SET Slettet = NULL WHERE StartId = 9634" << "0" << false;
        QTest::newRow("new result and a withdrawal")
            << "klasse44_A.html"
            << "UPDATE tblStart SET Dressur = 20 WHERE StartId = 9635; "
               "UPDATE tblStart SET Slettet = '2024-06-15 10:00:00.000' WHERE StartId = 9634"
            << "UPDATE tblStart SET Dressur = 34 WHERE StartId = 9635; UPDATE tblStart SET Slettet = NULL WHERE StartId = 9634"
            << "1" << false;
        QTest::newRow("start number, printed meanwhile")
            << "klasse44_A.html" << "UPDATE tblStart SET StartNr = 9 WHERE StartId = 9633"
            << "UPDATE tblStart SET StartNr = 3 WHERE StartId = 9633" << "0" << true;
        QTest::newRow("start number, overview blocked, printed meanwhile")
            << "oversigt44_A.html" << "UPDATE tblStart SET StartNr = 9 WHERE StartId = 9633"
            << "UPDATE tblStart SET StartNr = 3 WHERE StartId = 9633" << "0" << true;
        // No statement: the operator toggles the keep-start-time flag.
        for (const char *blocked : {"klasse44_A.html", "oversigt44_A.html"})
            QTest::addRow("keep-start-time flag, %s blocked", blocked)
                << blocked << "" << "UPDATE tblAfdeling SET BevarStartTid = 0 WHERE KlasseId = 9524" << "0" << false;
    }

    void unwrittenStateIsAnnouncedOnceWritten()
    {
        // The arena follows an announcement to the class's files: while a
        // page cannot be written (a folder stands in its place) the change
        // is not announced, nor uploaded; the first write that succeeds
        // announces it once.
        QFETCH(QString, blocked);
        QFETCH(QString, change);
        QFETCH(QString, undo);
        QFETCH(bool, printed);
        EventingProbe view(m_cfg);
        QSignalSpy changes(&view, &staevneKlasseInfo::resultChangeClass);
        view.show(44);
        const QByteArray document = outFiles(44).at(2);
        const QString page = outFile(blocked);
        QVERIFY(QFile::remove(page) && QDir().mkdir(page));
        const auto restore = qScopeGuard([&] {
            QDir().rmdir(page);
            runSql(undo);
        });

        if (change.isEmpty())
            view.visStartTid();
        QCOMPARE(tick(view, changes, change.isEmpty() ? nullptr : change.toUtf8().constData()), "");
        view.updateKlasse();
        if (printed)
            view.printHtml();
        QCOMPARE(tick(view, changes), "");

        QVERIFY(QDir().rmdir(page));
        view.updateKlasse();
        QTEST(tick(view, changes), "announced");
        view.updateKlasse();
        QCOMPARE(tick(view, changes), "");
        QVERIFY(outFiles(44).at(2) != document);
        QVERIFY(QFileInfo(page).isFile());
    }

    void pairsFirstBothWaysStayPut_data()
    {
        QTest::addColumn<int>("klasseNr");
        QTest::addColumn<QStringList>("startIds");
        // The placed starter, the two without start number or result, then
        // the two eliminated in the last phase with equal totals, each pair
        // as the database sends it.
        QTest::newRow("jumping last") << 45 << QStringList{"9701", "9704", "9705", "9703", "9702"};
        QTest::newRow("cross-country last") << 46 << QStringList{"9706", "9709", "9710", "9708", "9707"};
    }

    void pairsFirstBothWaysStayPut()
    {
        QFETCH(int, klasseNr);
        EventingProbe view(m_cfg);
        QSignalSpy changes(&view, &staevneKlasseInfo::resultChangeClass);
        view.show(klasseNr);
        QTEST(column(view, 24), "startIds");
        const QList<QByteArray> files = outFiles(klasseNr);

        // Sorted twice and ticked twice over an unchanged database: the same
        // order, the same files and nothing to upload.
        for (int i = 0; i < 4; ++i) {
            i < 2 ? view.calculatePlace() : view.updateKlasse();
            QTEST(column(view, 24), "startIds");
        }
        QCOMPARE(changes.count(), 0);
        QCOMPARE(outFiles(klasseNr), files);
    }

    void headerClickSortsTheScreenOnly()
    {
        EventingProbe view(m_cfg);
        view.show(41);
        view.resize(1600, 400);
        view.QWidget::show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QStringList competition = column(view, 24);
        const QList<QByteArray> files = outFiles(41);
        QHeaderView *header = view.listView1->header();
        const auto click = [header](int column) {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                                     header->height() / 2));
        };

        // The horse's title, twice: its names in the locale's order, then the
        // other way round.
        const QStringList horses{"Donna", "Ego", "Fanny & \"Flo\"", "Gaia", "Hugo", "Iris", "Jazz"};
        click(2);
        QCOMPARE(column(view, 2), horses);
        click(2);
        QStringList reversed = horses;
        std::reverse(reversed.begin(), reversed.end());
        QCOMPARE(column(view, 2), reversed);

        // The pages and the document keep the competition order.
        view.printHtml();
        view.printShortHtml();
        QCOMPARE(outFiles(41), files);

        // The title "Dressur" shows the competition order again, and so does
        // the next tick after another column's click.
        click(C::Dressur);
        QCOMPARE(column(view, 24), competition);
        click(3);
        QVERIFY(column(view, 24) != competition);
        view.updateKlasse();
        QCOMPARE(column(view, 24), competition);
        QCOMPARE(header->sortIndicatorSection(), int(C::Dressur));
    }

    void outageIsLoggedOnce_data() { outageRows(QStringLiteral("Klasse 44 A")); }

    void outageIsLoggedOnce()
    {
        EventingProbe view(m_cfg);
        view.show(44);
        // A folder that cannot be made: the database file is in its way.
        checkOutageLoggedOnce(view, m_cfg, m_dir.filePath(QStringLiteral("zep.db/html")), [&view] { view.updateKlasse(); });
    }

    void pagesMatchExpected_data()
    {
        QTest::addColumn<int>("klasseNr");
        QTest::addColumn<QStringList>("files");
        QTest::newRow("last changed, status, pedigree")
            << 41 << QStringList({"klasse41_A.html", "oversigt41_A.html", "klasse41_A.json"});
        QTest::newRow("places hidden, cross-country last") << 42 << QStringList({"klasse42_A.html"});
    }

    void pagesMatchExpected()
    {
        QFETCH(int, klasseNr);
        QFETCH(QStringList, files);
        EventingProbe view(m_cfg);
        view.show(klasseNr);
        // Start 1 has jumped again: the last change.
        QVERIFY(runSql("UPDATE tblStart SET Springning = 8 WHERE StartId IN (9601, 9611)"));
        view.updateKlasse();
        QVERIFY(runSql("UPDATE tblStart SET Springning = 4 WHERE StartId = 9601; "
                       "UPDATE tblStart SET Springning = 0 WHERE StartId = 9611"));
        QVERIFY(view.lastChangeId == 9601 || view.lastChangeId == 9611);

        for (const QString &name : files) {
            // Byte for byte: database text stays escaped in the pages.
            const QByteArray expected = readFile(QStringLiteral(ZEP_TESTDATA "/eventing_") + name);
            QVERIFY2(!expected.isEmpty(), qPrintable(name));
            QCOMPARE(QString::fromUtf8(readFile(outFile(name))), QString::fromUtf8(expected));
        }
    }

private:
    QString outFile(const QString &name) const { return m_dir.filePath(QStringLiteral("html/") + name); }
    // The class page, the overview and the document of a section.
    QList<QByteArray> outFiles(int klasseNr) const
    {
        QList<QByteArray> files;
        for (const char *name : {"klasse%1_A.html", "oversigt%1_A.html", "klasse%1_A.json"})
            files << readFile(outFile(QString::fromLatin1(name).arg(klasseNr)));
        return files;
    }

    QTemporaryDir m_dir;
    appConfig *m_cfg = nullptr;
};

QTEST_MAIN(TestEventingView)
#include "tst_eventingview.moc"

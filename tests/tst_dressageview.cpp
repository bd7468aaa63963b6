// The dressage view against the stand-in database, for what the byte-exact
// pages and documents of tst_dressagepages do not show: a class without
// maximum points, the last-change mark, the start-time toggle, and loads
// that cannot read the database leaving the view as it was. Its Hippodata
// CSV export: the horse's sex and colour maps, the export of a fixed class
// started from the right-click menu, a NULL number read as no value, and a
// failed export keeping the previous file. And the view following the
// database on its timer: one row's update rules, a sequence of changes each
// followed by one tick, ticks that cannot read or write, and the view kept
// level with the simulator's show.

#include "database/HorseLookup.h"
#include "demo/DemoSimulator.h"
#include "files/WholeFile.h"
#include "views/dressur/DressurUpdate.h"
#include "settings/appConfig.h"

#include "ChildProcesses.h"
#include "DressageFixture.h"
#include "HtmlCheck.h"

#include <QContextMenuEvent>
#include <QSqlQuery>

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace DressurColumns;
using namespace fixture;

namespace {

constexpr int Individual = 31;
constexpr int Kur = 32;
constexpr int Team = 33;
constexpr int NoMaximum = 34;

using Signal = QVariantList;
Signal changed(bool result) { return {1, QStringLiteral("A"), 31, result}; }

QList<Signal> taken(QSignalSpy &spy)
{
    const QList<Signal> all = spy;
    spy.clear();
    return all;
}

} // namespace

class TestDressageView : public QObject
{
    Q_OBJECT

private slots:
    // A signal ends this program at once (tests/ChildProcesses.h).
    void initTestCase() { childprocs::stopChildrenOnSignals(); }

    // Every test starts from a fresh database: the tests change it.
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_file = m_dir->filePath(QStringLiteral("zep.db"));
        const QString error = openCompetition(m_file);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        m_cfg = std::make_unique<appConfig>(nullptr, QString());
        m_cfg->setValue(QStringLiteral("http.root"), m_dir->filePath(QStringLiteral("html")));
    }

    void cleanup()
    {
        setCommitRefusal({});
        standin::Faults::clear();
        QSqlDatabase::removeDatabase(Zep);
    }

    void noMaximumAndOwnPlacings()
    {
        DressageView view(m_cfg.get());
        view.show(NoMaximum);
        QCOMPARE(column(view.listView1, 6), (QStringList{"", ""}));
        QCOMPARE(column(view.listView1, 9), (QStringList{"1", "2"}));
        // The section's own number of placings stands, whatever the count.
        QCOMPARE(view.antalPlac->text(), QStringLiteral("Antal Placeringer 3"));
        // Its finished pages show the plain sum of the marks and no judges'
        // places, and nothing that came of a division by zero.
        m_cfg->setValue(QStringLiteral("vis.fei"), QStringLiteral("1"));
        view.printHtml();
        const QByteArray page = readFile(html("klasse34_A.html"));
        QVERIFY(page.contains("<b>55.000</b>") && page.contains("<b>50.000</b>"));
        QVERIFY(!page.contains("judge_place") && !page.contains(">inf") && !page.contains(">nan"));
        QCOMPARE(htmlProblem(page), QString());
        QCOMPARE(htmlProblem(readFile(html("rank34_A.html"))), QString());

        // The same view loading a class with a maximum forgets the flag and the
        // section's own number.
        view.show(Individual);
        QVERIFY(!view.noMaxPnt);
        QCOMPARE(view.antalPlaceringer, 2);
    }

    void doubleClickMarksStartIdAndRefreshKeepsIt()
    {
        // A load marks no starter, not even the one who retired.
        DressageView view(m_cfg.get());
        view.show(Individual);
        QCOMPARE(view.lastChangeId, -1);
        QSignalSpy changes(&view, &staevneKlasseInfo::resultChangeClass);
        emit view.listView1->itemDoubleClicked(view.listView1->topLevelItem(2), 0);
        view.refreshClass();
        QCOMPARE(jsonValue(html("klasse31_A.json"), "lastChangeId"), QStringLiteral("9603"));
        QCOMPARE(taken(changes), QList<Signal>{changed(false)});
        // A reload that cannot read the class keeps the mark.
        standin::Faults::failNextStatements(1);
        view.refreshClass();
        QCOMPARE(view.lastChangeId, 9603);
        QVERIFY(changes.isEmpty());
    }

    void codes_data()
    {
        QTest::addColumn<QString>("koen");
        QTest::addColumn<QString>("sex");
        QTest::addColumn<QString>("farve");
        QTest::addColumn<QString>("colour");

        QTest::newRow("lower case stallion, plain bay") << "hi" << "S" << "BRUN" << "Bay";
        QTest::newRow("mare with blanks, dark bay") << " HO " << "M" << QString::fromUtf8("mørk brun") << "DarkBay";
        QTest::newRow("no sex, roan") << "" << "G" << "Brunskimmel" << "Roan";
        QTest::newRow("chestnut as the service spells it") << "HI" << "S" << QString::fromUtf8("Mørk  rød")
                                                          << "DarkChesnut";
        QTest::newRow("unknown colour as stored") << "ho" << "M" << "  Fuks  med blis " << "Fuks med blis";
    }

    void codes()
    {
        QFETCH(QString, koen);
        QFETCH(QString, sex);
        QFETCH(QString, farve);
        QFETCH(QString, colour);
        QCOMPARE(HorseLookup::sexCode(koen), sex);
        QCOMPARE(HorseLookup::colourName(farve), colour);
    }

    void exportFromTheMenu()
    {
        DressageView view(m_cfg.get());
        view.show(35);
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), view.mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(&view, &event);
        QCOMPARE(view.menuItems,
                 (QStringList{"<font color=darkblue><u><b>Export</b></u></font>", "&Hippodata Ctrl+H"}));

        // Highest start number first; a horse known only from a local row has
        // no registry fields; a ";" in a field does not make a 17th field.
        QCOMPARE(readFile(html("klasse35_A.csv")), readFile(QStringLiteral(ZEP_TESTDATA "/hippodata_klasse35_A.csv")));
    }

    void nullNumberIsAnEmptyField()
    {
        // A driver hands a NULL number over as a typed null whose text is "0": a
        // horse without a birth date would be exported as born in year 0.
        QVERIFY(runSql("INSERT INTO tblAnmeldelse (AnmeldelseId, KlasseId, AnmeldelseNr) VALUES (990001, 0, 0)"));
        DressageView view(m_cfg.get());
        bool ok = false;
        const QString nullNumber
                = view.getDBField("SELECT RytterId FROM tblAnmeldelse WHERE AnmeldelseId = 990001", &ok);
        QVERIFY(ok);
        QVERIFY2(nullNumber.isEmpty(), qPrintable(nullNumber));
        QCOMPARE(view.getDBField("SELECT AnmeldelseNr FROM tblAnmeldelse WHERE AnmeldelseId = 990001"), "0");
    }

    void failedExportKeepsThePreviousFile()
    {
        DressageView view(m_cfg.get());
        view.show(35);
        view.exportKlasse();
        const QByteArray before = readFile(html("klasse35_A.csv"));
        QVERIFY(!before.isEmpty());

        QSignalSpy log(&view, &staevneKlasseInfo::logMessage);
        standin::Faults::failNextStatements(1);
        view.exportKlasse();
        QCOMPARE(readFile(html("klasse35_A.csv")), before);
        QCOMPARE(logged(log, 1).size(), 1);
        QVERIFY(logged(log, 3).isEmpty());

        // No connection at all: nothing written.
        standin::Faults::setRefuseOpen(true);
        QVERIFY(standin::Faults::dropConnection(Zep));
        view.exportKlasse();
        QCOMPARE(readFile(html("klasse35_A.csv")), before);
    }

    void failedLoadsKeepTheList()
    {
        DressageView view(m_cfg.get());
        view.show(Team);
        const QVector<QStringList> before = rowsOf(view.listView1);
        QSignalSpy log(&view, &staevneKlasseInfo::logMessage);
        int asked = 0;
        connect(&view, &staevneKlasseInfo::connectDB, this, [&](const QString &name) {
            ++asked; // as the main window does
            QSqlDatabase db = QSqlDatabase::addDatabase(standin::driverName(), name);
            db.setDatabaseName(m_file);
            db.open();
        });

        // Only the team class's starters statement reads the team table.
        QVERIFY(runSql(QStringLiteral("ALTER TABLE tblAnmeldelseHold RENAME TO tblAnmeldelseHoldAway")));
        view.refreshClass();
        QVERIFY(runSql(QStringLiteral("ALTER TABLE tblAnmeldelseHoldAway RENAME TO tblAnmeldelseHold")));
        QCOMPARE(rowsOf(view.listView1), before);
        // The header of another class cannot be read.
        standin::Faults::failNextStatements(1);
        view.show(NoMaximum);
        QCOMPARE(rowsOf(view.listView1), before);
        QCOMPARE(logged(log, -1).size(), 5); // the starters' statement, the header's statement and its 3 values

        // A connection that will not open again, then none at all (asked for once).
        standin::Faults::setRefuseOpen(true);
        QVERIFY(standin::Faults::dropConnection(Zep));
        view.show(Kur);
        standin::Faults::clear();
        QCOMPARE(rowsOf(view.listView1), before);
        QSqlDatabase::removeDatabase(Zep);
        view.show(Kur);
        QCOMPARE(rowsOf(view.listView1), before);
        view.show(Kur);
        QCOMPARE(asked, 1);
        QCOMPARE(view.listView1->topLevelItemCount(), 5);
    }

    void applyRules_data()
    {
        QTest::addColumn<int>("kur");
        QTest::addColumn<bool>("hold");
        QTest::addColumn<QStringList>("before"); // col=text
        QTest::addColumn<QVariantList>("result");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<bool>("lastChange");

        // Fields: StartNr, anmeldelseNr, total, status, placering, StartId, five
        // marks, five Kur marks, start time, drop mark.
        const auto result = [](double total, const char *status, int placering, QVariant kurE = {},
                               QVariant udgaar = 0) {
            return QVariantList{3, 103, total, status ? QVariant(QString::fromUtf8(status)) : QVariant(), placering,
                                9603, 200, 0, total - 200, 0, 0, kurE, {}, {}, {}, {}, "09:16", udgaar};
        };
        QTest::newRow("same total with more digits")
            << 0 << false << QStringList{"5=410.123", "6=68.354"} << result(410.123456, nullptr, 0)
            << QStringList{"5=410.123", "6=68.354", "13=210.123"} << false;
        QTest::newRow("truncated status word ends the ride")
            << 0 << false << QStringList{"5=0", "7=3"} << result(0, "Diskvalifice", 0)
            << QStringList{"7=Diskvalificeret", "8=Diskvalificeret"} << true;
        QTest::newRow("placing back to none") << 0 << false << QStringList{"5=0", "7=3"} << result(0, nullptr, 0)
                                              << QStringList{"7=", "8="} << false;
        QTest::newRow("placed, then retired: the place stays")
            << 0 << false << QStringList{"5=300", "7=4", "8=UDGÅET"} << result(300, "UDGÅET", 4)
            << QStringList{"7=4", "8=UDGÅET"} << false;
        QTest::newRow("Kur marks only when Kur is 1") << 2 << false << QStringList{"5=0"} << result(0, nullptr, 0, 9)
                                                      << QStringList{"17="} << false;
        QTest::newRow("drop mark only in team classes") << 0 << false << QStringList{"5=0"}
                                                        << result(0, nullptr, 0, {}, 1) << QStringList{"30="} << false;
        QTest::newRow("drop mark followed") << 0 << true << QStringList{"5=0"} << result(0, nullptr, 0, {}, 1)
                                            << QStringList{"30=1"} << false;
    }

    void applyRules()
    {
        QFETCH(int, kur);
        QFETCH(bool, hold);
        QFETCH(QStringList, before);
        QFETCH(QVariantList, result);
        QFETCH(QStringList, after);
        QFETCH(bool, lastChange);

        QStringList cells(Count);
        cells[StartNr] = QStringLiteral("3");
        cells[StartId] = QStringLiteral("9603");
        for (const QString &given : before)
            cells[given.section(QLatin1Char('='), 0, 0).toInt()] = given.section(QLatin1Char('='), 1);

        DressurUpdate::Options options;
        options.maxPnt = 300;
        options.antalDommere = 2;
        options.kur = kur;
        options.hold = hold;
        const DressurUpdate::Outcome outcome = DressurUpdate::apply(cells, result, options);
        QCOMPARE(outcome.lastChange, lastChange);
        QVERIFY(!outcome.startNrChanged);
        for (const QString &expected : after)
            QCOMPARE(cells[expected.section(QLatin1Char('='), 0, 0).toInt()], expected.section(QLatin1Char('='), 1));
    }

    void sequenceOfChanges()
    {
        DressageView view(m_cfg.get());
        view.show(31);
        QSignalSpy announced(&view, &staevneKlasseInfo::resultChangeClass);
        QVERIFY(readFile(html("klasse31_A.html")).contains("Bo&nbsp;Jensen"));

        // Each change is written into the database and followed by one tick;
        // then one cell, the last-change mark and what was announced.
        const struct {
            QString sql;
            const char *startId;
            int column;
            const char *cell;
            int mark;
            QList<Signal> signal;
        } steps[] = {
            // The starter still to ride gets a score: the last-changed starter.
            {"UPDATE tblStart SET DommerE = 200, DommerC = 190 WHERE StartId = 9606", "9606", ForeloebigPlacering, "4",
             9606, {changed(true)}},
            // The same starter's score corrected: no new mark, but new pages.
            {"UPDATE tblStart SET DommerC = 195 WHERE StartId = 9606", "9606", Point, "395", 9606, {changed(false)}},
            // Nothing changed: nothing to announce.
            {QString(), "9606", Point, "395", 9606, {}},
            // A withdrawal loses the placing it had.
            {"UPDATE tblStart SET Status = 'AFMELDT' WHERE StartId = 9602", "9602", ForeloebigPlacering, "", 9606,
             {changed(false)}},
            // A status word in any letter case ends a ride and marks the starter.
            {"UPDATE tblStart SET Status = 'Opgivet' WHERE StartId = 9603", "9603", Placering, "Opgivet", 9603,
             {changed(true)}},
            // A new start number is announced without a new mark.
            {"UPDATE tblStart SET StartNr = 7 WHERE StartId = 9608", "9608", StartNr, "7", 9603, {changed(false)}},
            // A late entry with a new score, but the reload it needs cannot read
            // the class: the mark and the pages stay, nothing is announced...
            {"INSERT INTO tblAnmeldelse (AnmeldelseId, KlasseId, AnmeldelseNr, RytterId, HestId, KlubId, Kategori) "
             "VALUES (9510, 9101, 110, 9307, 9405, 'FRK', '0');"
             "INSERT INTO tblStart (StartId, AfdelingId, AnmeldelseId, StartNr, Starttid) "
             "VALUES (9610, 9201, 9510, 10, '1900-01-01 10:20:00.000');"
             "UPDATE tblStart SET DommerE = 210 WHERE StartId = 9601;"
             "ALTER TABLE tblKlasseType RENAME TO tblKlasseTypeAway",
             "9610", StaevneNr, "<no row>", 9603, {}},
            // ...the next tick brings both: the reload announces itself once.
            {"ALTER TABLE tblKlasseTypeAway RENAME TO tblKlasseType", "9610", StaevneNr, "110", 9601,
             {changed(false), changed(true)}},
            // A start taken out of the section: fewer results than rows, reloaded.
            {"UPDATE tblStart SET Slettet = '2024-06-14 10:30:00.000' WHERE StartId = 9610", "9610", StaevneNr,
             "<no row>", 9601, {changed(false)}},
        };
        for (const auto &step : steps) {
            QVERIFY(step.sql.isEmpty() || runSql(step.sql));
            view.updateKlasse();
            QCOMPARE(view.cell(QLatin1String(step.startId), step.column), QString::fromUtf8(step.cell));
            QCOMPARE(view.lastChangeId, step.mark);
            QCOMPARE(taken(announced), step.signal);
        }
        // The withdrawn starter is off the pages; the marks are published.
        const QByteArray page = readFile(html("klasse31_A.html"));
        QVERIFY(!page.contains("Bo&nbsp;Jensen") && page.contains("<tr bgcolor=\"#FABB00\" class=\"lastrider\">\n"));
        QCOMPARE(jsonValue(html("klasse31_A.json"), "lastChangeId"), QStringLiteral("9601"));
    }

    void keepStartTimes()
    {
        // Another section of the same class keeps its start times; this one
        // does not.
        QVERIFY(runSql("INSERT INTO tblAfdeling (AfdelingId, KlasseId, AfdelingInitialer, BaneNr, AntalPlaceringer, "
                       "BevarStartTid) VALUES (9200, 9101, 'B', 2, 0, 1)"));
        DressageView view(m_cfg.get());
        view.show(31);
        QSignalSpy announced(&view, &staevneKlasseInfo::resultChangeClass);
        view.updateKlasse();
        QCOMPARE(view.bevarStartTid, 0);

        QVERIFY(runSql("UPDATE tblAfdeling SET BevarStartTid = 1 WHERE AfdelingId = 9201"));
        view.updateKlasse();
        QCOMPARE(view.bevarStartTid, 1);
        QCOMPARE(taken(announced), QList<Signal>{changed(false)});

        // The flag cannot be read: it stays as it was, and nothing is announced.
        standin::Faults::failNextStatements(1);
        view.updateKlasse();
        QCOMPARE(view.bevarStartTid, 1);
        QCOMPARE(taken(announced), QList<Signal>{});

        // The toggle stores the flag, publishes it and announces the change.
        const auto stored = [] {
            QSqlQuery query(QSqlDatabase::database(Zep));
            if (!query.exec(QStringLiteral("SELECT BevarStartTid FROM dbo.tblAfdeling WHERE afdelingId = 9201"))
                || !query.next())
                return query.lastError().text();
            return query.value(0).toString();
        };
        for (const char *flag : {"0", "1"}) {
            view.visStartTid();
            QCOMPARE(stored(), QLatin1String(flag));
            QCOMPARE(jsonValue(html("klasse31_A.json"), "bevarStartTid"), QLatin1String(flag));
        }
        QCOMPARE(taken(announced), (QList<Signal>{changed(false), changed(false)}));

        // A toggle whose pages cannot be written (a folder stands in the
        // result page's place) is stored but not announced; the tick that
        // writes its pages announces it, once.
        const QString page = html("klasse31_A.html");
        QVERIFY(QFile::remove(page) && QDir().mkpath(page));
        view.visStartTid();
        QCOMPARE(stored(), QLatin1String("0"));
        view.updateKlasse();
        QCOMPARE(taken(announced), QList<Signal>{});
        QCOMPARE(jsonValue(html("klasse31_A.json"), "bevarStartTid"), QLatin1String("1"));
        QVERIFY(QDir().rmdir(page));
        view.updateKlasse();
        QCOMPARE(taken(announced), QList<Signal>{changed(false)});
        QCOMPARE(jsonValue(html("klasse31_A.json"), "bevarStartTid"), QLatin1String("0"));
        view.updateKlasse();
        QCOMPARE(taken(announced), QList<Signal>{});
    }

    void failedReadsAndWritesKeepThePages()
    {
        DressageView view(m_cfg.get());
        view.show(31);
        QSignalSpy announced(&view, &staevneKlasseInfo::resultChangeClass);
        const QStringList files = {html("klasse31_A.html"), html("rank31_A.html"), html("klasse31_A.json")};
        QList<QByteArray> before;
        for (const QString &file : files)
            before << readFile(file);
        const QVector<QStringList> rows = rowsOf(view.listView1);

        // A score waits in the database; the clock has moved on: any page
        // written now would differ from the last good ones.
        QVERIFY(runSql("UPDATE tblStart SET DommerE = 200, DommerC = 190 WHERE StartId = 9606"));
        view.now = view.now.addSecs(600);

        standin::Faults::failNextStatements(2); // the flag and the results
        view.updateKlasse();
        for (int i = 0; i < files.size(); ++i)
            QCOMPARE(readFile(files[i]), before[i]);
        QCOMPARE(rowsOf(view.listView1), rows);

        // The database answers, but the ranking page cannot be written (a
        // folder stands in its place): all three files keep the last state.
        QVERIFY(QFile::remove(files[1]) && QDir().mkpath(files[1]));
        view.updateKlasse();
        QCOMPARE(readFile(files[0]), before[0]);
        QCOMPARE(readFile(files[2]), before[2]);
        QCOMPARE(taken(announced), QList<Signal>{});

        // The ranking page is written, but its rename is refused after the
        // result page's went through: that one is put back, so all three
        // still show the last state.
        QVERIFY(QDir(files[1]).removeRecursively());
        QVERIFY(writeWholeFile(files[1], before[1], nullptr));
        setCommitRefusal([&files](const QString &path) { return path == files[1]; });
        view.updateKlasse();
        for (int i = 0; i < files.size(); ++i)
            QCOMPARE(readFile(files[i]), before[i]);
        QCOMPARE(taken(announced), QList<Signal>{});

        // Writable again, with nothing new in the database: the waiting state is
        // written and announced as the new result it is, once.
        setCommitRefusal({});
        view.updateKlasse();
        QCOMPARE(taken(announced), QList<Signal>{changed(true)});
        QCOMPARE(view.cell("9606", Point), QStringLiteral("390"));
        QVERIFY(readFile(files[0]).contains("class=\"lastrider\""));
        QCOMPARE(jsonValue(files[2], "lastChangeId"), QStringLiteral("9606"));
        view.updateKlasse();
        QCOMPARE(taken(announced), QList<Signal>{});
    }

    void readsThatBreakOffKeepTheList()
    {
        // The database link breaks in the middle of the starters of a reload,
        // then of a tick's results: the list and the pages stay as the last
        // whole read left them, and the log says so.
        DressageView view(m_cfg.get());
        view.show(31);
        QSignalSpy announced(&view, &staevneKlasseInfo::resultChangeClass);
        QSignalSpy log(&view, &staevneKlasseInfo::logMessage);
        const QVector<QStringList> rows = rowsOf(view.listView1);
        const QStringList files = {html("klasse31_A.html"), html("rank31_A.html"), html("klasse31_A.json")};
        QList<QByteArray> before;
        for (const QString &file : files)
            before << readFile(file);
        QVERIFY(runSql("UPDATE tblStart SET DommerE = 200, DommerC = 190 WHERE StartId = 9606"));
        view.now = view.now.addSecs(600);

        standin::Faults::failFetchAfterRows(2);
        view.refreshClass();
        QVERIFY(!standin::Faults::fetchFailurePending());
        QCOMPARE(rowsOf(view.listView1), rows);
        QCOMPARE(logged(log, 1).filter(QStringLiteral("the pages of the last read stay")).size(), 1);

        standin::Faults::failFetchAfterRows(3);
        view.updateKlasse();
        QVERIFY(!standin::Faults::fetchFailurePending());
        QCOMPARE(rowsOf(view.listView1), rows);
        for (int i = 0; i < files.size(); ++i)
            QCOMPARE(readFile(files[i]), before[i]);
        QCOMPARE(logged(log, 1).filter(QStringLiteral("the results could not be read")).size(), 1);
        QCOMPARE(taken(announced), QList<Signal>{});

        // The next whole read brings the score.
        view.updateKlasse();
        QCOMPARE(view.cell("9606", Point), QStringLiteral("390"));
        QCOMPARE(taken(announced), QList<Signal>{changed(true)});
    }

    void withdrawalsOnATickLowerThePlacings()
    {
        // Six starters give two placings. Two withdraw between ticks: the same
        // tick, without a reload, shows and publishes one placing for four.
        DressageView view(m_cfg.get());
        view.show(Individual);
        QCOMPARE(view.antalPlaceringer, 2);
        QSignalSpy log(&view, &staevneKlasseInfo::logMessage);
        QVERIFY(runSql("UPDATE tblStart SET Status = 'AFMELDT' WHERE StartId IN (9602, 9603)"));
        view.updateKlasse();
        QVERIFY(logged(log, 1).filter(QStringLiteral("Refresh class called")).isEmpty());
        QCOMPARE(view.antalPlaceringer, 1);
        QCOMPARE(view.antalPlac->text(), QStringLiteral("Antal Placeringer 1"));
        QCOMPARE(jsonValue(html("klasse31_A.json"), "antalPlaceringer"), QStringLiteral("1"));

        // One comes back: two placings again, at once.
        QVERIFY(runSql("UPDATE tblStart SET Status = NULL WHERE StartId = 9603"));
        view.updateKlasse();
        QCOMPARE(view.antalPlac->text(), QStringLiteral("Antal Placeringer 2"));
        QCOMPARE(jsonValue(html("klasse31_A.json"), "antalPlaceringer"), QStringLiteral("2"));
        QVERIFY(logged(log, 1).filter(QStringLiteral("Refresh class called")).isEmpty());

        // A section with its own number keeps it when a starter withdraws.
        view.show(NoMaximum);
        QVERIFY(runSql("UPDATE tblStart SET Status = 'AFMELDT' WHERE StartId = 9642"));
        view.updateKlasse();
        QCOMPARE(view.antalPlac->text(), QStringLiteral("Antal Placeringer 3"));
        QCOMPARE(jsonValue(html("klasse34_A.json"), "antalPlaceringer"), QStringLiteral("3"));
    }

    void entryWithoutStartNumber()
    {
        // A late entry has its entry number but no start number yet: it is
        // listed and published, and a tick finds its row rather than
        // reloading the class every time.
        QVERIFY(runSql("INSERT INTO tblAnmeldelse (AnmeldelseId, KlasseId, AnmeldelseNr, RytterId, HestId, KlubId, "
                       "Kategori) VALUES (9510, 9101, 110, 9307, 9405, 'FRK', '0');"
                       "INSERT INTO tblStart (StartId, AfdelingId, AnmeldelseId, StartNr) VALUES (9610, 9201, 9510, "
                       "NULL)"));
        DressageView view(m_cfg.get());
        view.show(Individual);
        QCOMPARE(view.cell("9610", StaevneNr), QStringLiteral("110"));
        QCOMPARE(view.cell("9610", StartNr), QStringLiteral("0"));
        QVERIFY(readFile(html("klasse31_A.html")).contains("Gitte&nbsp;Lund"));

        QSignalSpy log(&view, &staevneKlasseInfo::logMessage);
        QSignalSpy announced(&view, &staevneKlasseInfo::resultChangeClass);
        const QVector<QStringList> rows = rowsOf(view.listView1);
        view.updateKlasse();
        view.updateKlasse();
        QCOMPARE(rowsOf(view.listView1), rows);
        QCOMPARE(taken(announced), QList<Signal>{});

        // Its start number comes: the row gets it on the next tick.
        QVERIFY(runSql("UPDATE tblStart SET StartNr = 10 WHERE StartId = 9610"));
        view.updateKlasse();
        QCOMPARE(view.cell("9610", StartNr), QStringLiteral("10"));
        QCOMPARE(taken(announced), QList<Signal>{changed(false)});
        QVERIFY(logged(log, 1).filter(QStringLiteral("Refresh class called")).isEmpty());
    }

    void outageIsLoggedWhenItStartsAndEnds_data()
    {
        QTest::addColumn<QString>("outage");
        QTest::addColumn<int>("startLines"); // level 1, all on the outage's first tick
        QTest::addColumn<QString>("endLine");
        const QString readAgain = QStringLiteral("Klasse 31 A: databasen kan læses igen");
        QTest::newRow("connection refused") << "refuse" << 1 << readAgain;
        QTest::newRow("statements fail") << "statements" << 1 << readAgain;
        // The results read, but a starter has gone and the reload that
        // follows cannot read the starters.
        QTest::newRow("reload fails") << "reload" << 2 << readAgain;
        QTest::newRow("pages cannot be written") << "write" << 1 << QStringLiteral("Klasse 31 A: siderne skrives igen");
    }

    void outageIsLoggedWhenItStartsAndEnds()
    {
        QFETCH(QString, outage);
        QFETCH(int, startLines);
        QFETCH(QString, endLine);
        // Without the fixture's second configuration of one pair, a reload
        // that succeeds has nothing to say.
        QVERIFY(runSql(QStringLiteral("DELETE FROM tblConfig WHERE ConfigId = 9413")));
        DressageView view(m_cfg.get());
        view.show(31);
        const QString rank = html("rank31_A.html");
        const auto begin = [&](int round) {
            if (outage == QLatin1String("reload")) {
                QVERIFY(runSql(QStringLiteral("ALTER TABLE tblConfig RENAME TO tblConfigAway")));
                QVERIFY(runSql(QStringLiteral("UPDATE tblStart SET Slettet = '2024-06-15 12:00:00.000' "
                                              "WHERE StartId = %1").arg(9601 + round)));
            } else {
                QVERIFY(QFile::remove(rank) && QDir().mkpath(rank));
            }
        };
        const auto end = [&] {
            if (outage == QLatin1String("reload"))
                QVERIFY(runSql(QStringLiteral("ALTER TABLE tblConfigAway RENAME TO tblConfig")));
            else
                QVERIFY(QDir(rank).removeRecursively());
        };
        outageRounds(view, outage, startLines, endLine, begin, end);
    }

    void followsTheSimulator()
    {
        // Every dressage section of the demo competition, ticked after every
        // step of the simulator (results, withdrawals, late entries), shows and
        // publishes what a fresh load of the section does.
        QString error;
        const auto sections = standin::readDemoSections(m_file, standin::demoCompetitionId, &error);
        QVERIFY2(!sections.isEmpty(), qPrintable(error));
        std::vector<std::pair<standin::DemoSection, std::unique_ptr<DressageView>>> views;
        int firstRows = 0;
        for (const standin::DemoSection &section : sections) {
            using Kind = standin::DemoSectionKind;
            if (section.kind != Kind::Dressage && section.kind != Kind::Kur && section.kind != Kind::Team)
                continue;
            views.emplace_back(section, std::make_unique<DressageView>(m_cfg.get()));
            views.back().second->showKlasse(section.staevneId, section.klasseNr, section.afdeling, section.bane,
                                            section.afdelingId);
            firstRows += views.back().second->listView1->topLevelItemCount();
        }
        QVERIFY(views.size() >= 3);

        appConfig freshCfg(nullptr, QString());
        freshCfg.setValue(QStringLiteral("http.root"), m_dir->filePath(QStringLiteral("fresh")));
        standin::DemoSimulator simulator(m_file, 3);
        int announcements = 0;
        int rows = 0;
        QStringList changes;
        for (int step = 0; step < 30 && !simulator.isDone() && !QTest::currentTestFailed(); ++step) {
            changes << simulator.step();
            QVERIFY2(simulator.lastError().isEmpty(), qPrintable(simulator.lastError()));
            rows = 0;
            for (const auto &[section, view] : views) {
                QSignalSpy spy(view.get(), &staevneKlasseInfo::resultChangeClass);
                view->updateKlasse();
                announcements += spy.count();
                rows += view->listView1->topLevelItemCount();
                DressageView fresh(&freshCfg);
                fresh.showKlasse(section.staevneId, section.klasseNr, section.afdeling, section.bane,
                                 section.afdelingId);
                const QString where
                        = QStringLiteral("step %1 class %2 %3").arg(step).arg(section.klasseNr).arg(section.afdeling);
                QVERIFY2(rowsOf(fresh.listView1) == rowsOf(view->listView1), qPrintable(where));
                fresh.lastChangeId = view->lastChangeId; // with the same mark, the same bytes
                fresh.printHtml();
                for (const char *pattern : {"klasse%1_%2.html", "rank%1_%2.html", "klasse%1_%2.json"}) {
                    const QString name = QString::fromLatin1(pattern).arg(section.klasseNr).arg(section.afdeling);
                    QVERIFY2(readFile(m_dir->filePath(QStringLiteral("html/") + name))
                                 == readFile(m_dir->filePath(QStringLiteral("fresh/") + name)),
                             qPrintable(where + QLatin1Char(' ') + name));
                }
            }
        }
        // The run reached results, withdrawals and late entries in these sections.
        QVERIFY(announcements > 0 && rows > firstRows);
        QVERIFY(!changes.filter(QStringLiteral("AFMELDT")).isEmpty());
    }

private:
    QString html(const char *name) const { return m_dir->filePath(QStringLiteral("html/") + QLatin1String(name)); }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_file;
    std::unique_ptr<appConfig> m_cfg;
};

QTEST_MAIN(TestDressageView)
#include "tst_dressageview.moc"

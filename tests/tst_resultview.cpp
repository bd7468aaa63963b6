// The result view base: timer rule, reload, last-change mark, single
// statements, sized columns; the class JSON document with its escaping and its
// all-or-none writes; the database value reader and the start-number order.

#include "database/DbValue.h"
#include "files/WholeFile.h"
#include "views/KlasseJsonDocument.h"
#include "views/PageStyle.h"
#include "settings/appConfig.h"
#include "views/StartNrOrder.h"
#include "views/staevneKlasseInfo.h"
#include "ChildProcesses.h"
#include "EventWait.h"

#include <QHeaderView>
#include <QJsonArray>
#include <QScrollBar>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

namespace {

// A view that counts what the base calls and lets the test set the fields a
// real view fills from the database.
class ProbeView : public staevneKlasseInfo
{
public:
    using staevneKlasseInfo::staevneKlasseInfo;
    using staevneKlasseInfo::klasseNr;
    using staevneKlasseInfo::lastChangeId;
    using staevneKlasseInfo::oneValue;
    using staevneKlasseInfo::staevneId;
    using staevneKlasseInfo::Trouble;
    using staevneKlasseInfo::troubleOver;

    int updates = 0;
    int markWhilePrinting = -2;

    void updateKlasse() override { ++updates; }
    void printHtml() override { markWhilePrinting = lastChangeId; }
    void setTexts(const QString &sponsorText, const QString &remarksText)
    {
        klassesponsor = sponsorText;
        remarks = remarksText;
        m_judges = QStringLiteral("Anne \"A\" Hansen");
        m_diciplinId = QStringLiteral("2");
        klasseTypeId = QStringLiteral("5");
    }
};

QJsonObject parse(const QByteArray &bytes)
{
    QJsonParseError error;
    const QJsonObject object = QJsonDocument::fromJson(bytes, &error).object();
    return error.error == QJsonParseError::NoError ? object : QJsonObject();
}

} // namespace

class TestResultView : public QObject
{
    Q_OBJECT

private slots:
    // A signal ends this program at once (tests/ChildProcesses.h).
    void initTestCase() { childprocs::stopChildrenOnSignals(); }

    void timerMarkAndRefresh()
    {
        // Neither a competition alone nor a class alone is a shown class.
        ProbeView view(&m_cfg);
        view.staevneId = 5;
        view.timeOut();
        view.staevneId = -1;
        view.klasseNr = 3;
        view.timeOut();
        QCOMPARE(view.updates, 0);
        view.showKlasse(5, 3, QStringLiteral("A"), 2, 9);
        view.timeOut();
        QCOMPARE(view.updates, 1);

        // A double-click marks a starter by its number once; a row without
        // one marks 0 only when nothing is marked.
        view.listView1->setColumnCount(2);
        auto *twelve = new QTreeWidgetItem({QStringLiteral("1"), QStringLiteral("12")});
        auto *blank = new QTreeWidgetItem({QStringLiteral("2"), QString()});
        view.listView1->addTopLevelItems({twelve, blank});
        view.slotHeighLight(nullptr);
        QCOMPARE(view.lastChangeId, -1);
        view.slotHeighLight(blank);
        QCOMPARE(view.lastChangeId, 0);
        view.lastChangeId = -1;
        view.slotHeighLight(twelve);
        view.slotHeighLight(blank);
        QCOMPARE(view.lastChangeId, 12);

        // A refresh reloads and publishes with the mark it had; showing a
        // class afresh clears it.
        QSignalSpy changes(&view, &staevneKlasseInfo::resultChangeClass);
        view.refreshClass();
        QCOMPARE(view.lastChangeId, 12);
        QCOMPARE(view.markWhilePrinting, 12);
        QCOMPARE(changes, (QList<QVariantList>{{2, QStringLiteral("A"), 3, false}}));
        view.showKlasse(5, 3, QStringLiteral("A"), 2, 9);
        QCOMPARE(view.lastChangeId, -1);
    }

    void statementsAndOutage()
    {
        // The station's one writing statement gives the rows it changed; a
        // failed one is logged as an error and changes none.
        const QString name = QStringLiteral("ZEP");
        QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name).setDatabaseName(QStringLiteral(":memory:"));
        ProbeView view(&m_cfg);
        QSignalSpy log(&view, &staevneKlasseInfo::logMessage);
        const auto levels = [&log] {
            QList<int> found;
            for (const QVariantList &args : std::as_const(log))
                found << args.at(0).toInt();
            log.clear();
            return found;
        };
        view.execSql(QStringLiteral("CREATE TABLE t (x int)"));
        view.execSql(QStringLiteral("INSERT INTO t VALUES (1), (2), (3)"));
        QCOMPARE(view.execSql(QStringLiteral("UPDATE t SET x = 0 WHERE x > 1")), 2);
        QCOMPARE(view.execSql(QStringLiteral("UPDATE noSuchTable SET x = 1")), 0);
        QCOMPARE(levels(), QList<int>{-1});

        // A connection that cannot be opened is one line however often it is
        // asked for; statements that fail within the outage add nothing; the
        // view that reads again ends it with one line, and its statements
        // are logged again after it.
        view.showKlasse(17, 3, QStringLiteral("A"), 1, 44);
        for (int outage = 0; outage < 2; ++outage) {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            db.close();
            db.setDatabaseName(m_dir.filePath(QStringLiteral("no/such/folder/zep.db")));
            for (int tick = 0; tick < 3; ++tick) {
                bool ok = true;
                view.oneValue(QStringLiteral("SELECT 1"), &ok, true);
                QVERIFY(!ok);
            }
            QCOMPARE(levels(), QList<int>{1});

            db.setDatabaseName(QStringLiteral(":memory:"));
            bool ok = false;
            view.oneValue(QStringLiteral("SELECT x FROM noSuchTable"), &ok, true);
            QVERIFY(log.isEmpty());
            QCOMPARE(view.oneValue(QStringLiteral("SELECT 7"), &ok, true), QStringLiteral("7"));
            QVERIFY(ok);
            view.troubleOver(ProbeView::Trouble::Database);
            view.troubleOver(ProbeView::Trouble::Database);
            QCOMPARE(log.size(), 1);
            QCOMPARE(log.at(0), (QVariantList{3, QStringLiteral("Klasse 3 A: databasen kan læses igen")}));
            log.clear();
            view.oneValue(QStringLiteral("SELECT x FROM noSuchTable"), &ok, true);
            QCOMPARE(levels(), QList<int>{-1});
        }
        QSqlDatabase::removeDatabase(name);
    }

    void documentWithNastyTexts()
    {
        appConfig cfg(nullptr, QString());
        cfg.setValue(QStringLiteral("staevne.ZEPStaevneId"), QStringLiteral("S\"1\\"));
        ProbeView view(&cfg);
        const QString sponsorText = QStringLiteral("O'Briens \"Hus\"");
        const QString remarksText = QStringLiteral("Linje 1\nLinje 2\tC:\\");
        const QString cell = QStringLiteral("Ann O'Brien\\\r\n\x01\x1f\b\f/Å €");
        view.setTexts(sponsorText, remarksText);
        view.showKlasse(17, 3, QStringLiteral("A'B"), 1, 44);
        view.listView1->setHeaderLabels({QStringLiteral("Start \"Nr\""), QStringLiteral("Rytter")});
        view.listView1->addTopLevelItem(new QTreeWidgetItem({QStringLiteral("7"), cell}));

        view.toggleDV(true);
        const QByteArray first = view.jsonDocument().toJson();
        // Escaped as RFC 8259 has it: a lenient reader would not notice a raw control.
        QVERIFY(first.contains(QStringLiteral("\"Ann O'Brien\\\\\\r\\n\\u0001\\u001f\\b\\f/Å €\"").toUtf8()));
        QVERIFY(std::none_of(first.begin(), first.end(), [](char c) { return c != '\n' && uchar(c) < 0x20; }));
        const QJsonObject doc = parse(first);
        const QStringList texts = {doc["dv"].toString(), doc["klassesponsor"].toString(), doc["remarks"].toString(),
                                   doc["ZEPstaevneId"].toString(), doc["afdeling"].toString(),
                                   doc["headers"][0]["text"].toString(), doc["equipages"][0]["col1"].toString()};
        QCOMPARE(texts, (QStringList{"1", sponsorText, remarksText, "S\"1\\", "A'B", "Start \"Nr\"", cell}));
    }

    void failedJsonWriteKeepsTheDocument()
    {
        // A document that cannot be written is logged; a set of files written
        // all or none keeps every old one when one of them fails.
        appConfig cfg(nullptr, QString());
        const QString root = m_dir.filePath(QStringLiteral("out/html"));
        cfg.setValue(QStringLiteral("http.root"), root);
        ProbeView view(&cfg);
        view.showKlasse(17, 3, QStringLiteral("A"), 1, 44);
        view.writeJSon();
        QFile file(root + QStringLiteral("/klasse3_A.json"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        QVERIFY(!parse(before).isEmpty());

        QVERIFY(QDir(root).mkpath(QStringLiteral("klasse4_A.json/in/the/way")));
        view.showKlasse(17, 4, QStringLiteral("A"), 1, 44);
        QSignalSpy log(&view, &staevneKlasseInfo::logMessage);
        view.writeJSon();
        QCOMPARE(log.count(), 1);
        QVERIFY(!writeWholeFiles(
                {{root + QStringLiteral("/klasse3_A.json"), "new"}, {root + QStringLiteral("/klasse4_A.json"), "x"}},
                nullptr));
        QVERIFY(file.seek(0));
        QCOMPARE(file.readAll(), before);
    }

    void dbValues()
    {
        const QVariant nullNumber(QMetaType::fromType<int>());
        QCOMPARE(DbValue::text(QVariant(QStringLiteral("  Anne \t  Marie \n"))), QStringLiteral("Anne Marie"));
        QCOMPARE(DbValue::text(QVariant(QMetaType::fromType<QString>())), QString());
        QCOMPARE(DbValue::numberText(nullNumber), QStringLiteral("0"));
        QCOMPARE(DbValue::numberText(QVariant(QStringLiteral(" 12 "))), QStringLiteral("12"));
        QCOMPARE(DbValue::toInt(nullNumber), 0);
        QCOMPARE(DbValue::toInt(QVariant(QStringLiteral("P1"))), 0);
        QCOMPARE(DbValue::toInt(QVariant(1e12)), 0);
        QCOMPARE(DbValue::toDouble(QVariant(QStringLiteral(" 345.5"))), 345.5);
        QCOMPARE(DbValue::toDouble(nullNumber), 0.0);
        QCOMPARE(DbValue::sqlLiteral(QStringLiteral("O'Brien")), QStringLiteral("O''Brien"));
    }

    // Start numbers with the letter of a secondary number sort right after
    // their plain number; sorting a shuffled list must give one order.
    void startNumberOrder()
    {
        QStringList shuffled = {"12A", "10B", "1", "10", "", "11", "10A", "A", "9"};
        std::stable_sort(shuffled.begin(), shuffled.end(), startnr::before);
        QCOMPARE(shuffled, (QStringList{"", "A", "1", "9", "10", "10A", "10B", "11", "12A"}));
        QVERIFY(!startnr::before("10", " 10 ") && !startnr::before(" 10 ", "10"));
    }

    // Every number setting of the pages is read one way: blanks around the
    // digits (a non-breaking one pasted from a page included) keep it on,
    // and an unset one takes its default.
    void pageStyleNumbers_data()
    {
        QTest::addColumn<bool>("set");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("number");
        QTest::newRow("unset") << false << QString() << 0;
        QTest::newRow("off") << true << QStringLiteral("0") << 0;
        QTest::newRow("on") << true << QStringLiteral("1") << 1;
        QTest::newRow("level 2") << true << QStringLiteral("2") << 2;
        QTest::newRow("blanks") << true << QStringLiteral(" 1\t") << 1;
        QTest::newRow("non-breaking blanks") << true << QStringLiteral("\u00a01\u00a0") << 1;
        QTest::newRow("not a number") << true << QStringLiteral("ja") << 0;
    }

    void pageStyleNumbers()
    {
        QFETCH(bool, set);
        QFETCH(QString, value);
        QFETCH(int, number);
        const auto s = PageStyle::read([&](const QString &key, const QString &def) {
            return set && (key.startsWith(QLatin1String("beregn.")) || key.startsWith(QLatin1String("vis.")))
                       ? value
                       : def;
        });
        QCOMPARE(s.visFei, number);
        QCOMPARE(s.afstamning, number);
        QCOMPARE(s.antalStarterLine, number != 0);
        QCOMPARE(s.startTime, number != 0);
        QCOMPARE(s.placering, set ? number != 0 : true);
        QCOMPARE(s.headerText, set ? value : QString());
    }

    void columnsKeepTheirContent()
    {
        // Many columns in a small window, and a view that asks for stretched
        // sections after the base was built: every cell and title still fits,
        // and the list scrolls sideways.
        ProbeView view(&m_cfg);
        QStringList cells;
        for (int c = 0; c < 37; ++c)
            cells << QStringLiteral("Kolonne %1").arg(c);
        view.listView1->setHeaderLabels(cells);
        view.listView1->header()->setSectionResizeMode(QHeaderView::Stretch);
        cells[2] = QStringLiteral("Hest med et meget langt navn, Danmark");
        cells[3] = QStringLiteral("Rytter med et endnu længere navn end hesten");
        view.listView1->addTopLevelItem(new QTreeWidgetItem(cells));
        view.resize(600, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QCoreApplication::processEvents();
        const QFontMetrics metrics(view.listView1->font());
        for (int c : {0, 2, 3}) {
            QVERIFY2(view.listView1->columnWidth(c) >= metrics.horizontalAdvance(cells[c]), qPrintable(cells[c]));
            QVERIFY(view.listView1->columnWidth(c) >= view.listView1->header()->sectionSizeHint(c));
        }
        QVERIFY(view.listView1->horizontalScrollBar()->maximum() > 0);

        // A reload while shown: the columns follow the new rows once it is done.
        const QString longer = cells[3] + QStringLiteral(", og en hest mere i samme række");
        const auto reload = [&view](const QString &rider) {
            view.listView1->clear();
            QStringList row(QStringLiteral("1"));
            row << QString() << QString() << rider;
            view.listView1->addTopLevelItem(new QTreeWidgetItem(row));
        };
        reload(longer);
        WAIT_VERIFY(view.listView1->columnWidth(3) >= metrics.horizontalAdvance(longer));

        // A hidden view measures nothing however its rows change; it is
        // measured when it is shown again.
        view.hide();
        const int hiddenWidth = view.listView1->columnWidth(3);
        const QString longest = longer + longer;
        reload(longest);
        view.listView1->topLevelItem(0)->setText(2, longest);
        QCoreApplication::processEvents();
        QCOMPARE(view.listView1->columnWidth(3), hiddenWidth);
        QCOMPARE(view.listView1->header()->sectionResizeMode(3), QHeaderView::Interactive);
        view.show();
        for (int c : {2, 3})
            QVERIFY(view.listView1->columnWidth(c) >= metrics.horizontalAdvance(longest));
    }

private:
    QTemporaryDir m_dir;
    appConfig m_cfg{nullptr, QString()};
};

QTEST_MAIN(TestResultView)
#include "tst_resultview.moc"

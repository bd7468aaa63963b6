// What the championship sheets publish: the class and rank pages of fixed
// classes (tests/data/champ_fixture.sql) after marks typed through the score
// table, compared with expected files; both pages kept when one cannot be
// written; printing to a PDF file; the Hippodata export of both views.

#include "SectionFixture.h"
#include "settings/appConfig.h"
#include "views/champ/ChampPrint.h"
#include "views/champ/ChampScoreTable.h"

#include <QDir>
#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace sectionfx;

namespace {

// "staevneNr:column:text" typed in turn.
bool typeAll(ChampView &view, const QStringList &edits)
{
    for (const QString &edit : edits) {
        const QStringList p = edit.split(QLatin1Char(':'));
        const int row = view.champTable->findRow(1, p.at(0));
        if (row < 0 || !typeCell(view.champTable, row, p.at(1).toInt(), p.mid(2).join(QLatin1Char(':'))))
            return false;
    }
    return true;
}

int pdfPages(const QString &path)
{
    return int(QString::fromLatin1(readFile(path)).count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))));
}

// A view of class `klasseNr`, section A, loaded.
std::unique_ptr<ChampView> loaded(appConfig *cfg, bool spring, int klasseNr)
{
    std::unique_ptr<ChampView> view(spring ? static_cast<ChampView *>(new SpringProbe(cfg)) : new DressurProbe(cfg));
    view->showKlasse(70, klasseNr, QStringLiteral("A"), 1, 9670 + klasseNr);
    return view;
}

} // namespace

class TestChampPages : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QString error =
            openCompetition(m_dir.filePath(QStringLiteral("zep.db")), 7, QStringLiteral("champ_fixture.sql"));
        QVERIFY2(error.isEmpty(), qPrintable(error));
        // Of the clubs marked for their logos, only ARK has one.
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("logo"))));
        QVERIFY(writeFile(m_dir.filePath(QStringLiteral("logo/ARK.png")), QByteArray()));
    }

    void init()
    {
        // Settings of one case must not leak into the next.
        m_cfg = std::make_unique<appConfig>(nullptr, QString());
        QDir html(m_dir.filePath(QStringLiteral("html")));
        html.removeRecursively();
        QVERIFY(QDir().mkpath(html.path()));
        m_cfg->setValue(QStringLiteral("http.root"), html.path());
        m_cfg->setValue(QStringLiteral("staevne.ZEPStaevneId"), QStringLiteral("24070"));
        m_cfg->setValue(QStringLiteral("logo.dir"), m_dir.filePath(QStringLiteral("logo/")));
    }

    void cleanup() { standin::Faults::clear(); }

    // ---- the pages
    void pages_data()
    {
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("spring");
        QTest::addColumn<int>("klasseNr");
        QTest::addColumn<QStringList>("settings");
        QTest::addColumn<QStringList>("edits");

        // Class 41 (DCU5H): 101, 102, 103 start, 105 withdrew; one placing.
        const QStringList marks101{"101:9:7", "101:10:8", "101:11:7,5", "101:12:8", "101:13:9", "101:14:0.5"};
        const QStringList marks102{"102:9:6", "102:10:7", "102:11:7", "102:12:7", "102:13:6"};
        QTest::newRow("dressage running")
            << "dressage_running" << false << 41 << QStringList{"beregn.antalStarter=1", "vis.fei=1"}
                                          << marks101;
        QTest::newRow("dressage finished, FEI, status, place beyond the placings")
            << "dressage_fei" << false << 41 << QStringList{"vis.fei=1", "vis.header.text=DM", "beregn.antalStarter=1"}
            << marks101 + marks102 + QStringList{"103:9:o"};
        QTest::newRow("dressage pedigree, placing column off, wide rank title")
            << "dressage_pedigree" << false << 41
            << QStringList{"vis.afstamning=1", "beregn.placering=0", "http.rank.width=100%"}
            << QStringList{"102:9:d"};
        // Class 42 (DCU4H): two starters, "Fejl" hidden or shown as "Føl".
        QTest::newRow("4H, vis.dv 0") << "foal_dv0" << false << 42 << QStringList{"vis.dv=0"}
                                      << QStringList{"201:9:7", "201:10:7", "201:11:7", "201:12:7", "201:13:8",
                                                     "202:9:u"};
        QTest::newRow("4H, vis.dv 1") << "foal_dv1" << false << 42 << QStringList{"vis.dv=1"}
                                      << QStringList{"201:9:7", "201:10:7", "201:11:7", "201:12:7", "201:13:8",
                                                     "201:14:1"};
        // The markup stays text, also in a start time typed into the sheet.
        QTest::newRow("hostile texts") << "hostile" << false << 45 << QStringList{"beregn.tid=1"}
                                       << QStringList{"501:24:<i>10:32", "502:24:00:00", "501:9:7"};
        // Class 43 (SCU): 301, 302, 304 start, 303 withdrew ("afmeldt").
        QTest::newRow("jumping with a club logo and pedigree")
            << "jumping" << true << 43 << QStringList{"vis.afstamning=1", "beregn.antalStarter=1"}
            << QStringList{"301:11:8", "301:12:0,5", "301:13:71", "304:11:7", "304:12:0", "304:13:70", "302:11:D"};
    }

    void pages()
    {
        QFETCH(QString, expected);
        QFETCH(bool, spring);
        QFETCH(int, klasseNr);
        QFETCH(QStringList, settings);
        QFETCH(QStringList, edits);
        for (const QString &s : settings)
            m_cfg->setValue(s.section(QLatin1Char('='), 0, 0), s.section(QLatin1Char('='), 1));

        const std::unique_ptr<ChampView> view = loaded(m_cfg.get(), spring, klasseNr);
        if (spring) // clubs marked for their logos
            for (int r = 0; r < view->listView1->topLevelItemCount(); ++r) {
                QTreeWidgetItem *item = view->listView1->topLevelItem(r);
                item->setText(4, item->text(4) + QLatin1Char('*'));
            }
        QVERIFY(typeAll(*view, edits));

        for (const QString page : {"klasse", "rank"}) {
            const QString file = QStringLiteral(ZEP_TESTDATA "/champ_%1_%2.html").arg(expected, page);
            QCOMPARE(QString::fromUtf8(readFile(html(QStringLiteral("%1%2_A.html").arg(page).arg(klasseNr)))),
                     QString::fromUtf8(readFile(file)));
        }
        QVERIFY(QFile::exists(html(QStringLiteral("klasse%1_A.json").arg(klasseNr))));
    }

    void unwritablePageKeepsAllAndWaits_data()
    {
        QTest::addColumn<QString>("blocked");
        QTest::newRow("class page") << "klasse41_A.html";
        QTest::newRow("rank page") << "rank41_A.html";
        QTest::newRow("document") << "klasse41_A.json";
    }

    void unwritablePageKeepsAllAndWaits()
    {
        QFETCH(QString, blocked);
        const std::unique_ptr<ChampView> view = loaded(m_cfg.get(), false, 41);
        view->show();
        QStringList kept{"klasse41_A.html", "rank41_A.html", "klasse41_A.json"};
        kept.removeOne(blocked);
        const QByteArray before0 = readFile(html(kept.at(0)));
        const QByteArray before1 = readFile(html(kept.at(1)));
        QVERIFY(before0.contains("Astor") && before1.contains("Astor"));

        // A directory where the file belongs cannot be replaced by a file.
        QVERIFY(QFile::remove(html(blocked)) && QDir().mkpath(html(blocked)));
        QSignalSpy log(view.get(), &staevneKlasseInfo::logMessage);
        QSignalSpy changes(view.get(), &staevneKlasseInfo::resultChangeClass);
        // The fifth mark is a result to announce; its pages are not written,
        // so neither is it announced, however many ticks fail after it.
        QVERIFY(typeAll(*view, {"101:9:7", "101:10:7", "101:11:7", "101:12:7", "101:13:7"}));
        for (int tick = 0; tick < 3; ++tick)
            view->updateKlasse();
        QCOMPARE(readFile(html(kept.at(0))), before0);
        QCOMPARE(readFile(html(kept.at(1))), before1);
        QCOMPARE(changes.count(), 0);
        QCOMPARE(logged(log, 1).size(), 1);

        // Once the files can be written the change is announced, once.
        QVERIFY(QDir(html(blocked)).removeRecursively());
        view->updateKlasse();
        QCOMPARE(changes.count(), 1);
        QCOMPARE(changes.first().at(3).toBool(), true);
        QVERIFY(readFile(html("klasse41_A.html")).contains("7.000"));
        QCOMPARE(logged(log, 3), QStringList{"Klasse 41 A: siderne skrives igen"});
        view->updateKlasse();
        QCOMPARE(changes.count(), 1);
        QCOMPARE(logged(log, 1).size(), 1);
    }

    // ---- printing
    void sheetCount_data()
    {
        QTest::addColumn<int>("bodies");
        QTest::addColumn<int>("extra");
        QTest::addColumn<int>("sheets");
        QTest::newRow("nothing") << 0 << 0 << 1;
        QTest::newRow("two bodies exactly") << 2 << 0 << 2;
        QTest::newRow("one pixel more") << 2 << 1 << 3;
    }

    void sheetCount()
    {
        QFETCH(int, bodies);
        QFETCH(int, extra);
        QFETCH(int, sheets);
        const QString pdf = m_dir.filePath(QStringLiteral("slices.pdf"));
        QPrinter printer(QPrinter::HighResolution);
        printer.setFullPage(true);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        QPainter painter(&printer);
        const QRect body = ChampPrint::body(printer);
        QVector<QRectF> clips;
        const int printed = ChampPrint::printSlices(painter, printer, qreal(bodies) * body.height() + extra, QFont(),
                                                    [&clips](QPainter &, const QRectF &clip) { clips << clip; });
        painter.end();
        QCOMPARE(printed, sheets);
        QCOMPARE(pdfPages(pdf), sheets);
        QCOMPARE(clips.last().top(), qreal(sheets - 1) * body.height());
    }

    void print_data()
    {
        QTest::addColumn<bool>("accept");
        QTest::addColumn<bool>("pageThere");
        QTest::addColumn<QString>("font");
        QTest::addColumn<int>("sheets"); // 2 for more than one
        QTest::newRow("printed") << true << true << "7" << 1;
        QTest::newRow("big font takes more sheets") << true << true << "40" << 2;
        QTest::newRow("cancelled") << false << true << "7" << 0;
        QTest::newRow("no class page") << true << false << "7" << 0;
    }

    void print()
    {
        QFETCH(bool, accept);
        QFETCH(bool, pageThere);
        QFETCH(QString, font);
        DressurProbe view(m_cfg.get());
        view.load(41);
        m_cfg->setValue(QStringLiteral("championat.print.font"), font);
        if (!pageThere)
            QVERIFY(QFile::remove(html(QStringLiteral("klasse41_A.html"))));
        view.accept = accept;
        view.pdf = m_dir.filePath(QStringLiteral("print.pdf"));
        QFile::remove(view.pdf);
        view.dialogDirectory = m_dir.filePath(QStringLiteral("logo"));
        const QString before = QDir::currentPath();
        QSignalSpy log(&view, &staevneKlasseInfo::logMessage);

        view.resultPrint();
        QCOMPARE(QDir::currentPath(), before);
        QTEST(qMin(pdfPages(view.pdf), 2), "sheets");
        QCOMPARE(view.dialogs, pageThere ? 1 : 0);
        QCOMPARE(logged(log, 1).size(), pageThere ? 1 : 2); // a missing page is told
    }

    // ---- the Hippodata export
    void exportLines_data()
    {
        QTest::addColumn<bool>("spring");
        QTest::addColumn<int>("klasseNr");
        QTest::newRow("dressage") << false << 41;
        QTest::newRow("jumping") << true << 43;
    }

    void exportLines()
    {
        QFETCH(bool, spring);
        QFETCH(int, klasseNr);
        const std::unique_ptr<ChampView> view = loaded(m_cfg.get(), spring, klasseNr);
        view->exportKlasse();
        QCOMPARE(QString::fromUtf8(readFile(html(QStringLiteral("klasse%1_A.csv").arg(klasseNr)))),
                 QString::fromUtf8(readFile(QStringLiteral(ZEP_TESTDATA "/champ_hippodata%1_A.csv").arg(klasseNr))));
    }

    void exportOfEmptySectionAndFailedQuery()
    {
        DressurProbe view(m_cfg.get());
        view.load(44);
        const QString path = html(QStringLiteral("klasse44_A.csv"));
        QVERIFY(writeFile(path, "old\n"));

        QSignalSpy log(&view, &staevneKlasseInfo::logMessage);
        standin::Faults::failNextStatements(1);
        view.exportKlasse();
        QCOMPARE(readFile(path), QByteArray("old\n"));
        QVERIFY(logged(log, 3).isEmpty()); // a failure is no success
        QCOMPARE(logged(log, 1).size(), 1);

        view.exportKlasse(); // no starters: an empty file
        QVERIFY(QFile::exists(path));
        QCOMPARE(readFile(path), QByteArray());
    }

private:
    QString html(const QString &name) const { return m_dir.filePath(QStringLiteral("html/") + name); }

    QTemporaryDir m_dir;
    std::unique_ptr<appConfig> m_cfg;
};

QTEST_MAIN(TestChampPages)
#include "tst_champpages.moc"

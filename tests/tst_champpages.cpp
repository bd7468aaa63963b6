// What the championship sheets publish: the class and rank pages of fixed
// classes (tests/data/champ_fixture.sql) after marks typed through the score
// table, compared with expected files; both pages kept when one cannot be
// written; printing to a PDF file; the Hippodata export of both views.
// ZEP_PRINT_SHOTS names a folder for the sheets printed with the demo's logos.
// Built twice: with ZEP_PART_SHEETS defined (the test "champpages_sheets") the
// program prints the class pages of printedSheets, which take the most time;
// without, all the other cases.

#include "ChildProcesses.h"
#include "SectionFixture.h"
#include "settings/appConfig.h"
#include "views/champ/ChampPages.h"
#include "views/champ/ChampPrint.h"
#include "views/champ/ChampScoreTable.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <memory>

using namespace sectionfx;

namespace {

// "staevneNr:column:text" typed in turn.
[[maybe_unused]] bool typeAll(ChampView &view, const QStringList &edits)
{
    for (const QString &edit : edits) {
        const QStringList p = edit.split(QLatin1Char(':'));
        const int row = view.champTable->findRow(1, p.at(0));
        if (row < 0 || !typeCell(view.champTable, row, p.at(1).toInt(), p.mid(2).join(QLatin1Char(':'))))
            return false;
    }
    return true;
}

[[maybe_unused]] int pdfPages(const QString &path)
{
    return int(QString::fromLatin1(readFile(path)).count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))));
}

// What `pdftotext <mode>` makes of the PDF.
QString pdfText(const QString &pdf, const QString &mode)
{
    QProcess process;
    childprocs::startInGroup(process, [&] { process.start(QStringLiteral("pdftotext"), {mode, pdf, QStringLiteral("-")}); });
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The text of a PDF as `pdftotext -layout` lays it out, one entry per sheet.
// Ligatures such as "fi" read as their letters.
QStringList pdfSheets(const QString &path)
{
    QString text = pdfText(path, QStringLiteral("-layout"));
    text.replace(QChar(0xFB01), QLatin1String("fi")).replace(QChar(0xFB02), QLatin1String("fl"));
    QStringList sheets = text.split(QLatin1Char('\f'));
    if (!sheets.isEmpty() && sheets.last().trimmed().isEmpty())
        sheets.removeLast();
    return sheets;
}

// The height in points of the first box `pdftotext -bbox` gives for `word`.
[[maybe_unused]] qreal wordHeight(const QString &pdf, const QString &word)
{
    const QRegularExpression box(QStringLiteral("yMin=\"([0-9.]+)\"[^>]*yMax=\"([0-9.]+)\">%1<").arg(word));
    const QRegularExpressionMatch m = box.match(pdfText(pdf, QStringLiteral("-bbox")));
    return m.hasMatch() ? m.captured(2).toDouble() - m.captured(1).toDouble() : 0;
}

// Whether `word` occurs in `text` with `apart(neighbour, before)` true of the
// characters on either side (a blank at the text's ends).
template <class Apart>
bool occursApart(const QString &text, const QString &word, Apart apart)
{
    for (qsizetype at = text.indexOf(word); at >= 0; at = text.indexOf(word, at + 1)) {
        const qsizetype end = at + word.size();
        if (apart(at > 0 ? text.at(at - 1) : QChar(u' '), true) && apart(end < text.size() ? text.at(end) : QChar(u' '), false))
            return true;
    }
    return false;
}

// Whether `token` stands whole, between blanks or line ends, in `text`.
bool wholeIn(const QString &text, const QString &token)
{
    return occursApart(text, token, [](QChar c, bool) { return c.isSpace(); });
}

// Whether `word` stands in `text` with no letter, digit or "_" beside it and
// no "-" before it.
bool standsIn(const QString &text, const QString &word)
{
    return occursApart(text, word, [](QChar c, bool before) {
        return !c.isLetterOrNumber() && c != u'_' && !(before && c == u'-');
    });
}

// "<width>x<height>" of every picture drawn in the PDF, as `pdfimages -list`
// lists them (their soft masks left out).
[[maybe_unused]] QStringList pdfPictures(const QString &pdf)
{
    QProcess process;
    childprocs::startInGroup(process, [&] { process.start(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}); });
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return {QStringLiteral("pdfimages failed")};
    QStringList pictures;
    const QStringList lines = QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'));
    for (const QString &line : lines.mid(2)) {
        const QStringList f = line.simplified().split(QLatin1Char(' '));
        if (f.size() > 4 && f.at(2) == QLatin1String("image"))
            pictures << f.at(3) + QLatin1Char('x') + f.at(4);
    }
    return pictures;
}

// A word of a PDF and the top of its box, in points, as `pdftotext -bbox`
// gives them.
struct PdfWord
{
    QString text;
    qreal top = 0;
};

[[maybe_unused]] QList<PdfWord> pdfWords(const QString &pdf)
{
    static const QRegularExpression box(QStringLiteral("<word xMin=\"[0-9.]+\" yMin=\"([0-9.]+)\"[^>]*>([^<]*)<"));
    QList<PdfWord> words;
    const QString text = pdfText(pdf, QStringLiteral("-bbox"));
    for (auto it = box.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        words << PdfWord{m.captured(2), m.captured(1).toDouble()};
    }
    return words;
}

// A picture drawn in a PDF: its pixels and the height it is drawn at, in
// points, as `pdfimages -list` gives them (pixels over pixels per inch).
struct DrawnPicture
{
    QSize pixels;
    qreal height = 0;
};

[[maybe_unused]] QList<DrawnPicture> pdfDrawnPictures(const QString &pdf)
{
    QProcess process;
    childprocs::startInGroup(process, [&] { process.start(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}); });
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return {};
    // page num type width height color comp bpc enc interp object ID x-ppi y-ppi size ratio
    QList<DrawnPicture> pictures;
    const QStringList lines = QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'));
    for (const QString &line : lines.mid(2)) {
        const QStringList f = line.simplified().split(QLatin1Char(' '));
        if (f.size() > 13 && f.at(2) == QLatin1String("image"))
            pictures << DrawnPicture{QSize(f.at(3).toInt(), f.at(4).toInt()),
                                     f.at(4).toDouble() / f.at(13).toDouble() * 72};
    }
    return pictures;
}

// A printer that writes `pdf`.
std::unique_ptr<QPrinter> pdfPrinter(const QString &pdf)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setFullPage(true);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(pdf);
    return printer;
}

// A made-up class of 40 starters with long names, pedigrees, marks,
// statuses and places; in a running class the last ones wait to ride.
struct PrintClass
{
    ChampPages::ClassInfo info;
    QVector<QStringList> rows;
};

PrintClass printClass(bool spring, bool finished, int starters = 40)
{
    PrintClass c;
    ChampPages::ClassInfo &info = c.info;
    info.kind = spring ? ChampPages::Kind::Spring : ChampPages::Kind::Dressur;
    info.antalPlaceringer = 10;
    info.antalStarter = starters;
    info.resterendeStarter = finished ? 0 : 6;
    info.bevarStartTid = 1;
    info.maxPnt = 10;
    info.metode = QStringLiteral("Stil");
    info.klasseTypeId = spring ? QStringLiteral("SCU6") : QStringLiteral("DCU5H");
    info.title = QStringLiteral("12 Championat for 5-årige dressurheste A");
    info.dommerLabel = QStringLiteral("Stildommer C: Dorte Dommer, H: Hans Hansen");
    info.sponsorLabel = QStringLiteral("Ærespræmie Pokal");
    info.startSlutTid = QStringLiteral("Start&nbsp;Lørdag&nbsp;09:00&nbsp;-&nbsp;11:00");
    info.now = QDateTime(QDate(2024, 6, 15), QTime(10, 5));
    for (int i = 0; i < starters; ++i) {
        QStringList row(spring ? 21 : 27);
        row[0] = QString::number(i + 1);
        row[1] = QString::number(1001 + i);
        row[2] = QStringLiteral("Zacharias%1 van%1 Helle%1 - P%1").arg(i);
        row[3] = QStringLiteral("Anne-Sofie%1 Kristiansen%1").arg(i);
        row[4] = QStringLiteral("RK%1").arg(i);
        if (i % 2 == 0)
            row[8] = QStringLiteral("2019/H/Sandro%1/Mira%1/Donnerhall%1").arg(i);
        const bool waits = i >= starters - info.resterendeStarter;
        if (i % 9 == 4)
            row[5] = i % 2 ? QStringLiteral("Diskvalificeret") : QStringLiteral("Opgivet");
        else if (!waits && spring) {
            row[11] = QStringLiteral("8.5");
            row[12] = QStringLiteral("0.5");
            row[13] = QStringLiteral("71.25");
            row[14] = QString::number(9.9 - i * 0.1, 'f', 1);
            row[19] = QString::number(i + 1);
        } else if (!waits) {
            for (int m = 9; m <= 13; ++m)
                row[m] = QString::number(7 + (i + m) % 3 * 0.5, 'f', 1);
            row[14] = QStringLiteral("0.5");
            row[22] = QString::number(9.9 - i * 0.1, 'f', 3);
            row[23] = QString::number(i + 1);
        }
        row[spring ? 20 : 24] = QStringLiteral("10:32");
        c.rows << row;
    }
    return c;
}

} // namespace

class TestChampPages : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        childprocs::stopChildrenOnSignals();
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

#ifndef ZEP_PART_SHEETS
    // ---- the pages
    void pages_data()
    {
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("klasseNr");
        QTest::addColumn<QStringList>("settings");
        QTest::addColumn<QStringList>("edits");

        // Class 41 (DCU5H): 101, 102, 103 start, 105 withdrew; one placing.
        const QStringList marks101{"101:9:7", "101:10:8", "101:11:7,5", "101:12:8", "101:13:9", "101:14:0.5"};
        const QStringList marks102{"102:9:6", "102:10:7", "102:11:7", "102:12:7", "102:13:6"};
        QTest::newRow("dressage running")
            << "dressage_running" << 41 << QStringList{"beregn.antalStarter=1", "vis.fei=1"} << marks101;
        QTest::newRow("dressage finished, FEI, status, place beyond the placings")
            << "dressage_fei" << 41 << QStringList{"vis.fei=1", "vis.header.text=DM", "beregn.antalStarter=1"}
            << marks101 + marks102 + QStringList{"103:9:o"};
        QTest::newRow("dressage pedigree, placing column off, wide rank title")
            << "dressage_pedigree" << 41 << QStringList{"vis.afstamning=1", "beregn.placering=0", "http.rank.width=100%"}
            << QStringList{"102:9:d"};
        // Class 42 (DCU4H): two starters, "Fejl" hidden or shown as "Føl".
        const QStringList marks201{"201:9:7", "201:10:7", "201:11:7", "201:12:7", "201:13:8"};
        QTest::newRow("4H, vis.dv 0") << "foal_dv0" << 42 << QStringList{"vis.dv=0"} << marks201 + QStringList{"202:9:u"};
        QTest::newRow("4H, vis.dv 1") << "foal_dv1" << 42 << QStringList{"vis.dv=1"} << marks201 + QStringList{"201:14:1"};
        // The markup stays text, also in a start time typed into the sheet.
        QTest::newRow("hostile texts") << "hostile" << 45 << QStringList{"beregn.tid=1"}
                                       << QStringList{"501:24:<i>10:32", "502:24:00:00", "501:9:7"};
        // Class 43 (SCU, jumping): 301, 302, 304 start, 303 withdrew ("afmeldt").
        QTest::newRow("jumping with a club logo and pedigree")
            << "jumping" << 43 << QStringList{"vis.afstamning=1", "beregn.antalStarter=1"}
            << QStringList{"301:11:8", "301:12:0,5", "301:13:71", "304:11:7", "304:12:0", "304:13:70", "302:11:D"};
    }

    void pages()
    {
        QFETCH(QString, expected);
        QFETCH(int, klasseNr);
        const bool spring = klasseNr == 43;
        QFETCH(QStringList, settings);
        QFETCH(QStringList, edits);
        for (const QString &s : settings)
            m_cfg->setValue(s.section(QLatin1Char('='), 0, 0), s.section(QLatin1Char('='), 1));

        const auto view = champView(m_cfg.get(), spring, klasseNr);
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
        const auto view = champView(m_cfg.get(), false, 41);
        QStringList kept{"klasse41_A.html", "rank41_A.html", "klasse41_A.json"};
        kept.removeOne(blocked);
        const QByteArray before0 = readFile(html(kept.at(0))), before1 = readFile(html(kept.at(1)));
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
    void sheetCount()
    {
        // Bodies of text, pixels more, sheets: nothing still takes a sheet,
        // two bodies exactly two, one pixel more three.
        const int cases[][3] = {{0, 0, 1}, {2, 0, 2}, {2, 1, 3}};
        for (const auto &c : cases) {
            const QString pdf = m_dir.filePath(QStringLiteral("slices%1.pdf").arg(c[2]));
            const auto printer = pdfPrinter(pdf);
            QPainter painter(printer.get());
            const QRect body = ChampPrint::body(*printer);
            QVector<QRectF> clips;
            const int printed = ChampPrint::printSlices(painter, *printer, qreal(c[0]) * body.height() + c[1], QFont(),
                                                        [&clips](QPainter &, const QRectF &clip) { clips << clip; });
            painter.end();
            QCOMPARE(printed, c[2]);
            QCOMPARE(pdfPages(pdf), c[2]);
            QCOMPARE(clips.last().top(), qreal(c[2] - 1) * body.height());
        }
    }

    void print_data()
    {
        QTest::addColumn<bool>("accept");
        QTest::addColumn<bool>("pageThere");
        QTest::addColumn<QString>("font");
        QTest::addColumn<int>("sheets"); // 2 for more than one
        QTest::newRow("printed") << true << true << "7" << 1;
        QTest::newRow("in the font's size") << true << true << "9.5" << 1;
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
        // A word's box is about 1.17 times the font's size in points.
        if (accept && pageThere) {
            const qreal ratio = wordHeight(view.pdf, QStringLiteral("Stildommer")) / font.toDouble();
            QVERIFY2(ratio > 1.1 && ratio < 1.25, qPrintable(QString::number(ratio)));
        }
        QCOMPARE(view.dialogs, pageThere ? 1 : 0);
        QCOMPARE(logged(log, 1).size(), pageThere ? 1 : 2); // a missing page is told
    }

    void printedLogos()
    {
        // Pages and logos of their own, side by side as the screens find them.
        const QString root = m_dir.filePath(QStringLiteral("logos"));
        QVERIFY(QDir(root).removeRecursively() && QDir().mkpath(root + QStringLiteral("/html"))
                && QDir().mkpath(root + QStringLiteral("/logo")));
        m_cfg->setValue(QStringLiteral("http.root"), root + QStringLiteral("/html"));
        m_cfg->setValue(QStringLiteral("logo.dir"), root + QStringLiteral("/logo/"));
        QImage logo(36, 20, QImage::Format_RGB32);
        logo.fill(QColor(0, 90, 160));
        QPainter(&logo).fillRect(0, 8, 36, 4, Qt::white);
        QVERIFY(logo.save(root + QStringLiteral("/logo/ARK.png")));
        // FRK's file is there, so the page refers to it, but holds no picture.
        QVERIFY(writeFile(root + QStringLiteral("/logo/FRK.png"), QByteArray()));

        // Class 41 shows 101 and 102 of ARK and 103 of FRK; clubs marked for
        // their logos.
        DressurProbe view(m_cfg.get());
        view.load(41);
        for (int r = 0; r < view.listView1->topLevelItemCount(); ++r) {
            QTreeWidgetItem *item = view.listView1->topLevelItem(r);
            item->setText(4, item->text(4) + QLatin1Char('*'));
        }
        view.printHtml();
        const QString pagePath = root + QStringLiteral("/html/klasse41_A.html");
        const QByteArray page = readFile(pagePath);
        QCOMPARE(page.count("<img src=\"../logo/ARK.png\" >"), 2);
        QCOMPARE(page.count("<img src=\"../logo/FRK.png\" >"), 1);

        view.pdf = m_dir.filePath(QStringLiteral("logos.pdf"));
        QFile::remove(view.pdf);
        view.resultPrint();
        QCOMPARE(pdfPictures(view.pdf), QStringList(2, QStringLiteral("36x20")));
        QCOMPARE(readFile(pagePath), page);
        // Without a picture the club's initials stand on the line of its row.
        const QString line = pdfSheets(view.pdf).value(0).section(QStringLiteral("Lokal"), 1).section(QLatin1Char('\n'), 0, 0);
        QVERIFY2(wholeIn(line, QStringLiteral("FRK")), qPrintable(line));

        // No logo can be read: every club's initials stay whole.
        QVERIFY(writeFile(root + QStringLiteral("/logo/ARK.png"), QByteArray()));
        view.pdf = m_dir.filePath(QStringLiteral("nologos.pdf"));
        QFile::remove(view.pdf);
        view.resultPrint();
        QCOMPARE(pdfPictures(view.pdf), QStringList());
        const QString sheet = pdfSheets(view.pdf).value(0);
        QCOMPARE(sheet.count(QRegularExpression(QStringLiteral("(^|\\s)ARK(\\s|$)"))), 2);
        QCOMPARE(sheet.count(QRegularExpression(QStringLiteral("(^|\\s)FRK(\\s|$)"))), 1);
    }

    void printedDemoLogos_data()
    {
        QTest::addColumn<bool>("spring");
        QTest::addColumn<bool>("pedigree");
        QTest::addColumn<int>("font");
        QTest::addColumn<int>("sheets"); // 0: as many as without logos
        QTest::newRow("dressage, 7 pt (the default)") << false << false << 7 << 1;
        QTest::newRow("dressage, 10 pt") << false << false << 10 << 0;
        QTest::newRow("jumping with pedigree, 7 pt") << true << true << 7 << 0;
    }

    void printedDemoLogos()
    {
        // The demo's club logos, 96 by 96 pixels, on a class of 23 starters,
        // two clubs of three marked for their logos.
        QFETCH(bool, spring);
        QFETCH(bool, pedigree);
        QFETCH(int, font);
        QFETCH(int, sheets);
        const QString root = m_dir.filePath(QStringLiteral("demologos"));
        QVERIFY(QDir(root).removeRecursively() && QDir().mkpath(root + QStringLiteral("/html")));
        QString error;
        QVERIFY2(standin::writeDemoClubLogos(root + QStringLiteral("/logo"), &error), qPrintable(error));
        QCOMPARE(QImage(root + QStringLiteral("/logo/FRK.png")).size(), QSize(96, 96));
        PrintClass c = printClass(spring, true, 23);
        const QStringList clubs{"FRK*", "SRK*", "NOLOGO"};
        const auto settings = ChampPages::Settings::read([&root, pedigree](const QString &key, const QString &def) {
            if (key == QLatin1String("logo.dir"))
                return root + QStringLiteral("/logo/");
            return key == QLatin1String("vis.afstamning") ? QString::number(pedigree) : def;
        });
        QFont printFont;
        printFont.setPointSize(font);
        // The class printed with its clubs' logos, and without.
        auto print = [&](bool logos, const QString &pdf) {
            for (int i = 0; i < c.rows.size(); ++i)
                c.rows[i][4] = logos ? clubs.at(i % clubs.size()) : QString(clubs.at(i % clubs.size())).remove(u'*');
            const QByteArray page = ChampPages::write(c.info, settings, c.rows).klasse;
            QFile::remove(pdf);
            return std::pair{page, ChampPrint::printHtml(*pdfPrinter(pdf), QString::fromUtf8(page), printFont,
                                                         root + QStringLiteral("/html"))};
        };
        const QString plain = m_dir.filePath(QStringLiteral("demologos_plain.pdf"));
        const int plainSheets = print(false, plain).second;
        const QString pdf = m_dir.filePath(QStringLiteral("demologos.pdf"));
        const auto [page, printed] = print(true, pdf);
        QVERIFY(page.contains("<img src=\"../logo/FRK.png\" >") && page.contains("<img src=\"../logo/SRK.png\" >"));
        QCOMPARE(pdfPages(pdf), printed);
        QCOMPARE(printed, sheets > 0 ? sheets : plainSheets);
        QCOMPARE(plainSheets, sheets > 0 ? sheets : plainSheets);

        // Every logo of the class drawn, whole (96 by 96 pixels, square) and
        // at most about a line and a quarter of the text high.
        const qreal line = wordHeight(pdf, QStringLiteral("NOLOGO"));
        QVERIFY(line > 0);
        const QList<DrawnPicture> drawn = pdfDrawnPictures(pdf);
        QCOMPARE(drawn.size(), int(c.rows.size() - c.rows.size() / clubs.size()));
        for (const DrawnPicture &picture : drawn) {
            QCOMPARE(picture.pixels, QSize(96, 96));
            QVERIFY2(picture.height <= 1.25 * line * 1.02 && picture.height > line,
                     qPrintable(QStringLiteral("%1 pt high beside text %2 pt high").arg(picture.height).arg(line)));
        }

        // Each club's initials on the line of its starter's number, with
        // its logo or without one: their tops a twentieth of a line apart at most.
        const QList<PdfWord> words = pdfWords(pdf);
        for (const QStringList &row : std::as_const(c.rows)) {
            const QString club = QString(row.at(4)).remove(QLatin1Char('*'));
            qreal number = -1;
            for (const PdfWord &word : words)
                if (word.text == row.at(1))
                    number = word.top;
            qreal apart = 1e9;
            for (const PdfWord &word : words)
                if (word.text == club)
                    apart = std::min(apart, std::abs(word.top - number));
            QVERIFY2(number >= 0 && apart <= 0.05 * line,
                     qPrintable(QStringLiteral("%1: %2 is %3 pt off its line").arg(row.at(1), club).arg(apart)));
        }
        const QString shots = qEnvironmentVariable("ZEP_PRINT_SHOTS");
        if (!shots.isEmpty())
            QFile::copy(pdf, QDir(shots).filePath(QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".pdf")));
    }

#endif

    void printedSheets_data()
    {
        QTest::addColumn<bool>("spring");
        QTest::addColumn<bool>("rank");
        QTest::addColumn<bool>("finished");
        QTest::addColumn<int>("font");
        for (const bool spring : {false, true})
#ifdef ZEP_PART_SHEETS
            for (const bool rank : {false})
#else
            for (const bool rank : {true})
#endif
                for (const bool finished : {false, true})
                    for (int font = 6; font <= 14; ++font)
                        QTest::addRow("%s %s, %s, %d pt", spring ? "jumping" : "dressage", rank ? "rank" : "class",
                                      finished ? "finished" : "running", font)
                            << spring << rank << finished << font;
    }

    void printedSheets()
    {
        QFETCH(bool, spring);
        QFETCH(bool, rank);
        QFETCH(bool, finished);
        QFETCH(int, font);
        const PrintClass c = printClass(spring, finished);
        const auto settings = ChampPages::Settings::read([](const QString &key, const QString &def) {
            if (key == QLatin1String("beregn.tid") || key == QLatin1String("vis.afstamning")
                || key == QLatin1String("beregn.antalStarter"))
                return QStringLiteral("1");
            return def;
        });
        const ChampPages::Pages pages = ChampPages::write(c.info, settings, c.rows);

        const QString pdf = m_dir.filePath(QStringLiteral("sheets.pdf"));
        QFile::remove(pdf);
        QFont printFont;
        printFont.setPointSize(font);
        const int printed = ChampPrint::printHtml(*pdfPrinter(pdf), QString::fromUtf8(rank ? pages.rank : pages.klasse),
                                                  printFont);
        const QStringList sheets = pdfSheets(pdf);
        QCOMPARE(sheets.size(), printed);

        // The column titles stand whole.
        const QStringList titles = spring ? QStringList{"HS Stil", "HS Fejl", "HS Tid", "Total"}
                                          : QStringList{"Kapacitet", "Fejl", "Sum"};
        if (!rank)
            for (const QString &title : titles)
                QVERIFY2(wholeIn(sheets.value(0), title), qPrintable(title));

        for (const QStringList &row : c.rows) {
            // The sheet and the line of the starter's competition number.
            int sheet = -1;
            QString line;
            for (int p = 0; p < sheets.size() && sheet < 0; ++p)
                for (const QString &l : sheets.at(p).split(QLatin1Char('\n')))
                    if (sheet < 0 && wholeIn(l, row.at(1))) {
                        sheet = p;
                        line = l;
                    }
            QVERIFY2(sheet >= 0, qPrintable(row.at(1)));

            // Every number, status and place whole on that line.
            QStringList expected;
            const QString total = row.at(spring ? 14 : 22);
            if (!row.at(5).isEmpty())
                expected << row.at(5);
            else if (!total.isEmpty())
                expected << QString::number(total.toDouble(), 'f', rank ? 2 : 3);
            const int place = row.at(spring ? 19 : 23).toInt();
            if (place >= 1 && place <= c.info.antalPlaceringer)
                expected << QStringLiteral("(%1)").arg(place);
            if (!rank && row.at(5).isEmpty() && !total.isEmpty())
                expected << (spring ? QStringList{"8.5", "0.5", "71.3"} : QStringList{row.at(9), row.at(13), "0.5"});
            if (!rank && !finished)
                expected << row.at(0) << QStringLiteral("(10:32)");
            // At the default size and below the columns leave the rider's
            // name room enough for one line.
            if (!rank && font <= 7)
                expected << row.at(3).split(QLatin1Char(' '));
            for (const QString &token : std::as_const(expected))
                QVERIFY2(wholeIn(line, token), qPrintable(row.at(1) + ": " + token + " in: " + line));

            // The whole row on that sheet and on no other: every word of its
            // names and its pedigree (each ends in the row's own number).
            const QString own = QString::number(row.at(1).toInt() - 1001);
            QStringList words = row.at(2).split(QLatin1Char(' '));
            if (!rank)
                words << row.at(3).split(QLatin1Char(' ')) << row.at(4) << row.at(8).split(QLatin1Char('/'));
            for (const QString &word : std::as_const(words))
                for (int p = 0; word.endsWith(own) && p < sheets.size(); ++p)
                    QVERIFY2(standsIn(sheets.at(p), word) == (p == sheet),
                             qPrintable(QStringLiteral("%1 on sheet %2").arg(word).arg(p + 1)));
        }
    }

#ifndef ZEP_PART_SHEETS
    // Every sheet of a class page shows the column titles above its first
    // starter, once, and the class head stays on the first sheet.
    void printedSheetsRepeatTitles_data()
    {
        QTest::addColumn<bool>("spring");
        QTest::addColumn<bool>("finished");
        QTest::addColumn<int>("font");
        for (const bool spring : {false, true})
            for (const bool finished : {false, true})
                for (int font : {9, 14}) // at 14 pt the columns are reduced to the sheet's width
                    QTest::addRow("%s, %s, %d pt", spring ? "jumping" : "dressage", finished ? "finished" : "running",
                                  font)
                        << spring << finished << font;
    }

    void printedSheetsRepeatTitles()
    {
        QFETCH(bool, spring);
        QFETCH(bool, finished);
        QFETCH(int, font);
        const PrintClass c = printClass(spring, finished);
        const auto settings = ChampPages::Settings::read([](const QString &key, const QString &def) {
            return key == QLatin1String("vis.afstamning") || key == QLatin1String("beregn.tid") ? QStringLiteral("1")
                                                                                                 : def;
        });
        const QString pdf = m_dir.filePath(QStringLiteral("titles.pdf"));
        QFile::remove(pdf);
        QFont printFont;
        printFont.setPointSize(font);
        ChampPrint::printHtml(*pdfPrinter(pdf), QString::fromUtf8(ChampPages::write(c.info, settings, c.rows).klasse),
                              printFont);
        const QStringList sheets = pdfSheets(pdf);
        QVERIFY2(sheets.size() >= 2, qPrintable(QString::number(sheets.size())));

        QStringList titles{"Stv.Nr", "Hest", "Rytter", "Klub"};
        titles << (spring ? QStringList{"HS Stil", "HS Fejl", "HS Tid", "Total"}
                          : QStringList{"Trav", "Skridt", "Galop", "Ridelighed", "Kapacitet", "Fejl", "Sum"});
        if (!finished)
            titles << QStringLiteral("Nr") << QStringLiteral("Tid");
        for (int p = 0; p < sheets.size(); ++p) {
            const QStringList lines = sheets.at(p).split(QLatin1Char('\n'));
            int titleLine = -1;
            int firstStarter = -1;
            int titleLines = 0;
            for (int i = 0; i < lines.size(); ++i) {
                if (std::all_of(titles.cbegin(), titles.cend(), [&](const QString &t) { return wholeIn(lines.at(i), t); })) {
                    ++titleLines;
                    titleLine = titleLine < 0 ? i : titleLine;
                }
                for (const QStringList &row : c.rows)
                    if (firstStarter < 0 && wholeIn(lines.at(i), row.at(1)))
                        firstStarter = i;
            }
            const QString where = QStringLiteral("sheet %1: titles on line %2 (%3 times), first starter on line %4")
                                      .arg(p + 1)
                                      .arg(titleLine)
                                      .arg(titleLines)
                                      .arg(firstStarter);
            QVERIFY2(titleLines == 1 && firstStarter > titleLine, qPrintable(where));
            QCOMPARE(sheets.at(p).contains(QStringLiteral("Stildommer")), p == 0);
        }
    }

    // ---- the Hippodata export
    void hippodataExport()
    {
        // Dressage (41) and jumping (43) as the expected files hold them.
        for (const int klasseNr : {41, 43}) {
            champView(m_cfg.get(), klasseNr == 43, klasseNr)->exportKlasse();
            QCOMPARE(QString::fromUtf8(readFile(html(QStringLiteral("klasse%1_A.csv").arg(klasseNr)))),
                     QString::fromUtf8(readFile(QStringLiteral(ZEP_TESTDATA "/champ_hippodata%1_A.csv").arg(klasseNr))));
        }

        // An empty section and a failed query.
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
#endif

private:
    QString html(const QString &name) const { return m_dir.filePath(QStringLiteral("html/") + name); }

    QTemporaryDir m_dir;
    std::unique_ptr<appConfig> m_cfg;
};

QTEST_MAIN(TestChampPages)
#include "tst_champpages.moc"

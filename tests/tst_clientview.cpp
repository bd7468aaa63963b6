// The display client as an arena screen runs it: the demo competition loaded
// through the window and ridden until its pages show a last rider with and
// without a club logo, the pages shown in the client tab at the fonts the
// keys give and at the widths arena screens have, and measured from the
// text layout: neighbouring cells' texts stay a space apart, and a club
// logo keeps its row about a line high.
// ZEP_CLIENT_SHOTS names a folder for pictures of the client tab.
// Built twice: with ZEP_PART_FITTED defined (the test "clientview_fitted")
// the program runs the cases of a full screen whose font is fitted to it,
// which lay every page out up to four times; without, all the others.

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFile>
#include <QGlyphRun>
#include <QImage>
#include <QRawFont>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextTable>
#include <QUrl>

#include <functional>
#include <memory>
#include <utility>

#include "app/ClientTab.h"
#include "app/MainWidget.h"
#include "app/QTabW.h"
#include "demo/DemoCompetition.h"
#include "demo/DemoSimulator.h"
#include "driver/StandinDriver.h"
#include "views/champ/ChampPages.h"
#include "views/staevneKlasseInfo.h"
#include "ChildProcesses.h"
#include "EventWait.h"
#include "StationFixture.h"

using namespace stationfx;

namespace {

const QChar Picture(QChar::ObjectReplacementCharacter);

// Text that shows: not a blank (a no-break space is one) nor a sign of no
// width (the word joiner).
bool shows(QChar c)
{
    return !c.isSpace() && c.category() != QChar::Other_Format;
}

// What a cell shows, in document coordinates, with the width of a space of
// the font at its two ends.
struct Extent
{
    qreal left = 0;
    qreal right = 0;
    qreal leftSpace = 0;
    qreal rightSpace = 0;
    QString text;
    bool empty() const { return text.isEmpty(); }
};

qreal spaceAt(const QTextLine &line, int position)
{
    const QList<QGlyphRun> runs = line.glyphRuns(position, 1);
    if (runs.isEmpty())
        return 0; // a picture
    const QRawFont font = runs.first().rawFont();
    const QList<QPointF> advances = font.advancesForGlyphIndexes(font.glyphIndexesForString(QStringLiteral(" ")));
    return advances.isEmpty() ? 0 : advances.first().x();
}

void forEachBlock(const QTextTableCell &cell, const std::function<void(const QTextBlock &)> &visit)
{
    for (QTextFrame::iterator it = cell.begin(); !it.atEnd(); ++it)
        if (it.currentBlock().isValid())
            visit(it.currentBlock());
}

Extent extentOf(QTextDocument *document, const QTextTableCell &cell)
{
    Extent extent;
    forEachBlock(cell, [&](const QTextBlock &block) {
        const QString text = block.text();
        const QTextLayout *layout = block.layout();
        const qreal x = document->documentLayout()->blockBoundingRect(block).left();
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            int first = line.textStart();
            int last = line.textStart() + line.textLength() - 1;
            while (first <= last && !shows(text.at(first)))
                ++first;
            while (last >= first && !shows(text.at(last)))
                --last;
            if (first > last)
                continue;
            const qreal left = x + line.cursorToX(first);
            const qreal right = x + line.cursorToX(last + 1);
            if (extent.empty() || left < extent.left) {
                extent.left = left;
                extent.leftSpace = spaceAt(line, first);
            }
            if (extent.empty() || right > extent.right) {
                extent.right = right;
                extent.rightSpace = spaceAt(line, last);
            }
            extent.text += text.mid(first, last - first + 1);
        }
    });
    return extent;
}

void forEachTable(QTextFrame *frame, const std::function<void(QTextTable *)> &visit)
{
    for (QTextFrame *child : frame->childFrames()) {
        if (auto *table = qobject_cast<QTextTable *>(child))
            visit(table);
        forEachTable(child, visit);
    }
}

void forEachRow(QTextDocument *document, const std::function<void(QList<QTextTableCell>)> &visit)
{
    forEachTable(document->rootFrame(), [&](QTextTable *table) {
        for (int r = 0; r < table->rows(); ++r) {
            QList<QTextTableCell> cells;
            for (int c = 0; c < table->columns(); ++c) {
                const QTextTableCell cell = table->cellAt(r, c);
                if (cell.row() == r && cell.column() == c)
                    cells << cell;
            }
            visit(cells);
        }
    });
}

// Neighbouring cells of a row whose texts are less than a space apart (the
// space of the larger font at the two ends); `pairs` counts the pairs seen.
QStringList touchingCells(QTextDocument *document, int *pairs)
{
    QStringList touching;
    forEachRow(document, [&](const QList<QTextTableCell> &cells) {
        Extent before;
        for (const QTextTableCell &cell : cells) {
            const Extent extent = extentOf(document, cell);
            if (extent.empty())
                continue;
            if (!before.empty()) {
                ++*pairs;
                const qreal gap = extent.left - before.right;
                const qreal space = qMax(before.rightSpace, extent.leftSpace);
                // Half a pixel for the rounding of advances.
                if (gap + 0.5 < space)
                    touching << QStringLiteral("\"%1\" | \"%2\": %3 px apart, a space is %4 px")
                                    .arg(before.text, extent.text)
                                    .arg(gap, 0, 'f', 1)
                                    .arg(space, 0, 'f', 1);
            }
            before = extent;
        }
    });
    return touching;
}

// A cell's lines: their height together, the tallest, the text.
struct Lines
{
    qreal height = 0;
    qreal tallest = 0;
    QString text;
    bool picture() const { return text.contains(Picture); }
};

Lines linesOf(const QTextTableCell &cell)
{
    Lines lines;
    forEachBlock(cell, [&](const QTextBlock &block) {
        lines.text += block.text();
        for (int i = 0; i < block.layout()->lineCount(); ++i) {
            lines.height += block.layout()->lineAt(i).height();
            lines.tallest = qMax(lines.tallest, block.layout()->lineAt(i).height());
        }
    });
    return lines;
}

// The heights of the cells that hold a picture, in the page's order.
[[maybe_unused]] QList<qreal> pictureCellHeights(QTextDocument *document)
{
    QList<qreal> heights;
    forEachRow(document, [&](const QList<QTextTableCell> &cells) {
        for (const QTextTableCell &cell : cells)
            if (const Lines lines = linesOf(cell); lines.picture())
                heights << lines.height;
    });
    return heights;
}

// Rows with a picture taller than the row's text allows: the cell with the
// picture higher than a line and a quarter of the tallest line of text in
// the row's other cells. `checked` counts the cells with a picture.
[[maybe_unused]] QStringList tallPictureRows(QTextDocument *document, int *checked)
{
    QStringList tall;
    forEachRow(document, [&](const QList<QTextTableCell> &cells) {
        qreal textLine = 0;
        QList<Lines> withPicture;
        for (const QTextTableCell &cell : cells) {
            const Lines lines = linesOf(cell);
            if (lines.picture())
                withPicture << lines;
            else
                textLine = qMax(textLine, lines.tallest);
        }
        for (const Lines &lines : std::as_const(withPicture)) {
            if (textLine == 0)
                break;
            ++*checked;
            if (lines.height > 1.25 * textLine + 1)
                tall << QStringLiteral("\"%1\": %2 px high beside lines of %3 px")
                            .arg(lines.text.simplified())
                            .arg(lines.height, 0, 'f', 1)
                            .arg(textLine, 0, 'f', 1);
        }
    });
    return tall;
}

// A page a points class writes while a rider has just finished: "logo"
// when the last rider's block carries a club logo.
bool lastRiderBlock(const QByteArray &page, bool *logo)
{
    const int at = page.indexOf("class=\"last\"");
    if (at < 0)
        return false;
    *logo = page.mid(at, page.indexOf("</tr>", at) - at).contains("<img");
    return true;
}

enum class Screen { Window, FullScreen, Fitted };

} // namespace

Q_DECLARE_METATYPE(Screen)

class tst_ClientView : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    LoopbackServers m_servers;
    std::unique_ptr<MainWidget> m_window;
    // Name to the file of a page as it was when kept.
    QMap<QString, QString> m_pages;

    bool keep(const QString &name, const QString &file)
    {
        const QString copy = m_dir.filePath(QStringLiteral("kept/") + name);
        m_pages.insert(name, copy);
        return QDir().mkpath(m_dir.filePath(QStringLiteral("kept"))) && QFile::copy(file, copy);
    }

    // The client tab as `screen` has it at `width`, its font `keys` presses
    // of F7 (of F6 when negative) from the default size; false when the
    // window does not take the width.
    bool setUp(int width, int keys, Screen screen)
    {
        MainWidget *window = m_window.get();
        if (window->isFullScreenMode())
            QTest::keyClick(window, Qt::Key_F11);
        window->config()->setValue(QStringLiteral("bane.autoAdjust"), QStringLiteral("0"));
        // Not the page shown before laid out again at every key.
        window->clientTab()->viewer()->clear();
        window->clientTab()->setFontSize(15);
        for (int i = 0; i < std::abs(keys); ++i)
            QTest::keyClick(window, keys < 0 ? Qt::Key_F6 : Qt::Key_F7);
        if (screen == Screen::Fitted)
            QTest::keyClick(window, Qt::Key_F3);
        if (screen != Screen::Window)
            QTest::keyClick(window, Qt::Key_F11);
        window->mainTabs()->setCurrentIndex(0);
        window->resize(width, width * 9 / 16);
        if (!QTest::qWaitFor([window, width] { return window->width() == width; }, eventwait::limitMs))
            return false;
        // The rows and bars that F11 hid or showed give up or take their
        // room now, whatever the case before left to do: not a window's
        // view in full screen because the width was already right.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        return true;
    }

    // Shows a kept page as the client does, once, or in fitted full screen
    // often enough for the font to settle: up to four times, and no more
    // once a showing leaves the font as it was, since the next would lay the
    // page out at that font again just as it is.
    QTextDocument *show(const QString &name, Screen screen)
    {
        for (int shown = 0; shown < (screen == Screen::Fitted ? 4 : 1); ++shown) {
            const int font = m_window->clientTab()->fontSize();
            m_window->slotBaneFile(m_pages.value(name));
            if (m_window->clientTab()->fontSize() == font)
                break;
        }
        QTextDocument *document = m_window->clientTab()->viewer()->document();
        document->size(); // lays the whole document out
        return document;
    }

    void picture(const QString &name)
    {
        const QString shots = qEnvironmentVariable("ZEP_CLIENT_SHOTS");
        if (!shots.isEmpty())
            m_window->clientTab()->grab().save(QDir(shots).filePath(name + QStringLiteral(".png")));
    }

private slots:
    void initTestCase()
    {
        childprocs::stopChildrenOnSignals();
        standin::registerDriver();
        MainWidget::setHostLookup(ringsideHost);
        QVERIFY(m_dir.isValid());
        QDir::setCurrent(m_dir.path()); // the client finds the logos in ./logo
        const QString db = m_dir.filePath(QStringLiteral("demo.db"));
        QString error;
        QVERIFY2(standin::generateDemoCompetition(db, standin::DemoOptions(), &error), qPrintable(error));
        const QString logoDir = m_dir.filePath(QStringLiteral("logo"));
        QVERIFY2(standin::writeDemoClubLogos(logoDir, &error), qPrintable(error));
        const QString root = m_dir.filePath(QStringLiteral("html"));
        QVERIFY(QDir().mkpath(root));
        quint16 port = 0;
        m_window = m_servers.openOnPickedPort(m_dir.filePath(QStringLiteral("appCfg.xml")),
                                              {{"app.server", "1"},
                                               {"http.root", root},
                                               {"logo.dir", logoDir + QLatin1Char('/')},
                                               {"bane.baseUrl", "http://127.0.0.1:%port/"},
                                               {"database.update", "3600000"},
                                               {"bane.update", "3600000"}, // no page of its own in between
                                               {"database.driver", standin::driverName()},
                                               {"database.name", db}},
                                              QStringLiteral("main"), &port);
        QVERIFY(m_window);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        m_window->showStaevne(standin::demoCompetitionId);
        QVERIFY(!m_window->viewKeys().isEmpty());

        // Riding until the dressage classes scored in points show a last
        // rider of a club with a logo and one of a club without.
        standin::DemoSimulator simulator(db);
        for (int round = 0; round < 100 && !(m_pages.contains("last_logo") && m_pages.contains("last_plain"));
             ++round) {
            QVERIFY2(!simulator.step().isEmpty(), qPrintable(simulator.lastError()));
            for (const QString &key : m_window->viewKeys())
                m_window->view(key)->timeOut();
            for (const char *page : {"klasse1_A.html", "klasse1_B.html", "klasse9_A.html"}) {
                const QString file = root + QLatin1Char('/') + QLatin1String(page);
                bool logo = false;
                if (lastRiderBlock(readFile(file), &logo) && !m_pages.contains(logo ? "last_logo" : "last_plain"))
                    QVERIFY(keep(logo ? "last_logo" : "last_plain", file));
            }
        }
        QVERIFY2(m_pages.contains("last_logo") && m_pages.contains("last_plain"),
                 "no last rider of a club with a logo and one without");
        QVERIFY(keep("team", root + "/klasse3_A.html"));
        QVERIFY(keep("ranking", root + "/rank1_A.html"));
        QVERIFY(keep("team_ranking", root + "/rank3_A.html"));

        // The rotating arena page, fetched by the client from the address
        // typed into its box.
        QSignalSpy fetched(m_window->clientTab(), &ClientTab::downloaded);
        m_window->urlSelected(QStringLiteral("http://127.0.0.1:%1/baner.php?bane=1&min=1").arg(port));
        WAIT_VERIFY(!fetched.isEmpty() && fetched.last().first().toString().contains("baner.php"));
        QVERIFY(keep("baner.php", fetched.last().first().toString()));
    }

    void cleanupTestCase()
    {
        m_window.reset();
        QSqlDatabase::removeDatabase(QStringLiteral("ZEP"));
    }

    // Neighbouring cells never touch, at the fonts the keys give, at the
    // widths of arena screens, in a window and full screen, with the font
    // fitted to the screen (F3) or not.
    void cellsKeepApart_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("keys");
        QTest::addColumn<Screen>("screen");
        for (int width : {1000, 1280, 1920}) {
#ifndef ZEP_PART_FITTED
            for (int keys : {-1, 0, 1, 3}) {
                QTest::addRow("%d, %+d keys, window", width, keys) << width << keys << Screen::Window;
                QTest::addRow("%d, %+d keys, full screen", width, keys) << width << keys << Screen::FullScreen;
            }
#else
            // The fitting moves the font a point per page shown.
            for (int keys : {0, 3})
                QTest::addRow("%d, %+d keys, fitted", width, keys) << width << keys << Screen::Fitted;
#endif
        }
    }
    void cellsKeepApart()
    {
        QFETCH(int, width);
        QFETCH(int, keys);
        QFETCH(Screen, screen);
        QVERIFY(setUp(width, keys, screen));
        for (const QString &name : m_pages.keys()) {
            QTextDocument *document = show(name, screen);
            if (keys == 0 && screen == Screen::Window)
                picture(QStringLiteral("%1_%2").arg(name).arg(width));
            int pairs = 0;
            const QStringList touching = touchingCells(document, &pairs);
            for (const QString &pair : touching)
                qWarning("%s: %s", qPrintable(name), qPrintable(pair));
            QVERIFY2(pairs > 10, qPrintable(name));
            QVERIFY2(touching.isEmpty(), qPrintable(name));
        }
    }

#ifndef ZEP_PART_FITTED
    // A championship class page shows whole in a window 1280 pixels wide,
    // with the demo's club logos and its longest names: the places, its
    // last column, stand inside the view, and no cells touch.
    void championshipPageShowsWhole_data()
    {
        QTest::addColumn<bool>("spring");
        QTest::addColumn<bool>("finished");
        for (const bool spring : {false, true})
            for (const bool finished : {false, true})
                QTest::addRow("%s, %s", spring ? "jumping" : "dressage", finished ? "finished" : "running")
                    << spring << finished;
    }
    void championshipPageShowsWhole()
    {
        QFETCH(bool, spring);
        QFETCH(bool, finished);
        QVERIFY(setUp(1280, 0, Screen::Window));
        ChampPages::ClassInfo info;
        info.kind = spring ? ChampPages::Kind::Spring : ChampPages::Kind::Dressur;
        info.antalPlaceringer = 6;
        info.antalStarter = 12;
        info.resterendeStarter = finished ? 0 : 4;
        info.maxPnt = 10;
        info.metode = QStringLiteral("Stil");
        info.klasseTypeId = spring ? QStringLiteral("SK-SCU6") : QStringLiteral("DCU5H");
        info.title = spring ? QStringLiteral("7 Championat 6-årige springheste A")
                            : QStringLiteral("4 Championat 5-årige dressurheste A");
        info.dommerLabel = QStringLiteral("Stildommer E: Caroline Rasmussen, C: Signe Andersen");
        info.startSlutTid = QStringLiteral("Start&nbsp;Tirsdag&nbsp;12:30&nbsp;-&nbsp;15:34");
        info.now = QDateTime(QDate(2026, 12, 7), QTime(12, 59));
        // Clubs with the demo's logos and without, every second one.
        const QStringList clubs{"*FRK*", "BLR", "*SRK*", "ERF"};
        QVector<QStringList> rows;
        for (int i = 0; i < info.antalStarter; ++i) {
            QStringList row(spring ? 21 : 27);
            row[0] = QString::number(i + 1);
            row[1] = QString::number(281 + i);
            row[2] = QStringLiteral("Kastanjegaards Stjerneskud");
            row[3] = QStringLiteral("Ærtebjørg Vestergaard");
            row[4] = clubs.at(i % clubs.size());
            if (i < info.antalStarter - info.resterendeStarter) {
                for (int m : spring ? QList<int>{11, 12, 13} : QList<int>{9, 10, 11, 12, 13, 14})
                    row[m] = QStringLiteral("7.5");
                row[spring ? 14 : 22] = QString::number(70 - i, 'f', 3);
                row[spring ? 19 : 23] = QString::number(i + 1);
            }
            rows << row;
        }
        const QString logoDir = m_dir.filePath(QStringLiteral("logo/"));
        const auto settings = ChampPages::Settings::read([&logoDir](const QString &key, const QString &def) {
            return key == QLatin1String("logo.dir") ? logoDir : def;
        });
        const QByteArray html = ChampPages::write(info, settings, rows).klasse;
        QVERIFY(html.contains("<img src=\"../logo/FRK.png\" >") && html.contains("<img src=\"../logo/SRK.png\" >"));
        const QString page = m_dir.filePath(QStringLiteral("cache/klasse%1_A.html").arg(spring ? 7 : 4));
        QVERIFY(writeFile(page, html));
        m_window->slotBaneFile(page);
        QTextDocument *document = m_window->clientTab()->viewer()->document();
        picture(QStringLiteral("championship_%1").arg(QString::fromLatin1(QTest::currentDataTag()).replace(", ", "_")));

        const int visible = m_window->clientTab()->viewer()->viewport()->width();
        QVERIFY2(document->size().width() <= visible,
                 qPrintable(QStringLiteral("%1 px wide in a view of %2 px").arg(document->size().width()).arg(visible)));
        QStringList places;
        forEachRow(document, [&](const QList<QTextTableCell> &cells) {
            const Extent last = extentOf(document, cells.last());
            if (last.text.startsWith(QLatin1Char('(')))
                places << last.text + (last.right > visible ? QStringLiteral(" ends at %1 px").arg(last.right) : QString());
        });
        QCOMPARE(places, (QStringList{"(1)", "(2)", "(3)", "(4)", "(5)", "(6)"}));
        int pairs = 0;
        const QStringList touching = touchingCells(document, &pairs);
        QVERIFY2(pairs > 10 && touching.isEmpty(), qPrintable(touching.join(QStringLiteral("; "))));
    }

    // A club logo in a row is drawn no higher than a line and a quarter of
    // the row's text, with the club's name beside it.
    void logosStayALineHigh_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("keys");
        for (int width : {1000, 1280, 1920})
            for (int keys : {-1, 0, 3})
                QTest::addRow("%d, %+d keys", width, keys) << width << keys;
    }
    void logosStayALineHigh()
    {
        QFETCH(int, width);
        QFETCH(int, keys);
        QVERIFY(setUp(width, keys, Screen::Window));
        for (const char *name : {"last_logo", "baner.php", "team", "team_ranking"}) {
            QTextDocument *document = show(QLatin1String(name), Screen::Window);
            int checked = 0;
            const QStringList tall = tallPictureRows(document, &checked);
            for (const QString &row : tall)
                qWarning("%s: %s", name, qPrintable(row));
            QVERIFY2(checked > 0, name);
            QVERIFY2(tall.isEmpty(), name);
        }
    }

    // A logo with one of its width and height given keeps its picture's
    // proportions: the other follows from the picture.
    void logosKeepTheirProportions_data()
    {
        QTest::addColumn<QString>("size");
        QTest::newRow("width") << "width=\"30\"";
        QTest::newRow("height") << "height=\"10\"";
        QTest::newRow("neither") << "";
    }
    void logosKeepTheirProportions()
    {
        QFETCH(QString, size);
        QVERIFY(setUp(1280, 0, Screen::Window));
        QImage wide(48, 16, QImage::Format_RGB32);
        wide.fill(Qt::darkBlue);
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("logo")))
                && wide.save(m_dir.filePath(QStringLiteral("logo/wide.png"))));
        const QString page = m_dir.filePath(QStringLiteral("proportions.html"));
        QVERIFY(writeFile(page, QStringLiteral("<html><body><table><tr><td>1</td><td><img src=\"logo/wide.png\" %1>"
                                               " Klub</td></tr></table></body></html>")
                                    .arg(size)
                                    .toUtf8()));
        m_window->slotBaneFile(page);
        QTextDocument *document = m_window->clientTab()->viewer()->document();
        QSizeF shown;
        for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
            for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it)
                if (it.fragment().charFormat().isImageFormat())
                    shown = QSizeF(it.fragment().charFormat().toImageFormat().width(),
                                   it.fragment().charFormat().toImageFormat().height());
        QVERIFY(!shown.isEmpty());
        QCOMPARE(qRound(10 * shown.width() / shown.height()), 30);
    }

    // A logo this computer does not have is left out, its club's initials
    // kept on their line, rather than shown as Qt's broken-picture icon; a
    // logo it has still shows, fitted to the text.
    void missingLogoIsLeftOut()
    {
        QVERIFY(setUp(1280, 0, Screen::Window));
        QVERIFY(QFile::exists(m_dir.filePath(QStringLiteral("logo/FRK.png"))));
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("logo/XYZ.png"))));
        // As the station writes them: relative to the page's own folder.
        const QString page = m_dir.filePath(QStringLiteral("cache/missing_logo.html"));
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("cache"))));
        QVERIFY(writeFile(page, "<html><body><table>"
                                "<tr><td>1</td><td>1001</td><td><img src=\"../logo/FRK.png\" >&nbsp;&nbsp;FRK</td>"
                                "<td>Anne Andersen</td><td>67.500 %</td></tr>"
                                "<tr><td>2</td><td>1002</td><td><img src=\"../logo/XYZ.png\" >&nbsp;&nbsp;XYZ</td>"
                                "<td>Bent Bentsen</td><td>66.250 %</td></tr>"
                                "</table></body></html>"));
        m_window->slotBaneFile(page);
        QTextDocument *document = m_window->clientTab()->viewer()->document();
        document->size();
        picture(QStringLiteral("missing_logo"));

        QStringList images;
        for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
            for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it)
                if (it.fragment().charFormat().isImageFormat()) {
                    const QString name = it.fragment().charFormat().toImageFormat().name();
                    const QVariant resource = document->resource(QTextDocument::ImageResource, QUrl(name));
                    images << name + (resource.isNull() ? QStringLiteral(" (not found)") : QString());
                }
        QCOMPARE(images, QStringList{QStringLiteral("../logo/FRK.png")});

        // Both clubs' initials on the lines of their rows, the found logo at
        // most a line and a quarter high.
        int checked = 0;
        QVERIFY(tallPictureRows(document, &checked).isEmpty());
        QCOMPARE(checked, 1);
        QStringList clubs;
        forEachRow(document, [&clubs](const QList<QTextTableCell> &cells) {
            const Lines lines = linesOf(cells.value(2));
            const Lines number = linesOf(cells.value(1));
            const bool oneLine = lines.height <= 1.25 * number.height + 1;
            clubs << lines.text.simplified() + (oneLine ? QString() : QStringLiteral(" (taller than its row)"));
        });
        QCOMPARE(clubs, (QStringList{QString(Picture) + QStringLiteral(" FRK"), QStringLiteral("XYZ")}));
    }

    // F6 and F7 on a page already shown space its cells and size its
    // logos for the new font, and the logos grow back with the font.
    void keysRefitTheShownPage()
    {
        QVERIFY(setUp(1280, 0, Screen::Window));
        QTextDocument *document = show(QStringLiteral("last_logo"), Screen::Window);
        const QList<qreal> shown = pictureCellHeights(document);
        QVERIFY(!shown.isEmpty());
        for (const auto &[key, presses] : {std::pair{Qt::Key_F6, 3}, std::pair{Qt::Key_F7, 6}}) {
            for (int i = 0; i < presses; ++i)
                QTest::keyClick(m_window.get(), key);
            document->size();
            int pairs = 0;
            int checked = 0;
            const QStringList touching = touchingCells(document, &pairs);
            const QStringList tall = tallPictureRows(document, &checked);
            QVERIFY(pairs > 10 && checked > 0);
            QVERIFY2(touching.isEmpty(), qPrintable(touching.join(QStringLiteral("; "))));
            QVERIFY2(tall.isEmpty(), qPrintable(tall.join(QStringLiteral("; "))));
        }
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(m_window.get(), Qt::Key_F6);
        document->size();
        QCOMPARE(m_window->clientTab()->fontSize(), 15);
        QCOMPARE(pictureCellHeights(document), shown);
    }
#endif
};

QTEST_MAIN(tst_ClientView)
#include "tst_clientview.moc"

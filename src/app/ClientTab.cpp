#include "app/ClientTab.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLabel>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBoundaryFinder>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "publish/PathJoin.h"
#include "publish/urlDownloader.h"
#include "settings/appConfig.h"
#include "views/CellText.h"
#include "views/PagePictures.h"

#include <cmath>
#include <functional>

namespace {
// Qt's line breaking finds a break after the point or colon of a number
// that starts with one digit ("7." over "500"), a narrow cell's way to
// split it. A word joiner after each such sign between digits keeps the
// number one word; it has no width and shows nothing.
void keepNumbersWhole(QTextDocument *document)
{
    static const QRegularExpression sign(QStringLiteral("(?<=\\d)[.,:](?=\\d)"));
    QTextCursor edit(document);
    edit.beginEditBlock();
    for (QTextCursor found = document->find(sign); !found.isNull(); found = document->find(sign, found)) {
        QTextCursor after(document);
        after.setPosition(found.selectionEnd());
        after.insertText(QString(QChar(0x2060)));
    }
    edit.endEditBlock();
}

void fitTable(QTextDocument *document, QTextTable *table)
{
    const qreal pagePadding = table->format().cellPadding();
    for (int r = 0; r < table->rows(); ++r) {
        const QFont font = PagePictures::rowFont(document, table, r);
        const QFontMetricsF text(font);
        // Half a space on either side: a space between neighbouring cells.
        const qreal padding = qMax(pagePadding, std::ceil(text.horizontalAdvance(QLatin1Char(' ')) / 2));
        for (int c = 0; c < table->columns(); ++c) {
            QTextTableCell cell = table->cellAt(r, c);
            if (cell.row() != r || cell.column() != c)
                continue; // covered by a cell that spans it
            QTextTableCellFormat format = cell.format().toTableCellFormat();
            format.setLeftPadding(padding);
            format.setRightPadding(padding);
            cell.setFormat(format);
            PagePictures::fitInCell(document, cell, font);
        }
    }
}

void forEachTable(QTextFrame *frame, const std::function<void(QTextTable *)> &visit)
{
    for (QTextFrame *child : frame->childFrames()) {
        if (auto *table = qobject_cast<QTextTable *>(child))
            visit(table);
        forEachTable(child, visit);
    }
}

// A browser keeps neighbouring cells apart and logos a line high through
// the stylesheet, which this view does not read; the pages themselves give
// their cells no padding or a pixel, so a score runs into the next cell's
// ("567" and "70.000 %" read "56770.000 %"). Both follow the text's size,
// so they are set again at every font size.
void fitCellsToFont(QTextDocument *document)
{
    QTextCursor edit(document);
    edit.beginEditBlock();
    forEachTable(document->rootFrame(), [document](QTextTable *table) { fitTable(document, table); });
    edit.endEditBlock();
}

// Columns that need more than the view's width (a championship sheet's
// long names beside club logos and six marks) would push the last ones,
// the places, past its right edge: the long cell texts then wrap between
// their words instead. A page that fits keeps its names on one line.
void wrapWhereTooWide(QTextDocument *document)
{
    const qreal width = document->textWidth();
    if (width > 0 && document->size().width() > width + 0.5)
        CellText::letLongTextsWrap(document);
}

// The widest word of a laid-out block: text between two places where a
// line may break, without the blanks at its end.
qreal widestWord(const QTextBlock &block)
{
    const QString text = block.text();
    const QTextLayout *layout = block.layout();
    qreal widest = 0;
    QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, text);
    int start = 0;
    for (int end = breaks.toNextBoundary(); end > 0; start = end, end = breaks.toNextBoundary()) {
        int last = end;
        while (last > start && text.at(last - 1).isSpace() && text.at(last - 1) != QChar::Nbsp)
            --last;
        const QTextLine line = layout->lineForTextPosition(start);
        if (last > start && line.isValid() && last <= line.textStart() + line.textLength())
            widest = qMax(widest, std::abs(line.cursorToX(last) - line.cursorToX(start)));
    }
    return widest;
}

// Qt sizes a table column by the widest run of one format in a word of
// its cells, not by the whole word: "(<b>60.802</b>)" gets the width of the
// bold number alone and runs into the next cell. A cell's text whose word
// is wider than that is kept on one line, which Qt measures whole.
void keepWordsInTheirCells(QTextDocument *document)
{
    document->size(); // lays the document out
    QList<QTextBlock> underrated;
    forEachTable(document->rootFrame(), [&underrated](QTextTable *table) {
        for (int r = 0; r < table->rows(); ++r) {
            for (int c = 0; c < table->columns(); ++c) {
                const QTextTableCell cell = table->cellAt(r, c);
                if (cell.row() != r || cell.column() != c)
                    continue;
                for (QTextFrame::iterator it = cell.begin(); !it.atEnd(); ++it) {
                    const QTextBlock block = it.currentBlock();
                    if (block.isValid() && block.layout() && !block.blockFormat().nonBreakableLines()
                        && widestWord(block) > block.layout()->minimumWidth() + 0.5)
                        underrated << block;
                }
            }
        }
    });
    QTextCursor edit(document);
    edit.beginEditBlock();
    QTextBlockFormat oneLine;
    oneLine.setNonBreakableLines(true);
    for (const QTextBlock &block : std::as_const(underrated))
        QTextCursor(block).mergeBlockFormat(oneLine);
    edit.endEditBlock();
}
} // namespace

ClientTab::ClientTab(appConfig *config, QWidget *parent)
    : QWidget(parent)
    , cfg(config)
{
    setObjectName(QStringLiteral("clientPlaceHolder"));
    auto *pageLayout = new QVBoxLayout(this);
    pageLayout->setContentsMargins(0, 0, 0, 0);

    m_urlRow = new QWidget(this);
    m_urlRow->setObjectName(QStringLiteral("clientUrlPlaceHolder"));
    auto *rowLayout = new QHBoxLayout(m_urlRow);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    auto *urlLabel = new QLabel(tr("URL  "), m_urlRow);
    urlLabel->setObjectName(QStringLiteral("Test1"));
    rowLayout->addWidget(urlLabel);
    m_urlCombo = new QComboBox(m_urlRow);
    m_urlCombo->setObjectName(QStringLiteral("editable combobox"));
    m_urlCombo->setEditable(true);
    m_urlCombo->setDuplicatesEnabled(false);
    rowLayout->addWidget(m_urlCombo, 10);
    connect(m_urlCombo, &QComboBox::textActivated, this, &ClientTab::urlActivated);
    pageLayout->addWidget(m_urlRow);

    m_view = new QTextBrowser(this);
    m_view->setObjectName(QStringLiteral("showText"));
    m_view->setSearchPaths({QStringLiteral("./"), QStringLiteral("./logo/")});
    m_view->setReadOnly(true);
    // Qt's default breaks a word that does not fit its table cell anywhere,
    // so a narrow column shows "38" over "6" for 386: a cell breaks between
    // words only, and a column is as wide as its longest word.
    m_view->setWordWrapMode(QTextOption::WordWrap);
    pageLayout->addWidget(m_view, 10);
    setFontSize(cfg->getValue(QStringLiteral("bane.font"), QStringLiteral("15")).toInt());

    startDownloader(cfg->getValue(QStringLiteral("bane.directory"), QStringLiteral("cache")));

    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, &ClientTab::timerFired);
}

void ClientTab::startDownloader(const QString &directory)
{
    const QString baseUrl = cfg->getValue(QStringLiteral("bane.baseUrl"), paths::localServerAddress());
    if (baseUrl.isEmpty() || directory.isEmpty())
        return;
    m_downloader = new urlDownloader(this, QStringLiteral("bane.Downloader"), directory,
                                     cfg->getValue(QStringLiteral("bane.downloader.debug"), QStringLiteral("0")).toInt());
    connect(m_downloader, &urlDownloader::logMessage, this, &ClientTab::logMessage);
    connect(m_downloader, &urlDownloader::doneDownload, this, &ClientTab::downloaded);
    m_urlCombo->addItem(paths::join(baseUrl, cfg->getValue(QStringLiteral("bane.filename"), QStringLiteral("bane1.html"))));
}

void ClientTab::start()
{
    QString warning;
    m_timer->start(cfg->intervalValue(QStringLiteral("bane.update"), 30000, &warning));
    if (!warning.isEmpty())
        emit logMessage(1, warning);
}

QString ClientTab::cachedPage() const
{
    return paths::join(cfg->getValue(QStringLiteral("bane.directory"), QStringLiteral("cache")),
                       urlDownloader::localFileName(cfg->getValue(QStringLiteral("bane.filename"), QStringLiteral("bane1.html"))));
}

QStringList ClientTab::addresses() const
{
    QStringList list;
    for (int i = 0; i < m_urlCombo->count(); ++i)
        list << m_urlCombo->itemText(i);
    return list;
}

void ClientTab::addAddresses(const QStringList &addresses)
{
    m_urlCombo->addItems(addresses);
}

void ClientTab::fetch()
{
    if (!m_downloader)
        return;
    m_downloader->newUrl(paths::join(cfg->getValue(QStringLiteral("bane.baseUrl"), paths::localServerAddress()),
                                     cfg->getValue(QStringLiteral("bane.filename"), QStringLiteral("bane1.html"))));
}

void ClientTab::showFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    // The new page is read and changed in a document of its own, which has
    // no layout until the view takes it: laid out once, not as read and
    // again after the changes. It has the shown page's settings and owner,
    // which deletes the shown page as it takes the new one.
    QTextDocument *shown = m_view->document();
    auto *document = new QTextDocument(shown->parent());
    document->setUndoRedoEnabled(false);
    document->setDefaultFont(shown->defaultFont());
    document->setDefaultTextOption(shown->defaultTextOption());
    document->setPageSize(shown->pageSize());
    document->setHtml(QString::fromUtf8(file.readAll()));
    // One edit for the changes that need no layout: Qt lays a changed table
    // out again at the end of every edit, which costs as much as the page.
    QTextCursor edit(document);
    edit.beginEditBlock();
    // A logo this computer does not have is left out, its club's initials
    // kept, rather than shown as Qt's broken-picture icon.
    PagePictures::leaveOut(document, [document](const QString &name) {
        return !PagePictures::naturalSize(document, name).isEmpty();
    });
    keepNumbersWhole(document);
    fitCellsToFont(document);
    edit.endEditBlock();
    // A new page shows from its top left corner.
    m_view->horizontalScrollBar()->setValue(0);
    m_view->verticalScrollBar()->setValue(0);
    m_view->setDocument(document);
    wrapWhereTooWide(document);
    keepWordsInTheirCells(document);
    if (!m_fullScreen || cfg->getValue(QStringLiteral("bane.autoAdjust"), QStringLiteral("0")).toInt() == 0)
        return;

    // Fit the page to the screen one point per page shown.
    const QSize visible = m_view->viewport()->size();
    auto fitAt = [this, visible](int size) {
        setFontSize(size);
        return fitOf(m_view->document()->size().toSize(), visible);
    };
    setFontSize(fittedFontSize(fontSize(), fitAt));
}

ClientTab::Fit ClientTab::fitOf(const QSize &contents, const QSize &visible)
{
    if (contents.height() > visible.height() || contents.width() > visible.width())
        return Fit::Overflow;
    return contents.height() < visible.height() ? Fit::Room : Fit::Exact;
}

int ClientTab::fittedFontSize(int size, const std::function<Fit(int)> &fitAt)
{
    switch (fitAt(size)) {
    case Fit::Overflow:
        return qMax(5, size - 1);
    case Fit::Room:
        return fitAt(size + 1) == Fit::Overflow ? size : size + 1;
    case Fit::Exact:
        break;
    }
    return size;
}

int ClientTab::fontSize() const
{
    return m_view->font().pointSize();
}

void ClientTab::setFontSize(int size)
{
    // The page is fitted to the font it has; the fitting of a full screen
    // asks for it again.
    if (qMax(1, size) == fontSize())
        return;
    QFont font = m_view->font();
    font.setPointSize(qMax(1, size));
    // The view hands its font on to the page; the page's own setting would
    // lay it out once more.
    m_view->setFont(font);
    fitCellsToFont(m_view->document());
    wrapWhereTooWide(m_view->document());
}

void ClientTab::selectUrl(const QString &typed)
{
    if (typed.isEmpty() || !m_downloader)
        return;
    const QString text = withScheme(typed);
    const QUrl url(text);
    QString server = url.scheme() + QStringLiteral("://") + url.host();
    if (url.port() > 0)
        server += QLatin1Char(':') + QString::number(url.port());
    const QString path = url.path();
    server += path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
    emit logMessage(1, QStringLiteral("New URL ") + server);
    cfg->setValue(QStringLiteral("bane.baseUrl"), server);
    const QString file = url.fileName();
    if (!file.isEmpty()) {
        cfg->setValue(QStringLiteral("bane.filename"),
                      url.hasQuery() ? QStringLiteral("%1?%2").arg(file, url.query()) : file);
    }
    m_downloader->newUrl(text);
}

QString ClientTab::withScheme(const QString &text)
{
    // Without one, QUrl reads "localhost:8080/..." as the scheme "localhost".
    if (text.contains(QLatin1String("://")))
        return text;
    return QStringLiteral("http://") + text;
}

void ClientTab::setFullScreen(bool on)
{
    m_fullScreen = on;
    const Qt::ScrollBarPolicy policy = on ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded;
    m_view->setVerticalScrollBarPolicy(policy);
    m_view->setHorizontalScrollBarPolicy(policy);
    m_urlRow->setVisible(!on);
    if (!on)
        m_view->viewport()->setCursor(Qt::ArrowCursor);
}

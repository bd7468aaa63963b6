#include "views/champ/ChampView.h"
#include "database/FileNamePart.h"

#include "database/DbValue.h"
#include "files/WholeFile.h"
#include "views/KlasseJsonDocument.h"
#include "views/champ/ChampPrint.h"
#include "views/champ/ChampRules.h"
#include "views/champ/ChampScoreTable.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSet>
#include <QSplitter>
#include <QTextLayout>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWidgetAction>

#include <cstdio>
#include <memory>

namespace {

// "1 linje", "2 linjer".
QString linesText(int lines)
{
    return lines == 1 ? QStringLiteral("1 linje") : QStringLiteral("%1 linjer").arg(lines);
}

// "5", "5 og 7", "5, 7 og 8".
QString danishList(QStringList items)
{
    const QString last = items.takeLast();
    return items.isEmpty() ? last : items.join(QStringLiteral(", ")) + QStringLiteral(" og ") + last;
}

// The line above the score table that names the values that do not count.
// It holds its two lines of space whether it shows or not, so that its
// coming and going never moves the table under the operator's pointer; a
// list longer than that is cut with "...", the whole of it in the tool tip
// (and every value in the log).
class UncountedLine : public QLabel
{
public:
    static constexpr int Lines = 2;

    explicit UncountedLine(QWidget *parent)
        : QLabel(parent)
    {
        setTextFormat(Qt::PlainText);
        setAlignment(Qt::AlignLeft | Qt::AlignTop);
        QSizePolicy policy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        policy.setRetainSizeWhenHidden(true);
        setSizePolicy(policy);
        setStyleSheet(QStringLiteral("QLabel { color: #a00000; font-weight: bold; }"));
        ensurePolished();
        setFixedHeight(Lines * fontMetrics().lineSpacing() + 2 * margin() + 4);
    }

    void setFullText(const QString &text)
    {
        m_full = text;
        setToolTip(text);
        fit();
    }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QLabel::resizeEvent(event);
        fit();
    }

private:
    // Breaks the text between words into the lines there is room for.
    void fit()
    {
        const int room = qMax(contentsRect().width(), 1);
        QTextLayout layout(m_full, font());
        layout.beginLayout();
        QStringList lines;
        int start = 0;
        while (lines.size() < Lines - 1) {
            QTextLine line = layout.createLine();
            if (!line.isValid())
                break;
            line.setLineWidth(room);
            lines << m_full.mid(line.textStart(), line.textLength()).trimmed();
            start = line.textStart() + line.textLength();
        }
        layout.endLayout();
        const QString rest = m_full.mid(start).trimmed();
        if (!rest.isEmpty())
            lines << fontMetrics().elidedText(rest, Qt::ElideRight, room);
        setText(lines.join(QLatin1Char('\n')));
    }

    QString m_full;
};

} // namespace

ChampView::ChampView(const ChampLayout &layout, appConfig *cfg, QWidget *parent, const QString &name,
                     Qt::WindowFlags fl)
    : staevneKlasseInfo(cfg, parent, name, fl)
    , m_layout(layout)
{
    listView1->setHeaderLabels(m_layout.listTitles);
    listView1->header()->setSortIndicatorShown(true);
    listView1->setAllColumnsShowFocus(true);
    listView1->sortByColumn(m_layout.totalColumn, Qt::DescendingOrder);

    startUpdateTimer(20000);
    connect(listView1, &QTreeWidget::itemDoubleClicked, this, &staevneKlasseInfo::slotHeighLight);

    m_uncounted = new UncountedLine(champTableFrame);
    m_uncounted->setObjectName(QStringLiteral("uncounted"));
    m_uncounted->hide();
    champTableFrameLayout->addWidget(m_uncounted);
    champTable = new ChampScoreTable(champTableFrame);
    champTable->setObjectName(QStringLiteral("champTable"));
    champTableFrameLayout->addWidget(champTable);
    splitter3->setSizes({0, 300});

    champTable->setColumnTitles(m_layout.tableTitles);
    for (int c : m_layout.readOnlyColumns)
        champTable->setColumnReadOnly(c, true);
    champTable->setRows(1);
    for (int c : m_layout.hiddenColumns)
        champTable->setColumnHidden(c, true);
    // The widest total: a correction of 10 below a mean of 0.
    champTable->setColumnRoom(m_layout.totalColumn, QStringLiteral("-10.000"));
    champTable->fitColumns();
    champTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    connect(champTable, &ChampScoreTable::valueChanged, this, &ChampView::calcSum);
    const ChampScoreFile::Encoding encoding = m_layout.encoding;
    champTable->setTypedForm([encoding](const QString &typed) { return ChampScoreFile::asSaved(typed, encoding); });
    champTable->setCurrentCell(0, m_layout.firstMarkColumn);

    auto *buttons = new QHBoxLayout;
    champTableFrameLayout->addLayout(buttons);
    buttons->addStretch();
    auto *printButton = new QPushButton(QStringLiteral("Udskriv resultat ..."), champTableFrame);
    buttons->addWidget(printButton);
    connect(printButton, &QPushButton::clicked, this, &ChampView::resultPrint);
    if (m_layout.buttonSpacer)
        buttons->addSpacing(10);
    m_saveButton = new QPushButton(m_layout.saveButtonText, champTableFrame);
    buttons->addWidget(m_saveButton);
    connect(m_saveButton, &QPushButton::clicked, this, [this] { saveZEPCSV(); });
}

int ChampView::calcAntalPlaceringer(int starters)
{
    return champ::antalPlaceringer(starters);
}

int ChampView::intSetting(const QString &key, const QString &def) const
{
    return setting(key, def).trimmed().toInt(nullptr, 10);
}

void ChampView::beep()
{
    QApplication::beep();
}

QString ChampView::askSavePath(const QString &proposed)
{
    return QFileDialog::getSaveFileName(this, QString(), proposed, tr("csv filer(*.csv);;Alle Filer (*)"));
}

QString ChampView::getDBField(const QString &sql, bool *ok)
{
    return oneValue(sql, ok, true);
}

// ---- loading ---------------------------------------------------------------

// The class and its section. %1 and %2 are the section's id, %3 the kind of
// judges the view lists.
static const char HeaderSql[] =
    "SELECT K.KlasseId, K.KlasseNr, K.MaxAntalStarter, K.Klasse, OFS.Fornavn, OFS.EfterNavn, "
    "AF.afdelingInitialer, AF.sponsor, AF.aerespraemie, AF.antalPlaceringer, M.Metode, M.antalHovedRunder, "
    "M.antalOmspringninger, K.TempoId, dbo.DanskeUgedage(DATENAME(weekday, AF.dato) ), "
    "CAST(CONVERT( varchar,AF.StarttidS, 14) AS varchar(5)), CAST(CONVERT(varchar,AF.SluttidS,14 ) AS varchar(5)), "
    "KT.MaxPoint, K.EtapeDIdealTid, K.SidsteDiciplin, KT.klasseTypeId, dbo.antalDommere( %1), "
    "dbo.DommerListe( %2 , %3), AF.BevarStartTid, K.diciplinId, K.niveauId, dbo.doteringListe(K.KlasseId), "
    "K.Bemaerkning, KT.klasse, K.KlasseIdZEP "
    "from dbo.tblKlasse as K "
    "LEFT JOIN dbo.tblMetode as M ON K.MetodeID = M.MetodeId "
    "LEFT JOIN dbo.tblKlasseType as KT ON K.KlasseTypeID = KT.klasseTypeId "
    "LEFT JOIN dbo.tblAfdeling as AF ON K.KlasseID = AF.klasseId "
    "LEFT JOIN dbo.tblAfdelingDommer as AD ON AF.afdelingId = AD.afdelingId "
    "LEFT JOIN dbo.tblOfficials as OFS ON AD.OfficialId = OFS.OfficialId "
    "WHERE K.staevneId = :staevneId AND K.klasseNr = :klasseNr AND AF.afdelingInitialer = :afdeling";

// The federation's schedule number of the competition.
static const char PropNrSql[] = "select ZEPStaevnePropNr from tblStaevne where ZEPStaevneNr = '%1'";

void ChampView::applyHeader(const QVariantList &h)
{
    const auto text = [&h](int i) { return DbValue::text(h.value(i)); };
    klasseId = DbValue::toInt(h.value(0));
    klasseInfo->setText(QStringLiteral("%1 %2 %3").arg(text(1), text(3), text(6)));
    klassesponsor = text(7);
    aerespraemie = text(8);
    sponsor->setText(QStringLiteral("Ærespræmie %1").arg(aerespraemie));
    if (klassesponsor.isEmpty())
        klassesponsor = aerespraemie;
    afdAntalPlaceringer = DbValue::toInt(h.value(9));
    antalPlaceringer = afdAntalPlaceringer;
    antalPlac->setText(QStringLiteral("Placeringer %1").arg(antalPlaceringer));
    startSlutTid = QStringLiteral("Start&nbsp;%1&nbsp;%2&nbsp;-&nbsp;%3").arg(text(14), text(15), text(16));
    klasseTypeId = text(20);
    antalDommere = DbValue::toInt(h.value(21));
    m_judges = text(22);
    dommer->setText(QStringLiteral("Stildommer %1").arg(m_judges));
    bevarStartTid = DbValue::toInt(h.value(23));
    m_diciplinId = text(24);
    niveau = text(25);
    doteringer = text(26);
    remarks = text(27);
    svh = text(28);
    ZEPKlasseId = text(29);
    applyOwnHeader(h);
}

void ChampView::applyColumnRule() {}

QString ChampView::localPedigree(const QString &horseId, bool breeder)
{
    QString sql = QStringLiteral("select ISNULL(CAST(YEAR(foedeaar) AS VARCHAR(4)),'') +'/'+ ISNULL(AfstamningF,'') "
                                 "+'/'+ ISNULL(AfstamningM,'') +'/'+ ISNULL(AfstamningMF,'')");
    if (breeder)
        sql += QStringLiteral(" +'/'+ ISNULL(opdraetter,'')");
    sql += QStringLiteral(" from tblHest where HestBaseId = '%1' AND OPRETTETLOKALT=1").arg(DbValue::sqlLiteral(horseId));
    return getDBField(sql).simplified();
}

bool ChampView::scoreFileAllowed()
{
    const QString key = setting(QStringLiteral("staevne.ZEPStaevneId"), QStringLiteral("ZEP"));
    // The number names the file: it must tell this competition from another
    // one and must not lead out of the output directory.
    if (paths::isSafeFileNamePart(key) && key.compare(QLatin1String("ukendt"), Qt::CaseInsensitive) != 0)
        return true;
    // The file name would not tell this competition from another one.
    emit logMessage(1, QStringLiteral("Klasse %1 %2: ingen pointfil, da stævnets ZEP nummer er ukendt")
                           .arg(QString::number(klasseNr), afd));
    return false;
}

QString ChampView::automaticPath() const
{
    return QStringLiteral("%1/%2_klasse_%3_%4.csv")
        .arg(setting(QStringLiteral("http.root"), QStringLiteral("html/")),
             setting(QStringLiteral("staevne.ZEPStaevneId"), QStringLiteral("ZEP")), QString::number(klasseNr),
             afd);
}

void ChampView::showKlasse(int staevneId_, int klasseNr_, QString afdeling_, int bane_, int afdelingId_)
{
    // An edit under way belongs to the sheet as it is now: it is taken (and
    // saved) before the rows are rebuilt under it.
    champTable->finishEditing();

    // Marks of another class that could not be saved are not this class's.
    if (staevneId_ != staevneId || klasseNr_ != klasseNr || afdeling_ != afd) {
        m_saveDue = false;
        m_unkept.clear();
    }
    staevneId = staevneId_;
    klasseNr = klasseNr_;
    afd = afdeling_;
    bane = bane_;
    afdelingId = afdelingId_;
    lastChangeId = -1;

    QString why;
    if (!loadKlasse(&why) && !why.isEmpty())
        emit logMessage(-1, why);
}

bool ChampView::loadKlasse(QString *why, const SheetPlace *place)
{
    QSqlDatabase db;
    if (!openConnection(&db))
        return false;
    ZEPStaevnePropId = getDBField(QString::fromLatin1(PropNrSql)
                                      .arg(DbValue::sqlLiteral(setting(QStringLiteral("staevne.ZEPStaevneId"),
                                                                       QStringLiteral("ZEP"))))
                                      .simplified());

    // Both queries are read before the sheet changes: a load that cannot
    // read them keeps the sheet the operator has.
    QSqlQuery query(db);
    query.setForwardOnly(true);
    const QString headerSql = QString::fromLatin1(HeaderSql)
                                  .arg(QString::number(afdelingId), QString::number(afdelingId),
                                       QString::number(m_layout.judgesPosition));
    QVector<QVariantList> header;
    if (!readSectionRows(query, headerSql, QStringLiteral("showKlasse header"), &header, why))
        return false;
    const QString resultStatement = resultSql();
    QVector<QVariantList> results;
    if (!readSectionRows(query, resultStatement, QStringLiteral("showKlasse"), &results, why)) {
        // Standard output has the statement; the log has the failure once.
        if (!inTrouble(Trouble::Database)) {
            const QString line = QStringLiteral("showKlasse: Error in querySQL Error %1 Type: %2\nstmt %3\n")
                                     .arg(query.lastError().text(), DbValue::errorType(query.lastError()),
                                          resultStatement);
            std::fputs(line.toLocal8Bit().constData(), stdout);
            std::fflush(stdout);
        }
        return false;
    }

    // The score file too: one that is there but cannot be read (held open by
    // another program, no rights) would give a sheet without its marks, and
    // the next save would replace them. The load fails and is tried again.
    QByteArray scoreBytes;
    const bool readScoreFile = !m_saveDue && scoreFileAllowed();
    if (readScoreFile && !readScoreFileBytes(automaticPath(), &scoreBytes, why))
        return false;

    antalPlaceringer = 0;
    applyHeader(header.value(0));
    applyColumnRule();

    listView1->clear();
    m_rowItems.clear(); // gone with the list's rows
    m_antalStarter = 0;
    QList<QTreeWidgetItem *> items;
    for (const QVariantList &row : std::as_const(results)) {
        // A row without start and entry number is no starter; the rows
        // after it are.
        if (DbValue::toInt(row.value(0)) == 0 && DbValue::toInt(row.value(1)) == 0)
            continue;
        bool counts = false;
        const QStringList cells = listCells(row, &counts);
        QTreeWidgetItem *item = createListItem();
        for (int c = 0; c < cells.size(); ++c)
            item->setText(c, cells.at(c));
        items << item;
        if (counts)
            ++m_antalStarter;
    }
    listView1->addTopLevelItems(items);

    if (afdAntalPlaceringer == 0 && m_antalStarter > 1) {
        antalPlaceringer = calcAntalPlaceringer(m_antalStarter);
        antalPlac->setText(QStringLiteral("Antal Placeringer %1").arg(antalPlaceringer));
    }
    listView1->sortItems(listView1->sortColumn(), listView1->header()->sortIndicatorOrder());
    // While the last save has failed the file holds older marks than the
    // sheet: the reloaded rows take the sheet's.
    const QVector<QStringList> unsaved =
        m_saveDue ? ChampScoreFile::read(scoreFileBytes(), m_layout.encoding, m_layout.fileColumns).dataLines
                  : QVector<QStringList>();
    fillTable();
    m_loaded = true;
    tellSharedNumbers();

    m_unplaced.clear(); // each load takes them anew from its lines
    if (m_saveDue)
        takeScoreLines(unsaved, automaticPath());
    else if (readScoreFile && !scoreBytes.isNull())
        takeScoreFile(automaticPath(), scoreBytes);
    applyAllRows();
    calculatePlace();
    calcPlace();
    // The widths hold until the next load: typing moves no column.
    champTable->fitColumns();
    if (place)
        returnTo(*place);
    else
        champTable->setCurrentCell(0, m_layout.firstMarkColumn);
    printHtml();
    return true;
}

void ChampView::refreshClass()
{
    QString why;
    if (!reload(&why))
        reportTrouble(Trouble::Database, why);
}

bool ChampView::reload(QString *why)
{
    // An edit under way belongs to the sheet as it is now: it is taken (and
    // saved) before the rows are rebuilt under it. The starter who changed
    // last stays marked on the reloaded pages.
    champTable->finishEditing();
    const bool due = m_announce;
    announce(false);
    // A reload comes from the office or the timer, not from the operator:
    // what he types next goes where it went before.
    const SheetPlace place = sheetPlace();
    if (!loadKlasse(why, &place)) {
        m_announce = due;
        if (why->isEmpty())
            *why = QStringLiteral("Klasse %1 %2: databasen kan ikke læses").arg(QString::number(klasseNr), afd);
        return false;
    }
    return true;
}

ChampView::SheetPlace ChampView::sheetPlace() const
{
    SheetPlace place;
    place.row = qMax(champTable->currentRow(), 0);
    place.column = champTable->currentColumn() >= 0 ? champTable->currentColumn() : m_layout.firstMarkColumn;
    place.startNr = champTable->text(place.row, 0);
    place.staevneNr = champTable->text(place.row, 1);
    place.extraRow = place.row == champTable->rowCount() - 1;
    place.scroll = champTable->scrollPosition();
    return place;
}

void ChampView::returnTo(const SheetPlace &place)
{
    const int last = champTable->rowCount() - 1;
    int row = -1;
    if (!place.staevneNr.isEmpty())
        row = matchLines({QStringList{place.startNr, place.staevneNr}}).found.value(0, -1);
    if (row < 0)
        row = place.extraRow ? last : qMin(place.row, last);
    champTable->setCurrentCell(row, place.column);
    // Where he scrolled to, also away from the cursor (the cursor's move
    // would bring it into sight).
    champTable->setScrollPosition(place.scroll);
}

void ChampView::fillTable()
{
    const int rows = listView1->topLevelItemCount();
    champTable->setRows(rows + 1);
    const int columns = champTable->columnCount();
    m_rowItems.clear();
    for (int r = 0; r < rows; ++r) {
        QTreeWidgetItem *item = listView1->topLevelItem(r);
        m_rowItems << item;
        for (int c = 0; c < columns; ++c)
            champTable->setText(r, c, item->text(c));
        if (!item->text(5).isEmpty())
            champTable->setText(r, m_layout.firstMarkColumn, item->text(5));
    }
    // The extra row is where no starter stands; after a reload that lost a
    // starter it would otherwise still hold one, and be saved after the
    // real row.
    champTable->clearRow(rows);
}

// ---- the timer ---------------------------------------------------------------

// The section's starters in start order; only the start number (with the
// letter of a secondary number) and the entry number are used.
static const char StartListSql[] =
    "SELECT CAST(ST.StartNr AS VARCHAR(5)) + dbo.NrTilBogstav(ST.SekundaerStartNr) AS startNr,\t\t\t\t\t"
    "A.AnmeldelseNr,                     R.Fornavn, R.Efternavn, \t\t\t\t\tH.Navn, \t\t\t\t\t"
    "KL.KlubId AS KlubInitialer, \t\t\t\t\tR.RytterId AS LicensNr, \t\t\t\t\tH.HestBaseId AS HesteId "
    "\t\t\t\t\tFROM tblKlasse AS K INNER JOIN                       tblStaevne AS S ON K.StaevneId = "
    "S.StaevneId INNER JOIN                       tblAfdeling AS AF ON K.KlasseId = AF.KlasseId LEFT OUTER "
    "JOIN                       tblStart AS ST ON AF.AfdelingId = ST.AfdelingId AND ST.Slettet IS NULL LEFT "
    "OUTER JOIN                       tblAnmeldelse AS A ON ST.AnmeldelseId = A.AnmeldelseId LEFT OUTER JOIN "
    "                      tblRytter AS R ON A.RytterId = R.RytterId LEFT OUTER JOIN                       "
    "tblHest AS H ON A.HestId = H.HestId LEFT OUTER JOIN                       tblKlub AS KL ON A.KlubId = "
    "KL.KlubId \t\t\t\t\t  WHERE S.StaevneId = :staevneId AND K.KlasseNr = :klasseNr AND "
    "AF.AfdelingInitialer = :afdeling \t\t\t\t\t  ORDER BY ST.StartNr ";

// The keep-start-time flag of the view's own section.
static const char BevarStartTidSql[] = "SELECT BevarStartTid FROM dbo.tblAfdeling WHERE afdelingId = %1 ";

void ChampView::updateKlasse()
{
    // A reload would rebuild the rows under the operator's open editor;
    // the next tick comes soon enough.
    if (champTable->isEditing())
        return;
    // Marks whose save failed go to the file first, before the pages that
    // show them are announced.
    if (m_saveDue)
        saveAutomatic();
    QString why;
    if (followStartList(&why))
        troubleOver(Trouble::Database);
    else
        reportTrouble(Trouble::Database, why);
}

bool ChampView::tickConnection(QSqlDatabase *db, QString *why)
{
    const QString name = QStringLiteral("ZEP");
    if (!QSqlDatabase::contains(name)) {
        // The main window makes the connection before the signal returns.
        emit connectDB(name);
        if (!QSqlDatabase::contains(name)) {
            *why = QStringLiteral("Klasse %1 %2: An DATABASE error occured.").arg(QString::number(klasseNr), afd);
            return false;
        }
    }
    *db = QSqlDatabase::database(name, true);
    if (!db->isOpen()) {
        *why = QStringLiteral("%1 updateKlasse database found but closed\n").arg(objectName())
               + QStringLiteral("An database error occured.\n%1\n").arg(db->lastError().text());
        emit connectDB(name);
        return false;
    }
    return true;
}

bool ChampView::followStartList(QString *why)
{
    QSqlDatabase db;
    if (!tickConnection(&db, why))
        return false;

    bool changed = false;
    bool flagRead = true;
    {
        QSqlQuery flagQuery(db);
        flagQuery.setForwardOnly(true);
        if (flagQuery.prepare(QString::fromLatin1(BevarStartTidSql).arg(afdelingId)) && flagQuery.exec()
            && flagQuery.isActive()) {
            // A section without the row says nothing about the flag.
            if (flagQuery.next() && !flagQuery.isNull(0)) {
                const int value = flagQuery.value(0).toString().trimmed().toInt();
                changed = value != bevarStartTid;
                bevarStartTid = value;
            }
        } else {
            // The flag keeps its last value and the start list is followed.
            flagRead = false;
            *why = QStringLiteral("Klasse %1 %2: BevarStartTid kan ikke læses: SQL Error %3 Type: %4")
                       .arg(QString::number(klasseNr), afd, flagQuery.lastError().text(),
                            DbValue::errorType(flagQuery.lastError()));
        }
    }

    QSqlQuery query(db);
    query.setForwardOnly(true);
    QVector<QVariantList> rows;
    QString listWhy;
    if (!readSectionRows(query, QString::fromLatin1(StartListSql), QStringLiteral("updateKlasse"), &rows, &listWhy)) {
        *why = listWhy;
        emit connectDB(QStringLiteral("ZEP"));
        return false;
    }

    QVector<QPair<QString, QString>> starts;
    for (const QVariantList &row : std::as_const(rows)) {
        // The outer joins give a section without starts one empty row; a
        // start without start and entry number is no starter, as at loading.
        if (DbValue::toInt(row.value(0)) == 0 && DbValue::toInt(row.value(1)) == 0)
            continue;
        starts.append({DbValue::text(row.value(0)), DbValue::text(row.value(1))});
    }
    // Each start of the office is its list row, found by start number and
    // competition number (two starts may share the latter); a start found
    // by its competition number alone was given a new start number.
    QVector<QTreeWidgetItem *> items;
    QVector<QPair<QString, QString>> shown;
    for (int r = 0; r < listView1->topLevelItemCount(); ++r) {
        items << listView1->topLevelItem(r);
        shown.append({items.last()->text(0), items.last()->text(1)});
    }
    const champ::StartMatch match = champ::matchStarts(starts, shown);
    const int counted = int(starts.size());
    bool missing = false;
    QVector<QPair<QTreeWidgetItem *, QString>> renumbered;
    for (int i = 0; i < starts.size(); ++i) {
        const QString startNr = starts.at(i).first;
        if (match.found.at(i) < 0 || match.repeatOf.at(i) >= 0) {
            missing = true;
            // While the reload that should bring it in fails, the same
            // starter would be missed on every tick.
            if (!inTrouble(Trouble::Database))
                emit logMessage(1, QStringLiteral("Not found %1 %2 %3 %4")
                                       .arg(QString::number(klasseNr), afd, startNr, starts.at(i).second));
            continue;
        }
        QTreeWidgetItem *item = items.at(match.found.at(i));
        // A start found by its start number alone has a new competition
        // number: its row is loaded anew, and its marks follow it there.
        if (item->text(1) != starts.at(i).second) {
            missing = true;
            continue;
        }
        if (item->text(0) != startNr)
            renumbered.append({item, startNr});
    }
    if (missing || counted != listView1->topLevelItemCount())
        return reload(why) && flagRead;
    for (const auto &change : std::as_const(renumbered)) {
        change.first->setText(0, change.second);
        changed = true;
    }
    listView1->sortItems(listView1->sortColumn(), listView1->header()->sortIndicatorOrder());
    if (changed)
        announce(false);
    printHtml();
    return flagRead;
}

QDateTime ChampView::pageTime() const
{
    return QDateTime::currentDateTime();
}

void ChampView::announce(bool resultChanged)
{
    m_announce = true;
    m_announceResult = m_announceResult || resultChanged;
}

void ChampView::publishAndAnnounce()
{
    announce(false);
    printHtml();
}

void ChampView::printHtml()
{
    ChampPages::ClassInfo info;
    info.kind = m_layout.pageKind;
    info.bane = bane;
    info.antalPlaceringer = antalPlaceringer;
    info.antalStarter = m_antalStarter;
    info.resterendeStarter = m_resterendeStarter;
    info.bevarStartTid = bevarStartTid;
    info.dsp = dsp != 0;
    info.maxPnt = maxPnt;
    info.metode = metode;
    info.klasseTypeId = klasseTypeId;
    info.title = klasseInfo->text();
    info.dommerLabel = dommer->text();
    info.sponsorLabel = sponsor->text();
    info.startSlutTid = startSlutTid;
    info.now = pageTime();

    const QVector<QStringList> rows = listTexts();
    const auto settings =
        ChampPages::Settings::read([this](const QString &key, const QString &def) { return setting(key, def); });
    const ChampPages::Pages pages = ChampPages::write(info, settings, rows);

    const QString nr = QString::number(klasseNr);
    QString error;
    // The upload that follows an announcement sends the class page: the
    // class page, its rank page and the document of one state go out
    // together or not at all.
    if (!writeWholeFiles({{outputPath(QStringLiteral("klasse%1_%2.html").arg(nr, afd)), pages.klasse},
                          {outputPath(QStringLiteral("rank%1_%2.html").arg(nr, afd)), pages.rank},
                          {jsonFilePath(), jsonDocument().toJson()}},
                         &error)) {
        reportTrouble(Trouble::Write,
                      QStringLiteral("Siderne for klasse %1 %2 er ikke skrevet: %3").arg(nr, afd, error));
        return;
    }
    troubleOver(Trouble::Write);
    // Only what reached the files is announced: a change whose pages could
    // not be written is announced with the first write that succeeds.
    if (m_announce) {
        const bool resultChanged = m_announceResult;
        m_announce = false;
        m_announceResult = false;
        emit resultChangeClass(bane, afd, klasseNr, resultChanged);
    }
}

// ---- printing ------------------------------------------------------------------

QFont ChampView::printFont() const
{
    QFont font = champTable->font();
    font.setPointSizeF(setting(QStringLiteral("championat.print.font"), QStringLiteral("7")).trimmed().toDouble());
    return font;
}

bool ChampView::askPrinter(QPrinter *printer)
{
    QPrintDialog dialog(printer, this);
    return dialog.exec() == QDialog::Accepted;
}

void ChampView::resultPrint()
{
    const QString path = outputPath(QStringLiteral("klasse%1_%2.html").arg(QString::number(klasseNr), afd));
    emit logMessage(1, QStringLiteral("Print"));
    filePrint(path);
}

void ChampView::filePrint(const QString &path)
{
    // The print dialog may change the working directory (a file chooser
    // for printing to a file), and relative paths of the station rely on it.
    struct KeepDirectory
    {
        const QString path = QDir::currentPath();
        ~KeepDirectory() { QDir::setCurrent(path); }
    } keep;

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        emit logMessage(1, QStringLiteral("File not found %1").arg(path));
        return;
    }
    const QString html = QString::fromUtf8(file.readAll());
    file.close();
    // Before the dialog, which may move the working directory.
    const QString directory = QFileInfo(path).absolutePath();

    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setFullPage(true);
    if (!askPrinter(&printer))
        return;
    if (ChampPrint::printHtml(printer, html, printFont(), directory) == 0)
        emit logMessage(1, QStringLiteral("Printeren kunne ikke startes: %1").arg(path));
}

// ---- the Hippodata export ----------------------------------------------------------

void ChampView::contextMenuEvent(QContextMenuEvent *)
{
    auto menu = std::make_unique<QMenu>(this);
    auto *caption = new QLabel(QStringLiteral("<font color=darkblue><u><b>Export</b></u></font>"), menu.get());
    caption->setAlignment(Qt::AlignCenter);
    auto *captionItem = new QWidgetAction(menu.get());
    captionItem->setDefaultWidget(caption);
    menu->addAction(captionItem);
    auto *hippodata = new QAction(tr("&Hippodata"), menu.get());
    hippodata->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    connect(hippodata, &QAction::triggered, this, &ChampView::exportKlasse);
    menu->addAction(hippodata);
    menu->exec(QCursor::pos());
}

void ChampView::exportKlasse()
{
    QSqlDatabase db;
    if (!openConnection(&db))
        return;
    // The starters are read before the file is touched: a failed query
    // keeps the previous export.
    QSqlQuery query(db);
    QVector<QVariantList> rows;
    const QString sql = exportSql();
    if (!readSectionRows(query, sql, QStringLiteral("exportKlasse"), &rows)) {
        const QString line = QStringLiteral("Error in query %1\n").arg(sql);
        std::fputs(line.toLocal8Bit().constData(), stdout);
        std::fflush(stdout);
        hippodataFailed(query.lastError().text());
        return;
    }
    query.finish();

    QVector<HippodataExport::Starter> starters;
    for (const QVariantList &row : std::as_const(rows)) {
        HippodataExport::Starter starter;
        starter.anmeldelseNr = DbValue::text(row.value(1));
        starter.fornavn = DbValue::text(row.value(2));
        starter.efternavn = DbValue::text(row.value(3));
        starter.navn = DbValue::text(row.value(4));
        starter.klubId = DbValue::text(row.value(5));
        starter.hesteId = DbValue::text(row.value(7));
        starters << starter;
    }
    const QString klasse = QString::number(klasseNr) + QLatin1Char('_') + afd;
    writeHippodata(
        starters,
        [this, &klasse](const HippodataExport::Starter &starter, const HippodataExport::Horse &horse) {
            return HippodataExport::line(exportFirstFields(klasse, starter), starter, horse, QString());
        },
        [this](const QString &statement) { return getDBField(statement); });
}

// ---- placing -------------------------------------------------------------------

QTreeWidgetItem *ChampView::listRowOf(int tableRow) const
{
    // Each table row was filled from its list row: two starts that share a
    // competition number (an error of the office) keep their own rows.
    return m_rowItems.value(tableRow);
}

void ChampView::tellMark(int tableRow, int column, bool typed)
{
    const QString key = QStringLiteral("%1 %2/%3/%4/%5")
                            .arg(QString::number(klasseNr), afd, champTable->text(tableRow, 0),
                                 champTable->text(tableRow, 1), QString::number(column));
    const QString text = champTable->text(tableRow, column);
    const bool outOfRange = champ::markToCorrect(text, champTable->text(tableRow, 5));
    if (!outOfRange && !m_toldMarks.contains(key))
        return;
    if (outOfRange && !typed && m_toldMarks.value(key) == text)
        return;
    if (outOfRange)
        m_toldMarks.insert(key, text);
    else
        m_toldMarks.remove(key);
    const QString who = champTable->text(tableRow, 3) + QStringLiteral(" på ") + champTable->text(tableRow, 2);
    bool number = false;
    champ::markValue(text, &number);
    const QString what = outOfRange ? QStringLiteral("tæller ikke, før det er rettet til en karakter fra 0 til 10")
                         : number   ? QStringLiteral("tæller nu")
                                    : QStringLiteral("er rettet"); // a dash or a status letter
    // What to correct comes first and short: the status bar of the window
    // at its start size shows about fifty letters.
    emit logMessage(3, QStringLiteral("Start nr. %1: \"%2\" i %3 %4 (klasse %5 %6, %7)")
                           .arg(champTable->text(tableRow, 0), text, champTable->columnTitle(column), what,
                                QString::number(klasseNr), afd, who.simplified()));
}

champ::SheetRule ChampView::sheetRule() const
{
    champ::SheetRule rule;
    rule.spring = m_layout.pageKind == ChampPages::Kind::Spring;
    rule.markColumns = m_layout.markColumns;
    rule.correctionColumn = m_layout.correctionColumn;
    rule.correctionAdds = intSetting(QStringLiteral("vis.dv"), QStringLiteral("0")) != 0;
    rule.totalColumn = m_layout.totalColumn;
    rule.placeColumn = m_layout.placeColumn;
    rule.minimumMarks = m_layout.minimumMarks;
    rule.copyFirst = m_layout.readFirst;
    rule.copyLast = m_layout.readLast;
    return rule;
}

champ::SheetRule ChampView::placingRule() const
{
    champ::SheetRule rule = sheetRule();
    rule.copyLast = rule.copyFirst - 1;
    return rule;
}

QVector<int> ChampView::valueColumns() const
{
    QVector<int> columns = m_layout.markColumns;
    if (m_layout.correctionColumn >= 0)
        columns << m_layout.correctionColumn;
    return columns;
}

champ::RowStanding ChampView::applyRow(int tableRow, int editedColumn)
{
    const champ::RowStanding s = champ::rowStanding(champTable->rowTexts(tableRow), sheetRule(), editedColumn);
    champTable->setText(tableRow, m_layout.totalColumn, s.total);
    QTreeWidgetItem *item = listRowOf(tableRow);
    if (!item || s.withdrawn)
        return s;
    for (const auto &cell : s.listCells)
        item->setText(cell.first, cell.second);
    item->setText(m_layout.totalColumn, s.listTotal);
    item->setText(5, s.listStatus);
    return s;
}

void ChampView::applyAllRows()
{
    const QVector<int> checked = valueColumns();
    for (int r = 0; r < champTable->rowCount(); ++r) {
        if (champTable->text(r, 1).isEmpty())
            continue;
        applyRow(r);
        for (int c : std::as_const(checked))
            tellMark(r, c, false);
    }
}

champ::RowStanding ChampView::takeEdit(int tableRow, int column)
{
    if (valueColumns().contains(column))
        tellMark(tableRow, column, true);
    const QTreeWidgetItem *item = listRowOf(tableRow);
    const QString published = item ? item->text(m_layout.totalColumn) : QString();
    const champ::RowStanding s = applyRow(tableRow, column);
    placeAll();
    lastChangeId = champTable->text(tableRow, 1).toInt(nullptr, 10);
    // A result that leaves the pages is news as much as one that arrives.
    if (item && !published.isEmpty() && item->text(m_layout.totalColumn) != published)
        announce(true);
    return s;
}

void ChampView::publishEdit()
{
    printHtml();
    saveAutomatic();
}

void ChampView::calcPlace()
{
    const champ::SheetRule rule = placingRule();
    const QVector<int> checked = valueColumns();
    QVector<QStringList> rows;
    QVector<bool> out;
    QStringList uncounted;
    const int count = champTable->rowCount();
    rows.reserve(count);
    out.reserve(count);
    for (int r = 0; r < count; ++r) {
        rows << champTable->rowTexts(r);
        const champ::RowStanding s = champ::rowStanding(rows.last(), rule);
        out << s.outOfPlacing();
        for (int c : std::as_const(checked))
            champTable->setFlagged(r, c, s.notCounting.contains(c));
        for (int c : s.notCounting)
            uncounted << QStringLiteral("start nr. %1 %2 \"%3\"").arg(rows.last().value(0), champTable->columnTitle(c),
                                                                       rows.last().value(c));
    }
    const QStringList places = champ::tablePlaces(rows, m_layout.totalColumn, m_layout.tie1, m_layout.tie2, out);
    for (int r = 0; r < places.size(); ++r)
        champTable->setText(r, m_layout.placeColumn, places.at(r));
    if (uncounted.isEmpty()) {
        m_uncounted->hide();
    } else {
        static_cast<UncountedLine *>(m_uncounted)
            ->setFullText(QStringLiteral("Tæller ikke, før det er rettet til en karakter fra 0 til 10: %1")
                              .arg(uncounted.join(QStringLiteral(", "))));
        m_uncounted->show();
    }
}

void ChampView::calculatePlace()
{
    listView1->sortItems(m_layout.totalColumn, Qt::DescendingOrder);
    const QVector<QStringList> rows = listTexts();
    const champ::ListPlacing placing = champ::listPlaces(rows, m_layout.totalColumn, m_layout.tie1, m_layout.tie2);
    // A row that is no starter has no place: one withdrawn after he was
    // placed gives his place up, and the table's "999" that a reload brings
    // back from the score file does not stand in the list.
    for (int r = 0; r < rows.size(); ++r)
        listView1->topLevelItem(r)->setText(m_layout.placeColumn, placing.places.at(r));
    m_antalStarter = placing.starters;
    m_resterendeStarter = placing.remaining;
}

void ChampView::placeAll()
{
    listView1->sortItems(listView1->sortColumn(), listView1->header()->sortIndicatorOrder());
    calculatePlace();
    calcPlace();
}

// ---- the score file ----------------------------------------------------------

void ChampView::saveAutomatic()
{
    if (!m_loaded || !scoreFileAllowed())
        return;
    const QString path = automaticPath();
    const QString nr = QString::number(klasseNr);
    QString error;
    if (writeScoreFile(path, &error)) {
        if (m_saveDue)
            emit logMessage(3, QStringLiteral("Pointtavlen for klasse %1 %2 er gemt igen i %3").arg(nr, afd, path));
        m_saveDue = false;
        return;
    }
    if (!m_saveDue)
        emit logMessage(3, QStringLiteral("Pointtavlen for klasse %1 %2 er IKKE gemt i %3: %4; der prøves igen")
                               .arg(nr, afd, path, error));
    m_saveDue = true;
}

QByteArray ChampView::scoreFileBytes() const
{
    QStringList header;
    for (int c = 0; c < m_layout.fileColumns; ++c)
        header << champTable->columnTitle(c);
    QVector<QStringList> rows;
    for (int r = 0; r < champTable->rowCount(); ++r)
        rows << champTable->rowTexts(r).mid(0, m_layout.fileColumns);
    for (const QStringList &line : m_unplaced)
        rows << line.mid(0, m_layout.fileColumns);
    return ChampScoreFile::write(header, rows, m_layout.encoding);
}

bool ChampView::writeScoreFile(const QString &path, QString *error)
{
    if (!m_unkept.isEmpty() && path == m_unkept) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            const QByteArray bytes = file.readAll();
            file.close();
            const ChampScoreFile::Contents contents =
                ChampScoreFile::read(bytes, m_layout.encoding, m_layout.fileColumns);
            QString which;
            const int unreadable = unreadableLines(contents, &which);
            if (unreadable > 0 && !keepUnreadable(path, bytes, unreadable, error, which))
                return false;
        } else if (file.exists()) {
            *error = file.errorString();
            return false;
        }
        m_unkept.clear();
    }
    return writeWholeFile(path, scoreFileBytes(), error);
}

bool ChampView::keepUnreadable(const QString &path, const QByteArray &bytes, int lines, QString *error,
                               const QString &which)
{
    const auto tell = [&](const QString &copy) {
        if (m_toldCopy == copy)
            return;
        m_toldCopy = copy;
        emit logMessage(1, QStringLiteral("Pointfilen %1 har %2, som ikke kan læses%3; "
                                          "en kopi af filen er gemt som %4")
                               .arg(path, linesText(lines), which, copy));
    };
    // Numbered: the copy of a later unreadable file does not replace an
    // earlier one, and no save of the sheet goes to a ".bak" name.
    for (int n = 1;; ++n) {
        const QString copy = QStringLiteral("%1.%2.bak").arg(path, QString::number(n));
        QFile existing(copy);
        if (!existing.exists()) {
            if (!writeWholeFile(copy, bytes, error))
                return false;
            tell(copy);
            return true;
        }
        // The same file, read again by a reload or after a restart.
        if (existing.open(QIODevice::ReadOnly) && existing.readAll() == bytes) {
            tell(copy);
            return true;
        }
    }
}

void ChampView::saveZEPCSV(const QString &path)
{
    QString target = path;
    if (target.isEmpty()) {
        target = askSavePath(QStringLiteral("%1_klasse_%2_%3.csv")
                                 .arg(setting(QStringLiteral("staevne.ZEPStaevneId"), QStringLiteral("ZEP")),
                                      QString::number(klasseNr), afd));
        if (target.isEmpty())
            return;
    }
    QString error;
    if (!writeScoreFile(target, &error))
        emit logMessage(3, QStringLiteral("Pointtavlen for klasse %1 %2 er IKKE gemt i %3: %4")
                               .arg(QString::number(klasseNr), afd, target, error));
}

void ChampView::readZEPCSV(const QString &path)
{
    QFile file(path);
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return;
    takeScoreFile(path, file.readAll());
}

bool ChampView::readScoreFileBytes(const QString &path, QByteArray *bytes, QString *why)
{
    QFile file(path);
    if (!file.exists())
        return true; // no marks saved yet
    if (file.open(QIODevice::ReadOnly)) {
        *bytes = file.readAll();
        if (bytes->isNull())
            *bytes = QByteArray(""); // an empty file is there all the same
        if (file.error() == QFileDevice::NoError)
            return true;
    }
    *why = QStringLiteral("Klasse %1 %2: pointfilen %3 kan ikke læses (%4); pointtavlen vises, når den kan")
               .arg(QString::number(klasseNr), afd, path, file.errorString());
    return false;
}

void ChampView::takeScoreFile(const QString &path, const QByteArray &bytes)
{
    const ChampScoreFile::Contents contents = ChampScoreFile::read(bytes, m_layout.encoding, m_layout.fileColumns);
    // A file saved again by a spreadsheet in another encoding or with
    // another separator reads as no marks, and a line whose competition
    // number is damaged matches no starter; the next save would replace the
    // marks they hold.
    QString which;
    const int unreadable = unreadableLines(contents, &which);
    QString error;
    if (unreadable == 0 || keepUnreadable(path, bytes, unreadable, &error, which)) {
        if (m_unkept == path)
            m_unkept.clear();
    } else if (m_unkept != path) {
        m_unkept = path;
        emit logMessage(1, QStringLiteral("Pointfilen %1 har %2, som ikke kan læses%3, og en kopi af filen "
                                          "kunne ikke gemmes: %4; pointtavlen gemmes ikke over filen, før kopien er gemt")
                               .arg(path, linesText(unreadable), which, error));
    }
    // The lines of starts the sheet does not have stay with it: a file read
    // in on top of the sheet's own comes first, before them.
    takeScoreLines(contents.dataLines + m_unplaced, path);
}

champ::StartMatch ChampView::matchLines(const QVector<QStringList> &lines) const
{
    QVector<QPair<QString, QString>> wanted, rows;
    for (const QStringList &fields : lines)
        wanted.append({fields.value(0), fields.value(1)});
    for (int r = 0; r < champTable->rowCount(); ++r)
        rows.append({champTable->text(r, 0), champTable->text(r, 1)});
    return champ::matchStarts(wanted, rows);
}

int ChampView::unreadableLines(const ChampScoreFile::Contents &contents, QString *which) const
{
    const champ::StartMatch match = matchLines(contents.dataLines);
    QStringList unreadable, repeats;
    for (int line : contents.unreadableLines)
        unreadable << QString::number(line);
    for (int i = 0; i < contents.dataLines.size(); ++i) {
        if (match.repeatOf.at(i) < 0)
            continue;
        const QStringList &fields = contents.dataLines.at(i);
        repeats << QStringLiteral("linje %1 er samme start som linje %2 (start nr. %3, stævne nr. %4)")
                       .arg(QString::number(contents.lineNumbers.value(i)),
                            QString::number(contents.lineNumbers.value(match.repeatOf.at(i))), fields.value(0),
                            fields.value(1));
    }
    QStringList parts;
    if (!unreadable.isEmpty()) {
        // A whole file in another form is every line of it: the first ones
        // say where it begins.
        constexpr int named = 10;
        const qsizetype more = unreadable.size() - named;
        if (more > 0) {
            unreadable = unreadable.mid(0, named);
            unreadable << (more == 1 ? QStringLiteral("1 linje mere") : QStringLiteral("%1 linjer mere").arg(more));
        }
        parts << QStringLiteral("linje %1").arg(danishList(unreadable));
    }
    // The later of two lines for one start stands on the sheet; the copy
    // keeps the earlier.
    parts << repeats;
    which->clear();
    if (!parts.isEmpty())
        *which = QStringLiteral(" (%1)").arg(parts.join(QStringLiteral("; ")));
    return contents.unreadable() + int(repeats.size());
}

void ChampView::tellSharedNumbers()
{
    QHash<QString, QStringList> starts;
    QStringList keys;
    for (int r = 0; r < champTable->rowCount(); ++r) {
        const QString key = champTable->text(r, 1);
        if (key.isEmpty())
            continue;
        if (!starts.contains(key))
            keys << key;
        starts[key] << champTable->text(r, 0);
    }
    for (const QString &key : std::as_const(keys)) {
        const QStringList &of = starts.value(key);
        if (of.size() > 1)
            emit logMessage(1, QStringLiteral("Klasse %1 %2: stævne nr. %3 står ved start nr. %4 (en fejl i stævnets "
                                              "data); pointtavlen holder starterne adskilt ved deres start nr.")
                                   .arg(QString::number(klasseNr), afd, key, danishList(of)));
    }
}

void ChampView::takeScoreLines(const QVector<QStringList> &lines, const QString &source)
{
    const int startTid = m_layout.startTidColumn;
    const champ::StartMatch match = matchLines(lines);
    QVector<QStringList> unplaced;
    QStringList told;
    QSet<QPair<QString, QString>> keys;
    for (int i = 0; i < lines.size(); ++i) {
        const QStringList &fields = lines.at(i);
        const int row = match.found.at(i);
        // An empty key would match the extra row, which holds no starter.
        if (fields.value(1).isEmpty())
            continue;
        if (row < 0) {
            // Once per start: a file read in on top of the sheet may name
            // one that the sheet keeps already.
            const QPair<QString, QString> key{fields.value(0), fields.value(1)};
            if (!keys.contains(key)) {
                keys.insert(key);
                unplaced << fields;
                told << QStringLiteral("start nr. %1 (stævne nr. %2)").arg(key.first, key.second);
            }
            continue;
        }
        // The office's status of the start when the file was saved: the
        // line's own copy of the sheet's column 5, when it is a word of the
        // office's and not a mark.
        const QString savedStatus = champ::officeWord(fields.value(5)) ? fields.value(5) : QString();
        for (int p = m_layout.readFirst; p <= m_layout.readLast && p < fields.size(); ++p) {
            // The first mark cell keeps the office's status as loading put
            // it there (or nothing, when there is none now) in place of
            // the office's status of the time of the save, which is no
            // mark of the operator's and goes once the office lifts it,
            // and in place of an empty field when the office's status has
            // changed since (a starter withdrawn after the save).
            const QString &field = fields.at(p);
            if (p == m_layout.firstMarkColumn
                && (field.isEmpty() ? savedStatus != champTable->text(row, 5) : field == savedStatus)) {
                continue;
            }
            champTable->setText(row, p, field);
        }
        if (startTid < fields.size() && !fields.at(startTid).isEmpty() && startTimeFromSheet()) {
            champTable->setText(row, startTid, fields.at(startTid));
            if (QTreeWidgetItem *item = listRowOf(row))
                item->setText(startTid, fields.at(startTid));
        }
    }
    m_unplaced = unplaced;
    if (!told.isEmpty())
        emit logMessage(1, QStringLiteral("Klasse %1 %2: pointfilen %3 har point til %4, som ikke står på "
                                          "pointtavlen; de gemmes videre i pointfilen og kommer tilbage med starten")
                               .arg(QString::number(klasseNr), afd, source, danishList(told)));
    listView1->sortItems(listView1->sortColumn(), listView1->header()->sortIndicatorOrder());
}

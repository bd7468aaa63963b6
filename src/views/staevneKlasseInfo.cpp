#include "views/staevneKlasseInfo.h"
#include "database/DbValue.h"
#include "database/HorseLookup.h"
#include <QBrush>

#include "files/ProgramVersion.h"
#include "files/WholeFile.h"
#include "views/KlasseJsonDocument.h"
#include "settings/appConfig.h"
#include "ui_StaevneKlasseInfoBase.h"

#include <QHeaderView>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>
#include <QTreeWidget>

namespace {

const char ConnectionName[] = "ZEP";


} // namespace

staevneKlasseInfo::staevneKlasseInfo(appConfig *cfg, QWidget *parent, const QString &name,
                                     Qt::WindowFlags fl)
    : QWidget(parent, fl)
    , cfg(cfg)
    , m_form(new Ui::StaevneKlasseInfoBase)
{
    // The form names itself only when the creator gave no name.
    if (!name.isEmpty())
        setObjectName(name);
    m_form->setupUi(this);
    resize(QSize(717, 542).expandedTo(minimumSizeHint()));

    frame3 = m_form->frame3;
    klasseInfo = m_form->klasseInfo;
    antalPlac = m_form->antalPlac;
    dommer = m_form->dommer;
    maxPoint = m_form->maxPoint;
    sponsor = m_form->sponsor;
    splitter3 = m_form->splitter3;
    listView1 = m_form->listView1;
    champTableFrame = m_form->champTableFrame;
    champTableFrameLayout = m_form->champTableFrameLayout;

    // The designer form carries a placeholder row; no view ever shows it,
    // not even before its first load has succeeded.
    listView1->clear();
    setUpColumns();
    // A load or reload replaces the rows, a tick changes cells: either may
    // widen a column. The widths follow when the list is on screen.
    QAbstractItemModel *model = listView1->model();
    connect(model, &QAbstractItemModel::modelReset, this, &staevneKlasseInfo::columnsChanged);
    connect(model, &QAbstractItemModel::rowsInserted, this, &staevneKlasseInfo::columnsChanged);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &staevneKlasseInfo::columnsChanged);
    connect(model, &QAbstractItemModel::dataChanged, this, &staevneKlasseInfo::columnsChanged);
    connect(model, &QAbstractItemModel::headerDataChanged, this, &staevneKlasseInfo::columnsChanged);
    listView1->header()->setSortIndicatorShown(true);
    listView1->setSortingEnabled(true);
    listView1->sortByColumn(0, Qt::DescendingOrder);
}

staevneKlasseInfo::~staevneKlasseInfo()
{
    // The list outlives this part of the view (QWidget deletes it) and
    // empties its model on the way out: nothing of the view may hear it.
    listView1->model()->disconnect(this);
    delete m_form;
}

void staevneKlasseInfo::setUpColumns()
{
    // A class list has up to 37 columns: squeezed into the window, horse and
    // rider cannot be read. Each column is as wide as its widest cell or its
    // title, and the list scrolls sideways instead. The widths are measured
    // only when the list is on screen (fitColumns): a header that measured
    // itself would shape the text of every cell of every view, shown or not,
    // on every change, which made a load of a full show three times slower.
    QHeaderView *header = listView1->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    listView1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    listView1->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Rows have no children: no tree indent before the start number.
    listView1->setRootIsDecorated(false);
}

void staevneKlasseInfo::columnsChanged()
{
    m_columnsStale = true;
    if (m_fitPending || !isVisible())
        return;
    // Once for everything a load or a tick changes, after it is done.
    m_fitPending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_fitPending = false;
            if (m_columnsStale && isVisible())
                fitColumns();
        },
        Qt::QueuedConnection);
}

void staevneKlasseInfo::fitColumns()
{
    listView1->header()->resizeSections(QHeaderView::ResizeToContents);
    m_columnsStale = false;
}

void staevneKlasseInfo::showEvent(QShowEvent *event)
{
    // A view that chose another sizing after the base was built still shows
    // legible columns; a list that changed while hidden is measured now.
    setUpColumns();
    if (m_columnsStale)
        fitColumns();
    QWidget::showEvent(event);
}

QString staevneKlasseInfo::setting(const QString &key, const QString &def) const
{
    return cfg ? cfg->getValue(key, def) : def;
}

QString staevneKlasseInfo::oneValue(const QString &sql, bool *ok, bool logStatement)
{
    if (ok)
        *ok = false;
    QSqlDatabase db;
    if (!openConnection(&db))
        return QString();
    QSqlQuery query(db);
    query.setForwardOnly(true);
    const bool ran = query.prepare(sql) && query.exec() && query.isActive();
    const bool found = ran && query.next();
    if (!ran || (!found && query.lastError().isValid())) {
        // While an outage is reported, its failing statements add nothing
        // new: the view logs the outage's end when it reads again.
        if (!inTrouble(Trouble::Database)) {
            const QString error = query.lastError().text();
            const QString type = DbValue::errorType(query.lastError());
            emit logMessage(-1, logStatement ? QStringLiteral("SQL Error %1 Type: %2\nstmt %3").arg(error, type, sql)
                                             : QStringLiteral("getDBField SQL Error %1 Type: %2").arg(error, type));
        }
        return QString();
    }
    if (ok)
        *ok = true;
    return found && !query.isNull(0) ? query.value(0).toString() : QString();
}

QVector<QStringList> staevneKlasseInfo::listTexts() const
{
    const int columns = listView1->columnCount();
    QVector<QStringList> rows;
    rows.reserve(listView1->topLevelItemCount());
    for (int r = 0; r < listView1->topLevelItemCount(); ++r) {
        const QTreeWidgetItem *item = listView1->topLevelItem(r);
        QStringList cells;
        cells.reserve(columns);
        for (int c = 0; c < columns; ++c)
            cells << item->text(c);
        rows << cells;
    }
    return rows;
}

void staevneKlasseInfo::hippodataFailed(const QString &why)
{
    emit logMessage(1, QStringLiteral("Hippodata eksport af klasse %1 %2 fejlede: %3")
                           .arg(QString::number(klasseNr), afd, why));
}

void staevneKlasseInfo::writeHippodata(
    const QVector<HippodataExport::Starter> &starters,
    const std::function<QString(const HippodataExport::Starter &, const HippodataExport::Horse &)> &lineOf,
    const std::function<QString(const QString &)> &lookUp)
{
    const QStringList columns = HorseLookup::exportColumns();
    QStringList lines;
    for (const HippodataExport::Starter &starter : starters) {
        // A horse that cannot be looked up still gets its line, with the
        // horse's fields empty (the look-up logs the failure).
        HippodataExport::Horse horse;
        for (const QString &column : columns)
            horse << lookUp(HorseLookup::statement(column, starter.hesteId)).simplified();
        lines << lineOf(starter, horse);
    }
    const QString path = outputPath(QStringLiteral("klasse%1_%2.csv").arg(QString::number(klasseNr), afd));
    QString error;
    if (!writeWholeFile(path, HippodataExport::encode(lines), &error)) {
        hippodataFailed(error);
        return;
    }
    emit logMessage(3, QStringLiteral("Hippodata eksport skrevet: %1").arg(path));
}

void staevneKlasseInfo::startUpdateTimer(int defaultMs)
{
    auto *timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &staevneKlasseInfo::timeOut);
    timer->start(updateInterval(defaultMs));
}

int staevneKlasseInfo::updateInterval(int defaultMs)
{
    if (!cfg)
        return defaultMs;
    return cfg->intervalValue(QStringLiteral("database.update"), defaultMs, &m_timerWarning);
}

QString staevneKlasseInfo::judges() const
{
    return m_judges;
}

int staevneKlasseInfo::antalStarter() const
{
    return m_antalStarter;
}

int staevneKlasseInfo::resterendeStarter() const
{
    return m_resterendeStarter;
}

int staevneKlasseInfo::diciplinId() const
{
    return m_diciplinId.toInt(nullptr, 10);
}

int staevneKlasseInfo::calcAntalPlaceringer(int)
{
    return 0;
}

int staevneKlasseInfo::lastChangeColumn() const
{
    return 1;
}

void staevneKlasseInfo::timeOut()
{
    if (staevneId != -1 && klasseNr != -1)
        updateKlasse();
}

void staevneKlasseInfo::showKlasse(int staevneId_, int klasseNr_, QString afdeling_, int bane_,
                                   int afdelingId_)
{
    staevneId = staevneId_;
    klasseNr = klasseNr_;
    afd = afdeling_;
    bane = bane_;
    lastChangeId = -1;
    antalPlaceringer = 0;
    afdelingId = afdelingId_;
    listView1->clear();
}

void staevneKlasseInfo::updateKlasse() {}

void staevneKlasseInfo::refreshClass()
{
    const int keptChangeId = lastChangeId;
    showKlasse(staevneId, klasseNr, QString(afd), bane, afdelingId);
    lastChangeId = keptChangeId;
    printHtml();
    emit resultChangeClass(bane, afd, klasseNr, false);
}

void staevneKlasseInfo::printHtml() {}

void staevneKlasseInfo::printShortHtml() {}

void staevneKlasseInfo::calculatePlace() {}

void staevneKlasseInfo::setTempResult(int, float) {}

void staevneKlasseInfo::toggleDSP(bool on)
{
    dsp = on ? 1 : 0;
}

void staevneKlasseInfo::toggleDV(bool on)
{
    dv = on ? 1 : 0;
}

void staevneKlasseInfo::slotHeighLight(QTreeWidgetItem *item)
{
    if (item && lastChangeId == -1)
        lastChangeId = item->text(lastChangeColumn()).toInt(nullptr, 10);
}

QString staevneKlasseInfo::outputPath(const QString &fileName) const
{
    return setting(QStringLiteral("http.root"), QStringLiteral("html/")) + QLatin1Char('/') + fileName;
}

QString staevneKlasseInfo::jsonFilePath() const
{
    return outputPath(QStringLiteral("klasse%1_%2.json").arg(QString::number(klasseNr), afd));
}

KlasseJsonDocument staevneKlasseInfo::jsonDocument() const
{
    return jsonDocument(listTexts());
}

KlasseJsonDocument staevneKlasseInfo::jsonDocument(const QVector<QStringList> &rows) const
{
    const auto number = [](int n) { return QString::number(n); };
    KlasseJsonDocument doc;
    doc.header = {
        {QStringLiteral("jsonVersion"), QLatin1String(KlasseJsonDocument::FormatVersion)},
        {QStringLiteral("version"), QLatin1String(ProgramVersion)},
        {QStringLiteral("ZEPstaevneId"),
         setting(QStringLiteral("staevne.ZEPStaevneId"), QStringLiteral("ZEP"))},
        {QStringLiteral("ZEPStaevnePropId"), ZEPStaevnePropId},
        {QStringLiteral("ZEPKlasseId"), ZEPKlasseId},
        {QStringLiteral("staevneId"), number(staevneId)},
        {QStringLiteral("klasseNr"), number(klasseNr)},
        {QStringLiteral("diciplinId"), m_diciplinId},
        {QStringLiteral("klasseTypeId"), klasseTypeId},
        {QStringLiteral("bane"), number(bane)},
        {QStringLiteral("afdeling"), afd},
        {QStringLiteral("class"), klasseInfo->text()},
        {QStringLiteral("maxPnt"), number(maxPnt)},
        {QStringLiteral("lastChangeId"), number(lastChangeId)},
        {QStringLiteral("antalPlaceringer"), number(antalPlaceringer)},
        {QStringLiteral("antalDommere"), number(antalDommere)},
        {QStringLiteral("antalStarter"), number(m_antalStarter)},
        {QStringLiteral("resterendeStarter"), number(m_resterendeStarter)},
        {QStringLiteral("startSlutTid"), startSlutTid},
        {QStringLiteral("judges"), m_judges},
        {QStringLiteral("kur"), number(kur)},
        {QStringLiteral("hold"), number(hold)},
        {QStringLiteral("dsp"), number(dsp)},
        {QStringLiteral("dv"), number(dv)},
        {QStringLiteral("bevarStartTid"), number(bevarStartTid)},
        {QStringLiteral("metode"), metode},
        {QStringLiteral("niveau"), niveau},
        {QStringLiteral("udholdenhed"), udholdenhed ? QStringLiteral("1") : QStringLiteral("0")},
        {QStringLiteral("doteringer"), doteringer},
        {QStringLiteral("klassesponsor"), klassesponsor},
        {QStringLiteral("aerespraemie"), aerespraemie},
        {QStringLiteral("banebygger"), banebygger},
        {QStringLiteral("remarks"), remarks},
        {QStringLiteral("svh"), svh},
    };

    const QTreeWidgetItem *titles = listView1->headerItem();
    const int columns = listView1->columnCount();
    for (int i = 0; i < columns; ++i)
        doc.columnTitles << titles->text(i);
    doc.rows = rows;
    return doc;
}

void staevneKlasseInfo::writeJSon()
{
    const QString path = jsonFilePath();
    QString error;
    if (!writeWholeFile(path, jsonDocument().toJson(), &error))
        emit logMessage(1, QStringLiteral("Kunne ikke skrive %1: %2").arg(path, error));
}

int staevneKlasseInfo::execSql(const QString &sql)
{
    QSqlDatabase db;
    if (!openConnection(&db))
        return 0;
    QSqlQuery query(db);
    if (!query.prepare(sql) || !query.exec() || !query.isActive()) {
        emit logMessage(-1, QStringLiteral("SQL Error %1 Type: %2\nstmt %3")
                                .arg(query.lastError().text(),
                                     QString::number(int(query.lastError().type())), sql));
        return 0;
    }
    return query.numRowsAffected();
}

// The keep-start-time flag of every section of the class; the only statement
// of the station that writes to the competition database.
static const char SetBevarStartTidSql[] =
    "UPDATE dbo.tblAfdeling SET BevarStartTid = %1 WHERE klasseId = %2 ";

void staevneKlasseInfo::visStartTid()
{
    bevarStartTid = bevarStartTid == 0 ? 1 : 0;
    execSql(QString::fromLatin1(SetBevarStartTidSql)
                .arg(QString::number(bevarStartTid), QString::number(klasseId)));
    publishAndAnnounce();
}

void staevneKlasseInfo::publishAndAnnounce()
{
    printHtml();
    emit resultChangeClass(bane, afd, klasseNr, false);
}

void staevneKlasseInfo::announceWritten(bool resultChanged, bool written, bool pagesChanged)
{
    m_resultChangeDue = m_resultChangeDue || resultChanged;
    if (!written)
        return;
    if (m_resultChangeDue) {
        m_resultChangeDue = false;
        emit resultChangeClass(bane, afd, klasseNr, true);
    } else if (pagesChanged) {
        emit resultChangeClass(bane, afd, klasseNr, false);
    }
}

// The view's own upload slots are connected nowhere and no view has an
// upload connection: the class's files go up through the setup tab. They
// only report that they were called.
void staevneKlasseInfo::uploadFile(const QString &fileName)
{
    emit logMessage(2, QStringLiteral("Upload file %1\n").arg(fileName));
}

void staevneKlasseInfo::uploadDone(int id, bool)
{
    emit logMessage(2, QStringLiteral("Upload done id: %1 %2\n").arg(QString::number(id), QString()));
}

bool staevneKlasseInfo::openConnection(QSqlDatabase *db)
{
    const QString name = QLatin1String(ConnectionName);
    if (!QSqlDatabase::contains(name)) {
        emit connectDB(name);
        return false;
    }
    *db = QSqlDatabase::database(name, true);
    if (!db->isOpen()) {
        // Every tick asks again; a database that stays away is one line.
        reportTrouble(Trouble::Database,
                      QStringLiteral("An database error occured.\n%1\n").arg(db->lastError().text()));
        return false;
    }
    return true;
}

bool staevneKlasseInfo::readSectionRows(QSqlQuery &query, const QString &sql, const QString &place,
                                        QVector<QVariantList> *rows, QString *why)
{
    query.prepare(sql);
    query.bindValue(QStringLiteral(":staevneId"), staevneId);
    query.bindValue(QStringLiteral(":klasseNr"), klasseNr);
    query.bindValue(QStringLiteral(":afdeling"), afd);
    const auto failed = [this, &query, &place, why] {
        const QString text = QStringLiteral("%1 SQL Error %2 Type: %3")
                                 .arg(place, query.lastError().text(), DbValue::errorType(query.lastError()));
        if (why)
            *why = text;
        else if (!inTrouble(Trouble::Database))
            emit logMessage(-1, text);
        return false;
    };
    if (!query.exec() || !query.isActive())
        return failed();
    QVector<QVariantList> read;
    while (query.next())
        read.append(DbValue::rowValues(query));
    if (query.lastError().isValid())
        return failed();
    *rows += read;
    return true;
}

QVariant staevneKlasseInfo::rowBackground(const QTreeWidgetItem *item)
{
    QTreeWidget *list = item->treeWidget();
    const int position = list ? list->indexOfTopLevelItem(const_cast<QTreeWidgetItem *>(item)) : -1;
    if (position < 0)
        return QVariant();
    return QBrush(QColor(position % 2 ? QStringLiteral("#FFF3C6") : QStringLiteral("#F8E296")));
}

void staevneKlasseInfo::reportTrouble(Trouble what, const QString &text)
{
    bool &logged = m_trouble[static_cast<int>(what)];
    if (!logged)
        emit logMessage(1, text);
    logged = true;
}

void staevneKlasseInfo::troubleOver(Trouble what)
{
    bool &logged = m_trouble[static_cast<int>(what)];
    if (!logged)
        return;
    logged = false;
    emit logMessage(3, QStringLiteral("Klasse %1 %2: %3")
                           .arg(QString::number(klasseNr), afd,
                                what == Trouble::Database ? QStringLiteral("databasen kan læses igen")
                                                          : QStringLiteral("siderne skrives igen")));
    if (what == Trouble::Database)
        emit databaseReadAgain();
}

bool staevneKlasseInfo::inTrouble(Trouble what) const
{
    return m_trouble[static_cast<int>(what)];
}

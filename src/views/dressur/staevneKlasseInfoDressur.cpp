#include "views/dressur/staevneKlasseInfoDressur.h"

#include "database/DbValue.h"
#include "views/dressur/DressurColumns.h"
#include "views/dressur/DressurListItem.h"
#include "views/dressur/DressurLoad.h"
#include "views/dressur/DressurPages.h"
#include "views/dressur/DressurPlacing.h"
#include "views/dressur/DressurUpdate.h"
#include "views/HippodataExport.h"
#include "files/WholeFile.h"
#include "views/KlasseJsonDocument.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QCursor>
#include <QFrame>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTextStream>
#include <QTreeWidget>
#include <QWidgetAction>

#include <memory>

namespace {

const char ConnectionName[] = "ZEP";

QString connectionName()
{
    return QLatin1String(ConnectionName);
}

} // namespace

staevneKlasseInfoDressur::staevneKlasseInfoDressur(appConfig *cfg, QWidget *parent,
                                                   const QString &name, Qt::WindowFlags fl)
    : staevneKlasseInfo(cfg, parent, name, fl)
{
    champTableFrame->hide();

    listView1->setHeaderLabels(DressurColumns::titles());
    listView1->header()->setSortIndicatorShown(true);
    listView1->setAllColumnsShowFocus(true);
    listView1->sortByColumn(DressurColumns::Point, Qt::DescendingOrder);

    startUpdateTimer(60000);

    connect(listView1, &QTreeWidget::itemDoubleClicked, this, &staevneKlasseInfo::slotHeighLight);
}

int staevneKlasseInfoDressur::lastChangeColumn() const
{
    return DressurColumns::StartId;
}

int staevneKlasseInfoDressur::calcAntalPlaceringer(int starters)
{
    return DressurPlacing::antalPlaceringer(starters);
}

QString staevneKlasseInfoDressur::getDBField(const QString &sql, bool *ok)
{
    return oneValue(sql, ok, false);
}

// The class header: class, class type and section, the judges, the section's
// day and times. %1 and %2 are the section's id.
static const char HeaderSql[] =
    "SELECT K.KlasseId, K.KlasseNr, K.MaxAntalStarter, K.Klasse,        \t\t      KT.MaxPoint,        \t\t      AF.afdelingInitialer,AF.sponsor,AF.aerespraemie,AF.antalPlaceringer, \t\t      dbo.antalDommere( %1),dbo.DommerListe( %2 , 2), \t\t      dbo.DanskeUgedage(DATENAME(weekday, AF.dato) ), \t\t      CAST(CONVERT( varchar,AF.starttidS, 14) AS varchar(5)), CAST(CONVERT(varchar,AF.sluttidS,14 ) AS varchar(5)), K.Kur, \t\t\t  AF.BevarStartTid, K.HoldKlasse, K.klasseTypeId, K.diciplinId, K.niveauId, \t\t\t  dbo.doteringListe(K.KlasseId), K.Bemaerkning, KT.klasse \t\t      from dbo.tblKlasse as K \t\t      LEFT JOIN dbo.tblKlasseType as KT ON K.KlasseTypeID = KT.klasseTypeId \t\t      LEFT JOIN dbo.tblAfdeling as AF ON K.KlasseID = AF.klasseId \t\t      WHERE K.staevneId = :staevneId AND K.klasseNr = :klasseNr AND AF.afdelingInitialer = :afdeling";

bool staevneKlasseInfoDressur::readHeader(QSqlQuery &query, DressurLoad::Header *header, bool *found)
{
    query.prepare(QString::fromUtf8(HeaderSql).arg(afdelingId).arg(afdelingId));
    query.bindValue(QStringLiteral(":staevneId"), staevneId);
    query.bindValue(QStringLiteral(":klasseNr"), klasseNr);
    query.bindValue(QStringLiteral(":afdeling"), afd);
    // A failure within a reported database outage adds no lines.
    const bool logFailure = !inTrouble(Trouble::Database);
    if (!query.exec() || !query.isActive()) {
        if (logFailure) {
            emit logMessage(-1, QStringLiteral("ShowClass SQL Error %1 Type: %2\n#####\n%3")
                                    .arg(query.lastError().text(), DbValue::errorType(query.lastError()),
                                         query.lastQuery()));
            emit logMessage(-1, QStringLiteral("Placeholder: :afdeling, Value: %1").arg(afd));
            emit logMessage(-1, QStringLiteral("Placeholder: :klasseNr, Value: %1").arg(klasseNr));
            emit logMessage(-1, QStringLiteral("Placeholder: :staevneId, Value: %1").arg(staevneId));
        }
        return false;
    }
    QVariantList values;
    *found = query.next();
    if (*found) {
        const QSqlRecord record = query.record();
        for (int i = 0; i < record.count(); ++i)
            values << record.value(i);
    } else if (query.lastError().isValid()) {
        if (logFailure)
            emit logMessage(-1, QStringLiteral("ShowClass SQL Error %1 Type: %2\n#####\n%3")
                                    .arg(query.lastError().text(), DbValue::errorType(query.lastError()),
                                         query.lastQuery()));
        return false;
    }
    // Without a row every value reads as empty text or 0.
    *header = DressurLoad::Header::fromValues(values);
    return true;
}

// Every entry of the section with its marks, start time, ids and the
// registry row of its horse; in team classes also its team. Ordered by
// total, so a starter's row may come after rows of entries without a start.
static const char StartersSelectSql[] =
    "SELECT DR.StartNr, DR.anmeldelseNr, DR.Fornavn, DR.Efternavn, DR.Navn , \t\t\t\t\tDR.klubId, DR.placering, DR.totalKurKlasse, DR.diskvalifikation, DR.kategori,DR.klasse ,\t\t\t\t\tDR.staevneId, DR.klasseId, DR.klasseNr, DR.StartId,  \t\t\t\t\tDR.dommerE, DR.dommerH, DR.dommerC, DR.dommerM, DR.dommerB,   \t\t\t\t\tDR.dommerEKur, DR.dommerHKur, DR.dommerCKur, DR.dommerMKur, DR.dommerBKur,   \t\t\t\t\tCAST(CONVERT( varchar, dbo.StarttidEkvipage(DR.afdelingID, DR.StartId), 14 ) AS varchar(5) ), \t\t\t\t\tDR.RytterId, DR.HesteId, TC.ConfigId,H.AfstamningF, H.AfstamningM, H.AfstamningMF, \t\t\t\t\tYEAR(H.foedeaar), H.opdraetter, H.koen  ";
static const char StartersTeamColumnsSql[] = ", AH.StartNr, AH.Hold, DR.Udgaar ";
static const char StartersFromSql[] = " FROM dbo.vDressurResultat as DR ";
static const char StartersEntryJoinSql[] = " LEFT JOIN tblAnmeldelse AA ON DR.AnmeldelseId = AA.AnmeldelseId ";
static const char StartersHorseJoinSql[] = " LEFT JOIN tblHest H ON (H.hestid = AA.hestid AND H.OprettetLokalt = 0 ) ";
static const char StartersConfigJoinSql[] = " LEFT JOIN dbo.tblConfig as TC ON DR.RytterId = TC.RytterId AND H.HestId = TC.HestId  ";
static const char StartersTeamJoinSql[] =
    " LEFT JOIN dbo.tblStartHold as SH ON DR.StartId = SH.StartId \t\t\t\t\t\t    LEFT JOIN dbo.tblAnmeldelseHold as AH ON SH.anmeldelseHoldId = AH.anmeldelseHoldId ";
static const char StartersWhereSql[] =
    " WHERE DR.staevneId = :staevneId AND DR.klasseNr = :klasseNr AND DR.afdelingInitialer = :afdeling \t\t      ORDER BY  total ASC, DR.diskvalifikation ASC, DR.startNr DESC ";

bool staevneKlasseInfoDressur::readStarters(QSqlQuery &query, bool team, QVector<QVariantList> *records)
{
    QString sql = QString::fromUtf8(StartersSelectSql);
    if (team)
        sql += QString::fromUtf8(StartersTeamColumnsSql);
    sql += QString::fromUtf8(StartersFromSql);
    sql += QString::fromUtf8(StartersEntryJoinSql);
    sql += QString::fromUtf8(StartersHorseJoinSql);
    sql += QString::fromUtf8(StartersConfigJoinSql);
    if (team)
        sql += QString::fromUtf8(StartersTeamJoinSql);
    sql += QString::fromUtf8(StartersWhereSql);

    // Every row is read before any look-up runs, so that no second
    // statement is opened while this one still delivers rows.
    return readSectionRows(query, sql, QStringLiteral("ShowClass"), records);
}

// A starter's remark, added to the rider's name when remarks are shown.
static const char RiderRemarkSql[] =
    "SELECT bemaerkning \t\t\t\t\t\t\t\t\t\tFROM dbo.tblStart WHERE (StartID = '%1' )";

QString staevneKlasseInfoDressur::riderRemark(const QString &startId)
{
    return getDBField(QString::fromUtf8(RiderRemarkSql).arg(DbValue::sqlLiteral(startId)));
}

// The pedigree of a horse that has only a locally created row.
static const char LocalPedigreeSql[] =
    "select ISNULL(CAST(YEAR(foedeaar) AS VARCHAR(4)),'')\t\t\t\t\t\t\t\t\t\t\t\t\t\t+'/'+ ISNULL(AfstamningF,'')\t\t\t\t\t\t\t\t\t\t\t\t\t\t+'/'+ ISNULL(AfstamningM,'')\t\t\t\t\t\t\t\t\t\t\t\t\t\t+'/'+ ISNULL(AfstamningMF,'') \t\t\t\t\t\t\t\t\t\t\tfrom tblHest where HestBaseId = '%1' AND OPRETTETLOKALT=1";

QString staevneKlasseInfoDressur::localPedigree(const QString &horseId)
{
    return getDBField(QString::fromUtf8(LocalPedigreeSql).arg(DbValue::sqlLiteral(horseId)));
}

void staevneKlasseInfoDressur::applyHeader(const DressurLoad::Header &header, bool found)
{
    klasseId = header.klasseId;
    maxPnt = header.maxPnt;
    if (found)
        noMaxPnt = maxPnt == 0;
    klassesponsor = header.klassesponsor;
    aerespraemie = header.aerespraemie;
    antalPlaceringer = header.antalPlaceringer;
    afdAntalPlaceringer = header.antalPlaceringer;
    antalDommere = header.antalDommere;
    if (!header.dommerListe.isEmpty())
        m_judges = header.dommerListe;
    startSlutTid = header.startSlutTid;
    kur = header.kur;
    bevarStartTid = header.bevarStartTid;
    hold = header.hold;
    klasseTypeId = header.klasseTypeId;
    m_diciplinId = header.diciplinId;
    niveau = header.niveau;
    doteringer = header.doteringer;
    remarks = header.remarks;
    svh = header.svh;

    klasseInfo->setText(header.title);
    antalPlac->setText(QStringLiteral("Antal Placeringer %1").arg(header.antalPlaceringerText));
    if (!header.dommerListe.isEmpty())
        dommer->setText(QStringLiteral("Dommere %1").arg(header.dommerListe));
    sponsor->setText(QStringLiteral("Ærespræmie %1").arg(header.klassesponsor));
    maxPoint->setText(QStringLiteral("Max Point %1").arg(maxPnt));
}

void staevneKlasseInfoDressur::fillList(const QVector<QVariantList> &records,
                                        const DressurLoad::Header &header, int *starters)
{
    DressurLoad::StarterOptions options;
    options.maxPnt = header.maxPnt;
    options.antalDommere = header.antalDommere;
    options.kur = header.kur;
    options.hold = header.hold != 0;
    options.riderRemarks =
        setting(QStringLiteral("show.riderRemarks"), QStringLiteral("0")).toInt() != 0;
    const auto remark = [this](const QString &startId) { return riderRemark(startId); };
    const auto pedigree = [this](const QString &horseId) { return localPedigree(horseId); };

    QList<QTreeWidgetItem *> items;
    QSet<QString> startIds;
    *starters = 0;
    for (const QVariantList &values : records) {
        // Entries without a start number and entry number carry no starter;
        // the query is ordered by total, so real starters may follow them.
        if (DbValue::toInt(values.value(0)) == 0 && DbValue::toInt(values.value(1)) == 0)
            continue;
        // A second row of one start (a second configuration or team row in
        // the joins) would show the starter twice.
        const QString startId = DbValue::text(values.value(14));
        if (startIds.contains(startId)) {
            emit logMessage(1, QStringLiteral("ShowClass duplicate Start Id %1 in class %2 %3 ignored")
                                   .arg(startId, QString::number(klasseNr), afd));
            continue;
        }
        startIds.insert(startId);

        const QStringList cells = DressurLoad::starterCells(values, options, remark, pedigree);
        auto *item = new DressurListItem;
        for (int c = 0; c < cells.size(); ++c)
            item->setText(c, cells.at(c));
        items << item;
        if (DressurPlacing::statusOf(cells.at(DressurColumns::Diskvalifikation))
            != DressurPlacing::Status::NotStarter)
            ++*starters;
    }
    listView1->clear();
    listView1->addTopLevelItems(items);
}

void staevneKlasseInfoDressur::showKlasse(int staevneId_, int klasseNr_, QString afdeling_, int bane_,
                                          int afdelingId_)
{
    if (loadKlasse(staevneId_, klasseNr_, afdeling_, bane_, afdelingId_))
        printHtml();
}

bool staevneKlasseInfoDressur::loadKlasse(int staevneId_, int klasseNr_, const QString &afdeling_, int bane_,
                                          int afdelingId_)
{
    staevneId = staevneId_;
    klasseNr = klasseNr_;
    afd = afdeling_;
    bane = bane_;
    afdelingId = afdelingId_;

    QSqlDatabase db;
    if (!openConnection(&db))
        return false;

    // Both queries are read before anything of the view changes: a load that
    // fails halfway keeps the class as it was shown.
    QSqlQuery query(db);
    DressurLoad::Header header;
    bool found = false;
    if (!readHeader(query, &header, &found))
        return false;
    QVector<QVariantList> records;
    if (!readStarters(query, header.hold != 0, &records))
        return false;

    lastChangeId = -1;
    tempResult = 0;
    applyHeader(header, found);
    int starters = 0;
    fillList(records, header, &starters);

    if (starters > 1 && afdAntalPlaceringer == 0) {
        antalPlaceringer = calcAntalPlaceringer(starters);
        antalPlac->setText(QStringLiteral("Antal Placeringer %1").arg(antalPlaceringer));
    }
    listView1->sortItems(listView1->sortColumn(), listView1->header()->sortIndicatorOrder());
    placeStarters();
    troubleOver(Trouble::Database);
    return true;
}

void staevneKlasseInfoDressur::refreshClass()
{
    if (!reload())
        emit logMessage(1, reloadFailedText());
}

QString staevneKlasseInfoDressur::reloadFailedText() const
{
    return QStringLiteral("Refresh class %1 %2 %3: the database could not be read, the pages of the last read stay")
        .arg(QString::number(bane), afd, QString::number(klasseNr));
}

bool staevneKlasseInfoDressur::reload(bool *written)
{
    const int keptChangeId = lastChangeId;
    if (!loadKlasse(staevneId, klasseNr, afd, bane, afdelingId))
        return false;
    lastChangeId = keptChangeId;
    const bool published = publish();
    if (written)
        *written = published;
    if (published)
        emit resultChangeClass(bane, afd, klasseNr, false);
    return true;
}

void staevneKlasseInfoDressur::placeStarters()
{
    if (hold == 0) {
        calculatePlace();
    } else {
        calculateTeamResult();
        listView1->sortItems(listView1->sortColumn(), listView1->header()->sortIndicatorOrder());
        calculateTeamResult();
    }
}

void staevneKlasseInfoDressur::calculatePlace()
{
    placeRows(false);
}

void staevneKlasseInfoDressur::calculateTeamResult()
{
    placeRows(true);
}

void staevneKlasseInfoDressur::placeRows(bool team)
{
    listView1->sortByColumn(DressurColumns::Point, Qt::DescendingOrder);

    QList<QTreeWidgetItem *> items;
    DressurPlacing::DressurRows rows;
    items.reserve(listView1->topLevelItemCount());
    rows.reserve(listView1->topLevelItemCount());
    for (int r = 0; r < listView1->topLevelItemCount(); ++r) {
        QTreeWidgetItem *item = listView1->topLevelItem(r);
        QStringList cells;
        cells.reserve(DressurColumns::Count);
        for (int c = 0; c < DressurColumns::Count; ++c)
            cells << item->text(c);
        items << item;
        rows << cells;
    }

    const DressurPlacing::Counts counts =
        team ? DressurPlacing::placeTeams(rows) : DressurPlacing::placeIndividual(rows, kur != 0);

    for (int r = 0; r < items.size(); ++r) {
        for (int c = 0; c < DressurColumns::Count; ++c) {
            if (items.at(r)->text(c) != rows.at(r).at(c))
                items.at(r)->setText(c, rows.at(r).at(c));
        }
    }
    m_antalStarter = counts.antalStarter;
    m_resterendeStarter = counts.resterendeStarter;
}

// The section's keep-start-time flag. %1 is the section's id.
static const char BevarStartTidSql[] =
    "SELECT BevarStartTid \t\t      FROM dbo.tblAfdeling  \t\t      WHERE afdelingId = %1 ";

// The current results of the section, one row per start.
static const char ResultsSql[] =
    "SELECT StartNr,anmeldelseNr,totalKurKlasse, diskvalifikation,placering,  StartId,       \t\t      dommerE, dommerH, dommerC, dommerM, dommerB,       \t\t      dommerEKur, dommerHKur, dommerCKur, dommerMKur, dommerBKur, \t\t      CAST(CONVERT( varchar, dbo.StarttidEkvipage(afdelingID, StartId), 14 ) AS varchar(5) ), Udgaar \t\t      FROM dbo.vDressurResultat \t\t      WHERE staevneId = :staevneId AND klasseNr = :klasseNr AND afdelingInitialer = :afdeling \t\t      ORDER BY  total ASC, diskvalifikation ASC, startNr DESC ";

bool staevneKlasseInfoDressur::readResults(QSqlDatabase &db, QVector<QVariantList> *results)
{
    // All rows are read before any cell changes, so a read that breaks off
    // leaves the list as the last good read made it.
    QSqlQuery query(db);
    return readSectionRows(query, QString::fromUtf8(ResultsSql), QStringLiteral("UpdateClass"), results);
}

void staevneKlasseInfoDressur::updateKlasse()
{
    const Published before = m_published;
    bool changeMark = false;

    // The flag belongs to the section; an answer that could not be read
    // leaves the flag as it was.
    bool flagRead = false;
    const QString flag = getDBField(QString::fromLatin1(BevarStartTidSql).arg(afdelingId), &flagRead);
    if (flagRead) {
        const int value = flag.toInt();
        if (value != bevarStartTid)
            changeMark = true;
        bevarStartTid = value;
    }

    // The timer keeps ticking through an outage: it is logged when it
    // starts, and its end when a tick reads the class again.
    const auto keepPages = [this](const QString &why) {
        reportTrouble(Trouble::Database, QStringLiteral("UpdateClass %1 %2 %3: %4, the pages of the last read stay")
                                             .arg(QString::number(bane), afd, QString::number(klasseNr), why));
    };
    if (!QSqlDatabase::contains(connectionName())) {
        keepPages(QStringLiteral("no database connection"));
        emit connectDB(connectionName());
        emit connectDB(connectionName());
        return;
    }
    QSqlDatabase db = QSqlDatabase::database(connectionName(), true);
    if (!db.isOpen()) {
        reportTrouble(Trouble::Database, QStringLiteral("%1 updateKlasse database found but closed\n"
                                                        "An database error occured.\n%2\n")
                                             .arg(objectName(), db.lastError().text()));
        emit connectDB(connectionName());
        return;
    }
    QVector<QVariantList> results;
    if (!readResults(db, &results)) {
        keepPages(QStringLiteral("the results could not be read"));
        emit connectDB(connectionName());
        return;
    }
    // A reload that keeps failing finds the same missing starters on every
    // tick; they were logged when the outage began.
    const bool logStarters = !inTrouble(Trouble::Database);

    const int lastChangeBefore = lastChangeId;
    QHash<QString, QTreeWidgetItem *> itemsByStartId;
    for (int r = 0; r < listView1->topLevelItemCount(); ++r) {
        QTreeWidgetItem *item = listView1->topLevelItem(r);
        itemsByStartId.insert(item->text(DressurColumns::StartId), item);
    }

    DressurUpdate::Options options;
    options.maxPnt = maxPnt;
    options.antalDommere = antalDommere;
    options.kur = kur;
    options.hold = hold != 0;

    // The changes are gathered first and written into the rows only when
    // the class needs no reload: a reload reads everything anew, and one
    // that fails must find the rows as the last good read left them.
    QVector<QPair<QTreeWidgetItem *, QStringList>> changedRows;
    QSet<QString> seen;
    int rows = 0;
    bool missing = false;
    for (const QVariantList &values : qAsConst(results)) {
        // As the load: entries without start and entry number are no
        // starters, and a start stands once.
        if (DbValue::toInt(values.value(DressurUpdate::StartNr)) == 0
            && DbValue::toInt(values.value(DressurUpdate::AnmeldelseNr)) == 0)
            continue;
        const QString startId = DbValue::text(values.value(DressurUpdate::StartId));
        if (seen.contains(startId))
            continue;
        seen.insert(startId);
        ++rows;

        QTreeWidgetItem *item = itemsByStartId.value(startId);
        if (!item) {
            missing = true;
            if (logStarters)
                emit logMessage(1, QStringLiteral("Not found %1 %2 %3 %4")
                                       .arg(QString::number(klasseNr), afd,
                                            values.value(DressurUpdate::StartNr).toString(), startId));
            continue;
        }
        QStringList cells;
        cells.reserve(DressurColumns::Count);
        for (int c = 0; c < DressurColumns::Count; ++c)
            cells << item->text(c);
        const QStringList old = cells;
        const DressurUpdate::Outcome outcome = DressurUpdate::apply(cells, values, options);
        if (outcome.startNrChanged)
            changeMark = true;
        if (outcome.lastChange)
            lastChangeId = DressurPlacing::cellInt(cells.at(DressurColumns::StartId));
        if (cells != old)
            changedRows.append({item, cells});
    }

    bool reloaded = false;
    bool written = true;
    if (listView1->topLevelItemCount() != rows || missing) {
        if (logStarters)
            emit logMessage(1, QStringLiteral("Refresh class called %1 %2 %3 %4 %5")
                                   .arg(QString::number(bane), afd, QString::number(klasseNr),
                                        QString::number(rows), QString::number(listView1->topLevelItemCount())));
        if (!reload(&written)) {
            reportTrouble(Trouble::Database, reloadFailedText());
            lastChangeId = lastChangeBefore;
            return;
        }
        reloaded = true;
    } else {
        troubleOver(Trouble::Database);
        for (const auto &changed : qAsConst(changedRows)) {
            for (int c = 0; c < DressurColumns::Count; ++c) {
                if (changed.first->text(c) != changed.second.at(c))
                    changed.first->setText(c, changed.second.at(c));
            }
        }
        placeStarters();
        if (afdAntalPlaceringer == 0)
            antalPlaceringer = calcAntalPlaceringer(m_antalStarter);
        antalPlac->setText(QStringLiteral("Antal Placeringer %1").arg(antalPlaceringer));
        emit logMessage(0, QStringLiteral("Number rows %1").arg(rows));
        written = publish();
    }

    // A new last change stays due until its pages have been written. Any
    // other change of the published pages (a corrected score, a withdrawal,
    // a flag) is not the arena's cue to change class, but is uploaded.
    announceWritten(lastChangeId != lastChangeBefore, written,
                    !reloaded && (changeMark || !(m_published == before)));
}

void staevneKlasseInfoDressur::setTempResult(int nr, float value)
{
    const QString number = QString::number(nr);
    for (int r = 0; r < listView1->topLevelItemCount(); ++r) {
        QTreeWidgetItem *item = listView1->topLevelItem(r);
        if (item->text(DressurColumns::StaevneNr) != number)
            continue;
        tempResult = 1;
        if (DressurPlacing::cellFloat(item->text(DressurColumns::Tendens)) != value) {
            item->setText(DressurColumns::Tendens, DressurLoad::pointsText(value));
            printHtml();
        }
        return;
    }
}

DressurPlacing::DressurRows staevneKlasseInfoDressur::listRows() const
{
    DressurPlacing::DressurRows rows;
    rows.reserve(listView1->topLevelItemCount());
    for (int r = 0; r < listView1->topLevelItemCount(); ++r) {
        const QTreeWidgetItem *item = listView1->topLevelItem(r);
        QStringList cells;
        cells.reserve(DressurColumns::Count);
        for (int c = 0; c < DressurColumns::Count; ++c)
            cells << item->text(c);
        rows << cells;
    }
    return rows;
}

QDateTime staevneKlasseInfoDressur::currentTime() const
{
    return QDateTime::currentDateTime();
}

DressurPages::ClassInfo staevneKlasseInfoDressur::pageClass() const
{
    // The header shows the labels' values without their captions.
    const auto from = [](const QLabel *label, int word) {
        return label->text().section(QLatin1Char(' '), word);
    };
    DressurPages::ClassInfo info;
    info.bane = bane;
    info.lastChangeId = lastChangeId;
    info.antalDommere = antalDommere;
    info.antalStarter = m_antalStarter;
    info.resterendeStarter = m_resterendeStarter;
    info.antalPlaceringer = antalPlaceringer;
    info.maxPnt = maxPnt;
    info.kur = kur;
    info.hold = hold;
    info.bevarStartTid = bevarStartTid;
    info.noMaxPnt = noMaxPnt;
    info.tempResult = tempResult;
    info.title = klasseInfo->text();
    info.judges = from(dommer, 1);
    info.maxPoint = from(maxPoint, 2);
    info.sponsor = from(sponsor, 1);
    info.placings = from(antalPlac, 2);
    info.startSlutTid = startSlutTid;
    info.now = currentTime();
    return info;
}

staevneKlasseInfoDressur::Published staevneKlasseInfoDressur::published() const
{
    Published p;
    p.rows = listRows();
    p.values = {lastChangeId, bevarStartTid, m_antalStarter, m_resterendeStarter, antalPlaceringer, tempResult};
    return p;
}

bool staevneKlasseInfoDressur::publish()
{
    emit logMessage(0, QStringLiteral("Print Html %1 %2 %3").arg(QString::number(bane), afd,
                                                                   QString::number(klasseNr)));
    const QString nr = QString::number(klasseNr);
    const auto settings = DressurPages::Settings::read(
        [this](const QString &key, const QString &def) { return setting(key, def); });
    const Published shown = published();
    const DressurPages::Pages pages = DressurPages::write(pageClass(), settings, shown.rows);
    // The result page, the ranking page and the document of one state are
    // published together or not at all.
    QString error;
    if (!writeWholeFiles({{outputPath(QStringLiteral("klasse%1_%2.html").arg(nr, afd)), pages.result},
                          {outputPath(QStringLiteral("rank%1_%2.html").arg(nr, afd)), pages.ranking},
                          {jsonFilePath(), jsonDocument().toJson()}},
                         &error)) {
        // Every tick tries again; a disk that stays full is one line.
        reportTrouble(Trouble::Write, QStringLiteral("Kunne ikke skrive %1").arg(error));
        return false;
    }
    troubleOver(Trouble::Write);
    // Only what reached the files counts as published: a state that could
    // not be written is still to be written and announced.
    m_published = shown;
    return true;
}

void staevneKlasseInfoDressur::printHtml()
{
    publish();
}

void staevneKlasseInfoDressur::publishAndAnnounce()
{
    if (publish())
        emit resultChangeClass(bane, afd, klasseNr, false);
}

QMenu *staevneKlasseInfoDressur::exportMenu()
{
    auto *menu = new QMenu(this);
    auto *caption = new QLabel(QStringLiteral("<font color=darkblue><u><b>Export</b></u></font>"), menu);
    caption->setAlignment(Qt::AlignCenter);
    auto *captionItem = new QWidgetAction(menu);
    captionItem->setDefaultWidget(caption);
    menu->addAction(captionItem);

    auto *hippodata = new QAction(tr("&Hippodata"), menu);
    hippodata->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    connect(hippodata, &QAction::triggered, this, &staevneKlasseInfoDressur::exportKlasse);
    menu->addAction(hippodata);
    return menu;
}

void staevneKlasseInfoDressur::execMenu(QMenu *menu)
{
    menu->exec(QCursor::pos());
}

void staevneKlasseInfoDressur::contextMenuEvent(QContextMenuEvent *)
{
    std::unique_ptr<QMenu> menu(exportMenu());
    execMenu(menu.get());
}

// The section's entries for the Hippodata export, highest start number first.
static const char HippodataStartersSql[] =
    "SELECT DR.anmeldelseNr, DR.Fornavn, DR.Efternavn, DR.Navn, DR.klubId, DR.HesteId "
    "FROM dbo.vDressurResultat AS DR "
    "WHERE DR.staevneId = :staevneId AND DR.klasseNr = :klasseNr AND DR.afdelingInitialer = :afdeling "
    "ORDER BY DR.startNr DESC";

void staevneKlasseInfoDressur::exportKlasse()
{
    QSqlDatabase db;
    if (!openConnection(&db))
        return;
    // The starters are read before the file is touched: a failed query
    // keeps the previous export.
    QSqlQuery query(db);
    query.prepare(QString::fromUtf8(HippodataStartersSql));
    query.bindValue(QStringLiteral(":staevneId"), staevneId);
    query.bindValue(QStringLiteral(":klasseNr"), klasseNr);
    query.bindValue(QStringLiteral(":afdeling"), afd);
    QVector<HippodataExport::Starter> starters;
    bool ok = query.exec() && query.isActive();
    while (ok && query.next()) {
        HippodataExport::Starter starter;
        starter.anmeldelseNr = DbValue::text(query.value(0));
        starter.fornavn = DbValue::text(query.value(1));
        starter.efternavn = DbValue::text(query.value(2));
        starter.navn = DbValue::text(query.value(3));
        starter.klubId = DbValue::text(query.value(4));
        starter.hesteId = DbValue::text(query.value(5));
        starters << starter;
    }
    if (!ok || query.lastError().isValid()) {
        QTextStream(stdout) << "Error in query " << query.lastQuery() << Qt::endl;
        hippodataFailed(query.lastError().text());
        return;
    }
    query.finish();

    const QString klasse = QString::number(klasseNr) + QLatin1Char('_') + afd;
    writeHippodata(
        starters,
        [&klasse](const HippodataExport::Starter &starter, const HippodataExport::Horse &horse) {
            return HippodataExport::line(klasse, starter, horse);
        },
        [this](const QString &sql) { return getDBField(sql); });
}

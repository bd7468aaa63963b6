#include "staevneKlasseInfoDressur.h"

#include "DbValue.h"
#include "DressurColumns.h"
#include "DressurListItem.h"
#include "DressurLoad.h"
#include "DressurPlacing.h"

#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTimer>
#include <QTreeWidget>

namespace {

const char ConnectionName[] = "ZEP";

QString connectionName()
{
    return QLatin1String(ConnectionName);
}

QString sqlErrorType(const QSqlError &error)
{
    return QString::number(int(error.type()));
}

} // namespace

staevneKlasseInfoDressur::staevneKlasseInfoDressur(appConfig *cfg, QWidget *parent,
                                                   const QString &name, Qt::WindowFlags fl)
    : staevneKlasseInfo(cfg, parent, name, fl)
{
    champTableFrame->hide();

    listView1->setHeaderLabels(DressurColumns::titles());
    listView1->header()->setSectionResizeMode(QHeaderView::Stretch);
    listView1->header()->setSortIndicatorShown(true);
    listView1->setAllColumnsShowFocus(true);
    listView1->sortByColumn(DressurColumns::Point, Qt::DescendingOrder);

    auto *timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &staevneKlasseInfo::timeOut);
    timer->start(setting(QStringLiteral("database.update"), QStringLiteral("60000")).toInt());

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

QString staevneKlasseInfoDressur::getDBField(const QString &sql)
{
    if (!QSqlDatabase::contains(connectionName())) {
        emit connectDB(connectionName());
        return QString();
    }
    QSqlDatabase db = QSqlDatabase::database(connectionName(), true);
    if (!db.isOpen()) {
        emit logMessage(1, QStringLiteral("An database error occured.\n%1\n").arg(db.lastError().text()));
        return QString();
    }
    QSqlQuery query(db);
    if (!query.prepare(sql) || !query.exec() || !query.isActive()) {
        emit logMessage(-1, QStringLiteral("getDBField SQL Error %1 Type: %2")
                                .arg(query.lastError().text(), sqlErrorType(query.lastError())));
        return QString();
    }
    if (!query.next()) {
        if (query.lastError().isValid())
            emit logMessage(-1, QStringLiteral("getDBField SQL Error %1 Type: %2")
                                    .arg(query.lastError().text(), sqlErrorType(query.lastError())));
        return QString();
    }
    return query.value(0).toString();
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
    query.bindValue(QStringLiteral(":afdeling"), afdeling);
    if (!query.exec() || !query.isActive()) {
        emit logMessage(-1, QStringLiteral("ShowClass SQL Error %1 Type: %2\n#####\n%3")
                                .arg(query.lastError().text(), sqlErrorType(query.lastError()),
                                     query.lastQuery()));
        emit logMessage(-1, QStringLiteral("Placeholder: :afdeling, Value: %1").arg(afdeling));
        emit logMessage(-1, QStringLiteral("Placeholder: :klasseNr, Value: %1").arg(klasseNr));
        emit logMessage(-1, QStringLiteral("Placeholder: :staevneId, Value: %1").arg(staevneId));
        return false;
    }
    QVariantList values;
    *found = query.next();
    if (*found) {
        const QSqlRecord record = query.record();
        for (int i = 0; i < record.count(); ++i)
            values << record.value(i);
    } else if (query.lastError().isValid()) {
        emit logMessage(-1, QStringLiteral("ShowClass SQL Error %1 Type: %2\n#####\n%3")
                                .arg(query.lastError().text(), sqlErrorType(query.lastError()),
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

    query.prepare(sql);
    query.bindValue(QStringLiteral(":staevneId"), staevneId);
    query.bindValue(QStringLiteral(":klasseNr"), klasseNr);
    query.bindValue(QStringLiteral(":afdeling"), afdeling);
    const auto failed = [this, &query] {
        emit logMessage(-1, QStringLiteral("ShowClass SQL Error %1 Type: %2")
                                .arg(query.lastError().text(), sqlErrorType(query.lastError())));
        return false;
    };
    if (!query.exec() || !query.isActive())
        return failed();
    // Read every row before any look-up runs, so that no second statement
    // is opened while this one still delivers rows.
    while (query.next()) {
        const QSqlRecord record = query.record();
        QVariantList values;
        for (int i = 0; i < record.count(); ++i)
            values << record.value(i);
        records->append(values);
    }
    if (query.lastError().isValid())
        return failed();
    return true;
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
    afdelingAntalPlaceringer = header.antalPlaceringer;
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
                                   .arg(startId, QString::number(klasseNr), afdeling));
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
    staevneId = staevneId_;
    klasseNr = klasseNr_;
    afdeling = afdeling_;
    bane = bane_;
    afdelingId = afdelingId_;

    if (!QSqlDatabase::contains(connectionName())) {
        emit connectDB(connectionName());
        return;
    }
    QSqlDatabase db = QSqlDatabase::database(connectionName(), true);
    if (!db.isOpen()) {
        emit logMessage(1, QStringLiteral("An database error occured.\n%1\n").arg(db.lastError().text()));
        return;
    }

    // Both queries are read before anything of the view changes: a load that
    // fails halfway keeps the class as it was shown.
    QSqlQuery query(db);
    DressurLoad::Header header;
    bool found = false;
    if (!readHeader(query, &header, &found))
        return;
    QVector<QVariantList> records;
    if (!readStarters(query, header.hold != 0, &records))
        return;

    lastChangeId = -1;
    tempResult = 0;
    applyHeader(header, found);
    int starters = 0;
    fillList(records, header, &starters);

    if (starters > 1 && afdelingAntalPlaceringer == 0) {
        antalPlaceringer = calcAntalPlaceringer(starters);
        antalPlac->setText(QStringLiteral("Antal Placeringer %1").arg(antalPlaceringer));
    }
    listView1->sortItems(listView1->sortColumn(), listView1->header()->sortIndicatorOrder());
    placeStarters();
    printHtml();
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
    for (int r = 0; r < listView1->topLevelItemCount(); ++r) {
        QTreeWidgetItem *item = listView1->topLevelItem(r);
        QStringList cells;
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

void staevneKlasseInfoDressur::printHtml()
{
    writeJSon();
}

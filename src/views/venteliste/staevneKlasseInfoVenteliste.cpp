#include "views/venteliste/staevneKlasseInfoVenteliste.h"

#include "database/DbValue.h"
#include "files/WholeFile.h"
#include "views/KlasseJsonDocument.h"
#include "views/venteliste/VentelisteListItem.h"
#include "views/venteliste/VentelistePage.h"

#include <QFrame>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>
#include <QTreeWidget>

namespace {

const char ConnectionName[] = "ZEP";

QString connectionName()
{
    return QLatin1String(ConnectionName);
}

// Start number and entry number of a start-list row. The outer joins give
// a section without starts one row of NULLs, and a start may lack its
// number; neither is an entry of the list.
struct Entry
{
    QString startNr;
    QString entryNr;
    bool isEntry() const { return !startNr.isEmpty() && !entryNr.isEmpty(); }
};

Entry entryOf(const QVariantList &values)
{
    return {DbValue::text(values.value(0)), DbValue::text(values.value(1))};
}

} // namespace

staevneKlasseInfoVenteliste::staevneKlasseInfoVenteliste(appConfig *cfg, QWidget *parent, const QString &name,
                                                         Qt::WindowFlags fl)
    : staevneKlasseInfo(cfg, parent, name, fl)
{
    champTableFrame->hide();

    listView1->setHeaderLabels(VentelistePage::titles());
    listView1->header()->setSortIndicatorShown(true);
    listView1->sortByColumn(VentelistePage::StartNr, Qt::DescendingOrder);
    listView1->setAllColumnsShowFocus(true);

    staevneId = -1;
    klasseNr = -1;
    maxPnt = 1;
    lastChangeId = -1;

    startUpdateTimer(20000);

    connect(listView1, &QTreeWidget::itemDoubleClicked, this, &staevneKlasseInfo::slotHeighLight);
}

// The class, its section, its judge (the first one found) and its day.
static const char HeaderSql[] =
    "SELECT K.KlasseId, K.KlasseNr, K.MaxAntalStarter, K.Klasse, OFS.Fornavn, OFS.EfterNavn, "
    "AF.afdelingInitialer, AF.sponsor, AF.aerespraemie, AF.antalPlaceringer, "
    "M.Metode, M.antalHovedRunder, M.antalOmspringninger, K.TempoId, "
    "dbo.DanskeUgedage(DATENAME(weekday, AF.dato) ), "
    "CAST(CONVERT( varchar,AF.Starttid, 14) AS varchar(5)), CAST(CONVERT(varchar,AF.Sluttid,14 ) AS varchar(5)), "
    "KT.MaxPoint, K.EtapeDIdealTid, K.SidsteDiciplin "
    "from dbo.tblKlasse as K "
    "LEFT JOIN dbo.tblMetode as M ON K.MetodeID = M.MetodeId "
    "LEFT JOIN dbo.tblKlasseType as KT ON K.KlasseTypeID = KT.klasseTypeId "
    "LEFT JOIN dbo.tblAfdeling as AF ON K.KlasseID = AF.klasseId "
    "LEFT JOIN dbo.tblAfdelingDommer as AD ON AF.afdelingId = AD.afdelingId "
    "LEFT JOIN dbo.tblOfficials as OFS ON AD.OfficialId = OFS.OfficialId "
    "WHERE K.staevneId = :staevneId AND K.klasseNr = :klasseNr AND AF.afdelingInitialer = :afdeling";

bool staevneKlasseInfoVenteliste::readHeader(QSqlQuery &query, QVariantList *header)
{
    query.prepare(QString::fromLatin1(HeaderSql));
    query.bindValue(QStringLiteral(":staevneId"), staevneId);
    query.bindValue(QStringLiteral(":klasseNr"), klasseNr);
    query.bindValue(QStringLiteral(":afdeling"), afd);
    bool ok = query.exec() && query.isActive();
    // Without a row every field reads as empty text or 0.
    if (ok && query.next())
        *header = DbValue::rowValues(query);
    else if (ok && query.lastError().isValid())
        ok = false;
    if (!ok)
        emit logMessage(-1, QStringLiteral("showKlasse SQL Error %1 Type: %2\nstmt %3")
                                .arg(query.lastError().text(), DbValue::errorType(query.lastError()),
                                     query.lastQuery()));
    return ok;
}

// Every start of the section that is not deleted, with its entry, rider,
// horse and club. The same statement serves the load and the refresh.
static const char StartListSql[] =
    "SELECT CAST(ST.StartNr AS VARCHAR(5)) + dbo.NrTilBogstav(ST.SekundaerStartNr) AS startNr, "
    "A.AnmeldelseNr, R.Fornavn, R.Efternavn, H.Navn, KL.KlubId AS KlubInitialer, "
    "R.RytterId AS LicensNr, H.HestBaseId AS HesteId "
    "FROM tblKlasse AS K INNER JOIN "
    "tblStaevne AS S ON K.StaevneId = S.StaevneId INNER JOIN "
    "tblAfdeling AS AF ON K.KlasseId = AF.KlasseId LEFT OUTER JOIN "
    "tblStart AS ST ON AF.AfdelingId = ST.AfdelingId AND ST.Slettet IS NULL LEFT OUTER JOIN "
    "tblAnmeldelse AS A ON ST.AnmeldelseId = A.AnmeldelseId LEFT OUTER JOIN "
    "tblRytter AS R ON A.RytterId = R.RytterId LEFT OUTER JOIN "
    "tblHest AS H ON A.HestId = H.HestId LEFT OUTER JOIN "
    "tblKlub AS KL ON A.KlubId = KL.KlubId "
    "WHERE S.StaevneId = :staevneId AND K.KlasseNr = :klasseNr AND AF.AfdelingInitialer = :afdeling "
    "ORDER BY ST.StartNr";

bool staevneKlasseInfoVenteliste::readStartList(QSqlQuery &query, const QString &place,
                                                QVector<QVariantList> *rows)
{
    // Every row is read before a pedigree look-up runs or the list changes.
    return readSectionRows(query, QString::fromLatin1(StartListSql), place, rows);
}

// One registry field of a horse by its base id.
static const char HorseFieldSql[] = "SELECT %1 FROM dbo.tblHest WHERE (HestBaseID = '%2' )";

QString staevneKlasseInfoVenteliste::pedigree(const QString &horseId)
{
    const auto field = [&](const char *column) {
        return getDBField(QString::fromLatin1(HorseFieldSql)
                              .arg(QLatin1String(column), DbValue::sqlLiteral(horseId)))
            .simplified();
    };
    const QString sire = field("AfstamningF");
    const QString dam = field("AfstamningM");
    const QString damSire = field("AfstamningMF");
    const QString year = field("YEAR(foedeaar)");
    return VentelistePage::pedigreeText(year, sire, dam, damSire);
}

QString staevneKlasseInfoVenteliste::getDBField(const QString &statement)
{
    return oneValue(statement, nullptr, true);
}

void staevneKlasseInfoVenteliste::applyHeader(const QVariantList &h)
{
    const auto text = [&h](int i) { return DbValue::text(h.value(i)); };
    klasseInfo->setText(QStringLiteral("%1 %2 %3").arg(text(1), text(3), text(6)));
    dommer->setText(QStringLiteral("Dommer %1 %2").arg(text(4), text(5)));
    m_judges = dommer->text().section(QLatin1Char(' '), 1);
    sponsor->setText(QStringLiteral("Ærespræmie %1").arg(text(8)));
    antalPlaceringer = DbValue::toInt(h.value(9));
    antalPlac->setText(QStringLiteral("Placeringer %1").arg(antalPlaceringer));
    maxPnt = 0;
    startSlutTid = QStringLiteral("Start&nbsp;%1&nbsp;%2&nbsp;-&nbsp;%3").arg(text(14), text(15), text(16));
    maxPoint->setText(QStringLiteral("IdealTid %1").arg(text(18)));
}

void staevneKlasseInfoVenteliste::fillList(const QVector<QVariantList> &rows)
{
    QList<QTreeWidgetItem *> items;
    for (const QVariantList &values : rows) {
        const Entry entry = entryOf(values);
        if (!entry.isEntry())
            continue;
        auto *item = new VentelisteListItem;
        item->setText(VentelistePage::StartNr, entry.startNr);
        item->setText(VentelistePage::StaevneNr, entry.entryNr);
        item->setText(VentelistePage::Hest, DbValue::text(values.value(4)));
        item->setText(VentelistePage::Rytter,
                      DbValue::text(values.value(2)) + QLatin1Char(' ') + DbValue::text(values.value(3)));
        item->setText(VentelistePage::Klub, DbValue::text(values.value(5)));
        item->setText(VentelistePage::LicensNr, DbValue::text(values.value(6)));
        const QString horseId = DbValue::text(values.value(7));
        item->setText(VentelistePage::HesteId, horseId);
        if (!horseId.isEmpty())
            item->setText(VentelistePage::Afstamning, pedigree(horseId));
        items << item;
    }
    listView1->clear();
    listView1->addTopLevelItems(items);
    listView1->sortItems(listView1->sortColumn(), listView1->header()->sortIndicatorOrder());
}

bool staevneKlasseInfoVenteliste::loadKlasse()
{
    QSqlDatabase db;
    if (!openConnection(&db))
        return false;
    QSqlQuery query(db);
    QVariantList header;
    if (!readHeader(query, &header))
        return false;
    QVector<QVariantList> rows;
    if (!readStartList(query, QStringLiteral("showKlasse"), &rows)) {
        QTextStream(stdout) << "showKlasse: Error in query"
                            << QStringLiteral("SQL Error %1 Type: %2\nstmt %3")
                                   .arg(query.lastError().text(), DbValue::errorType(query.lastError()),
                                        query.lastQuery())
                            << Qt::endl;
        return false;
    }
    query.finish();

    lastChangeId = -1;
    antalPlaceringer = 0;
    applyHeader(header);
    fillList(rows);
    return true;
}

void staevneKlasseInfoVenteliste::showKlasse(int staevneId_, int klasseNr_, QString afdeling_, int bane_,
                                             int afdelingId_)
{
    staevneId = staevneId_;
    klasseNr = klasseNr_;
    afd = afdeling_;
    bane = bane_;
    afdelingId = afdelingId_;
    if (loadKlasse())
        printHtml();
}

void staevneKlasseInfoVenteliste::refreshClass()
{
    const int keptChangeId = lastChangeId;
    if (!loadKlasse())
        return;
    lastChangeId = keptChangeId;
    publishAndAnnounce();
}

void staevneKlasseInfoVenteliste::updateKlasse()
{
    // An outage is told when it starts and when it ends, not on every tick.
    if (!QSqlDatabase::contains(connectionName())) {
        emit connectDB(connectionName());
        reportTrouble(Trouble::Database, QStringLiteral("An DATABASE error occured."));
        return;
    }
    QSqlDatabase db = QSqlDatabase::database(connectionName(), true);
    if (!db.isOpen()) {
        reportTrouble(Trouble::Database,
                      QStringLiteral("%1 updateKlasse database found but closed\n").arg(objectName())
                          + QStringLiteral("An database error occured.\n%1\n").arg(db.lastError().text()));
        emit connectDB(connectionName());
        return;
    }
    QSqlQuery query(db);
    QVector<QVariantList> rows;
    if (!readStartList(query, QStringLiteral("updateKlasse"), &rows)) {
        reportTrouble(Trouble::Database, QStringLiteral("SQL Error %1 Type: %2")
                                             .arg(query.lastError().text(), DbValue::errorType(query.lastError())));
        emit connectDB(connectionName());
        return;
    }
    query.finish();
    troubleOver(Trouble::Database);

    QHash<QString, QTreeWidgetItem *> byEntryNr;
    for (int r = 0; r < listView1->topLevelItemCount(); ++r) {
        QTreeWidgetItem *item = listView1->topLevelItem(r);
        if (!byEntryNr.contains(item->text(VentelistePage::StaevneNr)))
            byEntryNr.insert(item->text(VentelistePage::StaevneNr), item);
    }

    // Changed start numbers are written only when no reload follows, so a
    // reload that fails finds the rows as the last good read left them.
    QVector<QPair<QTreeWidgetItem *, QString>> changed;
    int entries = 0;
    bool missing = false;
    for (const QVariantList &values : std::as_const(rows)) {
        const Entry entry = entryOf(values);
        if (!entry.isEntry())
            continue;
        ++entries;
        QTreeWidgetItem *item = byEntryNr.value(entry.entryNr);
        if (!item) {
            missing = true;
            emit logMessage(1, QStringLiteral("Not found %1 %2 %3 %4")
                                   .arg(QString::number(klasseNr), afd, entry.startNr, entry.entryNr));
            continue;
        }
        if (item->text(VentelistePage::StartNr) != entry.startNr)
            changed.append({item, entry.startNr});
    }

    if (missing || entries != listView1->topLevelItemCount()) {
        refreshClass();
        return;
    }
    for (const auto &change : std::as_const(changed))
        change.first->setText(VentelistePage::StartNr, change.second);
    listView1->sortItems(listView1->sortColumn(), listView1->header()->sortIndicatorOrder());
    m_announcePending = m_announcePending || !changed.isEmpty();
    publish();
}

QDateTime staevneKlasseInfoVenteliste::currentTime() const
{
    return QDateTime::currentDateTime();
}

void staevneKlasseInfoVenteliste::printHtml()
{
    writePage();
}

void staevneKlasseInfoVenteliste::publishAndAnnounce()
{
    m_announcePending = true;
    publish();
}

void staevneKlasseInfoVenteliste::publish()
{
    // Only what reached the files is announced (the upload sends them): a
    // change whose page could not be written is announced with the first
    // write that succeeds.
    if (!writePage() || !m_announcePending)
        return;
    m_announcePending = false;
    emit resultChangeClass(bane, afd, klasseNr, false);
}

bool staevneKlasseInfoVenteliste::writePage()
{
    const QVector<QStringList> rows = listTexts();
    const auto settings = VentelistePage::Settings::read(
        [this](const QString &key, const QString &def) { return setting(key, def); });
    const QByteArray page = VentelistePage::html(klasseInfo->text(), currentTime(), settings, rows);

    const QString path = outputPath(QStringLiteral("klasse%1_%2.html").arg(QString::number(klasseNr), afd));
    // The page and the JSON document of one state go out together or not at
    // all: a page that could not be written leaves both files of the last
    // good write. A failure is told once until the files are written again.
    QString error;
    if (!writeWholeFiles({{path, page}, {jsonFilePath(), jsonDocument().toJson()}}, &error)) {
        reportTrouble(Trouble::Write, QStringLiteral("Kunne ikke skrive %1").arg(error));
        return false;
    }
    troubleOver(Trouble::Write);
    return true;
}

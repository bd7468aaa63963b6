#include "views/military/staevneKlasseInfoMilitary.h"

#include "database/DbValue.h"
#include "files/WholeFile.h"
#include "views/KlasseJsonDocument.h"
#include "views/military/MilitaryListItem.h"
#include "views/military/MilitaryLoad.h"
#include "views/military/MilitaryPages.h"

#include <algorithm>

#include <QFrame>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>
#include <QTreeWidget>

namespace C = MilitaryPlacing;

namespace {

const char ConnectionName[] = "ZEP";

QString connectionName()
{
    return QLatin1String(ConnectionName);
}

// The class header: class, method, class type, section, one judge, the
// section's day and times, the ideal time of the cross-country phase.
const char HeaderSql[] =
    "SELECT K.KlasseId, K.KlasseNr, K.MaxAntalStarter, K.Klasse, OFS.Fornavn, OFS.EfterNavn, "
    "AF.afdelingInitialer, AF.sponsor, AF.aerespraemie, AF.antalPlaceringer, "
    "M.Metode, M.antalHovedRunder, M.antalOmspringninger, K.TempoId, "
    "dbo.DanskeUgedage(DATENAME(weekday, AF.dato) ), "
    "CAST(CONVERT( varchar,AF.Starttid, 14) AS varchar(5)), CAST(CONVERT(varchar,AF.Sluttid,14 ) AS varchar(5)), "
    "KT.MaxPoint, K.EtapeDIdealTid, K.SidsteDiciplin, K.klasseTypeId, K.diciplinId, K.niveauID, "
    "dbo.doteringListe(K.KlasseId), AF.BevarStartTid, K.Bemaerkning, KT.klasse "
    "from dbo.tblKlasse as K "
    "LEFT JOIN dbo.tblMetode as M ON K.MetodeID = M.MetodeId "
    "LEFT JOIN dbo.tblKlasseType as KT ON K.KlasseTypeID = KT.klasseTypeId "
    "LEFT JOIN dbo.tblAfdeling as AF ON K.KlasseID = AF.klasseId "
    "LEFT JOIN dbo.tblAfdelingDommer as AD ON AF.afdelingId = AD.afdelingId "
    "LEFT JOIN dbo.tblOfficials as OFS ON AD.OfficialId = OFS.OfficialId "
    "WHERE K.staevneId = :staevneId AND K.klasseNr = :klasseNr AND AF.afdelingInitialer = :afdeling";

// Every start of the section with its phase results and its horse's
// registry row; ordered by status word, then start number from high to low.
const char ResultsSql[] =
    "SELECT vMR.StartNr, vMR.anmeldelseNr, vMR.Fornavn, vMR.Efternavn, vMR.Navn, vMR.klubInitialer, "
    "vMR.dressur, vMR.etapeDFejl, MRU.EtapeDTid, vMR.springning, vMR.dressurspring, vMR.dressurudholdenhed, "
    "vMR.total, vMR.diskDressur, vMR.diskUdh, vMR.diskSpring, vMR.diskvalifikation, vMR.springningtid, "
    "CAST(CONVERT( varchar, dbo.StarttidEkvipageDressur(vMR.afdelingID, vMR.StartId), 14 ) AS varchar(5) ), "
    "vMR.LicensNr, vMR.HesteId, TC.ConfigId, H.AfstamningF, H.AfstamningM, H.AfstamningMF, "
    "YEAR(H.foedeaar), H.opdraetter, H.koen, vMR.StartId "
    "FROM dbo.vMilitaryResultat as vMR "
    "LEFT JOIN tblMilitaryResultatUdh AS MRU ON vMR.startId=MRU.startId "
    "LEFT JOIN dbo.tblHest as H ON (vMR.HesteId = H.HestBaseId  AND H.OprettetLokalt = 0 ) "
    "LEFT JOIN dbo.tblConfig as TC ON vMR.LicensNr = TC.RytterId AND H.HestId = TC.HestId "
    "WHERE vMR.staevneId = :staevneId AND vMR.klasseNr = :klasseNr AND vMR.afdelingInitialer = :afdeling "
    "ORDER BY  diskvalifikation ASC, startNr DESC";

// The tick's results: what changes while the section is ridden.
const char RefreshSql[] =
    "SELECT vMR.StartNr, vMR.anmeldelseNr, vMR.dressur, vMR.etapeDFejl, MRU.etapeDTid, vMR.springning, "
    "vMR.dressurspring, vMR.dressurudholdenhed, vMR.total, vMR.diskDressur, vMR.diskUdh, vMR.diskSpring, "
    "vMR.diskvalifikation, vMR.springningtid, "
    "CAST(CONVERT( varchar, dbo.StarttidEkvipageDressur(vMR.afdelingID, vMR.StartId), 14 ) AS varchar(5) ), "
    "vMR.StartId "
    "FROM dbo.vMilitaryResultat as vMR "
    "LEFT JOIN tblMilitaryResultatUdh AS MRU ON vMR.startId=MRU.startId "
    "WHERE staevneId = :staevneId AND klasseNr = :klasseNr AND afdelingInitialer = :afdeling "
    "ORDER BY  diskvalifikation ASC, startNr DESC";

const char BevarStartTidSql[] = "SELECT BevarStartTid FROM dbo.tblAfdeling WHERE afdelingId = %1";

const char RiderRemarkSql[] = "SELECT bemaerkning FROM dbo.tblStart WHERE (StartID = '%1' )";

const char LocalPedigreeSql[] =
    "select ISNULL(CAST(YEAR(foedeaar) AS VARCHAR(4)),'') +'/'+ ISNULL(AfstamningF,'') "
    "+'/'+ ISNULL(AfstamningM,'') +'/'+ ISNULL(AfstamningMF,'') "
    "from tblHest where HestBaseId = '%1' AND OPRETTETLOKALT=1";

} // namespace

staevneKlasseInfoMilitary::staevneKlasseInfoMilitary(appConfig *cfg, QWidget *parent, const QString &name,
                                                     Qt::WindowFlags fl)
    : staevneKlasseInfo(cfg, parent, name, fl)
{
    champTableFrame->hide();

    // The rows are put in competition order by calculatePlace(), whose
    // rules are no order the toolkit's sort may be handed; a click on a
    // column title sorts the screen through the rows' comparison instead.
    listView1->setSortingEnabled(false);
    listView1->setHeaderLabels(C::titles());
    listView1->header()->setSectionsClickable(true);
    listView1->header()->setSortIndicatorShown(true);
    listView1->header()->setSortIndicator(C::Dressur, Qt::AscendingOrder);
    listView1->setAllColumnsShowFocus(true);

    staevneId = -1;
    klasseNr = -1;
    maxPnt = 1;
    lastChangeId = -1;
    metode = QStringLiteral("?");
    udholdenhed = true;

    startUpdateTimer(20000);

    connect(listView1, &QTreeWidget::itemDoubleClicked, this, &staevneKlasseInfo::slotHeighLight);
    // The header has set its sort indicator to the clicked column by then.
    connect(listView1->header(), &QHeaderView::sectionClicked, this, &staevneKlasseInfoMilitary::sortOnScreen);
}

int staevneKlasseInfoMilitary::lastChangeColumn() const
{
    return C::StartId;
}

int staevneKlasseInfoMilitary::calcAntalPlaceringer(int starters)
{
    return C::placingsRule(starters);
}

QString staevneKlasseInfoMilitary::getDBField(const QString &sql, bool *ok)
{
    return oneValue(sql, ok, true);
}

bool staevneKlasseInfoMilitary::readHeader(QSqlQuery &query, QVariantList *values)
{
    query.prepare(QString::fromUtf8(HeaderSql));
    query.bindValue(QStringLiteral(":staevneId"), staevneId);
    query.bindValue(QStringLiteral(":klasseNr"), klasseNr);
    query.bindValue(QStringLiteral(":afdeling"), afd);
    const bool ran = query.exec() && query.isActive();
    if (ran && query.next())
        *values = DbValue::rowValues(query);
    if (!ran || query.lastError().isValid()) {
        emit logMessage(-1, QStringLiteral("ShowClass header SQL Error %1 Type: %2")
                                .arg(query.lastError().text(), DbValue::errorType(query.lastError())));
        return false;
    }
    // Without a row every field reads empty, 0 or false.
    query.finish();
    return true;
}

void staevneKlasseInfoMilitary::showKlasse(int staevneId_, int klasseNr_, QString afdeling_, int bane_,
                                           int afdelingId_)
{
    C::Rows rows;
    if (loadKlasse(staevneId_, klasseNr_, afdeling_, bane_, afdelingId_, &rows))
        publish(rows);
}

bool staevneKlasseInfoMilitary::loadKlasse(int staevneId_, int klasseNr_, const QString &afdeling_, int bane_,
                                           int afdelingId_, C::Rows *placed)
{
    staevneId = staevneId_;
    klasseNr = klasseNr_;
    afd = afdeling_;
    bane = bane_;
    afdelingId = afdelingId_;

    QSqlDatabase db;
    if (!openConnection(&db))
        return false;

    // Both queries are read before anything of the view changes: a load
    // that fails keeps the section as it was shown.
    QSqlQuery query(db);
    QVariantList headerValues;
    if (!readHeader(query, &headerValues))
        return false;
    QVector<QVariantList> records;
    if (!readSectionRows(query, QString::fromUtf8(ResultsSql), QStringLiteral("ShowClass"), &records)) {
        QTextStream(stdout) << "showKlasse: Error in query " << query.lastError().text() << Qt::endl;
        return false;
    }
    query.finish();

    const MilitaryLoad::Header header = MilitaryLoad::Header::fromValues(headerValues);
    const bool riderRemarks = setting(QStringLiteral("show.riderRemarks"), QStringLiteral("0")).toInt() != 0;
    const auto remark = [this](const QString &startId) {
        return getDBField(QString::fromLatin1(RiderRemarkSql).arg(DbValue::sqlLiteral(startId)));
    };
    const auto pedigree = [this](const QString &horseId) {
        return getDBField(QString::fromLatin1(LocalPedigreeSql).arg(DbValue::sqlLiteral(horseId)));
    };

    QVector<MilitaryListItem *> items;
    C::Rows rows;
    QSet<QString> startIds;
    int starters = 0;
    for (const QVariantList &values : qAsConst(records)) {
        // A second registry or equipage row of one horse doubles the start
        // in the joins; the first row stands.
        const QString startId = DbValue::numberText(values.value(28));
        if (startIds.contains(startId))
            continue;
        startIds.insert(startId);
        const QStringList cells =
            MilitaryLoad::starterCells(values, header.klasseTypeId, riderRemarks, remark, pedigree);
        auto *item = new MilitaryListItem(header.udholdenhed);
        for (int c = 0; c < cells.size(); ++c)
            item->setText(c, cells.at(c));
        items << item;
        rows << cells;
        if (!C::isNonStarter(cells.at(C::Diskvalifikation)))
            ++starters;
    }

    lastChangeId = -1;
    klasseId = header.klasseId;
    klasseInfo->setText(header.title);
    dommer->setText(QStringLiteral("Dommer %1 %2").arg(header.judgeFirst, header.judgeLast));
    m_judges = dommer->text().section(QLatin1Char(' '), 1);
    klassesponsor = header.klassesponsor;
    aerespraemie = header.aerespraemie;
    sponsor->setText(QStringLiteral("Ærespræmie %1").arg(header.aerespraemie));
    afdAntalPlaceringer = header.antalPlaceringer;
    metode = header.metode;
    skjulPlacering = C::hidesPlaces(metode);
    startSlutTid = header.startSlutTid;
    maxPnt = 0;
    maxPoint->setText(QStringLiteral("IdealTid %1").arg(header.idealTid));
    udholdenhed = header.udholdenhed;
    klasseTypeId = header.klasseTypeId;
    m_diciplinId = header.diciplinId;
    niveau = header.niveau;
    doteringer = header.doteringer;
    bevarStartTid = header.bevarStartTid;
    remarks = header.remarks;
    svh = header.svh;

    listView1->clear();
    m_order = items;
    listView1->addTopLevelItems(QList<QTreeWidgetItem *>(items.cbegin(), items.cend()));
    applyPlacings(starters);
    placeRows(rows);
    *placed = rows;
    troubleOver(Trouble::Database);
    return true;
}

void staevneKlasseInfoMilitary::applyPlacings(int starters)
{
    const C::Placings p = C::placings(afdAntalPlaceringer, metode, starters);
    antalPlaceringer = p.number;
    antalPlac->setText(p.label);
}

void staevneKlasseInfoMilitary::refreshClass()
{
    reload();
}

bool staevneKlasseInfoMilitary::reload(bool *written)
{
    const int keptChangeId = lastChangeId;
    C::Rows rows;
    if (!loadKlasse(staevneId, klasseNr, afd, bane, afdelingId, &rows)) {
        reportTrouble(Trouble::Database, QStringLiteral("Refresh class %1 %2 %3: the database could not be read, "
                                                        "the pages of the last read stay")
                                             .arg(QString::number(bane), afd, QString::number(klasseNr)));
        return false;
    }
    lastChangeId = keptChangeId;
    const bool published = publish(rows);
    if (written)
        *written = published;
    if (published)
        emit resultChangeClass(bane, afd, klasseNr, false);
    return true;
}

C::Rows staevneKlasseInfoMilitary::snapshot() const
{
    C::Rows rows;
    rows.reserve(m_order.size());
    for (const MilitaryListItem *item : m_order)
        rows << item->cells();
    return rows;
}

void staevneKlasseInfoMilitary::arrange(const QVector<MilitaryListItem *> &items)
{
    bool shown = listView1->topLevelItemCount() == items.size();
    for (int r = 0; shown && r < items.size(); ++r)
        shown = listView1->topLevelItem(r) == items.at(r);
    if (shown)
        return;
    listView1->invisibleRootItem()->takeChildren();
    listView1->addTopLevelItems(QList<QTreeWidgetItem *>(items.cbegin(), items.cend()));
}

void staevneKlasseInfoMilitary::sortOnScreen()
{
    const QHeaderView *header = listView1->header();
    const int column = header->sortIndicatorSection();
    const bool ascending = header->sortIndicatorOrder() == Qt::AscendingOrder;
    QVector<MilitaryListItem *> items = m_order;
    if (column == C::Dressur) {
        // The competition order itself, which the rows' comparison made.
        if (!ascending)
            std::reverse(items.begin(), items.end());
    } else {
        // From the competition order, so that equal texts keep it.
        std::stable_sort(items.begin(), items.end(), [column, ascending](const MilitaryListItem *a,
                                                                         const MilitaryListItem *b) {
            return ascending ? a->compare(*b, column, true) < 0 : b->compare(*a, column, false) < 0;
        });
    }
    arrange(items);
}

void staevneKlasseInfoMilitary::placeRows(C::Rows &rows)
{
    listView1->header()->setSortIndicator(C::Dressur, Qt::AscendingOrder);
    const QVector<int> order = C::order(rows, udholdenhed);
    C::Rows sorted;
    sorted.reserve(rows.size());
    QVector<MilitaryListItem *> items;
    items.reserve(rows.size());
    for (int i : order) {
        sorted << rows.at(i);
        items << m_order.at(i);
    }
    rows.swap(sorted);
    m_order.swap(items);
    arrange(m_order);

    const C::Counts counts = C::place(rows);
    for (int r = 0; r < rows.size(); ++r) {
        MilitaryListItem *item = m_order.at(r);
        if (item->text(C::Placering) != rows.at(r).at(C::Placering))
            item->setText(C::Placering, rows.at(r).at(C::Placering));
    }
    m_antalStarter = counts.antalStarter;
    m_resterendeStarter = counts.resterendeStarter;
}

void staevneKlasseInfoMilitary::calculatePlace()
{
    C::Rows rows = snapshot();
    placeRows(rows);
}

void staevneKlasseInfoMilitary::updateKlasse()
{
    const Published before = m_published;
    bool changeMark = false;

    // The connection is looked at before the first statement, so that a
    // lost database is told here once for the whole outage.
    if (!QSqlDatabase::contains(connectionName())) {
        emit connectDB(connectionName());
        reportTrouble(Trouble::Database, QStringLiteral("An DATABASE error occured."));
        emit connectDB(connectionName());
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

    // An answer that could not be read leaves the flag as it was.
    bool flagRead = false;
    const QString flag = getDBField(QString::fromLatin1(BevarStartTidSql).arg(afdelingId), &flagRead);
    if (flagRead) {
        const int value = flag.toInt();
        if (value != bevarStartTid)
            changeMark = true;
        bevarStartTid = value;
    }

    QVector<QVariantList> results;
    {
        QSqlQuery query(db);
        if (!readSectionRows(query, QString::fromUtf8(RefreshSql), QStringLiteral("UpdateClass"), &results)) {
            reportTrouble(Trouble::Database, QStringLiteral("SQL Error %1 Type: %2")
                                                 .arg(query.lastError().text(),
                                                      DbValue::errorType(query.lastError())));
            emit connectDB(connectionName());
            return;
        }
    }

    const int lastChangeBefore = lastChangeId;
    // The one copy of the rows' texts this tick: the results go into it,
    // it is placed, and the pages and the document are written from it.
    C::Rows rows = snapshot();
    QHash<QString, int> byStartId;
    byStartId.reserve(rows.size());
    for (int r = 0; r < rows.size(); ++r)
        byStartId.insert(rows.at(r).value(C::StartId), r);

    // The changes are written into the list only when the section needs no
    // reload, so that a reload which fails finds the rows of the last good
    // read.
    QVector<int> changedRows;
    QSet<QString> seen;
    int resultRows = 0;
    int starters = 0;
    bool missing = false;
    for (const QVariantList &values : qAsConst(results)) {
        const QString startId = DbValue::numberText(values.value(MilitaryLoad::UStartId));
        if (seen.contains(startId))
            continue;
        seen.insert(startId);
        ++resultRows;
        const int r = byStartId.value(startId, -1);
        if (r < 0) {
            missing = true;
            emit logMessage(1, QStringLiteral("Not found %1 %2 %3 %4")
                                   .arg(QString::number(klasseNr), afd,
                                        DbValue::text(values.value(MilitaryLoad::UStartNr)), startId));
            continue;
        }
        if (!C::isNonStarter(DbValue::text(values.value(MilitaryLoad::UStatus))))
            ++starters;
        QStringList &cells = rows[r];
        const QStringList old = cells;
        const MilitaryLoad::Outcome outcome = MilitaryLoad::apply(cells, values);
        if (outcome.startNrChanged)
            changeMark = true;
        if (outcome.resultChanged)
            lastChangeId = C::cellInt(cells.at(C::StartId));
        if (cells != old)
            changedRows << r;
    }

    bool reloaded = false;
    bool written = true;
    if (rows.size() != resultRows || missing) {
        if (!reload(&written)) {
            lastChangeId = lastChangeBefore;
            return;
        }
        reloaded = true;
    } else {
        troubleOver(Trouble::Database);
        for (int r : qAsConst(changedRows)) {
            MilitaryListItem *item = m_order.at(r);
            const QStringList &cells = rows.at(r);
            for (int c = 0; c < C::Count; ++c) {
                if (item->text(c) != cells.at(c))
                    item->setText(c, cells.at(c));
            }
        }
        placeRows(rows);
        applyPlacings(starters);
        written = publish(rows);
    }

    // Only what reached the files is announced: the arena moves to the
    // class's page and the upload sends it. A new last change stays due
    // until its pages have been written; any other unwritten state differs
    // from what was published when it is written at last. Any other change
    // of the pages (the same starter again, a corrected status, a flag) is
    // not the arena's cue to change class, but is uploaded.
    announceWritten(lastChangeId != lastChangeBefore, written,
                    !reloaded && (changeMark || !(m_published == before)));
}

QDateTime staevneKlasseInfoMilitary::currentTime() const
{
    return QDateTime::currentDateTime();
}

MilitaryPages::ClassInfo staevneKlasseInfoMilitary::pageClass() const
{
    MilitaryPages::ClassInfo info;
    info.bane = bane;
    info.lastChangeId = lastChangeId;
    info.antalStarter = m_antalStarter;
    info.resterendeStarter = m_resterendeStarter;
    info.antalPlaceringer = antalPlaceringer;
    info.bevarStartTid = bevarStartTid;
    info.udholdenhed = udholdenhed;
    info.skjulPlacering = skjulPlacering;
    info.title = klasseInfo->text();
    info.idealTid = maxPoint->text();
    info.sponsor = sponsor->text();
    info.placings = antalPlac->text();
    info.now = currentTime();
    return info;
}

staevneKlasseInfoMilitary::Published staevneKlasseInfoMilitary::published(const C::Rows &rows) const
{
    Published p;
    p.rows = rows;
    p.values = {lastChangeId, bevarStartTid, m_antalStarter, m_resterendeStarter, antalPlaceringer,
                skjulPlacering ? 1 : 0};
    return p;
}

bool staevneKlasseInfoMilitary::publish(const C::Rows &rows)
{
    const bool result = writeResultPage(rows);
    const bool overview = writeOverviewPage(rows);
    if (!result || !overview)
        return false;
    troubleOver(Trouble::Write);
    // Only a state that reached every file counts as published: one that
    // could not be written is announced once it is.
    m_published = published(rows);
    return true;
}

bool staevneKlasseInfoMilitary::writeResultPage(const C::Rows &rows)
{
    const auto settings = MilitaryPages::Settings::read(
        [this](const QString &key, const QString &def) { return setting(key, def); });
    // The result page and the document of one state go out together or not
    // at all.
    QString error;
    if (!writeWholeFiles({{outputPath(QStringLiteral("klasse%1_%2.html").arg(QString::number(klasseNr), afd)),
                           MilitaryPages::resultPage(pageClass(), settings, rows)},
                          {jsonFilePath(), jsonDocument(rows).toJson()}},
                         &error)) {
        reportTrouble(Trouble::Write, QStringLiteral("Kunne ikke skrive %1").arg(error));
        return false;
    }
    return true;
}

bool staevneKlasseInfoMilitary::writeOverviewPage(const C::Rows &rows)
{
    const auto settings = MilitaryPages::Settings::read(
        [this](const QString &key, const QString &def) { return setting(key, def); });
    const QString path =
        outputPath(QStringLiteral("oversigt%1_%2.html").arg(QString::number(klasseNr), afd));
    QString error;
    if (!writeWholeFile(path, MilitaryPages::overviewPage(pageClass(), settings, rows), &error)) {
        reportTrouble(Trouble::Write, QStringLiteral("Kunne ikke skrive %1: %2").arg(path, error));
        return false;
    }
    return true;
}

void staevneKlasseInfoMilitary::printHtml()
{
    // The result page alone is not the published state: the overview page
    // may still show an older one, and the tick that writes it announces it.
    writeResultPage(snapshot());
}

void staevneKlasseInfoMilitary::publishAndAnnounce()
{
    if (publish(snapshot()))
        emit resultChangeClass(bane, afd, klasseNr, false);
}

void staevneKlasseInfoMilitary::printShortHtml()
{
    writeOverviewPage(snapshot());
}

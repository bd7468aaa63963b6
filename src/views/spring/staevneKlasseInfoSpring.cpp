#include "views/spring/staevneKlasseInfoSpring.h"

#include "database/DbValue.h"
#include "files/WholeFile.h"
#include "views/KlasseJsonDocument.h"
#include "views/spring/SpringListItem.h"
#include "views/spring/SpringPages.h"

#include <QDateTime>
#include <QFrame>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTreeWidget>

namespace {

// Faults and times as the database stores them, without trailing zeros;
// empty while the starter has none.
QString numberCell(const QVariant &value)
{
    if (value.isNull() || DbValue::text(value).isEmpty())
        return QString();
    return QString::number(DbValue::toDouble(value), 'g', 10);
}

} // namespace

QStringList staevneKlasseInfoSpring::columnTitles()
{
    return {QStringLiteral("Start Nr"), QStringLiteral("Stævne Nr"), QStringLiteral("Rytter"),
            QStringLiteral("Hest"),     QStringLiteral("Klub"),      QStringLiteral("Fejl"),
            QStringLiteral("Tid"),      QStringLiteral("Placering"), QStringLiteral("Status"),
            QStringLiteral("Start Id"), QStringLiteral("Starttid")};
}

QStringList staevneKlasseInfoSpring::starterCells(const QVariantList &v)
{
    QStringList cells;
    cells.reserve(ColumnCount);
    cells << DbValue::text(v.value(0));                                                  // Start Nr
    cells << DbValue::text(v.value(1));                                                  // Stævne Nr
    cells << (DbValue::text(v.value(2)) + QLatin1Char(' ') + DbValue::text(v.value(3))).simplified();
    cells << DbValue::text(v.value(4));                                                  // Hest
    cells << DbValue::text(v.value(5));                                                  // Klub
    cells << numberCell(v.value(6));                                                     // Fejl
    cells << numberCell(v.value(7));                                                     // Tid
    const int placering = DbValue::toInt(v.value(8));
    cells << (placering > 0 ? QString::number(placering) : QString());                   // Placering
    cells << DbValue::text(v.value(9));                                                  // Status
    cells << DbValue::text(v.value(10));                                                 // Start Id
    cells << DbValue::text(v.value(11));                                                 // Starttid
    return cells;
}

staevneKlasseInfoSpring::staevneKlasseInfoSpring(appConfig *cfg, QWidget *parent, const QString &name,
                                                 Qt::WindowFlags fl)
    : staevneKlasseInfo(cfg, parent, name, fl)
{
    champTableFrame->hide();

    listView1->setHeaderLabels(columnTitles());
    listView1->header()->setSortIndicatorShown(true);
    listView1->setAllColumnsShowFocus(true);
    listView1->sortByColumn(StartNr, Qt::AscendingOrder);

    startUpdateTimer(20000);

    connect(listView1, &QTreeWidget::itemDoubleClicked, this, &staevneKlasseInfo::slotHeighLight);
}

int staevneKlasseInfoSpring::calcAntalPlaceringer(int starters)
{
    if (metode == QLatin1String("B0"))
        return 1;
    if (starters < 2)
        return 0;
    return (starters + 3) / 4;
}

// The class and its section: name, sponsor, placings, judges, day and times,
// the judging method, prize money and the section's course designer.
// %1 is the section's id.
static const char HeaderSql[] =
    "SELECT K.KlasseId, K.KlasseNr, K.Klasse, AF.sponsor, AF.aerespraemie, AF.antalPlaceringer, "
    "dbo.DommerListe( %1 , 2), dbo.DanskeUgedage(DATENAME(weekday, AF.dato) ), "
    "CAST(CONVERT( varchar,AF.starttidS, 14) AS varchar(5)), CAST(CONVERT(varchar,AF.sluttidS,14 ) AS varchar(5)), "
    "AF.BevarStartTid, K.klasseTypeId, K.diciplinId, K.niveauId, M.Metode, dbo.doteringListe(K.KlasseId), "
    "K.Bemaerkning, KT.klasse, OFi.Fornavn + ' ' + OFi.EfterNavn "
    "FROM dbo.tblKlasse AS K "
    "LEFT JOIN dbo.tblKlasseType AS KT ON K.KlasseTypeID = KT.klasseTypeId "
    "LEFT JOIN dbo.tblAfdeling AS AF ON K.KlasseID = AF.klasseId "
    "LEFT JOIN dbo.tblMetode AS M ON K.MetodeId = M.MetodeId "
    "LEFT JOIN dbo.tblAfdelingBanebygger AS AB ON AB.AfdelingId = AF.AfdelingId "
    "LEFT JOIN dbo.tblOfficials AS OFi ON AB.OfficialId = OFi.OfficialId "
    "WHERE K.staevneId = :staevneId AND K.klasseNr = :klasseNr AND AF.afdelingInitialer = :afdeling";

bool staevneKlasseInfoSpring::readHeader(QSqlQuery &query, QVariantList *values)
{
    query.prepare(QString::fromUtf8(HeaderSql).arg(afdelingId));
    query.bindValue(QStringLiteral(":staevneId"), staevneId);
    query.bindValue(QStringLiteral(":klasseNr"), klasseNr);
    query.bindValue(QStringLiteral(":afdeling"), afd);
    // A failure within a reported database outage adds no lines.
    const bool logFailure = !inTrouble(Trouble::Database);
    if (!query.exec() || !query.isActive()) {
        if (logFailure)
            emit logMessage(-1, QStringLiteral("ShowClass SQL Error %1 Type: %2\n#####\n%3")
                                    .arg(query.lastError().text(), DbValue::errorType(query.lastError()),
                                         query.lastQuery()));
        return false;
    }
    // A section without a row shows empty texts.
    *values = query.next() ? DbValue::rowValues(query) : QVariantList();
    if (values->isEmpty() && query.lastError().isValid()) {
        if (logFailure)
            emit logMessage(-1, QStringLiteral("ShowClass SQL Error %1 Type: %2")
                                    .arg(query.lastError().text(), DbValue::errorType(query.lastError())));
        return false;
    }
    return true;
}

// The section's start list in start order, with each starter's result.
static const char StartersSql[] =
    "SELECT SR.StartNr, SR.anmeldelseNr, SR.Fornavn, SR.Efternavn, SR.Navn, SR.KlubInitialer, "
    "SR.FejlHS1, SR.TidHS1, SR.placering, SR.diskvalifikation, SR.StartId, "
    "CAST(CONVERT( varchar, SR.Starttid, 14) AS varchar(5)) "
    "FROM dbo.vSpringResultat AS SR "
    "WHERE SR.staevneId = :staevneId AND SR.klasseNr = :klasseNr AND SR.afdelingInitialer = :afdeling "
    "ORDER BY SR.StartNr ASC";

bool staevneKlasseInfoSpring::readStarters(QSqlQuery &query, QVector<QStringList> *rows)
{
    QVector<QVariantList> values;
    if (!readSectionRows(query, QString::fromUtf8(StartersSql), QStringLiteral("ShowClass"), &values))
        return false;
    for (const QVariantList &row : std::as_const(values))
        rows->append(starterCells(row));
    return true;
}

void staevneKlasseInfoSpring::applyHeader(const QVariantList &h)
{
    const auto text = [&h](int i) { return DbValue::text(h.value(i)); };
    klasseId = DbValue::toInt(h.value(0));
    klassesponsor = text(3);
    aerespraemie = text(4);
    afdAntalPlaceringer = DbValue::toInt(h.value(5));
    m_judges = text(6);
    startSlutTid = QStringLiteral("%1&nbsp;%2&nbsp;-&nbsp;%3").arg(text(7), text(8), text(9));
    bevarStartTid = DbValue::toInt(h.value(10)) != 0 ? 1 : 0;
    klasseTypeId = text(11);
    m_diciplinId = DbValue::numberText(h.value(12));
    niveau = text(13);
    metode = text(14);
    doteringer = text(15);
    remarks = text(16);
    svh = text(17);
    banebygger = text(18);

    QString title = QStringLiteral("%1 %2").arg(QString::number(klasseNr), text(2));
    if (!aerespraemie.isEmpty())
        title += QLatin1Char(' ') + aerespraemie;
    klasseInfo->setText(title);
    dommer->setText(QStringLiteral("Dommer %1").arg(m_judges));
    maxPoint->setText(QStringLiteral("Metode %1").arg(metode));
    sponsor->setText(QStringLiteral("Sponsor %1").arg(klassesponsor));
}

void staevneKlasseInfoSpring::fillList(const QVector<QStringList> &rows)
{
    QList<QTreeWidgetItem *> items;
    for (const QStringList &cells : rows) {
        auto *item = new SpringListItem;
        for (int c = 0; c < cells.size(); ++c)
            item->setText(c, cells.at(c));
        items << item;
    }
    listView1->clear();
    listView1->addTopLevelItems(items);
    listView1->sortItems(listView1->sortColumn(), listView1->header()->sortIndicatorOrder());
}

void staevneKlasseInfoSpring::count()
{
    int starters = 0;
    int remaining = 0;
    for (int r = 0; r < listView1->topLevelItemCount(); ++r) {
        const QTreeWidgetItem *item = listView1->topLevelItem(r);
        if (SpringPages::isNotStarter(item->text(Status)))
            continue;
        ++starters;
        if (item->text(Fejl).isEmpty() && item->text(Status).isEmpty())
            ++remaining;
    }
    m_antalStarter = starters;
    m_resterendeStarter = remaining;
    antalPlaceringer = afdAntalPlaceringer > 0 ? afdAntalPlaceringer : calcAntalPlaceringer(starters);
    antalPlac->setText(QStringLiteral("Antal Placeringer %1").arg(antalPlaceringer));
}

void staevneKlasseInfoSpring::showKlasse(int staevneId_, int klasseNr_, QString afdeling_, int bane_,
                                         int afdelingId_)
{
    if (loadKlasse(staevneId_, klasseNr_, afdeling_, bane_, afdelingId_))
        printHtml();
}

bool staevneKlasseInfoSpring::loadKlasse(int staevneId_, int klasseNr_, const QString &afdeling_, int bane_,
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
    // Both queries are read before the view changes, so a load that fails
    // halfway keeps the class as it was shown.
    QSqlQuery query(db);
    query.setForwardOnly(true);
    QVariantList header;
    if (!readHeader(query, &header))
        return false;
    QVector<QStringList> rows;
    if (!readStarters(query, &rows))
        return false;

    lastChangeId = -1;
    applyHeader(header);
    fillList(rows);
    count();
    troubleOver(Trouble::Database);
    return true;
}

QString staevneKlasseInfoSpring::unreadableText() const
{
    return QStringLiteral("Klasse %1 %2: databasen kan ikke læses, siderne fra sidste læsning bliver stående")
        .arg(QString::number(klasseNr), afd);
}

void staevneKlasseInfoSpring::refreshClass()
{
    if (!reload())
        reportTrouble(Trouble::Database, unreadableText());
}

bool staevneKlasseInfoSpring::reload()
{
    const int keptChangeId = lastChangeId;
    if (!loadKlasse(staevneId, klasseNr, afd, bane, afdelingId))
        return false;
    lastChangeId = keptChangeId;
    // Only what reached the files is announced; a reload that could not be
    // written is announced by the tick that writes it.
    announceWritten(false, publish(), true);
    return true;
}

void staevneKlasseInfoSpring::updateKlasse()
{
    // The timer keeps ticking through an outage: it is logged when it
    // starts (a closed connection by openConnection), and its end when a
    // tick reads the class again.
    QSqlDatabase db;
    if (!openConnection(&db))
        return;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    QVector<QStringList> rows;
    if (!readStarters(query, &rows)) {
        reportTrouble(Trouble::Database, unreadableText());
        return;
    }

    QHash<QString, QTreeWidgetItem *> shown;
    for (int r = 0; r < listView1->topLevelItemCount(); ++r) {
        QTreeWidgetItem *item = listView1->topLevelItem(r);
        shown.insert(item->text(StartId), item);
    }
    // A starter added, taken out or given another start number changes the
    // start list: the class is loaded anew.
    bool startListChanged = rows.size() != shown.size();
    for (const QStringList &cells : std::as_const(rows)) {
        const QTreeWidgetItem *item = shown.value(cells.at(StartId));
        if (!item || item->text(StartNr) != cells.at(StartNr)) {
            startListChanged = true;
            break;
        }
    }
    if (startListChanged) {
        // A reload that keeps failing finds the same change on every tick.
        if (!inTrouble(Trouble::Database))
            emit logMessage(1, QStringLiteral("Startlisten er ændret, klasse %1 %2 indlæses igen")
                                   .arg(QString::number(klasseNr), afd));
        if (!reload())
            reportTrouble(Trouble::Database, unreadableText());
        return;
    }
    troubleOver(Trouble::Database);

    bool changed = false;
    bool resultChanged = false;
    for (const QStringList &cells : std::as_const(rows)) {
        QTreeWidgetItem *item = shown.value(cells.at(StartId));
        bool resultOfRow = false;
        for (int c = 0; c < cells.size(); ++c) {
            if (item->text(c) == cells.at(c))
                continue;
            item->setText(c, cells.at(c));
            changed = true;
            if (c == Fejl || c == Tid || c == Placering || c == Status)
                resultOfRow = true;
        }
        if (resultOfRow) {
            resultChanged = true;
            lastChangeId = cells.at(lastChangeColumn()).toInt();
        }
    }
    // A state whose files could not be written is still due (a changed
    // result is always a changed row).
    if (!changed && !m_unwritten)
        return;
    if (changed) {
        listView1->sortItems(listView1->sortColumn(), listView1->header()->sortIndicatorOrder());
        count();
    }
    announceWritten(resultChanged, publish(), true);
}

bool staevneKlasseInfoSpring::publish()
{
    ClassHead::Info head;
    head.bane = bane;
    head.antalStarter = m_antalStarter;
    head.resterendeStarter = m_resterendeStarter;
    head.bevarStartTid = bevarStartTid;
    head.title = klasseInfo->text();
    head.judges = m_judges;
    head.measureCaption = QStringLiteral("Metode  ");
    head.measure = metode;
    head.sponsor = aerespraemie.isEmpty() ? klassesponsor : aerespraemie;
    head.placings = QString::number(antalPlaceringer);
    head.startSlutTid = startSlutTid;
    head.now = QDateTime::currentDateTime();
    const auto lookup = [this](const QString &key, const QString &def) { return setting(key, def); };

    QVector<QStringList> rows;
    for (int r = 0; r < listView1->topLevelItemCount(); ++r) {
        const QTreeWidgetItem *item = listView1->topLevelItem(r);
        QStringList cells;
        for (int c = 0; c < ColumnCount; ++c)
            cells << item->text(c);
        rows << cells;
    }
    const QByteArray page = SpringPages::resultPage(head, ClassHead::Settings::read(lookup),
                                                    SpringPages::Look::read(lookup), rows, lastChangeId,
                                                    antalPlaceringer);
    const QString path = setting(QStringLiteral("http.root"), QStringLiteral("html/")) + QLatin1Char('/')
                         + QStringLiteral("klasse%1_%2.html").arg(QString::number(klasseNr), afd);
    // The page and the document show the same state, or both stay as they were.
    QString error;
    m_unwritten = !writeWholeFiles({{path, page}, {jsonFilePath(), jsonDocument().toJson()}}, &error);
    // Every tick tries again while the files cannot be written; that is
    // one line when it starts and one when it ends.
    if (m_unwritten)
        reportTrouble(Trouble::Write, QStringLiteral("Kunne ikke skrive %1").arg(error));
    else
        troubleOver(Trouble::Write);
    return !m_unwritten;
}

void staevneKlasseInfoSpring::printHtml()
{
    publish();
}

void staevneKlasseInfoSpring::publishAndAnnounce()
{
    announceWritten(false, publish(), true);
}

#include "views/champ/staevneKlasseInfoChampSpring.h"

#include "database/DbValue.h"
#include "views/champ/ChampRules.h"
#include "views/champ/ChampScoreTable.h"
#include "views/champ/ChampSpringListItem.h"

#include <QLabel>
#include <QTreeWidget>

namespace {

ChampLayout springLayout()
{
    ChampLayout l;
    l.listTitles = QStringList{
        QStringLiteral("Start Nr"), QStringLiteral("Stævne Nr"),  QStringLiteral("Hest"),
        QStringLiteral("Rytter"),   QStringLiteral("Klub"),       QStringLiteral("Afmeldt"),
        QStringLiteral("LicensNr"), QStringLiteral("HesteId"),    QStringLiteral("Afstamning"),
        QStringLiteral("EquipageId"), QStringLiteral("HestBaseId"), QStringLiteral("HS Stil"),
        QStringLiteral("HS Fejl"),  QStringLiteral("HS Tid"),     QStringLiteral("HS Totsl"),
        QStringLiteral("OS Stil"),  QStringLiteral("OS Fejl"),    QStringLiteral("OS Tid"),
        QStringLiteral("OS Total"), QStringLiteral("Placering"),  QStringLiteral("Start Tid")};
    const char *const table[] = {"Start Nr", "Stævne Nr", "Hest", "Rytter", "Klub", "Diskvalifikation",
                                 "Licens Nr", "Heste ID", "Afstamning", "EquipageId", "HestBaseId",
                                 "HS Stil", "HS Fejl", "HS Tid", "HS Total", "OS Stil", "OS Fejl",
                                 "OS TID", "OS Total", "Placering", "Start Tid"};
    for (const char *title : table)
        l.tableTitles << staevneKlasseInfoChampSpring::tr(title);
    l.readOnlyColumns = {0, 1, 2, 3, 4, 9, 10, 14, 18, 19};
    l.hiddenColumns = {4, 5, 6, 7, 8, 9, 15, 16, 17, 18};
    l.totalColumn = staevneKlasseInfoChampSpring::HSTotal;
    l.placeColumn = staevneKlasseInfoChampSpring::Placering;
    l.firstMarkColumn = staevneKlasseInfoChampSpring::HSStil;
    l.markColumns = {staevneKlasseInfoChampSpring::HSStil, staevneKlasseInfoChampSpring::HSFejl};
    l.startTidColumn = staevneKlasseInfoChampSpring::StartTid;
    l.fileColumns = 21;
    l.readFirst = 11;
    l.readLast = 19;
    l.judgesPosition = 3;
    l.encoding = ChampScoreFile::Encoding::Latin1;
    l.pageKind = ChampPages::Kind::Spring;
    l.saveButtonText = QStringLiteral("Gem csv kopi");
    return l;
}

} // namespace

staevneKlasseInfoChampSpring::staevneKlasseInfoChampSpring(appConfig *cfg, QWidget *parent,
                                                           const QString &name, Qt::WindowFlags fl)
    : ChampView(springLayout(), cfg, parent, name, fl)
{
}

QTreeWidgetItem *staevneKlasseInfoChampSpring::createListItem() const
{
    return new ChampSpringListItem;
}

void staevneKlasseInfoChampSpring::applyOwnHeader(const QVariantList &h)
{
    metode = DbValue::text(h.value(10));
    maxPoint->setText(QStringLiteral("Metode %1").arg(metode));
}

bool staevneKlasseInfoChampSpring::startTimeFromSheet() const
{
    return intSetting(QStringLiteral("championat.retStartTid"), QStringLiteral("1")) != 0;
}

// The starters of the section with their horses' national records.
static const char ResultSql[] =
    "SELECT SR.StartNr, SR.anmeldelseNr, SR.Fornavn, SR.Efternavn, SR.Navn, SR.KlubInitialer, SR.kategori, "
    "SR.DiskHS1, CAST(CONVERT( varchar, dbo.StarttidEkvipage(SR.afdelingID, SR.StartId), 14 ) AS varchar(5) ), "
    "SR.LicensNr, SR.HesteId, TC.ConfigId, H.AfstamningF, H.AfstamningM, H.AfstamningMF, YEAR(H.foedeaar), "
    "H.opdraetter, H.koen, H.HestBaseId "
    "FROM dbo.vSpringResultat as SR "
    "LEFT JOIN tblAnmeldelse AA ON SR.AnmeldelseId = AA.AnmeldelseId "
    "LEFT JOIN tblHest H ON (H.hestid = AA.hestid AND H.OprettetLokalt = 0 ) "
    "LEFT JOIN dbo.tblConfig as TC ON SR.LicensNr = TC.RytterId AND H.HestId = TC.HestId "
    "WHERE SR.staevneId = :staevneId AND SR.klasseNr = :klasseNr AND SR.afdelingInitialer = :afdeling "
    "ORDER BY diskvalifikation ASC, startNr DESC";

QString staevneKlasseInfoChampSpring::resultSql() const
{
    return QString::fromLatin1(ResultSql);
}

// The section's starters for the Hippodata export.
static const char ExportSql[] =
    "SELECT StartNr, anmeldelseNr, Fornavn, Efternavn, Navn ,KlubInitialer, LicensNr, HesteId "
    "FROM dbo.vSpringResultat "
    "WHERE staevneId = :staevneId AND klasseNr = :klasseNr AND afdelingInitialer = :afdeling "
    "ORDER BY diskvalifikation ASC, startNr DESC";

QString staevneKlasseInfoChampSpring::exportSql() const
{
    return QString::fromLatin1(ExportSql);
}

QStringList staevneKlasseInfoChampSpring::exportFirstFields(const QString &klasse,
                                                            const HippodataExport::Starter &starter) const
{
    return {klasse, starter.klubId, starter.fornavn, starter.efternavn, QString()};
}

QStringList staevneKlasseInfoChampSpring::listCells(const QVariantList &v, bool *counts)
{
    const auto text = [&v](int i) { return DbValue::text(v.value(i)); };
    QStringList cells;
    for (int c = 0; c < 21; ++c)
        cells << QString();
    cells[0] = DbValue::numberText(v.value(0));
    cells[1] = DbValue::numberText(v.value(1));
    const QString kategori = text(6);
    cells[2] = kategori == QLatin1String("0") ? text(4) : text(4) + QLatin1String(" - ") + kategori;
    cells[3] = text(2) + QLatin1Char(' ') + text(3);
    cells[4] = text(5);
    cells[5] = text(7);
    cells[6] = text(9);
    cells[7] = text(10);
    cells[9] = text(11);
    if (!cells[7].isEmpty()) {
        cells[10] = text(18);
        const QString year = DbValue::numberText(v.value(15));
        if (year == QLatin1String("0"))
            cells[8] = localPedigree(cells[7], true);
        else
            cells[8] = champ::pedigree({year, text(17), text(12), text(13), text(14), text(16)}, true,
                                       klasseTypeId.contains(QLatin1String("SCU")));
    }
    const QString status = cells[5].toUpper();
    *counts = status != QLatin1String("DIS_EJ_MODT") && status != QLatin1String("AFMELDT");
    return cells;
}

void staevneKlasseInfoChampSpring::calcSum(int row, int col)
{
    const QString text = champTable->text(row, col);
    QTreeWidgetItem *item = listRowOf(row);
    // A start time is no result: it changes neither total nor status.
    if (col == StartTid) {
        if (startTimeFromSheet() && item) {
            item->setText(StartTid, text);
            saveAutomatic();
        }
        return;
    }

    if (m_layout.markColumns.contains(col) && champ::markOutOfRange(text))
        beep();
    takeEdit(row, col);
    if (col == HSTid || champ::occursIn(text, QStringLiteral("AOUDE-")))
        announce(true);
    publishEdit();

    switch (col) {
    case HSStil:
        champTable->setCurrentCell(row, HSFejl);
        emit logMessage(1, QStringLiteral("move to FEJL"));
        break;
    case HSFejl:
        champTable->setCurrentCell(row, HSTid);
        emit logMessage(1, QStringLiteral("move to TID"));
        break;
    case HSTid:
        emit logMessage(1, QStringLiteral("move to next ROW "));
        champTable->setCurrentCell(row + 1 < champTable->rowCount() ? row + 1 : row, HSStil);
        break;
    default:
        champTable->setCurrentCell(row, col + 1);
        emit logMessage(1, QStringLiteral("move to next COL "));
        break;
    }
}

void staevneKlasseInfoChampSpring::toggleS5(bool on)
{
    emit logMessage(1, QStringLiteral("Toggle S5 %1").arg(on ? 1 : 0));
}

void staevneKlasseInfoChampSpring::toggleS4(bool on)
{
    emit logMessage(1, QStringLiteral("Toggle S4 %1").arg(on ? 1 : 0));
}


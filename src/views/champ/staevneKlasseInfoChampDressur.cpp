#include "views/champ/staevneKlasseInfoChampDressur.h"

#include "database/DbValue.h"
#include "views/champ/ChampDressurListItem.h"
#include "views/champ/ChampRules.h"
#include "views/champ/ChampScoreTable.h"

#include <QLabel>
#include <QTreeWidget>

namespace {

ChampLayout dressurLayout()
{
    ChampLayout l;
    l.listTitles = QStringList{
        QStringLiteral("Start Nr"),    QStringLiteral("Stævne Nr"),     QStringLiteral("Hest"),
        QStringLiteral("Rytter"),      QStringLiteral("Klub"),          QStringLiteral("Afmeldt"),
        QStringLiteral("LicensNr"),    QStringLiteral("HesteId"),       QStringLiteral("Afstamning"),
        QStringLiteral("Trav"),        QStringLiteral("Skridt"),        QStringLiteral("Galop"),
        QStringLiteral("Ridelighed"),  QStringLiteral("Kapacitet"),     QStringLiteral("Fejl"),
        QStringLiteral("DSPTrav"),     QStringLiteral("DSPSkridt"),     QStringLiteral("DSPGalop"),
        QStringLiteral("DSPRidelighed"), QStringLiteral("DSPKapacitet"), QStringLiteral("DSPTotal"),
        QStringLiteral("DSPProg"),     QStringLiteral("Total"),         QStringLiteral("Placering"),
        QStringLiteral("Start Tid"),   QStringLiteral("EquipageId"),    QStringLiteral("FEIId")};
    const char *const table[] = {"Start Nr", "Stævne Nr", "Hest", "Rytter", "Klub", "Diskvalifikation",
                                 "Licens Nr", "Heste ID", "Afstamning", "Trav", "Skridt", "Galop",
                                 "Ridelighed", "Kapacitet", "Fejl", "Trav 2", "Skridt 2", "Galop 2",
                                 "Ridelighed 2", "Kapacitet 2", "DSP Total", "Program", "Total",
                                 "Placering", "Start Tid", "EquipageId"};
    for (const char *title : table)
        l.tableTitles << staevneKlasseInfoChampDressur::tr(title);
    l.readOnlyColumns = {0, 1, 2, 3, 4, 20, 21, 22, 23, 25};
    l.hiddenColumns = {4, 5, 6, 7, 8, 15, 16, 17, 18, 19, 20, 21, 25};
    l.totalColumn = staevneKlasseInfoChampDressur::Total;
    l.placeColumn = staevneKlasseInfoChampDressur::Placering;
    l.firstMarkColumn = staevneKlasseInfoChampDressur::Trav;
    for (int c = staevneKlasseInfoChampDressur::Trav; c <= staevneKlasseInfoChampDressur::Kapacitet2; ++c)
        if (c != staevneKlasseInfoChampDressur::Fejl)
            l.markColumns << c;
    l.correctionColumn = staevneKlasseInfoChampDressur::Fejl;
    l.minimumMarks = 5;
    l.startTidColumn = staevneKlasseInfoChampDressur::StartTid;
    l.tie1 = staevneKlasseInfoChampDressur::Kapacitet;
    l.tie2 = 12; // "Ridelighed"
    l.fileColumns = 25;
    l.readFirst = 9;
    l.readLast = 23;
    l.judgesPosition = 2;
    l.encoding = ChampScoreFile::Encoding::Utf8;
    l.saveButtonText = QStringLiteral("Gem kopi til ZEP");
    l.buttonSpacer = true;
    return l;
}

} // namespace

staevneKlasseInfoChampDressur::staevneKlasseInfoChampDressur(appConfig *cfg, QWidget *parent,
                                                             const QString &name, Qt::WindowFlags fl)
    : ChampView(dressurLayout(), cfg, parent, name, fl)
{
}

QTreeWidgetItem *staevneKlasseInfoChampDressur::createListItem() const
{
    return new ChampDressurListItem;
}

void staevneKlasseInfoChampDressur::applyOwnHeader(const QVariantList &h)
{
    const QString point = DbValue::text(h.value(17));
    maxPnt = point.toInt();
    maxPoint->setText(QStringLiteral("Point %1").arg(point));
}

bool staevneKlasseInfoChampDressur::isFoalClass() const
{
    return klasseTypeId == QLatin1String("DCU4H") || klasseTypeId == QLatin1String("DCUF4H")
           || klasseTypeId == QLatin1String("DGA4H");
}

void staevneKlasseInfoChampDressur::applyColumnRule()
{
    if (isFoalClass()) {
        if (intSetting(QStringLiteral("vis.dv"), QStringLiteral("0")) == 0)
            champTable->setColumnHidden(Fejl, true);
        else
            champTable->setColumnTitle(Fejl, tr("Føl"));
        return;
    }
    champTable->setColumnTitle(Fejl, tr("Fejl"));
    champTable->setColumnReadOnly(StartTid, true);
}

bool staevneKlasseInfoChampDressur::startTimeFromSheet() const
{
    return intSetting(QStringLiteral("championat.retStartTid"), QStringLiteral("1")) != 0
           && (champTable->isColumnHidden(Fejl) || intSetting(QStringLiteral("vis.dv"), QStringLiteral("0")) != 0);
}

// The starters of the section with their horses' national records.
static const char ResultSql[] =
    "SELECT DR.StartNr, DR.anmeldelseNr, DR.Fornavn, DR.Efternavn, DR.Navn, DR.klubId, DR.diskvalifikation, "
    "CAST(CONVERT( varchar, dbo.StarttidEkvipage(DR.afdelingID, DR.StartId), 14 ) AS varchar(5) ), "
    "DR.RytterId, DR.HesteId, TC.ConfigId, H.AfstamningF, H.AfstamningM, H.AfstamningMF, YEAR(H.foedeaar), "
    "DR.Kategori, H.opdraetter, H.koen, H.feiID "
    " FROM dbo.vDressurResultat as DR "
    " LEFT JOIN tblAnmeldelse AA ON DR.AnmeldelseId = AA.AnmeldelseId "
    " LEFT JOIN tblHest H ON (H.hestid = AA.hestid AND H.OprettetLokalt = 0 ) "
    " LEFT JOIN dbo.tblConfig as TC ON DR.RytterId = TC.RytterId AND H.HestId = TC.HestId  "
    "WHERE DR.staevneId = :staevneId AND DR.klasseNr = :klasseNr AND DR.afdelingInitialer = :afdeling "
    "ORDER BY  total ASC, DR.diskvalifikation ASC, DR.startNr DESC";

QString staevneKlasseInfoChampDressur::resultSql() const
{
    return QString::fromLatin1(ResultSql);
}

// The section's starters for the Hippodata export.
static const char ExportSql[] =
    "SELECT DR.StartNr, DR.anmeldelseNr, DR.Fornavn, DR.Efternavn, DR.Navn ,DR.klubId,DR.RytterId, DR.HesteId "
    " FROM dbo.vDressurResultat as DR "
    "WHERE DR.staevneId = :staevneId AND DR.klasseNr = :klasseNr AND DR.afdelingInitialer = :afdeling "
    "ORDER BY  DR.startNr DESC";

QString staevneKlasseInfoChampDressur::exportSql() const
{
    return QString::fromLatin1(ExportSql);
}

QStringList staevneKlasseInfoChampDressur::exportFirstFields(const QString &klasse,
                                                             const HippodataExport::Starter &starter) const
{
    // The results service reads the nation first in this export.
    return {QStringLiteral("DEN"), starter.fornavn, starter.efternavn, klasse, starter.klubId};
}

QStringList staevneKlasseInfoChampDressur::listCells(const QVariantList &v, bool *counts)
{
    const auto text = [&v](int i) { return DbValue::text(v.value(i)); };
    QStringList cells;
    for (int c = 0; c < 27; ++c)
        cells << QString();
    cells[0] = DbValue::numberText(v.value(0));
    cells[1] = DbValue::numberText(v.value(1));
    const QString kategori = text(15);
    cells[2] = kategori == QLatin1String("0") ? text(4) : text(4) + QLatin1String(" - ") + kategori;
    cells[3] = text(2) + QLatin1Char(' ') + text(3);
    cells[4] = text(5);
    cells[5] = text(6);
    cells[6] = text(8);
    cells[7] = text(9);
    cells[24] = text(7);
    cells[25] = text(10);
    cells[26] = text(18);
    if (!cells[7].isEmpty()) {
        const QString year = DbValue::numberText(v.value(14));
        if (year == QLatin1String("0")) {
            cells[8] = localPedigree(cells[7], false);
            cells[26] = getDBField(QStringLiteral("select feiID from tblHest where HestBaseId = '%1' AND OPRETTETLOKALT=1")
                                       .arg(DbValue::sqlLiteral(cells[7])))
                            .simplified();
        } else {
            cells[8] = champ::pedigree({year, text(17), text(11), text(12), text(13), text(16)}, false, false);
        }
    }
    *counts = true;
    return cells;
}

void staevneKlasseInfoChampDressur::calcSum(int row, int col)
{
    if (col == StartTid) {
        if (startTimeFromSheet()) {
            if (QTreeWidgetItem *item = listRowOf(row))
                item->setText(StartTid, champTable->text(row, StartTid));
            saveAutomatic();
        }
        return;
    }
    if (col < Trav || col > Program)
        return;

    const QString text = champTable->text(row, col);
    if (champ::markOutOfRange(text))
        beep();
    const champ::RowStanding standing = takeEdit(row, col);
    if (standing.result || champ::occursIn(text, QStringLiteral("AOUDE-")))
        announce(true);
    publishEdit();

    const int lastMark = champTable->isColumnHidden(Fejl) ? Kapacitet : Fejl;
    if (col == lastMark && !dsp)
        champTable->setCurrentCell(row + 1 < champTable->rowCount() ? row + 1 : row, Trav);
    else
        champTable->setCurrentCell(row, nextShownColumn(col));
}

// The column the cursor moves on to from `col` in the same row: the next one
// the operator can see, so that with the correction hidden "Kapacitet" leads
// to "Trav 2" rather than to a cell nobody sees. `col` itself when none is.
int staevneKlasseInfoChampDressur::nextShownColumn(int col) const
{
    for (int c = col + 1; c < champTable->columnCount(); ++c)
        if (!champTable->isColumnHidden(c))
            return c;
    return col;
}

void staevneKlasseInfoChampDressur::toggleDV(bool on)
{
    emit logMessage(1, QStringLiteral("Toggle DV %1").arg(on ? 1 : 0));
    dv = on ? 1 : 0;
    printHtml();
}

void staevneKlasseInfoChampDressur::toggleDSP(bool on)
{
    emit logMessage(1, QStringLiteral("Toggle DSP %1").arg(on ? 1 : 0));
    dsp = on ? 1 : 0;
    if (!on) {
        for (int c = Trav2; c <= Program; ++c)
            champTable->setColumnHidden(c, true);
        for (int c = Trav2; c <= Kapacitet2; ++c)
            champTable->setColumnReadOnly(c, true);
        champTable->setColumnReadOnly(Program, true);
        champTable->setColumnReadOnly(Fejl, false);
    } else if (isFoalClass()) {
        champTable->setColumnReadOnly(Fejl, true);
        for (int c = Trav2; c <= Kapacitet2; ++c) {
            champTable->setColumnHidden(c, false);
            champTable->setColumnReadOnly(c, false);
        }
    } else {
        champTable->setColumnHidden(DSPTotal, false);
        champTable->setColumnHidden(Program, false);
        champTable->setColumnReadOnly(Program, false);
        champTable->setColumnReadOnly(Fejl, true);
    }
    champTable->fitColumns();
    printHtml();
}

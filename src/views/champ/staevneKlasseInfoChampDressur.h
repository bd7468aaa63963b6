#pragma once

#include "views/champ/ChampRules.h"
#include "views/champ/ChampView.h"

// The score sheet of a championship dressage class for young horses: five
// marks ("Trav" to "Kapacitet") and a correction ("Fejl", or "Føl" where
// the class type and "vis.dv" call for it) per starter; the total is the
// mean of the marks less (or plus) the correction and places the starter
// once five marks stand. Ties are broken by "Kapacitet", then
// "Ridelighed". Its score file is UTF-8.
class staevneKlasseInfoChampDressur : public ChampView
{
    Q_OBJECT
    Q_DISABLE_COPY(staevneKlasseInfoChampDressur)

public:
    enum Column {
        StartNr = 0, StaevneNr = 1, Afmeldt = 5, Trav = 9, Kapacitet = 13, Fejl = 14, Trav2 = 15,
        Kapacitet2 = 19, DSPTotal = 20, Program = 21, Total = 22, Placering = 23, StartTid = 24
    };

    explicit staevneKlasseInfoChampDressur(appConfig *cfg, QWidget *parent = nullptr,
                                           const QString &name = QString(), Qt::WindowFlags fl = {});

public slots:
    void calcSum(int row, int column) override;
    void toggleDSP(bool on) override;
    void toggleDV(bool on) override;

protected:
    QString resultSql() const override;
    QStringList listCells(const QVariantList &values, bool *counts) override;
    void applyOwnHeader(const QVariantList &values) override;
    void applyColumnRule() override;
    QTreeWidgetItem *createListItem() const override;
    bool startTimeFromSheet() const override;
    QString exportSql() const override;
    QStringList exportFirstFields(const QString &klasse, const HippodataExport::Starter &starter) const override;

private:
    bool isFoalClass() const;
    int nextShownColumn(int col) const;
};

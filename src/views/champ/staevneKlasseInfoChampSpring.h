#pragma once

#include "views/champ/ChampView.h"

// The score sheet of a championship jumping class for young horses: per
// starter a style mark ("HS Stil"), faults ("HS Fejl") and a time ("HS
// Tid"); the total is style less faults and ranks the starters, equal
// totals sharing a place. Its score file is ISO-8859-1.
class staevneKlasseInfoChampSpring : public ChampView
{
    Q_OBJECT
    Q_DISABLE_COPY(staevneKlasseInfoChampSpring)

public:
    enum Column {
        StartNr = 0, StaevneNr = 1, Afmeldt = 5, HestBaseId = 10, HSStil = 11, HSFejl = 12, HSTid = 13,
        HSTotal = 14, Placering = 19, StartTid = 20
    };

    explicit staevneKlasseInfoChampSpring(appConfig *cfg, QWidget *parent = nullptr,
                                          const QString &name = QString(), Qt::WindowFlags fl = {});

public slots:
    void calcSum(int row, int column) override;
    void toggleS5(bool on);
    void toggleS4(bool on);

protected:
    QString resultSql() const override;
    QStringList listCells(const QVariantList &values, bool *counts) override;
    void applyOwnHeader(const QVariantList &values) override;
    QTreeWidgetItem *createListItem() const override;
    bool startTimeFromSheet() const override;
    QString exportSql() const override;
    QStringList exportFirstFields(const QString &klasse, const HippodataExport::Starter &starter) const override;
};

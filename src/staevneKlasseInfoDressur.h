#pragma once

#include "staevneKlasseInfo.h"

#include <QVariantList>
#include <QVector>

class QSqlQuery;

namespace DressurLoad {
struct Header;
}

// The result view of one dressage class section. It loads the class header
// and every entry of the section from the competition database into its list
// (37 columns, see DressurColumns), places the starters individually or by
// team (DressurPlacing) and publishes the class.
//
// A starter is identified by its "Start Id": lastChangeId holds a Start Id,
// a double click marks the row's Start Id, and the pages compare with it.
class staevneKlasseInfoDressur : public staevneKlasseInfo
{
    Q_OBJECT
    Q_DISABLE_COPY(staevneKlasseInfoDressur)

public:
    // Builds the 37 columns, sorts on "Point" descending, hides the score
    // table frame, and starts the update timer ("database.update", default
    // 60000 ms).
    explicit staevneKlasseInfoDressur(appConfig *cfg, QWidget *parent = nullptr,
                                      const QString &name = QString(), Qt::WindowFlags fl = {});

    // 0 below 2 starters, otherwise one placing per four starters rounded up.
    int calcAntalPlaceringer(int starters) override;

public slots:
    // Loads the section from the connection "ZEP" and publishes it. A load
    // that cannot finish (no connection, a failed query) reports why and
    // leaves the list and the class's fields as they were.
    void showKlasse(int staevneId, int klasseNr, QString afdeling, int bane, int afdelingId) override;
    // Writes the class's pages, then its JSON document.
    void printHtml() override;
    // Placing of a class without teams.
    void calculatePlace() override;
    // One pass of the team placing.
    void calculateTeamResult();

protected:
    int lastChangeColumn() const override;

    // The first field of the first row of a statement on "ZEP", as text; a
    // null text when there is none or the statement fails (which is logged).
    QString getDBField(const QString &sql);

    // Places the starters as the class requires: individually, or by team
    // (a pass, a re-sort, and a second pass that numbers the teams).
    void placeStarters();

    // Set when the class type has no maximum points; the pages read it.
    bool noMaxPnt = false;
    // Set while the page shows provisional running scores.
    int tempResult = 0;

private:
    bool readHeader(QSqlQuery &query, DressurLoad::Header *header, bool *found);
    bool readStarters(QSqlQuery &query, bool team, QVector<QVariantList> *records);
    void applyHeader(const DressurLoad::Header &header, bool found);
    void fillList(const QVector<QVariantList> &records, const DressurLoad::Header &header,
                  int *starters);
    QString riderRemark(const QString &startId);
    QString localPedigree(const QString &horseId);
    void placeRows(bool team);
};

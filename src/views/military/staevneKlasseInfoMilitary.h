#pragma once

#include "views/military/MilitaryPlacing.h"
#include "views/staevneKlasseInfo.h"

#include <QDateTime>
#include <QVariantList>
#include <QVector>

class QSqlDatabase;
class QSqlQuery;
class MilitaryListItem;

namespace MilitaryPages {
struct ClassInfo;
}

// The result view of one eventing ("Military") class section: one row per
// starter with its dressage, cross-country and jumping results, totals,
// eliminations, status and provisional place (25 columns, MilitaryPlacing),
// in competition order. It publishes the result page, the overview page
// (MilitaryPages) and the JSON document, and follows the database on its
// timer: changed results update their rows, starters that come or go reload
// the section.
//
// A starter is identified by its "Start Id": lastChangeId holds one, a
// double click marks the row's Start Id, and the pages compare with it.
//
// The published files always come from a complete read of the database: a
// load, reload or tick that cannot read it keeps the rows, labels and files
// of the last good read. Only what reached the files is announced: a state
// that could not be written is announced with the first write that
// succeeds. An outage of the database or of the output folder is logged
// when it starts and when it ends, not on every tick.
//
// A click on a column title shows the list in that column's order until the
// next placing puts it back in competition order; the pages and the
// document are always written in competition order.
class staevneKlasseInfoMilitary : public staevneKlasseInfo
{
    Q_OBJECT
    Q_DISABLE_COPY(staevneKlasseInfoMilitary)

public:
    explicit staevneKlasseInfoMilitary(appConfig *cfg, QWidget *parent = nullptr,
                                       const QString &name = QString(), Qt::WindowFlags fl = {});

    // 0 below 2 starters, else one placing per four starters rounded up.
    int calcAntalPlaceringer(int starters) override;

public slots:
    void showKlasse(int staevneId, int klasseNr, QString afd, int bane, int afdelingId) override;
    // One tick: the keep-start-time flag and the results into the rows,
    // a reload when starters came or went, else re-place and publish.
    // resultChangeClass: true when the starter who changed last is another
    // one; false when anything else the pages show changed; only once the
    // pages that show it are written.
    void updateKlasse() override;
    // Reloads keeping lastChangeId; publishes a load that succeeded and
    // announces it once its files are written.
    void refreshClass() override;
    // The result page and the JSON document, in competition order.
    void printHtml() override;
    // The overview page, in competition order.
    void printShortHtml() override;
    // Sorts the rows into competition order and writes the places.
    void calculatePlace() override;

protected:
    int lastChangeColumn() const override;
    // Both pages and the document, announced once written; pages not
    // written now differ from the last published ones when a tick writes
    // them at last, and that tick announces them.
    void publishAndAnnounce() override;
    // The first field of the first row of a statement on "ZEP" as text; a
    // null text when there is none or the statement fails (logged). `ok`
    // tells a failed statement (false) from an empty answer.
    QString getDBField(const QString &sql, bool *ok = nullptr);
    // The time the pages' heads show.
    virtual QDateTime currentTime() const;

    // Set for the methods "B12", "B2" and "B6": the pages hide the places.
    bool skjulPlacering = false;

private:
    struct Published
    {
        MilitaryPlacing::Rows rows;
        QVector<int> values;
        bool operator==(const Published &other) const
        {
            return rows == other.rows && values == other.values;
        }
    };

    // Loads the section; on success the list holds it in competition order
    // and `placed` its rows' texts in that order.
    bool loadKlasse(int staevneId, int klasseNr, const QString &afd, int bane, int afdelingId,
                    MilitaryPlacing::Rows *placed);
    // Reloads keeping lastChangeId; publishes, and announces what could be
    // written (`written` tells whether it could). False (nothing published)
    // when the load failed.
    bool reload(bool *written = nullptr);
    bool readHeader(QSqlQuery &query, QVariantList *values);
    void applyPlacings(int starters);
    // The texts of the rows in competition order: what the pages and the
    // document publish, whatever order the screen shows.
    MilitaryPlacing::Rows snapshot() const;
    // Sorts `rows` (the texts of m_order, in that order) and m_order into
    // competition order, shows the list in it and writes the places.
    void placeRows(MilitaryPlacing::Rows &rows);
    // Shows the list's rows in the order given.
    void arrange(const QVector<MilitaryListItem *> &items);
    // A click on a column title: the screen in that column's order, by the
    // rows' comparison; the pages keep the competition order.
    void sortOnScreen();
    MilitaryPages::ClassInfo pageClass() const;
    Published published(const MilitaryPlacing::Rows &rows) const;
    // Both pages and the document from `rows` (competition order); false
    // when a file could not be written.
    bool publish(const MilitaryPlacing::Rows &rows);
    bool writeResultPage(const MilitaryPlacing::Rows &rows);
    bool writeOverviewPage(const MilitaryPlacing::Rows &rows);

    // The list's rows in competition order (the list owns them).
    QVector<MilitaryListItem *> m_order;
    Published m_published;
};

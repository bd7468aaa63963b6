#pragma once

#include "views/dressur/DressurPlacing.h"
#include "views/staevneKlasseInfo.h"

#include <QDateTime>
#include <QVariantList>
#include <QVector>

class QContextMenuEvent;
class QMenu;
class QSqlDatabase;
class QSqlQuery;

namespace DressurLoad {
struct Header;
}
namespace DressurPages {
struct ClassInfo;
}

// The result view of one dressage class section. It loads the class header
// and every entry of the section from the competition database into its list
// (37 columns, see DressurColumns), places the starters individually or by
// team (DressurPlacing) and publishes the class: its result page, ranking
// page (DressurPages) and JSON document. On its timer it follows the
// database: changed results update their rows (DressurUpdate), starters that
// come or go reload the class, and every tick that changes what the pages
// show announces the class with resultChangeClass. On request it exports the
// section for Hippodata.
//
// A starter is identified by its "Start Id": lastChangeId holds a Start Id,
// a double click marks the row's Start Id, and the pages compare with it.
//
// The published files always come from a complete read of the database: a
// load, reload or tick that cannot read it leaves the files of the last good
// read in place and announces nothing.
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
    void showKlasse(int staevneId, int klasseNr, QString afd, int bane, int afdelingId) override;
    // Reloads the class, keeping lastChangeId; publishes and announces it
    // only when the load succeeded.
    void refreshClass() override;
    // One tick: reads the section's keep-start-time flag and results, updates
    // the rows, reloads when starters came or went, re-places and publishes.
    // Sends resultChangeClass with true when the starter who changed last is
    // another one, and with false when anything else the pages show changed.
    void updateKlasse() override;
    // Writes the result page, the ranking page and the JSON document
    // together; a failed write keeps the previous three.
    void printHtml() override;
    // Placing of a class without teams.
    void calculatePlace() override;
    // One pass of the team placing.
    void calculateTeamResult();
    // A running score for the starter with the competition number `nr`.
    void setTempResult(int nr, float value) override;
    // Writes "klasse<nr>_<section>.csv" for Hippodata into "http.root".
    void exportKlasse();

protected:
    int lastChangeColumn() const override;
    // Pages not written now differ from the last published ones when a tick
    // writes them at last, and that tick announces them.
    void publishAndAnnounce() override;
    // The right-click menu: "Export" with its "&Hippodata" item.
    void contextMenuEvent(QContextMenuEvent *event) override;

    // The first field of the first row of a statement on "ZEP", as text; a
    // null text when there is none, when the field is NULL, or when the
    // statement fails (which is logged).
    // `ok` tells a failed statement (false) from an empty answer.
    QString getDBField(const QString &sql, bool *ok = nullptr);

    // The export menu, owned by the caller.
    QMenu *exportMenu();
    // Shows the menu at the mouse pointer until it closes.
    virtual void execMenu(QMenu *menu);
    // The time the result page's header shows.
    virtual QDateTime currentTime() const;
    // What the pages show of the class besides its rows.
    DressurPages::ClassInfo pageClass() const;

    // Places the starters as the class requires: individually, or by team
    // (a pass, a re-sort, and a second pass that numbers the teams).
    void placeStarters();

    // Set when the class type has no maximum points; the pages read it.
    bool noMaxPnt = false;
    // Set while the page shows provisional running scores.
    int tempResult = 0;

private:
    // What a publication showed: the rows and the counters and flags the
    // pages and the JSON document print.
    struct Published
    {
        DressurPlacing::DressurRows rows;
        QVector<int> values;
        bool operator==(const Published &other) const
        {
            return rows == other.rows && values == other.values;
        }
    };

    // Loads the section into the list without publishing it; false when the
    // database could not be read (the list then stays as it was).
    bool loadKlasse(int staevneId, int klasseNr, const QString &afd, int bane, int afdelingId);
    // Reloads, publishes and announces the class; false (and nothing
    // published) when the load failed. `written` tells whether the files
    // could be written (only then is the class announced).
    bool reload(bool *written = nullptr);
    QString reloadFailedText() const;
    // Writes the result page, the ranking page and the JSON document, all
    // or none; remembers what they show only when all were written.
    bool publish();
    bool readResults(QSqlDatabase &db, QVector<QVariantList> *results);
    DressurPlacing::DressurRows listRows() const;
    Published published() const;
    bool readHeader(QSqlQuery &query, DressurLoad::Header *header, bool *found);
    bool readStarters(QSqlQuery &query, bool team, QVector<QVariantList> *records);
    void applyHeader(const DressurLoad::Header &header, bool found);
    void fillList(const QVector<QVariantList> &records, const DressurLoad::Header &header,
                  int *starters);
    QString riderRemark(const QString &startId);
    QString localPedigree(const QString &horseId);
    void placeRows(bool team);

    Published m_published;
};

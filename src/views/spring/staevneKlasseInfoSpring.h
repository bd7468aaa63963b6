#pragma once

#include "views/staevneKlasseInfo.h"

#include <QStringList>
#include <QVariantList>
#include <QVector>

class QSqlDatabase;
class QSqlQuery;

// The result view of one show-jumping class section: the class header and
// the section's start list with each starter's faults, time, placing and
// status as the competition database holds them. On its timer it follows
// the database: a changed start list reloads the class, a changed result
// updates its row and reports the class as changed.
//
// It publishes the class's result page and JSON document together on every
// load, reload and tick that changes what it shows.
class staevneKlasseInfoSpring : public staevneKlasseInfo
{
    Q_OBJECT
    Q_DISABLE_COPY(staevneKlasseInfoSpring)

public:
    // The list's columns.
    enum Column {
        StartNr = 0,
        StaevneNr = 1,
        Rytter = 2,
        Hest = 3,
        Klub = 4,
        Fejl = 5,
        Tid = 6,
        Placering = 7,
        Status = 8,
        StartId = 9,
        StartTid = 10,
        ColumnCount = 11
    };
    static QStringList columnTitles();

    // The list row of one row of the starters query.
    static QStringList starterCells(const QVariantList &values);

    // Builds the columns, sorts by start number, hides the score table
    // frame and starts the update timer ("database.update", default 20000 ms).
    explicit staevneKlasseInfoSpring(appConfig *cfg, QWidget *parent = nullptr,
                                     const QString &name = QString(), Qt::WindowFlags fl = {});

    // One placing per four starters, rounded up; none below two starters;
    // one in a class judged by method "B0".
    int calcAntalPlaceringer(int starters) override;

public slots:
    // Loads the section's header and start list. A load that cannot finish
    // (no connection, a failed query) reports why and leaves the view as it
    // was.
    void showKlasse(int staevneId, int klasseNr, QString afd, int bane, int afdelingId) override;
    // Reloads the class when its start list changed; otherwise brings the
    // rows' results up to date.
    void updateKlasse() override;
    // Reloads the class keeping the starter marked last; publishes a load
    // that succeeded and announces it once its files are written. A load
    // that fails keeps the view and its files and announces nothing.
    void refreshClass() override;
    // Writes the result page and the JSON document, both or neither.
    void printHtml() override;

protected:
    // Announces the written files as a reload does; files not written now
    // are written and announced by the next tick.
    void publishAndAnnounce() override;

private:
    // Reads the section's header and start list into the view without
    // publishing them; false (the view unchanged) when the database could
    // not be read.
    bool loadKlasse(int staevneId, int klasseNr, const QString &afd, int bane, int afdelingId);
    bool readHeader(QSqlQuery &query, QVariantList *values);
    bool readStarters(QSqlQuery &query, QVector<QStringList> *rows);
    void applyHeader(const QVariantList &values);
    void fillList(const QVector<QStringList> &rows);
    void count();
    bool publish();
    // Loads, publishes and, when the files were written, announces the
    // class, keeping lastChangeId; false (nothing changed) when the load
    // failed.
    bool reload();
    QString unreadableText() const;

    // The last write failed: the next tick writes again even when nothing
    // changed, and announces what was not announced.
    bool m_unwritten = false;
};

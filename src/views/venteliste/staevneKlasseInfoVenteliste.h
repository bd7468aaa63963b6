#pragma once

#include "views/staevneKlasseInfo.h"

#include <QDateTime>
#include <QVariantList>
#include <QVector>

class QSqlQuery;

// The view of a class's waiting list (the section with the initials "V"):
// one row per entry waiting for a start place, with start and entry number,
// horse, rider, club, ids and the horse's pedigree (VentelistePage). It
// places nobody. On its timer it follows the section's start list: an entry
// that came or went reloads the section, a changed start number is written
// into its row, and the page and JSON document are rewritten.
//
// What is published always comes from a complete read of the database: a
// load or tick that cannot read it keeps the rows, labels and files of the
// last good read, and announces nothing. Only what reached the files is
// announced: a change that could not be written is announced with the first
// write that succeeds.
class staevneKlasseInfoVenteliste : public staevneKlasseInfo
{
    Q_OBJECT
    Q_DISABLE_COPY(staevneKlasseInfoVenteliste)

public:
    // Builds the nine columns, sorted by start number, hides the score
    // table frame and starts the update timer ("database.update", default
    // 20000 ms).
    explicit staevneKlasseInfoVenteliste(appConfig *cfg, QWidget *parent = nullptr,
                                         const QString &name = QString(), Qt::WindowFlags fl = {});

public slots:
    // Loads the section from the connection "ZEP" and writes its page.
    void showKlasse(int staevneId, int klasseNr, QString afd, int bane, int afdelingId) override;
    // One tick: compares the list with the database's start list.
    void updateKlasse() override;
    // Reloads the section; publishes it only when the load succeeded, and
    // announces it once its files are written.
    void refreshClass() override;
    // Writes "klasse<nr>_<section>.html", then the JSON document.
    void printHtml() override;

protected:
    // The page and the document, announced with the first write that
    // succeeds (now or on a later tick).
    void publishAndAnnounce() override;
    // The first field of the first row of a statement on "ZEP", as text; a
    // null text when there is no row, when the field is NULL, or when the
    // statement fails (logged at level -1).
    QString getDBField(const QString &statement);
    // The time the page's header shows.
    virtual QDateTime currentTime() const;

private:
    // Loads the section into the list without publishing it; false (and
    // the view unchanged) when the database could not be read.
    bool loadKlasse();
    bool readHeader(QSqlQuery &query, QVariantList *header);
    bool readStartList(QSqlQuery &query, const QString &place, QVector<QVariantList> *rows);
    void applyHeader(const QVariantList &header);
    void fillList(const QVector<QVariantList> &rows);
    QString pedigree(const QString &horseId);
    // Writes the page and the document, both or neither; false when they
    // could not be written.
    bool writePage();
    // Writes them and, once written, sends a due announcement.
    void publish();

    // A change not yet announced because its page could not be written.
    bool m_announcePending = false;
};

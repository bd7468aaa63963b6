#pragma once

#include "views/HippodataExport.h"
#include "views/champ/ChampPages.h"
#include "views/champ/ChampRules.h"
#include "views/champ/ChampScoreFile.h"
#include "views/staevneKlasseInfo.h"

#include <QHash>
#include <QPoint>
#include <QStringList>
#include <QVariantList>
#include <QVector>

class ChampScoreTable;
class QContextMenuEvent;
class QLabel;
class QFont;
class QPrinter;
class QPushButton;
class QSqlDatabase;
class QSqlQuery;

// What tells the two championship sheets apart: their columns, where their
// totals and places stand, and the score file's encoding.
struct ChampLayout
{
    QStringList listTitles;
    QStringList tableTitles;
    QVector<int> readOnlyColumns;
    QVector<int> hiddenColumns;
    int totalColumn = 0;      // list and table; the list sorts on it
    int placeColumn = 0;      // list and table
    int firstMarkColumn = 0;  // where the cursor starts and a status word is repeated
    QVector<int> markColumns; // the marks that make the total: each from 0 to 10
    int correctionColumn = -1; // a correction of the total, from 0 to 10 too; -1 for none
    int minimumMarks = 1;     // marks that must count before the list takes the total
    int startTidColumn = 0;
    int tie1 = -1;            // tie-breaks of equal totals, -1 for none
    int tie2 = -1;
    int fileColumns = 0;      // score-file fields 0 .. fileColumns-1
    int readFirst = 0;        // fields read back from the score file
    int readLast = 0;
    int judgesPosition = 0;   // second argument of dbo.DommerListe
    ChampScoreFile::Encoding encoding = ChampScoreFile::Encoding::Utf8;
    ChampPages::Kind pageKind = ChampPages::Kind::Dressur;
    QString saveButtonText;
    bool buttonSpacer = false;
};

// What the two championship score sheets share: a championship class
// section whose marks are typed in at the station. The list above (collapsed
// at start) is the view's result model, from which the JSON document is
// written; the score table below is the sheet the operator fills in. Loading
// a class fills the list from the database, copies it into the table and
// reads back the class's score file; every operator edit (calcSum of the
// dressage or jumping sheet) recomputes totals and placings, publishes and
// saves the score file. On its timer the view follows the section's start
// list. After every load, tick and edit it writes its class page, rank page
// and JSON document (all or none) and announces a change once they are
// written; it prints the class page on request and exports the section for
// Hippodata.
//
// The typed marks exist nowhere else: the sheet never saves a table that is
// not a loaded class, a load that cannot read the database keeps the sheet
// it has, a save that fails keeps the previous file, says so once and is
// tried again on every tick until it succeeds, and a score file with lines
// the sheet cannot read is copied aside before a save replaces it.
class ChampView : public staevneKlasseInfo
{
    Q_OBJECT
    Q_DISABLE_COPY(ChampView)

public:
    ChampView(const ChampLayout &layout, appConfig *cfg, QWidget *parent, const QString &name,
              Qt::WindowFlags fl);

    ChampScoreTable *champTable = nullptr;

    int calcAntalPlaceringer(int starters) override;

    // "http.root"/"<ZEPStaevneId>_klasse_<nr>_<section>.csv".
    QString automaticPath() const;

    // The score table's font at the size of "championat.print.font".
    QFont printFont() const;

public slots:
    void showKlasse(int staevneId, int klasseNr, QString afd, int bane, int afdelingId) override;
    // One tick: the keep-start-time flag and the start list. New or missing
    // entries reload the class; a changed start number is written in place.
    void updateKlasse() override;
    // Reloads the class; pages and announcement follow as after a tick that
    // changed the start list. A load that cannot read the database keeps
    // the sheet and its pages.
    void refreshClass() override;
    // The class page, the rank page and the JSON document, all or none;
    // then a due announcement. An outage of the output directory is logged
    // when it starts and when it ends.
    void printHtml() override;
    // One operator edit of the score table.
    virtual void calcSum(int row, int column) = 0;
    // The table's placing column.
    void calcPlace();
    // Sorts the list, writes its placing column and counts the starters.
    void calculatePlace() override;
    // Saves the score table; an empty path asks the operator for one.
    void saveZEPCSV(const QString &path = QString());
    void readZEPCSV(const QString &path);
    // Takes the marks of a score file's bytes into the sheet; a file with
    // lines it cannot read is copied aside first.
    void takeScoreFile(const QString &path, const QByteArray &bytes);
    // The bytes of the score file at `path`: null when there is none, false
    // with `why` when it is there but cannot be read.
    bool readScoreFileBytes(const QString &path, QByteArray *bytes, QString *why);
    // Prints the class page.
    void resultPrint();
    // Prints an HTML file, paged and numbered, on a printer the operator
    // picks.
    void filePrint(const QString &path);
    // Writes "klasse<nr>_<section>.csv" for Hippodata into "http.root".
    void exportKlasse();

protected:
    // The pages, announced with the first write that succeeds (now or on a
    // later tick).
    void publishAndAnnounce() override;
    // The first field of the first row of a statement on "ZEP"; a null
    // text when there is none, it is NULL or the statement fails (`ok`
    // false, logged at level -1).
    QString getDBField(const QString &sql, bool *ok = nullptr);

    // The result query of the view and the list cells of one of its rows;
    // `counts` tells whether the row counts as a starter.
    virtual QString resultSql() const = 0;
    virtual QStringList listCells(const QVariantList &values, bool *counts) = 0;
    // The header fields that differ between the views (labels included).
    virtual void applyOwnHeader(const QVariantList &values) = 0;
    // The columns that depend on the class type; nothing by default.
    virtual void applyColumnRule();
    virtual QTreeWidgetItem *createListItem() const = 0;
    // Whether the start times of the score file replace the database's.
    virtual bool startTimeFromSheet() const = 0;
    // The export's starter query (start number, entry number, first name,
    // surname, horse, club, rider, horse id) and the first five fields of
    // a line, whose order differs between the views.
    virtual QString exportSql() const = 0;
    virtual QStringList exportFirstFields(const QString &klasse, const HippodataExport::Starter &starter) const = 0;

    void contextMenuEvent(QContextMenuEvent *event) override;

    // The pedigree from the locally created horse record, for a horse
    // without a national record; `breeder` adds its breeder.
    QString localPedigree(const QString &horseId, bool breeder);

    // The list row of a table row (by "Stævne Nr"), or null.
    QTreeWidgetItem *listRowOf(int tableRow) const;
    // Tells the operator (log and status bar) that a mark cell of a row
    // holds no mark from 0 to 10, so that it does not count: after every
    // edit that types one, and once for one that a score file brings back
    // (a reload on every change of the start list would tell it again).
    // A mark told so and then corrected is told to count now.
    void tellMark(int tableRow, int column, bool typed);
    // The rule of a row (champ::rowStanding) as this sheet applies it, with
    // "vis.dv" as it is set now.
    champ::SheetRule sheetRule() const;
    // The same for the placing, which writes no list cells.
    champ::SheetRule placingRule() const;
    // The cells held to 0 to 10: the marks and the correction.
    QVector<int> valueColumns() const;
    // Decides what a table row stands for and writes it: the table's total
    // and, unless the office withdrew the starter, his list row. Every path
    // that fills the list comes through here: an edit (`editedColumn`, the
    // result cell just typed into), a load with its score file, a reload.
    champ::RowStanding applyRow(int tableRow, int editedColumn = -1);
    // An operator's edit of a result cell, after the view's own checks:
    // the row, a told mark, the placings and `lastChangeId`. A starter whose
    // published total goes (a typo, a status) is announced.
    champ::RowStanding takeEdit(int tableRow, int column);
    // The pages and the save that end an edit.
    void publishEdit();
    // Sort, list placing and table placing, as after every edit.
    void placeAll();
    // Marks the class to be announced (resultChangeClass) with the next
    // pages that are written; `resultChanged` is the announcement's flag.
    void announce(bool resultChanged);
    // Saves to the automatic path when the sheet holds a loaded class. A
    // save that fails stays due: it is told once, tried again on every tick
    // until it succeeds, and its success is told once.
    void saveAutomatic();
    int intSetting(const QString &key, const QString &def) const;

    // The bell of a mark out of range, and the file dialog of the save
    // button: tests replace them.
    virtual void beep();
    virtual QString askSavePath(const QString &proposed);
    // The print dialog (false when cancelled) and the class page's time
    // stamp: tests replace them too.
    virtual bool askPrinter(QPrinter *printer);
    virtual QDateTime pageTime() const;

    const ChampLayout m_layout;

private:
    // Where the operator stands on the sheet: the starter of the cursor's
    // row (start number and competition number; none on the extra row),
    // the row itself, the column and the scroll bars.
    struct SheetPlace
    {
        QString startNr;
        QString staevneNr;
        int row = 0;
        int column = 0;
        bool extraRow = false;
        QPoint scroll;
    };
    SheetPlace sheetPlace() const;
    // Back to `place` on a sheet just loaded: his starter's row (also under
    // a new start number), or, when he is gone, the same row within the
    // rows there are now; the same column and scroll bars.
    void returnTo(const SheetPlace &place);

    // Loads the class of the stored arguments; false, with `why` when there
    // is more to tell than the connection's own report, when the database
    // could not be read (the sheet stays). The cursor goes to `place`, or
    // to the first row's first mark when there is none.
    bool loadKlasse(QString *why, const SheetPlace *place = nullptr);
    // Loads the class again with the operator kept in his place.
    bool reload(QString *why);
    // One tick's connection and start list; false, and why, when some of it
    // could not be read.
    bool tickConnection(QSqlDatabase *db, QString *why);
    bool followStartList(QString *why);
    bool scoreFileAllowed();
    void fillTable();
    // The score table as its file holds it: the titles and every row.
    QByteArray scoreFileBytes() const;
    // Writes the score table to `path`, after keeping an unreadable file
    // there that is not yet kept.
    bool writeScoreFile(const QString &path, QString *error);
    // Copies a score file with lines the sheet could not read aside, under
    // a name no save and no later copy takes, and says where; true when it
    // is kept (also by an earlier copy of the same bytes).
    bool keepUnreadable(const QString &path, const QByteArray &bytes, int lines, QString *error,
                        const QString &which = QString());
    // The fields of score-file lines into the table. A line that matches no
    // row is kept to be saved again after the rows, and told, with `source`,
    // the file it came from.
    void takeScoreLines(const QVector<QStringList> &lines, const QString &source);
    // The lines of a score file the sheet cannot take, whose contents would
    // be gone with the next save: those none of the sheet's own, and a
    // second line for one start. `which` names them for the log.
    int unreadableLines(const ChampScoreFile::Contents &contents, QString *which) const;
    // The table row of each score-file line (champ::matchStarts by the
    // line's start number and competition number).
    champ::StartMatch matchLines(const QVector<QStringList> &lines) const;
    // Logs, once per load, a competition number that more than one start
    // of the class has.
    void tellSharedNumbers();
    // Every row after a load: applyRow, and a value that does not count told
    // once.
    void applyAllRows();
    void applyHeader(const QVariantList &values);

    QPushButton *m_saveButton = nullptr;
    // Above the table while values stand that do not count: which and where.
    QLabel *m_uncounted = nullptr;
    // The list row each table row was filled from.
    QVector<QTreeWidgetItem *> m_rowItems;
    // Set by the first load that read the class: before it the table is no
    // class's sheet and must not be saved over a score file.
    bool m_loaded = false;
    // An announcement waiting for its pages to be written.
    bool m_announce = false;
    bool m_announceResult = false;
    // The last automatic save failed: marks typed since are on the sheet
    // only, and a reload takes them from the sheet, not from the file.
    bool m_saveDue = false;
    // A score file with unreadable lines whose copy could not be written:
    // no save replaces it before the copy is.
    QString m_unkept;
    // Score-file lines of starts the sheet does not have now (deleted, or
    // given numbers of which neither finds the line's start): saved after
    // the rows, so that their marks come back with the start.
    QVector<QStringList> m_unplaced;
    // The copy of an unreadable score file this view has told about.
    QString m_toldCopy;
    // The marks outside 0 to 10 told about, by class, competition number
    // and column: the text told.
    QHash<QString, QString> m_toldMarks;
};

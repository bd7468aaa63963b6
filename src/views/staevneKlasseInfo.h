#pragma once

#include "views/HippodataExport.h"

#include <functional>

#include <QString>
#include <QVariantList>
#include <QVector>
#include <QWidget>

class appConfig;
class KlasseJsonDocument;
class QFrame;
class QLabel;
class QSplitter;
class QSqlDatabase;
class QSqlQuery;
class QShowEvent;
class QTreeWidget;
class QTreeWidgetItem;
class QVBoxLayout;

namespace Ui {
class StaevneKlasseInfoBase;
}

// The common base of every per-class result view (dressage, show jumping,
// eventing, waiting list, championship). One view shows one class section of
// the loaded competition in a tab of the main window.
//
// The base holds what identifies the section and what every view reports
// about it, drives the periodic update from timeOut(), reloads the class on
// refreshClass(), remembers the starter whose result changed last, writes the
// class JSON document and runs single SQL statements. The main window, the
// setup tab and the timer reach a view only through the virtual operations
// and the three signals below, so this header is the contract between the
// views and the rest of the station.
//
// The view is built on the designer form StaevneKlasseInfoBase; the widgets
// that the views fill are public members under their object names.
class staevneKlasseInfo : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(staevneKlasseInfo)

public:
    // Builds the form with parent, object name and window flags, keeps the
    // settings store (not owned) and prepares listView1: every column as wide
    // as its content and title whenever the list is on screen, scrolling
    // sideways, sort indicator shown, sorted on column 0 descending. The
    // base makes no timer and connects nothing beyond its own list; each
    // view does that.
    explicit staevneKlasseInfo(appConfig *cfg, QWidget *parent = nullptr,
                               const QString &name = QString(), Qt::WindowFlags fl = {});
    ~staevneKlasseInfo() override;

    virtual QString judges() const;
    virtual int antalStarter() const;
    virtual int resterendeStarter() const;
    // The discipline id read as a decimal number; 0 when it is none
    // (2 dressage, 3 jumping, 4 eventing).
    virtual int diciplinId() const;

    // The number of placings for a number of starters, used when the section
    // has no number of its own; 0 in the base.
    virtual int calcAntalPlaceringer(int starters);

    // Runs one statement on the connection "ZEP" and returns the number of
    // rows it affected; 0 on any failure (which is reported, not raised).
    virtual int execSql(const QString &sql);

    // Why the view's timer runs on its default interval, or empty. The
    // timer starts while the view is made, before anyone listens to its
    // logMessage, so its maker logs this.
    QString updateTimerWarning() const { return m_timerWarning; }

    // The JSON document writeJSon() would write now: header fields, column
    // titles and the list's rows in their current order.
    KlasseJsonDocument jsonDocument() const;
    // The same with rows the view has already read from its list.
    KlasseJsonDocument jsonDocument(const QVector<QStringList> &rows) const;
    // Where writeJSon() writes: "http.root" + "/" + "klasse<nr>_<section>.json".
    QString jsonFilePath() const;

    // The alternating background of a list row of any view, by its
    // position on screen.
    static QVariant rowBackground(const QTreeWidgetItem *item);

    // Widgets of the form.
    QFrame *frame3 = nullptr;
    QLabel *klasseInfo = nullptr; // class title; also the document's "class"
    QLabel *antalPlac = nullptr;  // number of placings
    QLabel *dommer = nullptr;     // judges
    QLabel *maxPoint = nullptr;   // maximum points
    QLabel *sponsor = nullptr;    // sponsor line
    QSplitter *splitter3 = nullptr;
    QTreeWidget *listView1 = nullptr; // one row per starter
    QFrame *champTableFrame = nullptr; // room for a score table; hidden by other views
    QVBoxLayout *champTableFrameLayout = nullptr;

public slots:
    // Timer tick: updateKlasse() once a class has been shown.
    void timeOut();

    // Keeps the five arguments, sets lastChangeId to -1 and antalPlaceringer
    // to 0, and empties the list. A view's override loads the class from the
    // database, places the starters and writes the pages.
    virtual void showKlasse(int staevneId, int klasseNr, QString afd, int bane, int afdelingId);
    virtual void updateKlasse();
    // Reloads the class with the stored arguments, keeping lastChangeId,
    // rewrites the pages and sends resultChangeClass(..., false).
    virtual void refreshClass();
    // Writes the view's pages, then calls writeJSon(); nothing in the base.
    virtual void printHtml();
    virtual void printShortHtml();
    virtual void writeJSon();
    virtual void calculatePlace();
    // A double-clicked row becomes the last change when none is marked.
    virtual void slotHeighLight(QTreeWidgetItem *item);
    // Connected nowhere; they only log (files are uploaded by the setup tab).
    void uploadDone(int id, bool error);
    void uploadFile(const QString &fileName);
    virtual void setTempResult(int nr, float value);
    virtual void toggleDSP(bool on);
    virtual void toggleDV(bool on);
    // Toggles the section's keep-start-time flag in the competition database,
    // then publishes and announces the pages through publishAndAnnounce().
    virtual void visStartTid();

signals:
    void logMessage(int level, const QString &text);
    // Arena, section initials, class number and whether a result changed;
    // sent when the class's pages have been rewritten.
    void resultChangeClass(int bane, const QString &afd, int klasseNr, bool resultChanged);
    // The named connection was not found; the main window opens it.
    void connectDB(const QString &name);
    // The class was read again after a database outage that the view had
    // reported: the database answers statements again.
    void databaseReadAgain();

protected:
    void showEvent(QShowEvent *event) override;

    // The list column whose number identifies a starter for lastChangeId: a
    // double click marks it and the page writers compare with it. Column 1
    // ("Stævne Nr") unless a view identifies its starters otherwise.
    virtual int lastChangeColumn() const;

    // Writes the view's pages and sends resultChangeClass(..., false) once
    // they are written: at once when they were, else by the view's first
    // write that succeeds, so that only written pages are announced. The
    // base writes no pages (printHtml() is empty) and announces at once.
    virtual void publishAndAnnounce();
    // Announces pages that a load or tick has just tried to write. A change
    // of result (`resultChanged`) stays due until pages are `written` and is
    // then sent as resultChangeClass(..., true); written pages with none
    // due are sent with false when `pagesChanged`. Nothing is sent while the
    // pages could not be written.
    void announceWritten(bool resultChanged, bool written, bool pagesChanged);

    // A setting from the store, or `def` when there is none.
    QString setting(const QString &key, const QString &def) const;
    // A one-value query on "ZEP": the first field of the first row as text,
    // empty for no row and for a NULL (which a driver may type as a number
    // whose text would be "0"). `ok` tells a failed statement, logged at
    // level -1 (with the statement when `logStatement`) unless a database
    // outage is already reported, from an empty answer.
    QString oneValue(const QString &sql, bool *ok, bool logStatement);
    // A file of the output directory ("http.root").
    QString outputPath(const QString &fileName) const;
    // The texts of every list row, column by column, in list order.
    QVector<QStringList> listTexts() const;

    // The Hippodata export of the starters read, "klasse<nr>_<section>.csv":
    // each horse's fields looked up by `lookUp`, one line per starter from
    // `lineOf`, the file written whole. Success is logged at level 3, a
    // failure (here or, through hippodataFailed, in the caller's query) at 1.
    void writeHippodata(const QVector<HippodataExport::Starter> &starters,
                        const std::function<QString(const HippodataExport::Starter &,
                                                    const HippodataExport::Horse &)> &lineOf,
                        const std::function<QString(const QString &)> &lookUp);
    void hippodataFailed(const QString &why);

    // Starts the view's timer on timeOut() every "database.update"
    // milliseconds (`defaultMs` when unset or not a positive number).
    void startUpdateTimer(int defaultMs);
    // The view's timer interval ("database.update"); a value that is not a
    // positive number gives `defaultMs`, and updateTimerWarning says so.
    int updateInterval(int defaultMs);

    // The shared connection "ZEP", looked up with its open flag: false when
    // there is none (then connectDB is sent, and the main window makes it)
    // or when it cannot be opened (then the error is reported as the start
    // of a database outage, which the view ends with troubleOver once it has
    // read its class again).
    bool openConnection(QSqlDatabase *db);

    // Runs a statement of this class section (":staevneId", ":klasseNr" and
    // ":afdeling" bound) on `query` and reads every row before returning, so
    // that a read that breaks off changes nothing. A failure is described
    // as "<place> SQL Error <text> Type: <type>": in `why` when given (for a
    // caller that reports it itself), else logged at level -1 unless a
    // database outage is already reported; false then.
    bool readSectionRows(QSqlQuery &query, const QString &sql, const QString &place, QVector<QVariantList> *rows,
                         QString *why = nullptr);

    // What can fail on every tick for as long as an outage lasts. A failure
    // is logged when it starts (level 1) and its end when it ends (level 3),
    // so that an hour without the database or the disk is two lines, not one
    // per tick.
    enum class Trouble { Database, Write };
    // Logs `text` at level 1 unless this trouble is already logged.
    void reportTrouble(Trouble what, const QString &text);
    // When this trouble was logged, logs its end at level 3 ("Klasse <nr>
    // <section>: databasen kan læses igen" or "...: siderne skrives igen"),
    // sends databaseReadAgain for the database, and forgets it.
    void troubleOver(Trouble what);
    bool inTrouble(Trouble what) const;

    appConfig *cfg;
    int staevneId = -1;
    int klasseNr = -1;
    int bane = 1;
    QString afd;
    int maxPnt = 1;
    int lastChangeId = -1;
    int antalPlaceringer = 0;
    int afdelingId = 0;
    int antalDommere = 0;
    // The four members below back the virtual getters of the same names.
    QString m_judges;
    int m_antalStarter = 0;
    int m_resterendeStarter = 0;
    QString startSlutTid;
    QString klasseTypeId;
    QString m_diciplinId;
    int kur = 0;
    int hold = 0;
    int bevarStartTid = 0;
    QString niveau;
    QString metode;
    bool udholdenhed = true;
    QString doteringer;
    QString klassesponsor;
    QString aerespraemie;
    QString banebygger;
    int dsp = 0;
    QString remarks;
    QString svh;
    int afdAntalPlaceringer = 0;
    int dv = 0;
    int klasseId = 0;
    QString ZEPStaevnePropId;
    QString ZEPKlasseId;

private:
    void setUpColumns();
    // The list changed: its columns are measured again before it is next
    // seen (at once, after the current event, when it is on screen).
    void columnsChanged();
    void fitColumns();

    QString m_timerWarning;
    // A change of result whose pages could not be written yet.
    bool m_resultChangeDue = false;
    bool m_trouble[2] = {false, false};
    bool m_columnsStale = true;
    bool m_fitPending = false;

    Ui::StaevneKlasseInfoBase *m_form;
};

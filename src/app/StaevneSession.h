#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

#include "app/StaevneLoader.h"

class appConfig;
class ClientTab;
class HttpDaemon;
class QProgressDialog;
class QTabW;
class QWidget;
class Setup;
class StaevneFiles;
class staevneKlasseInfo;

// The loaded competition: choosing it, one result view per class section
// (in the class tabs or the championship tab), the setup tab's arena lists,
// the competition's files and the refresh of every class. It is given the
// parts of the station it fills and the few services it asks for when it
// is made, and reports through logMessage.
class StaevneSession : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(StaevneSession)

public:
    struct Station
    {
        appConfig *cfg = nullptr;
        Setup *setup = nullptr;
        ClientTab *client = nullptr;
        // The championship tab goes into mainTabs, the other views into
        // classTabs; window parents the views and the progress dialog.
        QTabW *mainTabs = nullptr;
        QTabW *classTabs = nullptr;
        QWidget *window = nullptr;
        // The HTTP server of the moment; null while serving is off.
        std::function<HttpDaemon *()> httpServer;
        // Opens (or reopens) the named database connection.
        std::function<void(const QString &name)> connectDatabase;
        // A view could not read the database and asks for the connection
        // again: an outage until databaseReadable is told.
        std::function<void(const QString &name)> reconnectDatabase;
        // A statement succeeded: the database answers again.
        std::function<void()> databaseReadable;
        // One value of a statement on "ZEP", null when there is none.
        std::function<QString(const QString &statement)> field;
        std::function<QByteArray(const QString &statement)> bytes;
        std::function<QString()> hostInfo;
        // The competition choice: false on cancel; otherwise `index` is the
        // chosen entry's position, or -1 for a typed text, which is in `text`.
        std::function<bool(const QStringList &entries, int current, int *index, QString *text)> askStaevne;
        // The notice that lists the classes of the championship tab.
        std::function<void(const QString &text)> showChampionshipNotice;
    };

    StaevneSession(Station station, QObject *parent);
    ~StaevneSession() override;

    staevneKlasseInfo *view(const QString &key) const { return m_views.value(key); }
    QStringList viewKeys() const { return m_views.keys(); }
    QTabW *championshipTabs() const { return m_champTabs; }
    bool isBusy() const { return m_busy; }

    // Logs and returns true while a load or refresh runs.
    bool refuseWhileBusy(const QString &what);
    void select();
    // Loads a competition by id as the choice does: its entry text becomes
    // "staevne.navn" first.
    void open(int staevneId);
    void show(int staevneId);
    // False when refused because a load or refresh runs.
    bool refresh();
    void writeInfo(int staevneId);
    void deleteViews();
    // Removes the temporaries that interrupted writes left in the output
    // directory, "http.root": whole or partial files under names that the
    // HTTP server would serve, whatever file they were meant for (a page, a
    // score file, the information page, the logo). See
    // removeInterruptedWrites in files/WholeFile.h.
    void removeInterruptedWrites();

signals:
    void logMessage(int level, const QString &text);

private:
    StaevneLoader::Database database(const QSqlDatabase &db);
    // The database's competitions; false when they cannot be read, which is
    // logged when the database is open but the list fails.
    bool readList(StaevneLoader::StaevneList *list);
    // One line on standard output naming the competition and its classes,
    // for whoever started the station without watching its window.
    void announce(const QString &navn) const;
    QSqlDatabase connection() const;
    void log(int level, const QString &text);
    // Makes the views and files of the sections read.
    void build(int staevneId, const StaevneLoader::Club &club, const StaevneLoader::Header &header,
               const QList<StaevneLoader::SectionRow> &rows, QProgressDialog *progress);
    // Removes the competition on show: its views and championship tab, the
    // files its views and arenas' pause pages left in the output directory,
    // and points every arena's names at its pause page, so that nothing of
    // it is served under the new competition's names.
    void tearDown(const StaevneLoader::Header &header, const QList<StaevneLoader::SectionRow> &rows);
    void removeOldFiles();
    void pointArenasAtPausePages(const QList<StaevneLoader::SectionRow> &rows);
    void writePausePages(const StaevneFiles &files);
    // Logs why views' timers run on their defaults (see
    // staevneKlasseInfo::updateTimerWarning).
    void logTimerWarnings();
    void addSection(const StaevneLoader::SectionRow &row, StaevneLoader::ViewKind kind, int staevneId, bool championat,
                    QString *notice, int *created);
    QTabW *championshipTab(QString *notice);
    void writeFiles(const StaevneLoader::Header &header, const StaevneFiles &files);
    void writeLogo(const StaevneLoader::Database &database, const QString &root);

    const Station m_station;
    // The result views, keyed by class number and section joined by "-";
    // owned here and deleted explicitly.
    QHash<QString, staevneKlasseInfo *> m_views;
    // The arenas with a pause page of the competition on show.
    QSet<int> m_arenas;
    QTabW *m_champTabs = nullptr;
    bool m_busy = false;
};

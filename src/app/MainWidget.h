#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

class appConfig;
class ClientTab;
class HttpDaemon;
class LogArea;
class QLabel;
class QMessageBox;
class QPushButton;
class QStatusBar;
class QTabW;
class Setup;
class StaevneSession;
class staevneKlasseInfo;
class urlDownloader;

// What the name service and the network interfaces say about this computer;
// MainWidget::hostInfo() turns it into the station's address line.
struct HostAddresses
{
    QString hostName;            // empty: the host name could not be read
    bool lookupOk = false;       // the host name resolved
    QList<QHostAddress> resolved;
    QList<QHostAddress> interfaces;
};

// The station's one window: settings store, status bar, the arena display
// client, the setup tab, the class tabs and the log and debug views. It owns
// the shared database connection "ZEP" and routes every component's log
// messages. Work that is not wiring lives in the classes it creates: the
// client tab, the log area and the competition session.
class MainWidget : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(MainWidget)

public:
    using HostLookup = std::function<HostAddresses()>;

    MainWidget(QWidget *parent, const QString &settingsFile, const QString &name);
    ~MainWidget() override;

    QByteArray getDBFieldByteArray(const QString &statement, bool *ok = nullptr);
    QString hostInfo();

    appConfig *config() const { return cfg; }
    Setup *setupTab() const { return setup; }
    urlDownloader *downloader() const;
    ClientTab *clientTab() const { return m_client; }
    QTabW *mainTabs() const { return tabs; }
    QTabW *classTabs() const { return klasseTabs; }
    bool isFullScreenMode() const { return m_fullScreen; }
    HttpDaemon *httpServer() const { return httpd; }
    // The championship tab of the loaded competition; null when it has none.
    QTabW *championshipTabs() const;
    // The result view of a class section, keyed "<class number>-<section>".
    staevneKlasseInfo *view(const QString &key) const;
    QStringList viewKeys() const;
    // True while a competition is loaded or its classes are refreshed; the
    // operations that would tear views down refuse to run meanwhile.
    bool isLoadingStaevne() const;

    // Writes the competition's information page and the organising club's
    // logo into the output directory and hands them to the upload.
    void writeStaevneInfo(int staevneId);

    // The address line built from a look-up (see hostInfo()).
    static QString formatHostInfo(const HostAddresses &addresses);
    // The close warning's dialog, owned by the caller: "&Ja" closes, and so
    // nothing else may answer it by accident, Return answers nothing and
    // Escape answers "&Nej".
    static QMessageBox *makeCloseQuestion(QWidget *parent, const QString &text);

    // Replaces the name-service look-up (tests); an empty function restores
    // the real one.
    static void setHostLookup(HostLookup lookup);
    // Makes the HTTP servers of every window through `maker`, also the one
    // the constructor starts (tests and the demo's test: a server on
    // 127.0.0.1 alone); an empty function restores the real one, on every
    // address.
    using HttpServerMaker = std::function<HttpDaemon *(QObject *parent, quint16 port, const QString &root)>;
    static void setHttpServerMaker(HttpServerMaker maker);

signals:
    void logMessage(const QString &text);
    void newStaevne();
    void staevneShow(int id);

public slots:
    void slotLogMessage(int level, const QString &text);
    void clearDebug();
    void saveLog();
    void fontChanged(const QFont &font);
    void slotBaneFile(const QString &path);
    void timeOut();
    void fullScreen();
    void connectDatabase(QString name);
    // A reader could not use the connection and asks for it again: the
    // start of an outage, which lasts until a statement succeeds.
    void reconnectDatabase(const QString &name);
    // A statement succeeded: ends an outage ("DataBase ... er åben igen").
    void databaseReadable();
    void urlSelected(const QString &text);
    void databaseError(bool error);
    void internetError(bool error);
    // The first column of the first row of `statement` on "ZEP", or a null
    // string. `ok` tells a failed statement (false) from an empty answer.
    QString getDBField(const QString &statement, bool *ok = nullptr);
    void serverEnabled(bool on);
    void requestEquipage(const QString &text);
    void setTempResult(const QString &id, int nr, float value);
    void startHttpServer(bool on);
    void slotActivePage(int bane, QString klasseNr, QString afdeling);
    // Offers the database's competitions and loads the chosen one.
    void selectStaevne();
    // Loads a competition by its database id: one result view per class
    // section, the arena lists of the setup tab and the competition files.
    void showStaevne(int staevneId);
    // Loads a competition by its database id with its name as the choice
    // would set it (the demo's start-up).
    void openStaevne(int staevneId);
    // Makes every result view reload its class and rewrite its pages.
    void refreshClasses();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

    // Dialogs sit behind these so that tests can answer them.
    virtual QString askSaveLogFileName();
    // The answer to the close warning: 1 means close.
    virtual int askCloseWarning(const QString &text);
    // The competition choice: false on cancel; otherwise `index` is the
    // chosen entry's position, or -1 for a typed text, which is in `text`.
    virtual bool askStaevne(const QStringList &entries, int current, int *index, QString *text);
    // The notice that lists the classes of the championship tab.
    virtual void showChampionshipNotice(const QString &text);

private:
    void buildStatusBar();
    void buildStatusIcons();
    void buildClientTab();
    void buildSession();
    void buildLogArea();
    void leaveFullScreen();

    appConfig *cfg = nullptr;
    QTabW *tabs = nullptr;
    QTabW *klasseTabs = nullptr;
    QTabW *serverTabs = nullptr;
    QStatusBar *statusBar = nullptr;
    QLabel *versionLabel = nullptr;
    QLabel *hostLabel = nullptr;
    QLabel *databaseLabel = nullptr;
    QLabel *internetLabel = nullptr;
    QPushButton *refreshButton = nullptr;
    QPushButton *fullScreenButton = nullptr;
    ClientTab *m_client = nullptr;
    LogArea *m_log = nullptr;
    Setup *setup = nullptr;
    StaevneSession *m_session = nullptr;
    // The built-in HTTP server; null while serving is off.
    HttpDaemon *httpd = nullptr;
    bool m_fullScreen = false;
    // An outage is logged and lasts until a statement succeeds: a
    // connection attempt failed, or a reader asked for the connection again.
    bool m_databaseDown = false;
};

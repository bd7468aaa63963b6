#pragma once

#include <QHash>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QColor>
#include <QList>
#include <QWidget>

#include <functional>

class appConfig;
class QNetworkAccessManager;
class QNetworkReply;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace Ui {
class SetupUI;
}

// The setup tab: the competition button, the serving and upload switches,
// the settings save button, and one class list per arena. It registers the
// classes of the loaded competition in their arena's list, hands changed
// class files to the upload, and makes a class its arena's active class.
class Setup : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(Setup)

public:
    Setup(appConfig *cfg, QWidget *parent, const QString &name, Qt::WindowFlags flags = {});
    ~Setup() override;

    // The class list of an arena ("Bane %1", or "Ventelister" for arena 99),
    // null when no class of that arena has been registered.
    QTreeWidget *classList(int bane) const;
    static QString listName(int bane);
    // Uploads sent and not yet answered, and those waiting to be sent.
    int pendingUploads() const { return m_inFlight.size(); }
    int waitingUploads() const { return m_waiting.size(); }
    // A new competition is loaded: what waits, what is on its way and what
    // a restart would send again belongs to the one before, and none of it
    // may reach the results server under the new competition's names.
    void forgetUploads();
    // How often the upload watchdog looks for stuck requests.
    void setWatchdogInterval(int ms);
    // While the results server fails, the next attempt waits `baseMs`, then
    // twice as long after every failed attempt, up to `maxMs`. The wait runs
    // on the single-shot timer "uploadRetry".
    void setBackoff(int baseMs, int maxMs);
    // The watchdog's time source, ms since the epoch (tests set the time).
    void setClock(std::function<qint64()> now);
    // One round of the upload watchdog, which its timer "uploadWatchdog"
    // runs: a request that has waited longer than "upload.maxDelay"
    // seconds, or more failures in a row than "upload.restart", restarts
    // the connection.
    void watchdog();

    // The page options and colours the tab offers: settings key and default.
    struct Option
    {
        const char *key;
        const char *def;
        const char *label;
        bool rewritesPages; // switching it rewrites every class
    };
    static const QList<Option> &options();
    static const QList<Option> &colours();

signals:
    void logMessage(int level, const QString &text);
    void internetError(bool failed);
    void serverEnabled(bool on);
    void activePage(int bane, QString klasseNr, QString afdeling);
    void staevneSelectButton();
    void refresh();

public slots:
    void staevneNavn(const QString &text);
    void clearClasses();
    void addClass(int bane, const QString &title, const QString &klasseNr, const QString &afdeling,
                  const QString &dag);
    void uploadFile(const QString &path, const QString &alias, bool base64 = false);
    void uploadBinFile(const QString &path, const QString &alias);
    void resultChangeClass(int bane, const QString &afdeling, int klasseNr, bool newResult);

    // The database test: opens a connection "TESTDB" of its own from the
    // current settings; true when it opened.
    bool testDatabase();

protected:
    // Dialogs sit behind these so that tests can answer them.
    virtual void showDatabaseError(const QString &text);
    virtual QColor askColour(const QColor &current);

private slots:
    void serverToggled(bool on);
    void uploadToggled(bool on);
    void saveSettings();

private:
    // One file for the results server, read when it was queued.
    struct UploadJob
    {
        QString target;   // the name it is stored under there
        QString source;   // the local file it came from
        QByteArray content;
        qint64 sentAt = 0; // ms since the epoch, when sent
        bool probe = false; // sent alone to learn whether a failing server is back
        bool forgotten = false; // of a competition no longer loaded: never sent again
    };

    void requestFinished(QNetworkReply *reply);
    QTreeWidget *makeClassList(int bane);
    void setUploadConnection(bool on);
    void sendWaiting();
    void send(UploadJob job);
    void restartUpload(const QString &why);
    void serverFailed(const QString &why, bool probe);
    void dropInFlight();
    void stampSent(const QString &source);
    void buildOptions();
    void pickClass(int bane, QTreeWidgetItem *item);
    // Makes a class (or the pause page, class "0") its arena's active class.
    void makeActive(int bane, const QString &klasseNr, const QString &afdeling);

    appConfig *cfg;
    Ui::SetupUI *m_ui;
    // Arena class lists and the pages that hold them, keyed by list name.
    // The widgets belong to the tab widget; clearClasses only forgets them.
    QHash<QString, QTreeWidget *> m_lists;
    QHash<QString, QWidget *> m_pages;
    QNetworkAccessManager *m_upload = nullptr;
    // Latest version of each file not yet sent, keyed by target name; a
    // newer version replaces an older one that is still waiting.
    QMap<QString, UploadJob> m_waiting;
    QHash<QNetworkReply *, UploadJob> m_inFlight;
    // Last version the server confirmed, sent again after a restart.
    QMap<QString, UploadJob> m_delivered;
    int m_failures = 0;
    QTimer *m_watchdog = nullptr;
    std::function<qint64()> m_clock;
    // A failing server is tried again with one file when m_retry fires;
    // the wait doubles with every failed try.
    bool m_serverDown = false;
    int m_backoffBaseMs = 5000;
    int m_backoffMaxMs = 60000;
    int m_backoffMs = 0;
    QTimer *m_retry = nullptr;
};

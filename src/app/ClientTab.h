#pragma once

#include <QString>
#include <QWidget>

#include <functional>

class appConfig;
class QComboBox;
class QTextBrowser;
class QTimer;
class urlDownloader;

// The arena display client: the address row, the page viewer and the timer
// that fetches the arena page again. Shown full screen it hides its address
// row and, with "bane.autoAdjust" on, fits the font to the screen one point
// per page shown.
class ClientTab : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(ClientTab)

public:
    ClientTab(appConfig *cfg, QWidget *parent);

    // How a page fits the view: the fitting moves the font one point per
    // page towards the largest size that fits.
    enum class Fit { Overflow, Exact, Room };
    static Fit fitOf(const QSize &contents, const QSize &visible);
    static int fittedFontSize(int size, const std::function<Fit(int)> &fitAt);

    urlDownloader *downloader() const { return m_downloader; }
    QTextBrowser *viewer() const { return m_view; }
    // The address list; a load adds the addresses of its arenas.
    QStringList addresses() const;
    void addAddresses(const QStringList &addresses);

    // Starts the fetch timer ("bane.update"); called once the window listens.
    void start();
    // Fetches the configured arena page.
    void fetch();
    // Shows a downloaded page, fitting the font in full-screen mode.
    void showFile(const QString &path);
    // Takes a typed or chosen address as the new arena page.
    void selectUrl(const QString &text);
    // The cached copy of the configured arena page.
    QString cachedPage() const;
    void setFullScreen(bool on);
    int fontSize() const;
    void setFontSize(int size);

    // An address as typed into the box, with "http://" where it names none.
    static QString withScheme(const QString &text);

signals:
    void logMessage(int level, const QString &text);
    // The address box's choice, for the window to handle.
    void urlActivated(const QString &text);
    void downloaded(const QString &path);
    void timerFired();

private:
    void startDownloader(const QString &directory);

    appConfig *cfg;
    QWidget *m_urlRow = nullptr;
    QComboBox *m_urlCombo = nullptr;
    QTextBrowser *m_view = nullptr;
    urlDownloader *m_downloader = nullptr;
    QTimer *m_timer = nullptr;
    bool m_fullScreen = false;
};

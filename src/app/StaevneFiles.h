#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>

// The files a competition load publishes besides the class pages: the
// manifest "<federation number>.cfg" for the public results server, the
// start page "index.html" with the schedule and a link to every class, and
// one pause page "klasse0_<arena>.html" per arena, which an arena screen
// shows while no class of it is active. It also collects the display
// client's addresses of the loaded arenas.
//
// Every file is built in memory while the load adds its sections and is
// handed out whole once the load has ended, so the HTTP server and the upload
// never see a page that is still being written.
class StaevneFiles
{
public:
    struct Competition
    {
        QString klub;
        QString klubId;
        QString zepNr;
        QString navn;
        QString type;
        QString startDato;
        QString slutDato;
    };

    // Settings of the pages' head.
    struct Style
    {
        QString css = QStringLiteral("/ZEPLive.css");
        QString background = QStringLiteral("white");
        QString refresh = QStringLiteral("60");
    };

    // The discipline flag of the manifest that a section's view sets.
    enum class Flag { None, Dressur, Spring, Military };

    // One class section that got a view.
    struct Section
    {
        int klasseNr = 0;
        QString klasse;
        QString afdeling;
        int bane = 0;
        QString dag;
        QString start;
        QString slut;
        int diciplinId = 0;
        Flag flag = Flag::None;

        bool isWaitingList() const { return afdeling == QLatin1String("V"); }
    };

    StaevneFiles(const Competition &competition, const Style &style);

    // Adds a section, in load order, to every file and to the addresses.
    void addSection(const Section &section);

    QString manifestName() const;
    QByteArray manifest() const;
    QByteArray startPage() const;
    // The pause pages by file name, in the order of their arenas.
    QList<QPair<QString, QByteArray>> pausePages() const;
    // The pause page of one arena without any class: for an arena that the
    // competition does not use but a screen may still ask for.
    QByteArray pausePage(int bane) const;

    // The display client's addresses for the sections added, in order:
    // each arena's page, a jumping arena's overview page, and at the end the
    // rotating page over every arena.
    QStringList addresses() const;
    // The arenas of the sections added, each once, in order of appearance.
    QString arenaList() const;

    // The local server address followed by `page`.
    static QString localAddress(const QString &page);
    // The addresses of `candidates` that a list holding `existing` gets:
    // one is added unless an entry already begins with it (letters compared
    // without regard to case).
    static QStringList addressesToAdd(const QStringList &existing, const QStringList &candidates);

private:
    QString pausePageHead(int bane) const;
    void addToPausePage(const Section &section, const QString &href);

    Competition m_competition;
    Style m_style;
    QString m_manifestLines;
    QString m_startPageBody;
    QList<QPair<QString, QString>> m_pausePages;
    QStringList m_addresses;
    QList<int> m_arenas;
    int m_lastBane = -1;
    bool m_dressur = false;
    bool m_spring = false;
    bool m_military = false;
};

// Writes `bytes` as the file `name` in the output directory `root` (made when
// missing) through writeWholeFile. A failure is logged once, at level 1, and
// the previous file stays. The path is root + "/" + name; a name that is no
// safe file name (paths::isSafeFileNamePart) is refused and logged the same
// way.
bool writeOutputFile(const QString &root, const QString &name, const QByteArray &bytes,
                     const std::function<void(int, const QString &)> &log);

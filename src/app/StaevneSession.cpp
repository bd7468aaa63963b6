#include "app/StaevneSession.h"
#include "database/FileNamePart.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstdio>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QSqlDatabase>

#include "app/ClientTab.h"
#include "app/QTabW.h"
#include "app/StaevneFiles.h"
#include "app/StaevneInfoPage.h"
#include "files/WholeFile.h"
#include "publish/HttpDaemon.h"
#include "publish/PathJoin.h"
#include "publish/Setup.h"
#include "settings/appConfig.h"
#include "views/KlasseJsonDocument.h"
#include "views/staevneKlasseInfo.h"

namespace {
const QString connectionName = QStringLiteral("ZEP");

// Holds the busy flag for as long as a load or refresh runs.
class BusyScope
{
public:
    explicit BusyScope(bool &flag)
        : m_flag(flag)
    {
        m_flag = true;
    }
    ~BusyScope() { m_flag = false; }
    Q_DISABLE_COPY(BusyScope)

private:
    bool &m_flag;
};

// Lets timers, sockets and uploads run during a long loop. The operator's
// input waits until the loop is done, so it cannot start a second load or
// tear down the views under it.
void letEventsThrough()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

StaevneFiles::Flag fileFlag(StaevneLoader::Discipline discipline)
{
    switch (discipline) {
    case StaevneLoader::Discipline::Dressur:
        return StaevneFiles::Flag::Dressur;
    case StaevneLoader::Discipline::Spring:
        return StaevneFiles::Flag::Spring;
    case StaevneLoader::Discipline::Military:
        return StaevneFiles::Flag::Military;
    case StaevneLoader::Discipline::None:
        break;
    }
    return StaevneFiles::Flag::None;
}

StaevneFiles::Style fileStyle(const appConfig &cfg)
{
    StaevneFiles::Style style;
    style.css = cfg.getValue(QStringLiteral("http.css"), QStringLiteral("/ZEPLive.css"));
    style.background = cfg.getValue(QStringLiteral("html.background.color"), QStringLiteral("white"));
    style.refresh = cfg.getValue(QStringLiteral("http.refresh"), QStringLiteral("60"));
    return style;
}

StaevneFiles::Section fileSection(const StaevneLoader::SectionRow &row, StaevneLoader::ViewKind kind)
{
    StaevneFiles::Section section;
    section.klasseNr = row.klasseNr;
    section.klasse = row.klasse;
    section.afdeling = row.afdeling;
    section.bane = row.bane;
    section.dag = row.dag;
    section.start = row.start;
    section.slut = row.slut;
    section.diciplinId = row.diciplinId;
    section.flag = fileFlag(StaevneLoader::disciplineOf(kind));
    return section;
}
} // namespace

StaevneSession::StaevneSession(Station station, QObject *parent)
    : QObject(parent)
    , m_station(std::move(station))
{
}

StaevneSession::~StaevneSession()
{
    deleteViews();
}

void StaevneSession::log(int level, const QString &text)
{
    emit logMessage(level, text);
}

QSqlDatabase StaevneSession::connection() const
{
    if (!QSqlDatabase::contains(connectionName))
        m_station.connectDatabase(connectionName);
    return QSqlDatabase::database(connectionName, true);
}

StaevneLoader::Database StaevneSession::database(const QSqlDatabase &db)
{
    StaevneLoader::Database database;
    database.db = db;
    database.field = m_station.field;
    database.bytes = m_station.bytes;
    database.log = [this](int level, const QString &text) { log(level, text); };
    return database;
}

bool StaevneSession::refuseWhileBusy(const QString &what)
{
    if (!m_busy)
        return false;
    log(1, QStringLiteral("%1 afvist: et stævne indlæses eller opdateres").arg(what));
    return true;
}

void StaevneSession::removeInterruptedWrites()
{
    ::removeInterruptedWrites(m_station.cfg->getValue(QStringLiteral("http.root"), QStringLiteral("html/")),
                              [this](int level, const QString &text) { log(level, text); });
}

void StaevneSession::deleteViews()
{
    const QList<staevneKlasseInfo *> views = m_views.values();
    m_views.clear();
    qDeleteAll(views);
}

bool StaevneSession::readList(StaevneLoader::StaevneList *list)
{
    const BusyScope busy(m_busy);
    m_station.connectDatabase(connectionName);
    const QSqlDatabase db = QSqlDatabase::database(connectionName, true);
    if (!db.isOpen())
        return false; // the connection reports its own failure
    if (StaevneLoader::readStaevneList(database(db), list)) {
        m_station.databaseReadable();
        return true;
    }
    log(1, QStringLiteral("Stævnelisten kunne ikke læses fra databasen"));
    return false;
}

void StaevneSession::open(int staevneId)
{
    if (refuseWhileBusy(QStringLiteral("Indlæsning af stævne %1").arg(staevneId)))
        return;
    StaevneLoader::StaevneList list;
    const int index = readList(&list) ? int(list.ids.indexOf(staevneId)) : -1;
    if (index >= 0)
        m_station.cfg->setValue(QStringLiteral("staevne.navn"), list.entries.at(index));
    show(staevneId);
}

void StaevneSession::select()
{
    if (refuseWhileBusy(QStringLiteral("Valg af stævne")))
        return;
    StaevneLoader::StaevneList list;
    if (!readList(&list) || list.entries.isEmpty())
        return;
    int index = -1;
    QString text;
    if (!m_station.askStaevne(list.entries, int(list.entries.size()) - 1, &index, &text))
        return;
    if (index < 0 || index >= list.entries.size())
        index = int(list.entries.indexOf(text));
    if (index < 0) {
        // Loading "no competition" would only tear down the live views.
        log(1, QStringLiteral("Stævnet \"%1\" findes ikke i databasen; intet indlæst").arg(text));
        return;
    }
    m_station.cfg->setValue(QStringLiteral("staevne.navn"), list.entries.at(index));
    show(list.ids.at(index));
}

void StaevneSession::show(int staevneId)
{
    if (refuseWhileBusy(QStringLiteral("Indlæsning af stævne %1").arg(staevneId)))
        return;
    const BusyScope busy(m_busy);
    appConfig *cfg = m_station.cfg;
    Setup *setup = m_station.setup;

    cfg->setValue(QStringLiteral("staevne.id"), QString::number(staevneId));
    setup->staevneNavn(cfg->getValue(QStringLiteral("staevne.navn"), QStringLiteral("??")));

    const QSqlDatabase db = connection();
    if (!db.isOpen())
        return; // the competition on show stays
    const StaevneLoader::Database database = this->database(db);

    const StaevneLoader::Club club = StaevneLoader::readClub(database);
    const StaevneLoader::Header header = StaevneLoader::readHeader(database, staevneId);
    if (header.read)
        log(1, QStringLiteral("%1: %2 %3 %4 - %5")
                   .arg(header.zepNr, header.navn, header.type, header.startDato, header.slutDato));
    removeInterruptedWrites();

    const int sectionCount = StaevneLoader::readSectionCount(database, staevneId);

    // No cancel button: a load always runs to its end.
    QProgressDialog progress(tr("Indlæser stævne\n%1").arg(header.navn), QString(), 0, sectionCount + 3, m_station.window);
    progress.setObjectName(QStringLiteral("progress"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(100);
    progress.setValue(0);
    letEventsThrough();

    // The sections are read before anything of the competition on show is
    // touched: when they cannot be read, its views, lists and files stay.
    QList<StaevneLoader::SectionRow> rows;
    if (!StaevneLoader::readSections(database, staevneId, &rows)) {
        log(1, QStringLiteral("Klasserne i stævne %1 kunne ikke læses; det viste stævne bliver").arg(staevneId));
        writeInfo(staevneId);
        progress.setValue(sectionCount + 3);
        return;
    }

    tearDown(header, rows);
    progress.setValue(1);
    letEventsThrough();
    build(staevneId, club, header, rows, &progress);
    progress.setValue(sectionCount + 3);
    progress.close();
    announce(header.navn);
}

void StaevneSession::announce(const QString &navn) const
{
    QStringList classes;
    for (QTabW *tabs : {m_station.classTabs, m_champTabs}) {
        for (int i = 0; tabs && i < tabs->count(); ++i)
            classes << tabs->tabText(i);
    }
    const QString count = classes.size() == 1 ? QStringLiteral("1 klasse")
                                              : QStringLiteral("%1 klasser").arg(classes.size());
    const QString line =
        QStringLiteral("Stævne indlæst: %1: %2: %3\n").arg(navn, count, classes.join(QLatin1String(", ")));
    std::fputs(line.toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
}

void StaevneSession::build(int staevneId, const StaevneLoader::Club &club, const StaevneLoader::Header &header,
                           const QList<StaevneLoader::SectionRow> &rows, QProgressDialog *progress)
{
    appConfig *cfg = m_station.cfg;
    StaevneFiles files({club.navn, club.id, header.zepNr, header.navn, header.type, header.startDato, header.slutDato},
                       fileStyle(*cfg));
    const bool championat = cfg->getValue(QStringLiteral("championat.show"), QStringLiteral("0")).toInt() != 0;
    QString notice;
    int created = 0;
    int step = 2;
    // The files first: the arena names point at the pause pages from the
    // moment the previous competition's views are gone, so those pages must
    // be the new competition's before any view starts writing.
    QList<QPair<StaevneLoader::SectionRow, StaevneLoader::ViewKind>> shown;
    for (const StaevneLoader::SectionRow &row : rows) {
        const StaevneLoader::ViewKind kind = StaevneLoader::viewKind(row, championat);
        if (kind == StaevneLoader::ViewKind::None)
            continue;
        if (!paths::isSafeFileNamePart(row.afdeling)) {
            // The initials name every file of the section's view.
            log(1, QStringLiteral("Klasse %1 %2 springes over: afdelingen \"%3\" kan ikke indgå i et filnavn")
                       .arg(QString::number(row.klasseNr), row.klasse, row.afdeling));
            continue;
        }
        files.addSection(fileSection(row, kind));
        shown.append(qMakePair(row, kind));
    }
    writePausePages(files);
    for (const auto &section : std::as_const(shown)) {
        progress->setValue(step++);
        letEventsThrough();
        addSection(section.first, section.second, staevneId, championat, &notice, &created);
    }
    logTimerWarnings();
    writeFiles(header, files);
    writeInfo(staevneId);
    if (!notice.isEmpty())
        m_station.showChampionshipNotice(notice);
}

void StaevneSession::logTimerWarnings()
{
    // Every view of a kind falls back alike: each text once, not once per view.
    QStringList warnings;
    for (const staevneKlasseInfo *view : std::as_const(m_views)) {
        const QString warning = view->updateTimerWarning();
        if (!warning.isEmpty() && !warnings.contains(warning))
            warnings << warning;
    }
    warnings.sort();
    for (const QString &warning : std::as_const(warnings))
        log(1, warning);
}

void StaevneSession::tearDown(const StaevneLoader::Header &header, const QList<StaevneLoader::SectionRow> &rows)
{
    pointArenasAtPausePages(rows);
    removeOldFiles();
    deleteViews();
    delete m_champTabs;
    m_champTabs = nullptr;
    // Stored only now: the views of the competition on show read it while
    // they live. A number that could not be read is stored as unknown, never
    // kept from the competition before: the new views would publish under
    // that competition's number and read and save its score files.
    m_station.cfg->setValue(QStringLiteral("staevne.ZEPStaevneId"),
                            header.read ? header.zepNr : QStringLiteral("ukendt"));
    m_station.setup->clearClasses();
    m_station.setup->forgetUploads();
}

void StaevneSession::removeOldFiles()
{
    // Views name their files "<kind><class number>_<section>.<type>"
    // (pages, JSON documents, exports). The pause pages stay: the arena
    // names point at them, and the load replaces each one whole.
    QStringList suffixes;
    for (const QString &key : m_views.keys())
        suffixes << QRegularExpression::escape(QString(key).replace(key.indexOf(QLatin1Char('-')), 1, QLatin1Char('_')));
    if (suffixes.isEmpty())
        return;
    // Only the views' own names: a championship score file ("<competition>_
    // klasse_<nr>_<section>.csv") holds typed marks and stays whatever else goes.
    const QRegularExpression written(QStringLiteral("^(?:klasse|rank|oversigt)(?:%1)\\.(?:html|json|csv)$")
                                         .arg(suffixes.join(QLatin1Char('|'))));
    const QDir root(m_station.cfg->getValue(QStringLiteral("http.root"), QStringLiteral("html/")));
    for (const QString &name : root.entryList(QDir::Files)) {
        if (written.match(name).hasMatch() && !QFile::remove(root.filePath(name)))
            log(1, QStringLiteral("Kunne ikke fjerne %1 fra det forrige stævne").arg(root.filePath(name)));
    }
}

void StaevneSession::pointArenasAtPausePages(const QList<StaevneLoader::SectionRow> &rows)
{
    // The arenas of both competitions: one the new competition lacks must
    // not keep a class of the old one either; it keeps a pause page of the
    // new competition with an empty schedule.
    for (const StaevneLoader::SectionRow &row : rows) {
        if (!row.isWaitingList())
            m_arenas.insert(row.bane);
    }
    HttpDaemon *httpd = m_station.httpServer();
    if (!httpd)
        return;
    for (int bane : std::as_const(m_arenas)) {
        const QString pause = QStringLiteral("klasse0_%1.html").arg(bane);
        for (const char *name : {"bane%1.html", "rank%1.html", "oversigt%1.html"})
            httpd->addAlias(QString::fromLatin1(name).arg(bane), pause);
    }
    // An arena without a pause page (the waiting lists' 99) may still name
    // an active class of the old competition: it names nothing that exists
    // until one of the new competition's classes becomes active there.
    static const QRegularExpression arenaName(QStringLiteral("^(?:bane|rank|oversigt)(\\d+)\\.html$"));
    const QMap<QString, QString> aliases = httpd->aliases();
    for (auto it = aliases.cbegin(); it != aliases.cend(); ++it) {
        const QRegularExpressionMatch match = arenaName.match(it.key());
        if (match.hasMatch() && !m_arenas.contains(match.captured(1).toInt())
            && !it.value().startsWith(QLatin1String("klasse0_")) && !it.value().startsWith(QLatin1String("rank0_")))
            httpd->addAlias(it.key(), QStringLiteral("klasse0_%1.html").arg(match.captured(1)));
    }
}

QTabW *StaevneSession::championshipTab(QString *notice)
{
    if (m_champTabs)
        return m_champTabs;
    appConfig *cfg = m_station.cfg;
    m_champTabs = new QTabW(m_station.window);
    m_station.mainTabs->insertTab(2, m_champTabs,
                                    cfg->getValue(QStringLiteral("championat.title"), tr("&Championats Klasser")));
    const QString defaultInfo =
        tr("Resultaterne for championats klasser kan nu indtastes\ni fanebladet %1.\nDesuden kan der "
           "gemmes en kopi\n\n")
            .arg(cfg->getValue(QStringLiteral("championat.title"), tr("Championats Klasser")));
    *notice = cfg->getValue(QStringLiteral("championat.info"), defaultInfo);
    return m_champTabs;
}

void StaevneSession::addSection(const StaevneLoader::SectionRow &row, StaevneLoader::ViewKind kind, int staevneId,
                                bool championat, QString *notice, int *created)
{
    const QString klasseNr = QString::number(row.klasseNr);
    staevneKlasseInfo *view =
        StaevneLoader::createView(kind, m_station.cfg, m_station.window, row.klasse + QLatin1Char(' ') + row.afdeling);
    connect(view, &staevneKlasseInfo::logMessage, this, &StaevneSession::logMessage);

    const bool inChampionshipTab = StaevneLoader::inChampionshipTab(row.klasseType, championat);
    QTabW *target = inChampionshipTab ? championshipTab(notice) : m_station.classTabs;
    target->insertTab((*created)++, view, QStringLiteral("%1 %2 - %3").arg(klasseNr, row.klasse, row.afdeling));
    if (inChampionshipTab)
        *notice += QStringLiteral("%1 %2").arg(klasseNr, row.klasse) + QLatin1Char('\n');

    view->showKlasse(staevneId, row.klasseNr, row.afdeling, row.bane, row.afdelingId);

    const QString key = QStringLiteral("%1-%2").arg(klasseNr, row.afdeling);
    if (staevneKlasseInfo *twin = m_views.take(key)) {
        log(1, QStringLiteral("Klasse %1 findes to gange; den første visning lukkes").arg(key));
        delete twin;
    }
    m_views.insert(key, view);
    Setup *setup = m_station.setup;
    setup->addClass(row.bane, row.klasse + QLatin1Char(' ') + row.afdeling, klasseNr, row.afdeling, row.dag);
    connect(view, &staevneKlasseInfo::resultChangeClass, setup, &Setup::resultChangeClass);
    connect(view, &staevneKlasseInfo::connectDB, this,
            [this](const QString &name) { m_station.reconnectDatabase(name); });
    connect(view, &staevneKlasseInfo::databaseReadAgain, this, [this] { m_station.databaseReadable(); });
    if (!row.isWaitingList())
        m_arenas.insert(row.bane);
}

void StaevneSession::writePausePages(const StaevneFiles &files)
{
    const QString root = m_station.cfg->getValue(QStringLiteral("http.root"), QStringLiteral("html/"));
    const auto logLine = [this](int level, const QString &text) { log(level, text); };
    QSet<int> empty = m_arenas;
    for (const auto &page : files.pausePages()) {
        writeOutputFile(root, page.first, page.second, logLine);
        empty.remove(page.first.mid(8).chopped(5).toInt());
    }
    for (int bane : std::as_const(empty))
        writeOutputFile(root, QStringLiteral("klasse0_%1.html").arg(bane), files.pausePage(bane), logLine);
    // Every arena shows its pause page until one of its classes becomes
    // active, on the results server too: its names there still hold the
    // previous competition's active class otherwise.
    const QString zepNr = m_station.cfg->getValue(QStringLiteral("staevne.ZEPStaevneId"), QStringLiteral("ZEP"));
    QList<int> arenas = m_arenas.values();
    std::sort(arenas.begin(), arenas.end());
    for (int bane : std::as_const(arenas)) {
        const QString json = QStringLiteral("klasse0_%1.json").arg(bane);
        writeOutputFile(root, json, pauseJson(bane, zepNr), logLine);
        m_station.setup->uploadFile(QStringLiteral("html/klasse0_%1.html").arg(bane),
                                    QStringLiteral("bane%1.html").arg(bane));
        m_station.setup->uploadFile(QLatin1String("html/") + json, QStringLiteral("bane%1.json").arg(bane));
    }
}

void StaevneSession::writeFiles(const StaevneLoader::Header &header, const StaevneFiles &files)
{
    // The competition's files, each written whole now that it is complete.
    const QString root = m_station.cfg->getValue(QStringLiteral("http.root"), QStringLiteral("html/"));
    const auto logLine = [this](int level, const QString &text) { log(level, text); };
    Setup *setup = m_station.setup;
    HttpDaemon *httpd = m_station.httpServer();
    if (writeOutputFile(root, files.manifestName(), files.manifest(), logLine)) {
        if (!header.read)
            log(1, QStringLiteral("%1 sendes ikke: stævnets data kunne ikke læses, og filen ville "
                                  "overskrive det andre stationer har sendt")
                       .arg(files.manifestName()));
        else
            setup->uploadFile(root + QLatin1Char('/') + files.manifestName(), QString(), false);
    }
    if (writeOutputFile(root, QStringLiteral("index.html"), files.startPage(), logLine) && httpd
        && paths::isSafeFileNamePart(header.zepNr))
        httpd->addAlias(header.zepNr, QStringLiteral("index.html"));
    ClientTab *client = m_station.client;
    client->addAddresses(StaevneFiles::addressesToAdd(client->addresses(), files.addresses()));
}

bool StaevneSession::refresh()
{
    if (refuseWhileBusy(QStringLiteral("Opdatering af klasserne")))
        return false;
    const BusyScope busy(m_busy);
    appConfig *cfg = m_station.cfg;
    log(1, QStringLiteral("Refresh Classes "));
    const int staevneId = cfg->getValue(QStringLiteral("staevne.id"), QStringLiteral("0")).toInt();
    if (staevneId > 0)
        writeInfo(staevneId);
    cfg->setValue(QStringLiteral("host.info"), m_station.hostInfo());

    QList<QPointer<staevneKlasseInfo>> views;
    for (staevneKlasseInfo *view : std::as_const(m_views))
        views << view;
    for (const QPointer<staevneKlasseInfo> &view : std::as_const(views)) {
        if (view)
            view->refreshClass();
        letEventsThrough();
    }
    return true;
}

void StaevneSession::writeLogo(const StaevneLoader::Database &database, const QString &root)
{
    const StaevneInfoPage::Logo logo = StaevneInfoPage::readLogo(database);
    if (logo.klubId.isEmpty())
        return;
    const QString name = logo.klubId + QLatin1String(".png");
    const QByteArray png = StaevneInfoPage::logoPng(logo.bytes);
    if (png.isEmpty()) {
        log(1, QStringLiteral("Klub logo %1 kan ikke læses fra databasen").arg(name));
        return;
    }
    if (!writeOutputFile(root, name, png, [this](int level, const QString &text) { log(level, text); }))
        return;
    const QString path = root + QLatin1Char('/') + name;
    log(1, QStringLiteral("Klub logo %1").arg(path));
    m_station.setup->uploadBinFile(path, QString());
}

void StaevneSession::writeInfo(int staevneId)
{
    const QSqlDatabase db = connection();
    if (!db.isOpen())
        return;
    const StaevneLoader::Database database = this->database(db);
    appConfig *cfg = m_station.cfg;
    const QString root = cfg->getValue(QStringLiteral("http.root"), QStringLiteral("html/"));

    const int updateLevel = StaevneInfoPage::readUpdateLevel(database);
    writeLogo(database, root);
    if (updateLevel <= StaevneInfoPage::minimumUpdateLevel)
        return;
    StaevneInfoPage::Content content;
    if (!StaevneInfoPage::readContent(database, staevneId, &content) || !StaevneInfoPage::hasContent(content))
        return;
    const QString name = content.zepNr + QLatin1String(".html");
    const QByteArray page = StaevneInfoPage::page(content,
                                                  cfg->getValue(QStringLiteral("http.css"), QStringLiteral("/ZEPLive.css")),
                                                  cfg->getValue(QStringLiteral("html.background.color"), QStringLiteral("white")));
    if (!writeOutputFile(root, name, page, [this](int level, const QString &text) { log(level, text); }))
        return;
    m_station.setup->uploadFile(root + QLatin1Char('/') + name, QString(), false);
    if (HttpDaemon *httpd = m_station.httpServer())
        httpd->addAlias(QStringLiteral("info.html"), name);
}

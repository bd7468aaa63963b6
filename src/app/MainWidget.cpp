#include "app/MainWidget.h"

#include <QApplication>
#include <QCloseEvent>
#include <cstdio>
#include <QComboBox>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHostInfo>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QNetworkInterface>
#include <QPushButton>
#include <QShortcut>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTime>
#include <QVBoxLayout>

#include <memory>

#include "database/DatabaseSettings.h"
#include "files/ProgramVersion.h"
#include "app/ClientTab.h"
#include "app/LogArea.h"
#include "publish/HttpDaemon.h"
#include "publish/PathJoin.h"
#include "app/QTabW.h"
#include "publish/Setup.h"
#include "app/StaevneSession.h"
#include "settings/appConfig.h"
#include "views/staevneKlasseInfo.h"
#include "publish/urlDownloader.h"

namespace {
const char *const buildDate = "Jun 25 2014";
const QString connectionName = QStringLiteral("ZEP");

MainWidget::HostLookup &hostLookup()
{
    static MainWidget::HostLookup lookup;
    return lookup;
}

MainWidget::HttpServerMaker &httpServerMaker()
{
    static MainWidget::HttpServerMaker maker;
    return maker;
}

HostAddresses lookUpThisHost()
{
    HostAddresses result;
    result.hostName = QHostInfo::localHostName();
    if (result.hostName.isEmpty())
        return result;
    const QHostInfo info = QHostInfo::fromName(result.hostName);
    result.lookupOk = info.error() == QHostInfo::NoError;
    result.resolved = info.addresses();
    result.interfaces = QNetworkInterface::allAddresses();
    return result;
}

QString timePrefix()
{
    return QTime::currentTime().toString(QStringLiteral("hh:mm:ss : "));
}

bool isOn(const QString &value)
{
    return value.toInt() != 0;
}
} // namespace

MainWidget::MainWidget(QWidget *parent, const QString &settingsFile, const QString &name)
    : QWidget(parent)
{
    setObjectName(name);

    cfg = new appConfig(this, settingsFile);
    connect(cfg, &appConfig::logMessage, this, &MainWidget::slotLogMessage);
    cfg->readConfig();
    cfg->setValue(QStringLiteral("staevne.ZEPStaevneId"), QStringLiteral("S000000"));

    auto *windowLayout = new QVBoxLayout(this);
    windowLayout->setContentsMargins(2, 2, 2, 2);
    auto *tabRow = new QHBoxLayout;
    windowLayout->addLayout(tabRow, 10);
    tabs = new QTabW(this);
    tabRow->addWidget(tabs);

    buildStatusBar();
    windowLayout->addWidget(statusBar);
    buildClientTab();

    serverTabs = new QTabW(this);
    tabs->addTab(serverTabs, cfg->getValue(QStringLiteral("server.title"), tr("&Server")));
    setup = new Setup(cfg, this, QStringLiteral("Server"));
    serverTabs->addTab(setup, cfg->getValue(QStringLiteral("setup.title"), tr("&Setup")));
    connect(setup, &Setup::logMessage, this, &MainWidget::slotLogMessage);
    connect(setup, &Setup::internetError, this, &MainWidget::internetError);
    connect(setup, &Setup::serverEnabled, this, &MainWidget::serverEnabled);

    klasseTabs = new QTabW(this);
    tabs->addTab(klasseTabs, QStringLiteral("Klasser"));
    buildSession();

    buildLogArea();
    // The store read its file before there was a log view to say so.
    if (cfg->hasUnreadableFile()) {
        slotLogMessage(1, tr("Indstillingsfilen %1 kunne ikke læses (%2); stationen kører med standardindstillingerne")
                              .arg(cfg->fileName(), cfg->readError()));
        statusBar->showMessage(tr("Indstillingsfilen kunne ikke læses"));
    }
    m_session->removeInterruptedWrites();
    cfg->removeInterruptedWrites();
    // Started once the log view is there: a fallback of its interval is
    // logged, and would go nowhere before.
    m_client->start();

    startHttpServer(isOn(cfg->getValue(QStringLiteral("app.server"), QStringLiteral("0"))));
    connect(setup, &Setup::serverEnabled, this, &MainWidget::startHttpServer);
    connect(setup, &Setup::activePage, this, &MainWidget::slotActivePage);
    connect(setup, &Setup::staevneSelectButton, this, &MainWidget::selectStaevne);
    connect(setup, &Setup::refresh, this, &MainWidget::refreshClasses);

    buildStatusIcons();

    connect(this, &MainWidget::newStaevne, this, &MainWidget::selectStaevne);
    connect(this, &MainWidget::staevneShow, this, &MainWidget::showStaevne);

    // F2 saves the settings wherever the focus is. A key press reaches the
    // window only when the focused widget passes it on, and the
    // championship sheet takes F2 to open a cell; a shortcut of the window
    // comes before any widget's own use of the key.
    auto *save = new QShortcut(QKeySequence(Qt::Key_F2), this);
    save->setContext(Qt::WindowShortcut);
    save->setAutoRepeat(false);
    connect(save, &QShortcut::activated, cfg, [this] { cfg->writeConfig(); });

    m_fullScreen = false;

    if (cfg->getValue(QStringLiteral("indtastning.dommer.disable"), QStringLiteral("0")).toInt() == 1) {
        tabs->setTabEnabled(tabs->indexOf(serverTabs), false);
        tabs->setTabEnabled(tabs->indexOf(klasseTabs), false);
    }

    timeOut();
}

MainWidget::~MainWidget()
{
    // Tear down in an order where nothing still running can reach a part
    // that is already gone: first everything that fires on its own (timers,
    // downloads, uploads), then the parts that hold the settings store, and
    // the store last.
    if (m_client)
        m_client->disconnect(this);
    if (setup)
        setup->disconnect(this);
    if (cfg)
        cfg->disconnect(this);

    delete m_session;
    m_session = nullptr;

    delete httpd;
    httpd = nullptr;
    delete m_client;
    m_client = nullptr;
    delete setup;
    setup = nullptr;
    delete cfg;
    cfg = nullptr;
}

void MainWidget::buildStatusBar()
{
    statusBar = new QStatusBar(this);
    statusBar->setSizeGripEnabled(false);
    // One look-up serves both: it can block while the name service answers.
    const QString addresses = hostInfo();
    cfg->setValue(QStringLiteral("host.info"), addresses);
    hostLabel = new QLabel(addresses.section(QLatin1String(" /"), 0, 0), statusBar);
    statusBar->addPermanentWidget(hostLabel, 0);
    versionLabel = new QLabel(tr("Version: %1 Build date: %2").arg(QLatin1String(ProgramVersion), QLatin1String(buildDate)),
                              statusBar);
    statusBar->addPermanentWidget(versionLabel, 0);
}

void MainWidget::buildStatusIcons()
{
    if (isOn(cfg->getValue(QStringLiteral("app.statusButtons"), QStringLiteral("0")))) {
        refreshButton = new QPushButton(tr("Opdater"), statusBar);
        statusBar->addPermanentWidget(refreshButton);
        connect(refreshButton, &QPushButton::pressed, this, &MainWidget::refreshClasses);
        if (isOn(cfg->getValue(QStringLiteral("app.statusButtons.fullScreen"), QStringLiteral("0")))) {
            fullScreenButton = new QPushButton(QStringLiteral("F"), statusBar);
            statusBar->addPermanentWidget(fullScreenButton);
            connect(fullScreenButton, &QPushButton::pressed, this, &MainWidget::fullScreen);
        }
    }

    internetLabel = new QLabel(statusBar);
    internetLabel->setPixmap(QPixmap(QStringLiteral("logo/globe.png")));
    internetLabel->setProperty("icon", QStringLiteral("logo/globe.png"));
    statusBar->addPermanentWidget(internetLabel);
    databaseLabel = new QLabel(statusBar);
    databaseLabel->setPixmap(QPixmap(QStringLiteral("logo/database.png")));
    databaseLabel->setProperty("icon", QStringLiteral("logo/database.png"));
    statusBar->addPermanentWidget(databaseLabel);
}

void MainWidget::buildClientTab()
{
    m_client = new ClientTab(cfg, this);
    tabs->addTab(m_client, cfg->getValue(QStringLiteral("bane.title"), tr("&Klient")));
    connect(m_client, &ClientTab::logMessage, this, &MainWidget::slotLogMessage);
    connect(m_client, &ClientTab::urlActivated, this, &MainWidget::urlSelected);
    connect(m_client, &ClientTab::downloaded, this, &MainWidget::slotBaneFile);
    connect(m_client, &ClientTab::timerFired, this, &MainWidget::timeOut);
    slotBaneFile(m_client->cachedPage());
}

void MainWidget::buildSession()
{
    StaevneSession::Station station;
    station.cfg = cfg;
    station.setup = setup;
    station.client = m_client;
    station.mainTabs = tabs;
    station.classTabs = klasseTabs;
    station.window = this;
    station.httpServer = [this] { return httpd; };
    station.connectDatabase = [this](const QString &name) { connectDatabase(name); };
    station.reconnectDatabase = [this](const QString &name) { reconnectDatabase(name); };
    station.databaseReadable = [this] { databaseReadable(); };
    station.field = [this](const QString &statement) { return getDBField(statement); };
    station.bytes = [this](const QString &statement) { return getDBFieldByteArray(statement); };
    station.hostInfo = [this] { return hostInfo(); };
    station.askStaevne = [this](const QStringList &entries, int current, int *index, QString *text) {
        return askStaevne(entries, current, index, text);
    };
    station.showChampionshipNotice = [this](const QString &text) { showChampionshipNotice(text); };
    m_session = new StaevneSession(std::move(station), this);
    connect(m_session, &StaevneSession::logMessage, this, &MainWidget::slotLogMessage);
}

void MainWidget::buildLogArea()
{
    if (!LogArea::wanted(*cfg))
        return;
    m_log = new LogArea(*cfg, this);
    connect(m_log, &LogArea::clearRequested, this, &MainWidget::clearDebug);
    connect(m_log, &LogArea::saveRequested, this, &MainWidget::saveLog);
    connect(this, &MainWidget::logMessage, m_log, &LogArea::appendPlain);
    tabs->insertTab(5, m_log, m_log->title());
}

// ---- log routing ---------------------------------------------------------

void MainWidget::slotLogMessage(int level, const QString &text)
{
    if (level < 0)
        qDebug().noquote() << timePrefix() << level << text;
    if (!m_log) {
        if (statusBar) {
            if (level == 3 || isOn(cfg->getValue(QStringLiteral("app.statusErrors"), QStringLiteral("0"))))
                statusBar->showMessage(text);
        } else {
            qDebug().noquote() << level << text;
        }
        return;
    }
    m_log->append(level, text);
    if (level == 3 && statusBar)
        statusBar->showMessage(text);
}

void MainWidget::clearDebug()
{
    if (m_log)
        m_log->clear();
}

QString MainWidget::askSaveLogFileName()
{
    return QFileDialog::getSaveFileName(this, QString(), QStringLiteral("ZEPLive_log.txt"),
                                        tr("Text files(*.txt);;Alle Filer (*)"));
}

void MainWidget::saveLog()
{
    const QString fileName = askSaveLogFileName();
    if (fileName.isEmpty() || !m_log)
        return;
    if (!m_log->saveTo(fileName, cfg->getValue(QStringLiteral("staevne.navn"), QStringLiteral("??")),
                       QLatin1String(ProgramVersion)))
        slotLogMessage(1, QStringLiteral("Kunne ikke gemme loggen i %1").arg(fileName));
}

// ---- arena display client -----------------------------------------------

urlDownloader *MainWidget::downloader() const
{
    return m_client ? m_client->downloader() : nullptr;
}

void MainWidget::timeOut()
{
    if (m_client)
        m_client->fetch();
}

void MainWidget::slotBaneFile(const QString &path)
{
    slotLogMessage(1, QStringLiteral("Load %1").arg(path));
    if (m_client)
        m_client->showFile(path);
}

void MainWidget::urlSelected(const QString &text)
{
    if (m_client)
        m_client->selectUrl(text);
}

void MainWidget::fullScreen()
{
    if (m_client)
        m_client->setFullScreen(true);
    showFullScreen();
    m_fullScreen = true;
    if (tabs)
        tabs->hideTabBar();
    if (statusBar)
        statusBar->hide();
    setCursor(Qt::BlankCursor);
    QApplication::setOverrideCursor(QCursor(Qt::BlankCursor));
    cfg->setValue(QStringLiteral("app.fullscreen.show"), QString::number(int(m_fullScreen)));
}

void MainWidget::leaveFullScreen()
{
    if (m_client)
        m_client->setFullScreen(false);
    showNormal();
    m_fullScreen = false;
    if (tabs)
        tabs->showTabBar();
    if (statusBar)
        statusBar->show();
    setCursor(Qt::ArrowCursor);
    QApplication::restoreOverrideCursor();
    cfg->setValue(QStringLiteral("app.fullscreen.show"), QString::number(int(m_fullScreen)));
}

void MainWidget::fontChanged(const QFont &font)
{
    slotLogMessage(1, QStringLiteral("Font changed %1 %2").arg(font.family(), QString::number(font.pointSize())));
}

void MainWidget::keyPressEvent(QKeyEvent *event)
{
    if (event->isAutoRepeat())
        return;
    // F2 is the window's shortcut (see the constructor).
    switch (event->key()) {
    case Qt::Key_F3:
        cfg->setValue(QStringLiteral("bane.autoAdjust"),
                      isOn(cfg->getValue(QStringLiteral("bane.autoAdjust"), QStringLiteral("0"))) ? QStringLiteral("0")
                                                                                                 : QStringLiteral("1"));
        break;
    case Qt::Key_F6:
    case Qt::Key_F7:
        if (m_client) {
            const int size = m_client->fontSize();
            const int newSize = event->key() == Qt::Key_F6 ? qMax(5, size - 1) : size + 1;
            m_client->setFontSize(newSize);
            cfg->setValue(QStringLiteral("bane.font"), QStringLiteral("%1").arg(newSize));
        }
        break;
    case Qt::Key_F5:
        refreshClasses();
        break;
    case Qt::Key_F10:
        if (isOn(cfg->getValue(QStringLiteral("app.server"), QStringLiteral("0"))))
            emit newStaevne();
        break;
    case Qt::Key_F11:
        if (m_fullScreen)
            leaveFullScreen();
        else
            fullScreen();
        break;
    default:
        break;
    }
}

QMessageBox *MainWidget::makeCloseQuestion(QWidget *parent, const QString &text)
{
    auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("ZEPLive"), text, QMessageBox::NoButton, parent);
    QPushButton *no = box->addButton(tr("&Nej"), QMessageBox::RejectRole);
    QPushButton *yes = box->addButton(tr("&Ja"), QMessageBox::YesRole);
    // A focused button of a dialog answers Return unless told otherwise; the
    // box would also make an accepting button its default when shown
    // without one, so "&Ja" says yes rather than accepts.
    for (QPushButton *button : {no, yes})
        button->setAutoDefault(false);
    box->setDefaultButton(static_cast<QPushButton *>(nullptr));
    box->setEscapeButton(no);
    return box;
}

int MainWidget::askCloseWarning(const QString &text)
{
    const std::unique_ptr<QMessageBox> box(makeCloseQuestion(this, text));
    box->exec();
    if (!box->clickedButton())
        return -1;
    return box->buttonRole(box->clickedButton()) == QMessageBox::YesRole ? 1 : 0;
}

void MainWidget::closeEvent(QCloseEvent *event)
{
    event->accept();
    if (!isOn(cfg->getValue(QStringLiteral("app.server"), QStringLiteral("0"))))
        return;
    const QString warning = cfg->getValue(QStringLiteral("app.closeWarning"),
                                          QStringLiteral("Er du sikker på du vil lukke \nda klienterne ikke vil få opdateringer ?"));
    if (askCloseWarning(warning) != 1)
        event->ignore();
}

// ---- database ------------------------------------------------------------

void MainWidget::connectDatabase(QString name)
{
    // Every view asks again on each tick while the database is away or
    // answers no statement: the attempts of one outage are logged once,
    // when it starts, and its end once, when a statement succeeds again
    // (databaseReadable). A connection that opens says nothing yet: an
    // emptied database or a server that takes the login opens and still
    // fails every statement.
    const bool outageLogged = m_databaseDown;
    databaseError(true);
    QSqlDatabase db;
    if (QSqlDatabase::contains(name)) {
        db = QSqlDatabase::database(name, true);
        if (!outageLogged)
            slotLogMessage(1, QStringLiteral("Old db handler"));
        db.close();
    } else {
        db = dbsettings::addConnection(*cfg, name);
        if (!outageLogged)
            slotLogMessage(1, QStringLiteral("New db handler"));
    }
    const QString server = dbsettings::serverName(*cfg);
    if (db.isValid()) {
        dbsettings::describe(db, *cfg);
        if (!db.isOpen())
            db.open();
        databaseError(false);
        if (db.isOpen())
            return;
    }
    databaseError(true);
    m_databaseDown = true;
    if (outageLogged)
        return;
    slotLogMessage(1, QStringLiteral("Error opening DataBase %1").arg(server));
    if (db.isValid() || QSqlDatabase::contains(name))
        slotLogMessage(1, QStringLiteral("An database error occured.\n%1\n").arg(db.lastError().text()));
}

void MainWidget::reconnectDatabase(const QString &name)
{
    // A connection the registry holds was opened, and still a statement
    // failed: the outage lasts until one succeeds, whether it opens now or not.
    const bool reconnect = QSqlDatabase::contains(name);
    connectDatabase(name);
    if (reconnect)
        m_databaseDown = true;
}

void MainWidget::databaseReadable()
{
    if (!m_databaseDown)
        return;
    m_databaseDown = false;
    slotLogMessage(3, QStringLiteral("DataBase %1 er åben igen").arg(dbsettings::serverName(*cfg)));
}

namespace {
// Runs a one-value statement on "ZEP"; the shared steps of getDBField and
// getDBFieldByteArray. Returns false when the statement could not run.
bool runOneValue(MainWidget *window, const QString &statement, const char *errorFormat, QVariant *value)
{
    if (!QSqlDatabase::contains(connectionName)) {
        window->connectDatabase(connectionName);
        return false;
    }
    QSqlDatabase db = QSqlDatabase::database(connectionName, true);
    if (!db.isOpen()) {
        window->slotLogMessage(1, QStringLiteral("An database error occured.\n%1\n").arg(db.lastError().text()));
        return false;
    }
    QSqlQuery query(db);
    if (!query.prepare(statement) || !query.exec() || !query.isActive()) {
        const QSqlError error = query.lastError();
        std::printf("Error in query %s\n", qPrintable(statement));
        window->slotLogMessage(-1, QString::fromLatin1(errorFormat)
                                       .arg(error.text(), QString::number(int(error.type())), statement));
        return false;
    }
    // A NULL is no value, also where the driver types it as a number (whose
    // text would be "0"): a missing club id must not name a logo "0.png".
    if (query.next() && !query.isNull(0))
        *value = query.value(0);
    window->databaseReadable();
    return true;
}
} // namespace

QString MainWidget::getDBField(const QString &statement, bool *ok)
{
    QVariant value;
    const bool ran = runOneValue(this, statement, "GETDBFIELD SQL Error %1 Type: %2 \n %3", &value);
    if (ok)
        *ok = ran;
    return value.isValid() ? value.toString() : QString();
}

QByteArray MainWidget::getDBFieldByteArray(const QString &statement, bool *ok)
{
    QVariant value;
    const bool ran = runOneValue(this, statement, "GETDBFIELDBYTEARRAY SQL Error %1 Type: %2\n%3", &value);
    if (ok)
        *ok = ran;
    return value.isValid() ? value.toByteArray() : QByteArray();
}

void MainWidget::databaseError(bool error)
{
    if (!databaseLabel)
        return;
    // The picture's path stays on the label as the property "icon".
    const QString picture = error ? QStringLiteral("logo/database_error.png") : QStringLiteral("logo/database_ok.png");
    databaseLabel->setPixmap(QPixmap(picture));
    databaseLabel->setProperty("icon", picture);
}

// ---- HTTP server ---------------------------------------------------------

void MainWidget::startHttpServer(bool on)
{
    if (!on) {
        // Views must not vanish under a load or refresh that is running.
        if (m_session->refuseWhileBusy(QStringLiteral("Stop af httpd server")))
            return;
        m_session->deleteViews();
        setup->clearClasses();
        if (httpd) {
            slotLogMessage(1, QStringLiteral("Delete httpd server"));
            delete httpd;
            httpd = nullptr;
        }
        return;
    }
    if (httpd)
        return; // already serving
    slotLogMessage(1, QStringLiteral("Create httpd server"));
    const QString portText = cfg->getValue(QStringLiteral("http.port"), QStringLiteral("8080"));
    bool ok = false;
    const int port = portText.toInt(&ok);
    if (!ok || port < 1 || port > 65535) {
        const QString message = tr("HTTP-serveren er ikke startet: port %1 er ikke mellem 1 og 65535").arg(portText);
        slotLogMessage(1, message);
        if (statusBar)
            statusBar->showMessage(message);
        return;
    }
    const QString root = cfg->getValue(QStringLiteral("http.root"), QStringLiteral("html/"));
    QDir().mkpath(root);
    httpd = httpServerMaker() ? httpServerMaker()(this, quint16(port), root) : new HttpDaemon(this, quint16(port), root);
    httpd->setRefresh(cfg->getValue(QStringLiteral("http.refresh"), QStringLiteral("60")));
    httpd->setLogoDir(cfg->getValue(QStringLiteral("logo.dir"), QStringLiteral("logo/")));
    connect(httpd, &HttpDaemon::logMessage, this, &MainWidget::slotLogMessage);
    if (!httpd->isListening()) {
        // Reported here, where someone listens: the server cannot say it
        // while it is being made.
        const QString message = tr("HTTP-serveren kan ikke lytte på port %1").arg(port);
        slotLogMessage(1, message + QStringLiteral(": ") + httpd->bindError());
        if (statusBar)
            statusBar->showMessage(message);
    }
    static const char *const defaults[][2] = {
        {"bane0.html", "klasse0_0.html"},     {"bane1.html", "klasse0_1.html"},     {"bane2.html", "klasse0_2.html"},
        {"bane3.html", "klasse0_3.html"},     {"bane4.html", "klasse0_4.html"},     {"tidsplan0.html", "klasse0_0.html"},
        {"tidsplan1.html", "klasse0_1.html"}, {"tidsplan2.html", "klasse0_2.html"}, {"tidsplan3.html", "klasse0_3.html"},
        {"rank1.html", "rank0_1.html"},       {"rank2.html", "rank0_2.html"},       {"rank3.html", "rank0_3.html"},
    };
    for (const auto &alias : defaults)
        httpd->addAlias(QLatin1String(alias[0]), QLatin1String(alias[1]));
}

void MainWidget::slotActivePage(int bane, QString klasseNr, QString afdeling)
{
    if (httpd) {
        httpd->addAlias(QStringLiteral("bane%1.html").arg(bane), QStringLiteral("klasse%1_%2.html").arg(klasseNr, afdeling));
        httpd->addAlias(QStringLiteral("rank%1.html").arg(bane), QStringLiteral("rank%1_%2.html").arg(klasseNr, afdeling));
        httpd->addAlias(QStringLiteral("oversigt%1.html").arg(bane),
                        QStringLiteral("oversigt%1_%2.html").arg(klasseNr, afdeling));
    }
    timeOut();
}

// ---- station status ------------------------------------------------------

void MainWidget::setHostLookup(HostLookup lookup)
{
    hostLookup() = std::move(lookup);
}

void MainWidget::setHttpServerMaker(HttpServerMaker maker)
{
    httpServerMaker() = std::move(maker);
}

QString MainWidget::formatHostInfo(const HostAddresses &addresses)
{
    if (addresses.hostName.isEmpty())
        return QString();
    QString text = QStringLiteral("%1: ").arg(addresses.hostName);
    if (!addresses.lookupOk)
        return text;

    auto ipv4 = [](const QList<QHostAddress> &list, bool withLoopback) {
        QStringList out;
        for (const QHostAddress &address : list) {
            if (address.protocol() != QAbstractSocket::IPv4Protocol)
                continue;
            if (!withLoopback && address.isLoopback())
                continue;
            out << address.toString();
        }
        return out;
    };
    QStringList shown = ipv4(addresses.resolved, true);
    // Many Linux systems map the host name to 127.0.1.1 only; an arena
    // screen cannot reach that, so name the interfaces' addresses instead.
    if (ipv4(addresses.resolved, false).isEmpty()) {
        const QStringList external = ipv4(addresses.interfaces, false);
        if (!external.isEmpty())
            shown = external;
    }
    text += shown.join(QStringLiteral(" / "));
    text += QStringLiteral(" / 127.0.0.1");
    return text;
}

QString MainWidget::hostInfo()
{
    const HostAddresses addresses = hostLookup() ? hostLookup()() : lookUpThisHost();
    const QString text = formatHostInfo(addresses);
    slotLogMessage(0, text);
    return text;
}

void MainWidget::internetError(bool error)
{
    if (!internetLabel)
        return;
    const QString picture = error ? QStringLiteral("logo/globe_error.png") : QStringLiteral("logo/globe_ok.png");
    internetLabel->setPixmap(QPixmap(picture));
    internetLabel->setProperty("icon", picture);
}

void MainWidget::serverEnabled(bool)
{
}

void MainWidget::requestEquipage(const QString &text)
{
    slotLogMessage(1, QStringLiteral(" requestEquipageMap %1").arg(text));
}

void MainWidget::setTempResult(const QString &id, int nr, float value)
{
    slotLogMessage(1, QStringLiteral(" setTempResult Id: %1 %2 %3").arg(id, QString::number(nr), QString::number(value)));
}

// ---- competition loading -------------------------------------------------

QTabW *MainWidget::championshipTabs() const
{
    return m_session->championshipTabs();
}

staevneKlasseInfo *MainWidget::view(const QString &key) const
{
    return m_session->view(key);
}

QStringList MainWidget::viewKeys() const
{
    return m_session->viewKeys();
}

bool MainWidget::isLoadingStaevne() const
{
    return m_session->isBusy();
}

bool MainWidget::askStaevne(const QStringList &entries, int current, int *index, QString *text)
{
    QInputDialog dialog(this);
    dialog.setWindowTitle(tr("Stævne"));
    dialog.setLabelText(tr("Vælg Stævne"));
    dialog.setComboBoxItems(entries);
    dialog.setComboBoxEditable(true);
    auto *combo = dialog.findChild<QComboBox *>();
    if (combo) {
        combo->setCurrentIndex(current);
        // Return in the line makes the combo box add the text as an entry,
        // or pick the first entry of that name: the chosen position would
        // be lost between equal names.
        combo->setInsertPolicy(QComboBox::NoInsert);
        // The line takes the first Return for itself while its text is
        // selected (as it is when the dialog opens, and after an inline
        // completion); one Return chooses.
        if (combo->lineEdit())
            connect(combo->lineEdit(), &QLineEdit::returnPressed, &dialog, &QDialog::accept);
    }
    if (dialog.exec() != QDialog::Accepted)
        return false;
    *text = dialog.textValue();
    // Equal entries are told apart by their position, not their text.
    *index = combo && combo->currentIndex() >= 0 && combo->itemText(combo->currentIndex()) == *text
                 ? combo->currentIndex()
                 : -1;
    return true;
}

void MainWidget::showChampionshipNotice(const QString &text)
{
    // Shown without waiting for OK: a load must finish (and its classes
    // start publishing) also when nobody is at the station to close it.
    auto *box = new QMessageBox(QMessageBox::Information, tr("Championats klasser"), text, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void MainWidget::selectStaevne()
{
    m_session->select();
}

void MainWidget::showStaevne(int staevneId)
{
    m_session->show(staevneId);
}

void MainWidget::openStaevne(int staevneId)
{
    m_session->open(staevneId);
}

void MainWidget::refreshClasses()
{
    if (refreshButton)
        refreshButton->setEnabled(false);
    if (m_session->refresh() && m_client) {
        slotBaneFile(m_client->cachedPage());
        cfg->setValue(QStringLiteral("bane.font"), QString::number(m_client->fontSize()));
        timeOut();
    }
    if (refreshButton)
        refreshButton->setEnabled(true);
}

void MainWidget::writeStaevneInfo(int staevneId)
{
    m_session->writeInfo(staevneId);
}

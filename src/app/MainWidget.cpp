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
#include <QMessageBox>
#include <QNetworkInterface>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTabBar>
#include <QTextBrowser>
#include <QTime>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "database/DatabaseSettings.h"
#include "app/HistoryLineEdit.h"
#include "publish/HttpDaemon.h"
#include "publish/PathJoin.h"
#include "app/QTabW.h"
#include "publish/Setup.h"
#include "app/StaevneFiles.h"
#include "app/StaevneInfoPage.h"
#include "app/StaevneLoader.h"
#include "settings/appConfig.h"
#include "views/staevneKlasseInfo.h"
#include "publish/urlDownloader.h"

namespace {
const char *const version = "1.74";
const char *const buildDate = "Jun 25 2014";
const QString connectionName = QStringLiteral("ZEP");

MainWidget::HostLookup &hostLookup()
{
    static MainWidget::HostLookup lookup;
    return lookup;
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

    buildLogArea();

    startHttpServer(isOn(cfg->getValue(QStringLiteral("app.server"), QStringLiteral("0"))));
    connect(setup, &Setup::serverEnabled, this, &MainWidget::startHttpServer);
    connect(setup, &Setup::activePage, this, &MainWidget::slotActivePage);
    connect(setup, &Setup::staevneSelectButton, this, &MainWidget::selectStaevne);
    connect(setup, &Setup::refresh, this, &MainWidget::refreshClasses);

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

    connect(this, &MainWidget::newStaevne, this, &MainWidget::selectStaevne);
    connect(this, &MainWidget::staevneShow, this, &MainWidget::showStaevne);

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
    if (clientTimer)
        clientTimer->stop();
    if (setup)
        setup->disconnect(this);
    if (m_downloader)
        m_downloader->disconnect(this);
    if (cfg)
        cfg->disconnect(this);

    deleteViews();

    delete httpd;
    httpd = nullptr;
    delete m_downloader;
    m_downloader = nullptr;
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
    versionLabel = new QLabel(tr("Version: %1 Build date: %2").arg(QLatin1String(version), QLatin1String(buildDate)),
                              statusBar);
    statusBar->addPermanentWidget(versionLabel, 0);
}

void MainWidget::buildClientTab()
{
    auto *page = new QWidget(this);
    page->setObjectName(QStringLiteral("clientPlaceHolder"));
    auto *pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    tabs->addTab(page, cfg->getValue(QStringLiteral("bane.title"), tr("&Klient")));

    urlRow = new QWidget(page);
    urlRow->setObjectName(QStringLiteral("clientUrlPlaceHolder"));
    auto *rowLayout = new QHBoxLayout(urlRow);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    auto *urlLabel = new QLabel(tr("URL  "), urlRow);
    urlLabel->setObjectName(QStringLiteral("Test1"));
    rowLayout->addWidget(urlLabel);
    urlCombo = new QComboBox(urlRow);
    urlCombo->setObjectName(QStringLiteral("editable combobox"));
    urlCombo->setEditable(true);
    urlCombo->setDuplicatesEnabled(false);
    rowLayout->addWidget(urlCombo, 10);
    connect(urlCombo, &QComboBox::textActivated, this, &MainWidget::urlSelected);
    pageLayout->addWidget(urlRow);

    showText = new QTextBrowser(page);
    showText->setObjectName(QStringLiteral("showText"));
    showText->setSearchPaths({QStringLiteral("./"), QStringLiteral("./logo/")});
    showText->setReadOnly(true);
    pageLayout->addWidget(showText, 10);
    setClientFontSize(cfg->getValue(QStringLiteral("bane.font"), QStringLiteral("15")).toInt());

    const QString baseUrl = cfg->getValue(QStringLiteral("bane.baseUrl"), paths::localServerAddress());
    const QString directory = cfg->getValue(QStringLiteral("bane.directory"), QStringLiteral("cache"));
    if (!baseUrl.isEmpty() && !directory.isEmpty()) {
        m_downloader = new urlDownloader(this, QStringLiteral("bane.Downloader"), directory,
                                         cfg->getValue(QStringLiteral("bane.downloader.debug"), QStringLiteral("0")).toInt());
        connect(m_downloader, &urlDownloader::logMessage, this, &MainWidget::slotLogMessage);
        connect(m_downloader, &urlDownloader::doneDownload, this, &MainWidget::slotBaneFile);
        urlCombo->addItem(paths::join(baseUrl, cfg->getValue(QStringLiteral("bane.filename"), QStringLiteral("bane1.html"))));
    }

    clientTimer = new QTimer(this);
    connect(clientTimer, &QTimer::timeout, this, &MainWidget::timeOut);
    QString warning;
    clientTimer->start(cfg->intervalValue(QStringLiteral("bane.update"), 30000, &warning));
    if (!warning.isEmpty())
        slotLogMessage(1, warning);

    slotBaneFile(paths::join(directory, urlDownloader::localFileName(
                                            cfg->getValue(QStringLiteral("bane.filename"), QStringLiteral("bane1.html")))));
}

void MainWidget::buildLogArea()
{
    const bool logArea_ = isOn(cfg->getValue(QStringLiteral("debug.show"), QStringLiteral("0")))
        || isOn(cfg->getValue(QStringLiteral("log.show"), QStringLiteral("1")));
    if (!logArea_)
        return;
    logArea = new QSplitter(Qt::Vertical, this);
    logArea->setObjectName(QStringLiteral("top"));
    const bool debugMode = isOn(cfg->getValue(QStringLiteral("debug.show"), QStringLiteral("1")));
    if (debugMode) {
        rawText = new QPlainTextEdit(logArea);
        rawText->setObjectName(QStringLiteral("rawText"));
        rawText->setReadOnly(true);
        rawText->appendPlainText(QStringLiteral("test"));
    }
    infoText = new QPlainTextEdit(logArea);
    infoText->setObjectName(QStringLiteral("infoText"));
    infoText->setReadOnly(true);
    infoText->setMaximumBlockCount(cfg->getValue(QStringLiteral("debug.info.maxLines"), QStringLiteral("5000")).toInt());
    infoText->appendPlainText(QStringLiteral("Start Log"));
    infoText->appendPlainText(QStringLiteral("HOME DIR PATH: %1").arg(QDir::homePath()));

    QString title;
    if (debugMode) {
        auto *container = new QWidget(logArea);
        container->setObjectName(QStringLiteral("debugCmdContainer"));
        auto *row = new QHBoxLayout(container);
        row->setContentsMargins(0, 0, 0, 0);
        cmdLine = new HistoryLineEdit(container, QStringLiteral("cmdLine"));
        row->addWidget(cmdLine, 10);
        auto *clear = new QPushButton(QStringLiteral("Clear"), container);
        clear->setObjectName(QStringLiteral("Clear"));
        row->addWidget(clear, 1);
        // The command row keeps its size when the window is resized; the
        // views above it take the room.
        logArea->setStretchFactor(logArea->indexOf(rawText), 1);
        logArea->setStretchFactor(logArea->indexOf(infoText), 1);
        logArea->setStretchFactor(logArea->indexOf(container), 0);
        connect(clear, &QPushButton::pressed, this, &MainWidget::clearDebug);
        connect(this, &MainWidget::logMessage, infoText, &QPlainTextEdit::appendPlainText);
        title = cfg->getValue(QStringLiteral("debug.title"), tr("&Debug"));
    } else {
        auto *container = new QWidget(logArea);
        container->setObjectName(QStringLiteral("logContainer"));
        auto *row = new QHBoxLayout(container);
        row->setContentsMargins(0, 0, 0, 0);
        auto *save = new QPushButton(tr("Gem .."), container);
        save->setObjectName(QStringLiteral("Gem"));
        row->addWidget(save);
        row->addStretch(1);
        connect(save, &QPushButton::clicked, this, &MainWidget::saveLog);
        title = cfg->getValue(QStringLiteral("log.title"), tr("&Log"));
    }
    tabs->insertTab(5, logArea, title);
}

// ---- log routing ---------------------------------------------------------

void MainWidget::slotLogMessage(int level, const QString &text)
{
    if (level < 0)
        qDebug().noquote() << timePrefix() << level << text;
    if (!infoText) {
        if (statusBar) {
            if (level == 3 || isOn(cfg->getValue(QStringLiteral("app.statusErrors"), QStringLiteral("0"))))
                statusBar->showMessage(text);
        } else {
            qDebug().noquote() << level << text;
        }
        return;
    }
    if (level != 0) {
        infoText->appendPlainText(timePrefix() + text);
        if (level == 3 && statusBar)
            statusBar->showMessage(text);
    } else if (rawText) {
        rawText->appendPlainText(timePrefix() + text);
    }
}

void MainWidget::clearDebug()
{
    if (rawText)
        rawText->clear();
    if (infoText)
        infoText->clear();
    if (cmdLine)
        cmdLine->clearHistory();
}

QString MainWidget::askSaveLogFileName()
{
    return QFileDialog::getSaveFileName(this, QString(), QStringLiteral("ZEPLive_log.txt"),
                                        tr("Text files(*.txt);;Alle Filer (*)"));
}

void MainWidget::saveLog()
{
    const QString fileName = askSaveLogFileName();
    if (fileName.isEmpty())
        return;
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    QString text = QStringLiteral("Stævne: ") + cfg->getValue(QStringLiteral("staevne.navn"), QStringLiteral("??"))
        + QLatin1Char('\n') + QStringLiteral("Version:") + QLatin1String(version) + QLatin1Char('\n')
        + QStringLiteral("Log:\n");
    if (infoText)
        text += infoText->toPlainText() + QLatin1Char('\n');
    file.write(text.toUtf8());
}

// ---- arena display client -----------------------------------------------

void MainWidget::timeOut()
{
    if (!m_downloader)
        return;
    m_downloader->newUrl(paths::join(cfg->getValue(QStringLiteral("bane.baseUrl"), paths::localServerAddress()),
                                     cfg->getValue(QStringLiteral("bane.filename"), QStringLiteral("bane1.html"))));
}

void MainWidget::slotBaneFile(const QString &path)
{
    slotLogMessage(1, QStringLiteral("Load %1").arg(path));
    if (!showText)
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    showText->setText(QString::fromUtf8(file.readAll()));
    if (!m_fullScreen || !isOn(cfg->getValue(QStringLiteral("bane.autoAdjust"), QStringLiteral("0"))))
        return;

    // Fit the page to the screen one point per page shown.
    const QSize visible = showText->viewport()->size();
    auto fitAt = [this, visible](int size) {
        setClientFontSize(size);
        return fitOf(showText->document()->size().toSize(), visible);
    };
    const int size = showText->font().pointSize();
    setClientFontSize(fittedFontSize(size, fitAt));
}

MainWidget::Fit MainWidget::fitOf(const QSize &contents, const QSize &visible)
{
    if (contents.height() > visible.height() || contents.width() > visible.width())
        return Fit::Overflow;
    return contents.height() < visible.height() ? Fit::Room : Fit::Exact;
}

int MainWidget::fittedFontSize(int size, const std::function<Fit(int)> &fitAt)
{
    switch (fitAt(size)) {
    case Fit::Overflow:
        return qMax(5, size - 1);
    case Fit::Room:
        return fitAt(size + 1) == Fit::Overflow ? size : size + 1;
    case Fit::Exact:
        break;
    }
    return size;
}

void MainWidget::setClientFontSize(int size)
{
    QFont font = showText->font();
    font.setPointSize(qMax(1, size));
    showText->setFont(font);
    showText->document()->setDefaultFont(font);
}

void MainWidget::urlSelected(const QString &text)
{
    if (text.isEmpty() || !m_downloader)
        return;
    const QUrl url(text);
    QString server = url.scheme() + QStringLiteral("://") + url.host();
    if (url.port() > 0)
        server += QLatin1Char(':') + QString::number(url.port());
    const QString path = url.path();
    server += path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
    slotLogMessage(1, QStringLiteral("New URL ") + server);
    cfg->setValue(QStringLiteral("bane.baseUrl"), server);
    const QString file = url.fileName();
    if (!file.isEmpty()) {
        cfg->setValue(QStringLiteral("bane.filename"),
                      url.hasQuery() ? QStringLiteral("%1?%2").arg(file, url.query()) : file);
    }
    m_downloader->newUrl(text);
}

void MainWidget::fullScreen()
{
    if (showText) {
        showText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        showText->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    showFullScreen();
    m_fullScreen = true;
    if (tabs)
        tabs->hideTabBar();
    if (statusBar)
        statusBar->hide();
    if (urlRow)
        urlRow->hide();
    setCursor(Qt::BlankCursor);
    QApplication::setOverrideCursor(QCursor(Qt::BlankCursor));
    cfg->setValue(QStringLiteral("app.fullscreen.show"), QString::number(int(m_fullScreen)));
}

void MainWidget::leaveFullScreen()
{
    if (showText) {
        showText->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        showText->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    }
    showNormal();
    m_fullScreen = false;
    if (tabs)
        tabs->showTabBar();
    if (statusBar)
        statusBar->show();
    if (urlRow)
        urlRow->show();
    setCursor(Qt::ArrowCursor);
    if (showText)
        showText->viewport()->setCursor(Qt::ArrowCursor);
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
    switch (event->key()) {
    case Qt::Key_F2:
        cfg->writeConfig();
        break;
    case Qt::Key_F3:
        cfg->setValue(QStringLiteral("bane.autoAdjust"),
                      isOn(cfg->getValue(QStringLiteral("bane.autoAdjust"), QStringLiteral("0"))) ? QStringLiteral("0")
                                                                                                 : QStringLiteral("1"));
        break;
    case Qt::Key_F6:
    case Qt::Key_F7:
        if (showText) {
            const int size = showText->font().pointSize();
            const int newSize = event->key() == Qt::Key_F6 ? qMax(5, size - 1) : size + 1;
            setClientFontSize(newSize);
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

int MainWidget::askCloseWarning(const QString &text)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("ZEPLive"), text, QMessageBox::NoButton, this);
    QPushButton *no = box.addButton(tr("&Nej"), QMessageBox::RejectRole);
    QPushButton *yes = box.addButton(tr("&Ja"), QMessageBox::AcceptRole);
    box.setDefaultButton(static_cast<QPushButton *>(nullptr));
    box.exec();
    if (box.clickedButton() == yes)
        return 1;
    return box.clickedButton() == no ? 0 : -1;
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
    databaseError(true);
    QSqlDatabase db;
    if (QSqlDatabase::contains(name)) {
        db = QSqlDatabase::database(name, true);
        slotLogMessage(1, QStringLiteral("Old db handler"));
        db.close();
    } else {
        db = dbsettings::addConnection(*cfg, name);
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
    slotLogMessage(1, QStringLiteral("Error opening DataBase %1").arg(server));
    if (db.isValid() || QSqlDatabase::contains(name))
        slotLogMessage(1, QStringLiteral("An database error occured.\n%1\n").arg(db.lastError().text()));
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
        if (refuseWhileBusy(QStringLiteral("Stop af httpd server")))
            return;
        deleteViews();
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
        const QString message = tr("HTTP server not started: port %1 is not between 1 and 65535").arg(portText);
        slotLogMessage(1, message);
        if (statusBar)
            statusBar->showMessage(message);
        return;
    }
    const QString root = cfg->getValue(QStringLiteral("http.root"), QStringLiteral("html/"));
    QDir().mkpath(root);
    httpd = new HttpDaemon(this, quint16(port), root);
    httpd->setRefresh(cfg->getValue(QStringLiteral("http.refresh"), QStringLiteral("60")));
    httpd->setLogoDir(cfg->getValue(QStringLiteral("logo.dir"), QStringLiteral("logo/")));
    connect(httpd, &HttpDaemon::logMessage, this, &MainWidget::slotLogMessage);
    if (!httpd->isListening()) {
        // Reported here, where someone listens: the server cannot say it
        // while it is being made.
        const QString message = QStringLiteral("Failed to bind to port %1").arg(port);
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

namespace {

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

// The connection "ZEP", made first when there is none; check isOpen().
QSqlDatabase staevneConnection(MainWidget *window)
{
    if (!QSqlDatabase::contains(connectionName))
        window->connectDatabase(connectionName);
    return QSqlDatabase::database(connectionName, true);
}

StaevneLoader::Database staevneDatabase(MainWidget *window, const QSqlDatabase &db)
{
    StaevneLoader::Database database;
    database.db = db;
    database.field = [window](const QString &statement) { return window->getDBField(statement); };
    database.bytes = [window](const QString &statement) { return window->getDBFieldByteArray(statement); };
    database.log = [window](int level, const QString &text) { window->slotLogMessage(level, text); };
    return database;
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
} // namespace

bool MainWidget::refuseWhileBusy(const QString &what)
{
    if (!m_staevneBusy)
        return false;
    slotLogMessage(1, QStringLiteral("%1 afvist: et stævne indlæses eller opdateres").arg(what));
    return true;
}

void MainWidget::deleteViews()
{
    const QList<staevneKlasseInfo *> views = m_views.values();
    m_views.clear();
    qDeleteAll(views);
}

bool MainWidget::askStaevne(const QStringList &entries, int current, int *index, QString *text)
{
    QInputDialog dialog(this);
    dialog.setWindowTitle(tr("Stævne"));
    dialog.setLabelText(tr("Vælg Stævne"));
    dialog.setComboBoxItems(entries);
    dialog.setComboBoxEditable(true);
    auto *combo = dialog.findChild<QComboBox *>();
    if (combo)
        combo->setCurrentIndex(current);
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
    QMessageBox::information(this, tr("Championats klasser"), text);
}

void MainWidget::selectStaevne()
{
    if (refuseWhileBusy(QStringLiteral("Valg af stævne")))
        return;
    StaevneLoader::StaevneList list;
    {
        const BusyScope busy(m_staevneBusy);
        connectDatabase(connectionName);
        const QSqlDatabase db = QSqlDatabase::database(connectionName, true);
        if (!db.isOpen() || !StaevneLoader::readStaevneList(staevneDatabase(this, db), &list))
            return;
    }
    if (list.entries.isEmpty())
        return;
    int index = -1;
    QString text;
    if (!askStaevne(list.entries, int(list.entries.size()) - 1, &index, &text))
        return;
    if (index < 0 || index >= list.entries.size())
        index = int(list.entries.indexOf(text));
    if (index < 0) {
        // Loading "no competition" would only tear down the live views.
        slotLogMessage(1, QStringLiteral("Stævnet \"%1\" findes ikke i databasen; intet indlæst").arg(text));
        return;
    }
    cfg->setValue(QStringLiteral("staevne.navn"), list.entries.at(index));
    showStaevne(list.ids.at(index));
}

void MainWidget::showStaevne(int staevneId)
{
    if (refuseWhileBusy(QStringLiteral("Indlæsning af stævne %1").arg(staevneId)))
        return;
    const BusyScope busy(m_staevneBusy);

    cfg->setValue(QStringLiteral("staevne.id"), QString::number(staevneId));
    setup->staevneNavn(cfg->getValue(QStringLiteral("staevne.navn"), QStringLiteral("??")));

    const QSqlDatabase db = staevneConnection(this);
    if (!db.isOpen())
        return; // the competition on show stays
    const StaevneLoader::Database database = staevneDatabase(this, db);

    const StaevneLoader::Club club = StaevneLoader::readClub(database);
    const StaevneLoader::Header header = StaevneLoader::readHeader(database, staevneId);
    if (header.read)
        slotLogMessage(1, QStringLiteral("%1: %2 %3 %4 - %5")
                              .arg(header.zepNr, header.navn, header.type, header.startDato, header.slutDato));
    const int sectionCount = StaevneLoader::readSectionCount(database, staevneId);

    // No cancel button: a load always runs to its end.
    QProgressDialog progress(tr("Indlæser stævne\n%1").arg(header.navn), QString(), 0, sectionCount + 3, this);
    progress.setObjectName(QStringLiteral("progress"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(100);
    progress.setValue(0);
    letEventsThrough();

    // The sections are read before anything of the competition on show is
    // touched: when they cannot be read, its views, lists and files stay.
    QList<StaevneLoader::SectionRow> rows;
    if (!StaevneLoader::readSections(database, staevneId, &rows)) {
        slotLogMessage(1, QStringLiteral("Klasserne i stævne %1 kunne ikke læses; det viste stævne bliver")
                              .arg(staevneId));
        writeStaevneInfo(staevneId);
        progress.setValue(sectionCount + 3);
        return;
    }

    deleteViews();
    delete champTabs;
    champTabs = nullptr;
    // Stored only now: the views of the competition on show read it while
    // they live.
    if (header.read)
        cfg->setValue(QStringLiteral("staevne.ZEPStaevneId"), header.zepNr);

    progress.setValue(1);
    letEventsThrough();
    setup->clearClasses();

    StaevneFiles::Style style;
    style.css = cfg->getValue(QStringLiteral("http.css"), QStringLiteral("/ZEPLive.css"));
    style.background = cfg->getValue(QStringLiteral("html.background.color"), QStringLiteral("white"));
    style.refresh = cfg->getValue(QStringLiteral("http.refresh"), QStringLiteral("60"));
    StaevneFiles files({club.navn, club.id, header.zepNr, header.navn, header.type, header.startDato, header.slutDato},
                       style);

    const bool championat = cfg->getValue(QStringLiteral("championat.show"), QStringLiteral("0")).toInt() != 0;
    QString notice;
    int created = 0;
    int step = 2;
    for (const StaevneLoader::SectionRow &row : std::as_const(rows)) {
        progress.setValue(step++);
        letEventsThrough();

        const StaevneLoader::ViewKind kind = StaevneLoader::viewKind(row, championat);
        if (kind == StaevneLoader::ViewKind::None)
            continue;
        const QString klasseNr = QString::number(row.klasseNr);
        staevneKlasseInfo *view =
            StaevneLoader::createView(kind, cfg, this, row.klasse + QLatin1Char(' ') + row.afdeling);
        if (!view) {
            slotLogMessage(1, QStringLiteral("Klasse %1 %2 afdeling %3 springes over: ingen %4-visning")
                                  .arg(klasseNr, row.klasse, row.afdeling, StaevneLoader::kindName(kind)));
            continue;
        }
        connect(view, &staevneKlasseInfo::logMessage, this, &MainWidget::slotLogMessage);

        const bool inChampionshipTab = StaevneLoader::inChampionshipTab(row.klasseType, championat);
        QTabW *target = klasseTabs;
        if (inChampionshipTab) {
            if (!champTabs) {
                champTabs = new QTabW(this);
                tabs->insertTab(2, champTabs,
                                cfg->getValue(QStringLiteral("championat.title"), tr("&Championats Klasser")));
                const QString defaultInfo =
                    tr("Resultaterne for championats klasser kan nu indtastes\ni fanebladet %1.\nDesuden kan der "
                       "gemmes en kopi\n\n")
                        .arg(cfg->getValue(QStringLiteral("championat.title"), tr("Championats Klasser")));
                notice = cfg->getValue(QStringLiteral("championat.info"), defaultInfo);
            }
            target = champTabs;
        }
        target->insertTab(created++, view, QStringLiteral("%1 %2 - %3").arg(klasseNr, row.klasse, row.afdeling));
        if (inChampionshipTab)
            notice += QStringLiteral("%1 %2").arg(klasseNr, row.klasse) + QLatin1Char('\n');

        view->showKlasse(staevneId, row.klasseNr, row.afdeling, row.bane, row.afdelingId);

        const QString key = QStringLiteral("%1-%2").arg(klasseNr, row.afdeling);
        if (staevneKlasseInfo *twin = m_views.take(key)) {
            slotLogMessage(1, QStringLiteral("Klasse %1 findes to gange; den første visning lukkes").arg(key));
            delete twin;
        }
        m_views.insert(key, view);
        setup->addClass(row.bane, row.klasse + QLatin1Char(' ') + row.afdeling, klasseNr, row.afdeling, row.dag);
        connect(view, &staevneKlasseInfo::resultChangeClass, setup, &Setup::resultChangeClass);
        connect(view, &staevneKlasseInfo::connectDB, this, &MainWidget::connectDatabase);

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
        files.addSection(section);
    }

    // The competition's files, each written whole now that it is complete.
    const QString root = cfg->getValue(QStringLiteral("http.root"), QStringLiteral("html/"));
    const auto log = [this](int level, const QString &text) { slotLogMessage(level, text); };
    if (writeOutputFile(root, files.manifestName(), files.manifest(), log)) {
        if (!header.read)
            slotLogMessage(1, QStringLiteral("%1 sendes ikke: stævnets data kunne ikke læses, og filen ville "
                                             "overskrive det andre stationer har sendt")
                                  .arg(files.manifestName()));
        else if (setup)
            setup->uploadFile(root + QLatin1Char('/') + files.manifestName(), QString(), false);
    }
    if (writeOutputFile(root, QStringLiteral("index.html"), files.startPage(), log) && httpd)
        httpd->addAlias(header.zepNr, QStringLiteral("index.html"));
    for (const auto &page : files.pausePages())
        writeOutputFile(root, page.first, page.second, log);
    QStringList existing;
    for (int i = 0; i < urlCombo->count(); ++i)
        existing << urlCombo->itemText(i);
    urlCombo->addItems(StaevneFiles::addressesToAdd(existing, files.addresses()));

    writeStaevneInfo(staevneId);
    progress.setValue(sectionCount + 3);
    progress.close();

    if (!notice.isEmpty())
        showChampionshipNotice(notice);
}

void MainWidget::refreshClasses()
{
    if (refuseWhileBusy(QStringLiteral("Opdatering af klasserne")))
        return;
    const BusyScope busy(m_staevneBusy);

    slotLogMessage(1, QStringLiteral("Refresh Classes "));
    if (refreshButton)
        refreshButton->setEnabled(false);
    const int staevneId = cfg->getValue(QStringLiteral("staevne.id"), QStringLiteral("0")).toInt();
    if (staevneId > 0)
        writeStaevneInfo(staevneId);
    cfg->setValue(QStringLiteral("host.info"), hostInfo());

    QList<QPointer<staevneKlasseInfo>> views;
    for (staevneKlasseInfo *view : std::as_const(m_views))
        views << view;
    for (const QPointer<staevneKlasseInfo> &view : std::as_const(views)) {
        if (view)
            view->refreshClass();
        letEventsThrough();
    }

    if (showText) {
        slotBaneFile(paths::join(cfg->getValue(QStringLiteral("bane.directory"), QStringLiteral("cache")),
                                 urlDownloader::localFileName(
                                     cfg->getValue(QStringLiteral("bane.filename"), QStringLiteral("bane1.html")))));
        cfg->setValue(QStringLiteral("bane.font"), QString::number(showText->font().pointSize()));
        timeOut();
    }
    if (refreshButton)
        refreshButton->setEnabled(true);
}

void MainWidget::writeStaevneInfo(int staevneId)
{
    const QSqlDatabase db = staevneConnection(this);
    if (!db.isOpen())
        return;
    const StaevneLoader::Database database = staevneDatabase(this, db);
    const QString root = cfg->getValue(QStringLiteral("http.root"), QStringLiteral("html/"));
    const auto log = [this](int level, const QString &text) { slotLogMessage(level, text); };

    const int updateLevel = StaevneInfoPage::readUpdateLevel(database);

    const StaevneInfoPage::Logo logo = StaevneInfoPage::readLogo(database);
    if (!logo.klubId.isEmpty()) {
        const QString name = logo.klubId + QLatin1String(".png");
        const QByteArray png = StaevneInfoPage::logoPng(logo.bytes);
        if (png.isEmpty())
            slotLogMessage(1, QStringLiteral("Klub logo %1 kan ikke læses fra databasen").arg(name));
        else if (writeOutputFile(root, name, png, log)) {
            const QString path = root + QLatin1Char('/') + name;
            slotLogMessage(1, QStringLiteral("Klub logo %1").arg(path));
            if (setup)
                setup->uploadBinFile(path, QString());
        }
    }

    if (updateLevel <= StaevneInfoPage::minimumUpdateLevel)
        return;
    StaevneInfoPage::Content content;
    if (!StaevneInfoPage::readContent(database, staevneId, &content) || !StaevneInfoPage::hasContent(content))
        return;
    const QString name = content.zepNr + QLatin1String(".html");
    const QByteArray page = StaevneInfoPage::page(content,
                                                  cfg->getValue(QStringLiteral("http.css"), QStringLiteral("/ZEPLive.css")),
                                                  cfg->getValue(QStringLiteral("html.background.color"), QStringLiteral("white")));
    if (!writeOutputFile(root, name, page, log))
        return;
    if (setup)
        setup->uploadFile(root + QLatin1Char('/') + name, QString(), false);
    if (httpd)
        httpd->addAlias(QStringLiteral("info.html"), name);
}

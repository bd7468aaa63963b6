#include "publish/Setup.h"
#include "ui_SetupUI.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDateTime>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QDir>
#include <QRegularExpression>
#include <QSet>
#include <QTimer>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QHttpMultiPart>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "database/DatabaseSettings.h"
#include "settings/appConfig.h"

namespace {
enum ClassColumn { ColValgt, ColNavn, ColNr, ColAfdeling, ColDag, ColOpdateret, ColSendt };

// A class row sorts by class number (three digits) and section.
class ClassRowItem : public QTreeWidgetItem
{
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem &other) const override
    {
        return data(0, Qt::UserRole).toString() < other.data(0, Qt::UserRole).toString();
    }
};

QString sortKey(const QString &klasseNr, const QString &afdeling)
{
    return klasseNr.rightJustified(3, QLatin1Char('0')) + QLatin1Char('_') + afdeling;
}

// Requests the network manager runs at once to one server (HTTP/1.1).
constexpr int maxRequestsInFlight = 6;

QString firstAddress(const QString &hostInfo)
{
    // "name: a / b / 127.0.0.1" -> "a"
    return hostInfo.section(QLatin1String(": "), 1).section(QLatin1String(" /"), 0, 0).trimmed();
}
} // namespace

Setup::Setup(appConfig *config, QWidget *parent, const QString &name, Qt::WindowFlags flags)
    : QWidget(parent, flags)
    , cfg(config)
    , m_ui(new Ui::SetupUI)
{
    setObjectName(name);
    m_ui->setupUi(this);

    m_ui->serverBox->setChecked(cfg->getValue(QStringLiteral("app.server"), QStringLiteral("0")).toInt() != 0);
    m_ui->uploadBox->setChecked(cfg->getValue(QStringLiteral("upload.state"), QStringLiteral("0")) != QLatin1String("0"));
    m_clock = [] { return QDateTime::currentMSecsSinceEpoch(); };
    m_watchdog = new QTimer(this);
    m_watchdog->setObjectName(QStringLiteral("uploadWatchdog"));
    connect(m_watchdog, &QTimer::timeout, this, &Setup::watchdog);
    m_watchdog->start(60000);
    m_retry = new QTimer(this);
    m_retry->setObjectName(QStringLiteral("uploadRetry"));
    m_retry->setSingleShot(true);
    connect(m_retry, &QTimer::timeout, this, &Setup::sendWaiting);
    setUploadConnection(m_ui->uploadBox->isChecked());

    connect(m_ui->staevneButton, &QPushButton::clicked, this, &Setup::staevneSelectButton);
    connect(m_ui->serverBox, &QCheckBox::toggled, this, &Setup::serverToggled);
    connect(m_ui->uploadBox, &QCheckBox::toggled, this, &Setup::uploadToggled);
    connect(m_ui->saveButton, &QPushButton::clicked, this, &Setup::saveSettings);
    connect(m_ui->testDatabaseButton, &QPushButton::clicked, this, &Setup::testDatabase);
    buildOptions();
}

Setup::~Setup()
{
    // Answers arriving during teardown must not reach a half-destroyed tab.
    m_watchdog->stop();
    m_retry->stop();
    for (QNetworkReply *reply : m_inFlight.keys())
        reply->disconnect(this);
    delete m_ui;
}

QString Setup::listName(int bane)
{
    return bane == 99 ? QStringLiteral("Ventelister") : QStringLiteral("Bane %1").arg(bane);
}

QTreeWidget *Setup::classList(int bane) const
{
    return m_lists.value(listName(bane));
}

void Setup::staevneNavn(const QString &text)
{
    m_ui->selectedStaevne->setText(text);
}

void Setup::clearClasses()
{
    // The lists of the competition loaded before go with their pages, so a
    // new competition does not show a second set of arena tabs.
    for (QWidget *page : std::as_const(m_pages)) {
        const int index = m_ui->classTabs->indexOf(page);
        if (index >= 0)
            m_ui->classTabs->removeTab(index);
        page->deleteLater();
    }
    m_pages.clear();
    m_lists.clear();
}

QTreeWidget *Setup::makeClassList(int bane)
{
    const QString name = listName(bane);
    auto *page = new QWidget(m_ui->classTabs);
    auto *layout = new QVBoxLayout(page);
    auto *address = new QLineEdit(page);
    address->setReadOnly(true);
    address->setText(QStringLiteral("http://%1:%2/bane%3.html")
                         .arg(firstAddress(cfg->getValue(QStringLiteral("host.info"), QString())),
                              cfg->getValue(QStringLiteral("http.port"), QStringLiteral("8080")),
                              QString::number(bane)));
    layout->addWidget(address);
    auto *list = new QTreeWidget(page);
    list->setObjectName(name);
    list->setRootIsDecorated(false);
    list->setHeaderLabels({tr("Valgt"), tr("Klasse Navn"), tr("Klasse nr"), tr("Afdeling"), tr("Dag"),
                           tr("Opdateret"), tr("Sendt til internettet")});
    list->setSortingEnabled(true);
    list->sortByColumn(0, Qt::AscendingOrder);
    // Whole class names: the columns take their contents' width and the list
    // scrolls sideways instead of cutting names short.
    list->setTextElideMode(Qt::ElideNone);
    list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    list->header()->setStretchLastSection(false);
    layout->addWidget(list);
    // The operator's pick makes the class the arena's active class.
    connect(list, &QTreeWidget::itemActivated, this, [this, bane](QTreeWidgetItem *item) { pickClass(bane, item); });
    m_ui->classTabs->addTab(page, name);
    m_lists.insert(name, list);
    m_pages.insert(name, page);
    return list;
}

void Setup::addClass(int bane, const QString &title, const QString &klasseNr, const QString &afdeling,
                     const QString &dag)
{
    QTreeWidget *list = classList(bane);
    if (!list)
        list = makeClassList(bane);
    if (list->topLevelItemCount() == 0) {
        auto *pause = new ClassRowItem(QStringList{tr("Ja"), tr("Pause"), QStringLiteral("0")});
        pause->setData(0, Qt::UserRole, sortKey(QStringLiteral("0"), QString()));
        list->addTopLevelItem(pause);
    }
    const QString now = QTime::currentTime().toString(QStringLiteral("hh:mm"));
    QTreeWidgetItem *row = nullptr;
    // A section registered again keeps its one row, so no second row stays
    // behind that nothing ever marks or stamps.
    for (int i = 1; i < list->topLevelItemCount() && !row; ++i) {
        QTreeWidgetItem *item = list->topLevelItem(i);
        if (item->text(ColNr) == klasseNr && item->text(ColAfdeling) == afdeling)
            row = item;
    }
    if (row) {
        row->setText(ColNavn, title);
        row->setText(ColDag, dag);
        row->setText(ColOpdateret, now);
    } else {
        row = new ClassRowItem(QStringList{QString(), title, klasseNr, afdeling, dag, now, QString()});
        row->setData(0, Qt::UserRole, sortKey(klasseNr, afdeling));
        list->addTopLevelItem(row);
    }

    uploadFile(QStringLiteral("html/klasse%1_%2.html").arg(klasseNr, afdeling), QString());
    uploadFile(QStringLiteral("html/klasse%1_%2.json").arg(klasseNr, afdeling), QString());
}

void Setup::resultChangeClass(int bane, const QString &afdeling, int klasseNr, bool newResult)
{
    const QString nr = QString::number(klasseNr);
    const QString html = QStringLiteral("html/klasse%1_%2.html").arg(nr, afdeling);
    const QString json = QStringLiteral("html/klasse%1_%2.json").arg(nr, afdeling);
    uploadFile(html, QString());
    uploadFile(json, QString());
    if (!newResult || cfg->getValue(QStringLiteral("bane.autoChange"), QStringLiteral("1")).toInt() != 1)
        return;

    makeActive(bane, nr, afdeling);
}

void Setup::makeActive(int bane, const QString &klasseNr, const QString &afdeling)
{
    // The pause row stands for the arena's pause page "klasse0_<arena>.html".
    const bool pause = klasseNr == QLatin1String("0");
    const QString section = pause ? QString::number(bane) : afdeling;
    if (QTreeWidget *list = classList(bane)) {
        const QString now = QTime::currentTime().toString(QStringLiteral("hh:mm"));
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            QTreeWidgetItem *item = list->topLevelItem(i);
            const bool chosen = item->text(ColNr) == klasseNr && (pause || item->text(ColAfdeling) == afdeling);
            item->setText(ColValgt, chosen ? tr("Ja") : QString());
            if (chosen)
                item->setText(ColOpdateret, now);
        }
    }
    uploadFile(QStringLiteral("html/klasse%1_%2.html").arg(klasseNr, section), QStringLiteral("bane%1.html").arg(bane));
    uploadFile(QStringLiteral("html/klasse%1_%2.json").arg(klasseNr, section), QStringLiteral("bane%1.json").arg(bane));
    emit activePage(bane, klasseNr, section);
}

void Setup::pickClass(int bane, QTreeWidgetItem *item)
{
    if (item)
        makeActive(bane, item->text(ColNr), item->text(ColAfdeling));
}

void Setup::uploadBinFile(const QString &path, const QString &alias)
{
    uploadFile(path, alias, true);
}

void Setup::uploadFile(const QString &path, const QString &alias, bool base64)
{
    emit logMessage(2, QStringLiteral("Upload file called %1 %2\n").arg(path, alias));
    if (cfg->getValue(QStringLiteral("upload.state"), QStringLiteral("0")) == QLatin1String("0"))
        return;
    // Pages are handed over as "html/<file>"; they live in the output
    // directory, wherever "http.root" puts it.
    const QString fileName = QFileInfo(path).fileName();
    const QString local = QDir(cfg->getValue(QStringLiteral("http.root"), QStringLiteral("html/"))).filePath(fileName);
    QFile file(local);
    if (!file.open(QIODevice::ReadOnly)) {
        emit logMessage(2, QStringLiteral("File not found %1\n").arg(local));
        return;
    }
    if (!m_upload)
        return;
    UploadJob job;
    job.target = alias.isEmpty() ? fileName : alias;
    job.source = local;
    // Read now: the view may rewrite the file before the request goes out.
    job.content = file.readAll();
    if (base64) {
        // Pictures go as base64 text with a line feed after every 76
        // characters: each full line ends with one, a shorter last line
        // ends the body without.
        const QByteArray encoded = job.content.toBase64();
        job.content.clear();
        for (qsizetype i = 0; i < encoded.size(); i += 76) {
            const QByteArray line = encoded.mid(i, 76);
            job.content += line;
            if (line.size() == 76)
                job.content += '\n';
        }
    }
    m_waiting.insert(job.target, job);
    sendWaiting();
}

void Setup::sendWaiting()
{
    if (!m_upload)
        return;
    if (m_serverDown) {
        // A failing server gets one file when its wait is over; the rest
        // follows once it takes that one.
        if (m_retry->isActive() || !m_inFlight.isEmpty() || m_waiting.isEmpty())
            return;
        UploadJob job = m_waiting.take(m_waiting.firstKey());
        job.probe = true;
        send(job);
        return;
    }
    QSet<QString> busy;
    for (const UploadJob &job : std::as_const(m_inFlight))
        busy.insert(job.target);
    // A target already on its way waits for its answer, so versions of one
    // file reach the server in order. The rest waits here rather than in the
    // network manager's own queue (it runs six requests to one server at a
    // time): what is handed over is on its way, and a competition load can
    // still take back whatever waits.
    for (auto it = m_waiting.begin(); it != m_waiting.end() && m_inFlight.size() < maxRequestsInFlight;) {
        if (busy.contains(it.key())) {
            ++it;
            continue;
        }
        const UploadJob job = it.value();
        it = m_waiting.erase(it);
        send(job);
    }
}

void Setup::send(UploadJob job)
{
    auto *multiPart = new QHttpMultiPart(QHttpMultiPart::FormDataType);
    multiPart->setBoundary("AaB03x");
    QHttpPart part;
    part.setHeader(QNetworkRequest::ContentDispositionHeader,
                   QStringLiteral("form-data; name=\"userfile\"; filename=\"%1\"").arg(job.target));
    part.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/octet-stream"));
    part.setBody(job.content);
    multiPart->append(part);

    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setAuthority(cfg->getValue(QStringLiteral("upload.server"), QStringLiteral("localhost")));
    url.setPath(cfg->getValue(QStringLiteral("upload.url"), QStringLiteral("/upload_staevne.php")));
    QNetworkReply *reply = m_upload->post(QNetworkRequest(url), multiPart);
    multiPart->setParent(reply);
    job.sentAt = m_clock();
    m_inFlight.insert(reply, job);
    connect(reply, &QNetworkReply::finished, this, [this, reply]() { requestFinished(reply); });
}

void Setup::requestFinished(QNetworkReply *reply)
{
    reply->deleteLater();
    const auto it = m_inFlight.find(reply);
    if (it == m_inFlight.end())
        return;
    const UploadJob job = it.value();
    m_inFlight.erase(it);
    const bool failed = reply->error() != QNetworkReply::NoError;
    if (failed) {
        // Keep it for the next attempt unless a newer version is waiting.
        if (!job.forgotten && !m_waiting.contains(job.target)) {
            UploadJob again = job;
            again.probe = false;
            m_waiting.insert(job.target, again);
        }
        ++m_failures;
        serverFailed(reply->errorString(), job.probe);
    } else {
        emit logMessage(2, tr("Uploaded %1").arg(job.target));
        // A file of the competition loaded before says nothing about the
        // rows of the one loaded now, which may share its class numbers.
        if (!job.forgotten) {
            m_delivered.insert(job.target, job);
            stampSent(job.source);
        }
        m_failures = 0;
        if (m_serverDown) {
            m_serverDown = false;
            m_backoffMs = 0;
            m_retry->stop();
            emit logMessage(3, tr("Resultatserveren %1 modtager filer igen")
                                   .arg(cfg->getValue(QStringLiteral("upload.server"), QStringLiteral("localhost"))));
        }
    }
    emit internetError(failed);
    // While the server fails this sends nothing until its wait is over.
    sendWaiting();
}

void Setup::serverFailed(const QString &why, bool probe)
{
    if (!m_serverDown) {
        m_serverDown = true;
        m_backoffMs = m_backoffBaseMs;
        emit logMessage(1, tr("Resultatserveren %1 modtager ikke filer: %2. Der prøves igen med voksende mellemrum")
                               .arg(cfg->getValue(QStringLiteral("upload.server"), QStringLiteral("localhost")), why));
    } else if (probe) {
        m_backoffMs = qMin(m_backoffMs * 2, m_backoffMaxMs);
    } else {
        // The rest of what was on its way when the server went: the wait
        // already runs.
        return;
    }
    m_retry->start(m_backoffMs);
}

void Setup::stampSent(const QString &source)
{
    static const QRegularExpression classFile(QStringLiteral("^klasse(\\d+)_(.+)\\.(html|json)$"));
    const auto match = classFile.match(QFileInfo(source).fileName());
    if (!match.hasMatch())
        return;
    const QString now = QTime::currentTime().toString(QStringLiteral("hh:mm:ss"));
    for (QTreeWidget *list : std::as_const(m_lists)) {
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            QTreeWidgetItem *item = list->topLevelItem(i);
            if (item->text(ColNr) == match.captured(1) && item->text(ColAfdeling) == match.captured(2))
                item->setText(ColSendt, now);
        }
    }
}

void Setup::watchdog()
{
    if (!m_upload)
        return;
    const qint64 maxDelayMs =
        qint64(cfg->getValue(QStringLiteral("upload.maxDelay"), QStringLiteral("300")).toInt()) * 1000;
    const qint64 now = m_clock();
    for (const UploadJob &job : std::as_const(m_inFlight)) {
        if (now - job.sentAt > maxDelayMs) {
            const QString why = tr("%1 har ventet mere end %2 s").arg(job.target).arg(maxDelayMs / 1000);
            serverFailed(why, job.probe);
            restartUpload(why);
            return;
        }
    }
    // Restarts come from here only, so a server that keeps failing costs at
    // most one restart per round. They wait until no request is on its way:
    // aborting a request whose failure is already under way makes Qt warn
    // about it, once per request.
    if (m_inFlight.isEmpty()
        && m_failures > cfg->getValue(QStringLiteral("upload.restart"), QStringLiteral("3")).toInt()) {
        restartUpload(m_failures == 1 ? tr("1 mislykket overførsel") : tr("%1 mislykkede overførsler").arg(m_failures));
        return;
    }
    sendWaiting();
}

void Setup::dropInFlight()
{
    for (auto it = m_inFlight.cbegin(); it != m_inFlight.cend(); ++it) {
        it.key()->disconnect(this);
        if (!it.key()->isFinished())
            it.key()->abort();
        it.key()->deleteLater();
        // What was on its way goes again, unless a newer version waits.
        if (!it->forgotten && !m_waiting.contains(it->target)) {
            UploadJob again = it.value();
            again.probe = false;
            m_waiting.insert(it->target, again);
        }
    }
    m_inFlight.clear();
}

void Setup::forgetUploads()
{
    for (UploadJob &job : m_inFlight)
        job.forgotten = true;
    m_waiting.clear();
    m_delivered.clear();
}

void Setup::restartUpload(const QString &why)
{
    emit logMessage(2, tr("Forbindelsen til resultatserveren genstartes: %1").arg(why));
    dropInFlight();
    // Every page the server had is sent again in its latest version.
    for (auto it = m_delivered.cbegin(); it != m_delivered.cend(); ++it) {
        if (!m_waiting.contains(it.key()))
            m_waiting.insert(it.key(), it.value());
    }
    m_failures = 0;
    if (m_upload) {
        m_upload->deleteLater();
        m_upload = new QNetworkAccessManager(this);
    }
    sendWaiting();
}

void Setup::setUploadConnection(bool on)
{
    if (on && !m_upload) {
        m_upload = new QNetworkAccessManager(this);
    } else if (!on && m_upload) {
        dropInFlight();
        m_waiting.clear();
        m_serverDown = false;
        m_failures = 0;
        m_retry->stop();
        m_upload->deleteLater();
        m_upload = nullptr;
    }
}

void Setup::setWatchdogInterval(int ms)
{
    m_watchdog->start(ms);
}

void Setup::setBackoff(int baseMs, int maxMs)
{
    m_backoffBaseMs = baseMs;
    m_backoffMaxMs = maxMs;
}

void Setup::setClock(std::function<qint64()> now)
{
    m_clock = std::move(now);
}

const QList<Setup::Option> &Setup::options()
{
    static const QList<Option> list{
        {"beregn.placering", "1", QT_TR_NOOP("Beregn placeringer"), true},
        {"beregn.tid", "0", QT_TR_NOOP("Vis starttider"), true},
        {"beregn.antalStarter", "0", QT_TR_NOOP("Vis antal startende"), true},
        {"show.riderRemarks", "0", QT_TR_NOOP("Vis rytterbemærkninger"), true},
        {"vis.afstamning", "0", QT_TR_NOOP("Vis afstamning"), true},
        {"bane.autoChange", "1", QT_TR_NOOP("Automatisk klasseskift"), false},
        {"championat.show", "0", QT_TR_NOOP("Championatsklasser (ved næste indlæsning)"), false},
    };
    return list;
}

const QList<Setup::Option> &Setup::colours()
{
    static const QList<Option> list{
        {"html.background.color", "white", QT_TR_NOOP("Baggrund"), true},
        {"html.even.foreground.color", "#000000", QT_TR_NOOP("Lige rækker, tekst"), true},
        {"html.even.background.color", "#FFFFFF", QT_TR_NOOP("Lige rækker, baggrund"), true},
        {"html.odd.foreground.color", "#000000", QT_TR_NOOP("Ulige rækker, tekst"), true},
        {"html.odd.background.color", "#F0EEEC", QT_TR_NOOP("Ulige rækker, baggrund"), true},
        {"html.last.foreground.color", "#000000", QT_TR_NOOP("Sidste rytter, tekst"), true},
        {"html.last.background.color", "#FFFFFF", QT_TR_NOOP("Sidste rytter, baggrund"), true},
        {"html.lastrider.background.color", "#FABB00", QT_TR_NOOP("Sidste resultat, baggrund"), true},
    };
    return list;
}

void Setup::buildOptions()
{
    for (const Option &option : options()) {
        auto *box = new QCheckBox(tr(option.label), m_ui->pageOptionsBox);
        box->setObjectName(QString::fromLatin1(option.key));
        box->setChecked(cfg->getValue(QString::fromLatin1(option.key), QString::fromLatin1(option.def)).toInt() != 0);
        m_ui->pageOptionsLayout->addWidget(box);
        connect(box, &QCheckBox::toggled, this, [this, option](bool on) {
            cfg->setValue(QString::fromLatin1(option.key), on ? QStringLiteral("1") : QStringLiteral("0"));
            if (option.rewritesPages)
                emit refresh();
        });
    }
    int row = 0;
    for (const Option &option : colours()) {
        const QString key = QString::fromLatin1(option.key);
        auto *label = new QLabel(tr(option.label), m_ui->coloursBox);
        auto *button = new QPushButton(m_ui->coloursBox);
        button->setObjectName(key);
        auto show = [this, button, key, option]() {
            const QString value = cfg->getValue(key, QString::fromLatin1(option.def));
            button->setText(value);
            button->setStyleSheet(QStringLiteral("background-color: %1").arg(QColor(value).name()));
        };
        show();
        connect(button, &QPushButton::clicked, this, [this, key, option, show]() {
            const QColor chosen = askColour(QColor(cfg->getValue(key, QString::fromLatin1(option.def))));
            if (!chosen.isValid())
                return;
            cfg->setValue(key, chosen.name().toUpper());
            show();
            emit refresh();
        });
        m_ui->coloursLayout->addWidget(label, row, 0);
        m_ui->coloursLayout->addWidget(button, row, 1);
        ++row;
    }
}

QColor Setup::askColour(const QColor &current)
{
    return QColorDialog::getColor(current, this);
}

void Setup::showDatabaseError(const QString &text)
{
    QMessageBox::warning(this, tr("Database"), text);
}

bool Setup::testDatabase()
{
    const QString name = QStringLiteral("TESTDB");
    bool open = false;
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::contains(name) ? QSqlDatabase::database(name, false)
                                                       : dbsettings::addConnection(*cfg, name);
        db.close();
        if (db.isValid()) {
            dbsettings::describe(db, *cfg);
            open = db.open();
            error = db.lastError().text();
            db.close();
        } else {
            error = tr("Databasedriveren %1 findes ikke")
                        .arg(cfg->getValue(QStringLiteral("database.driver"), QStringLiteral("QODBC3")));
        }
    }
    // A connection with another driver may be chosen before the next test.
    QSqlDatabase::removeDatabase(name);
    if (open) {
        emit logMessage(3, tr("Forbindelse til databasen %1 er i orden").arg(dbsettings::serverName(*cfg)));
        return true;
    }
    const QString text = tr("Kan ikke forbinde til databasen %1\n%2").arg(dbsettings::serverName(*cfg), error);
    emit logMessage(1, text);
    showDatabaseError(text);
    return false;
}

void Setup::serverToggled(bool on)
{
    cfg->setValue(QStringLiteral("app.server"), on ? QStringLiteral("1") : QStringLiteral("0"));
    emit serverEnabled(on);
}

void Setup::uploadToggled(bool on)
{
    cfg->setValue(QStringLiteral("upload.state"), on ? QStringLiteral("1") : QStringLiteral("0"));
    setUploadConnection(on);
}

void Setup::saveSettings()
{
    if (cfg->writeConfig())
        emit logMessage(3, tr("Indstillinger gemt i %1").arg(cfg->fileName()));
}

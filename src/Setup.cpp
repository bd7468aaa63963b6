#include "Setup.h"
#include "ui_SetupUI.h"

#include <QDateTime>
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

#include "appConfig.h"

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
    setUploadConnection(m_ui->uploadBox->isChecked());

    connect(m_ui->staevneButton, &QPushButton::clicked, this, &Setup::staevneSelectButton);
    connect(m_ui->serverBox, &QCheckBox::toggled, this, &Setup::serverToggled);
    connect(m_ui->uploadBox, &QCheckBox::toggled, this, &Setup::uploadToggled);
    connect(m_ui->saveButton, &QPushButton::clicked, this, &Setup::saveSettings);
}

Setup::~Setup()
{
    if (m_upload) {
        // Answers arriving during teardown must not reach a half-destroyed tab.
        m_upload->disconnect(this);
        for (QNetworkReply *reply : m_pending.keys())
            reply->disconnect(this);
    }
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
    layout->addWidget(list);
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
    auto *row = new ClassRowItem(QStringList{QString(), title, klasseNr, afdeling, dag,
                                             QTime::currentTime().toString(QStringLiteral("hh:mm")), QString()});
    row->setData(0, Qt::UserRole, sortKey(klasseNr, afdeling));
    list->addTopLevelItem(row);

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

    if (QTreeWidget *list = classList(bane)) {
        const QString now = QTime::currentTime().toString(QStringLiteral("hh:mm"));
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            QTreeWidgetItem *item = list->topLevelItem(i);
            const bool chosen = item->text(ColNr) == nr && item->text(ColAfdeling) == afdeling;
            item->setText(ColValgt, chosen ? tr("Ja") : QString());
            if (chosen)
                item->setText(ColOpdateret, now);
        }
    }
    uploadFile(html, QStringLiteral("bane%1.html").arg(bane));
    uploadFile(json, QStringLiteral("bane%1.json").arg(bane));
    emit activePage(bane, nr, afdeling);
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
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        emit logMessage(2, QStringLiteral("File not found %1\n").arg(path));
        return;
    }
    if (!m_upload)
        return;
    QByteArray content = file.readAll();
    if (base64) {
        // Pictures go as base64 text with a line break after every 76 characters.
        const QByteArray encoded = content.toBase64();
        content.clear();
        for (qsizetype i = 0; i < encoded.size(); i += 76)
            content += encoded.mid(i, 76) + '\n';
    }
    const QString fileName = alias.isEmpty() ? QFileInfo(path).fileName() : alias;

    auto *multiPart = new QHttpMultiPart(QHttpMultiPart::FormDataType);
    multiPart->setBoundary("AaB03x");
    QHttpPart part;
    part.setHeader(QNetworkRequest::ContentDispositionHeader,
                   QStringLiteral("form-data; name=\"userfile\"; filename=\"%1\"").arg(fileName));
    part.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/octet-stream"));
    part.setBody(content);
    multiPart->append(part);

    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setAuthority(cfg->getValue(QStringLiteral("upload.server"), QStringLiteral("localhost")));
    url.setPath(cfg->getValue(QStringLiteral("upload.url"), QStringLiteral("/upload_staevne.php")));
    QNetworkReply *reply = m_upload->post(QNetworkRequest(url), multiPart);
    multiPart->setParent(reply);
    m_pending.insert(reply, path);
    connect(reply, &QNetworkReply::finished, this, [this, reply]() { requestFinished(reply); });
}

void Setup::requestFinished(QNetworkReply *reply)
{
    const QString path = m_pending.take(reply);
    reply->deleteLater();
    const bool failed = reply->error() != QNetworkReply::NoError;
    if (failed)
        emit logMessage(2, tr("Upload of %1 failed: %2").arg(path, reply->errorString()));
    else
        emit logMessage(2, tr("Uploaded %1").arg(path));
    emit internetError(failed);
}

void Setup::setUploadConnection(bool on)
{
    if (on && !m_upload) {
        m_upload = new QNetworkAccessManager(this);
    } else if (!on && m_upload) {
        m_upload->disconnect(this);
        for (QNetworkReply *reply : m_pending.keys())
            reply->disconnect(this);
        m_pending.clear();
        m_upload->deleteLater();
        m_upload = nullptr;
    }
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

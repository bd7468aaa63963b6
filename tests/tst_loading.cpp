// Choosing and loading a competition in the main window, against the
// stand-in database with the small demo competition (seed 1): the views and
// their tabs, the setup tab's arena lists, the competition files and the
// information page compared with expected files, the refresh of all
// classes, and what a load refuses or keeps when it cannot finish.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QSet>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QStatusBar>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <memory>

#include "HttpDaemon.h"
#include "KlasseJsonDocument.h"
#include "MainWidget.h"
#include "QTabW.h"
#include "Setup.h"
#include "appConfig.h"
#include "demo/DemoCompetition.h"
#include "demo/SqliteDatabase.h"
#include "driver/StandinDriver.h"
#include "staevneKlasseInfoDressur.h"
#include "staevneKlasseInfoSpring.h"

namespace {

// Answers the window's dialogs as a test wants and keeps what they showed.
class TestWindow : public MainWidget
{
public:
    using MainWidget::MainWidget;

    // The competition choice: a position, a typed text, or cancel.
    int chooseIndex = -1;
    QString typedText;
    bool cancel = false;
    QStringList offered;
    int preselected = -2;
    QStringList notices;

protected:
    bool askStaevne(const QStringList &entries, int current, int *index, QString *text) override
    {
        offered = entries;
        preselected = current;
        if (cancel)
            return false;
        *index = chooseIndex;
        *text = chooseIndex >= 0 ? entries.value(chooseIndex) : typedText;
        return true;
    }
    void showChampionshipNotice(const QString &text) override { notices << text; }
    int askCloseWarning(const QString &) override { return 1; }
};

HostAddresses fixedHost()
{
    HostAddresses h;
    h.hostName = QStringLiteral("ringside");
    h.lookupOk = true;
    h.resolved = {QHostAddress(QStringLiteral("192.0.2.10"))};
    return h;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList tabTitles(const QTabWidget *tabs)
{
    QStringList titles;
    for (int i = 0; tabs && i < tabs->count(); ++i)
        titles << tabs->tabText(i);
    return titles;
}

QString headerValue(const staevneKlasseInfo *view, const QString &key)
{
    for (const auto &pair : view->jsonDocument().header) {
        if (pair.first == key)
            return pair.second;
    }
    return QString();
}

// The rows of an arena list in the setup tab: class number and section.
QStringList arenaRows(Setup *setup, int bane)
{
    QStringList rows;
    QTreeWidget *list = setup->classList(bane);
    for (int i = 0; list && i < list->topLevelItemCount(); ++i)
        rows << list->topLevelItem(i)->text(2) + QLatin1Char('-') + list->topLevelItem(i)->text(3);
    return rows;
}

const QStringList demoTabs{
    "1 LA1 Dressur - A",
    "1 LA1 Dressur - B",
    "2 MB0 Kür på musik - A",
    "3 LA2 Holdkonkurrence - A",
    "4 Championat 5-årige dressurheste - A",
    "5 LC Spring - A",
    "5 LC Spring - B",
    "6 LB Spring - A",
    "7 Championat 6-årige springheste - A",
    "9 MA Dressur - A",
};

} // namespace

class tst_Loading : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_demo;
    QString m_db;
    QString m_root;
    int m_n = 0;
    std::unique_ptr<TestWindow> m_window;
    QStringList m_uploads;

    // A fresh copy of the demo database for one test, changed by `sql`.
    void prepareDatabase(const QString &sql = QString())
    {
        m_db = m_dir.filePath(QStringLiteral("competition%1.db").arg(++m_n));
        QVERIFY(QFile::copy(m_demo, m_db));
        if (!sql.isEmpty()) {
            standin::SqliteDatabase db;
            QVERIFY(db.open(m_db, false));
            QVERIFY2(db.exec(sql), qPrintable(db.lastError()));
        }
    }

    void openWindow(const QMap<QString, QString> &extra = {})
    {
        m_root = m_dir.filePath(QStringLiteral("out%1/html").arg(m_n));
        const QString path = m_dir.filePath(QStringLiteral("cfg%1.xml").arg(m_n));
        {
            appConfig cfg(nullptr, path);
            cfg.setValue("debug.show", "1");
            cfg.setValue("bane.baseUrl", "");
            cfg.setValue("database.driver", standin::driverName());
            cfg.setValue("database.name", m_db);
            cfg.setValue("database.update", "3600000");
            cfg.setValue("http.root", m_root);
            for (auto it = extra.cbegin(); it != extra.cend(); ++it)
                cfg.setValue(it.key(), it.value());
            cfg.writeConfig();
        }
        m_window = std::make_unique<TestWindow>(nullptr, path, QStringLiteral("main"));
        m_uploads.clear();
        connect(m_window->setupTab(), &Setup::logMessage, this, [this](int level, const QString &text) {
            if (level == 2 && text.startsWith(QLatin1String("Upload file called ")))
                m_uploads << text.mid(19).trimmed();
        });
    }

    QString log() const { return m_window->findChild<QPlainTextEdit *>("infoText")->toPlainText(); }
    QString setting(const QString &key) const { return m_window->config()->getValue(key, QStringLiteral("<none>")); }
    QString outFile(const QString &name) const { return m_root + QLatin1Char('/') + name; }
    QComboBox *addressList() const { return m_window->findChild<QComboBox *>("editable combobox"); }

    void compareWithExpected(const QString &name, const QString &expectedFile)
    {
        const QByteArray actual = readFile(outFile(name));
        // ZEP_WRITE_EXPECTED=1 writes the files anew, to be read through
        // before they are committed.
        if (qEnvironmentVariableIntValue("ZEP_WRITE_EXPECTED") == 1) {
            QFile out(QStringLiteral(ZEP_TESTDATA "/") + expectedFile);
            QVERIFY(out.open(QIODevice::WriteOnly) && out.write(actual) == actual.size());
        }
        const QByteArray expected = readFile(QStringLiteral(ZEP_TESTDATA "/") + expectedFile);
        QVERIFY2(!expected.isEmpty(), qPrintable(expectedFile));
        QCOMPARE(QString::fromUtf8(actual), QString::fromUtf8(expected));
    }

    static quint16 freePort()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        return probe.serverPort();
    }

private slots:
    void initTestCase()
    {
        standin::registerDriver();
        MainWidget::setHostLookup(fixedHost);
        QVERIFY(m_dir.isValid());
        QDir::setCurrent(m_dir.path());
        m_demo = m_dir.filePath("demo.db");
        standin::DemoOptions options;
        options.small = true;
        QString error;
        QVERIFY2(standin::generateDemoCompetition(m_demo, options, &error), qPrintable(error));
    }

    void cleanup()
    {
        m_window.reset();
        standin::Faults::clear();
        QSqlDatabase::removeDatabase("ZEP");
    }

    // ---- the views -----------------------------------------------------------

    void loadBuildsOneViewPerShownSection()
    {
        prepareDatabase();
        openWindow();
        m_window->showStaevne(standin::demoCompetitionId);

        QCOMPARE(tabTitles(m_window->classTabs()), demoTabs);
        QVERIFY(!m_window->championshipTabs());
        QCOMPARE(m_window->viewKeys().size(), demoTabs.size());

        // Dressage and jumping get their own view classes, with their arena.
        struct Expect { const char *key; bool jumping; int bane; };
        const Expect expected[] = {{"1-A", false, 1}, {"4-A", false, 1}, {"5-B", true, 2},
                                   {"7-A", true, 2},  {"9-A", false, 3}};
        for (const Expect &e : expected) {
            staevneKlasseInfo *view = m_window->view(QLatin1String(e.key));
            QVERIFY2(view, e.key);
            QCOMPARE(qobject_cast<staevneKlasseInfoSpring *>(view) != nullptr, e.jumping);
            QCOMPARE(qobject_cast<staevneKlasseInfoDressur *>(view) != nullptr, !e.jumping);
            QCOMPARE(headerValue(view, "bane"), QString::number(e.bane));
            QVERIFY(view->listView1->topLevelItemCount() > 0);
        }

        // Sections without a view are named in the log and registered nowhere.
        const QString text = log();
        QVERIFY(text.contains("Klasse 8 LD Military afdeling A springes over: ingen military-visning"));
        QVERIFY(text.contains("Klasse 2 MB0 Kür på musik afdeling V springes over: ingen venteliste-visning"));
        QVERIFY(text.contains("Klasse 6 LB Spring afdeling V springes over"));

        Setup *setup = m_window->setupTab();
        QCOMPARE(arenaRows(setup, 1), QStringList({"0-", "1-A", "1-B", "2-A", "3-A", "4-A"}));
        QCOMPARE(arenaRows(setup, 2), QStringList({"0-", "5-A", "5-B", "6-A", "7-A"}));
        QCOMPARE(arenaRows(setup, 3), QStringList({"0-", "9-A"}));
        QVERIFY(!setup->classList(99));

        QCOMPARE(setting("staevne.id"), QStringLiteral("1"));
        QCOMPARE(setting("staevne.ZEPStaevneId"), QStringLiteral("S240614"));
        QVERIFY(!m_window->isLoadingStaevne());
        QVERIFY(m_window->notices.isEmpty());
    }

    void championshipTabFollowsTheClassTypeCode()
    {
        // A dressage class whose code holds "SCU" and a jumping class with a
        // championship dressage code keep their ordinary views but go into
        // the championship tab.
        prepareDatabase("INSERT INTO tblKlasseType (KlasseTypeId, KlasseType, DiciplinId, MaxPoint, Klasse) "
                        "VALUES ('XSCU2', 'MA med SCU', 2, 340, 'MA'), ('DCU4H', 'Spring DCU', 3, 0, 'LB');"
                        "UPDATE tblKlasse SET KlasseTypeId = 'XSCU2' WHERE StaevneId = 1 AND KlasseNr = 9;"
                        "UPDATE tblKlasse SET KlasseTypeId = 'DCU4H' WHERE StaevneId = 1 AND KlasseNr = 6;");
        openWindow({{"championat.show", "1"}});
        m_window->showStaevne(standin::demoCompetitionId);

        QTabW *champ = m_window->championshipTabs();
        QVERIFY(champ);
        QCOMPARE(m_window->mainTabs()->indexOf(champ), 2);
        QCOMPARE(m_window->mainTabs()->tabText(2), QStringLiteral("&Championats Klasser"));
        QCOMPARE(tabTitles(champ), QStringList({"6 LB Spring - A", "9 MA Dressur - A"}));
        QVERIFY(qobject_cast<staevneKlasseInfoSpring *>(m_window->view("6-A")));
        QVERIFY(qobject_cast<staevneKlasseInfoDressur *>(m_window->view("9-A")));
        // The championship views themselves (DCU5H, SK-SCU6) are not built yet.
        QVERIFY(!m_window->view("4-A"));
        QVERIFY(!m_window->view("7-A"));
        QVERIFY(log().contains("Klasse 4 Championat 5-årige dressurheste afdeling A springes over: "
                               "ingen championat dressur-visning"));
        QCOMPARE(tabTitles(m_window->classTabs()),
                 QStringList({"1 LA1 Dressur - A", "1 LA1 Dressur - B", "2 MB0 Kür på musik - A",
                              "3 LA2 Holdkonkurrence - A", "5 LC Spring - A", "5 LC Spring - B"}));

        QCOMPARE(m_window->notices.size(), 1);
        QCOMPARE(m_window->notices.first(),
                 QStringLiteral("Resultaterne for championats klasser kan nu indtastes\ni fanebladet Championats "
                                "Klasser.\nDesuden kan der gemmes en kopi\n\n6 LB Spring\n9 MA Dressur\n"));

        // A second load starts the championship tab afresh.
        QPointer<QTabW> first = champ;
        m_window->showStaevne(standin::demoCompetitionId);
        QVERIFY(!first);
        QVERIFY(m_window->championshipTabs());
        QCOMPARE(tabTitles(m_window->championshipTabs()), QStringList({"6 LB Spring - A", "9 MA Dressur - A"}));
        QCOMPARE(m_window->mainTabs()->count(), 5);
    }

    // ---- the competition files -----------------------------------------------

    void competitionFilesMatchExpected()
    {
        prepareDatabase();
        openWindow({{"upload.state", "0"}});
        QVERIFY(!QDir(m_root).exists());
        m_window->showStaevne(standin::demoCompetitionId);

        compareWithExpected("S240614.cfg", "loading_S240614.cfg");
        compareWithExpected("index.html", "loading_index.html");
        compareWithExpected("klasse0_1.html", "loading_klasse0_1.html");
        compareWithExpected("klasse0_2.html", "loading_klasse0_2.html");
        compareWithExpected("klasse0_3.html", "loading_klasse0_3.html");
        QVERIFY(!QFile::exists(outFile("klasse0_99.html")));
        compareWithExpected("S240614.html", "loading_S240614.html");

        const QImage logo(outFile("FRK.png"));
        QCOMPARE(logo.size(), QSize(96, 96));

        QStringList addresses;
        for (int i = 0; i < addressList()->count(); ++i)
            addresses << addressList()->itemText(i);
        QCOMPARE(addresses, QStringList({"http://localhost:8080/bane1.html", "http://localhost:8080/bane2.html",
                                         "http://localhost:8080/oversigt2.html", "http://localhost:8080/bane3.html",
                                         "http://localhost:8080/baner.php?bane=1,2,3&min=1"}));

        // Uploads: every class as it is registered, then the manifest, the
        // logo and the information page.
        QCOMPARE(m_uploads.size(), 2 * demoTabs.size() + 3);
        QCOMPARE(m_uploads.first(), QStringLiteral("html/klasse1_A.html"));
        QCOMPARE(m_uploads.at(1), QStringLiteral("html/klasse1_A.json"));
        QCOMPARE(m_uploads.mid(m_uploads.size() - 3),
                 QStringList({outFile("S240614.cfg"), outFile("FRK.png"), outFile("S240614.html")}));
    }

    void serverAliasesPointAtTheCompetitionPages()
    {
        prepareDatabase();
        openWindow({{"app.server", "1"}, {"http.port", QString::number(freePort())}});
        QVERIFY(m_window->httpServer());
        m_window->showStaevne(standin::demoCompetitionId);
        const QMap<QString, QString> aliases = m_window->httpServer()->aliases();
        QCOMPARE(aliases.value("S240614"), QStringLiteral("index.html"));
        QCOMPARE(aliases.value("info.html"), QStringLiteral("S240614.html"));
    }

    void failedHeaderKeepsTheManifestLocal()
    {
        // The header query is the first statement with a bound id; fail it by
        // taking its table's federation number column away from the query.
        prepareDatabase("ALTER TABLE tblStaevne RENAME COLUMN ZEPStaevneNr TO ZEPNr;");
        openWindow();
        m_window->showStaevne(standin::demoCompetitionId);

        QVERIFY(log().contains("SHOWSTAEVNE SQL Error"));
        const QString manifest = QString::fromUtf8(readFile(outFile("ukendt.cfg")));
        QVERIFY(manifest.contains("\nStaevne=Ukendt\nStaevneType=Ukendt\n"));
        QVERIFY(manifest.endsWith("startDato=\nslutDato=\n"));
        QVERIFY(!m_uploads.contains(outFile("ukendt.cfg")));
        QVERIFY(log().contains("ukendt.cfg sendes ikke"));
        // The number read at start stays; the views are made all the same.
        QCOMPARE(setting("staevne.ZEPStaevneId"), QStringLiteral("S000000"));
        QCOMPARE(m_window->viewKeys().size(), demoTabs.size());
    }

    void informationPageNeedsUpdateLevelAbove2010301()
    {
        prepareDatabase("DELETE FROM tblOpdatering WHERE OpdateringID > 2010301;");
        openWindow();
        m_window->showStaevne(standin::demoCompetitionId);
        QVERIFY(QFile::exists(outFile("index.html")));
        QVERIFY(!QFile::exists(outFile("S240614.html")));
        // The logo does not depend on the level.
        QVERIFY(QFile::exists(outFile("FRK.png")));
    }

    void undecodableLogoIsNeitherSavedNorUploaded()
    {
        prepareDatabase("UPDATE tblEjer SET LOGOSTI = x'00010203';");
        openWindow();
        m_window->showStaevne(standin::demoCompetitionId);
        QVERIFY(!QFile::exists(outFile("FRK.png")));
        QVERIFY(!m_uploads.contains(outFile("FRK.png")));
        QVERIFY(log().contains("Klub logo FRK.png kan ikke læses fra databasen"));
        QVERIFY(!log().contains("Klub logo " + outFile("FRK.png")));
    }

    void unwritableOutputIsLoggedOnce()
    {
        prepareDatabase();
        openWindow();
        // A file where the output directory should be: nothing can be written.
        QDir().mkpath(QFileInfo(m_root).path());
        QFile blocker(m_root);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        m_window->showStaevne(standin::demoCompetitionId);
        QCOMPARE(log().count("Kunne ikke skrive " + outFile("index.html")), 1);
        QCOMPARE(log().count("Kunne ikke skrive " + outFile("S240614.cfg")), 1);
        QVERIFY(!m_uploads.contains(outFile("S240614.cfg")));
        QCOMPARE(m_window->viewKeys().size(), demoTabs.size());
    }

    // ---- choosing ------------------------------------------------------------

    void choiceGoesByPosition()
    {
        // Two competitions with the same name and dates give equal entries.
        prepareDatabase("UPDATE tblStaevne SET Staevne = 'Fjordens Sommerstævne 2024', "
                        "Startdato = '2024-06-14 00:00:00.000', Slutdato = '2024-06-15 00:00:00.000' "
                        "WHERE StaevneId = 2;");
        openWindow();
        m_window->chooseIndex = 0;
        m_window->selectStaevne();
        QCOMPARE(m_window->offered.size(), 2);
        QCOMPARE(m_window->offered.at(0), m_window->offered.at(1));
        QCOMPARE(m_window->offered.at(0), QStringLiteral("Fjordens Sommerstævne 2024 14/06/2024 - 15/06/2024"));
        QCOMPARE(m_window->preselected, 1);
        const QString first = setting("staevne.id");

        m_window->chooseIndex = 1;
        m_window->selectStaevne();
        const QString second = setting("staevne.id");
        QCOMPARE(QSet<QString>({first, second}), QSet<QString>({"1", "2"}));
        QCOMPARE(setting("staevne.navn"), m_window->offered.at(1));
    }

    void typedUnknownTextLoadsNothing()
    {
        prepareDatabase();
        openWindow();
        m_window->chooseIndex = 1;
        m_window->selectStaevne();
        QCOMPARE(m_window->offered.first(), QStringLiteral("Fjordens Forårsstævne 2024 17/05/2024 - 17/05/2024"));
        QCOMPARE(setting("staevne.id"), QStringLiteral("1"));
        const QStringList keys = m_window->viewKeys();

        m_window->chooseIndex = -1;
        m_window->typedText = QStringLiteral("Et stævne der ikke findes");
        m_window->selectStaevne();
        QCOMPARE(setting("staevne.id"), QStringLiteral("1"));
        QCOMPARE(m_window->viewKeys(), keys);
        QVERIFY(log().contains("Stævnet \"Et stævne der ikke findes\" findes ikke i databasen; intet indlæst"));

        // A typed text equal to an entry loads that entry; cancel loads nothing.
        m_window->typedText = m_window->offered.first();
        m_window->selectStaevne();
        QCOMPARE(setting("staevne.id"), QStringLiteral("2"));
        m_window->cancel = true;
        m_window->selectStaevne();
        QCOMPARE(setting("staevne.id"), QStringLiteral("2"));
    }

    // ---- failures and refusals -----------------------------------------------

    void failedClassQueryKeepsTheCompetitionOnShow()
    {
        prepareDatabase();
        openWindow();
        m_window->showStaevne(standin::demoCompetitionId);
        const QStringList keys = m_window->viewKeys();
        const QByteArray index = readFile(outFile("index.html"));
        const QList<QWidget *> views = [this] {
            QList<QWidget *> list;
            for (int i = 0; i < m_window->classTabs()->count(); ++i)
                list << m_window->classTabs()->widget(i);
            return list;
        }();

        {
            // Only the class query reads the class types.
            standin::SqliteDatabase db;
            QVERIFY(db.open(m_db, false));
            QVERIFY(db.exec("ALTER TABLE tblKlasseType RENAME TO tblKlasseTypeGammel"));
        }
        m_window->showStaevne(standin::demoPastCompetitionId);

        QVERIFY(log().contains("SHOWSTAEVNE SQL Error"));
        QCOMPARE(m_window->viewKeys(), keys);
        for (int i = 0; i < views.size(); ++i)
            QCOMPARE(m_window->classTabs()->widget(i), views.at(i));
        QCOMPARE(arenaRows(m_window->setupTab(), 2), QStringList({"0-", "5-A", "5-B", "6-A", "7-A"}));
        QCOMPARE(readFile(outFile("index.html")), index);
        QVERIFY(!QFile::exists(outFile("S240517.cfg")));
        QCOMPARE(setting("staevne.ZEPStaevneId"), QStringLiteral("S240614"));
    }

    void noOpenDatabaseChangesNothingButTheName()
    {
        prepareDatabase();
        openWindow();
        m_window->showStaevne(standin::demoCompetitionId);
        const QStringList keys = m_window->viewKeys();
        standin::Faults::dropConnections();
        standin::Faults::setRefuseOpen(true);
        m_window->config()->setValue("staevne.navn", "Andet stævne");
        m_window->showStaevne(standin::demoPastCompetitionId);
        QCOMPARE(setting("staevne.id"), QStringLiteral("2"));
        QCOMPARE(m_window->viewKeys(), keys);
        QCOMPARE(m_window->setupTab()->findChild<QLabel *>("selectedStaevne")->text(), QStringLiteral("Andet stævne"));
    }

    void loadWithoutSections()
    {
        prepareDatabase("INSERT INTO tblStaevne (StaevneId, Staevne, NiveauId, Startdato, Slutdato, ZEPStaevneNr) "
                        "VALUES (7, 'Tomt stævne', 'Klubstævne', '2024-08-01 00:00:00.000', "
                        "'2024-08-01 00:00:00.000', 's*7ø');");
        openWindow();
        m_window->showStaevne(standin::demoCompetitionId);
        m_window->showStaevne(7);

        QVERIFY(m_window->viewKeys().isEmpty());
        QCOMPARE(m_window->classTabs()->count(), 0);
        QVERIFY(!m_window->setupTab()->classList(1));
        QCOMPARE(setting("staevne.ZEPStaevneId"), QStringLiteral("S7OE"));
        compareWithExpected("S7OE.cfg", "loading_empty.cfg");
        compareWithExpected("index.html", "loading_empty_index.html");
        // The addresses of the load before stay; no new rotating page.
        QCOMPARE(addressList()->count(), 5);
    }

    void loadAndRefreshRefuseToNest()
    {
        prepareDatabase();
        openWindow({{"app.server", "1"}, {"http.port", QString::number(freePort())}});

        // A timer that fires inside the load's event processing tries every
        // way into a second load or a teardown.
        int attempts = 0;
        bool cancelButton = true;
        QTimer intruder;
        intruder.setInterval(0);
        connect(&intruder, &QTimer::timeout, this, [&] {
            if (!m_window->isLoadingStaevne())
                return;
            if (auto *progress = m_window->findChild<QProgressDialog *>("progress"))
                cancelButton = !progress->findChildren<QPushButton *>().isEmpty();
            ++attempts;
            m_window->showStaevne(standin::demoPastCompetitionId);
            m_window->selectStaevne();
            m_window->refreshClasses();
            QKeyEvent f5(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
            QCoreApplication::sendEvent(m_window.get(), &f5);
            QKeyEvent f10(QEvent::KeyPress, Qt::Key_F10, Qt::NoModifier);
            QCoreApplication::sendEvent(m_window.get(), &f10);
            m_window->startHttpServer(false);
        });
        intruder.start();
        m_window->showStaevne(standin::demoCompetitionId);
        intruder.stop();

        QVERIFY(attempts > 0);
        QVERIFY(!cancelButton);
        QCOMPARE(tabTitles(m_window->classTabs()), demoTabs);
        QCOMPARE(setting("staevne.id"), QStringLiteral("1"));
        QVERIFY(m_window->httpServer());
        const QString text = log();
        QCOMPARE(text.count("Indlæsning af stævne 2 afvist"), attempts);
        QCOMPARE(text.count("Valg af stævne afvist"), 2 * attempts);
        QCOMPARE(text.count("Opdatering af klasserne afvist"), 2 * attempts);
        QCOMPARE(text.count("Stop af httpd server afvist"), attempts);

        // The same during a refresh; afterwards both run again.
        attempts = 0;
        intruder.start();
        m_window->refreshClasses();
        intruder.stop();
        QVERIFY(attempts > 0);
        QCOMPARE(m_window->viewKeys().size(), demoTabs.size());
        QVERIFY(!m_window->isLoadingStaevne());
        m_window->showStaevne(standin::demoPastCompetitionId);
        QCOMPARE(setting("staevne.id"), QStringLiteral("2"));
        QCOMPARE(m_window->viewKeys().size(), 2);
    }

    // ---- refreshing ------------------------------------------------------------

    void refreshReloadsEveryClass()
    {
        prepareDatabase();
        openWindow({{"app.statusButtons", "1"}});
        m_window->showStaevne(standin::demoCompetitionId);

        QList<std::shared_ptr<QSignalSpy>> spies;
        for (const QString &key : m_window->viewKeys())
            spies << std::make_shared<QSignalSpy>(m_window->view(key), &staevneKlasseInfo::resultChangeClass);
        QFile::remove(outFile("S240614.html"));
        m_window->config()->setValue("host.info", "gammel");
        m_uploads.clear();

        auto *button = m_window->findChild<QStatusBar *>()->findChild<QPushButton *>();
        QVERIFY(button);
        QTest::mouseClick(button, Qt::LeftButton);

        for (const auto &spy : spies) {
            QCOMPARE(spy->count(), 1);
            QCOMPARE(spy->first().at(3).toBool(), false);
        }
        QVERIFY(QFile::exists(outFile("S240614.html")));
        QCOMPARE(setting("host.info"), QStringLiteral("ringside: 192.0.2.10 / 127.0.0.1"));
        QVERIFY(button->isEnabled());
        QVERIFY(m_uploads.contains("html/klasse9_A.json"));
        QCOMPARE(log().count("Refresh Classes"), 1);

        // Without a competition id the page is skipped, the views are not.
        QFile::remove(outFile("S240614.html"));
        m_window->config()->setValue("staevne.id", "0");
        QTest::keyClick(m_window.get(), Qt::Key_F5);
        QVERIFY(!QFile::exists(outFile("S240614.html")));
        for (const auto &spy : spies)
            QCOMPARE(spy->count(), 2);
    }
};

QTEST_MAIN(tst_Loading)
#include "tst_loading.moc"

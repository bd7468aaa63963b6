// Choosing and loading competitions in the main window against the small
// demo database: views, tabs, arena lists, the competition files compared
// with expected files, refresh, and what a load refuses or keeps.
#include <QComboBox>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <memory>

#include "publish/HttpDaemon.h"
#include "views/staevneKlasseInfo.h"
#include "app/QTabW.h"
#include "publish/Setup.h"
#include "demo/DemoCompetition.h"
#include "receiver/UploadReceiver.h"
#include "demo/SqliteDatabase.h"
#include "driver/StandinDriver.h"
#include "files/WholeFile.h"
#include "ChildProcesses.h"
#include "EventWait.h"
#include "StationFixture.h"

using namespace stationfx;

namespace {

// Answers the window's dialogs as a test wants and keeps what they showed.
class TestWindow : public MainWidget
{
public:
    using MainWidget::MainWidget;
    int chooseIndex = -1; // a position, or -1 for typedText
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
        *index = chooseIndex;
        *text = chooseIndex >= 0 ? entries.value(chooseIndex) : typedText;
        return !cancel;
    }
    void showChampionshipNotice(const QString &text) override { notices << text; }
};

// An arena list of the setup tab as "<class number>-<section>" rows.
QStringList arenaRows(Setup *setup, int bane)
{
    QStringList rows;
    QTreeWidget *list = setup->classList(bane);
    for (int i = 0; list && i < list->topLevelItemCount(); ++i)
        rows << list->topLevelItem(i)->text(2) + QLatin1Char('-') + list->topLevelItem(i)->text(3);
    return rows;
}

const QStringList demoTabs{"1 LA1 Dressur - A", "1 LA1 Dressur - B", "2 MB0 Kür på musik - A",
                           "3 LA2 Holdkonkurrence - A", "4 Championat 5-årige dressurheste - A",
                           "5 LC Spring - A", "5 LC Spring - B", "6 LB Spring - A",
                           "7 Championat 6-årige springheste - A", "8 LD Military - A", "9 MA Dressur - A",
                           "2 MB0 Kür på musik - V", "6 LB Spring - V"};

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
    LoopbackServers m_servers;
    std::unique_ptr<TestWindow> m_window;
    QStringList m_uploads;

    // A window on a fresh copy of the demo database, changed first by `sql`.
    void openWindow(const QString &sql = QString(), const QMap<QString, QString> &extra = {})
    {
        m_db = m_dir.filePath(QStringLiteral("competition%1.db").arg(++m_n));
        QVERIFY(QFile::copy(m_demo, m_db));
        if (!sql.isEmpty())
            QVERIFY(changeDatabase(sql));
        m_root = m_dir.filePath(QStringLiteral("out%1/html").arg(m_n));
        const QString path = m_dir.filePath(QStringLiteral("cfg%1.xml").arg(m_n));
        QMap<QString, QString> values{{"debug.show", "1"}, {"bane.baseUrl", ""}, {"database.update", "3600000"},
                                      {"database.driver", standin::driverName()}, {"database.name", m_db},
                                      {"http.root", m_root}};
        values.insert(extra);
        values.removeIf([](auto it) { return it.value().isNull(); }); // a null value leaves the key out
        QVERIFY(writeSettings(path, values));
        m_window = std::make_unique<TestWindow>(nullptr, path, QStringLiteral("main"));
        m_uploads.clear();
        connect(m_window->setupTab(), &Setup::logMessage, this, [this](int level, const QString &text) {
            if (level == 2 && text.startsWith(QLatin1String("Upload file called ")))
                m_uploads << text.mid(19).trimmed();
        });
    }

    bool changeDatabase(const QString &sql)
    {
        standin::SqliteDatabase db;
        return db.open(m_db, false) && db.exec(sql);
    }

    QString log() const { return m_window->findChild<QPlainTextEdit *>("infoText")->toPlainText(); }
    QString setting(const QString &key) const { return m_window->config()->getValue(key, QStringLiteral("<none>")); }
    QString outFile(const QString &name) const { return m_root + QLatin1Char('/') + name; }
    QComboBox *addressList() const { return m_window->findChild<QComboBox *>("editable combobox"); }
    // The class of the view shown for a section, or "none".
    QString kind(const QString &key) const
    {
        const staevneKlasseInfo *view = m_window->view(key);
        return view ? QString::fromLatin1(view->metaObject()->className()) : QStringLiteral("none");
    }

    // Compares an output file with its expected file, "<prefix><name>".
    void compareWithExpected(const QString &name, const QString &prefix = QStringLiteral("loading_"))
    {
        const QByteArray actual = readFile(outFile(name));
        const QString expectedFile = prefix + name;
        const QString expectedPath = QStringLiteral(ZEP_TESTDATA "/") + expectedFile;
        // ZEP_WRITE_EXPECTED=1 writes the expected files anew, to be read
        // through before they are committed.
        if (qEnvironmentVariableIntValue("ZEP_WRITE_EXPECTED") == 1)
            QVERIFY(writeFile(expectedPath, actual));
        const QByteArray expected = readFile(expectedPath);
        QVERIFY2(!expected.isEmpty(), qPrintable(expectedFile));
        QCOMPARE(QString::fromUtf8(actual), QString::fromUtf8(expected));
    }

    // What a publication of `names` into the output directory leaves when it
    // is killed after its temporaries were written and before any rename:
    // the writer's refusal hook stands where the kill strikes, and what it
    // finds there is put back once the writer has tidied up. `temporaries`
    // gets the temporaries' names, each with the name of its file.
    void leaveInterruptedWrites(const QStringList &names, QMap<QString, QString> *temporaries)
    {
        temporaries->clear();
        const QStringList before = QDir(m_root).entryList(QDir::Files | QDir::Hidden | QDir::System);
        QMap<QString, QByteArray> found;
        setCommitRefusal([&](const QString &) {
            const QFileInfoList entries = QDir(m_root).entryInfoList(QDir::Files | QDir::Hidden);
            for (const QFileInfo &entry : entries) {
                if (!before.contains(entry.fileName()) && !interruptedWriteTarget(entry.fileName()).isEmpty())
                    found.insert(entry.fileName(), readFile(entry.filePath()));
            }
            return true;
        });
        QVector<QPair<QString, QByteArray>> files;
        for (const QString &name : names)
            files.append({outFile(name), "halvt skrevet " + name.toUtf8()});
        QString error;
        const bool written = writeWholeFiles(files, &error);
        setCommitRefusal({});
        QVERIFY(!written);
        for (auto it = found.cbegin(); it != found.cend(); ++it) {
            QVERIFY2(!QFile::exists(outFile(it.key())), qPrintable(it.key())); // the writer removed it
            QVERIFY(writeFile(outFile(it.key()), it.value()));
            temporaries->insert(it.key(), interruptedWriteTarget(it.key()));
        }
        QStringList targets = temporaries->values();
        targets.sort();
        QStringList sorted = names;
        sorted.sort();
        QCOMPARE(targets, sorted);
    }

private slots:
    void initTestCase()
    {
        childprocs::stopChildrenOnSignals();
        standin::registerDriver();
        MainWidget::setHostLookup(ringsideHost);
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
        setCommitRefusal({});
        standin::Faults::clear();
        QSqlDatabase::removeDatabase("ZEP");
    }

    // One load of the demo competition with loads, choices, refreshes and a
    // server stop tried from inside it, then a refresh tried the same way.
    void loadAndRefresh()
    {
        openWindow(QString(), {{"app.server", "1"}, {"app.statusButtons", "1"}});
        QVERIFY(QDir(m_root).removeRecursively()); // the server made it; the load must make it again
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
            for (const int key : {int(Qt::Key_F5), int(Qt::Key_F10)}) {
                QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
                QCoreApplication::sendEvent(m_window.get(), &press);
            }
            m_window->startHttpServer(false);
        });
        intruder.start();
        m_window->showStaevne(standin::demoCompetitionId);
        intruder.stop();

        // Nested loads: every way in is refused, and the load cannot be cancelled half-way.
        QVERIFY(attempts > 0);
        QVERIFY(!cancelButton);
        // Six ways in per attempt (load, choice, refresh, F5, F10, server stop).
        QCOMPARE(log().count("afvist"), 6 * attempts);
        QCOMPARE(m_window->httpServer()->aliases().value("S240614"), QStringLiteral("index.html"));
        QCOMPARE(m_window->httpServer()->aliases().value("info.html"), QStringLiteral("S240614.html"));

        // Championship codes without "championat.show" keep the plain views
        // on the class tabs; every view shows its rows.
        QCOMPARE(tabTitles(m_window->classTabs()), demoTabs);
        QVERIFY(!m_window->championshipTabs());
        QCOMPARE(kind("7-A"), QStringLiteral("staevneKlasseInfoSpring"));
        for (const QString &key : m_window->viewKeys())
            QVERIFY2(m_window->view(key)->listView1->topLevelItemCount() > 0, qPrintable(key));
        // Waiting lists show under arena 99.
        Setup *setup = m_window->setupTab();
        QCOMPARE(arenaRows(setup, 1), QStringList({"0-", "1-A", "1-B", "2-A", "3-A", "4-A"}));
        QCOMPARE(arenaRows(setup, 2), QStringList({"0-", "5-A", "5-B", "6-A", "7-A"}));
        QCOMPARE(arenaRows(setup, 3), QStringList({"0-", "8-A", "9-A"}));
        QCOMPARE(arenaRows(setup, 99), QStringList({"0-", "2-V", "6-V"}));
        QVERIFY(m_window->notices.isEmpty());

        // The competition files, made in the missing output directory.
        for (const char *name :
             {"S240614.cfg", "index.html", "klasse0_1.html", "klasse0_2.html", "klasse0_3.html", "S240614.html"})
            compareWithExpected(name);
        QCOMPARE(QImage(outFile("FRK.png")).size(), QSize(96, 96));
        // An arena's document while it has no active class names the
        // competition on show and no class.
        const QJsonObject pause = QJsonDocument::fromJson(readFile(outFile("klasse0_2.json"))).object();
        QCOMPARE(pause.value("ZEPstaevneId").toString(), QStringLiteral("S240614"));
        QCOMPARE(pause.value("bane").toString(), QStringLiteral("2"));
        QCOMPARE(pause.value("klasseNr").toString(), QStringLiteral("0"));

        // One address per arena and overview, then the rotating page.
        QCOMPARE(addressList()->count(), 7);
        QCOMPARE(addressList()->itemText(6), QStringLiteral("http://localhost:8080/baner.php?bane=1,2,3,99&min=1"));

        // Uploads: every arena's pause page under the arena's names, each
        // class as it is registered, then the manifest, the logo and the
        // information page.
        QCOMPARE(m_uploads.size(), 6 + 2 * demoTabs.size() + 3);
        QCOMPARE(m_uploads.mid(0, 8),
                 QStringList({"html/klasse0_1.html bane1.html", "html/klasse0_1.json bane1.json",
                              "html/klasse0_2.html bane2.html", "html/klasse0_2.json bane2.json",
                              "html/klasse0_3.html bane3.html", "html/klasse0_3.json bane3.json",
                              "html/klasse1_A.html", "html/klasse1_A.json"}));
        QCOMPARE(m_uploads.mid(m_uploads.size() - 3),
                 QStringList({outFile("S240614.cfg"), outFile("FRK.png"), outFile("S240614.html")}));

        // The refresh button reloads every class once and writes the page and
        // host line anew; what it refuses inside is refused the same way.
        QMap<QString, std::shared_ptr<QSignalSpy>> spies;
        for (const QString &key : m_window->viewKeys())
            spies.insert(key, std::make_shared<QSignalSpy>(m_window->view(key), &staevneKlasseInfo::resultChangeClass));
        QFile::remove(outFile("S240614.html"));
        m_window->config()->setValue("host.info", "gammel");
        auto *button = m_window->findChild<QStatusBar *>()->findChild<QPushButton *>();
        attempts = 0;
        intruder.start();
        QTest::mouseClick(button, Qt::LeftButton);
        intruder.stop();
        QVERIFY(attempts > 0);
        // Each view reports to the arena its section is listed under.
        for (auto it = spies.cbegin(); it != spies.cend(); ++it) {
            QCOMPARE(it.value()->count(), 1);
            QCOMPARE(it.value()->first().at(3).toBool(), false);
            QVERIFY2(arenaRows(setup, it.value()->first().at(0).toInt()).contains(it.key()), qPrintable(it.key()));
        }
        QVERIFY(QFile::exists(outFile("S240614.html")));
        QCOMPARE(setting("host.info"), QStringLiteral("ringside: 192.0.2.10 / 127.0.0.1"));
        QVERIFY(button->isEnabled());

        // Without a competition id the page is skipped, the views are not.
        QFile::remove(outFile("S240614.html"));
        m_window->config()->setValue("staevne.id", "0");
        QTest::keyClick(m_window.get(), Qt::Key_F5);
        QVERIFY(!QFile::exists(outFile("S240614.html")));
        for (const auto &spy : spies)
            QCOMPARE(spy->count(), 2);
        // After the refused attempts a load runs again.
        m_window->showStaevne(standin::demoPastCompetitionId);
        QCOMPARE(m_window->viewKeys().size(), 2);
    }

    // Loads that follow one another: a failed one keeps what is shown, a
    // second competition replaces the first, here and on the results
    // server, one without classes shows none.
    void followingLoads()
    {
        standin::UploadReceiver receiver;
        QVERIFY(receiver.listen());
        openWindow("INSERT INTO tblStaevne (StaevneId, Staevne, NiveauId, Startdato, Slutdato, ZEPStaevneNr) "
                   "VALUES (7, 'Tomt stævne', 'Klubstævne', '2024-08-01', '2024-08-01', 's*7ø');",
                   {{"app.server", "1"}, {"upload.state", "1"},
                    {"upload.server", QStringLiteral("127.0.0.1:%1").arg(receiver.port())}});
        m_window->showStaevne(standin::demoCompetitionId);
        // Arena 3's active class, here and on the results server.
        m_window->setupTab()->resultChangeClass(3, "A", 9, true);
        WAIT_COMPARE(receiver.latest("bane3.html"), readFile(outFile("klasse9_A.html")));
        WAIT_COMPARE(receiver.latest("bane3.json"), readFile(outFile("klasse9_A.json")));
        const QStringList keys = m_window->viewKeys();
        const QWidget *firstTab = m_window->classTabs()->widget(0);
        const QByteArray index = readFile(outFile("index.html"));
        const QStringList firsts{"klasse9_A.html", "rank9_A.html", "klasse9_A.json", "klasse1_B.html",
                                 "klasse1_B.json"};
        for (const QString &name : firsts)
            QVERIFY2(QFile::exists(outFile(name)), qPrintable(name));
        // Files the views did not write stay: a stylesheet, a score sheet's marks.
        for (const char *name : {"ZEPLive.css", "klasse9_A_klasse_9_A.csv"})
            QVERIFY(writeFile(outFile(name), "kept"));

        // A failed class query keeps the competition on show; only the class
        // query reads the class types.
        QVERIFY(changeDatabase("ALTER TABLE tblKlasseType RENAME TO tblKlasseTypeGammel"));
        m_window->showStaevne(standin::demoPastCompetitionId);
        // The competition that was read is named before the classes fail.
        const QString text = log();
        const qsizetype named = text.indexOf(QStringLiteral(" : S240517: "));
        QVERIFY(named >= 0);
        QVERIFY(named < text.indexOf(QStringLiteral("SHOWSTAEVNE SQL Error")));
        QCOMPARE(m_window->viewKeys(), keys);
        QCOMPARE(m_window->classTabs()->widget(0), firstTab);
        QCOMPARE(arenaRows(m_window->setupTab(), 2), QStringList({"0-", "5-A", "5-B", "6-A", "7-A"}));
        QCOMPARE(readFile(outFile("index.html")), index);
        QVERIFY(!QFile::exists(outFile("S240517.cfg")));
        QCOMPARE(setting("staevne.ZEPStaevneId"), QStringLiteral("S240614"));
        QVERIFY(changeDatabase("ALTER TABLE tblKlasseTypeGammel RENAME TO tblKlasseType"));

        // The load by id (the demo's start-up) names the competition as the
        // choice would: the past competition starts earliest, so first.
        m_window->cancel = true;
        m_window->selectStaevne();
        m_window->openStaevne(standin::demoPastCompetitionId);
        QCOMPARE(setting("staevne.navn"), m_window->offered.value(0));
        for (const QString &name : firsts)
            QVERIFY2(!QFile::exists(outFile(name)), qPrintable(name));
        QVERIFY(QFile::exists(outFile("ZEPLive.css")) && QFile::exists(outFile("klasse9_A_klasse_9_A.csv")));
        // Arena 3 is not used by the second competition: its pause page is
        // the second one's too, not a leftover of the first.
        const QByteArray link = QStringLiteral("<A HREF=\"/%1\"").arg(setting("staevne.ZEPStaevneId")).toUtf8();
        for (int bane : {1, 2, 3})
            QVERIFY(readFile(outFile(QStringLiteral("klasse0_%1.html").arg(bane))).contains(link));
        // The results server's arena names show the same pause pages, and
        // the arena documents name the second competition and no class.
        const QByteArray second = QStringLiteral("\"ZEPstaevneId\":\"%1\"").arg(setting("staevne.ZEPStaevneId")).toUtf8();
        for (int bane : {1, 2, 3}) {
            const QString name = QStringLiteral("bane%1.html").arg(bane);
            WAIT_COMPARE(receiver.latest(name), readFile(outFile(QStringLiteral("klasse0_%1.html").arg(bane))));
            const QString json = QStringLiteral("bane%1.json").arg(bane);
            WAIT_VERIFY2(receiver.latest(json).contains(second) && receiver.latest(json).contains("\"klasseNr\":\"0\""),
                         receiver.latest(json).constData());
        }
        // A class file of both competitions' names is the second one's.
        QVERIFY(readFile(outFile("klasse1_A.json"))
                    .contains(QStringLiteral("\"staevneId\":\"%1\"").arg(standin::demoPastCompetitionId).toUtf8()));

        // A competition without classes: no views, its own files, and the
        // addresses of the load before stay with no rotating page added.
        const int addresses = addressList()->count();
        m_window->showStaevne(7);
        QVERIFY(m_window->viewKeys().isEmpty());
        QCOMPARE(m_window->classTabs()->count(), 0);
        QVERIFY(!m_window->setupTab()->classList(1));
        QCOMPARE(setting("staevne.ZEPStaevneId"), QStringLiteral("S7OE"));
        compareWithExpected("S7OE.cfg", "loading_empty_");
        compareWithExpected("index.html", "loading_empty_");
        QCOMPARE(addressList()->count(), addresses);
    }

    // After a second competition's load, nothing of a view of the first is
    // served: no arena name points at one of its pages, and none of its
    // pages, documents or exports is left, whatever its kind.
    void secondLoadLeavesNothingOfTheFirst()
    {
        openWindow(QString(), {{"app.server", "1"}, {"championat.show", "1"}});
        m_window->showStaevne(standin::demoCompetitionId);
        QSet<QString> kinds;
        for (const QString &key : m_window->viewKeys())
            kinds << kind(key);
        QCOMPARE(kinds, QSet<QString>({"staevneKlasseInfoDressur", "staevneKlasseInfoSpring",
                                       "staevneKlasseInfoMilitary", "staevneKlasseInfoVenteliste",
                                       "staevneKlasseInfoChampDressur", "staevneKlasseInfoChampSpring"}));
        // Every arena shows a class of the first competition, arena 3 an
        // eventing class with its overview page.
        m_window->slotActivePage(1, "4", "A");
        m_window->slotActivePage(2, "7", "A");
        m_window->slotActivePage(3, "8", "A");
        m_window->slotActivePage(99, "2", "V");
        // The section of a view's file ("<nr>-<initials>"), empty for other files.
        const QRegularExpression viewFile(QStringLiteral("^(?:klasse|rank|oversigt)(\\d+)_(\\w+)\\.(?:html|json|csv)$"));
        const auto sectionOf = [&viewFile](const QString &name) {
            const QRegularExpressionMatch m = viewFile.match(name);
            return m.hasMatch() && m.captured(1) != QLatin1String("0") ? m.captured(1) + '-' + m.captured(2) : QString();
        };
        for (const char *name : {"oversigt8_A.html", "klasse4_A.html", "klasse2_V.html"})
            QVERIFY2(QFile::exists(outFile(name)), name);

        m_window->showStaevne(standin::demoPastCompetitionId);
        const QStringList secondKeys = m_window->viewKeys();
        QVERIFY(!secondKeys.isEmpty());
        for (const QString &name : QDir(m_root).entryList(QDir::Files))
            QVERIFY2(sectionOf(name).isEmpty() || secondKeys.contains(sectionOf(name)), qPrintable(name));
        const QMap<QString, QString> aliases = m_window->httpServer()->aliases();
        const QRegularExpression arenaName(QStringLiteral("^(?:bane|rank|oversigt|tidsplan)\\d+\\.html$"));
        int arenaNames = 0;
        for (auto it = aliases.cbegin(); it != aliases.cend(); ++it) {
            if (!arenaName.match(it.key()).hasMatch())
                continue;
            ++arenaNames;
            const QString target = it.value();
            QVERIFY2(target.startsWith("klasse0_") || target.startsWith("rank0_") || secondKeys.contains(sectionOf(target)),
                     qPrintable(it.key() + " -> " + target));
        }
        QVERIFY(arenaNames >= 4 * 3);
        QVERIFY(aliases.contains("oversigt3.html") && aliases.contains("bane99.html"));
    }

    // Changed data: a dressage class whose code holds "SCU" and a jumping class
    // with a championship dressage code keep their views but change tab; no
    // information page at the lowest update level; a logo that does not decode.
    void changedCompetitionData()
    {
        openWindow("INSERT INTO tblKlasseType (KlasseTypeId, DiciplinId) VALUES ('XSCU2', 2), ('DCU4H', 3);"
                   "UPDATE tblKlasse SET KlasseTypeId = 'XSCU2' WHERE StaevneId = 1 AND KlasseNr = 9;"
                   "UPDATE tblKlasse SET KlasseTypeId = 'DCU4H' WHERE StaevneId = 1 AND KlasseNr = 6;"
                   "DELETE FROM tblOpdatering WHERE OpdateringID > 2010301;"
                   "UPDATE tblEjer SET LOGOSTI = x'00010203';",
                   {{"championat.show", "1"}, {"database.update", QString()}});
        m_window->showStaevne(standin::demoCompetitionId);
        // Without "database.update" a dressage view reads its class every
        // minute, every other view every 20 seconds.
        for (const QString &key : m_window->viewKeys()) {
            const QList<QTimer *> timers = m_window->view(key)->findChildren<QTimer *>(Qt::FindDirectChildrenOnly);
            const int expected = kind(key) == QLatin1String("staevneKlasseInfoDressur") ? 60000 : 20000;
            QVERIFY2(std::any_of(timers.cbegin(), timers.cend(),
                                 [expected](const QTimer *t) { return t->isActive() && t->interval() == expected; }),
                     qPrintable(key));
        }
        // Update level 2010301 makes no information page; a logo that does
        // not decode is neither saved nor uploaded.
        QVERIFY(QFile::exists(outFile("index.html")));
        QVERIFY(!QFile::exists(outFile("S240614.html")));
        QVERIFY(!QFile::exists(outFile("FRK.png")));
        QVERIFY(!m_uploads.contains(outFile("FRK.png")));

        QTabW *champ = m_window->championshipTabs();
        QVERIFY(champ);
        // The loader decides the tab by the class type alone, so the waiting
        // list of a class with a championship code goes along with it.
        const QStringList champTitles{"4 Championat 5-årige dressurheste - A", "6 LB Spring - A",
                                      "7 Championat 6-årige springheste - A", "9 MA Dressur - A",
                                      "6 LB Spring - V"};
        QCOMPARE(tabTitles(champ), champTitles);
        // Only the championship score sheets (DCU5H, SK-SCU6) change view.
        QCOMPARE(QStringList({kind("6-A"), kind("9-A"), kind("4-A"), kind("7-A")}),
                 QStringList({"staevneKlasseInfoSpring", "staevneKlasseInfoDressur", "staevneKlasseInfoChampDressur",
                              "staevneKlasseInfoChampSpring"}));
        QCOMPARE(m_window->classTabs()->count(), demoTabs.size() - 5);
        QCOMPARE(m_window->notices.size(), 1);

        // A second load makes the championship tab anew.
        QPointer<QTabW> first = champ;
        m_window->showStaevne(standin::demoCompetitionId);
        QVERIFY(!first && m_window->championshipTabs());
        QCOMPARE(tabTitles(m_window->championshipTabs()), champTitles);
        QCOMPARE(m_window->mainTabs()->count(), 5);
    }

    void failedHeaderKeepsTheManifestLocal_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<bool>("fetchFails");
        QTest::newRow("statement fails") << "ALTER TABLE tblStaevne RENAME COLUMN ZEPStaevneNr TO ZEPNr;" << false;
        QTest::newRow("first fetch fails") << QString() << true;
    }

    void failedHeaderKeepsTheManifestLocal()
    {
        QFETCH(QString, sql);
        QFETCH(bool, fetchFails);
        openWindow(sql);
        if (fetchFails) {
            // The competition on show has a number of its own.
            m_window->showStaevne(standin::demoCompetitionId);
            QCOMPARE(setting("staevne.ZEPStaevneId"), QStringLiteral("S240614"));
            standin::Faults::failFirstFetch(QStringLiteral("S.ZEPStaevneNr"));
        }
        m_window->showStaevne(standin::demoCompetitionId);
        QVERIFY(!standin::Faults::fetchFailurePending());

        QVERIFY(log().contains("SHOWSTAEVNE SQL Error"));
        // Nothing is named after a federation number that was not read: the
        // manifest takes the stand-in's name, and so does the number the
        // views publish under and name their score files after, so that no
        // page goes out, and no sheet is read or saved, as another
        // competition's.
        const QByteArray manifest = readFile(outFile("ukendt.cfg"));
        QVERIFY(manifest.contains("\nStaevne=Ukendt\nStaevneType=Ukendt\n"));
        QVERIFY(manifest.endsWith("startDato=\nslutDato=\n"));
        QVERIFY(!m_uploads.contains(outFile("ukendt.cfg")));
        QCOMPARE(setting("staevne.ZEPStaevneId"), QStringLiteral("ukendt"));
        QCOMPARE(m_window->viewKeys().size(), demoTabs.size());
        QCOMPARE(QJsonDocument::fromJson(readFile(outFile("klasse1_A.json"))).object().value("ZEPstaevneId").toString(),
                 QStringLiteral("ukendt"));
    }

    void hostileNamesStayInsideTheRoot()
    {
        openWindow("UPDATE tblStaevne SET ZEPStaevneNr = '../../x';"
                   "UPDATE tblEjer SET klubId = '../../y';"
                   "UPDATE tblAfdeling SET AfdelingInitialer = '../../z' WHERE KlasseId = "
                   "(SELECT KlasseId FROM tblKlasse WHERE StaevneId = 1 AND KlasseNr = 9);");
        m_window->showStaevne(standin::demoCompetitionId);
        QVERIFY(QFile::exists(outFile("index.html")));
        // The section whose initials would name its files outside is not shown.
        QCOMPARE(m_window->viewKeys().size(), demoTabs.size() - 1);
        QCOMPARE(log().count("kan ikke indgå i et filnavn"), 1);
        QVERIFY(!readFile(outFile("index.html")).contains("klasse9_"));
        QCOMPARE(QDir(m_root + "/../..").entryList({"X*", "x*", "y*", "z*"}, QDir::Files), QStringList());
        QCOMPARE(QDir(m_root + "/..").entryList(QDir::Files), QStringList());
        for (const QString &upload : std::as_const(m_uploads))
            QVERIFY2(!upload.contains(".."), qPrintable(upload));
        QCOMPARE(log().count("afvises"), 3); // manifest, information page, logo
    }

    void unwritableOutputIsLoggedOnce()
    {
        openWindow();
        QVERIFY(writeFile(m_root, QByteArray())); // a file where the output directory should be
        m_window->showStaevne(standin::demoCompetitionId);
        QCOMPARE(log().count("Kunne ikke skrive " + outFile("index.html")), 1);
        QCOMPARE(log().count("Kunne ikke skrive " + outFile("S240614.cfg")), 1);
        QVERIFY(!m_uploads.contains(outFile("S240614.cfg")));
        QCOMPARE(m_window->viewKeys().size(), demoTabs.size());
    }

    // The manifest's discipline flags of a show with one discipline: a
    // championship view counts for its discipline, a waiting list for none.
    void oneDisciplineManifest_data()
    {
        QTest::addColumn<QString>("kept"); // the sections of the demo competition kept
        QTest::addColumn<QString>("championat");
        QTest::addColumn<int>("views");
        QTest::addColumn<QString>("flags");
        const QString flags = QStringLiteral("dressurStaevne=%1\nspringStaevne=%2\nmilitaryStaevne=0\n");
        QTest::newRow("dressage") << "KT.DiciplinId = 2" << "0" << 7 << flags.arg(1).arg(0);
        QTest::newRow("jumping") << "KT.DiciplinId = 3" << "0" << 5 << flags.arg(0).arg(1);
        QTest::newRow("championship dressage") << "K.KlasseNr = 4" << "1" << 1 << flags.arg(1).arg(0);
        QTest::newRow("championship jumping") << "K.KlasseNr = 7" << "1" << 1 << flags.arg(0).arg(1);
        QTest::newRow("a waiting list") << "K.KlasseNr = 2 AND AF.AfdelingInitialer = 'V'" << "0" << 1
                                        << flags.arg(0).arg(0);
    }
    void oneDisciplineManifest()
    {
        QFETCH(QString, kept);
        QFETCH(QString, championat);
        QFETCH(int, views);
        QFETCH(QString, flags);
        openWindow(QStringLiteral("DELETE FROM tblAfdeling WHERE AfdelingId NOT IN (SELECT AF.AfdelingId "
                                  "FROM tblAfdeling AF JOIN tblKlasse K ON K.KlasseId = AF.KlasseId "
                                  "LEFT JOIN tblKlasseType KT ON KT.KlasseTypeId = K.KlasseTypeId "
                                  "WHERE K.StaevneId = 1 AND %1);").arg(kept),
                   {{"championat.show", championat}});
        m_window->showStaevne(standin::demoCompetitionId);
        QCOMPARE(m_window->viewKeys().size(), views);
        const QString manifest = QString::fromUtf8(readFile(outFile("S240614.cfg")));
        QCOMPARE(manifest.count(QStringLiteral(".html=")), views);
        QVERIFY2(manifest.contains(QLatin1Char('\n') + flags + QLatin1String("startDato=")), qPrintable(manifest));
    }

    // Reads that break off part-way: a competition list is not offered in
    // part, and the sections of a competition half read do not replace the
    // one on show; the log says so.
    void readsThatBreakOffKeepWhatIsShown()
    {
        openWindow();
        m_window->showStaevne(standin::demoPastCompetitionId);
        const QStringList keys = m_window->viewKeys();
        QCOMPARE(keys.size(), 2);
        const QByteArray index = readFile(outFile("index.html"));
        const QStringList arena = arenaRows(m_window->setupTab(), 1);

        m_window->chooseIndex = 0;
        standin::Faults::failFetchAfterRows(1);
        m_window->selectStaevne();
        QVERIFY(!standin::Faults::fetchFailurePending());
        QVERIFY2(m_window->offered.isEmpty(), qPrintable(m_window->offered.join(", ")));
        QCOMPARE(log().count("Stævnelisten kunne ikke læses fra databasen"), 1);
        QCOMPARE(setting("staevne.id"), QString::number(standin::demoPastCompetitionId));

        standin::Faults::failFetchAfterRows(2);
        m_window->showStaevne(standin::demoCompetitionId);
        QVERIFY(!standin::Faults::fetchFailurePending());
        QCOMPARE(m_window->viewKeys(), keys);
        QCOMPARE(tabTitles(m_window->classTabs()).size(), 2);
        QCOMPARE(arenaRows(m_window->setupTab(), 1), arena);
        QCOMPARE(readFile(outFile("index.html")), index);
        QVERIFY(!QFile::exists(outFile("S240614.cfg")));
        QCOMPARE(log().count(QStringLiteral("Klasserne i stævne %1 kunne ikke læses; det viste stævne bliver")
                                 .arg(standin::demoCompetitionId)),
                 1);

        // Whole again: the list is offered, the competition loads.
        m_window->selectStaevne();
        QCOMPARE(m_window->offered.size(), 2);
        QCOMPARE(m_window->viewKeys().size(), keys.size());
        m_window->showStaevne(standin::demoCompetitionId);
        QCOMPARE(m_window->viewKeys().size(), demoTabs.size());
    }

    // A database that opens but answers no statement (an emptied file, a
    // server that takes the login and fails every query): every view asks
    // for the connection again on every tick, and the window tells the
    // outage once when it starts and its end once, when a statement
    // succeeds again.
    void unreadableDatabaseIsOneOutage()
    {
        openWindow(QString(), {{"championat.show", "1"}});
        m_window->showStaevne(standin::demoCompetitionId);
        const auto tick = [this] {
            for (const QString &key : m_window->viewKeys())
                m_window->view(key)->timeOut();
        };
        const qsizetype before = log().size();
        standin::Faults::failNextStatements(1000000);
        for (int round = 0; round < 3; ++round)
            tick();
        QVERIFY(QSqlDatabase::database("ZEP", false).isOpen());
        QCOMPARE(log().mid(before).count("Old db handler"), 1);
        QCOMPARE(log().mid(before).count("er åben igen"), 0);
        standin::Faults::clear();
        tick();
        tick();
        QCOMPARE(log().mid(before).count("Old db handler"), 1);
        QCOMPARE(log().mid(before).count("er åben igen"), 1);
        QCOMPARE(log().mid(before).count("Error opening DataBase"), 0);
        // The next outage is told again.
        standin::Faults::failNextStatements(1000000);
        tick();
        standin::Faults::clear();
        tick();
        QCOMPARE(log().mid(before).count("Old db handler"), 2);
        QCOMPARE(log().mid(before).count("er åben igen"), 2);
        // The competition list read whole ends an outage too.
        standin::Faults::failNextStatements(1000000);
        tick();
        standin::Faults::clear();
        m_window->cancel = true;
        m_window->selectStaevne();
        QVERIFY(!m_window->offered.isEmpty());
        QCOMPARE(log().mid(before).count("Old db handler"), 3);
        QCOMPARE(log().mid(before).count("er åben igen"), 3);
    }

    // A timer setting that is no positive number falls back to its default,
    // and the log view says so: once per text, not once per view.
    void timerFallbacksAreLogged()
    {
        openWindow(QString(), {{"database.update", "0"}, {"bane.update", "-5"}});
        m_window->showStaevne(standin::demoCompetitionId);
        QCOMPARE(log().count("Indstillingen bane.update (\"-5\") er ikke et positivt antal millisekunder; 30000 bruges"), 1);
        QCOMPARE(log().count("Indstillingen database.update (\"0\") er ikke et positivt antal millisekunder; 60000 bruges"), 1);
        QCOMPARE(log().count("Indstillingen database.update (\"0\") er ikke et positivt antal millisekunder; 20000 bruges"), 1);
    }

    // A kill between a file's temporary and its rename leaves the file,
    // whole or in part, under the temporary's name, which the HTTP server
    // would serve. The next start and the next load remove the writer's
    // temporaries, known by the tag in their names, whatever file they were
    // meant for, and log each; an operator's copies beside the station's
    // files stay, whatever their suffix, and so does whatever a link leads to.
    void interruptedWritesAreRemoved()
    {
        openWindow();
        const QString settings = m_dir.filePath(QStringLiteral("cfg%1.xml").arg(m_n));
        m_window.reset();

        // Every kind of file the station writes into the output directory:
        // class pages and documents, pause pages, rank and overview pages,
        // the start page, the manifest, a score file, the information page,
        // the logo, and a previous competition's pages.
        const QStringList station{"klasse1_A.html", "klasse1_A.json", "klasse0_2.html", "klasse0_2.json",
                                  "rank1_A.html", "oversigt8_A.html", "index.html", "S240614.cfg",
                                  "S240614_klasse_4_A.csv", "S240614.html", "FRK.png", "S230101.html",
                                  "klasse12_B.html"};
        // The operator's copies, with six-letter suffixes (the last as
        // QSaveFile named its temporaries), and files of their own.
        QStringList operators{"ZEPLive.css.backup", "noter.txt", "noter.txt.gammel", "mine/index.html.backup"};
        for (const QString &name : station) {
            for (const char *suffix : {".backup", ".gammel", ".kopier", ".alJIsF"})
                operators << name + QLatin1String(suffix);
        }
        for (const QString &name : operators)
            QVERIFY(writeFile(outFile(name), name.toUtf8()));

        // Links: one under a temporary's name to an operator's score file
        // elsewhere, and a linked folder that holds a temporary. Besides, a
        // folder of the output directory that holds one: the clean-up looks
        // at the output directory's own files only.
        const QString elsewhere = m_dir.filePath(QStringLiteral("andet%1").arg(m_n));
        const QString scores = elsewhere + QLatin1String("/S240614_klasse_4_A.csv");
        QVERIFY(writeFile(scores, "pointene"));
        QMap<QString, QString> moved;
        leaveInterruptedWrites({"klasse2_A.html", "klasse3_A.html", "klasse4_A.html"}, &moved);
        QCOMPARE(moved.size(), 3);
        const QString linkName = moved.keys().at(0);
        const QString inLinkedFolder = elsewhere + QLatin1Char('/') + moved.keys().at(1);
        const QString inFolder = outFile(QLatin1String("mine/") + moved.keys().at(2));
        QVERIFY(QFile::remove(outFile(linkName)));
        QVERIFY(QFile::link(scores, outFile(linkName)));
        QVERIFY(QFile::rename(outFile(moved.keys().at(1)), inLinkedFolder));
        QVERIFY(QFile::link(elsewhere, outFile(QStringLiteral("arkiv"))));
        QVERIFY(QFile::rename(outFile(moved.keys().at(2)), inFolder));

        const auto unchanged = [&] {
            QStringList changed;
            for (const QString &name : operators) {
                if (readFile(outFile(name)) != name.toUtf8())
                    changed << name;
            }
            QCOMPARE(changed, QStringList());
            QVERIFY(QFileInfo(outFile(linkName)).isSymLink());
            QCOMPARE(readFile(scores), QByteArray("pointene"));
            QVERIFY(QFile::exists(inLinkedFolder));
            QVERIFY(QFile::exists(inFolder));
        };
        const auto removedAndLogged = [&](const QMap<QString, QString> &leftovers) {
            for (auto it = leftovers.cbegin(); it != leftovers.cend(); ++it) {
                QVERIFY2(!QFile::exists(outFile(it.key())), qPrintable(it.key()));
                QCOMPARE(log().count(QStringLiteral("%1 fjernet: en afbrudt skrivning af %2 efterlod den")
                                         .arg(outFile(it.key()), it.value())),
                         1);
            }
        };

        QMap<QString, QString> leftovers;
        leaveInterruptedWrites(station, &leftovers);
        QCOMPARE(leftovers.size(), station.size());
        m_window = std::make_unique<TestWindow>(nullptr, settings, QStringLiteral("main"));
        removedAndLogged(leftovers);
        QCOMPARE(log().count("efterlod"), station.size());
        unchanged();

        QMap<QString, QString> again;
        leaveInterruptedWrites(station, &again);
        QCOMPARE(again.size(), station.size());
        m_window->showStaevne(standin::demoCompetitionId);
        QVERIFY(QFile::exists(outFile("klasse1_A.html")));
        removedAndLogged(again);
        QCOMPARE(log().count("efterlod"), 2 * station.size());
        unchanged();
        // Nor does the load leave a temporary of its own.
        QStringList temporaries;
        for (const QFileInfo &entry : QDir(m_root).entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
            if (!interruptedWriteTarget(entry.fileName()).isEmpty() && !entry.isSymLink())
                temporaries << entry.fileName();
        }
        QCOMPARE(temporaries, QStringList());
    }

    // Equal entries (same name and dates) are told apart by position; a typed
    // text loads only the entry it matches; cancel loads nothing.
    void choiceGoesByPosition()
    {
        openWindow("UPDATE tblStaevne SET Staevne = 'Fjordens Sommerstævne 2024', "
                   "Startdato = '2024-06-14 00:00:00.000', Slutdato = '2024-06-15 00:00:00.000' WHERE StaevneId = 2;");
        m_window->chooseIndex = 0;
        m_window->selectStaevne();
        QCOMPARE(m_window->offered,
                 QStringList(2, QStringLiteral("Fjordens Sommerstævne 2024 14/06/2024 - 15/06/2024")));
        QCOMPARE(m_window->preselected, 1);
        const QString first = setting("staevne.id");
        m_window->chooseIndex = 1;
        m_window->selectStaevne();
        const QString second = setting("staevne.id");
        QCOMPARE(QSet<QString>({first, second}), QSet<QString>({"1", "2"}));
        QCOMPARE(setting("staevne.navn"), m_window->offered.at(1));
        const QStringList keys = m_window->viewKeys();

        m_window->chooseIndex = -1;
        m_window->typedText = QStringLiteral("Et stævne der ikke findes");
        m_window->selectStaevne();
        QCOMPARE(setting("staevne.id"), second);
        QCOMPARE(m_window->viewKeys(), keys);
        m_window->typedText = m_window->offered.first();
        m_window->selectStaevne();
        QCOMPARE(setting("staevne.id"), first);
        m_window->cancel = true;
        m_window->chooseIndex = 1;
        m_window->selectStaevne();
        QCOMPARE(setting("staevne.id"), first);
    }
};

QTEST_MAIN(tst_Loading)
#include "tst_loading.moc"

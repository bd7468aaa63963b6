// The main window as the operator meets it: tabs, log routing, the display
// client, keys, the competition choice, the close question, the address
// line, the arena names served before a load, the database login and a
// clean teardown.
#include <QComboBox>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QTimer>
#include <QTreeWidget>
#include <QKeyEvent>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSplitter>
#include <QSqlDatabase>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextBrowser>

#include <memory>
#include <tuple>

#include "app/ClientTab.h"
#include "app/HistoryLineEdit.h"
#include "app/QTabW.h"
#include "app/QtTranslation.h"
#include "files/WholeFile.h"
#include "publish/HttpDaemon.h"
#include "publish/Setup.h"
#include "publish/urlDownloader.h"
#include "views/champ/ChampScoreTable.h"
#include "ChildProcesses.h"
#include "EventWait.h"
#include "StationFixture.h"

using namespace stationfx;

namespace {
// Answers the window's dialogs the way a test wants.
class TestWindow : public MainWidget
{
public:
    using MainWidget::MainWidget;
    QString saveName;
    int closeAnswer = 0;
    int closeAsked = 0;

    // The window's own competition choice, the dialog and all.
    bool chooseStaevne(const QStringList &entries, int current, int *index, QString *text)
    {
        return MainWidget::askStaevne(entries, current, index, text);
    }

protected:
    QString askSaveLogFileName() override { return saveName; }
    int askCloseWarning(const QString &) override
    {
        ++closeAsked;
        return closeAnswer;
    }
};
} // namespace

class tst_MainWindow : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_files = 0;
    LoopbackServers m_servers;

    // A settings file holding `settings` (key -> value); an empty map makes
    // no file at all.
    QString settingsFile(const QMap<QString, QString> &settings)
    {
        const QString path = m_dir.filePath(QStringLiteral("cfg%1.xml").arg(++m_files));
        if (!settings.isEmpty())
            writeSettings(path, settings);
        return path;
    }
    static QString lastLine(QPlainTextEdit *edit)
    {
        return edit ? edit->document()->lastBlock().text() : QString();
    }

    // What a save of the settings file at `path` leaves when it is killed
    // between its temporary and the rename: the writer's refusal hook stands
    // where the kill strikes. Gives the temporary's path.
    static QString leaveInterruptedSave(const QString &path)
    {
        const QFileInfo link(path);
        const QDir folder = QFileInfo(link.isSymLink() ? link.symLinkTarget() : path).absoluteDir();
        const QStringList before = folder.entryList(QDir::Files | QDir::Hidden);
        QString left;
        setCommitRefusal([&](const QString &) {
            for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden)) {
                if (!before.contains(name) && QFile::copy(folder.filePath(name), folder.filePath("left")))
                    left = folder.filePath(name);
            }
            return true;
        });
        const bool saved = writeWholeFiles({{path, "<configuration>"}}, nullptr);
        setCommitRefusal({});
        return !saved && QFile::rename(folder.filePath("left"), left) ? left : QString();
    }

private slots:
    void initTestCase()
    {
        childprocs::stopChildrenOnSignals();
        MainWidget::setHostLookup(ringsideHost);
        QDir::setCurrent(m_dir.path());
    }

    // Each log mode: the tabs, and where lines of level -1, 0, 1, 3 and 4 go
    // ("L" log view, "D" debug view, "S" status bar).
    void logModes_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("lastTab");
        QTest::addColumn<QString>("routes");
        QTest::newRow("defaults: debug") << "" << "&Debug" << "L D L LS L";
        QTest::newRow("debug wins over log.show") << "debug.show=1 log.show=0" << "&Debug" << "L D L LS L";
        QTest::newRow("log, statusErrors ignored") << "debug.show=0 app.statusErrors=1" << "&Log" << "L - L LS L";
        QTest::newRow("no log area") << "debug.show=0 log.show=0" << "Klasser" << "- - - S -";
        QTest::newRow("status bar only") << "debug.show=0 log.show=0 app.statusErrors=1" << "Klasser" << "S S S S S";
    }
    void logModes()
    {
        QFETCH(QString, settings);
        QFETCH(QString, routes);
        const QStringList route = routes.split(' ');
        QMap<QString, QString> values{{"app.statusErrors", "0"}};
        for (const QString &pair : settings.split(' ', Qt::SkipEmptyParts))
            values.insert(pair.section('=', 0, 0), pair.section('=', 1));
        TestWindow window(nullptr, settingsFile(values), "MainWidget");
        QTEST(tabTitles(window.mainTabs()).last(), "lastTab");

        auto *info = window.findChild<QPlainTextEdit *>("infoText");
        auto *raw = window.findChild<QPlainTextEdit *>("rawText");
        auto *status = window.findChild<QStatusBar *>();
        const int levels[] = {-1, 0, 1, 3, 4};
        for (int i = 0; i < 5; ++i) {
            const QString text = QStringLiteral("message at %1").arg(levels[i]);
            status->clearMessage();
            if (levels[i] < 0)
                QTest::ignoreMessage(QtDebugMsg, QRegularExpression("message at -1$"));
            window.slotLogMessage(levels[i], text);
            const QRegularExpression stamped("^\\d\\d:\\d\\d:\\d\\d : " + text + "$");
            QCOMPARE(stamped.match(lastLine(info)).hasMatch(), route[i].contains('L'));
            QCOMPARE(stamped.match(lastLine(raw)).hasMatch(), route[i].contains('D'));
            QCOMPARE(status->currentMessage() == text, route[i].contains('S'));
        }
    }

    // A station logs all day: both views keep their last "debug.info.maxLines"
    // lines (0: every line) and nothing to undo.
    void logViewsKeepTheirLimit_data()
    {
        QTest::addColumn<QString>("maxLines");
        QTest::addColumn<int>("infoLines");
        QTest::addColumn<int>("rawLines");
        QTest::newRow("limit") << "4" << 4 << 4;
        // Its own first lines ("Start Log", the home directory; "test") stay.
        QTest::newRow("no limit") << "0" << 14 << 13;
    }
    void logViewsKeepTheirLimit()
    {
        QFETCH(QString, maxLines);
        TestWindow window(nullptr, settingsFile({{"debug.info.maxLines", maxLines}}), "MainWidget");
        for (int i = 0; i < 12; ++i) {
            window.slotLogMessage(1, QStringLiteral("log %1").arg(i));
            window.slotLogMessage(0, QStringLiteral("debug %1").arg(i));
        }
        QFETCH(int, infoLines);
        QFETCH(int, rawLines);
        for (const auto &[name, lines] : {std::pair<const char *, int>{"infoText", infoLines}, {"rawText", rawLines}}) {
            auto *view = window.findChild<QPlainTextEdit *>(name);
            QCOMPARE(view->blockCount(), lines);
            QVERIFY(lastLine(view).endsWith(QLatin1String(" 11")));
            QCOMPARE(view->document()->availableUndoSteps(), 0);
        }
    }

    // One window from stored settings: a stale competition id is not taken
    // over, no client without an address, the class tab off when the
    // judges' entry is; then the log saved and cleared, and the keys.
    void startLogAndKeys()
    {
        TestWindow window(nullptr, settingsFile({{"bane.font", "6"}, {"staevne.ZEPStaevneId", "S123456"},
                                                 {"bane.baseUrl", ""}, {"indtastning.dommer.disable", "1"}}),
                          "MainWidget");
        appConfig *cfg = window.config();
        QCOMPARE(cfg->getValue("staevne.ZEPStaevneId", ""), QStringLiteral("S000000"));
        QCOMPARE(cfg->getValue("host.info", ""), QStringLiteral("ringside: 192.0.2.10 / 127.0.0.1"));
        QVERIFY(!window.downloader());
        QCOMPARE(window.findChild<QComboBox *>("editable combobox")->count(), 0);
        QVERIFY(window.mainTabs()->isTabEnabled(0) && !window.mainTabs()->isTabEnabled(2));

        window.slotLogMessage(1, "first line");
        window.saveName = m_dir.filePath("ZEPLive_log.txt");
        window.saveLog();
        QVERIFY(readFile(window.saveName).contains(" : first line\n"));
        // A save that cannot be made says so in the log (a folder stands
        // where the file should go).
        window.saveName = m_dir.path();
        window.saveLog();
        QVERIFY(lastLine(window.findChild<QPlainTextEdit *>("infoText"))
                    .endsWith("Kunne ikke gemme loggen i " + m_dir.path()));
        auto *cmd = window.findChild<HistoryLineEdit *>();
        cmd->setText("x");
        QTest::keyClick(cmd, Qt::Key_Enter);
        window.clearDebug();
        QVERIFY(window.findChild<QPlainTextEdit *>("infoText")->toPlainText().isEmpty());
        QVERIFY(window.findChild<QPlainTextEdit *>("rawText")->toPlainText().isEmpty());
        QVERIFY(cmd->history().isEmpty());

        // F6 makes the client font smaller, not below 5; F7 larger, once per press.
        auto *view = window.findChild<QTextBrowser *>("showText");
        QTest::keyClick(&window, Qt::Key_F6);
        QTest::keyClick(&window, Qt::Key_F6);
        QCOMPARE(view->font().pointSize(), 5);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_F7, Qt::NoModifier);
        QApplication::sendEvent(&window, &press);
        QKeyEvent held(QEvent::KeyPress, Qt::Key_F7, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(&window, &held);
        QCOMPARE(view->font().pointSize(), 6);

        // F10 loads a competition only on a serving station.
        QSignalSpy newStaevne(&window, &MainWidget::newStaevne);
        QTest::keyClick(&window, Qt::Key_F10);
        QCOMPARE(newStaevne.count(), 0);
        window.config()->setValue("app.server", "1");
        QTest::keyClick(&window, Qt::Key_F10);
        QCOMPARE(newStaevne.count(), 1);

        QTest::keyClick(&window, Qt::Key_F11);
        QVERIFY(window.isFullScreenMode());
        QVERIFY(!window.findChild<QStatusBar *>()->isVisibleTo(&window));
        QTest::keyClick(&window, Qt::Key_F11);
        QVERIFY(!window.isFullScreenMode());
        // The last font and screen mode are kept for the next start.
        QCOMPARE(cfg->getValue("app.fullscreen.show", "") + cfg->getValue("bane.font", ""), QStringLiteral("06"));
    }

    // A station started without any settings file runs on the defaults:
    // the client asks the local server's arena 1 at once (one slash) and
    // every 30 seconds, with its one address in the list; nothing
    // is served or uploaded, and the server, once switched on, asks for
    // port 8080 (here it listens on a port of 127.0.0.1 the system chose).
    void defaultsWithoutSettingsFile()
    {
        const QString file = settingsFile({});
        TestWindow window(nullptr, file, "MainWidget");
        QCOMPARE(window.downloader()->pending(), QStringList{"http://localhost:8080/bane1.html"});
        QCOMPARE(window.findChild<QComboBox *>("editable combobox")->count(), 1);
        QCOMPARE(window.clientTab()->cachedPage(), QStringLiteral("cache/bane1.html"));
        const QList<QTimer *> timers = window.clientTab()->findChildren<QTimer *>(Qt::FindDirectChildrenOnly);
        QCOMPARE(timers.size(), 1);
        QVERIFY(timers.first()->isActive());
        QCOMPARE(timers.first()->interval(), 30000);
        QVERIFY(!window.httpServer());

        Setup *setup = window.setupTab();
        setup->addClass(1, "LA1 A", "4", "A", "Lørdag");
        QCOMPARE(setup->classList(1)->parentWidget()->findChild<QLineEdit *>()->text(),
                 QStringLiteral("http://192.0.2.10:8080/bane1.html"));
        QCOMPARE(setup->pendingUploads() + setup->waitingUploads(), 0);

        // The window asks for 8080; its server listens on 127.0.0.1, on a
        // port the system chooses.
        m_servers.asked = 0;
        window.startHttpServer(true);
        QVERIFY(window.httpServer());
        QCOMPARE(m_servers.asked, quint16(8080));
        QVERIFY(window.httpServer()->isListening());
        QVERIFY(QFileInfo(window.httpServer()->root()).isDir());
        QCOMPARE(QDir(window.httpServer()->root()).canonicalPath(), QDir("html").canonicalPath());
        QVERIFY(!QFile::exists(file));
    }

    // A settings file that is there but cannot be read: the station runs on
    // the defaults and its log view says so, with the reason, once the
    // window is up. The status bar's lines about it fit a window of the
    // program's start size beside the address, the version and the icons.
    void unreadableSettingsFileIsTold()
    {
        const QString file = m_dir.filePath("broken.xml");
        QVERIFY(writeFile(file, "<configuration><properties><property group=\"bane\""));
        TestWindow window(nullptr, file, "MainWidget");
        const QString log = window.findChild<QPlainTextEdit *>("infoText")->toPlainText();
        const QRegularExpression told("^\\d\\d:\\d\\d:\\d\\d : Indstillingsfilen " + QRegularExpression::escape(file)
                                      + " kunne ikke læses \\(.*in line 1, column \\d+\\); stationen kører med "
                                        "standardindstillingerne$",
                                      QRegularExpression::MultilineOption);
        QVERIFY2(told.match(log).hasMatch(), qPrintable(log));

        auto *status = window.findChild<QStatusBar *>();
        window.setGeometry(50, 50, 600, 400);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // The bar draws its message from 6 px in to 4 px before the first
        // permanent widget.
        const auto fits = [status](const QString &text) {
            int room = status->width();
            for (QWidget *widget : status->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
                if (widget->isVisible() && widget->x() > 0)
                    room = qMin(room, widget->x());
            }
            return !text.isEmpty() && status->fontMetrics().horizontalAdvance(text) + 10 <= room;
        };
        QVERIFY2(fits(status->currentMessage()), qPrintable(status->currentMessage()));

        // The first save keeps the unreadable file as a copy and says so in
        // full in the log, in short in the status bar.
        QVERIFY(window.config()->writeConfig());
        QVERIFY(QFile::exists(file + ".bak"));
        QVERIFY2(fits(status->currentMessage()), qPrintable(status->currentMessage()));
        QVERIFY2(status->currentMessage().contains("broken.xml.bak"), qPrintable(status->currentMessage()));
        QVERIFY(window.findChild<QPlainTextEdit *>("infoText")->toPlainText().contains(file + ".bak"));

        // A missing file is no fault: the station starts on the defaults
        // without a word about it.
        TestWindow fresh(nullptr, m_dir.filePath("none.xml"), "MainWidget");
        QVERIFY(!fresh.findChild<QPlainTextEdit *>("infoText")->toPlainText().contains("Indstillingsfilen"));
    }

    // Settings saves killed before their rename leave temporaries beside the
    // file; the next start removes those of the settings file it uses and
    // logs each, where a link to the file leads too. An operator's copies of
    // the file and another settings file's temporary stay.
    void interruptedSettingsSavesAreRemoved_data()
    {
        QTest::addColumn<bool>("throughLink");
        QTest::newRow("the file") << false;
        QTest::newRow("a link to it") << true;
    }
    void interruptedSettingsSavesAreRemoved()
    {
        QFETCH(bool, throughLink);
        const QString folder = m_dir.filePath(QStringLiteral("killed%1").arg(++m_files));
        const QString file = folder + "/appCfg.xml";
        QVERIFY(writeSettings(file, {{"http.root", folder + "/html"}, {"bane.font", "7"}}));
        const QString used = throughLink ? m_dir.filePath(QStringLiteral("link%1.xml").arg(m_files)) : file;
        if (throughLink)
            QVERIFY(QFile::link(file, used));
        QStringList leftovers;
        for (int kill = 0; kill < 3; ++kill)
            leftovers << leaveInterruptedSave(used);
        QStringList kept{file + ".bak", file + ".backup", file + ".1.bak", leaveInterruptedSave(folder + "/andet.xml")};
        for (const QString &copy : kept.mid(0, 3))
            QVERIFY(writeFile(copy, "operatorens kopi"));
        QVERIFY(!leftovers.contains(QString()) && !kept.contains(QString()));

        TestWindow window(nullptr, used, "MainWidget");
        const QString log = window.findChild<QPlainTextEdit *>("infoText")->toPlainText();
        for (const QString &leftover : std::as_const(leftovers)) {
            QVERIFY2(!QFile::exists(leftover), qPrintable(leftover));
            QCOMPARE(log.count(QStringLiteral("%1 fjernet: en afbrudt skrivning af appCfg.xml efterlod den").arg(leftover)), 1);
        }
        QCOMPARE(log.count("efterlod"), leftovers.size());
        for (const QString &copy : std::as_const(kept))
            QVERIFY2(QFile::exists(copy), qPrintable(copy));
        QCOMPARE(window.config()->getValue("bane.font", ""), QStringLiteral("7"));
    }

    void historyWalk()
    {
        HistoryLineEdit line(nullptr, "cmd");
        auto enter = [&line](const QString &text) {
            line.setText(text);
            QTest::keyClick(&line, Qt::Key_Return);
        };
        enter("A");
        enter("B");
        enter("A");
        QCOMPARE(line.history(), (QStringList{"A", "B"}));
        QCOMPARE(line.text(), QStringLiteral("A")); // not cleared

        // Up walks back from the newest, Down from the oldest; an edited line
        // starts the walk again.
        for (const auto &[fresh, key, text] : {std::tuple(true, Qt::Key_Up, "A"), std::tuple(false, Qt::Key_Up, "B"),
                                               std::tuple(false, Qt::Key_Down, "A"), std::tuple(true, Qt::Key_Down, "B"),
                                               std::tuple(true, Qt::Key_Up, "A")}) {
            if (fresh)
                line.setText("fresh");
            QTest::keyClick(&line, key);
            QCOMPARE(line.text(), QLatin1String(text));
        }
        // Holding Up moves once: repeats are plain line-edit keys.
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(&line, &repeat);
        QCOMPARE(line.text(), QStringLiteral("A"));

        enter("");
        QCOMPARE(line.history(), (QStringList{"", "A", "B"}));
    }

    void displayClientAddress_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("baseUrl");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("port, directory and query") << "http://10.0.0.5:8080/arena/baner.php?bane=1,2&min=1"
                                                   << "http://10.0.0.5:8080/arena/" << "baner.php?bane=1,2&min=1";
        QTest::newRow("directory only keeps the file") << "http://station/" << "http://station/" << "bane1.html";
        QTest::newRow("plain page") << "http://station:8081/bane3.html" << "http://station:8081/" << "bane3.html";
        QTest::newRow("no scheme means http") << "localhost:8080/bane2.html" << "http://localhost:8080/" << "bane2.html";
    }
    void displayClientAddress()
    {
        QFETCH(QString, typed);
        QFETCH(QString, baseUrl);
        QFETCH(QString, fileName);
        TestWindow window(nullptr, settingsFile({}), "MainWidget");
        window.urlSelected(typed);
        QCOMPARE(window.config()->getValue("bane.baseUrl", ""), baseUrl);
        QCOMPARE(window.config()->getValue("bane.filename", "bane1.html"), fileName);
        QVERIFY(window.downloader()->pending().contains(typed.contains("://") ? typed : "http://" + typed));
        // The timer's address joins the two with one slash.
        window.timeOut();
        QVERIFY(window.downloader()->pending().contains(baseUrl + fileName));
    }

    void closeQuestion_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("closes");
        QTest::newRow("not serving") << "0" << 0 << false << true;
        QTest::newRow("serving, Nej") << "1" << 0 << true << false;
        QTest::newRow("serving, dismissed") << "1" << -1 << true << false;
        QTest::newRow("serving, Ja") << "1" << 1 << true << true;
    }
    void closeQuestion()
    {
        QFETCH(QString, server);
        QFETCH(int, answer);
        TestWindow window(nullptr, settingsFile({}), "MainWidget");
        window.config()->setValue("app.server", server);
        window.closeAnswer = answer;
        window.show();
        QTEST(window.close(), "closes");
        QTEST(window.closeAsked == 1, "asked");
        if (answer != 1)
            return;
        // A key on the real dialog: Return must not close a serving station.
        const std::unique_ptr<QMessageBox> box(MainWidget::makeCloseQuestion(nullptr, "Luk?"));
        box->show();
        QVERIFY(QTest::qWaitForWindowExposed(box.get()));
        QTest::keyClick(box->focusWidget() ? box->focusWidget() : box.get(), Qt::Key_Return);
        QVERIFY(box->isVisible());
        QVERIFY(!box->clickedButton());
        QTest::keyClick(box.get(), Qt::Key_Escape);
        QVERIFY(!box->isVisible());
        QCOMPARE(box->clickedButton() ? box->clickedButton()->text() : QString(), QStringLiteral("&Nej"));
    }

    // IPv6 and loopback addresses are left out of the shown address while
    // a better one is known.
    void hostInfoText_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("lookupOk");
        QTest::addColumn<QString>("resolved");
        QTest::addColumn<QString>("interfaces");
        QTest::addColumn<QString>("expected");
        QTest::newRow("ipv6 left out") << "ring" << true << "fe80::1 192.0.2.1" << "" << "ring: 192.0.2.1 / 127.0.0.1";
        QTest::newRow("loopback only, interfaces known")
            << "ring" << true << "127.0.1.1" << "127.0.0.1 10.1.2.3 ::1" << "ring: 10.1.2.3 / 127.0.0.1";
        QTest::newRow("look-up failed") << "ring" << false << "" << "10.1.2.3" << "ring: ";
        QTest::newRow("no host name") << "" << false << "" << "" << "";
    }
    void hostInfoText()
    {
        QFETCH(QString, name);
        QFETCH(bool, lookupOk);
        QFETCH(QString, resolved);
        QFETCH(QString, interfaces);
        const auto parse = [](const QString &list) {
            QList<QHostAddress> out;
            for (const QString &a : list.split(' ', Qt::SkipEmptyParts))
                out << QHostAddress(a);
            return out;
        };
        QTEST(MainWidget::formatHostInfo({name, lookupOk, parse(resolved), parse(interfaces)}), "expected");
    }

    void fontFitting_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("fitsUpTo"); // largest size without overflow
        QTest::addColumn<int>("exactAt");  // size at which the height fits exactly (0: none)
        QTest::addColumn<int>("expected");
        QTest::newRow("overflow shrinks one point") << 15 << 12 << 0 << 14;
        QTest::newRow("overflow below 5 goes to 5") << 4 << 2 << 0 << 5;
        QTest::newRow("room grows one point") << 10 << 14 << 0 << 11;
        QTest::newRow("room, but the next size overflows") << 12 << 12 << 0 << 12;
        QTest::newRow("exact height keeps the size") << 12 << 12 << 12 << 12;
    }
    void fontFitting()
    {
        QFETCH(int, size);
        QFETCH(int, fitsUpTo);
        QFETCH(int, exactAt);
        auto fitAt = [&](int s) {
            if (s > fitsUpTo)
                return ClientTab::Fit::Overflow;
            return s == exactAt ? ClientTab::Fit::Exact : ClientTab::Fit::Room;
        };
        QTEST(ClientTab::fittedFontSize(size, fitAt), "expected");
        // Too wide is an overflow even with height to spare.
        QCOMPARE(ClientTab::fitOf(QSize(101, 100), QSize(100, 200)), ClientTab::Fit::Overflow);
        QCOMPARE(ClientTab::fitOf(QSize(100, 200), QSize(100, 200)), ClientTab::Fit::Exact);
    }

    // The display client breaks a table cell's text between words only,
    // never inside a number or name, at every font size the keys give and
    // with the font fitted to the screen.
    void clientKeepsWordsWhole_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<int>("keys"); // presses of F7, or of F6 when negative
        QTest::addColumn<bool>("fitted");
        QTest::newRow("dressage, default size") << "dressage_klasse31_A.html" << 0 << false;
        QTest::newRow("dressage, F7 to 25") << "dressage_klasse31_A.html" << 10 << false;
        QTest::newRow("dressage, F6 to 5") << "dressage_klasse31_A.html" << -12 << false;
        QTest::newRow("dressage, fitted full screen") << "dressage_klasse31_A.html" << 8 << true;
        QTest::newRow("eventing, F7 to 22") << "eventing_klasse41_A.html" << 7 << false;
        QTest::newRow("championship jumping, fitted") << "champ_jumping_klasse.html" << 6 << true;
    }
    void clientKeepsWordsWhole()
    {
        QFETCH(QString, page);
        QFETCH(int, keys);
        QFETCH(bool, fitted);
        TestWindow window(nullptr, settingsFile({{"bane.baseUrl", ""}}), "MainWidget");
        window.resize(480, 360);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        for (int i = 0; i < std::abs(keys); ++i)
            QTest::keyClick(&window, keys < 0 ? Qt::Key_F6 : Qt::Key_F7);
        if (fitted) {
            QTest::keyClick(&window, Qt::Key_F3);
            QTest::keyClick(&window, Qt::Key_F11);
            window.resize(480, 360);
        }
        auto *view = window.findChild<QTextBrowser *>("showText");
        window.mainTabs()->setCurrentIndex(0);
        const QString path = QStringLiteral(ZEP_TESTDATA "/") + page;
        for (int shown = 0; shown < (fitted ? 6 : 1); ++shown)
            window.slotBaneFile(path);
        QTextDocument *document = view->document();
        document->size(); // lays the whole document out
        int broken = 0;
        for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
            const QString text = block.text();
            const QTextLayout *layout = block.layout();
            for (int i = 1; layout && i < layout->lineCount(); ++i) {
                // A line starts after a space, a hyphen or a slash between
                // names, else it split a word.
                const int start = layout->lineAt(i).textStart();
                if (start < text.size() && !QStringLiteral(" -/").contains(text.at(start - 1))
                    && !text.at(start).isSpace()) {
                    ++broken;
                    qWarning("split: \"%s\" | \"%s\"", qPrintable(text.left(start)), qPrintable(text.mid(start)));
                }
            }
        }
        QCOMPARE(broken, 0);
    }

    // F2 saves the settings wherever the focus is: on every tab and in
    // every widget that takes the focus, the championship sheet and a cell
    // being typed into included. The sheet opens a cell by typing instead.
    void f2SavesFromEveryWidget()
    {
        const QString file = settingsFile({{"bane.baseUrl", ""}});
        TestWindow window(nullptr, file, "MainWidget");
        auto *sheet = new ChampScoreTable;
        sheet->setColumnTitles({"Nr", "Point"});
        sheet->setRows(2);
        window.classTabs()->addTab(sheet, "LA1 A");
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        int presses = 0;
        auto pressF2 = [&](QWidget *target) {
            QFile::remove(file);
            window.config()->setValue("test.press", QString::number(++presses));
            QTest::keyClick(target, Qt::Key_F2);
            return readFile(file).contains(QStringLiteral(">%1</property>").arg(presses).toLatin1());
        };
        QVERIFY(pressF2(&window));

        int focused = 0;
        const QList<QWidget *> widgets = window.findChildren<QWidget *>();
        for (QWidget *widget : widgets) {
            if (!(widget->focusPolicy() & Qt::TabFocus) || !widget->isEnabled())
                continue;
            // Bring the widget's tabs to the front.
            for (QWidget *page = widget; page && page != &window; page = page->parentWidget()) {
                auto *stack = qobject_cast<QStackedWidget *>(page->parentWidget());
                if (auto *tabs = stack ? qobject_cast<QTabWidget *>(stack->parentWidget()) : nullptr)
                    tabs->setCurrentWidget(page);
            }
            widget->setFocus(Qt::TabFocusReason);
            if (QApplication::focusWidget() != widget)
                continue; // not shown, or its focus goes to another widget
            ++focused;
            QVERIFY2(pressF2(widget), widget->metaObject()->className());
        }
        QVERIFY2(focused > 20, qPrintable(QString::number(focused)));

        window.mainTabs()->setCurrentWidget(window.classTabs());
        window.classTabs()->setCurrentWidget(sheet);
        sheet->setCurrentCell(0, 1);
        sheet->setFocus();
        QVERIFY(pressF2(sheet));
        QVERIFY(!sheet->isEditing());
        QTest::keyClick(sheet, Qt::Key_7);
        QVERIFY(sheet->isEditing());
        QVERIFY(pressF2(QApplication::focusWidget()));
    }

    // The competition choice takes one Return: for the offered entry, the
    // second of two equal names, a name completed while typing and a name
    // typed in full.
    void competitionChoiceTakesOneReturn_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<int>("current");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("text");
        const QStringList shows{"Forårsstævne", "Sommerstævne", "Sommerstævne", "Høststævne"};
        QTest::newRow("offered entry") << shows << 3 << "" << 3 << "Høststævne";
        QTest::newRow("second of two equal names") << shows << 2 << "" << 2 << "Sommerstævne";
        QTest::newRow("completed while typing") << shows << 3 << "For" << 0 << "Forårsstævne";
        QTest::newRow("typed in full") << shows << 3 << "Vinterstævne" << -1 << "Vinterstævne";
    }
    void competitionChoiceTakesOneReturn()
    {
        QFETCH(QStringList, entries);
        QFETCH(int, current);
        QFETCH(QString, typed);
        TestWindow window(nullptr, settingsFile({{"bane.baseUrl", ""}}), "MainWidget");
        bool stillOpen = false;
        // Answers the dialog once it is up; one that stays open after one
        // Return is closed as cancelled.
        std::function<void()> answer = [&] {
            QWidget *dialog = QApplication::activeModalWidget();
            if (!dialog) {
                QTimer::singleShot(0, &window, answer);
                return;
            }
            QWidget *focus = dialog->focusWidget() ? dialog->focusWidget() : dialog;
            if (!typed.isEmpty())
                QTest::keyClicks(focus, typed);
            QTest::keyClick(focus, Qt::Key_Return);
            stillOpen = dialog->isVisible();
            if (stillOpen)
                static_cast<QDialog *>(dialog)->reject();
        };
        QTimer::singleShot(0, &window, answer);
        int index = -2;
        QString text;
        const bool chosen = window.chooseStaevne(entries, current, &index, &text);
        QVERIFY(!stillOpen);
        QVERIFY(chosen);
        QTEST(index, "index");
        QTEST(text, "text");
    }

    // A test's station whose picked port another program took before its
    // server bound it is made again at once on another, which its settings
    // and its server's own address name.
    void takenPickedPortIsPickedAgain()
    {
        QTcpServer other;
        QVERIFY(other.listen(QHostAddress::LocalHost, 0));
        int picks = 0;
        quint16 port = 0;
        const auto window = m_servers.openOnPickedPort<TestWindow>(
            settingsFile({}), {{"app.server", "1"}, {"bane.baseUrl", "http://127.0.0.1:%port/"}}, "MainWidget", &port,
            [&] { return ++picks == 1 ? other.serverPort() : freePort(); });
        QVERIFY(window);
        QVERIFY(picks >= 2);
        QVERIFY(port != other.serverPort());
        QCOMPARE(window->httpServer()->serverPort(), port);
        QCOMPARE(m_servers.asked, port);
        QCOMPARE(window->config()->getValue("bane.baseUrl", ""), QStringLiteral("http://127.0.0.1:%1/").arg(port));
    }

    // Before the first load a serving station's default arena names answer
    // with their own arena's pause page, left from an earlier run.
    void defaultArenaNamesShowTheirPausePages()
    {
        const QString root = m_dir.filePath("pauses");
        for (int bane = 0; bane <= 4; ++bane) {
            QVERIFY(writeFile(root + QStringLiteral("/klasse0_%1.html").arg(bane),
                              QStringLiteral("<html><body>Pause Bane %1</body></html>").arg(bane).toUtf8()));
        }
        TestWindow window(nullptr, settingsFile({{"app.server", "1"}, {"http.root", root}, {"bane.baseUrl", ""}}),
                          "MainWidget");
        QVERIFY(window.httpServer() && window.httpServer()->isListening());
        const quint16 port = window.httpServer()->serverPort();
        QNetworkAccessManager network;
        const QList<QPair<QString, int>> names{{"bane0.html", 0},     {"bane1.html", 1},     {"bane2.html", 2},
                                               {"bane3.html", 3},     {"bane4.html", 4},     {"tidsplan0.html", 0},
                                               {"tidsplan1.html", 1}, {"tidsplan2.html", 2}, {"tidsplan3.html", 3},
                                               {"rank1.html", 1},     {"rank2.html", 2},     {"rank3.html", 3}};
        for (const auto &[name, bane] : names) {
            const std::unique_ptr<QNetworkReply> reply(
                network.get(QNetworkRequest(QUrl(QStringLiteral("http://127.0.0.1:%1/%2").arg(port).arg(name)))));
            QSignalSpy finished(reply.get(), &QNetworkReply::finished);
            QVERIFY(reply->isFinished() || finished.wait(eventwait::limitMs));
            QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
            const QByteArray body = reply->readAll();
            QVERIFY2(body.contains(QStringLiteral("Pause Bane %1<").arg(bane).toUtf8()), qPrintable(name + ": " + body));
        }
    }

    // The database login takes the user from "database.user" and the
    // password from "database.password", for either kind of connection.
    void databaseLogin_data()
    {
        QTest::addColumn<QString>("driver");
        QTest::newRow("ODBC") << "QODBC3";
        QTest::newRow("other driver") << "QSQLITE";
    }
    void databaseLogin()
    {
        QFETCH(QString, driver);
        TestWindow window(nullptr,
                          settingsFile({{"database.driver", driver}, {"database.name", m_dir.filePath("login.db")},
                                        {"database.user", "dommer"}, {"database.password", "hemmelig"},
                                        {"bane.baseUrl", ""}}),
                          "MainWidget");
        window.connectDatabase("ZEP");
        {
            const QSqlDatabase db = QSqlDatabase::database("ZEP", false);
            QCOMPARE(db.userName() + " / " + db.password(), QStringLiteral("dommer / hemmelig"));
        }
        QSqlDatabase::removeDatabase("ZEP");
    }

    // The display client fits its font to the page by itself only in full
    // screen with "bane.autoAdjust" on; the fitting leaves "bane.font" alone.
    void clientFitsOnlyFullScreenWithAutoAdjust_data()
    {
        QTest::addColumn<bool>("fullScreen");
        QTest::addColumn<QString>("autoAdjust");
        QTest::addColumn<int>("size");
        QTest::newRow("window, off") << false << "0" << 15;
        QTest::newRow("window, on") << false << "1" << 15;
        QTest::newRow("full screen, off") << true << "0" << 15;
        QTest::newRow("full screen, not a number") << true << "ja" << 15;
        QTest::newRow("full screen, on") << true << "1" << 14;
    }
    void clientFitsOnlyFullScreenWithAutoAdjust()
    {
        QFETCH(bool, fullScreen);
        QFETCH(QString, autoAdjust);
        QString page;
        for (int line = 0; line < 200; ++line)
            page += QStringLiteral("<p>Linje %1</p>\n").arg(line);
        const QString path = m_dir.filePath("long.html");
        QVERIFY(writeFile(path, page.toUtf8()));
        TestWindow window(nullptr, settingsFile({{"bane.baseUrl", ""}, {"bane.autoAdjust", autoAdjust}}),
                          "MainWidget");
        window.resize(480, 360);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        if (fullScreen)
            window.fullScreen();
        auto *view = window.findChild<QTextBrowser *>("showText");
        QCOMPARE(view->font().pointSize(), 15);
        window.slotBaneFile(path);
        QTEST(view->font().pointSize(), "size");
        QCOMPARE(window.config()->getValue("bane.font", "none"), QStringLiteral("none"));
        if (fullScreen)
            QTest::keyClick(&window, Qt::Key_F11);
    }

    // A window with every part shown: the command line under the debug views
    // keeps its height when the window grows, and the teardown is clean.
    void everyPartShown()
    {
        const QString file = settingsFile({{"app.statusButtons", "1"}, {"app.statusButtons.fullScreen", "1"},
                                           {"bane.update", "10"}, {"upload.state", "1"}, {"debug.show", "1"}});
        auto *window = new TestWindow(nullptr, file, "MainWidget");
        window->setupTab()->addClass(1, "LA2 A", "1", "A", "Lørdag");
        window->setupTab()->addClass(99, "Venteliste V", "2", "V", "Lørdag");

        auto *area = window->findChild<QSplitter *>("top");
        auto *row = window->findChild<QWidget *>("debugCmdContainer");
        QVERIFY(area && row);
        window->mainTabs()->setCurrentWidget(area);
        window->resize(600, 400);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        const int before = row->height();
        window->resize(600, 900);
        WAIT_VERIFY(area->height() > 700);
        QCOMPARE(row->height(), before);

        // Let the client timer, the downloader and the upload run a little.
        QSignalSpy ticks(window->clientTab(), &ClientTab::timerFired);
        QVERIFY(ticks.wait(eventwait::limitMs));
        QSignalSpy destroyed(window->config(), &QObject::destroyed);
        delete window;
        QCOMPARE(destroyed.count(), 1);
        // Nothing queued by the torn-down parts may fire afterwards.
        QTest::qWait(50);
    }

    // Qt's own buttons and dialogs speak Danish like the station's texts,
    // also on a computer set to another language (the tests run in "C").
    void qtDialogsSpeakDanish()
    {
        QVERIFY(installDanishQtTranslation(*QCoreApplication::instance()));
        QInputDialog choice; // the competition choice's own buttons

        choice.setComboBoxItems({"Stævne"});
        choice.show();
        QVERIFY(choice.findChild<QDialogButtonBox *>());
        QCOMPARE(choice.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel)->text(),
                 QStringLiteral("Annuller"));
    }
};

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"

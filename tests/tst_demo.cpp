// The demo start script (scripts/demo), driven as an operator would: killing
// the process a refused second start names stops the whole demo, a signal at
// any moment of a start stops all of it, the demo says where it serves only
// once the station and the results server listen, and a kept settings file
// the station cannot read, or one without a results server, does not steer
// the demo astray. The script runs the programs of the build this test
// belongs to (ZEP_DEMO_BUILD).
//
// This program is a child subreaper: whatever a demo leaves running when its
// script has ended comes to it, so that nothing the demo started escapes the
// checks by losing its parent.
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QSocketNotifier>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <netinet/in.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "StationFixture.h"

using namespace stationfx;

namespace {
// ctest stops this program at 300 s (tests/CMakeLists.txt). A wait ends by
// this program's budget at the latest, so that a failure is told, with the
// script's output, before then.
const int budget = 240000;
// One start or stop of a demo on a very busy machine; a quiet one takes a
// few seconds.
const int stepLimit = 90000;

// pid -> {parent pid, name, state} of every process, from /proc.
struct Proc
{
    qint64 parent;
    QByteArray name;
    char state;
};
QMap<qint64, Proc> processes()
{
    QMap<qint64, Proc> all;
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &pid : pids) {
        const QByteArray stat = readFile(QStringLiteral("/proc/%1/stat").arg(pid));
        const qsizetype open = stat.indexOf('('), close = stat.lastIndexOf(')');
        if (open < 0 || close < open)
            continue;
        const QList<QByteArray> rest = stat.mid(close + 2).split(' ');
        if (rest.size() > 1)
            all.insert(pid.toLongLong(), {rest.at(1).toLongLong(), stat.mid(open + 1, close - open - 1), rest.at(0).at(0)});
    }
    return all;
}

QList<qint64> descendants(qint64 root)
{
    const QMap<qint64, Proc> all = processes();
    QList<qint64> found{root};
    for (qsizetype i = 0; i < found.size(); ++i)
        for (auto it = all.cbegin(); it != all.cend(); ++it)
            if (it->parent == found.at(i))
                found << it.key();
    return found.mid(1);
}

bool running(qint64 pid)
{
    const QMap<qint64, Proc> all = processes();
    return all.contains(pid) && all.value(pid).state != 'Z';
}

bool listening(quint16 port)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    return socket.waitForConnected(1000);
}

// Whether a demo could take the lock of `run` now.
bool lockFree(const QString &run)
{
    const int fd = ::open(QFile::encodeName(run + QStringLiteral("/demo.lock")).constData(),
                          O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return free;
}

// Binds a port without listening on it, as another program that took it
// after the script's look: a connection is refused as at a free port, but
// nobody else can listen there. Returns the socket, -1 when it failed.
int takePort(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0)
        return fd;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

// Stops a step that failed: says which, with the script's output.
#define VERIFY_STEP(condition, step, script)                                                                           \
    do {                                                                                                               \
        if (!(condition))                                                                                              \
            QFAIL(told(step, script).constData());                                                                     \
    } while (false)
} // namespace

class tst_Demo : public QObject
{
    Q_OBJECT

private:
    QDeadlineTimer m_budget;
    QTemporaryDir *m_run = nullptr;
    quint16 m_httpPort = 0, m_receiverPort = 0;
    QList<QProcess *> m_scripts;
    QSet<qint64> m_scriptPids;
    QHash<QProcess *, int> m_outputFds; // the read ends of the scripts' outputs
    QHash<QProcess *, QByteArray> m_output;
    QList<qint64> m_pids; // the demo's processes, also once the script is gone

    // Reads what the script and all it started wrote so far.
    void drain(QProcess *script, QSocketNotifier *notifier = nullptr)
    {
        const int fd = m_outputFds.value(script, -1);
        char buffer[65536];
        ssize_t size = 0;
        while (fd >= 0 && (size = ::read(fd, buffer, sizeof buffer)) > 0)
            m_output[script].append(buffer, size);
        if (size == 0 && notifier)
            notifier->setEnabled(false);
    }

    // When a demo is sent TERM: once its output holds `line` (at its start
    // when that is empty), and with `start` once it then starts a process
    // ("*": the next one) or runs the program `start` names. A null line
    // sends none.
    struct Moment
    {
        QByteArray line;
        QByteArray start;
    };

    // Starts the demo with the test's run folder and ports; `env` adds to
    // the environment, a null value removes a variable.
    //
    // Its output goes into a pipe of this program's that stays open until
    // cleanup, as a terminal does: what the demo leaves running is not
    // ended by writing into a closed pipe.
    QProcess *startDemo(const QMap<QString, QString> &env = {}, const Moment &term = {})
    {
        auto *script = new QProcess(this);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("ZEP_DEMO_RUN", m_run->path());
        environment.insert("ZEP_DEMO_BUILD", QStringLiteral(ZEP_BINARY_DIR));
        environment.insert("ZEP_DEMO_HTTP_PORT", QString::number(m_httpPort));
        environment.insert("ZEP_DEMO_RECEIVER_PORT", QString::number(m_receiverPort));
        for (auto it = env.cbegin(); it != env.cend(); ++it) {
            if (it.value().isNull())
                environment.remove(it.key());
            else
                environment.insert(it.key(), it.value());
        }
        script->setProcessEnvironment(environment);
        m_scripts << script;
        int output[2];
        if (::pipe2(output, O_CLOEXEC) != 0)
            return script; // not started: the caller's first step says so
        ::fcntl(output[0], F_SETFL, O_NONBLOCK);
        m_outputFds.insert(script, output[0]);
        script->setProcessChannelMode(QProcess::ForwardedChannels);
        script->setChildProcessModifier([fd = output[1]] {
            ::dup2(fd, STDOUT_FILENO);
            ::dup2(fd, STDERR_FILENO);
        });

        // Sent at once, not at the next look: a signal right after a line
        // of the script must reach it while it does what follows the line.
        // A start takes microseconds: it is watched for without a break.
        auto sendTerm = [this, script, term] {
            const qint64 pid = script->state() == QProcess::Running ? script->processId() : 0;
            if (pid <= 0)
                return;
            if (!term.start.isEmpty()) {
                QElapsedTimer watch;
                watch.start();
                while (!m_output[script].contains(term.line) && script->state() == QProcess::Running
                       && watch.elapsed() < stepLimit)
                    drain(script);
                const int list = ::open(QStringLiteral("/proc/%1/task/%1/children").arg(pid).toLatin1().constData(),
                                        O_RDONLY | O_CLOEXEC);
                auto children = [list] {
                    char text[4096];
                    const ssize_t size = list < 0 ? -1 : ::pread(list, text, sizeof text, 0);
                    const QList<QByteArray> pids = QByteArray(text, std::max<ssize_t>(size, 0)).split(' ');
                    return QSet<QByteArray>(pids.cbegin(), pids.cend());
                };
                const QSet<QByteArray> before = children();
                auto due = [&] {
                    const QSet<QByteArray> now = children();
                    if (term.start == "*")
                        return !QSet<QByteArray>(now).subtract(before).isEmpty();
                    for (const QByteArray &child : now) {
                        const QString comm = QStringLiteral("/proc/%1/comm").arg(QString::fromLatin1(child));
                        if (readFile(comm).trimmed() == term.start)
                            return true;
                    }
                    return false;
                };
                // The next start follows the line at once; when it came
                // before the line was read, the signal comes a little later.
                watch.restart();
                while (!due() && script->state() == QProcess::Running
                       && watch.elapsed() < (term.start == "*" ? 1000 : stepLimit)) {
                }
                if (list >= 0)
                    ::close(list);
            }
            ::kill(pid_t(pid), SIGTERM);
        };
        auto *notifier = new QSocketNotifier(output[0], QSocketNotifier::Read, script);
        connect(notifier, &QSocketNotifier::activated, this, [this, script, notifier, term, sendTerm] {
            const bool before = m_output.value(script).contains(term.line);
            drain(script, notifier);
            if (term.start.isEmpty() && !term.line.isEmpty() && !before && m_output.value(script).contains(term.line))
                sendTerm();
        });
        connect(script, &QProcess::started, this, [this, script] { m_scriptPids << script->processId(); });
        if (!term.line.isNull() && (term.line.isEmpty() || !term.start.isEmpty()))
            connect(script, &QProcess::started, this, sendTerm);
        script->start(QStringLiteral(ZEP_SOURCE_DIR "/scripts/demo"));
        ::close(output[1]);
        return script;
    }

    QByteArray output(QProcess *script)
    {
        drain(script);
        return m_output.value(script);
    }

    // Waits, handling events, until `done` or the step's limit; the limit
    // ends with the program's budget.
    bool waitUntil(const std::function<bool()> &done, int limit = stepLimit)
    {
        const QDeadlineTimer deadline(std::min<qint64>(limit, m_budget.remainingTime()));
        while (!done()) {
            if (deadline.hasExpired())
                return done();
            QTest::qWait(20);
        }
        return true;
    }

    bool saidAndRunning(QProcess *script, const QByteArray &text)
    {
        return waitUntil([&] { return output(script).contains(text) || script->state() == QProcess::NotRunning; })
               && output(script).contains(text);
    }

    bool ended(QProcess *script)
    {
        return waitUntil([script] { return script->state() == QProcess::NotRunning; });
    }

    QByteArray told(const QByteArray &step, QProcess *script)
    {
        QByteArray text = "step \"" + step + "\" failed";
        if (m_budget.hasExpired())
            text += QByteArray(" (the test's ") + QByteArray::number(budget / 1000) + " s ran out)";
        const QByteArray left = strays();
        if (!left.isEmpty())
            text += "; still running: " + left;
        if (script) {
            text += "; the script " + QByteArray(script->state() == QProcess::NotRunning ? "ended" : "runs")
                    + ", its output:\n" + output(script).right(6000);
        }
        return text;
    }

    // What runs below this program other than a demo script that runs:
    // nothing once the scripts have ended.
    QByteArray strays() const
    {
        const QMap<qint64, Proc> all = processes();
        QSet<qint64> scripts;
        for (QProcess *script : m_scripts)
            if (script->state() != QProcess::NotRunning)
                scripts << script->processId();
        QList<QByteArray> names;
        const qint64 self = QCoreApplication::applicationPid();
        for (qint64 pid : descendants(self)) {
            if (all.value(pid).state == 'Z' || scripts.contains(pid) || scripts.contains(all.value(pid).parent))
                continue;
            names << all.value(pid).name + " (" + QByteArray::number(pid) + ")";
        }
        return names.join(", ");
    }

    // Records the demo's processes and checks that they are this build's
    // programs; their names, sorted.
    QByteArray demoProcesses(qint64 script)
    {
        const QMap<qint64, Proc> all = processes();
        const QString build = QFileInfo(QStringLiteral(ZEP_BINARY_DIR)).canonicalFilePath() + '/';
        QList<QByteArray> names;
        for (qint64 pid : descendants(script)) {
            m_pids << pid;
            names << all.value(pid).name;
            const QString program = QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).canonicalFilePath();
            if (!program.startsWith(build))
                names << "(not of this build: " + QFile::encodeName(program) + ")";
        }
        std::sort(names.begin(), names.end());
        return names.join(' ');
    }

    // After a demo's script has ended: nothing of it runs, its ports and its
    // lock are free.
    void checkAllStopped(QProcess *script)
    {
        // The script waits for all it stops: nothing is left to wait for.
        VERIFY_STEP(strays().isEmpty(), "nothing of the demo runs on", script);
        VERIFY_STEP(!listening(m_httpPort), "the station's port is free", script);
        VERIFY_STEP(!listening(m_receiverPort), "the results server's port is free", script);
        VERIFY_STEP(lockFree(m_run->path()), "the demo's lock is free", script);
    }

private slots:
    void initTestCase()
    {
        m_budget = QDeadlineTimer(budget);
        QCOMPARE(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    }

    void init()
    {
        if (m_budget.hasExpired())
            QFAIL("the test's time ran out before this function");
        m_run = new QTemporaryDir;
        QVERIFY(m_run->isValid());
        m_httpPort = freePort();
        do
            m_receiverPort = freePort();
        while (m_receiverPort == m_httpPort);
    }

    void cleanup()
    {
        // The script stops what it started; what it leaves is killed.
        for (QProcess *script : std::as_const(m_scripts)) {
            if (script->state() == QProcess::NotRunning)
                continue;
            m_pids << descendants(script->processId());
            script->terminate();
            if (!script->waitForFinished(int(std::clamp<qint64>(m_budget.remainingTime(), 1000, 10000))))
                script->kill();
        }
        const qint64 self = QCoreApplication::applicationPid();
        m_pids << descendants(self);
        const QDeadlineTimer deadline(10000);
        for (qint64 pid : std::as_const(m_pids)) {
            if (pid > 0 && running(pid))
                ::kill(pid_t(pid), SIGKILL);
            while (running(pid) && !deadline.hasExpired())
                QTest::qWait(50);
        }
        for (QProcess *script : std::as_const(m_scripts))
            script->waitForFinished();
        // What came to this program as its subreaper is this program's to
        // reap; the scripts are QProcess's.
        const QMap<qint64, Proc> all = processes();
        for (auto it = all.cbegin(); it != all.cend(); ++it)
            if (it->parent == self && it->state == 'Z' && !m_scriptPids.contains(it.key()))
                ::waitpid(pid_t(it.key()), nullptr, WNOHANG);
        qDeleteAll(m_scripts);
        m_scripts.clear();
        m_scriptPids.clear();
        for (int fd : std::as_const(m_outputFds))
            ::close(fd);
        m_outputFds.clear();
        m_output.clear();
        m_pids.clear();
        delete m_run;
        m_run = nullptr;
    }

    void killingTheNamedProcessStopsTheDemo()
    {
        QProcess *first = startDemo();
        VERIFY_STEP(saidAndRunning(first, "Close the window or press Ctrl+C to stop."), "first start", first);
        VERIFY_STEP(listening(m_httpPort), "first start serves", first);
        const QByteArray names = demoProcesses(first->processId());
        VERIFY_STEP(names == "zepdemo zeplive zepreceiver", "the demo runs this build's programs: " + names, first);

        QProcess *second = startDemo();
        VERIFY_STEP(ended(second) && second->exitCode() == 1, "second start refused", second);
        const QString refusal = QString::fromLocal8Bit(output(second));
        const QRegularExpressionMatch named = QRegularExpression("kill (\\d+)").match(refusal);
        VERIFY_STEP(named.captured(1).toLongLong() == first->processId(), "the refusal names the first demo", second);

        QCOMPARE(::kill(pid_t(first->processId()), SIGTERM), 0);
        VERIFY_STEP(ended(first), "first demo stops on the named kill", first);
        for (qint64 pid : std::as_const(m_pids))
            QVERIFY2(waitUntil([pid] { return !running(pid); }), qPrintable(processes().value(pid).name + " runs on"));
        QVERIFY(!listening(m_httpPort));
        QVERIFY(!listening(m_receiverPort));
        checkAllStopped(first);
        if (QTest::currentTestFailed())
            return;

        QProcess *third = startDemo();
        VERIFY_STEP(saidAndRunning(third, "Close the window or press Ctrl+C to stop."), "third start", third);
        ::kill(pid_t(third->processId()), SIGTERM);
        VERIFY_STEP(ended(third), "third demo stops", third);
    }

    void unreadableSettingsAreKeptAside_data()
    {
        QTest::addColumn<QByteArray>("kept");
        QTest::addColumn<QString>("backup");
        QTest::newRow("not XML") << QByteArray("<configuration><properties><property name=\"port\">8080</property>")
                                 << "appCfg.xml.bak";
        // An earlier backup stays; the station refuses a property without group.
        QTest::newRow("no group") << QByteArray("<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\n<configuration>\n"
                                                " <properties>\n  <property name=\"port\" type=\"string\" >80</property>\n"
                                                " </properties>\n</configuration>\n")
                                  << "appCfg.xml.1.bak";
        // Read as the station reads them, not by another parser: this mark
        // says UTF-8 where the declaration says ISO-8859-1 ("Start-tag
        // expected"), and the station reads XML 1.0 only.
        const QByteArray properties = "<configuration>\n <properties>\n"
                                      "  <property group=\"http\" name=\"port\" type=\"string\" >80</property>\n"
                                      " </properties>\n</configuration>\n";
        QTest::newRow("byte-order mark before iso-8859-1")
            << "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\n" + properties << "appCfg.xml.bak";
        QTest::newRow("XML 1.1") << "<?xml version=\"1.1\" encoding=\"iso-8859-1\"?>\n" + properties
                                 << "appCfg.xml.bak";
    }

    void unreadableSettingsAreKeptAside()
    {
        QFETCH(QByteArray, kept);
        QFETCH(QString, backup);
        const QString settings = m_run->filePath("appCfg.xml");
        QVERIFY(writeFile(settings, kept));
        if (backup != "appCfg.xml.bak")
            QVERIFY(writeFile(m_run->filePath("appCfg.xml.bak"), "earlier"));

        QProcess *demo = startDemo();
        VERIFY_STEP(saidAndRunning(demo, "Close the window or press Ctrl+C to stop."), "start", demo);
        VERIFY_STEP(output(demo).contains("cannot be read"), "the unreadable settings are told", demo);
        VERIFY_STEP(readFile(m_run->filePath(backup)) == kept, "the settings are kept aside", demo);
        if (backup != "appCfg.xml.bak")
            VERIFY_STEP(readFile(m_run->filePath("appCfg.xml.bak")) == "earlier", "the earlier backup stays", demo);
        VERIFY_STEP(listening(m_receiverPort), "the results server listens", demo);
        VERIFY_STEP(listening(m_httpPort), "the station listens", demo);
    }

    // A TERM stops all that the demo started by then, however far the start
    // has come, and the next demo may start.
    void termStopsTheWholeDemo_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("start");
        QTest::newRow("at once") << QByteArray("") << QByteArray();
        QTest::newRow("database being generated") << QByteArray("") << QByteArray("zepdemo");
        QTest::newRow("station starting") << QByteArray("Starting the station") << QByteArray();
        QTest::newRow("station started") << QByteArray("Starting the station") << QByteArray("*");
        QTest::newRow("serving") << QByteArray("Close the window or press Ctrl+C to stop.") << QByteArray();
    }

    void termStopsTheWholeDemo()
    {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, start);
        // A signal races the start it follows: each moment is tried a few times.
        for (int round = 0; round < 3; ++round) {
            QProcess *demo = startDemo({}, {line, start});
            VERIFY_STEP(ended(demo), "the demo ends on TERM", demo);
            VERIFY_STEP(demo->exitStatus() == QProcess::CrashExit || demo->exitCode() != 0, "ended by the signal",
                        demo);
            checkAllStopped(demo);
            if (QTest::currentTestFailed())
                return;
        }
    }

    // The demo says where it serves only once the station and the results
    // server listen; a port another program took after the script found it
    // free is said, and the demo stops.
    void serversAreSaidOnlyWhenTheyListen_data()
    {
        QTest::addColumn<QString>("taken");
        QTest::newRow("both free") << QString();
        QTest::newRow("station's port taken") << "http";
        QTest::newRow("results server's port taken") << "receiver";
    }

    void serversAreSaidOnlyWhenTheyListen()
    {
        QFETCH(QString, taken);
        const quint16 port = taken == "http" ? m_httpPort : m_receiverPort;
        const int taker = taken.isEmpty() ? -1 : takePort(port);
        const auto release = qScopeGuard([taker] {
            if (taker >= 0)
                ::close(taker);
        });
        QVERIFY(taken.isEmpty() || taker >= 0);
        QProcess *demo = startDemo();
        if (taken.isEmpty()) {
            VERIFY_STEP(saidAndRunning(demo, "Close the window or press Ctrl+C to stop."), "start", demo);
            const QByteArray pages = "Arena pages: http://127.0.0.1:" + QByteArray::number(m_httpPort) + "/bane1.html";
            VERIFY_STEP(output(demo).contains(pages), "the pages' address is said", demo);
            // Said once listening: no wait here.
            VERIFY_STEP(listening(m_httpPort), "the station listens when said", demo);
            VERIFY_STEP(listening(m_receiverPort), "the results server listens when said", demo);
            return;
        }
        VERIFY_STEP(ended(demo) && demo->exitStatus() == QProcess::NormalExit && demo->exitCode() == 1,
                    "the demo stops", demo);
        const QByteArray out = output(demo);
        const QByteArray said = "Port " + QByteArray::number(port) + " was free when the demo looked";
        VERIFY_STEP(out.contains(said), "the taken port is said", demo);
        VERIFY_STEP(!out.contains("Arena pages") && !out.contains("Close the window"), "no serving is said", demo);
        VERIFY_STEP(strays().isEmpty(), "all of the demo stopped", demo);
        VERIFY_STEP(lockFree(m_run->path()), "the lock is free", demo);
    }

    // A kept readable settings file: a results server without a port of its
    // own gets the demo's default receiver port, written into the file, and
    // the database of an earlier demo's folder moves out of it.
    void keptSettingsUploadToTheReceiver_data()
    {
        QTest::addColumn<QByteArray>("server");
        QTest::addColumn<bool>("ownPort");
        QTest::newRow("no results server") << QByteArray() << false;
        QTest::newRow("a server without port") << QByteArray("127.0.0.1") << false;
        QTest::newRow("a port of its own") << QByteArray("127.0.0.1:%1") << true;
    }

    void keptSettingsUploadToTheReceiver()
    {
        QFETCH(QByteArray, server);
        QFETCH(bool, ownPort);
        quint16 defaultPort = freePort();
        while (defaultPort == m_httpPort || defaultPort == m_receiverPort)
            defaultPort = freePort();
        const quint16 expected = ownPort ? m_receiverPort : defaultPort;
        QByteArray lines;
        if (!server.isEmpty())
            lines = "  <property group=\"upload\" name=\"server\" type=\"string\" >"
                    + server.replace("%1", QByteArray::number(m_receiverPort)) + "</property>\n";
        // As an earlier demo wrote it, with its database beside it.
        const QByteArray kept = "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\n<configuration>\n <properties>\n"
                                "  <property group=\"app\" name=\"server\" type=\"string\" >1</property>\n"
                                "  <property group=\"database\" name=\"driver\" type=\"string\" >ZEPLITE</property>\n"
                                "  <property group=\"database\" name=\"name\" type=\"string\" >demo.db</property>\n"
                                "  <property group=\"http\" name=\"port\" type=\"string\" >"
                                + QByteArray::number(m_httpPort) + "</property>\n" + lines
                                + "  <property group=\"upload\" name=\"state\" type=\"string\" >1</property>\n"
                                  " </properties>\n</configuration>\n";
        QVERIFY(writeFile(m_run->filePath("appCfg.xml"), kept));
        QVERIFY(writeFile(m_run->filePath("demo.db"), "an earlier demo's database"));

        QProcess *demo = startDemo({{"ZEP_DEMO_HTTP_PORT", QString()},
                                    {"ZEP_DEMO_RECEIVER_PORT", QString()},
                                    {"ZEP_DEMO_DEFAULT_RECEIVER_PORT", QString::number(defaultPort)}});
        VERIFY_STEP(saidAndRunning(demo, "Close the window or press Ctrl+C to stop."), "start", demo);
        const QByteArray receiver = "127.0.0.1:" + QByteArray::number(expected);
        VERIFY_STEP(output(demo).contains("results server on " + receiver), "the results server's port is said",
                    demo);
        VERIFY_STEP(listening(expected), "the results server listens", demo);
        const QByteArray settings = readFile(m_run->filePath("appCfg.xml"));
        VERIFY_STEP(settings.contains("name=\"server\" type=\"string\" >" + receiver + "</property>"),
                    "the settings upload to the results server:\n" + settings, demo);
        VERIFY_STEP(settings.contains("name=\"name\" type=\"string\" >database/demo.db</property>")
                        && !QFile::exists(m_run->filePath("demo.db")),
                    "the database moves out of the working folder:\n" + settings, demo);
        VERIFY_STEP(waitUntil([this] { return !QDir(m_run->filePath("uploaded")).isEmpty(QDir::Files); }),
                    "the station uploads to the results server", demo);
    }
};

QTEST_MAIN(tst_Demo)
#include "tst_demo.moc"

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
// checks by losing its parent. A signal that stops this program stops the
// demos it runs (tests/ChildProcesses.h).
//
// The ports a demo gets are free when this test chooses them, but another
// program may take one before the demo listens on it: a demo that says so
// (exit status 75, which nothing else gives) is started again at once on
// new ports. The demo's station listens on 127.0.0.1 only
// (ZEPLIVE_DEMO_LISTEN).
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
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <netinet/in.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "ChildProcesses.h"
#include "StationFixture.h"

using namespace childprocs;
using namespace stationfx;

namespace {
// ctest stops this program at 300 s (tests/CMakeLists.txt). A wait ends by
// this program's budget at the latest, so that a failure is told, with the
// script's output, before then.
const int budget = 240000;
// One start or stop of a demo on a very busy machine; a quiet one takes a
// few seconds.
const int stepLimit = 90000;

// The demo's exit status when another program holds one of its ports.
const int portTakenStatus = 75;
// Starts of one step, each on new ports, before a port taken by another
// program fails it.
const int attempts = 5;

bool listening(quint16 port)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    return socket.waitForConnected(1000);
}

// Whether a process below this program listens on `port`. Once a demo has
// let its port go, a server of another test may listen there.
bool listenedHere(quint16 port)
{
    QSet<QByteArray> sockets;
    const QByteArray local = ':' + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
    for (const char *table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        const QList<QByteArray> lines = readFile(QString::fromLatin1(table)).split('\n');
        // sl, local address, remote address, state (0A: listening), ..., inode
        for (const QByteArray &line : lines) {
            const QList<QByteArray> f = line.simplified().split(' ');
            if (f.size() > 9 && f.at(1).endsWith(local) && f.at(3) == "0A")
                sockets << "socket:[" + f.at(9) + ']';
        }
    }
    for (qint64 pid : descendants(QCoreApplication::applicationPid())) {
        const QString fds = QStringLiteral("/proc/%1/fd").arg(pid);
        for (const QString &fd : QDir(fds).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
            char target[64];
            const ssize_t size = ::readlink(QFile::encodeName(fds + '/' + fd).constData(), target, sizeof target);
            if (size > 0 && sockets.contains(QByteArray(target, size)))
                return true;
        }
    }
    return false;
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
// nobody else can listen there. With `listen` it listens, as a program the
// script's look finds. Returns the socket, -1 when it failed.
int takePort(quint16 port, bool listen = false)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0
        && (!listen || ::listen(fd, 1) == 0))
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
    QHash<QProcess *, qint64> m_scriptPid; // also once the script has ended
    QSet<QProcess *> m_termed;             // the scripts this test sent TERM
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

    // Starts the demo with the test's run folder and ports, its station on
    // 127.0.0.1 only; `env` adds to the environment, a null value removes a
    // variable.
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
        environment.insert("ZEPLIVE_DEMO_LISTEN", "127.0.0.1");
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

        // Sent at once, not at the next look: a signal right after a line
        // of the script must reach it while it does what follows the line.
        // A start takes microseconds: it is watched for without a break,
        // which ends when the script has ended (its state here would not
        // change without events).
        auto sendTerm = [this, script, term] {
            const qint64 pid = m_scriptPid.value(script);
            if (pid <= 0 || !running(pid))
                return;
            if (!term.start.isEmpty()) {
                QElapsedTimer watch;
                watch.start();
                while (!m_output[script].contains(term.line) && running(pid) && watch.elapsed() < stepLimit)
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
                while (!due() && running(pid) && watch.elapsed() < (term.start == "*" ? 1000 : stepLimit)) {
                }
                if (list >= 0)
                    ::close(list);
            }
            // A script that has ended is not told: its row fails.
            if (running(pid) && ::kill(pid_t(pid), SIGTERM) == 0)
                m_termed << script;
        };
        auto *notifier = new QSocketNotifier(output[0], QSocketNotifier::Read, script);
        connect(notifier, &QSocketNotifier::activated, this, [this, script, notifier, term, sendTerm] {
            const bool before = m_output.value(script).contains(term.line);
            drain(script, notifier);
            if (term.start.isEmpty() && !term.line.isEmpty() && !before && m_output.value(script).contains(term.line))
                sendTerm();
        });
        if (!term.line.isNull() && (term.line.isEmpty() || !term.start.isEmpty()))
            connect(script, &QProcess::started, this, sendTerm);
        startInGroup(
            *script, [script] { script->start(QStringLiteral(ZEP_SOURCE_DIR "/scripts/demo")); },
            [fd = output[1]] {
                ::dup2(fd, STDOUT_FILENO);
                ::dup2(fd, STDERR_FILENO);
            });
        m_scriptPids << script->processId();
        m_scriptPid.insert(script, script->processId());
        ::close(output[1]);
        return script;
    }

    // Whether the demo ended because another program holds one of its ports.
    static bool endedOnTakenPort(QProcess *script)
    {
        return script->state() == QProcess::NotRunning && script->exitStatus() == QProcess::NormalExit
               && script->exitCode() == portTakenStatus;
    }

    // Ports that were free a moment ago, in a new run folder.
    bool newRun()
    {
        if (m_run)
            qInfo("one of the ports %u and %u was taken by another program: new ports", m_httpPort, m_receiverPort);
        delete m_run;
        m_run = new QTemporaryDir;
        m_httpPort = freePort();
        do
            m_receiverPort = freePort();
        while (m_receiverPort == m_httpPort);
        return m_run->isValid() && m_httpPort > 0 && m_receiverPort > 0;
    }

    // Starts a demo through `start` (startDemo() when empty), which sets up
    // what the demo should find in the run folder, and waits until it
    // serves. One that ends because a port was taken after this test chose
    // it is started again at once, on new ports in a new run folder.
    QProcess *startServing(const std::function<QProcess *()> &start = {})
    {
        for (int attempt = 1;; ++attempt) {
            QProcess *demo = start ? start() : startDemo();
            if (!demo || saidAndRunning(demo, "Close the window or press Ctrl+C to stop.") || !endedOnTakenPort(demo)
                || attempt == attempts || !newRun())
                return demo;
        }
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
            text += "; the script " + scriptState(script);
            if (m_termed.contains(script))
                text += " (sent TERM)";
            text += ", its output:\n" + output(script).right(6000);
        }
        return text;
    }

    // Whether the script runs, as the system says (a wait without events
    // may not have heard of its end yet), and how it ended.
    QByteArray scriptState(QProcess *script) const
    {
        if (running(m_scriptPid.value(script)))
            return "runs";
        if (script->state() != QProcess::NotRunning)
            return "ended";
        if (script->exitStatus() == QProcess::CrashExit)
            return "ended by signal " + QByteArray::number(script->exitCode());
        return "ended with status " + QByteArray::number(script->exitCode());
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
        VERIFY_STEP(!listenedHere(m_httpPort), "the station's port is free", script);
        VERIFY_STEP(!listenedHere(m_receiverPort), "the results server's port is free", script);
        VERIFY_STEP(lockFree(m_run->path()), "the demo's lock is free", script);
    }

private slots:
    void initTestCase()
    {
        m_budget = QDeadlineTimer(budget);
        QCOMPARE(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
        stopChildrenOnSignals();
    }

    void init()
    {
        if (m_budget.hasExpired())
            QFAIL("the test's time ran out before this function");
        QVERIFY(newRun());
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
        m_scriptPid.clear();
        m_termed.clear();
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
        QProcess *first = startServing();
        VERIFY_STEP(output(first).contains("Close the window or press Ctrl+C to stop."), "first start", first);
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
        QVERIFY(!listenedHere(m_httpPort));
        QVERIFY(!listenedHere(m_receiverPort));
        checkAllStopped(first);
        if (QTest::currentTestFailed())
            return;

        QProcess *third = startServing();
        VERIFY_STEP(output(third).contains("Close the window or press Ctrl+C to stop."), "third start", third);
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
        QProcess *demo = startServing([&]() -> QProcess * {
            if (!writeFile(m_run->filePath("appCfg.xml"), kept)
                || (backup != "appCfg.xml.bak" && !writeFile(m_run->filePath("appCfg.xml.bak"), "earlier")))
                return nullptr;
            return startDemo();
        });
        QVERIFY2(demo, "the settings could not be written");
        VERIFY_STEP(output(demo).contains("Close the window or press Ctrl+C to stop."), "start", demo);
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
        // A signal races the start it follows: each moment is tried a few
        // times. A start that fails by itself fails the row, unless another
        // program took a port of it: that round is run again on new ports.
        for (int round = 0, retries = 0; round < 3; ++round) {
            QProcess *demo = startDemo({}, {line, start});
            VERIFY_STEP(ended(demo), "the demo ends on TERM", demo);
            if (endedOnTakenPort(demo) && ++retries < attempts) {
                QVERIFY(newRun());
                --round;
                continue;
            }
            VERIFY_STEP(m_termed.contains(demo) && demo->exitStatus() == QProcess::CrashExit
                            && demo->exitCode() == SIGTERM,
                        "ended by the TERM", demo);
            checkAllStopped(demo);
            if (QTest::currentTestFailed())
                return;
        }
    }

    // The demo says where it serves only once the station and the results
    // server listen; a port another program took after the script found it
    // free is said, and the demo stops with the status that says so. So
    // does a port another program listens on when the demo starts, before
    // the demo starts anything. A station that cannot listen for another
    // reason (an address not of this computer) stops the demo too, with
    // neither.
    void serversAreSaidOnlyWhenTheyListen_data()
    {
        QTest::addColumn<QString>("taken");
        QTest::newRow("both free") << QString();
        QTest::newRow("station's port taken") << "http";
        QTest::newRow("results server's port taken") << "receiver";
        QTest::newRow("station's port taken at the start") << "http at start";
        QTest::newRow("results server's port taken at the start") << "receiver at start";
        QTest::newRow("station cannot listen otherwise") << "address";
    }

    void serversAreSaidOnlyWhenTheyListen()
    {
        QFETCH(QString, taken);
        if (taken.isEmpty()) {
            QProcess *demo = startServing();
            VERIFY_STEP(output(demo).contains("Close the window or press Ctrl+C to stop."), "start", demo);
            const QByteArray pages = "Arena pages: http://127.0.0.1:" + QByteArray::number(m_httpPort) + "/bane1.html";
            VERIFY_STEP(output(demo).contains(pages), "the pages' address is said", demo);
            // Said once listening: no wait here.
            VERIFY_STEP(listening(m_httpPort), "the station listens when said", demo);
            VERIFY_STEP(listening(m_receiverPort), "the results server listens when said", demo);
            return;
        }
        // The port this row holds must be the one said: a demo that another
        // program's hold on a port of it stopped first starts again on new
        // ones.
        int taker = -1;
        const auto release = qScopeGuard([&taker] {
            if (taker >= 0)
                ::close(taker);
        });
        const bool atStart = taken.endsWith("at start");
        QProcess *demo = nullptr;
        quint16 port = 0;
        QByteArray said;
        for (int attempt = 1; attempt <= attempts; ++attempt) {
            if (taker >= 0)
                ::close(taker);
            taker = -1;
            if (attempt > 1)
                QVERIFY(newRun());
            port = taken.startsWith("receiver") ? m_receiverPort : m_httpPort;
            if (taken != "address" && (taker = takePort(port, atStart)) < 0)
                continue;
            QMap<QString, QString> env;
            if (taken == "address")
                env.insert("ZEPLIVE_DEMO_LISTEN", "192.0.2.1");
            demo = startDemo(env);
            VERIFY_STEP(ended(demo) && demo->exitStatus() == QProcess::NormalExit, "the demo stops", demo);
            said = "Port " + QByteArray::number(port)
                   + (atStart ? " on this computer is taken" : " was free when the demo looked");
            if (!endedOnTakenPort(demo) || (taken != "address" && output(demo).contains(said)))
                break;
        }
        QVERIFY2(demo, "no port could be held");
        const QByteArray out = output(demo);
        if (taken == "address") {
            VERIFY_STEP(demo->exitCode() == 1, "the demo stops with the status of a failure", demo);
            VERIFY_STEP(out.contains("The station cannot listen on port " + QByteArray::number(port)),
                        "the failure is said", demo);
            VERIFY_STEP(!out.contains("was free when the demo looked"), "no port is said to be taken", demo);
        } else {
            VERIFY_STEP(demo->exitCode() == portTakenStatus, "the demo stops with the status of a taken port", demo);
            VERIFY_STEP(out.contains(said), "the taken port is said", demo);
            if (atStart)
                VERIFY_STEP(!QFile::exists(m_run->filePath("database/demo.db")), "nothing was started", demo);
        }
        VERIFY_STEP(!out.contains("Arena pages") && !out.contains("Close the window"), "no serving is said", demo);
        VERIFY_STEP(strays().isEmpty(), "all of the demo stopped", demo);
        VERIFY_STEP(lockFree(m_run->path()), "the lock is free", demo);
    }

    // A signal that stops this program stops the demo it runs: this
    // program runs once more, as a child that starts a demo and waits; once
    // that demo serves, the child is sent TERM, ends by it, and nothing of
    // its demo is left. (The child's demo comes to this program, its
    // subreaper, when the child has gone.)
    void termToTheTestStopsItsDemo()
    {
        if (qEnvironmentVariableIsSet("ZEP_DEMO_TEST_CHILD")) {
            QProcess *demo = startServing();
            VERIFY_STEP(output(demo).contains("Close the window or press Ctrl+C to stop."), "start", demo);
            std::printf("demo serving in %s\n", qPrintable(m_run->path()));
            std::fflush(stdout);
            waitUntil([] { return false; }, budget);
            QFAIL("no signal came");
        }
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("ZEP_DEMO_TEST_CHILD", "1");
        // Its run folder, which its end leaves behind, goes into this test's.
        environment.insert("TMPDIR", m_run->path());
        environment.insert("QTEST_DISABLE_STACK_DUMP", "1");
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::MergedChannels);
        startInGroup(child, [&child] {
            child.start(QCoreApplication::applicationFilePath(), {"termToTheTestStopsItsDemo"});
        });
        QByteArray said;
        const QRegularExpression serving("demo serving in (\\S+)");
        QVERIFY2(waitUntil([&] {
                     said += child.readAll();
                     return serving.match(QString::fromLocal8Bit(said)).hasMatch()
                            || child.state() == QProcess::NotRunning;
                 }) && serving.match(QString::fromLocal8Bit(said)).hasMatch(),
                 ("the child's demo does not serve: " + said).constData());
        const QString run = serving.match(QString::fromLocal8Bit(said)).captured(1);
        const QList<qint64> demo = descendants(child.processId());
        QVERIFY2(demo.size() >= 4, "the child runs no demo"); // script, station, simulator, receiver
        m_pids << demo;

        QCOMPARE(::kill(pid_t(child.processId()), SIGTERM), 0);
        QVERIFY(waitUntil([&child] { return child.state() == QProcess::NotRunning; }));
        said += child.readAll();
        QVERIFY2(child.exitStatus() == QProcess::CrashExit && child.exitCode() == SIGTERM,
                 ("the child did not end by the TERM: " + said).constData());
        for (qint64 pid : demo)
            QVERIFY2(waitUntil([pid] { return !running(pid); }), qPrintable(processes().value(pid).name + " runs on"));
        QVERIFY2(strays().isEmpty(), strays().constData());
        QVERIFY(lockFree(run));
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
        quint16 defaultPort = 0;
        // As an earlier demo wrote it, with its database beside it.
        QProcess *demo = startServing([&]() -> QProcess * {
            defaultPort = freePort();
            while (defaultPort == m_httpPort || defaultPort == m_receiverPort)
                defaultPort = freePort();
            QByteArray lines;
            if (!server.isEmpty())
                lines = "  <property group=\"upload\" name=\"server\" type=\"string\" >"
                        + QByteArray(server).replace("%1", QByteArray::number(m_receiverPort)) + "</property>\n";
            const QByteArray kept = "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\n<configuration>\n <properties>\n"
                                    "  <property group=\"app\" name=\"server\" type=\"string\" >1</property>\n"
                                    "  <property group=\"database\" name=\"driver\" type=\"string\" >ZEPLITE</property>\n"
                                    "  <property group=\"database\" name=\"name\" type=\"string\" >demo.db</property>\n"
                                    "  <property group=\"http\" name=\"port\" type=\"string\" >"
                                    + QByteArray::number(m_httpPort) + "</property>\n" + lines
                                    + "  <property group=\"upload\" name=\"state\" type=\"string\" >1</property>\n"
                                      " </properties>\n</configuration>\n";
            if (!writeFile(m_run->filePath("appCfg.xml"), kept)
                || !writeFile(m_run->filePath("demo.db"), "an earlier demo's database"))
                return nullptr;
            return startDemo({{"ZEP_DEMO_HTTP_PORT", QString()},
                              {"ZEP_DEMO_RECEIVER_PORT", QString()},
                              {"ZEP_DEMO_DEFAULT_RECEIVER_PORT", QString::number(defaultPort)}});
        });
        QVERIFY2(demo, "the settings could not be written");
        VERIFY_STEP(output(demo).contains("Close the window or press Ctrl+C to stop."), "start", demo);
        const quint16 expected = ownPort ? m_receiverPort : defaultPort;
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

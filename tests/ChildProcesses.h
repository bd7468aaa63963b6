#pragma once

// What a test program starts stops with it, and a signal that stops the
// program (TERM, INT, HUP: Ctrl+C, a runner giving up) ends it at once. A
// program stopped that way would otherwise leave a demo serving and holding
// its ports and lock, or the browser helper and its Chromium running. Each
// process is started in a process group of its own; on such a signal the
// handler sends every group TERM, so that a program that stops its own
// children on TERM (the demo script, the browser helper) does so, and then
// lets the signal end this program as it would without handlers.
//
// Every test program installs this handler first thing in its
// initTestCase(), also one that starts nothing: Qt Test puts a handler of
// its own on these signals when it starts running the test functions, over
// any installed before, and that one prints a stack trace by forking a
// debugger from within the signal. Come during a free(), that fork waits
// for good on the allocator's lock, and the program hangs, holding whatever
// it held (a port). Qt Test's handler stays on the signals of a crash.
//
// Also what runs below a process, from /proc.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QMap>
#include <QProcess>

#include <atomic>
#include <csignal>
#include <functional>
#include <unistd.h>

namespace childprocs {

namespace detail {
constexpr int stopSignals[] = {SIGTERM, SIGINT, SIGHUP};
inline std::atomic<pid_t> groups[32];
// A signal that comes while a process is being started waits for its group
// to be known: the handler may run on any thread meanwhile.
inline std::atomic<int> starting{0};
inline std::atomic<int> pending{0};

// Which of the signals this program was started ignoring (nohup), seen
// before main() and so before Qt Test replaced them.
inline int ignoredAtStart()
{
    int ignored = 0;
    for (int signal : stopSignals) {
        struct sigaction now = {};
        if (::sigaction(signal, nullptr, &now) == 0 && now.sa_handler == SIG_IGN)
            ignored |= 1 << signal;
    }
    return ignored;
}
inline const int ignored = ignoredAtStart();

// "Signal <n>: ..." on standard error, in place of Qt Test's line.
inline void tell(int signal)
{
    char line[] = "Signal   : the processes this test started are sent TERM\n";
    line[7] = char('0' + signal / 10 % 10);
    line[8] = char('0' + signal % 10);
    const ssize_t written = ::write(STDERR_FILENO, line, sizeof line - 1);
    (void)written;
}

// Async-signal-safe: kill(), sigaction(), raise(), write().
inline void stopAll(int signal)
{
    tell(signal);
    for (std::atomic<pid_t> &group : groups) {
        const pid_t pgid = group.load();
        if (pgid > 0)
            ::kill(-pgid, SIGTERM);
    }
    struct sigaction byDefault = {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    ::sigaction(signal, &byDefault, nullptr);
    // Blocked while this runs as the handler: it comes once it returns.
    ::raise(signal);
}

inline void onSignal(int signal)
{
    if (starting.load()) {
        pending.store(signal);
        // The start may have ended in between and missed it.
        if (starting.load() || pending.exchange(0) == 0)
            return;
    }
    stopAll(signal);
}

inline sigset_t stopSet()
{
    sigset_t set;
    sigemptyset(&set);
    for (int signal : stopSignals)
        sigaddset(&set, signal);
    return set;
}
} // namespace detail

// Installs the handler in place of Qt Test's: first thing in every test
// program's initTestCase() (Qt Test installs its own before that runs), and
// before the first start. A signal ignored since this program started
// (nohup) stays ignored.
inline void stopChildrenOnSignals()
{
    for (int signal : detail::stopSignals) {
        struct sigaction action = {};
        action.sa_handler = (detail::ignored & (1 << signal)) ? SIG_IGN : detail::onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(signal, &action, nullptr);
    }
}

// Starts `process` through `start` (which calls one of its start functions)
// in a process group of its own, which such a signal stops. `inChild` runs in
// the child before its program, in place of a child process modifier of the
// caller's own.
inline void startInGroup(QProcess &process, const std::function<void()> &start,
                         const std::function<void()> &inChild = {})
{
    process.setChildProcessModifier([inChild] {
        if (inChild)
            inChild();
        for (int signal : detail::stopSignals)
            ::signal(signal, SIG_DFL);
        ::setpgid(0, 0);
        // A TERM to the group before here waited, blocked; it ends the child now.
        const sigset_t set = detail::stopSet();
        ::sigprocmask(SIG_UNBLOCK, &set, nullptr);
    });
    const sigset_t set = detail::stopSet();
    sigset_t before;
    ::pthread_sigmask(SIG_BLOCK, &set, &before);
    detail::starting.store(1);
    start();
    const pid_t pid = pid_t(process.processId());
    if (pid > 0) {
        // Also here, in case the child has not got so far yet.
        ::setpgid(pid, pid);
        for (std::atomic<pid_t> &group : detail::groups) {
            pid_t empty = 0;
            if (group.compare_exchange_strong(empty, pid))
                break;
        }
        QObject::connect(&process, &QProcess::finished, [pid] {
            for (std::atomic<pid_t> &group : detail::groups) {
                pid_t mine = pid;
                group.compare_exchange_strong(mine, 0);
            }
        });
    }
    detail::starting.store(0);
    if (const int signal = detail::pending.exchange(0))
        detail::stopAll(signal);
    ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
}

// pid -> {parent pid, session, name, state} of every process, from /proc.
struct Proc
{
    qint64 parent;
    qint64 session;
    QByteArray name;
    char state;
};

inline QByteArray readProcFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline QMap<qint64, Proc> processes()
{
    QMap<qint64, Proc> all;
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &pid : pids) {
        const QByteArray stat = readProcFile(QStringLiteral("/proc/%1/stat").arg(pid));
        const qsizetype open = stat.indexOf('('), close = stat.lastIndexOf(')');
        if (open < 0 || close < open)
            continue;
        // state, parent, group, session, ...
        const QList<QByteArray> rest = stat.mid(close + 2).split(' ');
        if (rest.size() > 3)
            all.insert(pid.toLongLong(), {rest.at(1).toLongLong(), rest.at(3).toLongLong(),
                                          stat.mid(open + 1, close - open - 1), rest.at(0).at(0)});
    }
    return all;
}

inline QList<qint64> descendants(qint64 root)
{
    const QMap<qint64, Proc> all = processes();
    QList<qint64> found{root};
    for (qsizetype i = 0; i < found.size(); ++i)
        for (auto it = all.cbegin(); it != all.cend(); ++it)
            if (it->parent == found.at(i))
                found << it.key();
    return found.mid(1);
}

// Whether `pid` runs: it is there and has not ended (a process that ended
// stays, a zombie, until its parent has heard of it).
inline bool running(qint64 pid)
{
    const QByteArray stat = readProcFile(QStringLiteral("/proc/%1/stat").arg(pid));
    const qsizetype close = stat.lastIndexOf(')');
    return close > 0 && stat.size() > close + 2 && stat.at(close + 2) != 'Z';
}

} // namespace childprocs

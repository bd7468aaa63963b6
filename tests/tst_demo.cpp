// The demo start script (scripts/demo), driven as an operator would: killing
// the process a refused second start names stops the whole demo, and a kept
// settings file the station cannot read is kept aside instead of steering
// the demo's ports. The script builds and runs the checkout's Release build/
// whichever build runs this test; its processes are told by name.
#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <csignal>

#include "StationFixture.h"

using namespace stationfx;

namespace {
const int startTimeout = 120000;

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
} // namespace

class tst_Demo : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir *m_run = nullptr;
    quint16 m_httpPort = 0, m_receiverPort = 0;
    QList<QProcess *> m_scripts;
    QList<qint64> m_pids; // the demo's processes, also once the script is gone

    QProcess *startDemo()
    {
        auto *script = new QProcess(this);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ZEP_DEMO_RUN", m_run->path());
        env.insert("ZEP_DEMO_HTTP_PORT", QString::number(m_httpPort));
        env.insert("ZEP_DEMO_RECEIVER_PORT", QString::number(m_receiverPort));
        script->setProcessEnvironment(env);
        script->setProcessChannelMode(QProcess::MergedChannels);
        m_scripts << script;
        script->start(QStringLiteral(ZEP_SOURCE_DIR "/scripts/demo"));
        return script;
    }

    static bool started(QProcess *script, QByteArray &output)
    {
        output += script->readAll();
        return output.contains("Close the window or press Ctrl+C to stop.");
    }

    // Records the demo's processes; their names, sorted.
    QByteArray demoProcesses(qint64 script)
    {
        const QMap<qint64, Proc> all = processes();
        QList<QByteArray> names;
        for (qint64 pid : descendants(script)) {
            m_pids << pid;
            names << all.value(pid).name;
        }
        std::sort(names.begin(), names.end());
        return names.join(' ');
    }

private slots:
    void init()
    {
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
            if (!script->waitForFinished(30000))
                script->kill();
        }
        const QDeadlineTimer deadline(10000);
        for (qint64 pid : std::as_const(m_pids)) {
            if (running(pid))
                ::kill(pid_t(pid), SIGKILL);
            while (running(pid) && !deadline.hasExpired())
                QTest::qWait(50);
        }
        for (QProcess *script : std::as_const(m_scripts))
            script->waitForFinished();
        qDeleteAll(m_scripts);
        m_scripts.clear();
        m_pids.clear();
        delete m_run;
    }

    void killingTheNamedProcessStopsTheDemo()
    {
        QProcess *first = startDemo();
        QByteArray output;
        QTRY_VERIFY2_WITH_TIMEOUT(started(first, output), output.right(2000).constData(), startTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(listening(m_httpPort), startTimeout);
        QCOMPARE(demoProcesses(first->processId()), QByteArray("zepdemo zeplive zepreceiver"));

        QProcess *second = startDemo();
        QVERIFY(second->waitForFinished(startTimeout));
        QCOMPARE(second->exitCode(), 1);
        const QString refusal = QString::fromLocal8Bit(second->readAll());
        const QRegularExpressionMatch named = QRegularExpression("kill (\\d+)").match(refusal);
        QVERIFY2(named.hasMatch(), qPrintable(refusal));
        QCOMPARE(named.captured(1).toLongLong(), first->processId());

        QCOMPARE(::kill(pid_t(first->processId()), SIGTERM), 0);
        QTRY_VERIFY_WITH_TIMEOUT(first->state() == QProcess::NotRunning, 60000);
        for (qint64 pid : std::as_const(m_pids))
            QTRY_VERIFY2_WITH_TIMEOUT(!running(pid), qPrintable(processes().value(pid).name + " runs on"), 10000);
        QVERIFY(!listening(m_httpPort));
        QVERIFY(!listening(m_receiverPort));

        QProcess *third = startDemo();
        output.clear();
        QTRY_VERIFY2_WITH_TIMEOUT(started(third, output), output.right(2000).constData(), startTimeout);
        ::kill(pid_t(third->processId()), SIGTERM);
        QTRY_VERIFY_WITH_TIMEOUT(third->state() == QProcess::NotRunning, 60000);
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
        QByteArray output;
        QTRY_VERIFY2_WITH_TIMEOUT(started(demo, output), output.right(2000).constData(), startTimeout);
        QVERIFY2(output.contains("cannot be read"), output.right(2000).constData());
        QCOMPARE(readFile(m_run->filePath(backup)), kept);
        if (backup != "appCfg.xml.bak")
            QCOMPARE(readFile(m_run->filePath("appCfg.xml.bak")), QByteArray("earlier"));
        QTRY_VERIFY_WITH_TIMEOUT(listening(m_receiverPort), startTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(listening(m_httpPort), startTimeout);
    }
};

QTEST_MAIN(tst_Demo)
#include "tst_demo.moc"

// The tests' wait budget: waits that run out share it, and once it is spent
// later waits are short, so a program whose waits all fail still reports
// every function in time; waits whose event comes cost nothing.
#include <QTimer>

#include "ChildProcesses.h"
#include "EventWait.h"

class tst_EventWait : public QObject
{
    Q_OBJECT

private slots:
    // A signal ends this program at once (tests/ChildProcesses.h).
    void initTestCase() { childprocs::stopChildrenOnSignals(); }

    void failedWaitsShareTheBudget_data()
    {
        QTest::addColumn<int>("budget");
        QTest::addColumn<QString>("outcomes"); // per wait: + the event comes, - it does not
        QTest::addColumn<QList<int>>("limits");
        QTest::newRow("events come") << 100 << "++++++" << QList<int>{30, 30, 30, 30, 30, 30};
        QTest::newRow("one runs out") << 100 << "+-++-+" << QList<int>{30, 30, 30, 30, 30, 30};
        QTest::newRow("all run out") << 100 << "------" << QList<int>{30, 30, 30, 10, 5, 5};
        QTest::newRow("spent exactly") << 90 << "-----" << QList<int>{30, 30, 30, 5, 5};
        QTest::newRow("events after it is spent") << 60 << "--+-+" << QList<int>{30, 30, 5, 5, 5};
        QTest::newRow("less than the short wait left") << 62 << "----" << QList<int>{30, 30, 5, 5};
    }
    void failedWaitsShareTheBudget()
    {
        QFETCH(int, budget);
        QFETCH(QString, outcomes);
        QList<int> limits;
        eventwait::Budget waits(30, budget, 5, [&limits](const std::function<bool()> &ready, int ms) {
            limits << ms;
            return ready();
        });
        for (const QChar outcome : outcomes)
            QCOMPARE(waits.wait([outcome] { return outcome == QLatin1Char('+'); }), outcome == QLatin1Char('+'));
        QTEST(limits, "limits");
    }

    // Against the event loop: an event that comes is taken, one that does
    // not is reported with the time it was given and, once the budget is
    // spent, why that was short.
    void waitsOnTheEventLoop()
    {
        eventwait::Budget waits(50, 50, 10);
        bool came = false;
        QTimer::singleShot(0, this, [&came] { came = true; });
        QVERIFY(waits.wait([&came] { return came; }));
        QCOMPARE(waits.nextLimit(), 50);

        QVERIFY(!waits.wait([] { return false; }));
        QCOMPARE(QByteArray(waits.note("after the upload")), QByteArray("after the upload; no event within 50 ms"));
        QVERIFY(!waits.wait([] { return false; }));
        QCOMPARE(QByteArray(waits.note()),
                 QByteArray("no event within 10 ms (the waits that ran out before had spent the program's 50 ms)"));
    }
};

QTEST_GUILESS_MAIN(tst_EventWait)
#include "tst_eventwait.moc"

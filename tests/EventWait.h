#pragma once

#include <QByteArray>
#include <QTest>

#include <algorithm>
#include <functional>
#include <utility>

// How long a test waits for an event before it reports that the event did
// not come. An event that comes at once on a quiet machine can take many
// seconds in the sanitizer build on a machine loaded far beyond its cores,
// so a wait gives it 30 seconds. A program whose every wait runs out (its
// stand-in server broken, say) must still report each of its functions
// before ctest's limit of 300 seconds: the waits of one program that run
// out share a budget of 120 seconds, and once that is spent each later wait
// gives its event one second only. A run whose events all come never
// touches the budget, so a slow machine still waits the full limit.
namespace eventwait {
constexpr int limitMs = 30000;
constexpr int budgetMs = 4 * limitMs;
constexpr int spentLimitMs = 1000;

class Budget
{
public:
    // Waits up to `ms` for `ready`, true when it came (tests of the budget
    // put their own in).
    using Waiter = std::function<bool(const std::function<bool()> &ready, int ms)>;

    explicit Budget(int limit = limitMs, int budget = budgetMs, int spentLimit = spentLimitMs, Waiter waiter = {})
        : m_limit(limit)
        , m_budget(budget)
        , m_spentLimit(std::min(spentLimit, limit))
        , m_waiter(std::move(waiter))
    {
    }

    // How long the next wait may last.
    int nextLimit() const { return std::clamp(m_budget - m_spent, m_spentLimit, m_limit); }

    // Waits for `ready` as long as the budget allows; false when it did not
    // come, and then note() says how long it was given.
    bool wait(const std::function<bool()> &ready)
    {
        const int ms = nextLimit();
        if (m_waiter ? m_waiter(ready, ms) : QTest::qWaitFor(ready, ms))
            return true;
        m_spent += ms;
        m_note = QByteArray("no event within ") + QByteArray::number(ms) + " ms";
        if (ms < m_limit)
            m_note += " (the waits that ran out before had spent the program's " + QByteArray::number(m_budget)
                      + " ms)";
        return false;
    }

    // Why the last wait gave up, after `message` when there is one.
    const char *note(const char *message = nullptr)
    {
        m_message = message && *message ? QByteArray(message) + "; " + m_note : m_note;
        return m_message.constData();
    }

private:
    int m_limit;
    int m_budget;
    int m_spentLimit;
    Waiter m_waiter;
    int m_spent = 0;
    QByteArray m_note;
    QByteArray m_message;
};

// The one budget of the test program.
inline Budget &program()
{
    static Budget budget;
    return budget;
}
} // namespace eventwait

// QTRY_VERIFY, QTRY_VERIFY2 and QTRY_COMPARE with that limit and budget,
// reporting when they run out: Qt's own wait twice as long again before
// they fail.
#define WAIT_VERIFY2(expr, message) \
    do { \
        const bool eventCame_ = eventwait::program().wait([&]() -> bool { return (expr); }); \
        if (!QTest::qVerify(eventCame_, #expr, eventCame_ ? "" : eventwait::program().note(message), __FILE__, \
                            __LINE__)) \
            return; \
    } while (false)
#define WAIT_VERIFY(expr) WAIT_VERIFY2(expr, nullptr)
#define WAIT_COMPARE(actual, expected) \
    do { \
        if (!eventwait::program().wait([&]() -> bool { return (actual) == (expected); })) \
            qInfo("%s", eventwait::program().note()); \
        QCOMPARE(actual, expected); \
    } while (false)

#pragma once

#include <QTest>

// How long a test waits for an event before it reports that the event did
// not come. An event that comes at once on a quiet machine can take many
// seconds in the sanitizer build on a machine loaded far beyond its cores;
// a test that never gets it still reports well before ctest's limit of
// 300 seconds.
namespace eventwait {
constexpr int limitMs = 30000;
} // namespace eventwait

// QTRY_VERIFY, QTRY_VERIFY2 and QTRY_COMPARE with that limit, but reporting
// when it runs out: Qt's own wait twice as long again before they fail.
#define WAIT_VERIFY(expr) QVERIFY(QTest::qWaitFor([&]() -> bool { return (expr); }, eventwait::limitMs))
#define WAIT_VERIFY2(expr, message) \
    QVERIFY2(QTest::qWaitFor([&]() -> bool { return (expr); }, eventwait::limitMs), message)
#define WAIT_COMPARE(actual, expected) \
    do { \
        (void)QTest::qWaitFor([&]() -> bool { return (actual) == (expected); }, eventwait::limitMs); \
        QCOMPARE(actual, expected); \
    } while (false)

#pragma once

// How long a test waits for an event before it reports that the event did
// not come. An event that comes at once on a quiet machine can take many
// seconds in the sanitizer build on a machine loaded far beyond its cores;
// a test that never gets it still reports well before ctest's limit of
// 300 seconds.
namespace eventwait {
constexpr int limitMs = 30000;
} // namespace eventwait

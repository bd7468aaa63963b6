#pragma once

// The station's version, as its window, the competition's info file and
// every class JSON document give it. The number itself is the project's
// version in the top CMakeLists.txt.
inline constexpr char ProgramVersion[] = ZEP_PROGRAM_VERSION;

#pragma once

#include <QString>

namespace paths {

// Whether `part` may stand in a file name of the output directory as it is:
// ASCII letters, digits, "-", "_" and single inner dots only. Text from the
// database that fails this must not become a path, since a "/" or ".." in
// it would lead out of the directory.
bool isSafeFileNamePart(const QString &part);

} // namespace paths

#pragma once

#include <QString>

namespace paths {

// Joins a directory or base address and a name with exactly one "/" between
// them, whatever slashes either side already carries.
QString join(const QString &base, const QString &name);

// The address of the built-in HTTP server on this computer; the default of
// the display client's base address.
QString localServerAddress();

// Whether `part` may stand in a file name of the output directory as it is:
// ASCII letters, digits, "-", "_" and single inner dots only. Text from the
// database that fails this must not become a path, since a "/" or ".." in
// it would lead out of the directory.
bool isSafeFileNamePart(const QString &part);

} // namespace paths

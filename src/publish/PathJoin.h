#pragma once

#include <QString>

namespace paths {

// Joins a directory or base address and a name with exactly one "/" between
// them, whatever slashes either side already carries.
QString join(const QString &base, const QString &name);

// The address of the built-in HTTP server on this computer; the default of
// the display client's base address.
QString localServerAddress();


} // namespace paths

// Small helpers shared by the test executables.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace testenv {

// Empties the console's settings store, which lives in the private settings
// home (XDG_CONFIG_HOME, set per test by CTest; a temporary folder when the
// test runs by hand), so each case starts fresh.
void clearSettingsStore();

// A folder for media generated at run time; created on first use.
QString dataDir();

// Hex dump "FF AA 0D 0A" of the first n bytes, for readable failures.
QString hex(const std::vector<std::uint8_t> &bytes, std::size_t n = 32);

} // namespace testenv

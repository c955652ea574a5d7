// Numbers and times written in scripts and on the command line.
#ifndef VISTREL_CLI_DURATION_H
#define VISTREL_CLI_DURATION_H

#include <QString>

#include <chrono>
#include <optional>

namespace vistrel::cli {

// The longest wait or play a script may ask for: a day.
constexpr double kMaxSeconds = 24 * 60 * 60;

// Digits with an optional fraction: "2", "0.5". No sign, exponent or unit.
std::optional<double> plainDecimal(const QString &text);

// A plain decimal number of seconds, 0 to a day: "2", "0.5". No sign,
// exponent or unit.
std::optional<double> parseSeconds(const QString &text);

// A decimal number and its unit, up to a day: "500ms", "2s", "1.5s".
// Rounded to whole milliseconds.
std::optional<std::chrono::milliseconds> parseDuration(const QString &text);

// How long an aging run (--for) repeats its script: a decimal number and
// its unit, ms, s, m or h ("90s", "8h", "1.5h"), above zero and at most 30
// days. Rounded to whole milliseconds.
std::optional<std::chrono::milliseconds> parseRunLength(const QString &text);

} // namespace vistrel::cli

#endif

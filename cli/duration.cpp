#include "duration.h"

#include <QMap>
#include <QRegularExpression>

#include <cmath>

namespace vistrel::cli {

std::optional<double> plainDecimal(const QString &text)
{
    // toDouble alone would take "1e3", "inf" or "-0".
    static const QRegularExpression decimal(QStringLiteral("^[0-9]+(\\.[0-9]+)?$"));
    if (!decimal.match(text).hasMatch())
        return std::nullopt;
    return text.toDouble();
}

std::optional<double> parseSeconds(const QString &text)
{
    const std::optional<double> seconds = plainDecimal(text);
    if (!seconds || *seconds > kMaxSeconds)
        return std::nullopt;
    return seconds;
}

std::optional<std::chrono::milliseconds> parseDuration(const QString &text)
{
    const bool millis = text.endsWith(QLatin1String("ms"));
    if (!millis && !text.endsWith(QLatin1Char('s')))
        return std::nullopt;
    const std::optional<double> number = plainDecimal(text.chopped(millis ? 2 : 1));
    if (!number)
        return std::nullopt;
    const double ms = millis ? *number : *number * 1000.0;
    if (ms > kMaxSeconds * 1000.0)
        return std::nullopt;
    return std::chrono::milliseconds(std::llround(ms));
}

std::optional<std::chrono::milliseconds> parseRunLength(const QString &text)
{
    static const QRegularExpression lengthWithUnit(QStringLiteral("^([0-9.]+)(ms|s|m|h)$"));
    const QRegularExpressionMatch match = lengthWithUnit.match(text);
    const std::optional<double> number = match.hasMatch() ? plainDecimal(match.captured(1)) : std::nullopt;
    if (!number)
        return std::nullopt;
    static const QMap<QString, double> unitMs{{QStringLiteral("ms"), 1.0}, {QStringLiteral("s"), 1e3},
                                              {QStringLiteral("m"), 60e3}, {QStringLiteral("h"), 3600e3}};
    const double ms = *number * unitMs.value(match.captured(2));
    if (ms < 1 || ms > 30 * 24 * 3600e3)
        return std::nullopt;
    return std::chrono::milliseconds(std::llround(ms));
}

} // namespace vistrel::cli

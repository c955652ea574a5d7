#include "field_texts.h"

#include "packets.h"

#include <QRegularExpression>
#include <QRegularExpressionValidator>

#include <limits>

namespace vistrel::session {

namespace {

// Optional minus, then "10" or one digit with an optional fraction. No plus
// sign and no leading point.
const char *const kTenVoltPattern = "^(-?(10|[0-9](\\.[0-9]*)?))$";
// Optional minus, then "20" or up to two digits (the first of two being 0 or
// 1) with an optional fraction.
const char *const kTwentyVoltPattern = "^-?(20|([0-1]?[0-9](\\.[0-9]*)?))$";

// The text as a whole number (sign and surrounding blanks allowed), saturated
// to the range of long long; nothing when it is empty, a lone sign, a
// fraction or not a number.
std::optional<long long> wholeNumber(const QString &text)
{
    const QString trimmed = text.trimmed();
    const int firstDigit = trimmed.startsWith(QLatin1Char('-')) || trimmed.startsWith(QLatin1Char('+')) ? 1 : 0;
    if (trimmed.size() <= firstDigit)
        return std::nullopt;
    for (int i = firstDigit; i < trimmed.size(); ++i) {
        const QChar c = trimmed.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    bool ok = false;
    const long long value = trimmed.toLongLong(&ok);
    if (ok)
        return value;
    return trimmed.startsWith(QLatin1Char('-')) ? std::numeric_limits<long long>::min()
                                                : std::numeric_limits<long long>::max();
}

double volts(const QString &text)
{
    return text.toDouble();  // 0.0 for anything that is not a number
}

} // namespace

QString fieldPattern(FieldRule rule)
{
    return QString::fromLatin1(rule == FieldRule::TwentyVolts ? kTwentyVoltPattern : kTenVoltPattern);
}

static QValidator::State validatorState(FieldRule rule, const QString &text)
{
    static const QRegularExpressionValidator ten(QRegularExpression(fieldPattern(FieldRule::TenVolts)));
    static const QRegularExpressionValidator twenty(QRegularExpression(fieldPattern(FieldRule::TwentyVolts)));
    QString copy = text;
    int position = copy.size();
    return (rule == FieldRule::TwentyVolts ? twenty : ten).validate(copy, position);
}

bool fieldAccepts(FieldRule rule, const QString &text)
{
    return rule == FieldRule::FrameRate || validatorState(rule, text) != QValidator::Invalid;
}

bool isCompleteValue(FieldRule rule, const QString &text)
{
    if (rule != FieldRule::FrameRate)
        return validatorState(rule, text) == QValidator::Acceptable;
    const std::optional<long long> number = wholeNumber(text);
    return number && *number >= kMinFps && *number <= kMaxFps;
}

bool requiredFieldsFilled(const FieldTexts &t)
{
    for (const QString *text : {&t.vl, &t.vh, &t.vss, &t.vdd, &t.voff, &t.fps, &t.von}) {
        if (text->isEmpty())
            return false;
    }
    return true;
}

std::vector<double> driveValues(const FieldTexts &t)
{
    using namespace protocol;
    std::vector<double> values(kDriveValueCount, 0.0);
    values[DriveVl0] = volts(t.vl);
    values[DriveVh0] = volts(t.vh);
    // All three gray tables come from the same two fields.
    values[DriveVl1] = values[DriveVl2] = values[DriveVl0];
    values[DriveVh1] = values[DriveVh2] = values[DriveVh0];
    values[DriveVss] = volts(t.vss);
    values[DriveVdd] = volts(t.vdd);
    values[DriveVoff] = values[DriveVoffCopy] = volts(t.voff);
    values[DriveVon] = values[DriveVonCopy] = volts(t.von);
    values[DriveVbias] = volts(t.vbias);
    return values;
}

std::optional<FrameRateText> frameRateFromText(const QString &text)
{
    const std::optional<long long> number = wholeNumber(text);
    if (!number)
        return std::nullopt;
    if (*number < kMinFps)
        return FrameRateText{kMinFps, QString::number(kMinFps)};
    if (*number > kMaxFps)
        return FrameRateText{kMaxFps, QString::number(kMaxFps)};
    return FrameRateText{static_cast<int>(*number), std::nullopt};
}

} // namespace vistrel::session

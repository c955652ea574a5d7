// The texts of the eight value fields, the rules each field's input follows,
// and what Set makes of them. Shared by the window, the settings store and
// the command line, so all three accept exactly the same texts.
#ifndef VISTREL_SESSION_FIELD_TEXTS_H
#define VISTREL_SESSION_FIELD_TEXTS_H

#include <QString>

#include <optional>
#include <vector>

namespace vistrel::session {

struct FieldTexts {
    QString vdd, vss, von, voff, vh, vl, vbias, fps;
};

enum class FieldRule {
    TenVolts,     // Vdd, Vss, Vh, Vl, Vbias: -10 to 10
    TwentyVolts,  // Von, Voff: -20 to 20
    FrameRate,    // FPS: a whole number (out-of-range ones are corrected)
};

// The regular expression the window's validators use for a voltage rule.
QString fieldPattern(FieldRule rule);

// A text the field lets the user type: for voltages, one its validator
// does not refuse (a value, or the start of one such as "-"); the frame-rate
// field takes any text and its change handler decides what it means.
bool fieldAccepts(FieldRule rule, const QString &text);

// A whole value within the field's range: "-9.5" for ten volts, "12" for the
// frame rate (1 to 60); "-", "" or "1e3" are not.
bool isCompleteValue(FieldRule rule, const QString &text);

// Set needs every field but Vbias (hidden; empty means 0 V).
bool requiredFieldsFilled(const FieldTexts &texts);

// The thirteen drive values in packet order; text that is no number reads as 0.
std::vector<double> driveValues(const FieldTexts &texts);

// The frame rate a field text asks for: whole numbers are clamped to 1..60,
// and `corrected` holds the text the field must show instead when clamped.
// Nothing for text that is not (yet) a whole number.
struct FrameRateText {
    int fps = 0;
    std::optional<QString> corrected;
};
std::optional<FrameRateText> frameRateFromText(const QString &text);

constexpr int kMinFps = 1;
constexpr int kMaxFps = 60;

} // namespace vistrel::session

#endif

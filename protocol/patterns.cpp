#include "patterns.h"

#include "display_frame.h"

#include <algorithm>
#include <cctype>
#include <functional>

namespace vistrel::protocol {

namespace {

constexpr int kW = kPanelWidth;
constexpr int kH = kPanelHeight;

const PatternValue kLevel{"N", 0, 255, std::nullopt};

std::string lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    return text;
}

// floor(255 k / d + 1/2), in integers so no rounding error can creep in.
int rounded255(int k, int d)
{
    return (2 * 255 * k + d) / (2 * d);
}

std::string range(const PatternValue &value)
{
    return std::to_string(value.min) + ".." + std::to_string(value.max);
}

std::string usage(const PatternSpec &spec)
{
    std::string text = spec.name;
    for (const PatternValue &value : spec.values)
        text += value.fallback ? " [" + std::string(value.name) + "]" : " " + std::string(value.name);
    return text;
}

std::string namesList()
{
    std::string names;
    for (const PatternSpec &spec : patternSpecs())
        names += (names.empty() ? "" : ", ") + std::string(spec.name);
    return names;
}

PatternCheck failed(PatternError error, std::string message)
{
    PatternCheck check;
    check.error = error;
    check.message = std::move(message);
    return check;
}

using Level = std::function<int(int r, int c)>;

Level levelFunction(const std::string &name, const std::vector<int> &v)
{
    if (name == "gray")
        return [n = v[0]](int, int) { return n; };
    if (name == "hramp")
        return [](int, int c) { return rounded255(c, kW - 1); };
    if (name == "vramp")
        return [](int r, int) { return rounded255(r, kH - 1); };
    if (name == "hsteps")
        return [n = v[0]](int, int c) { return rounded255(c * n / kW, n - 1); };
    if (name == "vsteps")
        return [n = v[0]](int r, int) { return rounded255(r * n / kH, n - 1); };
    if (name == "squares")
        return [s = v[0], a = v[1], b = v[2]](int r, int c) { return (r / s + c / s) % 2 == 0 ? a : b; };
    if (name == "grid")
        return [s = v[0]](int r, int c) {
            return (r % s == 0 || c % s == 0 || r == kH - 1 || c == kW - 1) ? 255 : 0;
        };
    if (name == "border")
        return [w = v[0]](int r, int c) {
            return (r < w || r > kH - 1 - w || c < w || c > kW - 1 - w) ? 255 : 0;
        };
    // box
    return [a = v[0], b = v[1]](int r, int c) { return (c >= 45 && c < 135 && r >= 25 && r < 75) ? a : b; };
}

} // namespace

const std::vector<PatternSpec> &patternSpecs()
{
    static const std::vector<PatternSpec> specs{
        {"all-on", {}},
        {"checker", {}},
        {"gray", {kLevel}},
        {"hramp", {}},
        {"vramp", {}},
        {"hsteps", {{"N", 2, kW, std::nullopt}}},
        {"vsteps", {{"N", 2, kH, std::nullopt}}},
        {"squares", {{"S", 1, 100, std::nullopt}, {"A", 0, 255, 255}, {"B", 0, 255, 0}}},
        {"grid", {{"S", 2, 100, std::nullopt}}},
        {"border", {{"W", 1, 50, std::nullopt}}},
        {"box", {{"A", 0, 255, std::nullopt}, {"B", 0, 255, std::nullopt}}},
    };
    return specs;
}

const PatternSpec *findPatternSpec(const std::string &name)
{
    const std::string key = lowered(name);
    for (const PatternSpec &spec : patternSpecs()) {
        if (key == spec.name)
            return &spec;
    }
    return nullptr;
}

PatternCheck checkPattern(const std::string &name, const std::vector<long long> &values)
{
    const PatternSpec *spec = findPatternSpec(name);
    if (!spec)
        return failed(PatternError::UnknownName, "unknown pattern \"" + name + "\" (" + namesList() + ")");
    if (values.size() > spec->values.size())
        return failed(PatternError::ExtraValue, "too many values: pattern " + usage(*spec));
    PatternCheck check;
    check.request.name = spec->name;
    for (std::size_t i = 0; i < spec->values.size(); ++i) {
        const PatternValue &allowed = spec->values[i];
        if (i >= values.size()) {
            if (!allowed.fallback)
                return failed(PatternError::MissingValue, "missing " + std::string(allowed.name) + ": pattern " + usage(*spec));
            check.request.values.push_back(*allowed.fallback);
            continue;
        }
        if (values[i] < allowed.min || values[i] > allowed.max)
            return failed(PatternError::OutOfRange, "pattern " + std::string(spec->name) + ": " + allowed.name + " " +
                                                        std::to_string(values[i]) + " is not in " + range(allowed));
        check.request.values.push_back(static_cast<int>(values[i]));
    }
    return check;
}

std::string patternText(const PatternRequest &request)
{
    std::string text = request.name;
    for (int value : request.values)
        text += " " + std::to_string(value);
    return text;
}

bool isSeedPattern(const PatternRequest &request)
{
    return request.name == "all-on" || request.name == "checker";
}

Bytes patternImage(const PatternRequest &request)
{
    Bytes image(kSlotCount);
    if (isSeedPattern(request)) {
        const Bytes frame = patternFrame(request);
        for (std::size_t slot = 0; slot < kSlotCount; ++slot)
            image[slot] = frame[2 + 2 * slot + 1];
        return image;
    }
    const Level level = levelFunction(request.name, request.values);
    for (int r = 0; r < kH; ++r) {
        for (int c = 0; c < kW; ++c)
            image[static_cast<std::size_t>(kW * r + c)] = static_cast<std::uint8_t>(level(r, c));
    }
    return image;
}

Bytes patternFrame(const PatternRequest &request)
{
    if (request.name == "all-on")
        return buildAllOnFrame();
    if (request.name == "checker")
        return buildCheckerFrame();
    const Bytes image = patternImage(request);
    return buildGrayFrame(image.data(), kW, kH, kW, kFrameModeStill);
}

} // namespace vistrel::protocol

// The test patterns: a name and its values, checked, turned into a 180 x 100
// image of 8-bit gray levels and into the display frame that carries it.
// all-on and checker are the console's first two patterns and keep their
// own frames; the others are generated and go out like a still picture.
#ifndef VISTREL_PROTOCOL_PATTERNS_H
#define VISTREL_PROTOCOL_PATTERNS_H

#include "packets.h"

#include <optional>
#include <string>
#include <vector>

namespace vistrel::protocol {

// One value a pattern takes, with its range; optional ones have a default.
struct PatternValue {
    const char *name;
    int min;
    int max;
    std::optional<int> fallback;
};

struct PatternSpec {
    const char *name;  // canonical, lower case
    std::vector<PatternValue> values;
};

// Every pattern, all-on and checker first.
const std::vector<PatternSpec> &patternSpecs();
const PatternSpec *findPatternSpec(const std::string &name);  // case-insensitive

// A checked pattern: its canonical name and every value, defaults filled in.
struct PatternRequest {
    std::string name;
    std::vector<int> values;
    bool operator==(const PatternRequest &other) const
    {
        return name == other.name && values == other.values;
    }
    bool operator!=(const PatternRequest &other) const { return !(*this == other); }
};

enum class PatternError { None, UnknownName, MissingValue, ExtraValue, OutOfRange };

struct PatternCheck {
    PatternError error = PatternError::None;
    std::string message;      // empty when error is None
    PatternRequest request;   // valid when error is None
    bool ok() const { return error == PatternError::None; }
};

PatternCheck checkPattern(const std::string &name, const std::vector<long long> &values);

// "squares 4 255 0": the request as a command would name it.
std::string patternText(const PatternRequest &request);

// The first two patterns, whose frames do not follow the image raster.
bool isSeedPattern(const PatternRequest &request);

// L(r, c) at index 180 r + c, 18000 bytes; a seed pattern's image is read
// back from its frame. Expects a checked request.
Bytes patternImage(const PatternRequest &request);

// The 36004-byte still frame the panel receives for the pattern.
Bytes patternFrame(const PatternRequest &request);

} // namespace vistrel::protocol

#endif

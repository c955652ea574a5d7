// The generated patterns as the pattern table writes them, in floating
// point and rounded half up, for tests that check frames byte for byte
// without asking the code under test. Header only.
#pragma once

#include <QString>
#include <QVector>

#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

namespace patterntable {

using Bytes = std::vector<std::uint8_t>;
using Level = std::function<int(int r, int c)>;

inline int roundedHalfUp(double x) { return static_cast<int>(std::floor(x + 0.5)); }

// L(r, c) as the pattern table writes it.
inline Level tableLevel(const QString &name, const QVector<int> &v)
{
    if (name == "gray")
        return [=](int, int) { return v[0]; };
    if (name == "hramp")
        return [](int, int c) { return roundedHalfUp(255.0 * c / 179); };
    if (name == "vramp")
        return [](int r, int) { return roundedHalfUp(255.0 * r / 99); };
    if (name == "hsteps")
        return [=](int, int c) { return roundedHalfUp(255.0 * std::floor(c * v[0] / 180.0) / (v[0] - 1)); };
    if (name == "vsteps")
        return [=](int r, int) { return roundedHalfUp(255.0 * std::floor(r * v[0] / 100.0) / (v[0] - 1)); };
    if (name == "squares")
        return [=](int r, int c) {
            const int a = v.size() > 1 ? v[1] : 255;
            const int b = v.size() > 2 ? v[2] : 0;
            return int(std::floor(double(r) / v[0]) + std::floor(double(c) / v[0])) % 2 == 0 ? a : b;
        };
    if (name == "grid")
        return [=](int r, int c) { return r % v[0] == 0 || c % v[0] == 0 || r == 99 || c == 179 ? 255 : 0; };
    if (name == "border")
        return [=](int r, int c) { return r < v[0] || r > 99 - v[0] || c < v[0] || c > 179 - v[0] ? 255 : 0; };
    if (name == "box")
        return [=](int r, int c) { return 45 <= c && c < 135 && 25 <= r && r < 75 ? v[0] : v[1]; };
    return {};
}

// FF 04, then pixel (r, c) in slot 180 r + c as 00 L, then CR LF.
inline Bytes tableFrame(const Level &level)
{
    Bytes frame{0xFF, 0x04};
    for (int r = 0; r < 100; ++r)
        for (int c = 0; c < 180; ++c)
            frame.insert(frame.end(), {0x00, static_cast<std::uint8_t>(level(r, c))});
    frame.insert(frame.end(), {0x0D, 0x0A});
    return frame;
}

} // namespace patterntable

// Shared by the display tests (header only): a main window on the virtual
// panel, media made at run time, expected frames, and a reader for the wire.
#pragma once

#include "stream_decoder.h"
#include "test_environment.h"
#include "virtual_bridge.h"
#include "window_access.h"
#include <QtTest>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/videoio.hpp>
#include <cmath>
#include <functional>
#include <memory>

namespace displaytest {

using Bytes = std::vector<std::uint8_t>;
using vistrel::virt::Testbed;
constexpr const char *kSerial = "VPANEL01";
const Bytes kStartWord{0xFF, 0xAA, 0x0D, 0x0A};
const Bytes kStopWord{0xFF, 0xFD, 0x0D, 0x0A};
const QStringList kLockedWhileShowing{"sendButton", "pushButton_brightness", "pushButton_chessboard"};

inline Bytes wire() { return Testbed::instance().captured(kSerial); }
inline QPushButton *button(Vistrel &window, const QString &name) { return window.findChild<QPushButton *>(name); }

// A new window on a fresh bridge, the panel opened by its button, that traffic forgotten.
inline void openWindowOnPanel(std::unique_ptr<Vistrel> &window)
{
    window.reset();
    testenv::clearSettingsStore();
    Testbed::instance().reset();
    window = std::make_unique<Vistrel>();
    button(*window, "openButton")->click();
    Testbed::instance().clearCaptured(kSerial);
}

// Clicks a file button; the dialog answers with path (empty: cancelled).
inline void choose(Vistrel &window, const char *fileButton, const QString &path)
{
    VistrelInspector::setOpenFileDialog([path](QWidget *, const QString &, const QString &, const QString &) { return path; });
    button(window, fileButton)->click();
}

inline void verifyButtons(Vistrel &window, const QStringList &names, bool enabled)
{
    const QString style = enabled ? VistrelInspector::enabledButtonStyle(window)
                                  : VistrelInspector::disabledButtonStyle(window);
    QVERIFY(!style.isEmpty());
    for (const QString &name : names)
        QVERIFY2(button(window, name)->isEnabled() == enabled && button(window, name)->styleSheet() == style, qPrintable(name));
}

inline Bytes operator+(Bytes a, const Bytes &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// FF, the mode byte, 18000 two-byte slots as slot(i) gives them, 0D 0A.
inline Bytes panelFrame(std::uint8_t mode, const std::function<std::uint16_t(int)> &slot)
{
    Bytes frame{0xFF, mode};
    for (int i = 0; i < 18000; ++i)
        frame.insert(frame.end(), {std::uint8_t(slot(i) >> 8), std::uint8_t(slot(i) & 0xFF)});
    return frame + Bytes{0x0D, 0x0A};
}

// A ramp video: frame i is flat gray 16 + 10 i, told apart after lossy coding (shifts up to 3).
inline QString rampVideo(const QString &name, int frames)
{
    const QString path = testenv::dataDir() + "/" + name;
    cv::VideoWriter writer(path.toStdString(), cv::CAP_FFMPEG, cv::VideoWriter::fourcc('m', 'p', '4', 'v'), 30, {64, 36});
    for (int i = 0; i < frames && writer.isOpened(); ++i)
        writer.write(cv::Mat(36, 64, CV_8UC3, cv::Scalar::all(16 + 10 * i)));
    return writer.isOpened() ? path : QString();
}

// The wire in words: "A" start, "D" stop, "O" link word, a frame as its ramp number or "?".
inline QStringList packets()
{
    using vistrel::protocol::DecodedPacket;
    QStringList words;
    const Bytes bytes = wire();
    for (const DecodedPacket &packet : vistrel::protocol::StreamDecoder().feed(bytes.data(), bytes.size())) {
        const bool frame = packet.kind == DecodedPacket::Frame;
        const int gray = frame ? packet.frame.gray(9000) : 0, index = int(std::lround((gray - 16) / 10.0));
        words << (!frame ? QString("ADOds"[packet.kind])  // in the order of DecodedPacket::Kind
                         : std::abs(gray - 16 - 10 * index) <= 4 ? QString::number(index) : "?");
    }
    return words;
}

// count frames of an n-frame ramp played in a loop: "0", "1", ..., "n-1", "0", ...
inline QStringList ramp(int count, int n)
{
    QStringList frames;
    for (int i = 0; i < count; ++i)
        frames << QString::number(i % n);
    return frames;
}

} // namespace displaytest

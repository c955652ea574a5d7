// Media made at run time and a reader for the virtual bridge's wire, for
// tests with or without a window. Header only.
#pragma once

#include "stream_decoder.h"
#include "test_environment.h"
#include "virtual_bridge.h"
#include <QStringList>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/videoio.hpp>
#include <cmath>

namespace displaytest {

using Bytes = std::vector<std::uint8_t>;
using vistrel::virt::Testbed;
constexpr const char *kSerial = "VPANEL01";

inline Bytes wire() { return Testbed::instance().captured(kSerial); }

// A ramp video: frame i is flat gray 16 + 10 i, told apart after lossy coding (shifts up to 3).
inline QString rampVideo(const QString &name, int frames)
{
    const QString path = testenv::dataDir() + "/" + name;
    cv::VideoWriter writer(path.toStdString(), cv::CAP_FFMPEG, cv::VideoWriter::fourcc('m', 'p', '4', 'v'), 30, {64, 36});
    for (int i = 0; i < frames && writer.isOpened(); ++i)
        writer.write(cv::Mat(36, 64, CV_8UC3, cv::Scalar::all(16 + 10 * i)));
    return writer.isOpened() ? path : QString();
}

// A ramp frame's number from its gray, "?" when it is none.
inline QString rampWord(int gray)
{
    const int index = int(std::lround((gray - 16) / 10.0));
    return std::abs(gray - 16 - 10 * index) <= 4 ? QString::number(index) : "?";
}

// The wire in words: "A" start, "D" stop, "O" link word, a frame as its ramp number or "?".
inline QStringList packets()
{
    using vistrel::protocol::DecodedPacket;
    QStringList words;
    const Bytes bytes = wire();
    for (const DecodedPacket &packet : vistrel::protocol::StreamDecoder().feed(bytes.data(), bytes.size()))
        words << (packet.kind == DecodedPacket::Frame ? rampWord(packet.frame.gray(9000)) : QString("ADOST"[packet.kind]));
    return words;
}

// One letter a packet: A start word, D stop word, O open/close word, S settings,
// T scan timing, F display frame; a "?" after bytes that make no packet.
inline QString letters(const Bytes &bytes = wire())
{
    vistrel::protocol::StreamDecoder decoder;
    std::vector<vistrel::protocol::DecodedPacket> decoded = decoder.feed(bytes.data(), bytes.size());
    for (const auto &packet : decoder.finish())
        decoded.push_back(packet);
    QString out;
    for (const auto &packet : decoded)
        out += QLatin1Char("ADOSTF"[packet.kind]);
    return decoder.protocolErrors() ? out + "?" : out;
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

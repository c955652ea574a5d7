// Media made at test run time for the display tests (gray-ramp videos, flat
// and quadrant pictures), and readers for what reached the virtual bridge.
// Header only: include it from tests that link OpenCV and the virtual bridge.
#ifndef VISTREL_TESTS_DISPLAY_MEDIA_H
#define VISTREL_TESTS_DISPLAY_MEDIA_H

#include "stream_decoder.h"
#include "virtual_bridge.h"

#include <QString>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/videoio.hpp>

#include <chrono>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

namespace displaytest {

constexpr const char *kSerial = "VPANEL01";

// Gray level of frame i of a ramp video: far enough apart that lossy
// coding cannot make two frames look alike.
inline int rampLevel(int frame) { return 16 + 6 * frame; }

inline cv::Mat flatImage(cv::Size size, int gray)
{
    return cv::Mat(size, CV_8UC3, cv::Scalar(gray, gray, gray));
}

// Four gray quadrants: top-left, top-right, bottom-left, bottom-right.
inline cv::Mat quadrantImage(cv::Size size, const int (&levels)[4])
{
    cv::Mat image(size, CV_8UC3);
    const int halfW = size.width / 2;
    const int halfH = size.height / 2;
    image(cv::Rect(0, 0, halfW, halfH)).setTo(cv::Scalar::all(levels[0]));
    image(cv::Rect(halfW, 0, size.width - halfW, halfH)).setTo(cv::Scalar::all(levels[1]));
    image(cv::Rect(0, halfH, halfW, size.height - halfH)).setTo(cv::Scalar::all(levels[2]));
    image(cv::Rect(halfW, halfH, size.width - halfW, size.height - halfH)).setTo(cv::Scalar::all(levels[3]));
    return image;
}

inline bool writeJpeg(const QString &path, const cv::Mat &image)
{
    return cv::imwrite(path.toLocal8Bit().toStdString(), image);
}

// Frame i is flat gray at rampLevel(i). H.264 where available, else MPEG-4.
inline bool writeRampVideo(const QString &path, int frames, cv::Size size = {64, 36}, double fps = 30)
{
    for (int fourcc : {cv::VideoWriter::fourcc('a', 'v', 'c', '1'), cv::VideoWriter::fourcc('m', 'p', '4', 'v')}) {
        cv::VideoWriter writer(path.toUtf8().toStdString(), cv::CAP_FFMPEG, fourcc, fps, size, true);
        if (!writer.isOpened())
            continue;
        for (int i = 0; i < frames; ++i)
            writer.write(flatImage(size, rampLevel(i)));
        return true;
    }
    return false;
}

// Gray level of every frame of a video as OpenCV decodes it (the centre
// pixel of each flat frame): lossy coding shifts the levels a little, so
// frames on the wire are matched against these.
inline std::vector<int> decodedLevels(const QString &path)
{
    std::vector<int> levels;
    cv::VideoCapture capture(path.toUtf8().toStdString(), cv::CAP_FFMPEG);
    cv::Mat frame;
    while (capture.read(frame) && !frame.empty())
        levels.push_back(frame.at<cv::Vec3b>(frame.rows / 2, frame.cols / 2)[1]);
    return levels;
}

// Index of the level within one of `levels`, or -1.
inline int levelIndex(int level, const std::vector<int> &levels)
{
    for (std::size_t i = 0; i < levels.size(); ++i) {
        if (std::abs(level - levels[i]) <= 1)
            return static_cast<int>(i);
    }
    return -1;
}

inline std::vector<vistrel::protocol::DecodedPacket> decodeWire(const std::vector<std::uint8_t> &bytes)
{
    vistrel::protocol::StreamDecoder decoder;
    return decoder.feed(bytes.data(), bytes.size());
}

inline std::vector<std::uint8_t> wire() { return vistrel::virt::Testbed::instance().captured(kSerial); }

// The index in `levels` of every frame on the wire (-1 for a frame that
// matches none), and the control words as 'A' (start) and 'D' (stop) in a string
// that also marks each frame with 'F', e.g. "AFFFD".
struct WireSummary {
    std::vector<int> frames;
    std::string shape;
};

inline WireSummary summarize(const std::vector<std::uint8_t> &bytes, const std::vector<int> &levels)
{
    using vistrel::protocol::DecodedPacket;
    WireSummary summary;
    for (const DecodedPacket &packet : decodeWire(bytes)) {
        switch (packet.kind) {
        case DecodedPacket::DisplayStart: summary.shape += 'A'; break;
        case DecodedPacket::DisplayStop: summary.shape += 'D'; break;
        case DecodedPacket::OpenClose: summary.shape += 'O'; break;
        case DecodedPacket::Frame:
            summary.shape += 'F';
            summary.frames.push_back(levelIndex(packet.frame.gray(9000), levels));
            break;
        default: summary.shape += '?'; break;
        }
    }
    return summary;
}

// Steady-clock time of every frame packet the bridge decoded.
class FrameClock {
public:
    using Clock = std::chrono::steady_clock;
    FrameClock()
    {
        m_id = vistrel::virt::Testbed::instance().addPacketListener(
            [this](const std::string &, const vistrel::protocol::DecodedPacket &packet) {
                if (packet.kind != vistrel::protocol::DecodedPacket::Frame)
                    return;
                std::lock_guard<std::mutex> lock(m_mutex);
                m_times.push_back(Clock::now());
            });
    }
    ~FrameClock() { vistrel::virt::Testbed::instance().removeListener(m_id); }
    FrameClock(const FrameClock &) = delete;
    FrameClock &operator=(const FrameClock &) = delete;

    std::vector<Clock::time_point> times() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_times;
    }
    std::size_t count() const { return times().size(); }

    // Intervals between consecutive frames, milliseconds.
    std::vector<double> intervalsMs() const
    {
        const auto stamps = times();
        std::vector<double> intervals;
        for (std::size_t i = 1; i < stamps.size(); ++i)
            intervals.push_back(std::chrono::duration<double, std::milli>(stamps[i] - stamps[i - 1]).count());
        return intervals;
    }

private:
    int m_id = 0;
    mutable std::mutex m_mutex;
    std::vector<Clock::time_point> m_times;
};

} // namespace displaytest

#endif

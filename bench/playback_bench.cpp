// Playback benchmark: the real VideoThread on the virtual bridge. Generates
// test videos, plays each at several frame rates and reports the achieved
// rate, the spacing of the writes and the cost of preparing a frame against
// a bare decode of the same file.
//
//   vistrel-playback-bench [--seconds N] [--keep] [--with-panel] [--help] [--version]
//
// --with-panel shows the "Virtual panel" window during each playback, so the
// cost of watching the stream (listener, repaints) shows in the rates.
#include "backend_registry.h"
#include "bench_media.h"
#include "command_line.h"
#include "device_link.h"
#include "frame_conversion.h"
#include "videothread.h"
#include "virtual_bridge.h"
#include "virtual_panel_window.h"

#include <QApplication>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTextStream>
#include <opencv2/videoio.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <mutex>
#include <numeric>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Start times of the frame writes of the current playback.
std::mutex stampMutex;
std::vector<Clock::time_point> writeStamps;

void stampWrite()
{
    std::lock_guard<std::mutex> lock(stampMutex);
    writeStamps.push_back(Clock::now());
}

std::vector<Clock::time_point> takeStamps()
{
    std::lock_guard<std::mutex> lock(stampMutex);
    std::vector<Clock::time_point> stamps;
    stamps.swap(writeStamps);
    return stamps;
}
constexpr const char *kSerial = "VPANEL01";
// The preview label's size in the console at its default window size (96 dpi).
const cv::Size kPreviewArea(470, 475);
constexpr double kSourceFps = 60;
constexpr int kCostPasses = 2;
bool withPanel = false;

double msBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// Mean milliseconds per frame of a read loop over the whole file; with
// `prepare`, each frame also goes through the worker's conversion.
double perFrameMs(const QString &path, bool prepare, int &frames)
{
    cv::VideoCapture capture(path.toStdString(), cv::CAP_FFMPEG);
    cv::Mat frame;
    frames = 0;
    const auto start = Clock::now();
    while (capture.read(frame) && !frame.empty()) {
        if (prepare) {
            const vistrel::display::VideoFrame converted = vistrel::display::convertVideoFrame(frame, kPreviewArea);
            if (converted.packet.empty())
                return -1;
        }
        ++frames;
    }
    return frames ? msBetween(start, Clock::now()) / frames : 0;
}

struct PlaybackResult {
    std::size_t writes = 0;
    double intervalRate = 0;  // 1000 / mean interval
    double wallRate = 0;      // writes / (start to end)
    double meanMs = 0;
    double p99Ms = 0;
    double minMs = 0;
    std::size_t previews = 0;
};

PlaybackResult play(const QString &path, int fps)
{
    auto &testbed = vistrel::virt::Testbed::instance();
    testbed.reset();
    std::unique_ptr<vistrel::virt::VirtualPanelWindow> panel;  // after the reset, which drops listeners
    if (withPanel) {
        panel = std::make_unique<vistrel::virt::VirtualPanelWindow>();
        panel->show();
    }
    takeStamps();
    vistrel::session::DeviceLink link;
    link.open(QString::fromLatin1(kSerial));

    PlaybackResult result;
    QEventLoop loop;
    vistrel::display::VideoOptions options;
    options.path = path;
    options.fps = fps;
    options.previewArea = {kPreviewArea.width, kPreviewArea.height};
    // The stamp is taken as the write starts, before the bridge copies and decodes the frame.
    options.sink = [&link](const vistrel::protocol::Bytes &frame) {
        stampWrite();
        return link.write(frame.data(), frame.size()).ok();
    };
    vistrel::display::VideoThread worker(options);
    QImage latest;  // the receiving side keeps the newest preview, as the window does
    QObject::connect(&worker, &vistrel::display::VideoThread::frameReady, &loop, [&](const QImage &image) {
        latest = image;
        ++result.previews;
    });
    QObject::connect(&worker, &vistrel::display::VideoThread::sendFrameStop, &loop, &QEventLoop::quit);
    const auto start = Clock::now();
    worker.play();
    loop.exec();
    worker.wait();
    const auto end = Clock::now();
    const std::vector<Clock::time_point> stamps = takeStamps();
    link.close();
    testbed.clearCaptured(kSerial);

    std::vector<double> intervals;
    for (std::size_t i = 1; i < stamps.size(); ++i)
        intervals.push_back(msBetween(stamps[i - 1], stamps[i]));
    result.writes = stamps.size();
    if (intervals.empty())
        return result;
    result.meanMs = std::accumulate(intervals.begin(), intervals.end(), 0.0) / intervals.size();
    result.intervalRate = 1000.0 / result.meanMs;
    result.wallRate = result.writes / (msBetween(start, end) / 1000.0);
    std::vector<double> sorted = intervals;
    std::sort(sorted.begin(), sorted.end());
    result.p99Ms = sorted[std::min(sorted.size() - 1, static_cast<std::size_t>(0.99 * sorted.size()))];
    result.minMs = sorted.front();
    return result;
}

} // namespace


namespace {

struct BenchOptions {
    int seconds = 10;
    bool keep = false;
};

// Read before any application object: --help must work without a display,
// and neither it nor a mistyped option may start a measurement.
BenchOptions readCommandLine(int argc, char **argv)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Plays generated videos through the video worker on the virtual bridge and reports the achieved rates."));
    const QCommandLineOption seconds(QStringLiteral("seconds"), QStringLiteral("Length of each generated video (default 10)."),
                                     QStringLiteral("N"), QStringLiteral("10"));
    const QCommandLineOption keep(QStringLiteral("keep"), QStringLiteral("Leave the generated videos in the temporary folder."));
    const QCommandLineOption panel(QStringLiteral("with-panel"),
                                   QStringLiteral("Show the Virtual panel window during playback (needs a display)."));
    parser.addOptions({seconds, keep, panel});
    vistrel::parseBeforeApplication(parser, argc, argv);
    BenchOptions options;
    // Capped at an hour, far beyond any useful run, so the frame count fits an int.
    options.seconds = int(std::min(vistrel::positiveNumber(parser, seconds), 3600L));
    options.keep = parser.isSet(keep);
    withPanel = parser.isSet(panel);
    return options;
}

} // namespace

int main(int argc, char **argv)
{
    const BenchOptions options = readCommandLine(argc, argv);
    vistrel::device::useBackendNamed(vistrel::device::kVirtualBackend);
    // The window needs a GUI application; without it the plain core one.
    std::unique_ptr<QCoreApplication> application = withPanel ? std::make_unique<QApplication>(argc, argv)
                                                              : std::make_unique<QCoreApplication>(argc, argv);
    QTemporaryDir folder;
    folder.setAutoRemove(!options.keep);
    QTextStream out(stdout);
    out << "Intervals measured as each frame write starts.\n\n";
    if (withPanel)
        out << "With the Virtual panel window shown (" << QGuiApplication::platformName() << ")\n\n";

    const cv::Size sizes[] = {{640, 360}, {1280, 720}, {1920, 1080}};
    const int rates[] = {60, 30, 24};
    out << "| Source | fps | writes | rate (1000/mean) | % of fps | writes/elapsed | mean interval ms | p99 ms | min ms | "
           "decode ms/frame | decode+prepare ms/frame | ratio |\n";
    out << "|---|---|---|---|---|---|---|---|---|---|---|---|\n";
    out.flush();
    for (const cv::Size &size : sizes) {
        const QString path = folder.filePath(QString("bench_%1x%2.mp4").arg(size.width).arg(size.height));
        QString codec;
        if (!benchmedia::writeVideo(path, size, options.seconds * static_cast<int>(kSourceFps), kSourceFps, codec)) {
            out << "cannot write " << path << "\n";
            return 1;
        }
        // Alternating passes, best of each: the two costs are then measured
        // under the same conditions and a passing disturbance shows in neither.
        int frames = 0;
        double decodeMs = 1e9;
        double prepareMs = 1e9;
        for (int pass = 0; pass < kCostPasses; ++pass) {
            decodeMs = std::min(decodeMs, perFrameMs(path, false, frames));
            prepareMs = std::min(prepareMs, perFrameMs(path, true, frames));
        }
        for (int fps : rates) {
            const PlaybackResult r = play(path, fps);
            out << QString("| %1x%2 %3 | %4 | %5 | %6 | %7 | %8 | %9 | %10 | %11 | %12 | %13 | %14 |\n")
                       .arg(size.width).arg(size.height).arg(codec).arg(fps).arg(r.writes)
                       .arg(r.intervalRate, 0, 'f', 2).arg(100.0 * r.intervalRate / fps, 0, 'f', 2)
                       .arg(r.wallRate, 0, 'f', 2).arg(r.meanMs, 0, 'f', 3).arg(r.p99Ms, 0, 'f', 3)
                       .arg(r.minMs, 0, 'f', 3).arg(decodeMs, 0, 'f', 3).arg(prepareMs, 0, 'f', 3)
                       .arg(prepareMs / decodeMs, 0, 'f', 3);
            out.flush();
        }
    }
    return 0;
}

// vistrel-soak: the console and the virtual panel playing a looped video on
// the virtual bridge for a long time, printing resident memory, thread count
// and frames at intervals, so growth shows before it hurts.
#include "backend_registry.h"
#include "command_line.h"
#include "panel_placement.h"
#include "vistrel.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <opencv2/videoio.hpp>

#include <algorithm>
#include <cstdio>

namespace {

// A field of /proc/self/status ("VmRSS", "Threads") as a number; 0 elsewhere.
long statusField(const char *name)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray key = QByteArray(name) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

// Ten seconds of moving gray bars at 640 x 360, so every frame differs.
QString makeVideo(const QString &folder)
{
    const QString path = folder + QStringLiteral("/soak.mp4");
    cv::VideoWriter writer(path.toStdString(), cv::CAP_FFMPEG, cv::VideoWriter::fourcc('m', 'p', '4', 'v'), 60,
                           cv::Size(640, 360));
    for (int i = 0; i < 600 && writer.isOpened(); ++i) {
        cv::Mat frame(360, 640, CV_8UC3, cv::Scalar::all(40));
        frame.colRange((i * 4) % 600, (i * 4) % 600 + 40).setTo(cv::Scalar::all(220));
        writer.write(frame);
    }
    return writer.isOpened() ? path : QString();
}

struct Options {
    double minutes = 60;
    int intervalSeconds = 60;
    int fps = 60;
    QString video;
};

// Read before the application object: --help must work without a display
// and neither it nor a mistyped option may start the soak.
Options parse(int argc, char *argv[])
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Plays a looped video in the console on the virtual bridge and "
                                                    "prints memory, threads and frames at intervals."));
    const QCommandLineOption minutes(QStringLiteral("minutes"), QStringLiteral("How long to play (default 60)."),
                                     QStringLiteral("M"), QStringLiteral("60"));
    const QCommandLineOption interval(QStringLiteral("interval"), QStringLiteral("Seconds between report lines (default 60)."),
                                      QStringLiteral("S"), QStringLiteral("60"));
    const QCommandLineOption fps(QStringLiteral("fps"), QStringLiteral("Playback rate, 1 to 60 (default 60)."),
                                 QStringLiteral("N"), QStringLiteral("60"));
    const QCommandLineOption video(QStringLiteral("video"), QStringLiteral("The MP4 to play (default: a generated one)."),
                                   QStringLiteral("FILE"));
    parser.addOptions({minutes, interval, fps, video});
    vistrel::parseBeforeApplication(parser, argc, argv);
    Options options;
    bool number = false;
    options.minutes = parser.value(minutes).toDouble(&number);
    if (!number || !(options.minutes > 0))
        vistrel::rejectCommandLine(QStringLiteral("--minutes wants a positive number: '%1'").arg(parser.value(minutes)));
    options.intervalSeconds = int(std::min(vistrel::positiveNumber(parser, interval), 86400L));  // a day at most
    options.fps = int(std::min(vistrel::positiveNumber(parser, fps), 61L));
    if (options.fps > 60)
        vistrel::rejectCommandLine(QStringLiteral("--fps wants 1 to 60: '%1'").arg(parser.value(fps)));
    options.video = parser.value(video);
    return options;
}

} // namespace

int main(int argc, char *argv[])
{
    const Options options = parse(argc, argv);
    QApplication app(argc, argv);
    QTemporaryDir scratch;
    const QString video = options.video.isEmpty() ? makeVideo(scratch.path()) : options.video;
    if (video.isEmpty()) {
        std::fprintf(stderr, "vistrel-soak: cannot write a video with OpenCV's FFmpeg writer\n");
        return 1;
    }

    vistrel::device::useBackendNamed(vistrel::device::kVirtualBackend);
    Vistrel console;
    console.show();
    vistrel::virt::openVirtualPanelBeside(console);
    auto &session = console.session();
    session.setFps(options.fps);
    if (session.devices().isEmpty() || !session.open(session.devices().first())) {
        std::fprintf(stderr, "vistrel-soak: no virtual bridge to open (VISTREL_VIRTUAL_DEVICES)\n");
        return 1;
    }
    session.chooseVideo(video);
    if (!session.startShow(true)) {
        std::fprintf(stderr, "vistrel-soak: the video did not start\n");
        return 1;
    }

    QElapsedTimer clock;
    clock.start();
    std::printf("| minutes | resident MiB | threads | frames | frames/s |\n|---|---|---|---|---|\n");
    std::uint64_t lastFrames = 0;
    qint64 lastMs = 0;
    const auto report = [&] {
        const qint64 ms = clock.elapsed();
        const std::uint64_t frames = session.framesPlayed();
        const double rate = ms > lastMs ? (frames - lastFrames) * 1000.0 / (ms - lastMs) : 0.0;
        std::printf("| %.1f | %.1f | %ld | %llu | %.1f |\n", ms / 60000.0, statusField("VmRSS") / 1024.0,
                    statusField("Threads"), static_cast<unsigned long long>(frames), rate);
        std::fflush(stdout);
        lastFrames = frames;
        lastMs = ms;
    };
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, report);
    ticker.start(options.intervalSeconds * 1000);
    QTimer::singleShot(qRound64(options.minutes * 60000), &app, [&] {
        report();
        QApplication::quit();
    });
    report();
    return app.exec();
}

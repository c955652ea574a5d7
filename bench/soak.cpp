// vistrel-soak: the real vistrel-virtual (console, virtual bridge and virtual
// panel) playing a looped video for a long time, measured from outside:
// resident memory, thread count and frames at intervals, so growth shows
// before it hurts. Frames are counted on the program's wire log, read from a
// FIFO so an hour of frames is never stored.
#include "command_line.h"
#include "measured_program.h"
#include "proc_status.h"

#include <QCoreApplication>
#include <QProcess>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <opencv2/videoio.hpp>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr double kFrameBytes = 36004;

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
    parser.setApplicationDescription(QStringLiteral("Plays a looped video in vistrel-virtual and prints its memory, "
                                                    "threads and frames at intervals."));
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

// Counts the bytes written to a FIFO until every writer has closed it.
class WireCounter {
public:
    explicit WireCounter(const QString &fifo)
    {
        // Opened before the program starts, so its fopen() finds a reader.
        m_fd = ::open(fifo.toLocal8Bit().constData(), O_RDONLY | O_NONBLOCK);
        if (m_fd >= 0)
            ::fcntl(m_fd, F_SETFL, 0);  // blocking reads from here on
        m_thread = std::thread([this] { drain(); });
    }
    ~WireCounter()
    {
        m_thread.join();  // ends when the program closes its end
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool ok() const { return m_fd >= 0; }
    std::uint64_t frames() const { return static_cast<std::uint64_t>(m_bytes / kFrameBytes); }

private:
    void drain()
    {
        char buffer[1 << 16];
        bool writerSeen = false;
        while (m_fd >= 0) {
            const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
            if (got > 0) {
                writerSeen = true;
                m_bytes += static_cast<std::uint64_t>(got);
            } else if (got == 0 && writerSeen) {
                return;
            } else if (got == 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));  // no writer yet
            } else {
                return;
            }
        }
    }

    int m_fd = -1;
    std::atomic<std::uint64_t> m_bytes{0};
    std::thread m_thread;
};

} // namespace

int main(int argc, char *argv[])
{
    const Options options = parse(argc, argv);
    QCoreApplication app(argc, argv);
    QTemporaryDir scratch;
    const QString video = options.video.isEmpty() ? makeVideo(scratch.path()) : options.video;
    if (video.isEmpty()) {
        std::fprintf(stderr, "vistrel-soak: cannot write a video with OpenCV's FFmpeg writer\n");
        return 1;
    }
    const QString fifo = scratch.filePath(QStringLiteral("wire"));
    if (::mkfifo(fifo.toLocal8Bit().constData(), 0600) != 0) {
        std::fprintf(stderr, "vistrel-soak: cannot make a FIFO in %s\n", qPrintable(scratch.path()));
        return 1;
    }
    WireCounter wire(fifo);
    QProcess console;
    console.setProcessEnvironment(measuredProgramEnvironment(fifo, QDir(scratch.path())));
    console.setProcessChannelMode(QProcess::ForwardedChannels);
    console.start(QStringLiteral(VISTREL_VIRTUAL_PROGRAM),
                  {QStringLiteral("--play"), video, QStringLiteral("--loop"), QStringLiteral("--fps"),
                   QString::number(options.fps)});
    if (!wire.ok() || !console.waitForStarted()) {
        std::fprintf(stderr, "vistrel-soak: cannot start %s\n", VISTREL_VIRTUAL_PROGRAM);
        return 1;
    }
    const qint64 pid = console.processId();
    QObject::connect(&console, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), &app, [&app] {
        std::fprintf(stderr, "vistrel-soak: the console ended before the soak did\n");
        app.exit(1);
    });

    QElapsedTimer clock;
    clock.start();
    std::printf("| minutes | resident MiB | threads | frames | frames/s |\n|---|---|---|---|---|\n");
    std::uint64_t lastFrames = 0;
    qint64 lastMs = 0;
    const auto report = [&] {
        const qint64 ms = clock.elapsed();
        if (lastMs > 0 && ms - lastMs < 1000)
            return;  // the end and an interval's row fall together: one row
        const std::uint64_t frames = wire.frames();
        const double rate = ms > lastMs ? (frames - lastFrames) * 1000.0 / (ms - lastMs) : 0.0;
        std::printf("| %.1f | %.1f | %.0f | %llu | %.1f |\n", ms / 60000.0, procStatusField(std::to_string(pid), "VmRSS") / 1024.0,
                    procStatusField(std::to_string(pid), "Threads"), static_cast<unsigned long long>(frames), rate);
        std::fflush(stdout);
        lastFrames = frames;
        lastMs = ms;
    };
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, report);
    ticker.start(options.intervalSeconds * 1000);
    QTimer::singleShot(qRound64(options.minutes * 60000), &app, [&] {
        report();
        QCoreApplication::quit();
    });
    report();
    const int status = app.exec();
    console.disconnect();
    console.terminate();
    if (!console.waitForFinished(5000))
        console.kill();
    console.waitForFinished();
    return status;
}

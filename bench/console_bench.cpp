// Whole-program benchmark: the real vistrel-virtual process (console with its
// preview, virtual bridge, virtual panel window) plays a generated video in a
// loop and is measured from outside: the rate it keeps (from the growth of its
// wire log) and its CPU time per frame (/proc/<pid>/stat), against a bare
// decode loop over the same file in the same run, before and after it.
//
//   vistrel-console-bench [--program PATH] [--seconds N] [--warmup N]
//                         [--clip N] [--runs N] [--only WxH@FPS] [--keep] [--help] [--version]
//
// Run it under a display (for example xvfb-run) to include painting through
// the window system; without one the console uses whatever QT_QPA_PLATFORM
// says.
#include "bench_media.h"
#include "command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <opencv2/videoio.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kFrameBytes = 36004;
constexpr double kSourceFps = 60;

struct Case {
    cv::Size size;
    int fps;
};

struct Options {
    QStringList programs;  // measured one after the other in each run, same clip
    int seconds = 10;  // measured, after the warm-up
    int warmup = 3;
    int clipSeconds = 4;
    int runs = 2;
    QString only;
    bool keep = false;
    QString folder;  // clips kept here and used again; empty: a temporary folder
};

double secondsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double>(to - from).count();
}

double processCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
}

// User plus system time of another process, all its threads, dead ones too.
double cpuSecondsOf(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    // Fields after the command name, which may hold blanks: state is field 3.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    const double ticks = fields.value(11).toDouble() + fields.value(12).toDouble();  // utime, stime
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).section(' ', 0, 2) : QStringLiteral("?");
}

struct DecodeCost {
    double cpuMs = 0;  // process CPU per frame, FFmpeg's own threads included
    double fps = 0;    // frames per wall-clock second: the rate the decoder alone reaches
};

// A bare read loop, the file looped, until `frames` frames are decoded; with
// a rate, one frame per period (what decoding alone costs when paced, as the
// console paces it: the decoder's threads sleep and wake for every frame).
DecodeCost decodeOnly(const QString &path, int frames, int fps = 0)
{
    cv::VideoCapture capture(path.toStdString(), cv::CAP_FFMPEG);
    cv::Mat frame;
    int decoded = 0;
    const double cpuStart = processCpuSeconds();
    const auto start = Clock::now();
    while (decoded < frames) {
        if (capture.read(frame) && !frame.empty())
            ++decoded;
        else if (!capture.set(cv::CAP_PROP_POS_FRAMES, 0.0))
            break;
        if (fps > 0)
            std::this_thread::sleep_until(start + decoded * std::chrono::microseconds(1000000 / fps));
    }
    DecodeCost cost;
    if (decoded > 0) {
        cost.cpuMs = (processCpuSeconds() - cpuStart) * 1000.0 / decoded;
        cost.fps = decoded / secondsBetween(start, Clock::now());
    }
    return cost;
}

struct ConsoleRun {
    double fps = 0;
    double cpuMs = 0;
    qint64 frames = 0;
    QString error;
};

qint64 wireBytes(const QString &log)
{
    return QFileInfo(log).exists() ? QFileInfo(log).size() : 0;
}

void endProcess(QProcess &process)
{
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished();
    }
}

ConsoleRun runConsole(const Options &options, const QString &program, const QString &video, int fps,
                      const QDir &folder)
{
    const QString log = folder.filePath(QStringLiteral("wire.bin"));
    QFile::remove(log);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VISTREL_WIRE_LOG"), log);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), folder.filePath(QStringLiteral("config")));  // the user's store stays untouched
    env.insert(QStringLiteral("VISTREL_VIRTUAL_DEVICES"), QStringLiteral("VPANEL01"));
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, {QStringLiteral("--play"), video, QStringLiteral("--loop"),
                                    QStringLiteral("--fps"), QString::number(fps)});
    ConsoleRun run;
    if (!process.waitForStarted()) {
        run.error = QStringLiteral("cannot start ") + program;
        return run;
    }
    const auto launched = Clock::now();
    while (wireBytes(log) < 2 * kFrameBytes && secondsBetween(launched, Clock::now()) < 30)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (wireBytes(log) < 2 * kFrameBytes) {
        endProcess(process);
        run.error = QStringLiteral("no frames within 30 s");
        return run;
    }
    std::this_thread::sleep_for(std::chrono::seconds(options.warmup));
    const qint64 pid = process.processId();
    const qint64 bytesBefore = wireBytes(log);
    const double cpuBefore = cpuSecondsOf(pid);
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(options.seconds));
    const qint64 bytesAfter = wireBytes(log);
    const double cpuAfter = cpuSecondsOf(pid);
    const double elapsed = secondsBetween(start, Clock::now());
    endProcess(process);
    QFile::remove(log);
    run.frames = static_cast<qint64>((bytesAfter - bytesBefore) / kFrameBytes + 0.5);
    if (run.frames <= 0 || cpuBefore < 0 || cpuAfter < 0) {
        run.error = QStringLiteral("nothing measured");
        return run;
    }
    run.fps = run.frames / elapsed;
    run.cpuMs = (cpuAfter - cpuBefore) * 1000.0 / run.frames;
    return run;
}

QString caseName(const Case &c)
{
    return QStringLiteral("%1x%2@%3").arg(c.size.width).arg(c.size.height).arg(c.fps);
}

const Case kCases[] = {{{768, 576}, 60}, {{1280, 720}, 60}, {{1920, 1080}, 60}, {{3840, 2160}, 30}, {{3840, 2160}, 60}};

// Read before the application object, as every program here does: --help
// and a mistyped option answer at once.
Options readCommandLine(int argc, char **argv)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Plays generated videos in the real vistrel-virtual and compares its CPU time per frame with decoding alone."));
    const QCommandLineOption seconds(QStringLiteral("seconds"), QStringLiteral("Seconds measured per run (default 10)."),
                                     QStringLiteral("N"), QStringLiteral("10"));
    const QCommandLineOption warmup(QStringLiteral("warmup"), QStringLiteral("Seconds of playback before measuring (default 3)."),
                                    QStringLiteral("N"), QStringLiteral("3"));
    const QCommandLineOption clip(QStringLiteral("clip"), QStringLiteral("Length of each generated clip, played looped (default 4)."),
                                  QStringLiteral("N"), QStringLiteral("4"));
    const QCommandLineOption runs(QStringLiteral("runs"), QStringLiteral("Runs per case (default 2)."), QStringLiteral("N"),
                                  QStringLiteral("2"));
    const QCommandLineOption only(QStringLiteral("only"), QStringLiteral("Only this case, for example 1920x1080@60."),
                                  QStringLiteral("case"));
    const QCommandLineOption program(QStringLiteral("program"),
                                     QStringLiteral("The vistrel-virtual to measure; given twice, both, run after run "
                                                    "(a before and after under the same load)."),
                                     QStringLiteral("path"), QStringLiteral(VISTREL_VIRTUAL_PROGRAM));
    const QCommandLineOption keep(QStringLiteral("keep"), QStringLiteral("Leave the generated clips in the temporary folder."));
    const QCommandLineOption folder(QStringLiteral("folder"),
                                    QStringLiteral("Keep the clips in this folder and use those found there again "
                                                   "(a 3840 x 2160 clip takes minutes to make)."),
                                    QStringLiteral("path"));
    parser.addOptions({seconds, warmup, clip, runs, only, program, keep, folder});
    vistrel::parseBeforeApplication(parser, argc, argv);
    Options options;
    options.seconds = int(std::min(vistrel::positiveNumber(parser, seconds), 3600L));
    options.warmup = int(std::min(vistrel::positiveNumber(parser, warmup), 600L));
    options.clipSeconds = int(std::min(vistrel::positiveNumber(parser, clip), 600L));
    options.runs = int(std::min(vistrel::positiveNumber(parser, runs), 100L));
    options.only = parser.value(only);
    options.programs = parser.values(program);
    options.keep = parser.isSet(keep);
    options.folder = parser.value(folder);
    const bool known = std::any_of(std::begin(kCases), std::end(kCases), [&](const Case &c) { return caseName(c) == options.only; });
    if (!options.only.isEmpty() && !known)
        vistrel::rejectCommandLine(QStringLiteral("--only names no case: '%1'").arg(options.only));
    return options;
}

// Process CPU per frame within 15 % of decoding alone, or 0.5 ms where that is more.
bool cpuTargetMet(double processMs, double decodeMs)
{
    return processMs <= decodeMs + std::max(0.15 * decodeMs, 0.5);
}

struct CaseRun {
    int build = 1;  // which of the programs, from 1
    ConsoleRun console;
    DecodeCost before, after, paced;  // decoding alone, either side of the console's run, and paced
    QString loadBefore, loadAfter;
};

CaseRun measure(const Options &options, int build, const Case &c, const QString &video, const QDir &folder)
{
    const int decodeFrames = c.fps * options.seconds / 2;
    CaseRun run;
    run.build = build;
    run.loadBefore = loadAverage();
    run.before = decodeOnly(video, decodeFrames);
    run.console = runConsole(options, options.programs.at(build - 1), video, c.fps, folder);
    run.after = decodeOnly(video, decodeFrames);
    run.paced = decodeOnly(video, decodeFrames, c.fps);
    run.loadAfter = loadAverage();
    return run;
}

void printHeader(QTextStream &out, const Options &options)
{
    for (int build = 1; build <= options.programs.size(); ++build)
        out << "Program " << build << ": " << options.programs.at(build - 1) << "\n";
    out << "Display: " << (qEnvironmentVariableIsSet("DISPLAY") ? qEnvironmentVariable("DISPLAY") : QStringLiteral("none"))
        << ", QT_QPA_PLATFORM=" << qEnvironmentVariable("QT_QPA_PLATFORM", QStringLiteral("(default)"))
        << "\nEach run: " << options.warmup << " s warm-up, " << options.seconds << " s measured; clip "
        << options.clipSeconds << " s at " << kSourceFps << " fps, looped\n\n";
    out << "| Source | program | asked fps | achieved fps | % kept | process CPU ms/frame | decode-only CPU ms/frame | "
           "above decode ms | ratio | decode-only fps | CPU target | paced decode-only CPU ms/frame | load before / after |\n";
    out << "|---|---|---|---|---|---|---|---|---|---|---|---|---|\n";
    out.flush();
}

void printRow(QTextStream &out, const Case &c, const CaseRun &run)
{
    const ConsoleRun &console = run.console;
    if (!console.error.isEmpty()) {
        out << "| " << caseName(c) << " | " << run.build << " | " << console.error << " |\n";
        return;
    }
    const double decodeMs = (run.before.cpuMs + run.after.cpuMs) / 2;
    const double decodeFps = (run.before.fps + run.after.fps) / 2;
    out << QStringLiteral("| %1 x %2 | %3 | %4 | %5 | %6 | %7 | %8 | %9 | %10 | %11 | %12 | %13 | %14 / %15 |\n")
               .arg(c.size.width).arg(c.size.height).arg(run.build).arg(c.fps).arg(console.fps, 0, 'f', 2)
               .arg(100.0 * console.fps / c.fps, 0, 'f', 2).arg(console.cpuMs, 0, 'f', 2)
               .arg(decodeMs, 0, 'f', 2).arg(console.cpuMs - decodeMs, 0, 'f', 2)
               .arg(console.cpuMs / decodeMs, 0, 'f', 2).arg(decodeFps, 0, 'f', 1)
               .arg(cpuTargetMet(console.cpuMs, decodeMs) ? "met" : "missed")
               .arg(run.paced.cpuMs, 0, 'f', 2).arg(run.loadBefore, run.loadAfter);
    out.flush();
}

} // namespace

int main(int argc, char **argv)
{
    const Options options = readCommandLine(argc, argv);
    QCoreApplication app(argc, argv);
    QTemporaryDir temporary;
    temporary.setAutoRemove(!options.keep && options.folder.isEmpty());
    const QDir folder(options.folder.isEmpty() ? temporary.path() : options.folder);
    QTextStream out(stdout);
    if (!folder.mkpath(QStringLiteral("."))) {
        out << "cannot make " << folder.path() << "\n";
        return 1;
    }
    printHeader(out, options);
    QStringList codecs;
    for (const Case &c : kCases) {
        if (!options.only.isEmpty() && options.only != caseName(c))
            continue;
        const QString video = folder.filePath(QStringLiteral("console_%1x%2.mp4").arg(c.size.width).arg(c.size.height));
        QString codec = QStringLiteral("written before");
        if (!QFileInfo::exists(video)
            && !benchmedia::writeVideo(video, c.size, options.clipSeconds * static_cast<int>(kSourceFps), kSourceFps, codec)) {
            out << "cannot write " << video << "\n";
            return 1;
        }
        for (int run = 0; run < options.runs; ++run) {
            for (int build = 1; build <= options.programs.size(); ++build)
                printRow(out, c, measure(options, build, c, video, folder));
        }
        codecs << caseName(c) + QStringLiteral(": ") + codec;
    }
    out << "\nSources: " << codecs.join(QStringLiteral(", ")) << "\n";
    return 0;
}

// Whole-program benchmark. A generated video plays looped, in turn, in the
// headless engine (vistrelctl --virtual), in the real vistrel-virtual process
// (console with its preview, virtual bridge, virtual panel window), and in
// that process with its console minimised; each is measured from outside:
// the rate it keeps (from the growth of its wire log) and its CPU time per
// frame (/proc/<pid>/stat), against a bare decode loop over the same file in
// the same run, before and after them.
//
//   vistrel-console-bench [--build DIR]... [--seconds N] [--warmup N]
//                         [--clip N] [--runs N] [--only WxH@FPS] [--keep] [--folder DIR]
//
// Run it under a display (for example xvfb-run) to include painting through
// the window system; without one the console uses whatever QT_QPA_PLATFORM
// says, and the minimised console is not measured (minimising it from
// outside takes an X display and xdotool).
#include "bench_media.h"
#include "measured_program.h"
#include "command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <opencv2/videoio.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <map>
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
    QStringList builds;  // build trees, measured one after the other in each run, same clip
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

struct ProgramRun {
    double fps = 0;
    double cpuMs = 0;
    QString error;
};

enum class Mode { Headless, Window, Minimised };
constexpr Mode kModes[] = {Mode::Headless, Mode::Window, Mode::Minimised};

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

bool canMinimise()
{
    return qEnvironmentVariableIsSet("DISPLAY") && qEnvironmentVariable("QT_QPA_PLATFORM") != QLatin1String("offscreen")
           && !QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty();
}

// Unmaps the console's window, as a window manager does when it minimises
// one (an X server without one has nobody to ask).
bool minimiseConsole(qint64 pid)
{
    QProcess search;
    search.start(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--pid"), QString::number(pid),
                                             QStringLiteral("--name"), QStringLiteral("^Vistrel$")});
    search.waitForFinished();
    const QString window = QString::fromLatin1(search.readAllStandardOutput()).section('\n', 0, 0).trimmed();
    return !window.isEmpty()
           && QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("windowunmap"), QStringLiteral("--sync"), window}) == 0;
}

// The headless script loops the clip far longer than it is measured, and is ended then.
QStringList commandFor(Mode mode, const QString &build, const QString &video, int fps, QString &program)
{
    if (mode == Mode::Headless) {
        program = build + QStringLiteral("/cli/vistrelctl");
        return {QStringLiteral("--virtual"), QStringLiteral("-e"),
                QStringLiteral("open; play %1 fps=%2 loops=1000; close").arg(video).arg(fps)};
    }
    program = build + QStringLiteral("/app/vistrel-virtual");
    return {QStringLiteral("--play"), video, QStringLiteral("--loop"), QStringLiteral("--fps"), QString::number(fps)};
}

ProgramRun runProgram(const Options &options, Mode mode, const QString &build, const QString &video, int fps,
                      const QDir &folder)
{
    const QString log = folder.filePath(QStringLiteral("wire.bin"));
    QFile::remove(log);
    QProcess process;
    process.setProcessEnvironment(measuredProgramEnvironment(log, folder));
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    QString program;
    const QStringList arguments = commandFor(mode, build, video, fps, program);
    process.start(program, arguments);
    ProgramRun run;
    if (!process.waitForStarted()) {
        run.error = QStringLiteral("cannot start ") + program;
        return run;
    }
    const auto launched = Clock::now();
    while (wireBytes(log) < 2 * kFrameBytes && secondsBetween(launched, Clock::now()) < 30)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const bool minimised = mode != Mode::Minimised || minimiseConsole(process.processId());
    if (wireBytes(log) < 2 * kFrameBytes || !minimised) {
        endProcess(process);
        run.error = minimised ? QStringLiteral("no frames within 30 s") : QStringLiteral("not minimised");
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
    const auto frames = static_cast<qint64>((bytesAfter - bytesBefore) / kFrameBytes + 0.5);
    if (frames <= 0 || cpuBefore < 0 || cpuAfter < 0) {
        run.error = QStringLiteral("nothing measured");
        return run;
    }
    run.fps = frames / elapsed;
    run.cpuMs = (cpuAfter - cpuBefore) * 1000.0 / frames;
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
        "Plays generated videos in the headless engine, the whole console and the minimised console, and compares "
        "their CPU time per frame with decoding alone."));
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
    const QCommandLineOption build(QStringLiteral("build"),
                                   QStringLiteral("The build tree whose cli/vistrelctl and app/vistrel-virtual are measured; "
                                                  "given twice, both, side by side (a before and after under the same load)."),
                                   QStringLiteral("dir"), QStringLiteral(VISTREL_BUILD_TREE));
    const QCommandLineOption keep(QStringLiteral("keep"), QStringLiteral("Leave the generated clips in the temporary folder."));
    const QCommandLineOption folder(QStringLiteral("folder"),
                                    QStringLiteral("Keep the clips in this folder and use those found there again "
                                                   "(a 3840 x 2160 clip takes minutes to make)."),
                                    QStringLiteral("path"));
    parser.addOptions({seconds, warmup, clip, runs, only, build, keep, folder});
    vistrel::parseBeforeApplication(parser, argc, argv);
    Options options;
    options.seconds = int(std::min(vistrel::positiveNumber(parser, seconds), 3600L));
    options.warmup = int(std::min(vistrel::positiveNumber(parser, warmup), 600L));
    options.clipSeconds = int(std::min(vistrel::positiveNumber(parser, clip), 600L));
    options.runs = int(std::min(vistrel::positiveNumber(parser, runs), 100L));
    options.only = parser.value(only);
    options.builds = parser.values(build);
    options.keep = parser.isSet(keep);
    options.folder = parser.value(folder);
    const bool known = std::any_of(std::begin(kCases), std::end(kCases), [&](const Case &c) { return caseName(c) == options.only; });
    if (!options.only.isEmpty() && !known)
        vistrel::rejectCommandLine(QStringLiteral("--only names no case: '%1'").arg(options.only));
    return options;
}

// The targets: the whole console at most 0.6 ms a frame above decoding
// alone, or 15 % where that is more; the headless engine within 10 %; and
// 99.5 % of the frames kept at 1920 x 1080 at 60, 3840 x 2160 at 30, and at
// 3840 x 2160 at 60 where the decoder alone reaches 66 frames a second.
bool windowTargetMet(double processMs, double decodeMs)
{
    return processMs <= decodeMs + std::max(0.15 * decodeMs, 0.6);
}

bool headlessTargetMet(double processMs, double decodeMs)
{
    return processMs <= 1.10 * decodeMs;
}

bool rateTargetApplies(const Case &c, double decoderAloneFps)
{
    return c.size.width >= 1920 && (c.fps <= 30 || c.size.width < 3840 || decoderAloneFps >= 66);
}

struct CaseRun {
    std::vector<std::map<Mode, ProgramRun>> builds;  // one map per build tree, in the given order
    DecodeCost before, after, paced;  // decoding alone, either side of the programs' runs, and paced
    QString loadBefore, loadAfter;

    double decodeMs() const { return (before.cpuMs + after.cpuMs) / 2; }
    double decodeFps() const { return (before.fps + after.fps) / 2; }
};

CaseRun measure(const Options &options, const Case &c, const QString &video, const QDir &folder)
{
    const int decodeFrames = c.fps * options.seconds / 2;
    CaseRun run;
    run.loadBefore = loadAverage();
    run.before = decodeOnly(video, decodeFrames);
    for (const QString &build : options.builds) {
        run.builds.emplace_back();
        for (const Mode mode : kModes) {
            if (mode != Mode::Minimised || canMinimise())
                run.builds.back()[mode] = runProgram(options, mode, build, video, c.fps, folder);
        }
    }
    run.after = decodeOnly(video, decodeFrames);
    run.paced = decodeOnly(video, decodeFrames, c.fps);
    run.loadAfter = loadAverage();
    return run;
}

void printHeader(QTextStream &out, const Options &options)
{
    for (int build = 1; build <= options.builds.size(); ++build)
        out << "Build " << build << ": " << options.builds.at(build - 1) << "\n";
    out << "Display: " << (qEnvironmentVariableIsSet("DISPLAY") ? qEnvironmentVariable("DISPLAY") : QStringLiteral("none"))
        << ", QT_QPA_PLATFORM=" << qEnvironmentVariable("QT_QPA_PLATFORM", QStringLiteral("(default)"))
        << "\nEach run: " << options.warmup << " s warm-up, " << options.seconds << " s measured; clip "
        << options.clipSeconds << " s at " << kSourceFps << " fps, looped\n"
        << "Cells: % of the asked rate kept / CPU ms per frame (ratio to decode-only), one per build, joined by ->\n\n";
    out << "| Source | fps | decode-only ms/frame | decoder alone fps | paced decode-only ms/frame | headless engine | "
           "whole window | window minimised | window above decode-only ms | targets (last build) | load before / after |\n";
    out << "|---|---|---|---|---|---|---|---|---|---|---|\n";
    out.flush();
}

QString cell(const CaseRun &run, Mode mode, const Case &c)
{
    QStringList values;
    for (const auto &build : run.builds) {
        const auto found = build.find(mode);
        if (found == build.end())
            values << QStringLiteral("-");
        else if (!found->second.error.isEmpty())
            values << found->second.error;
        else
            values << QStringLiteral("%1 / %2 (%3)")
                          .arg(100.0 * found->second.fps / c.fps, 0, 'f', 2)
                          .arg(found->second.cpuMs, 0, 'f', 2)
                          .arg(found->second.cpuMs / run.decodeMs(), 0, 'f', 2);
    }
    return values.join(QStringLiteral(" -> "));
}

QString aboveDecode(const CaseRun &run)
{
    QStringList values;
    for (const auto &build : run.builds)
        values << QString::number(build.at(Mode::Window).cpuMs - run.decodeMs(), 'f', 2);
    return values.join(QStringLiteral(" -> "));
}

QString targets(const CaseRun &run, const Case &c)
{
    const auto &last = run.builds.back();
    const auto verdict = [](bool met) { return met ? QStringLiteral("met") : QStringLiteral("missed"); };
    QStringList out;
    out << QStringLiteral("window ") + verdict(windowTargetMet(last.at(Mode::Window).cpuMs, run.decodeMs()));
    out << QStringLiteral("headless ") + verdict(headlessTargetMet(last.at(Mode::Headless).cpuMs, run.decodeMs()));
    if (rateTargetApplies(c, run.decodeFps()))
        out << QStringLiteral("rate ") + verdict(100.0 * last.at(Mode::Window).fps / c.fps >= 99.5);
    return out.join(QStringLiteral(", "));
}

void printRow(QTextStream &out, const Case &c, const CaseRun &run)
{
    const auto failed = [](const std::map<Mode, ProgramRun> &build) {
        return std::any_of(build.begin(), build.end(), [](const auto &entry) { return !entry.second.error.isEmpty(); });
    };
    const bool complete = std::none_of(run.builds.begin(), run.builds.end(), failed);
    out << QStringLiteral("| %1 x %2 | %3 | %4 | %5 | %6 | %7 | %8 | %9 | %10 | %11 | %12 / %13 |\n")
               .arg(c.size.width).arg(c.size.height).arg(c.fps).arg(run.decodeMs(), 0, 'f', 2)
               .arg(run.decodeFps(), 0, 'f', 1).arg(run.paced.cpuMs, 0, 'f', 2)
               .arg(cell(run, Mode::Headless, c), cell(run, Mode::Window, c), cell(run, Mode::Minimised, c))
               .arg(complete ? aboveDecode(run) : QStringLiteral("-"), complete ? targets(run, c) : QStringLiteral("-"))
               .arg(run.loadBefore, run.loadAfter);
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
        for (int run = 0; run < options.runs; ++run)
            printRow(out, c, measure(options, c, video, folder));
        codecs << caseName(c) + QStringLiteral(": ") + codec;
    }
    out << "\nSources: " << codecs.join(QStringLiteral(", ")) << "\n";
    return 0;
}

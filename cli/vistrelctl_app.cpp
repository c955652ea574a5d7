#include "vistrelctl_app.h"

#include "backend_registry.h"
#include "bridges.h"
#include "duration.h"
#include "exit_status.h"
#include "interrupt.h"
#include "media_check.h"
#include "runner.h"
#include "serve_command.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cmath>
#include <cstdio>

namespace vistrel::cli {

namespace {

const char *const kCommandHelp = R"(
Commands:
  list                 the serial numbers of the attached bridges, one a line
  run FILE             runs the script in FILE ("-": standard input)
  -e 'CMD; CMD; ...'   runs the script given here
  serve [--listen [ADDR:]PORT] [--media-root DIR]
                       serves SCPI remote control over TCP until SIGINT or
                       SIGTERM (default 127.0.0.1:5025; port 0 picks a free
                       one); prints "listening on ADDR:PORT" once it listens.
                       An address outside 127.0.0.0/8 and ::1 needs
                       --media-root, and file names are then confined to DIR

Script commands, one a line or separated by ';' ('#' starts a comment):
  open                 opens the bridge (--serial, else the first listed)
  close                takes down what is shown and closes the link
  set vdd=V vss=V von=V voff=V vh=V vl=V vbias=V [gamma=G]
                       sends the drive settings as the window's Set does
                       (Vdd, Vss, Vh, Vl, Vbias -10 to 10 V; Von, Voff -20 to 20 V;
                       gamma: the gamma curve, above 0 and at most 10;
                       without it linear tables)
  pattern NAME [VALUE ...]
                       lights a test pattern; over a lit one only its frame
                       is sent. NAME (any case) and its values:
                         all-on, checker    every pixel on, a 10 x 10 checkerboard
                         gray N             one gray level, N 0 to 255
                         hramp, vramp       0 to 255 left to right, top to bottom
                         hsteps N           N gray steps across, N 2 to 180
                         vsteps N           N gray steps down, N 2 to 100
                         squares S [A B]    S-pixel squares of A and B, S 1 to 100
                                            (A 255, B 0 unless given)
                         grid S             lines every S pixels and along the last
                                            row and column, S 2 to 100
                         border W           a W-pixel frame, W 1 to 50
                         box A B            a 90 x 50 box of A, centred, on B
  pattern off          takes the lit pattern down
  show FILE            shows a JPEG on the panel
  play FILE [fps=N] [frames=N | seconds=S | loops=N]
                       plays a video at N frames a second (1 to 60, default 60)
                       to its end or the bound, then sends the stop word
  stop                 takes down the picture, video or pattern shown
  wait D               pauses: 500ms, 2s

The whole script is checked before anything is sent.

Aging runs: with --repeat N the script runs N times, with --for DURATION
(90s, 30m, 8h) again and again until the time is up. Either stops only
between two commands, then takes down what is shown, closes the link and
reports the rounds done (in the summary line, "rounds" with --json).

Example script:
  open
  set vdd=2 vss=-2 von=12 voff=-12 vh=5 vl=0 vbias=0 gamma=2.2
  pattern all-on; wait 2s; pattern off
  pattern checker; wait 2s; stop
  pattern vsteps 8; wait 3s; pattern squares 4 200 30; wait 3s; stop
  show face.jpg; wait 3s; stop
  play ramp.mp4 fps=30 seconds=5
  close

Exit status: 0 every command succeeded; 1 usage or script error (nothing sent);
2 no such bridge, or it could not be opened; 3 a write failed or the bridge was
lost; 4 a picture or video could not be read; 5 the panel's state refused a
command (set or a pattern while a picture or video is shown, a command
before open);
128 + N stopped by signal N (130 for Ctrl+C; serve always ends so).
)";

struct Invocation {
    bool list = false;
    bool serve = false;
    QString listen;     // serve: [ADDR:]PORT, empty for the default
    QString mediaRoot;  // serve: confines file names
    bool inlineScript = false;
    QString script;  // FILE, or the text given with -e
    bool json = false;
    bool useVirtual = false;
    RunOptions options;
};

struct ScriptSource {
    QString text;
    QString name;  // prefixes line numbers in messages
    QDir base;     // relative picture and video paths start here
};

void configure(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
        QStringLiteral("Runs scripted panel tests through the console's core, without a window."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({
        {QStringLiteral("virtual"), QStringLiteral("Use the in-process virtual bridges.")},
        {QStringLiteral("serial"), QStringLiteral("Open the bridge SERIAL instead of the first listed."),
         QStringLiteral("SERIAL")},
        {QStringLiteral("wait-device"), QStringLiteral("Wait up to SECONDS for the bridge to be plugged in."),
         QStringLiteral("SECONDS")},
        {QStringLiteral("json"), QStringLiteral("One JSON object per command on stdout, then a summary.")},
        {QStringLiteral("e"), QStringLiteral("Run SCRIPT, commands separated by ';'."), QStringLiteral("SCRIPT")},
        {QStringLiteral("repeat"), QStringLiteral("Aging run: the script N times over."), QStringLiteral("N")},
        {QStringLiteral("for"), QStringLiteral("Aging run: the script again and again until DURATION "
                                               "(90s, 30m, 8h) has passed."),
         QStringLiteral("DURATION")},
        {QStringLiteral("listen"), QStringLiteral("serve: listen on [ADDR:]PORT (default 127.0.0.1:5025)."),
         QStringLiteral("[ADDR:]PORT")},
        {QStringLiteral("media-root"), QStringLiteral("serve: file names resolve inside DIR and may not leave it."),
         QStringLiteral("DIR")},
    });
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("list, run FILE, or serve."),
                                 QStringLiteral("list | run FILE | serve"));
}

int usageError(QTextStream &err, const QString &text)
{
    err << "vistrelctl: " << text << "\nTry 'vistrelctl --help'.\n";
    err.flush();
    return int(ExitStatus::Usage);
}

// --repeat N or --for DURATION, at most one; the text of what is wrong.
QString readAging(const QCommandLineParser &parser, RunOptions &options)
{
    const bool repeat = parser.isSet(QStringLiteral("repeat"));
    const bool runFor = parser.isSet(QStringLiteral("for"));
    if (repeat && runFor)
        return QStringLiteral("give at most one of --repeat and --for");
    if (repeat) {
        const QString value = parser.value(QStringLiteral("repeat"));
        static const QRegularExpression count(QStringLiteral("^[0-9]{1,9}$"));
        options.repeat = count.match(value).hasMatch() ? value.toULongLong() : 0;
        if (options.repeat == 0)
            return QStringLiteral("--repeat %1: give a whole number of rounds, 1 to 999999999").arg(value);
    }
    if (runFor) {
        const QString value = parser.value(QStringLiteral("for"));
        const std::optional<std::chrono::milliseconds> length = parseRunLength(value);
        if (!length)
            return QStringLiteral("--for %1: give a time with its unit, such as 90s, 30m or 8h (at most 30 days)").arg(value);
        options.runFor = *length;
    }
    return {};
}

// Fills `invocation` from the parsed options; the text of what is wrong otherwise.
QString readInvocation(const QCommandLineParser &parser, Invocation &invocation)
{
    const QStringList words = parser.positionalArguments();
    invocation.inlineScript = parser.isSet(QStringLiteral("e"));
    if (invocation.inlineScript) {
        if (!words.isEmpty())
            return QStringLiteral("-e runs a script of its own: no command may follow");
        invocation.script = parser.value(QStringLiteral("e"));
    } else if (words == QStringList{QStringLiteral("list")}) {
        invocation.list = true;
    } else if (words == QStringList{QStringLiteral("serve")}) {
        invocation.serve = true;
    } else if (words.size() == 2 && words.first() == QLatin1String("run")) {
        invocation.script = words.at(1);
    } else {
        return words.isEmpty() ? QStringLiteral("nothing to do: give list, run FILE, serve or -e SCRIPT")
                               : QStringLiteral("unknown command '%1': give list, run FILE, serve or -e SCRIPT")
                                     .arg(words.join(QLatin1Char(' ')));
    }
    if (parser.isSet(QStringLiteral("wait-device"))) {
        const QString value = parser.value(QStringLiteral("wait-device"));
        const std::optional<double> seconds = parseSeconds(value);
        if (!seconds)
            return QStringLiteral("--wait-device %1: give seconds, 0 to 86400").arg(value);
        invocation.options.waitDevice = std::chrono::milliseconds(std::llround(*seconds * 1000));
    }
    if ((invocation.list || invocation.serve) && (parser.isSet(QStringLiteral("repeat")) || parser.isSet(QStringLiteral("for"))))
        return QStringLiteral("--repeat and --for repeat a script: give run FILE or -e SCRIPT");
    const QString aging = readAging(parser, invocation.options);
    if (!aging.isEmpty())
        return aging;
    const bool serveOption = parser.isSet(QStringLiteral("listen")) || parser.isSet(QStringLiteral("media-root"));
    if (serveOption && !invocation.serve)
        return QStringLiteral("--listen and --media-root go with serve");
    invocation.listen = parser.value(QStringLiteral("listen"));
    invocation.mediaRoot = parser.value(QStringLiteral("media-root"));
    invocation.options.serial = parser.value(QStringLiteral("serial"));
    invocation.json = parser.isSet(QStringLiteral("json"));
    invocation.useVirtual = parser.isSet(QStringLiteral("virtual"));
    return {};
}

int listBridges(const Invocation &invocation, QTextStream &out, QTextStream &err)
{
    const RunOptions &options = invocation.options;
    const std::optional<QString> wanted = waitForBridge(options.serial, options.waitDevice);
    for (const QString &serial : attachedBridges())
        out << (invocation.json ? bridgeJsonLine(serial) : serial) << '\n';
    out.flush();
    if (pendingInterrupt())
        return interruptedStatus(pendingInterrupt());
    if (wanted || (options.serial.isEmpty() && options.waitDevice.count() == 0))
        return 0;
    err << "vistrelctl: " << missingBridgeText(options.serial, options.waitDevice) << '\n';
    return int(ExitStatus::NoBridge);
}

std::optional<ScriptSource> readSource(const Invocation &invocation, QString &error)
{
    if (invocation.inlineScript)
        return ScriptSource{invocation.script, QStringLiteral("-e"), QDir::current()};
    QFile file(invocation.script);
    const bool fromStdin = invocation.script == QLatin1String("-");
    const bool opened = fromStdin ? file.open(stdin, QIODevice::ReadOnly) : file.open(QIODevice::ReadOnly);
    if (!opened) {
        error = QStringLiteral("cannot read %1: %2").arg(invocation.script, file.errorString());
        return std::nullopt;
    }
    const QString text = QString::fromUtf8(file.readAll());
    if (fromStdin)
        return ScriptSource{text, QStringLiteral("<stdin>"), QDir::current()};
    return ScriptSource{text, invocation.script, QFileInfo(invocation.script).absoluteDir()};
}

// Nothing was sent: the errors, each with its line, and the summary.
int refuse(Reporter &reporter, const Script &script, const std::vector<ScriptError> &errors, ExitStatus status)
{
    reporter.scriptErrors(errors);
    RunSummary summary;
    summary.exitStatus = int(status);
    summary.commands = int(script.commands.size());
    summary.error = QStringLiteral("nothing sent");
    summary.scriptErrors = errors;
    reporter.summary(summary);
    return summary.exitStatus;
}

int runScript(const Invocation &invocation, QTextStream &out, QTextStream &err)
{
    QString error;
    const std::optional<ScriptSource> source = readSource(invocation, error);
    if (!source)
        return usageError(err, error);
    Reporter reporter(out, err, invocation.json, source->name);
    Script script = parseScript(source->text);
    checkFiles(script, source->base);
    if (!script.ok())
        return refuse(reporter, script, script.errors, ExitStatus::Usage);
    const std::vector<ScriptError> unreadable = unreadableMedia(script.commands);
    if (!unreadable.empty())
        return refuse(reporter, script, unreadable, ExitStatus::Unreadable);
    session::PanelSession session;
    session.setPreviewArea(QSize());  // headless: nobody sees a preview, so none is made
    ScriptRunner runner(session, invocation.options, reporter);
    return runner.run(script.commands);
}

} // namespace

int runVistrelctl(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    QCoreApplication::setApplicationName(QStringLiteral("vistrelctl"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VISTREL_VERSION));
    QCommandLineParser parser;
    configure(parser);
    if (!parser.parse(arguments))
        return usageError(err, parser.errorText());
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
        out << parser.helpText() << kCommandHelp;
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        out << "vistrelctl " << VISTREL_VERSION << '\n';
        return 0;
    }
    Invocation invocation;
    const QString problem = readInvocation(parser, invocation);
    if (!problem.isEmpty())
        return usageError(err, problem);
    InterruptGuard interrupts;
    device::selectBackend(invocation.useVirtual);
    if (invocation.serve)
        return serve(invocation.listen, invocation.mediaRoot, out, err);
    return invocation.list ? listBridges(invocation, out, err) : runScript(invocation, out, err);
}

} // namespace vistrel::cli

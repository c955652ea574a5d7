// Every program answers --help and --version before it opens a window or
// starts working, and the tools refuse a bad option just as early. The
// programs run without a display: one that built its GUI application first
// would fail to start.
#include "program_run.h"
#include "vistrel_version.h"

#include <QRegularExpression>
#include <QtTest>

namespace {

// A program and whether Qt reads its whole command line (Qt's GUI options
// pass, stray arguments do not) or a parser of its own does.
struct Program {
    QString name, path;
    bool qtParser;
};

QList<Program> programs()
{
    QList<Program> list = {{"vistrelctl", PROGRAM_VISTRELCTL, false}, {"vistrel-wire", PROGRAM_VISTREL_WIRE, false},
                           {"widgets-demo", PROGRAM_WIDGETS_DEMO, true},
                           {"vistrel-playback-bench", PROGRAM_VISTREL_PLAYBACK_BENCH, true},
                           {"vistrel-virtual-memory-bench", PROGRAM_VISTREL_VIRTUAL_MEMORY_BENCH, true},
                           {"vistrel-soak", PROGRAM_VISTREL_SOAK, true}, {"vistrel-virtual", PROGRAM_VISTREL_VIRTUAL, true}};
#ifdef HAS_VISTREL
    list.append({"vistrel", PROGRAM_VISTREL, true});
#endif
#ifdef HAS_VISTREL_CONSOLE_BENCH
    list.append({"vistrel-console-bench", PROGRAM_VISTREL_CONSOLE_BENCH, true});
#endif
    return list;
}

QProcessEnvironment withoutDisplay()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("DISPLAY");
    environment.remove("WAYLAND_DISPLAY");
    environment.insert("QT_QPA_PLATFORM", "xcb");
    return environment;
}

QString versionLine(const QString &name) { return QString("^%1 %2\\n$").arg(name, QRegularExpression::escape(VISTREL_VERSION)); }

const QString kNothing = "^$";
const QString kUnknownBogus = "[Uu]nknown option.*bogus";

// A row for the named program; none when this build lacks it.
void addRow(const QString &name, const char *label, const QStringList &arguments, int exitCode, const QString &out,
            const QString &err)
{
    for (const Program &program : programs())
        if (program.name == name)
            QTest::addRow("%s %s", qPrintable(name), label) << program.path << arguments << exitCode << out << err;
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT
private slots:
    void answersBeforeStarting_data();
    void answersBeforeStarting();
};

void TestCommandLine::answersBeforeStarting_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");  // patterns
    QTest::addColumn<QString>("err");
    for (const Program &program : programs()) {
        const QString &name = program.name;
        const QString usage = QString("^Usage: \\S*%1 ").arg(name);
        addRow(name, "--help", {"--help"}, 0, usage, kNothing);
        addRow(name, "-h", {"-h"}, 0, usage, kNothing);
        addRow(name, "--version", {"--version"}, 0, versionLine(name), kNothing);
        addRow(name, "-v", {"-v"}, 0, versionLine(name), kNothing);
        addRow(name, "unknown option", {"--bogus"}, 1, kNothing, kUnknownBogus);
        addRow(name, "unknown option beside --help", {"--help", "--bogus"}, 1, kNothing, kUnknownBogus);
        if (!program.qtParser)
            continue;
        addRow(name, "stray argument", {"extra"}, 1, kNothing, QString("^%1: Unexpected argument 'extra'").arg(name));
        addRow(name, "Qt's own options", {"-platform", "offscreen", "-style", "fusion", "--version"}, 0, versionLine(name), kNothing);
        addRow(name, "Qt option without its value", {"-style"}, 1, kNothing, "Missing value after '-style'");
    }
    addRow("vistrel-wire", "no log", {}, 1, kNothing, "no log file given");
    addRow("vistrel-wire", "two logs", {"a.log", "b.log"}, 1, kNothing, "only one log file, please: b.log");
    addRow("vistrel-wire", "option without its value", {"a.log", "--frame"}, 1, kNothing, "--frame needs a value");
    addRow("vistrel-wire", "a log named like an option after --", {"--", "--bogus"}, 1, kNothing, "^vistrel-wire: cannot open --bogus: ");
    addRow("vistrel-playback-bench", "seconds not a number", {"--seconds", "ten"}, 1, kNothing, "^vistrel-playback-bench: --seconds wants a whole number.*'ten'");
    addRow("vistrel-playback-bench", "seconds below 1", {"--seconds=0"}, 1, kNothing, "--seconds wants a whole number.*'0'");
    addRow("vistrel-virtual-memory-bench", "no frames", {"--frames", "0"}, 1, kNothing, "^vistrel-virtual-memory-bench: --frames wants a whole number.*'0'");
    addRow("vistrel-soak", "no minutes", {"--minutes", "0"}, 1, kNothing, "^vistrel-soak: --minutes wants a positive number: '0'");
    addRow("vistrel-soak", "fps above 60", {"--fps", "61"}, 1, kNothing, "^vistrel-soak: --fps wants 1 to 60: '61'");
    addRow("vistrel-virtual", "--help lists --play", {"--help"}, 0, "\\n  --play <file> ", kNothing);
    addRow("vistrel-virtual", "--fps above 60", {"--play", "a.mp4", "--fps", "61"}, 1, kNothing, "^vistrel-virtual: --fps takes a whole number from 1 to 60");
    addRow("vistrel-virtual", "--fps not a number", {"--play", "a.mp4", "--fps", "6o"}, 1, kNothing, "--fps takes a whole number from 1 to 60");
    addRow("vistrel-virtual", "--loop without --play", {"--loop"}, 1, kNothing, "^vistrel-virtual: --loop and --fps go with --play");
    addRow("vistrel-console-bench", "runs not a number", {"--runs", "two"}, 1, kNothing, "^vistrel-console-bench: --runs wants a whole number");
    addRow("vistrel-console-bench", "an unknown case", {"--only", "1x1@1"}, 1, kNothing, "^vistrel-console-bench: --only names no case: '1x1@1'");
}

void TestCommandLine::answersBeforeStarting()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    // Work that started anyway (a measurement, an event loop) shows as a timeout: -1.
    const testenv::ProgramRun run = testenv::runProgram(program, arguments, withoutDisplay(), 20000);
    QVERIFY2(run.exitCode == exitCode,
             qPrintable(QString("exit %1, wanted %2; stderr: %3").arg(run.exitCode).arg(exitCode).arg(run.err)));
    QVERIFY2(QRegularExpression(out).match(run.out).hasMatch(), qPrintable("stdout: " + run.out));
    QVERIFY2(QRegularExpression(err).match(run.err).hasMatch(), qPrintable("stderr: " + run.err));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_command_line.moc"

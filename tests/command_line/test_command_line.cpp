// Every program answers --help and --version before it opens a window or
// starts working, and the tools refuse a bad option just as early. The
// programs run without a display: one that built its GUI application first
// would fail to start.
#include "program_run.h"
#include "vistrel_version.h"

#include <QRegularExpression>
#include <QtTest>

namespace {

// How far a program reads its command line before it needs a display.
enum class Parser {
    Plain,    // a parser of its own, no Qt
    Qt,       // the whole command line; Qt's GUI options pass, stray arguments do not
};

struct Program {
    QString name;
    QString path;
    Parser parser;
};

QList<Program> programs()
{
    QList<Program> list = {
        {QStringLiteral("vistrel-wire"), QStringLiteral(PROGRAM_VISTREL_WIRE), Parser::Plain},
        {QStringLiteral("widgets-demo"), QStringLiteral(PROGRAM_WIDGETS_DEMO), Parser::Qt},
        {QStringLiteral("vistrel-playback-bench"), QStringLiteral(PROGRAM_VISTREL_PLAYBACK_BENCH), Parser::Qt},
        {QStringLiteral("vistrel-virtual-memory-bench"), QStringLiteral(PROGRAM_VISTREL_VIRTUAL_MEMORY_BENCH), Parser::Qt},
        {QStringLiteral("vistrel-soak"), QStringLiteral(PROGRAM_VISTREL_SOAK), Parser::Qt},
        {QStringLiteral("vistrel-virtual"), QStringLiteral(PROGRAM_VISTREL_VIRTUAL), Parser::Qt},
    };
#ifdef HAS_VISTREL
    list.append({QStringLiteral("vistrel"), QStringLiteral(PROGRAM_VISTREL), Parser::Qt});
#endif
#ifdef HAS_VISTREL_CONSOLE_BENCH
    list.append({QStringLiteral("vistrel-console-bench"), QStringLiteral(PROGRAM_VISTREL_CONSOLE_BENCH), Parser::Qt});
#endif
    return list;
}

Program program(const QString &name)
{
    for (const Program &candidate : programs()) {
        if (candidate.name == name)
            return candidate;
    }
    return {};
}

QProcessEnvironment withoutDisplay()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    return environment;
}

QString versionLine(const QString &name)
{
    return QStringLiteral("^%1 %2\\n$").arg(name, QRegularExpression::escape(QStringLiteral(VISTREL_VERSION)));
}

const QString kNothing = QStringLiteral("^$");
const QString kUnknownBogus = QStringLiteral("[Uu]nknown option.*bogus");

void addRow(const Program &program, const char *label, const QStringList &arguments, int exitCode,
            const QString &out, const QString &err)
{
    QTest::addRow("%s %s", qPrintable(program.name), label) << program.path << arguments << exitCode << out << err;
}

void addCommonRows(const Program &program)
{
    const QString usage = QStringLiteral("^Usage: \\S*%1 ").arg(program.name);
    addRow(program, "--help", {"--help"}, 0, usage, kNothing);
    addRow(program, "-h", {"-h"}, 0, usage, kNothing);
    addRow(program, "--version", {"--version"}, 0, versionLine(program.name), kNothing);
    addRow(program, "-v", {"-v"}, 0, versionLine(program.name), kNothing);
    addRow(program, "unknown option", {"--bogus"}, 1, kNothing, kUnknownBogus);
    addRow(program, "unknown option beside --help", {"--help", "--bogus"}, 1, kNothing, kUnknownBogus);
}

void addQtRows(const Program &program)
{
    addRow(program, "stray argument", {"extra"}, 1, kNothing, QStringLiteral("^%1: Unexpected argument 'extra'").arg(program.name));
    addRow(program, "Qt's own options", {"-platform", "offscreen", "-style", "fusion", "--version"}, 0,
           versionLine(program.name), kNothing);
    addRow(program, "Qt option without its value", {"-style"}, 1, kNothing, "Missing value after '-style'");
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
        addCommonRows(program);
        if (program.parser == Parser::Qt)
            addQtRows(program);
    }
    const Program wire = program(QStringLiteral("vistrel-wire"));
    addRow(wire, "no log", {}, 1, kNothing, "no log file given");
    addRow(wire, "two logs", {"a.log", "b.log"}, 1, kNothing, "only one log file, please: b.log");
    addRow(wire, "option without its value", {"a.log", "--frame"}, 1, kNothing, "--frame needs a value");
    addRow(wire, "a log named like an option after --", {"--", "--bogus"}, 1, kNothing, "^vistrel-wire: cannot open --bogus: ");
    const Program bench = program(QStringLiteral("vistrel-playback-bench"));
    addRow(bench, "seconds not a number", {"--seconds", "ten"}, 1, kNothing, "^vistrel-playback-bench: --seconds wants a whole number.*'ten'");
    addRow(bench, "seconds below 1", {"--seconds=0"}, 1, kNothing, "--seconds wants a whole number.*'0'");
    addRow(program(QStringLiteral("vistrel-virtual-memory-bench")), "no frames", {"--frames", "0"}, 1, kNothing,
           "^vistrel-virtual-memory-bench: --frames wants a whole number.*'0'");
    const Program soak = program(QStringLiteral("vistrel-soak"));
    addRow(soak, "no minutes", {"--minutes", "0"}, 1, kNothing, "^vistrel-soak: --minutes wants a positive number: '0'");
    addRow(soak, "fps above 60", {"--fps", "61"}, 1, kNothing, "^vistrel-soak: --fps wants 1 to 60: '61'");
    const Program console = program(QStringLiteral("vistrel-virtual"));
    addRow(console, "--help lists --play", {"--help"}, 0, "\\n  --play <file> ", kNothing);
    addRow(console, "--fps above 60", {"--play", "a.mp4", "--fps", "61"}, 1, kNothing,
           "^vistrel-virtual: --fps takes a whole number from 1 to 60");
    addRow(console, "--fps not a number", {"--play", "a.mp4", "--fps", "6o"}, 1, kNothing, "--fps takes a whole number from 1 to 60");
    addRow(console, "--loop without --play", {"--loop"}, 1, kNothing, "^vistrel-virtual: --loop and --fps go with --play");
    const Program wholeProgram = program(QStringLiteral("vistrel-console-bench"));
    if (!wholeProgram.path.isEmpty()) {
        addRow(wholeProgram, "runs not a number", {"--runs", "two"}, 1, kNothing, "^vistrel-console-bench: --runs wants a whole number");
        addRow(wholeProgram, "an unknown case", {"--only", "1x1@1"}, 1, kNothing, "^vistrel-console-bench: --only names no case: '1x1@1'");
    }
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
             qPrintable(QStringLiteral("exit %1, wanted %2; stderr: %3").arg(run.exitCode).arg(exitCode).arg(run.err)));
    QVERIFY2(QRegularExpression(out).match(run.out).hasMatch(), qPrintable(QStringLiteral("stdout: ") + run.out));
    QVERIFY2(QRegularExpression(err).match(run.err).hasMatch(), qPrintable(QStringLiteral("stderr: ") + run.err));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_command_line.moc"

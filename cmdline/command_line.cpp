#include "command_line.h"

#include "vistrel_version.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace vistrel {

namespace {

// QGuiApplication's and QApplication's own options. The parser must accept
// them because QApplication, created later, takes them from argv itself.
void allowQtGuiOptions(QCommandLineParser &parser)
{
    const char *const withValue[] = {"platform", "platformpluginpath", "platformtheme", "plugin",
                                     "qwindowgeometry", "qwindowicon", "qwindowtitle", "session",
                                     "display", "geometry", "style", "stylesheet", "qmljsdebugger"};
    const char *const flags[] = {"reverse", "widgetcount", "nograb", "dograb"};
    for (const char *name : withValue) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char *name : flags) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

} // namespace

void parseBeforeApplication(QCommandLineParser &parser, int argc, char *argv[])
{
    QCoreApplication::setApplicationVersion(QStringLiteral(VISTREL_VERSION));
    parser.addHelpOption();
    parser.addVersionOption();
    allowQtGuiOptions(parser);
    // Qt's options have one dash and whole words: -platform, not -p -l -a ...
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    // A core application is all the help text needs; it works on a copy, so
    // the GUI application still finds argv untouched.
    std::vector<char *> arguments(argv, argv + argc);
    int count = argc;
    const QCoreApplication reader(count, arguments.data());
    parser.process(reader);
    for (const QString &stray : parser.positionalArguments())
        rejectCommandLine(QStringLiteral("Unexpected argument '%1'.").arg(stray));
}

void rejectCommandLine(const QString &message)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()), qPrintable(message));
    std::exit(EXIT_FAILURE);
}

long positiveNumber(const QCommandLineParser &parser, const QCommandLineOption &option)
{
    bool whole = false;
    const QString text = parser.value(option);
    const long number = text.toLong(&whole);
    if (!whole || number < 1)
        rejectCommandLine(QStringLiteral("--%1 wants a whole number, 1 or more: '%2'").arg(option.names().constFirst(), text));
    return number;
}

} // namespace vistrel

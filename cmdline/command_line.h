// The command line of a Qt program, read before its application object
// exists: QApplication cannot start without a display, and --help, --version
// and a mistyped option must be answered without one.
#ifndef VISTREL_CMDLINE_COMMAND_LINE_H
#define VISTREL_CMDLINE_COMMAND_LINE_H

class QCommandLineOption;
class QCommandLineParser;
class QString;

namespace vistrel {

// Adds --help and --version, lets Qt's own GUI options (-platform, -style,
// ...) through for QApplication, and parses argv. --help and --version print
// and exit with 0; an unknown option, a missing value or any argument that is
// not an option prints and exits with 1. Otherwise the results stay in the
// parser. Add the program's options first.
void parseBeforeApplication(QCommandLineParser &parser, int argc, char *argv[]);

// Prints "program: message" to stderr and exits with 1, as a bad option does.
[[noreturn]] void rejectCommandLine(const QString &message);

// The option's value as a whole number of at least 1; anything else is
// rejected as above.
long positiveNumber(const QCommandLineParser &parser, const QCommandLineOption &option);

} // namespace vistrel

#endif

// vistrelctl's command line: options, the bridge backend, and list, run or -e.
// Callable in-process (the tests do) with any output streams; a
// QCoreApplication must exist.
#ifndef VISTREL_CLI_VISTRELCTL_APP_H
#define VISTREL_CLI_VISTRELCTL_APP_H

#include <QStringList>
#include <QTextStream>

namespace vistrel::cli {

// arguments: as QCoreApplication::arguments(), the program name first.
// Returns the exit status.
int runVistrelctl(const QStringList &arguments, QTextStream &out, QTextStream &err);

} // namespace vistrel::cli

#endif

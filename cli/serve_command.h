// vistrelctl serve: the remote-control server on a session of its own, with
// no window, until SIGINT or SIGTERM.
#ifndef VISTREL_CLI_SERVE_COMMAND_H
#define VISTREL_CLI_SERVE_COMMAND_H

#include <QString>
#include <QTextStream>

namespace vistrel::cli {

// listen: [ADDR:]PORT, empty for 127.0.0.1:5025; mediaRoot: empty for none.
// Returns 1 when it cannot serve, else 128 + the signal that ended it, after
// what is shown was taken down and the link closed.
int serve(const QString &listen, const QString &mediaRoot, QTextStream &out, QTextStream &err);

} // namespace vistrel::cli

#endif

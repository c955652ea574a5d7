// vistrelctl's exit statuses, and which one a session notice stands for.
#ifndef VISTREL_CLI_EXIT_STATUS_H
#define VISTREL_CLI_EXIT_STATUS_H

#include "session_types.h"

namespace vistrel::cli {

enum class ExitStatus {
    Ok = 0,
    Usage = 1,       // bad command line or script: nothing was sent
    NoBridge = 2,    // no such bridge, or it could not be opened
    LinkFailed = 3,  // a write failed or the bridge was lost
    Unreadable = 4,  // a picture or video could not be read
    Refused = 5,     // the session refused a command in the state the script left it in
};

// Interrupted by a signal: the shell's convention, 128 + its number.
int interruptedStatus(int signalNumber);

// The status a notice means when it ends a command; Ok for notices that
// report no failure (a link restored).
ExitStatus statusForNotice(session::Notice::Kind kind);

} // namespace vistrel::cli

#endif

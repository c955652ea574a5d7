// Ctrl+C (SIGINT) and SIGTERM while vistrelctl runs. The handler only
// records the signal; the runner looks at it between commands and while it
// waits, then takes down what is shown and closes the link itself.
#ifndef VISTREL_CLI_INTERRUPT_H
#define VISTREL_CLI_INTERRUPT_H

namespace vistrel::cli {

// Installs the handlers for its lifetime (and ignores SIGPIPE, so a closed
// output leaves the link to be closed as usual), then restores the previous ones.
class InterruptGuard
{
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard &) = delete;
    InterruptGuard &operator=(const InterruptGuard &) = delete;
};

// The number of the first signal received since the guard was made; 0 if none.
int pendingInterrupt();

// "SIGINT", "SIGTERM".
const char *signalName(int signalNumber);

} // namespace vistrel::cli

#endif

#include "interrupt.h"

#include <csignal>

namespace vistrel::cli {

namespace {

volatile std::sig_atomic_t g_signal = 0;

using Handler = void (*)(int);
Handler g_previousInt = SIG_DFL;
Handler g_previousTerm = SIG_DFL;
Handler g_previousPipe = SIG_DFL;

extern "C" void recordSignal(int signalNumber)
{
    if (g_signal == 0)
        g_signal = signalNumber;
}

} // namespace

InterruptGuard::InterruptGuard()
{
    g_signal = 0;
    g_previousInt = std::signal(SIGINT, recordSignal);
    g_previousTerm = std::signal(SIGTERM, recordSignal);
#ifdef SIGPIPE
    // A reader that goes away (| head) must not end the program with the link open.
    g_previousPipe = std::signal(SIGPIPE, SIG_IGN);
#endif
}

InterruptGuard::~InterruptGuard()
{
    std::signal(SIGINT, g_previousInt == SIG_ERR ? SIG_DFL : g_previousInt);
    std::signal(SIGTERM, g_previousTerm == SIG_ERR ? SIG_DFL : g_previousTerm);
#ifdef SIGPIPE
    std::signal(SIGPIPE, g_previousPipe == SIG_ERR ? SIG_DFL : g_previousPipe);
#endif
}

int pendingInterrupt()
{
    return g_signal;
}

const char *signalName(int signalNumber)
{
    return signalNumber == SIGINT ? "SIGINT" : signalNumber == SIGTERM ? "SIGTERM" : "a signal";
}

} // namespace vistrel::cli

#include "frame_pacer.h"

#include <algorithm>
#include <thread>

namespace vistrel::display {

namespace {

using namespace std::chrono_literals;

// Sleeps are cut into slices so a stop request is seen within one slice.
constexpr auto kSlice = 2ms;
// The last stretch before a deadline is waited out by polling the clock: a
// sleep often wakes a tenth of a millisecond late, which would lower the
// rate. No yield there: on a busy machine a yield gives the core away for a
// whole time slice.
constexpr auto kSpinWindow = 200us;
constexpr auto kIdlePause = 10ms;

} // namespace

FramePacer::FramePacer(int fps)
    : m_period(std::chrono::ceil<Clock::duration>(
          std::chrono::duration<double>(1.0 / std::max(fps, 1))))
{
}

bool FramePacer::waitForTurn(const std::atomic<bool> &keepGoing)
{
    if (m_lastStart && !sleepUntil(*m_lastStart + m_period, keepGoing))
        return false;
    if (!keepGoing)
        return false;
    m_lastStart = Clock::now();
    return true;
}

bool FramePacer::finishPeriod(const std::atomic<bool> &keepGoing)
{
    if (m_lastStart)
        return sleepUntil(*m_lastStart + m_period, keepGoing);
    return keepGoing;
}

void FramePacer::idle(const std::atomic<bool> &keepGoing)
{
    sleepUntil(Clock::now() + kIdlePause, keepGoing);
}

bool FramePacer::sleepUntil(Clock::time_point deadline, const std::atomic<bool> &keepGoing)
{
    while (keepGoing) {
        const auto now = Clock::now();
        if (now >= deadline)
            return true;
        const auto remaining = deadline - now;
        if (remaining > kSpinWindow)
            std::this_thread::sleep_for(std::min<Clock::duration>(remaining - kSpinWindow, kSlice));
    }
    return false;
}

} // namespace vistrel::display

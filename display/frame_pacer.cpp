#include "frame_pacer.h"

#include <algorithm>
#include <thread>

#ifdef __linux__
#include <sched.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdint>
#endif

namespace vistrel::display {

namespace {

using namespace std::chrono_literals;

// A sleep often wakes tens of microseconds late, which would lower the rate;
// the margin before a deadline is therefore polled (no yield: on a busy
// machine a yield gives the core away for a whole time slice). The margin
// follows the mean lateness, within these bounds: a write then starts a few
// microseconds late about as often as the poll lasts a few, instead of
// polling a fixed 200 us for every frame.
constexpr auto kLeastMargin = 20us;
constexpr auto kMostMargin = 200us;
constexpr auto kIdlePause = 10ms;

#ifdef __linux__
// The kernel's sched_attr, first version (no C library wraps the call).
struct SchedAttr {
    std::uint32_t size;
    std::uint32_t policy;
    std::uint64_t flags;
    std::int32_t nice;
    std::uint32_t priority;
    std::uint64_t runtime;  // for ordinary threads: the slice asked for, in ns
    std::uint64_t deadline;
    std::uint64_t period;
};

// Since Linux 6.12 a thread woken while the cores run others (the decoder
// working ahead) waits until the running one has used its slice, about
// 3 ms, unless it asked for shorter slices itself. The writer wakes once a
// period and works for well under a millisecond, so it asks for the
// shortest; its policy and nice value stay as they are. Older kernels accept
// and ignore the request for ordinary threads.
void askForShortSlices()
{
    SchedAttr attr{};
    if (syscall(SYS_sched_getattr, 0, &attr, sizeof attr, 0) != 0 || attr.policy != SCHED_OTHER)
        return;
    attr.size = sizeof attr;
    attr.runtime = FramePacer::kShortestSlice;
    syscall(SYS_sched_setattr, 0, &attr, 0);
}
#endif

} // namespace

void FramePacer::preciseSleepsOnThisThread()
{
    // Linux lets a sleep end up to 50 us late for the kernel's convenience
    // (timer slack); a pacing thread wants it to end on time.
#ifdef __linux__
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    askForShortSlices();
#endif
}

FramePacer::FramePacer(int fps)
    : m_period(std::chrono::ceil<Clock::duration>(
          std::chrono::duration<double>(1.0 / std::max(fps, 1))))
    , m_margin(kMostMargin)
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

void FramePacer::interrupt()
{
    // Taking the lock orders this after a waiter's last look at the flag.
    { std::lock_guard<std::mutex> lock(m_mutex); }
    m_wake.notify_all();
}

bool FramePacer::sleepUntil(Clock::time_point deadline, const std::atomic<bool> &keepGoing)
{
    const Clock::time_point wakeAt = deadline - m_margin;
    if (Clock::now() < wakeAt) {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_wake.wait_until(lock, wakeAt, [&keepGoing] { return !keepGoing; }))
            return false;
        lock.unlock();
        learnLateness(Clock::now() - wakeAt);
    }
    while (Clock::now() < deadline) {
        if (!keepGoing)
            return false;
    }
    return keepGoing;
}

void FramePacer::learnLateness(Clock::duration late)
{
    m_lateness = (m_lateness * 7 + std::max(late, Clock::duration::zero())) / 8;
    m_margin = std::clamp<Clock::duration>(m_lateness, kLeastMargin, kMostMargin);
}

} // namespace vistrel::display

// Paces frame writes on a steady clock: a write starts no earlier than one
// period (1000 / fps ms, not rounded) after the previous one started. A late
// frame goes out at once, and the next period counts from it, so a worker
// that fell behind never sends a burst to catch up.
//
// A wait is one sleep to just before the deadline, then a short poll of the
// clock for the rest: few wake-ups per frame, and no write starts early or
// (beyond the scheduler's say) late. Whoever clears keepGoing calls
// interrupt() so a sleeping pacer returns at once.
#ifndef VISTREL_DISPLAY_FRAME_PACER_H
#define VISTREL_DISPLAY_FRAME_PACER_H

#include <atomic>
#include <chrono>
#include <cstdint>
#include <condition_variable>
#include <mutex>
#include <optional>

namespace vistrel::display {

class FramePacer {
public:
    using Clock = std::chrono::steady_clock;

    // A rate below 1 is taken as 1.
    explicit FramePacer(int fps);

    Clock::duration period() const { return m_period; }

    // Blocks until the next write may start and marks that moment as its
    // start. Returns false, without marking, as soon as keepGoing is cleared.
    bool waitForTurn(const std::atomic<bool> &keepGoing);

    // Blocks until the period of the last write is over, so that frame stays
    // up as long as the others did. Returns at once when nothing was written;
    // false as soon as keepGoing is cleared.
    bool finishPeriod(const std::atomic<bool> &keepGoing);

    // A pause for a pass that sends nothing, so such passes do not spin.
    // Ends early when keepGoing is cleared.
    void idle(const std::atomic<bool> &keepGoing);

    // Wakes a waiting pacer to look at its keepGoing flag; any thread.
    void interrupt();

    // For the thread that waits: sleeps end as close to their time as the
    // system allows, and a wake-up does not wait for a busy core's slice to
    // end (where the system lets a program ask).
    static void preciseSleepsOnThisThread();
    // The slice the waiting thread asks for, in ns (Linux's shortest).
    static constexpr std::uint64_t kShortestSlice = 100'000;

    // How long before a deadline the sleep ends; the rest is polled. It
    // follows how late this thread's sleeps have woken.
    Clock::duration wakeMargin() const { return m_margin; }

private:
    bool sleepUntil(Clock::time_point deadline, const std::atomic<bool> &keepGoing);
    void learnLateness(Clock::duration late);

    Clock::duration m_period;
    std::optional<Clock::time_point> m_lastStart;
    Clock::duration m_margin;
    Clock::duration m_lateness{};  // a running mean of how late sleeps end
    std::mutex m_mutex;
    std::condition_variable m_wake;
};

} // namespace vistrel::display

#endif

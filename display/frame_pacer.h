// Paces frame writes on a steady clock: a write starts no earlier than one
// period (1000 / fps ms, not rounded) after the previous one started. A late
// frame goes out at once, and the next period counts from it, so a worker
// that fell behind never sends a burst to catch up.
#ifndef VISTREL_DISPLAY_FRAME_PACER_H
#define VISTREL_DISPLAY_FRAME_PACER_H

#include <atomic>
#include <chrono>
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

private:
    bool sleepUntil(Clock::time_point deadline, const std::atomic<bool> &keepGoing);

    Clock::duration m_period;
    std::optional<Clock::time_point> m_lastStart;
};

} // namespace vistrel::display

#endif

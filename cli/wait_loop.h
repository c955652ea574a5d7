// Runs the event loop while vistrelctl waits (a play, a wait, a bridge to
// appear) until a condition holds, a time limit passes or a signal arrives.
// The condition is checked every poll interval and whenever a signal named
// with recheckOn is emitted.
#ifndef VISTREL_CLI_WAIT_LOOP_H
#define VISTREL_CLI_WAIT_LOOP_H

#include <QEventLoop>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <optional>

namespace vistrel::cli {

class WaitLoop : public QObject
{
public:
    explicit WaitLoop(std::function<bool()> done);

    template <typename Sender, typename Signal>
    void recheckOn(const Sender *sender, Signal signal)
    {
        connect(sender, signal, this, [this] { check(); });
    }

    // Returns whether the condition held.
    bool run(std::optional<std::chrono::milliseconds> limit,
             std::chrono::milliseconds pollEvery = std::chrono::milliseconds(100));

private:
    void check();

    std::function<bool()> m_done;
    QEventLoop m_loop;
    QTimer m_poll;
    QTimer m_limit;
};

} // namespace vistrel::cli

#endif

#include "wait_loop.h"

#include "interrupt.h"

namespace vistrel::cli {

WaitLoop::WaitLoop(std::function<bool()> done) : m_done(std::move(done))
{
    connect(&m_poll, &QTimer::timeout, this, &WaitLoop::check);
    m_limit.setSingleShot(true);
    m_limit.setTimerType(Qt::PreciseTimer);
    connect(&m_limit, &QTimer::timeout, &m_loop, &QEventLoop::quit);
}

bool WaitLoop::run(std::optional<std::chrono::milliseconds> limit, std::chrono::milliseconds pollEvery)
{
    if (m_done())
        return true;
    if (pendingInterrupt())
        return false;
    if (limit)
        m_limit.start(*limit);
    m_poll.start(pollEvery);
    m_loop.exec();
    m_poll.stop();
    m_limit.stop();
    return m_done();
}

void WaitLoop::check()
{
    if (m_done() || pendingInterrupt())
        m_loop.quit();
}

} // namespace vistrel::cli

#include "read_ahead.h"

namespace vistrel::display {

bool ReadAhead::roomFor(std::size_t frames, std::size_t bytes)
{
    if (frames == 0)
        return m_filling = true;
    const bool full = frames >= kMostFrames || bytes >= kMostBytes;
    if (m_filling)
        m_filling = !full;
    else
        m_filling = worthWaking(frames) && !full;
    return m_filling;
}

} // namespace vistrel::display

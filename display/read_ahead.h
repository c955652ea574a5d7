// How far the video reader runs ahead of the writer. It reads in runs: it
// fills its queue, then rests until the writer has taken all but a few
// frames, then fills it again. A decoder woken once per period starts cold
// every time (its threads asleep, its caches taken by everything else);
// one woken for a run of frames pays that once per run. On the development
// machine that is 0.3 to 0.8 ms of CPU per frame at 60 fps.
#ifndef VISTREL_DISPLAY_READ_AHEAD_H
#define VISTREL_DISPLAY_READ_AHEAD_H

#include <cstddef>

namespace vistrel::display {

class ReadAhead {
public:
    static constexpr std::size_t kMostFrames = 24;
    // Previews are made at the size shown, which on a large screen may be
    // several megabytes each.
    static constexpr std::size_t kMostBytes = std::size_t{48} << 20;
    // Frames still queued when the reader starts its next run: enough to
    // ride over a slow frame while the decoder wakes up.
    static constexpr std::size_t kRefillAt = 4;

    // Whether the reader may queue one more frame now, given what is queued.
    // An empty queue always has room, however large a frame is.
    bool roomFor(std::size_t frames, std::size_t bytes);
    // Whether taking a frame that leaves `frames` queued may end a rest.
    static bool worthWaking(std::size_t frames) { return frames <= kRefillAt; }

private:
    bool m_filling = true;
};

} // namespace vistrel::display

#endif

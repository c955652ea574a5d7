// Where a playing video is and how well its rate is kept, as the video worker
// measures it. The session passes it on; the window only shows its text.
#ifndef VISTREL_DISPLAY_PLAYBACK_PROGRESS_H
#define VISTREL_DISPLAY_PLAYBACK_PROGRESS_H

#include <QMetaType>
#include <QString>

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>

namespace vistrel::display {

struct PlaybackProgress {
    std::int64_t frame = 0;        // the frame just written, from 1 in each pass over the file
    std::int64_t totalFrames = 0;  // frames in the file; 0 when the file does not say
    int askedFps = 0;
    double achievedFps = 0;        // writes per second over the last second
    double decoderFps = 0;         // frames per second the decoder alone managed meanwhile
    bool settled = false;          // a whole second of writes lies behind both rates

    // Times at the asked rate: the end of this frame, the length of the file.
    double positionSeconds() const;
    double durationSeconds() const;
    // The asked rate is not kept: settled, and below it by more than 3 %.
    bool rateMissed() const;
    // ... because decoding alone takes longer than a period.
    bool decoderBound() const;
};

// "frame 120 / 600 · 00:02 / 00:10 · 60.0 fps"; a missed rate reads
// "... · decoder keeps 41 of 60 fps" (or "41 of 60 fps kept" when the
// decoder is not what holds it back).
QString progressText(const PlaybackProgress &progress);

// Follows the writes of one playback and says when a report is due.
class ProgressMeter {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr auto kReportInterval = std::chrono::milliseconds(100);

    ProgressMeter(int askedFps, std::int64_t totalFrames);

    // A frame went out: its number in the pass, when its write started and
    // how long the decoder took to read and convert it. Gives the progress
    // for the first frame, the file's last, and otherwise every
    // kReportInterval, so the window is not woken for each frame.
    std::optional<PlaybackProgress> frameWritten(std::int64_t frame, Clock::time_point start,
                                                 Clock::duration decodeTime);

private:
    struct Write {
        Clock::time_point start;
        Clock::duration decodeTime;
    };
    PlaybackProgress measure(std::int64_t frame) const;

    int m_askedFps;
    std::int64_t m_totalFrames;
    std::deque<Write> m_window;  // the writes of the last second
    std::optional<Clock::time_point> m_firstStart;
    std::optional<Clock::time_point> m_lastReport;
};

} // namespace vistrel::display

Q_DECLARE_METATYPE(vistrel::display::PlaybackProgress)

#endif

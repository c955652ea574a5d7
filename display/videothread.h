// Plays one video file on the panel from a thread of its own: hands one gray
// 180 x 100 display frame per decoded frame to its sink, on the pacer's
// clock, and hands the GUI thread a preview at the preview area's size and
// the progress.
//
// Decoding runs ahead on a second thread (FrameReader), started and joined
// inside run(): the writer never waits for a decode that could have been
// done while it waited for its turn. The worker never touches the bridge:
// its owner's sink writes each frame.
#ifndef VISTREL_DISPLAY_VIDEOTHREAD_H
#define VISTREL_DISPLAY_VIDEOTHREAD_H

#include "display_frame.h"
#include "playback_progress.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <QThread>
#include <opencv2/videoio.hpp>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

namespace vistrel::display {

class FramePacer;
class FrameReader;
class ProgressMeter;
struct ReadFrame;

// Takes one display frame, on the worker's thread; false when the frame was
// not taken whole, which ends the playback there (a bridge that refuses one
// frame refuses the next sixty too).
using FrameSink = std::function<bool(const protocol::Bytes &frame)>;

struct VideoOptions {
    QString path;
    int fps = 60;       // below 1 counts as 1
    bool loop = false;  // Loop Play at the start; setLoop() changes it later
    // Bounds on one playback (0: none). Reaching one ends it as the end of a
    // file does: the last frame keeps its period, then sendFrameStop(false).
    // passLimit counts passes over the file, so it only matters with loop.
    std::uint64_t frameLimit = 0;
    std::uint64_t passLimit = 0;
    QSize previewArea;  // in device pixels; empty: no preview
    FrameSink sink;
};

class VideoThread : public QThread
{
    Q_OBJECT

public:
    // Opens the file at once, so its owner knows before starting whether it plays.
    explicit VideoThread(VideoOptions options);
    ~VideoThread() override;

    bool opened() const { return m_capture.isOpened(); }
    // Starts writing; a worker is started once.
    void play();
    // Ends playback; a running worker is joined (its reader too). Nothing is
    // handed to the sink afterwards.
    void stop();
    void setLoop(bool loop) { m_loop = loop; }
    // Safe from any thread; the next decoded frame uses it.
    void setPreviewArea(QSize area);
    QSize previewArea() const;
    std::uint64_t framesWritten() const { return m_framesWritten; }

signals:
    // The preview of the frame just written.
    void frameReady(QImage frame);
    void progress(const vistrel::display::PlaybackProgress &progress);
    // The file (or a bound) ended by itself; the worker is finishing.
    void sendFrameStop(bool playing);
    void sendDebug(QString txt);

protected:
    void run() override;

private:
    void playFrames(FrameReader &reader, ProgressMeter &meter);
    bool sendFrame(ReadFrame &item, ProgressMeter &meter);
    bool handleEndOfFile(bool rewound, FrameReader &reader);
    bool rewindWanted() const;
    bool frameLimitReached() const;
    void reportEnd();
    void halt();  // clears m_playing and wakes the writer if it sleeps

    const int m_fps;
    const std::uint64_t m_frameLimit;
    const std::uint64_t m_passLimit;
    const FrameSink m_sink;
    cv::VideoCapture m_capture;
    std::atomic<bool> m_playing{false};
    std::atomic<bool> m_loop;
    std::atomic<std::uint64_t> m_framesWritten{0};
    std::atomic<std::uint64_t> m_previewArea;  // width << 32 | height
    // Made with the worker, so a stop can wake it; used by run() alone.
    std::unique_ptr<FramePacer> m_pacer;
    bool m_frameSinceRewind = false;
    std::uint64_t m_passesDone = 0;
};

} // namespace vistrel::display

#endif

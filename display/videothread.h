// Plays one video file on the panel from a thread of its own: writes one gray
// 180 x 100 display frame per decoded frame, on the pacer's clock, and hands
// the GUI thread a preview at the preview area's size and the progress.
//
// Decoding runs ahead on a second thread (FrameReader), started and joined
// inside run(): the writer never waits for a decode that could have been
// done while it waited for its turn. Only the writer writes.
#ifndef VISTREL_DISPLAY_VIDEOTHREAD_H
#define VISTREL_DISPLAY_VIDEOTHREAD_H

#include "d2xx.h"
#include "playback_progress.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <QThread>
#include <opencv2/videoio.hpp>

#include <atomic>
#include <cstdint>
#include <memory>

namespace vistrel::display {
class FramePacer;
class FrameReader;
class ProgressMeter;
struct ReadFrame;
}

class VideoThread : public QThread
{
    Q_OBJECT

public:
    VideoThread(QString path, int fps);
    ~VideoThread() override;

    // Ends playback: clears `playing`; a running worker is joined (its
    // reader too) and its deletion scheduled. A worker that had already
    // finished is left to its owner.
    void stop();

    // The preview's size in device pixels; an empty size makes no preview.
    // Safe from any thread; the next decoded frame uses it.
    void setPreviewArea(QSize area);
    QSize previewArea() const;

    std::atomic<bool> playing{false};
    std::atomic<bool> loopPlay{false};
    FT_HANDLE deviceHandle = nullptr;
    FT_STATUS writeStatus = FT_OK;
    std::atomic<quint64> framesWritten{0};
    // Bounds on one playback (0: none). Reaching one ends it as the end of a
    // file does: the last frame keeps its period, then sendFrameStop(false).
    // passLimit counts passes over the file, so it only matters with loopPlay.
    std::atomic<quint64> frameLimit{0};
    std::atomic<quint64> passLimit{0};
    cv::VideoCapture capture;
    int fps;

signals:
    // The preview of the frame just written.
    void frameReady(QImage frmae);
    void progress(const vistrel::display::PlaybackProgress &progress);
    void sendFrameStop(bool playing);
    void sendDebug(QString txt);
    // The first frame write that fails ends the worker: a bridge that
    // refuses one frame refuses the next sixty too.
    void frameWriteFailed(quint32 status);

protected:
    void run() override;

private:
    void play(vistrel::display::FrameReader &reader, vistrel::display::ProgressMeter &meter);
    bool sendFrame(vistrel::display::ReadFrame &item, vistrel::display::ProgressMeter &meter);
    bool handleEndOfFile(bool rewound, vistrel::display::FrameReader &reader);
    bool rewindWanted() const;
    bool frameLimitReached() const;
    void reportEnd();
    void halt();  // clears `playing` and wakes the writer if it sleeps

    // Made with the worker, so a stop can wake it; used by run() alone.
    std::unique_ptr<vistrel::display::FramePacer> m_pacer;

    std::atomic<std::uint64_t> m_previewArea;  // width << 32 | height
    bool m_frameSinceRewind = false;
    quint64 m_passesDone = 0;
};

#endif

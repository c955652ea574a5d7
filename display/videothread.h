// Plays one video file on the panel from a thread of its own: decodes each
// frame, sends it as a gray 180 x 100 display frame and hands a preview to
// the GUI thread.
#ifndef VISTREL_DISPLAY_VIDEOTHREAD_H
#define VISTREL_DISPLAY_VIDEOTHREAD_H

#include "d2xx.h"

#include <QImage>
#include <QString>
#include <QThread>
#include <opencv2/videoio.hpp>

#include <atomic>

namespace vistrel::display {
class FramePacer;
}

class VideoThread : public QThread
{
    Q_OBJECT

public:
    VideoThread(QString path, int fps);
    ~VideoThread() override;

    // Ends playback: clears `playing`; a running worker is joined and its
    // deletion scheduled. A worker that had already finished is left to its
    // owner.
    void stop();

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
    void frameReady(QImage frmae);
    void sendFrameStop(bool playing);
    void sendDebug(QString txt);
    // The first frame write that fails ends the worker: a bridge that
    // refuses one frame refuses the next sixty too.
    void frameWriteFailed(quint32 status);

protected:
    void run() override;

private:
    void playPass(vistrel::display::FramePacer &pacer);
    bool readFrame(cv::Mat &frame);
    void handleEndOfFile(vistrel::display::FramePacer &pacer);
    bool rewindWanted() const;
    void reportEnd();
    void sendFrame(const cv::Mat &frame, vistrel::display::FramePacer &pacer);

    bool m_frameSinceRewind = false;
    quint64 m_passesDone = 0;
};

#endif

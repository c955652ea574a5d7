#include "videothread.h"

#include "frame_conversion.h"
#include "frame_pacer.h"

#include <opencv2/core.hpp>

using vistrel::display::FramePacer;

VideoThread::VideoThread(QString path, int fps) : fps(fps)
{
    capture.open(path.toUtf8().toStdString(), cv::CAP_FFMPEG);
}

VideoThread::~VideoThread()
{
    playing = false;
    wait();
    capture.release();
}

void VideoThread::stop()
{
    playing = false;
    if (!isRunning())
        return;
    quit();
    wait();
    deleteLater();
}

void VideoThread::run()
{
    emit sendDebug(capture.isOpened() ? QStringLiteral("Inform: Able to open video file.")
                                      : QStringLiteral("Error: Unable to open video file."));
    if (!playing)
        return;
    FramePacer pacer(fps);
    do {
        playPass(pacer);
    } while (playing);
}

void VideoThread::playPass(FramePacer &pacer)
{
    if (!capture.isOpened()) {
        // Nothing to send until stopped; pause instead of spinning.
        pacer.idle(playing);
        return;
    }
    if (frameLimit && framesWritten >= frameLimit) {
        if (pacer.finishPeriod(playing))
            reportEnd();
        return;
    }
    cv::Mat frame;
    if (readFrame(frame))
        sendFrame(frame, pacer);
    else
        handleEndOfFile(pacer);
}

bool VideoThread::readFrame(cv::Mat &frame)
{
    try {
        return capture.read(frame) && !frame.empty();
    } catch (const cv::Exception &) {
        return false;  // a broken stream ends like the end of the file
    }
}

void VideoThread::handleEndOfFile(FramePacer &pacer)
{
    // The last frame keeps the panel for its whole period before the end is
    // reported; Loop Play, read again after it, may still have been switched on.
    ++m_passesDone;
    if (!rewindWanted() && !pacer.finishPeriod(playing))
        return;
    if (!rewindWanted()) {
        reportEnd();
        return;
    }
    // A file that yields no frame at all after a rewind would loop hot.
    if (!m_frameSinceRewind)
        pacer.idle(playing);
    m_frameSinceRewind = false;
    capture.set(cv::CAP_PROP_POS_FRAMES, 0.0);
}

bool VideoThread::rewindWanted() const
{
    return loopPlay && (passLimit == 0 || m_passesDone < passLimit);
}

void VideoThread::reportEnd()
{
    playing = false;
    emit sendFrameStop(false);
}

void VideoThread::sendFrame(const cv::Mat &frame, FramePacer &pacer)
{
    m_frameSinceRewind = true;
    vistrel::display::VideoFrame converted = vistrel::display::convertVideoFrame(frame);
    emit frameReady(converted.preview);
    if (!pacer.waitForTurn(playing))
        return;
    FT_DWORD written = 0;
    writeStatus = FT_Write(deviceHandle, converted.packet.data(),
                           static_cast<FT_DWORD>(converted.packet.size()), &written);
    if (writeStatus == FT_OK && written == converted.packet.size()) {
        ++framesWritten;
        return;
    }
    playing = false;
    emit frameWriteFailed(writeStatus == FT_OK ? FT_STATUS(FT_IO_ERROR) : writeStatus);
}

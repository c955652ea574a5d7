#include "videothread.h"

#include "frame_conversion.h"
#include "frame_pacer.h"
#include "frame_reader.h"

#include <opencv2/core.hpp>
#include <opencv2/core/utility.hpp>

using vistrel::display::FramePacer;
using vistrel::display::FrameReader;
using vistrel::display::ProgressMeter;

namespace {

std::uint64_t packArea(QSize area)
{
    const auto side = [](int length) { return static_cast<std::uint64_t>(std::max(0, length)); };
    return side(area.width()) << 32 | side(area.height());
}

constexpr int kDefaultPreviewWidth = 360;
constexpr int kDefaultPreviewHeight = 200;

} // namespace

VideoThread::VideoThread(QString path, int fps)
    : fps(fps), m_pacer(std::make_unique<FramePacer>(fps)),
      m_previewArea(packArea({kDefaultPreviewWidth, kDefaultPreviewHeight}))
{
    qRegisterMetaType<vistrel::display::PlaybackProgress>();
    // OpenCV's own thread pool is switched off for the whole process: a
    // frame's conversions are small, and the pool's threads would wake (and
    // spin) for each of them on the cores the decoder needs.
    cv::setNumThreads(0);
    capture.open(path.toUtf8().toStdString(), cv::CAP_FFMPEG);
}

VideoThread::~VideoThread()
{
    halt();
    wait();
    capture.release();
}

void VideoThread::halt()
{
    playing = false;
    m_pacer->interrupt();
}

void VideoThread::stop()
{
    // Asked first: a woken worker may finish before the question is put.
    const bool running = isRunning();
    halt();
    if (!running)
        return;
    quit();
    wait();
    deleteLater();
}

void VideoThread::setPreviewArea(QSize area)
{
    m_previewArea = packArea(area);
}

QSize VideoThread::previewArea() const
{
    const std::uint64_t packed = m_previewArea;
    return {static_cast<int>(packed >> 32), static_cast<int>(packed & 0xFFFFFFFFu)};
}

void VideoThread::run()
{
    emit sendDebug(capture.isOpened() ? QStringLiteral("Inform: Able to open video file.")
                                      : QStringLiteral("Error: Unable to open video file."));
    if (!playing)
        return;
    FramePacer::preciseSleepsOnThisThread();
    if (!capture.isOpened()) {
        // Nothing to send until stopped; pause instead of spinning.
        while (playing)
            m_pacer->idle(playing);
        return;
    }
    // Asked before the reader owns the capture.
    ProgressMeter meter(fps, static_cast<std::int64_t>(capture.get(cv::CAP_PROP_FRAME_COUNT)));
    FrameReader reader(capture, loopPlay, [this] {
        const QSize area = previewArea();
        return cv::Size(area.width(), area.height());
    });
    reader.start();
    play(reader, meter);
    reader.stop();  // joined before run() returns, so before stop() does
}

void VideoThread::play(FrameReader &reader, ProgressMeter &meter)
{
    FrameReader::Item item;
    while (reader.next(item, playing)) {
        const bool goOn = item.kind == FrameReader::Item::EndOfFile ? handleEndOfFile(item.rewound, reader)
                                                                    : sendFrame(item, meter);
        if (!goOn)
            return;
        // A bound reached ends the playback as the end of a file does; what
        // the reader read beyond it is never written.
        if (frameLimitReached()) {
            if (m_pacer->finishPeriod(playing))
                reportEnd();
            return;
        }
    }
}

// False when playback ends here: stopped, or the write failed.
bool VideoThread::sendFrame(vistrel::display::ReadFrame &item, ProgressMeter &meter)
{
    m_frameSinceRewind = true;
    if (!m_pacer->waitForTurn(playing))
        return false;
    const auto start = FramePacer::Clock::now();
    vistrel::protocol::Bytes &packet = item.frame.packet;
    FT_DWORD written = 0;
    writeStatus = FT_Write(deviceHandle, packet.data(), static_cast<FT_DWORD>(packet.size()), &written);
    if (writeStatus != FT_OK || written != packet.size()) {
        playing = false;
        emit frameWriteFailed(writeStatus == FT_OK ? FT_STATUS(FT_IO_ERROR) : writeStatus);
        return false;
    }
    ++framesWritten;
    if (!item.frame.preview.isNull())
        emit frameReady(item.frame.preview);
    if (const auto report = meter.frameWritten(item.index, start, item.decodeTime))
        emit progress(*report);
    return true;
}

// False when playback ends here.
bool VideoThread::handleEndOfFile(bool rewound, FrameReader &reader)
{
    // The last frame keeps the panel for its whole period before the end is
    // reported; Loop Play, read again after it, may still have been switched on.
    ++m_passesDone;
    if (!rewindWanted() && !m_pacer->finishPeriod(playing))
        return false;
    if (!rewindWanted()) {
        reportEnd();
        return false;
    }
    // A file that yields no frame at all after a rewind would loop hot.
    if (!m_frameSinceRewind)
        m_pacer->idle(playing);
    m_frameSinceRewind = false;
    if (!rewound)
        reader.rewind();
    return true;
}

bool VideoThread::rewindWanted() const
{
    return loopPlay && (passLimit == 0 || m_passesDone < passLimit);
}

bool VideoThread::frameLimitReached() const
{
    return frameLimit && framesWritten >= frameLimit;
}

void VideoThread::reportEnd()
{
    playing = false;
    emit sendFrameStop(false);
}

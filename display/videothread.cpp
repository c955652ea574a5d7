#include "videothread.h"

#include "frame_conversion.h"
#include "frame_pacer.h"
#include "frame_reader.h"
#include "thread_priority.h"

#include <opencv2/core.hpp>
#include <opencv2/core/utility.hpp>

#include <thread>

namespace vistrel::display {

namespace {

std::uint64_t packArea(QSize area)
{
    const auto side = [](int length) { return static_cast<std::uint64_t>(std::max(0, length)); };
    return side(area.width()) << 32 | side(area.height());
}

} // namespace

VideoThread::VideoThread(VideoOptions options)
    : m_fps(options.fps), m_frameLimit(options.frameLimit), m_passLimit(options.passLimit),
      m_sink(std::move(options.sink)), m_loop(options.loop), m_previewArea(packArea(options.previewArea)),
      m_pacer(std::make_unique<FramePacer>(options.fps))
{
    qRegisterMetaType<PlaybackProgress>();
    // OpenCV's own thread pool is switched off for the whole process: a
    // frame's conversions are small, and the pool's threads would wake (and
    // spin) for each of them on the cores the decoder needs.
    cv::setNumThreads(0);
    // Opened on a thread of lowered priority: the decoder's own threads,
    // started here, inherit it.
    std::thread opener([this, &options] {
        lowerThisThreadForDecoding();
        m_capture.open(options.path.toUtf8().toStdString(), cv::CAP_FFMPEG);
    });
    opener.join();
}

VideoThread::~VideoThread()
{
    stop();
    m_capture.release();
}

void VideoThread::play()
{
    m_playing = true;
    start();
}

void VideoThread::halt()
{
    m_playing = false;
    m_pacer->interrupt();
}

void VideoThread::stop()
{
    halt();
    wait();
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
    emit sendDebug(m_capture.isOpened() ? QStringLiteral("Inform: Able to open video file.")
                                        : QStringLiteral("Error: Unable to open video file."));
    if (!m_playing)
        return;
    FramePacer::preciseSleepsOnThisThread();
    if (!m_capture.isOpened()) {
        // Nothing to send until stopped; pause instead of spinning.
        while (m_playing)
            m_pacer->idle(m_playing);
        return;
    }
    // Asked before the reader owns the capture.
    ProgressMeter meter(m_fps, static_cast<std::int64_t>(m_capture.get(cv::CAP_PROP_FRAME_COUNT)));
    FrameReader reader(m_capture, m_loop, [this] {
        const QSize area = previewArea();
        return cv::Size(area.width(), area.height());
    });
    reader.start();
    playFrames(reader, meter);
    reader.stop();  // joined before run() returns, so before stop() does
}

void VideoThread::playFrames(FrameReader &reader, ProgressMeter &meter)
{
    FrameReader::Item item;
    while (reader.next(item, m_playing)) {
        const bool goOn = item.kind == FrameReader::Item::EndOfFile ? handleEndOfFile(item.rewound, reader)
                                                                    : sendFrame(item, meter);
        if (!goOn)
            return;
        // A bound reached ends the playback as the end of a file does; what
        // the reader read beyond it is never written.
        if (frameLimitReached()) {
            if (m_pacer->finishPeriod(m_playing))
                reportEnd();
            return;
        }
    }
}

// False when playback ends here: stopped, or the sink refused the frame.
bool VideoThread::sendFrame(ReadFrame &item, ProgressMeter &meter)
{
    m_frameSinceRewind = true;
    if (!m_pacer->waitForTurn(m_playing))
        return false;
    const auto start = FramePacer::Clock::now();
    if (!m_sink(item.frame.packet)) {
        m_playing = false;
        return false;
    }
    ++m_framesWritten;
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
    if (!rewindWanted() && !m_pacer->finishPeriod(m_playing))
        return false;
    if (!rewindWanted()) {
        reportEnd();
        return false;
    }
    // A file that yields no frame at all after a rewind would loop hot.
    if (!m_frameSinceRewind)
        m_pacer->idle(m_playing);
    m_frameSinceRewind = false;
    if (!rewound)
        reader.rewind();
    return true;
}

bool VideoThread::rewindWanted() const
{
    return m_loop && (m_passLimit == 0 || m_passesDone < m_passLimit);
}

bool VideoThread::frameLimitReached() const
{
    return m_frameLimit && m_framesWritten >= m_frameLimit;
}

void VideoThread::reportEnd()
{
    m_playing = false;
    emit sendFrameStop(false);
}

} // namespace vistrel::display

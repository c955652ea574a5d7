#include "playback.h"

#include "videothread.h"

#include <QLoggingCategory>

namespace vistrel::session {

Q_LOGGING_CATEGORY(lcPlayback, "vistrel.display", QtWarningMsg)

Playback::Playback(QObject *parent) : QObject(parent) {}

Playback::~Playback()
{
    stop();
}

bool Playback::prepare(const QString &path, int fps)
{
    stop();
    auto worker = std::make_unique<VideoThread>(path, fps);
    if (!worker->capture.isOpened())
        return false;
    worker->setPreviewArea(m_previewArea);
    m_worker = worker.release();
    ++m_generation;
    m_lastFrames = 0;
    connectWorker(m_worker);
    return true;
}

void Playback::connectWorker(VideoThread *worker)
{
    const std::uint64_t generation = m_generation;
    auto current = [this, generation] { return m_worker && generation == m_generation; };
    connect(worker, &VideoThread::sendDebug, this, [](const QString &text) { qCDebug(lcPlayback) << text; });
    connect(worker, &VideoThread::frameReady, this, [this, current](const QImage &image) {
        if (current())
            emit frame(image);
    });
    connect(worker, &VideoThread::progress, this, [this, current](const display::PlaybackProgress &p) {
        if (current())
            emit progress(p);
    });
    connect(worker, &VideoThread::sendFrameStop, this, [this, current](bool playing) {
        if (!playing && current()) {
            release();
            emit ended();
        }
    });
    connect(worker, &VideoThread::frameWriteFailed, this, [this, current](quint32 status) {
        if (current()) {
            release();
            emit writeFailed(status);
        }
    });
}

void Playback::start(FT_HANDLE handle, bool loop, const PlaybackBound &bound)
{
    if (!m_worker)
        return;
    m_worker->deviceHandle = handle;
    m_worker->playing = true;
    m_worker->loopPlay = loop;
    m_worker->frameLimit = bound.frames;
    m_worker->passLimit = bound.passes;
    m_worker->start();
}

void Playback::stop()
{
    if (m_worker)
        release();
}

void Playback::release()
{
    VideoThread *worker = m_worker;
    m_worker = nullptr;
    worker->loopPlay = false;
    worker->stop();
    m_lastFrames = worker->framesWritten;
    // Released here whether or not stop() found it still running (a pending
    // deleteLater dies with the object).
    delete worker;
}

void Playback::setLoop(bool loop)
{
    if (m_worker && m_worker->isRunning())
        m_worker->loopPlay = loop;
}

void Playback::setPreviewArea(QSize area)
{
    m_previewArea = area;
    if (m_worker)
        m_worker->setPreviewArea(area);
}

std::uint64_t Playback::framesWritten() const
{
    return m_worker ? m_worker->framesWritten.load() : m_lastFrames;
}

} // namespace vistrel::session

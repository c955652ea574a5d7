#include "playback.h"

#include <QLoggingCategory>

namespace vistrel::session {

Q_LOGGING_CATEGORY(lcPlayback, "vistrel.display", QtWarningMsg)

using display::VideoThread;

Playback::Playback(QObject *parent) : QObject(parent) {}

Playback::~Playback()
{
    stop();
}

bool Playback::prepare(display::VideoOptions options)
{
    stop();
    options.previewArea = m_previewArea;
    auto worker = std::make_unique<VideoThread>(std::move(options));
    if (!worker->opened())
        return false;
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
}

void Playback::start()
{
    if (m_worker)
        m_worker->play();
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
    worker->setLoop(false);
    worker->stop();
    m_lastFrames = worker->framesWritten();
    delete worker;
}

void Playback::setLoop(bool loop)
{
    if (m_worker)
        m_worker->setLoop(loop);
}

void Playback::setPreviewArea(QSize area)
{
    m_previewArea = area;
    if (m_worker)
        m_worker->setPreviewArea(area);
}

std::uint64_t Playback::framesWritten() const
{
    return m_worker ? m_worker->framesWritten() : m_lastFrames;
}

} // namespace vistrel::session

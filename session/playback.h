// One video on the panel: the worker that decodes it and hands its frames to
// the session's sink, created per start and never reused. Only the GUI (or
// command-line) thread calls this; what the worker reports arrives here as
// queued signals.
#ifndef VISTREL_SESSION_PLAYBACK_H
#define VISTREL_SESSION_PLAYBACK_H

#include "playback_progress.h"
#include "videothread.h"

#include <QImage>
#include <QObject>
#include <QSize>

#include <cstdint>

namespace vistrel::session {

class Playback : public QObject
{
    Q_OBJECT

public:
    explicit Playback(QObject *parent = nullptr);
    ~Playback() override;

    // Opens the file for a start that follows, with the current preview
    // area; false when it cannot be decoded (nothing is kept then).
    bool prepare(display::VideoOptions options);
    // Starts the prepared worker.
    void start();
    // Stops and joins the worker; it hands over nothing more afterwards.
    void stop();

    bool active() const { return m_worker != nullptr; }
    display::VideoThread *worker() const { return m_worker; }
    void setLoop(bool loop);
    // The preview's size in device pixels, for this worker and later ones.
    void setPreviewArea(QSize area);
    // Frames the current (or last) worker wrote.
    std::uint64_t framesWritten() const;

signals:
    void frame(const QImage &preview);
    void progress(const vistrel::display::PlaybackProgress &progress);
    // A non-looping file reached its end; the worker has finished.
    void ended();

private:
    void connectWorker(display::VideoThread *worker);
    void release();

    display::VideoThread *m_worker = nullptr;
    std::uint64_t m_generation = 0;  // tells a late report of an old worker apart
    std::uint64_t m_lastFrames = 0;
    QSize m_previewArea;
};

} // namespace vistrel::session

#endif

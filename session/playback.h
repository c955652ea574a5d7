// One video on the panel: the worker that decodes and writes it, created per
// start and never reused. Only the GUI (or command-line) thread calls this;
// what the worker reports arrives here as queued signals.
#ifndef VISTREL_SESSION_PLAYBACK_H
#define VISTREL_SESSION_PLAYBACK_H

#include "d2xx.h"
#include "playback_progress.h"
#include "session_types.h"

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

#include <cstdint>
#include <memory>

class VideoThread;

namespace vistrel::session {

class Playback : public QObject
{
    Q_OBJECT

public:
    explicit Playback(QObject *parent = nullptr);
    ~Playback() override;

    // Opens the file for a start that follows; false when it cannot be
    // decoded (nothing is kept then).
    bool prepare(const QString &path, int fps);
    // Starts the prepared worker writing through `handle`.
    void start(FT_HANDLE handle, bool loop, const PlaybackBound &bound = {});
    // Stops and joins the worker; it writes nothing more afterwards.
    void stop();

    bool active() const { return m_worker != nullptr; }
    VideoThread *worker() const { return m_worker; }
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
    // A frame write failed; the worker has stopped writing.
    void writeFailed(FT_STATUS status);

private:
    void connectWorker(VideoThread *worker);
    void release();

    VideoThread *m_worker = nullptr;
    std::uint64_t m_generation = 0;  // tells a late report of an old worker apart
    std::uint64_t m_lastFrames = 0;
    QSize m_previewArea{360, 200};
};

} // namespace vistrel::session

#endif

// The console's core without any window: the bridge list and its poll, the
// link, the drive settings, the frame rate, and what the panel shows (test
// patterns, a picture, a video). It owns that state, checks every write, and
// reports each change and failure as a signal. The main window and the
// command-line tool both drive it, so both put the same bytes on the wire.
#ifndef VISTREL_SESSION_PANEL_SESSION_H
#define VISTREL_SESSION_PANEL_SESSION_H

#include "device_link.h"
#include "display_frame.h"
#include "field_texts.h"
#include "playback_progress.h"
#include "session_types.h"

#include <QImage>
#include <QObject>
#include <QSize>
#include <QStringList>
#include <QTimer>

#include <cstdint>
#include <optional>

namespace vistrel::session {

class Playback;

class PanelSession : public QObject
{
    Q_OBJECT

public:
    explicit PanelSession(QObject *parent = nullptr);
    // Takes down what is shown and closes an open link, without signals.
    ~PanelSession() override;

    // --- bridges ---
    QStringList devices() const { return m_devices; }
    // The first listing lists bridges with a blank serial too; the poll
    // ignores those.
    void listDevicesAtStart();
    void refreshDevices();
    QTimer *pollTimer() { return &m_poll; }

    // --- link ---
    LinkState linkState() const { return m_linkState; }
    // The open (or last opened) bridge; *IDN? names it.
    QString linkSerial() const { return m_link.serial(); }
    bool open(const QString &serial);
    // Takes down what is shown (stop word first), writes the open/close word
    // and closes. Always ends Closed.
    void close();
    // close(), quietly: for the end of the program.
    void shutdown();

    // --- drive settings, frame rate, scan timing ---
    enum class SendResult { Sent, NotConnected, Busy, FieldsEmpty, WriteFailed };
    // gammaText: the gamma field's text while the gamma curve is switched
    // on; nothing for the linear tables.
    SendResult sendDriveSettings(const FieldTexts &texts, const std::optional<QString> &gammaText);
    bool sendScanTiming();
    int fps() const { return m_fps; }
    void setFps(int fps);

    // --- what the panel shows ---
    Content content() const { return m_content; }
    // The seed's buttons: light the pattern from Idle, or take down the same one.
    bool togglePattern(Pattern pattern);
    // Lights a pattern: the start word and its frame when nothing is shown,
    // its frame alone over another lit pattern, nothing when it is the one
    // lit. Refused while a picture or video is shown.
    bool showPattern(const protocol::PatternRequest &pattern);
    // The stop word, when a pattern is lit.
    bool takeDownPattern();
    std::optional<protocol::PatternRequest> litPattern() const { return m_litPattern; }
    // A picture is read at once (an unreadable one leaves everything as it
    // was); a video only when it starts.
    bool choosePicture(const QString &path);
    void chooseVideo(const QString &path);
    QString mediaPath() const { return m_mediaPath; }
    bool pictureChosen() const { return m_pictureMode; }
    // Start when nothing is shown, Stop when a picture or video is.
    bool toggleStart(bool loop);
    // A video started here ends early at `bound`; a picture ignores it.
    bool startShow(bool loop, const PlaybackBound &bound = {});
    bool stopShow();
    void setLooping(bool loop);
    std::uint64_t framesPlayed() const;
    const Playback &playback() const { return *m_playback; }

    // Bytes the driver accepted since the session began, a video's frames
    // included.
    std::uint64_t bytesWritten() const { return m_link.bytesWritten(); }

    // Previews are the panel's image fitted at the size they are shown, in
    // device pixels; the window reports that size whenever it changes, and
    // a still's preview is then made again. An empty size asks for none (a
    // window out of sight): nothing is made for it, a video's frames included.
    void setPreviewArea(QSize devicePixels);
    QSize previewArea() const { return m_previewArea; }

signals:
    void deviceAdded(const QString &serial);
    void deviceRemoved(int index, const QString &serial);
    void linkStateChanged(vistrel::session::LinkState state);
    void contentChanged(vistrel::session::Content content);
    void notice(const vistrel::session::Notice &notice);
    // A file was chosen (picture or video); its preview follows.
    void mediaChosen(const QString &path);
    // The preview of the chosen file, at the preview area's size: the
    // panel's 180 x 100 image of the picture or of the video's first frame;
    // a null image when it cannot be read. Sent on a choice, and when a
    // pattern is taken down (a null image when nothing is chosen).
    void picturePreview(const QImage &image);
    // Which pattern is lit, with its values; nothing once it is taken down.
    void patternChanged(const std::optional<vistrel::protocol::PatternRequest> &pattern);
    // The lit pattern's panel image at the preview area's size.
    void patternPreview(const QImage &image);
    // The preview of each video frame written, from the worker, at the
    // preview area's size.
    void videoFrame(const QImage &image);
    // A playing video's place and rate, a few times a second.
    void playbackProgress(const vistrel::display::PlaybackProgress &progress);
    // A video reached its end by itself and was taken down.
    void playbackEnded();

private:
    void setLinkState(LinkState state);
    void setContent(Content content);
    void report(Notice::Kind kind, const QString &text, FT_STATUS status = FT_OK);
    void applyDeviceList(const QStringList &reported);
    void followLostLink(const QStringList &reported);

    // Guards: each reports its refusal as the user reads it.
    bool linkOpenOrReport();
    bool idleOrReport();
    bool fileChosenOrReport();

    bool writeOrReport(const void *bytes, std::size_t size, const QString &what);
    bool writeWord(const std::array<std::uint8_t, 4> &word, const QString &what);
    void writeFailed(const LinkResult &result, const QString &what);
    // The start word, then the frame; a frame that fails is followed by the
    // stop word, so the panel is left as dark as the state says it is.
    bool showFrame(const protocol::Bytes &frame, const QString &what);
    void darkenAfterFailure();
    bool bridgeStillListed();
    void loseLink();
    void restoreLink(QString serial);  // by value: callers pass m_lostSerial, which it clears

    bool lightPattern(const protocol::PatternRequest &pattern);
    void emitPatternPreview();
    void patternTakenDown();

    bool showPicture();
    void emitStillPreview();
    bool startVideo(bool loop, const PlaybackBound &bound);
    // The video worker's sink, on the worker's thread.
    bool writeVideoFrame(const protocol::Bytes &frame, std::uint64_t video);
    void stopVideoWorker();
    void onPlaybackEnded();
    void onFrameWriteFailed(const LinkResult &result, std::uint64_t video);

    QTimer m_poll;
    QStringList m_devices;
    bool m_polling = false;

    DeviceLink m_link;
    LinkState m_linkState = LinkState::Closed;
    QString m_lostSerial;

    int m_fps = 60;

    Content m_content = Content::Idle;
    std::optional<protocol::PatternRequest> m_litPattern;
    QString m_mediaPath;
    bool m_pictureMode = false;
    protocol::Bytes m_mediaFrame;  // the chosen file's first display frame, empty if none
    QSize m_previewArea;
    Playback *m_playback = nullptr;
    std::uint64_t m_video = 0;  // counts video starts, so a late failure of an old one is told apart
};

} // namespace vistrel::session

#endif

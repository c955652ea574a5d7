// What the session puts on the panel: drive settings and scan timing, the
// test patterns, a still picture and a video.
#include "panel_session.h"

#include "display_frame.h"
#include "frame_conversion.h"
#include "packets.h"
#include "playback.h"
#include "session_log.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

namespace vistrel::session {

namespace {

Content contentOf(Pattern pattern)
{
    return pattern == Pattern::AllOn ? Content::AllOn : Content::Checker;
}

// The picture in colour, or an empty image when OpenCV cannot decode it.
cv::Mat readPicture(const QString &path)
{
    try {
        return cv::imread(path.toLocal8Bit().toStdString(), cv::IMREAD_COLOR);
    } catch (const cv::Exception &) {
        return {};
    }
}

// A video's first frame, or an empty image when it cannot be read.
cv::Mat readFirstFrame(const QString &path)
{
    cv::Mat frame;
    try {
        cv::VideoCapture capture(path.toUtf8().toStdString(), cv::CAP_FFMPEG);
        if (capture.isOpened())
            capture.read(frame);
    } catch (const cv::Exception &) {
        return {};
    }
    return frame;
}

} // namespace

// --- drive settings ---

PanelSession::SendResult PanelSession::sendDriveSettings(const FieldTexts &texts,
                                                         const std::optional<QString> &gammaText)
{
    if (!linkOpenOrReport())
        return SendResult::NotConnected;
    if (!idleOrReport())
        return SendResult::Busy;
    if (!requiredFieldsFilled(texts)) {
        report(Notice::FieldsEmpty, QStringLiteral("input fields are empty"));
        return SendResult::FieldsEmpty;
    }
    std::optional<double> curve;
    if (gammaText)
        curve = gammaText->toDouble();
    const protocol::Bytes packet = protocol::buildDriveSettingsPacket(driveValues(texts), curve);
    if (!writeOrReport(packet.data(), packet.size(), QStringLiteral("settings packet")))
        return SendResult::WriteFailed;
    qCDebug(lcSession) << " Send OK";
    return SendResult::Sent;
}

bool PanelSession::sendScanTiming()
{
    if (m_linkState != LinkState::Open)
        return false;  // no handle to write to
    // The controller's scan needs no lead or tail lines on these panels.
    const protocol::Bytes packet = protocol::buildScanTimingPacket(0, 0, m_fps);
    if (!writeOrReport(packet.data(), packet.size(), QStringLiteral("scan timing packet")))
        return false;
    qCDebug(lcSession) << " Send OK";
    return true;
}

void PanelSession::setFps(int fps)
{
    m_fps = qBound(kMinFps, fps, kMaxFps);
}

// --- test patterns ---

bool PanelSession::togglePattern(Pattern pattern)
{
    if (!linkOpenOrReport())
        return false;
    const Content lit = contentOf(pattern);
    if (m_content == lit) {
        if (!writeWord(protocol::DisplayStopWord, QStringLiteral("display stop word")))
            return false;
        setContent(Content::Idle);
        return true;
    }
    if (!idleOrReport())
        return false;
    const protocol::Bytes frame =
        pattern == Pattern::AllOn ? protocol::buildAllOnFrame() : protocol::buildCheckerFrame();
    const QString what = pattern == Pattern::AllOn ? QStringLiteral("All ON frame") : QStringLiteral("checker frame");
    if (!showFrame(frame, what))
        return false;
    setContent(lit);
    return true;
}

// --- picture and video ---

bool PanelSession::choosePicture(const QString &path)
{
    cv::Mat picture = readPicture(path);
    if (picture.empty()) {
        report(Notice::PictureUnreadable, QStringLiteral("picture not readable\n%1").arg(path));
        return false;
    }
    if (m_content == Content::Video)
        stopShow();
    m_mediaPath = path;
    m_pictureMode = true;
    m_mediaFrame = display::panelFrame(picture, display::kPanelSize, protocol::kFrameModeStill);
    emit mediaChosen(path);
    emitStillPreview();
    return true;
}

// A lit pattern, else the chosen file as Start shows it first (nothing
// when none is chosen or its first frame cannot be read).
protocol::Bytes PanelSession::stillFrame() const
{
    if (m_content == Content::AllOn)
        return protocol::buildAllOnFrame();
    if (m_content == Content::Checker)
        return protocol::buildCheckerFrame();
    return m_mediaFrame;
}

void PanelSession::emitStillPreview()
{
    const cv::Size area(m_previewArea.width(), m_previewArea.height());
    emit picturePreview(display::panelPreview(stillFrame(), area));
}

void PanelSession::setPreviewArea(QSize devicePixels)
{
    if (devicePixels == m_previewArea)
        return;
    m_previewArea = devicePixels;
    m_playback->setPreviewArea(devicePixels);
    if (m_content != Content::Video)
        emitStillPreview();
}

void PanelSession::chooseVideo(const QString &path)
{
    // A new file ends the one playing: a worker must never run unseen.
    if (m_content == Content::Video)
        stopShow();
    m_mediaPath = path;
    m_pictureMode = false;
    const cv::Mat first = readFirstFrame(path);
    m_mediaFrame = first.empty() ? protocol::Bytes()
                                 : display::panelFrame(first, display::kPanelSize, protocol::kFrameModeVideo);
    emit mediaChosen(path);
    emitStillPreview();
}

bool PanelSession::toggleStart(bool loop)
{
    if (!fileChosenOrReport())
        return false;
    if (m_content == Content::Picture || m_content == Content::Video)
        return stopShow();
    return startShow(loop);
}

bool PanelSession::startShow(bool loop, const PlaybackBound &bound)
{
    if (!fileChosenOrReport() || !linkOpenOrReport() || !idleOrReport())
        return false;
    return m_pictureMode ? showPicture() : startVideo(loop, bound);
}

bool PanelSession::showPicture()
{
    if (!showFrame(m_mediaFrame, QStringLiteral("picture frame")))
        return false;
    qCDebug(lcSession) << " Send OK";
    setContent(Content::Picture);
    return true;
}

bool PanelSession::startVideo(bool loop, const PlaybackBound &bound)
{
    display::VideoOptions options;
    options.path = m_mediaPath;
    options.fps = m_fps;
    options.loop = loop;
    options.frameLimit = bound.frames;
    options.passLimit = bound.passes;
    const std::uint64_t video = ++m_video;
    options.sink = [this, video](const protocol::Bytes &frame) { return writeVideoFrame(frame, video); };
    // The start word only once the file is known to play.
    if (!m_playback->prepare(std::move(options))) {
        report(Notice::VideoUnreadable, QStringLiteral("video not readable\n%1").arg(m_mediaPath));
        return false;
    }
    if (!writeWord(protocol::DisplayStartWord, QStringLiteral("display start word"))) {
        m_playback->stop();
        return false;
    }
    m_playback->start();
    setContent(Content::Video);
    return true;
}

// Runs on the worker's thread while the GUI thread writes nothing: every
// other writer is refused or stops the worker before it writes.
bool PanelSession::writeVideoFrame(const protocol::Bytes &frame, std::uint64_t video)
{
    const LinkResult result = m_link.write(frame.data(), frame.size());
    if (!result.ok())
        QMetaObject::invokeMethod(
            this, [this, result, video] { onFrameWriteFailed(result, video); }, Qt::QueuedConnection);
    return result.ok();
}

bool PanelSession::stopShow()
{
    if (m_content != Content::Picture && m_content != Content::Video)
        return false;
    // The worker's frames go through the same link: it is joined before the stop word.
    stopVideoWorker();
    const bool sent = writeWord(protocol::DisplayStopWord, QStringLiteral("display stop word"));
    if (m_content == Content::Video || sent)
        setContent(Content::Idle);
    return sent;
}

void PanelSession::stopVideoWorker()
{
    m_playback->stop();
}

void PanelSession::setLooping(bool loop)
{
    m_playback->setLoop(loop);
}

std::uint64_t PanelSession::framesPlayed() const
{
    return m_playback->framesWritten();
}

void PanelSession::onPlaybackEnded()
{
    if (m_content != Content::Video)
        return;
    writeWord(protocol::DisplayStopWord, QStringLiteral("display stop word"));
    setContent(Content::Idle);
    emit playbackEnded();
}

void PanelSession::onFrameWriteFailed(const LinkResult &result, std::uint64_t video)
{
    if (m_content != Content::Video || video != m_video)
        return;
    stopVideoWorker();
    if (!bridgeStillListed()) {
        loseLink();
        return;
    }
    darkenAfterFailure();
    setContent(Content::Idle);
    report(Notice::WriteFailed, QStringLiteral("video frame not sent\n%1: playback stopped").arg(result.reason()),
           result.status);
}

} // namespace vistrel::session

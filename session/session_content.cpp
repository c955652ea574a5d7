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

namespace vistrel::session {

namespace {

Content contentOf(Pattern pattern)
{
    return pattern == Pattern::AllOn ? Content::AllOn : Content::Checker;
}

Content contentOf(const protocol::PatternRequest &pattern)
{
    if (pattern.name == "all-on")
        return Content::AllOn;
    return pattern.name == "checker" ? Content::Checker : Content::Pattern;
}

QString patternFrameName(const protocol::PatternRequest &pattern)
{
    if (pattern.name == "all-on")
        return QStringLiteral("All ON frame");
    if (pattern.name == "checker")
        return QStringLiteral("checker frame");
    return QStringLiteral("pattern frame (%1)").arg(QString::fromStdString(protocol::patternText(pattern)));
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
    if (m_content == contentOf(pattern))
        return takeDownPattern();
    if (!idleOrReport())
        return false;
    return lightPattern({pattern == Pattern::AllOn ? "all-on" : "checker", {}});
}

bool PanelSession::showPattern(const protocol::PatternRequest &pattern)
{
    if (!linkOpenOrReport())
        return false;
    if (m_content == Content::Picture || m_content == Content::Video) {
        report(Notice::Busy, QStringLiteral("Operation prohibited during operation!\n"
                                            "A %1 is shown: stop it before lighting a pattern.")
                                 .arg(contentName(m_content)));
        return false;
    }
    return m_litPattern == pattern || lightPattern(pattern);
}

// Over a lit pattern the panel is already taking frames: the new frame alone.
bool PanelSession::lightPattern(const protocol::PatternRequest &pattern)
{
    const protocol::Bytes frame = protocol::patternFrame(pattern);
    const QString what = patternFrameName(pattern);
    if (!(m_litPattern ? writeOrReport(frame.data(), frame.size(), what) : showFrame(frame, what)))
        return false;
    m_litPattern = pattern;
    setContent(contentOf(pattern));
    emit patternChanged(m_litPattern);
    emitPatternPreview();
    return true;
}

bool PanelSession::takeDownPattern()
{
    if (!m_litPattern)
        return false;
    if (!writeWord(protocol::DisplayStopWord, QStringLiteral("display stop word")))
        return false;
    setContent(Content::Idle);
    return true;
}

void PanelSession::emitPatternPreview()
{
    protocol::Bytes image = protocol::patternImage(*m_litPattern);
    const cv::Mat gray(protocol::kPanelHeight, protocol::kPanelWidth, CV_8UC1, image.data());
    // Nearest pixel: a one-pixel line stays one sharp line.
    const cv::Size area(m_previewArea.width(), m_previewArea.height());
    emit patternPreview(display::fittedGray(gray, area, cv::INTER_NEAREST));
}

void PanelSession::patternTakenDown()
{
    emit patternChanged(std::nullopt);
    if (m_pictureMode && !m_picture.empty())
        emitPicturePreview();
    else
        emit patternPreview(QImage());
}

// --- picture and video ---

bool PanelSession::choosePicture(const QString &path)
{
    cv::Mat picture = readPicture(path);
    if (picture.empty()) {
        report(Notice::PictureUnreadable, QStringLiteral("picture not readable"));
        return false;
    }
    if (m_content == Content::Video)
        stopShow();
    m_mediaPath = path;
    m_pictureMode = true;
    m_picture = picture;
    emitPicturePreview();
    return true;
}

void PanelSession::emitPicturePreview()
{
    // Area averaging: made once per choice, so quality wins over speed here.
    const cv::Size area(m_previewArea.width(), m_previewArea.height());
    emit picturePreview(display::fittedGray(m_picture, area, cv::INTER_AREA));
}

void PanelSession::setPreviewArea(QSize devicePixels)
{
    if (devicePixels == m_previewArea)
        return;
    m_previewArea = devicePixels;
    m_playback->setPreviewArea(devicePixels);
    if (m_litPattern)
        emitPatternPreview();
    else if (m_pictureMode && !m_picture.empty())
        emitPicturePreview();
}

void PanelSession::chooseVideo(const QString &path)
{
    // A new file ends the one playing: a worker must never run unseen.
    if (m_content == Content::Video)
        stopShow();
    m_mediaPath = path;
    m_pictureMode = false;
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
    const protocol::Bytes frame = display::panelFrame(m_picture, display::kPanelSize, protocol::kFrameModeStill);
    if (!showFrame(frame, QStringLiteral("picture frame")))
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

#include "session_actions.h"

#include "scpi_errors.h"
#include "vistrel_version.h"

namespace vistrel::remote {

namespace {

using session::Content;
using session::LinkState;
using session::Notice;

int errorFor(Notice::Kind kind)
{
    switch (kind) {
    case Notice::DeviceNotConnected:
    case Notice::OpenFailed: return HardwareMissing;
    case Notice::Busy:
    case Notice::FieldsEmpty: return SettingsConflict;
    case Notice::NoFile: return FileNameNotFound;
    case Notice::PictureUnreadable:
    case Notice::VideoUnreadable: return FileNameError;
    case Notice::WriteFailed:
    case Notice::CloseFailed:
    case Notice::LinkLost: return HardwareError;
    case Notice::LinkRestored: return NoError;
    }
    return HardwareError;
}

const char *contentWord(Content content)
{
    switch (content) {
    case Content::Idle: return "NONE";
    case Content::AllOn:
    case Content::Checker:
    case Content::Pattern: return "PATT";
    case Content::Picture: return "PICT";
    case Content::Video: return "VID";
    }
    return "NONE";
}

Outcome answer(const QByteArray &text)
{
    return {text, NoError};
}

Outcome failure(int code)
{
    return {std::nullopt, code};
}

QByteArray quoted(const QString &text)
{
    return '"' + text.toUtf8().replace('"', "\"\"") + '"';
}

} // namespace

SessionActions::SessionActions(session::PanelSession &session, MediaRoot mediaRoot, QString model)
    : m_session(session), m_mediaRoot(std::move(mediaRoot)), m_model(std::move(model))
{
    connect(&m_session, &session::PanelSession::notice, this, [this](const Notice &notice) {
        if (m_failure == NoError)
            m_failure = errorFor(notice.kind);
    });
    connect(&m_session, &session::PanelSession::playbackProgress, this,
            [this](const display::PlaybackProgress &progress) { m_progress = progress; });
    connect(&m_session, &session::PanelSession::contentChanged, this, [this](Content content) {
        if (content == Content::Video)
            m_progress = {};
    });
}

Outcome SessionActions::run(const Command &command)
{
    m_failure = NoError;
    Outcome outcome = dispatch(command);
    m_failure = NoError;
    return outcome;
}

Outcome SessionActions::dispatch(const Command &command)
{
    switch (command.header) {
    case Header::Identify: return identify();
    case Header::OperationComplete: return answer("1");
    case Header::Reset:
    case Header::DisplayStop: return stopDisplay();
    case Header::DeviceList: return deviceList();
    case Header::DeviceOpen: return openDevice(command);
    case Header::DeviceClose:
        m_session.close();
        return result(true);
    case Header::DeviceState: {
        const LinkState state = m_session.linkState();
        return answer(state == LinkState::Open ? "OPEN" : state == LinkState::Lost ? "LOST" : "CLOSED");
    }
    case Header::DriveSet: return driveSet(command);
    case Header::Rate:
        m_session.setFps(*command.fps);  // as typing the FPS field: nothing is sent
        return {};
    case Header::RateQuery: return answer(QByteArray::number(m_session.fps()));
    case Header::PatternShow: return showPattern(command);
    case Header::PatternOff: return patternOff();
    case Header::PatternQuery: return patternQuery();
    case Header::PictureShow: return showPicture(command);
    case Header::VideoPlay: return playVideo(command);
    case Header::VideoState: return videoState();
    case Header::DisplayState: return answer(contentWord(m_session.content()));
    case Header::ClearStatus:
    case Header::NextError: break;  // the connection's own
    }
    return {};
}

Outcome SessionActions::identify() const
{
    const QString serial = m_session.linkState() == LinkState::Open ? m_session.linkSerial() : QStringLiteral("0");
    return answer(QStringLiteral("Vistrel,%1,%2,%3").arg(m_model, serial, QStringLiteral(VISTREL_VERSION)).toUtf8());
}

Outcome SessionActions::deviceList()
{
    m_session.refreshDevices();
    QByteArrayList serials;
    for (const QString &serial : m_session.devices())
        serials << quoted(serial);
    return answer(serials.isEmpty() ? QByteArray("\"\"") : serials.join(','));
}

Outcome SessionActions::openDevice(const Command &command)
{
    m_session.refreshDevices();
    const QStringList listed = m_session.devices();
    const QString wanted = command.text.empty() ? listed.value(0) : QString::fromStdString(command.text);
    if (m_session.linkState() == LinkState::Open)
        return wanted.isEmpty() || wanted == m_session.linkSerial() ? Outcome{} : failure(SettingsConflict);
    if (wanted.isEmpty() || !listed.contains(wanted))
        return failure(HardwareMissing);
    return result(m_session.open(wanted));
}

Outcome SessionActions::driveSet(const Command &command)
{
    const std::vector<std::string> &n = command.numbers;
    const auto text = [&n](std::size_t i) { return QString::fromStdString(n[i]); };
    session::FieldTexts texts{text(0), text(1), text(2), text(3), text(4), text(5), text(6), QString::number(m_session.fps())};
    std::optional<QString> gamma;
    if (n.size() > 7)
        gamma = text(7);
    return result(m_session.sendDriveSettings(texts, gamma) == session::PanelSession::SendResult::Sent);
}

Outcome SessionActions::showPattern(const Command &command)
{
    return result(m_session.showPattern(command.pattern));
}

Outcome SessionActions::patternOff()
{
    return m_session.litPattern() ? result(m_session.takeDownPattern()) : Outcome{};
}

Outcome SessionActions::patternQuery() const
{
    const std::optional<protocol::PatternRequest> lit = m_session.litPattern();
    return answer(lit ? QByteArray::fromStdString(remotePatternText(*lit)) : QByteArray("NONE"));
}

// The file, checked before it is chosen: the window's state must not change
// for a start the session would refuse.
ResolvedPath SessionActions::fileToShow(const Command &command) const
{
    ResolvedPath file = m_mediaRoot.resolve(QString::fromStdString(command.text));
    if (file.error == NoError && m_session.linkState() != LinkState::Open)
        file.error = HardwareMissing;
    if (file.error == NoError && m_session.content() != Content::Idle)
        file.error = SettingsConflict;
    return file;
}

Outcome SessionActions::showPicture(const Command &command)
{
    const ResolvedPath file = fileToShow(command);
    if (file.error != NoError)
        return failure(file.error);
    return result(m_session.choosePicture(file.path) && m_session.startShow(false));
}

Outcome SessionActions::playVideo(const Command &command)
{
    const ResolvedPath file = fileToShow(command);
    if (file.error != NoError)
        return failure(file.error);
    m_session.chooseVideo(file.path);
    if (command.fps)
        m_session.setFps(*command.fps);
    return result(m_session.startShow(command.mode == VideoMode::Loop));
}

Outcome SessionActions::videoState() const
{
    if (m_session.content() != Content::Video)
        return answer("IDLE");
    return answer(QStringLiteral("PLAY,%1,%2,%3")
                      .arg(m_progress.frame)
                      .arg(m_progress.totalFrames)
                      .arg(m_progress.achievedFps, 0, 'f', 1)
                      .toUtf8());
}

Outcome SessionActions::stopDisplay()
{
    const Content shown = m_session.content();
    if (shown == Content::Picture || shown == Content::Video)
        return result(m_session.stopShow());
    return patternOff();
}

Outcome SessionActions::result(bool done) const
{
    if (m_failure != NoError)
        return failure(m_failure);
    return done ? Outcome{} : failure(SettingsConflict);
}

} // namespace vistrel::remote

// The session's bridges and link: the poll, open, close, and what happens
// when the open bridge goes away and comes back.
#include "panel_session.h"

#include "device_list.h"
#include "frame_conversion.h"
#include "packets.h"
#include "playback.h"
#include "session_log.h"

Q_LOGGING_CATEGORY(lcSession, "vistrel.session", QtWarningMsg)

namespace vistrel::session {

namespace {

const int kMetaTypes = [] {
    qRegisterMetaType<Notice>();
    qRegisterMetaType<LinkState>();
    qRegisterMetaType<Content>();
    qRegisterMetaType<std::optional<protocol::PatternRequest>>();
    return 0;
}();

// libftdi lists a bridge it may not open under this name (see the device
// README); opening it fails for want of permission.
bool lacksPermission(const QString &serial)
{
    return serial.startsWith(QLatin1String("NOACCESS-"));
}

QString openFailureText(const QString &serial, const LinkResult &result)
{
    QString text = QStringLiteral("open status not ok\n%1").arg(result.reason());
    if (lacksPermission(serial))
        text += QStringLiteral("\nNo permission to use this USB device: install the udev rule "
                               "70-vistrel-ftdi.rules, then unplug and replug the bridge.");
    return text;
}

} // namespace

PanelSession::PanelSession(QObject *parent)
    : QObject(parent), m_poll(this), m_previewArea(display::kDefaultPreviewArea), m_playback(new Playback(this))
{
    Q_UNUSED(kMetaTypes);
    m_playback->setPreviewArea(m_previewArea);
    connect(&m_poll, &QTimer::timeout, this, &PanelSession::refreshDevices);
    connect(m_playback, &Playback::frame, this, &PanelSession::videoFrame);
    connect(m_playback, &Playback::progress, this, &PanelSession::playbackProgress);
    connect(m_playback, &Playback::ended, this, &PanelSession::onPlaybackEnded);
}

PanelSession::~PanelSession()
{
    shutdown();
}

void PanelSession::setLinkState(LinkState state)
{
    if (state == m_linkState)
        return;
    m_linkState = state;
    emit linkStateChanged(state);
}

void PanelSession::setContent(Content content)
{
    if (content == m_content)
        return;
    m_content = content;
    const bool patternGone = m_litPattern && content != Content::AllOn && content != Content::Checker &&
                             content != Content::Pattern;
    if (patternGone)
        m_litPattern.reset();
    emit contentChanged(content);
    if (patternGone)
        patternTakenDown();
}

void PanelSession::report(Notice::Kind kind, const QString &text, FT_STATUS status)
{
    Notice n;
    n.kind = kind;
    n.text = text;
    n.status = status;
    emit notice(n);
}

// --- bridges ---

void PanelSession::listDevicesAtStart()
{
    const std::optional<QStringList> reported = enumerateSerials();
    if (!reported)
        return;
    for (const QString &serial : *reported) {
        m_devices << serial;
        emit deviceAdded(serial);
    }
}

void PanelSession::refreshDevices()
{
    if (m_polling)
        return;  // a notice's dialog runs the event loop; one poll at a time
    m_polling = true;
    FT_STATUS status = FT_OK;
    const std::optional<QStringList> reported = enumerateSerials(&status);
    if (reported) {
        applyDeviceList(*reported);
        followLostLink(*reported);
    } else {
        qCDebug(lcSession) << "Failed to create device info list. Error code: " << status;
    }
    m_polling = false;
}

void PanelSession::applyDeviceList(const QStringList &reported)
{
    const ListChange change = followReported(m_devices, reported);
    for (const QString &serial : change.added) {
        m_devices << serial;
        emit deviceAdded(serial);
    }
    for (int index : change.removedAt) {
        const QString serial = m_devices.takeAt(index);
        qCDebug(lcSession) << "Device remove";
        emit deviceRemoved(index, serial);
    }
}

void PanelSession::followLostLink(const QStringList &reported)
{
    if (m_linkState == LinkState::Open && !reported.contains(m_link.serial()))
        loseLink();
    else if (m_linkState == LinkState::Lost && reported.contains(m_lostSerial))
        restoreLink(m_lostSerial);
}

// --- link ---

bool PanelSession::open(const QString &serial)
{
    if (m_linkState == LinkState::Open)
        return true;
    const LinkResult result = m_link.open(serial);
    if (!result.ok()) {
        report(Notice::OpenFailed, openFailureText(serial, result), result.status);
        return false;
    }
    m_lostSerial.clear();
    setLinkState(LinkState::Open);
    return true;
}

void PanelSession::close()
{
    if (m_linkState == LinkState::Lost) {
        m_lostSerial.clear();
        setLinkState(LinkState::Closed);
        return;
    }
    if (m_linkState != LinkState::Open)
        return;
    const QString serial = m_link.serial();
    QStringList unsent;
    // Content first, so the panel is left dark, then the link's own word.
    stopVideoWorker();
    if (m_content != Content::Idle) {
        const LinkResult stop = m_link.write(protocol::DisplayStopWord.data(), protocol::kControlWordSize);
        if (!stop.ok())
            unsent << QStringLiteral("display stop word: %1").arg(stop.reason());
    }
    const LinkResult word = m_link.write(protocol::OpenCloseWord.data(), protocol::kControlWordSize);
    if (!word.ok())
        unsent << QStringLiteral("open/close word: %1").arg(word.reason());
    const LinkResult closed = m_link.close();
    setContent(Content::Idle);
    setLinkState(LinkState::Closed);
    if (!unsent.isEmpty())
        report(Notice::WriteFailed, QStringLiteral("link closed, but not sent:\n%1").arg(unsent.join(QLatin1Char('\n'))),
               word.ok() ? FT_STATUS(FT_IO_ERROR) : word.status);
    if (!closed.ok())
        report(Notice::CloseFailed, QStringLiteral("bridge %1 did not close cleanly\n%2").arg(serial, closed.reason()),
               closed.status);
}

void PanelSession::shutdown()
{
    const bool blocked = signalsBlocked();
    blockSignals(true);
    close();
    stopVideoWorker();
    blockSignals(blocked);
}

bool PanelSession::bridgeStillListed()
{
    const std::optional<QStringList> reported = enumerateSerials();
    if (!reported)
        return true;  // cannot tell; treat it as an ordinary failed write
    applyDeviceList(*reported);
    return reported->contains(m_link.serial());
}

void PanelSession::loseLink()
{
    const QString serial = m_link.serial();
    stopVideoWorker();
    m_link.close();  // the bridge is gone: whatever the driver says changes nothing
    m_lostSerial = serial;
    setContent(Content::Idle);
    setLinkState(LinkState::Lost);
    report(Notice::LinkLost,
           QStringLiteral("bridge %1 disconnected: the link is closed and reopens when the bridge is back")
               .arg(serial));
}

void PanelSession::restoreLink(QString serial)
{
    m_lostSerial.clear();
    const LinkResult result = m_link.open(serial);
    if (!result.ok()) {
        setLinkState(LinkState::Closed);
        report(Notice::OpenFailed, openFailureText(serial, result), result.status);
        return;
    }
    setLinkState(LinkState::Open);
    report(Notice::LinkRestored, QStringLiteral("bridge %1 reconnected: the link is open again").arg(serial));
}

// --- guards ---

bool PanelSession::linkOpenOrReport()
{
    if (m_linkState == LinkState::Open)
        return true;
    report(Notice::DeviceNotConnected, QStringLiteral("device not connected"));
    return false;
}

bool PanelSession::idleOrReport()
{
    if (m_content == Content::Idle)
        return true;
    report(Notice::Busy, QStringLiteral("Operation prohibited during operation!"));
    return false;
}

bool PanelSession::fileChosenOrReport()
{
    if (!m_mediaPath.isEmpty())
        return true;
    report(Notice::NoFile, QStringLiteral("No File"));
    return false;
}

// --- checked writes ---

bool PanelSession::writeOrReport(const void *bytes, std::size_t size, const QString &what)
{
    const LinkResult result = m_link.write(bytes, size);
    if (!result.ok())
        writeFailed(result, what);
    return result.ok();
}

bool PanelSession::writeWord(const std::array<std::uint8_t, 4> &word, const QString &what)
{
    return writeOrReport(word.data(), word.size(), what);
}

bool PanelSession::showFrame(const protocol::Bytes &frame, const QString &what)
{
    if (!writeWord(protocol::DisplayStartWord, QStringLiteral("display start word")))
        return false;
    if (writeOrReport(frame.data(), frame.size(), what))
        return true;
    darkenAfterFailure();
    return false;
}

void PanelSession::darkenAfterFailure()
{
    // Unchecked: the failure that brought us here is what gets reported.
    if (m_linkState == LinkState::Open)
        m_link.write(protocol::DisplayStopWord.data(), protocol::kControlWordSize);
}

void PanelSession::writeFailed(const LinkResult &result, const QString &what)
{
    if (!bridgeStillListed()) {
        loseLink();
        return;
    }
    report(Notice::WriteFailed,
           QStringLiteral("%1 not sent\n%2 (%3 bytes written)").arg(what, result.reason()).arg(result.written),
           result.status);
}

} // namespace vistrel::session

#include "runner.h"

#include "bridges.h"
#include "exit_status.h"
#include "interrupt.h"
#include "wait_loop.h"

#include <QElapsedTimer>

namespace vistrel::cli {

namespace {

using session::Content;
using session::LinkState;
using session::Notice;
using session::PanelSession;
using session::Pattern;

std::optional<Pattern> litPattern(Content content)
{
    if (content == Content::AllOn)
        return Pattern::AllOn;
    if (content == Content::Checker)
        return Pattern::Checker;
    return std::nullopt;
}

int code(ExitStatus status)
{
    return static_cast<int>(status);
}

double msSince(const QElapsedTimer &clock)
{
    return clock.nsecsElapsed() / 1e6;
}

// The session says a lost link comes back by itself; vistrelctl stops there.
QString failureText(const Notice &notice)
{
    const QString text = oneLine(notice.text);
    return notice.kind == Notice::LinkLost ? text.section(QLatin1Char(':'), 0, 0) : text;
}

} // namespace

ScriptRunner::ScriptRunner(PanelSession &session, const RunOptions &options, Reporter &reporter)
    : m_session(session), m_options(options), m_reporter(reporter)
{
    connect(&m_session, &PanelSession::notice, this, &ScriptRunner::onNotice);
}

void ScriptRunner::onNotice(const Notice &notice)
{
    if (statusForNotice(notice.kind) != ExitStatus::Ok)
        m_failures << notice;
}

int ScriptRunner::run(const std::vector<Command> &commands)
{
    QElapsedTimer clock;
    clock.start();
    RunSummary summary;
    summary.commands = int(commands.size());
    // As in the window: a bridge pulled during a wait or a play is noticed.
    m_session.pollTimer()->start(1000);
    for (const Command &command : commands) {
        if (pendingInterrupt())
            break;
        int status = 0;
        const CommandReport report = runOne(command, status);
        m_reporter.command(report);
        ++summary.run;
        summary.bytes += report.bytes;
        if (status != 0) {
            summary.exitStatus = status;
            summary.failedLine = command.line;
            summary.error = report.error;
            break;
        }
    }
    m_session.pollTimer()->stop();
    if (summary.exitStatus == 0 && pendingInterrupt()) {  // a signal between commands, or at the very end
        summary.exitStatus = interruptedStatus(pendingInterrupt());
        summary.error = interrupted().error;
    }
    closeLink(summary);
    summary.milliseconds = msSince(clock);
    m_reporter.summary(summary);
    return summary.exitStatus;
}

CommandReport ScriptRunner::runOne(const Command &command, int &status)
{
    m_failures.clear();
    QElapsedTimer clock;
    clock.start();
    const std::uint64_t before = m_session.bytesWritten();
    const Outcome result = execute(command);
    CommandReport report;
    report.line = command.line;
    report.command = command.text;
    report.ok = result.status == 0;
    report.error = result.error;
    report.frames = result.frames;
    report.bytes = m_session.bytesWritten() - before;
    report.milliseconds = msSince(clock);
    status = result.status;
    return report;
}

ScriptRunner::Outcome ScriptRunner::execute(const Command &command)
{
    switch (command.kind) {
    case CommandKind::Open: return open();
    case CommandKind::Close:
        m_session.close();
        return outcome(true);
    case CommandKind::Set: return set(command);
    case CommandKind::Pattern: return pattern(command.pattern);
    case CommandKind::Show: return show(command);
    case CommandKind::Play: return play(command);
    case CommandKind::Stop: return stop();
    case CommandKind::Wait: return wait(command.duration);
    }
    return outcome(false);
}

ScriptRunner::Outcome ScriptRunner::open()
{
    if (m_session.linkState() == LinkState::Open)
        return {};
    const std::optional<QString> serial = waitForBridge(m_options.serial, m_options.waitDevice);
    if (!serial) {
        if (pendingInterrupt())
            return interrupted();
        return {code(ExitStatus::NoBridge), missingBridgeText(m_options.serial, m_options.waitDevice), {}};
    }
    return outcome(m_session.open(*serial));
}

ScriptRunner::Outcome ScriptRunner::set(const Command &command)
{
    session::FieldTexts texts = command.fields;
    // The packet carries no frame rate, but Set wants the field filled: the rate in use.
    texts.fps = QString::number(m_session.fps());
    return outcome(m_session.sendDriveSettings(texts, command.gamma) == PanelSession::SendResult::Sent);
}

ScriptRunner::Outcome ScriptRunner::pattern(PatternChoice choice)
{
    const std::optional<Pattern> lit = litPattern(m_session.content());
    if (choice == PatternChoice::Off)
        return outcome(!lit || m_session.togglePattern(*lit));  // the lit button pressed again
    const Pattern wanted = choice == PatternChoice::AllOn ? Pattern::AllOn : Pattern::Checker;
    return outcome(lit == wanted || m_session.togglePattern(wanted));
}

ScriptRunner::Outcome ScriptRunner::show(const Command &command)
{
    return outcome(m_session.choosePicture(command.path) && m_session.startShow(false));
}

ScriptRunner::Outcome ScriptRunner::play(const Command &command)
{
    m_session.chooseVideo(command.path);
    m_session.setFps(command.fps);
    if (!m_session.startShow(command.loop, command.bound))
        return outcome(false);
    WaitLoop loop([this] { return m_session.content() != Content::Video; });
    loop.recheckOn(&m_session, &PanelSession::contentChanged);
    const bool ended = loop.run(std::nullopt);
    if (!ended)
        m_session.stopShow();  // interrupted: the worker is joined before the count is read
    Outcome result = ended ? outcome(true) : interrupted();
    result.frames = m_session.framesPlayed();
    return result;
}

ScriptRunner::Outcome ScriptRunner::stop()
{
    const Content shown = m_session.content();
    if (shown == Content::Picture || shown == Content::Video)
        return outcome(m_session.stopShow());
    if (const std::optional<Pattern> lit = litPattern(shown))
        return outcome(m_session.togglePattern(*lit));
    return {};
}

ScriptRunner::Outcome ScriptRunner::wait(std::chrono::milliseconds duration)
{
    WaitLoop loop([this] { return !m_failures.isEmpty(); });
    loop.recheckOn(&m_session, &PanelSession::notice);
    loop.run(duration);
    return pendingInterrupt() && m_failures.isEmpty() ? interrupted() : outcome(true);
}

void ScriptRunner::closeLink(RunSummary &summary)
{
    if (m_session.linkState() == LinkState::Closed)
        return;
    m_failures.clear();
    const std::uint64_t before = m_session.bytesWritten();
    m_session.close();  // takes down what is shown first
    summary.bytes += m_session.bytesWritten() - before;
    const Outcome closed = outcome(true);
    if (closed.status == 0)
        return;
    m_reporter.message(QStringLiteral("closing the link: ") + closed.error);
    if (summary.exitStatus == 0) {
        summary.exitStatus = closed.status;
        summary.error = closed.error;
    }
}

ScriptRunner::Outcome ScriptRunner::outcome(bool done) const
{
    if (!m_failures.isEmpty()) {
        QStringList texts;
        for (const Notice &notice : m_failures)
            texts << failureText(notice);
        return {code(statusForNotice(m_failures.first().kind)), texts.join(QLatin1String("; ")), {}};
    }
    if (!done)
        return {code(ExitStatus::Refused), QStringLiteral("refused by the session"), {}};
    return {};
}

ScriptRunner::Outcome ScriptRunner::interrupted() const
{
    const int signalNumber = pendingInterrupt();
    return {interruptedStatus(signalNumber), QStringLiteral("interrupted by %1").arg(QLatin1String(signalName(signalNumber))), {}};
}

} // namespace vistrel::cli

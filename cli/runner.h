// Runs a checked script on a panel session, one command after the other,
// with the same session calls the window's buttons make. The first command
// that fails ends the script; whatever happens, what is shown is taken down
// and the link closed before the summary.
#ifndef VISTREL_CLI_RUNNER_H
#define VISTREL_CLI_RUNNER_H

#include "panel_session.h"
#include "report.h"
#include "script.h"

#include <QElapsedTimer>
#include <QObject>
#include <QVector>

#include <chrono>
#include <optional>

namespace vistrel::cli {

struct RunOptions {
    QString serial;                                // empty: the first bridge listed
    std::chrono::milliseconds waitDevice{0};       // how long open waits for it
    // An aging run: the script this many times (--repeat), or again and
    // again until this much time has passed (--for); checked between commands.
    std::uint64_t repeat = 0;
    std::chrono::milliseconds runFor{0};
    bool aging() const { return repeat > 0 || runFor.count() > 0; }
};

class ScriptRunner : public QObject
{
public:
    ScriptRunner(session::PanelSession &session, const RunOptions &options, Reporter &reporter);

    // The exit status: 0, one of ExitStatus, or 128 + a signal's number.
    int run(const std::vector<Command> &commands);

private:
    struct Outcome {
        int status = 0;
        QString error;
        std::optional<std::uint64_t> frames;
    };

    bool runRound(const std::vector<Command> &commands, RunSummary &summary);
    bool timeUp() const;
    CommandReport runOne(const Command &command, int &status);
    Outcome execute(const Command &command);
    Outcome open();
    Outcome set(const Command &command);
    Outcome pattern(const std::optional<protocol::PatternRequest> &wanted);
    Outcome show(const Command &command);
    Outcome play(const Command &command);
    Outcome stop();
    Outcome wait(std::chrono::milliseconds duration);
    void closeLink(RunSummary &summary);

    // The failures the session reported since the command began, or `done`.
    Outcome outcome(bool done) const;
    Outcome interrupted() const;
    void onNotice(const session::Notice &notice);

    session::PanelSession &m_session;
    RunOptions m_options;
    Reporter &m_reporter;
    QVector<session::Notice> m_failures;
    QElapsedTimer m_clock;
};

} // namespace vistrel::cli

#endif

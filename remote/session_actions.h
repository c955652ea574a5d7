// Carries out one parsed remote command on the panel session, with the same
// calls the window's buttons and vistrelctl make, so the wire sees the same
// bytes. Failures the session reports during the command become SCPI error
// codes.
#ifndef VISTREL_REMOTE_SESSION_ACTIONS_H
#define VISTREL_REMOTE_SESSION_ACTIONS_H

#include "media_root.h"
#include "panel_session.h"
#include "scpi_command.h"

#include <QByteArray>
#include <QObject>

#include <optional>

namespace vistrel::remote {

struct Outcome {
    std::optional<QByteArray> answer;  // for queries, without the LF
    int error = 0;
};

class SessionActions : public QObject
{
public:
    // model: the second field of *IDN?.
    SessionActions(session::PanelSession &session, MediaRoot mediaRoot, QString model);

    // Every header but those of the error queue (*CLS, SYSTem:ERRor?),
    // which belong to the connection.
    Outcome run(const Command &command);

private:
    Outcome dispatch(const Command &command);
    Outcome identify() const;
    Outcome deviceList();
    Outcome openDevice(const Command &command);
    Outcome driveSet(const Command &command);
    Outcome showPattern(const Command &command);
    Outcome patternOff();
    Outcome patternQuery() const;
    Outcome showPicture(const Command &command);
    Outcome playVideo(const Command &command);
    Outcome videoState() const;
    Outcome stopDisplay();
    // The first failure the session reported, or `done`'s refusal.
    Outcome result(bool done) const;
    ResolvedPath fileToShow(const Command &command) const;

    session::PanelSession &m_session;
    MediaRoot m_mediaRoot;
    QString m_model;
    int m_failure = 0;  // the first error the session reported during run
    display::PlaybackProgress m_progress;
};

} // namespace vistrel::remote

#endif

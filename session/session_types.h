// What the session reports: the state of the link and of what the panel
// shows, and notices (failures and events a user must hear about).
#ifndef VISTREL_SESSION_SESSION_TYPES_H
#define VISTREL_SESSION_SESSION_TYPES_H

#include "d2xx.h"
#include "patterns.h"

#include <QMetaType>
#include <QString>

#include <cstdint>
#include <optional>

namespace vistrel::session {

// Lost: the open bridge disappeared; its handle is closed and the session
// reopens it by itself when the same serial number comes back.
enum class LinkState { Closed, Open, Lost };

// Pattern: a generated test pattern (PanelSession::litPattern says which).
enum class Content { Idle, AllOn, Checker, Pattern, Picture, Video };

enum class Pattern { AllOn, Checker };

// Where one playback ends besides its file's end or a stop (0: no bound):
// after this many frames, or after this many passes over a looping file.
// The window never bounds a playback; vistrelctl's play does.
struct PlaybackBound {
    std::uint64_t frames = 0;
    std::uint64_t passes = 0;
};

struct Notice {
    enum Kind {
        DeviceNotConnected,  // an action needs an open link
        Busy,                // something else is shown on the panel
        FieldsEmpty,         // Set with a required field empty
        NoFile,              // Start with no picture or video chosen
        PictureUnreadable,
        VideoUnreadable,
        OpenFailed,
        WriteFailed,
        CloseFailed,
        LinkLost,
        LinkRestored,
    };
    Kind kind = WriteFailed;
    QString text;            // what the user reads, complete
    FT_STATUS status = FT_OK;  // the driver's status where one failed
};

QString contentName(Content content);
QString linkStateName(LinkState state);

} // namespace vistrel::session

Q_DECLARE_METATYPE(vistrel::session::Notice)
Q_DECLARE_METATYPE(vistrel::session::LinkState)
Q_DECLARE_METATYPE(vistrel::session::Content)
Q_DECLARE_METATYPE(std::optional<vistrel::protocol::PatternRequest>)

#endif

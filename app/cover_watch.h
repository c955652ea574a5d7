// Tells when a native window is fully covered by others. X11 reports it
// (VisibilityNotify) to clients that ask; Qt does not ask, so the watch asks
// on a connection of its own, which leaves Qt's event selection untouched.
// Elsewhere (other window systems, or X11 with a compositor, which never
// reports a window covered) there is no watch and nothing is reported.
#ifndef VISTREL_APP_COVER_WATCH_H
#define VISTREL_APP_COVER_WATCH_H

#include <qwindowdefs.h>

#include <functional>
#include <memory>

class CoverWatch
{
public:
    using Report = std::function<void(bool covered)>;

    // Null when the platform cannot report covering.
    static std::unique_ptr<CoverWatch> forWindow(WId window, Report report);
    virtual ~CoverWatch() = default;
};

#endif

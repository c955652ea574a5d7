// Putting the virtual panel window beside the console and tying its life to
// the console's: closing the console closes the panel window, closing the
// panel window leaves the console alone.
#ifndef VISTREL_APP_VIRTUAL_PANEL_PANEL_PLACEMENT_H
#define VISTREL_APP_VIRTUAL_PANEL_PANEL_PLACEMENT_H

#include <QRect>
#include <QSize>

#include <optional>

class QWidget;

namespace vistrel::virt {

class VirtualPanelWindow;

struct SideBySide {
    QRect console;  // where the console goes (moved only when it must)
    QRect panel;
};

// Lays a panel window of `preferred` size next to the console inside
// `available` (frame rectangles): to its right if the screen leaves room for
// `minimum` there, else below it, else smaller than `minimum` on whichever of
// the two leaves it more room. The console moves (only as far as needed) to
// make room and stays on the screen; the two never overlap unless the
// console alone fills the screen. `gap` pixels stay between them.
SideBySide placeBeside(const QRect &console, const QSize &preferred, const QSize &minimum,
                       const QRect &available, int gap = 8);

// Whether a remembered place for the panel is still on the screen and clear
// of the console.
bool placeStillFree(const QRect &panel, const QRect &console, const QRect &available);

// Creates the "Virtual panel" window, shows it where it was (`remembered`:
// its frame's top left and its size) if that place is still free, else
// beside `console`. The window deletes itself when closed and is deleted
// with the console.
VirtualPanelWindow *openVirtualPanelBeside(QWidget &console, const std::optional<QRect> &remembered = {});

} // namespace vistrel::virt

#endif

// Putting the virtual panel window beside the console and tying its life to
// the console's: closing the console closes the panel window, closing the
// panel window leaves the console alone.
#ifndef VISTREL_APP_VIRTUAL_PANEL_PANEL_PLACEMENT_H
#define VISTREL_APP_VIRTUAL_PANEL_PANEL_PLACEMENT_H

#include <QRect>
#include <QSize>

class QWidget;

namespace vistrel::virt {

class VirtualPanelWindow;

struct SideBySide {
    QRect console;  // where the console goes (moved only when it must)
    QRect panel;
};

// Lays a panel window of `preferred` size (not below `minimum`) next to the
// console inside `available`: to its right if there is room, else to its
// left, else the console moves over so that both fit; when even that is
// impossible the panel sits at the right edge, over the console. The top
// edges line up as far as the screen allows. `gap` pixels stay between them.
SideBySide placeBeside(const QRect &console, const QSize &preferred, const QSize &minimum,
                       const QRect &available, int gap = 8);

// Creates the "Virtual panel" window, places it beside `console`, shows it.
// The window deletes itself when closed and is deleted with the console.
VirtualPanelWindow *openVirtualPanelBeside(QWidget &console);

} // namespace vistrel::virt

#endif

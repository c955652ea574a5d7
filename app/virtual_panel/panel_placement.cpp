#include "panel_placement.h"

#include "virtual_panel_window.h"

#include <QEvent>
#include <QIcon>
#include <QScreen>
#include <QStyle>
#include <QWidget>

#include <algorithm>

namespace vistrel::virt {

namespace {

// Closes the panel window when the console is closed. A minimised console
// is still visible in Qt's sense, so only a real close or hide counts.
class ConsoleFollower : public QObject
{
public:
    ConsoleFollower(QWidget &console, QWidget &panel) : QObject(&panel), m_console(&console), m_panel(&panel)
    {
        console.installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_console && event->type() == QEvent::Hide && !m_console->isVisible())
            m_panel->close();
        return false;
    }

private:
    QWidget *m_console;
    QWidget *m_panel;
};

int clamped(int value, int low, int high)
{
    return std::max(low, std::min(value, high));
}

// The console kept on the screen.
QRect inside(QRect console, const QRect &available)
{
    console.moveLeft(clamped(console.left(), available.left(), available.right() + 1 - console.width()));
    console.moveTop(clamped(console.top(), available.top(), available.bottom() + 1 - console.height()));
    return console;
}

// The panel right of the console, as wide as the room allows up to its
// preferred width; the console moves left only as far as that needs.
SideBySide toTheRight(QRect console, const QSize &preferred, const QRect &available, int gap)
{
    const int width = std::min(preferred.width(), available.width() - console.width() - gap);
    const int height = std::min(preferred.height(), available.height());
    console.moveRight(std::min(console.right(), available.right() - gap - width));
    const int top = clamped(console.top(), available.top(), available.bottom() + 1 - height);
    return {console, QRect(console.right() + 1 + gap, top, width, height)};
}

// The same below the console.
SideBySide underneath(QRect console, const QSize &preferred, const QRect &available, int gap)
{
    const int height = std::min(preferred.height(), available.height() - console.height() - gap);
    const int width = std::min(preferred.width(), available.width());
    console.moveBottom(std::min(console.bottom(), available.bottom() - gap - height));
    const int left = clamped(console.left(), available.left(), available.right() + 1 - width);
    return {console, QRect(left, console.bottom() + 1 + gap, width, height)};
}

std::int64_t area(const QRect &rect)
{
    return rect.isEmpty() ? 0 : std::int64_t{rect.width()} * rect.height();
}

} // namespace

SideBySide placeBeside(const QRect &console, const QSize &preferred, const QSize &minimum,
                       const QRect &available, int gap)
{
    const QRect onScreen = inside(console, available);
    const bool rightFits = available.width() - onScreen.width() - gap >= minimum.width()
                           && available.height() >= minimum.height();
    if (rightFits)
        return toTheRight(onScreen, preferred, available, gap);
    const bool belowFits = available.height() - onScreen.height() - gap >= minimum.height()
                           && available.width() >= minimum.width();
    if (belowFits)
        return underneath(onScreen, preferred, available, gap);
    const SideBySide right = toTheRight(onScreen, preferred, available, gap);
    const SideBySide below = underneath(onScreen, preferred, available, gap);
    if (area(right.panel) == 0 && area(below.panel) == 0) {  // the console fills the screen
        QRect corner(QPoint(), preferred.boundedTo(available.size()));
        corner.moveBottomRight(available.bottomRight());
        return {onScreen, corner};
    }
    return area(right.panel) >= area(below.panel) ? right : below;
}

bool placeStillFree(const QRect &panel, const QRect &console, const QRect &available)
{
    return available.contains(panel) && !panel.intersects(console);
}

VirtualPanelWindow *openVirtualPanelBeside(QWidget &console, const std::optional<QRect> &remembered)
{
    auto *panel = new VirtualPanelWindow;
    panel->setAttribute(Qt::WA_DeleteOnClose);
    // Only the console's close ends the program.
    panel->setAttribute(Qt::WA_QuitOnClose, false);
    panel->setWindowIcon(console.windowIcon());
    new ConsoleFollower(console, *panel);
    QObject::connect(&console, &QObject::destroyed, panel, [panel] { delete panel; });

    const QScreen *screen = console.screen();
    const QRect available = screen ? screen->availableGeometry() : console.frameGeometry();
    // The window manager's frame is not known before the window is shown:
    // a title bar's height is set aside, so the frame stays on the screen.
    const QMargins frame(0, panel->style()->pixelMetric(QStyle::PM_TitleBarHeight), 0, 0);
    const QSize framing(frame.left() + frame.right(), frame.top() + frame.bottom());
    QRect placed = remembered ? remembered->marginsAdded(frame) : QRect();
    if (!remembered || !placeStillFree(placed, console.frameGeometry(), available)) {
        const SideBySide layout = placeBeside(console.frameGeometry(), panel->sizeHint() + framing,
                                              panel->unscrolledMinimum() + framing, available);
        if (layout.console.topLeft() != console.frameGeometry().topLeft())
            console.move(layout.console.topLeft());
        placed = layout.panel;
    }
    panel->resize(placed.marginsRemoved(frame).size());
    panel->move(placed.topLeft());  // a window's position is its frame's
    panel->show();
    return panel;
}

} // namespace vistrel::virt

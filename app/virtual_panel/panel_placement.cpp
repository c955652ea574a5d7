#include "panel_placement.h"

#include "virtual_panel_window.h"

#include <QEvent>
#include <QIcon>
#include <QScreen>
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

int clampedTop(const QRect &console, int height, const QRect &available)
{
    return std::max(available.top(), std::min(console.top(), available.bottom() + 1 - height));
}

} // namespace

SideBySide placeBeside(const QRect &console, const QSize &preferred, const QSize &minimum,
                       const QRect &available, int gap)
{
    SideBySide result{console, {}};
    const int height = std::max(minimum.height(), std::min(preferred.height(), available.height()));
    const int rightRoom = available.right() - console.right() - gap;
    const int leftRoom = console.left() - available.left() - gap;
    int width = 0;
    int left = 0;
    if (rightRoom >= minimum.width()) {
        width = std::min(preferred.width(), rightRoom);
        left = console.right() + 1 + gap;
    } else if (leftRoom >= minimum.width()) {
        width = std::min(preferred.width(), leftRoom);
        left = console.left() - gap - width;
    } else {
        const int room = available.width() - console.width() - gap;
        width = std::max(minimum.width(), std::min(preferred.width(), room));
        left = available.right() + 1 - width;
        if (room >= minimum.width())
            result.console.moveLeft(left - gap - console.width());
    }
    result.panel = QRect(left, clampedTop(result.console, height, available), width, height);
    return result;
}

VirtualPanelWindow *openVirtualPanelBeside(QWidget &console)
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
    const SideBySide layout = placeBeside(console.frameGeometry(), panel->sizeHint(),
                                          panel->minimumSizeHint(), available);
    if (layout.console.topLeft() != console.frameGeometry().topLeft())
        console.move(layout.console.topLeft());
    panel->resize(layout.panel.size());
    panel->move(layout.panel.topLeft());
    panel->show();
    return panel;
}

} // namespace vistrel::virt

#include "console_main.h"

#include "framelesshelper.h"
#include "vistrel.h"

#include <QApplication>

namespace {

// The window has no system frame; the helper gives back moving by the title
// bar and resizing at the borders.
void attachFramelessHelper(Vistrel &window)
{
    auto *helper = new FramelessHelper(&window);
    helper->activateOn(&window);
    helper->setTitleHeight(30);
    helper->setBorderWidth(3);
    helper->setWidgetMovable(true);
    helper->setWidgetResizable(true);
    helper->setRubberBandOnMove(false);
    helper->setRubberBandOnResize(true);
}

} // namespace

int runConsole(int argc, char *argv[], const std::function<void(Vistrel &)> &beside)
{
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QApplication app(argc, argv);

    Vistrel window;
    window.setWindowFlags(Qt::FramelessWindowHint);
    attachFramelessHelper(window);
    window.show();
    if (beside)
        beside(window);
    return app.exec();
}

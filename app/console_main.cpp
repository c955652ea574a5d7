#include "console_main.h"

#include "autoplay.h"
#include "backend_registry.h"
#include "command_line.h"
#include "device_messages.h"
#include "framelesshelper.h"
#include "panel_placement.h"
#include "vistrel.h"
#include "vistrel_version.h"

#include <QApplication>
#include <QCommandLineParser>

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

// Chooses the backend before the window makes its first driver call; true
// on the virtual bridges.
bool selectBackend(const QCommandLineParser &parser, BridgeChoice choice)
{
    const bool virtualAsked = choice == BridgeChoice::Virtual || parser.isSet(QStringLiteral("virtual"));
    return vistrel::device::selectBackend(virtualAsked) == vistrel::device::kVirtualBackend;
}

void describeOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral("Control console for TFT test panels behind an FTDI bridge."));
    parser.addOption({QStringLiteral("virtual"),
                      QStringLiteral("Use emulated bridges and open the virtual panel beside the console.")});
    addAutoplayOptions(parser);
}

} // namespace

int runConsole(int argc, char *argv[], BridgeChoice choice)
{
    // The images (title bar, check box, arrows) are compiled into an object
    // that only registers itself, and this library is an archive: unless
    // something names that object the linker drops it, and the window shows
    // empty squares. Naming it here keeps it, and fails the link without it.
    Q_INIT_RESOURCE(images);
    QCoreApplication::setApplicationVersion(QStringLiteral(VISTREL_VERSION));
    // Answered before QApplication exists: --help, --version and a wrong
    // option need no display.
    QCommandLineParser parser;
    describeOptions(parser);
    vistrel::parseBeforeApplication(parser, argc, argv);
    const std::optional<AutoplayRequest> autoplay = autoplayRequest(parser);
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.vistrel.Vistrel"));
    vistrel::session::routeDeviceMessages();
    const bool onVirtualBridges = selectBackend(parser, choice);

    Vistrel window;
    window.setWindowFlags(Qt::FramelessWindowHint);
    attachFramelessHelper(window);
    window.show();
    if (onVirtualBridges)
        vistrel::virt::openVirtualPanelBeside(window);
    if (autoplay)
        scheduleAutoplay(window, *autoplay);
    return app.exec();
}

#include "console_main.h"

#include "autoplay.h"
#include "backend_registry.h"
#include "command_line.h"
#include "device_messages.h"
#include "framelesshelper.h"
#include "panel_placement.h"
#include "settings_store.h"
#include "virtual_panel_window.h"
#include "serve.h"
#include "vistrel.h"
#include "vistrel_version.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QScreen>

#include <optional>
#include <utility>
#include <QTextStream>

#include <cstdio>
#include <memory>

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

// Keeps where a window was when it closes: its frame's top left and its
// size, in the settings store under `key`.
class PlaceKeeper : public QObject
{
public:
    PlaceKeeper(QWidget &window, QString key) : QObject(&window), m_window(window), m_key(std::move(key))
    {
        window.installEventFilter(this);
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Close)
            vistrel::session::saveConsoleValue(m_key, QRect(m_window.pos(), m_window.size()));
        return false;
    }

private:
    QWidget &m_window;
    const QString m_key;
};

std::optional<QRect> rememberedPlace(const QString &key)
{
    const QRect place = vistrel::session::loadConsoleValue(key).toRect();
    return place.isValid() ? std::optional<QRect>(place) : std::nullopt;
}

// The console goes back where it was if that is still wholly on a screen.
void restoreConsolePlace(QWidget &console)
{
    const std::optional<QRect> place = rememberedPlace(QStringLiteral("consolePlace"));
    const QScreen *screen = place ? QGuiApplication::screenAt(place->center()) : nullptr;
    if (screen && screen->availableGeometry().contains(*place))
        console.setGeometry(*place);  // frameless: its frame is its geometry
    new PlaceKeeper(console, QStringLiteral("consolePlace"));
}

void openPanelWherePossible(QWidget &console)
{
    QWidget *panel = vistrel::virt::openVirtualPanelBeside(console, rememberedPlace(QStringLiteral("panelPlace")));
    new PlaceKeeper(*panel, QStringLiteral("panelPlace"));
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
    parser.addOption({QStringLiteral("listen"),
                      QStringLiteral("Serve SCPI remote control on [ADDR:]PORT (127.0.0.1 unless an address is "
                                     "given; port 0 picks a free one) while the window runs."),
                      QStringLiteral("[ADDR:]PORT")});
    parser.addOption({QStringLiteral("media-root"),
                      QStringLiteral("With --listen: remote file names resolve inside DIR and may not leave it "
                                     "(needed for an address outside loopback)."),
                      QStringLiteral("DIR")});
}

// --listen: the server on the window's session, so the window follows every
// remote change. When it cannot start, `error` says why.
std::unique_ptr<vistrel::remote::ScpiServer> startListening(const QCommandLineParser &parser, Vistrel &window,
                                                            QString &error)
{
    const QString listen = QStringLiteral("listen");
    const QString mediaRoot = QStringLiteral("media-root");
    if (!parser.isSet(listen)) {
        if (parser.isSet(mediaRoot))
            error = QStringLiteral("--media-root goes with --listen");
        return nullptr;
    }
    QTextStream out(stdout);
    return vistrel::remote::startServer(window.session(), parser.value(listen), parser.value(mediaRoot),
                                        QCoreApplication::applicationName(), out, error);
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
    QString listenError;
    const std::unique_ptr<vistrel::remote::ScpiServer> server = startListening(parser, window, listenError);
    if (!listenError.isEmpty()) {
        // As a bad option: a message and status 1, the window never shown.
        std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()), qPrintable(listenError));
        return 1;
    }
    window.setWindowFlags(Qt::FramelessWindowHint);
    attachFramelessHelper(window);
    restoreConsolePlace(window);
    window.show();
    if (onVirtualBridges)
        openPanelWherePossible(window);
    if (autoplay)
        scheduleAutoplay(window, *autoplay);
    return app.exec();
}

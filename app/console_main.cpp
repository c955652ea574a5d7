#include "console_main.h"

#include "d2xx_backend.h"
#include "device_messages.h"
#include "framelesshelper.h"
#include "panel_placement.h"
#include "virtual_bridge.h"
#include "vistrel.h"
#include "vistrel_version.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>

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

const vistrel::device::D2xxBackend *realBridges()
{
#ifdef VISTREL_HAS_REAL_BRIDGES
    return vistrel::device::realBackend();
#else
    return nullptr;
#endif
}

bool virtualRequested(const QCommandLineParser &parser, BridgeChoice choice)
{
    if (choice == BridgeChoice::Virtual || parser.isSet(QStringLiteral("virtual")))
        return true;
    if (qEnvironmentVariable("VISTREL_BACKEND") == QLatin1String("virtual"))
        return true;
    return realBridges() == nullptr;  // a build without real bridges
}

// Chooses the backend before the window makes its first driver call.
bool selectBackend(const QCommandLineParser &parser, BridgeChoice choice)
{
    if (virtualRequested(parser, choice)) {
        vistrel::device::useBackend(vistrel::virt::backend());
        return true;
    }
    vistrel::device::useBackend(*realBridges());
    return false;
}

void describeOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral("Control console for TFT test panels behind an FTDI bridge."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("virtual"),
                      QStringLiteral("Use emulated bridges and open the virtual panel beside the console.")});
}

// --help and --version answer before the application object exists, so
// they work without a display.
void answerHelpOrVersion(int &argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    describeOptions(parser);
    parser.parse(arguments);  // errors wait for the full parse, which knows the toolkit's options
    if (parser.isSet(QStringLiteral("help"))) {
        const QCoreApplication core(argc, argv);  // the help text names the program from it
        std::fputs(qPrintable(parser.helpText()), stdout);
        std::exit(0);
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()),
                    qPrintable(QCoreApplication::applicationVersion()));
        std::exit(0);
    }
}

} // namespace

int runConsole(int argc, char *argv[], BridgeChoice choice)
{
    QCoreApplication::setApplicationName(QFileInfo(QString::fromLocal8Bit(argv[0])).fileName());
    QCoreApplication::setApplicationVersion(QStringLiteral(VISTREL_VERSION));
    answerHelpOrVersion(argc, argv);
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QApplication app(argc, argv);
    QCommandLineParser parser;
    describeOptions(parser);
    parser.process(app);
    vistrel::session::routeDeviceMessages();
    const bool onVirtualBridges = selectBackend(parser, choice);

    Vistrel window;
    window.setWindowFlags(Qt::FramelessWindowHint);
    attachFramelessHelper(window);
    window.show();
    if (onVirtualBridges)
        vistrel::virt::openVirtualPanelBeside(window);
    return app.exec();
}

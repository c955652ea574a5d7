#include "command_line.h"
#include "demowindow.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char *argv[])
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Shows every dual-handle range slider variant and the voltage help dialog."));
    vistrel::parseBeforeApplication(parser, argc, argv);

    QApplication app(argc, argv);
    DemoWindow window;
    window.show();
    return app.exec();
}

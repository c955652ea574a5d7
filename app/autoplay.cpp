#include "autoplay.h"

#include "command_line.h"
#include "vistrel.h"

#include <QCheckBox>
#include <QCommandLineParser>
#include <QLineEdit>
#include <QTimer>

namespace {

const QString kPlay = QStringLiteral("play");
const QString kLoop = QStringLiteral("loop");
const QString kFps = QStringLiteral("fps");

} // namespace

void addAutoplayOptions(QCommandLineParser &parser)
{
    parser.addOption({kPlay, QStringLiteral("Open the first bridge and play <file> on it once the window is shown."),
                      QStringLiteral("file")});
    parser.addOption({kLoop, QStringLiteral("With --play: tick Loop Play.")});
    parser.addOption({kFps, QStringLiteral("With --play: the frame rate, 1 to 60."), QStringLiteral("n")});
}

std::optional<AutoplayRequest> autoplayRequest(const QCommandLineParser &parser)
{
    if (!parser.isSet(kPlay)) {
        if (parser.isSet(kLoop) || parser.isSet(kFps))
            vistrel::rejectCommandLine(QStringLiteral("--loop and --fps go with --play"));
        return std::nullopt;
    }
    AutoplayRequest request;
    request.path = parser.value(kPlay);
    request.loop = parser.isSet(kLoop);
    if (parser.isSet(kFps)) {
        bool number = false;
        const int fps = parser.value(kFps).toInt(&number);
        if (!number || fps < 1 || fps > 60)
            vistrel::rejectCommandLine(QStringLiteral("--fps takes a whole number from 1 to 60"));
        request.fps = fps;
    }
    return request;
}

void scheduleAutoplay(Vistrel &window, const AutoplayRequest &request)
{
    QTimer::singleShot(0, &window, [&window, request] {
        // The two fields the window reads when Start is pressed.
        if (request.fps)
            window.findChild<QLineEdit *>(QStringLiteral("lineEdit_fps"))->setText(QString::number(*request.fps));
        window.findChild<QCheckBox *>(QStringLiteral("loopcheckBox"))->setChecked(request.loop);
        window.on_Open_CLose_click();
        window.session().chooseVideo(request.path);
        window.on_StartVideo_click();  // a failure shows its notice, as after a click
    });
}

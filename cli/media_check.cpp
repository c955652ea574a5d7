#include "media_check.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/videoio.hpp>

namespace vistrel::cli {

namespace {

// The same decoders the session and the video worker use.
bool pictureReadable(const QString &path)
{
    try {
        return !cv::imread(path.toLocal8Bit().toStdString(), cv::IMREAD_COLOR).empty();
    } catch (const cv::Exception &) {
        return false;
    }
}

bool videoReadable(const QString &path)
{
    try {
        cv::VideoCapture capture(path.toUtf8().toStdString(), cv::CAP_FFMPEG);
        cv::Mat frame;
        return capture.isOpened() && capture.read(frame) && !frame.empty();
    } catch (const cv::Exception &) {
        return false;
    }
}

} // namespace

std::vector<ScriptError> unreadableMedia(const std::vector<Command> &commands)
{
    std::vector<ScriptError> errors;
    for (const Command &command : commands) {
        if (command.kind == CommandKind::Show && !pictureReadable(command.path))
            errors.push_back({command.line, QStringLiteral("picture not readable: %1").arg(command.path)});
        else if (command.kind == CommandKind::Play && !videoReadable(command.path))
            errors.push_back({command.line, QStringLiteral("video not readable: %1").arg(command.path)});
    }
    return errors;
}

} // namespace vistrel::cli

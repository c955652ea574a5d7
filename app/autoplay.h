// Playback started from the command line, for demonstrations and the
// whole-program benchmark: `--play FILE [--loop] [--fps N]` opens the first
// listed bridge and starts the video once the window is shown, exactly as
// typing the rate, ticking Loop Play, OPEN, choosing the file and Start would.
#ifndef VISTREL_APP_AUTOPLAY_H
#define VISTREL_APP_AUTOPLAY_H

#include <QString>

#include <optional>

class QCommandLineParser;
class Vistrel;

struct AutoplayRequest {
    QString path;
    bool loop = false;
    std::optional<int> fps;  // nothing: the FPS field keeps its stored text
};

void addAutoplayOptions(QCommandLineParser &parser);

// Nothing without --play. A rate that is no whole number from 1 to 60, or
// --loop or --fps without --play, is rejected as a bad option is (a message,
// exit status 1).
std::optional<AutoplayRequest> autoplayRequest(const QCommandLineParser &parser);

// Acts once the event loop runs, so the window is on screen first.
void scheduleAutoplay(Vistrel &window, const AutoplayRequest &request);

#endif

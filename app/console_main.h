// The console's start-up, shared by every executable: high-DPI scaling, the
// application object, the frameless main window, the event loop.
#ifndef VISTREL_APP_CONSOLE_MAIN_H
#define VISTREL_APP_CONSOLE_MAIN_H

#include <functional>

class Vistrel;

// Runs the console and returns the event loop's result. `beside` is called
// once the main window is shown, before the event loop starts, so that an
// executable can open windows of its own next to it.
int runConsole(int argc, char *argv[], const std::function<void(Vistrel &)> &beside = {});

#endif

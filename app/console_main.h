// The console's start-up, shared by vistrel and vistrel-virtual: the command
// line, the bridge backend, high-DPI scaling, the frameless main window and
// the event loop.
#ifndef VISTREL_APP_CONSOLE_MAIN_H
#define VISTREL_APP_CONSOLE_MAIN_H

enum class BridgeChoice {
    Real,     // the platform's bridges unless --virtual or VISTREL_BACKEND=virtual says otherwise
    Virtual,  // always the emulated bridges
};

// Runs the console and returns the event loop's result. On the virtual
// bridges the "Virtual panel" window opens beside the console.
int runConsole(int argc, char *argv[], BridgeChoice choice);

#endif

// vistrel-virtual: the console on emulated bridges, with the "Virtual panel"
// window beside it showing what the emulated controller received.
#include "console_main.h"

int main(int argc, char *argv[])
{
    return runConsole(argc, argv, BridgeChoice::Virtual);
}

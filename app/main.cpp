// vistrel: the console on the platform's real bridges, or on emulated ones
// with --virtual.
#include "console_main.h"

int main(int argc, char *argv[])
{
    return runConsole(argc, argv, BridgeChoice::Real);
}

// Process entry: one frameless main window with its own title bar, on the
// real bridges of this platform.
#include "console_main.h"
#include "d2xx_backend.h"

int main(int argc, char *argv[])
{
    vistrel::device::useBackend(*vistrel::device::realBackend());
    return runConsole(argc, argv);
}

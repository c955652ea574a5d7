// Process entry: one frameless main window with its own title bar.
#include "console_main.h"

int main(int argc, char *argv[])
{
    return runConsole(argc, argv);
}

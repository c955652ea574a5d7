// Two test classes in one executable: what the virtual panel computes, and
// the window itself beside a console on the virtual bridge.
#include <QApplication>

int runPanelReadoutTests(int argc, char *argv[]);
int runVirtualPanelWindowTests(int argc, char *argv[]);

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    int failures = runPanelReadoutTests(argc, argv);
    failures += runVirtualPanelWindowTests(argc, argv);
    return failures;
}

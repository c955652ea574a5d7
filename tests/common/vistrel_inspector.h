// Read (and a little write) access to the main window's private state for the
// tests; Vistrel declares this struct its friend. Header only: include it from
// tests that link vistrel_gui.
#ifndef VISTREL_TESTS_VISTREL_INSPECTOR_H
#define VISTREL_TESTS_VISTREL_INSPECTOR_H

#include "vistrel.h"

#include <QTimer>

struct VistrelInspector {
    static Ui_Vistrel &ui(Vistrel &window) { return window.ui; }
    static QTimer *pollTimer(Vistrel &window) { return window.pollTimer; }

    static bool deviceOpen(const Vistrel &window) { return window.deviceOpen; }
    static FT_STATUS ftStatus(const Vistrel &window) { return window.ftStatus; }
    static int fps(const Vistrel &window) { return window.fps; }
    static double gamma(const Vistrel &window) { return window.gamma; }
    static int scanLead(const Vistrel &window) { return window.scanLead; }
    static int scanTail(const Vistrel &window) { return window.scanTail; }
};

#endif

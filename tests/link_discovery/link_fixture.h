// For the four device-link test programs: a fresh main window on the virtual
// bridge for every case, and a few short helpers. Header only.
#pragma once

#include "debug_capture.h"
#include "display_media.h"
#include "message_box_recorder.h"

#include <QComboBox>
#include <QLineEdit>

using vistrel::virt::D2xxCall;

inline vistrel::virt::Testbed &bed() { return vistrel::virt::Testbed::instance(); }
inline QString wire(std::size_t n = 64) { return testenv::hex(bed().captured("VPANEL01"), n); }

struct LinkFixture {
    std::unique_ptr<Vistrel> window;

    Ui_Vistrel &ui() { return VistrelInspector::ui(*window); }
    void fresh() { displaytest::freshWindow(window); }
    void openLink()
    {
        ui().openButton->click();
        QVERIFY(VistrelInspector::deviceOpen(*window));
        bed().clearCaptured("VPANEL01");
    }
};

// An FT232H on an emulated USB bus: its sysfs description in a umockdev
// testbed and a usbdevfs ioctl handler behind its device node, so that an
// unmodified libusb/libftdi in this process (running under umockdev's
// preload library) enumerates, opens, configures and writes to it.
#ifndef VISTREL_TESTS_FT232H_EMULATED_FT232H_H
#define VISTREL_TESTS_FT232H_EMULATED_FT232H_H

#include "ft232h_chip.h"

#include <memory>
#include <string>

typedef struct _UMockdevTestbed UMockdevTestbed;

namespace ftdiemu {

class EmulatedFt232h {
public:
    // Plugs the chip into the testbed at the identity's bus and address.
    EmulatedFt232h(UMockdevTestbed *testbed, Identity identity = {});
    ~EmulatedFt232h();
    EmulatedFt232h(const EmulatedFt232h &) = delete;
    EmulatedFt232h &operator=(const EmulatedFt232h &) = delete;

    const Identity &identity() const;
    std::string devnode() const;

    // Gone from the bus: sysfs forgets it and every request on a device node
    // that is still open fails with ENODEV, as after pulling the cable.
    void unplug();
    // The device node cannot be opened at all, as without a udev rule.
    void makeUnopenable();
    // The node opens but every usbdevfs request is refused with EACCES: a
    // bridge whose strings cannot be read.
    void denyAccess();
    // Bulk OUT transfers are held, never completed, until the host cancels
    // them: a panel that stopped taking data.
    void stallBulkOut(bool stalled);

    ChipRecord record() const;

    struct Impl;

private:
    std::unique_ptr<Impl> d;
};

} // namespace ftdiemu

#endif

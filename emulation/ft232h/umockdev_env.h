// Running a test under umockdev: the preload library must be in the process
// before libusb touches /sys or /dev, so the test re-executes itself once
// with it; a testbed then redirects both into a private folder.
#ifndef VISTREL_TESTS_FT232H_UMOCKDEV_ENV_H
#define VISTREL_TESTS_FT232H_UMOCKDEV_ENV_H

#include <string>

typedef struct _UMockdevTestbed UMockdevTestbed;

namespace ftdiemu {

// Re-executes the program with umockdev's preload library unless it is
// loaded already or an earlier attempt failed; returns only in those cases.
void reexecUnderPreload(char **argv);

// Empty when the emulated bus can run here, otherwise why not (for QSKIP).
std::string unavailableReason();

// A fresh testbed: an empty emulated /sys and /dev, and its disposal.
UMockdevTestbed *newTestbed();
void freeTestbed(UMockdevTestbed *testbed);

} // namespace ftdiemu

#endif

#include "umockdev_env.h"

#include <umockdev.h>

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace ftdiemu {

namespace {
constexpr const char *kPreload = "libumockdev-preload.so.0";
constexpr const char *kAttemptMarker = "VISTREL_UMOCKDEV_REEXEC";

bool preloadLoaded()
{
    // Asks the dynamic linker; umockdev's own check answers only once a
    // testbed exists.
    void *library = dlopen(kPreload, RTLD_LAZY | RTLD_NOLOAD);
    if (library)
        dlclose(library);
    return library != nullptr;
}
} // namespace

void reexecUnderPreload(char **argv)
{
    if (preloadLoaded() || std::getenv(kAttemptMarker))
        return;
    std::string preload = kPreload;
    if (const char *existing = std::getenv("LD_PRELOAD"); existing && *existing)
        preload += std::string(":") + existing;
    setenv("LD_PRELOAD", preload.c_str(), 1);
    setenv(kAttemptMarker, "1", 1);
    execv("/proc/self/exe", argv);
    // exec failed: carry on without the preload; the tests will skip.
}

std::string unavailableReason()
{
    if (!preloadLoaded())
        return std::string("umockdev's preload library (") + kPreload +
               ") could not be loaded; install the umockdev package";
    return {};
}

UMockdevTestbed *newTestbed()
{
    return umockdev_testbed_new();
}

void freeTestbed(UMockdevTestbed *testbed)
{
    if (testbed)
        g_object_unref(testbed);
}

} // namespace ftdiemu

// The bridge backends of this build by name, and the one choice every
// program makes at start, so the window, vistrelctl and the benchmarks
// cannot drift apart on what --virtual or VISTREL_BACKEND means.
#ifndef VISTREL_DEVICE_BACKEND_REGISTRY_H
#define VISTREL_DEVICE_BACKEND_REGISTRY_H

#include "d2xx_backend.h"

#include <string_view>

namespace vistrel::device {

// "ftdi": libftdi1 (Linux); "d2xx": FTDI's ftd2xx.dll (Windows);
// "virtual": the bridges emulated in the process.
inline constexpr std::string_view kVirtualBackend = "virtual";

// The backend called `name`, or null when this build has none by that name.
const D2xxBackend *backendNamed(std::string_view name);

// Makes the backend called `name` the one FT_* reaches; false, and nothing
// changed, when this build has none by that name.
bool useBackendNamed(std::string_view name);

// Chooses the backend before the first driver call and returns its name:
// the virtual one when `virtualAsked` (--virtual, vistrel-virtual), else the
// one VISTREL_BACKEND names if this build has it, else the platform's real
// bridges, else (a build without them) the virtual ones.
std::string_view selectBackend(bool virtualAsked);

} // namespace vistrel::device

#endif

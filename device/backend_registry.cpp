#define _CRT_SECURE_NO_WARNINGS  // getenv reads VISTREL_BACKEND once, at start
#include "backend_registry.h"

#include "virtual_bridge.h"

#include <array>
#include <cstdlib>
#include <optional>

namespace vistrel::device {

namespace {

struct NamedBackend {
    std::string_view name;
    const D2xxBackend *backend;
};

// The platform's real bridges go first: they are the default.
std::array<NamedBackend, 2> registered()
{
#if defined(VISTREL_BACKEND_FTDI)
    const NamedBackend real{"ftdi", realBackend()};
#elif defined(VISTREL_BACKEND_D2XX)
    const NamedBackend real{"d2xx", realBackend()};
#else
    const NamedBackend real{"", nullptr};
#endif
    return {real, NamedBackend{kVirtualBackend, &virt::backend()}};
}

std::optional<NamedBackend> entryNamed(std::string_view name)
{
    for (const NamedBackend &entry : registered()) {
        if (entry.backend && entry.name == name)
            return entry;
    }
    return std::nullopt;
}

// Any other value of VISTREL_BACKEND leaves the default, as it always has.
std::string_view requestedBackend(bool virtualAsked)
{
    if (virtualAsked)
        return kVirtualBackend;
    const char *const named = std::getenv("VISTREL_BACKEND");
    if (const std::optional<NamedBackend> entry = entryNamed(named ? named : ""))
        return entry->name;
    const NamedBackend real = registered().front();
    return real.backend ? real.name : kVirtualBackend;
}

} // namespace

const D2xxBackend *backendNamed(std::string_view name)
{
    const std::optional<NamedBackend> entry = entryNamed(name);
    return entry ? entry->backend : nullptr;
}

bool useBackendNamed(std::string_view name)
{
    const D2xxBackend *const backend = backendNamed(name);
    if (backend)
        useBackend(*backend);
    return backend != nullptr;
}

std::string_view selectBackend(bool virtualAsked)
{
    const std::string_view name = requestedBackend(virtualAsked);
    useBackendNamed(name);
    return name;
}

} // namespace vistrel::device

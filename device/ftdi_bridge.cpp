#include "ftdi_bridge.h"

#include <ftdi.h>

#include <algorithm>
#include <limits>

namespace vistrel::ftdi {

int effectiveTimeoutMs(FT_DWORD requestedMs)
{
    if (requestedMs == 0)
        return kZeroTimeoutMs;
    const FT_DWORD largest = static_cast<FT_DWORD>(std::numeric_limits<int>::max());
    return static_cast<int>(std::min(requestedMs, largest));
}

OpenBridge::OpenBridge(ftdi_context *context, std::string serial)
    : m_context(context), m_serial(std::move(serial))
{
}

OpenBridge::~OpenBridge()
{
    close();
}

FT_STATUS OpenBridge::use(const std::function<FT_STATUS(ftdi_context *)> &call)
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_context)
        return FT_INVALID_HANDLE;
    return call(m_context);
}

void OpenBridge::close()
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_context)
        return;
    // Fails harmlessly when the bridge was unplugged; the context goes anyway.
    ftdi_usb_close(m_context);
    ftdi_free(m_context);
    m_context = nullptr;
}

HandleTable &HandleTable::instance()
{
    // Never destroyed: a link still open at exit is left to the operating
    // system, which releases the USB device with the process, instead of
    // being closed during static destruction behind libusb's back.
    static HandleTable *table = new HandleTable;
    return *table;
}

FT_HANDLE HandleTable::add(std::shared_ptr<OpenBridge> bridge)
{
    std::lock_guard<std::mutex> guard(m_lock);
    // Tokens count up and are never reused, so an old handle can never
    // reach a bridge opened later.
    const std::uintptr_t token = m_nextToken++;
    m_entries.emplace_back(token, std::move(bridge));
    return reinterpret_cast<FT_HANDLE>(token);
}

std::shared_ptr<OpenBridge> HandleTable::find(FT_HANDLE handle) const
{
    const auto token = reinterpret_cast<std::uintptr_t>(handle);
    std::lock_guard<std::mutex> guard(m_lock);
    for (const auto &entry : m_entries) {
        if (entry.first == token)
            return entry.second;
    }
    return nullptr;
}

std::shared_ptr<OpenBridge> HandleTable::remove(FT_HANDLE handle)
{
    const auto token = reinterpret_cast<std::uintptr_t>(handle);
    std::lock_guard<std::mutex> guard(m_lock);
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        if (it->first == token) {
            std::shared_ptr<OpenBridge> bridge = std::move(it->second);
            m_entries.erase(it);
            return bridge;
        }
    }
    return nullptr;
}

FT_HANDLE HandleTable::handleOf(const std::string &serial) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    for (const auto &entry : m_entries) {
        if (entry.second->serial() == serial)
            return reinterpret_cast<FT_HANDLE>(entry.first);
    }
    return nullptr;
}

FT_STATUS withBridge(FT_HANDLE handle, const std::function<FT_STATUS(ftdi_context *)> &call)
{
    const std::shared_ptr<OpenBridge> bridge = HandleTable::instance().find(handle);
    return bridge ? bridge->use(call) : FT_STATUS(FT_INVALID_HANDLE);
}

} // namespace vistrel::ftdi

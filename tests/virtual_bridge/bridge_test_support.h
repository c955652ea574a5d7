// Small helpers for driving the virtual bridge through the D2XX calls.
#ifndef VISTREL_TESTS_BRIDGE_TEST_SUPPORT_H
#define VISTREL_TESTS_BRIDGE_TEST_SUPPORT_H

#include "d2xx.h"
#include "display_frame.h"
#include "virtual_bridge.h"

#include <cstdint>
#include <string>
#include <vector>

namespace bridgetest {

using Bytes = std::vector<std::uint8_t>;

inline Bytes word(const vistrel::protocol::ControlWord &w)
{
    return Bytes(w.begin(), w.end());
}

inline FT_STATUS openSerial(const std::string &serial, FT_HANDLE *handle)
{
    return FT_OpenEx(const_cast<char *>(serial.c_str()), FT_OPEN_BY_SERIAL_NUMBER, handle);
}

inline FT_STATUS writeBytes(FT_HANDLE handle, Bytes bytes, FT_DWORD *written = nullptr)
{
    FT_DWORD count = 0xDEAD;
    const FT_STATUS status = FT_Write(handle, bytes.data(), static_cast<FT_DWORD>(bytes.size()), &count);
    if (written)
        *written = count;
    return status;
}

// The device list as the console reads it: a fresh snapshot, then its records.
inline std::vector<FT_DEVICE_LIST_INFO_NODE> deviceList()
{
    FT_DWORD count = 0;
    if (FT_CreateDeviceInfoList(&count) != FT_OK)
        return {};
    std::vector<FT_DEVICE_LIST_INFO_NODE> nodes(count);
    if (FT_GetDeviceInfoList(nodes.data(), &count) != FT_OK)
        return {};
    nodes.resize(count);
    return nodes;
}

inline std::vector<std::string> listedSerials()
{
    std::vector<std::string> serials;
    for (const auto &node : deviceList())
        serials.emplace_back(node.SerialNumber);
    return serials;
}

// A frame whose every slot says which thread wrote it and its sequence
// number, so a torn or interleaved frame cannot go unnoticed.
inline std::uint8_t taggedGray(int thread, int sequence, std::size_t slot)
{
    switch (slot) {
    case 0: return static_cast<std::uint8_t>(thread);
    case 1: return static_cast<std::uint8_t>(sequence >> 8);
    case 2: return static_cast<std::uint8_t>(sequence);
    default: return static_cast<std::uint8_t>(sequence + 7 * slot + 13 * thread);
    }
}

inline Bytes taggedFrame(int thread, int sequence, std::uint8_t mode)
{
    using namespace vistrel::protocol;
    Bytes frame(kDisplayFrameSize, 0x00);
    frame[0] = kStartMarker;
    frame[1] = mode;
    for (std::size_t slot = 0; slot < kSlotCount; ++slot)
        frame[3 + 2 * slot] = taggedGray(thread, sequence, slot);
    frame[kDisplayFrameSize - 2] = 0x0D;
    frame[kDisplayFrameSize - 1] = 0x0A;
    return frame;
}

inline bool frameMatchesTag(const std::uint8_t *frame, int thread, int sequence)
{
    for (std::size_t slot = 0; slot < vistrel::protocol::kSlotCount; ++slot) {
        if (frame[2 + 2 * slot] != 0x00 || frame[3 + 2 * slot] != taggedGray(thread, sequence, slot))
            return false;
    }
    return frame[vistrel::protocol::kDisplayFrameSize - 2] == 0x0D
        && frame[vistrel::protocol::kDisplayFrameSize - 1] == 0x0A;
}

} // namespace bridgetest

#endif

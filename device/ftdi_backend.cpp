// The D2XX functions of d2xx.h over libftdi1, for real FTDI bridges on Linux.
// Bridges are opened on interface A (the only one of an FT232H, channel A of
// an FT2232H: the channels that do synchronous FIFO).
#include "d2xx_backend.h"
#include "device_log.h"
#include "ftdi_bridge.h"
#include "ftdi_enumeration.h"
#include "ftdi_status.h"
#include "wire_log.h"

#include <ftdi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

using namespace vistrel::ftdi;

namespace {

constexpr FT_DWORD kLargestTransferSize = 65536;

// The list FT_CreateDeviceInfoList builds and FT_GetDeviceInfoList hands out.
std::mutex deviceListLock;
std::vector<FT_DEVICE_LIST_INFO_NODE> deviceList;

class ContextOwner {
public:
    ContextOwner() : m_context(ftdi_new()) {}
    ~ContextOwner() { if (m_context) ftdi_free(m_context); }
    ContextOwner(const ContextOwner &) = delete;
    ContextOwner &operator=(const ContextOwner &) = delete;

    ftdi_context *get() const { return m_context; }
    ftdi_context *release() { ftdi_context *c = m_context; m_context = nullptr; return c; }

private:
    ftdi_context *m_context;
};

FT_STATUS scanDevices(std::vector<FT_DEVICE_LIST_INFO_NODE> &records)
{
    ContextOwner context;
    if (!context.get())
        return FT_INSUFFICIENT_RESOURCES;
    const Scan scan(context.get());
    for (const Bridge &bridge : scan.bridges())
        records.push_back(infoRecord(bridge, HandleTable::instance().handleOf(bridge.serial)));
    return scan.status();
}

// libftdi's reason for a failed open, beyond the status the user is shown.
void reportOpenFailure(const std::string &serial, const std::string &reason)
{
    vistrel::device::logMessage(vistrel::device::LogLevel::Debug,
                                "cannot open FTDI bridge \"" + serial + "\": " + reason);
}

FT_STATUS openDevice(ftdi_context *context, const Scan &scan, const std::string &serial)
{
    const Bridge *bridge = scan.findSerial(serial);
    if (!bridge) {
        const bool locked = std::any_of(scan.bridges().begin(), scan.bridges().end(),
                                        [&](const Bridge &b) { return !b.accessible && b.serial == serial; });
        reportOpenFailure(serial, locked ? "no permission; install the udev rule for FTDI bridges"
                                         : "no such bridge attached");
        return locked ? FT_DEVICE_NOT_OPENED : FT_DEVICE_NOT_FOUND;
    }
    // Detaches the kernel's serial driver (ftdi_sio) from interface A.
    const int code = ftdi_usb_open_dev(context, bridge->device);
    if (code < 0) {
        reportOpenFailure(serial, errorText(context));
        return statusFor(Call::OpenDevice, code);
    }
    return FT_OK;
}

FT_STATUS openBySerial(const std::string &serial, FT_HANDLE *handle)
{
    ContextOwner context;
    if (!context.get())
        return FT_INSUFFICIENT_RESOURCES;
    ftdi_set_interface(context.get(), INTERFACE_A);
    {
        const Scan scan(context.get());
        if (scan.status() != FT_OK)
            return scan.status();
        const FT_STATUS status = openDevice(context.get(), scan, serial);
        if (status != FT_OK)
            return status;
    }
    context.get()->usb_write_timeout = effectiveTimeoutMs(0);
    *handle = HandleTable::instance().add(std::make_shared<OpenBridge>(context.release(), serial));
    return FT_OK;
}

FT_STATUS purge(ftdi_context *context, FT_DWORD mask)
{
    const bool rx = mask & FT_PURGE_RX;
    const bool tx = mask & FT_PURGE_TX;
    if (!rx && !tx)
        return FT_OK;
    // Receive is the host's input (tciflush), transmit its output (tcoflush).
    const int code = rx && tx ? ftdi_tcioflush(context) : rx ? ftdi_tciflush(context) : ftdi_tcoflush(context);
    return statusFor(Call::Purge, code);
}

FT_STATUS setFlowControl(ftdi_context *context, uint16_t mode, uint8_t xon, uint8_t xoff)
{
    switch (mode) {
    case 0x0000: return statusFor(Call::FlowControl, ftdi_setflowctrl(context, SIO_DISABLE_FLOW_CTRL));
    case 0x0100: return statusFor(Call::FlowControl, ftdi_setflowctrl(context, SIO_RTS_CTS_HS));
    case 0x0200: return statusFor(Call::FlowControl, ftdi_setflowctrl(context, SIO_DTR_DSR_HS));
    case 0x0400: return statusFor(Call::FlowControl, ftdi_setflowctrl_xonxoff(context, xon, xoff));
    default: return FT_INVALID_PARAMETER;
    }
}

// Writes in pieces of the write transfer size so that a failure part-way
// still says how much the bridge took.
FT_STATUS writeAll(ftdi_context *context, const unsigned char *data, FT_DWORD size, FT_DWORD &written)
{
    const FT_DWORD piece = std::max(context->writebuffer_chunksize, 1u);
    written = 0;
    while (written < size) {
        const int wanted = static_cast<int>(std::min(piece, size - written));
        const int code = ftdi_write_data(context, data + written, wanted);
        if (code < 0)
            return statusFor(Call::Write, code);
        written += static_cast<FT_DWORD>(code);
        if (code < wanted)
            return FT_IO_ERROR;  // short write
    }
    return FT_OK;
}

bool validTransferSize(FT_DWORD size)
{
    return size > 0 && size <= kLargestTransferSize;
}

} // namespace

namespace {

FT_STATUS ftdiCreateDeviceInfoList(FT_DWORD *lpdwNumDevs)
{
    if (!lpdwNumDevs)
        return FT_INVALID_PARAMETER;
    std::vector<FT_DEVICE_LIST_INFO_NODE> records;
    const FT_STATUS status = scanDevices(records);
    if (status != FT_OK)
        return status;
    std::lock_guard<std::mutex> guard(deviceListLock);
    deviceList = std::move(records);
    *lpdwNumDevs = static_cast<FT_DWORD>(deviceList.size());
    return FT_OK;
}

FT_STATUS ftdiGetDeviceInfoList(FT_DEVICE_LIST_INFO_NODE *pDest, FT_DWORD *lpdwNumDevs)
{
    if (!pDest || !lpdwNumDevs)
        return FT_INVALID_PARAMETER;
    // The caller sized pDest by the last FT_CreateDeviceInfoList.
    std::lock_guard<std::mutex> guard(deviceListLock);
    std::copy(deviceList.begin(), deviceList.end(), pDest);
    *lpdwNumDevs = static_cast<FT_DWORD>(deviceList.size());
    return FT_OK;
}

FT_STATUS ftdiOpenEx(void *pArg1, FT_DWORD Flags, FT_HANDLE *pHandle)
{
    if (!pArg1 || !pHandle)
        return FT_INVALID_PARAMETER;
    if (Flags != FT_OPEN_BY_SERIAL_NUMBER)
        return FT_INVALID_PARAMETER;
    return openBySerial(static_cast<const char *>(pArg1), pHandle);
}

FT_STATUS ftdiResetDevice(FT_HANDLE ftHandle)
{
    return withBridge(ftHandle, [](ftdi_context *context) {
        return statusFor(Call::Reset, ftdi_usb_reset(context));
    });
}

FT_STATUS ftdiPurge(FT_HANDLE ftHandle, FT_DWORD Mask)
{
    return withBridge(ftHandle, [Mask](ftdi_context *context) { return purge(context, Mask); });
}

FT_STATUS ftdiSetBitMode(FT_HANDLE ftHandle, uint8_t ucMask, uint8_t ucEnable)
{
    return withBridge(ftHandle, [=](ftdi_context *context) {
        return statusFor(Call::BitMode, ftdi_set_bitmode(context, ucMask, ucEnable));
    });
}

FT_STATUS ftdiSetUSBParameters(FT_HANDLE ftHandle, FT_DWORD ulInTransferSize,
                               FT_DWORD ulOutTransferSize)
{
    return withBridge(ftHandle, [=](ftdi_context *context) {
        if (!validTransferSize(ulInTransferSize) || !validTransferSize(ulOutTransferSize))
            return FT_STATUS(FT_INVALID_PARAMETER);
        const int in = ftdi_read_data_set_chunksize(context, ulInTransferSize);
        const int out = ftdi_write_data_set_chunksize(context, ulOutTransferSize);
        return statusFor(Call::ChunkSize, std::min(in, out));
    });
}

FT_STATUS ftdiSetFlowControl(FT_HANDLE ftHandle, uint16_t FlowControl, uint8_t XonChar,
                             uint8_t XoffChar)
{
    return withBridge(ftHandle, [=](ftdi_context *context) {
        return setFlowControl(context, FlowControl, XonChar, XoffChar);
    });
}

FT_STATUS ftdiSetTimeouts(FT_HANDLE ftHandle, FT_DWORD ReadTimeout, FT_DWORD WriteTimeout)
{
    return withBridge(ftHandle, [=](ftdi_context *context) {
        context->usb_read_timeout = effectiveTimeoutMs(ReadTimeout);
        context->usb_write_timeout = effectiveTimeoutMs(WriteTimeout);
        return FT_STATUS(FT_OK);
    });
}

FT_STATUS ftdiWrite(FT_HANDLE ftHandle, void *lpBuffer, FT_DWORD dwBytesToWrite,
                    FT_DWORD *lpBytesWritten)
{
    if (lpBytesWritten)
        *lpBytesWritten = 0;
    if (!lpBuffer && dwBytesToWrite > 0)
        return FT_INVALID_PARAMETER;
    return withBridge(ftHandle, [=](ftdi_context *context) {
        const auto *bytes = static_cast<const unsigned char *>(lpBuffer);
        FT_DWORD written = 0;
        const FT_STATUS status = writeAll(context, bytes, dwBytesToWrite, written);
        // Logged under the bridge's lock, so the log keeps the wire's order.
        if (written > 0)
            vistrel::wireLogAppend(bytes, written);
        if (lpBytesWritten)
            *lpBytesWritten = written;
        return status;
    });
}

FT_STATUS ftdiClose(FT_HANDLE ftHandle)
{
    const std::shared_ptr<OpenBridge> bridge = HandleTable::instance().remove(ftHandle);
    if (!bridge)
        return FT_INVALID_HANDLE;
    bridge->close();
    return FT_OK;
}

} // namespace

const vistrel::device::D2xxBackend *vistrel::device::realBackend()
{
    static const D2xxBackend backend{
        "libftdi1",
        ftdiCreateDeviceInfoList, ftdiGetDeviceInfoList, ftdiOpenEx, ftdiResetDevice,
        ftdiPurge, ftdiSetBitMode, ftdiSetUSBParameters, ftdiSetFlowControl,
        ftdiSetTimeouts, ftdiWrite, ftdiClose,
    };
    return &backend;
}

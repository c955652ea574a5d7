#include "device_link.h"

#include "d2xx_status.h"
#include "packets.h"

namespace vistrel::session {

namespace {

constexpr FT_DWORD kPurgeBoth = FT_PURGE_RX | FT_PURGE_TX;
constexpr std::uint8_t kBitModeMask = 0;
constexpr FT_DWORD kTransferSize = 36000;  // the data part of one display frame
constexpr FT_DWORD kReadTimeoutMs = 500;
constexpr FT_DWORD kWriteTimeoutMs = 0;

LinkResult failed(const char *call, FT_STATUS status, FT_DWORD written = 0)
{
    LinkResult result;
    result.call = call;
    result.status = status;
    result.written = written;
    return result;
}

} // namespace

QString LinkResult::reason() const
{
    const QString status = QString::fromStdString(device::statusName(this->status));
    return call ? QStringLiteral("%1: %2").arg(QLatin1String(call), status) : status;
}

LinkResult DeviceLink::open(const QString &serial)
{
    QByteArray name = serial.toUtf8();
    FT_HANDLE handle = nullptr;
    const FT_STATUS status = FT_OpenEx(name.data(), FT_OPEN_BY_SERIAL_NUMBER, &handle);
    if (status != FT_OK)
        return failed("FT_OpenEx", status);
    m_handle = handle;
    m_serial = serial;
    LinkResult result = configure();
    if (result.ok()) {
        const protocol::ControlWord word = protocol::OpenCloseWord;
        result = write(word.data(), word.size());
    }
    if (!result.ok())
        close();
    return result;
}

LinkResult DeviceLink::configure()
{
    FT_STATUS status = FT_ResetDevice(m_handle);
    if (status != FT_OK)
        return failed("FT_ResetDevice", status);
    if ((status = FT_Purge(m_handle, kPurgeBoth)) != FT_OK)
        return failed("FT_Purge", status);
    if ((status = FT_SetBitMode(m_handle, kBitModeMask, FT_BITMODE_SYNC_FIFO)) != FT_OK)
        return failed("FT_SetBitMode", status);
    if ((status = FT_SetUSBParameters(m_handle, kTransferSize, kTransferSize)) != FT_OK)
        return failed("FT_SetUSBParameters", status);
    if ((status = FT_SetFlowControl(m_handle, FT_FLOW_RTS_CTS, 0, 0)) != FT_OK)
        return failed("FT_SetFlowControl", status);
    if ((status = FT_SetTimeouts(m_handle, kReadTimeoutMs, kWriteTimeoutMs)) != FT_OK)
        return failed("FT_SetTimeouts", status);
    return {};
}

LinkResult DeviceLink::write(const void *bytes, std::size_t size)
{
    if (!m_handle)
        return failed("FT_Write", FT_INVALID_HANDLE);
    FT_DWORD written = 0;
    const FT_STATUS status =
        FT_Write(m_handle, const_cast<void *>(bytes), static_cast<FT_DWORD>(size), &written);
    m_bytesWritten += written;
    if (status != FT_OK)
        return failed("FT_Write", status, written);
    if (written != size)
        return failed("FT_Write", FT_IO_ERROR, written);  // a short write lost bytes all the same
    LinkResult result;
    result.written = written;
    return result;
}

LinkResult DeviceLink::close()
{
    if (!m_handle)
        return {};
    const FT_STATUS status = FT_Close(m_handle);
    m_handle = nullptr;
    return status == FT_OK ? LinkResult{} : failed("FT_Close", status);
}

} // namespace vistrel::session

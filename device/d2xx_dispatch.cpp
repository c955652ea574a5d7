// FT_* as declared in d2xx.h, each forwarded to the backend in use.
#include "d2xx_backend.h"

#include <atomic>

namespace vistrel::device {

namespace {

FT_STATUS noBridges(FT_DWORD *count)
{
    if (count)
        *count = 0;
    return FT_OK;
}

FT_STATUS noRecords(FT_DEVICE_LIST_INFO_NODE *, FT_DWORD *count)
{
    return noBridges(count);
}

FT_STATUS noOpen(void *, FT_DWORD, FT_HANDLE *)
{
    return FT_DEVICE_NOT_FOUND;
}

FT_STATUS noHandle(FT_HANDLE)
{
    return FT_INVALID_HANDLE;
}

FT_STATUS noPurge(FT_HANDLE, FT_DWORD) { return FT_INVALID_HANDLE; }
FT_STATUS noBitMode(FT_HANDLE, uint8_t, uint8_t) { return FT_INVALID_HANDLE; }
FT_STATUS noSizes(FT_HANDLE, FT_DWORD, FT_DWORD) { return FT_INVALID_HANDLE; }
FT_STATUS noFlow(FT_HANDLE, uint16_t, uint8_t, uint8_t) { return FT_INVALID_HANDLE; }

FT_STATUS noWrite(FT_HANDLE, void *, FT_DWORD, FT_DWORD *written)
{
    if (written)
        *written = 0;
    return FT_INVALID_HANDLE;
}

const D2xxBackend kNoBackend{
    "none", noBridges, noRecords, noOpen, noHandle, noPurge, noBitMode,
    noSizes, noFlow, noSizes, noWrite, noHandle,
};

std::atomic<const D2xxBackend *> current{&kNoBackend};

} // namespace

void useBackend(const D2xxBackend &backend)
{
    current.store(&backend);
}

const D2xxBackend &activeBackend()
{
    return *current.load();
}

} // namespace vistrel::device

using vistrel::device::activeBackend;

extern "C" {

FT_STATUS VISTREL_D2XX_CALL FT_CreateDeviceInfoList(FT_DWORD *lpdwNumDevs)
{
    return activeBackend().createDeviceInfoList(lpdwNumDevs);
}

FT_STATUS VISTREL_D2XX_CALL FT_GetDeviceInfoList(FT_DEVICE_LIST_INFO_NODE *pDest, FT_DWORD *lpdwNumDevs)
{
    return activeBackend().getDeviceInfoList(pDest, lpdwNumDevs);
}

FT_STATUS VISTREL_D2XX_CALL FT_OpenEx(void *pArg1, FT_DWORD Flags, FT_HANDLE *pHandle)
{
    return activeBackend().openEx(pArg1, Flags, pHandle);
}

FT_STATUS VISTREL_D2XX_CALL FT_ResetDevice(FT_HANDLE ftHandle)
{
    return activeBackend().resetDevice(ftHandle);
}

FT_STATUS VISTREL_D2XX_CALL FT_Purge(FT_HANDLE ftHandle, FT_DWORD Mask)
{
    return activeBackend().purge(ftHandle, Mask);
}

FT_STATUS VISTREL_D2XX_CALL FT_SetBitMode(FT_HANDLE ftHandle, uint8_t ucMask, uint8_t ucEnable)
{
    return activeBackend().setBitMode(ftHandle, ucMask, ucEnable);
}

FT_STATUS VISTREL_D2XX_CALL FT_SetUSBParameters(FT_HANDLE ftHandle, FT_DWORD ulInTransferSize,
                                                FT_DWORD ulOutTransferSize)
{
    return activeBackend().setUSBParameters(ftHandle, ulInTransferSize, ulOutTransferSize);
}

FT_STATUS VISTREL_D2XX_CALL FT_SetFlowControl(FT_HANDLE ftHandle, uint16_t FlowControl, uint8_t XonChar,
                                              uint8_t XoffChar)
{
    return activeBackend().setFlowControl(ftHandle, FlowControl, XonChar, XoffChar);
}

FT_STATUS VISTREL_D2XX_CALL FT_SetTimeouts(FT_HANDLE ftHandle, FT_DWORD ReadTimeout, FT_DWORD WriteTimeout)
{
    return activeBackend().setTimeouts(ftHandle, ReadTimeout, WriteTimeout);
}

FT_STATUS VISTREL_D2XX_CALL FT_Write(FT_HANDLE ftHandle, void *lpBuffer, FT_DWORD dwBytesToWrite,
                                     FT_DWORD *lpBytesWritten)
{
    return activeBackend().write(ftHandle, lpBuffer, dwBytesToWrite, lpBytesWritten);
}

FT_STATUS VISTREL_D2XX_CALL FT_Close(FT_HANDLE ftHandle)
{
    return activeBackend().close(ftHandle);
}

} // extern "C"

// The eleven D2XX functions as a table, one per backend (libftdi1, FTDI's own
// DLL, the virtual bridge). The FT_* functions of d2xx.h forward to the table
// chosen at start, so one executable can drive real or emulated bridges.
#ifndef VISTREL_DEVICE_D2XX_BACKEND_H
#define VISTREL_DEVICE_D2XX_BACKEND_H

#include "d2xx.h"

namespace vistrel::device {

struct D2xxBackend {
    const char *name;
    FT_STATUS (*createDeviceInfoList)(FT_DWORD *count);
    FT_STATUS (*getDeviceInfoList)(FT_DEVICE_LIST_INFO_NODE *records, FT_DWORD *count);
    FT_STATUS (*openEx)(void *serial, FT_DWORD flags, FT_HANDLE *handle);
    FT_STATUS (*resetDevice)(FT_HANDLE handle);
    FT_STATUS (*purge)(FT_HANDLE handle, FT_DWORD mask);
    FT_STATUS (*setBitMode)(FT_HANDLE handle, uint8_t mask, uint8_t mode);
    FT_STATUS (*setUSBParameters)(FT_HANDLE handle, FT_DWORD inSize, FT_DWORD outSize);
    FT_STATUS (*setFlowControl)(FT_HANDLE handle, uint16_t mode, uint8_t xon, uint8_t xoff);
    FT_STATUS (*setTimeouts)(FT_HANDLE handle, FT_DWORD readMs, FT_DWORD writeMs);
    FT_STATUS (*write)(FT_HANDLE handle, void *bytes, FT_DWORD size, FT_DWORD *written);
    FT_STATUS (*close)(FT_HANDLE handle);
};

// Makes `backend` the one every FT_* call reaches. Choose it before the first
// call; switching with a handle open strands that handle.
void useBackend(const D2xxBackend &backend);

// The backend in use: until useBackend is called, one that lists no bridge
// and opens none.
const D2xxBackend &activeBackend();

// The real bridges of this platform: libftdi1 on Linux, ftd2xx.dll on
// Windows; null when the build has neither.
const D2xxBackend *realBackend();

} // namespace vistrel::device

#endif

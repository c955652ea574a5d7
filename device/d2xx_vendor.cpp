// The eleven D2XX functions on Windows, forwarded to FTDI's ftd2xx.dll.
// The DLL is loaded on first use, so the console starts without it; every
// accepted write is also appended to the wire log.
#include "d2xx_backend.h"
#include "device_log.h"
#include "wire_log.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>
#include <mutex>

namespace {

// Found next to the executable, in the system folder (where FTDI's driver
// installs it) or on PATH.
const wchar_t *const dllName = L"ftd2xx.dll";

// What every function returns while the DLL is unusable.
const FT_STATUS unavailable = FT_OTHER_ERROR;

// The DLL's functions, typed after our own declarations in d2xx.h.
struct Functions {
    decltype(&::FT_CreateDeviceInfoList) createDeviceInfoList = nullptr;
    decltype(&::FT_GetDeviceInfoList) getDeviceInfoList = nullptr;
    decltype(&::FT_OpenEx) openEx = nullptr;
    decltype(&::FT_ResetDevice) resetDevice = nullptr;
    decltype(&::FT_Purge) purge = nullptr;
    decltype(&::FT_SetBitMode) setBitMode = nullptr;
    decltype(&::FT_SetUSBParameters) setUSBParameters = nullptr;
    decltype(&::FT_SetFlowControl) setFlowControl = nullptr;
    decltype(&::FT_SetTimeouts) setTimeouts = nullptr;
    decltype(&::FT_Write) write = nullptr;
    decltype(&::FT_Close) close = nullptr;
};

// Looks the function up; reports only the first one missing, so a broken DLL
// costs one line on stderr. The cast goes through void (*)(), which stands for any function type.
template <typename Function>
bool resolve(HMODULE module, const char *name, Function &function, bool &reported)
{
    const FARPROC address = GetProcAddress(module, name);
    function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
    if (function)
        return true;
    if (!reported)
        vistrel::device::logMessage(vistrel::device::LogLevel::Warning,
                                    std::string("ftd2xx.dll has no ") + name + "; no bridge can be used");
    reported = true;
    return false;
}

// Loads the DLL and all eleven functions; any gap makes the whole set unusable.
bool load(Functions &f)
{
    const HMODULE module = LoadLibraryW(dllName);
    if (!module) {
        vistrel::device::logMessage(vistrel::device::LogLevel::Warning,
                                    "cannot load ftd2xx.dll (error " + std::to_string(GetLastError())
                                        + "); no bridge can be used");
        return false;
    }
    bool reported = false;
    bool ok = resolve(module, "FT_CreateDeviceInfoList", f.createDeviceInfoList, reported);
    ok = resolve(module, "FT_GetDeviceInfoList", f.getDeviceInfoList, reported) && ok;
    ok = resolve(module, "FT_OpenEx", f.openEx, reported) && ok;
    ok = resolve(module, "FT_ResetDevice", f.resetDevice, reported) && ok;
    ok = resolve(module, "FT_Purge", f.purge, reported) && ok;
    ok = resolve(module, "FT_SetBitMode", f.setBitMode, reported) && ok;
    ok = resolve(module, "FT_SetUSBParameters", f.setUSBParameters, reported) && ok;
    ok = resolve(module, "FT_SetFlowControl", f.setFlowControl, reported) && ok;
    ok = resolve(module, "FT_SetTimeouts", f.setTimeouts, reported) && ok;
    ok = resolve(module, "FT_Write", f.write, reported) && ok;
    ok = resolve(module, "FT_Close", f.close, reported) && ok;
    if (!ok) {
        f = Functions();
        FreeLibrary(module);
    }
    return ok;
}

// The loaded functions, or null when the DLL or one of them is missing.
// Loaded once (thread-safe), on first use, and never unloaded.
const Functions *vendor()
{
    static Functions functions;
    static std::once_flag once;
    static bool loaded = false;
    std::call_once(once, [] { loaded = load(functions); });
    return loaded ? &functions : nullptr;
}

// Held across a write and its log entry, so the log keeps the wire's order.
SRWLOCK writeLock = SRWLOCK_INIT;

struct WriteGuard {
    WriteGuard() { AcquireSRWLockExclusive(&writeLock); }
    ~WriteGuard() { ReleaseSRWLockExclusive(&writeLock); }
    WriteGuard(const WriteGuard &) = delete;
    WriteGuard &operator=(const WriteGuard &) = delete;
};

} // namespace

namespace {

FT_STATUS vendorCreateDeviceInfoList(FT_DWORD *lpdwNumDevs)
{
    const Functions *f = vendor();
    if (f)
        return f->createDeviceInfoList(lpdwNumDevs);
    if (lpdwNumDevs)
        *lpdwNumDevs = 0;
    return unavailable;
}

FT_STATUS vendorGetDeviceInfoList(FT_DEVICE_LIST_INFO_NODE *pDest, FT_DWORD *lpdwNumDevs)
{
    const Functions *f = vendor();
    return f ? f->getDeviceInfoList(pDest, lpdwNumDevs) : unavailable;
}

FT_STATUS vendorOpenEx(void *pArg1, FT_DWORD Flags, FT_HANDLE *pHandle)
{
    const Functions *f = vendor();
    return f ? f->openEx(pArg1, Flags, pHandle) : unavailable;
}

FT_STATUS vendorResetDevice(FT_HANDLE ftHandle)
{
    const Functions *f = vendor();
    return f ? f->resetDevice(ftHandle) : unavailable;
}

FT_STATUS vendorPurge(FT_HANDLE ftHandle, FT_DWORD Mask)
{
    const Functions *f = vendor();
    return f ? f->purge(ftHandle, Mask) : unavailable;
}

FT_STATUS vendorSetBitMode(FT_HANDLE ftHandle, uint8_t ucMask, uint8_t ucEnable)
{
    const Functions *f = vendor();
    return f ? f->setBitMode(ftHandle, ucMask, ucEnable) : unavailable;
}

FT_STATUS vendorSetUSBParameters(FT_HANDLE ftHandle, FT_DWORD ulInTransferSize,
                                 FT_DWORD ulOutTransferSize)
{
    const Functions *f = vendor();
    return f ? f->setUSBParameters(ftHandle, ulInTransferSize, ulOutTransferSize) : unavailable;
}

FT_STATUS vendorSetFlowControl(FT_HANDLE ftHandle, uint16_t FlowControl, uint8_t XonChar,
                               uint8_t XoffChar)
{
    const Functions *f = vendor();
    return f ? f->setFlowControl(ftHandle, FlowControl, XonChar, XoffChar) : unavailable;
}

FT_STATUS vendorSetTimeouts(FT_HANDLE ftHandle, FT_DWORD ReadTimeout, FT_DWORD WriteTimeout)
{
    const Functions *f = vendor();
    return f ? f->setTimeouts(ftHandle, ReadTimeout, WriteTimeout) : unavailable;
}

FT_STATUS vendorWrite(FT_HANDLE ftHandle, void *lpBuffer, FT_DWORD dwBytesToWrite,
                      FT_DWORD *lpBytesWritten)
{
    if (lpBytesWritten)
        *lpBytesWritten = 0;
    const Functions *f = vendor();
    if (!f)
        return unavailable;
    const WriteGuard guard;
    FT_DWORD written = 0;
    const FT_STATUS status = f->write(ftHandle, lpBuffer, dwBytesToWrite, &written);
    if (written > dwBytesToWrite)  // never log past the caller's buffer
        written = dwBytesToWrite;
    if (status == FT_OK || written > 0)
        vistrel::wireLogAppend(lpBuffer, written);
    if (lpBytesWritten)
        *lpBytesWritten = written;
    return status;
}

FT_STATUS vendorClose(FT_HANDLE ftHandle)
{
    const Functions *f = vendor();
    return f ? f->close(ftHandle) : unavailable;
}

} // namespace

const vistrel::device::D2xxBackend *vistrel::device::realBackend()
{
    static const D2xxBackend backend{
        "ftd2xx",
        vendorCreateDeviceInfoList, vendorGetDeviceInfoList, vendorOpenEx, vendorResetDevice,
        vendorPurge, vendorSetBitMode, vendorSetUSBParameters, vendorSetFlowControl,
        vendorSetTimeouts, vendorWrite, vendorClose,
    };
    return &backend;
}

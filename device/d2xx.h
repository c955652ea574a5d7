// The eleven D2XX driver functions the console uses, declared by us with C
// linkage so that FTDI's own library (Windows), our libftdi1 backend (Linux)
// or the in-process virtual bridge (tests, demo) can be linked in their place.
#ifndef VISTREL_DEVICE_D2XX_H
#define VISTREL_DEVICE_D2XX_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#define VISTREL_D2XX_CALL __stdcall
#else
#define VISTREL_D2XX_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t FT_STATUS;
typedef void *FT_HANDLE;
typedef uint32_t FT_DWORD;

enum {
    FT_OK = 0,
    FT_INVALID_HANDLE = 1,
    FT_DEVICE_NOT_FOUND = 2,
    FT_DEVICE_NOT_OPENED = 3,
    FT_IO_ERROR = 4,
    FT_INSUFFICIENT_RESOURCES = 5,
    FT_INVALID_PARAMETER = 6,
    FT_OTHER_ERROR = 18
};

// FT_OpenEx flag: the argument is a NUL-terminated serial number.
#define FT_OPEN_BY_SERIAL_NUMBER 1
// FT_Purge mask bits.
#define FT_PURGE_RX 1
#define FT_PURGE_TX 2
// FT_SetFlowControl mode.
#define FT_FLOW_RTS_CTS 0x0100
// FT_SetBitMode mode for synchronous 245 FIFO.
#define FT_BITMODE_SYNC_FIFO 0x40

typedef struct FT_DEVICE_LIST_INFO_NODE {
    uint32_t Flags;
    uint32_t Type;
    uint32_t ID;
    uint32_t LocId;
    char SerialNumber[16];
    char Description[64];
    FT_HANDLE ftHandle;
} FT_DEVICE_LIST_INFO_NODE;

#ifdef __cplusplus
static_assert(sizeof(FT_DEVICE_LIST_INFO_NODE) == 104, "device-info record must be 104 bytes (64-bit build)");
static_assert(offsetof(FT_DEVICE_LIST_INFO_NODE, SerialNumber) == 16, "serial number must sit at byte 16");
#endif

FT_STATUS VISTREL_D2XX_CALL FT_CreateDeviceInfoList(FT_DWORD *lpdwNumDevs);
FT_STATUS VISTREL_D2XX_CALL FT_GetDeviceInfoList(FT_DEVICE_LIST_INFO_NODE *pDest, FT_DWORD *lpdwNumDevs);
FT_STATUS VISTREL_D2XX_CALL FT_OpenEx(void *pArg1, FT_DWORD Flags, FT_HANDLE *pHandle);
FT_STATUS VISTREL_D2XX_CALL FT_ResetDevice(FT_HANDLE ftHandle);
FT_STATUS VISTREL_D2XX_CALL FT_Purge(FT_HANDLE ftHandle, FT_DWORD Mask);
FT_STATUS VISTREL_D2XX_CALL FT_SetBitMode(FT_HANDLE ftHandle, uint8_t ucMask, uint8_t ucEnable);
FT_STATUS VISTREL_D2XX_CALL FT_SetUSBParameters(FT_HANDLE ftHandle, FT_DWORD ulInTransferSize, FT_DWORD ulOutTransferSize);
FT_STATUS VISTREL_D2XX_CALL FT_SetFlowControl(FT_HANDLE ftHandle, uint16_t FlowControl, uint8_t XonChar, uint8_t XoffChar);
FT_STATUS VISTREL_D2XX_CALL FT_SetTimeouts(FT_HANDLE ftHandle, FT_DWORD ReadTimeout, FT_DWORD WriteTimeout);
FT_STATUS VISTREL_D2XX_CALL FT_Write(FT_HANDLE ftHandle, void *lpBuffer, FT_DWORD dwBytesToWrite, FT_DWORD *lpBytesWritten);
FT_STATUS VISTREL_D2XX_CALL FT_Close(FT_HANDLE ftHandle);

#ifdef __cplusplus
}
#endif

#endif

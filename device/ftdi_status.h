// libftdi reports failures as small negative numbers whose meaning depends on
// the function; the console expects D2XX status codes. This maps the one onto
// the other and reads libftdi's error text safely.
#ifndef VISTREL_DEVICE_FTDI_STATUS_H
#define VISTREL_DEVICE_FTDI_STATUS_H

#include "d2xx.h"

#include <string>

struct ftdi_context;

namespace vistrel::ftdi {

// The libftdi functions whose return codes are mapped.
enum class Call {
    FindAll,      // ftdi_usb_find_all
    OpenDevice,   // ftdi_usb_open_dev
    Reset,        // ftdi_usb_reset
    Purge,        // ftdi_tciflush, ftdi_tcoflush, ftdi_tcioflush
    BitMode,      // ftdi_set_bitmode
    ChunkSize,    // ftdi_read_data_set_chunksize, ftdi_write_data_set_chunksize
    FlowControl,  // ftdi_setflowctrl, ftdi_setflowctrl_xonxoff
    Write,        // ftdi_write_data
};

// FT_OK for any code >= 0; otherwise the D2XX status that says the same.
FT_STATUS statusFor(Call call, int code);

// libftdi's text for its last error; it may have none (a null pointer).
std::string errorText(ftdi_context *context);

} // namespace vistrel::ftdi

#endif

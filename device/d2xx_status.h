// Names of D2XX status codes, for messages a user reads.
#ifndef VISTREL_DEVICE_D2XX_STATUS_H
#define VISTREL_DEVICE_D2XX_STATUS_H

#include "d2xx.h"

#include <string>

namespace vistrel::device {

// "FT_IO_ERROR", ...; a code the driver documents but we never expect is
// named by its number ("status 17").
std::string statusName(FT_STATUS status);

} // namespace vistrel::device

#endif

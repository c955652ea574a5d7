// Messages of the device layer (backends, wire log). The layer stays free of
// Qt: an application routes them into its own logging with setLogSink.
#ifndef VISTREL_DEVICE_DEVICE_LOG_H
#define VISTREL_DEVICE_DEVICE_LOG_H

#include <string>

namespace vistrel::device {

enum class LogLevel { Debug, Warning };

using LogSink = void (*)(LogLevel level, const std::string &message);

// Until a sink is set, warnings go to stderr and debug messages nowhere.
void setLogSink(LogSink sink);

void logMessage(LogLevel level, const std::string &message);

} // namespace vistrel::device

#endif

// Byte-exact capture of everything a backend accepted for writing.
// When VISTREL_WIRE_LOG names a file, each accepted write is appended to it,
// unchanged and in order; every backend calls wireLogAppend after a write.
#ifndef VISTREL_DEVICE_WIRE_LOG_H
#define VISTREL_DEVICE_WIRE_LOG_H

#include <cstddef>

namespace vistrel {

// Appends the bytes to the wire log, if one is configured. The file is opened
// once, in append mode and unbuffered, on first use: each call is one write
// to the file. Safe to call from several threads: each call's bytes land in
// one piece.
void wireLogAppend(const void *data, std::size_t size);

// Closes the log; the next append reads VISTREL_WIRE_LOG again. For tests.
void wireLogReset();

} // namespace vistrel

#endif

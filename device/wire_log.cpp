#if defined(_WIN32) && !defined(_CRT_SECURE_NO_WARNINGS)
#define _CRT_SECURE_NO_WARNINGS  // getenv and fopen are used deliberately
#endif

#include "wire_log.h"

#include "device_log.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

namespace vistrel {

namespace {

// One log per process. The state machine is: not yet looked at the
// environment, logging to a file, or off (no variable, or a failure that was
// already reported: a broken log must never get in the way of the console).
struct WireLog {
    std::mutex mutex;
    bool configured = false;
    std::FILE *file = nullptr;
    std::string path;
};

WireLog &wireLog()
{
    // Leaked on purpose: writers may still run while statics are destroyed.
    static WireLog *log = new WireLog;
    return *log;
}

#if defined(_WIN32)
std::FILE *openForAppend(std::string &pathForMessages)
{
    const wchar_t *path = _wgetenv(L"VISTREL_WIRE_LOG");
    if (!path || !*path)
        return nullptr;
    const char *narrow = std::getenv("VISTREL_WIRE_LOG");
    pathForMessages = narrow ? narrow : "(unprintable path)";
    return _wfopen(path, L"ab");
}
#else
std::FILE *openForAppend(std::string &pathForMessages)
{
    const char *path = std::getenv("VISTREL_WIRE_LOG");
    if (!path || !*path)
        return nullptr;
    pathForMessages = path;
    return std::fopen(path, "ab");
}
#endif

void reportOnce(const WireLog &log, const char *what, int error)
{
    device::logMessage(device::LogLevel::Warning, "wire log \"" + log.path + "\": " + what + " ("
                                                      + std::strerror(error) + "); wire logging is off");
}

// Called with the mutex held.
void configure(WireLog &log)
{
    log.configured = true;
    log.path.clear();
    errno = 0;
    log.file = openForAppend(log.path);
    if (!log.file && !log.path.empty())
        reportOnce(log, "cannot open for appending", errno);
}

// Called with the mutex held; after a failed write the log stays off.
void append(WireLog &log, const void *data, std::size_t size)
{
    const bool written = std::fwrite(data, 1, size, log.file) == size;
    if (written && std::fflush(log.file) == 0)
        return;
    const int error = errno;
    std::fclose(log.file);
    log.file = nullptr;
    reportOnce(log, "cannot write", error);
}

} // namespace

void wireLogAppend(const void *data, std::size_t size)
{
    if (!data || size == 0)
        return;
    WireLog &log = wireLog();
    std::lock_guard<std::mutex> lock(log.mutex);
    if (!log.configured)
        configure(log);
    if (log.file)
        append(log, data, size);
}

void wireLogReset()
{
    WireLog &log = wireLog();
    std::lock_guard<std::mutex> lock(log.mutex);
    if (log.file)
        std::fclose(log.file);
    log.file = nullptr;
    log.configured = false;
    log.path.clear();
}

} // namespace vistrel

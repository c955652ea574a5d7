#include "device_log.h"

#include <atomic>
#include <cstdio>

namespace vistrel::device {

namespace {

void toStderr(LogLevel level, const std::string &message)
{
    if (level != LogLevel::Warning)
        return;
    std::fprintf(stderr, "vistrel: %s\n", message.c_str());
    std::fflush(stderr);
}

std::atomic<LogSink> sink{&toStderr};

} // namespace

void setLogSink(LogSink newSink)
{
    sink.store(newSink ? newSink : &toStderr);
}

void logMessage(LogLevel level, const std::string &message)
{
    sink.load()(level, message);
}

} // namespace vistrel::device

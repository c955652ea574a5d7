#include "device_messages.h"

#include "device_log.h"

Q_LOGGING_CATEGORY(lcDevice, "vistrel.device", QtWarningMsg)

namespace vistrel::session {

namespace {

void toCategory(device::LogLevel level, const std::string &message)
{
    const QString text = QString::fromStdString(message);
    if (level == device::LogLevel::Warning)
        qCWarning(lcDevice).noquote() << text;
    else
        qCDebug(lcDevice).noquote() << text;
}

} // namespace

void routeDeviceMessages()
{
    device::setLogSink(&toCategory);
}

} // namespace vistrel::session

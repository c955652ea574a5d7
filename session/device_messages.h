// Routes the device layer's messages into the category "vistrel.device":
// warnings show, debug messages only when QT_LOGGING_RULES asks for them.
#ifndef VISTREL_SESSION_DEVICE_MESSAGES_H
#define VISTREL_SESSION_DEVICE_MESSAGES_H

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcDevice)

namespace vistrel::session {

void routeDeviceMessages();

} // namespace vistrel::session

#endif

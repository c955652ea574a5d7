// The session's debug category: off unless QT_LOGGING_RULES switches it on.
#ifndef VISTREL_SESSION_SESSION_LOG_H
#define VISTREL_SESSION_SESSION_LOG_H

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcSession)

#endif

#include "measured_program.h"

QProcessEnvironment measuredProgramEnvironment(const QString &wireLog, const QDir &folder)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VISTREL_WIRE_LOG"), wireLog);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), folder.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("VISTREL_VIRTUAL_DEVICES"), QStringLiteral("VPANEL01"));
    return env;
}

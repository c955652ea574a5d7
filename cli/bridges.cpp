#include "bridges.h"

#include "device_list.h"
#include "wait_loop.h"

namespace vistrel::cli {

QStringList attachedBridges()
{
    QStringList serials = session::enumerateSerials().value_or(QStringList());
    serials.removeAll(QString());
    return serials;
}

std::optional<QString> wantedBridge(const QStringList &attached, const QString &serial)
{
    if (serial.isEmpty())
        return attached.isEmpty() ? std::nullopt : std::optional<QString>(attached.first());
    return attached.contains(serial) ? std::optional<QString>(serial) : std::nullopt;
}

std::optional<QString> waitForBridge(const QString &serial, std::chrono::milliseconds limit)
{
    std::optional<QString> found;
    WaitLoop loop([&found, &serial] {
        found = wantedBridge(attachedBridges(), serial);
        return found.has_value();
    });
    loop.run(limit);
    return found;
}

QString missingBridgeText(const QString &serial, std::chrono::milliseconds waited)
{
    QString text = serial.isEmpty() ? QStringLiteral("no bridge attached")
                                    : QStringLiteral("no bridge %1 attached").arg(serial);
    if (waited.count() > 0)
        text += QStringLiteral(" (waited %1 s)").arg(waited.count() / 1000.0);
    return text;
}

} // namespace vistrel::cli

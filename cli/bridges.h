// Which bridge vistrelctl uses: the one named by --serial or the first one
// listed, waiting for it to be plugged in when asked to.
#ifndef VISTREL_CLI_BRIDGES_H
#define VISTREL_CLI_BRIDGES_H

#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

namespace vistrel::cli {

// The serial numbers of the attached bridges in list order, blank ones left
// out (they cannot be opened by serial number).
QStringList attachedBridges();

// `serial` when it is attached; with no serial, the first bridge listed.
std::optional<QString> wantedBridge(const QStringList &attached, const QString &serial);

// The wanted bridge, polled for up to `limit` (0: looked for once). Ends
// early on SIGINT or SIGTERM.
std::optional<QString> waitForBridge(const QString &serial, std::chrono::milliseconds limit);

// Why there is no bridge to use, for messages.
QString missingBridgeText(const QString &serial, std::chrono::milliseconds waited);

} // namespace vistrel::cli

#endif

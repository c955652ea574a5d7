// The bridges the driver reports, and the list the console shows: new
// serial numbers are appended, vanished ones removed, order otherwise kept.
#ifndef VISTREL_SESSION_DEVICE_LIST_H
#define VISTREL_SESSION_DEVICE_LIST_H

#include "d2xx.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace vistrel::session {

struct ListChange {
    QStringList added;           // appended, in this order
    std::vector<int> removedAt;  // indices, each taken after the removals before it
};

// The serial numbers of the attached bridges in the driver's order, blank
// ones included; nothing when either enumeration call fails.
std::optional<QStringList> enumerateSerials(FT_STATUS *status = nullptr);

// How `shown` follows `reported`: blank serials are never added; entries are
// removed only when fewer bridges are reported than entries are shown (a
// list as long as the shown one is taken as holding the same bridges).
ListChange followReported(const QStringList &shown, const QStringList &reported);

// Applies a change to a copy of the list.
QStringList applied(QStringList shown, const ListChange &change);

} // namespace vistrel::session

#endif

#include "device_list.h"

#include <algorithm>
#include <cstring>

namespace vistrel::session {

namespace {

// The serial field is NUL-terminated, but a full 16-byte field from a
// misbehaving driver must not make us read past it.
QString serialOf(const FT_DEVICE_LIST_INFO_NODE &record)
{
    const std::size_t length = strnlen(record.SerialNumber, sizeof record.SerialNumber);
    return QString::fromUtf8(record.SerialNumber, static_cast<int>(length));
}

} // namespace

std::optional<QStringList> enumerateSerials(FT_STATUS *status)
{
    FT_DWORD count = 0;
    FT_STATUS result = FT_CreateDeviceInfoList(&count);
    QStringList serials;
    if (result == FT_OK && count > 0) {
        std::vector<FT_DEVICE_LIST_INFO_NODE> records(count);
        result = FT_GetDeviceInfoList(records.data(), &count);
        // The list call reports the count it filled; never trust it beyond our array.
        records.resize(std::min<std::size_t>(count, records.size()));
        for (const FT_DEVICE_LIST_INFO_NODE &record : records)
            serials << serialOf(record);
    }
    if (status)
        *status = result;
    if (result != FT_OK)
        return std::nullopt;
    return serials;
}

ListChange followReported(const QStringList &shown, const QStringList &reported)
{
    ListChange change;
    QStringList after = shown;
    for (const QString &serial : reported) {
        if (!serial.isEmpty() && !after.contains(serial)) {
            change.added << serial;
            after << serial;
        }
    }
    if (reported.size() >= after.size())
        return change;
    int index = 0;
    while (index < after.size()) {
        const QString &entry = after.at(index);
        if (!entry.isEmpty() && reported.contains(entry)) {
            ++index;
            continue;
        }
        change.removedAt.push_back(index);
        after.removeAt(index);
    }
    return change;
}

QStringList applied(QStringList shown, const ListChange &change)
{
    shown << change.added;
    for (int index : change.removedAt)
        shown.removeAt(index);
    return shown;
}

} // namespace vistrel::session

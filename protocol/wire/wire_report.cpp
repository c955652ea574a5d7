#include "wire_report.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace vistrel::wire {

using protocol::DecodedPacket;

namespace {

const char *const kDriveCodeNames[7] = {"Vss", "Vdd", "Voff", "Von", "Voff2", "Von2", "Vbias"};

template <typename... Args>
std::string format(const char *pattern, Args... args)
{
    char text[160];
    std::snprintf(text, sizeof text, pattern, args...);
    return text;
}

// Rounded to the millivolt, with no "-0.000" for the midpoint code 7FFF.
double shownVolts(double volts)
{
    const double rounded = std::round(volts * 1000.0) / 1000.0;
    return rounded == 0.0 ? 0.0 : rounded;
}

std::string driveFields(const protocol::DriveSettings &drive)
{
    std::string text;
    for (std::size_t i = 0; i < drive.codes.size(); ++i)
        text += format("%s %s=%04X (%.3f V)", i ? "," : "", kDriveCodeNames[i],
                       unsigned(drive.codes[i]), shownVolts(drive.volts[i]));
    text += ";";
    for (std::size_t t = 0; t < drive.tables.size(); ++t)
        text += format(" table%zu=%04X..%04X", t, unsigned(drive.tables[t].front()),
                       unsigned(drive.tables[t].back()));
    return text;
}

std::string scanFields(const protocol::ScanTiming &scan)
{
    return format(" lead=%d body=%d tail=%d period=%d", int(scan.fields[0]), int(scan.fields[1]),
                  int(scan.fields[2]), int(scan.fields[3]));
}

std::string frameFields(const protocol::DisplayFrame &frame)
{
    const GrayStats stats = grayStats(frame);
    return format(" mode=%02X gray min=%d mean=%.2f max=%d", unsigned(frame.mode), stats.min,
                  stats.mean, stats.max);
}

} // namespace

GrayStats grayStats(const protocol::DisplayFrame &frame)
{
    const std::size_t slotCount = frame.slotBytes.size() / 2;
    if (slotCount == 0)
        return {};
    GrayStats stats{255, 0.0, 0};
    std::uint64_t sum = 0;
    for (std::size_t k = 0; k < slotCount; ++k) {
        const int gray = frame.gray(k);
        stats.min = gray < stats.min ? gray : stats.min;
        stats.max = gray > stats.max ? gray : stats.max;
        sum += static_cast<std::uint64_t>(gray);
    }
    stats.mean = static_cast<double>(sum) / static_cast<double>(slotCount);
    return stats;
}

std::string describePacket(const DecodedPacket &packet)
{
    std::string line = format("%10llu  %-19s %5zu ", static_cast<unsigned long long>(packet.offset),
                              protocol::packetKindName(packet.kind), packet.length);
    switch (packet.kind) {
    case DecodedPacket::Drive:
        line += driveFields(packet.drive);
        break;
    case DecodedPacket::Scan:
        line += scanFields(packet.scan);
        break;
    case DecodedPacket::Frame:
        line += frameFields(packet.frame);
        break;
    default:
        break;
    }
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    return line;
}

std::uint64_t WireTotals::packets() const
{
    std::uint64_t total = 0;
    for (std::uint64_t n : perKind)
        total += n;
    return total;
}

std::string formatSummary(const WireTotals &totals)
{
    std::string text = format("packets: %llu\n", static_cast<unsigned long long>(totals.packets()));
    for (std::size_t kind = 0; kind < totals.perKind.size(); ++kind) {
        text += format("  %-19s %llu\n",
                       protocol::packetKindName(static_cast<DecodedPacket::Kind>(kind)),
                       static_cast<unsigned long long>(totals.perKind[kind]));
    }
    text += format("bytes: %llu\n", static_cast<unsigned long long>(totals.bytes));
    text += format("protocol errors: %llu\n", static_cast<unsigned long long>(totals.protocolErrors));
    if (totals.incompleteTail)
        text += format("  of which at the end of the log, in a packet cut short: %llu\n",
                       static_cast<unsigned long long>(totals.incompleteTail));
    return text;
}

} // namespace vistrel::wire

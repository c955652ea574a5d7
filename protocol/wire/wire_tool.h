// vistrel-wire: lists the packets of a wire log or extracts one display frame.
#ifndef VISTREL_WIRE_TOOL_H
#define VISTREL_WIRE_TOOL_H

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace vistrel::wire {

struct WireOptions {
    bool help = false;
    bool version = false;
    std::string logPath;
    std::optional<std::uint64_t> frame;  // 0-based index among the display frames
    std::string outPath;
};

struct ParsedArguments {
    WireOptions options;
    std::string error;  // empty when the arguments make sense
};

// args: the command line without the program name.
ParsedArguments parseWireArguments(const std::vector<std::string> &args);

std::string wireUsage();

// Exit codes.
constexpr int kWireOk = 0;
constexpr int kWireFailed = 1;  // unreadable log, frame out of range, picture not written
constexpr int kWireUsage = 1;   // bad command line, as in every Vistrel program

// Does the work the options ask for; messages go to out and err.
int runWireTool(const WireOptions &options, std::ostream &out, std::ostream &err);

} // namespace vistrel::wire

#endif

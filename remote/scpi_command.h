// One line of the remote protocol: ASCII, a header (long or short keyword
// form, any case) and comma-separated parameters, strings in double quotes.
// parseLine is pure: it knows the table of commands, the pattern table and
// the ranges of their values, nothing of the session or the network.
#ifndef VISTREL_REMOTE_SCPI_COMMAND_H
#define VISTREL_REMOTE_SCPI_COMMAND_H

#include "patterns.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vistrel::remote {

enum class Header {
    Identify, Reset, ClearStatus, OperationComplete, NextError,
    DeviceList, DeviceOpen, DeviceClose, DeviceState,
    DriveSet, Rate, RateQuery,
    PatternShow, PatternOff, PatternQuery,
    PictureShow, VideoPlay, VideoState,
    DisplayStop, DisplayState,
};

enum class VideoMode { Once, Loop };

struct Command {
    Header header = Header::Identify;
    // DeviceOpen: the serial (empty: the first listed); PictureShow and
    // VideoPlay: the file name as written between the quotes.
    std::string text;
    // DriveSet: the seven voltages, then the gamma if given, as written.
    std::vector<std::string> numbers;
    // PatternShow: the checked pattern, every value filled in.
    protocol::PatternRequest pattern;
    // Rate, and VideoPlay when given (1 to 60).
    std::optional<int> fps;
    VideoMode mode = VideoMode::Once;
};

struct ParseResult {
    std::optional<Command> command;  // nothing for a blank line or an error
    int error = 0;                   // a ScpiError code, 0 when none
};

// A line without its LF (a CR at its end is ignored).
ParseResult parseLine(std::string_view line);

bool isQuery(Header header);

// A pattern as the protocol writes it: the name in capitals without dashes
// ("ALLON", "GRAY"), then every value ("SQUARES,4,255,0").
std::string remotePatternText(const protocol::PatternRequest &pattern);

} // namespace vistrel::remote

#endif

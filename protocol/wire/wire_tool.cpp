#include "wire_tool.h"

#include "wire_picture.h"
#include "wire_report.h"

#include "vistrel_version.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <ostream>

namespace vistrel::wire {

using protocol::DecodedPacket;
using protocol::StreamDecoder;

namespace {

constexpr std::size_t kReadChunk = 1 << 16;

bool parseFrameNumber(const std::string &text, std::uint64_t &number)
{
    if (text.empty() || text.size() > 18)
        return false;
    number = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        number = number * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return true;
}

// Splits "--name=value"; takes the next argument for "--name value".
bool optionValue(const std::vector<std::string> &args, std::size_t &i, const std::string &name,
                 std::string &value, std::string &error)
{
    const std::string &arg = args[i];
    if (arg.compare(0, name.size() + 1, name + "=") == 0) {
        value = arg.substr(name.size() + 1);
        return true;
    }
    if (arg != name)
        return false;
    if (i + 1 >= args.size()) {
        error = name + " needs a value";
        return true;
    }
    value = args[++i];
    return true;
}

std::string checkCombination(const WireOptions &options)
{
    if (options.help || options.version)
        return {};
    if (options.logPath.empty())
        return "no log file given";
    if (options.frame && options.outPath.empty())
        return "--frame needs --out FILE.png or FILE.pgm";
    if (!options.frame && !options.outPath.empty())
        return "--out needs --frame N";
    if (!options.outPath.empty() && !hasPictureExtension(options.outPath))
        return "--out file must end in .png or .pgm: " + options.outPath;
    return {};
}

struct FileCloser {
    void operator()(std::FILE *file) const { std::fclose(file); }
};

// Feeds the log to the decoder, up to its end or until keepGoing turns false;
// finishing the stream is left to the caller.
bool decodeLog(const std::string &path, StreamDecoder &decoder, const StreamDecoder::Sink &sink,
               const bool &keepGoing, std::ostream &err)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        err << "vistrel-wire: cannot open " << path << ": " << std::strerror(errno) << '\n';
        return false;
    }
    std::vector<std::uint8_t> chunk(kReadChunk);
    while (keepGoing) {
        const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), file.get());
        if (got == 0)
            break;
        decoder.feed(chunk.data(), got, sink);
    }
    if (std::ferror(file.get())) {
        err << "vistrel-wire: cannot read " << path << ": " << std::strerror(errno) << '\n';
        return false;
    }
    return true;
}

int listPackets(const WireOptions &options, std::ostream &out, std::ostream &err)
{
    StreamDecoder decoder;
    WireTotals totals;
    const bool keepGoing = true;
    const auto sink = [&](const DecodedPacket &packet) {
        totals.count(packet);
        out << describePacket(packet) << '\n';
    };
    if (!decodeLog(options.logPath, decoder, sink, keepGoing, err))
        return kWireFailed;
    const std::uint64_t errorsBeforeEnd = decoder.protocolErrors();
    decoder.finish(sink);
    totals.bytes = decoder.bytesReceived();
    totals.protocolErrors = decoder.protocolErrors();
    totals.incompleteTail = totals.protocolErrors - errorsBeforeEnd;
    out << formatSummary(totals);
    return kWireOk;
}

int extractFrame(const WireOptions &options, std::ostream &out, std::ostream &err)
{
    StreamDecoder decoder;
    std::uint64_t framesSeen = 0;
    bool keepGoing = true;
    DecodedPacket wanted;
    const auto sink = [&](const DecodedPacket &packet) {
        if (packet.kind != DecodedPacket::Frame || !keepGoing)
            return;
        if (framesSeen++ == *options.frame) {
            wanted = packet;
            keepGoing = false;
        }
    };
    if (!decodeLog(options.logPath, decoder, sink, keepGoing, err))
        return kWireFailed;
    if (keepGoing)
        decoder.finish(sink);
    if (keepGoing) {
        err << "vistrel-wire: frame " << *options.frame << " out of range: " << options.logPath
            << " holds " << framesSeen << " display frame" << (framesSeen == 1 ? "" : "s")
            << " (numbered from 0)\n";
        return kWireFailed;
    }
    const std::string problem = writeFramePicture(wanted.frame, options.outPath);
    if (!problem.empty()) {
        err << "vistrel-wire: " << problem << '\n';
        return kWireFailed;
    }
    char mode[3];
    std::snprintf(mode, sizeof mode, "%02X", unsigned(wanted.frame.mode));
    out << "frame " << *options.frame << " (offset " << wanted.offset << ", mode " << mode
        << ") written to " << options.outPath << '\n';
    return kWireOk;
}

// -h and -v: answered without a log file.
bool informationOption(const std::string &arg, WireOptions &options)
{
    if (arg == "-h" || arg == "--help")
        return options.help = true;
    if (arg == "-v" || arg == "--version")
        return options.version = true;
    return false;
}

// --frame and --out; anything else starting with '-' is an error.
void parseValueOption(const std::vector<std::string> &args, std::size_t &i, WireOptions &options,
                      std::string &error)
{
    std::string value;
    if (optionValue(args, i, "--frame", value, error)) {
        std::uint64_t number = 0;
        if (error.empty() && !parseFrameNumber(value, number))
            error = "--frame wants a frame number 0, 1, 2, ...: '" + value + "'";
        options.frame = number;
    } else if (optionValue(args, i, "--out", value, error)) {
        options.outPath = value;
        if (error.empty() && value.empty())
            error = "--out needs a file name";
    } else {
        error = "unknown option " + args[i];
    }
}

} // namespace

ParsedArguments parseWireArguments(const std::vector<std::string> &args)
{
    ParsedArguments parsed;
    WireOptions &options = parsed.options;
    std::string &error = parsed.error;
    bool onlyFiles = false;  // after "--" every argument is a file name
    for (std::size_t i = 0; i < args.size() && error.empty(); ++i) {
        const std::string &arg = args[i];
        if (onlyFiles || arg.size() < 2 || arg[0] != '-') {
            if (!options.logPath.empty())
                error = "only one log file, please: " + arg;
            options.logPath = arg;
        } else if (arg == "--") {
            onlyFiles = true;
        } else if (!informationOption(arg, options)) {
            parseValueOption(args, i, options, error);
        }
    }
    if (error.empty())
        error = checkCombination(options);
    return parsed;
}

std::string wireUsage()
{
    return "Usage: vistrel-wire LOGFILE\n"
           "       vistrel-wire LOGFILE --frame N --out FILE.png|FILE.pgm\n"
           "\n"
           "Decodes a wire log (the bytes the console wrote to the bridge, as captured\n"
           "through VISTREL_WIRE_LOG) the way the panel controller reads them.\n"
           "\n"
           "Without options: one line per packet (stream offset, type, length, decoded\n"
           "fields), then a summary: packets per type, bytes, protocol errors (bytes\n"
           "that belong to no packet).\n"
           "\n"
           "  --frame N      the N-th display frame of the log, counting from 0\n"
           "  --out FILE     write that frame as a 180 x 100 gray picture; the extension\n"
           "                 (.png or .pgm) picks the format\n"
           "  -h, --help     this text\n"
           "  -v, --version  the version\n"
           "  --             what follows is the log file, even if it starts with '-'\n"
           "\n"
           "Exit status: 0 success; 1 unreadable log, frame out of range, picture not\n"
           "written or bad command line.\n";
}

int runWireTool(const WireOptions &options, std::ostream &out, std::ostream &err)
{
    if (options.help) {
        out << wireUsage();
        return kWireOk;
    }
    if (options.version) {
        out << "vistrel-wire " VISTREL_VERSION "\n";
        return kWireOk;
    }
    return options.frame ? extractFrame(options, out, err) : listPackets(options, out, err);
}

} // namespace vistrel::wire

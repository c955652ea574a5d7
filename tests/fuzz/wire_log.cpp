// Fuzz target: vistrel-wire's log reader. Each input is written to a file and
// read back by the tool as a user would run it: the listing must account for
// every byte of the log and agree with the decoder run on the whole input;
// frame extraction must write the first frame and refuse one past the last.
#include "fuzz_check.h"
#include "stream_decoder.h"
#include "wire_tool.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using vistrel::protocol::DecodedPacket;

namespace {

// One private folder per process; removed at exit.
struct Scratch {
    fs::path folder;
    Scratch()
    {
        std::random_device entropy;
        folder = fs::temp_directory_path() / ("vistrel-fuzz-wire-" + std::to_string(entropy()));
        fs::create_directories(folder);
    }
    ~Scratch()
    {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
};

const Scratch &scratch()
{
    static const Scratch folder;
    return folder;
}

struct Listing {
    std::vector<std::uint64_t> offsets;
    std::uint64_t lengthSum = 0;
    std::uint64_t packets = 0;
    std::uint64_t bytes = 0;
    std::uint64_t errors = 0;
};

// Packet lines start with their offset; the summary lines with a name.
Listing parseListing(const std::string &text)
{
    Listing listing;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::uint64_t offset = 0, length = 0;
        std::string name;
        if (words >> offset >> name >> length) {
            listing.offsets.push_back(offset);
            listing.lengthSum += length;
        } else if (line.rfind("packets: ", 0) == 0) {
            listing.packets = std::stoull(line.substr(9));
        } else if (line.rfind("bytes: ", 0) == 0) {
            listing.bytes = std::stoull(line.substr(7));
        } else if (line.rfind("protocol errors: ", 0) == 0) {
            listing.errors = std::stoull(line.substr(17));
        }
    }
    return listing;
}

int runTool(const std::vector<std::string> &args, std::string *out = nullptr)
{
    const vistrel::wire::ParsedArguments parsed = vistrel::wire::parseWireArguments(args);
    FUZZ_CHECK(parsed.error.empty());
    std::ostringstream output, errors;
    const int status = vistrel::wire::runWireTool(parsed.options, output, errors);
    if (out)
        *out = output.str();
    return status;
}

// What the decoder, given the whole input at once, finds.
struct Expected {
    std::vector<std::uint64_t> offsets;
    std::size_t frames = 0;
};

Expected decodeWhole(const std::uint8_t *data, std::size_t size)
{
    Expected expected;
    const auto sink = [&expected](const DecodedPacket &packet) {
        expected.offsets.push_back(packet.offset);
        expected.frames += packet.kind == DecodedPacket::Frame;
    };
    vistrel::protocol::StreamDecoder decoder;
    decoder.feed(data, size, sink);
    decoder.finish(sink);
    return expected;
}

void checkListing(const std::string &log, const Expected &expected, std::size_t size)
{
    std::string text;
    FUZZ_CHECK(runTool({log}, &text) == vistrel::wire::kWireOk);
    const Listing listing = parseListing(text);
    FUZZ_CHECK(listing.bytes == size);
    FUZZ_CHECK(listing.packets == expected.offsets.size());
    FUZZ_CHECK(listing.lengthSum + listing.errors == size);
    FUZZ_CHECK(listing.offsets == expected.offsets);
}

void checkFrameExtraction(const std::string &log, std::size_t frames)
{
    const std::string picture = (scratch().folder / "frame.pgm").string();
    FUZZ_CHECK(runTool({log, "--frame", std::to_string(frames), "--out", picture})
               == vistrel::wire::kWireFailed);
    if (frames == 0)
        return;
    FUZZ_CHECK(runTool({log, "--frame", "0", "--out", picture}) == vistrel::wire::kWireOk);
    FUZZ_CHECK(fs::file_size(picture) == std::string("P5\n180 100\n255\n").size() + 180 * 100);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string log = (scratch().folder / "session.bin").string();
    {
        std::ofstream file(log, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char *>(data), static_cast<std::streamsize>(size));
        FUZZ_CHECK(file.good());
    }
    const Expected expected = decodeWhole(data, size);
    checkListing(log, expected, size);
    checkFrameExtraction(log, expected.frames);
    return 0;
}

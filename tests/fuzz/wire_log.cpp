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
const fs::path &scratch()
{
    static const struct Scratch {
        fs::path folder = fs::temp_directory_path() / ("vistrel-fuzz-wire-" + std::to_string(std::random_device()()));
        Scratch() { fs::create_directories(folder); }
        ~Scratch()
        {
            std::error_code ignored;
            fs::remove_all(folder, ignored);
        }
    } scratch;
    return scratch.folder;
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

// The listing's packet lines (they start with their offset) against the
// decoder's packets, and its byte count against the log's size.
void checkListing(const std::string &log, const std::vector<std::uint64_t> &offsets, std::size_t size)
{
    std::string text, line;
    FUZZ_CHECK(runTool({log}, &text) == vistrel::wire::kWireOk);
    std::istringstream lines(text);
    std::vector<std::uint64_t> listed;
    std::uint64_t lengthSum = 0, packets = ~0ull, bytes = ~0ull, errors = ~0ull;
    const std::pair<std::string, std::uint64_t *> totals[] = {{"packets: ", &packets}, {"bytes: ", &bytes}, {"protocol errors: ", &errors}};
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::uint64_t offset = 0, length = 0;
        std::string name;
        if (words >> offset >> name >> length) {
            listed.push_back(offset);
            lengthSum += length;
        }
        for (const auto &[prefix, value] : totals) {
            if (line.rfind(prefix, 0) == 0)
                *value = std::stoull(line.substr(prefix.size()));
        }
    }
    FUZZ_CHECK(bytes == size && packets == offsets.size() && lengthSum + errors == size && listed == offsets);
}

void checkFrameExtraction(const std::string &log, std::size_t frames)
{
    const std::string picture = (scratch() / "frame.pgm").string();
    FUZZ_CHECK(runTool({log, "--frame", std::to_string(frames), "--out", picture}) == vistrel::wire::kWireFailed);
    if (frames == 0)
        return;
    FUZZ_CHECK(runTool({log, "--frame", "0", "--out", picture}) == vistrel::wire::kWireOk);
    FUZZ_CHECK(fs::file_size(picture) == std::string("P5\n180 100\n255\n").size() + 180 * 100);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string log = (scratch() / "session.bin").string();
    {
        std::ofstream file(log, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char *>(data), static_cast<std::streamsize>(size));
        FUZZ_CHECK(file.good());
    }
    // What the decoder, given the whole input at once, finds.
    std::vector<std::uint64_t> offsets;
    std::size_t frames = 0;
    const auto sink = [&](const DecodedPacket &packet) {
        offsets.push_back(packet.offset);
        frames += packet.kind == DecodedPacket::Frame;
    };
    vistrel::protocol::StreamDecoder decoder;
    decoder.feed(data, size, sink);
    decoder.finish(sink);
    checkListing(log, offsets, size);
    checkFrameExtraction(log, frames);
    return 0;
}

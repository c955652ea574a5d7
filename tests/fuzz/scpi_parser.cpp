// Fuzz target: the remote protocol's line parser. Any bytes give either a
// command, an error code the server knows, or a blank line; a query only
// from a line whose header ends in '?'; every value within the range the
// server promises the session, a pattern checked with every value filled in.
#include "fuzz_check.h"
#include "scpi_command.h"
#include "scpi_errors.h"

#include <cstring>
#include <string_view>

using namespace vistrel::remote;

namespace {

void checkValues(const Command &command)
{
    if (command.fps)
        FUZZ_CHECK(*command.fps >= 1 && *command.fps <= 60);
    if (command.header != Header::VideoPlay)
        FUZZ_CHECK(command.fps.has_value() == (command.header == Header::Rate));
    if (command.header == Header::DriveSet)
        FUZZ_CHECK(command.numbers.size() == 7 || command.numbers.size() == 8);
    else
        FUZZ_CHECK(command.numbers.empty());
    FUZZ_CHECK(command.pattern.name.empty() == (command.header != Header::PatternShow));
    if (command.header == Header::PatternShow)
        FUZZ_CHECK(vistrel::protocol::checkPattern(command.pattern.name, {command.pattern.values.begin(), command.pattern.values.end()}).request == command.pattern);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view line(reinterpret_cast<const char *>(data), size);
    const ParseResult result = parseLine(line);
    FUZZ_CHECK(!(result.command && result.error));
    if (!result.command) {
        FUZZ_CHECK(result.error == 0 || std::strcmp(errorText(result.error), "Unknown error") != 0);
        return 0;
    }
    std::string_view rest = line;
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t'))
        rest.remove_prefix(1);
    const std::string_view header = rest.substr(0, rest.find_first_of(" \t\r"));
    FUZZ_CHECK(isQuery(result.command->header) == (!header.empty() && header.back() == '?'));
    checkValues(*result.command);
    return 0;
}

// vistrel-wire: command line only; the work is done in wire_tool.cpp.
#include "wire_tool.h"

#include <iostream>

int main(int argc, char **argv)
{
    using namespace vistrel::wire;
    const ParsedArguments parsed = parseWireArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.error.empty()) {
        std::cerr << "vistrel-wire: " << parsed.error << "\nTry 'vistrel-wire --help'.\n";
        return kWireUsage;
    }
    return runWireTool(parsed.options, std::cout, std::cerr);
}

// Runs a fuzz target's entry point once over each file of its seed corpus,
// so the plain test suite keeps every seed (and any crash input added to the
// corpus after a fix) passing without clang or libFuzzer.
#include "fuzz_check.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

namespace fs = std::filesystem;

int main(int argc, char **argv)
{
    std::vector<fs::path> files;
    if (argc == 2) {
        for (const fs::directory_entry &entry : fs::directory_iterator(argv[1]))
            if (entry.is_regular_file())
                files.push_back(entry.path());
    }
    if (files.empty()) {  // a wrong path must not pass as "nothing to check"
        std::cerr << "usage: " << argv[0] << " CORPUS_FOLDER (with at least one file)\n";
        return 1;
    }
    std::sort(files.begin(), files.end());
    for (const fs::path &file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::vector<std::uint8_t> input{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        std::cout << file.filename().string() << " (" << input.size() << " bytes)" << std::endl;
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    std::cout << files.size() << " corpus files ran clean" << std::endl;
    return 0;
}

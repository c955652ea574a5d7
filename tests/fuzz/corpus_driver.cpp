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

namespace {

std::vector<fs::path> corpusFiles(const fs::path &folder)
{
    std::vector<fs::path> files;
    for (const fs::directory_entry &entry : fs::directory_iterator(folder)) {
        if (entry.is_regular_file())
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::uint8_t> contents(const fs::path &file)
{
    std::ifstream in(file, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::cerr << "usage: " << argv[0] << " CORPUS_FOLDER\n";
        return 2;
    }
    const std::vector<fs::path> files = corpusFiles(argv[1]);
    if (files.empty()) {  // a wrong path must not pass as "nothing to check"
        std::cerr << "no corpus files in " << argv[1] << '\n';
        return 1;
    }
    for (const fs::path &file : files) {
        const std::vector<std::uint8_t> input = contents(file);
        std::cout << file.filename().string() << " (" << input.size() << " bytes)" << std::endl;
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    std::cout << files.size() << " corpus files ran clean" << std::endl;
    return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a fuzz target's entry point once on every file named on the command
// line and on every file in the folders named there, in name order. This is
// how the committed corpus runs as an ordinary test, without libFuzzer. An
// empty corpus fails, so a lost folder cannot pass unnoticed.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::filesystem::path> CorpusFiles(int argc, char** argv) {
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path arg(argv[i]);
        if (!std::filesystem::is_directory(arg)) {
            files.push_back(arg);
            continue;
        }
        std::vector<std::filesystem::path> inFolder;
        for (const auto& entry : std::filesystem::directory_iterator(arg)) {
            if (entry.is_regular_file()) {
                inFolder.push_back(entry.path());
            }
        }
        std::sort(inFolder.begin(), inFolder.end());
        files.insert(files.end(), inFolder.begin(), inFolder.end());
    }
    return files;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::filesystem::path> files = CorpusFiles(argc, argv);
    if (files.empty()) {
        std::cerr << "no corpus files\n";
        return 1;
    }
    for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            std::cerr << "cannot read " << file << '\n';
            return 1;
        }
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
        std::cout << file.filename().string() << " (" << bytes.size() << " bytes)" << std::endl;
        (void)LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                     bytes.size());
    }
    std::cout << files.size() << " inputs\n";
    return 0;
}

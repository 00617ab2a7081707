// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/bench_image.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

namespace vantrel::bench {

std::string MakeSystemImage(const std::string& prefix, std::uint64_t size) {
    const std::string path =
        (std::filesystem::temp_directory_path() / (prefix + std::to_string(size))).string();
    std::ofstream file(path, std::ios::binary);
    std::vector<char> block(1024 * 1024);
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<char>(i * 131 + (i >> 9));
    }
    std::memcpy(block.data(), "BNEG", 4);
    for (std::uint64_t written = 0; written < size; written += block.size()) {
        file.write(block.data(), static_cast<std::streamsize>(
                                     std::min<std::uint64_t>(block.size(), size - written)));
    }
    return path;
}

}  // namespace vantrel::bench

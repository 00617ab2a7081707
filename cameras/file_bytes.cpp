// SPDX-License-Identifier: GPL-3.0-or-later
#include "cameras/file_bytes.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

namespace vantrel {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

std::string Reason(int error) {
    return error != 0 ? std::strerror(error) : "it cannot be read";
}

}  // namespace

std::filesystem::path FilePath(const std::string& utf8) {
    return std::filesystem::path(
        std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

bool IsFolder(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::is_directory(FilePath(path), ignored);
}

FileBytes ReadFileBytes(const std::string& path, std::size_t limit) {
    FileBytes read;
    // A folder opens on some systems and fails its first read with EISDIR;
    // on others it does not open at all, with EACCES. Say which it is.
    if (IsFolder(path)) {
        read.problem = "it is a folder";
        return read;
    }
    errno = 0;
#ifdef _WIN32
    const std::unique_ptr<std::FILE, FileCloser> file(_wfopen(FilePath(path).c_str(), L"rb"));
#else
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
#endif
    if (!file) {
        read.problem = Reason(errno);
        return read;
    }
    std::string bytes;
    char buffer[64 * 1024];
    // One byte past the limit tells a file that ends there from a longer one.
    while (bytes.size() <= limit) {
        const std::size_t asked = std::min(sizeof buffer, limit + 1 - bytes.size());
        const std::size_t got = std::fread(buffer, 1, asked, file.get());
        bytes.append(buffer, got);
        if (got < asked) {
            if (std::ferror(file.get())) {
                read.problem = Reason(errno) + " after " + std::to_string(bytes.size()) + " bytes";
                return read;
            }
            break;
        }
    }
    read.whole = bytes.size() <= limit;
    bytes.resize(std::min(bytes.size(), limit));
    read.bytes = std::move(bytes);
    return read;
}

}  // namespace vantrel

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

namespace vantrel {

// What reading a file gave: its bytes, or why it could not be read.
struct FileBytes {
    std::optional<std::string> bytes;  // at most the limit asked for
    bool whole = false;                // the file ended within the limit
    std::string problem;               // "it is a folder", the system's reason, …
};

// Reads a file the user named, up to limit bytes, without throwing: a
// folder, a file that will not open and a read error part way through each
// give their reason.
[[nodiscard]] FileBytes ReadFileBytes(const std::string& path, std::size_t limit);

// The path of a file named in UTF-8, as the system takes it: Windows' wide
// names, so that a folder called "Kameraüberwachung" opens there too.
[[nodiscard]] std::filesystem::path FilePath(const std::string& utf8);

// A folder opens as a file on some systems and fails only its first read.
[[nodiscard]] bool IsFolder(const std::string& path);

}  // namespace vantrel

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>

namespace vantrel::cli {

enum class ListFormat { Table, Json, Csv };

struct ListOptions {
    // Searches to wait for; none: until the answers have settled.
    std::optional<std::uint64_t> rounds;
    ListFormat format = ListFormat::Table;
    bool watch = false;
};

// "vantrel-cli list": every camera that answered the given number of
// searches, printed once; or, with watch, the live list until Ctrl+C.
[[nodiscard]] int RunList(const ListOptions& options);

}  // namespace vantrel::cli

// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/list_edit.h"

namespace vantrel {

std::optional<std::size_t> ListEdit::Where(std::size_t line) const {
    std::size_t before = 0;  // lines dropped above it
    for (const auto& [first, count] : dropped) {
        if (line < first) {
            break;
        }
        if (line < first + count) {
            return std::nullopt;
        }
        before += count;
    }
    return line - before;
}

std::size_t ListEdit::DroppedLines() const {
    std::size_t lines = 0;
    for (const auto& run : dropped) {
        lines += run.second;
    }
    return lines;
}

}  // namespace vantrel

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

int ListEdit::SelectionAfter(int selected) const {
    if (selected < 0) {
        return -1;
    }
    return static_cast<int>(Where(static_cast<std::size_t>(selected)).value_or(-1));
}

std::vector<int> ListEdit::SelectionAfter(const std::vector<int>& selected) const {
    std::vector<int> after;
    after.reserve(selected.size());
    for (const int line : selected) {
        if (const int moved = SelectionAfter(line); moved >= 0) {
            after.push_back(moved);
        }
    }
    return after;
}

bool ListEdit::CheaperToRewrite(std::size_t lines) const {
    // Line moves that dropping lines one by one may cost, about 10 ms' worth.
    constexpr std::size_t MOST_SHIFTS = std::size_t{16} << 20;
    std::size_t shifts = 0;
    for (const auto& [first, count] : dropped) {
        shifts += count * (lines - first - count);
    }
    return shifts > MOST_SHIFTS;
}

std::size_t ListEdit::DroppedLines() const {
    std::size_t lines = 0;
    for (const auto& run : dropped) {
        lines += run.second;
    }
    return lines;
}

}  // namespace vantrel

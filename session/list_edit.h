// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

namespace vantrel {

// How a list that shows line i for record i follows the session's cameras:
// drop the runs, rewrite the changed lines, then add the new ones at the
// end. A front end does exactly this and no more.
struct ListEdit {
    // Runs (first, count) numbered as before the edit, in ascending order.
    std::vector<std::pair<std::size_t, std::size_t>> dropped;
    // Lines numbered after the drop whose text changed.
    std::vector<std::size_t> changed;
    // New lines at the end, for the last `added` records.
    std::size_t added = 0;

    // Where a line (numbered before the edit) stands after it; nothing when
    // its camera went. A selection follows its camera this way and never
    // lands on another.
    [[nodiscard]] std::optional<std::size_t> Where(std::size_t line) const;
    // Where a selected line (or -1) stands after it; -1 when its camera went.
    [[nodiscard]] int SelectionAfter(int selected) const;
    // Where selected lines (ascending) stand after it: those whose cameras
    // went are left out, and no other line comes in.
    [[nodiscard]] std::vector<int> SelectionAfter(const std::vector<int>& selected) const;
    // Lines dropped in all.
    [[nodiscard]] std::size_t DroppedLines() const;
    // A list drops a line by moving every line after it, so thousands of
    // lines going from the middle of a long list (a flood ageing out) would
    // cost seconds: then writing the kept lines anew, all at once, is
    // cheaper. lines: the list's lines before the edit.
    [[nodiscard]] bool CheaperToRewrite(std::size_t lines) const;
};

}  // namespace vantrel

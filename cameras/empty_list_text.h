// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace vantrel {

// What the list says while it has no line: that a search is going out and
// where, that nobody has answered after two periods and what to check, or
// that there is no network to search on.
[[nodiscard]] std::string EmptyListText(const std::vector<std::string>& interfaces,
                                        int quietPeriods);

}  // namespace vantrel

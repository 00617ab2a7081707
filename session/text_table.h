// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace vantrel {

// Lines of cells (UTF-8) as a table: each column as wide as its widest
// cell, two spaces apart, the last one not padded.
[[nodiscard]] std::string AlignedText(const std::vector<std::vector<std::string>>& lines);

// A cell of a CSV line, quoted as RFC 4180 asks when it must be.
[[nodiscard]] std::string CsvField(const std::string& text);

}  // namespace vantrel

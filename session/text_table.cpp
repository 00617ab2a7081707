// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/text_table.h"

#include <algorithm>

#include "protocol/shown_text.h"

namespace vantrel {

std::string AlignedText(const std::vector<std::vector<std::string>>& lines) {
    std::vector<std::size_t> widths;
    for (const auto& cells : lines) {
        widths.resize(std::max(widths.size(), cells.size()));
        for (std::size_t i = 0; i < cells.size(); ++i) {
            widths[i] = std::max(widths[i], CharacterCount(cells[i]));
        }
    }
    std::string text;
    for (const auto& cells : lines) {
        for (std::size_t i = 0; i < cells.size(); ++i) {
            text += cells[i];
            if (i + 1 < cells.size()) {
                text.append(widths[i] - CharacterCount(cells[i]) + 2, ' ');
            }
        }
        // Empty cells at the end leave no spaces behind.
        text.erase(text.find_last_not_of(' ') + 1);
        text += '\n';
    }
    return text;
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c == '"' ? "\"\"" : std::string(1, c);
    }
    return quoted + '"';
}

}  // namespace vantrel

// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/watch_printer.h"

namespace vantrel::cli {

std::string CWatchPrinter::Changes(const std::vector<CameraRow>& rows) {
    std::map<std::string, std::string> lines;
    for (const CameraRow& row : rows) {
        lines.emplace(row.id, row.id + '\t' + row.name + '\t' + row.ip + '\t' + row.status);
    }
    std::string text;
    for (const auto& [id, line] : m_lines) {
        if (!lines.contains(id)) {
            text += "-\t" + line + '\n';
        }
    }
    for (const auto& [id, line] : lines) {
        const auto old = m_lines.find(id);
        if (old == m_lines.end()) {
            text += "+\t" + line + '\n';
        } else if (old->second != line) {
            text += "*\t" + line + '\n';
        }
    }
    m_lines = std::move(lines);
    return text;
}

}  // namespace vantrel::cli

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <string>
#include <vector>

#include "session/camera_rows.h"

namespace vantrel::cli {

// The changes between two lists of cameras, as lines a script can follow:
// "+" for a camera that came, "-" for one that went, "*" for one whose
// line changed; then its id, name, address and status, tab-separated.
class CWatchPrinter {
  public:
    [[nodiscard]] std::string Changes(const std::vector<CameraRow>& rows);

  private:
    std::map<std::string, std::string> m_lines;  // id to its line after the sign
};

}  // namespace vantrel::cli

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace vantrel {

// Asks the user for a firmware image with the system's open-file dialog,
// filter "Bin Files (*.bin)". Tests queue the next answer instead; then no
// dialog is shown.
class CImageFileChooser {
  public:
    // The chosen path in UTF-8, or none when the user cancelled.
    [[nodiscard]] static std::optional<std::string> Choose(HWND owner);

    // The next Choose() returns this at once (none: a cancel).
    static void SetNextAnswer(std::optional<std::string> path);
};

}  // namespace vantrel

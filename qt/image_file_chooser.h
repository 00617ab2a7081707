// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>

class QWidget;

namespace vantrel {

// Asks the user for a firmware image, filter "Bin Files (*.bin)". Tests
// queue the next answer instead; then no chooser is shown.
class CImageFileChooser {
  public:
    // The chosen path, or none when the user cancelled or the chooser was
    // closed. The chooser is the parent's child, so it goes with it.
    [[nodiscard]] static std::optional<QString> Choose(QWidget* parent);

    // The next Choose() returns this at once (none: a cancel).
    static void SetNextAnswer(std::optional<QString> path);
};

}  // namespace vantrel

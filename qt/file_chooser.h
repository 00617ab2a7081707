// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>

class QWidget;

namespace vantrel {

// Asks the user for a file to read or to write. Tests queue the next
// answer instead; then no chooser is shown.
class CFileChooser {
  public:
    // The chosen path, or none when the user cancelled or the chooser was
    // closed. The chooser is the parent's child, so it goes with it.
    [[nodiscard]] static std::optional<QString> Open(QWidget* parent, const QString& filter);
    [[nodiscard]] static std::optional<QString> Save(QWidget* parent, const QString& suggested,
                                                     const QString& filter);

    // The next Open() or Save() returns this at once (none: a cancel).
    static void SetNextAnswer(std::optional<QString> path);

  private:
    static std::optional<std::optional<QString>> s_nextAnswer;
};

}  // namespace vantrel

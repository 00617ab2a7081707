// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <windows.h>

#include <initializer_list>
#include <optional>
#include <string>
#include <utility>

namespace vantrel {

// Asks the user for a file to read or to write with the system's file
// dialogs. A filter is pairs of name and pattern, each ended by a NUL, as
// the dialogs take them. Tests queue the next answer instead; then no
// dialog is shown.
class CFileChooser {
  public:
    // The chosen path in UTF-8, or none when the user cancelled. The dialog
    // is owned by owner, so that it stays above it and goes with it.
    [[nodiscard]] static std::optional<std::string> Open(HWND owner, const std::wstring& filter);
    // As Open, asking before a file is replaced; extension is added to a
    // name given without one.
    [[nodiscard]] static std::optional<std::string> Save(HWND owner, const std::wstring& suggested,
                                                         const std::wstring& filter,
                                                         const wchar_t* extension);

    // A filter of (name, pattern) pairs.
    [[nodiscard]] static std::wstring Filter(
        std::initializer_list<std::pair<const wchar_t*, const wchar_t*>> kinds);

    // The next Open() or Save() returns this at once (none: a cancel).
    static void SetNextAnswer(std::optional<std::string> path);

  private:
    static std::optional<std::optional<std::string>> s_nextAnswer;
};

}  // namespace vantrel

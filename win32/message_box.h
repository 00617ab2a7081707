// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <windows.h>

#include <string>

#include "session/message_record.h"

namespace vantrel {

// Every failure reaches the user as one modal box with one string-table text
// and an OK button, titled with the program file's base name. Tests switch
// the boxes off and read which texts would have been shown (CMessageRecord).
class CMessageBox : public CMessageRecord {
  public:
    static void Show(int stringId, HWND owner);

    // The program file's name without its folder and extension.
    [[nodiscard]] static std::wstring Title();
    // A string of the program's own string table.
    [[nodiscard]] static std::wstring Text(int stringId);
};

}  // namespace vantrel

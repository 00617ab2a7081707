// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace vantrel {

// Every failure reaches the user as one modal box with one string-table text
// and an OK button, titled with the program file's base name. Tests switch
// the boxes off and read which texts would have been shown.
class CMessageBox {
  public:
    static void Show(int stringId, HWND owner);

    // The program file's name without its folder and extension.
    [[nodiscard]] static std::wstring Title();
    // A string of the program's own string table.
    [[nodiscard]] static std::wstring Text(int stringId);

    // While recording, Show only notes the id (and tells the observer, if
    // any, at that moment); nothing is shown.
    static void StartRecording(std::function<void(int)> observer = {});
    [[nodiscard]] static std::vector<int> TakeRecorded();
    static void StopRecording();

  private:
    static bool s_recording;
    static std::vector<int> s_recorded;
    static std::function<void(int)> s_observer;
};

}  // namespace vantrel

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <vector>

class QWidget;

namespace vantrel {

// Every failure reaches the user as one modal box with one string-table text
// and an OK button, titled with the program file's base name. Tests switch
// the boxes off and read which texts would have been shown.
class CMessageBox {
  public:
    static void Show(int stringId, QWidget* parent = nullptr);

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

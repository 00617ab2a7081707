#pragma once

#include <vector>

class QWidget;

namespace vantrel {

// Every failure reaches the user as one modal box with one string-table text
// and an OK button, titled with the program file's base name. Tests switch
// the boxes off and read which texts would have been shown.
class CMessageBox {
  public:
    static void Show(int stringId, QWidget* parent = nullptr);

    // While recording, Show only notes the id; nothing is shown.
    static void StartRecording();
    [[nodiscard]] static std::vector<int> TakeRecorded();
    static void StopRecording();

  private:
    static bool s_recording;
    static std::vector<int> s_recorded;
};

}  // namespace vantrel

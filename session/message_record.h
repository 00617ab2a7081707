// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <vector>

namespace vantrel {

// The seam both windows' message boxes have for tests: while recording, a
// box is only noted by its string id (and the observer, if any, told at
// that moment), and nothing is shown.
class CMessageRecord {
  public:
    static void StartRecording(std::function<void(int)> observer = {});
    [[nodiscard]] static std::vector<int> TakeRecorded();
    static void StopRecording();

  protected:
    // True when the box was recorded instead of shown.
    static bool Recorded(int stringId);

  private:
    static bool s_recording;
    static std::vector<int> s_recorded;
    static std::function<void(int)> s_observer;
};

}  // namespace vantrel

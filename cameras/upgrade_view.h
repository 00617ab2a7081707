// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace vantrel {

// Whether the camera acknowledged every byte of the image.
enum class Delivery {
    Confirmed,    // every byte reached the camera
    Unconfirmed,  // every byte went out; the camera's receipt of the last is not known
};

// What the upgrade session needs of what shows it: the firmware dialog, or a
// terminal's progress board.
class IUpgradeView {
  public:
    virtual ~IUpgradeView() = default;

    // Hide the password label and field, show the progress bar at 0.
    virtual void ShowUploadView() = 0;
    // Put the progress bar at percent (0 to 100) and show it at once.
    virtual void SetProgress(int percent) = 0;
    // Repaint the whole dialog at once.
    virtual void RepaintNow() = 0;
    // Hide the progress bar, show the password label and field again.
    virtual void UndoUploadView() = 0;
    // What happened, in words for a log or a terminal, just before the
    // message it explains ("the camera closed the connection after 1 024 of
    // 4 194 304 bytes"). The dialog's message box says no more than before.
    virtual void ExplainFailure(const std::string& /*reason*/) {}
    // One modal message box with this string's text.
    virtual void ShowMessage(int stringId) = 0;
    // The whole image went out: end the dialog with IDOK.
    virtual void EndWithOk(Delivery delivery) = 0;
};

}  // namespace vantrel

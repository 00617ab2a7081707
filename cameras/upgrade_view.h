// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace vantrel {

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
    // One modal message box with this string's text.
    virtual void ShowMessage(int stringId) = 0;
    // The whole image went out: end the dialog with IDOK.
    virtual void EndWithOk() = 0;
};

}  // namespace vantrel

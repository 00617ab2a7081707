// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <optional>
#include <string>
#include <vector>

#include "cameras/firmware_image.h"
#include "session/camera_session.h"
#include "win32/dialog.h"
#include "win32/report_view.h"

namespace vantrel {

// "Firmware Version & Upgrade" for several cameras (template 138): one
// image, whose kind its mark tells, one password, so many cameras at a
// time. Each camera's row has its own bar and state and follows it through
// its restart. While any upload waits or is under way the dialog does not
// close; "Stop after these" lets those under way finish and starts no more.
class CBatchUpgradeDlg final : public CDialog {
  public:
    // cameras: the selected ones, in list order.
    CBatchUpgradeDlg(CCameraSession& session, std::vector<CameraRecord> cameras);

    // The session's uploads changed.
    void UploadsChanged();
    [[nodiscard]] bool Running() const { return m_started && !m_session.UploadsOver(); }
    [[nodiscard]] const CReportView& Table() const { return m_table; }

  private:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnChooseImage();
    void OnUpgrade();
    void OnStopAfterThese();
    void OnSaveReport();
    void ShowJobs();
    void EnableButtons();
    // Draws a row's progress cell as a bar; its text stays for readers.
    [[nodiscard]] LRESULT DrawProgress(NMLVCUSTOMDRAW& draw);

    CCameraSession& m_session;
    const std::vector<CameraRecord> m_cameras;
    std::vector<int> m_percent;   // each row's, as its bar shows it
    std::vector<int> m_rowOfJob;  // the table row of each upload job
    std::string m_image;
    std::optional<ImageKind> m_kind;
    bool m_started = false;
    bool m_stopped = false;  // "Stop after these" was pressed
    CReportView m_table;
};

}  // namespace vantrel

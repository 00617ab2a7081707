// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "cameras/firmware_image.h"
#include "cameras/upgrade_view.h"
#include "protocol/camera_record.h"
#include "session/upload_run.h"
#include "win32/dialog.h"
#include "win32/window_dispatcher.h"

namespace vantrel {

// "Firmware Version & Upgrade" (template 136): one camera's two firmware
// versions and the two upgrades. Each upgrade button takes the password,
// asks for an image, tests its mark and starts the upload on a thread of
// its own, so that the dialog keeps answering the system (which calls a
// window that does not "Not Responding" after 5 s); the dialog ends with
// IDOK only when an image went out whole. Nothing in the dialog can break
// an upload off: while it runs, both upgrade buttons and "Return" are
// disabled, and the close box and Escape do nothing.
class CFirmwareDlg final : public CDialog {
  public:
    CFirmwareDlg();
    ~CFirmwareDlg() override;

    // An image is on its way: ending the program or the dialog now could
    // leave the camera with half of it.
    [[nodiscard]] bool Uploading() const { return m_atStake; }
    // How the last upload ended, once it has ended well, and its kind.
    [[nodiscard]] std::optional<Delivery> Delivered() const { return m_delivered; }
    [[nodiscard]] ImageKind DeliveredKind() const { return m_kind; }
    // Told each time Uploading() turns true or false.
    void OnAtStakeChanged(std::function<void(bool)> told) { m_atStakeChanged = std::move(told); }

    CameraRecord m_record{};

  private:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnUpgrade(ImageKind kind);
    void OnUploadChanged();
    void SetSessionRunning(bool running);
    void SetAtStake(bool atStake);
    void ShowUploadView(bool shown);

    bool m_running = false;  // an upload run has not yet ended
    bool m_atStake = false;
    std::optional<Delivery> m_delivered;
    ImageKind m_kind = ImageKind::System;
    UploadJob::State m_shown = UploadJob::State::Waiting;  // the job's state last shown
    int m_percent = 0;
    std::function<void(bool)> m_atStakeChanged;
    CWindowDispatcher m_dispatcher;
    std::unique_ptr<CUploadRun> m_upload;  // last: it ends first, while the rest is whole
};

}  // namespace vantrel

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>
#include <optional>

#include "cameras/firmware_image.h"
#include "cameras/upgrade_view.h"
#include "protocol/camera_record.h"
#include "qt/ip_address_edit.h"
#include "qt/queued_dispatcher.h"
#include "session/upload_run.h"

namespace vantrel {

// "Firmware Version & Upgrade": one camera's two firmware versions and the
// two upgrades. Each upgrade button takes the password, asks for an image,
// tests its mark and starts the upload as a job of its own thread, so that
// the dialog keeps answering the desktop (which offers to kill a window that
// does not); the dialog is accepted only when an image went out whole.
// Nothing in the dialog can break an upload off: while the session runs,
// both upgrade buttons and "Return" are disabled, and the close box and
// Escape do nothing.
class CFirmwareDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CFirmwareDlg(QWidget* parent = nullptr);
    ~CFirmwareDlg() override;

    int exec() override;
    void reject() override;

    // An image is on its way: ending the program or the dialog now could
    // leave the camera with half of it. False again once the upload has
    // failed or ended.
    [[nodiscard]] bool Uploading() const { return m_atStake; }
    // How the last upload ended, once it has ended well, and its kind.
    [[nodiscard]] std::optional<Delivery> Delivered() const { return m_delivered; }
    [[nodiscard]] ImageKind DeliveredKind() const { return m_kind; }

    // Caption, versions, and for a camera on another subnet no upgrade.
    void OnInitDialog();
    void OnUpgradeSystem() { OnUpgrade(ImageKind::System); }
    void OnUpgradeApplication() { OnUpgrade(ImageKind::Application); }

    CameraRecord m_record{};

  signals:
    // Uploading() has turned false.
    void uploadEnded();

  private:
    void OnUpgrade(ImageKind kind);
    void OnUploadChanged();
    void SetSessionRunning(bool running);
    void EndUpload();
    void ShowUploadView(bool shown);
    void ShowMessage(int stringId);

    QVBoxLayout m_layout;
    QGroupBox m_versionGroup;
    QFormLayout m_versionForm;
    QGroupBox m_upgradeGroup;
    QGridLayout m_upgradeGrid;
    QHBoxLayout m_returnRow;
    QLabel m_systemLabel, m_appLabel;
    CIpAddressEdit m_systemVersionEdit, m_appVersionEdit;
    QLabel m_passwordLabel;
    QLineEdit m_passwordEdit;
    QProgressBar m_progressBar;
    QPushButton m_upgradeSystemButton;
    QPushButton m_upgradeApplicationButton;
    QPushButton m_returnButton;
    bool m_ended = false;  // done() was called while the chooser was up
    bool m_atStake = false;
    bool m_sessionRunning = false;
    std::optional<Delivery> m_delivered;
    ImageKind m_kind = ImageKind::System;
    UploadJob::State m_shown = UploadJob::State::Waiting;  // the job's state last shown
    CQueuedDispatcher m_dispatcher{*this};
    std::unique_ptr<CUploadRun> m_upload;  // last: it ends first, while the rest is whole
};

}  // namespace vantrel

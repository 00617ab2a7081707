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

#include "cameras/firmware_image.h"
#include "cameras/upgrade_view.h"
#include "dialogs/ip_address_edit.h"
#include "protocol/camera_record.h"

namespace vantrel {

// "Firmware Version & Upgrade": one camera's two firmware versions and the
// two upgrades. Each upgrade button takes the password, asks for an image,
// tests its mark and runs the upgrade session within the one click; the
// dialog is accepted only when an image went out whole.
class CFirmwareDlg : public QDialog, private IUpgradeView {
    Q_OBJECT
  public:
    explicit CFirmwareDlg(QWidget* parent = nullptr);

    int exec() override;

    // Caption, versions, and for a camera on another subnet no upgrade.
    void OnInitDialog();
    void OnUpgradeSystem() { OnUpgrade(ImageKind::System); }
    void OnUpgradeApplication() { OnUpgrade(ImageKind::Application); }

    CameraRecord m_record{};

  private:
    void OnUpgrade(ImageKind kind);

    void ShowUploadView() override;
    void SetProgress(int percent) override;
    void RepaintNow() override;
    void UndoUploadView() override;
    void ShowMessage(int stringId) override;
    void EndWithOk(Delivery delivery) override;

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
};

}  // namespace vantrel

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <optional>
#include <vector>

#include "cameras/firmware_image.h"
#include "session/camera_session.h"

namespace vantrel {

// "Firmware Version & Upgrade" for several cameras: one image, whose kind
// its mark tells, one password, so many cameras at a time. Each camera's
// row has its own bar and state and follows it through its restart. While
// any upload waits or is under way the dialog does not close; "Stop after
// these" lets those under way finish and starts no more.
class CBatchUpgradeDlg : public QDialog {
    Q_OBJECT
  public:
    // cameras: the selected ones, in list order.
    CBatchUpgradeDlg(CCameraSession& session, std::vector<CameraRecord> cameras,
                     QWidget* parent = nullptr);

    void OnChooseImage();
    void OnUpgrade();
    void OnStopAfterThese();
    void OnSaveReport();
    // The session's uploads changed.
    void UploadsChanged();
    // Refused while the run is not over: a camera left with part of an
    // image may not start again, and one not yet started would be lost.
    void reject() override;

    [[nodiscard]] bool Running() const { return m_started && !m_session.UploadsOver(); }

  private:
    void ShowImage();
    void ShowJobs();
    void EnableButtons();

    CCameraSession& m_session;
    const std::vector<CameraRecord> m_cameras;
    std::vector<int> m_rowOfJob;  // the table row of each upload job
    std::string m_image;
    std::optional<ImageKind> m_kind;
    bool m_started = false;
    bool m_stopped = false;  // "Stop after these" was pressed

    QVBoxLayout m_layout;
    QGridLayout m_form;
    QLabel m_imageLabel, m_kindLabel, m_passwordLabel, m_atOnceLabel;
    QLineEdit m_imageEdit, m_passwordEdit;
    QPushButton m_chooseButton;
    QSpinBox m_atOnceBox;
    QTableWidget m_table;
    QLabel m_summary;
    QHBoxLayout m_buttons;
    QPushButton m_upgradeButton, m_stopButton, m_reportButton, m_closeButton;
};

}  // namespace vantrel

// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/firmware_dlg.h"

#include <fstream>

#include "cameras/network_settings.h"
#include "protocol/shown_text.h"
#include "protocol/text_field.h"
#include "qt/image_file_chooser.h"
#include "qt/message_box.h"
#include "qt/title_room.h"
#include "qt/widget_tags.h"
#include "res/resource_ids.h"
#include "session/camera_action.h"

namespace vantrel {

CFirmwareDlg::CFirmwareDlg(QWidget* parent)
    : QDialog(parent),
      m_versionGroup("Firmware Version"),
      m_upgradeGroup("Firmware Upgrade"),
      m_systemLabel("System Firmware Version"),
      m_appLabel("Application Firmware Version"),
      m_passwordLabel("Password"),
      m_upgradeSystemButton("Upgrade System Firmware"),
      m_upgradeApplicationButton("Upgrade Application Firmware"),
      m_returnButton("Return") {
    setWindowTitle("Firmware Version & Upgrade");
    Tag(this, IDD_FIRMWARE, "firmwareDialog");
    Tag(&m_systemVersionEdit, IDC_SYSTEM_VERSION, "systemVersionEdit");
    Tag(&m_appVersionEdit, IDC_APP_VERSION, "appVersionEdit");
    Tag(&m_passwordLabel, IDC_PASSWORD_LABEL, "passwordLabel");
    Tag(&m_passwordEdit, IDC_FIRMWARE_PASSWORD, "passwordEdit");
    Tag(&m_progressBar, IDC_UPLOAD_PROGRESS, "uploadProgressBar");
    Tag(&m_upgradeSystemButton, IDC_UPGRADE_SYSTEM, "upgradeSystemButton");
    Tag(&m_upgradeApplicationButton, IDC_UPGRADE_APPLICATION, "upgradeApplicationButton");
    Tag(&m_returnButton, ID_CANCEL, "returnButton");

    // A screen reader names each field by its label.
    m_systemLabel.setBuddy(&m_systemVersionEdit);
    m_appLabel.setBuddy(&m_appVersionEdit);
    m_progressBar.setAccessibleName(m_upgradeGroup.title());
    m_systemVersionEdit.setEnabled(false);
    m_appVersionEdit.setEnabled(false);
    m_versionForm.addRow(&m_systemLabel, &m_systemVersionEdit);
    m_versionForm.addRow(&m_appLabel, &m_appVersionEdit);
    m_versionForm.setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    m_versionGroup.setLayout(&m_versionForm);

    // The progress bar lies where the password lies; the label and field
    // keep their room while the bar stands in for them.
    m_passwordEdit.setEchoMode(QLineEdit::Password);
    m_passwordLabel.setBuddy(&m_passwordEdit);
    for (QWidget* widget :
         {static_cast<QWidget*>(&m_passwordLabel), static_cast<QWidget*>(&m_passwordEdit)}) {
        QSizePolicy policy = widget->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        widget->setSizePolicy(policy);
    }
    m_progressBar.setRange(0, 100);
    m_progressBar.setValue(0);
    m_progressBar.hide();
    m_upgradeGrid.addWidget(&m_passwordLabel, 0, 0);
    m_upgradeGrid.addWidget(&m_passwordEdit, 0, 1);
    m_upgradeGrid.addWidget(&m_progressBar, 0, 0, 1, 2);
    m_upgradeGrid.addWidget(&m_upgradeSystemButton, 1, 0, 1, 2);
    m_upgradeGrid.addWidget(&m_upgradeApplicationButton, 2, 0, 1, 2);
    m_upgradeGrid.setHorizontalSpacing(12);
    m_upgradeGroup.setLayout(&m_upgradeGrid);

    m_returnRow.addStretch();
    m_returnRow.addWidget(&m_returnButton);
    m_layout.addWidget(&m_versionGroup);
    m_layout.addWidget(&m_upgradeGroup);
    m_layout.addLayout(&m_returnRow);
    m_layout.setSizeConstraint(QLayout::SetFixedSize);
    setLayout(&m_layout);

    // No button is the default: Enter must not start an upgrade.
    m_upgradeSystemButton.setAutoDefault(false);
    m_upgradeApplicationButton.setAutoDefault(false);
    m_returnButton.setAutoDefault(false);
    connect(&m_upgradeSystemButton, &QPushButton::clicked, this, &CFirmwareDlg::OnUpgradeSystem);
    connect(&m_upgradeApplicationButton, &QPushButton::clicked, this,
            &CFirmwareDlg::OnUpgradeApplication);
    connect(&m_returnButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(this, &QDialog::finished, this, [this] { m_ended = true; });
}

// The upload, if one is still at its last steps, ends with m_upload: what it
// still tells is dropped, and no event loop runs here meanwhile.
CFirmwareDlg::~CFirmwareDlg() = default;

int CFirmwareDlg::exec() {
    OnInitDialog();
    return QDialog::exec();
}

void CFirmwareDlg::reject() {
    if (m_atStake) {
        return;  // the close box and Escape lead here too
    }
    QDialog::reject();
}

void CFirmwareDlg::OnInitDialog() {
    setWindowTitle(QString::fromStdString(ShownText(FieldText(m_record.alias))) +
                   " Firmware Version & Upgrade");
    MakeRoomForTitle(*this, m_versionGroup);
    m_systemVersionEdit.SetAddress(m_record.systemVersion);
    m_appVersionEdit.SetAddress(m_record.appVersion);
    const bool reachable = Reachable(m_record);
    m_passwordEdit.setEnabled(reachable);
    m_upgradeSystemButton.setEnabled(reachable);
    m_upgradeApplicationButton.setEnabled(reachable);
}

void CFirmwareDlg::OnUpgrade(ImageKind kind) {
    const std::string typed = m_passwordEdit.text().toLatin1().toStdString();
    m_passwordEdit.setText(QString::fromLatin1(StorePassword(m_record, typed)));

    m_ended = false;
    const std::optional<QString> path = CImageFileChooser::Choose(this);
    // The dialog may have been ended while the chooser was up: then nothing
    // more starts from it.
    if (!path || m_ended) {
        return;
    }
    std::ifstream image;
    if (const int message = OpenImage(path->toStdString(), kind, image); message != 0) {
        ShowMessage(message);
        return;
    }
    image.close();
    m_delivered.reset();
    m_kind = kind;
    m_shown = UploadJob::State::Waiting;
    SetSessionRunning(true);
    m_upload = std::make_unique<CUploadRun>(m_dispatcher, [this] { OnUploadChanged(); });
    m_upload->Start({m_record}, path->toStdString(), kind, 1);
}

void CFirmwareDlg::OnUploadChanged() {
    const UploadJob& job = m_upload->Jobs().front();
    if (job.state != m_shown) {
        m_shown = job.state;
        switch (job.state) {
            case UploadJob::State::Uploading:
                ShowUploadView(true);
                repaint();
                break;
            case UploadJob::State::Failed:
                // After a failure nothing more goes to the camera: what
                // waited for the upload to end need not wait for the user to
                // read this. The bar stays where it stood under the message.
                EndUpload();
                ShowMessage(job.messageId);
                ShowUploadView(false);
                break;
            case UploadJob::State::Delivered:
            case UploadJob::State::Unconfirmed:
                m_delivered = DeliveryOf(job.state);
                ShowUploadView(false);
                break;
            default:
                ShowUploadView(false);
                break;
        }
    }
    if (job.state == UploadJob::State::Uploading && m_progressBar.value() != job.percent) {
        m_progressBar.setValue(job.percent);
        m_progressBar.repaint();
    }
    if (m_upload->Over()) {
        SetSessionRunning(false);
        EndUpload();
        if (m_delivered) {
            accept();
        }
    }
}

void CFirmwareDlg::SetSessionRunning(bool running) {
    m_sessionRunning = running;
    m_atStake = running;
    const bool reachable = Reachable(m_record);
    m_upgradeSystemButton.setEnabled(!running && reachable);
    m_upgradeApplicationButton.setEnabled(!running && reachable);
    m_returnButton.setEnabled(!running);
}

void CFirmwareDlg::EndUpload() {
    if (m_atStake) {
        m_atStake = false;
        emit uploadEnded();
    }
}

// The progress bar lies where the password lies, and stands in for it while
// the image goes out.
void CFirmwareDlg::ShowUploadView(bool shown) {
    if (shown) {
        m_passwordLabel.hide();
        m_passwordEdit.hide();
        m_progressBar.setValue(0);
        m_progressBar.show();
    } else {
        m_progressBar.hide();
        m_passwordLabel.show();
        m_passwordEdit.show();
    }
}

void CFirmwareDlg::ShowMessage(int stringId) {
    CMessageBox::Show(stringId, this);
}

}  // namespace vantrel

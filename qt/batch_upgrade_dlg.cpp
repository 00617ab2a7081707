// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/batch_upgrade_dlg.h"

#include <QHeaderView>
#include <QProgressBar>

#include "cameras/restart_watch.h"
#include "protocol/address_text.h"
#include "protocol/shown_text.h"
#include "protocol/text_field.h"
#include "qt/file_chooser.h"
#include "qt/message_box.h"
#include "res/string_table.h"
#include "session/camera_action.h"
#include "session/report_file.h"
#include "session/upgrade_report.h"

namespace vantrel {

namespace {

enum Column { ID, NAME, VERSION, PROGRESS, STATE, COLUMNS };

constexpr int MOST_AT_ONCE = 16;
constexpr int DEFAULT_AT_ONCE = 4;

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

std::string VersionText(const CameraRecord& camera) {
    std::string text = DottedQuad(camera.systemVersion);
    if (camera.appVersion != 0) {
        text += " / " + DottedQuad(camera.appVersion);
    }
    return text;
}

}  // namespace

CBatchUpgradeDlg::CBatchUpgradeDlg(CCameraSession& session, std::vector<CameraRecord> cameras,
                                   QWidget* parent)
    : QDialog(parent),
      m_session(session),
      m_cameras(std::move(cameras)),
      m_imageLabel("Image"),
      m_passwordLabel("Password"),
      m_atOnceLabel("Cameras at a time"),
      m_chooseButton("Choose…"),
      m_table(static_cast<int>(m_cameras.size()), COLUMNS),
      m_upgradeButton("Upgrade"),
      m_stopButton("Stop after these"),
      m_reportButton("Save report…"),
      m_closeButton("Close") {
    setObjectName("batchUpgradeDialog");
    setWindowTitle("Firmware Version & Upgrade: " + QString::number(m_cameras.size()) + " cameras");
    m_imageEdit.setObjectName("imageEdit");
    m_kindLabel.setObjectName("imageKind");
    m_chooseButton.setObjectName("chooseImageButton");
    m_passwordEdit.setObjectName("passwordEdit");
    m_atOnceBox.setObjectName("atOnceBox");
    m_table.setObjectName("uploadTable");
    m_summary.setObjectName("uploadSummary");
    m_upgradeButton.setObjectName("upgradeButton");
    m_stopButton.setObjectName("stopAfterTheseButton");
    m_reportButton.setObjectName("saveReportButton");
    m_closeButton.setObjectName("closeButton");

    m_imageEdit.setReadOnly(true);
    m_imageLabel.setBuddy(&m_chooseButton);
    m_passwordEdit.setEchoMode(QLineEdit::Password);
    m_passwordLabel.setBuddy(&m_passwordEdit);
    m_atOnceBox.setRange(1, MOST_AT_ONCE);
    m_atOnceBox.setValue(DEFAULT_AT_ONCE);
    m_atOnceLabel.setBuddy(&m_atOnceBox);
    m_form.addWidget(&m_imageLabel, 0, 0);
    m_form.addWidget(&m_imageEdit, 0, 1);
    m_form.addWidget(&m_chooseButton, 0, 2);
    m_form.addWidget(&m_kindLabel, 1, 1, 1, 2);
    m_form.addWidget(&m_passwordLabel, 2, 0);
    m_form.addWidget(&m_passwordEdit, 2, 1);
    m_form.addWidget(&m_atOnceLabel, 3, 0);
    m_form.addWidget(&m_atOnceBox, 3, 1, Qt::AlignLeft);
    m_form.setColumnStretch(1, 1);
    connect(&m_chooseButton, &QPushButton::clicked, this, &CBatchUpgradeDlg::OnChooseImage);

    m_table.setHorizontalHeaderLabels({"ID", "Name", "Version", "Progress", "State"});
    m_table.setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table.setSelectionMode(QAbstractItemView::NoSelection);
    m_table.verticalHeader()->hide();
    m_table.verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    m_table.horizontalHeader()->setStretchLastSection(true);
    m_table.setMinimumSize(820, 260);
    for (int row = 0; row < static_cast<int>(m_cameras.size()); ++row) {
        const CameraRecord& camera = m_cameras[row];
        const std::string cells[] = {ShownText(FieldText(camera.id)),
                                     ShownText(FieldText(camera.alias)), VersionText(camera)};
        for (int column = ID; column <= VERSION; ++column) {
            m_table.setItem(row, column,
                            std::make_unique<QTableWidgetItem>(Text(cells[column])).release());
        }
        auto bar = std::make_unique<QProgressBar>();
        bar->setRange(0, 100);
        bar->setValue(0);
        bar->setAccessibleName(Text(cells[ID]));
        m_table.setCellWidget(row, PROGRESS, bar.release());
        // Only a camera on this computer's subnet takes an upload.
        m_table.setItem(row, STATE,
                        std::make_unique<QTableWidgetItem>(
                            Reachable(camera) ? "" : "on another subnet: set its network first")
                            .release());
    }
    for (int column = ID; column < STATE; ++column) {
        m_table.resizeColumnToContents(column);
    }
    m_table.setColumnWidth(PROGRESS, 140);
    m_summary.setWordWrap(true);

    for (QPushButton* button : {&m_upgradeButton, &m_stopButton, &m_reportButton, &m_closeButton}) {
        button->setAutoDefault(false);
    }
    connect(&m_upgradeButton, &QPushButton::clicked, this, &CBatchUpgradeDlg::OnUpgrade);
    connect(&m_stopButton, &QPushButton::clicked, this, &CBatchUpgradeDlg::OnStopAfterThese);
    connect(&m_reportButton, &QPushButton::clicked, this, &CBatchUpgradeDlg::OnSaveReport);
    connect(&m_closeButton, &QPushButton::clicked, this, &QDialog::reject);
    m_buttons.addStretch();
    for (QPushButton* button : {&m_upgradeButton, &m_stopButton, &m_reportButton, &m_closeButton}) {
        m_buttons.addWidget(button);
    }
    m_layout.addLayout(&m_form);
    m_layout.addWidget(&m_table);
    m_layout.addWidget(&m_summary);
    m_layout.addLayout(&m_buttons);
    setLayout(&m_layout);
    EnableButtons();
}

void CBatchUpgradeDlg::OnChooseImage() {
    const std::optional<QString> path = CFileChooser::Open(this, "Bin Files (*.bin)");
    if (!path || m_started) {
        return;
    }
    m_image = path->toStdString();
    std::string error;
    m_kind = KindOfImage(m_image, error);
    m_imageEdit.setText(*path);
    m_kindLabel.setText(
        m_kind ? QString(*m_kind == ImageKind::System ? "system firmware" : "application firmware")
               : Text(error));
    EnableButtons();
}

void CBatchUpgradeDlg::OnUpgrade() {
    if (!m_kind || m_started || !m_session.UploadsOver()) {
        return;
    }
    const std::string typed = m_passwordEdit.text().toLatin1().toStdString();
    m_passwordEdit.clear();
    BatchCameras run = UploadableCameras(m_cameras, typed);
    m_rowOfJob = std::move(run.rows);
    m_started = true;
    EnableButtons();
    m_session.Upgrade(std::move(run.cameras), m_image, *m_kind,
                      static_cast<unsigned>(m_atOnceBox.value()), RESTART_WAIT);
    ShowJobs();
}

void CBatchUpgradeDlg::OnStopAfterThese() {
    m_stopped = true;
    m_session.StartNoMoreUploads();
    EnableButtons();
}

void CBatchUpgradeDlg::UploadsChanged() {
    if (m_started) {
        ShowJobs();
    }
}

void CBatchUpgradeDlg::ShowJobs() {
    const std::vector<UploadJob>& jobs = m_session.Uploads();
    for (std::size_t job = 0; job < jobs.size() && job < m_rowOfJob.size(); ++job) {
        const int row = m_rowOfJob[job];
        auto& bar = *static_cast<QProgressBar*>(m_table.cellWidget(row, PROGRESS));
        const int percent = ShownPercent(jobs[job]);
        if (bar.value() != percent) {
            bar.setValue(percent);
        }
        const QString state = Text(StateText(jobs[job]));
        if (m_table.item(row, STATE)->text() != state) {
            m_table.item(row, STATE)->setText(state);
        }
    }
    m_summary.setText(Text(RunSummaryText(jobs)));
    EnableButtons();
}

void CBatchUpgradeDlg::EnableButtons() {
    const bool running = Running();
    const bool reachable = std::any_of(m_cameras.begin(), m_cameras.end(), Reachable);
    m_upgradeButton.setEnabled(!m_started && m_kind.has_value() && reachable);
    m_chooseButton.setEnabled(!m_started);
    m_passwordEdit.setEnabled(!m_started);
    m_atOnceBox.setEnabled(!m_started);
    m_stopButton.setEnabled(running && !m_stopped);
    m_reportButton.setEnabled(m_started && !running);
    m_closeButton.setEnabled(!running);
}

void CBatchUpgradeDlg::reject() {
    if (Running()) {
        return;  // the close box and Escape lead here too
    }
    QDialog::reject();
}

void CBatchUpgradeDlg::OnSaveReport() {
    const std::optional<QString> path =
        CFileChooser::Save(this, "upgrade-report.json", "JSON (*.json)");
    if (!path) {
        return;
    }
    std::string error;
    const std::string report =
        UpgradeReport(m_image, *m_kind, m_session.Uploads(), UpgradeRunEnd{m_stopped, false});
    if (!WriteReportFile(path->toStdString(), report, error)) {
        CMessageBox::Show(IDS_FILE_SAVE_FAILED, this);
    }
}

}  // namespace vantrel

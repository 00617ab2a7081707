// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/site_dlg.h"

#include <QHeaderView>

#include "protocol/text_field.h"
#include "qt/file_chooser.h"
#include "qt/message_box.h"
#include "res/string_table.h"
#include "session/plan_report.h"
#include "session/report_file.h"

namespace vantrel {

namespace {

enum Column { ID, NAME, NOW, AFTER, CHECK, COLUMNS };

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

std::string Typed(const QLineEdit& edit) {
    return edit.text().trimmed().toStdString();
}

}  // namespace

CSiteDlg::CSiteDlg(CCameraSession& session, std::vector<CameraRecord> cameras, QWidget* parent)
    : QDialog(parent),
      m_session(session),
      m_cameras(std::move(cameras)),
      m_plan(m_session.Records(), m_session.HostInterfaces()),
      m_rangeChoice("Consecutive addresses"),
      m_dhcpChoice("DHCP for all"),
      m_planChoice("From a plan file"),
      m_firstLabel("First IP Address"),
      m_maskLabel("Subnet Mask"),
      m_gatewayLabel("Gateway"),
      m_dnsLabel("DNS Server"),
      m_passwordLabel("Password"),
      m_loadButton("Load plan…"),
      m_table(0, COLUMNS),
      m_applyButton("Apply"),
      m_reportButton("Save report…"),
      m_closeButton("Close"),
      m_asking(m_dispatcher, m_session.Neighbours(),
               [this](const std::vector<std::uint32_t>& asked,
                      const std::optional<std::vector<AddressHolder>>& holders) {
                   m_plan.Answered(asked, holders);
                   AskTheLink();
                   ShowRows();
               }) {
    setObjectName("siteDialog");
    setWindowTitle("Network Settings: " + QString::number(m_cameras.size()) + " cameras");
    m_rangeChoice.setObjectName("rangeChoice");
    m_dhcpChoice.setObjectName("dhcpChoice");
    m_planChoice.setObjectName("planChoice");
    m_firstEdit.setObjectName("firstAddressEdit");
    m_maskEdit.setObjectName("maskEdit");
    m_gatewayEdit.setObjectName("gatewayEdit");
    m_dnsEdit.setObjectName("dnsEdit");
    m_loadButton.setObjectName("loadPlanButton");
    m_planName.setObjectName("planName");
    m_passwordEdit.setObjectName("passwordEdit");
    m_table.setObjectName("planTable");
    m_notes.setObjectName("planNotes");
    m_applyButton.setObjectName("applyButton");
    m_reportButton.setObjectName("saveReportButton");
    m_closeButton.setObjectName("closeButton");

    for (auto [label, edit] : {std::pair{&m_firstLabel, &m_firstEdit},
                               {&m_maskLabel, &m_maskEdit},
                               {&m_gatewayLabel, &m_gatewayEdit},
                               {&m_dnsLabel, &m_dnsEdit}}) {
        label->setBuddy(edit);
        connect(edit, &QLineEdit::textChanged, this, &CSiteDlg::OnFormChanged);
    }
    for (QLineEdit* edit : {&m_maskEdit, &m_gatewayEdit, &m_dnsEdit}) {
        edit->setPlaceholderText("each camera's own");
    }
    m_passwordEdit.setEchoMode(QLineEdit::Password);
    m_passwordLabel.setBuddy(&m_passwordEdit);
    m_rangeChoice.setChecked(true);
    m_form.addWidget(&m_rangeChoice, 0, 0, 1, 4);
    m_form.addWidget(&m_firstLabel, 1, 0);
    m_form.addWidget(&m_firstEdit, 1, 1);
    m_form.addWidget(&m_maskLabel, 1, 2);
    m_form.addWidget(&m_maskEdit, 1, 3);
    m_form.addWidget(&m_gatewayLabel, 2, 0);
    m_form.addWidget(&m_gatewayEdit, 2, 1);
    m_form.addWidget(&m_dnsLabel, 2, 2);
    m_form.addWidget(&m_dnsEdit, 2, 3);
    m_form.addWidget(&m_dhcpChoice, 3, 0, 1, 4);
    m_form.addWidget(&m_planChoice, 4, 0);
    m_form.addWidget(&m_loadButton, 4, 1);
    m_form.addWidget(&m_planName, 4, 2, 1, 3);
    m_form.addWidget(&m_passwordLabel, 5, 0);
    m_form.addWidget(&m_passwordEdit, 5, 1);
    m_form.setColumnStretch(4, 1);  // the fields stay together on the left
    for (QRadioButton* choice : {&m_rangeChoice, &m_dhcpChoice, &m_planChoice}) {
        connect(choice, &QRadioButton::toggled, this, [this](bool on) {
            if (on) {
                OnFormChanged();
            }
        });
    }
    connect(&m_loadButton, &QPushButton::clicked, this, &CSiteDlg::OnLoadPlan);

    m_table.setHorizontalHeaderLabels({"ID", "Name", "Now", "After", "Check"});
    m_table.setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table.setSelectionMode(QAbstractItemView::NoSelection);
    m_table.verticalHeader()->hide();
    m_table.verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    m_table.horizontalHeader()->setStretchLastSection(true);
    m_table.setMinimumSize(820, 280);
    m_notes.setWordWrap(true);

    m_applyButton.setEnabled(false);
    m_reportButton.setEnabled(false);
    for (QPushButton* button : {&m_applyButton, &m_reportButton, &m_closeButton}) {
        button->setAutoDefault(false);
    }
    connect(&m_applyButton, &QPushButton::clicked, this, &CSiteDlg::OnApply);
    connect(&m_reportButton, &QPushButton::clicked, this, &CSiteDlg::OnSaveReport);
    connect(&m_closeButton, &QPushButton::clicked, this, &QDialog::reject);
    m_buttons.addStretch();
    m_buttons.addWidget(&m_applyButton);
    m_buttons.addWidget(&m_reportButton);
    m_buttons.addWidget(&m_closeButton);

    m_layout.addLayout(&m_form);
    m_layout.addWidget(&m_table);
    m_layout.addWidget(&m_notes);
    m_layout.addLayout(&m_buttons);
    setLayout(&m_layout);
    m_firstEdit.setFocus();  // the first thing to type
    Check();
}

void CSiteDlg::OnFormChanged() {
    if (!m_sent) {
        Check();
    }
}

void CSiteDlg::Check() {
    const bool range = m_rangeChoice.isChecked();
    for (QWidget* field : {&m_firstEdit, &m_maskEdit, &m_gatewayEdit, &m_dnsEdit}) {
        field->setEnabled(range);
    }
    std::vector<std::string> ids;
    for (const CameraRecord& camera : m_cameras) {
        ids.emplace_back(FieldText(camera.id));
    }
    if (range) {
        m_plan.Range(ids, Typed(m_firstEdit), Typed(m_maskEdit), Typed(m_gatewayEdit),
                     Typed(m_dnsEdit));
    } else if (m_dhcpChoice.isChecked()) {
        m_plan.Plan(DhcpPlan(ids));
    } else {
        m_plan.Plan(m_loaded);
    }
    AskTheLink();
    ShowRows();
}

void CSiteDlg::AskTheLink() {
    if (std::vector<std::uint32_t> ask = m_plan.AddressesToAsk(); !ask.empty()) {
        m_asking.Ask(std::move(ask));
    }
}

void CSiteDlg::OnLoadPlan() {
    const std::optional<QString> path = CFileChooser::Open(this, "Plans (*.csv);;All files (*)");
    if (!path) {
        return;
    }
    m_loaded = ReadPlanFile(path->toStdString());
    m_planName.setText(*path);
    if (m_planChoice.isChecked()) {
        Check();
    } else {
        m_planChoice.setChecked(true);  // checks it
    }
}

void CSiteDlg::ShowRows() {
    const std::vector<SitePlanRow> rows = m_plan.Rows();
    m_table.setRowCount(static_cast<int>(rows.size()));
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        const SitePlanRow& row = rows[i];
        const std::string cells[COLUMNS] = {row.id, row.name, row.now, row.after, row.check};
        for (int column = 0; column < COLUMNS; ++column) {
            auto cell = std::make_unique<QTableWidgetItem>(Text(cells[column]));
            if (column == CHECK && row.problem) {
                cell->setForeground(palette().color(QPalette::Active, QPalette::Link));
                cell->setToolTip(Text(row.check));
            }
            m_table.setItem(i, column, cell.release());
        }
    }
    for (int column = ID; column < CHECK; ++column) {
        m_table.resizeColumnToContents(column);
    }
    QStringList notes;
    for (const std::string& note : m_plan.Notes()) {
        notes << Text(note);
    }
    m_notes.setText(notes.join('\n'));
    m_notes.setVisible(!notes.isEmpty());
    m_applyButton.setEnabled(!m_sent && m_plan.Sendable());
}

void CSiteDlg::OnApply() {
    if (m_sent || !m_plan.Sendable()) {
        return;
    }
    m_sent = true;
    for (QWidget* field : std::initializer_list<QWidget*>{
             &m_rangeChoice, &m_dhcpChoice, &m_planChoice, &m_firstEdit, &m_maskEdit,
             &m_gatewayEdit, &m_dnsEdit, &m_loadButton, &m_passwordEdit, &m_applyButton}) {
        field->setEnabled(false);
    }
    m_table.setHorizontalHeaderItem(CHECK, std::make_unique<QTableWidgetItem>("Result").release());
    const std::string password = m_passwordEdit.text().toLatin1().toStdString();
    m_passwordEdit.clear();
    m_session.ApplyPlan(m_plan.Checked().changes, password);
    if (m_session.Plan()) {
        ShowOutcomes(*m_session.Plan());
    }
}

void CSiteDlg::PlanChanged(const CPlanRollout& rollout, bool ended) {
    if (!m_sent) {
        return;
    }
    if (ended) {
        m_rollout = rollout;
        m_reportButton.setEnabled(true);
    }
    ShowOutcomes(rollout);
}

// Row i is camera i of the plan: a plan is sent whole or not at all.
void CSiteDlg::ShowOutcomes(const CPlanRollout& rollout) {
    const std::vector<CPlanRollout::Camera>& cameras = rollout.Cameras();
    for (int i = 0; i < static_cast<int>(cameras.size()) && i < m_table.rowCount(); ++i) {
        m_table.setItem(
            i, CHECK,
            std::make_unique<QTableWidgetItem>(Text(std::string(OutcomeText(cameras[i].outcome))))
                .release());
    }
    m_notes.setText(Text(PlanStatusText(rollout, m_rollout.has_value())));
    m_notes.show();
}

void CSiteDlg::OnSaveReport() {
    if (!m_rollout) {
        return;
    }
    const std::optional<QString> path =
        CFileChooser::Save(this, "plan-report.csv", "CSV (*.csv);;JSON (*.json)");
    if (!path) {
        return;
    }
    std::string error;
    const std::string where = path->toStdString();
    if (!WriteReportFile(where, PlanReport(*m_rollout, where), error)) {
        CMessageBox::Show(IDS_FILE_SAVE_FAILED, this);
    }
}

}  // namespace vantrel

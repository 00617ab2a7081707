// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/site_dlg.h"

#include <commctrl.h>

#include "protocol/text_field.h"
#include "res/resource_ids.h"
#include "res/string_table.h"
#include "session/plan_report.h"
#include "session/report_file.h"
#include "win32/file_chooser.h"
#include "win32/ip_address_field.h"
#include "win32/message_box.h"
#include "win32/wide_text.h"

namespace vantrel {

namespace {

enum Column { ID, NAME, NOW, AFTER, CHECK };

constexpr int ADDRESS_FIELDS[] = {IDC_SITE_FIRST, IDC_SITE_MASK, IDC_SITE_GATEWAY, IDC_SITE_DNS};

}  // namespace

CSiteDlg::CSiteDlg(CCameraSession& session, std::vector<CameraRecord> cameras)
    : CDialog(IDD_SITE),
      m_session(session),
      m_cameras(std::move(cameras)),
      m_plan(m_session.Records(), m_session.HostInterfaces()),
      m_asking(m_dispatcher, m_session.Neighbours(),
               [this](const std::vector<std::uint32_t>& asked,
                      const std::optional<std::vector<AddressHolder>>& holders) {
                   m_plan.Answered(asked, holders);
                   AskTheLink();
                   ShowRows();
               }) {}

bool CSiteDlg::OnInitDialog() {
    SetWindowTextW(
        Handle(),
        (L"Network Settings: " + std::to_wstring(m_cameras.size()) + L" cameras").c_str());
    m_table.Attach(Item(IDC_PLAN_TABLE), {L"ID", L"Name", L"Now", L"After", L"Check"});
    CheckRadioButton(Handle(), IDC_SITE_RANGE, IDC_SITE_PLAN, IDC_SITE_RANGE);
    m_ready = true;
    Check();
    SetFocus(Item(IDC_SITE_FIRST));  // the first thing to type
    return false;
}

bool CSiteDlg::OnCommand(int id, int code) {
    switch (id) {
        case IDC_SITE_RANGE:
        case IDC_SITE_DHCP:
        case IDC_SITE_PLAN:
            if (code == BN_CLICKED) {
                Check();
            }
            return true;
        case IDC_SITE_FIRST:
        case IDC_SITE_MASK:
        case IDC_SITE_GATEWAY:
        case IDC_SITE_DNS:
            if (code == EN_CHANGE) {
                Check();
            }
            return true;
        case IDC_LOAD_PLAN:
            OnLoadPlan();
            return true;
        case IDC_APPLY:
            OnApply();
            return true;
        case IDC_SAVE_REPORT:
            OnSaveReport();
            return true;
        case IDOK:  // Enter sends nothing
            return true;
        case IDCANCEL:
            EndDialog(IDCANCEL);
            return true;
        default:
            return false;
    }
}

std::string CSiteDlg::AddressText(int field) const {
    return SendMessageW(Item(field), IPM_ISBLANK, 0, 0) != 0 ? std::string()
                                                             : CIpAddressField::Text(Item(field));
}

void CSiteDlg::Check() {
    if (!m_ready || m_sent) {
        return;
    }
    const bool range = IsDlgButtonChecked(Handle(), IDC_SITE_RANGE) == BST_CHECKED;
    for (const int field : ADDRESS_FIELDS) {
        EnableWindow(Item(field), range ? TRUE : FALSE);
    }
    std::vector<std::string> ids;
    for (const CameraRecord& camera : m_cameras) {
        ids.emplace_back(FieldText(camera.id));
    }
    if (range) {
        m_plan.Range(ids, AddressText(IDC_SITE_FIRST), AddressText(IDC_SITE_MASK),
                     AddressText(IDC_SITE_GATEWAY), AddressText(IDC_SITE_DNS));
    } else if (IsDlgButtonChecked(Handle(), IDC_SITE_DHCP) == BST_CHECKED) {
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
    const std::optional<std::string> path = CFileChooser::Open(
        Handle(), CFileChooser::Filter({{L"Plans (*.csv)", L"*.csv"}, {L"All files", L"*.*"}}));
    if (!path) {
        return;
    }
    m_loaded = ReadPlanFile(*path);
    SetItemText(IDC_PLAN_NAME, Wide(*path));
    CheckRadioButton(Handle(), IDC_SITE_RANGE, IDC_SITE_PLAN, IDC_SITE_PLAN);
    Check();
}

void CSiteDlg::ShowRows() {
    const std::vector<SitePlanRow> rows = m_plan.Rows();
    m_table.SetRowCount(static_cast<int>(rows.size()));
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        const SitePlanRow& row = rows[i];
        const std::string cells[] = {row.id, row.name, row.now, row.after, row.check};
        for (int column = ID; column <= CHECK; ++column) {
            m_table.SetCell(i, column, Wide(cells[column]));
        }
    }
    m_table.FitColumns();
    std::string notes;
    for (const std::string& note : m_plan.Notes()) {
        notes += (notes.empty() ? "" : "\r\n") + note;
    }
    SetItemText(IDC_PLAN_NOTES, Wide(notes));
    EnableWindow(Item(IDC_APPLY), !m_sent && m_plan.Sendable() ? TRUE : FALSE);
}

void CSiteDlg::OnApply() {
    if (m_sent || !m_plan.Sendable()) {
        return;
    }
    m_sent = true;
    for (const int id :
         {IDC_SITE_RANGE, IDC_SITE_DHCP, IDC_SITE_PLAN, IDC_SITE_FIRST, IDC_SITE_MASK,
          IDC_SITE_GATEWAY, IDC_SITE_DNS, IDC_LOAD_PLAN, IDC_SITE_PASSWORD, IDC_APPLY}) {
        EnableWindow(Item(id), FALSE);
    }
    m_table.SetHeading(CHECK, L"Result");
    const std::string password = Latin1(ItemText(IDC_SITE_PASSWORD));
    SetItemText(IDC_SITE_PASSWORD, L"");
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
        EnableWindow(Item(IDC_SAVE_REPORT), TRUE);
    }
    ShowOutcomes(rollout);
}

// Row i is camera i of the plan: a plan is sent whole or not at all.
void CSiteDlg::ShowOutcomes(const CPlanRollout& rollout) {
    const std::vector<CPlanRollout::Camera>& cameras = rollout.Cameras();
    for (int i = 0; i < static_cast<int>(cameras.size()) && i < m_table.Rows(); ++i) {
        m_table.SetCell(i, CHECK, Wide(std::string(OutcomeText(cameras[i].outcome))));
    }
    SetItemText(IDC_PLAN_NOTES, Wide(PlanStatusText(rollout, m_rollout.has_value())));
}

void CSiteDlg::OnSaveReport() {
    if (!m_rollout) {
        return;
    }
    const std::optional<std::string> path = CFileChooser::Save(
        Handle(), L"plan-report.csv",
        CFileChooser::Filter({{L"CSV (*.csv)", L"*.csv"}, {L"JSON (*.json)", L"*.json"}}), L"csv");
    if (!path) {
        return;
    }
    std::string error;
    if (!WriteReportFile(*path, PlanReport(*m_rollout, *path), error)) {
        CMessageBox::Show(IDS_FILE_SAVE_FAILED, Handle());
    }
}

}  // namespace vantrel

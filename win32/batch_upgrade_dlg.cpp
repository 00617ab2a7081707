// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/batch_upgrade_dlg.h"

#include <commctrl.h>

#include <algorithm>

#include "cameras/restart_watch.h"
#include "protocol/address_text.h"
#include "protocol/shown_text.h"
#include "protocol/text_field.h"
#include "res/resource_ids.h"
#include "res/string_table.h"
#include "session/camera_action.h"
#include "session/report_file.h"
#include "session/upgrade_report.h"
#include "win32/file_chooser.h"
#include "win32/message_box.h"
#include "win32/wide_text.h"

namespace vantrel {

namespace {

enum Column { ID, NAME, VERSION, PROGRESS, STATE };

constexpr int MOST_AT_ONCE = 16;
constexpr int DEFAULT_AT_ONCE = 4;

std::string VersionText(const CameraRecord& camera) {
    std::string text = DottedQuad(camera.systemVersion);
    if (camera.appVersion != 0) {
        text += " / " + DottedQuad(camera.appVersion);
    }
    return text;
}

}  // namespace

CBatchUpgradeDlg::CBatchUpgradeDlg(CCameraSession& session, std::vector<CameraRecord> cameras)
    : CDialog(IDD_BATCH_UPGRADE),
      m_session(session),
      m_cameras(std::move(cameras)),
      m_percent(m_cameras.size(), -1) {}

bool CBatchUpgradeDlg::OnInitDialog() {
    SetWindowTextW(Handle(), (L"Firmware Version & Upgrade: " + std::to_wstring(m_cameras.size()) +
                              L" cameras")
                                 .c_str());
    SendMessageW(Item(IDC_AT_ONCE_SPIN), UDM_SETRANGE32, 1, MOST_AT_ONCE);
    SendMessageW(Item(IDC_AT_ONCE_SPIN), UDM_SETPOS32, 0, DEFAULT_AT_ONCE);
    m_table.Attach(Item(IDC_UPLOAD_TABLE), {L"ID", L"Name", L"Version", L"Progress", L"State"});
    m_table.SetRowCount(static_cast<int>(m_cameras.size()));
    for (int row = 0; row < static_cast<int>(m_cameras.size()); ++row) {
        const CameraRecord& camera = m_cameras[row];
        m_table.SetCell(row, ID, Wide(ShownText(FieldText(camera.id))));
        m_table.SetCell(row, NAME, Wide(ShownText(FieldText(camera.alias))));
        m_table.SetCell(row, VERSION, Wide(VersionText(camera)));
        // Only a camera on this computer's subnet takes an upload.
        if (!Reachable(camera)) {
            m_table.SetCell(row, STATE, L"on another subnet: set its network first");
        }
    }
    m_table.FitColumns();
    EnableButtons();
    return true;
}

bool CBatchUpgradeDlg::OnCommand(int id, int /*code*/) {
    switch (id) {
        case IDC_CHOOSE_IMAGE:
            OnChooseImage();
            return true;
        case IDC_START_UPGRADE:
            OnUpgrade();
            return true;
        case IDC_STOP_AFTER:
            OnStopAfterThese();
            return true;
        case IDC_SAVE_REPORT:
            OnSaveReport();
            return true;
        case IDOK:  // Enter starts no upgrade
            return true;
        case IDCANCEL:
            // The close box and Escape too: refused while the run goes on,
            // for a camera left with part of an image may not start again.
            if (!Running()) {
                EndDialog(IDCANCEL);
            }
            return true;
        default:
            return false;
    }
}

bool CBatchUpgradeDlg::OnMessage(UINT message, WPARAM /*wParam*/, LPARAM lParam) {
    if (message != WM_NOTIFY) {
        return false;
    }
    auto& header = *reinterpret_cast<NMHDR*>(lParam);
    if (header.idFrom != IDC_UPLOAD_TABLE || header.code != NM_CUSTOMDRAW) {
        return false;
    }
    SetResult(DrawProgress(*reinterpret_cast<NMLVCUSTOMDRAW*>(lParam)));
    return true;
}

LRESULT CBatchUpgradeDlg::DrawProgress(NMLVCUSTOMDRAW& draw) {
    switch (draw.nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
            return CDRF_NOTIFYITEMDRAW;
        case CDDS_ITEMPREPAINT:
            return CDRF_NOTIFYSUBITEMDRAW;
        case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
            break;
        default:
            return CDRF_DODEFAULT;
    }
    const auto row = static_cast<std::size_t>(draw.nmcd.dwItemSpec);
    if (draw.iSubItem != PROGRESS || row >= m_percent.size() || m_percent[row] < 0) {
        return CDRF_DODEFAULT;
    }
    RECT cell{};
    cell.top = draw.iSubItem;
    cell.left = LVIR_BOUNDS;
    SendMessageW(m_table.Handle(), LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&cell));
    FillRect(draw.nmcd.hdc, &cell, GetSysColorBrush(COLOR_WINDOW));
    InflateRect(&cell, -2, -2);
    FrameRect(draw.nmcd.hdc, &cell, GetSysColorBrush(COLOR_BTNSHADOW));
    RECT done = cell;
    InflateRect(&done, -1, -1);
    done.right = done.left + (done.right - done.left) * m_percent[row] / 100;
    FillRect(draw.nmcd.hdc, &done, GetSysColorBrush(COLOR_HIGHLIGHT));
    return CDRF_SKIPDEFAULT;
}

void CBatchUpgradeDlg::OnChooseImage() {
    const std::optional<std::string> path =
        CFileChooser::Open(Handle(), CFileChooser::Filter({{L"Bin Files (*.bin)", L"*.bin"}}));
    if (!path || m_started) {
        return;
    }
    m_image = *path;
    std::string error;
    m_kind = KindOfImage(m_image, error);
    SetItemText(IDC_IMAGE_PATH, Wide(*path));
    SetItemText(IDC_IMAGE_KIND, m_kind ? (*m_kind == ImageKind::System ? L"system firmware"
                                                                       : L"application firmware")
                                       : Wide(error));
    EnableButtons();
}

void CBatchUpgradeDlg::OnUpgrade() {
    if (!m_kind || m_started || !m_session.UploadsOver()) {
        return;
    }
    const std::string typed = Latin1(ItemText(IDC_BATCH_PASSWORD));
    SetItemText(IDC_BATCH_PASSWORD, L"");
    const auto atOnce = static_cast<unsigned>(std::clamp<LRESULT>(
        SendMessageW(Item(IDC_AT_ONCE_SPIN), UDM_GETPOS32, 0, 0), 1, MOST_AT_ONCE));
    BatchCameras run = UploadableCameras(m_cameras, typed);
    m_rowOfJob = std::move(run.rows);
    m_started = true;
    EnableButtons();
    m_session.Upgrade(std::move(run.cameras), m_image, *m_kind, atOnce, RESTART_WAIT);
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
        const int percent = ShownPercent(jobs[job]);
        if (m_percent[row] != percent) {
            m_percent[row] = percent;
            m_table.SetCell(row, PROGRESS, std::to_wstring(percent) + L" %");
        }
        m_table.SetCell(row, STATE, Wide(StateText(jobs[job])));
    }
    SetItemText(IDC_UPLOAD_SUMMARY, Wide(RunSummaryText(jobs)));
    EnableButtons();
}

void CBatchUpgradeDlg::EnableButtons() {
    const bool running = Running();
    const bool reachable = std::any_of(m_cameras.begin(), m_cameras.end(), Reachable);
    const auto enable = [this](int id, bool on) { EnableWindow(Item(id), on ? TRUE : FALSE); };
    enable(IDC_START_UPGRADE, !m_started && m_kind.has_value() && reachable);
    enable(IDC_CHOOSE_IMAGE, !m_started);
    enable(IDC_BATCH_PASSWORD, !m_started);
    enable(IDC_AT_ONCE, !m_started);
    enable(IDC_AT_ONCE_SPIN, !m_started);
    enable(IDC_STOP_AFTER, running && !m_stopped);
    enable(IDC_SAVE_REPORT, m_started && !running);
    enable(IDCANCEL, !running);
}

void CBatchUpgradeDlg::OnSaveReport() {
    const std::optional<std::string> path =
        CFileChooser::Save(Handle(), L"upgrade-report.json",
                           CFileChooser::Filter({{L"JSON (*.json)", L"*.json"}}), L"json");
    if (!path) {
        return;
    }
    std::string error;
    const std::string report =
        UpgradeReport(m_image, *m_kind, m_session.Uploads(), UpgradeRunEnd{m_stopped, false});
    if (!WriteReportFile(*path, report, error)) {
        CMessageBox::Show(IDS_FILE_SAVE_FAILED, Handle());
    }
}

}  // namespace vantrel

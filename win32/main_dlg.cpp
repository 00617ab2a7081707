// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/main_dlg.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "cameras/camera_line.h"
#include "res/resource_ids.h"
#include "res/string_table.h"
#include "session/camera_action.h"
#include "session/camera_rows.h"
#include "session/report_file.h"
#include "win32/batch_upgrade_dlg.h"
#include "win32/file_chooser.h"
#include "win32/firmware_dlg.h"
#include "win32/message_box.h"
#include "win32/network_dlg.h"
#include "win32/site_dlg.h"
#include "win32/wide_text.h"

namespace vantrel {

namespace {

// The records the context menu was opened on; its commands act on these
// copies, whatever happens to the list meanwhile.
std::vector<CameraRecord> g_selected;

constexpr wchar_t WHY_NOT_NOW[] =
    L"An image is on its way to a camera; a camera left with part of one may not start again.";

void OpenInBrowser(const std::wstring& address) {
    ShellExecuteW(nullptr, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

HICON LoadProgramIcon(int metricX, int metricY) {
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_MAIN),
                                         IMAGE_ICON, GetSystemMetrics(metricX),
                                         GetSystemMetrics(metricY), LR_DEFAULTCOLOR));
}

// The text on the clipboard as Unicode text; false when the clipboard is
// another program's just now. The memory is the clipboard's once it took it.
bool PutOnClipboard(HWND owner, const std::wstring& text) {
    if (OpenClipboard(owner) == FALSE) {
        return false;
    }
    struct Closer {
        ~Closer() { CloseClipboard(); }
    } closing;
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    std::unique_ptr<void, decltype(&GlobalFree)> memory(GlobalAlloc(GMEM_MOVEABLE, bytes),
                                                        &GlobalFree);
    if (!memory || EmptyClipboard() == FALSE) {
        return false;
    }
    if (void* at = GlobalLock(memory.get())) {
        std::memcpy(at, text.c_str(), bytes);
        GlobalUnlock(memory.get());
    }
    if (SetClipboardData(CF_UNICODETEXT, memory.get()) == nullptr) {
        return false;
    }
    (void)memory.release();
    return true;
}

// CRLF, as a Windows program pastes it.
std::wstring WithCrLf(const std::string& text) {
    std::wstring wide = Wide(text);
    for (std::size_t at = wide.find(L'\n'); at != std::wstring::npos;
         at = wide.find(L'\n', at + 2)) {
        wide.insert(at, 1, L'\r');
    }
    return wide;
}

RECT ClientRectOf(HWND control, HWND parent) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

}  // namespace

CMainDlg::CMainDlg(SessionConfig config)
    : CDialog(IDD_MAIN),
      m_session(m_dispatcher, *this, std::move(config)),
      m_list(m_session),
      m_openWebPage(&OpenInBrowser) {}

// The window's shutdown runs while every member still stands.
CMainDlg::~CMainDlg() {
    if (Handle() != nullptr) {
        DestroyWindow(Handle());
    }
}

HWND CMainDlg::Create() {
    return CDialog::Create(nullptr);
}

int CMainDlg::Run() {
    m_running = true;
    if (Create() == nullptr) {
        return 1;
    }
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (Handle() == nullptr || IsDialogMessageW(Handle(), &message) == FALSE) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return 0;
}

bool CMainDlg::OnInitDialog() {
    m_bigIcon.reset(LoadProgramIcon(SM_CXICON, SM_CYICON));
    m_smallIcon.reset(LoadProgramIcon(SM_CXSMICON, SM_CYSMICON));
    SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_bigIcon.get()));
    SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon.get()));

    m_list.Attach(Item(IDC_CAMERA_LIST), Handle(), WM_LIST_RBUTTON, ID_COPY_CAMERAS);
    // Fixed in size, and wide enough for the longest line there can be.
    const RECT list = ClientRectOf(m_list.Handle(), Handle());
    const int wider = m_list.LongestLineWidth() - (list.right - list.left);
    RECT window;
    GetWindowRect(Handle(), &window);
    if (wider > 0) {
        SetWindowPos(m_list.Handle(), nullptr, 0, 0, list.right - list.left + wider,
                     list.bottom - list.top, SWP_NOMOVE | SWP_NOZORDER);
        SetWindowPos(Handle(), nullptr, 0, 0, window.right - window.left + wider,
                     window.bottom - window.top, SWP_NOMOVE | SWP_NOZORDER);
    }
    RECT client;
    GetClientRect(Handle(), &client);
    m_baseHeight = client.bottom;
    m_notice = MakeLine(IDC_LIST_FULL);
    SetWindowTextW(m_notice, Wide(LoadText(IDS_LIST_FULL)).c_str());
    m_status = MakeLine(IDC_STATUS_LINE);

    m_menu.reset(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_CAMERA_MENU)));
    m_tray.Add(Handle(), IDI_MAIN, m_smallIcon.get(), CMessageBox::Text(IDS_CAPTION),
               WM_TRAY_NOTIFY);
    m_taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");

    EmptyListTextChanged(m_session.EmptyText());
    if (!m_session.Start()) {
        CMessageBox::Show(IDS_THREAD_FAILED, Handle());
    }
    return true;
}

HWND CMainDlg::MakeLine(int id) {
    const RECT list = ClientRectOf(m_list.Handle(), Handle());
    const HWND line = CreateWindowExW(
        0, L"STATIC", L"", WS_CHILD | SS_LEFTNOWORDWRAP | SS_ENDELLIPSIS | SS_NOPREFIX, list.left,
        list.bottom, list.right - list.left, 1, Handle(),
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    SendMessageW(line, WM_SETFONT, SendMessageW(Handle(), WM_GETFONT, 0, 0), FALSE);
    return line;
}

void CMainDlg::PlaceLines() {
    RECT unit{0, 0, 4, 10};
    MapDialogRect(Handle(), &unit);  // a line of the dialog's font, and a margin
    const RECT list = ClientRectOf(m_list.Handle(), Handle());
    int bottom = list.bottom;
    for (const HWND line : {m_notice, m_status}) {
        if (IsWindowVisible(line) != FALSE) {
            bottom += unit.right;
            SetWindowPos(line, nullptr, list.left, bottom, list.right - list.left, unit.bottom,
                         SWP_NOZORDER);
            bottom += unit.bottom;
        }
    }
    const int height = bottom > list.bottom ? bottom + unit.right + unit.right / 2 : m_baseHeight;
    RECT client;
    GetClientRect(Handle(), &client);
    if (height != client.bottom) {
        RECT window;
        GetWindowRect(Handle(), &window);
        SetWindowPos(Handle(), nullptr, 0, 0, window.right - window.left,
                     window.bottom - window.top + height - client.bottom,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void CMainDlg::OnDestroy() {
    m_list.Clear();
    m_tray.Remove();
    m_session.Stop();
    ShutdownBlockReasonDestroy(Handle());
    if (m_running) {
        PostQuitMessage(0);
    }
}

bool CMainDlg::OnCommand(int id, int code) {
    switch (id) {
        case IDC_CAMERA_LIST:
            if (code == LBN_DBLCLK) {
                OnListDoubleClick(m_list.DoubleClickedLine());
            }
            return true;
        case ID_ACCESS_CAMERA:
        case ID_NETWORK_SETTINGS:
        case ID_FIRMWARE:
        case ID_SAVE_LIST:
        case ID_COPY_CAMERAS:
            if (code == 0) {
                OnMenuCommand(id);
            }
            return true;
        case IDOK:      // Enter
        case IDCANCEL:  // Escape, the close box and the system menu's Close
            End();
            return true;
        default:
            return false;
    }
}

bool CMainDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SYSCOMMAND:
            // Minimised, the window goes to the tray; with no tray to bring
            // it back from, it stays an ordinary minimised window.
            if ((wParam & 0xFFF0) == SC_MINIMIZE && m_tray.Shown()) {
                ShowWindow(Handle(), SW_HIDE);
                SetResult(0);
                return true;
            }
            return false;
        case WM_TRAY_NOTIFY:
            if (wParam == IDI_MAIN && LOWORD(lParam) == WM_LBUTTONDOWN) {
                ShowWindow(Handle(), SW_SHOWNORMAL);
                SetForegroundWindow(Handle());
            }
            return true;
        case WM_LIST_RBUTTON:
            OnListRightButton({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            return true;
        case WM_DRAWITEM:
            if (wParam != IDC_CAMERA_LIST) {
                return false;
            }
            m_list.Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            SetResult(TRUE);
            return true;
        case WM_QUERYENDSESSION:
            // Log-off and shutdown wait for an image on its way; the reason
            // set when it began says why.
            SetResult(UploadInProgress() ? FALSE : TRUE);
            return true;
        case WM_ENDSESSION:
            if (wParam != FALSE) {
                m_session.Stop();
            }
            return true;
        default:
            if (message == m_taskbarCreated && m_taskbarCreated != 0) {
                m_tray.AddAgain();
                return true;
            }
            return false;
    }
}

void CMainDlg::ListChanged(const ListEdit& edit) {
    m_list.Follow(edit);
}

void CMainDlg::EmptyListTextChanged(const std::string& text) {
    m_list.SetPlaceholder(Wide(text));
}

void CMainDlg::ListFullChanged(bool full) {
    ShowWindow(m_notice, full ? SW_SHOWNA : SW_HIDE);
    PlaceLines();
}

void CMainDlg::StatusLineChanged(const std::string& text) {
    SetWindowTextW(m_status, Wide(text).c_str());
    if (IsWindowVisible(m_status) == FALSE) {
        ShowWindow(m_status, SW_SHOWNA);
        PlaceLines();
    }
    // A screen reader hears each new one.
    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, m_status, OBJID_WINDOW, CHILDID_SELF);
}

void CMainDlg::SocketFailed() {
    // The program has decided to end, but an upload finishes first: a camera
    // left with half an image may not start again.
    if (UploadInProgress()) {
        m_socketErrorWaiting = true;
        m_session.StartNoMoreUploads();  // a batch finishes what is under way
        return;
    }
    m_ending = true;
    CloseCameraDialog();
    CMessageBox::Show(IDS_SOCKET_ERROR, Handle());
    End();
}

void CMainDlg::End() {
    if (UploadInProgress()) {
        m_endWaiting = true;
        m_session.StartNoMoreUploads();  // a batch finishes what is under way
        return;
    }
    m_ending = true;
    // An open camera dialog goes first; the window follows once its run has
    // returned.
    if (m_cameraDialog != nullptr) {
        CloseCameraDialog();
        return;
    }
    DestroyWindow(Handle());
}

bool CMainDlg::UploadInProgress() const {
    return m_uploadAtStake || !m_session.UploadsOver();
}

void CMainDlg::UploadsChanged() {
    if (auto* batch = dynamic_cast<CBatchUpgradeDlg*>(m_cameraDialog)) {
        batch->UploadsChanged();
    }
    const bool atStake = !m_session.UploadsOver();
    if (atStake != m_batchAtStake) {
        m_batchAtStake = atStake;
        // The rules of one upload hold for each of a batch.
        OnUploadAtStake(m_uploadAtStake);
    }
}

void CMainDlg::PlanChanged(const CPlanRollout& rollout, bool ended) {
    if (auto* site = dynamic_cast<CSiteDlg*>(m_cameraDialog)) {
        site->PlanChanged(rollout, ended);
    }
}

void CMainDlg::OnUploadAtStake(bool atStake) {
    m_uploadAtStake = atStake;
    if (UploadInProgress()) {
        ShutdownBlockReasonCreate(Handle(), WHY_NOT_NOW);
        return;
    }
    ShutdownBlockReasonDestroy(Handle());
    // After the dialog has told what it has to tell of the upload.
    m_dispatcher.Dispatch([this] {
        if (m_socketErrorWaiting) {
            m_socketErrorWaiting = false;
            SocketFailed();
        } else if (m_endWaiting) {
            m_endWaiting = false;
            End();
        }
    });
}

// An open camera dialog goes, with whatever it has open over it (a file
// chooser, a message box), and nothing it was about to do is done.
void CMainDlg::CloseCameraDialog() {
    if (m_cameraDialog == nullptr || m_cameraDialog->Handle() == nullptr) {
        return;
    }
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM dialog) -> BOOL {
            if (GetWindow(window, GW_OWNER) == reinterpret_cast<HWND>(dialog)) {
                PostMessageW(window, WM_CLOSE, 0, 0);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(m_cameraDialog->Handle()));
    m_cameraDialog->Cancel();
}

void CMainDlg::PasswordRefused() {
    // Replies are not matched to requests, so anyone can send them: while
    // the box is up, more of them would only stack further boxes on it.
    if (m_tellingPassword) {
        return;
    }
    m_tellingPassword = true;
    CMessageBox::Show(IDS_INCORRECT_PASSWORD, Handle());
    m_tellingPassword = false;
}

void CMainDlg::OnListRightButton(POINT point) {
    g_selected.clear();
    for (const int line : m_list.SelectedLines()) {
        if (line < static_cast<int>(m_session.Records().size())) {
            g_selected.push_back(m_session.Records()[static_cast<std::size_t>(line)]);
        }
    }
    if (g_selected.empty()) {
        return;
    }
    const HMENU popup = GetSubMenu(m_menu.get(), 0);
    const bool webPage = g_selected.size() == 1 && OffersWebPage(g_selected.front());
    EnableMenuItem(popup, ID_ACCESS_CAMERA, MF_BYCOMMAND | (webPage ? MF_ENABLED : MF_GRAYED));
    ClientToScreen(m_list.Handle(), &point);
    TrackPopupMenu(popup, 0, point.x, point.y, 0, Handle(), nullptr);
}

void CMainDlg::OnMenuCommand(int id) {
    const std::vector<CameraRecord> cameras = g_selected;
    if (id == ID_SAVE_LIST) {
        SaveList();
        return;
    }
    if (id == ID_COPY_CAMERAS) {
        Copy();
        return;
    }
    if (cameras.empty()) {
        return;
    }
    switch (id) {
        case ID_ACCESS_CAMERA:
            OpenWebPage(cameras.front());
            break;
        case ID_NETWORK_SETTINGS:
            cameras.size() == 1 ? OpenNetworkSettings(cameras.front()) : OpenSitePlan(cameras);
            break;
        case ID_FIRMWARE:
            cameras.size() == 1 ? OpenFirmware(cameras.front()) : OpenBatchUpgrade(cameras);
            break;
        default:
            break;
    }
}

void CMainDlg::OnListDoubleClick(int line) {
    if (line < 0 || line >= static_cast<int>(m_session.Records().size())) {
        return;
    }
    const CameraRecord camera = m_session.Records()[static_cast<std::size_t>(line)];
    switch (ActionFor(camera)) {
        case CameraAction::NetworkSettings:
            OpenNetworkSettings(camera);
            break;
        case CameraAction::WebPage:
            OpenWebPage(camera);
            break;
        case CameraAction::Upgrade:
            OpenFirmware(camera);
            break;
    }
}

void CMainDlg::Copy() {
    std::vector<ListedCamera> selected;
    for (const int line : m_list.SelectedLines()) {
        selected.push_back(m_session.ListedAt(static_cast<std::size_t>(line)));
    }
    if (!selected.empty()) {
        (void)PutOnClipboard(Handle(), WithCrLf(CsvText(SortedRows(selected))));
    }
}

void CMainDlg::SaveList() {
    const std::optional<std::string> path = CFileChooser::Save(
        Handle(), L"cameras.csv",
        CFileChooser::Filter({{L"CSV (*.csv)", L"*.csv"}, {L"All files", L"*.*"}}), L"csv");
    if (!path) {
        return;
    }
    std::vector<ListedCamera> listed;
    for (std::size_t line = 0; line < m_session.Records().size(); ++line) {
        listed.push_back(m_session.ListedAt(line));
    }
    std::string error;
    if (!WriteReportFile(*path, CsvText(SortedRows(listed)), error)) {
        CMessageBox::Show(IDS_FILE_SAVE_FAILED, Handle());
    }
}

void CMainDlg::OpenSitePlan(const std::vector<CameraRecord>& cameras) {
    CSiteDlg dialog(m_session, cameras);
    m_cameraDialog = &dialog;
    dialog.DoModal(Handle());
    m_cameraDialog = nullptr;
    if (m_ending) {
        End();
        return;
    }
    m_session.SearchNow();
}

void CMainDlg::OpenBatchUpgrade(const std::vector<CameraRecord>& cameras) {
    CBatchUpgradeDlg dialog(m_session, cameras);
    m_cameraDialog = &dialog;
    dialog.DoModal(Handle());
    m_cameraDialog = nullptr;
    if (m_ending) {
        End();
    }
}

void CMainDlg::OpenWebPage(const CameraRecord& camera) {
    m_openWebPage(Wide(WebAddress(camera)));
}

void CMainDlg::OpenNetworkSettings(const CameraRecord& camera) {
    CNetworkDlg dialog;
    dialog.m_record = camera;
    m_cameraDialog = &dialog;
    const INT_PTR result = dialog.DoModal(Handle());
    m_cameraDialog = nullptr;
    if (m_ending) {
        End();
        return;
    }
    if (result == IDOK) {
        m_session.ChangeNetwork(camera, dialog.m_record);
    }
}

void CMainDlg::OpenFirmware(const CameraRecord& camera) {
    CFirmwareDlg dialog;
    dialog.m_record = camera;
    dialog.OnAtStakeChanged([this](bool atStake) { OnUploadAtStake(atStake); });
    m_cameraDialog = &dialog;
    const INT_PTR result = dialog.DoModal(Handle());
    m_cameraDialog = nullptr;
    if (m_ending) {
        End();
        return;
    }
    if (result == IDOK && m_session.Searching()) {
        // The dialog ends in silence; the line under the list follows the
        // camera through its restart, so that nobody uploads again to a
        // camera on its way back (its line still offers an upgrade until then).
        if (const auto delivery = dialog.Delivered()) {
            m_session.WatchRestart(camera, dialog.DeliveredKind(), *delivery);
        }
        m_session.SearchNow();
    }
}

}  // namespace vantrel

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "session/camera_session.h"
#include "win32/camera_list.h"
#include "win32/dialog.h"
#include "win32/tray_icon.h"
#include "win32/unique_handles.h"
#include "win32/window_dispatcher.h"

namespace vantrel {

// The main window (template 102): the camera list, line for line as the
// camera session lists its cameras, the context menu and double-click
// actions, the tray icon, and the line under the list. It shows what the
// session says; the session's work runs here through posted messages.
class CMainDlg final : public CDialog, private ISessionObserver {
  public:
    // The tray's and the list's messages to the window.
    static constexpr UINT WM_TRAY_NOTIFY = WM_USER + 1;
    static constexpr UINT WM_LIST_RBUTTON = WM_USER + 5;

    // The program always uses the default config; tests move the worker.
    explicit CMainDlg(SessionConfig config = {});
    ~CMainDlg() override;

    // Makes the window and runs its messages until it has gone.
    int Run();
    // Makes the window and starts searching; Run() does this first.
    HWND Create();

    // The system browser opens a web page; tests see the address instead.
    void SetWebPageOpener(std::function<void(const std::wstring&)> open) {
        m_openWebPage = std::move(open);
    }

    [[nodiscard]] CCameraSession& Session() { return m_session; }
    [[nodiscard]] const CCameraList& List() const { return m_list; }
    [[nodiscard]] HMENU Menu() const { return m_menu.get(); }
    [[nodiscard]] HWND StatusLine() const { return m_status; }
    [[nodiscard]] HWND FullNotice() const { return m_notice; }
    // The camera dialog open right now, if any.
    [[nodiscard]] CDialog* CameraDialog() const { return m_cameraDialog; }

  private:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnDestroy() override;

    void ListChanged(const ListEdit& edit) override;
    void EmptyListTextChanged(const std::string& text) override;
    void ListFullChanged(bool full) override;
    void StatusLineChanged(const std::string& text) override;
    void PasswordRefused() override;
    void SocketFailed() override;
    void PlanChanged(const CPlanRollout& rollout, bool ended) override;
    void UploadsChanged() override;

    void OnListRightButton(POINT point);
    // The line double-clicked, whatever else is selected.
    void OnListDoubleClick(int line);
    void OnMenuCommand(int id);
    void OpenWebPage(const CameraRecord& camera);
    void OpenNetworkSettings(const CameraRecord& camera);
    void OpenFirmware(const CameraRecord& camera);
    void OpenSitePlan(const std::vector<CameraRecord>& cameras);
    void OpenBatchUpgrade(const std::vector<CameraRecord>& cameras);
    // The selected cameras' rows as CSV on the clipboard, for a spreadsheet
    // or a ticket; the whole list to a file.
    void Copy();
    void SaveList();
    // Ends the program as the close box does; during an upload, once it
    // has ended.
    void End();
    void OnUploadAtStake(bool atStake);
    [[nodiscard]] bool UploadInProgress() const;
    void CloseCameraDialog();
    HWND MakeLine(int id);
    // Room under the list for the lines that are shown.
    void PlaceLines();

    CWindowDispatcher m_dispatcher;
    CCameraSession m_session;  // before the list: its lines read their details from it
    CCameraList m_list;
    HWND m_notice = nullptr;  // says when the list is full
    HWND m_status = nullptr;  // how the camera followed last stands
    UniqueMenu m_menu;
    UniqueIcon m_bigIcon;
    UniqueIcon m_smallIcon;
    CTrayIcon m_tray;
    UINT m_taskbarCreated = 0;
    int m_baseHeight = 0;  // the client area's, as the template lays it out
    std::function<void(const std::wstring&)> m_openWebPage;
    CDialog* m_cameraDialog = nullptr;
    bool m_uploadAtStake = false;       // the firmware dialog's
    bool m_batchAtStake = false;        // a batch upgrade's run is not over
    bool m_running = false;             // Run() ends the message loop when the window goes
    bool m_ending = false;              // the program is ending
    bool m_socketErrorWaiting = false;  // it came during an upload
    bool m_endWaiting = false;          // the program was asked to end during an upload
    bool m_tellingPassword = false;     // "incorrect password !" is showing
};

}  // namespace vantrel

// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/main_app.h"

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>

#include "protocol/socket_library.h"
#include "res/string_table.h"
#include "win32/main_dlg.h"
#include "win32/message_box.h"

namespace vantrel {

namespace {

// Two copies started at the same moment would both find no window: the
// second waits this long for the first's.
constexpr int FIRST_WINDOW_WAIT_MS = 5000;

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};

// The first copy's window, by its caption in any letter case and of any
// class, hidden in the tray or not.
bool ShowFirstCopy(const std::wstring& caption, int waitMs) {
    for (int waited = 0;; waited += 50) {
        if (const HWND first = FindWindowW(nullptr, caption.c_str())) {
            ShowWindow(first, IsIconic(first) != FALSE ? SW_RESTORE : SW_SHOW);
            SetForegroundWindow(first);
            return true;
        }
        if (waited >= waitMs) {
            return false;
        }
        Sleep(50);
    }
}

}  // namespace

int CMainApp::Run() {
    const std::wstring caption = CMessageBox::Text(IDS_CAPTION);
    if (ShowFirstCopy(caption, 0)) {
        return 0;
    }
    SetLastError(ERROR_SUCCESS);
    const std::unique_ptr<void, HandleCloser> oneCopy(
        CreateMutexW(nullptr, FALSE, L"Local\\Vantrel.OneCopy"));
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        ShowFirstCopy(caption, FIRST_WINDOW_WAIT_MS);
        return 0;
    }

    const CSocketLibrary sockets;
    if (!sockets.Started()) {
        CMessageBox::Show(IDS_SOCKET_INIT_FAILED, nullptr);
        return 1;
    }
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_INTERNET_CLASSES |
                                                       ICC_PROGRESS_CLASS | ICC_BAR_CLASSES |
                                                       ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);
    CMainDlg window;
    return window.Run();
}

}  // namespace vantrel

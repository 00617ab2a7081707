// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/tray_icon.h"

#include <shellapi.h>

namespace vantrel {

CTrayIcon::~CTrayIcon() {
    Remove();
}

bool CTrayIcon::Add(HWND window, UINT id, HICON icon, const std::wstring& tip,
                    UINT callbackMessage) {
    m_data = {};
    m_data.cbSize = sizeof m_data;
    m_data.hWnd = window;
    m_data.uID = id;
    m_data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_data.uCallbackMessage = callbackMessage;
    m_data.hIcon = icon;
    tip.copy(m_data.szTip, std::size(m_data.szTip) - 1);
    AddAgain();
    return m_shown;
}

void CTrayIcon::AddAgain() {
    m_shown = m_data.hWnd != nullptr && Shell_NotifyIconW(NIM_ADD, &m_data) != FALSE;
}

void CTrayIcon::Remove() {
    if (m_shown) {
        Shell_NotifyIconW(NIM_DELETE, &m_data);
        m_shown = false;
    }
}

}  // namespace vantrel

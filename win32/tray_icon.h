// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <string>

namespace vantrel {

// The window's icon in the notification area, for as long as the object
// lives; a press on it comes to the window as callbackMessage.
class CTrayIcon {
  public:
    CTrayIcon() = default;
    ~CTrayIcon();
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;

    // False when the shell has no notification area to put it in.
    bool Add(HWND window, UINT id, HICON icon, const std::wstring& tip, UINT callbackMessage);
    // Puts it back after Explorer started anew ("TaskbarCreated").
    void AddAgain();
    void Remove();
    [[nodiscard]] bool Shown() const { return m_shown; }

  private:
    NOTIFYICONDATAW m_data{};
    bool m_shown = false;
};

}  // namespace vantrel

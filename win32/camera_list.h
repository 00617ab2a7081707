// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <windows.h>

#include <string>

#include "session/camera_session.h"
#include "win32/unique_handles.h"

namespace vantrel {

// The camera list box (control 1004): line i shows the session's record i,
// and the list follows the session's edits and nothing else. While it is
// empty it says what the session is doing; each line's tooltip tells its
// camera's details. A right press selects the line under the pointer and
// asks the owner for the context menu, as the keyboard's menu key does.
class CCameraList {
  public:
    explicit CCameraList(const CCameraSession& session) : m_session(session) {}
    ~CCameraList();
    CCameraList(const CCameraList&) = delete;
    CCameraList& operator=(const CCameraList&) = delete;

    // Takes over the dialog's list box; menuMessage goes to the owner with
    // the press's point in the list's client coordinates in lParam.
    void Attach(HWND list, HWND owner, UINT menuMessage);

    // Applies the session's edit; the selection stays on its camera, and
    // when that camera went nothing is selected, not a neighbour.
    void Follow(const ListEdit& edit);
    void Clear();
    // What the empty list says; empty text while it has lines.
    void SetPlaceholder(const std::wstring& text);
    [[nodiscard]] const std::wstring& Placeholder() const { return m_placeholder; }
    // The selected line, or -1.
    [[nodiscard]] int SelectedLine() const;
    // The width in pixels that the longest line there can be takes, frame
    // and scroll bar in.
    [[nodiscard]] int LongestLineWidth() const;
    // A line's tooltip: its camera's id, addresses, versions and the other
    // cameras on its address.
    [[nodiscard]] std::wstring DetailsOf(int line) const;

    [[nodiscard]] HWND Handle() const { return m_list; }
    [[nodiscard]] HWND Tooltip() const { return m_tooltip; }

  private:
    static LRESULT CALLBACK SubclassProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR self);
    LRESULT OnListMessage(UINT message, WPARAM wParam, LPARAM lParam);
    [[nodiscard]] int LineAt(LPARAM point) const;
    void AppendLine(std::size_t line);
    void PaintPlaceholder();
    void ShowTipFor(int line);
    void RequestMenu(POINT point);

    const CCameraSession& m_session;
    HWND m_list = nullptr;
    HWND m_owner = nullptr;
    UINT m_menuMessage = 0;
    UniqueFont m_font;
    HWND m_tooltip = nullptr;  // owned by the owner, it goes with it
    std::wstring m_placeholder;
    int m_tipLine = -1;  // the line whose details the tooltip holds
};

}  // namespace vantrel

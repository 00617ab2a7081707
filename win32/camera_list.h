// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "session/camera_session.h"
#include "win32/unique_handles.h"

namespace vantrel {

// The camera list box (control 1004): line i shows the session's record i,
// drawn from it, and the list follows the session's edits and nothing
// else; LB_GETTEXT reads a line's text, also from another process. While it is
// empty it says what the session is doing; each line's tooltip tells its
// camera's details. Many lines may be selected (Shift, Ctrl, Ctrl+A). A
// right press selects the line under the pointer, unless it is selected
// already, and asks the owner for the context menu, as the keyboard's menu
// key does; Ctrl+C asks the owner for a copy.
class CCameraList {
  public:
    explicit CCameraList(const CCameraSession& session) : m_session(session) {}
    ~CCameraList();
    CCameraList(const CCameraList&) = delete;
    CCameraList& operator=(const CCameraList&) = delete;

    // Takes over the dialog's list box; menuMessage goes to the owner with
    // the press's point in the list's client coordinates in lParam, and
    // copyCommand as a WM_COMMAND.
    void Attach(HWND list, HWND owner, UINT menuMessage, int copyCommand);

    // Applies the session's edit; the selection stays on its cameras, and
    // where one went it is not selected, and no neighbour is instead.
    void Follow(const ListEdit& edit);
    void Clear();
    // Draws a line, for the owner's WM_DRAWITEM.
    void Draw(const DRAWITEMSTRUCT& item) const;
    // What the empty list says; empty text while it has lines.
    void SetPlaceholder(const std::wstring& text);
    [[nodiscard]] const std::wstring& Placeholder() const { return m_placeholder; }
    // The first selected line, or -1.
    [[nodiscard]] int SelectedLine() const;
    // Every selected line, in list order.
    [[nodiscard]] std::vector<int> SelectedLines() const;
    // Exactly these lines (ascending) selected.
    void Select(const std::vector<int>& lines);
    // The line the keyboard is on.
    [[nodiscard]] int CaretLine() const;
    // The line a double-click was on: its first click selected it and put
    // the keyboard on it; -1 when that line is not selected.
    [[nodiscard]] int DoubleClickedLine() const;
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
    [[nodiscard]] int LineCount() const;
    [[nodiscard]] bool HasLine(int line) const;
    [[nodiscard]] int LineHeight() const;
    [[nodiscard]] const std::wstring& TextOf(int line) const;
    void FollowTexts(const ListEdit& edit);
    void GoToLetter(wchar_t letter);
    void PaintPlaceholder();
    void ShowTipFor(int line);
    void RequestMenu(POINT point);

    const CCameraSession& m_session;
    HWND m_list = nullptr;
    HWND m_owner = nullptr;
    UINT m_menuMessage = 0;
    int m_copyCommand = 0;
    UniqueFont m_font;
    HWND m_tooltip = nullptr;  // owned by the owner, it goes with it
    std::wstring m_placeholder;
    int m_tipLine = -1;  // the line whose details the tooltip holds
    // Each line's text, made when it is first drawn or read and kept until
    // the session says the line changed: a camera's line changes when a
    // search ends, as the session decides, not at each answer.
    mutable std::vector<std::wstring> m_texts;
};

}  // namespace vantrel

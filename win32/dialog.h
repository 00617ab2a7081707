// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <windows.h>

#include <string>

namespace vantrel {

// A window made from one of the program's dialog templates: run modally
// over its owner, or made modeless for a message loop of its own (the main
// window). Each message reaches the object that made the window.
class CDialog {
  public:
    explicit CDialog(int templateId) : m_template(templateId) {}
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Runs the dialog until it ends; its result (IDOK, IDCANCEL) or -1 when
    // it could not be made.
    INT_PTR DoModal(HWND owner);
    // Makes the window, which then lives until it is destroyed.
    HWND Create(HWND owner);

    // Ends a modal run as "Return" does, whatever is open over it.
    void Cancel() { EndDialog(IDCANCEL); }
    // A modal run was told to end; it ends once its loop looks again.
    [[nodiscard]] bool Ended() const { return m_ended; }

    [[nodiscard]] HWND Handle() const { return m_window; }
    [[nodiscard]] HWND Item(int id) const { return GetDlgItem(m_window, id); }
    [[nodiscard]] std::wstring ItemText(int id) const;
    void SetItemText(int id, const std::wstring& text) const;

  protected:
    // The window is made; true lets the system choose the focus.
    virtual bool OnInitDialog() { return true; }
    // A command from a control or a menu; true when it was handled.
    virtual bool OnCommand(int /*id*/, int /*code*/) { return false; }
    // Any other message; true when it was handled. A message whose result
    // matters sets it with SetResult.
    virtual bool OnMessage(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/) { return false; }
    // The window is about to go.
    virtual void OnDestroy() {}

    // Widens the window, its controls kept in the middle, until its whole
    // caption shows: a camera's name goes before the template's caption.
    void MakeRoomForCaption() const;
    // Ends a modal run with this result.
    void EndDialog(INT_PTR result);
    [[nodiscard]] bool Modal() const { return m_modal; }
    void SetResult(LRESULT result) const;

  private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    const int m_template;
    HWND m_window = nullptr;
    bool m_modal = false;
    bool m_ended = false;
};

}  // namespace vantrel

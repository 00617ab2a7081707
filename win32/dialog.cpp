// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/dialog.h"

namespace vantrel {

CDialog::~CDialog() {
    // A modeless window still standing goes with its object, never after.
    if (m_window != nullptr && !m_modal) {
        DestroyWindow(m_window);
    }
}

INT_PTR CDialog::DoModal(HWND owner) {
    m_modal = true;
    m_ended = false;
    const INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_template),
                                           owner, &DialogProc, reinterpret_cast<LPARAM>(this));
    m_window = nullptr;
    return result;
}

HWND CDialog::Create(HWND owner) {
    m_modal = false;
    return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_template), owner,
                              &DialogProc, reinterpret_cast<LPARAM>(this));
}

std::wstring CDialog::ItemText(int id) const {
    const HWND item = Item(id);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(item)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(item, text.data(), static_cast<int>(text.size()))));
    return text;
}

void CDialog::SetItemText(int id, const std::wstring& text) const {
    SetDlgItemTextW(m_window, id, text.c_str());
}

void CDialog::MakeRoomForCaption() const {
    const UINT dpi = GetDpiForWindow(m_window);
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi);
    const HFONT font = CreateFontIndirectW(&metrics.lfCaptionFont);
    const HDC context = GetDC(m_window);
    const HGDIOBJ before = SelectObject(context, font);
    wchar_t caption[128] = {};
    const int length = GetWindowTextW(m_window, caption, static_cast<int>(std::size(caption)));
    SIZE text{};
    GetTextExtentPoint32W(context, caption, length, &text);
    SelectObject(context, before);
    ReleaseDC(m_window, context);
    DeleteObject(font);
    // The icon and the caption's buttons take their room too.
    const int wanted = text.cx + 5 * GetSystemMetricsForDpi(SM_CXSIZE, dpi) +
                       2 * GetSystemMetricsForDpi(SM_CXFRAME, dpi);
    RECT window;
    GetWindowRect(m_window, &window);
    const int wider = wanted - (window.right - window.left);
    if (wider <= 0) {
        return;
    }
    for (HWND child = GetWindow(m_window, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rect;
        GetWindowRect(child, &rect);
        MapWindowPoints(HWND_DESKTOP, m_window, reinterpret_cast<POINT*>(&rect), 2);
        SetWindowPos(child, nullptr, rect.left + wider / 2, rect.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    SetWindowPos(m_window, nullptr, window.left - wider / 2, window.top,
                 window.right - window.left + wider, window.bottom - window.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void CDialog::EndDialog(INT_PTR result) {
    if (m_window != nullptr && m_modal) {
        m_ended = true;
        ::EndDialog(m_window, result);
    }
}

void CDialog::SetResult(LRESULT result) const {
    SetWindowLongPtrW(m_window, DWLP_MSGRESULT, result);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<CDialog*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        dialog->m_window = window;
        return dialog->OnInitDialog() ? TRUE : FALSE;
    }
    auto* dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    if (dialog == nullptr) {
        return FALSE;
    }
    switch (message) {
        case WM_COMMAND:
            return dialog->OnCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
        case WM_DESTROY:
            dialog->OnDestroy();
            return FALSE;
        case WM_NCDESTROY:
            SetWindowLongPtrW(window, DWLP_USER, 0);
            dialog->m_window = nullptr;
            return FALSE;
        default:
            return dialog->OnMessage(message, wParam, lParam) ? TRUE : FALSE;
    }
}

}  // namespace vantrel

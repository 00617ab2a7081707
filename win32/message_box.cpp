// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/message_box.h"

namespace vantrel {

void CMessageBox::Show(int stringId, HWND owner) {
    if (Recorded(stringId)) {
        return;
    }
    MessageBoxW(owner, Text(stringId).c_str(), Title().c_str(), MB_OK);
}

std::wstring CMessageBox::Title() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::size_t folder = path.find_last_of(L"\\/");
    std::wstring name = folder == std::wstring::npos ? path : path.substr(folder + 1);
    if (const std::size_t dot = name.find_last_of(L'.'); dot != std::wstring::npos && dot > 0) {
        name.resize(dot);
    }
    return name;
}

std::wstring CMessageBox::Text(int stringId) {
    // A length of 0 asks for the resource's own read-only text, whole.
    const wchar_t* text = nullptr;
    const int length = LoadStringW(GetModuleHandleW(nullptr), static_cast<UINT>(stringId),
                                   reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 ? std::wstring(text, static_cast<std::size_t>(length)) : std::wstring();
}

}  // namespace vantrel

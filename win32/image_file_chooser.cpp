// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/image_file_chooser.h"

#include <commdlg.h>

#include "win32/wide_text.h"

namespace vantrel {

std::optional<std::optional<std::string>> CImageFileChooser::s_nextAnswer;

std::optional<std::string> CImageFileChooser::Choose(HWND owner) {
    if (s_nextAnswer) {
        std::optional<std::string> answer = *s_nextAnswer;
        s_nextAnswer.reset();
        return answer;
    }
    // Room for the long paths Windows 10 allows.
    std::wstring path(32768, L'\0');
    OPENFILENAMEW choice{};
    choice.lStructSize = sizeof choice;
    // Owned by the camera dialog, so that it stays above it and goes with it.
    choice.hwndOwner = owner;
    choice.lpstrFilter = L"Bin Files (*.bin)\0*.bin\0";
    choice.lpstrFile = path.data();
    choice.nMaxFile = static_cast<DWORD>(path.size());
    if (GetOpenFileNameW(&choice) == FALSE) {
        return std::nullopt;
    }
    path.resize(wcslen(path.c_str()));
    return Utf8(path);
}

void CImageFileChooser::SetNextAnswer(std::optional<std::string> path) {
    s_nextAnswer = std::move(path);
}

}  // namespace vantrel

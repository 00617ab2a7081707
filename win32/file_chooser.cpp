// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/file_chooser.h"

#include <commdlg.h>

#include <utility>

#include "win32/wide_text.h"

namespace vantrel {

std::optional<std::optional<std::string>> CFileChooser::s_nextAnswer;

namespace {

// Room for the long paths Windows 10 allows.
constexpr std::size_t PATH_ROOM = 32768;

std::optional<std::string> Ask(HWND owner, std::wstring path, const std::wstring& filter,
                               const wchar_t* extension, bool save) {
    path.resize(PATH_ROOM, L'\0');
    OPENFILENAMEW choice{};
    choice.lStructSize = sizeof choice;
    choice.hwndOwner = owner;
    choice.lpstrFilter = filter.c_str();
    choice.lpstrFile = path.data();
    choice.nMaxFile = static_cast<DWORD>(path.size());
    choice.lpstrDefExt = extension;
    choice.Flags = save ? OFN_OVERWRITEPROMPT | OFN_NOREADONLYRETURN : OFN_FILEMUSTEXIST;
    if ((save ? GetSaveFileNameW(&choice) : GetOpenFileNameW(&choice)) == FALSE) {
        return std::nullopt;
    }
    path.resize(wcslen(path.c_str()));
    return Utf8(path);
}

}  // namespace

std::optional<std::string> CFileChooser::Open(HWND owner, const std::wstring& filter) {
    if (s_nextAnswer) {
        return *std::exchange(s_nextAnswer, std::nullopt);
    }
    return Ask(owner, L"", filter, nullptr, false);
}

std::optional<std::string> CFileChooser::Save(HWND owner, const std::wstring& suggested,
                                              const std::wstring& filter,
                                              const wchar_t* extension) {
    if (s_nextAnswer) {
        return *std::exchange(s_nextAnswer, std::nullopt);
    }
    return Ask(owner, suggested, filter, extension, true);
}

std::wstring CFileChooser::Filter(
    std::initializer_list<std::pair<const wchar_t*, const wchar_t*>> kinds) {
    std::wstring filter;
    for (const auto& [name, pattern] : kinds) {
        filter += name;
        filter += L'\0';
        filter += pattern;
        filter += L'\0';
    }
    return filter;
}

void CFileChooser::SetNextAnswer(std::optional<std::string> path) {
    s_nextAnswer = std::move(path);
}

}  // namespace vantrel

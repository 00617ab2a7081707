// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/image_file_chooser.h"

#include "win32/file_chooser.h"

namespace vantrel {

std::optional<std::string> CImageFileChooser::Choose(HWND owner) {
    return CFileChooser::Open(owner, CFileChooser::Filter({{L"Bin Files (*.bin)", L"*.bin"}}));
}

void CImageFileChooser::SetNextAnswer(std::optional<std::string> path) {
    CFileChooser::SetNextAnswer(std::move(path));
}

}  // namespace vantrel

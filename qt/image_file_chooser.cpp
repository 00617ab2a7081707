// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/image_file_chooser.h"

#include "qt/file_chooser.h"

namespace vantrel {

std::optional<QString> CImageFileChooser::Choose(QWidget* parent) {
    return CFileChooser::Open(parent, "Bin Files (*.bin)");
}

void CImageFileChooser::SetNextAnswer(std::optional<QString> path) {
    CFileChooser::SetNextAnswer(std::move(path));
}

}  // namespace vantrel

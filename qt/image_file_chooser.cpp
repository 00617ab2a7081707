// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/image_file_chooser.h"

#include <QFileDialog>
#include <utility>

namespace vantrel {

std::optional<std::optional<QString>> CImageFileChooser::s_nextAnswer;

std::optional<QString> CImageFileChooser::Choose(QWidget* parent) {
    if (s_nextAnswer) {
        return *std::exchange(s_nextAnswer, std::nullopt);
    }
    const QString path =
        QFileDialog::getOpenFileName(parent, QString(), QString(), "Bin Files (*.bin)");
    if (path.isEmpty()) {
        return std::nullopt;
    }
    return path;
}

void CImageFileChooser::SetNextAnswer(std::optional<QString> path) {
    s_nextAnswer = std::move(path);
}

}  // namespace vantrel

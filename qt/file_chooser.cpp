// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/file_chooser.h"

#include <QFileDialog>
#include <utility>

namespace vantrel {

std::optional<std::optional<QString>> CFileChooser::s_nextAnswer;

namespace {

std::optional<QString> Chosen(const QString& path) {
    return path.isEmpty() ? std::nullopt : std::optional(path);
}

}  // namespace

std::optional<QString> CFileChooser::Open(QWidget* parent, const QString& filter) {
    if (s_nextAnswer) {
        return *std::exchange(s_nextAnswer, std::nullopt);
    }
    return Chosen(QFileDialog::getOpenFileName(parent, QString(), QString(), filter));
}

std::optional<QString> CFileChooser::Save(QWidget* parent, const QString& suggested,
                                          const QString& filter) {
    if (s_nextAnswer) {
        return *std::exchange(s_nextAnswer, std::nullopt);
    }
    return Chosen(QFileDialog::getSaveFileName(parent, QString(), suggested, filter));
}

void CFileChooser::SetNextAnswer(std::optional<QString> path) {
    s_nextAnswer = std::move(path);
}

}  // namespace vantrel

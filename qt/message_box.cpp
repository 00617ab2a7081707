// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/message_box.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>

#include "res/string_table.h"

namespace vantrel {

bool CMessageBox::s_recording = false;
std::vector<int> CMessageBox::s_recorded;
std::function<void(int)> CMessageBox::s_observer;

void CMessageBox::Show(int stringId, QWidget* parent) {
    if (s_recording) {
        s_recorded.push_back(stringId);
        if (s_observer) {
            s_observer(stringId);
        }
        return;
    }
    const QString title = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    QMessageBox box(QMessageBox::NoIcon, title, QString::fromUtf8(LoadText(stringId)),
                    QMessageBox::Ok, parent);
    box.exec();
}

void CMessageBox::StartRecording(std::function<void(int)> observer) {
    s_recording = true;
    s_recorded.clear();
    s_observer = std::move(observer);
}

std::vector<int> CMessageBox::TakeRecorded() {
    std::vector<int> recorded;
    recorded.swap(s_recorded);
    return recorded;
}

void CMessageBox::StopRecording() {
    s_recording = false;
    s_recorded.clear();
    s_observer = nullptr;
}

}  // namespace vantrel

#include "dialogs/message_box.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>

#include "res/string_table.h"

namespace vantrel {

bool CMessageBox::s_recording = false;
std::vector<int> CMessageBox::s_recorded;

void CMessageBox::Show(int stringId, QWidget* parent) {
    if (s_recording) {
        s_recorded.push_back(stringId);
        return;
    }
    const QString title = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    QMessageBox box(QMessageBox::NoIcon, title, QString::fromUtf8(LoadText(stringId)),
                    QMessageBox::Ok, parent);
    box.exec();
}

void CMessageBox::StartRecording() {
    s_recording = true;
    s_recorded.clear();
}

std::vector<int> CMessageBox::TakeRecorded() {
    std::vector<int> recorded;
    recorded.swap(s_recorded);
    return recorded;
}

void CMessageBox::StopRecording() {
    s_recording = false;
    s_recorded.clear();
}

}  // namespace vantrel

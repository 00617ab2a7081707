// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/message_box.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>

#include "res/string_table.h"

namespace vantrel {

void CMessageBox::Show(int stringId, QWidget* parent) {
    if (Recorded(stringId)) {
        return;
    }
    const QString title = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    QMessageBox box(QMessageBox::NoIcon, title, QString::fromUtf8(LoadText(stringId)),
                    QMessageBox::Ok, parent);
    box.exec();
}

}  // namespace vantrel

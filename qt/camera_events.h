// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QEvent>
#include <QPoint>

namespace vantrel {

// What the list's right press posts to the main window, so that the menu
// opens after the list has selected the line under the pointer.
enum CameraEventType {
    WM_LIST_RBUTTON = QEvent::User + 5,
};

class CListRightButtonEvent : public QEvent {
  public:
    explicit CListRightButtonEvent(QPoint position)
        : QEvent(Type(WM_LIST_RBUTTON)), position(position) {}
    const QPoint position;  // in the list viewport's coordinates
};

}  // namespace vantrel

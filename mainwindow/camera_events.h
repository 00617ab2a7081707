// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QEvent>
#include <QPoint>
#include <cstdint>
#include <vector>

#include "protocol/camera_record.h"

namespace vantrel {

// What the discovery worker and the list's right press post to the main
// window. An event that carries records owns them, so records still queued
// when the window goes are freed with their event.
enum CameraEventType {
    WM_CAMERA_ERROR = QEvent::User + 2,
    WM_CAMERA_REFRESH = QEvent::User + 3,
    WM_CAMERA_FOUND = QEvent::User + 4,
    WM_LIST_RBUTTON = QEvent::User + 5,
    WM_SET_NETWORK_RESULT = QEvent::User + 8,
};

class CSetNetworkResultEvent : public QEvent {
  public:
    explicit CSetNetworkResultEvent(std::uint16_t result)
        : QEvent(Type(WM_SET_NETWORK_RESULT)), result(result) {}
    const std::uint16_t result;
};

class CCameraFoundEvent : public QEvent {
  public:
    explicit CCameraFoundEvent(std::vector<CameraRecord> records)
        : QEvent(Type(WM_CAMERA_FOUND)), records(std::move(records)) {}
    std::vector<CameraRecord> records;
};

class CListRightButtonEvent : public QEvent {
  public:
    explicit CListRightButtonEvent(QPoint position)
        : QEvent(Type(WM_LIST_RBUTTON)), position(position) {}
    const QPoint position;  // in the list viewport's coordinates
};

}  // namespace vantrel

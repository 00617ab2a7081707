// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

namespace vantrel {

// Names a control after what it holds and keeps its resource id with it.
inline void Tag(QWidget* widget, int controlId, const char* objectName) {
    widget->setObjectName(objectName);
    widget->setProperty("controlId", controlId);
}

}  // namespace vantrel

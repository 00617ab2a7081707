// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/title_room.h"

#include <QFontMetrics>
#include <QLayout>
#include <QWidget>
#include <algorithm>

namespace vantrel {

namespace {

// The window menu, minimise and close buttons and the bar's own margins.
constexpr int TITLE_BAR_ROOM = 140;

}  // namespace

void MakeRoomForTitle(QWidget& dialog, QWidget& spanningChild) {
    QFont font = dialog.font();
    font.setBold(true);
    const int needed = QFontMetrics(font).horizontalAdvance(dialog.windowTitle()) + TITLE_BAR_ROOM;
    const QMargins margins =
        dialog.layout() != nullptr ? dialog.layout()->contentsMargins() : QMargins();
    spanningChild.setMinimumWidth(std::max(0, needed - margins.left() - margins.right()));
}

}  // namespace vantrel

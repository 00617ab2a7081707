// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

namespace vantrel {

// Widens a fixed-size dialog, through the child that spans its width, until
// its window title can show whole. The title bar belongs to the window
// manager, so this allows for a bold title in the dialog's font and for
// the bar's icon and buttons.
void MakeRoomForTitle(QWidget& dialog, QWidget& spanningChild);

}  // namespace vantrel

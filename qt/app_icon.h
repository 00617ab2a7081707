// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>

namespace vantrel {

// Icon 128: the window, the tray and the desktop entry.
[[nodiscard]] QIcon AppIcon();

}  // namespace vantrel

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace vantrel {

// Owners of the system's user-interface objects, each freed the one way
// the system asks for.
struct WindowDestroyer {
    void operator()(HWND window) const { DestroyWindow(window); }
};
struct MenuDestroyer {
    void operator()(HMENU menu) const { DestroyMenu(menu); }
};
struct IconDestroyer {
    void operator()(HICON icon) const { DestroyIcon(icon); }
};
struct GdiObjectDeleter {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};

using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;
using UniqueMenu = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDestroyer>;
using UniqueIcon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDestroyer>;
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;

}  // namespace vantrel

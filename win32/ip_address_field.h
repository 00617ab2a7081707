// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace vantrel {

// An IP address control of a dialog, which shows an address or a firmware
// version as four numbers.
class CIpAddressField {
  public:
    // Four bytes in stored order: an address in network order, or a version.
    static void Show(HWND control, std::uint32_t stored);
    // What it holds as the user sees it ("192.168.1.10"; a field left blank
    // leaves no address).
    [[nodiscard]] static std::string Text(HWND control);
};

}  // namespace vantrel

// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/ip_address_field.h"

#include <commctrl.h>

#include <cstring>

#include "win32/wide_text.h"

namespace vantrel {

void CIpAddressField::Show(HWND control, std::uint32_t stored) {
    unsigned char bytes[4];
    std::memcpy(bytes, &stored, sizeof bytes);
    SendMessageW(control, IPM_SETADDRESS, 0, MAKEIPADDRESS(bytes[0], bytes[1], bytes[2], bytes[3]));
}

std::string CIpAddressField::Text(HWND control) {
    // The control gives its four fields with the dots between them; a blank
    // field stays blank, so "10..1.2" is no address.
    wchar_t text[32] = {};
    GetWindowTextW(control, text, static_cast<int>(std::size(text)));
    return Utf8(text);
}

}  // namespace vantrel

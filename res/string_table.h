// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace vantrel {

// The program's user-visible texts by resource id.
enum StringId : int {
    IDS_SOCKET_INIT_FAILED = 103,
    IDS_CAPTION = 104,
    IDS_THREAD_FAILED = 113,
    IDS_SOCKET_ERROR = 114,
    IDS_SUBNET_MISMATCH = 115,
    IDS_HTTP_PORT_INVALID = 116,
    IDS_IP_ADDRESS_INVALID = 117,
    IDS_SUBNET_MASK_INVALID = 118,
    IDS_GATEWAY_INVALID = 119,
    IDS_DNS_INVALID = 120,
    IDS_INCORRECT_PASSWORD = 121,
    IDS_CONNECT_FAILED = 122,
    IDS_DISCONNECTED = 123,
    IDS_NO_ECHO = 124,
    IDS_UNKNOWN_ECHO = 125,
    IDS_CAMERA_BUSY = 126,
    IDS_WRONG_CAMERA = 127,
    IDS_FILE_OPEN_FAILED = 128,
    IDS_NO_APP_FIRMWARE = 129,
    IDS_BAD_APP_IMAGE = 130,
    IDS_BAD_SYSTEM_IMAGE = 131,
    IDS_ANONYMOUS = 132,
    IDS_LIST_FULL = 140,
};

// The text of a string id, exactly as the user sees it; "" for an unknown id.
[[nodiscard]] const char* LoadText(int id);

}  // namespace vantrel

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace vantrel {

// Resource ids of the windows, menu, icon and controls. Widgets carry theirs
// in the "controlId" property beside an object name that says what they hold.
enum ResourceId : int {
    IDD_MAIN = 102,
    IDI_MAIN = 128,
    IDR_CAMERA_MENU = 133,
    IDD_NETWORK = 134,
    IDD_FIRMWARE = 136,

    ID_OK = 1,  // Windows' IDOK and IDCANCEL, named apart from their macros
    ID_CANCEL = 2,
    IDC_UPGRADE_APPLICATION = 3,
    IDC_CAMERA_LIST = 1004,
    IDC_IP_ADDRESS = 1005,
    IDC_GATEWAY = 1006,
    IDC_APP_VERSION = 1006,
    IDC_SUBNET_MASK = 1007,
    IDC_DNS_SERVER = 1008,
    IDC_HTTP_PORT = 1009,
    IDC_USING_DHCP = 1010,
    IDC_NETWORK_PASSWORD = 1011,
    IDC_UPLOAD_PROGRESS = 1011,
    IDC_UPGRADE_SYSTEM = 1012,
    IDC_SYSTEM_VERSION = 1013,
    IDC_FIRMWARE_PASSWORD = 1014,
    IDC_PASSWORD_LABEL = 1015,
    IDC_STATUS_LINE = 1016,  // the lines under the Windows window's list
    IDC_LIST_FULL = 1017,

    ID_ACCESS_CAMERA = 32775,
    ID_NETWORK_SETTINGS = 32772,
    ID_FIRMWARE = 32776,
    ID_SAVE_LIST = 32780,  // after the separator, for a site's records
    ID_COPY_CAMERAS = 32781,
};

}  // namespace vantrel

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
    IDD_SITE = 137,  // Network Settings for several cameras
    IDD_BATCH_UPGRADE = 138,

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

    // The site dialog.
    IDC_SITE_RANGE = 1020,
    IDC_SITE_DHCP = 1021,
    IDC_SITE_PLAN = 1022,
    IDC_SITE_FIRST = 1023,
    IDC_SITE_MASK = 1024,
    IDC_SITE_GATEWAY = 1025,
    IDC_SITE_DNS = 1026,
    IDC_LOAD_PLAN = 1027,
    IDC_PLAN_NAME = 1028,
    IDC_SITE_PASSWORD = 1029,
    IDC_PLAN_TABLE = 1030,
    IDC_PLAN_NOTES = 1031,
    IDC_APPLY = 1032,
    IDC_SAVE_REPORT = 1033,  // in the batch upgrade dialog too

    // The batch upgrade dialog.
    IDC_IMAGE_PATH = 1040,
    IDC_CHOOSE_IMAGE = 1041,
    IDC_IMAGE_KIND = 1042,
    IDC_BATCH_PASSWORD = 1043,
    IDC_AT_ONCE = 1044,
    IDC_AT_ONCE_SPIN = 1045,
    IDC_UPLOAD_TABLE = 1046,
    IDC_UPLOAD_SUMMARY = 1047,
    IDC_START_UPGRADE = 1048,
    IDC_STOP_AFTER = 1049,

    ID_ACCESS_CAMERA = 32775,
    ID_NETWORK_SETTINGS = 32772,
    ID_FIRMWARE = 32776,
    ID_SAVE_LIST = 32780,  // after the separator, for a site's records
    ID_COPY_CAMERAS = 32781,
};

}  // namespace vantrel

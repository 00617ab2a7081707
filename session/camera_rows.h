// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "protocol/camera_record.h"

namespace vantrel {

// One camera as the list command prints it: every text as it may be shown
// (camera bytes never reach the terminal raw), addresses dotted.
struct CameraRow {
    std::string id;
    std::string name;
    std::string ip;
    std::string mask;
    std::string gateway;
    std::string dns;
    unsigned httpPort = 0;
    std::string systemVersion;
    std::string appVersion;  // empty when the camera has no application firmware
    bool localSubnet = false;
    std::string webAddress;
    std::string status;  // the window's words: its web address, or what to do
    // The other answering cameras that report the same address: new cameras
    // on their factory address, or a clash.
    std::vector<std::string> addressSharedWith;
};

// A camera as the search lists it, with the raw ids of the other cameras
// that report its address.
struct ListedCamera {
    CameraRecord record;
    std::vector<std::string> sameAddress;
};

[[nodiscard]] CameraRow RowOf(const ListedCamera& camera);

// The rows sorted by id, so that two runs print alike.
[[nodiscard]] std::vector<CameraRow> SortedRows(const std::vector<ListedCamera>& cameras);

// A table with a heading line, columns as wide as their widest text; an
// address another camera reports too is marked, and a last line says so.
[[nodiscard]] std::string TableText(const std::vector<CameraRow>& rows);

// {"cameras": [...]} with the fields in the order of CameraRow; one line
// when indent is negative.
[[nodiscard]] std::string JsonText(const std::vector<CameraRow>& rows, int indent);

// A heading line, then one line per camera; fields quoted as RFC 4180 asks.
[[nodiscard]] std::string CsvText(const std::vector<CameraRow>& rows);

}  // namespace vantrel

// SPDX-License-Identifier: GPL-3.0-or-later
#include "res/string_table.h"

#include <algorithm>
#include <iterator>

namespace vantrel {

namespace {

struct Entry {
    int id;
    const char* text;
};

constexpr Entry STRINGS[] = {
    {IDS_SOCKET_INIT_FAILED, "fail to init windows socket !"},
    {IDS_CAPTION, "Vantrel"},
    {IDS_THREAD_FAILED, "fail to create thread !"},
    {IDS_SOCKET_ERROR, "socket error !"},
    {IDS_SUBNET_MISMATCH, "subnet does not match, please dbclick to change network settings !"},
    {IDS_HTTP_PORT_INVALID, "the http port can not be 0 or 10000 !"},
    {IDS_IP_ADDRESS_INVALID, "error ip address setting !"},
    {IDS_SUBNET_MASK_INVALID, "error subnet mask setting !"},
    {IDS_GATEWAY_INVALID, "error gateway setting !"},
    {IDS_DNS_INVALID, "error dns server setting !"},
    {IDS_INCORRECT_PASSWORD, "incorrect password !"},
    {IDS_CONNECT_FAILED, "fail to connect the camera !"},
    {IDS_DISCONNECTED, "disconnect by the camera !"},
    {IDS_NO_ECHO, "no echo from the camera !"},
    {IDS_UNKNOWN_ECHO, "unknown echo !"},
    {IDS_CAMERA_BUSY, "someone else has connected to the camera !"},
    {IDS_WRONG_CAMERA, "error camera is connected to!"},
    {IDS_FILE_OPEN_FAILED, "fail to open the file !"},
    {IDS_NO_APP_FIRMWARE, "appication firmware does not exist, please dbclick to upgrade it !"},
    {IDS_BAD_APP_IMAGE, "error application firmware upgrade file !"},
    {IDS_BAD_SYSTEM_IMAGE, "error system firmware upgrade file !"},
    {IDS_ANONYMOUS, "Anonymous"},
    {IDS_LIST_FULL,
     "More than 65536 cameras are answering. The ones past that are listed as soon as others "
     "stop answering."},
};

}  // namespace

const char* LoadText(int id) {
    const auto* found = std::find_if(std::begin(STRINGS), std::end(STRINGS),
                                     [id](const Entry& entry) { return entry.id == id; });
    return found != std::end(STRINGS) ? found->text : "";
}

}  // namespace vantrel

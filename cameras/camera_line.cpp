// SPDX-License-Identifier: GPL-3.0-or-later
#include "cameras/camera_line.h"

#include <algorithm>

#include "protocol/address_text.h"
#include "protocol/shown_text.h"
#include "protocol/socket.h"
#include "protocol/text_field.h"
#include "res/string_table.h"

namespace vantrel {

namespace {

constexpr std::size_t NAME_COLUMNS = 25;

}  // namespace

std::string WebAddress(const CameraRecord& camera) {
    const unsigned port = ntohs(camera.httpPort);
    const std::string address = DottedQuad(camera.ip);
    return port == 80 ? "http://" + address : "http://" + address + ":" + std::to_string(port);
}

std::string CameraStatusText(const CameraRecord& camera) {
    if (camera.subnetMatch == 0) {
        return LoadText(IDS_SUBNET_MISMATCH);
    }
    if (camera.appVersion == 0) {
        return LoadText(IDS_NO_APP_FIRMWARE);
    }
    return WebAddress(camera);
}

std::string CameraLineText(const CameraRecord& camera) {
    const std::string status = CameraStatusText(camera);
    // The name fills 25 columns, counted in characters, not bytes; a name
    // has at most 21 characters, so it is never cut.
    std::string line = ShownText(FieldText(camera.alias));
    line.append(NAME_COLUMNS - std::min(NAME_COLUMNS, CharacterCount(line)), ' ');
    return line + status.substr(0, 99);
}

std::string CameraDetailsText(const CameraRecord& camera,
                              const std::vector<std::string>& sameAddress) {
    std::string text = "Id: " + ShownText(FieldText(camera.id));
    text += "\nAddress: " + DottedQuad(camera.ip) + ", mask " + DottedQuad(camera.mask);
    text += "\nGateway: " + DottedQuad(camera.gateway) + ", DNS server " + DottedQuad(camera.dns);
    text += "\nHTTP port: " + std::to_string(ntohs(camera.httpPort));
    text += "\nSystem firmware: " + DottedQuad(camera.systemVersion) + ", application firmware " +
            (camera.appVersion == 0 ? std::string("none") : DottedQuad(camera.appVersion));
    for (std::size_t i = 0; i < sameAddress.size() && i < SAME_ADDRESS_NAMED; ++i) {
        text += (i == 0 ? "\nSame address as " : ", ") + ShownText(sameAddress[i]);
    }
    if (sameAddress.size() > SAME_ADDRESS_NAMED) {
        text += " and others";
    }
    return text;
}

}  // namespace vantrel

#include "mainwindow/camera_line.h"

#include <cstdio>

#include "protocol/address_text.h"
#include "protocol/socket.h"
#include "protocol/text_field.h"
#include "res/string_table.h"

namespace vantrel {

std::string WebAddress(const CameraRecord& camera) {
    const unsigned port = ntohs(camera.httpPort);
    const std::string address = DottedQuad(camera.ip);
    return port == 80 ? "http://" + address : "http://" + address + ":" + std::to_string(port);
}

std::string CameraLineText(const CameraRecord& camera) {
    std::string status;
    if (camera.subnetMatch == 0) {
        status = LoadText(IDS_SUBNET_MISMATCH);
    } else if (camera.appVersion == 0) {
        status = LoadText(IDS_NO_APP_FIRMWARE);
    } else {
        status = WebAddress(camera);
    }
    const std::string_view name = FieldText(camera.alias);
    char line[128];
    std::snprintf(line, sizeof line, "%-25.*s%.99s", static_cast<int>(name.size()), name.data(),
                  status.c_str());
    return line;
}

}  // namespace vantrel

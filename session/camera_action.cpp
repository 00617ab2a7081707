// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/camera_action.h"

namespace vantrel {

CameraAction ActionFor(const CameraRecord& camera) {
    if (!Reachable(camera)) {
        return CameraAction::NetworkSettings;
    }
    return camera.appVersion != 0 ? CameraAction::WebPage : CameraAction::Upgrade;
}

bool Reachable(const CameraRecord& camera) {
    return camera.subnetMatch != 0;
}

bool OffersWebPage(const CameraRecord& camera) {
    return ActionFor(camera) == CameraAction::WebPage;
}

bool IsPasswordRefusal(std::uint16_t result) {
    return result == 1 || result == 5 || result == 6;
}

}  // namespace vantrel

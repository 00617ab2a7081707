// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <fstream>
#include <stop_token>

#include "cameras/firmware_image.h"
#include "cameras/upgrade_view.h"
#include "protocol/camera_record.h"
#include "protocol/messages.h"

namespace vantrel {

// How long the session waits for the camera to connect and for each reply.
inline constexpr std::uint32_t UPGRADE_WAIT_MS = 3000;

// Uploads an image that passed its mark test to the camera at the record's
// ip and httpPort: connect, login, verify the password, then the image in
// 1024-byte chunks with no reply awaited, handed to the socket many at a
// time; it ends once the camera has acknowledged every byte, or the bytes
// stop moving for UPGRADE_WAIT_MS (then the delivery is unconfirmed). Every
// failure is told once; the socket and the image are closed on every path.
// A stop request ends the session before its next step or chunk, with
// nothing told. The view is called on the session's thread.
void RunUpgradeSession(std::ifstream image, ImageKind kind, const CameraRecord& camera,
                       IUpgradeView& view, std::stop_token stop = {});

}  // namespace vantrel

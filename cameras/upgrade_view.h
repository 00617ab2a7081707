// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace vantrel {

// Whether the camera acknowledged every byte of the image.
enum class Delivery {
    Confirmed,    // every byte reached the camera
    Unconfirmed,  // every byte went out; the camera's receipt of the last is not known
};

// What an upgrade session tells, as it happens, on the session's thread.
// A session that was stopped ends with neither a failure nor a finish.
class IUpgradeView {
  public:
    virtual ~IUpgradeView() = default;

    // The login and the password were taken: the image begins to go out.
    virtual void UploadStarted() = 0;
    // The share of the image (0 to 100) the socket has taken, after each chunk.
    virtual void UploadProgress(int percent) = 0;
    // A step failed: the message to show (a string id) and what happened,
    // in words for a log or a terminal ("the camera closed the connection
    // after 1 024 of 4 194 304 bytes"), or nothing more to say.
    virtual void UploadFailed(int messageId, const std::string& reason) = 0;
    // The whole image went out.
    virtual void UploadFinished(Delivery delivery) = 0;
};

}  // namespace vantrel

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cameras/upgrade_view.h"
#include "protocol/camera_record.h"

namespace vantrel {

// One camera's firmware upload, from its first step to its confirmed end:
// what the terminal's board, its report and exit status, and the window's
// dialogs all read.
struct UploadJob {
    enum class State {
        Waiting,
        Connecting,
        Uploading,
        Delivered,    // the camera acknowledged every byte
        Unconfirmed,  // every byte went out; the camera's receipt is not known
        Failed,
        Stopped,  // it ended before its image had gone out, without a failure
        // After the image, while the camera restarts and once it is back:
        Restarting,
        Back,           // with the new version
        BackUnchanged,  // with the version it had: it may have refused the image
        NotBack,        // not back in time, or it never restarted
    };

    CameraRecord camera{};  // as it answered before the upload, with the password
    State state = State::Waiting;
    int percent = 0;
    int messageId = 0;        // the failure's string id
    std::string reason;       // what happened, after the failure's words
    bool imageBegun = false;  // some of the image went to the camera
    std::string restart;      // how the restart goes, in the watch's words
    long long seconds = -1;   // from connecting to the end, once ended
};

// The job's camera as a board, a dialog or a report names it.
[[nodiscard]] std::string JobId(const UploadJob& job);
[[nodiscard]] std::string JobName(const UploadJob& job);

// Connecting or uploading: ending now could leave the camera with part of
// an image.
[[nodiscard]] bool IsInFlight(UploadJob::State state);
// Nothing more will happen to it.
[[nodiscard]] bool Ended(UploadJob::State state);
// The image went out whole.
[[nodiscard]] bool DeliveredImage(UploadJob::State state);

// How the whole image went out, once it has: acknowledged by the camera,
// or only sent; nothing before that.
[[nodiscard]] std::optional<Delivery> DeliveryOf(UploadJob::State state);
// How the job stands, in words: "uploading", "failed: socket error ! (the
// camera closed the connection after …)", "upgraded: back after 48 s with …".
[[nodiscard]] std::string StateText(const UploadJob& job);
// Its outcome in one or two words, for a report: "delivered", "upgraded",
// "broken off", "not started"…
[[nodiscard]] std::string_view ResultWords(const UploadJob& job);
// The cameras of a batch that can take an upload (those on this computer's
// subnet), each with the password, and where each stands among those given.
struct BatchCameras {
    std::vector<CameraRecord> cameras;
    std::vector<int> rows;
};
[[nodiscard]] BatchCameras UploadableCameras(const std::vector<CameraRecord>& selected,
                                             std::string_view password);
// The bar's percent: full once the whole image went out.
[[nodiscard]] int ShownPercent(const UploadJob& job);

// A run's jobs counted by how they stand: "8 cameras: 4 uploading, 4
// waiting", then by their outcome: "8 cameras: 1 failed, 7 upgraded".
[[nodiscard]] std::string RunSummaryText(const std::vector<UploadJob>& jobs);
// A camera left with part of an image needs a new upload.
[[nodiscard]] bool NeedsNewUpload(const UploadJob& job);

}  // namespace vantrel

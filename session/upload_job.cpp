// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/upload_job.h"

#include <map>

#include "cameras/network_settings.h"
#include "protocol/shown_text.h"
#include "protocol/text_field.h"
#include "res/string_table.h"
#include "session/camera_action.h"

namespace vantrel {

using State = UploadJob::State;

std::string JobId(const UploadJob& job) {
    return ShownText(FieldText(job.camera.id));
}

std::string JobName(const UploadJob& job) {
    return ShownText(FieldText(job.camera.alias));
}

bool IsInFlight(State state) {
    return state == State::Connecting || state == State::Uploading;
}

bool Ended(State state) {
    return state != State::Waiting && !IsInFlight(state) && state != State::Restarting;
}

bool DeliveredImage(State state) {
    return state == State::Delivered || state == State::Unconfirmed || state == State::Restarting ||
           state == State::Back || state == State::BackUnchanged || state == State::NotBack;
}

std::optional<Delivery> DeliveryOf(UploadJob::State state) {
    switch (state) {
        case UploadJob::State::Delivered:
            return Delivery::Confirmed;
        case UploadJob::State::Unconfirmed:
            return Delivery::Unconfirmed;
        default:
            return std::nullopt;
    }
}

std::string StateText(const UploadJob& job) {
    switch (job.state) {
        case State::Waiting:
            return "waiting";
        case State::Connecting:
            return "connecting";
        case State::Uploading:
            return "uploading";
        case State::Delivered:
            return "delivered";
        case State::Unconfirmed:
            return "sent, not confirmed";
        case State::Failed:
            return std::string("failed: ") + LoadText(job.messageId) +
                   (job.reason.empty() ? "" : " (" + job.reason + ")");
        case State::Restarting:
        case State::NotBack:
            return job.restart;
        case State::Back:
            return "upgraded: " + job.restart;
        case State::BackUnchanged:
            return "warning: " + job.restart;
        case State::Stopped:
            break;
    }
    return job.imageBegun ? "broken off at " + std::to_string(job.percent) +
                                " %: it needs a new upload, a camera left with part of an "
                                "image may not start"
                          : "stopped before its upload began";
}

std::string_view ResultWords(const UploadJob& job) {
    switch (job.state) {
        case State::Waiting:
            return "not started";
        case State::Connecting:
        case State::Uploading:
        case State::Stopped:
            return job.imageBegun ? "broken off" : "stopped";
        case State::Delivered:
            return "delivered";
        case State::Unconfirmed:
            return "sent, not confirmed";
        case State::Failed:
            return "failed";
        case State::Restarting:
            return "restarting";
        case State::Back:
            return "upgraded";
        case State::BackUnchanged:
            return "back unchanged";
        case State::NotBack:
            break;
    }
    return "not back";
}

bool NeedsNewUpload(const UploadJob& job) {
    return job.imageBegun &&
           (IsInFlight(job.state) || job.state == State::Failed || job.state == State::Stopped);
}

std::string RunSummaryText(const std::vector<UploadJob>& jobs) {
    std::map<std::string_view, std::size_t> counts;
    for (const UploadJob& job : jobs) {
        // A report's words are an ended job's: one under way is not yet
        // "broken off", one waiting not yet "not started".
        if (IsInFlight(job.state)) {
            ++counts["uploading"];
        } else if (job.state == State::Waiting) {
            ++counts["waiting"];
        } else {
            ++counts[ResultWords(job)];
        }
    }
    std::string text =
        std::to_string(jobs.size()) + (jobs.size() == 1 ? " camera: " : " cameras: ");
    bool first = true;
    for (const auto& [words, count] : counts) {
        text += (first ? "" : ", ") + std::to_string(count) + " " + std::string(words);
        first = false;
    }
    return text;
}

BatchCameras UploadableCameras(const std::vector<CameraRecord>& selected,
                               std::string_view password) {
    BatchCameras batch;
    for (std::size_t row = 0; row < selected.size(); ++row) {
        if (Reachable(selected[row])) {
            batch.cameras.push_back(selected[row]);
            (void)StorePassword(batch.cameras.back(), password);
            batch.rows.push_back(static_cast<int>(row));
        }
    }
    return batch;
}

int ShownPercent(const UploadJob& job) {
    return DeliveredImage(job.state) ? 100 : job.percent;
}

}  // namespace vantrel

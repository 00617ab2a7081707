// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "cameras/firmware_image.h"
#include "session/upload_job.h"

namespace vantrel {

// How an upgrade run ended, beside what became of each camera.
struct UpgradeRunEnd {
    bool interrupted = false;  // Ctrl+C, or "Stop after these"
    bool hungUp = false;       // the terminal went
};

// What an upgrade run did to each camera, as JSON for the site's records:
// written whatever became of the terminal. The keys are the manual page's.
[[nodiscard]] std::string UpgradeReport(const std::string& image, ImageKind kind,
                                        const std::vector<UploadJob>& jobs, UpgradeRunEnd end);

}  // namespace vantrel

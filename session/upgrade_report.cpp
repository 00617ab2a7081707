// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/upgrade_report.h"

#include <nlohmann/json.hpp>

#include "res/string_table.h"

namespace vantrel {

std::string UpgradeReport(const std::string& image, ImageKind kind,
                          const std::vector<UploadJob>& jobs, UpgradeRunEnd end) {
    nlohmann::ordered_json report;
    report["image"] = image;
    report["kind"] = kind == ImageKind::System ? "system" : "application";
    report["interrupted"] = end.interrupted;
    report["hung_up"] = end.hungUp;
    nlohmann::ordered_json cameras = nlohmann::ordered_json::array();
    for (const UploadJob& line : jobs) {
        nlohmann::ordered_json camera;
        camera["id"] = JobId(line);
        camera["name"] = JobName(line);
        camera["result"] = ResultWords(line);
        camera["percent"] = line.percent;
        camera["needs_new_upload"] = NeedsNewUpload(line);
        camera["message"] = line.messageId != 0 ? nlohmann::ordered_json(LoadText(line.messageId))
                                                : nlohmann::ordered_json();
        camera["reason"] =
            line.reason.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(line.reason);
        camera["restart"] =
            line.restart.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(line.restart);
        camera["seconds"] =
            line.seconds < 0 ? nlohmann::ordered_json() : nlohmann::ordered_json(line.seconds);
        cameras.push_back(std::move(camera));
    }
    report["cameras"] = std::move(cameras);
    return report.dump(2) + '\n';
}

}  // namespace vantrel

// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/upgrade_report.h"

#include <nlohmann/json.hpp>

#include "cli/interrupt.h"
#include "res/string_table.h"

namespace vantrel::cli {

namespace {

std::string Result(const CProgressBoard::Line& line) {
    switch (line.state) {
        case CProgressBoard::State::Waiting:
            return "not started";
        case CProgressBoard::State::Connecting:
        case CProgressBoard::State::Uploading:
        case CProgressBoard::State::Stopped:
            return line.imageBegun ? "broken off" : "stopped";
        case CProgressBoard::State::Done:
            return "delivered";
        case CProgressBoard::State::Unconfirmed:
            return "sent, not confirmed";
        case CProgressBoard::State::Failed:
            return "failed";
        case CProgressBoard::State::Restarting:
            return "restarting";
        case CProgressBoard::State::Back:
            return "upgraded";
        case CProgressBoard::State::BackUnchanged:
            return "back unchanged";
        case CProgressBoard::State::NotBack:
            return "not back";
    }
    return {};
}

bool NeedsNewUpload(const CProgressBoard::Line& line) {
    switch (line.state) {
        case CProgressBoard::State::Connecting:
        case CProgressBoard::State::Uploading:
        case CProgressBoard::State::Failed:
        case CProgressBoard::State::Stopped:
            return line.imageBegun;
        default:
            return false;
    }
}

}  // namespace

std::string UpgradeReport(const std::string& image, ImageKind kind,
                          const std::vector<CProgressBoard::Line>& lines) {
    nlohmann::ordered_json report;
    report["image"] = image;
    report["kind"] = kind == ImageKind::System ? "system" : "application";
    report["interrupted"] = Interrupted();
    report["hung_up"] = HungUp();
    nlohmann::ordered_json cameras = nlohmann::ordered_json::array();
    for (const CProgressBoard::Line& line : lines) {
        nlohmann::ordered_json camera;
        camera["id"] = line.id;
        camera["name"] = line.name;
        camera["result"] = Result(line);
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

}  // namespace vantrel::cli

// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/plan_report.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "protocol/address_text.h"
#include "protocol/shown_text.h"
#include "protocol/text_field.h"
#include "session/text_table.h"

namespace vantrel {

namespace {

using Outcome = CPlanRollout::Outcome;

std::string Id(const CameraRecord& camera) {
    return ShownText(FieldText(camera.id));
}

std::string Name(const CameraRecord& camera) {
    return ShownText(FieldText(camera.alias));
}

std::string NewAddress(const PlanChange& change) {
    return change.dhcp ? "DHCP" : DottedQuad(change.after.ip);
}

std::string NewMask(const PlanChange& change) {
    return change.dhcp ? "" : DottedQuad(change.after.mask);
}

nlohmann::ordered_json Settings(const CameraRecord& camera) {
    return {{"ip", DottedQuad(camera.ip)},
            {"mask", DottedQuad(camera.mask)},
            {"gateway", DottedQuad(camera.gateway)},
            {"dns", DottedQuad(camera.dns)}};
}

bool EndsWithCsv(const std::string& path) {
    if (path.size() < 4) {
        return false;
    }
    std::string end = path.substr(path.size() - 4);
    std::transform(end.begin(), end.end(), end.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return end == ".csv";
}

}  // namespace

std::string PlanChangesText(const std::vector<PlanChange>& changes) {
    std::vector<std::vector<std::string>> lines{
        {"ID", "NAME", "ADDRESS", "MASK", "NEW ADDRESS", "NEW MASK"}};
    for (const PlanChange& change : changes) {
        lines.push_back({Id(change.before), Name(change.before), DottedQuad(change.before.ip),
                         DottedQuad(change.before.mask), NewAddress(change), NewMask(change)});
    }
    return AlignedText(lines);
}

std::string PlanCountsText(const CPlanRollout& rollout) {
    const std::pair<Outcome, const char*> counted[] = {
        {Outcome::Changed, "changed"},
        {Outcome::Refused, "refused the password"},
        {Outcome::Unchanged, "still on their old settings"},
        {Outcome::NotAnswering, "not answering"},
        {Outcome::Waiting, "not confirmed yet"},
    };
    std::string counts;
    for (const auto& [outcome, words] : counted) {
        if (const std::size_t count = rollout.Count(outcome)) {
            counts += (counts.empty() ? "" : ", ") + std::to_string(count) + " " + words;
        }
    }
    // Refusals too few for the cameras left on their old settings belong to
    // some of them, and no one can say which.
    const std::size_t refused = rollout.Count(Outcome::Refused);
    if (rollout.Count(Outcome::Unchanged) > 0 && rollout.Refusals() > refused) {
        counts +=
            "; " + std::to_string(rollout.Refusals() - refused) + " of them refused the password";
    }
    return counts;
}

std::string PlanStatusText(const CPlanRollout& rollout, bool ended) {
    const std::size_t cameras = rollout.Cameras().size();
    const std::string planned = std::to_string(cameras) + (cameras == 1 ? " camera" : " cameras");
    if (ended) {
        return "Network settings of " + planned + ": " + PlanCountsText(rollout);
    }
    return "Network settings of " + planned + ": " +
           std::to_string(rollout.Count(Outcome::Changed)) + " show their new settings so far";
}

std::string PlanResultText(const CPlanRollout& rollout) {
    std::vector<std::vector<std::string>> lines{
        {"ID", "NAME", "ADDRESS", "NEW ADDRESS", "NEW MASK", "RESULT"}};
    for (const CPlanRollout::Camera& camera : rollout.Cameras()) {
        lines.push_back({Id(camera.change.before), Name(camera.change.before),
                         DottedQuad(camera.change.before.ip), NewAddress(camera.change),
                         NewMask(camera.change), std::string(OutcomeText(camera.outcome))});
    }
    return AlignedText(lines) + PlanCountsText(rollout) + '\n';
}

std::string PlanReport(const CPlanRollout& rollout, const std::string& path) {
    if (EndsWithCsv(path)) {
        std::string text =
            "id,name,line,ip,mask,gateway,dns,dhcp,new_ip,new_mask,new_gateway,new_dns,"
            "now_ip,now_mask,result\n";
        for (const CPlanRollout::Camera& camera : rollout.Cameras()) {
            const CameraRecord& before = camera.change.before;
            const CameraRecord& after = camera.change.after;
            const bool dhcp = camera.change.dhcp;
            const auto asked = [dhcp](std::uint32_t address) {
                return dhcp ? std::string() : DottedQuad(address);
            };
            const auto now = [&camera](std::uint32_t address) {
                return camera.answered ? DottedQuad(address) : std::string();
            };
            const std::string fields[] = {Id(before),
                                          Name(before),
                                          std::to_string(camera.change.line),
                                          DottedQuad(before.ip),
                                          DottedQuad(before.mask),
                                          DottedQuad(before.gateway),
                                          DottedQuad(before.dns),
                                          dhcp ? "yes" : "no",
                                          asked(after.ip),
                                          asked(after.mask),
                                          asked(after.gateway),
                                          asked(after.dns),
                                          now(camera.now.ip),
                                          now(camera.now.mask),
                                          std::string(OutcomeText(camera.outcome))};
            for (std::size_t i = 0; i < std::size(fields); ++i) {
                text += (i == 0 ? "" : ",") + CsvField(fields[i]);
            }
            text += '\n';
        }
        return text;
    }
    nlohmann::ordered_json cameras = nlohmann::ordered_json::array();
    for (const CPlanRollout::Camera& camera : rollout.Cameras()) {
        nlohmann::ordered_json asked = {{"dhcp", camera.change.dhcp}};
        if (!camera.change.dhcp) {
            asked.update(Settings(camera.change.after));
        }
        cameras.push_back({{"id", Id(camera.change.before)},
                           {"name", Name(camera.change.before)},
                           {"line", camera.change.line},
                           {"before", Settings(camera.change.before)},
                           {"asked", std::move(asked)},
                           {"now", camera.answered ? Settings(camera.now) : nullptr},
                           {"result", OutcomeText(camera.outcome)}});
    }
    const nlohmann::ordered_json report = {{"cameras", std::move(cameras)},
                                           {"password_refusals", rollout.Refusals()}};
    return report.dump(2) + '\n';
}

}  // namespace vantrel

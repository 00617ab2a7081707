// SPDX-License-Identifier: GPL-3.0-or-later
#include "cameras/plan_check.h"

#include <string>
#include <unordered_map>
#include <unordered_set>

#include "cameras/id_list.h"
#include "cameras/network_settings.h"
#include "protocol/address_text.h"
#include "protocol/shown_text.h"
#include "protocol/socket.h"
#include "protocol/text_field.h"
#include "res/string_table.h"

namespace vantrel {

namespace {

std::string Where(std::size_t line) {
    return line == 0 ? "" : " (line " + std::to_string(line) + ")";
}

// A plan's empty cell keeps the camera's value.
NetworkChanges ChangesOf(const PlanRow& row) {
    const auto given = [](const std::string& cell) {
        return cell.empty() ? std::nullopt : std::optional<std::string>(cell);
    };
    return {std::nullopt,    row.dhcp,           given(row.ip),
            given(row.mask), given(row.gateway), given(row.dns)};
}

}  // namespace

CheckedPlan CheckPlan(const std::vector<PlanRow>& rows, const std::vector<CameraRecord>& answering,
                      const std::vector<std::uint32_t>& hostAddresses) {
    CheckedPlan checked;
    std::vector<PlanProblem>& problems = checked.problems;
    std::unordered_map<std::string, const CameraRecord*> byId;
    for (const CameraRecord& camera : answering) {
        byId.emplace(FieldText(camera.id), &camera);
    }
    std::unordered_map<std::string, std::size_t> planned;  // id to its row
    bool missing = false;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const PlanRow& row = rows[i];
        const std::string shownId = ShownText(row.id);
        const auto [first, isNew] = planned.emplace(row.id, i);
        if (!isNew) {
            problems.push_back(
                {row.line, shownId, "is in the plan twice" + Where(rows[first->second].line)});
            continue;
        }
        const auto camera = byId.find(row.id);
        if (camera == byId.end()) {
            problems.push_back({row.line, shownId, "did not answer"});
            missing = true;
            continue;
        }
        PlanChange change{row.line, *camera->second, *camera->second, row.dhcp};
        if (const int message =
                ApplyNetworkForm(FormFor(change.before, ChangesOf(row)), change.after).messageId) {
            problems.push_back({row.line, shownId, LoadText(message)});
            continue;
        }
        checked.changes.push_back(change);
    }
    if (missing) {
        problems.push_back({0, "", "the cameras that answered: " + IdList(answering)});
    }

    // What no single form can see. A camera the plan moves frees its
    // address; one it leaves alone keeps it.
    std::unordered_map<std::uint32_t, const CameraRecord*> staying;
    for (const CameraRecord& camera : answering) {
        if (!planned.contains(std::string(FieldText(camera.id)))) {
            staying.emplace(camera.ip, &camera);
        }
    }
    const std::unordered_set<std::uint32_t> own(hostAddresses.begin(), hostAddresses.end());
    std::unordered_map<std::uint32_t, const PlanChange*> given;
    for (const PlanChange& change : checked.changes) {
        if (change.dhcp) {
            continue;
        }
        const std::string shownId = ShownText(FieldText(change.after.id));
        const std::string address = DottedQuad(change.after.ip);
        const auto [other, isNew] = given.emplace(change.after.ip, &change);
        if (!isNew) {
            problems.push_back({change.line, shownId,
                                address + " is also given to " +
                                    ShownText(FieldText(other->second->after.id)) +
                                    Where(other->second->line)});
        }
        if (const auto holder = staying.find(change.after.ip); holder != staying.end()) {
            const std::string holderId = ShownText(FieldText(holder->second->id));
            problems.push_back({change.line, shownId,
                                address + " is " + holderId +
                                    "'s address, and the plan does not move " + holderId});
        }
        if (own.contains(change.after.ip)) {
            problems.push_back({change.line, shownId, address + " is this computer's own address"});
        }
        if ((change.after.ip | change.after.mask) == 0xffffffffu) {
            problems.push_back(
                {change.line, shownId, address + " is the broadcast address of its subnet"});
        }
    }
    SortProblems(problems);
    checked.proposed = checked.changes;
    if (!problems.empty()) {
        checked.changes.clear();
    }
    return checked;
}

}  // namespace vantrel

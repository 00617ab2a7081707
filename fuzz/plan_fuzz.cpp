// SPDX-License-Identifier: GPL-3.0-or-later
// The site plan reader and its check: one fuzz input is one plan file, as
// a spreadsheet or a careless hand may save it. Whatever it holds, the
// reading ends, each row it keeps is whole, and a checked plan is either
// sendable or refused, never both.

#include <arpa/inet.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "cameras/plan_check.h"
#include "cameras/plan_file.h"
#include "protocol/text_field.h"

using namespace vantrel;

namespace {

CameraRecord Camera(const char* id, const char* ip) {
    CameraRecord camera{};
    std::strncpy(camera.id, id, sizeof camera.id - 1);
    std::strncpy(camera.alias, id, sizeof camera.alias - 1);
    camera.ip = inet_addr(ip);
    camera.mask = inet_addr("255.255.255.0");
    camera.gateway = inet_addr("192.168.1.1");
    camera.dns = inet_addr("192.168.1.1");
    camera.httpPort = htons(80);
    camera.systemVersion = 0x01000000;
    camera.subnetMatch = 1;
    camera.seen = 1;
    return camera;
}

// Two new cameras on their factory address, one already set up; the seeds
// name them.
const std::vector<CameraRecord> ANSWERING = {Camera("CAM0001", "192.168.1.10"),
                                             Camera("CAM0002", "192.168.1.10"),
                                             Camera("CAM0003", "192.168.1.30")};
const std::vector<std::uint32_t> HOST = {inet_addr("192.168.1.5")};

void Require(bool holds) {
    if (!holds) {
        std::abort();
    }
}

void CheckRows(const SitePlan& plan, std::size_t lines) {
    Require(!plan.rows.empty() || !plan.problems.empty());
    std::size_t last = 0;
    for (const PlanRow& row : plan.rows) {
        Require(row.line > last && row.line <= lines);
        last = row.line;
        Require(!row.id.empty());
        const bool addresses =
            !(row.ip.empty() && row.mask.empty() && row.gateway.empty() && row.dns.empty());
        Require(row.dhcp != addresses);
    }
    std::size_t previous = 0;
    for (const PlanProblem& problem : plan.problems) {
        Require(!problem.text.empty() && problem.line <= lines);
        // Problems come in line order; the plan's own ones (line 0) last.
        const std::size_t order = problem.line == 0 ? SIZE_MAX : problem.line;
        Require(order >= previous);
        previous = order;
    }
}

void CheckChecked(const SitePlan& plan, const CheckedPlan& checked) {
    Require(checked.changes.empty() || checked.problems.empty());
    if (!checked.problems.empty()) {
        return;
    }
    Require(checked.changes.size() == plan.rows.size());
    std::unordered_set<std::uint32_t> given;
    for (const PlanChange& change : checked.changes) {
        Require(FieldText(change.before.id) == FieldText(change.after.id));
        if (!change.dhcp) {
            Require(given.insert(change.after.ip).second);
            Require(change.after.ip != HOST.front());
            Require((change.after.ip | change.after.mask) != 0xffffffffu);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view csv(reinterpret_cast<const char*>(data), size);
    const SitePlan plan = ReadPlan(csv, "plan.csv");
    // A line ends at LF (a CR before it goes with it); the last needs no end.
    const std::size_t lines =
        1 + static_cast<std::size_t>(std::count(csv.begin(), csv.end(), '\n'));
    CheckRows(plan, lines);
    CheckChecked(plan, CheckPlan(plan.rows, ANSWERING, HOST));
    return 0;
}

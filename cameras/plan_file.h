// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace vantrel {

// One camera's line of a site plan: what it is to become. An empty address
// keeps the camera's own value.
struct PlanRow {
    std::size_t line = 0;  // in the plan file; 0 when the plan came from a range
    std::string id;
    std::string ip;
    std::string mask;
    std::string gateway;
    std::string dns;
    bool dhcp = false;
};

// Something wrong with a plan, tied to its line (0: the plan as a whole,
// or a range) and camera (may be empty).
struct PlanProblem {
    std::size_t line = 0;
    std::string id;
    std::string text;
};

// Puts problems in the order of their lines, those of no line last.
void SortProblems(std::vector<PlanProblem>& problems);

struct SitePlan {
    std::vector<PlanRow> rows;
    std::vector<PlanProblem> problems;
};

// A plan as a spreadsheet saves it: CSV with a header row naming the columns
// id, ip, mask, gateway, dns and dhcp (id and at least one other), quoted
// fields, CRLF or LF line ends, with or without a UTF-8 byte-order mark.
// Blank lines are skipped. name is what errors call the text.
[[nodiscard]] SitePlan ReadPlan(std::string_view csv, const std::string& name);

// The plan in a file; a problem on line 0 when it cannot be read.
[[nodiscard]] SitePlan ReadPlanFile(const std::string& path);

// Each camera, in the order given, to take DHCP.
[[nodiscard]] SitePlan DhcpPlan(const std::vector<std::string>& ids);

// The cameras, in the order given, on consecutive addresses from first,
// each with the same mask, gateway and DNS (empty: the camera's own),
// passing over the addresses in skip (network order).
[[nodiscard]] SitePlan RangePlan(const std::vector<std::string>& ids, const std::string& first,
                                 const std::string& mask, const std::string& gateway,
                                 const std::string& dns,
                                 const std::unordered_set<std::uint32_t>& skip = {});

}  // namespace vantrel

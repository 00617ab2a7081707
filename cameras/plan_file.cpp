// SPDX-License-Identifier: GPL-3.0-or-later
#include "cameras/plan_file.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>

// The CSV library copies a file name into its error texts with strncpy,
// which GCC flags wherever the copy is inlined.
#define CSV_IO_NO_THREAD
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wstringop-truncation"
#endif
#include <csv.h>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

#include "protocol/address_text.h"
#include "protocol/socket.h"

namespace vantrel {

namespace {

using Quoting = io::double_quote_escape<',', '"'>;
using Trimming = io::trim_chars<' ', '\t'>;

enum Column : std::size_t { ID, IP, MASK, GATEWAY, DNS, DHCP, COLUMNS };
constexpr std::array<std::string_view, COLUMNS> COLUMN_NAMES = {"id",      "ip",  "mask",
                                                                "gateway", "dns", "dhcp"};
constexpr char COLUMN_LIST[] = "id, ip, mask, gateway, dns and dhcp";

std::string Lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The cells of one line, unquoted and trimmed as the CSV library does it;
// the line is cut up in place.
std::vector<std::string> Cells(char* line) {
    std::vector<std::string> cells;
    for (;;) {
        char* begin = line;
        char* end = begin + (Quoting::find_next_column_end(begin) - begin);
        const bool last = *end == '\0';
        line = end + 1;
        Trimming::trim(begin, end);
        Quoting::unescape(begin, end);
        cells.emplace_back(begin, end);
        if (last) {
            return cells;
        }
    }
}

bool Blank(const std::vector<std::string>& cells) {
    return std::all_of(cells.begin(), cells.end(), [](const std::string& c) { return c.empty(); });
}

// Where each known column stands in the header (told in plan when it has
// problems), or nothing when the rows cannot be read by it. The rows are
// still read past an unknown column, so that their problems are told too.
std::optional<std::array<std::optional<std::size_t>, COLUMNS>> ReadHeader(
    const std::vector<std::string>& cells, std::size_t line, SitePlan& plan) {
    std::array<std::optional<std::size_t>, COLUMNS> at{};
    bool readable = true;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const std::string name = Lowered(cells[i]);
        const auto known = std::find(COLUMN_NAMES.begin(), COLUMN_NAMES.end(), name);
        if (known == COLUMN_NAMES.end()) {
            plan.problems.push_back(
                {line, "",
                 "unknown column \"" + cells[i] + "\"; a plan's columns are " + COLUMN_LIST});
            continue;
        }
        auto& slot = at[static_cast<std::size_t>(known - COLUMN_NAMES.begin())];
        if (slot) {
            plan.problems.push_back({line, "", "the column " + name + " is named twice"});
            readable = false;
        }
        slot = i;
    }
    if (!at[ID]) {
        plan.problems.push_back({line, "", "the header names no id column"});
        readable = false;
    }
    if (std::none_of(at.begin() + IP, at.end(),
                     [](const auto& slot) { return slot.has_value(); })) {
        plan.problems.push_back({line, "",
                                 "the header names nothing to change: ip, mask, "
                                 "gateway, dns or dhcp"});
        readable = false;
    }
    return readable ? std::optional(at) : std::nullopt;
}

void ReadRow(const std::vector<std::string>& cells,
             const std::array<std::optional<std::size_t>, COLUMNS>& at, std::size_t headerCells,
             std::size_t line, SitePlan& plan) {
    // A spreadsheet may leave out empty cells at the end, never add some.
    if (cells.size() > headerCells) {
        plan.problems.push_back({line, "",
                                 "has " + std::to_string(cells.size()) +
                                     " cells where the header has " + std::to_string(headerCells)});
        return;
    }
    const auto cell = [&](Column column) -> std::string {
        return at[column] && *at[column] < cells.size() ? cells[*at[column]] : std::string();
    };
    PlanRow row{line, cell(ID), cell(IP), cell(MASK), cell(GATEWAY), cell(DNS), false};
    if (row.id.empty()) {
        plan.problems.push_back({line, "", "gives no camera id"});
        return;
    }
    const std::string dhcp = Lowered(cell(DHCP));
    if (dhcp == "yes") {
        row.dhcp = true;
    } else if (!dhcp.empty() && dhcp != "no") {
        plan.problems.push_back(
            {line, row.id, "dhcp is \"" + cell(DHCP) + "\"; write yes, no or nothing"});
        return;
    }
    const bool addresses =
        !(row.ip.empty() && row.mask.empty() && row.gateway.empty() && row.dns.empty());
    if (row.dhcp && addresses) {
        plan.problems.push_back({line, row.id, "asks for DHCP and gives addresses too"});
        return;
    }
    if (!row.dhcp && !addresses) {
        plan.problems.push_back({line, row.id, "gives nothing to change"});
        return;
    }
    plan.rows.push_back(std::move(row));
}

}  // namespace

void SortProblems(std::vector<PlanProblem>& problems) {
    const auto order = [](const PlanProblem& problem) {
        return problem.line == 0 ? SIZE_MAX : problem.line;
    };
    std::stable_sort(
        problems.begin(), problems.end(),
        [&](const PlanProblem& a, const PlanProblem& b) { return order(a) < order(b); });
}

SitePlan ReadPlan(std::string_view csv, const std::string& name) {
    SitePlan plan;
    try {
        io::LineReader lines(name, csv.data(), csv.data() + csv.size());
        std::optional<std::array<std::optional<std::size_t>, COLUMNS>> at;
        std::size_t headerCells = 0;
        bool headerRead = false;
        while (char* text = lines.next_line()) {
            const std::size_t line = lines.get_file_line();
            std::vector<std::string> cells;
            try {
                cells = Cells(text);
            } catch (const io::error::escaped_string_not_closed&) {
                plan.problems.push_back({line, "", "a quoted cell is not closed"});
                continue;
            }
            if (Blank(cells)) {
                continue;
            }
            if (!headerRead) {
                headerRead = true;
                headerCells = cells.size();
                at = ReadHeader(cells, line, plan);
            } else if (at) {
                ReadRow(cells, *at, headerCells, line, plan);
            }
        }
        if (!headerRead) {
            plan.problems.push_back({0, "",
                                     "the plan is empty; its first line names the columns: " +
                                         std::string(COLUMN_LIST)});
        } else if (at && plan.rows.empty() && plan.problems.empty()) {
            plan.problems.push_back({0, "", "the plan names no camera"});
        }
    } catch (const io::error::base& error) {
        plan.problems.push_back({0, "", error.what()});
    }
    return plan;
}

SitePlan ReadPlanFile(const std::string& path) {
    const auto unreadable = [&path] {
        return SitePlan{{}, {{0, "", "cannot read " + path + ": " + std::strerror(errno)}}};
    };
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return unreadable();
    }
    // Not `text << file.rdbuf()`: that fails on an empty file, which is
    // a plan with nothing in it rather than one that cannot be read.
    const std::string text{std::istreambuf_iterator<char>(file), {}};
    if (file.bad()) {
        return unreadable();
    }
    return ReadPlan(text, path);
}

SitePlan RangePlan(const std::vector<std::string>& ids, const std::string& first,
                   const std::string& mask, const std::string& gateway, const std::string& dns) {
    SitePlan plan;
    const std::uint64_t start = ntohl(ReadAddress(first));
    if (!ids.empty() && start + (ids.size() - 1) > 0xffffffffu) {
        plan.problems.push_back({0, "",
                                 "the addresses from " + first + " for " +
                                     std::to_string(ids.size()) +
                                     " cameras run past 255.255.255.255"});
        return plan;
    }
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const auto ip = static_cast<std::uint32_t>(start + i);
        plan.rows.push_back({0, ids[i], DottedQuad(htonl(ip)), mask, gateway, dns, false});
    }
    return plan;
}

}  // namespace vantrel

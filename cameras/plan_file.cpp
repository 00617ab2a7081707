// SPDX-License-Identifier: GPL-3.0-or-later
#include "cameras/plan_file.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <unordered_map>

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

#include "cameras/file_bytes.h"
#include "protocol/address_text.h"
#include "protocol/socket.h"
#include "res/string_table.h"

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

// A plan larger than this is no spreadsheet's: 65 536 cameras take 6 MiB.
constexpr std::size_t PLAN_BYTES_LIMIT = 16 * 1024 * 1024;
// Lines that are not text told before the reading stops: a binary file
// would otherwise give one problem for each of its thousands of lines.
constexpr std::size_t NOT_TEXT_LINES_TOLD = 3;

// Whether the plan was saved as UTF-16, as a spreadsheet's "Unicode text"
// is: its byte-order mark, or letters each with a zero byte beside it.
bool IsUtf16(std::string_view text) {
    if (text.starts_with("\xff\xfe") || text.starts_with("\xfe\xff")) {
        return true;
    }
    const std::size_t look = std::min<std::size_t>(text.size(), 64) & ~std::size_t{1};
    bool little = look >= 4;
    bool big = look >= 4;
    for (std::size_t i = 0; i < look; i += 2) {
        little = little && text[i] != '\0' && text[i + 1] == '\0';
        big = big && text[i] == '\0' && text[i + 1] != '\0';
    }
    return little || big;
}

// What makes a line no text, or nothing: a NUL byte, which would end the
// line's text early, or another control byte. Tabs and CRs are text.
std::optional<std::string> NotText(std::string_view line) {
    const auto bad = std::find_if(line.begin(), line.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && c != '\t' && c != '\r') || byte == 0x7f;
    });
    if (bad == line.end()) {
        return std::nullopt;
    }
    const std::string column = std::to_string(bad - line.begin() + 1);
    if (*bad == '\0') {
        return "holds a NUL byte at column " + column + "; a plan is text";
    }
    char byte[8];
    std::snprintf(byte, sizeof byte, "0x%02x", static_cast<unsigned char>(*bad));
    return "holds the control byte " + std::string(byte) + " at column " + column +
           "; a plan is text";
}

// The lines that are not text, by line number, up to the few that are told;
// the line after the last one told, when reading is to stop there.
struct NotTextLines {
    std::unordered_map<std::size_t, std::string> told;
    std::optional<std::size_t> stopAt;
};

NotTextLines FindNotTextLines(std::string_view text) {
    NotTextLines lines;
    std::size_t number = 1;
    for (std::size_t start = 0; start < text.size(); ++number) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        if (auto problem = NotText(text.substr(start, end - start))) {
            if (lines.told.size() == NOT_TEXT_LINES_TOLD) {
                lines.stopAt = number;
                return lines;
            }
            lines.told.emplace(number, std::move(*problem));
        }
        start = end + 1;
    }
    return lines;
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
    if (IsUtf16(csv)) {
        plan.problems.push_back({0, "",
                                 name + " is saved as UTF-16 (\"Unicode text\"); save it from "
                                        "the spreadsheet as \"CSV UTF-8\" and try again"});
        return plan;
    }
    const NotTextLines notText = FindNotTextLines(csv);
    try {
        io::LineReader lines(name, csv.data(), csv.data() + csv.size());
        std::optional<std::array<std::optional<std::size_t>, COLUMNS>> at;
        std::size_t headerCells = 0;
        bool headerRead = false;
        while (char* text = lines.next_line()) {
            const std::size_t line = lines.get_file_line();
            if (line == notText.stopAt) {
                plan.problems.push_back(
                    {line, "",
                     "stopped here: more lines that are not text; " + name + " is no CSV plan"});
                break;
            }
            if (const auto problem = notText.told.find(line); problem != notText.told.end()) {
                plan.problems.push_back({line, "", problem->second});
                // A header that cannot be read leaves no row to read by it.
                headerRead = true;
                continue;
            }
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
    const FileBytes file = ReadFileBytes(path, PLAN_BYTES_LIMIT);
    if (!file.bytes) {
        return SitePlan{{}, {{0, "", "cannot read " + path + ": " + file.problem}}};
    }
    if (!file.whole) {
        return SitePlan{{},
                        {{0, "",
                          path + " is larger than " + std::to_string(PLAN_BYTES_LIMIT >> 20) +
                              " MiB: no plan is that large"}}};
    }
    return ReadPlan(*file.bytes, path);
}

SitePlan DhcpPlan(const std::vector<std::string>& ids) {
    SitePlan plan;
    for (const std::string& id : ids) {
        plan.rows.push_back({0, id, "", "", "", "", true});
    }
    return plan;
}

SitePlan RangePlan(const std::vector<std::string>& ids, const std::string& first,
                   const std::string& mask, const std::string& gateway, const std::string& dns,
                   const std::unordered_set<std::uint32_t>& skip) {
    SitePlan plan;
    const std::optional<std::uint32_t> from = ReadAddress(first);
    if (!from) {
        plan.problems.push_back(
            {0, "", std::string(LoadText(IDS_IP_ADDRESS_INVALID)) + " (" + first + ")"});
        return plan;
    }
    std::uint64_t next = ntohl(*from);
    for (const std::string& id : ids) {
        while (next <= 0xffffffffu && skip.contains(htonl(static_cast<std::uint32_t>(next)))) {
            ++next;
        }
        if (next > 0xffffffffu) {
            plan.rows.clear();
            plan.problems.push_back({0, "",
                                     "the addresses from " + first + " for " +
                                         std::to_string(ids.size()) +
                                         " cameras run past 255.255.255.255"});
            return plan;
        }
        plan.rows.push_back({0, id, DottedQuad(htonl(static_cast<std::uint32_t>(next++))), mask,
                             gateway, dns, false});
    }
    return plan;
}

}  // namespace vantrel

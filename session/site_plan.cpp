// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/site_plan.h"

#include <algorithm>

#include "protocol/address_text.h"
#include "protocol/shown_text.h"
#include "protocol/socket.h"
#include "protocol/text_field.h"

namespace vantrel {

namespace {

// Asked with a range beside its own addresses, so that one asking
// usually finds what to pass over and what to take instead.
constexpr std::size_t SPARE_ADDRESSES = 8;

std::string AddressAndMask(std::uint32_t address, std::uint32_t mask) {
    return DottedQuad(address) + "/" + DottedQuad(mask);
}

bool ByAddress(const AddressHolder& a, const AddressHolder& b) {
    return ntohl(a.address) < ntohl(b.address);
}

}  // namespace

std::string HeldAddressText(const AddressHolder& holder) {
    return DottedQuad(holder.address) + " is in use: a device with hardware address " +
           holder.hardware + " answers for it";
}

std::string SkippedAddressText(const AddressHolder& holder) {
    return "skipped " + DottedQuad(holder.address) + ": a device with hardware address " +
           holder.hardware + " answers for it";
}

CSitePlan::CSitePlan(std::vector<CameraRecord> answering, std::vector<HostInterface> host)
    : m_answering(std::move(answering)), m_host(std::move(host)) {
    for (const CameraRecord& camera : m_answering) {
        m_cameraAddresses.insert(camera.ip);
    }
}

void CSitePlan::Range(std::vector<std::string> ids, std::string first, std::string mask,
                      std::string gateway, std::string dns) {
    m_rangeIds = std::move(ids);
    m_first = std::move(first);
    m_mask = std::move(mask);
    m_gateway = std::move(gateway);
    m_dns = std::move(dns);
    Check();
}

void CSitePlan::Plan(SitePlan plan) {
    m_rangeIds.clear();
    m_plan = std::move(plan);
    Check();
}

bool CSitePlan::OnHostSubnet(std::uint32_t address) const {
    return std::any_of(m_host.begin(), m_host.end(), [address](const HostInterface& row) {
        return !row.loopback && row.mask != 0 && (address & row.mask) == (row.address & row.mask);
    });
}

// A camera's own address needs no asking: a moved camera frees it, and
// one that stays is a problem already. Neither do this computer's own.
bool CSitePlan::NeedsAsking(const PlanChange& change) const {
    const std::uint32_t address = change.after.ip;
    return !change.dhcp && OnHostSubnet(address) && !m_cameraAddresses.contains(address) &&
           std::none_of(m_host.begin(), m_host.end(),
                        [address](const HostInterface& row) { return row.address == address; });
}

std::vector<std::uint32_t> CSitePlan::AddressesToAsk() const {
    std::vector<std::uint32_t> ask;
    std::uint32_t last = 0;
    for (const PlanChange& change : m_checked.proposed) {
        if (NeedsAsking(change) && !m_asked.contains(change.after.ip)) {
            ask.push_back(change.after.ip);
        }
        last = std::max<std::uint32_t>(last, ntohl(change.after.ip));
    }
    if (ask.empty() || m_rangeIds.empty()) {
        return ask;
    }
    for (std::size_t spare = 0; spare < SPARE_ADDRESSES && last < 0xfffffffeu; ++spare) {
        const std::uint32_t address = htonl(++last);
        if (OnHostSubnet(address) && !m_asked.contains(address)) {
            ask.push_back(address);
        }
    }
    return ask;
}

void CSitePlan::Answered(const std::vector<std::uint32_t>& asked,
                         const std::optional<std::vector<AddressHolder>>& holders) {
    m_asked.insert(asked.begin(), asked.end());
    if (!holders) {
        m_unread.insert(asked.begin(), asked.end());
    } else {
        for (const AddressHolder& holder : *holders) {
            // A camera of this list that the neighbour table still shows at
            // its old address is no other device.
            if (!m_cameraAddresses.contains(holder.address)) {
                m_held.emplace(holder.address, holder.hardware);
            }
        }
    }
    Check();
}

void CSitePlan::Check() {
    if (!m_rangeIds.empty()) {
        std::unordered_set<std::uint32_t> skip;
        for (const auto& [address, hardware] : m_held) {
            skip.insert(address);
        }
        m_plan = RangePlan(m_rangeIds, m_first, m_mask, m_gateway, m_dns, skip);
    }
    std::vector<std::uint32_t> own;
    for (const HostInterface& row : m_host) {
        own.push_back(row.address);
    }
    m_checked = CheckPlan(m_plan.rows, m_answering, own);
    m_checked.problems.insert(m_checked.problems.end(), m_plan.problems.begin(),
                              m_plan.problems.end());
    m_skipped.clear();
    if (!m_rangeIds.empty()) {
        // Passed over: the held addresses between the range's first and
        // its last.
        const std::optional<std::uint32_t> first = ReadAddress(m_first);
        std::uint32_t last = 0;
        for (const PlanChange& change : m_checked.proposed) {
            last = std::max<std::uint32_t>(last, ntohl(change.after.ip));
        }
        for (const auto& [address, hardware] : m_held) {
            if (first && ntohl(address) >= ntohl(*first) && ntohl(address) < last) {
                m_skipped.push_back({address, hardware});
            }
        }
        std::sort(m_skipped.begin(), m_skipped.end(), ByAddress);
    } else {
        for (const PlanChange& change : m_checked.proposed) {
            if (const auto held = m_held.find(change.after.ip);
                !change.dhcp && held != m_held.end()) {
                m_checked.problems.push_back({change.line, ShownText(FieldText(change.after.id)),
                                              HeldAddressText({held->first, held->second})});
            }
        }
    }
    SortProblems(m_checked.problems);
    if (!m_checked.problems.empty()) {
        m_checked.changes.clear();
    }
}

bool CSitePlan::Sendable() const {
    return m_checked.problems.empty() && !m_checked.changes.empty() && AddressesToAsk().empty();
}

bool CSitePlan::ShownOnRow(const PlanProblem& problem, const PlanRow& row) const {
    if (problem.line != 0) {
        return problem.line == row.line && !problem.id.empty();
    }
    return !problem.id.empty() && problem.id == ShownText(row.id);
}

std::string CSitePlan::AddressCheck(const PlanChange& change) const {
    if (change.dhcp || !NeedsAsking(change)) {
        return OnHostSubnet(change.after.ip) || change.dhcp ? "ok" : "not checked";
    }
    if (m_unread.contains(change.after.ip)) {
        return "not checked";
    }
    return m_asked.contains(change.after.ip) ? "ok" : "checking…";
}

std::vector<SitePlanRow> CSitePlan::Rows() const {
    // A range that gives no addresses yet still shows its cameras.
    std::vector<PlanRow> shown = m_plan.rows;
    if (shown.empty()) {
        for (const std::string& id : m_rangeIds) {
            shown.push_back({0, id, "", "", "", "", false});
        }
    }
    std::vector<SitePlanRow> rows;
    rows.reserve(shown.size());
    for (const PlanRow& planned : shown) {
        SitePlanRow row;
        row.id = ShownText(planned.id);
        const auto camera = std::find_if(
            m_answering.begin(), m_answering.end(),
            [&](const CameraRecord& record) { return FieldText(record.id) == planned.id; });
        if (camera != m_answering.end()) {
            row.name = ShownText(FieldText(camera->alias));
            row.now = AddressAndMask(camera->ip, camera->mask);
        }
        const auto change = std::find_if(
            m_checked.proposed.begin(), m_checked.proposed.end(), [&](const PlanChange& proposed) {
                return FieldText(proposed.after.id) == planned.id && proposed.line == planned.line;
            });
        if (change != m_checked.proposed.end()) {
            row.after =
                change->dhcp ? "DHCP" : AddressAndMask(change->after.ip, change->after.mask);
        }
        for (const PlanProblem& problem : m_checked.problems) {
            if (ShownOnRow(problem, planned)) {
                row.check += (row.problem ? "; " : "") + problem.text;
                row.problem = true;
            }
        }
        if (!row.problem && change != m_checked.proposed.end()) {
            row.check = AddressCheck(*change);
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<std::string> CSitePlan::Notes() const {
    std::vector<std::string> notes;
    for (const PlanProblem& problem : OtherProblems()) {
        notes.push_back((problem.line != 0 ? "line " + std::to_string(problem.line) + ": " : "") +
                        (problem.id.empty() ? "" : problem.id + ": ") + problem.text);
    }
    for (const AddressHolder& skipped : m_skipped) {
        notes.push_back(SkippedAddressText(skipped));
    }
    return notes;
}

std::vector<PlanProblem> CSitePlan::OtherProblems() const {
    std::vector<PlanProblem> other;
    for (const PlanProblem& problem : m_checked.problems) {
        if (std::none_of(m_plan.rows.begin(), m_plan.rows.end(),
                         [&](const PlanRow& row) { return ShownOnRow(problem, row); })) {
            other.push_back(problem);
        }
    }
    return other;
}

}  // namespace vantrel

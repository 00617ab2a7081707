// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "cameras/plan_check.h"
#include "cameras/plan_file.h"
#include "discovery/address_holders.h"
#include "discovery/host_interfaces.h"
#include "protocol/camera_record.h"

namespace vantrel {

// One camera of a plan as the site dialog's table shows it.
struct SitePlanRow {
    std::string id;
    std::string name;
    std::string now;    // "192.168.1.10/255.255.255.0", or empty if it did not answer
    std::string after;  // the same as planned, or "DHCP"; empty if its row is refused
    std::string check;  // "ok", "not checked", "checking…", or its problems
    bool problem = false;
};

// A plan for many cameras at once, from a range, DHCP for each, or a plan
// file, checked as a whole before anything is sent; and each planned
// address on one of this computer's subnets is asked about on the link,
// so that no camera is given an address another device already holds. A
// range passes over such addresses; in a plan they are problems.
class CSitePlan {
  public:
    CSitePlan(std::vector<CameraRecord> answering, std::vector<HostInterface> host);

    // The cameras, by id in this order, on consecutive addresses from first.
    void Range(std::vector<std::string> ids, std::string first, std::string mask,
               std::string gateway, std::string dns);
    // The plan as it stands: a file's, or DHCP for each camera.
    void Plan(SitePlan plan);

    // The addresses still to be asked about; empty once the plan is checked.
    [[nodiscard]] std::vector<std::uint32_t> AddressesToAsk() const;
    // What asking about them found; nothing when the neighbour table could
    // not be read, which leaves them not checked.
    void Answered(const std::vector<std::uint32_t>& asked,
                  const std::optional<std::vector<AddressHolder>>& holders);

    // Every problem, the plan's own and the link's, in plan order; the
    // changes only when there are none.
    [[nodiscard]] const CheckedPlan& Checked() const { return m_checked; }
    // Nothing wrong, nothing left to ask, and something to send.
    [[nodiscard]] bool Sendable() const;
    [[nodiscard]] std::vector<SitePlanRow> Rows() const;
    // The problems no row shows: the plan's as a whole, or a line's that
    // names no camera.
    [[nodiscard]] std::vector<PlanProblem> OtherProblems() const;
    // The addresses a range passed over, in order, each with its device.
    [[nodiscard]] const std::vector<AddressHolder>& Skipped() const { return m_skipped; }
    // What a dialog says under its table: the problems no row shows, then
    // the addresses passed over; one line each.
    [[nodiscard]] std::vector<std::string> Notes() const;

  private:
    void Check();
    [[nodiscard]] bool OnHostSubnet(std::uint32_t address) const;
    [[nodiscard]] bool NeedsAsking(const PlanChange& change) const;
    [[nodiscard]] std::string AddressCheck(const PlanChange& change) const;
    [[nodiscard]] bool ShownOnRow(const PlanProblem& problem, const PlanRow& row) const;

    const std::vector<CameraRecord> m_answering;
    const std::vector<HostInterface> m_host;
    std::unordered_set<std::uint32_t> m_cameraAddresses;  // where answering cameras are now
    std::vector<std::string> m_rangeIds;                  // empty: the plan is not a range
    std::string m_first, m_mask, m_gateway, m_dns;
    SitePlan m_plan;
    CheckedPlan m_checked;
    std::unordered_set<std::uint32_t> m_asked;
    std::unordered_set<std::uint32_t> m_unread;  // asked, but the table could not be read
    std::unordered_map<std::uint32_t, std::string> m_held;  // address to its device
    std::vector<AddressHolder> m_skipped;
};

// The words of the link's check, shared by the terminal and the windows.
[[nodiscard]] std::string HeldAddressText(const AddressHolder& holder);
[[nodiscard]] std::string SkippedAddressText(const AddressHolder& holder);

}  // namespace vantrel

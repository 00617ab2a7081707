// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "discovery/address_holders.h"
#include "session/session_dispatcher.h"

namespace vantrel {

// Asks the link who holds addresses on a thread of its own, so that a
// window keeps answering its desktop for the seconds that takes; the answer
// comes on the front end's thread, through its dispatcher.
class CAddressAsking {
  public:
    using Answer = std::function<void(const std::vector<std::uint32_t>& asked,
                                      const std::optional<std::vector<AddressHolder>>& holders)>;
    CAddressAsking(ISessionDispatcher& dispatcher, NeighbourAccess access, Answer answer);
    // Stops the asking under way, which ends within one read of the table.
    ~CAddressAsking();
    CAddressAsking(const CAddressAsking&) = delete;
    CAddressAsking& operator=(const CAddressAsking&) = delete;

    // Asks about the addresses once the asking under way has answered;
    // a newer question replaces one that waits.
    void Ask(std::vector<std::uint32_t> addresses);
    [[nodiscard]] bool Busy() const { return m_busy; }

  private:
    void Begin(std::vector<std::uint32_t> addresses);
    void Ended(const std::vector<std::uint32_t>& asked,
               const std::optional<std::vector<AddressHolder>>& holders);

    ISessionDispatcher& m_dispatcher;
    const NeighbourAccess m_access;
    const Answer m_answer;
    bool m_busy = false;
    std::optional<std::vector<std::uint32_t>> m_waiting;
    // Answers still queued when the asker goes find it gone.
    std::shared_ptr<CAddressAsking*> m_self = std::make_shared<CAddressAsking*>(this);
    std::jthread m_thread;  // last: stopped and joined before the rest goes
};

}  // namespace vantrel

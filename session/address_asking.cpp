// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/address_asking.h"

namespace vantrel {

CAddressAsking::CAddressAsking(ISessionDispatcher& dispatcher, NeighbourAccess access,
                               Answer answer)
    : m_dispatcher(dispatcher), m_access(std::move(access)), m_answer(std::move(answer)) {}

CAddressAsking::~CAddressAsking() {
    *m_self = nullptr;
}

void CAddressAsking::Ask(std::vector<std::uint32_t> addresses) {
    if (m_busy) {
        m_waiting = std::move(addresses);
        return;
    }
    Begin(std::move(addresses));
}

void CAddressAsking::Begin(std::vector<std::uint32_t> addresses) {
    m_busy = true;
    // The thread before has told its answer and ends with its last statement.
    m_thread = std::jthread([this, addresses = std::move(addresses),
                             self = std::weak_ptr<CAddressAsking*>(m_self)](std::stop_token stop) {
        std::optional<std::vector<AddressHolder>> holders =
            FindAddressHolders(addresses, HOLDERS_WAIT, m_access, stop);
        if (stop.stop_requested()) {
            return;
        }
        m_dispatcher.Dispatch([self, addresses, holders = std::move(holders)] {
            if (const auto alive = self.lock(); alive && *alive != nullptr) {
                (*alive)->Ended(addresses, holders);
            }
        });
    });
}

// Each answer is told, even one a newer question has overtaken: what it
// found still holds.
void CAddressAsking::Ended(const std::vector<std::uint32_t>& asked,
                           const std::optional<std::vector<AddressHolder>>& holders) {
    m_busy = false;
    std::optional<std::vector<std::uint32_t>> waiting = std::move(m_waiting);
    m_waiting.reset();
    m_answer(asked, holders);  // may ask again
    if (waiting) {
        Ask(std::move(*waiting));
    }
}

}  // namespace vantrel

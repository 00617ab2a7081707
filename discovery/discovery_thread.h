// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>

#include "discovery/discovery_sink.h"
#include "discovery/thread_message_queue.h"
#include "protocol/messages.h"

namespace vantrel {

inline constexpr std::uint64_t SEARCH_PERIOD_MS = 3000;
// How long the worker waits on its socket before it looks at its messages:
// a search asked for, or the end, waits at most this long.
inline constexpr std::uint32_t RECEIVE_WAIT_MS = 20;

// Milliseconds from a fixed start, never wrapping.
using MillisecondClock = std::function<std::uint64_t()>;
[[nodiscard]] std::uint64_t SteadyMilliseconds();

// Where the worker listens and sends. The program always uses the defaults;
// tests move the worker to another port, a loopback destination and a clock
// of their own.
struct DiscoveryConfig {
    std::uint16_t port = DISCOVERY_PORT;             // bound, host order
    std::uint32_t destination = LIMITED_BROADCAST;   // network order
    std::uint16_t destinationPort = DISCOVERY_PORT;  // host order
    MillisecondClock clock = SteadyMilliseconds;
};

// The worker's loop: one thread message, a search when due, then the
// datagrams that have arrived (one report for them all), until QUIT or a
// failure of its socket (reported with PostSocketError).
// Returns 0 on every path.
int DiscoveryThreadProc(IDiscoverySink& sink, CThreadMessageQueue& queue,
                        const DiscoveryConfig& config);

}  // namespace vantrel

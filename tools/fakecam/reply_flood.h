// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdio>

namespace vantrel::fakecam {

// Floods the LAN with search replies that nobody asked for, each from a
// camera id never seen before: count replies spread evenly over durationMs,
// sent as limited broadcasts to the host's port from a socket of their own.
void SendReplyFlood(std::size_t count, unsigned durationMs, const std::atomic<bool>& stop,
                    std::FILE* log);

}  // namespace vantrel::fakecam

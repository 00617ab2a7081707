// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace vantrel {

// Result of every send and receive of the camera protocol.
using Status = std::int16_t;

// The names keep clear of Windows' headers, whose STATUS_TIMEOUT is an NT
// status macro.
inline constexpr Status STATUS_OK = 0;
inline constexpr Status STATUS_SOCKET_ERROR = -2;
inline constexpr Status STATUS_TIMED_OUT = -3;
inline constexpr Status STATUS_DISCONNECTED = -6;

}  // namespace vantrel

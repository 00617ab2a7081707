// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace vantrel {

// Result of every send and receive of the camera protocol.
using Status = std::int16_t;

// Windows' headers define STATUS_TIMEOUT as an NT status macro; the name is
// this protocol's here (socket.h drops the macro after those headers too).
#undef STATUS_TIMEOUT

inline constexpr Status STATUS_OK = 0;
inline constexpr Status STATUS_SOCKET_ERROR = -2;
inline constexpr Status STATUS_TIMEOUT = -3;
inline constexpr Status STATUS_DISCONNECTED = -6;

}  // namespace vantrel

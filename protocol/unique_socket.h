// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "protocol/socket.h"

namespace vantrel {

// Owns one socket handle and closes it on every path.
class UniqueSocket {
  public:
    UniqueSocket() = default;
    explicit UniqueSocket(SocketHandle handle) : m_handle(handle) {}
    ~UniqueSocket() { CloseSocket(m_handle); }

    UniqueSocket(UniqueSocket&& other) noexcept : m_handle(other.Release()) {}
    UniqueSocket& operator=(UniqueSocket&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }
    UniqueSocket(const UniqueSocket&) = delete;
    UniqueSocket& operator=(const UniqueSocket&) = delete;

    [[nodiscard]] SocketHandle Get() const { return m_handle; }
    [[nodiscard]] bool IsValid() const { return m_handle != INVALID_SOCKET_HANDLE; }

    void Reset(SocketHandle handle = INVALID_SOCKET_HANDLE) {
        CloseSocket(m_handle);
        m_handle = handle;
    }
    [[nodiscard]] SocketHandle Release() {
        const SocketHandle handle = m_handle;
        m_handle = INVALID_SOCKET_HANDLE;
        return handle;
    }

  private:
    SocketHandle m_handle = INVALID_SOCKET_HANDLE;
};

}  // namespace vantrel

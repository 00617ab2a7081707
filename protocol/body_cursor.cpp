// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/body_cursor.h"

#include <cstring>

namespace vantrel {

bool CBodyCursor::ReadBytes(void* destination, std::size_t count) {
    if (!m_current || count > m_left) {
        return false;
    }
    if (count > 0) {
        std::memcpy(destination, m_position, count);
        m_position += count;
        m_left -= count;
    }
    return true;
}

}  // namespace vantrel

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "protocol/camera_record.h"

namespace vantrel {

// The listed cameras' records, in the order the cameras were first found,
// with an index by id beside them so that a reply finds its record at once.
// Line i of a list shows record i: the table says which lines to add, drop
// and rewrite, and the window's list (or the terminal's) does exactly that
// and no more.
class CCameraTable {
  public:
    // The most records held. A flood of made-up ids stops here; new ids
    // then wait until older ones go, while known cameras go on as usual.
    static constexpr std::size_t CEILING = 65536;

    enum class Merge {
        Added,    // a new camera: its line goes at the end now
        Updated,  // a known camera: its line shows the new values at the next refresh
        Refused,  // a new camera while the table is full
    };
    [[nodiscard]] Merge Take(const CameraRecord& record);

    struct Refresh {
        // The lines to drop, as runs (first, count) numbered as before the
        // refresh, in ascending order.
        std::vector<std::pair<std::size_t, std::size_t>> dropped;
        // The lines, numbered after the drop, whose record changed what its
        // line shows since the line was written.
        std::vector<std::size_t> changed;
        // A new camera was refused since the previous refresh.
        bool refused = false;
    };
    // A refresh tick: the records not seen since the previous one go, and
    // every record left is marked unseen.
    [[nodiscard]] Refresh DropUnseen();

    void Clear();
    [[nodiscard]] const std::vector<CameraRecord>& Records() const { return m_records; }

  private:
    static std::string Key(const CameraRecord& record);

    std::vector<CameraRecord> m_records;
    std::vector<bool> m_changed;  // beside m_records
    std::unordered_map<std::string, std::size_t> m_index;
    bool m_refused = false;
};

}  // namespace vantrel

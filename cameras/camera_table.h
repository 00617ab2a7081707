// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
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

    // A camera goes only after it has missed this many searches in a row:
    // Wi-Fi bridges and busy switches drop a reply now and then, and a line
    // that comes and goes (and comes back at the bottom) is worse than one
    // that goes a period late.
    static constexpr unsigned MISSES_TO_DROP = 2;

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
    // A refresh tick, right after a search: the records that have now
    // missed MISSES_TO_DROP searches in a row go, and every record left is
    // marked unseen.
    [[nodiscard]] Refresh DropUnseen();

    // The ids of the other listed cameras that report line's address, in
    // list order, at most `most` of them: two new cameras on their factory
    // address read alike in a list, and only this tells them apart.
    [[nodiscard]] std::vector<std::string> SameAddress(std::size_t line, std::size_t most) const;

    void Clear();
    [[nodiscard]] const std::vector<CameraRecord>& Records() const { return m_records; }

  private:
    // What the table keeps beside each record.
    struct LineState {
        bool changed = false;     // what its line shows changed since written
        std::uint8_t missed = 0;  // searches missed in a row
    };

    static std::string Key(const CameraRecord& record);
    void CountAddress(std::uint32_t address);
    void UncountAddress(std::uint32_t address);

    std::vector<CameraRecord> m_records;
    std::vector<LineState> m_states;  // beside m_records
    std::unordered_map<std::string, std::size_t> m_index;
    bool m_refused = false;
    // How many records report each address, so that a line whose address
    // is its own (nearly every line) is known at once not to share it.
    std::unordered_map<std::uint32_t, std::size_t> m_addressCount;
};

}  // namespace vantrel

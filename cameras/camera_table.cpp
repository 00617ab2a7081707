// SPDX-License-Identifier: GPL-3.0-or-later
#include "cameras/camera_table.h"

#include "protocol/text_field.h"

namespace vantrel {

namespace {

// The fields a line shows.
bool SameLine(const CameraRecord& a, const CameraRecord& b) {
    return SameFieldText(a.alias, b.alias) && a.ip == b.ip && a.httpPort == b.httpPort &&
           a.appVersion == b.appVersion && a.subnetMatch == b.subnetMatch;
}

// Storage is given back once the table has shrunk to a small part of it,
// so that memory returns after a flood.
constexpr std::size_t SHRINK_FACTOR = 4;
constexpr std::size_t KEEP_ANYWAY = 1024;

// A map keeps its buckets when emptied; a new one is built to size.
template <typename Map>
void ShrinkMap(Map& map) {
    Map rebuilt(map.begin(), map.end(), map.size());
    map.swap(rebuilt);
}

}  // namespace

std::string CCameraTable::Key(const CameraRecord& record) {
    return std::string(FieldText(record.id));
}

void CCameraTable::CountAddress(std::uint32_t address) {
    ++m_addressCount[address];
}

void CCameraTable::UncountAddress(std::uint32_t address) {
    const auto count = m_addressCount.find(address);
    if (count != m_addressCount.end() && --count->second == 0) {
        m_addressCount.erase(count);
    }
}

CCameraTable::Merge CCameraTable::Take(const CameraRecord& record) {
    std::string key = Key(record);
    if (const auto known = m_index.find(key); known != m_index.end()) {
        CameraRecord& old = m_records[known->second];
        if (!SameLine(old, record)) {
            m_states[known->second].changed = true;
        }
        if (old.ip != record.ip) {
            UncountAddress(old.ip);
            CountAddress(record.ip);
        }
        old = record;
        return Merge::Updated;
    }
    if (m_records.size() == CEILING) {
        m_refused = true;
        return Merge::Refused;
    }
    m_index.emplace(std::move(key), m_records.size());
    m_records.push_back(record);
    m_states.emplace_back();
    CountAddress(record.ip);
    return Merge::Added;
}

CCameraTable::Refresh CCameraTable::DropUnseen() {
    Refresh refresh;
    refresh.refused = std::exchange(m_refused, false);
    std::size_t kept = 0;
    for (std::size_t i = 0; i < m_records.size(); ++i) {
        CameraRecord& record = m_records[i];
        LineState& state = m_states[i];
        state.missed = record.seen != 0 ? 0 : state.missed + 1;
        if (state.missed >= MISSES_TO_DROP) {
            m_index.erase(Key(record));
            UncountAddress(record.ip);
            auto& runs = refresh.dropped;
            if (!runs.empty() && runs.back().first + runs.back().second == i) {
                ++runs.back().second;
            } else {
                runs.emplace_back(i, 1);
            }
            continue;
        }
        record.seen = 0;
        if (kept != i) {
            m_records[kept] = record;
            m_states[kept] = state;
            m_index[Key(record)] = kept;
        }
        if (m_states[kept].changed) {
            refresh.changed.push_back(kept);
            m_states[kept].changed = false;
        }
        ++kept;
    }
    m_records.resize(kept);
    m_states.resize(kept);
    if (m_records.capacity() > KEEP_ANYWAY && m_records.capacity() > SHRINK_FACTOR * kept) {
        m_records.shrink_to_fit();
        m_states.shrink_to_fit();
        ShrinkMap(m_index);
        ShrinkMap(m_addressCount);
    }
    return refresh;
}

std::vector<std::string> CCameraTable::SameAddress(std::size_t line, std::size_t most) const {
    std::vector<std::string> ids;
    const std::uint32_t address = m_records[line].ip;
    const auto count = m_addressCount.find(address);
    if (count == m_addressCount.end() || count->second < 2) {
        return ids;
    }
    for (std::size_t i = 0; i < m_records.size() && ids.size() < most; ++i) {
        if (i != line && m_records[i].ip == address) {
            ids.push_back(Key(m_records[i]));
        }
    }
    return ids;
}

void CCameraTable::Clear() {
    m_records = {};
    m_states = {};
    m_index = {};
    m_addressCount = {};
    m_refused = false;
}

}  // namespace vantrel

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

}  // namespace

std::string CCameraTable::Key(const CameraRecord& record) {
    return std::string(FieldText(record.id));
}

CCameraTable::Merge CCameraTable::Take(const CameraRecord& record) {
    std::string key = Key(record);
    if (const auto known = m_index.find(key); known != m_index.end()) {
        CameraRecord& old = m_records[known->second];
        if (!SameLine(old, record)) {
            m_changed[known->second] = true;
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
    m_changed.push_back(false);
    return Merge::Added;
}

CCameraTable::Refresh CCameraTable::DropUnseen() {
    Refresh refresh;
    refresh.refused = std::exchange(m_refused, false);
    std::size_t kept = 0;
    for (std::size_t i = 0; i < m_records.size(); ++i) {
        CameraRecord& record = m_records[i];
        if (record.seen == 0) {
            m_index.erase(Key(record));
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
            m_changed[kept] = m_changed[i];
            m_index[Key(record)] = kept;
        }
        if (m_changed[kept]) {
            refresh.changed.push_back(kept);
            m_changed[kept] = false;
        }
        ++kept;
    }
    m_records.resize(kept);
    m_changed.resize(kept);
    if (m_records.capacity() > KEEP_ANYWAY && m_records.capacity() > SHRINK_FACTOR * kept) {
        m_records.shrink_to_fit();
        m_changed.shrink_to_fit();
        // A map keeps its buckets when emptied; a new one is built to size.
        std::unordered_map<std::string, std::size_t> index(m_index.begin(), m_index.end(), kept);
        m_index.swap(index);
    }
    return refresh;
}

void CCameraTable::Clear() {
    m_records = {};
    m_changed = {};
    m_index = {};
    m_refused = false;
}

}  // namespace vantrel

// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/camera_search.h"

#include <ostream>
#include <utility>

#include "cli/interrupt.h"
#include "protocol/text_field.h"
#include "protocol/unique_socket.h"
#include "res/string_table.h"

namespace vantrel::cli {

namespace {

constexpr auto POLL_PERIOD = std::chrono::milliseconds(100);

// Whether another program holds the discovery port. The worker binds it the
// same way a moment later; this only tells a taken port from other faults.
bool DiscoveryPortTaken() {
    const UniqueSocket probe(socket(AF_INET, SOCK_DGRAM, 0));
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(DISCOVERY_PORT);
    return probe.IsValid() &&
           bind(probe.Get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 &&
           FailureOf(LastSocketError()) == SocketFailure::AddressInUse;
}

}  // namespace

CCameraSearch::CCameraSearch(Forget forget) : m_forget(forget) {}

CCameraSearch::~CCameraSearch() {
    m_worker.Stop();
}

ExitCode CCameraSearch::Start(std::ostream& errors) {
    if (DiscoveryPortTaken()) {
        errors << "vantrel-cli: UDP port " << DISCOVERY_PORT
               << " is in use by another program, perhaps a running Vantrel window.\n"
                  "Cameras answer on that port only: close that program and try again.\n";
        return EXIT_NETWORK;
    }
    if (!m_worker.Start()) {
        errors << "vantrel-cli: " << LoadText(IDS_THREAD_FAILED) << '\n';
        return EXIT_NETWORK;
    }
    return EXIT_OK;
}

CCameraSearch::WaitEnd CCameraSearch::WaitUntil(const std::function<bool()>& done,
                                                std::uint64_t lastSearch) {
    for (;;) {
        if (Interrupted()) {
            return WaitEnd::Interrupted;
        }
        if (done()) {
            return WaitEnd::Done;
        }
        std::unique_lock lock(m_mutex);
        if (m_socketFailed) {
            return WaitEnd::SocketFailed;
        }
        if (m_searches > lastSearch) {
            return WaitEnd::SearchesOver;
        }
        m_news.wait_for(lock, POLL_PERIOD);
    }
}

std::optional<CCameraSearch::Found> CCameraSearch::Find(std::string_view id) const {
    const std::lock_guard lock(m_mutex);
    const auto answered = m_answered.find(std::string(id));
    if (answered == m_answered.end()) {
        return std::nullopt;
    }
    for (const CameraRecord& record : m_table.Records()) {
        if (FieldText(record.id) == id) {
            return Found{record, answered->second};
        }
    }
    return std::nullopt;
}

std::vector<CameraRecord> CCameraSearch::Cameras() const {
    const std::lock_guard lock(m_mutex);
    return m_table.Records();
}

std::vector<ListedCamera> CCameraSearch::Listed() const {
    const std::lock_guard lock(m_mutex);
    const std::vector<CameraRecord>& records = m_table.Records();
    std::vector<ListedCamera> listed;
    listed.reserve(records.size());
    for (std::size_t line = 0; line < records.size(); ++line) {
        listed.push_back({records[line], m_table.SameAddress(line, records.size())});
    }
    return listed;
}

std::vector<CameraRecord> CCameraSearch::AnsweredAfter(std::uint64_t search) const {
    const std::lock_guard lock(m_mutex);
    std::vector<CameraRecord> answered;
    for (const CameraRecord& record : m_table.Records()) {
        const auto at = m_answered.find(std::string(FieldText(record.id)));
        if (at != m_answered.end() && at->second > search) {
            answered.push_back(record);
        }
    }
    return answered;
}

std::uint64_t CCameraSearch::Searches() const {
    const std::lock_guard lock(m_mutex);
    return m_searches;
}

std::uint64_t CCameraSearch::Version() const {
    const std::lock_guard lock(m_mutex);
    return m_version;
}

unsigned CCameraSearch::TakePasswordRefusals() {
    const std::lock_guard lock(m_mutex);
    return std::exchange(m_passwordRefusals, 0);
}

bool CCameraSearch::TakeTableFull() {
    const std::lock_guard lock(m_mutex);
    return std::exchange(m_tableFull, false);
}

void CCameraSearch::SetNetwork(const CameraRecord& record) {
    m_worker.PostSetNetwork(record);
}

void CCameraSearch::SetNetworks(std::vector<CameraRecord> records) {
    m_worker.PostSetNetworks(std::move(records));
}

void CCameraSearch::PostSocketError() {
    const std::lock_guard lock(m_mutex);
    m_socketFailed = true;
    ++m_version;
    m_news.notify_all();
}

void CCameraSearch::PostSetNetworkResult(std::uint16_t result) {
    // The results the window takes for a wrong password; replies are not
    // matched to requests, so other values are no one's answer in particular.
    if (result != 1 && result != 5 && result != 6) {
        return;
    }
    const std::lock_guard lock(m_mutex);
    ++m_passwordRefusals;
    ++m_version;
    m_news.notify_all();
}

void CCameraSearch::Follow(std::string_view id) {
    const std::lock_guard lock(m_mutex);
    m_followed[std::string(id)] = Followed{};
}

std::vector<bool> CCameraSearch::TakeAnswers(std::string_view id) {
    const std::lock_guard lock(m_mutex);
    const auto followed = m_followed.find(std::string(id));
    return followed == m_followed.end() ? std::vector<bool>{}
                                        : std::exchange(followed->second.answers, {});
}

// Called right after each search: replies to it come later, so what came
// since the previous one answered that.
void CCameraSearch::PostCameraRefresh() {
    const std::lock_guard lock(m_mutex);
    ++m_searches;
    for (auto& [id, followed] : m_followed) {
        followed.answers.push_back(std::exchange(followed.answered, false));
    }
    if (m_forget == Forget::Unseen) {
        m_tableFull |= m_table.DropUnseen().refused;
        // The ids of cameras that went would otherwise pile up in a flood.
        if (m_answered.size() > 2 * m_table.Records().size() + 1024) {
            std::unordered_map<std::string, std::uint64_t> kept;
            for (const CameraRecord& record : m_table.Records()) {
                const std::string id(FieldText(record.id));
                kept.emplace(id, m_answered[id]);
            }
            m_answered = std::move(kept);
        }
    }
    ++m_version;
    m_news.notify_all();
}

void CCameraSearch::PostCamerasFound(std::vector<CameraRecord> records) {
    const std::lock_guard lock(m_mutex);
    for (const CameraRecord& record : records) {
        if (m_table.Take(record) == CCameraTable::Merge::Refused) {
            m_tableFull = true;
            continue;
        }
        const std::string id(FieldText(record.id));
        m_answered[id] = m_searches;
        if (const auto followed = m_followed.find(id); followed != m_followed.end()) {
            followed->second.answered = true;
        }
    }
    ++m_version;
    m_news.notify_all();
}

}  // namespace vantrel::cli

// SPDX-License-Identifier: GPL-3.0-or-later
// The neighbour table on Linux, dumped over rtnetlink.
#include <linux/neighbour.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

#include <array>
#include <cstring>

#include "discovery/neighbour_table.h"
#include "protocol/unique_socket.h"

namespace vantrel {

namespace {

// The kernel answers a dump at once; a table it cannot send within this
// long is not to be waited for.
constexpr std::uint32_t DUMP_WAIT_MS = 1000;

Neighbour::State StateOf(std::uint16_t state) {
    if ((state & (NUD_REACHABLE | NUD_PERMANENT | NUD_NOARP)) != 0) {
        return Neighbour::State::Reachable;
    }
    if ((state & (NUD_STALE | NUD_DELAY | NUD_PROBE)) != 0) {
        return Neighbour::State::Unconfirmed;
    }
    return (state & NUD_INCOMPLETE) != 0 ? Neighbour::State::Resolving : Neighbour::State::Failed;
}

std::optional<Neighbour> RowOf(const nlmsghdr& message) {
    const auto* row = static_cast<const ndmsg*>(NLMSG_DATA(&message));
    if (message.nlmsg_len < NLMSG_LENGTH(sizeof *row) || row->ndm_family != AF_INET) {
        return std::nullopt;
    }
    Neighbour neighbour;
    neighbour.state = StateOf(row->ndm_state);
    bool addressed = false;
    int left = static_cast<int>(message.nlmsg_len - NLMSG_LENGTH(sizeof *row));
    for (const rtattr* field = RTM_RTA(row); RTA_OK(field, left); field = RTA_NEXT(field, left)) {
        const auto* bytes = static_cast<const unsigned char*>(RTA_DATA(field));
        const std::size_t size = RTA_PAYLOAD(field);
        if (field->rta_type == NDA_DST && size == sizeof neighbour.address) {
            std::memcpy(&neighbour.address, bytes, size);
            addressed = true;
        } else if (field->rta_type == NDA_LLADDR && size > 0) {
            neighbour.hardware = HardwareText(bytes, size);
        }
    }
    return addressed ? std::optional(neighbour) : std::nullopt;
}

}  // namespace

std::optional<std::vector<Neighbour>> ReadNeighbourTable() {
    const UniqueSocket link(::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE));
    if (!link.IsValid()) {
        return std::nullopt;
    }
    struct {
        nlmsghdr header;
        ndmsg body;
    } request{};
    request.header.nlmsg_len = sizeof request;
    request.header.nlmsg_type = RTM_GETNEIGH;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.header.nlmsg_seq = 1;
    request.body.ndm_family = AF_INET;
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    if (sendto(link.Get(), &request, sizeof request, 0, reinterpret_cast<sockaddr*>(&kernel),
               sizeof kernel) != static_cast<ssize_t>(sizeof request)) {
        return std::nullopt;
    }
    std::vector<Neighbour> table;
    alignas(nlmsghdr) std::array<char, 32 * 1024> buffer;
    for (;;) {
        if (WaitReadable(link.Get(), DUMP_WAIT_MS) != WaitResult::Readable) {
            return std::nullopt;
        }
        const ssize_t got = recv(link.Get(), buffer.data(), buffer.size(), 0);
        if (got <= 0) {
            return std::nullopt;
        }
        auto left = static_cast<unsigned>(got);
        for (auto* message = reinterpret_cast<const nlmsghdr*>(buffer.data());
             NLMSG_OK(message, left); message = NLMSG_NEXT(message, left)) {
            if (message->nlmsg_type == NLMSG_DONE) {
                return table;
            }
            if (message->nlmsg_type == NLMSG_ERROR) {
                return std::nullopt;
            }
            if (message->nlmsg_type == RTM_NEWNEIGH) {
                if (std::optional<Neighbour> row = RowOf(*message)) {
                    table.push_back(std::move(*row));
                }
            }
        }
    }
}

}  // namespace vantrel

// SPDX-License-Identifier: GPL-3.0-or-later
// The host's interface table on Windows: the IP helper's adapters' table.
#include "discovery/host_interfaces.h"

#include "protocol/socket.h"

// After socket.h: the helper API needs Winsock 2's headers first.
#include <iphlpapi.h>

namespace vantrel {

namespace {

std::string Utf8(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) {
        return {};
    }
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes.data(), size, nullptr, nullptr);
    bytes.pop_back();
    return bytes;
}

std::uint32_t MaskOfPrefix(unsigned length) {
    return length == 0 ? 0 : htonl(length >= 32 ? 0xffffffffu : ~(0xffffffffu >> length));
}

}  // namespace

// The adapters' table rather than the older address table: it tells which
// adapters are up, which are loopback or tunnels, and their own names.
std::optional<std::vector<HostInterface>> ReadHostInterfaces() {
    constexpr ULONG FLAGS =
        GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
    ULONG size = 16 * 1024;
    std::vector<unsigned char> buffer;
    ULONG result = ERROR_BUFFER_OVERFLOW;
    // The table may grow between asking its size and reading it.
    for (int attempt = 0; attempt < 4 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer.resize(size);
        result = GetAdaptersAddresses(
            AF_INET, FLAGS, nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
    }
    if (result == ERROR_NO_DATA) {
        return std::vector<HostInterface>{};
    }
    if (result != NO_ERROR) {
        return std::nullopt;
    }
    std::vector<HostInterface> rows;
    for (auto* adapter = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer.data());
         adapter != nullptr; adapter = adapter->Next) {
        const bool loopbackAdapter = adapter->IfType == IF_TYPE_SOFTWARE_LOOPBACK;
        const bool canCarry = adapter->OperStatus == IfOperStatusUp &&
                              adapter->IfType != IF_TYPE_TUNNEL && adapter->IfIndex != 0;
        const std::string name = Utf8(adapter->FriendlyName);
        for (auto* unicast = adapter->FirstUnicastAddress; unicast != nullptr;
             unicast = unicast->Next) {
            const sockaddr* address = unicast->Address.lpSockaddr;
            if (address == nullptr || address->sa_family != AF_INET) {
                continue;
            }
            HostInterface row;
            row.address = reinterpret_cast<const sockaddr_in*>(address)->sin_addr.s_addr;
            row.mask = MaskOfPrefix(unicast->OnLinkPrefixLength);
            row.index = adapter->IfIndex;
            row.name = name.empty() ? "interface " + std::to_string(row.index) : name;
            row.loopback = loopbackAdapter || (ntohl(row.address) >> 24) == 127;
            row.canBroadcast = canCarry && !row.loopback;
            rows.push_back(row);
        }
    }
    return rows;
}

}  // namespace vantrel

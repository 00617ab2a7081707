// SPDX-License-Identifier: GPL-3.0-or-later
#include "cameras/network_settings.h"

#include <charconv>
#include <limits>

#include "protocol/address_text.h"
#include "protocol/socket.h"
#include "protocol/text_field.h"
#include "res/string_table.h"

namespace vantrel {

namespace {

constexpr std::uint32_t LOWEST_HOST = 0x01000000;      // 1.0.0.0
constexpr std::uint32_t FIRST_MULTICAST = 0xe0000000;  // 224.0.0.0
constexpr std::size_t PASSWORD_CHARS = 11;

bool IsUnicastHost(std::uint32_t address) {
    return address >= LOWEST_HOST && address < FIRST_MULTICAST;
}

// Text that is no address reads as 255.255.255.255, which fails its own
// field's check: an address, mask, gateway or DNS server that cannot be read
// gets that field's message, in the order of the checks.
std::uint32_t HostOrderAddress(const std::string& text) {
    return ntohl(ReadAddress(text).value_or(0xffffffffu));
}

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::int32_t ReadSignedNumber(std::string_view text) {
    text = Trim(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() ||
        value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max()) {
        return 0;
    }
    return static_cast<std::int32_t>(value);
}

bool PassesMaskScan(std::uint32_t mask) {
    // From the lowest bit up, count the changes against an expected bit that
    // starts at 0. Zeros then ones change once; a third change means ones
    // and zeros alternate.
    std::uint32_t expected = 0;
    int changes = 0;
    for (int bit = 0; bit < 32; ++bit) {
        if (((mask >> bit) & 1u) != (expected & 1u)) {
            ++expected;
            if (++changes == 3) {
                return false;
            }
        }
    }
    return true;
}

int CheckAddresses(std::uint32_t ip, std::uint32_t mask, std::uint32_t gateway, std::uint32_t dns) {
    if (!IsUnicastHost(ip)) {
        return IDS_IP_ADDRESS_INVALID;
    }
    if ((mask & FIRST_MULTICAST) != FIRST_MULTICAST || !PassesMaskScan(mask) || (ip & ~mask) == 0) {
        return IDS_SUBNET_MASK_INVALID;
    }
    if ((gateway & mask) != (ip & mask)) {
        return IDS_GATEWAY_INVALID;
    }
    if (!IsUnicastHost(dns)) {
        return IDS_DNS_INVALID;
    }
    return 0;
}

NetworkFormResult ApplyNetworkForm(const NetworkForm& form, CameraRecord& record) {
    NetworkFormResult result;
    const auto port = static_cast<std::uint16_t>(ReadSignedNumber(form.portText));
    result.portText = std::to_string(port);
    if (port == 0 || port == 10000) {
        result.messageId = IDS_HTTP_PORT_INVALID;
        return result;
    }
    std::uint32_t ip = 0, mask = 0, gateway = 0, dns = 0;
    if (!form.dhcp) {
        ip = HostOrderAddress(form.ipText);
        mask = HostOrderAddress(form.maskText);
        gateway = HostOrderAddress(form.gatewayText);
        dns = HostOrderAddress(form.dnsText);
        result.messageId = CheckAddresses(ip, mask, gateway, dns);
        if (result.messageId != 0) {
            return result;
        }
    }
    result.passwordText = std::string(StorePassword(record, form.passwordText));
    record.httpPort = htons(port);
    record.ip = htonl(ip);
    record.mask = htonl(mask);
    record.gateway = htonl(gateway);
    record.dns = htonl(dns);
    return result;
}

NetworkForm FormFor(const CameraRecord& camera, const NetworkChanges& changes,
                    std::string password) {
    NetworkForm form;
    form.portText = changes.port.value_or(std::to_string(ntohs(camera.httpPort)));
    form.dhcp = changes.dhcp;
    form.ipText = changes.ip.value_or(DottedQuad(camera.ip));
    form.maskText = changes.mask.value_or(DottedQuad(camera.mask));
    form.gatewayText = changes.gateway.value_or(DottedQuad(camera.gateway));
    form.dnsText = changes.dns.value_or(DottedQuad(camera.dns));
    form.passwordText = std::move(password);
    return form;
}

std::string_view StorePassword(CameraRecord& record, std::string_view password) {
    return StoreFieldText(record.password, password, PASSWORD_CHARS);
}

bool ShowsSettings(const CameraRecord& reply, const CameraRecord& asked, bool dhcp) {
    return dhcp || (reply.ip == asked.ip && reply.mask == asked.mask &&
                    reply.gateway == asked.gateway && reply.dns == asked.dns);
}

}  // namespace vantrel

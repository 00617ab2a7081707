// SPDX-License-Identifier: GPL-3.0-or-later
#include "cameras/network_settings.h"

#include <gtest/gtest.h>

#include <cstring>

#include "protocol/socket.h"
#include "res/string_table.h"

namespace vantrel {
namespace {

CameraRecord Opened() {
    CameraRecord record{};
    std::memcpy(record.id, "CAM1", 4);
    record.ip = inet_addr("192.168.1.20");
    record.mask = inet_addr("255.255.255.0");
    record.gateway = inet_addr("192.168.1.1");
    record.dns = inet_addr("192.168.1.1");
    record.httpPort = htons(80);
    return record;
}

NetworkForm Form(const char* port, const char* ip = "192.168.1.10",
                 const char* mask = "255.255.255.0", const char* gateway = "192.168.1.1",
                 const char* dns = "8.8.8.8") {
    NetworkForm form;
    form.portText = port;
    form.ipText = ip;
    form.maskText = mask;
    form.gatewayText = gateway;
    form.dnsText = dns;
    return form;
}

TEST(NetworkSettings, TakesThePortsLow16BitsAndRefusesZeroAndTenThousand) {
    struct Row {
        const char* typed;
        const char* shown;
        int message;
    };
    const Row rows[] = {
        {"10000", "10000", IDS_HTTP_PORT_INVALID},
        {"0", "0", IDS_HTTP_PORT_INVALID},
        {"", "0", IDS_HTTP_PORT_INVALID},
        {"abc", "0", IDS_HTTP_PORT_INVALID},
        {"80x", "0", IDS_HTTP_PORT_INVALID},
        {"75536", "10000", IDS_HTTP_PORT_INVALID},
        {"65536", "0", IDS_HTTP_PORT_INVALID},
        {"99999999999", "0", IDS_HTTP_PORT_INVALID},
        {"65535", "65535", 0},
        {" 8080 ", "8080", 0},
        {"-1", "65535", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.typed);
        CameraRecord record = Opened();
        const NetworkFormResult result = ApplyNetworkForm(Form(row.typed), record);
        EXPECT_EQ(row.message, result.messageId);
        EXPECT_EQ(row.shown, result.portText);
        if (row.message == 0) {
            EXPECT_EQ(htons(static_cast<std::uint16_t>(std::stoi(row.shown))), record.httpPort);
        }
    }
}

TEST(NetworkSettings, ChecksTheAddressesInOrder) {
    struct Row {
        const char *ip, *mask, *gateway, *dns;
        int message;
    };
    const Row rows[] = {
        {"0.255.255.255", "255.0.0.0", "0.0.0.1", "8.8.8.8", IDS_IP_ADDRESS_INVALID},
        {"1.0.0.0", "255.255.255.0", "1.0.0.1", "8.8.8.8", IDS_SUBNET_MASK_INVALID},
        {"1.0.0.1", "255.255.255.0", "1.0.0.2", "8.8.8.8", 0},
        {"223.255.255.255", "255.255.255.0", "223.255.255.1", "8.8.8.8", 0},
        {"224.0.0.0", "255.255.255.0", "224.0.0.1", "8.8.8.8", IDS_IP_ADDRESS_INVALID},
        {"not an address", "255.255.255.0", "1.2.3.4", "8.8.8.8", IDS_IP_ADDRESS_INVALID},
        {"10.1.2.3", "224.0.0.0", "10.1.2.1", "8.8.8.8", 0},
        {"10.1.2.3", "192.0.0.0", "10.1.2.1", "8.8.8.8", IDS_SUBNET_MASK_INVALID},
        {"10.1.2.3", "255.0.255.0", "10.1.2.1", "8.8.8.8", IDS_SUBNET_MASK_INVALID},
        {"10.1.2.3", "255.255.255.255", "10.1.2.3", "8.8.8.8", IDS_SUBNET_MASK_INVALID},
        {"192.168.1.0", "255.255.255.0", "192.168.1.1", "8.8.8.8", IDS_SUBNET_MASK_INVALID},
        {"192.168.1.255", "255.255.255.0", "192.168.1.1", "8.8.8.8", 0},
        {"192.168.1.10", "255.255.255.0", "192.168.1.10", "8.8.8.8", 0},
        {"192.168.1.10", "255.255.255.0", "192.168.1.0", "8.8.8.8", 0},
        {"192.168.1.10", "255.255.255.0", "192.168.1.255", "8.8.8.8", 0},
        {"192.168.1.10", "255.255.255.0", "192.168.2.1", "8.8.8.8", IDS_GATEWAY_INVALID},
        {"192.168.1.10", "255.255.255.0", "192.168.1.1", "0.0.0.0", IDS_DNS_INVALID},
        {"192.168.1.10", "255.255.255.0", "192.168.1.1", "239.1.1.1", IDS_DNS_INVALID},
        {"192.168.1.10", "255.255.255.0", "192.168.1.1", "10.0.0.53", 0},
        {"0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0", IDS_IP_ADDRESS_INVALID},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.ip) + " " + row.mask + " " + row.gateway + " " + row.dns);
        CameraRecord record = Opened();
        const CameraRecord before = record;
        const auto result =
            ApplyNetworkForm(Form("8080", row.ip, row.mask, row.gateway, row.dns), record);
        EXPECT_EQ(row.message, result.messageId);
        if (row.message != 0) {
            EXPECT_EQ(0, std::memcmp(&before, &record, sizeof record)) << "record untouched";
        } else {
            EXPECT_EQ(inet_addr(row.ip), record.ip);
            EXPECT_EQ(inet_addr(row.mask), record.mask);
            EXPECT_EQ(inet_addr(row.gateway), record.gateway);
            EXPECT_EQ(inet_addr(row.dns), record.dns);
        }
    }
}

TEST(NetworkSettings, ReadsZeroPaddedAddressesAsDecimalAndRefusesTheOtherForms) {
    CameraRecord record = Opened();
    ASSERT_EQ(0, ApplyNetworkForm(Form("80", "192.168.001.010", "255.255.255.000", "192.168.1.001",
                                       " 008.008.008.008 "),
                                  record)
                     .messageId);
    EXPECT_EQ(htonl(0xc0a8010a), record.ip) << "192.168.1.10, not the octal 192.168.1.8";
    EXPECT_EQ(htonl(0xffffff00), record.mask);
    EXPECT_EQ(htonl(0xc0a80101), record.gateway);
    EXPECT_EQ(htonl(0x08080808), record.dns);

    // Hex, short and run-together forms are no addresses: each field's own
    // message, and the record untouched.
    struct Row {
        const char *ip, *mask, *gateway, *dns;
        int message;
    };
    const Row rows[] = {
        {"192.168.1.0x1f", "255.255.255.0", "192.168.1.1", "8.8.8.8", IDS_IP_ADDRESS_INVALID},
        {"192.168.266", "255.255.255.0", "192.168.1.1", "8.8.8.8", IDS_IP_ADDRESS_INVALID},
        {"192.168.1.10", "0xffffff00", "192.168.1.1", "8.8.8.8", IDS_SUBNET_MASK_INVALID},
        {"192.168.1.10", "255.255.255.0", "192.168.1", "8.8.8.8", IDS_GATEWAY_INVALID},
        {"192.168.1.10", "255.255.255.0", "192.168.1.1", "134744072", IDS_DNS_INVALID},
        {"0.1.2.3", "bad", "bad", "bad", IDS_IP_ADDRESS_INVALID},  // checks in their order
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.ip) + " " + row.mask + " " + row.gateway + " " + row.dns);
        const CameraRecord before = record;
        EXPECT_EQ(row.message,
                  ApplyNetworkForm(Form("8080", row.ip, row.mask, row.gateway, row.dns), record)
                      .messageId);
        EXPECT_EQ(0, std::memcmp(&before, &record, sizeof record)) << "record untouched";
    }
}

TEST(NetworkSettings, MaskScanAcceptsExactlyLeadingOnes) {
    int accepted = 0;
    for (int ones = 0; ones <= 32; ++ones) {
        const std::uint32_t mask = ones == 0 ? 0 : ~0u << (32 - ones);
        EXPECT_TRUE(PassesMaskScan(mask)) << ones;
        accepted += (mask & 0xe0000000u) == 0xe0000000u;
    }
    EXPECT_EQ(30, accepted) << "3 to 32 leading ones pass the top-bits check";
    EXPECT_FALSE(PassesMaskScan(0xff00ff00u));
    EXPECT_FALSE(PassesMaskScan(0xfffffffeu ^ 0x00010000u));
}

TEST(NetworkSettings, DhcpStoresZeroAddressesButStillChecksThePort) {
    CameraRecord record = Opened();
    NetworkForm form = Form("10000", "garbage", "", "", "");
    form.dhcp = true;
    EXPECT_EQ(IDS_HTTP_PORT_INVALID, ApplyNetworkForm(form, record).messageId);
    EXPECT_EQ(inet_addr("192.168.1.20"), record.ip);
    form.portText = "8081";
    EXPECT_EQ(0, ApplyNetworkForm(form, record).messageId);
    EXPECT_EQ(0u, record.ip | record.mask | record.gateway | record.dns);
    EXPECT_EQ(htons(8081), record.httpPort);
}

TEST(NetworkSettings, CutsThePasswordToElevenCharacters) {
    CameraRecord record = Opened();
    NetworkForm form = Form("80");
    form.passwordText = "abcdefghijkl";
    const auto result = ApplyNetworkForm(form, record);
    EXPECT_EQ("abcdefghijk", result.passwordText);
    EXPECT_EQ(0, std::memcmp(record.password, "abcdefghijk\0\0", 13));
    form.passwordText.clear();
    EXPECT_EQ("", ApplyNetworkForm(form, record).passwordText);
    EXPECT_EQ(0, std::memcmp(record.password, "\0\0\0\0\0\0\0\0\0\0\0\0\0", 13));
}

}  // namespace
}  // namespace vantrel

// SPDX-License-Identifier: GPL-3.0-or-later
#include "discovery/discovery_worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <optional>
#include <set>
#include <vector>

#include "discovery/host_interfaces.h"
#include "protocol/packet_header.h"
#include "protocol/text_field.h"
#include "tests/recording_sink.h"
#include "tests/test_sockets.h"
#include "tools/fakecam/camera_messages.h"

namespace vantrel {
namespace {

using Report = test::RecordingSink::Report;
using Bytes = std::vector<std::uint8_t>;

std::uint16_t FreeUdpPort() {
    test::LoopbackUdp probe;
    return ntohs(probe.port);
}

std::optional<Bytes> ReceiveDatagram(SocketHandle socket, int timeoutMs) {
    if (WaitReadable(socket, static_cast<std::uint32_t>(timeoutMs)) != WaitResult::Readable) {
        return std::nullopt;
    }
    Bytes bytes(2048);
    const long received = ReceiveSome(socket, bytes.data(), bytes.size());
    bytes.resize(received < 0 ? 0 : static_cast<std::size_t>(received));
    return bytes;
}

CameraRecord Camera(const char* id, const char* alias, const char* ip, const char* mask) {
    CameraRecord camera{};
    StoreFieldText(camera.id, id);
    StoreFieldText(camera.alias, alias);
    camera.ip = inet_addr(ip);
    camera.mask = inet_addr(mask);
    camera.gateway = inet_addr("127.0.0.1");
    camera.dns = inet_addr("127.0.0.53");
    camera.systemVersion = 0x04030201;
    camera.appVersion = 0x08070605;
    camera.httpPort = htons(8080);
    return camera;
}

Bytes SearchReplyBody(const CameraRecord& camera) {
    CPacketWriter writer;
    EXPECT_TRUE(fakecam::BuildSearchReply(writer, camera));
    return {writer.Data() + PACKET_HEADER_SIZE, writer.Data() + writer.Length()};
}

// The worker on a free port of this host, sending to a test socket on
// loopback, with a clock that moves only when the test moves it.
class DiscoveryWorkerTest : public ::testing::Test {
  protected:
    DiscoveryWorkerTest() : m_port(FreeUdpPort()), worker(sink, Config()) {}

    DiscoveryConfig Config() {
        DiscoveryConfig config;
        config.port = m_port;
        config.destination = test::LoopbackAddress();
        config.destinationPort = ntohs(camera.port);
        config.clock = [this] { return now.load(); };
        return config;
    }
    void SendToWorker(const Bytes& datagram) const {
        test::LoopbackUdp::SendToPort(camera, htons(m_port), datagram);
    }
    Bytes NextFromWorker() {
        auto datagram = ReceiveDatagram(camera.socket.Get(), 5000);
        EXPECT_TRUE(datagram.has_value()) << "the worker sent nothing";
        return datagram.value_or(Bytes{});
    }
    bool WorkerIsSilent(int forMs) { return !ReceiveDatagram(camera.socket.Get(), forMs); }

    std::uint16_t m_port;
    std::atomic<std::uint64_t> now{1000};
    test::LoopbackUdp camera;
    test::RecordingSink sink;
    CDiscoveryWorker worker;
};

const Bytes SEARCH = {'M', 'O', '_', 'I', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                      0,   4,   0,   0,   0, 4, 0, 0, 0, 0, 0, 0, 1};

TEST_F(DiscoveryWorkerTest, SearchesEveryPeriodEachFollowedByOneRefresh) {
    ASSERT_TRUE(worker.Start());
    EXPECT_EQ(SEARCH, NextFromWorker());
    ASSERT_TRUE(sink.WaitForCount(Report::Refresh, 1));
    now += 2999;
    EXPECT_TRUE(WorkerIsSilent(300));
    now += 1;
    EXPECT_EQ(SEARCH, NextFromWorker());
    ASSERT_TRUE(sink.WaitForCount(Report::Refresh, 2));
    worker.Stop();
    const auto reports = sink.Reports();
    EXPECT_EQ(2u, reports.size()) << "nothing but the two refresh ticks";
}

TEST_F(DiscoveryWorkerTest, SearchNowAndSetNetworkMakeASearchDueAtOnce) {
    ASSERT_TRUE(worker.Start());
    EXPECT_EQ(SEARCH, NextFromWorker());
    worker.PostSearchNow();
    EXPECT_EQ(SEARCH, NextFromWorker());
    ASSERT_TRUE(sink.WaitForCount(Report::Refresh, 2));

    CameraRecord record = Camera("ABCDEFGHIJKLM", "Door", "10.1.2.3", "255.255.0.0");
    StoreFieldText(record.password, "secret", 11);
    record.gateway = inet_addr("10.1.0.1");
    record.dns = inet_addr("10.1.0.2");
    worker.PostSetNetwork(record);
    const Bytes request = NextFromWorker();
    ASSERT_EQ(82u, request.size());
    EXPECT_EQ(2, request[4]);
    EXPECT_EQ(59, request[15]);
    EXPECT_EQ(59, request[19]);
    Bytes body(request.begin() + 23, request.end());
    Bytes expected = {0, 0, 0, 1};
    expected.insert(expected.end(), record.id, record.id + 13);
    expected.insert(expected.end(), {'a', 'd', 'm', 'i', 'n', 0, 0, 0, 0, 0, 0, 0, 0});
    expected.insert(expected.end(), record.password, record.password + 13);
    for (const std::uint32_t address : {record.ip, record.mask, record.gateway, record.dns}) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(&address);
        expected.insert(expected.end(), bytes, bytes + 4);
    }
    EXPECT_EQ(expected, body) << "no port is sent";
    EXPECT_EQ(SEARCH, NextFromWorker());
    ASSERT_TRUE(sink.WaitForCount(Report::Refresh, 3));

    // The period starts again from that search.
    now += 2999;
    EXPECT_TRUE(WorkerIsSilent(300));
    now += 1;
    EXPECT_EQ(SEARCH, NextFromWorker());
}

TEST_F(DiscoveryWorkerTest, TakesOneThreadMessagePerPassInOrder) {
    ASSERT_TRUE(worker.Start());
    EXPECT_EQ(SEARCH, NextFromWorker());
    for (const char* id : {"A", "B", "C", "D", "E"}) {
        worker.PostSetNetwork(Camera(id, "", "10.0.0.1", "255.0.0.0"));
    }
    for (const char id : {'A', 'B', 'C', 'D', 'E'}) {
        const Bytes request = NextFromWorker();
        ASSERT_EQ(82u, request.size());
        EXPECT_EQ(id, request[27]);
        EXPECT_EQ(SEARCH, NextFromWorker()) << "after " << id;
    }
    ASSERT_TRUE(sink.WaitForCount(Report::Refresh, 6));

    // A site's requests in one message go out together, then one search:
    // a plan for many cameras costs them one search, not one each.
    worker.PostSetNetworks({Camera("F", "", "10.0.0.1", "255.0.0.0"),
                            Camera("G", "", "10.0.0.2", "255.0.0.0"),
                            Camera("H", "", "10.0.0.3", "255.0.0.0")});
    for (const char id : {'F', 'G', 'H'}) {
        const Bytes request = NextFromWorker();
        ASSERT_EQ(82u, request.size());
        EXPECT_EQ(id, request[27]);
    }
    EXPECT_EQ(SEARCH, NextFromWorker());
    EXPECT_TRUE(WorkerIsSilent(300));
    ASSERT_TRUE(sink.WaitForCount(Report::Refresh, 7));
}

TEST_F(DiscoveryWorkerTest, TurnsRepliesIntoRecordsAndIgnoresBadOnes) {
    ASSERT_TRUE(worker.Start());
    EXPECT_EQ(SEARCH, NextFromWorker());
    const CameraRecord local = Camera("LOCAL", "Porch", "127.0.0.9", "255.0.0.0");
    const Bytes body = SearchReplyBody(local);
    ASSERT_EQ(64u, body.size());

    const std::uint8_t key[8] = {9, 8, 7, 6, 5, 4, 3, 2};
    Bytes shortBody(body.begin(), body.end() - 1);
    Bytes wrongLength = test::MakePacket(MAGIC_DISCOVERY, 1, body);
    wrongLength.push_back(0);
    SendToWorker(test::MakePacket(MAGIC_DISCOVERY, 1, shortBody));
    SendToWorker(wrongLength);
    SendToWorker(test::MakePacket(MAGIC_UPGRADE, 1, body));
    SendToWorker(test::MakePacket(MAGIC_DISCOVERY, 0, body));
    SendToWorker(test::MakePacket(MAGIC_DISCOVERY, 2, body));
    SendToWorker(test::MakePacket(MAGIC_DISCOVERY, 7, body));
    SendToWorker(test::MakePacket(MAGIC_DISCOVERY, 1, body));
    SendToWorker(test::MakePacket(MAGIC_DISCOVERY, 1, body, 1, key));
    Bytes longer = body;
    longer.insert(longer.end(), 30, 0xee);
    SendToWorker(test::MakePacket(MAGIC_DISCOVERY, 1, longer));
    CameraRecord unnamed = Camera("NONAME", "", "203.0.113.7", "255.255.255.0");
    SendToWorker(test::MakePacket(MAGIC_DISCOVERY, 1, SearchReplyBody(unnamed)));

    ASSERT_TRUE(sink.WaitForCount(Report::Found, 4));
    worker.Stop();
    const auto reports = sink.Reports();
    std::vector<CameraRecord> found;
    for (const Report& report : reports) {
        ASSERT_NE(Report::Error, report.kind);
        if (report.kind == Report::Found) {
            found.push_back(report.record);
        }
    }
    ASSERT_EQ(4u, found.size()) << "only the four good replies count";
    CameraRecord expected = local;
    expected.seen = 1;
    expected.subnetMatch = 0;  // this host's loopback is nobody's camera subnet
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(0, std::memcmp(&expected, &found[i], sizeof expected)) << "reply " << i;
    }
    EXPECT_EQ("Anonymous", FieldText(found[3].alias));
    EXPECT_EQ(0, found[3].subnetMatch);
    EXPECT_EQ("", FieldText(found[3].password));
}

TEST_F(DiscoveryWorkerTest, PassesOnNonZeroSetNetworkResultsOnTheirOwnPath) {
    ASSERT_TRUE(worker.Start());
    EXPECT_EQ(SEARCH, NextFromWorker());
    SendToWorker(test::MakePacket(MAGIC_DISCOVERY, 3, {0, 0}));
    SendToWorker(test::MakePacket(MAGIC_DISCOVERY, 3, {1}));  // too short
    SendToWorker(test::MakePacket(MAGIC_DISCOVERY, 3, {1, 0}));
    SendToWorker(test::MakePacket(MAGIC_DISCOVERY, 3, {0xfe, 0xff, 0x55}));
    ASSERT_TRUE(sink.WaitForCount(Report::Result, 2));
    // 0xFFFE from a camera is only a result: the worker keeps running.
    worker.PostSearchNow();
    EXPECT_EQ(SEARCH, NextFromWorker());
    ASSERT_TRUE(sink.WaitForCount(Report::Refresh, 2));
    std::vector<int> codes;
    for (const Report& report : sink.Reports()) {
        EXPECT_NE(Report::Error, report.kind);
        if (report.kind == Report::Result) {
            codes.push_back(report.code);
        }
    }
    EXPECT_EQ((std::vector<int>{1, 0xFFFE}), codes);
}

TEST_F(DiscoveryWorkerTest, EmptyAndJunkDatagramsAreSkippedAndTheWorkerGoesOn) {
    ASSERT_TRUE(worker.Start());
    EXPECT_EQ(SEARCH, NextFromWorker());
    SendToWorker({});
    for (std::size_t length = 1; length <= 200; ++length) {
        Bytes junk(length);
        for (std::size_t i = 0; i < length; ++i) {
            junk[i] = static_cast<std::uint8_t>(i * 131 + length * 7);
        }
        SendToWorker(junk);
    }
    SendToWorker({});
    const CameraRecord camera = Camera("AFTER", "After", "10.9.8.7", "255.0.0.0");
    SendToWorker(test::MakePacket(MAGIC_DISCOVERY, 1, SearchReplyBody(camera)));
    ASSERT_TRUE(sink.WaitForCount(Report::Found, 1));
    worker.PostSearchNow();
    EXPECT_EQ(SEARCH, NextFromWorker());
    ASSERT_TRUE(sink.WaitForCount(Report::Refresh, 2));
    const auto reports = sink.Reports();
    EXPECT_EQ(0u, test::RecordingSink::Count(reports, Report::Error));
    EXPECT_EQ(1u, test::RecordingSink::Count(reports, Report::Found));
}

TEST_F(DiscoveryWorkerTest, ABusyPortFailsAtOnceAndQueuedRecordsAreFreed) {
    UniqueSocket other(socket(AF_INET, SOCK_DGRAM, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(m_port);
    ASSERT_EQ(0, bind(other.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address));
    ASSERT_TRUE(worker.Start());
    ASSERT_TRUE(sink.WaitForCount(Report::Error, 1));
    EXPECT_EQ(Report::Error, sink.Reports().front().kind);
    // Requests for a worker that has ended are freed with it (checked by
    // the sanitizer build's leak check).
    worker.PostSetNetwork(Camera("LATE", "", "10.0.0.1", "255.0.0.0"));
    worker.Stop();
    EXPECT_EQ(1u, sink.Reports().size());
}

TEST(SubnetTest, ComparesEachSidesOwnNetwork) {
    CameraRecord camera{};
    camera.ip = inet_addr("192.168.1.20");
    camera.mask = inet_addr("255.255.255.0");
    const HostInterface host{
        inet_addr("192.168.1.5"), inet_addr("255.255.255.0"), 2, true, false, "eth0"};
    const HostInterface other{
        inet_addr("10.0.0.5"), inet_addr("255.0.0.0"), 3, true, false, "eth1"};
    EXPECT_TRUE(IsOnLocalSubnet(camera, {host}));
    EXPECT_TRUE(IsOnLocalSubnet(camera, {other, host}));
    EXPECT_FALSE(IsOnLocalSubnet(camera, {other}));
    EXPECT_FALSE(IsOnLocalSubnet(camera, {}));
    camera.mask = inet_addr("255.255.0.0");  // 192.168.0.0 is not 192.168.1.0
    EXPECT_FALSE(IsOnLocalSubnet(camera, {host, other}));
}

TEST(SubnetTest, ALoopbackRowNeverMakesACameraLocal) {
    CameraRecord camera{};
    camera.ip = inet_addr("127.0.0.1");
    camera.mask = inet_addr("255.0.0.0");
    const HostInterface loopback{
        inet_addr("127.0.0.1"), inet_addr("255.0.0.0"), 1, false, true, "lo"};
    const HostInterface lan{
        inet_addr("192.168.1.5"), inet_addr("255.255.255.0"), 2, true, false, "eth0"};
    EXPECT_FALSE(IsOnLocalSubnet(camera, {loopback, lan}));
    // The table this host really has marks its loopback rows.
    const auto rows = ReadHostInterfaces();
    ASSERT_TRUE(rows.has_value());
    EXPECT_FALSE(IsOnLocalSubnet(camera, *rows));
    for (const HostInterface& row : *rows) {
        if ((ntohl(row.address) >> 24) == 127) {
            EXPECT_TRUE(row.loopback);
            EXPECT_FALSE(row.canBroadcast);
        }
    }
}

TEST(HostInterfaces, TheHostsOwnTableHasItsLoopbackAndWhereSearchesGo) {
    const auto rows = ReadHostInterfaces();
    ASSERT_TRUE(rows.has_value());
    bool loopbackSeen = false;
    for (const HostInterface& row : *rows) {
        SCOPED_TRACE(row.name);
        if (row.address == inet_addr("127.0.0.1")) {
            loopbackSeen = true;
            EXPECT_EQ(inet_addr("255.0.0.0"), row.mask);
            EXPECT_TRUE(row.loopback);
        }
        if (row.canBroadcast) {
            EXPECT_NE(0u, row.index);
            EXPECT_NE(0u, row.mask);
            EXPECT_FALSE(row.name.empty());
        }
    }
    EXPECT_TRUE(loopbackSeen);
    const std::vector<std::string> names = SearchedInterfaceNames(*rows);
    EXPECT_EQ(names.size(), std::set<std::string>(names.begin(), names.end()).size());
}

}  // namespace
}  // namespace vantrel

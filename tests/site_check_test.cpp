// SPDX-License-Identifier: GPL-3.0-or-later
// Whether another device holds a planned address: the neighbour table's
// answers over time, and a site plan checked against them.
#include <gtest/gtest.h>

#include <deque>

#include "discovery/address_holders.h"
#include "protocol/address_text.h"
#include "protocol/socket.h"
#include "protocol/text_field.h"
#include "session/site_plan.h"
#include "session/upload_job.h"

namespace vantrel {
namespace {

using namespace std::chrono_literals;
using State = Neighbour::State;

// The table as it stands after each read; the last stays.
struct TableScript {
    std::deque<std::vector<Neighbour>> reads;
    std::vector<std::uint32_t> touched;
    int readCount = 0;

    NeighbourAccess Access() {
        return {[this]() -> std::optional<std::vector<Neighbour>> {
                    ++readCount;
                    std::vector<Neighbour> now = reads.front();
                    if (reads.size() > 1) {
                        reads.pop_front();
                    }
                    return now;
                },
                [this](const std::vector<std::uint32_t>& addresses) { touched = addresses; }};
    }
};

Neighbour Row(const char* address, State state, const char* hardware = "") {
    return {inet_addr(address), state, hardware};
}

std::vector<std::string> Held(const std::vector<AddressHolder>& holders) {
    std::vector<std::string> held;
    for (const AddressHolder& holder : holders) {
        held.push_back(DottedQuad(holder.address) + " " + holder.hardware);
    }
    return held;
}

TEST(AddressHolders, WaitsForEachAnswerAndEndsWhenAllAreKnown) {
    const std::vector<std::uint32_t> asked = {inet_addr("10.0.0.5"), inet_addr("10.0.0.6"),
                                              inet_addr("10.0.0.7")};
    TableScript script;
    script.reads = {
        {Row("10.0.0.5", State::Resolving), Row("10.0.0.6", State::Resolving),
         Row("10.0.0.7", State::Resolving)},
        {Row("10.0.0.5", State::Reachable, "02:00:00:00:00:05"), Row("10.0.0.6", State::Resolving),
         Row("10.0.0.7", State::Failed), Row("10.0.0.9", State::Reachable, "02:00:00:00:00:09")},
        {Row("10.0.0.5", State::Reachable, "02:00:00:00:00:05"), Row("10.0.0.6", State::Failed),
         Row("10.0.0.7", State::Failed)},
    };
    const auto held = FindAddressHolders(asked, 10s, script.Access());
    ASSERT_TRUE(held.has_value());
    EXPECT_EQ(std::vector<std::string>{"10.0.0.5 02:00:00:00:00:05"}, Held(*held))
        << "only the addresses asked about, only those answered for";
    EXPECT_EQ(asked, script.touched) << "all touched at once";
    EXPECT_EQ(3, script.readCount) << "ended as soon as each address was decided";
}

TEST(AddressHolders, EndsInTimeAndCountsTheDeviceLastSeenThere) {
    // A device answered once and was not confirmed since; another address
    // the system is still asking about; a third it never listed.
    TableScript script;
    script.reads = {{Row("10.0.0.5", State::Unconfirmed, "02:00:00:00:00:05"),
                     Row("10.0.0.6", State::Resolving), Row("10.0.0.8", State::Reachable)}};
    const auto start = std::chrono::steady_clock::now();
    const auto held = FindAddressHolders({inet_addr("10.0.0.5"), inet_addr("10.0.0.6"),
                                          inet_addr("10.0.0.7"), inet_addr("10.0.0.8")},
                                         400ms, script.Access());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s) << "the wait is bounded";
    ASSERT_TRUE(held.has_value());
    EXPECT_EQ(std::vector<std::string>{"10.0.0.5 02:00:00:00:00:05"}, Held(*held))
        << "no hardware address, no device to name";
    EXPECT_GE(script.readCount, 3);

    EXPECT_EQ(std::vector<std::string>{}, Held(*FindAddressHolders({}, 400ms, script.Access())))
        << "nothing to ask";
    NeighbourAccess unreadable{[] { return std::optional<std::vector<Neighbour>>(); },
                               [](const std::vector<std::uint32_t>&) {}};
    EXPECT_FALSE(FindAddressHolders({inet_addr("10.0.0.5")}, 400ms, unreadable).has_value());
}

TEST(NeighbourTable, IsReadWithoutPrivilegeAndItsRowsAreWhole) {
    const std::optional<std::vector<Neighbour>> table = ReadNeighbourTable();
    ASSERT_TRUE(table.has_value()) << "the neighbour table could not be read";
    for (const Neighbour& row : *table) {
        EXPECT_TRUE(row.hardware.empty() || row.hardware.size() == 17) << row.hardware;
    }
    const unsigned char bytes[] = {0x02, 0x42, 0x0a, 0x47, 0x01, 0xff};
    EXPECT_EQ("02:42:0a:47:01:ff", HardwareText(bytes, sizeof bytes));
    const unsigned char none[6] = {};
    EXPECT_EQ("", HardwareText(none, sizeof none)) << "no device's";
}

// Twelve new cameras on their factory address; this computer is on
// 192.168.1.0/24 and on 10.9.0.0/16.
class SitePlanTest : public ::testing::Test {
  protected:
    static CameraRecord Camera(const std::string& id, const char* ip = "192.168.1.10") {
        CameraRecord camera{};
        StoreFieldText(camera.id, id);
        StoreFieldText(camera.alias, "Cam " + id);
        camera.ip = inet_addr(ip);
        camera.mask = inet_addr("255.255.255.0");
        camera.gateway = camera.dns = inet_addr("192.168.1.1");
        camera.httpPort = htons(80);
        return camera;
    }
    static std::vector<HostInterface> Host() {
        return {{inet_addr("192.168.1.2"), inet_addr("255.255.255.0"), 2, true, false, "eth0"},
                {inet_addr("10.9.0.1"), inet_addr("255.255.0.0"), 3, true, false, "eth1"},
                {inet_addr("127.0.0.1"), inet_addr("255.0.0.0"), 1, false, true, "lo"}};
    }
    SitePlanTest() {
        for (int i = 1; i <= 12; ++i) {
            answering.push_back(Camera("NEW" + std::to_string(i)));
        }
        answering.push_back(Camera("OLD", "192.168.1.50"));
    }
    static std::vector<std::string> Addresses(const std::vector<std::uint32_t>& addresses) {
        std::vector<std::string> text;
        for (const std::uint32_t address : addresses) {
            text.push_back(DottedQuad(address));
        }
        return text;
    }
    static std::vector<std::string> Checks(const CSitePlan& plan) {
        std::vector<std::string> checks;
        for (const SitePlanRow& row : plan.Rows()) {
            checks.push_back(row.id + " " + row.after + " " + row.check);
        }
        return checks;
    }

    std::vector<CameraRecord> answering;
};

TEST_F(SitePlanTest, ARangePassesOverHeldAddressesAndSaysWhichItSkipped) {
    CSitePlan plan(answering, Host());
    plan.Range({"NEW1", "NEW2", "NEW3"}, "192.168.1.20", "255.255.255.0", "192.168.1.1", "");
    EXPECT_FALSE(plan.Sendable()) << "not before the link has been asked";
    EXPECT_EQ("checking…", plan.Rows()[0].check);
    const std::vector<std::uint32_t> ask = plan.AddressesToAsk();
    EXPECT_EQ(
        (std::vector<std::string>{"192.168.1.20", "192.168.1.21", "192.168.1.22", "192.168.1.23",
                                  "192.168.1.24", "192.168.1.25", "192.168.1.26", "192.168.1.27",
                                  "192.168.1.28", "192.168.1.29", "192.168.1.30"}),
        Addresses(ask))
        << "the range's addresses and the next few, in one asking";

    plan.Answered(ask,
                  std::vector<AddressHolder>{{inet_addr("192.168.1.21"), "02:00:00:00:00:21"},
                                             {inet_addr("192.168.1.10"), "02:00:00:00:00:10"}});
    EXPECT_TRUE(plan.AddressesToAsk().empty()) << "what it takes instead was asked already";
    EXPECT_TRUE(plan.Sendable());
    EXPECT_EQ((std::vector<std::string>{"NEW1 192.168.1.20/255.255.255.0 ok",
                                        "NEW2 192.168.1.22/255.255.255.0 ok",
                                        "NEW3 192.168.1.23/255.255.255.0 ok"}),
              Checks(plan));
    ASSERT_EQ(1u, plan.Skipped().size()) << "a camera of the list at its old address is no device";
    EXPECT_EQ(
        "skipped 192.168.1.21: a device with hardware address 02:00:00:00:00:21 answers for it",
        SkippedAddressText(plan.Skipped()[0]));
    ASSERT_EQ(3u, plan.Checked().changes.size());
    EXPECT_EQ("NEW2", FieldText(plan.Checked().changes[1].after.id));
    EXPECT_EQ(inet_addr("192.168.1.22"), plan.Checked().changes[1].after.ip);
}

TEST_F(SitePlanTest, ARangeAsksAgainWhenMoreAreHeldThanItAskedBeside) {
    std::vector<std::string> ids;
    for (int i = 1; i <= 4; ++i) {
        ids.push_back("NEW" + std::to_string(i));
    }
    CSitePlan plan(answering, Host());
    plan.Range(ids, "192.168.1.100", "", "", "");
    std::vector<AddressHolder> held;
    for (int i = 100; i <= 111; ++i) {
        held.push_back(
            {inet_addr(("192.168.1." + std::to_string(i)).c_str()), "02:00:00:00:00:01"});
    }
    plan.Answered(plan.AddressesToAsk(), held);
    EXPECT_EQ((std::vector<std::string>{"192.168.1.112", "192.168.1.113", "192.168.1.114",
                                        "192.168.1.115", "192.168.1.116", "192.168.1.117",
                                        "192.168.1.118", "192.168.1.119", "192.168.1.120",
                                        "192.168.1.121", "192.168.1.122", "192.168.1.123"}),
              Addresses(plan.AddressesToAsk()));
    EXPECT_FALSE(plan.Sendable());
    plan.Answered(plan.AddressesToAsk(), std::vector<AddressHolder>{});
    EXPECT_TRUE(plan.Sendable());
    EXPECT_EQ(12u, plan.Skipped().size());
    EXPECT_EQ(inet_addr("192.168.1.115"), plan.Checked().changes[3].after.ip);
}

TEST_F(SitePlanTest, APlanGivingAHeldAddressIsRefusedWithTheDevice) {
    CSitePlan plan(answering, Host());
    plan.Plan(
        ReadPlan("id,ip,mask,gateway\n"
                 "NEW1,192.168.1.20,,\n"
                 "NEW2,192.168.1.10,,\n"  // where the new cameras not moved stay
                 "NEW3,172.16.0.9,255.255.255.0,172.16.0.1\n"  // not this computer's
                 "NEW4,192.168.1.2,,\n"                        // this computer's own
                 "NEW5,,,\n"
                 "NEW6,192.168.1.50,,\n",  // OLD stays there
                 "site.csv"));
    EXPECT_EQ(std::vector<std::string>{"192.168.1.20"}, Addresses(plan.AddressesToAsk()))
        << "only an address some other device may hold, and no spares";
    plan.Answered(plan.AddressesToAsk(),
                  std::vector<AddressHolder>{{inet_addr("192.168.1.20"), "66:2e:11:00:00:20"}});
    EXPECT_FALSE(plan.Sendable());
    EXPECT_TRUE(plan.Checked().changes.empty()) << "nothing to send";
    const std::vector<SitePlanRow> rows = plan.Rows();
    ASSERT_EQ(5u, rows.size()) << "the row that gives nothing is no camera's";
    EXPECT_EQ(
        "192.168.1.20 is in use: a device with hardware address 66:2e:11:00:00:20 answers "
        "for it",
        rows[0].check);
    EXPECT_TRUE(rows[0].problem);
    EXPECT_EQ("Cam NEW1", rows[0].name);
    EXPECT_EQ("192.168.1.10/255.255.255.0", rows[0].now);
    EXPECT_EQ("192.168.1.10 is NEW5's address, and the plan does not move NEW5", rows[1].check)
        << "the first camera of those that stay is named";
    EXPECT_EQ("not checked", rows[2].check);
    EXPECT_EQ("192.168.1.2 is this computer's own address", rows[3].check);
    EXPECT_EQ("192.168.1.50 is OLD's address, and the plan does not move OLD", rows[4].check);
    ASSERT_EQ(1u, plan.OtherProblems().size());
    EXPECT_EQ("gives nothing to change", plan.OtherProblems()[0].text);
    EXPECT_EQ(6u, plan.OtherProblems()[0].line);
}

TEST_F(SitePlanTest, DhcpNeedsNoAskingAndAnUnreadTableLeavesAddressesNotChecked) {
    CSitePlan dhcp(answering, Host());
    SitePlan all;
    for (const char* id : {"NEW1", "NEW2"}) {
        all.rows.push_back({0, id, "", "", "", "", true});
    }
    dhcp.Plan(all);
    EXPECT_TRUE(dhcp.AddressesToAsk().empty());
    EXPECT_TRUE(dhcp.Sendable());
    EXPECT_EQ((std::vector<std::string>{"NEW1 DHCP ok", "NEW2 DHCP ok"}), Checks(dhcp));

    CSitePlan unread(answering, Host());
    unread.Range({"NEW1"}, "10.9.3.4", "255.255.0.0", "10.9.0.1", "");
    unread.Answered(unread.AddressesToAsk(), std::nullopt);
    EXPECT_TRUE(unread.AddressesToAsk().empty());
    EXPECT_TRUE(unread.Sendable()) << "a table that cannot be read holds nothing back";
    EXPECT_EQ(std::vector<std::string>{"NEW1 10.9.3.4/255.255.0.0 not checked"}, Checks(unread));

    CSitePlan bad(answering, Host());
    bad.Range({"NEW1", "NEW2"}, "192.168.1.300", "", "", "");
    EXPECT_FALSE(bad.Sendable());
    EXPECT_TRUE(bad.AddressesToAsk().empty());
    ASSERT_EQ(1u, bad.OtherProblems().size());
    EXPECT_EQ("error ip address setting ! (192.168.1.300)", bad.OtherProblems()[0].text);
}

TEST(RunSummary, CountsAJobUnderWayAsSuchAndAnEndedOneByItsOutcome) {
    using State = UploadJob::State;
    std::vector<UploadJob> jobs(5);
    jobs[0].state = State::Uploading;
    jobs[0].imageBegun = true;
    jobs[1].state = State::Connecting;
    jobs[3].state = State::Failed;
    jobs[4].state = State::Back;
    EXPECT_EQ("5 cameras: 1 failed, 1 upgraded, 2 uploading, 1 waiting", RunSummaryText(jobs))
        << "none is broken off or not started while the run goes on";
    jobs.resize(1);
    jobs[0].state = State::Stopped;  // ended with part of its image
    EXPECT_EQ("1 camera: 1 broken off", RunSummaryText(jobs));
}

}  // namespace
}  // namespace vantrel

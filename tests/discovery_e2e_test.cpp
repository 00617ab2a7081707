// SPDX-License-Identifier: GPL-3.0-or-later
// The discovery worker with its real port and broadcast, in the test LAN
// that tests/testlan.sh builds, against fakecam cameras on both segments.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sched.h>

#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "discovery/discovery_worker.h"
#include "protocol/text_field.h"
#include "tests/fakecam_process.h"
#include "tests/recording_sink.h"

namespace vantrel {
namespace {

using Report = test::RecordingSink::Report;

bool HasDefaultRoute() {
    std::ifstream routes("/proc/net/route");
    std::string interface, destination;
    std::getline(routes, interface);  // the heading
    while (routes >> interface >> destination) {
        if (destination == "00000000") {
            return true;
        }
        routes.ignore(1024, '\n');
    }
    return false;
}

class DiscoveryLanTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (test::Environment("TESTLAN_HOST_NS").empty()) {
            GTEST_SKIP() << "runs inside tests/testlan.sh only";
        }
        ASSERT_FALSE(HasDefaultRoute()) << "the test LAN's host has no default route";
        const std::string ready = "cameras on UDP port 10000";
        m_cameraA = std::make_unique<test::FakecamProcess>(
            test::Environment("TESTLAN_CAM_A_NS"),
            std::vector<std::string>{"--camera",
                                     "id=CAMA,name=Front,ip=10.71.1.20,mask=255.255.255.0,"
                                     "gateway=10.71.1.1,dns=10.71.1.1,password=alpha"});
        m_cameraX = std::make_unique<test::FakecamProcess>(
            test::Environment("TESTLAN_CAM_X_NS"),
            std::vector<std::string>{"--scramble", "--camera",
                                     "id=CAMX,name=Foreign,ip=172.29.5.20,mask=255.255.255.0,"
                                     "port=8080"});
        m_cameraB = std::make_unique<test::FakecamProcess>(
            test::Environment("TESTLAN_CAM_B_NS"),
            std::vector<std::string>{"--camera",
                                     "id=CAMB,name=Yard,ip=10.71.2.30,mask=255.255.255.0,"
                                     "port=8080,password=beta"});
        for (auto* camera : {m_cameraA.get(), m_cameraX.get(), m_cameraB.get()}) {
            ASSERT_TRUE(camera->WaitForOutput(ready)) << camera->Output();
        }
        ASSERT_TRUE(m_worker.Start());
    }

    // The latest report of the camera with this id, waiting until one with
    // the wanted address has come.
    std::optional<CameraRecord> WaitForCamera(const char* id, const char* ip) {
        std::optional<CameraRecord> found;
        m_sink.WaitFor([&](const std::vector<Report>& reports) {
            for (const Report& report : reports) {
                if (report.kind == Report::Found && FieldText(report.record.id) == id &&
                    report.record.ip == inet_addr(ip)) {
                    found = report.record;
                }
            }
            return found.has_value();
        });
        return found;
    }

    test::RecordingSink m_sink;
    CDiscoveryWorker m_worker{m_sink};
    std::unique_ptr<test::FakecamProcess> m_cameraA, m_cameraX, m_cameraB;
};

TEST_F(DiscoveryLanTest, FindsEveryCameraOnBothSegments) {
    const auto a = WaitForCamera("CAMA", "10.71.1.20");
    const auto x = WaitForCamera("CAMX", "172.29.5.20");
    const auto b = WaitForCamera("CAMB", "10.71.2.30");
    ASSERT_TRUE(a && x && b) << m_cameraA->Output() << m_cameraX->Output() << m_cameraB->Output();
    EXPECT_EQ(1, a->subnetMatch);
    EXPECT_EQ(0, x->subnetMatch) << "172.29.5.0/24 is none of the host's subnets";
    EXPECT_EQ(1, b->subnetMatch);
    EXPECT_EQ("Foreign", FieldText(x->alias)) << "a scrambled reply reads as a plain one";
    EXPECT_EQ(htons(8080), x->httpPort);
    for (const Report& report : m_sink.Reports()) {
        EXPECT_NE(Report::Error, report.kind) << "code " << report.code;
    }
}

TEST_F(DiscoveryLanTest, SetNetworkChangesACameraAndAWrongPasswordIsRefused) {
    auto a = WaitForCamera("CAMA", "10.71.1.20");
    ASSERT_TRUE(a);
    a->ip = inet_addr("10.71.1.99");
    a->gateway = inet_addr("10.71.1.254");
    StoreFieldText(a->password, "alpha", 11);
    m_worker.PostSetNetwork(*a);
    const auto moved = WaitForCamera("CAMA", "10.71.1.99");
    ASSERT_TRUE(moved) << m_cameraA->Output();
    EXPECT_EQ(inet_addr("10.71.1.254"), moved->gateway);

    auto b = WaitForCamera("CAMB", "10.71.2.30");
    ASSERT_TRUE(b);
    b->ip = inet_addr("10.71.2.99");
    StoreFieldText(b->password, "wrong", 11);
    m_worker.PostSetNetwork(*b);
    ASSERT_TRUE(m_sink.WaitForCount(Report::Result, 1));
    std::vector<int> codes;
    for (const Report& report : m_sink.Reports()) {
        if (report.kind == Report::Result) {
            codes.push_back(report.code);
        }
    }
    EXPECT_EQ(std::vector<int>{1}, codes);
    EXPECT_TRUE(m_cameraB->WaitForOutput("result 1")) << m_cameraB->Output();
}

// A host with no interface able to broadcast (offline, cable out): each
// search round sends nothing, still posts its tick, and the worker goes on.
TEST(DiscoveryOfflineTest, KeepsSearchingWithNoUsableInterface) {
    test::RecordingSink sink;
    bool isolated = false;
    // A thread of its own, moved into an empty network namespace; the
    // worker thread it starts lives there too.
    std::thread offline([&] {
        if (unshare(CLONE_NEWNET) != 0) {
            return;
        }
        isolated = true;
        CDiscoveryWorker worker(sink);
        ASSERT_TRUE(worker.Start());
        for (std::size_t round = 1; round <= 3; ++round) {
            ASSERT_TRUE(sink.WaitForCount(Report::Refresh, round));
            worker.PostSearchNow();
        }
    });
    offline.join();
    if (!isolated) {
        GTEST_SKIP() << "cannot make a network namespace here";
    }
    for (const Report& report : sink.Reports()) {
        EXPECT_EQ(Report::Refresh, report.kind) << "code " << report.code;
    }
}

}  // namespace
}  // namespace vantrel

// SPDX-License-Identifier: GPL-3.0-or-later
// The camera session every front end runs, over real loopback sockets with
// the simulated cameras answering, and with the test playing the worker
// where a precise order of replies and searches is wanted.
#include "session/camera_session.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <thread>

#include "protocol/address_text.h"
#include "protocol/text_field.h"
#include "res/string_table.h"
#include "session/camera_action.h"
#include "session/waiting_dispatcher.h"
#include "tests/test_sockets.h"
#include "tools/fakecam/discovery_responder.h"
#include "tools/fakecam/upgrade_listener.h"

namespace vantrel {
namespace {

using namespace std::chrono_literals;

CameraRecord Camera(const char* id, const char* ip = "10.0.0.2") {
    CameraRecord camera{};
    StoreFieldText(camera.id, id);
    StoreFieldText(camera.alias, id);
    camera.ip = *ReadAddress(ip);
    camera.mask = *ReadAddress("255.255.255.0");
    camera.gateway = camera.dns = *ReadAddress("10.0.0.1");
    camera.httpPort = htons(80);
    camera.appVersion = *ReadAddress("1.0.0.1");
    StoreFieldText(camera.password, "pw");
    camera.seen = 1;  // as the worker hands over each reply
    return camera;
}

// Everything the session says, as it says it.
struct Told final : ISessionObserver {
    void ListChanged(const ListEdit& edit) override { edits.push_back(edit); }
    void EmptyListTextChanged(const std::string& text) override { emptyTexts.push_back(text); }
    void ListFullChanged(bool full) override { this->full = full; }
    void StatusLineChanged(const std::string& text) override { status = text; }
    void PasswordRefused() override { ++refusals; }
    void SocketFailed() override { socketFailed = true; }
    void Searched(std::uint64_t search) override { searches = search; }
    void PlanChanged(const CPlanRollout& rollout, bool ended) override {
        if (ended) {
            plan.emplace(rollout);
        }
    }

    void UploadsChanged() override { ++uploadNews; }

    std::vector<ListEdit> edits;
    std::vector<std::string> emptyTexts;
    bool full = false;
    std::string status;
    int refusals = 0;
    bool socketFailed = false;
    std::uint64_t searches = 0;
    std::optional<CPlanRollout> plan;
    int uploadNews = 0;
};

// Simulated cameras on loopback, answering until the object goes.
struct Cameras {
    explicit Cameras(std::vector<CameraRecord> cameras)
        : responder(std::move(cameras), Options(), stderr) {
        EXPECT_TRUE(responder.Open());
        serving = std::thread([this] { responder.Run(stop); });
    }
    ~Cameras() {
        stop = true;
        serving.join();
    }
    static fakecam::ResponderOptions Options() {
        fakecam::ResponderOptions options;
        options.bindAddress = test::LoopbackAddress();
        options.port = 0;
        options.unicast = true;
        return options;
    }
    fakecam::CDiscoveryResponder responder;
    std::atomic<bool> stop{false};
    std::thread serving;
};

class CameraSessionTest : public ::testing::Test {
  protected:
    SessionConfig Config(std::uint16_t cameraPort) {
        SessionConfig config;
        config.discovery.port = ntohs(test::LoopbackUdp().port);
        config.discovery.destination = test::LoopbackAddress();
        config.discovery.destinationPort = cameraPort;
        config.discovery.clock = [this] { return now.load(); };
        config.interfaces = [] {
            return std::vector<HostInterface>{
                {*ReadAddress("10.0.0.5"), *ReadAddress("255.255.255.0"), 2, true, false, "eth0"}};
        };
        return config;
    }
    // Runs the session's work until done() holds; false after 5 s.
    bool RunUntil(const std::function<bool()>& done) {
        const auto end = std::chrono::steady_clock::now() + 5s;
        while (std::chrono::steady_clock::now() < end) {
            dispatcher.RunPending();
            if (done()) {
                return true;
            }
            dispatcher.Wait(20ms);
        }
        return false;
    }
    // The next search goes out, and its answers come in.
    bool Search() {
        const std::uint64_t next = told.searches + 1;
        now += SEARCH_PERIOD_MS;
        return RunUntil([&] { return told.searches >= next; }) && Settle();
    }
    bool Settle() {
        std::this_thread::sleep_for(150ms);
        dispatcher.RunPending();
        return true;
    }

    std::atomic<std::uint64_t> now{1000};
    CWaitingDispatcher dispatcher;
    Told told;
};

TEST_F(CameraSessionTest, AListFollowsItsCamerasAndASelectionNeverLandsOnAnother) {
    CCameraSession session(dispatcher, told, Config(9));
    session.OnCamerasFound({Camera("A"), Camera("B"), Camera("C"), Camera("D")});
    ASSERT_EQ(1u, told.edits.size());
    EXPECT_EQ(4u, told.edits[0].added);
    EXPECT_EQ("", session.EmptyText());
    // One missed search is forgiven: a lossy link keeps its line.
    session.OnCameraRefresh();
    session.OnCamerasFound({Camera("A"), Camera("D")});
    session.OnCameraRefresh();
    EXPECT_EQ(4u, session.Records().size());
    session.OnCamerasFound({Camera("A"), Camera("D", "10.0.0.9")});
    session.OnCameraRefresh();  // B and C missed two in a row
    ASSERT_EQ(2u, told.edits.size());
    const ListEdit& edit = told.edits.back();
    EXPECT_EQ((std::vector<std::pair<std::size_t, std::size_t>>{{1, 2}}), edit.dropped);
    EXPECT_EQ(std::vector<std::size_t>{1}, edit.changed) << "D's new address, on its new line";
    EXPECT_EQ(0u, edit.Where(0));
    EXPECT_FALSE(edit.Where(1)) << "its camera went: nothing takes its place";
    EXPECT_FALSE(edit.Where(2));
    EXPECT_EQ(1u, edit.Where(3));
    ASSERT_EQ(2u, session.Records().size());
    EXPECT_EQ("D", FieldText(session.Records()[1].id));
}

// A command's wait: the session asks for the second search itself (the
// worker's clock stands still here, so none would go out on its own) and
// settles with every camera after exactly two.
TEST_F(CameraSessionTest, ASettlingSearchSearchesAgainAndEndsWithEveryCamera) {
    Cameras cameras({Camera("CAM1"), Camera("CAM2"), Camera("CAM3")});
    SessionConfig config = Config(cameras.responder.Port());
    config.keepEveryCamera = true;
    CCameraSession session(dispatcher, told, config);
    ASSERT_TRUE(session.Start());
    session.SettleSearch();
    ASSERT_TRUE(RunUntil([&] { return session.SearchSettled(CSearchSettle::Clock::now()); }));
    EXPECT_EQ(session.Records().size(), 3u);
    EXPECT_EQ(told.searches, 2u);
}

TEST_F(CameraSessionTest, OnlyResultsOneFiveAndSixMeanAWrongPassword) {
    CCameraSession session(dispatcher, told, Config(9));
    for (const int result : {0, 2, 3, 4, 7, 0xfffe, 1000}) {
        session.OnSetNetworkResult(static_cast<std::uint16_t>(result));
    }
    EXPECT_EQ(0, told.refusals);
    for (const int result : {1, 5, 6}) {
        session.OnSetNetworkResult(static_cast<std::uint16_t>(result));
    }
    EXPECT_EQ(3, told.refusals);
    EXPECT_TRUE(IsPasswordRefusal(5));
    EXPECT_FALSE(IsPasswordRefusal(0xfffe)) << "a camera's result, not the worker's -2";
}

TEST_F(CameraSessionTest, EachCameraOffersTheOneActionItsLineLeadsTo) {
    CameraRecord camera = Camera("A");
    camera.subnetMatch = 1;
    EXPECT_EQ(CameraAction::WebPage, ActionFor(camera));
    EXPECT_TRUE(OffersWebPage(camera));
    camera.appVersion = 0;
    EXPECT_EQ(CameraAction::Upgrade, ActionFor(camera));
    EXPECT_FALSE(OffersWebPage(camera));
    camera.subnetMatch = 0;
    EXPECT_EQ(CameraAction::NetworkSettings, ActionFor(camera));
    camera.appVersion = 1;
    EXPECT_EQ(CameraAction::NetworkSettings, ActionFor(camera)) << "unreachable first";
}

TEST_F(CameraSessionTest, TheEmptyListCountsQuietSearchesFromWhenItWentEmpty) {
    CCameraSession session(dispatcher, told, Config(9));
    const std::string searching = "Searching for cameras on eth0\u2026";
    EXPECT_EQ(searching, session.EmptyText());
    session.OnCameraRefresh();
    session.OnCameraRefresh();
    EXPECT_EQ(searching, session.EmptyText());
    session.OnCameraRefresh();
    EXPECT_EQ(0u, session.EmptyText().find("No camera has answered yet."));
    session.OnCamerasFound({Camera("A")});
    EXPECT_EQ("", session.EmptyText());
    session.OnCameraRefresh();
    session.OnCameraRefresh();
    session.OnCameraRefresh();  // A missed two: gone
    EXPECT_TRUE(session.Records().empty());
    EXPECT_EQ(searching, session.EmptyText()) << "not at once that no camera answered";
    session.OnCameraRefresh();
    EXPECT_EQ(searching, session.EmptyText());
    session.OnCameraRefresh();
    EXPECT_EQ(0u, session.EmptyText().find("No camera has answered yet."));
    EXPECT_EQ(told.emptyTexts.back(), session.EmptyText());
}

TEST_F(CameraSessionTest, ANetworkChangeIsConfirmedWhenTheCameraAnswersWithIt) {
    Cameras cameras({Camera("CAM1"), Camera("CAM2")});
    CCameraSession session(dispatcher, told, Config(cameras.responder.Port()));
    ASSERT_TRUE(session.Start());
    ASSERT_TRUE(RunUntil([&] { return session.Records().size() == 2; }));

    CameraRecord asked = session.Records()[0];
    asked.ip = *ReadAddress("10.0.0.50");
    StoreFieldText(asked.password, "pw");
    session.ChangeNetwork(session.Records()[0], asked);
    EXPECT_EQ("CAM1: new network settings sent; waiting for the camera to answer with them\u2026",
              told.status);
    ASSERT_TRUE(RunUntil([&] { return session.NetworkChange()->Ended(); }))
        << "the request is followed by a search at once";
    EXPECT_EQ(CNetworkChange::Outcome::Taken, session.NetworkChange()->Result());
    EXPECT_EQ(
        "CAM1: answers with its new settings: 10.0.0.50, mask 255.255.255.0, gateway "
        "10.0.0.1, DNS 10.0.0.1, HTTP port 80",
        told.status);

    // A wrong password: the camera's refusal ends the wait.
    asked = session.Records()[1];
    asked.ip = *ReadAddress("10.0.0.51");
    StoreFieldText(asked.password, "wrong");
    session.ChangeNetwork(session.Records()[1], asked);
    ASSERT_TRUE(RunUntil([&] { return session.NetworkChange()->Ended(); }));
    EXPECT_EQ(CNetworkChange::Outcome::Refused, session.NetworkChange()->Result());
    EXPECT_EQ(1, told.refusals);
    EXPECT_EQ("CAM2: the password was refused; the settings are as they were", told.status);

    // No camera takes a request for an id it does not have.
    CameraRecord stranger = Camera("NOBODY");
    session.ChangeNetwork(stranger, stranger);
    for (std::uint64_t search = 0; search < SETTLE_SEARCHES + 1; ++search) {
        ASSERT_TRUE(Search());
    }
    EXPECT_EQ(CNetworkChange::Outcome::NotShown, session.NetworkChange()->Result());
    EXPECT_EQ(
        "NOBODY: did not show the new settings within 4 searches; it shows 10.0.0.2, mask "
        "255.255.255.0, gateway 10.0.0.1, DNS 10.0.0.1, HTTP port 80",
        told.status);
}

TEST_F(CameraSessionTest, APlanGoesOutInOnePassAndSettlesOnWhatTheSearchesShow) {
    Cameras cameras({Camera("CAM1"), Camera("CAM2"), Camera("CAM3")});
    CCameraSession session(dispatcher, told, [&] {
        SessionConfig config = Config(cameras.responder.Port());
        config.keepEveryCamera = true;
        return config;
    }());
    ASSERT_TRUE(session.Start());
    ASSERT_TRUE(RunUntil([&] { return session.Records().size() == 3; }));
    std::vector<PlanChange> changes;
    for (std::size_t i = 0; i < 3; ++i) {
        PlanChange change{0, session.Records()[i], session.Records()[i], false};
        change.after.ip = htonl(ntohl(*ReadAddress("10.0.0.60")) + static_cast<std::uint32_t>(i));
        changes.push_back(change);
    }
    // The plan is checked against this computer's own addresses, as the
    // session's interface table has them.
    const PlanRow own{0, "CAM1", "10.0.0.5", "", "", "", false};
    const CheckedPlan clash = CheckPlan({own}, session.Records(), session.HostAddresses());
    ASSERT_EQ(1u, clash.problems.size());
    EXPECT_EQ("10.0.0.5 is this computer's own address", clash.problems[0].text);
    session.ApplyPlan(changes, "pw");
    ASSERT_TRUE(RunUntil([&] { return told.plan.has_value(); }));
    EXPECT_EQ(3u, told.plan->Count(CPlanRollout::Outcome::Changed));
    EXPECT_FALSE(session.Plan()) << "the plan has ended";
}

TEST_F(CameraSessionTest, ARestartIsFollowedInTheStatusLineByTheCamerasId) {
    CCameraSession session(dispatcher, told, Config(9));
    CameraRecord camera = Camera("CAM1");
    session.OnCamerasFound({camera, Camera("CAM2")});
    session.WatchRestart(camera, ImageKind::Application, Delivery::Confirmed);
    EXPECT_EQ("CAM1: image delivered; waiting for the camera to restart\u2026", told.status);
    session.OnCameraRefresh();
    session.OnCamerasFound({Camera("CAM2")});  // another camera's reply is not its
    session.OnCameraRefresh();
    session.OnCameraRefresh();
    EXPECT_EQ("CAM1: restarting; waiting for the camera to come back\u2026", told.status);
    camera.appVersion = *ReadAddress("2.0.0.0");
    session.OnCamerasFound({camera});
    session.OnCameraRefresh();
    EXPECT_EQ(0u, told.status.find("CAM1: back after ")) << told.status;
    ASSERT_NE(nullptr, session.Restart("CAM1"));
    EXPECT_EQ(CRestartWatch::Outcome::Back, session.Restart("CAM1")->Result());
    EXPECT_EQ(nullptr, session.Restart("CAM2"));
}

TEST_F(CameraSessionTest, WhatTheWorkerPostedBeforeTheSessionStoppedIsDropped) {
    Cameras cameras({Camera("CAM1")});
    CCameraSession session(dispatcher, told, Config(cameras.responder.Port()));
    ASSERT_TRUE(session.Start());
    ASSERT_TRUE(RunUntil([&] { return session.Records().size() == 1; }));
    session.PostCamerasFound({Camera("LATE")});
    session.PostSocketError();
    const std::size_t edits = told.edits.size();
    session.Stop();
    EXPECT_TRUE(session.Records().empty()) << "a stopped session forgets its cameras";
    dispatcher.RunPending();
    EXPECT_EQ(edits, told.edits.size());
    EXPECT_FALSE(told.socketFailed);
    EXPECT_FALSE(session.Searching());
}

// One camera's upload side on loopback, served until the object goes.
struct UploadSide {
    explicit UploadSide(const char* id, fakecam::UpgradeFault fault = fakecam::UpgradeFault::None)
        : id(id), listener(OnAnyPort(id), Options(fault), stderr) {
        EXPECT_TRUE(listener.Open());
        serving = std::thread([this] { listener.Run(stop); });
    }
    ~UploadSide() {
        stop = true;
        serving.join();
    }
    static fakecam::UpgradeOptions Options(fakecam::UpgradeFault fault) {
        fakecam::UpgradeOptions options;
        options.bindAddress = test::LoopbackAddress();
        options.fault = fault;
        return options;
    }
    static CameraRecord OnAnyPort(const char* id) {
        CameraRecord camera = Camera(id);
        camera.httpPort = 0;
        return camera;
    }
    // The camera as it answered a search, on a local subnet.
    CameraRecord Record() const {
        CameraRecord camera = Camera(id.c_str());
        camera.ip = test::LoopbackAddress();
        camera.httpPort = htons(listener.Port());
        camera.subnetMatch = 1;
        return camera;
    }
    const std::string id;
    fakecam::CUpgradeListener listener;
    std::atomic<bool> stop{false};
    std::thread serving;
};

std::string SystemImage(std::size_t size) {
    const std::string path = ::testing::TempDir() + "session-system.bin";
    std::ofstream(path, std::ios::binary) << "BNEG" << std::string(size - 4, 'q');
    return path;
}

TEST_F(CameraSessionTest, UploadsRunManyAtOnceEachToItsOwnEnd) {
    UploadSide good("CAM1");
    UploadSide faulty("CAM2", fakecam::UpgradeFault::CloseMidUpload);
    UploadSide refusing("CAM3", fakecam::UpgradeFault::RejectPassword);
    CCameraSession session(dispatcher, told, Config(9));
    session.Upgrade({good.Record(), faulty.Record(), refusing.Record()}, SystemImage(4 << 20),
                    ImageKind::System, 3, std::nullopt);
    EXPECT_FALSE(session.UploadsEnded());
    ASSERT_TRUE(RunUntil([&] { return session.UploadsEnded(); }));
    const std::vector<UploadJob>& jobs = session.Uploads();
    ASSERT_EQ(3u, jobs.size());
    EXPECT_TRUE(jobs[0].state == UploadJob::State::Delivered ||
                jobs[0].state == UploadJob::State::Unconfirmed)
        << StateText(jobs[0]);
    EXPECT_EQ(100, jobs[0].percent);
    EXPECT_GE(jobs[0].seconds, 0);
    EXPECT_EQ(UploadJob::State::Failed, jobs[1].state);
    EXPECT_EQ(IDS_SOCKET_ERROR, jobs[1].messageId);
    EXPECT_TRUE(NeedsNewUpload(jobs[1])) << "part of its image went out";
    EXPECT_EQ("failed", ResultWords(jobs[1]));
    EXPECT_EQ(0u, StateText(jobs[1]).find("failed: socket error ! (the camera closed the "
                                          "connection after "))
        << StateText(jobs[1]);
    EXPECT_EQ(UploadJob::State::Failed, jobs[2].state);
    EXPECT_EQ(IDS_INCORRECT_PASSWORD, jobs[2].messageId);
    EXPECT_FALSE(NeedsNewUpload(jobs[2])) << "nothing of the image went out";
    EXPECT_GT(told.uploadNews, 0);
}

TEST_F(CameraSessionTest, StoppingAfterTheseFinishesTheUploadInFlightAndStartsNoMore) {
    UploadSide first("CAM1");
    UploadSide second("CAM2");
    CCameraSession session(dispatcher, told, Config(9));
    session.Upgrade({first.Record(), second.Record()}, SystemImage(1 << 20), ImageKind::System, 1,
                    std::nullopt);
    ASSERT_TRUE(RunUntil([&] { return session.UploadsInFlight() == 1; }));
    session.StartNoMoreUploads();
    ASSERT_TRUE(RunUntil([&] { return session.UploadsEnded(); }));
    EXPECT_TRUE(DeliveredImage(session.Uploads()[0].state)) << StateText(session.Uploads()[0]);
    EXPECT_EQ(UploadJob::State::Waiting, session.Uploads()[1].state);
    EXPECT_EQ("not started", ResultWords(session.Uploads()[1]));
}

TEST_F(CameraSessionTest, AnUpgradeEndsOnlyWhenTheCameraIsBackWithItsNewVersion) {
    UploadSide side("CAM1");
    CCameraSession session(dispatcher, told, Config(9));
    const CameraRecord before = side.Record();
    session.OnCamerasFound({before});
    session.Upgrade({before}, SystemImage(64 << 10), ImageKind::System, 1, std::chrono::minutes(5));
    ASSERT_TRUE(RunUntil([&] { return session.UploadsOver(); }));
    EXPECT_EQ(UploadJob::State::Restarting, session.Uploads()[0].state);
    EXPECT_FALSE(session.UploadsEnded()) << "the camera has yet to come back";
    session.OnCameraRefresh();
    session.OnCameraRefresh();
    session.OnCameraRefresh();  // silent through two searches: restarting
    CameraRecord back = before;
    back.systemVersion = *ReadAddress("2.0.0.0");
    session.OnCamerasFound({back});
    session.OnCameraRefresh();
    EXPECT_EQ(UploadJob::State::Back, session.Uploads()[0].state);
    EXPECT_TRUE(session.UploadsEnded());
    EXPECT_EQ(0u, StateText(session.Uploads()[0]).find("upgraded: back after "))
        << StateText(session.Uploads()[0]);
    EXPECT_GE(session.Uploads()[0].seconds, 0);
}

}  // namespace
}  // namespace vantrel

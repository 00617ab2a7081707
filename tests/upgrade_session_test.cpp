// SPDX-License-Identifier: GPL-3.0-or-later
#include "cameras/upgrade_session.h"

#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#endif

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "protocol/packet_header.h"
#include "protocol/text_field.h"
#include "res/string_table.h"
#include "tests/test_sockets.h"
#include "tools/fakecam/upgrade_listener.h"

namespace vantrel {
namespace {

using Bytes = std::vector<std::uint8_t>;
using fakecam::UpgradeFault;

// Notes what the session tells, in order.
class RecordingView : public IUpgradeView {
  public:
    void UploadStarted() override { events.push_back("show"); }
    void UploadProgress(int percent) override { progress.push_back(percent); }
    void UploadFailed(int messageId, const std::string& why) override {
        events.push_back("message " + std::to_string(messageId));
        reason = why;
    }
    void UploadFinished(Delivery how) override {
        events.push_back("ok");
        delivery = how;
    }
    std::vector<std::string> events;
    std::vector<int> progress;
    std::string reason;
    std::optional<Delivery> delivery;
};

// Sockets and files the process holds open.
int OpenDescriptors() {
#ifdef _WIN32
    DWORD handles = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handles);
    return static_cast<int>(handles);
#else
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        (void)entry;
        ++count;
    }
    return count;
#endif
}

// Platform skip: Wine does not count a process's handles (its
// GetProcessHandleCount gives 0), so there the leak checks cannot run.
bool DescriptorsCounted() {
    return OpenDescriptors() > 0;
}

CameraRecord Camera(std::uint16_t port) {
    CameraRecord camera{};
    StoreFieldText(camera.id, "CAM1");
    StoreFieldText(camera.password, "secret");
    camera.ip = test::LoopbackAddress();
    camera.httpPort = htons(port);
    return camera;
}

Bytes ImageBytes(std::size_t size, const char* mark = "BNEG", std::size_t offset = 0) {
    Bytes image(size);
    for (std::size_t i = 0; i < size; ++i) {
        image[i] = static_cast<std::uint8_t>(i * 31 + 7);
    }
    for (std::size_t i = 0; mark[i] != '\0' && offset + i < size; ++i) {
        image[offset + i] = static_cast<std::uint8_t>(mark[i]);
    }
    return image;
}

class UpgradeSessionTest : public ::testing::Test {
  protected:
    void TearDown() override {
        m_stop = true;
        if (m_serving.joinable()) {
            m_serving.join();
        }
        std::filesystem::remove(m_path);
    }

    // A simulated camera on a free loopback port with the given fault.
    CameraRecord StartCamera(UpgradeFault fault = UpgradeFault::None) {
        fakecam::UpgradeOptions options;
        options.bindAddress = test::LoopbackAddress();
        options.fault = fault;
        options.keepImage = true;
        m_listener = std::make_unique<fakecam::CUpgradeListener>(Camera(0), options, m_log.get());
        EXPECT_TRUE(m_listener->Open());
        m_serving = std::thread([this] { m_listener->Run(m_stop); });
        return Camera(m_listener->Port());
    }

    std::ifstream WriteImage(const Bytes& bytes) {
        std::ofstream(m_path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
        return std::ifstream(m_path, std::ios::binary);
    }

    // Runs a session and checks that it leaves no descriptor open.
    void Run(const Bytes& image, ImageKind kind, const CameraRecord& camera) {
        const int before = OpenDescriptors();
        RunUpgradeSession(WriteImage(image), kind, camera, view);
        if (DescriptorsCounted()) {
            EXPECT_EQ(before, DescriptorsSettledAt(before))
                << "a socket or the image was left open";
        }
    }

    // The open descriptors once the camera's side of a connection, which
    // closes a moment after the session's, has had up to 2 s to go.
    static int DescriptorsSettledAt(int expected) {
        for (int i = 0; i < 200 && OpenDescriptors() > expected; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return OpenDescriptors();
    }

    // One file per test, so that suites run side by side do not share it.
    std::string m_path = ::testing::TempDir() + "vantrel_image_" +
                         ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".bin";
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> m_log{std::fopen("/dev/null", "w"),
                                                          &std::fclose};
    std::atomic<bool> m_stop{false};
    std::unique_ptr<fakecam::CUpgradeListener> m_listener;
    std::thread m_serving;
    RecordingView view;
};

TEST_F(UpgradeSessionTest, SendsAFourByteSystemImageAsOneLastChunk) {
    const CameraRecord camera = StartCamera();
    Run(ImageBytes(4), ImageKind::System, camera);
    EXPECT_EQ((std::vector<std::string>{"show", "ok"}), view.events);
    EXPECT_EQ(std::vector<int>{100}, view.progress);
    const auto upload = m_listener->WaitForUpload(5000);
    ASSERT_TRUE(upload);
    EXPECT_EQ(OP_SYSTEM_CHUNK, upload->op);
    EXPECT_EQ(Bytes{CHUNK_LAST}, upload->flags);
    EXPECT_EQ(std::vector<std::uint32_t>{4}, upload->lengths);
    EXPECT_EQ(ImageBytes(4), upload->image);
}

TEST_F(UpgradeSessionTest, CutsImagesIntoChunksWithFlagsAndProgress) {
    struct Row {
        std::size_t size;
        Bytes flags;
        std::vector<std::uint32_t> lengths;
        std::vector<int> progress;
    };
    const Row rows[] = {
        {1024, {2}, {1024}, {100}},
        {1025, {0, 2}, {1024, 1}, {99, 100}},
        {3000, {0, 1, 2}, {1024, 1024, 952}, {34, 68, 100}},
    };
    const CameraRecord camera = StartCamera();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.size);
        view = RecordingView{};
        const Bytes image = ImageBytes(row.size, "UPGRADE APP_WARE FILE", 8);
        Run(image, ImageKind::Application, camera);
        EXPECT_EQ((std::vector<std::string>{"show", "ok"}), view.events);
        EXPECT_EQ(row.progress, view.progress);
        const auto upload = m_listener->WaitForUpload(5000);
        ASSERT_TRUE(upload);
        EXPECT_EQ(OP_APPLICATION_CHUNK, upload->op);
        EXPECT_EQ(row.flags, upload->flags);
        EXPECT_EQ(row.lengths, upload->lengths);
        EXPECT_EQ(image, upload->image) << "the camera got the file byte for byte";
    }
}

TEST_F(UpgradeSessionTest, AnImageOfManySendsArrivesWholeWithProgressForEveryChunk) {
    const CameraRecord camera = StartCamera();
    const std::size_t chunks = 1000;  // many sends' worth, the last one short
    const Bytes image = ImageBytes(chunks * 1024 - 100);
    Run(image, ImageKind::System, camera);
    EXPECT_EQ((std::vector<std::string>{"show", "ok"}), view.events);
    ASSERT_EQ(chunks, view.progress.size()) << "one step per chunk, as before";
    EXPECT_TRUE(std::is_sorted(view.progress.begin(), view.progress.end()));
    EXPECT_EQ(100, view.progress.back());
    const auto upload = m_listener->WaitForUpload(5000);
    ASSERT_TRUE(upload);
    ASSERT_EQ(chunks, upload->flags.size());
    EXPECT_EQ(CHUNK_FIRST, upload->flags.front());
    EXPECT_EQ(CHUNK_LAST, upload->flags.back());
    EXPECT_EQ(std::count(upload->flags.begin(), upload->flags.end(), CHUNK_MIDDLE),
              static_cast<long>(chunks - 2));
    EXPECT_EQ(924u, upload->lengths.back());
    EXPECT_EQ(image, upload->image) << "the same bytes in the same order";
#ifdef _WIN32
    // Winsock does not say what the peer has acknowledged.
    EXPECT_EQ(Delivery::Unconfirmed, view.delivery);
#else
    EXPECT_EQ(Delivery::Confirmed, view.delivery) << "the camera acknowledged every byte";
#endif
}

TEST_F(UpgradeSessionTest, ReportsEachCameraFaultWithItsMessage) {
    struct Row {
        UpgradeFault fault;
        int message;
    };
    const Row rows[] = {
        {UpgradeFault::Refuse, IDS_CONNECT_FAILED},
        {UpgradeFault::CloseAfterLogin, IDS_DISCONNECTED},
        {UpgradeFault::ResetAfterLogin, IDS_DISCONNECTED},
        {UpgradeFault::Busy, IDS_CAMERA_BUSY},
        {UpgradeFault::OtherId, IDS_WRONG_CAMERA},
        {UpgradeFault::RejectPassword, IDS_INCORRECT_PASSWORD},
        {UpgradeFault::WrongMagic, IDS_UNKNOWN_ECHO},
        {UpgradeFault::WrongOp, IDS_UNKNOWN_ECHO},
        {UpgradeFault::ShortReply, IDS_UNKNOWN_ECHO},
        {UpgradeFault::Silent, IDS_NO_ECHO},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.fault));
        TearDown();
        m_stop = false;
        view = RecordingView{};
        CameraRecord camera = StartCamera(row.fault);
        if (row.fault == UpgradeFault::Refuse) {
            camera = Camera(ntohs(test::LoopbackUdp().port));  // a port nothing listens on
        }
        Run(ImageBytes(3000), ImageKind::System, camera);
        EXPECT_EQ(std::vector<std::string>{"message " + std::to_string(row.message)}, view.events)
            << "nothing else happens to the dialog";
    }
}

TEST_F(UpgradeSessionTest, AWrongPasswordIsRefusedAndTheNextTryWorks) {
    CameraRecord camera = StartCamera();
    StoreFieldText(camera.password, "guess", 11);
    Run(ImageBytes(10), ImageKind::System, camera);
    EXPECT_EQ(std::vector<std::string>{"message 121"}, view.events);
    view = RecordingView{};
    StoreFieldText(camera.password, "secret", 11);
    Run(ImageBytes(10), ImageKind::System, camera);
    EXPECT_EQ(view.events.back(), "ok");
}

TEST_F(UpgradeSessionTest, ACameraClosingMidUploadIsASocketError) {
    const CameraRecord camera = StartCamera(UpgradeFault::CloseMidUpload);
    Run(ImageBytes(16 * 1024 * 1024), ImageKind::System, camera);
    EXPECT_EQ((std::vector<std::string>{"show", "message 114"}), view.events);
    EXPECT_LT(view.progress.back(), 100) << "told with the bar where it stood";
    EXPECT_TRUE(view.reason.starts_with("the camera closed the connection after ")) << view.reason;
    EXPECT_TRUE(view.reason.ends_with(" of 16 777 216 bytes")) << view.reason;
}

TEST_F(UpgradeSessionTest, ACameraThatStopsReadingFailsTheUploadAndTheNextTryIsServed) {
    const CameraRecord camera = StartCamera(UpgradeFault::StopReading);
    const Bytes image = ImageBytes(16 * 1024 * 1024);
    for (int attempt = 0; attempt < 2; ++attempt) {
        SCOPED_TRACE(attempt);
        view = RecordingView{};
        const int before = OpenDescriptors();
        const auto start = std::chrono::steady_clock::now();
        RunUpgradeSession(WriteImage(image), ImageKind::System, camera, view);
        const auto elapsed = std::chrono::steady_clock::now() - start;
        EXPECT_EQ((std::vector<std::string>{"show", "message 114"}), view.events);
        EXPECT_LT(view.progress.back(), 100);
        EXPECT_TRUE(view.reason.starts_with("the camera took nothing for 3 s after "))
            << view.reason;
        // Three seconds without progress, then the session gives up; the
        // bound here only catches a send that waits for ever.
        EXPECT_LT(elapsed, std::chrono::seconds(10));
        std::printf("gave up after %lld ms\n",
                    static_cast<long long>(
                        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()));
        // The camera still holds its end open; the session's own socket and
        // the image are closed.
        if (DescriptorsCounted()) {
            EXPECT_EQ(before + 1, OpenDescriptors());
        }
    }
}

TEST_F(UpgradeSessionTest, AnImageThatShrinksWhileUploadingIsNeverPadded) {
    const CameraRecord camera = StartCamera();
    // The view's first call comes after the size was taken: cut the file then.
    class ShrinkingView : public RecordingView {
      public:
        explicit ShrinkingView(std::string path) : m_path(std::move(path)) {}
        void UploadStarted() override {
            RecordingView::UploadStarted();
            std::filesystem::resize_file(m_path, 1500);
        }
        std::string m_path;
    } shrinking(m_path);
    RunUpgradeSession(WriteImage(ImageBytes(5000)), ImageKind::System, camera, shrinking);
    EXPECT_EQ((std::vector<std::string>{"show", "message 128"}), shrinking.events);
    EXPECT_EQ("the image file could not be read after 1 024 of 5 000 bytes", shrinking.reason);
    const auto upload = m_listener->WaitForUpload(5000);
    ASSERT_TRUE(upload);
    EXPECT_FALSE(upload->complete);
    EXPECT_LE(upload->bytes, 1024u) << "only whole chunks from the file went out";
}

TEST_F(UpgradeSessionTest, AStopEndsTheSessionQuietlyBeforeItsNextStepOrChunk) {
    const CameraRecord camera = StartCamera();
    std::stop_source before;
    before.request_stop();
    RunUpgradeSession(WriteImage(ImageBytes(3000)), ImageKind::System, camera, view,
                      before.get_token());
    EXPECT_TRUE(view.events.empty()) << "a stopped session does not even connect";

    // Stopped at the second chunk's progress: the chunks already handed to
    // the socket with it were the last sent, whole.
    class StoppingView : public RecordingView {
      public:
        void UploadProgress(int percent) override {
            RecordingView::UploadProgress(percent);
            if (progress.size() == 2) {
                source.request_stop();
            }
        }
        std::stop_source source;
    } stopping;
    const int descriptors = OpenDescriptors();
    RunUpgradeSession(WriteImage(ImageBytes(1000 * 1024)), ImageKind::System, camera, stopping,
                      stopping.source.get_token());
    EXPECT_EQ((std::vector<std::string>{"show"}), stopping.events) << "no message, no ok";
    ASSERT_GE(stopping.progress.size(), 2u);
    EXPECT_LT(stopping.progress.back(), 100);
    const auto upload = m_listener->WaitForUpload(5000);
    if (DescriptorsCounted()) {
        EXPECT_EQ(descriptors, DescriptorsSettledAt(descriptors))
            << "the socket and the image are closed";
    }
    ASSERT_TRUE(upload);
    EXPECT_FALSE(upload->complete);
    EXPECT_EQ(stopping.progress.size() * 1024, upload->bytes)
        << "every chunk whose progress was shown arrived, and no other";
}

// A camera played byte by byte: it answers the login with the given result
// and id, accepts any password, and keeps all it received.
class ScriptedCamera {
  public:
    ScriptedCamera(std::uint16_t result, const char* id)
        : m_listener(test::ListenOnLoopback(port)) {
        Bytes login = {static_cast<std::uint8_t>(result), static_cast<std::uint8_t>(result >> 8)};
        char field[13] = {};
        StoreFieldText(field, id);
        login.insert(login.end(), field, field + 13);
        login.resize(27, 0);
        m_thread = std::thread([this, login] {
            UniqueSocket connection(accept(m_listener.Get(), nullptr, nullptr));
            received = test::ReadAvailable(connection.Get(), 23);
            const Bytes reply = test::MakePacket(MAGIC_UPGRADE, OP_LOGIN_REPLY, login);
            (void)SendSome(connection.Get(), reply.data(), reply.size());
            const Bytes verify = test::ReadAvailable(connection.Get(), 49);
            received.insert(received.end(), verify.begin(), verify.end());
            if (verify.size() == 49) {
                const Bytes ok = test::MakePacket(MAGIC_UPGRADE, OP_VERIFY_REPLY, {0, 0});
                (void)SendSome(connection.Get(), ok.data(), ok.size());
                const Bytes rest = test::ReadAvailable(connection.Get(), 1 << 20);
                received.insert(received.end(), rest.begin(), rest.end());
            }
        });
    }
    ~ScriptedCamera() {
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }
    // Everything the host sent, once it has closed the connection.
    Bytes Received() {
        m_thread.join();
        return received;
    }
    std::uint16_t port = 0;

  private:
    Bytes received;
    UniqueSocket m_listener;
    std::thread m_thread;
};

TEST(UpgradeLoginTest, AnyResultButBusyGoesOn) {
    for (const std::uint16_t result : {0, 1, 3, 0x100}) {
        SCOPED_TRACE(result);
        RecordingView view;
        {
            ScriptedCamera camera(result, "CAM1");
            const std::string path = ::testing::TempDir() + "vantrel_login.bin";
            std::ofstream(path, std::ios::binary) << "BNEG";
            RunUpgradeSession(std::ifstream(path, std::ios::binary), ImageKind::System,
                              Camera(camera.port), view);
            std::filesystem::remove(path);
        }
        EXPECT_EQ(view.events.back(), "ok");
    }
}

TEST(UpgradeLoginTest, AnotherCamerasIdStopsTheSessionBeforeAnyPassword) {
    RecordingView view;
    ScriptedCamera camera(0, "CAM2");
    const std::string path = ::testing::TempDir() + "vantrel_other_id.bin";
    std::ofstream(path, std::ios::binary) << "BNEG";
    RunUpgradeSession(std::ifstream(path, std::ios::binary), ImageKind::System, Camera(camera.port),
                      view);
    std::filesystem::remove(path);
    EXPECT_EQ(std::vector<std::string>{"message 127"}, view.events);
    const Bytes received = camera.Received();
    EXPECT_EQ(test::MakePacket(MAGIC_UPGRADE, OP_LOGIN_REQUEST, {}), received)
        << "only the login request went out";
}

TEST(UpgradeConnectTest, GivesUpOnACameraThatDoesNotAnswerWithinThreeSeconds) {
    // A listener whose backlog is full drops further connection requests,
    // as an unreachable camera would.
    std::uint16_t port = 0;
    const UniqueSocket listener = test::ListenOnLoopback(port, 0);
    std::vector<UniqueSocket> fillers;
    for (int i = 0; i < 4; ++i) {
        fillers.emplace_back(socket(AF_INET, SOCK_STREAM, 0));
        (void)ConnectWithTimeout(fillers.back().Get(), test::LoopbackAddress(), htons(port), 200);
    }
    RecordingView view;
    CameraRecord camera = Camera(port);
    const std::string path = ::testing::TempDir() + "vantrel_connect.bin";
    std::ofstream(path, std::ios::binary) << "BNEG";
    const auto start = std::chrono::steady_clock::now();
    RunUpgradeSession(std::ifstream(path, std::ios::binary), ImageKind::System, camera, view);
    const auto waited = std::chrono::steady_clock::now() - start;
    std::filesystem::remove(path);
    EXPECT_EQ(std::vector<std::string>{"message 122"}, view.events);
    EXPECT_LT(waited, std::chrono::seconds(20)) << "not the system's two-minute connect timeout";
}

}  // namespace
}  // namespace vantrel

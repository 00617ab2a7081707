// SPDX-License-Identifier: GPL-3.0-or-later
// Upload speed and memory: the upgrade session sends a 256 MiB image to
// fakecam's upload side on loopback, beside a plain sender of the same
// protocol and packets to the same receiver, so that both pay what the
// receiver costs; and, for the wire's ceiling alone, 64 KiB writes into a
// receiver that only discards. Then the
// session's peak memory for a 16 MiB and a 1 GiB image, each run in a
// process of its own. Run: build/default/bench/upload_bench

#include <arpa/inet.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_image.h"
#include "bench/plain_upload.h"
#include "cameras/upgrade_session.h"
#include "protocol/text_field.h"
#include "protocol/unique_socket.h"
#include "tools/fakecam/upgrade_listener.h"

using namespace vantrel;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::uint64_t MiB = 1024 * 1024;

class NullView : public IUpgradeView {
  public:
    void UploadStarted() override {}
    void UploadProgress(int) override {}
    void UploadFailed(int stringId, const std::string&) override {
        std::printf("  message %d\n", stringId);
    }
    void UploadFinished(Delivery) override { done = true; }
    bool done = false;
};

CameraRecord Camera(std::uint16_t port) {
    CameraRecord camera{};
    StoreFieldText(camera.id, "BENCH");
    StoreFieldText(camera.password, "secret");
    camera.ip = htonl(INADDR_LOOPBACK);
    camera.httpPort = htons(port);
    return camera;
}

long PeakKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

// A plain receiver that takes everything and throws it away.
class Sink {
  public:
    Sink() {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_listener.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(m_listener.Get(), 1);
        socklen_t length = sizeof address;
        getsockname(m_listener.Get(), reinterpret_cast<sockaddr*>(&address), &length);
        port = address.sin_port;
        m_thread = std::thread([this] {
            UniqueSocket connection(accept(m_listener.Get(), nullptr, nullptr));
            std::vector<char> buffer(256 * 1024);
            while (recv(connection.Get(), buffer.data(), buffer.size(), 0) > 0) {
            }
        });
    }
    ~Sink() { m_thread.join(); }
    std::uint16_t port = 0;

  private:
    UniqueSocket m_listener{socket(AF_INET, SOCK_STREAM, 0)};
    std::thread m_thread;
};

double PlainSend(const std::string& path, std::uint64_t size, std::size_t payload) {
    Sink sink;
    UniqueSocket connection(socket(AF_INET, SOCK_STREAM, 0));
    if (!ConnectWithTimeout(connection.Get(), htonl(INADDR_LOOPBACK), sink.port, 3000)) {
        return 0;
    }
    std::ifstream file(path, std::ios::binary);
    std::vector<char> packet(payload);
    const auto start = Clock::now();
    for (std::uint64_t sent = 0; sent < size; sent += payload) {
        const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(payload, size - sent));
        file.read(packet.data(), static_cast<std::streamsize>(length));
        for (std::size_t done = 0; done < length;) {
            const long count = SendSome(connection.Get(), packet.data() + done, length - done);
            if (count < 0) {
                return 0;
            }
            done += static_cast<std::size_t>(count);
        }
    }
    connection.Reset();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return static_cast<double>(size) / MiB / seconds;
}

int SessionOnly(std::uint16_t port, const std::string& path) {
    NullView view;
    RunUpgradeSession(std::ifstream(path, std::ios::binary), ImageKind::System, Camera(port), view);
    std::printf("%ld\n", view.done ? PeakKiB() : -1);
    return view.done ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--session") {
        return SessionOnly(static_cast<std::uint16_t>(std::stoi(argv[2])), argv[3]);
    }
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> log(std::fopen("/dev/null", "w"), &std::fclose);
    fakecam::UpgradeOptions options;
    options.bindAddress = htonl(INADDR_LOOPBACK);
    fakecam::CUpgradeListener camera(Camera(0), options, log.get());
    if (!camera.Open()) {
        return 1;
    }
    std::atomic<bool> stop{false};
    std::thread serving([&] { camera.Run(stop); });

    const std::uint64_t size = 256 * MiB;
    const std::string image = bench::MakeSystemImage("vantrel_bench_", size);
    // Three turns of each, taking turns, and the median of each: this
    // machine's figures wander by a third from one run to the next.
    std::vector<double> sessions, packets, writes;
    bool whole = true;
    for (int turn = 0; turn < 3; ++turn) {
        NullView view;
        const auto start = Clock::now();
        RunUpgradeSession(std::ifstream(image, std::ios::binary), ImageKind::System,
                          Camera(camera.Port()), view);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        const auto upload = camera.WaitForUpload(60000);
        whole = whole && view.done && upload && upload->complete;
        sessions.push_back(view.done ? static_cast<double>(size) / MiB / seconds : 0);
        const auto plainStart = Clock::now();
        const bool plainDone =
            bench::PlainUpload(htonl(INADDR_LOOPBACK), htons(camera.Port()), "secret", image, size);
        const double plainSeconds =
            std::chrono::duration<double>(Clock::now() - plainStart).count();
        const auto plainUpload = camera.WaitForUpload(60000);
        whole = whole && plainDone && plainUpload && plainUpload->complete;
        packets.push_back(plainDone ? static_cast<double>(size) / MiB / plainSeconds : 0);
        writes.push_back(PlainSend(image, size, 64 * 1024));
    }
    const auto median = [](std::vector<double> values) {
        std::sort(values.begin(), values.end());
        return values[1];
    };
    const double session = median(sessions);
    std::printf(
        "256 MiB on loopback to fakecam's upload side, median of 3: session %.0f MiB/s, a plain "
        "sender of the same packets to the same receiver %.0f MiB/s (%s); session at %.2fx the "
        "plain sender. The wire alone, 64 KiB writes into a discarding receiver: %.0f MiB/s\n",
        session, median(packets), whole ? "each image whole" : "INCOMPLETE",
        session / median(packets), median(writes));
    std::filesystem::remove(image);

    for (const std::uint64_t imageSize : {16 * MiB, 1024 * MiB}) {
        const std::string path = bench::MakeSystemImage("vantrel_bench_", imageSize);
        const std::string command = "/proc/" + std::to_string(getpid()) + "/exe --session " +
                                    std::to_string(camera.Port()) + " " + path;
        long peak = -1;
        if (std::FILE* child = popen(command.c_str(), "r")) {
            if (std::fscanf(child, "%ld", &peak) != 1) {
                peak = -1;
            }
            pclose(child);
        }
        (void)camera.WaitForUpload(60000);
        std::printf("session peak memory (VmHWM) for a %llu MiB image: %.1f MiB\n",
                    static_cast<unsigned long long>(imageSize / MiB), peak / 1024.0);
        std::filesystem::remove(path);
    }
    stop = true;
    serving.join();
    return 0;
}

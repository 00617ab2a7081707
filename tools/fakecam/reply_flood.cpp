// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/fakecam/reply_flood.h"

#include <chrono>
#include <cstring>
#include <random>
#include <thread>

#include "protocol/messages.h"
#include "protocol/packet_writer.h"
#include "protocol/text_field.h"
#include "protocol/unique_socket.h"
#include "tools/fakecam/camera_messages.h"

namespace vantrel::fakecam {

namespace {

constexpr unsigned BURST_MS = 10;

}  // namespace

void SendReplyFlood(std::size_t count, unsigned durationMs, const std::atomic<bool>& stop,
                    std::FILE* log) {
    UniqueSocket sender(socket(AF_INET, SOCK_DGRAM, 0));
    if (!sender.IsValid() || !SetSocketOption(sender.Get(), SOL_SOCKET, SO_BROADCAST, 1)) {
        std::fprintf(log, "flood: no socket: %s\n", SocketErrorText(LastSocketError()).c_str());
        return;
    }
    std::mt19937 random(20261208);
    CameraRecord camera{};
    camera.mask = htonl(0xff000000u);
    camera.systemVersion = camera.appVersion = htonl(0x01000001u);
    camera.httpPort = htons(80);
    CPacketWriter writer;
    const std::size_t bursts = std::max<std::size_t>(1, durationMs / BURST_MS);
    const auto start = std::chrono::steady_clock::now();
    std::size_t sent = 0;
    for (std::size_t burst = 0; burst < bursts && !stop; ++burst) {
        const std::size_t until = count * (burst + 1) / bursts;
        for (; sent < until; ++sent) {
            char text[16];
            std::snprintf(text, sizeof text, "F%08x", static_cast<unsigned>(random()));
            StoreFieldText(camera.id, text);
            StoreFieldText(camera.alias, text);
            camera.ip = htonl(0x0b000000u | (random() & 0xffffffu));
            if (BuildSearchReply(writer, camera)) {
                (void)writer.SendTo(sender.Get(), LIMITED_BROADCAST, htons(DISCOVERY_PORT));
            }
        }
        std::this_thread::sleep_until(start + std::chrono::milliseconds(BURST_MS * (burst + 1)));
    }
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    std::fprintf(log, "flood: %zu replies sent in %lld ms\n", sent,
                 static_cast<long long>(took.count()));
}

}  // namespace vantrel::fakecam

// SPDX-License-Identifier: GPL-3.0-or-later
// fakecam: plays any number of network cameras for Vantrel's tests, demos
// and benchmarks. It answers searches on UDP port 10000, applies set-network
// requests and, with --upgrade, takes firmware uploads on each camera's HTTP
// port; it prints one line for every packet it receives.

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <list>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "protocol/address_text.h"
#include "protocol/socket.h"
#include "protocol/socket_library.h"
#include "tools/fakecam/camera_list.h"
#include "tools/fakecam/discovery_responder.h"
#include "tools/fakecam/reply_flood.h"
#include "tools/fakecam/upgrade_listener.h"

using namespace vantrel;
using namespace vantrel::fakecam;

namespace {

std::atomic<bool> g_stop{false};

extern "C" void RequestStop(int) {
    g_stop = true;
}

constexpr char USAGE[] =
    "usage: fakecam [options]\n"
    "  --camera WORDS   one camera: id=ID,name=NAME,ip=A,mask=M,gateway=G,dns=D,\n"
    "                   port=N,system=V,app=V,password=P (id required)\n"
    "  --cameras FILE   cameras from a file, one per line\n"
    "  --count N        N generated cameras CAM000000...\n"
    "  --same-address A the generated cameras all on A/24, as out of the box\n"
    "  --password P     the generated cameras' password (default none)\n"
    "  --port N         UDP port to listen on (default 10000)\n"
    "  --bind ADDRESS   listen on this address only\n"
    "  --unicast        answer the sender instead of broadcasting\n"
    "  --scramble       scramble every reply\n"
    "  --delay MS       answer each search this late\n"
    "  --malformed      send malformed datagrams before each answer\n"
    "  --send-empty     send an empty datagram before each answer\n"
    "  --answer-every N answer the first search, then only every Nth (a lossy link)\n"
    "  --hostile        before each answer send an empty datagram, a set-network\n"
    "                   reply with result 0xFFFE and random datagrams of every\n"
    "                   length from 0 to 200 bytes\n"
    "  --flood N        send N unasked replies with new ids, then answer as usual\n"
    "  --flood-ms MS    spread the flood over MS milliseconds (10000)\n"
    "  --upgrade        take firmware uploads on each camera's HTTP port\n"
    "  --upgrade-fault F  misbehave in the upload: refuse, silent,\n"
    "                   close-after-login, reset-after-login, other-id, busy,\n"
    "                   reject-password, wrong-magic, wrong-op, short-reply,\n"
    "                   close-mid-upload, stop-reading\n"
    "  --save-dir DIR   write each whole upload to DIR/ID.bin\n"
    "  --restart-after-upgrade MS  after a whole image, answer no search for MS,\n"
    "                   then answer with the version --upgraded-version gives\n"
    "  --upgraded-version V  the version the firmware uploaded reports after the\n"
    "                   restart (default: the camera keeps its versions)\n";

[[noreturn]] void Fail(const std::string& message) {
    std::fprintf(stderr, "fakecam: %s\n%s", message.c_str(), USAGE);
    std::exit(2);
}

unsigned long Number(const char* text) {
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 10);
    if (end == text || *end != '\0') {
        Fail(std::string("not a number: ") + text);
    }
    return value;
}

// An address or a version, dotted as people write them; as it travels, in
// network byte order.
std::uint32_t Dotted(const char* text, const std::string& option) {
    const std::optional<std::uint32_t> address = ReadAddress(text);
    if (!address) {
        Fail("bad value for " + option + ": " + text + " (four numbers with dots)");
    }
    return *address;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<CameraRecord> cameras;
    ResponderOptions options;
    UpgradeOptions upgrade;
    bool upgrades = false;
    std::size_t flood = 0;
    std::optional<unsigned long> restartMs;
    std::optional<std::uint32_t> upgradedVersion;
    unsigned floodMs = 10000;
    std::string error;
    std::size_t generatedCount = 0;
    std::optional<std::uint32_t> sameAddress;
    std::string generatedPassword;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const auto value = [&]() -> const char* {
            if (i + 1 >= argc) {
                Fail(option + " needs a value");
            }
            return argv[++i];
        };
        if (option == "--camera") {
            const auto camera = ParseCamera(value(), error);
            if (!camera) {
                Fail(error);
            }
            cameras.push_back(*camera);
        } else if (option == "--cameras") {
            const auto file = ReadCameraFile(value(), error);
            if (!file) {
                Fail(error);
            }
            cameras.insert(cameras.end(), file->begin(), file->end());
        } else if (option == "--count") {
            generatedCount = Number(value());
        } else if (option == "--same-address") {
            sameAddress = Dotted(value(), option);
        } else if (option == "--password") {
            generatedPassword = value();
        } else if (option == "--port") {
            options.port = static_cast<std::uint16_t>(Number(value()));
        } else if (option == "--bind") {
            options.bindAddress = Dotted(value(), option);
        } else if (option == "--unicast") {
            options.unicast = true;
        } else if (option == "--scramble") {
            options.scramble = true;
        } else if (option == "--delay") {
            options.delayMs = static_cast<unsigned>(Number(value()));
        } else if (option == "--answer-every") {
            options.answerEvery = static_cast<unsigned>(std::max(1ul, Number(value())));
        } else if (option == "--malformed") {
            options.malformed = true;
        } else if (option == "--send-empty") {
            options.sendEmpty = true;
        } else if (option == "--hostile") {
            options.hostile = true;
        } else if (option == "--flood") {
            flood = Number(value());
        } else if (option == "--flood-ms") {
            floodMs = static_cast<unsigned>(Number(value()));
        } else if (option == "--upgrade") {
            upgrades = true;
        } else if (option == "--upgrade-fault") {
            const auto fault = ParseUpgradeFault(value());
            if (!fault) {
                Fail("unknown upgrade fault");
            }
            upgrade.fault = *fault;
            upgrades = true;
        } else if (option == "--save-dir") {
            upgrade.saveDirectory = value();
            upgrades = true;
        } else if (option == "--restart-after-upgrade") {
            restartMs = Number(value());
            upgrades = true;
        } else if (option == "--upgraded-version") {
            upgradedVersion = Dotted(value(), option);
        } else if (option == "--help") {
            std::fputs(USAGE, stdout);
            return 0;
        } else {
            Fail("unknown option " + option);
        }
    }
    const auto generated = GenerateCameras(generatedCount, sameAddress, generatedPassword);
    cameras.insert(cameras.end(), generated.begin(), generated.end());
    if (cameras.empty() && flood == 0) {
        Fail("no cameras to play");
    }

    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::signal(SIGINT, RequestStop);
    std::signal(SIGTERM, RequestStop);
    const CSocketLibrary sockets;
    if (!sockets.Started()) {
        std::fputs("fakecam: cannot start the socket library\n", stderr);
        return 1;
    }

    std::optional<CRestartSchedule> restarts;
    if (restartMs) {
        restarts.emplace(std::chrono::milliseconds(*restartMs), upgradedVersion);
        upgrade.restarts = &*restarts;
    }
    CDiscoveryResponder responder(cameras, options, stdout, restarts ? &*restarts : nullptr);
    if (!responder.Open()) {
        return 1;
    }
    upgrade.bindAddress = options.bindAddress;
    std::list<CUpgradeListener> listeners;
    std::vector<std::jthread> serving;
    for (const CameraRecord& camera : upgrades ? cameras : std::vector<CameraRecord>{}) {
        CUpgradeListener& listener = listeners.emplace_back(camera, upgrade, stdout);
        if (listener.Open()) {
            serving.emplace_back([&listener] { listener.Run(g_stop); });
        }
    }
    std::printf("fakecam: %zu cameras on UDP port %u\n", cameras.size(), responder.Port());
    if (flood > 0) {
        serving.emplace_back([flood, floodMs] { SendReplyFlood(flood, floodMs, g_stop, stdout); });
    }
    responder.Run(g_stop);
    return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "protocol/socket.h"
#include "protocol/text_field.h"
#include "tests/test_sockets.h"
#include "tools/fakecam/upgrade_listener.h"

namespace vantrel::test {

// A camera's upload side on loopback with the password "secret", served
// from its making until the object goes.
struct UpgradeCamera {
    explicit UpgradeCamera(fakecam::UpgradeFault fault = fakecam::UpgradeFault::None,
                           const char* id = "CAM1")
        : id(id), listener(Base(id), Options(fault), log.get()), opened(listener.Open()) {
        serving = std::thread([this] { listener.Run(stop); });
    }
    ~UpgradeCamera() {
        stop = true;
        serving.join();
    }
    UpgradeCamera(const UpgradeCamera&) = delete;
    UpgradeCamera& operator=(const UpgradeCamera&) = delete;

    // The camera as the list knows it: on loopback, no application
    // firmware, no password.
    [[nodiscard]] CameraRecord Record() const {
        CameraRecord camera = Base(id.c_str());
        camera.httpPort = htons(listener.Port());
        std::memset(camera.password, 0, sizeof camera.password);
        return camera;
    }

    static CameraRecord Base(const char* id) {
        CameraRecord camera{};
        StoreFieldText(camera.id, id);
        StoreFieldText(camera.alias, id);
        StoreFieldText(camera.password, "secret");
        camera.ip = inet_addr("127.0.0.1");
        camera.mask = inet_addr("255.255.255.0");
        camera.gateway = camera.dns = inet_addr("127.0.0.1");
        camera.subnetMatch = 1;
        camera.seen = 1;
        return camera;
    }
    static fakecam::UpgradeOptions Options(fakecam::UpgradeFault fault) {
        fakecam::UpgradeOptions options;
        options.bindAddress = LoopbackAddress();
        options.fault = fault;
        options.keepImage = true;
        return options;
    }

#ifdef _WIN32
    static constexpr char NOWHERE[] = "NUL";
#else
    static constexpr char NOWHERE[] = "/dev/null";
#endif
    const std::string id;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> log{std::fopen(NOWHERE, "w"), &std::fclose};
    std::atomic<bool> stop{false};
    fakecam::CUpgradeListener listener;
    const bool opened;
    std::thread serving;
};

}  // namespace vantrel::test

// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/fakecam/camera_list.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "protocol/address_text.h"
#include "protocol/socket.h"
#include "protocol/text_field.h"

namespace vantrel::fakecam {

namespace {

bool ParseQuad(const std::string& text, std::uint32_t& value) {
    const std::optional<std::uint32_t> address = ReadAddress(text);
    value = address.value_or(value);
    return address.has_value();
}

bool ParsePort(const std::string& text, std::uint16_t& value) {
    unsigned port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (error != std::errc{} || end != text.data() + text.size() || port > 65535) {
        return false;
    }
    value = htons(static_cast<std::uint16_t>(port));
    return true;
}

bool Apply(CameraRecord& camera, const std::string& key, const std::string& value) {
    if (key == "id") {
        std::memset(camera.id, 0, sizeof camera.id);
        std::memcpy(camera.id, value.data(), std::min(value.size(), sizeof camera.id));
        return !value.empty();
    }
    if (key == "name") {
        // A camera may fill the whole field, with no terminator.
        std::memset(camera.alias, 0, sizeof camera.alias);
        std::memcpy(camera.alias, value.data(), std::min(value.size(), sizeof camera.alias));
        return true;
    }
    if (key == "password") {
        StoreFieldText(camera.password, value, 11);
        return true;
    }
    if (key == "port") {
        return ParsePort(value, camera.httpPort);
    }
    std::uint32_t* const quads[] = {&camera.ip,  &camera.mask,          &camera.gateway,
                                    &camera.dns, &camera.systemVersion, &camera.appVersion};
    const char* const names[] = {"ip", "mask", "gateway", "dns", "system", "app"};
    for (std::size_t i = 0; i < std::size(names); ++i) {
        if (key == names[i]) {
            return ParseQuad(value, *quads[i]);
        }
    }
    return false;
}

}  // namespace

std::optional<CameraRecord> ParseCamera(std::string_view words, std::string& error) {
    CameraRecord camera{};
    camera.ip = htonl(0xc0a80064u);  // 192.168.0.100/24
    camera.mask = htonl(0xffffff00u);
    camera.systemVersion = camera.appVersion = htonl(0x01000001u);  // 1.0.0.1
    camera.httpPort = htons(80);
    // Commas separate the words; without a comma, spaces do.
    const char* separators = words.find(',') != std::string_view::npos ? "," : " \t";
    std::size_t at = 0;
    while (at < words.size()) {
        const std::size_t end = words.find_first_of(separators, at);
        const std::string_view word =
            words.substr(at, end == std::string_view::npos ? end : end - at);
        at = end == std::string_view::npos ? words.size() : end + 1;
        if (word.empty()) {
            continue;
        }
        const std::size_t equals = word.find('=');
        const std::string key(word.substr(0, equals));
        const std::string value(equals == std::string_view::npos ? "" : word.substr(equals + 1));
        if (equals == std::string_view::npos || !Apply(camera, key, value)) {
            error = "bad camera setting '" + std::string(word) + "'";
            return std::nullopt;
        }
    }
    if (camera.id[0] == '\0') {
        error = "a camera needs an id";
        return std::nullopt;
    }
    return camera;
}

std::optional<std::vector<CameraRecord>> ReadCameraFile(const std::string& path,
                                                        std::string& error) {
    std::ifstream file(path);
    if (!file) {
        error = "cannot read " + path;
        return std::nullopt;
    }
    std::vector<CameraRecord> cameras;
    std::string line;
    while (std::getline(file, line)) {
        if (line.find_first_not_of(" \t") == std::string::npos || line[0] == '#') {
            continue;
        }
        auto camera = ParseCamera(line, error);
        if (!camera) {
            return std::nullopt;
        }
        cameras.push_back(*camera);
    }
    return cameras;
}

std::vector<CameraRecord> GenerateCameras(std::size_t count,
                                          std::optional<std::uint32_t> sameAddress,
                                          std::string_view password) {
    std::vector<CameraRecord> cameras(count);
    for (std::size_t i = 0; i < count; ++i) {
        CameraRecord& camera = cameras[i];
        char text[32];
        std::snprintf(text, sizeof text, "CAM%06zu", i);
        StoreFieldText(camera.id, text);
        std::snprintf(text, sizeof text, "Camera %zu", i);
        StoreFieldText(camera.alias, text);
        if (sameAddress) {
            camera.ip = *sameAddress;
            camera.mask = htonl(0xffffff00u);
            camera.gateway = camera.dns = htonl((ntohl(*sameAddress) & 0xffffff00u) | 1u);
        } else {
            camera.ip = htonl(0x0ac80001u + static_cast<std::uint32_t>(i));
            camera.mask = htonl(0xff000000u);
        }
        StoreFieldText(camera.password, password, 11);
        camera.systemVersion = camera.appVersion = htonl(0x01000001u);
        camera.httpPort = htons(80);
    }
    return cameras;
}

}  // namespace vantrel::fakecam

// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/camera_rows.h"

#include <algorithm>
#include <array>
#include <nlohmann/json.hpp>

#include "cameras/camera_line.h"
#include "protocol/address_text.h"
#include "protocol/shown_text.h"
#include "protocol/socket.h"
#include "protocol/text_field.h"
#include "session/text_table.h"

namespace vantrel {

namespace {

constexpr std::size_t COLUMNS = 11;
using Fields = std::array<std::string, COLUMNS>;

const Fields HEADINGS = {"ID",   "NAME",   "ADDRESS", "MASK",  "GATEWAY", "DNS",
                         "PORT", "SYSTEM", "APP",     "LOCAL", "STATUS"};

constexpr char SHARED_MARK[] = " *";

Fields TableFields(const CameraRow& row) {
    return {row.id,
            row.name,
            row.addressSharedWith.empty() ? row.ip : row.ip + SHARED_MARK,
            row.mask,
            row.gateway,
            row.dns,
            std::to_string(row.httpPort),
            row.systemVersion,
            row.appVersion.empty() ? "-" : row.appVersion,
            row.localSubnet ? "yes" : "no",
            row.status};
}

}  // namespace

CameraRow RowOf(const ListedCamera& listed) {
    const CameraRecord& camera = listed.record;
    CameraRow row;
    row.id = ShownText(FieldText(camera.id));
    row.name = ShownText(FieldText(camera.alias));
    row.ip = DottedQuad(camera.ip);
    row.mask = DottedQuad(camera.mask);
    row.gateway = DottedQuad(camera.gateway);
    row.dns = DottedQuad(camera.dns);
    row.httpPort = ntohs(camera.httpPort);
    row.systemVersion = DottedQuad(camera.systemVersion);
    row.appVersion = camera.appVersion == 0 ? "" : DottedQuad(camera.appVersion);
    row.localSubnet = camera.subnetMatch != 0;
    row.webAddress = WebAddress(camera);
    row.status = CameraStatusText(camera);
    for (const std::string& id : listed.sameAddress) {
        row.addressSharedWith.push_back(ShownText(id));
    }
    return row;
}

std::vector<CameraRow> SortedRows(const std::vector<ListedCamera>& cameras) {
    std::vector<CameraRow> rows;
    rows.reserve(cameras.size());
    std::transform(cameras.begin(), cameras.end(), std::back_inserter(rows), RowOf);
    std::stable_sort(rows.begin(), rows.end(),
                     [](const CameraRow& a, const CameraRow& b) { return a.id < b.id; });
    return rows;
}

std::string TableText(const std::vector<CameraRow>& rows) {
    std::vector<std::vector<std::string>> lines{{HEADINGS.begin(), HEADINGS.end()}};
    for (const CameraRow& row : rows) {
        const Fields fields = TableFields(row);
        lines.emplace_back(fields.begin(), fields.end());
    }
    std::string text = AlignedText(lines);
    if (std::any_of(rows.begin(), rows.end(),
                    [](const CameraRow& row) { return !row.addressSharedWith.empty(); })) {
        text += std::string(SHARED_MARK + 1) +
                " another camera reports this address: give each its own with "
                "set-network --plan or --ip-from\n";
    }
    return text;
}

std::string JsonText(const std::vector<CameraRow>& rows, int indent) {
    nlohmann::ordered_json cameras = nlohmann::ordered_json::array();
    for (const CameraRow& row : rows) {
        nlohmann::ordered_json camera;
        camera["id"] = row.id;
        camera["name"] = row.name;
        camera["ip"] = row.ip;
        camera["mask"] = row.mask;
        camera["gateway"] = row.gateway;
        camera["dns"] = row.dns;
        camera["http_port"] = row.httpPort;
        camera["system_version"] = row.systemVersion;
        camera["app_version"] = row.appVersion.empty() ? nlohmann::ordered_json()
                                                       : nlohmann::ordered_json(row.appVersion);
        camera["local_subnet"] = row.localSubnet;
        camera["web_address"] = row.webAddress;
        camera["status"] = row.status;
        camera["address_shared_with"] = row.addressSharedWith;
        cameras.push_back(std::move(camera));
    }
    const nlohmann::ordered_json document = {{"cameras", std::move(cameras)}};
    return document.dump(indent) + '\n';
}

std::string CsvText(const std::vector<CameraRow>& rows) {
    std::string text =
        "id,name,ip,mask,gateway,dns,http_port,system_version,app_version,local_subnet,"
        "web_address,status,address_shared_with\n";
    for (const CameraRow& row : rows) {
        std::string sharedWith;
        for (const std::string& id : row.addressSharedWith) {
            sharedWith += (sharedWith.empty() ? "" : " ") + id;
        }
        const std::array<std::string, 13> fields = {row.id,
                                                    row.name,
                                                    row.ip,
                                                    row.mask,
                                                    row.gateway,
                                                    row.dns,
                                                    std::to_string(row.httpPort),
                                                    row.systemVersion,
                                                    row.appVersion,
                                                    row.localSubnet ? "true" : "false",
                                                    row.webAddress,
                                                    row.status,
                                                    sharedWith};
        for (std::size_t i = 0; i < fields.size(); ++i) {
            text += (i == 0 ? "" : ",") + CsvField(fields[i]);
        }
        text += '\n';
    }
    return text;
}

}  // namespace vantrel

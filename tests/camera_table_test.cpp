// SPDX-License-Identifier: GPL-3.0-or-later
#include "cameras/camera_table.h"

#include <gtest/gtest.h>

#include <string>

#include "protocol/socket.h"
#include "protocol/text_field.h"

namespace vantrel {
namespace {

using Runs = std::vector<std::pair<std::size_t, std::size_t>>;
using Lines = std::vector<std::size_t>;

CameraRecord Camera(const std::string& id, const char* ip = "192.168.1.10") {
    CameraRecord camera{};
    StoreFieldText(camera.id, id);
    StoreFieldText(camera.alias, id);
    camera.ip = inet_addr(ip);
    camera.httpPort = htons(80);
    camera.appVersion = 1;
    camera.subnetMatch = 1;
    camera.seen = 1;
    return camera;
}

std::vector<std::string> Ids(const CCameraTable& table) {
    std::vector<std::string> ids;
    for (const CameraRecord& record : table.Records()) {
        ids.emplace_back(FieldText(record.id));
    }
    return ids;
}

TEST(CameraTable, DropsSilentCamerasInRunsAndFindsTheRestAfterwards) {
    CCameraTable table;
    for (const char* id : {"A", "B", "C", "D", "E", "F"}) {
        EXPECT_EQ(CCameraTable::Merge::Added, table.Take(Camera(id)));
    }
    EXPECT_TRUE(table.DropUnseen().dropped.empty());
    for (const char* id : {"C", "F"}) {
        EXPECT_EQ(CCameraTable::Merge::Updated, table.Take(Camera(id)));
    }
    const auto refresh = table.DropUnseen();
    EXPECT_EQ((Runs{{0, 2}, {3, 2}}), refresh.dropped) << "A B, then D E";
    EXPECT_TRUE(refresh.changed.empty()) << "nothing a line shows has changed";
    EXPECT_EQ((std::vector<std::string>{"C", "F"}), Ids(table));
    // The index follows the records that moved up.
    EXPECT_EQ(CCameraTable::Merge::Updated, table.Take(Camera("F", "192.168.1.66")));
    EXPECT_EQ(CCameraTable::Merge::Added, table.Take(Camera("A")));
    const auto next = table.DropUnseen();
    EXPECT_EQ((Runs{{0, 1}}), next.dropped) << "C was not seen";
    EXPECT_EQ((Lines{0}), next.changed) << "F's new address, on its new line";
    EXPECT_EQ((std::vector<std::string>{"F", "A"}), Ids(table));
    EXPECT_EQ(inet_addr("192.168.1.66"), table.Records()[0].ip);
    for (const CameraRecord& record : table.Records()) {
        EXPECT_EQ(0, record.seen);
    }
}

TEST(CameraTable, AFullTableRefusesNewIdsUntilOldOnesGo) {
    CCameraTable table;
    for (std::size_t i = 0; i < CCameraTable::CEILING; ++i) {
        ASSERT_EQ(CCameraTable::Merge::Added, table.Take(Camera("F" + std::to_string(i))));
    }
    EXPECT_EQ(CCameraTable::Merge::Refused, table.Take(Camera("REAL")));
    EXPECT_EQ(CCameraTable::Merge::Updated, table.Take(Camera("F7"))) << "known ids go on";
    EXPECT_TRUE(table.DropUnseen().refused);
    EXPECT_EQ(CCameraTable::Merge::Updated, table.Take(Camera("F7")));
    const auto refresh = table.DropUnseen();
    EXPECT_FALSE(refresh.refused);
    EXPECT_EQ((Runs{{0, 7}, {8, CCameraTable::CEILING - 8}}), refresh.dropped);
    EXPECT_EQ(CCameraTable::Merge::Added, table.Take(Camera("REAL")));
    EXPECT_EQ((std::vector<std::string>{"F7", "REAL"}), Ids(table));
}

}  // namespace
}  // namespace vantrel

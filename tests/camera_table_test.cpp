// SPDX-License-Identifier: GPL-3.0-or-later
#include "cameras/camera_table.h"

#include <gtest/gtest.h>

#include <initializer_list>
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

// The cameras answer one search, then the table takes its refresh tick.
CCameraTable::Refresh Search(CCameraTable& table, std::initializer_list<CameraRecord> answers) {
    for (const CameraRecord& camera : answers) {
        EXPECT_EQ(CCameraTable::Merge::Updated, table.Take(camera));
    }
    return table.DropUnseen();
}

TEST(CameraTable, DropsCamerasThatMissTwoSearchesInRunsAndFindsTheRestAfterwards) {
    CCameraTable table;
    for (const char* id : {"A", "B", "C", "D", "E", "F"}) {
        EXPECT_EQ(CCameraTable::Merge::Added, table.Take(Camera(id)));
    }
    EXPECT_TRUE(table.DropUnseen().dropped.empty());
    EXPECT_TRUE(Search(table, {Camera("C"), Camera("F")}).dropped.empty())
        << "one missed search is forgiven";
    const auto refresh = Search(table, {Camera("C"), Camera("F")});
    EXPECT_EQ((Runs{{0, 2}, {3, 2}}), refresh.dropped) << "A B, then D E";
    EXPECT_TRUE(refresh.changed.empty()) << "nothing a line shows has changed";
    EXPECT_EQ((std::vector<std::string>{"C", "F"}), Ids(table));
    // The index follows the records that moved up.
    EXPECT_EQ(CCameraTable::Merge::Updated, table.Take(Camera("F", "192.168.1.66")));
    EXPECT_EQ(CCameraTable::Merge::Added, table.Take(Camera("A")));
    const auto next = table.DropUnseen();
    EXPECT_TRUE(next.dropped.empty()) << "C has missed one search";
    EXPECT_EQ((Lines{1}), next.changed) << "F's new address, on its new line";
    const auto last = Search(table, {Camera("F", "192.168.1.66"), Camera("A")});
    EXPECT_EQ((Runs{{0, 1}}), last.dropped) << "C missed two in a row";
    EXPECT_TRUE(last.changed.empty());
    EXPECT_EQ((std::vector<std::string>{"F", "A"}), Ids(table));
    EXPECT_EQ(inet_addr("192.168.1.66"), table.Records()[0].ip);
    for (const CameraRecord& record : table.Records()) {
        EXPECT_EQ(0, record.seen);
    }
}

TEST(CameraTable, ACameraThatAnswersEveryOtherSearchKeepsItsLineAndPlace) {
    CCameraTable table;
    for (const char* id : {"A", "FLAKY", "C"}) {
        ASSERT_EQ(CCameraTable::Merge::Added, table.Take(Camera(id)));
    }
    for (int search = 0; search < 10; ++search) {
        const auto refresh = search % 2 == 0
                                 ? Search(table, {Camera("A"), Camera("C")})
                                 : Search(table, {Camera("A"), Camera("FLAKY"), Camera("C")});
        EXPECT_TRUE(refresh.dropped.empty()) << "search " << search;
        EXPECT_TRUE(refresh.changed.empty()) << "its line is not rewritten for nothing";
        EXPECT_EQ((std::vector<std::string>{"A", "FLAKY", "C"}), Ids(table));
    }
    // Back from a missed search with something new to say: rewritten once.
    CameraRecord renamed = Camera("FLAKY");
    StoreFieldText(renamed.alias, "Gate");
    EXPECT_TRUE(Search(table, {Camera("A"), Camera("C")}).dropped.empty());
    EXPECT_EQ((Lines{1}), Search(table, {Camera("A"), renamed, Camera("C")}).changed);
    // Gone for good: it goes after its second missed search, not before.
    EXPECT_TRUE(Search(table, {Camera("A"), Camera("C")}).dropped.empty());
    EXPECT_EQ((Runs{{1, 1}}), Search(table, {Camera("A"), Camera("C")}).dropped);
    EXPECT_EQ((std::vector<std::string>{"A", "C"}), Ids(table));
}

TEST(CameraTable, KnowsWhichCamerasShareAnAddressAsTheyMove) {
    CCameraTable table;
    ASSERT_EQ(CCameraTable::Merge::Added, table.Take(Camera("A", "10.0.0.1")));
    ASSERT_EQ(CCameraTable::Merge::Added, table.Take(Camera("B", "10.0.0.2")));
    ASSERT_EQ(CCameraTable::Merge::Added, table.Take(Camera("C", "10.0.0.1")));
    using Ids = std::vector<std::string>;
    EXPECT_EQ((Ids{"C"}), table.SameAddress(0, 5));
    EXPECT_EQ((Ids{"A"}), table.SameAddress(2, 5));
    EXPECT_EQ((Ids{}), table.SameAddress(1, 5));
    EXPECT_EQ((Ids{}), table.SameAddress(0, 0)) << "at most `most` ids";
    // B joins them, C leaves them.
    EXPECT_EQ(CCameraTable::Merge::Updated, table.Take(Camera("B", "10.0.0.1")));
    EXPECT_EQ((Ids{"B", "C"}), table.SameAddress(0, 5));
    EXPECT_EQ((Ids{"B"}), table.SameAddress(0, 1));
    EXPECT_EQ(CCameraTable::Merge::Updated, table.Take(Camera("C", "10.0.0.3")));
    EXPECT_EQ((Ids{"B"}), table.SameAddress(0, 5));
    EXPECT_EQ((Ids{}), table.SameAddress(2, 5));
    // A stops answering and goes; B is on its own again, on A's old line.
    for (int search = 0; search < 2; ++search) {
        EXPECT_TRUE(
            Search(table, {Camera("B", "10.0.0.1"), Camera("C", "10.0.0.3")}).dropped.empty());
    }
    EXPECT_EQ((Runs{{0, 1}}),
              Search(table, {Camera("B", "10.0.0.1"), Camera("C", "10.0.0.3")}).dropped);
    EXPECT_EQ((Ids{}), table.SameAddress(0, 5));
    EXPECT_EQ(CCameraTable::Merge::Added, table.Take(Camera("D", "10.0.0.3")));
    EXPECT_EQ((Ids{"D"}), table.SameAddress(1, 5));
    table.Clear();
    ASSERT_EQ(CCameraTable::Merge::Added, table.Take(Camera("D", "10.0.0.3")));
    EXPECT_EQ((Ids{}), table.SameAddress(0, 5)) << "a cleared table forgets the others";
}

TEST(CameraTable, AFullTableRefusesNewIdsUntilOldOnesGo) {
    CCameraTable table;
    for (std::size_t i = 0; i < CCameraTable::CEILING; ++i) {
        ASSERT_EQ(CCameraTable::Merge::Added, table.Take(Camera("F" + std::to_string(i))));
    }
    EXPECT_EQ(CCameraTable::Merge::Refused, table.Take(Camera("REAL")));
    EXPECT_EQ(CCameraTable::Merge::Updated, table.Take(Camera("F7"))) << "known ids go on";
    EXPECT_TRUE(table.DropUnseen().refused);
    EXPECT_FALSE(Search(table, {Camera("F7")}).refused);
    const auto refresh = Search(table, {Camera("F7")});
    EXPECT_EQ((Runs{{0, 7}, {8, CCameraTable::CEILING - 8}}), refresh.dropped);
    EXPECT_EQ(CCameraTable::Merge::Added, table.Take(Camera("REAL")));
    EXPECT_EQ((std::vector<std::string>{"F7", "REAL"}), Ids(table));
}

}  // namespace
}  // namespace vantrel

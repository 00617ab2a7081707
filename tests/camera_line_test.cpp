#include "mainwindow/camera_line.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstring>

#include "protocol/text_field.h"
#include "res/string_table.h"

namespace vantrel {
namespace {

CameraRecord Camera(const char* alias, std::uint16_t port, std::uint8_t subnetMatch,
                    std::uint32_t appVersion) {
    CameraRecord camera{};
    StoreFieldText(camera.alias, alias);
    camera.ip = inet_addr("192.168.1.20");
    camera.httpPort = htons(port);
    camera.subnetMatch = subnetMatch;
    camera.appVersion = appVersion;
    return camera;
}

TEST(CameraLine, ShowsTheNameInTwentyFiveColumnsThenWhatToDo) {
    const std::string line = CameraLineText(Camera("Anonymous", 80, 1, 1));
    EXPECT_EQ("Anonymous                http://192.168.1.20", line);
    EXPECT_EQ(44u, line.size());
    EXPECT_EQ("Door                     http://192.168.1.20:8080",
              CameraLineText(Camera("Door", 8080, 1, 1)));
    EXPECT_EQ(std::string("Door                     ") + LoadText(IDS_SUBNET_MISMATCH),
              CameraLineText(Camera("Door", 80, 0, 0)))
        << "another subnet comes before missing firmware";
    EXPECT_EQ(std::string("Door                     ") + LoadText(IDS_NO_APP_FIRMWARE),
              CameraLineText(Camera("Door", 80, 1, 0)));
    EXPECT_EQ(91u, CameraLineText(Camera("Door", 80, 0, 0)).size()) << "the longest line";
}

TEST(CameraLine, ANameFillingItsFieldIsShownWholeAndNoMore) {
    CameraRecord camera = Camera("", 80, 1, 1);
    std::memcpy(camera.alias, "ABCDEFGHIJKLMNOPQRSTU", 21);
    camera.ip = inet_addr("10.0.0.1");  // the field after the name
    EXPECT_EQ("ABCDEFGHIJKLMNOPQRSTU    http://10.0.0.1", CameraLineText(camera));
}

TEST(CameraLine, WebAddressCarriesThePortUnlessItIsEighty) {
    EXPECT_EQ("http://192.168.1.20", WebAddress(Camera("", 80, 1, 1)));
    EXPECT_EQ("http://192.168.1.20:8080", WebAddress(Camera("", 8080, 1, 1)));
    EXPECT_EQ("http://192.168.1.20:0", WebAddress(Camera("", 0, 1, 1)));
}

}  // namespace
}  // namespace vantrel

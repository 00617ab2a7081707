// SPDX-License-Identifier: GPL-3.0-or-later
#include "cameras/camera_line.h"

#include <gtest/gtest.h>

#include <cstring>

#include "protocol/shown_text.h"
#include "protocol/socket.h"
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

TEST(CameraLine, NamesShowAsUtf8OrLatin1OnOneLinePaddedByCharacters) {
    const std::string url = "http://192.168.1.20";
    // Valid UTF-8 stays UTF-8, and the column counts characters.
    EXPECT_EQ(
        "Stra\xc3\x9f"
        "e" +
            std::string(19, ' ') + url,
        CameraLineText(Camera("Stra\xc3\x9f"
                              "e",
                              80, 1, 1)));
    // Anything else is Latin-1, byte for byte.
    EXPECT_EQ(
        "Stra\xc3\x9f"
        "e" +
            std::string(19, ' ') + url,
        CameraLineText(Camera("Stra\xdf"
                              "e",
                              80, 1, 1)));
    EXPECT_EQ("\xc3\xa0\xc2\xbf" + std::string(23, ' ') + url,
              CameraLineText(Camera("\xe0\xbf", 80, 1, 1)))
        << "a truncated sequence is not UTF-8";
    // What would break the line or turn the text becomes one visible mark.
    const std::string mark = "\xef\xbf\xbd";
    EXPECT_EQ("Door" + mark + "Hall" + mark + mark + "x" + std::string(13, ' ') + url,
              CameraLineText(Camera("Door\nHall\r\x1b"
                                    "x",
                                    80, 1, 1)));
    EXPECT_EQ("a" + mark + "b" + mark + "c" + mark + std::string(19, ' ') + url,
              CameraLineText(Camera("a\xe2\x80\xae"
                                    "b\xe2\x80\xa8"
                                    "c\xc2\x85",
                                    80, 1, 1)));
    EXPECT_EQ("Bad" + mark + std::string(21, ' ') + url,
              CameraLineText(Camera("Bad\x7f", 80, 1, 1)));
    EXPECT_EQ(CameraLineText(Camera("Anonymous", 80, 1, 1)).find('\n'), std::string::npos);
}

TEST(ShownText, RefusesOverlongAndSurrogateFormsAsUtf8) {
    EXPECT_EQ("\xc3\x80\xc2\xaf", ShownText("\xc0\xaf")) << "an overlong '/'";
    EXPECT_EQ("\xc3\xad\xc2\xa0\xef\xbf\xbd", ShownText("\xed\xa0\x80"))
        << "a surrogate, then Latin-1 whose U+0080 is a control character";
    EXPECT_EQ("\xf0\x9f\x93\xb7", ShownText("\xf0\x9f\x93\xb7"));
    EXPECT_EQ(1u, CharacterCount("\xf0\x9f\x93\xb7"));
}

TEST(CameraLine, WebAddressCarriesThePortUnlessItIsEighty) {
    EXPECT_EQ("http://192.168.1.20", WebAddress(Camera("", 80, 1, 1)));
    EXPECT_EQ("http://192.168.1.20:8080", WebAddress(Camera("", 8080, 1, 1)));
    EXPECT_EQ("http://192.168.1.20:0", WebAddress(Camera("", 0, 1, 1)));
}

TEST(CameraLine, DetailsTellEverythingTheCameraReportsAndWhoSharesItsAddress) {
    CameraRecord camera = Camera("Door", 8080, 1, 0);
    StoreFieldText(camera.id, "CAM\x1b[2J1");
    camera.mask = inet_addr("255.255.255.0");
    camera.gateway = inet_addr("192.168.1.1");
    camera.dns = inet_addr("192.168.1.2");
    camera.systemVersion = inet_addr("1.2.3.4");
    EXPECT_EQ(
        "Id: CAM\xEF\xBF\xBD[2J1\n"
        "Address: 192.168.1.20, mask 255.255.255.0\n"
        "Gateway: 192.168.1.1, DNS server 192.168.1.2\n"
        "HTTP port: 8080\n"
        "System firmware: 1.2.3.4, application firmware none",
        CameraDetailsText(camera, {}))
        << "a camera's id is shown, never obeyed";
    camera.appVersion = inet_addr("2.1.0.4");
    const std::string alone = CameraDetailsText(camera, {});
    EXPECT_TRUE(alone.ends_with("application firmware 2.1.0.4")) << alone;
    EXPECT_TRUE(CameraDetailsText(camera, {"CAM2"}).ends_with("\nSame address as CAM2"));
    EXPECT_TRUE(CameraDetailsText(camera, {"CAM2", "CAM3", "CAM4"})
                    .ends_with("\nSame address as CAM2, CAM3, CAM4"));
    EXPECT_TRUE(CameraDetailsText(camera, {"CAM2", "CAM3", "CAM4", "CAM5"})
                    .ends_with("\nSame address as CAM2, CAM3, CAM4 and others"))
        << "at most a few ids are named";
}

}  // namespace
}  // namespace vantrel

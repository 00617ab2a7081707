// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/address_text.h"

#include <gtest/gtest.h>

#include "protocol/socket.h"

namespace vantrel {
namespace {

TEST(AddressText, ReadsFourDecimalNumbersLeadingZerosAndAll) {
    struct Row {
        const char* text;
        const char* address;
    };
    const Row rows[] = {
        {"192.168.1.10", "192.168.1.10"},
        {"10.71.1.010", "10.71.1.10"},  // a zero-padded spreadsheet column
        {"010.071.001.008", "10.71.1.8"},
        {"0.0.0.0", "0.0.0.0"},
        {"255.255.255.255", "255.255.255.255"},
        {"  10.0.0.1\t", "10.0.0.1"},
        {"00000000001.2.3.4", "1.2.3.4"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        const std::optional<std::uint32_t> address = ReadAddress(row.text);
        ASSERT_TRUE(address.has_value());
        EXPECT_EQ(row.address, DottedQuad(*address));
    }
}

TEST(AddressText, RefusesWhatIsNotFourNumbersOfNoMoreThan255) {
    for (const char* text : {"",
                             "   ",
                             "10.71.1.0x1f",
                             "0x0a.0.0.1",
                             "1.2.3",
                             "1.2",
                             "16909060",
                             "1.2.3.4.5",
                             "1.2.3.",
                             ".1.2.3",
                             "1..2.3",
                             "256.0.0.1",
                             "1.2.3.256",
                             "1.2.3.99999999999999999999",
                             "-1.2.3.4",
                             "+1.2.3.4",
                             "1. 2.3.4",
                             "1 .2.3.4",
                             "1.2.3.4 x",
                             "a.b.c.d",
                             "1,2,3,4"}) {
        EXPECT_FALSE(ReadAddress(text).has_value()) << '"' << text << '"';
    }
    EXPECT_FALSE(ReadAddress(std::string_view("1.2.3.4\0", 8)).has_value())
        << "a NUL does not end the text early";
}

TEST(AddressText, ShowsEveryByteAndReadsBackWhatItShows) {
    for (std::uint32_t byte = 0; byte < 256; ++byte) {
        const std::uint32_t address = htonl(byte << 24 | (255 - byte) << 16 | byte << 8 | 7);
        EXPECT_EQ(address, ReadAddress(DottedQuad(address)));
    }
    EXPECT_EQ("10.0.0.1", DottedQuad(htonl(0x0a000001)));
}

}  // namespace
}  // namespace vantrel

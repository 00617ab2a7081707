// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/camera_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <new>

#include "protocol/text_field.h"

namespace vantrel {
namespace {

TEST(CameraRecord, StartsAsAllZeroBytes) {
    alignas(CameraRecord) unsigned char storage[sizeof(CameraRecord)];
    std::memset(storage, 0x5a, sizeof storage);
    new (storage) CameraRecord{};
    for (std::size_t i = 0; i < sizeof storage; ++i) {
        ASSERT_EQ(0, storage[i]) << "byte " << i;
    }
}

TEST(TextField, EndsAtTheFirstZeroOrTheFieldsEnd) {
    char id[13] = {};
    EXPECT_EQ("", FieldText(id));
    std::memcpy(id, "ABCDEFGHIJKLM", 13);  // a camera may fill the field
    EXPECT_EQ("ABCDEFGHIJKLM", FieldText(id));

    char other[13];
    std::memcpy(other, "ABCDEFGHIJKLM", 13);
    EXPECT_TRUE(SameFieldText(id, other));
    other[12] = 'X';
    EXPECT_FALSE(SameFieldText(id, other));
    std::memcpy(other, "ABC\0junk\0\0\0\0\0", 13);
    std::memcpy(id, "ABC\0other\0\0\0\0", 13);
    EXPECT_TRUE(SameFieldText(id, other)) << "bytes after the text do not count";
}

TEST(TextField, StoresAtMostTheAllowedCharactersZeroFilled) {
    char password[13];
    std::memset(password, 'z', sizeof password);
    EXPECT_EQ("abcdefghijk", StoreFieldText(password, "abcdefghijkl", 11));
    EXPECT_EQ(0, password[11]);
    EXPECT_EQ(0, password[12]);
    EXPECT_EQ("", StoreFieldText(password, "", 11));
    for (const char byte : password) {
        EXPECT_EQ(0, byte);
    }
    char alias[21];
    EXPECT_EQ("Anonymous", StoreFieldText(alias, "Anonymous"));
    EXPECT_EQ(20u, StoreFieldText(alias, std::string(30, 'n')).size());
}

}  // namespace
}  // namespace vantrel

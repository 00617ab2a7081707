// SPDX-License-Identifier: GPL-3.0-or-later
#include "cameras/file_bytes.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace vantrel {
namespace {

std::string Written(const std::string& name, const std::string& bytes) {
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

TEST(FileBytes, ReadsUpToTheLimitAndTellsAFileThatGoesOn) {
    const std::string path = Written("file-bytes.bin", std::string("ab\0cd", 5));
    const FileBytes whole = ReadFileBytes(path, 5);
    EXPECT_EQ(std::string("ab\0cd", 5), whole.bytes);
    EXPECT_TRUE(whole.whole);
    const FileBytes start = ReadFileBytes(path, 2);
    EXPECT_EQ("ab", start.bytes);
    EXPECT_FALSE(start.whole);
    const FileBytes empty = ReadFileBytes(Written("file-bytes-empty.bin", ""), 5);
    EXPECT_EQ("", empty.bytes) << "an empty file is read, not refused";
    EXPECT_TRUE(empty.whole);
    std::remove(path.c_str());
}

TEST(FileBytes, AFolderAndAMissingFileSayWhy) {
    const std::string folder = ::testing::TempDir() + "file-bytes-folder";
    std::filesystem::create_directory(folder);
    const FileBytes read = ReadFileBytes(folder, 100);
    EXPECT_FALSE(read.bytes);
    EXPECT_EQ("it is a folder", read.problem);
    std::filesystem::remove(folder);
    const FileBytes missing = ReadFileBytes(::testing::TempDir() + "no-such-file", 100);
    EXPECT_FALSE(missing.bytes);
    EXPECT_EQ(std::strerror(ENOENT), missing.problem);
}

#ifndef _WIN32
TEST(FileBytes, AReadErrorIsToldNotTakenForTheEnd) {
    // The first page of this process's memory is never mapped: its read fails.
    const FileBytes read = ReadFileBytes("/proc/self/mem", 100);
    EXPECT_FALSE(read.bytes);
    EXPECT_EQ(std::string(std::strerror(EIO)) + " after 0 bytes", read.problem);
}

TEST(FileBytes, AFileThisUserMayNotReadSaysSo) {
    const std::string path = Written("file-bytes-private.bin", "secret");
    ASSERT_EQ(0, chmod(path.c_str(), 0));
    // Root reads any file: ask as another user, in a child of its own.
    const pid_t child = fork();
    ASSERT_NE(-1, child);
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(2);
        }
        const FileBytes read = ReadFileBytes(path, 100);
        _exit(!read.bytes && read.problem == std::strerror(EACCES) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status)) << "1: read or told wrongly; 2: no other user";
    std::remove(path.c_str());
}
#endif

}  // namespace
}  // namespace vantrel

// SPDX-License-Identifier: GPL-3.0-or-later
// vantrel-cli at scale, inside the test LAN:
//   tests/testlan.sh build/default/bench/cli_bench [list|upgrade|plan]
// "list" against 10 000 cameras of one fakecam; "upgrade --jobs 8" of a
// 64 MiB image to 8 cameras beside 8 plain senders of the same 1052-byte
// packets to the same cameras, and the program's peak memory for a 16 MiB
// and a 64 MiB image; "set-network --plan" giving 1 000 new cameras on one
// factory address 1 000 addresses. All three without a word.

#include <arpa/inet.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_image.h"
#include "bench/plain_upload.h"
#include "tests/fakecam_process.h"

extern char** environ;

using namespace vantrel;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::uint64_t MiB = 1024 * 1024;
constexpr int CAMERAS = 8;
constexpr std::uint16_t CAMERA_PORT = 9001;
const char* const CAMERA_ADDRESS = "10.71.1.2";

std::string Program() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path().string() +
           "/cli/vantrel-cli";
}

// One run of a program: its standard output line by line with the time
// each line came, and its peak memory.
struct Run {
    std::vector<std::pair<Clock::time_point, std::string>> lines;
    Clock::time_point end;
    long peakKiB = -1;
    int status = -1;
};

// Runs the program with its standard output (and, with errorsToo, its
// standard error) read line by line.
Run RunProgram(std::vector<std::string> words, bool errorsToo = false) {
    Run run;
    int ends[2];
    if (pipe(ends) != 0) {
        return run;
    }
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    if (errorsToo) {
        posix_spawn_file_actions_adddup2(&actions, ends[1], STDERR_FILENO);
    }
    posix_spawn_file_actions_addclose(&actions, ends[0]);
    pid_t pid = -1;
    const bool spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    close(ends[1]);
    std::string pending;
    char buffer[65536];
    for (long count; spawned && (count = read(ends[0], buffer, sizeof buffer)) > 0;) {
        pending.append(buffer, static_cast<std::size_t>(count));
        for (auto end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
            run.lines.emplace_back(Clock::now(), pending.substr(0, end));
            pending.erase(0, end + 1);
        }
    }
    run.end = Clock::now();
    close(ends[0]);
    rusage usage{};
    if (spawned && wait4(pid, &run.status, 0, &usage) == pid) {
        run.peakKiB = usage.ru_maxrss;
    }
    return run;
}

// The ids of a csv list's lines, without its header.
std::vector<std::string> ListedIds(const Run& run) {
    std::vector<std::string> ids;
    for (std::size_t i = 1; i < run.lines.size(); ++i) {
        const std::string& line = run.lines[i].second;
        ids.push_back(line.substr(0, line.find(',')));
    }
    return ids;
}

// `runs` lists of the cameras the fakecams answer for, each timed from
// start to end; how many found every camera, and the times.
void MeasureLists(const std::string& what, std::size_t count, int runs,
                  const std::vector<std::string>& extra = {}) {
    std::vector<double> seconds;
    int whole = 0;
    for (int run = 0; run < runs; ++run) {
        std::vector<std::string> words = {Program(), "list", "--format", "csv"};
        words.insert(words.end(), extra.begin(), extra.end());
        const auto start = Clock::now();
        const Run listed = RunProgram(words);
        seconds.push_back(std::chrono::duration<double>(listed.end - start).count());
        whole += ListedIds(listed).size() == count;
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("%s: every camera listed in %d of %d runs (%s); %.2f s median, %.2f-%.2f s\n",
                what.c_str(), whole, runs, whole == runs ? "none missing" : "SOME MISSING",
                seconds[seconds.size() / 2], seconds.front(), seconds.back());
}

void MeasureList(std::size_t count) {
    {
        test::FakecamProcess fakecam(test::Environment("TESTLAN_CAM_A_NS"),
                                     {"--count", std::to_string(count)});
        if (!fakecam.WaitForOutput("cameras on UDP port")) {
            std::printf("fakecam did not start\n");
            return;
        }
        MeasureLists("list of " + std::to_string(count) + " cameras of one fakecam", count, 20);
        // The fixed wait goes last: it ends as its next search goes out, and
        // the answers to that search, still on their way, would otherwise
        // meet the next list's first search.
        const auto start = Clock::now();
        const Run run = RunProgram({Program(), "list", "--format", "csv", "--rounds", "2"});
        const double seconds = std::chrono::duration<double>(run.end - start).count();
        const std::size_t listed = ListedIds(run).size();
        std::printf(
            "list --rounds 2 of %zu cameras: %zu listed (%s) in %.1f s, peak memory %.1f MiB\n",
            count, listed, listed == count ? "none missing" : "MISSING SOME", seconds,
            run.peakKiB / 1024.0);
    }
    {
        test::FakecamProcess a(
            test::Environment("TESTLAN_CAM_A_NS"),
            {"--camera", "id=SEGA1,ip=10.71.1.2", "--camera", "id=SEGA2,ip=10.71.1.3"});
        test::FakecamProcess b(
            test::Environment("TESTLAN_CAM_B_NS"),
            {"--camera", "id=SEGB1,ip=10.71.2.2", "--camera", "id=SEGB2,ip=10.71.2.3"});
        if (!a.WaitForOutput("cameras on UDP port") || !b.WaitForOutput("cameras on UDP port")) {
            std::printf("fakecam did not start\n");
            return;
        }
        MeasureLists("list of 4 cameras on two segments", 4, 20);
    }
    {
        test::FakecamProcess prompt(test::Environment("TESTLAN_CAM_A_NS"),
                                    {"--camera", "id=PROMPT,ip=10.71.1.2"});
        test::FakecamProcess late(test::Environment("TESTLAN_CAM_B_NS"),
                                  {"--camera", "id=LATE,ip=10.71.2.2", "--delay", "800"});
        if (!prompt.WaitForOutput("cameras on UDP port") ||
            !late.WaitForOutput("cameras on UDP port")) {
            std::printf("fakecam did not start\n");
            return;
        }
        MeasureLists("list of a camera beside one that answers 800 ms late", 2, 5);
    }
    {
        test::FakecamProcess lossy(test::Environment("TESTLAN_CAM_A_NS"),
                                   {"--count", "100", "--answer-every", "2"});
        if (!lossy.WaitForOutput("cameras on UDP port")) {
            std::printf("fakecam did not start\n");
            return;
        }
        MeasureLists("list of 100 cameras on a lossy link (--answer-every 2)", 100, 5);
    }
}

// The upgrade run's MiB/s from its first progress output to its end, once
// every camera has acknowledged its whole image.
double MeasureUpgrade(const std::string& image, std::uint64_t size, long& peakKiB) {
    // The cameras here do not restart: the run ends at delivery.
    std::vector<std::string> words = {
        Program(), "upgrade", "--image", image, "--jobs", std::to_string(CAMERAS), "--no-wait"};
    for (int i = 0; i < CAMERAS; ++i) {
        words.push_back("BENCH" + std::to_string(i));
    }
    const Run run = RunProgram(words);
    peakKiB = run.peakKiB;
    std::size_t upgraded = 0;
    Clock::time_point start = run.end;
    for (const auto& [when, line] : run.lines) {
        if (line.rfind("upgrading ", 0) == 0) {
            start = when;
        }
        upgraded += line.find("  delivered") != std::string::npos;
    }
    if (upgraded != CAMERAS || !WIFEXITED(run.status) || WEXITSTATUS(run.status) != 0) {
        std::printf("upgrade failed:\n");
        for (const auto& line : run.lines) {
            std::printf("  %s\n", line.second.c_str());
        }
        return 0;
    }
    const double seconds = std::chrono::duration<double>(run.end - start).count();
    return static_cast<double>(size * CAMERAS) / MiB / seconds;
}

// Eight plain uploads at once to the same cameras; the aggregate MiB/s.
double PlainSenders(const std::string& image, std::uint64_t size) {
    std::atomic<int> whole{0};
    const auto start = Clock::now();
    {
        std::vector<std::jthread> senders;
        for (int i = 0; i < CAMERAS; ++i) {
            senders.emplace_back([&, i] {
                whole += bench::PlainUpload(inet_addr(CAMERA_ADDRESS),
                                            static_cast<std::uint16_t>(CAMERA_PORT + i), "pw",
                                            image, size);
            });
        }
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return whole == CAMERAS ? static_cast<double>(size * CAMERAS) / MiB / seconds : 0;
}

void MeasureUploads() {
    std::vector<std::string> args = {"--upgrade"};
    for (int i = 0; i < CAMERAS; ++i) {
        args.push_back("--camera");
        args.push_back("id=BENCH" + std::to_string(i) + ",ip=" + CAMERA_ADDRESS +
                       ",mask=255.255.255.0,password=pw,port=" + std::to_string(CAMERA_PORT + i));
    }
    test::FakecamProcess fakecam(test::Environment("TESTLAN_CAM_A_NS"), args);
    if (!fakecam.WaitForOutput("cameras on UDP port")) {
        std::printf("fakecam did not start\n");
        return;
    }
    setenv("VANTREL_PASSWORD", "pw", 1);
    const std::uint64_t size = 64 * MiB;
    const std::string image = bench::MakeSystemImage("vantrel_cli_bench_", size);
    long peak64 = -1;
    // Taken in turns, three times each: the link's speed drifts over time.
    std::vector<double> upgrades, plains;
    for (int round = 0; round < 3; ++round) {
        upgrades.push_back(MeasureUpgrade(image, size, peak64));
        plains.push_back(PlainSenders(image, size));
    }
    std::sort(upgrades.begin(), upgrades.end());
    std::sort(plains.begin(), plains.end());
    const double upgrade = upgrades[1];
    const double plain = plains[1];
    std::printf(
        "upgrade --jobs 8 of a 64 MiB image to 8 cameras (median of 3): %.0f MiB/s in all "
        "(%.0f-%.0f); 8 plain senders of the same packets to the same cameras: %.0f MiB/s "
        "(%.0f-%.0f); upgrade at %.2fx the plain senders\n",
        upgrade, upgrades[0], upgrades[2], plain, plains[0], plains[2],
        plain > 0 ? upgrade / plain : 0);
    std::filesystem::remove(image);
    const std::string small = bench::MakeSystemImage("vantrel_cli_bench_", 16 * MiB);
    long peak16 = -1;
    (void)MeasureUpgrade(small, 16 * MiB, peak16);
    std::filesystem::remove(small);
    std::printf(
        "vantrel-cli peak memory (maximum resident set): %.1f MiB for a 16 MiB image, "
        "%.1f MiB for a 64 MiB image\n",
        peak16 / 1024.0, peak64 / 1024.0);
}

// count generated cameras, all on one factory address, each given its own
// from a plan in one run: the time from the requests going out to the last
// camera seen on its new address, and the program's peak memory.
void MeasurePlan(std::size_t count) {
    test::FakecamProcess fakecam(
        test::Environment("TESTLAN_CAM_A_NS"),
        {"--count", std::to_string(count), "--same-address", "192.168.1.10", "--password", "pw"});
    if (!fakecam.WaitForOutput("cameras on UDP port")) {
        std::printf("fakecam did not start\n");
        return;
    }
    const std::string plan =
        (std::filesystem::temp_directory_path() / "vantrel_plan_bench.csv").string();
    {
        std::ofstream file(plan);
        file << "id,ip,mask,gateway,dns\n";
        for (std::size_t i = 0; i < count; ++i) {
            char row[96];
            std::snprintf(row, sizeof row,
                          "CAM%06zu,10.80.%zu.%zu,255.255.0.0,10.80.0.1,10.80.0.1\n", i,
                          1 + i / 250, 1 + i % 250);
            file << row;
        }
    }
    setenv("VANTREL_PASSWORD", "pw", 1);
    const auto start = Clock::now();
    const Run run = RunProgram({Program(), "set-network", "--plan", plan, "--rounds", "3"}, true);
    std::filesystem::remove(plan);
    Clock::time_point sent = run.end;
    Clock::time_point confirmed = run.end;
    std::size_t changed = 0;
    for (const auto& [when, line] : run.lines) {
        if (line.find(": sent ") != std::string::npos) {
            sent = when;
        }
        if (line.ends_with("  changed")) {
            confirmed = std::min(confirmed, when);
            ++changed;
        }
    }
    (void)fakecam.WaitForCount("-> result 0", count, std::chrono::seconds(5));
    const std::size_t taken = fakecam.Count("-> result 0");
    const bool ok = WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0 && changed == count;
    std::printf(
        "set-network --plan of %zu cameras on one address: %zu confirmed on their new address "
        "(%s), %zu requests taken; requests out %.1f s after start, last confirmed %.1f s after "
        "the requests (%s two 3 s search periods), %.1f s in all; peak memory %.1f MiB\n",
        count, changed, ok ? "none missed" : "SOME MISSED", taken,
        std::chrono::duration<double>(sent - start).count(),
        std::chrono::duration<double>(confirmed - sent).count(),
        confirmed - sent <= std::chrono::seconds(6) ? "within" : "NOT within",
        std::chrono::duration<double>(run.end - start).count(), run.peakKiB / 1024.0);
    if (!ok) {
        for (const auto& line : run.lines) {
            if (!line.second.ends_with("  changed")) {
                std::printf("  %s\n", line.second.c_str());
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (test::Environment("TESTLAN_HOST_NS").empty()) {
        std::fprintf(stderr, "run inside the test LAN: tests/testlan.sh %s\n",
                     "build/default/bench/cli_bench");
        return 2;
    }
    const std::string only = argc > 1 ? argv[1] : "";
    if (only.empty() || only == "list") {
        MeasureList(10000);
    }
    if (only.empty() || only == "upgrade") {
        MeasureUploads();
    }
    if (only.empty() || only == "plan") {
        MeasurePlan(1000);
    }
    return 0;
}

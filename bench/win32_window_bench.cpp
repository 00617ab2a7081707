// SPDX-License-Identifier: GPL-3.0-or-later
// The real Windows window at scale, under Wine, against fakecam in the test
// LAN; bench/win32_window_bench.sh starts the cameras and runs this:
//   win32_window_bench cameras COUNT    fills the list, then 20 search periods
//   win32_window_bench flood DONE_FILE  waits, says "start the flood", and
//                                       measures until DONE_FILE exists, then
//                                       30 s after
//
// It runs the window's messages itself, one wait of at most 1 ms between
// each round of them: the worst stall is the longest a round took beyond
// that, which is how long a click or a key waited for the window. Like the
// Qt window's bench, it prints the window thread's CPU time and worst stall
// per search period, how long the list took to fill, the fewest lines, and
// the memory during and after a flood.

#include <windows.h>

#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "protocol/socket_library.h"
#include "win32/main_dlg.h"

using namespace vantrel;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int PERIOD_MS = 3000;

double ThreadCpuMs() {
    FILETIME created{};
    FILETIME ended{};
    FILETIME kernel{};
    FILETIME user{};
    GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user);
    const auto ms = [](FILETIME time) {
        return static_cast<double>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) |
                                   time.dwLowDateTime) /
               1e4;
    };
    return ms(kernel) + ms(user);
}

double WorkingSetMiB() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<double>(counters.WorkingSetSize) / (1024.0 * 1024.0);
}

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

int Lines(const CMainDlg& window) {
    return static_cast<int>(SendMessageW(window.List().Handle(), LB_GETCOUNT, 0, 0));
}

struct Sample {
    double windowCpuMs = 0;
    double worstStallMs = 0;
    int fewest = 1 << 30;
    int most = 0;
    double peakMiB = 0;
};

// Runs the window's messages for up to ms; stops early once done() holds.
Sample Run(int ms, const CMainDlg& window, const std::function<bool()>& done = {}) {
    Sample sample;
    const double cpu0 = ThreadCpuMs();
    const auto start = Clock::now();
    auto last = start;
    auto lastLook = start;
    int looks = 0;
    while (MsSince(start) < ms) {
        MsgWaitForMultipleObjectsEx(0, nullptr, 1, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (!IsDialogMessageW(window.Handle(), &message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        const auto now = Clock::now();
        const double gap = std::chrono::duration<double, std::milli>(now - last).count();
        sample.worstStallMs = std::max(sample.worstStallMs, gap - 1.0);
        last = now;
        // Looked at now and then: under Wine each look is a server call.
        if (now - lastLook > std::chrono::milliseconds(50)) {
            const int lines = Lines(window);
            sample.fewest = std::min(sample.fewest, lines);
            sample.most = std::max(sample.most, lines);
            if (++looks % 4 == 0) {
                sample.peakMiB = std::max(sample.peakMiB, WorkingSetMiB());
            }
            lastLook = now;
            // Not taken for the window's stall.
            last = Clock::now();
        }
        if (done && done()) {
            break;
        }
    }
    sample.windowCpuMs = ThreadCpuMs() - cpu0;
    sample.peakMiB = std::max(sample.peakMiB, WorkingSetMiB());
    return sample;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double Max(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

void Cameras(int count) {
    constexpr int PERIODS = 20;
    std::printf("%d cameras\n", count);
    CMainDlg window;
    const auto start = Clock::now();
    window.Create();
    Run(4 * PERIOD_MS, window, [&] { return Lines(window) >= count; });
    std::printf("  all listed after     %8.0f ms (%d of %d)\n", MsSince(start), Lines(window),
                count);
    std::vector<double> windowMs;
    std::vector<double> stallMs;
    int fewest = count;
    for (int period = 0; period < PERIODS; ++period) {
        const Sample sample = Run(PERIOD_MS, window);
        windowMs.push_back(sample.windowCpuMs);
        stallMs.push_back(sample.worstStallMs);
        fewest = std::min(fewest, sample.fewest);
    }
    std::printf("  window thread CPU per period  median %7.1f ms, max %7.1f ms\n", Median(windowMs),
                Max(windowMs));
    std::printf("  worst stall per period        median %7.1f ms, max %7.1f ms\n", Median(stallMs),
                Max(stallMs));
    std::printf("  fewest lines over %d periods: %d of %d\n", PERIODS, fewest, count);
}

void Flood(const std::wstring& doneFile) {
    std::printf("flood beside the cameras\n");
    CMainDlg window;
    window.Create();
    Run(2 * PERIOD_MS, window);
    const double before = WorkingSetMiB();
    std::printf("start the flood\n");
    std::fflush(stdout);
    double worstStall = 0;
    double peak = before;
    int most = 0;
    const auto start = Clock::now();
    while (GetFileAttributesW(doneFile.c_str()) == INVALID_FILE_ATTRIBUTES &&
           MsSince(start) < 30000) {
        const Sample sample = Run(500, window);
        worstStall = std::max(worstStall, sample.worstStallMs);
        peak = std::max(peak, sample.peakMiB);
        most = std::max(most, sample.most);
    }
    std::printf(
        "  during the flood: worst stall %.1f ms, most lines %d, peak working set %.1f MiB\n",
        worstStall, most, peak);
    double afterStall = 0;
    for (int second = 0; second < 30; ++second) {
        afterStall = std::max(afterStall, Run(1000, window).worstStallMs);
    }
    std::printf(
        "  30 s after it:    worst stall %.1f ms, %d lines, working set %.1f MiB (before %.1f)\n",
        afterStall, Lines(window), WorkingSetMiB(), before);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::vector<std::wstring> args(argv + 1, argv + argc);
    // What the program sets up before its window.
    const CSocketLibrary sockets;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_INTERNET_CLASSES |
                                                       ICC_PROGRESS_CLASS | ICC_BAR_CLASSES |
                                                       ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);
    if (args.size() == 2 && args[0] == L"flood") {
        Flood(args[1]);
    } else if (args.size() == 2 && args[0] == L"cameras") {
        Cameras(std::stoi(args[1]));
    } else {
        std::puts("usage: win32_window_bench cameras COUNT | flood DONE_FILE");
        return 2;
    }
    std::fflush(stdout);
    return 0;
}

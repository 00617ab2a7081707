// SPDX-License-Identifier: GPL-3.0-or-later
// The real main window at scale, offscreen, against fakecam in the test LAN:
//   sudo tests/testlan.sh build/default/bench/window_bench [idle|1000|10000|flood|site]...
//
// For 1 000 and 10 000 cameras it prints how long the list took to fill, and
// per search period the window thread's CPU time, the worst stall of the
// event loop (the lateness of a 1 ms timer), the rest of the process's CPU
// time (the worker) and the fewest lines listed. For a flood of 100 000
// replies with new ids over 10 s beside 10 real cameras it prints the worst
// stall and the memory before, at the peak and 30 s after the flood. For a
// site of 100 new cameras on one address it prints how long asking the link
// about their planned addresses took, and how long after Apply the site
// dialog showed every camera on its new address.

#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "qt/main_dlg.h"
#include "res/resource_ids.h"
#include "tests/fakecam_process.h"
#include "tests/when_modal.h"

using namespace vantrel;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int PERIOD_MS = 3000;

double CpuMs(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double RssMiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) /
           (1024.0 * 1024.0);
}

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Sample {
    double windowCpuMs = 0;
    double otherCpuMs = 0;  // every other thread: the worker, and Qt's own
    double worstStallMs = 0;
    int fewest = 1 << 30;
    int most = 0;
    double peakRssMiB = 0;
};

// Runs the event loop for up to ms, ticking a 1 ms timer; stops early once
// done() holds.
Sample Run(int ms, const CCameraList& list, const std::function<bool()>& done = {}) {
    QEventLoop loop;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(1);
    Sample sample;
    auto last = Clock::now();
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const auto now = Clock::now();
        const double gap = std::chrono::duration<double, std::milli>(now - last).count();
        sample.worstStallMs = std::max(sample.worstStallMs, gap - 1.0);
        last = now;
        sample.fewest = std::min(sample.fewest, list.count());
        sample.most = std::max(sample.most, list.count());
        if (done && done()) {
            loop.quit();
        }
    });
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    QTimer rss;
    QObject::connect(&rss, &QTimer::timeout,
                     [&] { sample.peakRssMiB = std::max(sample.peakRssMiB, RssMiB()); });
    rss.start(200);
    const double window0 = CpuMs(CLOCK_THREAD_CPUTIME_ID);
    const double process0 = CpuMs(CLOCK_PROCESS_CPUTIME_ID);
    tick.start();
    loop.exec();
    sample.windowCpuMs = CpuMs(CLOCK_THREAD_CPUTIME_ID) - window0;
    sample.otherCpuMs = CpuMs(CLOCK_PROCESS_CPUTIME_ID) - process0 - sample.windowCpuMs;
    sample.peakRssMiB = std::max(sample.peakRssMiB, RssMiB());
    return sample;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double Max(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

CCameraList& List(CMainDlg& window) {
    return *window.findChild<CCameraList*>("cameraList");
}

// The window with no camera: what the 1 ms timer and an idle window cost
// the window thread, to subtract from the figures below.
void Idle() {
    std::printf("no cameras\n");
    CMainDlg window;
    window.OnInitDialog();
    window.show();
    Run(PERIOD_MS, List(window));
    const Sample sample = Run(PERIOD_MS, List(window));
    std::printf("  window thread CPU per period %7.1f ms, worst stall %.1f ms\n",
                sample.windowCpuMs, sample.worstStallMs);
}

void Cameras(int count, int periods) {
    std::printf("%d cameras\n", count);
    test::FakecamProcess cameras(test::Environment("TESTLAN_CAM_A_NS"),
                                 {"--count", std::to_string(count)});
    cameras.WaitForOutput("cameras on UDP port");
    CMainDlg window;
    const auto start = Clock::now();
    window.OnInitDialog();
    window.show();
    const CCameraList& list = List(window);
    Run(4 * PERIOD_MS, list, [&] { return list.count() >= count; });
    std::printf("  all listed after     %8.0f ms (%d of %d)\n", MsSince(start), list.count(),
                count);
    std::vector<double> windowMs;
    std::vector<double> stallMs;
    std::vector<double> otherMs;
    int fewest = count;
    for (int period = 0; period < periods; ++period) {
        const Sample sample = Run(PERIOD_MS, list);
        windowMs.push_back(sample.windowCpuMs);
        stallMs.push_back(sample.worstStallMs);
        otherMs.push_back(sample.otherCpuMs);
        fewest = std::min(fewest, sample.fewest);
    }
    std::printf("  window thread CPU per period  median %7.1f ms, max %7.1f ms\n", Median(windowMs),
                Max(windowMs));
    std::printf("  worst stall per period        median %7.1f ms, max %7.1f ms\n", Median(stallMs),
                Max(stallMs));
    std::printf("  other threads' CPU per period median %7.1f ms (%.1f %% of a core)\n",
                Median(otherMs), Median(otherMs) * 100.0 / PERIOD_MS);
    std::printf("  fewest lines over %d periods: %d of %d\n", periods, fewest, count);
}

void Flood() {
    constexpr int REAL = 10;
    constexpr int REPLIES = 100000;
    std::printf("flood of %d replies in 10 s beside %d cameras\n", REPLIES, REAL);
    test::FakecamProcess cameras(test::Environment("TESTLAN_CAM_A_NS"),
                                 {"--count", std::to_string(REAL)});
    cameras.WaitForOutput("cameras on UDP port");
    CMainDlg window;
    window.OnInitDialog();
    window.show();
    const CCameraList& list = List(window);
    Run(2 * PERIOD_MS, list);
    const double before = RssMiB();
    std::vector<double> flood;
    double worstStall = 0;
    double peak = before;
    int most = 0;
    {
        test::FakecamProcess flooder(test::Environment("TESTLAN_CAM_B_NS"),
                                     {"--flood", std::to_string(REPLIES), "--flood-ms", "10000"});
        const auto start = Clock::now();
        Sample sample;
        while (!flooder.WaitForOutput("flood:", std::chrono::milliseconds(10)) &&
               MsSince(start) < 20000) {
            sample = Run(500, list);
            worstStall = std::max(worstStall, sample.worstStallMs);
            peak = std::max(peak, sample.peakRssMiB);
            most = std::max(most, sample.most);
        }
        const std::string& said = flooder.Output();
        const auto line = said.find("flood:");
        std::printf("  %s",
                    line == std::string::npos ? "flood did not end\n" : said.substr(line).c_str());
    }
    std::printf("  during the flood: worst stall %.1f ms, most lines %d, peak RSS %.1f MiB\n",
                worstStall, most, peak);
    double afterStall = 0;
    for (int second = 0; second < 30; ++second) {
        afterStall = std::max(afterStall, Run(1000, list).worstStallMs);
    }
    std::printf("  30 s after it:    worst stall %.1f ms, %d lines, RSS %.1f MiB (before %.1f)\n",
                afterStall, list.count(), RssMiB(), before);
}

// 100 new cameras re-addressed by a range from the window's site dialog.
void Site() {
    constexpr int COUNT = 100;
    std::printf("site of %d new cameras on one address, re-addressed by a range\n", COUNT);
    test::FakecamProcess cameras(
        test::Environment("TESTLAN_CAM_A_NS"),
        {"--count", std::to_string(COUNT), "--same-address", "192.168.1.10", "--password", "pw"});
    cameras.WaitForOutput("cameras on UDP port");
    CMainDlg window;
    window.OnInitDialog();
    window.show();
    CCameraList& list = List(window);
    Run(4 * PERIOD_MS, list, [&] { return list.count() >= COUNT; });
    list.selectAll();
    double askedMs = -1;
    double confirmedMs = -1;
    QObject timers;
    test::WhenModal(&timers, [&](QWidget* modal) {
        auto* table = modal->findChild<QTableWidget*>("planTable");
        auto* apply = modal->findChild<QPushButton*>("applyButton");
        const auto asking = Clock::now();
        modal->findChild<QLineEdit*>("firstAddressEdit")->setText("10.71.1.101");
        modal->findChild<QLineEdit*>("maskEdit")->setText("255.255.255.0");
        modal->findChild<QLineEdit*>("gatewayEdit")->setText("10.71.1.1");
        Run(10000, list, [&] { return apply->isEnabled(); });
        askedMs = MsSince(asking);
        modal->findChild<QLineEdit*>("passwordEdit")->setText("pw");
        const auto applied = Clock::now();
        apply->click();
        const auto confirmed = [&] {
            for (int row = 0; row < table->rowCount(); ++row) {
                if (table->item(row, 4) == nullptr || table->item(row, 4)->text() != "changed") {
                    return false;
                }
            }
            return true;
        };
        Run(6 * PERIOD_MS, list, confirmed);
        if (confirmed()) {
            confirmedMs = MsSince(applied);
        }
        static_cast<QDialog*>(modal)->reject();
    });
    window.OnListRightButton({1, 1});
    window.Menu().hide();
    window.OnCommand(ID_NETWORK_SETTINGS);
    std::printf("  %d listed; the link asked about their addresses in %.0f ms\n", list.count(),
                askedMs);
    if (confirmedMs < 0) {
        std::printf("  not all confirmed within %d search periods after Apply\n", 6);
    } else {
        std::printf(
            "  all %d confirmed on their new addresses %.0f ms after Apply (%.2f search "
            "periods of %d ms)\n",
            COUNT, confirmedMs, confirmedMs / PERIOD_MS, PERIOD_MS);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (test::Environment("TESTLAN_CAM_A_NS").empty()) {
        std::puts("window_bench runs inside tests/testlan.sh only");
        return 77;
    }
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    std::vector<std::string> runs(argv + 1, argv + argc);
    if (runs.empty()) {
        runs = {"idle", "1000", "10000", "flood", "site"};
    }
    for (const std::string& run : runs) {
        if (run == "idle") {
            Idle();
        } else if (run == "flood") {
            Flood();
        } else if (run == "site") {
            Site();
        } else {
            const int count = std::stoi(run);
            Cameras(count, count >= 10000 ? 20 : 5);
        }
        std::fflush(stdout);
    }
    return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// One firmware upload over a slow link, in the real firmware dialog on an
// X display:
//   sudo tests/testlan.sh xvfb-run -a build/default/bench/slow_upload_bench [RATE [KIB]]
// RATE is a tc rate for the link to the camera (default 1mbit), KIB
// the image size (default 1024). Prints how long the upload took, how often
// and how evenly the progress bar moved, and the longest stretch in which
// the window's event loop could not run.

#include <arpa/inet.h>

#include <QApplication>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bench/plain_upload.h"
#include "protocol/text_field.h"
#include "qt/firmware_dlg.h"
#include "qt/image_file_chooser.h"
#include "qt/message_box.h"
#include "tests/fakecam_process.h"

using namespace vantrel;
using Clock = std::chrono::steady_clock;

int main(int argc, char** argv) {
    if (test::Environment("TESTLAN_CAM_A_NS").empty() || test::Environment("DISPLAY").empty()) {
        std::puts("slow_upload_bench runs inside tests/testlan.sh, on an X display");
        return 77;
    }
    const std::string rate = argc > 1 ? argv[1] : "1mbit";
    const long kib = argc > 2 ? std::atol(argv[2]) : 1024;
    QApplication app(argc, argv);
    CMessageBox::StartRecording();

    test::FakecamProcess camera(
        test::Environment("TESTLAN_CAM_A_NS"),
        {"--upgrade", "--camera",
         "id=CAMA,name=Door,ip=10.71.1.2,mask=255.255.255.0,password=demo"});
    camera.WaitForOutput("cameras on UDP port");
    // The link from this host to the camera's segment. A token bucket, as
    // this kernel may lack netem.
    const std::string shape =
        "tc qdisc replace dev ha root tbf rate " + rate + " burst 32kbit latency 400ms";
    if (std::system(shape.c_str()) != 0) {
        std::puts("cannot shape the link");
        return 1;
    }

    QTemporaryDir files;
    const QString image = files.filePath("system.bin");
    {
        std::ofstream out(image.toStdString(), std::ios::binary);
        out << "BNEG";
        out << std::string(static_cast<std::size_t>(kib) * 1024 - 4, 'x');
    }
    CFirmwareDlg dialog;
    StoreFieldText(dialog.m_record.id, "CAMA");
    StoreFieldText(dialog.m_record.alias, "Door");
    dialog.m_record.ip = inet_addr("10.71.1.2");
    dialog.m_record.httpPort = htons(80);
    dialog.m_record.subnetMatch = 1;
    dialog.m_record.systemVersion = dialog.m_record.appVersion = 1;

    std::vector<double> moves;  // when the bar moved, ms after the click
    Clock::time_point clicked;
    auto* bar = dialog.findChild<QProgressBar*>("uploadProgressBar");
    QObject::connect(bar, &QProgressBar::valueChanged, [&] {
        moves.push_back(std::chrono::duration<double, std::milli>(Clock::now() - clicked).count());
    });
    QTimer::singleShot(500, &dialog, [&] {
        dialog.findChild<QLineEdit*>("passwordEdit")->setText("demo");
        CImageFileChooser::SetNextAnswer(image);
        clicked = Clock::now();
        dialog.findChild<QPushButton*>("upgradeSystemButton")->click();
    });
    // A 1 ms timer that cannot fire while the upload holds the thread: the
    // longest gap between its ticks is how long the window could not
    // answer anything (input, expose, a window manager's ping).
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    double deafMs = 0;
    int ticksDuring = 0;
    auto last = Clock::now();
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const auto now = Clock::now();
        ticksDuring += clicked != Clock::time_point{} && bar->isVisible();
        deafMs = std::max(deafMs, std::chrono::duration<double, std::milli>(now - last).count());
        last = now;
    });
    tick.start(1);
    dialog.exec();
    const double tookMs = std::chrono::duration<double, std::milli>(Clock::now() - clicked).count();
    // The same bytes over the same link by a sender with nothing else to do.
    const auto plainStart = Clock::now();
    const bool plainWhole =
        bench::PlainUpload(inet_addr("10.71.1.2"), htons(80), "demo", image.toStdString(),
                           static_cast<std::uint64_t>(kib) * 1024);
    const double plainMs =
        std::chrono::duration<double, std::milli>(Clock::now() - plainStart).count();
    std::system("tc qdisc del dev ha root");

    double longestStill = 0;
    for (std::size_t i = 1; i < moves.size(); ++i) {
        longestStill = std::max(longestStill, moves[i] - moves[i - 1]);
    }
    std::printf("%ld KiB at %s: the dialog ended after %.1f s with %zu message(s)\n", kib,
                rate.c_str(), tookMs / 1000, CMessageBox::TakeRecorded().size());
    std::printf("  the progress bar moved %zu times, never still for more than %.0f ms\n",
                moves.size(), longestStill);
    std::printf(
        "  the window's event loop did not run for %.0f ms at a stretch, and ran %d "
        "times while the bar showed\n",
        deafMs, ticksDuring);
    std::printf(
        "  the dialog's upload at %.0f KiB/s, a plain sender of the same packets at %.0f KiB/s%s: "
        "%.2fx\n",
        kib * 1000.0 / tookMs, kib * 1000.0 / plainMs, plainWhole ? "" : " (FAILED)",
        plainMs / tookMs);
    return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "cameras/restart_watch.h"

#include <gtest/gtest.h>

#include "protocol/socket.h"

namespace vantrel {
namespace {

using namespace std::chrono_literals;
using Clock = CRestartWatch::Clock;
using Outcome = CRestartWatch::Outcome;

CameraRecord Camera(const char* app, const char* system = "1.0.0.1") {
    CameraRecord camera{};
    camera.appVersion = inet_addr(app);
    camera.systemVersion = inet_addr(system);
    return camera;
}

// Feeds the watch one search every 3 s from delivery: true where the
// camera answered the search before it (with `after`), false where it was
// silent.
void Feed(CRestartWatch& watch, Clock::time_point delivered, std::initializer_list<bool> answers,
          const CameraRecord& after) {
    auto now = delivered;
    for (const bool answered : answers) {
        now += 3s;
        if (answered) {
            watch.Answered(after);
        }
        watch.Searched(now);
    }
}

TEST(RestartWatch, ACameraThatRestartsAndComesBackWithTheNewVersionIsBack) {
    const auto delivered = Clock::now();
    CRestartWatch watch(Camera("0.0.0.0"), ImageKind::Application, delivered);
    EXPECT_EQ("image delivered; waiting for the camera to restart\u2026", watch.Text());
    Feed(watch, delivered, {true, true, false}, Camera("0.0.0.0"));
    EXPECT_EQ(Outcome::Waiting, watch.Result());
    EXPECT_EQ("restarting; waiting for the camera to come back\u2026", watch.Text());
    Feed(watch, delivered + 9s, {false, false, true}, Camera("2.1.0.4"));
    EXPECT_EQ(Outcome::Back, watch.Result());
    EXPECT_EQ("back after 18 s with application firmware 2.1.0.4 (was 0.0.0.0)", watch.Text());
    // Ended: later searches change nothing.
    Feed(watch, delivered + 18s, {false, false, false}, Camera("0.0.0.0"));
    EXPECT_EQ(Outcome::Back, watch.Result());

    const CRestartWatch unconfirmed(Camera("0.0.0.0"), ImageKind::Application, delivered,
                                    RESTART_WAIT, Delivery::Unconfirmed);
    EXPECT_EQ("image sent, not confirmed; waiting for the camera to restart\u2026",
              unconfirmed.Text());

    // A restart quicker than a search period shows only in the version.
    CRestartWatch quick(Camera("1.0.0.1", "1.2.3.4"), ImageKind::System, delivered);
    Feed(quick, delivered, {true, true}, Camera("1.0.0.1", "1.2.3.5"));
    EXPECT_EQ(Outcome::Back, quick.Result());
    EXPECT_EQ("back after 3 s with system firmware 1.2.3.5 (was 1.2.3.4)", quick.Text());
}

TEST(RestartWatch, OneLostReplyIsNoRestartButTwoAreAndAnUnchangedVersionIsSaid) {
    const auto delivered = Clock::now();
    CRestartWatch watch(Camera("1.2.3.4"), ImageKind::Application, delivered);
    Feed(watch, delivered, {true, false, true, false, true}, Camera("1.2.3.4"));
    EXPECT_EQ(Outcome::Waiting, watch.Result()) << "a lossy link, not a restart";
    Feed(watch, delivered + 15s, {false, false, true}, Camera("1.2.3.4"));
    EXPECT_EQ(Outcome::BackUnchanged, watch.Result());
    EXPECT_EQ("back, but it still reports 1.2.3.4: it may have refused the image", watch.Text());
}

TEST(RestartWatch, TheWaitEndsSilentOrWithACameraThatNeverLeft) {
    const auto delivered = Clock::now();
    CRestartWatch gone(Camera("0.0.0.0"), ImageKind::Application, delivered, 12s);
    Feed(gone, delivered, {true, false, false}, Camera("0.0.0.0"));
    EXPECT_EQ(Outcome::Waiting, gone.Result());
    Feed(gone, delivered + 9s, {false}, Camera("0.0.0.0"));
    EXPECT_EQ(Outcome::NotBack, gone.Result());
    EXPECT_EQ("not back after 12 s: do not power it off; check it", gone.Text());

    CRestartWatch stayed(Camera("0.0.0.0", "1.2.3.4"), ImageKind::Application, delivered, 12s);
    Feed(stayed, delivered, {true, true, false, true}, Camera("0.0.0.0", "1.2.3.4"));
    EXPECT_EQ(Outcome::NeverLeft, stayed.Result());
    EXPECT_EQ(
        "did not restart within 12 s; it reports system firmware 1.2.3.4, application firmware "
        "0.0.0.0",
        stayed.Text());
}

}  // namespace
}  // namespace vantrel

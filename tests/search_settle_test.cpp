// SPDX-License-Identifier: GPL-3.0-or-later
// When a command has heard every camera: the settling of a search, on a
// clock of the test's own.
#include "session/search_settle.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

using namespace std::chrono_literals;
using Step = CSearchSettle::Step;

class SearchSettleTest : public ::testing::Test {
  protected:
    static CSearchSettle::Clock::time_point At(std::chrono::milliseconds ms) {
        return CSearchSettle::Clock::time_point(1h + ms);
    }
    CSearchSettle settle;
};

TEST_F(SearchSettleTest, PromptCamerasGetTwoSearchesAndTheLeastWait) {
    EXPECT_EQ(settle.Next(At(0ms)), Step::Wait) << "nothing before the first search";
    settle.Answered(At(0ms), "OLD");  // an answer to an earlier search counts as heard only
    settle.Searched(At(0ms));
    settle.Answered(At(5ms), "A");
    settle.Answered(At(40ms), "B");
    EXPECT_EQ(settle.Quiet(), CSearchSettle::LEAST_QUIET);
    EXPECT_EQ(settle.WakeAt(), At(340ms));
    EXPECT_EQ(settle.Next(At(339ms)), Step::Wait);
    EXPECT_EQ(settle.Next(At(340ms)), Step::Search);
    EXPECT_EQ(settle.Next(At(345ms)), Step::Wait) << "one search asked for is enough";
    settle.Searched(At(350ms));
    settle.Answered(At(352ms), "A");
    settle.Answered(At(360ms), "B");
    // Quiet from 660 ms, but no wait ends before the least wait.
    EXPECT_EQ(settle.Next(At(700ms)), Step::Wait);
    EXPECT_EQ(settle.WakeAt(), At(850ms));
    EXPECT_EQ(settle.Next(At(850ms)), Step::Settled);
    EXPECT_EQ(settle.Searches(), 2u);
}

TEST_F(SearchSettleTest, NobodyAnsweringStillGetsASecondSearch) {
    settle.Searched(At(0ms));
    EXPECT_EQ(settle.Next(At(300ms)), Step::Search);
    settle.Searched(At(320ms));
    EXPECT_EQ(settle.Next(At(620ms)), Step::Wait);
    EXPECT_EQ(settle.Next(At(850ms)), Step::Settled);
}

TEST_F(SearchSettleTest, ACameraFirstHeardAfterTheSecondSearchAsksForAnotherAndLengthensQuiet) {
    settle.Searched(At(0ms));
    settle.Answered(At(10ms), "A");
    ASSERT_EQ(settle.Next(At(310ms)), Step::Search);
    settle.Searched(At(310ms));
    settle.Answered(At(315ms), "A");
    // A late camera's answer to the first search: 800 ms late, not 490.
    settle.Answered(At(800ms), "LATE");
    EXPECT_EQ(settle.Quiet(), 1600ms);
    settle.Answered(At(1110ms), "LATE");  // and to the second
    EXPECT_EQ(settle.Next(At(2709ms)), Step::Wait);
    EXPECT_EQ(settle.Next(At(2710ms)), Step::Search) << "the second search brought a camera";
    settle.Searched(At(2710ms));
    settle.Answered(At(2715ms), "A");
    settle.Answered(At(3510ms), "LATE");
    EXPECT_EQ(settle.Next(At(5109ms)), Step::Wait);
    EXPECT_EQ(settle.Next(At(5110ms)), Step::Settled) << "the third brought nothing new";
}

TEST_F(SearchSettleTest, AnswersThatNeverStopEndAtTheLongestWait) {
    settle.Searched(At(0ms));
    std::chrono::milliseconds t = 0ms;
    for (; t < CSearchSettle::LONGEST; t += 100ms) {
        settle.Answered(At(t), "FLOOD" + std::to_string(t.count()));
        EXPECT_EQ(settle.Next(At(t)), Step::Wait) << t.count();
    }
    EXPECT_EQ(settle.Next(At(t)), Step::Settled);
}

}  // namespace
}  // namespace vantrel

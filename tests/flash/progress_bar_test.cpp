#include "progress_bar.h"

#include <gtest/gtest.h>

#include <sstream>

namespace talo::flash {
namespace {

class ProgressBarTest : public ::testing::Test {
  protected:
    void SetUp() override { out.str(""); }
    std::ostringstream out;
};

TEST_F(ProgressBarTest, RedrawsOnlyWhenTheLineChanges) {
    {
        ProgressBar bar(out);
        bar.show("write", 10, 20'000);
        bar.show("write", 10, 19'500);  // still 20 s when rounded up
        bar.show("write", 10, 19'000);
        bar.show("write", 11, 19'000);
        bar.show("restore", 11, 19'000);
        EXPECT_EQ(bar.redraws(), 4u);
    }
    const std::string text = out.str();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 4);
}

TEST_F(ProgressBarTest, EndsItsLineWhenItGoesOutOfScope) {
    {
        ProgressBar bar(out);
        bar.show("erase", 0, 30'760);
        EXPECT_EQ(out.str().find('\n'), std::string::npos);
    }
    EXPECT_EQ(out.str().back(), '\n');
}

TEST_F(ProgressBarTest, PrintsNothingWhenNeverShown) {
    { ProgressBar bar(out); }
    EXPECT_EQ(out.str(), "");
}

TEST_F(ProgressBarTest, ShorterLineOverwritesTheLongerOne) {
    ProgressBar bar(out);
    bar.show("restore", 100, 600'000);  // "10:00 left"
    const std::size_t longLine = out.str().size();
    bar.show("write", 100, 0);
    EXPECT_EQ(out.str().size() - longLine, longLine);  // padded to the earlier width
}

TEST(ProgressBarRenderTest, ShowsPhaseBarPercentAndTimeLeft) {
    EXPECT_EQ(ProgressBar::render("write", 50, 12'001),
              "write   [###############...............]  50%  0:13 left");
    EXPECT_EQ(ProgressBar::render("restore", 130, 0),
              "restore [##############################] 100%  0:00 left");
}

}  // namespace
}  // namespace talo::flash

#include "app/progressbar.h"

#include <QTest>

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

TEST(ProgressBar, StartsEmptyOverZeroToHundredWithoutText)
{
    didu::ProgressBar bar;
    EXPECT_EQ(bar.progressMaximum(), 100);
    EXPECT_EQ(bar.progressPosition(), 0);
    EXPECT_EQ(bar.minimum(), 0);
    EXPECT_EQ(bar.maximum(), 100);
    EXPECT_EQ(bar.value(), 0);
    EXPECT_FALSE(bar.isTextVisible());
    EXPECT_EQ(bar.focusPolicy(), Qt::NoFocus);
}

TEST(ProgressBar, KeepsTheProgramsRulesWhereQtsBarWouldNot)
{
    // Each step: set the maximum (0: leave it), then a position (INT_MIN: leave
    // it), and what the bar then holds and shows.
    struct Step {
        int maximum;
        int position;
        int expectedMaximum;
        int expectedPosition;
    };
    const std::vector<Step> steps = {
        {0, 40, 100, 40},
        {0, 250, 100, 100},      // above the maximum: shows as the maximum
        {0, -5, 100, 0},         // below 0: shows as 0
        {0, 70, 100, 70},
        {50, INT_MIN, 50, 50},   // a lower maximum pulls the position down (Qt would reset to empty)
        {200, INT_MIN, 200, 50}, // a higher one leaves it
        {200, 120, 200, 120},
        {200, INT_MIN, 200, 120},// the same maximum changes nothing
        {1, INT_MIN, 1, 1},
        {0, INT_MAX, 1, 1},
        {10000, 9999, 10000, 9999},
        {0, 10001, 10000, 10000},
    };
    didu::ProgressBar bar;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const Step& s = steps[i];
        if (s.maximum)
            bar.setProgressMaximum(s.maximum);
        if (s.position != INT_MIN)
            bar.setProgressPosition(s.position);
        EXPECT_EQ(bar.progressMaximum(), s.expectedMaximum) << "step " << i;
        EXPECT_EQ(bar.progressPosition(), s.expectedPosition) << "step " << i;
        EXPECT_EQ(bar.maximum(), s.expectedMaximum) << "step " << i;
        EXPECT_EQ(bar.value(), s.expectedPosition) << "step " << i;
    }
}

TEST(ProgressBar, AMaximumOfZeroShowsAnEmptyBarNotABusyOne)
{
    didu::ProgressBar bar;
    bar.setProgressPosition(30);
    bar.setProgressMaximum(0);
    EXPECT_EQ(bar.progressMaximum(), 0);
    EXPECT_EQ(bar.progressPosition(), 0);
    EXPECT_EQ(bar.value(), 0);
    EXPECT_GT(bar.maximum(), bar.minimum());
    bar.setProgressPosition(5);
    EXPECT_EQ(bar.progressPosition(), 0);
}

TEST(ProgressBar, VisibleChangesAreDrawnAtOnceWithoutTheMessageLoop)
{
    QWidget window;
    window.resize(520, 60);
    didu::ProgressBar bar(&window);
    bar.setGeometry(2, 2, 485, 25);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QCoreApplication::processEvents();

    bar.setProgressMaximum(485);
    int before = bar.paintCount();
    for (int i = 1; i <= 20; ++i) {
        bar.setProgressPosition(i * 10);
        // No event is processed between the steps: each step must draw itself.
        EXPECT_GT(bar.paintCount(), before) << "step " << i;
        before = bar.paintCount();
    }
    // A lower maximum that moves the position is drawn at once too.
    bar.setProgressMaximum(100);
    EXPECT_GT(bar.paintCount(), before);
    EXPECT_EQ(bar.progressPosition(), 100);

    // Over a long run, steps too small to see are not drawn one by one: the bar
    // moves in chunks of a few pixels, as a segmented bar does.
    bar.setProgressMaximum(100000);
    bar.setProgressPosition(0);
    before = bar.paintCount();
    for (int i = 1; i <= 100000; ++i)
        bar.setProgressPosition(i);
    const int drawn = bar.paintCount() - before;
    EXPECT_GT(drawn, 40);
    EXPECT_LT(drawn, 5000);
}

} // namespace

#include "app/progressbar.h"
#include "tests/window/paintcounter.h"

#include <QTest>

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

using didu::test::PaintCounter;

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
    didu::Progress progress;
    didu::ProgressBar bar;
    // It starts empty over 0 to 100, without text, and takes no focus.
    EXPECT_EQ(bar.progressMaximum(), 100);
    EXPECT_EQ(bar.progressPosition(), 0);
    EXPECT_EQ(bar.value(), 0);
    EXPECT_EQ(bar.maximum(), 100);
    EXPECT_FALSE(bar.isTextVisible());
    EXPECT_EQ(bar.focusPolicy(), Qt::NoFocus);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const Step& s = steps[i];
        if (s.maximum)
            progress.setMaximum(s.maximum);
        if (s.position != INT_MIN)
            progress.setPosition(s.position);
        bar.showProgress(progress);
        EXPECT_EQ(bar.progressMaximum(), s.expectedMaximum) << "step " << i;
        EXPECT_EQ(bar.progressPosition(), s.expectedPosition) << "step " << i;
        EXPECT_EQ(bar.maximum(), s.expectedMaximum) << "step " << i;
        EXPECT_EQ(bar.value(), s.expectedPosition) << "step " << i;
    }

    // A maximum of 0 shows an empty bar, not a busy one, whatever the position.
    progress.setMaximum(0);
    bar.showProgress(progress);
    EXPECT_EQ(bar.progressMaximum(), 0);
    EXPECT_EQ(bar.progressPosition(), 0);
    EXPECT_EQ(bar.value(), 0);
    EXPECT_GT(bar.maximum(), bar.minimum());
    progress.setPosition(5);
    bar.showProgress(progress);
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

    PaintCounter paints(&bar);
    didu::Progress progress;
    progress.setMaximum(485);
    bar.showProgress(progress);
    int before = paints.count;
    for (int i = 1; i <= 20; ++i) {
        progress.setPosition(i * 10);
        bar.showProgress(progress);
        // No event is processed between the steps: each step must draw itself.
        EXPECT_GT(paints.count, before) << "step " << i;
        before = paints.count;
    }
    // A lower maximum that moves the position is drawn at once too.
    progress.setMaximum(100);
    bar.showProgress(progress);
    EXPECT_GT(paints.count, before);
    EXPECT_EQ(bar.progressPosition(), 100);

    // Over a long run, steps too small to see are not drawn one by one: the bar
    // moves in chunks of a few pixels, as a segmented bar does.
    progress.setMaximum(100000);
    progress.setPosition(0);
    bar.showProgress(progress);
    before = paints.count;
    for (int i = 1; i <= 100000; ++i) {
        progress.setPosition(i);
        bar.showProgress(progress);
    }
    const int drawn = paints.count - before;
    EXPECT_GT(drawn, 40);
    EXPECT_LT(drawn, 5000);
}

} // namespace

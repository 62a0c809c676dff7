#include "platform/ui/Animation.h"
#include "platform/ui/AnimationClock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

using namespace platform;

namespace {

struct Recorder : AnimationDelegate
{
    explicit Recorder(AnimationClock &clock)
        : clock(clock)
    {
    }
    void animation(Animation &, float progress) override { marks.emplace_back(clock.now(), progress); }
    void animationDidEnd(Animation &) override { ends.push_back(clock.now()); }

    AnimationClock &clock;
    std::vector<std::pair<double, float>> marks;
    std::vector<double> ends;
};

Animation tenMarks(double duration)
{
    Animation animation(duration, AnimationCurve::EaseOut);
    float mark = 0.0f;
    for (int i = 0; i < 10; ++i, mark += 0.1f)
        animation.addProgressMark(mark);
    return animation;
}

} // namespace

// A mark is delivered when the curve reaches its progress, in order, and the end
// comes once, after the whole duration.
TEST(Animation, EachCurveDeliversItsMarksWhenTheirProgressIsReachedThenEnds)
{
    const auto easeOut = [](double progress) { return 1 - std::sqrt(1 - progress); }; // later steps take longer
    const struct
    {
        AnimationCurve curve;
        std::vector<std::pair<float, double>> marks; // progress, time as a fraction of the duration
    } rows[] = {
        {AnimationCurve::Linear, {{0.3f, 0.3}}},
        {AnimationCurve::EaseIn, {{0.25f, 0.5}}},
        {AnimationCurve::EaseOut, {{0.0f, 0.0}, {0.2f, easeOut(0.2)}, {0.75f, 0.5}, {0.9f, easeOut(0.9)}}},
        {AnimationCurve::EaseInOut, {{0.125f, 0.25}, {0.5f, 0.5}, {0.875f, 0.75}}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(int(row.curve));
        ManualAnimationClock clock;
        ScopedAnimationClock scope(clock);
        Recorder recorder(clock);
        Animation animation(2.0, row.curve);
        for (const auto &[mark, time] : row.marks)
            animation.addProgressMark(mark);
        animation.setDelegate(&recorder);
        animation.startAnimation();
        ASSERT_EQ(recorder.marks.size(), row.marks.size());
        for (size_t i = 0; i < row.marks.size(); ++i) {
            EXPECT_NEAR(recorder.marks[i].second, row.marks[i].first, 1e-5);
            EXPECT_NEAR(recorder.marks[i].first, 2.0 * row.marks[i].second, 1e-6) << "at " << row.marks[i].first;
        }
        ASSERT_EQ(recorder.ends.size(), 1u);
        EXPECT_DOUBLE_EQ(recorder.ends[0], 2.0);
        EXPECT_EQ(animation.currentProgress(), 1.0f);
    }
}

TEST(Animation, StartingPartWaySkipsTheMarksAlreadyPassedAndTakesTheRestOfTheDuration)
{
    ManualAnimationClock clock;
    ScopedAnimationClock scope(clock);
    Recorder recorder(clock);
    Animation animation = tenMarks(0.4);
    animation.addProgressMark(1.5f); // never reached
    animation.setDelegate(&recorder);
    animation.setCurrentProgress(0.7f);
    animation.startAnimation();

    ASSERT_EQ(recorder.marks.size(), 3u); // 0.7 (as accumulated), 0.8, 0.9
    EXPECT_NEAR(recorder.marks[0].second, 0.7, 1e-5);
    EXPECT_NEAR(recorder.marks[2].second, 0.9, 1e-5);
    EXPECT_NEAR(recorder.ends.at(0), 0.4 * std::sqrt(1 - 0.7f), 1e-6);
}

TEST(Animation, WithoutMarksOrDelegateItStillRunsToTheEnd)
{
    ManualAnimationClock clock;
    ScopedAnimationClock scope(clock);
    Animation silent(0.2, AnimationCurve::Linear);
    silent.startAnimation();
    EXPECT_DOUBLE_EQ(clock.now(), 0.2);

    Recorder recorder(clock);
    Animation instant(-1, AnimationCurve::EaseInOut);
    instant.addProgressMark(0.5f);
    instant.setDelegate(&recorder);
    instant.startAnimation();
    EXPECT_EQ(recorder.marks.size(), 1u);
    EXPECT_EQ(recorder.ends.size(), 1u);
    EXPECT_DOUBLE_EQ(clock.now(), 0.2);
}

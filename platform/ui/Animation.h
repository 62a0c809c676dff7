#pragma once

#include <vector>

namespace platform {

class Animation;

/// The values of the original platform's animation curves.
enum class AnimationCurve { EaseInOut = 0, EaseIn = 1, EaseOut = 2, Linear = 3 };

/// Receives an Animation's progress marks and its end.
class AnimationDelegate
{
public:
    virtual ~AnimationDelegate();
    /// The animation's progress has reached the mark `progress`.
    virtual void animation(Animation &animation, float progress) = 0;
    /// The animation has run to its end (progress 1.0).
    virtual void animationDidEnd(Animation &animation) = 0;
};

/// A blocking animation: startAnimation() runs it to the end before returning, as
/// the original platform's blocking mode did, so no event is handled meanwhile and
/// a delegate that wants to be seen must repaint synchronously.
///
/// Progress runs from 0.0 to 1.0 over the duration along the curve: with the ease-out
/// curve the early marks come quickly and the late ones slowly. The delegate hears
/// of every mark that is not below the progress the animation starts from, in
/// ascending order, each at its own time, then of the end. Time comes from
/// AnimationClock::current().
class Animation
{
public:
    /// `duration` in seconds (negative counts as 0).
    Animation(double duration, AnimationCurve curve);

    void setDelegate(AnimationDelegate *delegate) { m_delegate = delegate; }
    AnimationDelegate *delegate() const { return m_delegate; }

    double duration() const { return m_duration; }
    AnimationCurve curve() const { return m_curve; }

    /// Adds a mark; values outside [0, 1] are never reached.
    void addProgressMark(float progress);
    const std::vector<float> &progressMarks() const { return m_marks; }

    /// Where the next start begins (clamped to [0, 1]); the rest of the curve then
    /// takes the matching part of the duration. After a run it is 1.0.
    void setCurrentProgress(float progress);
    float currentProgress() const { return m_progress; }

    /// Runs the animation to its end, calling the delegate; blocks meanwhile.
    void startAnimation();

    /// The curve's progress at `timeFraction` (0..1), and the inverse.
    static double progressAt(AnimationCurve curve, double timeFraction);
    static double timeFractionAt(AnimationCurve curve, double progress);

private:
    double m_duration;
    AnimationCurve m_curve;
    AnimationDelegate *m_delegate = nullptr;
    std::vector<float> m_marks;
    float m_progress = 0.0f;
};

} // namespace platform

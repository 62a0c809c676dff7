#include "platform/ui/Animation.h"

#include "platform/ui/AnimationClock.h"

#include <algorithm>
#include <cmath>

namespace platform {

AnimationDelegate::~AnimationDelegate() = default;

Animation::Animation(double duration, AnimationCurve curve)
    : m_duration(std::max(0.0, duration))
    , m_curve(curve)
{
}

void Animation::addProgressMark(float progress)
{
    m_marks.push_back(progress);
}

void Animation::setCurrentProgress(float progress)
{
    m_progress = std::clamp(progress, 0.0f, 1.0f);
}

double Animation::progressAt(AnimationCurve curve, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    switch (curve) {
    case AnimationCurve::EaseInOut:
        return t < 0.5 ? 2 * t * t : 1 - 2 * (1 - t) * (1 - t);
    case AnimationCurve::EaseIn:
        return t * t;
    case AnimationCurve::EaseOut:
        return 1 - (1 - t) * (1 - t);
    case AnimationCurve::Linear:
        break;
    }
    return t;
}

double Animation::timeFractionAt(AnimationCurve curve, double p)
{
    p = std::clamp(p, 0.0, 1.0);
    switch (curve) {
    case AnimationCurve::EaseInOut:
        return p < 0.5 ? std::sqrt(p / 2) : 1 - std::sqrt((1 - p) / 2);
    case AnimationCurve::EaseIn:
        return std::sqrt(p);
    case AnimationCurve::EaseOut:
        return 1 - std::sqrt(1 - p);
    case AnimationCurve::Linear:
        break;
    }
    return p;
}

void Animation::startAnimation()
{
    AnimationClock &clock = AnimationClock::current();
    const float startProgress = m_progress;
    const double startFraction = timeFractionAt(m_curve, startProgress);
    const double startTime = clock.now() - startFraction * m_duration;

    std::vector<float> marks;
    std::copy_if(m_marks.begin(), m_marks.end(), std::back_inserter(marks),
                 [&](float mark) { return mark >= startProgress && mark <= 1.0f; });
    std::stable_sort(marks.begin(), marks.end());

    for (float mark : marks) {
        clock.waitUntil(startTime + timeFractionAt(m_curve, mark) * m_duration);
        m_progress = mark;
        if (m_delegate)
            m_delegate->animation(*this, mark);
    }
    clock.waitUntil(startTime + m_duration);
    m_progress = 1.0f;
    if (m_delegate)
        m_delegate->animationDidEnd(*this);
}

} // namespace platform

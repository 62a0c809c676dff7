#pragma once

#include "KeyCombo.h"

#include <utility>

/// The modifier masks under short names, and the key combinations' resources
/// swapped for one test.
namespace corvane::test {

constexpr qint32 Cmd = KeyCombo::CommandKey;
constexpr qint32 Shift = KeyCombo::ShiftKey;
constexpr qint32 Opt = KeyCombo::OptionKey;
constexpr qint32 Ctrl = KeyCombo::ControlKey;

/// Installs `resources` and puts the previous ones back when it goes.
class ScopedResources
{
public:
    explicit ScopedResources(KeyComboResources resources)
        : m_previous(KeyCombo::setResources(std::move(resources)))
    {
    }
    ~ScopedResources() { KeyCombo::setResources(std::move(m_previous)); }
    ScopedResources(const ScopedResources &) = delete;
    ScopedResources &operator=(const ScopedResources &) = delete;

private:
    KeyComboResources m_previous;
};

} // namespace corvane::test

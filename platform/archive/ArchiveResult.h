#pragma once

#include "platform/archive/ArchiveError.h"

#include <utility>
#include <variant>

namespace platform {

/// Either a value read from an archive or the error that stopped the reading;
/// never both, never a partial value.
template <typename T>
class ArchiveResult
{
public:
    ArchiveResult(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    ArchiveResult(ArchiveError error) : m_state(std::in_place_index<1>, std::move(error)) {}

    bool ok() const noexcept { return m_state.index() == 0; }
    explicit operator bool() const noexcept { return ok(); }

    /// REQUIRES: ok().
    const T &value() const & { return std::get<0>(m_state); }
    T &value() & { return std::get<0>(m_state); }
    T &&value() && { return std::get<0>(std::move(m_state)); }
    const T *operator->() const { return &value(); }
    const T &operator*() const & { return value(); }

    /// REQUIRES: !ok().
    const ArchiveError &error() const { return std::get<1>(m_state); }

private:
    std::variant<T, ArchiveError> m_state;
};

} // namespace platform

#pragma once

// Checks on the exceptions of the platform layer (header-only: for tests that
// link platform/core).

#include "platform/core/Exception.h"

#include <gtest/gtest.h>

#include <functional>

namespace corvane::test {

/// Whether `call` raises a platform::Exception named `name` whose reason is
/// `reason` (any reason when it is null).
inline ::testing::AssertionResult raises(const std::function<void()> &call, const QString &name,
                                         const QString &reason = {})
{
    try {
        call();
    } catch (const platform::Exception &e) {
        if (e.name() == name && (reason.isNull() || e.reason() == reason))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "raised " << e.name().toStdString() << ": " << e.reason().toStdString();
    }
    return ::testing::AssertionFailure() << "nothing raised";
}

} // namespace corvane::test

#pragma once

#include "platform/core/Invocation.h"

#include <optional>

/// Where a VLQueueProcessor takes its invocations from: a VLQueue. The processor
/// knows its queue only through this, so the two do not depend on each other.
class VLInvocationSource
{
public:
    virtual ~VLInvocationSource() = default;

    /// Waits for the oldest invocation and takes it; none once the workers are
    /// being shut down.
    virtual std::optional<platform::Invocation> nextInvocationInQueue() = 0;
};

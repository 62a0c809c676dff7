#pragma once

#include "VLQueueRing.h"
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

    /// Waits for work and appends to `batch` the invocations to run next, in
    /// order; appends none once the workers are being shut down. By default the
    /// oldest invocation alone; a source may hand out more where running them
    /// one after another on the same worker is what would happen anyway.
    virtual void takeInvocations(VLQueueRing &batch)
    {
        if (auto next = nextInvocationInQueue())
            batch.append(std::move(*next));
    }
};

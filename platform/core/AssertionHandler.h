#pragma once

#include "platform/core/ScopedRestore.h"

#include <QString>

#include <memory>
#include <vector>

namespace platform {

/// One assertion failure as the original platform's handler receives it.
struct AssertionFailure
{
    QString method;              ///< e.g. "setState:"
    const void *object = nullptr; ///< the receiver, for identity only
    QString file;                ///< the source file named after the class, e.g. "VLTrie"
    int line = 0;
    QString description;
};

/// The per-thread assertion handler. The default handler raises
/// Exception("NSInternalInconsistencyException", description); tests install a
/// RecordingAssertionHandler with ScopedAssertionHandler to check what was
/// reported and to exercise the "if the handler returns" paths.
class AssertionHandler
{
public:
    virtual ~AssertionHandler();

    /// Called for every failure. The default implementation throws.
    virtual void handleFailure(const AssertionFailure &failure);

    /// The handler of the calling thread: the installed one, else the default.
    static AssertionHandler &current();
};

/// A handler that records every failure and returns.
class RecordingAssertionHandler : public AssertionHandler
{
public:
    void handleFailure(const AssertionFailure &failure) override;
    const std::vector<AssertionFailure> &failures() const { return m_failures; }
    void clear() { m_failures.clear(); }

private:
    std::vector<AssertionFailure> m_failures;
};

/// Installs `handler` as the calling thread's assertion handler for the lifetime
/// of this object, then puts the previous one back. Not copyable.
class ScopedAssertionHandler : private ScopedRestore<AssertionHandler *>
{
public:
    explicit ScopedAssertionHandler(AssertionHandler &handler);
};

/// Reports a failure to the calling thread's handler. Returns only if the
/// handler returns; callers then carry on as the original did after it.
void handleAssertionFailure(const QString &method, const void *object, const QString &file, int line,
                            const QString &description);

} // namespace platform

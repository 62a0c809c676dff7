#include "platform/core/AssertionHandler.h"

#include "platform/core/Exception.h"

namespace platform {

namespace {
thread_local AssertionHandler *installedHandler = nullptr;
} // namespace

AssertionHandler::~AssertionHandler() = default;

void AssertionHandler::handleFailure(const AssertionFailure &failure)
{
    raise(QString::fromLatin1(ExceptionName::InternalInconsistency), failure.description);
}

AssertionHandler &AssertionHandler::current()
{
    static thread_local AssertionHandler defaultHandler;
    return installedHandler ? *installedHandler : defaultHandler;
}

void RecordingAssertionHandler::handleFailure(const AssertionFailure &failure)
{
    m_failures.push_back(failure);
}

ScopedAssertionHandler::ScopedAssertionHandler(AssertionHandler &handler)
    : ScopedRestore(installedHandler, &handler)
{
}

void handleAssertionFailure(const QString &method, const void *object, const QString &file, int line,
                            const QString &description)
{
    AssertionHandler::current().handleFailure({method, object, file, line, description});
}

} // namespace platform

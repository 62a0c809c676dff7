#pragma once

#include <functional>

namespace vl {

/// Runs `work` on the main thread (the application's): with `waitUntilDone`,
/// returns after it ran (directly when called on the main thread), else once it
/// is queued. Nothing it throws crosses the event loop: a failure is logged.
/// Without an application object it runs at once on the calling thread.
void runOnMainThread(std::function<void()> work, bool waitUntilDone);

} // namespace vl

#pragma once
// The one way the program waits for work off the window's thread. The work
// runs on a worker thread while the caller's event pump runs between short
// slices of waiting, so the window repaints and takes input, a Cancel button
// among it (the work learns of a cancel through its own flag or progress
// report). The work's result, or the exception it threw, comes back to the
// caller as if the work had run there. Without a pump the work runs in place.
#include <chrono>
#include <functional>
#include <future>
#include <system_error>

namespace sysutil {

using EventPump = std::function<void()>;

// Short enough that the window never lags behind the user.
inline constexpr std::chrono::milliseconds kEventSlice{10};

template <typename Work>
auto runServingEvents(Work&& work, const EventPump& pump) {
    if (!pump) return work();
    std::future<decltype(work())> done;
    try {
        done = std::async(std::launch::async, std::forward<Work>(work));
    } catch (const std::system_error&) {
        return work();  // no thread to be had: the window waits, the work still gets done
    }
    while (done.wait_for(kEventSlice) != std::future_status::ready) pump();
    pump();  // what the work's last moments posted
    return done.get();
}

}  // namespace sysutil

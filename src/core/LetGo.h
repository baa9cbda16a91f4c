#pragma once

// Large buffers are let go on a thread of their own. Handing tens of
// megabytes back to the system takes milliseconds, which the window would
// otherwise spend between a click and the next picture.

#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

namespace pictavo {

// Runs `release` on the releasing thread, after everything handed over
// before it; returns at once. Runs it here when no thread can be had.
void releaseElsewhere(std::function<void()> release);

// Waits until everything handed over so far has been released.
void waitForReleases();

// Destroys `value` (a picture, an image, a container of them, a future) on
// the releasing thread. Whatever else shares its data keeps it.
template <class T>
void letGo(T&& value) {
    auto held = std::make_shared<std::decay_t<T>>(std::forward<T>(value));
    releaseElsewhere([held = std::move(held)]() mutable { held.reset(); });
}

}  // namespace pictavo

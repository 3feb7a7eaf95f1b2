// SPDX-License-Identifier: MIT

#pragma once

// Work handed to the GUI thread through Qt's event queue, and back, is ordered by Qt's own
// locks and wait conditions. Qt is not built with ThreadSanitizer, so in a ThreadSanitizer build
// those orderings are invisible and every such hand-over would be reported as a race. These marks
// state the order where the toolkit relies on it: everything a thread did before
// hand_over(key) happens before everything another thread does after take_over(key) with the
// same key. Outside ThreadSanitizer builds they compile to nothing.
#if defined(__SANITIZE_THREAD__)
#define WINTK_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define WINTK_THREAD_SANITIZER 1
#endif
#endif

#ifdef WINTK_THREAD_SANITIZER
#include <sanitizer/tsan_interface.h>
#endif

namespace wintk::platform {

// `key` is any address that stays the hand-over's own while it is in flight.
inline void hand_over([[maybe_unused]] const void* key) {
#ifdef WINTK_THREAD_SANITIZER
  __tsan_release(const_cast<void*>(key));
#endif
}

inline void take_over([[maybe_unused]] const void* key) {
#ifdef WINTK_THREAD_SANITIZER
  __tsan_acquire(const_cast<void*>(key));
#endif
}

}  // namespace wintk::platform

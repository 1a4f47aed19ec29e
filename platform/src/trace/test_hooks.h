// Where the layer asks the test seams of platform_test.h (test_hooks.cpp keeps what the tests set):
// PeekMessageA at its start, Present after each presentation, the GL renderer whether it is kept to the
// offscreen back buffer, and the operations tests can make fail. Built without PLATFORM_TEST_SEAMS (the
// release builds), each is an inline function that does nothing, and the seams are not there at all.
#pragma once

#include <string_view>

namespace platform::trace::hooks {

#ifdef PLATFORM_TEST_SEAMS
// PeekMessageA, before it looks at the queue, with the number of earlier calls.
void before_peek_message(int call);
// Present, after a successful presentation.
void after_present();
// Whether the renderer is to keep drawing into the offscreen back buffer even where the window could take
// the back buffer's place.
bool offscreen_only();
// Whether a test has made the named operation ("CreateDevice", "Lock", ...) fail.
bool should_fail(std::string_view operation);
#else
inline void before_peek_message(int) {}
inline void after_present() {}
inline bool offscreen_only() {
    return false;
}
inline bool should_fail(std::string_view) {
    return false;
}
#endif

} // namespace platform::trace::hooks

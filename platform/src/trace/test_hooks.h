// Where the layer calls the test hooks of platform_test.h (the hooks themselves live in test_hooks.cpp):
// PeekMessageA at its start, Present after each presentation (both do nothing while no test has set a hook);
// the GL renderer asks whether it is kept to the offscreen back buffer.
#pragma once

namespace platform::hooks {

// PeekMessageA, before it looks at the queue, with the number of earlier calls.
void before_peek_message(int call);
// Present, after a successful presentation.
void after_present();
// Whether the renderer is to keep drawing into the offscreen back buffer even where the window could take
// the back buffer's place.
bool offscreen_only();

} // namespace platform::hooks

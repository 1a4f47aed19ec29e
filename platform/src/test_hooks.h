// Where the layer calls the test hooks of platform_test.h (the hooks themselves live in test_hooks.cpp):
// PeekMessageA at its start, Present after each presentation. Both do nothing while no test has set a hook.
#pragma once

namespace platform::hooks {

// PeekMessageA, before it looks at the queue, with the number of earlier calls.
void before_peek_message(int call);
// Present, after a successful presentation.
void after_present();

} // namespace platform::hooks

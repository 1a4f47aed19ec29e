// The test hooks of platform_test.h, all in one place: scripting the message queue (a hook at every
// PeekMessageA), counting frames (a hook after every Present), making named operations fail, keeping devices
// made from then on to the offscreen back buffer. The last presented picture is the Direct3D 9 device's
// (d3d9_present.cpp). Compiled only with PLATFORM_TEST_SEAMS; nothing here runs unless a test set a hook.
#include "trace/test_hooks.h"

#ifdef PLATFORM_TEST_SEAMS

#include <platform_test.h>

#include <functional>
#include <string>
#include <utility>

namespace platform::trace {

namespace {

struct Hooks {
    std::function<void(int)> peek_message;
    std::function<void()> present;
    std::string failing_operation; // empty: none
    bool offscreen_only = false;
};

Hooks& hooks_set() {
    static Hooks hooks;
    return hooks;
}

} // namespace

namespace hooks {

void before_peek_message(int call) {
    if (hooks_set().peek_message) {
        const auto hook = hooks_set().peek_message; // the hook may replace itself
        hook(call);
    }
}

bool offscreen_only() {
    return hooks_set().offscreen_only;
}

void after_present() {
    if (hooks_set().present) {
        const auto hook = hooks_set().present; // the hook may replace itself
        hook();
    }
}

bool should_fail(std::string_view operation) {
    const std::string& failing = hooks_set().failing_operation;
    return !failing.empty() && failing == operation;
}

} // namespace hooks

namespace test {

void on_peek_message(std::function<void(int call)> hook) {
    hooks_set().peek_message = std::move(hook);
}

void on_present(std::function<void()> hook) {
    hooks_set().present = std::move(hook);
}

void fail_operation(std::string name) {
    hooks_set().failing_operation = std::move(name);
}

void draw_offscreen_only(bool on) {
    hooks_set().offscreen_only = on;
}

} // namespace test

} // namespace platform::trace

#endif

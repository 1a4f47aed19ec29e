// The host of the front ends' unit tests (host/host.h on records a test fills and reads, fake_host.h): no
// display, no GL and no clock of its own. Windows are records that live as long as the process; the event
// queue is a deque.
#include "fake_host.h"

#include <deque>
#include <memory>
#include <set>
#include <utility>
#include <vector>

namespace platform::host {

struct Window {
    WindowSpec spec; // as made; no window manager adds a frame, so the client fills it
};

} // namespace platform::host

namespace fake_host {
namespace {

namespace host = platform::host;

struct State {
    bool display = true;
    std::string no_display_reason;
    bool video = false;
    std::vector<std::unique_ptr<Window>> windows;
    std::deque<Event> queue;
    std::set<std::pair<Window*, platform::host::hid::Usage>> held; // keys down and not yet up, per window
    std::uint32_t ticks = 0;
    int pointer_x = 0, pointer_y = 0;
    Window* captured = nullptr;
};
State& state() {
    static State s;
    return s;
}

Event stamped(EventType type, Window* window) {
    Event e;
    e.type = type;
    e.window = window;
    e.time = state().ticks;
    return e;
}

} // namespace

void set_display(bool present, std::string reason) {
    state().display = present;
    state().no_display_reason = std::move(reason);
}

void push(const Event& event) {
    State& s = state();
    if (event.type == EventType::KeyDown)
        s.held.insert({event.window, event.key});
    else if (event.type == EventType::KeyUp)
        s.held.erase({event.window, event.key});
    s.queue.push_back(event);
}

void key(Window* window, platform::host::hid::Usage usage, bool down, std::uint16_t modifiers, bool repeat) {
    Event e = stamped(down ? EventType::KeyDown : EventType::KeyUp, window);
    e.key = usage;
    e.modifiers = modifiers;
    e.repeat = repeat;
    push(e);
}

void focus(Window* window, bool gained) {
    if (!gained) {
        std::vector<platform::host::hid::Usage> released;
        for (const auto& [w, usage] : state().held)
            if (w == window)
                released.push_back(usage);
        for (const platform::host::hid::Usage usage : released) {
            Event e = stamped(EventType::KeyUp, window);
            e.key = usage;
            e.focus_release = true;
            push(e);
        }
    }
    push(stamped(gained ? EventType::FocusGained : EventType::FocusLost, window));
}

void close(Window* window) {
    push(stamped(EventType::Close, window));
}

void quit() {
    push(stamped(EventType::Quit, nullptr));
}

void motion(Window* window, int dx, int dy) {
    Event e = stamped(EventType::MouseMotion, window);
    e.x = dx;
    e.y = dy;
    push(e);
}

void wheel(Window* window, int notches) {
    Event e = stamped(EventType::MouseWheel, window);
    e.y = notches;
    push(e);
}

void button(Window* window, Button which, bool down, int x, int y) {
    Event e = stamped(down ? EventType::ButtonDown : EventType::ButtonUp, window);
    e.button = which;
    e.x = x;
    e.y = y;
    push(e);
}

void set_ticks(std::uint32_t ms) {
    state().ticks = ms;
}

void set_pointer(int x, int y) {
    state().pointer_x = x;
    state().pointer_y = y;
}

Window* captured() {
    return state().captured;
}

} // namespace fake_host

namespace platform::host {

using fake_host::state;

bool start_video(std::string& reason) {
    if (!state().display) {
        reason = state().no_display_reason;
        return false;
    }
    state().video = true;
    return true;
}

Window* create_window(const WindowSpec& spec, std::string& error) {
    if (!state().video) {
        error = "the video of the host is not started";
        return nullptr;
    }
    state().windows.push_back(std::make_unique<Window>(Window{spec}));
    return state().windows.back().get();
}

void destroy_window(Window* window) {
    if (state().captured == window)
        state().captured = nullptr;
}

void show_window(Window* /*window*/) {}

void client_size(Window* window, int* width, int* height) {
    *width = window->spec.width;
    *height = window->spec.height;
}

void drawable_size(Window* window, int* width, int* height) {
    client_size(window, width, height);
}

bool poll_event(Event& event) {
    if (state().queue.empty())
        return false;
    event = state().queue.front();
    state().queue.pop_front();
    return true;
}

std::uint32_t ticks() {
    return state().ticks;
}

void pointer_position(int* x, int* y) {
    *x = state().pointer_x;
    *y = state().pointer_y;
}

void capture_mouse(Window* window, bool on) {
    if (on)
        state().captured = window;
    else if (state().captured == window || window == nullptr)
        state().captured = nullptr;
}

} // namespace platform::host

// The host of the front ends' unit tests (host/host.h on records a test fills and reads, fake_host.h): no
// display, no GL and no clock of its own. Windows are records that live until reset(); the event queue is a
// deque; a GL context is a record on its window, current while the window lives, never lost.
#include "fake_host.h"

#include <deque>
#include <memory>
#include <set>
#include <utility>

namespace platform::host {

struct Window {
    fake_host::WindowRecord record;
};

struct GlContext {
    Window* window = nullptr;
};

} // namespace platform::host

namespace fake_host {
namespace {

namespace host = platform::host;

struct State {
    bool display = true;
    std::string no_display_reason;
    bool video = false;
    std::vector<std::unique_ptr<Window>> owned;
    std::vector<Window*> made;
    std::vector<std::unique_ptr<host::GlContext>> contexts;
    std::deque<Event> queue;
    std::set<std::pair<Window*, platform::hid::Usage>> held; // keys down and not yet up, per window
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

void reset() {
    state() = State{};
}

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

void key(Window* window, platform::hid::Usage usage, bool down, std::uint16_t modifiers, bool repeat) {
    Event e = stamped(down ? EventType::KeyDown : EventType::KeyUp, window);
    e.key = usage;
    e.modifiers = modifiers;
    e.repeat = repeat;
    push(e);
}

void focus(Window* window, bool gained) {
    if (!gained) {
        std::vector<platform::hid::Usage> released;
        for (const auto& [w, usage] : state().held)
            if (w == window)
                released.push_back(usage);
        for (const platform::hid::Usage usage : released) {
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

void resize(Window* window, int width, int height) {
    window->record.spec.width = window->record.drawable_width = width;
    window->record.spec.height = window->record.drawable_height = height;
    Event e = stamped(EventType::Resized, window);
    e.x = width;
    e.y = height;
    push(e);
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

std::size_t waiting() {
    return state().queue.size();
}

void set_ticks(std::uint32_t ms) {
    state().ticks = ms;
}

void set_pointer(int x, int y) {
    state().pointer_x = x;
    state().pointer_y = y;
}

const std::vector<Window*>& windows() {
    return state().made;
}

const WindowRecord& record(Window* window) {
    return window->record;
}

void set_drawable_size(Window* window, int width, int height) {
    window->record.drawable_width = width;
    window->record.drawable_height = height;
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

bool video_running() {
    return state().video;
}

Window* create_window(const WindowSpec& spec, std::string& error) {
    if (!state().video) {
        error = "the video of the host is not started";
        return nullptr;
    }
    auto owned = std::make_unique<Window>();
    fake_host::WindowRecord& r = owned->record;
    r.title = spec.title;
    r.spec = spec;
    r.spec.title = r.title.c_str();
    r.drawable_width = spec.width;
    r.drawable_height = spec.height;
    Window* const w = owned.get();
    state().owned.push_back(std::move(owned));
    state().made.push_back(w);
    return w;
}

void destroy_window(Window* window) {
    if (window == nullptr)
        return;
    window->record.destroyed = true;
    if (state().captured == window)
        state().captured = nullptr;
}

void show_window(Window* window, Show how, bool /*activate*/) {
    fake_host::WindowRecord& r = window->record;
    r.shows.push_back(how);
    r.hidden = how == Show::Hide;
    if (how == Show::Minimized)
        r.minimized = true;
    else if (how != Show::Hide)
        r.minimized = false;
}

bool is_minimized(Window* window) {
    return window->record.minimized;
}

bool is_hidden(Window* window) {
    return window->record.hidden;
}

// No window manager: the client fills the outer rectangle, which stays where it was made.
void client_size(Window* window, int* width, int* height) {
    *width = window->record.spec.width;
    *height = window->record.spec.height;
}

void drawable_size(Window* window, int* width, int* height) {
    *width = window->record.drawable_width;
    *height = window->record.drawable_height;
}

void outer_rect(Window* window, int* left, int* top, int* right, int* bottom) {
    const WindowSpec& s = window->record.spec;
    *left = s.x;
    *top = s.y;
    *right = s.x + s.width;
    *bottom = s.y + s.height;
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

GlContext* create_gl_context(Window* window, std::string& error) {
    if (window == nullptr || window->record.destroyed || !window->record.spec.gl) {
        error = "no GL window";
        return nullptr;
    }
    state().contexts.push_back(std::make_unique<GlContext>(GlContext{window}));
    return state().contexts.back().get();
}

void delete_gl_context(GlContext* context) {
    std::erase_if(state().contexts, [context](const auto& c) { return c.get() == context; });
}

bool make_current(Window* window, GlContext* context) {
    return window != nullptr && !window->record.destroyed && context != nullptr && context->window == window;
}

bool context_lost(GlContext* /*context*/) {
    return false;
}

unsigned context_restorations(GlContext* /*context*/) {
    return 0;
}

// No display, no retrace to wait for.
void set_swap_interval(bool /*wait_for_retrace*/) {}

void swap(Window* window) {
    ++window->record.swaps;
}

void wait_refresh(Window* window) {
    ++window->record.refresh_waits;
}

} // namespace platform::host

// The web host's window and GL (host.h in the browser, on emscripten/html5.h): the page's canvas
// (#canvas) is the one window the program can make, sized to the outer size asked for (a page has no
// frame) and named by the page's title; its GL context is WebGL 2 without depth, stencil, alpha or
// antialiasing (the renderer draws into a back buffer of its own). The browser shows what was drawn once
// control returns to it, so the swap yields to the browser until its next animation frame (Asyncify
// unwinds the program's stack meanwhile and rewinds it after), and tells the page that a frame was
// presented. The browser may lose the WebGL context (a GPU reset, too many contexts, WEBGL_lose_context) and
// give it back later: the host asks it to (by cancelling the loss event), counts the restorations for the
// renderer, which makes its objects again, enables the context's extensions again as it was made with them,
// and tells the page both (Module.onContextLost, Module.onContextRestored).
#include "host/web/host_web_internal.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <memory>

namespace platform::host {

struct Window {
    int width = 0, height = 0;
    bool visible = false;
};

struct GlContext {
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE handle = 0;
    bool lost = false;
    unsigned restorations = 0;
};

namespace {

constexpr const char* kCanvas = "#canvas";

struct Page {
    std::unique_ptr<Window> window;
    std::unique_ptr<GlContext> context;
};
Page& page() {
    static Page p;
    return p;
}

// The page's own script (index.html) counts presented frames through Module.onPresent.
EM_JS(void, tell_page_presented, (), {
    if (Module["onPresent"])
        Module["onPresent"]();
});

EM_JS(void, set_page_title, (const char* title), { document.title = UTF8ToString(title); });

EM_JS(void, tell_page_context, (int lost), {
    const told = Module[lost ? "onContextLost" : "onContextRestored"];
    if (told)
        told();
});

// A context given back has no extension enabled: those it was made with (enableExtensionsByDefault) are
// enabled again, as Emscripten enabled them at its making.
EM_JS(void, enable_extensions_again, (int handle), {
    const context = GL.contexts[handle];
    if (context) {
        context.initExtensionsDone = false;
        GL.initExtensions(context);
    }
});

// The loss is cancelled (EM_TRUE: its default prevented), so that the browser gives the context back.
EM_BOOL on_context_lost(int, const void*, void* data) {
    static_cast<GlContext*>(data)->lost = true;
    tell_page_context(1);
    return EM_TRUE;
}

EM_BOOL on_context_restored(int, const void*, void* data) {
    auto* const context = static_cast<GlContext*>(data);
    enable_extensions_again(context->handle);
    context->lost = false;
    ++context->restorations;
    tell_page_context(0);
    return EM_TRUE;
}

void watch_context(GlContext* context) {
    emscripten_set_webglcontextlost_callback(kCanvas, context, EM_TRUE, context ? on_context_lost : nullptr);
    emscripten_set_webglcontextrestored_callback(kCanvas, context, EM_TRUE,
                                                 context ? on_context_restored : nullptr);
}

EM_JS(int, page_has_canvas, (), { return document.querySelector("#canvas") ? 1 : 0; });

// Waits for the browser's next animation frame, letting it show the canvas and run its event handlers.
// clang-format off
EM_ASYNC_JS(void, next_animation_frame, (), {
    await new Promise(function(resolve) { requestAnimationFrame(resolve); });
});
// clang-format on

} // namespace

bool start_video(std::string& reason) {
    if (page_has_canvas() == 0) {
        reason = "no display: the page has no canvas";
        return false;
    }
    return true;
}

bool video_running() {
    return true;
}

Window* create_window(const WindowSpec& spec, std::string& error) {
    Page& p = page();
    if (p.window) {
        error = "the page has one canvas, which another window has";
        return nullptr;
    }
    if (emscripten_set_canvas_element_size(kCanvas, spec.width, spec.height) != EMSCRIPTEN_RESULT_SUCCESS) {
        error = "the canvas cannot be sized";
        return nullptr;
    }
    set_page_title(spec.title);
    p.window = std::make_unique<Window>(Window{spec.width, spec.height, false});
    start_events(p.window.get());
    return p.window.get();
}

void destroy_window(Window* window) {
    Page& p = page();
    if (window == nullptr || window != p.window.get())
        return;
    forget(window);
    p.window.reset();
}

void show_window(Window* window) {
    window->visible = true;
}

bool is_minimized(Window* /*window*/) {
    return false;
}

bool is_hidden(Window* window) {
    return !window->visible;
}

void client_size(Window* window, int* width, int* height) {
    *width = window->width;
    *height = window->height;
}

void drawable_size(Window* window, int* width, int* height) {
    int w = 0, h = 0;
    if (emscripten_get_canvas_element_size(kCanvas, &w, &h) != EMSCRIPTEN_RESULT_SUCCESS) {
        w = window->width;
        h = window->height;
    }
    *width = w;
    *height = h;
}

GlContext* create_gl_context(Window* /*window*/, std::string& error) {
    Page& p = page();
    if (p.context) {
        error = "the canvas has a WebGL context already";
        return nullptr;
    }
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = 2;
    attributes.minorVersion = 0;
    attributes.alpha = EM_FALSE;
    attributes.depth = EM_FALSE;
    attributes.stencil = EM_FALSE;
    attributes.antialias = EM_FALSE;
    attributes.enableExtensionsByDefault = EM_TRUE;
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE handle = emscripten_webgl_create_context(kCanvas, &attributes);
    if (handle <= 0) {
        error = "this browser does not offer WebGL 2";
        return nullptr;
    }
    p.context = std::make_unique<GlContext>(GlContext{handle});
    watch_context(p.context.get());
    return p.context.get();
}

void delete_gl_context(GlContext* context) {
    Page& p = page();
    if (context == nullptr || context != p.context.get())
        return;
    watch_context(nullptr);
    emscripten_webgl_destroy_context(context->handle);
    p.context.reset();
}

bool make_current(Window* window, GlContext* context) {
    if (window == nullptr || context == nullptr)
        return false;
    if (emscripten_webgl_get_current_context() == context->handle)
        return true;
    return emscripten_webgl_make_context_current(context->handle) == EMSCRIPTEN_RESULT_SUCCESS;
}

bool context_lost(GlContext* context) {
    return context != nullptr && context->lost;
}

unsigned context_restorations(GlContext* context) {
    return context != nullptr ? context->restorations : 0;
}

void set_swap_interval(bool /*wait_for_retrace*/) {
    // The browser shows frames at its own pace: one per animation frame.
}

void swap(Window* /*window*/) {
    tell_page_presented();
    next_animation_frame();
}

void wait_refresh(Window* /*window*/) {
    next_animation_frame();
}

} // namespace platform::host

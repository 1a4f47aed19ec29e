// The program's entry point in the web build: calls WinMain as Windows would (an instance handle, no
// previous instance, an empty command line, SW_SHOWDEFAULT), then removes the web host's DOM handlers (with
// Asyncify the runtime's own exit never runs, so nothing else would) and tells the page that the program
// has ended and with which exit code (Module.onProgramEnd of platform/web/index.html).
#include "host/web/host_web_internal.h"

#include <windows.h>

#include <emscripten.h>

namespace {
EM_JS(void, tell_page_ended, (int code), {
    if (Module["onProgramEnd"])
        Module["onProgramEnd"](code);
});
} // namespace

int main() {
    static char empty_command_line[] = "";
    // Any non-null value serves as the instance handle: nothing looks inside it.
    static int instance_tag = 0;
    const int code =
        WinMain(reinterpret_cast<HINSTANCE>(&instance_tag), nullptr, empty_command_line, SW_SHOWDEFAULT);
    platform::host::stop_events();
    tell_page_ended(code);
    return code;
}

// The program's entry point in the web build: calls WinMain as Windows would (an instance handle, no
// previous instance, an empty command line, SW_SHOWDEFAULT), then tells the page that the program has
// ended and with which exit code (Module.onProgramEnd of platform/web/index.html).
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
    tell_page_ended(code);
    return code;
}

// The process entry point of the Linux build: calls the program's WinMain as Windows would, with an
// instance handle, no previous instance, an empty command line and SW_SHOWDEFAULT.
#include <windows.h>

int main() {
    static char empty_command_line[] = "";
    // Any non-null value serves as the instance handle: nothing looks inside it.
    static int instance_tag = 0;
    return WinMain(reinterpret_cast<HINSTANCE>(&instance_tag), nullptr, empty_command_line, SW_SHOWDEFAULT);
}

// The small Win32 operations: SetRect, MessageBoxA, GetLastError and FormatMessageA, which gives the system's
// text of a code as the program asks for it (FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
// other flags are reported and taken so).
// MessageBoxA shows no box on Linux: it writes its text as one line to stderr (line breaks become spaces,
// the caption is left out) and returns IDOK. The thread's last error carries, besides its code, the text
// FormatMessageA gives for it when the layer knows better than the system's table (the host's reason why no
// window could be made, for example).
//
// Trace lines: SetRect(0, 0, 100, 20) (the rectangle is an out-parameter), MessageBoxA(null, "text",
// "caption", MB_ICONERROR), GetLastError(), FormatMessageA(4608, null, 87, 0, 256, null)
// (flags, source, message id, language, buffer size, arguments).
#include "trace/unimplemented.h"
#include "trace/trace_win32.h"
#include "win32/win32_internal.h"

#include <cstdio>
#include <cstring>
#include <map>

namespace platform::win32 {
namespace {

struct LastError {
    DWORD code = ERROR_SUCCESS;
    std::map<DWORD, std::string> reasons; // the layer's own text for codes it set with a reason
};
thread_local LastError last_error;

const char* system_text(DWORD code) {
    switch (code) {
    case ERROR_SUCCESS:
        return "The operation completed successfully.";
    case ERROR_INVALID_PARAMETER:
        return "The parameter is incorrect.";
    case ERROR_INSUFFICIENT_BUFFER:
        return "The data area passed to a system call is too small.";
    case ERROR_MR_MID_NOT_FOUND:
        return "The system cannot find message text for message number 0x%1 in the message file for %2.";
    case ERROR_NOACCESS:
        return "Invalid access to memory location.";
    case ERROR_INVALID_WINDOW_HANDLE:
        return "Invalid window handle.";
    case ERROR_CANNOT_FIND_WND_CLASS:
        return "Cannot find window class.";
    case ERROR_CLASS_ALREADY_EXISTS:
        return "Class already exists.";
    case ERROR_RESOURCE_NAME_NOT_FOUND:
        return "The specified resource name cannot be found in the image file.";
    case ERROR_DEVICE_NOT_AVAILABLE:
        return "The device is not connected.";
    default:
        return nullptr;
    }
}

} // namespace

void set_last_error(DWORD code, std::string reason) {
    last_error.code = code;
    if (!reason.empty())
        last_error.reasons[code] = std::move(reason);
    else
        last_error.reasons.erase(code);
}

} // namespace platform::win32

using namespace platform;

BOOL SetRect(LPRECT rect, int left, int top, int right, int bottom) {
    trace::call("SetRect", left, top, right, bottom);
    if (rect == nullptr)
        return FALSE;
    *rect = RECT{left, top, right, bottom};
    return TRUE;
}

int MessageBoxA(HWND window, LPCSTR text, LPCSTR caption, UINT type) {
    trace::call("MessageBoxA", window, text, caption, type);
    // Each line break (CR, LF or CR LF) becomes one space.
    std::string line;
    for (const char* p = text == nullptr ? "" : text; *p != '\0'; ++p) {
        if (*p == '\r' && p[1] == '\n')
            continue;
        line += (*p == '\r' || *p == '\n') ? ' ' : *p;
    }
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
    return IDOK;
}

DWORD GetLastError() {
    trace::call("GetLastError");
    return win32::last_error.code;
}

DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD message_id, DWORD language_id, LPSTR buffer,
                     DWORD size, void* arguments) {
    trace::call("FormatMessageA", flags, source, message_id, language_id, size, arguments);
    if (flags != (FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS))
        trace::report_unimplemented("FormatMessageA dwFlags", flags,
                                    "FORMAT_MESSAGE_FROM_SYSTEM|FORMAT_MESSAGE_IGNORE_INSERTS");
    std::string text;
    const auto& reasons = win32::last_error.reasons;
    if (const auto it = reasons.find(message_id); it != reasons.end()) {
        text = it->second + "\r\n";
    } else if (const char* known = win32::system_text(message_id)) {
        text = std::string(known) + "\r\n";
    } else {
        win32::set_last_error(ERROR_MR_MID_NOT_FOUND, {});
        return 0;
    }
    if (buffer == nullptr || text.size() + 1 > size) {
        win32::set_last_error(ERROR_INSUFFICIENT_BUFFER, {});
        return 0;
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}

// The X display side of the tests that run a real program (the viewer, or viewer.exe under Wine): find its
// window, read the window's position and size, send it keys and close requests, take screenshots. Maps onto
// the command-line tools xdotool, xwininfo and import (ImageMagick), and onto Xlib for the close request.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <sys/types.h>
#include <vector>

namespace support {

using WindowId = unsigned long;

inline constexpr const char* kViewerTitle = "Our First Direct3D Program";

// True when DISPLAY names a display that answers.
bool display_available();

// The visible windows titled exactly `title` that belong to process `pid`, as they are now.
std::vector<WindowId> visible_windows(pid_t pid, const std::string& title);

// The first visible window titled exactly `title` that belongs to process `pid`, waiting up to `timeout`.
std::optional<WindowId> wait_for_window(pid_t pid, const std::string& title,
                                        std::chrono::milliseconds timeout);

struct Geometry {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Geometry&) const = default;
};
// How a test failure shows one: "1024 x 768 at (0, 0)".
inline std::ostream& operator<<(std::ostream& out, const Geometry& g) {
    return out << g.width << " x " << g.height << " at (" << g.x << ", " << g.y << ")";
}

// The rectangle the viewer's window covers: 1024 x 768 from the top left corner of the screen.
inline constexpr Geometry kViewerWindow{0, 0, 1024, 768};

// The window's outer rectangle on the screen: the window itself plus any frame a window manager added.
std::optional<Geometry> outer_geometry(WindowId window);

// The window's own rectangle on the screen, without any frame: for a viewer window, its client area.
std::optional<Geometry> window_geometry(WindowId window);

// Gives the window the keyboard focus (brings it to the foreground), waiting until the server has done so.
bool focus(WindowId window);

// Gives the window the keyboard focus, then holds a key down (an xdotool key name such as "Escape" or
// "F8") until `answered` says the program has acted on it or `timeout` passes, and lets it go: true when the
// program answered. A person holds a key until something happens; a tap (press and release at once) can fall
// between two of the program's reads of the keyboard when a frame takes longer than the tap, and a program
// that ends on the press is gone before the tap's release arrives. A key reaches only the window with the
// focus, as on Windows: the layer drops one that arrives before the program's window has it, and a window
// just shown gets it a moment later (later still on a busy machine).
bool hold_key_until(WindowId window, const std::string& key, const std::function<bool()>& answered,
                    std::chrono::milliseconds timeout);

// Asks the window to close the way a window manager's close button does: a WM_DELETE_WINDOW client
// message. False when the window does not take part in that protocol or the display cannot be opened.
bool send_close_request(WindowId window);

// Asks the window manager to close the window, as its close button does (_NET_CLOSE_WINDOW to the root
// window; the window manager then sends the window WM_DELETE_WINDOW). False when no display can be opened.
bool close_through_window_manager(WindowId window);

// Saves the window's contents as an image file (format from the file name).
bool screenshot(WindowId window, const std::string& path);

} // namespace support

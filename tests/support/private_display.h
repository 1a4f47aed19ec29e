// A virtual X display of one test's own (Xvfb), with a window manager (openbox) on it when asked, for tests
// that change what a display holds for everyone: a window manager frames, minimises and closes windows.
// Maps onto the Xvfb and openbox programs, run as child processes and ended with the test.
#pragma once

#include "child_process.h"

#include <memory>
#include <string>

namespace support {

class PrivateDisplay {
  public:
    // Starts Xvfb (1280 x 1024 x 24) and, when asked, openbox on it, and waits (up to 20 s) until the server
    // answers and the window manager has taken charge. ready() tells whether all that happened.
    explicit PrivateDisplay(bool with_window_manager);
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;
    ~PrivateDisplay();

    bool ready() const {
        return error_.empty();
    }
    // Why the display is not ready, in one line.
    const std::string& error() const {
        return error_;
    }
    // ":7", the value for DISPLAY.
    const std::string& name() const {
        return name_;
    }
    // Makes it this process's DISPLAY, for the windows the test makes itself (before SDL starts) and for
    // the X tools it runs.
    void use_in_this_process() const;

  private:
    std::unique_ptr<ChildProcess> server_;
    std::unique_ptr<ChildProcess> window_manager_;
    std::string name_;
    std::string error_;
};

} // namespace support

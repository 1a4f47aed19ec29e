// A test's own virtual display, with or without a window manager (see private_display.h).
#include "private_display.h"

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

namespace support {
namespace {

using namespace std::chrono_literals;

template <typename Done> bool poll_until(Done done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

} // namespace

PrivateDisplay::PrivateDisplay(bool with_window_manager) {
    // Xvfb picks a free display number itself and writes it on its standard output.
    server_ =
        std::make_unique<ChildProcess>(std::vector<std::string>{"Xvfb", "-displayfd", "1", "-screen", "0",
                                                                "1280x1024x24", "-nolisten", "tcp"},
                                       ".");
    const bool numbered = poll_until(
        [this] { return !server_->running() || server_->stdout_text().find('\n') != std::string::npos; },
        20s);
    const std::string number = server_->stdout_text().substr(0, server_->stdout_text().find('\n'));
    if (!numbered || number.empty()) {
        error_ = "Xvfb did not start: " + server_->stderr_text();
        return;
    }
    name_ = ":" + number;
    if (!with_window_manager) {
        return;
    }
    const EnvChanges env{{"DISPLAY", name_}};
    // A window manager announces itself on the root window once it manages the screen.
    const std::string check =
        "DISPLAY=" + shell_quote(name_) + " timeout 5 xprop -root _NET_SUPPORTING_WM_CHECK 2>&1";
    // On a busy machine openbox now and then ends at once with code 1 and not a word: it is started again,
    // up to three times; one that is only slow is given its 20 s.
    for (int attempt = 1; attempt <= 3; ++attempt) {
        window_manager_ =
            std::make_unique<ChildProcess>(std::vector<std::string>{"openbox", "--sm-disable"}, ".", env);
        const bool managing = poll_until(
            [&] {
                return !window_manager_->running() ||
                       run_command(check).output.find("window id") != std::string::npos;
            },
            20s);
        if (managing && window_manager_->running()) {
            error_.clear();
            return;
        }
        // Whether it ended, and how, tells a window manager that failed from one that was slow to start.
        const std::optional<int> ended = window_manager_->wait_for_exit(0ms);
        error_ = "openbox did not take charge of " + name_ + " (" +
                 (ended ? "it ended with code " + std::to_string(*ended) : std::string("still starting")) +
                 ", attempt " + std::to_string(attempt) + " of 3): " + window_manager_->stderr_text();
        if (!ended)
            return;
    }
}

PrivateDisplay::~PrivateDisplay() {
    if (window_manager_ != nullptr) {
        window_manager_->stop(2s);
    }
    if (server_ != nullptr) {
        server_->stop(2s);
    }
}

void PrivateDisplay::use_in_this_process() const {
    setenv("DISPLAY", name_.c_str(), 1);
}

} // namespace support

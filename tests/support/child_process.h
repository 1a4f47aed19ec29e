// Runs another program from a test: the real viewer binary, or a command-line tool. Maps onto POSIX
// fork/exec/waitpid; the child's standard output and error go to temporary files that the test can read.
#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace support {

// What to change in the child's environment: a value sets the variable, nullopt removes it.
using EnvChanges = std::map<std::string, std::optional<std::string>>;

class ChildProcess {
  public:
    // Starts argv[0] (searched in PATH when it has no slash) in the directory `cwd`.
    ChildProcess(const std::vector<std::string>& argv, const std::string& cwd, const EnvChanges& env = {});
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    // A child still running when the test ends is killed, so no test leaves a process behind.
    ~ChildProcess();

    pid_t pid() const {
        return pid_;
    }
    bool running();
    // The exit code, or 128 + the signal number when a signal ended it; nullopt when it is still
    // running after `timeout`.
    std::optional<int> wait_for_exit(std::chrono::milliseconds timeout);
    void kill_now();
    // Asks the child to end (SIGTERM), as a server is best ended so that it cleans up after itself, and
    // kills it when it is still running after `grace`.
    void stop(std::chrono::milliseconds grace);

    std::string stdout_text() const;
    std::string stderr_text() const;

  private:
    pid_t pid_ = -1;
    std::optional<int> exit_code_;
    std::string stdout_path_;
    std::string stderr_path_;
};

struct CommandResult {
    int exit_code = -1;
    std::string output; // standard output only
};

// Runs a shell command to completion and returns its exit code and standard output.
CommandResult run_command(const std::string& command);

// Quotes one argument for the shell.
std::string shell_quote(const std::string& text);

} // namespace support

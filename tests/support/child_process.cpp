// Child processes for tests (see child_process.h): fork, chdir, environment changes and exec; waitpid
// polled against a deadline; output captured in temporary files.
#include "child_process.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace support {

namespace {

std::string make_temp_file(const char* tag) {
    std::string path = std::string(P_tmpdir) + "/viewer-test-" + tag + "-XXXXXX";
    const int fd = mkstemp(path.data());
    if (fd < 0) {
        throw std::runtime_error("cannot create a temporary file");
    }
    close(fd);
    return path;
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int decode_status(int status) {
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    if (WIFSIGNALED(status)) {
        return 128 + WTERMSIG(status);
    }
    return -1;
}

} // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::string& cwd,
                           const EnvChanges& env)
    : stdout_path_(make_temp_file("out")), stderr_path_(make_temp_file("err")) {
    if (argv.empty()) {
        throw std::invalid_argument("ChildProcess needs a program");
    }
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);

    pid_ = fork();
    if (pid_ < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid_ == 0) {
        // In the child (the test process has a single thread, so changing the environment here is safe):
        // redirect, change directory, adjust the environment, exec.
        const int out = open(stdout_path_.c_str(), O_WRONLY | O_TRUNC);
        const int err = open(stderr_path_.c_str(), O_WRONLY | O_TRUNC);
        const int in = open("/dev/null", O_RDONLY);
        if (out < 0 || err < 0 || in < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) {
            _exit(126);
        }
        if (chdir(cwd.c_str()) != 0) {
            dprintf(2, "cannot change to %s\n", cwd.c_str());
            _exit(126);
        }
        for (const auto& [name, value] : env) {
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
        execvp(args[0], args.data());
        dprintf(2, "cannot run %s\n", args[0]);
        _exit(127);
    }
}

ChildProcess::~ChildProcess() {
    kill_now();
    std::remove(stdout_path_.c_str());
    std::remove(stderr_path_.c_str());
}

bool ChildProcess::running() {
    if (exit_code_) {
        return false;
    }
    int status = 0;
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
        exit_code_ = decode_status(status);
        return false;
    }
    return done == 0;
}

std::optional<int> ChildProcess::wait_for_exit(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (running()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return exit_code_;
}

void ChildProcess::kill_now() {
    if (pid_ > 0 && running()) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        if (waitpid(pid_, &status, 0) == pid_) {
            exit_code_ = decode_status(status);
        }
    }
}

void ChildProcess::stop(std::chrono::milliseconds grace) {
    if (pid_ > 0 && running()) {
        ::kill(pid_, SIGTERM);
        if (!wait_for_exit(grace)) {
            kill_now();
        }
    }
}

std::string ChildProcess::stdout_text() const {
    return read_file(stdout_path_);
}

std::string ChildProcess::stderr_text() const {
    return read_file(stderr_path_);
}

CommandResult run_command(const std::string& command) {
    CommandResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    char buffer[4096];
    size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        result.output.append(buffer, n);
    }
    result.exit_code = decode_status(pclose(pipe));
    return result;
}

std::string shell_quote(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

} // namespace support

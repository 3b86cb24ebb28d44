#include "Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace faults {

std::vector<std::string> TRunResult::Lines() const {
    std::vector<std::string> lines;
    std::istringstream in(Output);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

pid_t StartHelper(const std::vector<std::string>& args, const std::string& config, int stdinFd,
                  int stdoutFd) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        if (std::strncmp(*e, "XDG_CONFIG_HOME=", 16) != 0) {
            env.emplace_back(*e);
        }
    }
    env.push_back("XDG_CONFIG_HOME=" + config);
    std::vector<char*> argv;
    std::vector<char*> envp;
    argv.push_back(const_cast<char*>(PELWICK_FAULT_HELPER));
    for (const auto& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    for (auto& e : env) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid < 0) {
        throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    }
    if (pid == 0) {
        const int in = stdinFd >= 0 ? stdinFd : ::open("/dev/null", O_RDONLY);
        ::dup2(in, 0);
        if (stdoutFd >= 0) {
            ::dup2(stdoutFd, 1);
        }
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    return pid;
}

TRunResult WaitFor(pid_t pid, int stdoutFd, std::chrono::milliseconds timeout) {
    TRunResult r;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int status = 0;
    bool exited = false;
    while (!exited) {
        if (stdoutFd >= 0) {
            pollfd p{stdoutFd, POLLIN, 0};
            if (::poll(&p, 1, 10) > 0) {
                char buf[4096];
                const ssize_t n = ::read(stdoutFd, buf, sizeof buf);
                if (n > 0) {
                    r.Output.append(buf, static_cast<std::size_t>(n));
                    continue;
                }
            }
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        const pid_t w = ::waitpid(pid, &status, WNOHANG);
        if (w == pid) {
            exited = true;
        } else if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            r.TimedOut = true;
            exited = true;
        }
    }
    if (stdoutFd >= 0) {
        // What is still in the pipe after the exit.
        ::fcntl(stdoutFd, F_SETFL, O_NONBLOCK);
        char buf[4096];
        ssize_t n = 0;
        while ((n = ::read(stdoutFd, buf, sizeof buf)) > 0) {
            r.Output.append(buf, static_cast<std::size_t>(n));
        }
    }
    if (WIFEXITED(status)) {
        r.ExitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        r.Signal = WTERMSIG(status);
    }
    return r;
}

TRunResult RunHelper(const std::vector<std::string>& args, const std::string& config,
                     std::chrono::milliseconds timeout, const std::string& input) {
    int out[2];
    int in[2] = {-1, -1};
    if (::pipe2(out, O_CLOEXEC) != 0 || (!input.empty() && ::pipe2(in, O_CLOEXEC) != 0)) {
        throw std::runtime_error("pipe");
    }
    // Small enough for the pipe's buffer: written before the helper reads.
    if (!input.empty() &&
        ::write(in[1], input.data(), input.size()) != static_cast<ssize_t>(input.size())) {
        throw std::runtime_error("write");
    }
    ::close(in[1]);
    const pid_t pid = StartHelper(args, config, in[0], out[1]);
    ::close(in[0]);
    ::close(out[1]);
    TRunResult r = WaitFor(pid, out[0], timeout);
    ::close(out[0]);
    return r;
}

TTempFolder::TTempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/pelwick-faults-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        throw std::runtime_error("mkdtemp: " + pattern);
    }
    path_ = pattern;
    ::chmod(path_.c_str(), 0755); // a helper running as another user must reach inside
}

TTempFolder::~TTempFolder() {
    std::error_code ignored;
    // Folders that a case made read-only must be opened up again to be emptied.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        ::chmod(it->path().c_str(), 0700);
    }
    std::filesystem::remove_all(path_, ignored);
}

std::map<std::string, std::string> Snapshot(const std::string& folder) {
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        files[entry.path().filename().string()] =
            entry.is_regular_file() ? ReadFile(entry.path().string()) : "(not a file)";
    }
    return files;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace faults

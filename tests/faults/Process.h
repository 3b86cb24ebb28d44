#pragma once

// Real processes for the fault tests: the helper program started with its own hive folder,
// private temporary folders, and snapshots of a folder's files.

#include <sys/types.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace faults {

struct TRunResult {
    int ExitCode = -1; // -1 when it did not exit normally
    int Signal = 0;
    bool TimedOut = false;
    std::string Output; // stdout
    std::vector<std::string> Lines() const;
};

// Starts the helper with XDG_CONFIG_HOME = config; stdin from stdinFd (or /dev/null when -1),
// stdout to stdoutFd (or inherited when -1).
pid_t StartHelper(const std::vector<std::string>& args, const std::string& config, int stdinFd = -1,
                  int stdoutFd = -1);

// Runs the helper to its end, killing it after the timeout; stdin gives `input`, then ends.
TRunResult RunHelper(const std::vector<std::string>& args, const std::string& config,
                     std::chrono::milliseconds timeout = std::chrono::seconds(30),
                     const std::string& input = "");

// Waits for a started process, killing it after the timeout.
TRunResult WaitFor(pid_t pid, int stdoutFd, std::chrono::milliseconds timeout);

// A fresh folder under $TMPDIR (or /tmp) that everyone may enter, removed with its contents.
class TTempFolder {
public:
    TTempFolder();
    ~TTempFolder();
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// Every regular file directly in a folder with its bytes.
std::map<std::string, std::string> Snapshot(const std::string& folder);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

} // namespace faults

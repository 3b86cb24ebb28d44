#include "app/Autostart.h"

#include "app/DesktopEntry.h"
#include "runtime/Exceptions.h"
#include "runtime/Text.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

const bool AutostartAtFirstSetup = true;

namespace {

// $XDG_CONFIG_HOME/autostart, or ~/.config/autostart where it is unset, empty or relative.
std::string AutostartFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') {
        return std::string(config) + "/autostart";
    }
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.config/autostart";
}

std::string EntryPath() {
    return AutostartFolder() + "/de.korvenda.Pelwick.desktop";
}

[[noreturn]] void RaiseChangeFailure(const std::string& path, int error) {
    throw Exception(u"Der Start bei der Anmeldung lie\u00DF sich nicht \u00E4ndern: " +
                    FromUtf8(path) + u"\n" + FromUtf8(std::strerror(error)));
}

std::string RunningProgram() {
    char path[4096];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) {
        RaiseChangeFailure("/proc/self/exe", errno);
    }
    return std::string(path, static_cast<std::size_t>(length));
}

// Each folder of the path that is missing, private to the user as the XDG specification asks.
int MakeFolders(const std::string& folder) {
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            return errno;
        }
        if (slash == std::string::npos) {
            return 0;
        }
    }
}

} // namespace

TAutostartEntry ReadAutostart() {
    std::ifstream file(EntryPath(), std::ios::binary);
    if (!file) {
        return {};
    }
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    return {true, AutostartEntryEnabled(text)};
}

void WriteAutostart(bool on) {
    const std::string path = EntryPath();
    if (!on) {
        if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
            RaiseChangeFailure(path, errno);
        }
        return;
    }
    const std::string text = AutostartEntryText(DesktopEntryText, RunningProgram());
    if (const int error = MakeFolders(AutostartFolder()); error != 0) {
        RaiseChangeFailure(path, error);
    }
    // Written beside it and renamed over it: a session that starts meanwhile reads a whole
    // entry or the one before.
    const std::string temporary = path + ".new";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        RaiseChangeFailure(path, errno);
    }
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    const int writeError = errno;
    if (::close(fd) != 0 || !written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = written ? errno : writeError;
        ::unlink(temporary.c_str());
        RaiseChangeFailure(path, error);
    }
}

#include "TestHive.h"

#include "registry/RegistryApi.h"
#include "registry/SqliteHive.h"

#include <gtest/gtest.h>

#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

// A new folder below the test's private HOME for every hive.
std::filesystem::path NextFolder() {
    static int counter = 0;
    const char* home = std::getenv("HOME");
    EXPECT_NE(home, nullptr);
    auto dir = std::filesystem::path(home ? home : "/tmp") /
               ("hive-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

void UseConfigFolder(const std::filesystem::path& dir) {
    ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    SqliteHiveDisconnect();
}

bool DropFileOverride() {
    if (::geteuid() != 0) {
        return true;
    }
    // Root writes to read-only files. In a user namespace of its own the process keeps owning
    // its files but loses that override, as an ordinary user has it.
    return ::unshare(CLONE_NEWUSER) == 0;
}

} // namespace

void UseFreshHive() {
    UseConfigFolder(NextFolder());
}

bool BlockKeyCreation() {
    // The hive's folder cannot be made where a file of its name is; this holds for root too.
    const auto dir = NextFolder();
    std::ofstream(dir / "pelwick") << "not a folder";
    UseConfigFolder(dir);
    return true;
}

bool MakeKeyReadOnly() {
    using namespace RegistryApi;
    HKEY key = 0;
    DWORD disposition = 0;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Korvenda\\Pelwick", 0, nullptr, 0,
                        KEY_ALL_ACCESS, nullptr, &key, &disposition) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    if (!DropFileOverride()) {
        return false;
    }
    const std::filesystem::path file = SqliteHivePath();
    return ::chmod(file.c_str(), 0400) == 0 && ::chmod(file.parent_path().c_str(), 0500) == 0;
}

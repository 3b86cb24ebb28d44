#include "TestHive.h"

#include "registry/SqliteHive.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

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

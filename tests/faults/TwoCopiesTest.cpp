// Two running copies of the program on one hive, from the very first start: each writes its
// own value and reads it back and reads the other's, round after round. No operation may fail
// on the other copy's lock, no write may be lost, and the other copy's value only moves on.

#include "Hive.h"
#include "Process.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>

using namespace faults;
using namespace std::chrono_literals;

TEST(TwoCopies, NeitherFailsOnTheLockNorLosesAWrite) {
    constexpr int Rounds = 1000;
    TTempFolder tmp;
    const std::string config = tmp.Path() + "/config";

    int go[2][2];
    int out[2][2];
    pid_t pid[2];
    for (int id = 0; id < 2; ++id) {
        ASSERT_EQ(::pipe2(go[id], O_CLOEXEC), 0);
        ASSERT_EQ(::pipe2(out[id], O_CLOEXEC), 0);
        pid[id] = StartHelper({"pingpong", std::to_string(id), std::to_string(Rounds)}, config,
                              go[id][0], out[id][1]);
        ::close(go[id][0]);
        ::close(out[id][1]);
    }
    // Both start at once, so that even the creation of the hive is contended.
    for (int id = 0; id < 2; ++id) {
        ASSERT_EQ(::write(go[id][1], "g", 1), 1);
        ::close(go[id][1]);
    }
    const auto start = std::chrono::steady_clock::now();
    TRunResult result[2];
    for (int id = 0; id < 2; ++id) {
        result[id] = WaitFor(pid[id], out[id][0], 150s);
        ::close(out[id][0]);
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    for (int id = 0; id < 2; ++id) {
        EXPECT_FALSE(result[id].TimedOut) << "copy " << id;
        EXPECT_EQ(result[id].ExitCode, 0) << "copy " << id << ": " << result[id].Output;
        std::printf("%s", result[id].Output.c_str());
    }
    std::printf("both copies done in %.1f s\n", took.count());

    const TRunResult final = RunHelper({"ops", "get:CigConsQty", "get:CigBoxQty"}, config);
    EXPECT_EQ(final.Lines(),
              (std::vector<std::string>{"CigConsQty=1000", "CigBoxQty=1000", "done"}));
    EXPECT_EQ(Sql(HiveFile(config), "PRAGMA integrity_check"), std::vector<std::string>{"ok"});
}

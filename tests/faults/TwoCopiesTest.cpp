// Two running copies of the program on one hive, from the very first start: each writes its
// own value and reads it back and reads the other's, round after round. No operation may fail
// on the other copy's lock, no write may be lost, and the other copy's value only moves on.

#include "Hive.h"
#include "Process.h"

#include "conversions/Clock.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

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

namespace {

// Reads the helper's output until a whole line `line` has come.
std::string ReadUntil(int fd, const std::string& line) {
    std::string seen;
    char c = 0;
    while (seen.find(line + "\n") == std::string::npos && ::read(fd, &c, 1) == 1) {
        seen += c;
    }
    return seen;
}

} // namespace

// Two copies with "Dein Fortschritt" open on one store, the relapse's question in both, answered
// "Ja" seconds apart and at the same moment: the attempt is kept once, with the totals it
// reached, never a second one from where the first ended.
TEST(TwoCopies, ARelapseAnsweredInBothIsKeptOnce) {
    constexpr int Rounds = 20;
    for (const auto apart : {1500ms, 0ms}) {
        for (int round = 0; round < Rounds; ++round) {
            SCOPED_TRACE("answered " + std::to_string(apart.count()) + " ms apart, round " +
                         std::to_string(round));
            TTempFolder tmp;
            const std::string config = tmp.Path() + "/config";
            char stop[40];
            std::snprintf(stop, sizeof stop, "%.9f", CurrentDateTime() - 30);
            ASSERT_EQ(
                RunHelper({"ops", "set:CigConsQty=20", "set:CigBoxPrice=6.5", "set:CigBoxQty=20",
                           std::string("set:UserStopTime=") + stop, "set:SetupCompl=1"},
                          config)
                    .ExitCode,
                0);
            int answer[2][2];
            int out[2][2];
            pid_t pid[2];
            std::string said[2];
            for (int id = 0; id < 2; ++id) {
                ASSERT_EQ(::pipe2(answer[id], O_CLOEXEC), 0);
                ASSERT_EQ(::pipe2(out[id], O_CLOEXEC), 0);
                pid[id] = StartHelper({"relapse"}, config, answer[id][0], out[id][1]);
                ::close(answer[id][0]);
                ::close(out[id][1]);
                said[id] = ReadUntil(out[id][0], "asked");
            }
            for (int id = 0; id < 2; ++id) {
                ASSERT_EQ(::write(answer[id][1], "j", 1), 1);
                ::close(answer[id][1]);
                std::this_thread::sleep_for(id == 0 ? apart : 0ms);
            }
            for (int id = 0; id < 2; ++id) {
                said[id] += WaitFor(pid[id], out[id][0], 30s).Output;
                ::close(out[id][0]);
            }
            const std::vector<std::string> kept = RunHelper({"ops", "history"}, config).Lines();
            ASSERT_FALSE(kept.empty());
            double start = 0;
            double end = 0;
            double cigarettes = 0;
            char rest = 0;
            ASSERT_EQ(std::sscanf(kept[0].c_str(), "history=0 %lf..%lf:%lf%c", &start, &end,
                                  &cigarettes, &rest),
                      3)
                << kept[0] << "\n"
                << said[0] << said[1];
            EXPECT_DOUBLE_EQ(start, std::strtod(stop, nullptr));
            EXPECT_NEAR(cigarettes, 600, 1) << "30 days at 20 a day";
            if (apart > 0ms) {
                EXPECT_NE(said[1].find("note:Dieser Versuch ist schon im Verlauf"),
                          std::string::npos)
                    << said[1];
            }
        }
    }
}

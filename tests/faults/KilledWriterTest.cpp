// A writer that is killed with SIGKILL at random moments, most of them in the middle of a
// write: afterwards the hive is intact and every value is either what it was before the write
// or what the write stored.

#include "Generation.h"
#include "Hive.h"
#include "Process.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <random>
#include <sstream>
#include <thread>

using namespace faults;
using namespace std::chrono_literals;

namespace {

constexpr int Kills = 200;
constexpr auto Budget = 90s; // typically 5 to 15 s; slow machines and sanitizers need more

struct TSharedProgress {
    explicit TSharedProgress(const std::string& file) {
        WriteFile(file, std::string(sizeof(TProgress), '\0'));
        const int fd = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
        map_ = ::mmap(nullptr, sizeof(TProgress), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        ::close(fd);
    }
    ~TSharedProgress() { ::munmap(map_, sizeof(TProgress)); }
    TProgress* operator->() const { return static_cast<TProgress*>(map_); }
    std::uint64_t Started() const { return std::atomic_ref((*this)->Started).load(); }
    std::uint64_t Finished() const { return std::atomic_ref((*this)->Finished).load(); }
    void Reset() const {
        std::atomic_ref((*this)->Started).store(0);
        std::atomic_ref((*this)->Finished).store(0);
    }
    void* map_;
};

} // namespace

TEST(KilledWriter, LeavesEveryValueAtItsPreviousOrItsNewValue) {
    TTempFolder tmp;
    const std::string config = tmp.Path() + "/config";
    const std::string progressFile = tmp.Path() + "/progress";
    TSharedProgress progress(progressFile);
    ASSERT_NE(progress.map_, MAP_FAILED);

    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    RecordProperty("seed", static_cast<int>(seed));
    std::array<std::int64_t, ValueCount> known{}; // the generation each value holds; 0: default
    std::int64_t nextGeneration = 1;
    int midWrite = 0;
    const auto start = std::chrono::steady_clock::now();

    for (int kill = 0; kill < Kills; ++kill) {
        ASSERT_LT(std::chrono::steady_clock::now() - start, Budget)
            << "only " << kill << " kills in the time budget";
        progress.Reset();
        const pid_t pid =
            StartHelper({"writer", progressFile, std::to_string(nextGeneration)}, config);
        if (random() % 8 == 0) {
            // Anywhere, start-up and the first creation of the hive included.
            std::this_thread::sleep_for(std::chrono::microseconds(random() % 15000));
        } else {
            const auto waitStart = std::chrono::steady_clock::now();
            while (progress.Finished() == 0 && std::chrono::steady_clock::now() - waitStart < 5s) {
                std::this_thread::sleep_for(100us);
            }
            std::this_thread::sleep_for(std::chrono::microseconds(random() % 4000));
        }
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended by itself, status " << status;

        // The writes that finished, and the one that may have been cut off.
        const std::uint64_t started = progress.Started();
        const std::uint64_t finished = progress.Finished();
        const auto firstSeq = static_cast<std::uint64_t>(nextGeneration * ValueCount);
        for (std::uint64_t seq = firstSeq; seq < finished; ++seq) {
            known[seq % ValueCount] = static_cast<std::int64_t>(seq / ValueCount);
        }
        int cutValue = -1;
        std::int64_t cutGeneration = 0;
        if (started > finished) {
            ++midWrite;
            cutValue = static_cast<int>((started - 1) % ValueCount);
            cutGeneration = static_cast<std::int64_t>((started - 1) / ValueCount);
        }

        std::vector<std::string> ops = GetAllOps();
        ops.insert(ops.begin(), "ops");
        const TRunResult read = RunHelper(ops, config);
        ASSERT_EQ(read.ExitCode, 0) << "kill " << kill << ": reader failed: " << read.Output;
        TValues values;
        std::string error;
        ASSERT_TRUE(ParseValues(read.Lines(), values, error))
            << "kill " << kill << ": " << error << "\n"
            << read.Output;
        for (int k = 0; k < ValueCount; ++k) {
            if (SameValue(values, k, known[k])) {
                continue;
            }
            ASSERT_TRUE(k == cutValue && SameValue(values, k, cutGeneration))
                << "kill " << kill << " (seed " << seed << "): value " << GetAllOps()[k]
                << " is neither generation " << known[k]
                << (k == cutValue ? " nor " + std::to_string(cutGeneration) : std::string()) << "\n"
                << read.Output;
            known[k] = cutGeneration;
        }
        struct stat st {};
        if (::stat(HiveFile(config).c_str(), &st) == 0) {
            const auto check = Sql(HiveFile(config), "PRAGMA integrity_check");
            ASSERT_EQ(check, std::vector<std::string>{"ok"}) << "kill " << kill;
        }
        if (started > 0) {
            nextGeneration = static_cast<std::int64_t>((started - 1) / ValueCount) + 1;
        }
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("%d kills, %d in the middle of a write, %lld generations, %.1f s\n", Kills,
                midWrite, static_cast<long long>(nextGeneration - 1), took.count());
    RecordProperty("mid_write_kills", midWrite);
    // Most kills must land inside a write, or the test proves little.
    EXPECT_GT(midWrite, Kills / 2);
}

// The relapse's two writes (the attempt, then the new stop moment), killed anywhere, most often
// between or inside them: the hive stays intact, and after the next relapse the history holds
// no attempt twice and none overlapping another.
TEST(KilledWriter, ARelapseCutOffAnywhereLeavesNoOverlapAfterTheNext) {
    constexpr int RelapseKills = 60;
    TTempFolder tmp;
    const std::string config = tmp.Path() + "/config";
    const std::string progressFile = tmp.Path() + "/progress";
    TSharedProgress progress(progressFile);
    ASSERT_NE(progress.map_, MAP_FAILED);
    ASSERT_EQ(RunHelper({"ops", "set:UserStopTime=45000"}, config).ExitCode, 0);
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    int between = 0;
    for (int kill = 0; kill < RelapseKills; ++kill) {
        progress.Reset();
        const pid_t pid = StartHelper({"relapser", progressFile}, config);
        const auto waitStart = std::chrono::steady_clock::now();
        while (progress.Finished() == 0 && std::chrono::steady_clock::now() - waitStart < 5s) {
            std::this_thread::sleep_for(100us);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 4000));
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        // An odd count of finished writes: the attempt is kept, the stop moment not yet moved.
        between += progress.Finished() % 2 == 1 ? 1 : 0;
        ASSERT_EQ(Sql(HiveFile(config), "PRAGMA integrity_check"), std::vector<std::string>{"ok"})
            << "kill " << kill << " (seed " << seed << ")";

        const std::vector<std::string> after =
            RunHelper({"ops", "relapse-step", "history"}, config).Lines();
        ASSERT_EQ(after.size(), 3u);
        ASSERT_EQ(after[0], "relapse:=ok");
        std::istringstream attempts(after[1].substr(after[1].find(' ') + 1));
        std::string attempt;
        double lastEnd = -1e300;
        while (attempts >> attempt) {
            const double start = std::stod(attempt);
            const double end = std::stod(attempt.substr(attempt.find("..") + 2));
            ASSERT_GE(start, lastEnd) << "kill " << kill << " (seed " << seed << "): " << after[1];
            lastEnd = end;
        }
    }
    std::printf("%d relapses killed, %d between their two writes\n", RelapseKills, between);
    EXPECT_GT(between, 0);
}

// A second program over the settings store, driven by the fault tests as a real process:
//
//   FaultHelper [--as-nobody] [--fsize=<bytes>] [--timed] [--usage] [--trace-sync] ops <op>...
//       get:<Name> or set:<Name>=<value>, one output line each ("<Name>=<value>",
//       "<Name>:=ok" or "<Name>!<class>:<message>"), then "done". Failures do not end it.
//       --timed ends each line with " @<milliseconds>" that the operation took; --usage adds
//       "usage:<milliseconds of all operations>:<peak resident kB of this program>" after
//       "done";
//       --trace-sync prints "unlink <path>" and "syncdir <path>" for each file the hive removes
//       and each folder it opens to sync, as they happen.
//       "history" reports the kept attempts ("history=<unreadable>" and " <start>..<end>:<cigs>"
//       each, oldest first); "relapse-step" keeps the attempt since the stop moment and moves
//       the stop moment an hour on, the relapse's two writes; "check" runs the start's look at
//       the hive file ("check=<state>:<message>").
//   FaultHelper relapse
//       "Dein Fortschritt"'s relapse: prints "asked" at the question, answers "Ja" once a byte
//       arrives on stdin, prints each note ("note:<text>"), then "done".
//   FaultHelper relapser <progress file>
//       relapse steps until it is killed, counting each of their writes in the progress file.
//   FaultHelper writer <progress file> <first generation>
//       writes all seven values, generation after generation, until it is killed.
//   FaultHelper pingpong <0|1> <rounds>
//       after one byte on stdin: writes its own value, reads it back and reads the other
//       copy's value, round after round; exit 1 with the reason on the first fault.
//   FaultHelper names <id> <rounds>
//       after one byte on stdin: writes UserName at a length that changes every round and
//       reads it, round after round; every read must be one whole text that some copy wrote
//       (its own letter repeated); exit 1 with the reason on the first fault.
//
// The environment's XDG_CONFIG_HOME chooses the hive.

#include "FakeViews.h"
#include "Generation.h"

#include "Unitsetting.h"
#include "app/Progress.h"
#include "app/Ticker.h"
#include "conversions/StartupSettings.h"
#include "registry/StoreFile.h"
#include "runtime/Exceptions.h"
#include "runtime/Text.h"

#include <cxxabi.h>
#include <fcntl.h>
#include <grp.h>
#include <sqlite3.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <typeinfo>

namespace {

std::string ClassName(const std::exception& e) {
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> name(
        abi::__cxa_demangle(typeid(e).name(), nullptr, nullptr, &status), &std::free);
    return status == 0 && name ? name.get() : typeid(e).name();
}

std::string Hex(double x) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%a", x);
    return buf;
}

std::string History(TSetting& s) {
    const TQuitHistory history = s.GetQuitHistory();
    std::string line = "history=" + std::to_string(history.Unreadable);
    for (auto a = history.Attempts.rbegin(); a != history.Attempts.rend(); ++a) {
        char text[96];
        std::snprintf(text, sizeof text, " %.9f..%.9f:%g", a->Start, a->End,
                      static_cast<double>(a->CigarettesNotSmoked));
        line += text;
    }
    return line;
}

// The relapse's two writes, an hour after the stop moment.
void RelapseStep(TSetting& s) {
    const TDateTime stop = s.GetUserStopTime();
    s.AddQuitAttempt({stop, stop + 1.0 / 24, 1, 1});
    s.SetUserStopTime(stop + 1.0 / 24);
}

// One get or set through the store's getters and setters, reported on one line.
std::string Run(TSetting& s, const std::string& op) {
    if (op == "history") {
        return History(s);
    }
    if (op == "relapse-step") {
        try {
            RelapseStep(s);
            return "relapse:=ok";
        } catch (const std::exception& e) {
            return "relapse!" + ClassName(e) + ":" + e.what();
        }
    }
    if (op == "check") {
        const TStoreCheck check = CheckStoreFile();
        return "check=" + std::to_string(static_cast<int>(check.State)) + ":" +
               ToUtf8(check.Message);
    }
    const bool isSet = op.rfind("set:", 0) == 0;
    if (!isSet && op.rfind("get:", 0) != 0) {
        return "?" + op;
    }
    const std::size_t eq = op.find('=');
    const std::string name = op.substr(4, isSet ? eq - 4 : std::string::npos);
    const std::string arg = isSet && eq != std::string::npos ? op.substr(eq + 1) : "";
    try {
        if (name == "CigConsQty" || name == "CigBoxQty") {
            const bool cons = name == "CigConsQty";
            if (isSet) {
                const auto v = static_cast<std::int32_t>(std::stol(arg));
                cons ? s.SetCigConsQty(v) : s.SetCigBoxQty(v);
            } else {
                return name + "=" + std::to_string(cons ? s.GetCigConsQty() : s.GetCigBoxQty());
            }
        } else if (name == "CigBoxPrice") {
            if (isSet) {
                s.SetCigBoxPrice(std::strtof(arg.c_str(), nullptr));
            } else {
                return name + "=" + Hex(s.GetCigBoxPrice());
            }
        } else if (name == "UserStopTime") {
            if (isSet) {
                s.SetUserStopTime(std::strtod(arg.c_str(), nullptr));
            } else {
                return name + "=" + Hex(s.GetUserStopTime());
            }
        } else if (name == "UserName" || name == "UserDOB") {
            const bool user = name == "UserName";
            if (isSet) {
                user ? s.SetUserName(FromUtf8(arg)) : s.SetUserDOB(FromUtf8(arg));
            } else {
                return name + "=" + ToUtf8(user ? s.GetUserName() : s.GetUserDOB());
            }
        } else if (name == "SetupCompl") {
            if (isSet) {
                s.SetSetupCompl(arg == "1");
            } else {
                return name + "=" + (s.GetSetupCompl() ? "1" : "0");
            }
        } else {
            return "?" + op;
        }
        return name + ":=ok";
    } catch (const std::exception& e) {
        return name + "!" + ClassName(e) + ":" + e.what();
    }
}

bool Timed = false;
bool Usage = false;

int Ops(int argc, char** argv) {
    using TClock = std::chrono::steady_clock;
    TSetting s;
    std::chrono::duration<double, std::milli> total{0};
    for (int i = 0; i < argc; ++i) {
        const auto begin = TClock::now();
        const std::string line = Run(s, argv[i]);
        const std::chrono::duration<double, std::milli> took = TClock::now() - begin;
        total += took;
        if (Timed) {
            std::printf("%s @%.0f\n", line.c_str(), took.count());
        } else {
            std::printf("%s\n", line.c_str());
        }
        std::fflush(stdout);
    }
    std::printf("done\n");
    if (Usage) {
        // The peak of this program's own memory: VmHWM starts afresh at exec, where ru_maxrss
        // would carry over the peak of the process that started it.
        long peak = -1;
        if (std::FILE* status = std::fopen("/proc/self/status", "r")) {
            char line[256];
            while (std::fgets(line, sizeof line, status)) {
                if (std::sscanf(line, "VmHWM: %ld kB", &peak) == 1) {
                    break;
                }
            }
            std::fclose(status);
        }
        std::printf("usage:%.0f:%ld\n", total.count(), peak);
    }
    return 0;
}

// The unix VFS's own calls, wrapped to report what the hive removes and which folders it syncs.
sqlite3_syscall_ptr RealUnlink = nullptr;
sqlite3_syscall_ptr RealOpenDirectory = nullptr;

int TracedUnlink(const char* path) {
    std::printf("unlink %s\n", path);
    return reinterpret_cast<int (*)(const char*)>(RealUnlink)(path);
}

int TracedOpenDirectory(const char* path, int* fd) {
    std::printf("syncdir %s\n", path);
    return reinterpret_cast<int (*)(const char*, int*)>(RealOpenDirectory)(path, fd);
}

bool TraceSync() {
    sqlite3_initialize();
    sqlite3_vfs* vfs = sqlite3_vfs_find(nullptr);
    if (!vfs || vfs->iVersion < 3 || !vfs->xGetSystemCall || !vfs->xSetSystemCall) {
        return false;
    }
    RealUnlink = vfs->xGetSystemCall(vfs, "unlink");
    RealOpenDirectory = vfs->xGetSystemCall(vfs, "openDirectory");
    return RealUnlink && RealOpenDirectory &&
           vfs->xSetSystemCall(vfs, "unlink",
                               reinterpret_cast<sqlite3_syscall_ptr>(TracedUnlink)) == SQLITE_OK &&
           vfs->xSetSystemCall(vfs, "openDirectory",
                               reinterpret_cast<sqlite3_syscall_ptr>(TracedOpenDirectory)) ==
               SQLITE_OK;
}

// The progress file shared with the test, which outlives this process's death.
faults::TProgress* MappedProgress(const char* progressFile) {
    const int fd = ::open(progressFile, O_RDWR | O_CLOEXEC);
    void* map = fd < 0 ? MAP_FAILED
                       : ::mmap(nullptr, sizeof(faults::TProgress), PROT_READ | PROT_WRITE,
                                MAP_SHARED, fd, 0);
    if (map == MAP_FAILED) {
        std::perror("progress file");
        std::exit(2);
    }
    auto* progress = static_cast<faults::TProgress*>(map);
    return progress;
}

[[noreturn]] void Writer(const char* progressFile, std::int64_t first) {
    faults::TProgress* progress = MappedProgress(progressFile);
    std::atomic_ref<std::uint64_t> started(progress->Started);
    std::atomic_ref<std::uint64_t> finished(progress->Finished);
    TSetting s;
    for (std::int64_t g = first;; ++g) {
        for (int k = 0; k < faults::ValueCount; ++k) {
            const auto seq = static_cast<std::uint64_t>(g * faults::ValueCount + k) + 1;
            started.store(seq, std::memory_order_seq_cst);
            try {
                faults::WriteValue(s, k, g);
            } catch (const std::exception& e) {
                std::fprintf(stderr, "writer: %s\n", e.what());
                std::exit(3);
            }
            finished.store(seq, std::memory_order_seq_cst);
        }
    }
}

class TAnswersJa final : public TProgressView {
    void ShowTexts(const TProgressTexts&) override {}
    bool AskYesNo(const std::u16string&) override {
        std::printf("asked\n");
        std::fflush(stdout);
        char answer = 0;
        return ::read(0, &answer, 1) == 1;
    }
    void ShowNote(const std::u16string& note) override {
        std::printf("note:%s\n", ToUtf8(note).c_str());
    }
    void ShowAutostart(bool) override {}
};

int Relapse() {
    TRecordingTickerView tickerView;
    TTicker ticker(tickerView);
    Setting = new TSetting;
    TAnswersJa view;
    TProgress progress(view, ticker);
    try {
        progress.ButtonRelapseClick();
    } catch (const std::exception& e) {
        std::printf("%s:%s\n", ClassName(e).c_str(), e.what());
    }
    std::printf("done\n");
    return 0;
}

[[noreturn]] void Relapser(const char* progressFile) {
    faults::TProgress* progress = MappedProgress(progressFile);
    std::atomic_ref<std::uint64_t> started(progress->Started);
    std::atomic_ref<std::uint64_t> finished(progress->Finished);
    TSetting s;
    for (std::uint64_t seq = 1;; seq += 2) {
        try {
            const TDateTime stop = s.GetUserStopTime();
            started.store(seq);
            s.AddQuitAttempt({stop, stop + 1.0 / 24, 1, 1});
            finished.store(seq);
            started.store(seq + 1);
            s.SetUserStopTime(stop + 1.0 / 24);
            finished.store(seq + 1);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "relapser: %s\n", e.what());
            std::exit(3);
        }
    }
}

int PingPong(int id, int rounds) {
    char go = 0;
    if (::read(0, &go, 1) != 1) {
        std::fprintf(stderr, "copy %d: no start signal\n", id);
        return 2;
    }
    TSetting s;
    std::int32_t seen = 0;
    // The longest wait of a write and of a read: a copy that waits long for the other's lock
    // is the first sign of a write that will fail on it.
    double slowestWrite = 0;
    double slowestRead = 0;
    using TClock = std::chrono::steady_clock;
    auto timed = [](double& slowest, auto&& operation) {
        const auto begin = TClock::now();
        auto result = operation();
        const std::chrono::duration<double, std::milli> took = TClock::now() - begin;
        slowest = took.count() > slowest ? took.count() : slowest;
        return result;
    };
    for (int i = 1; i <= rounds; ++i) {
        try {
            timed(slowestWrite, [&] {
                id == 0 ? s.SetCigConsQty(i) : s.SetCigBoxQty(i);
                return 0;
            });
            const std::int32_t mine =
                timed(slowestRead, [&] { return id == 0 ? s.GetCigConsQty() : s.GetCigBoxQty(); });
            if (mine != i) {
                std::printf("copy %d round %d: read back %d, the write is lost\n", id, i, mine);
                return 1;
            }
            const std::int32_t other =
                timed(slowestRead, [&] { return id == 0 ? s.GetCigBoxQty() : s.GetCigConsQty(); });
            if (other < seen || other > rounds) {
                std::printf("copy %d round %d: the other copy's value went from %d to %d\n", id, i,
                            seen, other);
                return 1;
            }
            seen = other;
        } catch (const std::exception& e) {
            std::printf("copy %d round %d: %s: %s (slowest write so far %.1f ms)\n", id, i,
                        ClassName(e).c_str(), e.what(), slowestWrite);
            return 1;
        }
    }
    std::printf("copy %d: %d rounds, slowest write %.1f ms, slowest read %.1f ms\n", id, rounds,
                slowestWrite, slowestRead);
    return 0;
}

int Names(int id, int rounds) {
    char go = 0;
    if (::read(0, &go, 1) != 1) {
        std::fprintf(stderr, "copy %d: no start signal\n", id);
        return 2;
    }
    TSetting s;
    const char16_t letter = static_cast<char16_t>(u'a' + id);
    for (int i = 1; i <= rounds; ++i) {
        try {
            // From 1 to 400 letters and back, so that the text grows and shrinks across
            // SQLite's pages.
            const auto length = static_cast<std::size_t>(1 + (i * 37 + id * 101) % 400);
            s.SetUserName(std::u16string(length, letter));
            const std::u16string read = s.GetUserName();
            if (read.empty() || read.find_first_not_of(read.front()) != std::u16string::npos ||
                read.front() < u'a' || read.front() > u'z') {
                std::printf("copy %d round %d: read a text no copy wrote: %s\n", id, i,
                            ToUtf8(read).c_str());
                return 1;
            }
        } catch (const std::exception& e) {
            std::printf("copy %d round %d: %s: %s\n", id, i, ClassName(e).c_str(), e.what());
            return 1;
        }
    }
    std::printf("copy %d: %d rounds\n", id, rounds);
    return 0;
}

bool DropToNobody() {
    return ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0 &&
           ::geteuid() == 65534;
}

} // namespace

int main(int argc, char** argv) {
    InitializeStartupSettings();
    int i = 1;
    for (; i < argc && std::strncmp(argv[i], "--", 2) == 0; ++i) {
        if (std::strcmp(argv[i], "--as-nobody") == 0) {
            if (!DropToNobody()) {
                std::printf("cannot drop privileges: %s\n", std::strerror(errno));
                return 4;
            }
        } else if (std::strncmp(argv[i], "--fsize=", 8) == 0) {
            // Past the limit, writes fail with EFBIG instead of killing the process.
            std::signal(SIGXFSZ, SIG_IGN);
            const rlim_t limit = std::strtoull(argv[i] + 8, nullptr, 10);
            const rlimit r{limit, limit};
            if (::setrlimit(RLIMIT_FSIZE, &r) != 0) {
                std::perror("setrlimit");
                return 4;
            }
        } else if (std::strcmp(argv[i], "--timed") == 0) {
            Timed = true;
        } else if (std::strcmp(argv[i], "--usage") == 0) {
            Usage = true;
        } else if (std::strcmp(argv[i], "--trace-sync") == 0) {
            if (!TraceSync()) {
                std::printf("cannot trace SQLite's system calls\n");
                return 4;
            }
        }
    }
    const std::string command = i < argc ? argv[i] : "";
    if (command == "ops") {
        return Ops(argc - i - 1, argv + i + 1);
    }
    if (command == "writer" && argc - i == 3) {
        Writer(argv[i + 1], std::atoll(argv[i + 2]));
    }
    if (command == "pingpong" && argc - i == 3) {
        return PingPong(std::atoi(argv[i + 1]), std::atoi(argv[i + 2]));
    }
    if (command == "relapse") {
        return Relapse();
    }
    if (command == "relapser" && argc - i == 2) {
        Relapser(argv[i + 1]);
    }
    if (command == "names" && argc - i == 3) {
        return Names(std::atoi(argv[i + 1]), std::atoi(argv[i + 2]));
    }
    std::fprintf(stderr, "usage: FaultHelper [--as-nobody] [--fsize=N] [--timed] [--usage] "
                         "[--trace-sync] ops|writer|pingpong|names ...\n");
    return 2;
}

// A second program over the settings store, driven by the fault tests as a real process:
//
//   FaultHelper [--as-nobody] [--fsize=<bytes>] ops <op>...
//       get:<Name> or set:<Name>=<value>, one output line each ("<Name>=<value>",
//       "<Name>:=ok" or "<Name>!<class>:<message>"), then "done". Failures do not end it.
//   FaultHelper writer <progress file> <first generation>
//       writes all seven values, generation after generation, until it is killed.
//   FaultHelper pingpong <0|1> <rounds>
//       after one byte on stdin: writes its own value, reads it back and reads the other
//       copy's value, round after round; exit 1 with the reason on the first fault.
//
// The environment's XDG_CONFIG_HOME chooses the hive.

#include "Generation.h"

#include "Unitsetting.h"
#include "conversions/StartupSettings.h"
#include "runtime/Exceptions.h"
#include "runtime/Text.h"

#include <cxxabi.h>
#include <fcntl.h>
#include <grp.h>
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

// One get or set through the store's getters and setters, reported on one line.
std::string Run(TSetting& s, const std::string& op) {
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

int Ops(int argc, char** argv) {
    TSetting s;
    for (int i = 0; i < argc; ++i) {
        std::printf("%s\n", Run(s, argv[i]).c_str());
    }
    std::printf("done\n");
    return 0;
}

[[noreturn]] void Writer(const char* progressFile, std::int64_t first) {
    const int fd = ::open(progressFile, O_RDWR | O_CLOEXEC);
    void* map = fd < 0 ? MAP_FAILED
                       : ::mmap(nullptr, sizeof(faults::TProgress), PROT_READ | PROT_WRITE,
                                MAP_SHARED, fd, 0);
    if (map == MAP_FAILED) {
        std::perror("progress file");
        std::exit(2);
    }
    auto* progress = static_cast<faults::TProgress*>(map);
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
    std::fprintf(stderr, "usage: FaultHelper [--as-nobody] [--fsize=N] ops|writer|pingpong ...\n");
    return 2;
}

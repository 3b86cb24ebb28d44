// Runs a fuzz target over every file of its seed corpus once, as an ordinary test: the target
// aborts on a broken invariant, so reaching the end is the pass. Used where libFuzzer is not
// (GCC, the Windows builds, the sanitizer build).

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
#ifdef PELWICK_FUZZ_INITIALIZE
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
#endif

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS-FOLDER\n", argv[0]);
        return 2;
    }
#ifdef PELWICK_FUZZ_INITIALIZE
    LLVMFuzzerInitialize(&argc, &argv);
#endif
    std::vector<std::filesystem::path> inputs;
    for (const auto& entry : std::filesystem::directory_iterator(argv[1])) {
        if (entry.is_regular_file()) {
            inputs.push_back(entry.path());
        }
    }
    if (inputs.empty()) {
        std::fprintf(stderr, "%s: no seeds in %s\n", argv[0], argv[1]);
        return 1;
    }
    for (const auto& input : inputs) {
        std::ifstream file(input, std::ios::binary);
        const std::vector<std::uint8_t> data{std::istreambuf_iterator<char>(file),
                                             std::istreambuf_iterator<char>()};
        LLVMFuzzerTestOneInput(data.data(), data.size());
    }
    std::printf("%zu seeds replayed\n", inputs.size());
    return 0;
}

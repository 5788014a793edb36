// Runs a libFuzzer entry point without libFuzzer: every file named on the command line (or in a
// folder named there), then
// a bounded number of random inputs (mutations of those files, or plain random bytes).
// Lets every build, the sanitizer build included, exercise the fuzz targets as ordinary tests.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

int main(int argc, char **argv)
{
    std::vector<std::vector<uint8_t>> seeds;
    auto addSeed = [&](const std::filesystem::path &path) {
        std::ifstream in(path, std::ios::binary);
        seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        LLVMFuzzerTestOneInput(seeds.back().data(), seeds.back().size());
    };
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path arg(argv[i]);
        if (std::filesystem::is_directory(arg)) {
            for (const auto &entry : std::filesystem::directory_iterator(arg))
                if (entry.is_regular_file())
                    addSeed(entry.path());
        } else {
            addSeed(arg);
        }
    }
    const char *runsText = std::getenv("DS_FUZZ_RUNS");
    const long runs = runsText ? std::atol(runsText) : 2000;
    std::mt19937 rng(12345);
    for (long run = 0; run < runs; ++run) {
        std::vector<uint8_t> input;
        if (!seeds.empty() && run % 4 != 0) {
            input = seeds[rng() % seeds.size()];
            const size_t flips = 1 + rng() % 16;
            for (size_t f = 0; f < flips && !input.empty(); ++f)
                input[rng() % input.size()] = static_cast<uint8_t>(rng());
            if (rng() % 8 == 0 && !input.empty())
                input.resize(rng() % input.size());
        } else {
            input.resize(rng() % 4096);
            for (auto &b : input)
                b = static_cast<uint8_t>(rng());
        }
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    return 0;
}

// Runs a libFuzzer entry point without libFuzzer, so every native build (and
// every sanitizer) exercises it: each file named on the command line (or
// found in a folder named there) is fed to it as it stands and then in a
// fixed series of mutations: bytes flipped, tokens inserted, ranges dropped
// or repeated, the input cut short. The series is the same on every run.
// No input is longer than the target's largest (TDU_FUZZ_MAX_LEN), as in
// the libFuzzer binary; seeds above 100 KB get a few mutations only.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

constexpr int mutations_per_seed = 150;
// The large seeds (long and deeply nested inputs, there for the libFuzzer
// binaries to grow from) are fed with a few mutations only, so the replay
// keeps to the time of a test run.
constexpr size_t large_seed_bytes = 100 * 1024;
constexpr int mutations_per_large_seed = 6;

// Bytes that mean something to the parsers this runs (brackets, quotes,
// escapes, line ends, a byte order mark, invalid UTF-8, markup).
const std::vector<std::string>& tokens()
{
    static const std::vector<std::string> list = {
        "[", "]", "=", "\"", "\\n", "\\t", ";", "\n", "\r\n", "\xEF\xBB\xBF", "\xC3", "\xFF",
        "<", ">", "/>", "&", "%s", "%d", std::string(300, 'x'), std::string(2100, 'y'),
    };
    return list;
}

#ifndef TDU_FUZZ_MAX_LEN
#error "TDU_FUZZ_MAX_LEN: the largest input of the target"
#endif
constexpr size_t max_len = TDU_FUZZ_MAX_LEN;

void run(const std::string& input)
{
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), std::min(input.size(), max_len));
}

std::string mutate(std::string s, std::mt19937& rng)
{
    auto pick = [&](size_t n) { return n == 0 ? size_t(0) : static_cast<size_t>(rng() % n); };
    int steps = 1 + static_cast<int>(rng() % 4);
    for (int i = 0; i < steps; ++i) {
        switch (rng() % 5) {
        case 0:
            if (!s.empty()) s[pick(s.size())] ^= static_cast<char>(1 << (rng() % 8));
            break;
        case 1:
            s.insert(pick(s.size() + 1), tokens()[pick(tokens().size())]);
            break;
        case 2:
            if (!s.empty()) {
                size_t at = pick(s.size());
                s.erase(at, pick(s.size() - at) + 1);
            }
            break;
        case 3:
            if (!s.empty()) {
                size_t at = pick(s.size());
                std::string part = s.substr(at, pick(64) + 1);
                for (int k = 0, n = 1 + static_cast<int>(rng() % 40); k < n; ++k) s.insert(at, part);
            }
            break;
        default:
            s.resize(pick(s.size() + 1));
            break;
        }
    }
    return s;
}

std::string read_all(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        std::filesystem::path p(argv[i]);
        if (std::filesystem::is_directory(p)) {
            for (const auto& e : std::filesystem::directory_iterator(p))
                if (e.is_regular_file()) files.push_back(e.path());
        } else if (std::filesystem::is_regular_file(p)) {
            files.push_back(p);
        } else {
            std::fprintf(stderr, "no such seed: %s\n", argv[i]);
            return 2;
        }
    }
    std::sort(files.begin(), files.end());
    if (files.empty()) {
        std::fprintf(stderr, "no seeds\n");
        return 2;
    }
    run("");
    size_t runs = 1;
    std::mt19937 rng(20240607);
    for (const auto& f : files) {
        const std::string seed = read_all(f);
        if (seed.size() > max_len) {
            std::fprintf(stderr, "seed larger than the target's largest input (%zu bytes): %s\n", max_len,
                         f.string().c_str());
            return 2;
        }
        run(seed);
        ++runs;
        int mutations = seed.size() > large_seed_bytes ? mutations_per_large_seed : mutations_per_seed;
        for (int i = 0; i < mutations; ++i, ++runs) run(mutate(seed, rng));
    }
    std::printf("%zu inputs from %zu seeds\n", runs, files.size());
    return 0;
}

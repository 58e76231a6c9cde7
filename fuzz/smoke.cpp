// A stand-in for libFuzzer where the compiler has none: runs every seed file
// through the target, then mutates the seeds for a few seconds, so that each
// build's tests give every target a short run under that build's checks.
// The mutations follow a fixed seed; the run's length follows the clock.
//
//   cvcfg_fuzz_NAME [--seconds S] SEED_FILE_OR_FOLDER...

#include <chrono>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size);
// The sanitizers' runtimes call this back before they end a run; weak, so
// that a build without them links too.
// NOLINTNEXTLINE(bugprone-reserved-identifier): the runtime's own name
extern "C" void __sanitizer_set_death_callback(void (*callback)()) __attribute__((weak));

namespace {

using Input = std::vector<uint8_t>;

// Inputs stay small: the targets' faults show in short texts, and a long
// one only slows the run down.
constexpr std::size_t kMaxInput = 8192;

// Bytes that mean something to the readers under test.
using namespace std::string_view_literals;
constexpr std::string_view kTokens = ",\"\r\n \t=0x-+[]\0\xEF\xBB\xBF"sv;

// The input under test, kept where a dying run can still write it out.
const Input* g_current = nullptr;
const char* g_keepAs = "fuzz-failure";

void keepCurrentInput() {
    if (g_current == nullptr) {
        return;
    }
    const int file = ::open(g_keepAs, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (file >= 0) {
        (void)!::write(file, g_current->data(), g_current->size());
        ::close(file);
    }
    static constexpr char kSaid[] =
        "the failing input is kept in the file named on the next line\n";
    (void)!::write(2, kSaid, sizeof kSaid - 1);
    (void)!::write(2, g_keepAs, std::strlen(g_keepAs));
    (void)!::write(2, "\n", 1);
}

void onAbort(int signal) {
    keepCurrentInput();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void run(const Input& input) {
    g_current = &input;
    LLVMFuzzerTestOneInput(input.data(), input.size());
    g_current = nullptr;
}

Input readSeed(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Input(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<Input> readSeeds(const std::vector<std::string>& places) {
    std::vector<Input> seeds;
    for (const std::string& place : places) {
        if (std::filesystem::is_directory(place)) {
            for (const auto& entry : std::filesystem::directory_iterator(place)) {
                if (entry.is_regular_file()) {
                    seeds.push_back(readSeed(entry.path()));
                }
            }
        } else {
            seeds.push_back(readSeed(place));
        }
    }
    return seeds;
}

class Mutator {
public:
    explicit Mutator(const std::vector<Input>& seeds) : m_seeds(seeds) {}

    Input next() {
        Input input = m_seeds.empty() ? Input() : m_seeds[below(m_seeds.size())];
        const std::size_t steps = 1 + below(8);
        for (std::size_t i = 0; i < steps; ++i) {
            mutate(input);
        }
        if (input.size() > kMaxInput) {
            input.resize(kMaxInput);
        }
        return input;
    }

private:
    std::size_t below(std::size_t bound) {
        return bound == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, bound - 1)(m_random);
    }
    uint8_t anyByte() { return static_cast<uint8_t>(below(256)); }

    void mutate(Input& input) {
        const std::size_t at = below(input.size() + 1);
        switch (below(6)) {
        case 0: // flip a bit
            if (!input.empty()) {
                input[below(input.size())] ^= static_cast<uint8_t>(1u << below(8));
            }
            break;
        case 1: // insert a byte
            input.insert(input.begin() + static_cast<std::ptrdiff_t>(at), anyByte());
            break;
        case 2: // insert a byte the readers care about
            input.insert(input.begin() + static_cast<std::ptrdiff_t>(at),
                         static_cast<uint8_t>(kTokens[below(kTokens.size())]));
            break;
        case 3: { // delete a run
            const std::size_t length =
                std::min(input.size() - std::min(at, input.size()), 1 + below(16));
            input.erase(input.begin() + static_cast<std::ptrdiff_t>(at),
                        input.begin() + static_cast<std::ptrdiff_t>(at + length));
            break;
        }
        case 4: { // repeat a run
            if (input.empty()) {
                break;
            }
            const std::size_t from = below(input.size());
            const std::size_t length = std::min(input.size() - from, 1 + below(64));
            const Input run(input.begin() + static_cast<std::ptrdiff_t>(from),
                            input.begin() + static_cast<std::ptrdiff_t>(from + length));
            input.insert(input.begin() + static_cast<std::ptrdiff_t>(at), run.begin(), run.end());
            break;
        }
        default: { // splice in part of another seed
            if (m_seeds.empty()) {
                break;
            }
            const Input& other = m_seeds[below(m_seeds.size())];
            const std::size_t from = below(other.size() + 1);
            const std::size_t length = below(other.size() - from + 1);
            input.insert(input.begin() + static_cast<std::ptrdiff_t>(at),
                         other.begin() + static_cast<std::ptrdiff_t>(from),
                         other.begin() + static_cast<std::ptrdiff_t>(from + length));
            break;
        }
        }
    }

    const std::vector<Input>& m_seeds;
    std::mt19937_64 m_random{20240601};
};

} // namespace

int main(int argc, char* argv[]) {
    double seconds = 2;
    std::vector<std::string> places;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--seconds" && i + 1 < argc) {
            seconds = std::atof(argv[++i]);
        } else {
            places.emplace_back(arg);
        }
    }
    const std::string keepAs = std::filesystem::path(argv[0]).filename().string() + ".failure";
    g_keepAs = keepAs.c_str();
    std::signal(SIGABRT, onAbort);
    std::signal(SIGSEGV, onAbort);
    if (__sanitizer_set_death_callback) {
        __sanitizer_set_death_callback(keepCurrentInput);
    }
    const std::vector<Input> seeds = readSeeds(places);
    for (const Input& seed : seeds) {
        run(seed);
    }
    run(Input());

    Mutator mutator(seeds);
    const auto stop = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    long runs = 0;
    while (std::chrono::steady_clock::now() < stop) {
        run(mutator.next());
        ++runs;
    }
    std::printf("%zu seeds, %ld mutated inputs, no property broken\n", seeds.size(), runs);
    return 0;
}

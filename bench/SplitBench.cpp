// Times our cut into 4 pieces against GNU `split -n 4`, and our rebuild
// against `cat` of the same pieces, on a file of random bytes (512 MiB unless
// told otherwise).
//
//   scindra_split_bench [folder] [rounds] [MiB]
//
// Scindra puts every piece and the rebuilt file on the device before it says
// it is done, so the fair peers do the same: `split` then `sync -d` of its
// pieces, `cat > file` then `sync -d file`, and `cp` then `sync -d` as the
// plain copy of the whole file. The peers without the flush are timed too and
// printed beside, for reference. The runs alternate (and swap order every
// round) so the page cache and the write-back treat all sides alike. Prints
// the median of each and the ratios ours / theirs: below 1.0 means Scindra is
// faster.

#include "engine/engine.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

int64_t fileSize = int64_t{512} << 20;
constexpr int kPieces = 4;

void MakeRandomFile(const std::string& path)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::vector<uint64_t> block((1 << 20) / sizeof(uint64_t));
    uint64_t state = 0x9E3779B97F4A7C15ULL;
    for (int64_t written = 0; written < fileSize; written += 1 << 20) {
        for (auto& word : block) { // xorshift64*: fast and plenty random for a copy test
            state ^= state >> 12;
            state ^= state << 25;
            state ^= state >> 27;
            word = state * 0x2545F4914F6CDD1DULL;
        }
        out.write(reinterpret_cast<const char*>(block.data()), 1 << 20);
    }
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

// Runs a command, its standard output sent to `output` when not empty.
void Run(const std::vector<std::string>& command, const std::string& output = {})
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!output.empty())
        posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> argv;
    for (const auto& word : command)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    const int failed = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (failed != 0 || waitpid(child, &status, 0) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("command failed: " + command[0]);
}

double Seconds(const std::function<void()>& action)
{
    const auto start = Clock::now();
    action();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Runner {
    const char* name;
    std::function<double()> run;
};

void SplitInto(const std::string& source, const std::string& folder)
{
    Run({"split", "-n", std::to_string(kPieces), "-a", "3", source, folder + "/piece."});
}

void Empty(const std::string& folder)
{
    fs::remove_all(folder);
    fs::create_directories(folder);
    ::sync(); // each run starts without the previous one's write-back pending
}

} // namespace

int main(int argc, char** argv)
{
    try {
        const fs::path base = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
        const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
        if (argc > 3)
            fileSize = std::max<int64_t>(1, std::atoll(argv[3])) << 20;
        const fs::path work = base / ("scindra-bench-" + std::to_string(::getpid()));
        fs::create_directories(work);
        const std::string source = work / "source.bin";
        const std::string ours = work / "ours";
        const std::string gnu = work / "gnu";
        const std::string rebuiltOurs = work / "rebuilt-ours.bin";
        const std::string rebuiltCat = work / "rebuilt-cat.bin";
        const std::string copied = work / "copied.bin";

        std::cout << "Making a " << (fileSize >> 20) << " MiB random file in " << work.string() << "...\n";
        MakeRandomFile(source);
        const int64_t pieceSize = scindra::TailleMorceau(fileSize, kPieces);
        std::vector<std::string> catCommand{"cat"};
        for (int k = 1; k <= kPieces; ++k)
            catCommand.push_back(scindra::NomMorceau(ours, "piece", k));
        std::vector<std::string> gnuPieces{"sync", "-d"};
        for (const char* suffix : {"aaa", "aab", "aac", "aad"})
            gnuPieces.push_back(gnu + "/piece." + suffix);

        // Every run starts from an empty target; `flush` adds the peer's sync.
        const auto timed = [](const std::function<void()>& prepare, const std::function<void()>& run) {
            prepare();
            return Seconds(run);
        };
        const auto removing = [](const std::string& file) {
            return [file] {
                fs::remove(file);
                ::sync();
            };
        };
        std::vector<Runner> runners{
            {"scindra cut", [&] { return timed([&] { Empty(ours); }, [&] {
                 scindra::DecouperFichier(source, pieceSize, ours, "piece", {}); }); }},
            {"split", [&] { return timed([&] { Empty(gnu); }, [&] { SplitInto(source, gnu); }); }},
            {"split + sync", [&] { return timed([&] { Empty(gnu); }, [&] { SplitInto(source, gnu); Run(gnuPieces); }); }},
            {"scindra rebuild", [&] { return timed(removing(rebuiltOurs), [&] {
                 scindra::ReconstruireFichier(scindra::NomMorceau(ours, "piece", 1), rebuiltOurs); }); }},
            {"cat", [&] { return timed(removing(rebuiltCat), [&] { Run(catCommand, rebuiltCat); }); }},
            {"cat + sync", [&] { return timed(removing(rebuiltCat), [&] {
                 Run(catCommand, rebuiltCat); Run({"sync", "-d", rebuiltCat}); }); }},
            {"cp + sync", [&] { return timed(removing(copied), [&] {
                 Run({"cp", source, copied}); Run({"sync", "-d", copied}); }); }},
        };
        std::vector<std::vector<double>> times(runners.size());
        for (int round = 0; round < rounds; ++round) {
            std::printf("round %d:", round + 1);
            for (size_t i = 0; i < runners.size(); ++i) {
                const size_t r = round % 2 == 0 ? i : runners.size() - 1 - i;
                times[r].push_back(runners[r].run());
            }
            for (size_t r = 0; r < runners.size(); ++r)
                std::printf(" %s %.3f s%s", runners[r].name, times[r].back(), r + 1 < runners.size() ? "," : "\n");
        }

        Run({"cmp", "-s", source, rebuiltOurs});
        Run({"cmp", "-s", source, rebuiltCat});

        std::vector<double> median;
        for (const auto& values : times)
            median.push_back(Median(values));
        enum { Cut, Split, SplitSync, Rebuild, Cat, CatSync, CopySync };
        std::printf("\nmedian of %d rounds, %lld MiB into %d pieces (%s)\n", rounds,
                    static_cast<long long>(fileSize >> 20), kPieces, base.c_str());
        for (size_t r = 0; r < runners.size(); ++r)
            std::printf("  %-16s %.3f s\n", runners[r].name, median[r]);
        std::printf("flushed (every side on the device when it ends):\n");
        std::printf("  cut / (split + sync)   %.2f\n", median[Cut] / median[SplitSync]);
        std::printf("  rebuild / (cat + sync) %.2f\n", median[Rebuild] / median[CatSync]);
        std::printf("  cut / (cp + sync)      %.2f   rebuild / (cp + sync) %.2f\n", median[Cut] / median[CopySync],
                    median[Rebuild] / median[CopySync]);
        std::printf("for reference, peers without the flush:\n");
        std::printf("  cut / split            %.2f\n", median[Cut] / median[Split]);
        std::printf("  rebuild / cat          %.2f\n", median[Rebuild] / median[Cat]);
        fs::remove_all(work);
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "scindra_split_bench: " << error.what() << '\n';
        return 1;
    }
}

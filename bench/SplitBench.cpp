// Times our cut into 4 pieces against GNU `split -n 4`, and our rebuild
// against `cat` of the same pieces, on a 1 GiB file of random bytes.
//
//   scindra_split_bench [folder] [rounds]
//
// The runs alternate (and swap order every round) so the page cache and the
// disk's write-back treat both sides alike. Prints the median of each and the
// ratios ours / theirs: below 1.0 means Scindra is faster.

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

constexpr int64_t kFileSize = int64_t{1} << 30;
constexpr int kPieces = 4;

void MakeRandomFile(const std::string& path)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::vector<uint64_t> block((1 << 20) / sizeof(uint64_t));
    uint64_t state = 0x9E3779B97F4A7C15ULL;
    for (int64_t written = 0; written < kFileSize; written += 1 << 20) {
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
        const fs::path work = base / ("scindra-bench-" + std::to_string(::getpid()));
        fs::create_directories(work);
        const std::string source = work / "source.bin";
        const std::string ours = work / "ours";
        const std::string gnu = work / "gnu";
        const std::string rebuiltOurs = work / "rebuilt-ours.bin";
        const std::string rebuiltCat = work / "rebuilt-cat.bin";

        std::cout << "Making a 1 GiB random file in " << work.string() << "...\n";
        MakeRandomFile(source);
        const int64_t pieceSize = scindra::TailleMorceau(kFileSize, kPieces);
        std::vector<std::string> catCommand{"cat"};
        for (int k = 1; k <= kPieces; ++k)
            catCommand.push_back(scindra::NomMorceau(ours, "piece", k));

        std::vector<double> cutOurs, cutGnu, rebuildOurs, rebuildCat;
        for (int round = 0; round < rounds; ++round) {
            const auto ourCut = [&] {
                Empty(ours);
                cutOurs.push_back(Seconds([&] { scindra::DecouperFichier(source, pieceSize, ours, "piece", {}); }));
            };
            const auto gnuCut = [&] {
                Empty(gnu);
                cutGnu.push_back(Seconds([&] { Run({"split", "-n", std::to_string(kPieces), "-a", "3", source, gnu + "/piece."}); }));
            };
            const auto ourRebuild = [&] {
                fs::remove(rebuiltOurs);
                ::sync();
                rebuildOurs.push_back(Seconds([&] { scindra::ReconstruireFichier(scindra::NomMorceau(ours, "piece", 1), rebuiltOurs); }));
            };
            const auto catRebuild = [&] {
                fs::remove(rebuiltCat);
                ::sync();
                rebuildCat.push_back(Seconds([&] { Run(catCommand, rebuiltCat); }));
            };
            if (round % 2 == 0) {
                ourCut(); gnuCut(); ourRebuild(); catRebuild();
            } else {
                gnuCut(); ourCut(); catRebuild(); ourRebuild();
            }
            std::printf("round %d: cut %.3f s / split %.3f s, rebuild %.3f s / cat %.3f s\n", round + 1,
                        cutOurs.back(), cutGnu.back(), rebuildOurs.back(), rebuildCat.back());
        }

        Run({"cmp", "-s", source, rebuiltOurs});
        Run({"cmp", "-s", source, rebuiltCat});

        const double cut = Median(cutOurs), split = Median(cutGnu);
        const double rebuild = Median(rebuildOurs), cat = Median(rebuildCat);
        std::printf("\nmedian of %d rounds, 1 GiB into %d pieces (%s)\n", rounds, kPieces, base.c_str());
        std::printf("  cut:     scindra %.3f s   split -n %d %.3f s   ratio %.2f\n", cut, kPieces, split, cut / split);
        std::printf("  rebuild: scindra %.3f s   cat         %.3f s   ratio %.2f\n", rebuild, cat, rebuild / cat);
        fs::remove_all(work);
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "scindra_split_bench: " << error.what() << '\n';
        return 1;
    }
}

// Writes the fuzz target's starting inputs into a folder: every built test
// case small enough to mutate quickly, and each of them cut short, which
// starts the fuzzer inside the damaged-data paths.
#include "GifBuilder.h"
#include "GifCases.h"

#include <cstdio>
#include <exception>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <seed folder>\n", argv[0]);
        return 2;
    }
    constexpr std::size_t kMaxSeed = 32 * 1024;
    const std::string folder = argv[1];
    int written = 0;
    try {
        for (const auto& c : scindra::test::OracleCases()) {
            if (c.gif.size() > kMaxSeed)
                continue;
            scindra::test::WriteFile(folder + "/built-" + c.name + ".gif", c.gif);
            const scindra::test::Bytes half(c.gif.begin(), c.gif.begin() + static_cast<std::ptrdiff_t>(c.gif.size() / 2));
            scindra::test::WriteFile(folder + "/cut-" + c.name + ".gif", half);
            written += 2;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    std::printf("%d seeds written to %s\n", written, folder.c_str());
    return 0;
}

// Runs a fuzz target without libFuzzer: the files given on the command line, then a
// fixed series of pseudo-random inputs built from bytes that matter to the parsers.
// Built for every fuzz target so the regular test run (and its sanitizer build) covers
// them too.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    static const uint8_t interesting[] = {'\r', '\n', '\t', 0,    ')',  '(',  '@',  '"',  ',',  '=',  ' ',
                                          '0',  '9',  '+',  '-',  '*',  '/',  0x81, 0x82, 0x5C, 0x95, 0x9F,
                                          0xE0, 0xFC, 0xFF, 0xFE, 0xEF, 0xBB, 0xBF, 0x80, 0xA0, 0x40, 0x7F};
    std::mt19937 rng(20261207);
#ifndef KIV_SMOKE_RUNS
#define KIV_SMOKE_RUNS 20000
#endif
    const int runs = argc > 1 ? 0 : KIV_SMOKE_RUNS;
    std::vector<uint8_t> input;
    for (int run = 0; run < runs; ++run) {
        const size_t size = rng() % (run % 100 == 0 ? 4096 : 96);
        input.resize(size);
        for (auto &b : input)
            b = (rng() % 3 == 0) ? uint8_t(rng()) : interesting[rng() % sizeof(interesting)];
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    std::puts("fuzz smoke: done");
    return 0;
}

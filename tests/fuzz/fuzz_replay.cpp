/*
 * The plain program around a fuzz target: every file named, and every
 * file of every folder named, is given to the target once. The ordinary
 * test run replays the seed corpus (and every crash input kept in it)
 * this way, without clang or libFuzzer; a finding crashes the program.
 *
 *   fuzz_replay_dbf tests/fuzz/corpus/dbf
 */
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

/* Gives the bytes of one file to the target. Answers 1, or 0 when the
 * file cannot be read. */
static int replay_file(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return 0;
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return 1;
}

/* Replays every input named; answers 0, or 1 when an input cannot be
 * read or none was found. */
int main(int argc, char **argv)
{
    int done = 0;
    for (int i = 1; i < argc; i++) {
        std::filesystem::path p = argv[i];
        if (std::filesystem::is_directory(p)) {
            std::vector<std::filesystem::path> files;
            for (const auto &e : std::filesystem::recursive_directory_iterator(p))
                if (e.is_regular_file()) files.push_back(e.path());
            std::sort(files.begin(), files.end());
            for (const auto &f : files) {
                if (!replay_file(f)) return std::fprintf(stderr, "cannot read %s\n", f.c_str()), 1;
                done++;
            }
        } else {
            if (!replay_file(p)) return std::fprintf(stderr, "cannot read %s\n", p.c_str()), 1;
            done++;
        }
    }
    std::printf("%d inputs replayed\n", done);
    return done > 0 ? 0 : 1;
}

/*
 * A whole file written anew, 4 KB (a mark, a setup file) and 4 MB (a
 * drawing), as every writer of whole files does it: under a new name
 * beside its target (wf_temp_open), then wf_place, which syncs its data,
 * renames it over the target and syncs the folder. Beside it the same file
 * renamed into place without a sync, as files were placed before: the
 * ratio is what a file that survives a power cut costs on this disk.
 *
 *   build/bench/wfile/bench_wfile
 */
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_ratios.h"
#include "wfile/wfile.h"

namespace {

/* The folder the files are written in, made once and of this run alone
 * (under the working folder, the build's: a temporary folder may be a
 * file system in memory). */
std::string folder()
{
    static std::string dir = [] {
        std::string d = (std::filesystem::current_path() / "bench_wfile.XXXXXX").string();
        if (!mkdtemp(d.data())) {
            std::perror(d.c_str());
            std::exit(1);
        }
        return d;
    }();
    return dir;
}

/* Writes bytes bytes to fd; false when a write fails. */
bool fill(int fd, const std::vector<char> &bytes)
{
    return write(fd, bytes.data(), bytes.size()) == (ssize_t)bytes.size();
}

/* The file written and placed as the system does. */
void Synced(benchmark::State &state, size_t size)
{
    std::vector<char> bytes(size, 'x');
    std::string target = folder() + "/synced", temp;
    for (auto _ : state) {
        int fd = wf_temp_open(target, temp);
        if (fd < 0 || !fill(fd, bytes) || close(fd) != 0 || wf_place(temp, target) != 0)
            state.SkipWithError("cannot write the file");
    }
    state.SetBytesProcessed((int64_t)(state.iterations() * size));
}

/* The same file renamed into place unsynced. */
void Unsynced(benchmark::State &state, size_t size)
{
    std::vector<char> bytes(size, 'x');
    std::string target = folder() + "/unsynced", temp;
    for (auto _ : state) {
        int fd = wf_temp_open(target, temp);
        if (fd < 0 || !fill(fd, bytes) || close(fd) != 0 || std::rename(temp.c_str(), target.c_str()) != 0)
            state.SkipWithError("cannot write the file");
    }
    state.SetBytesProcessed((int64_t)(state.iterations() * size));
}

constexpr size_t SMALL = 4 << 10;
constexpr size_t LARGE = 4 << 20;

BENCHMARK_CAPTURE(Synced, small, SMALL)->Unit(benchmark::kMillisecond)->Repetitions(bench_reps());
BENCHMARK_CAPTURE(Unsynced, small, SMALL)->Unit(benchmark::kMillisecond)->Repetitions(bench_reps());
BENCHMARK_CAPTURE(Synced, large, LARGE)->Unit(benchmark::kMillisecond)->Repetitions(bench_reps());
BENCHMARK_CAPTURE(Unsynced, large, LARGE)->Unit(benchmark::kMillisecond)->Repetitions(bench_reps());

}  // namespace

int main(int argc, char **argv)
{
    static const bench_ratio RATIOS[] = {
        {"Synced/small", "Unsynced/small", "4 KB synced / unsynced"},
        {"Synced/large", "Unsynced/large", "4 MB synced / unsynced"},
    };
    int rc = bench_main(argc, argv, RATIOS, sizeof RATIOS / sizeof RATIOS[0]);
    std::filesystem::remove_all(folder());
    return rc;
}

/*
 * Reading one memo that has no end mark, 1,000 to 40,000 blocks long,
 * through dbf_read_record: the counter "per_block" (seconds per block) must
 * stay flat as the memo grows. A chain that walked to its tail for every
 * block made the 40,000-block memo take over a second.
 *
 *   build/bench/dbf/bench_dbt
 */
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dbf/dbf.h"

namespace {

/* Makes dir/LONG.DBF with one memo field whose one record points at block
 * 1, and a .DBT of blocks blocks after its header, none holding 0x1A. */
void make_long_memo(const std::string &dir, long blocks)
{
    dbf_handle *h = dbf_new();
    dbf_field *f = static_cast<dbf_field *>(calloc(1, sizeof(dbf_field)));
    strcpy(f[0].name, "NOTE");
    f[0].type = 'M';
    f[0].length = 10;
    snprintf(h->path, sizeof h->path, "%s/LONG", dir.c_str());
    h->mode = DBF_MODE_UPDATE;
    h->header.version = DBF_VERSION_MEMO;
    h->fields = f;
    h->field_count = 1;
    h->memo_state = 1;
    dbf_create(h);
    dbt_set_memo_text(h, 0, "x", 1);
    dbf_write_record(h, 0);
    dbf_close(h);
    dbf_free(h);
    std::string memo(DBT_BLOCK_SIZE * (size_t)(blocks + 1), 'r');
    memset(&memo[0], 0, DBT_BLOCK_SIZE);
    std::ofstream(dir + "/LONG.DBT", std::ios::binary | std::ios::trunc).write(memo.data(), (std::streamsize)memo.size());
}

/* Reads the record and its memo of state.range(0) blocks. */
void BM_ReadMemoWithoutEndMark(benchmark::State &state)
{
    char tmpl[] = "/tmp/pvbench-dbt-XXXXXX";
    std::string dir = mkdtemp(tmpl);
    long blocks = (long)state.range(0);
    make_long_memo(dir, blocks);
    dbf_handle *h = dbf_new();
    dbf_open(h, (dir + "/LONG").c_str(), DBF_MODE_READ, 1);
    for (auto _ : state) {
        h->current = -1;
        dbf_read_record(h, 0);
        benchmark::DoNotOptimize(h->memo.line_count);
    }
    state.counters["per_block"] = benchmark::Counter((double)blocks * (double)state.iterations(),
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    dbf_close(h);
    dbf_free(h);
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ReadMemoWithoutEndMark)->Arg(1000)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

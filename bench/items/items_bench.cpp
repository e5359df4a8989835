/*
 * Item trees of N / 100, N / 10 and N items (N = PV_BENCH_ROWS, 100,000 by
 * default), built as a loader builds them: each item the next sibling of
 * the one before, under a few dozen heads, with names of a dictionary in
 * shuffled order that share their first characters ("UNIT 012345"), then
 * every item looked up by name. The ratios print the time per item of the
 * largest tree over that of the smallest: flat is 100.
 *
 *   bench_items                                  (1,000 to 100,000 items)
 *   PV_BENCH_ROWS=50 PV_BENCH_REPS=1 bench_items  (the smoke test of CI)
 */
#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_ratios.h"
#include "core/item_tree.h"

namespace {

/* Items under each head of the tree. */
constexpr long ITEMS_PER_HEAD = 2000;

/* The names of n items in shuffled order. */
std::vector<std::string> names(long n)
{
    std::vector<std::string> out;
    char buf[32];
    for (long i = 0; i < n; i++) {
        std::snprintf(buf, sizeof buf, "UNIT %06ld", i);
        out.push_back(buf);
    }
    std::shuffle(out.begin(), out.end(), std::mt19937(83));
    return out;
}

/* Builds the tree of n items and finds each of them. */
void LoadAndFind(benchmark::State &state, long divisor)
{
    long n = bench_rows() / divisor > 0 ? bench_rows() / divisor : 1;
    std::vector<std::string> all = names(n);
    for (auto _ : state) {
        item_node root{};
        item_root_init(&root, "STRAT", "ROCKD");
        item_node *head = nullptr, *last = nullptr;
        for (long i = 0; i < n; i++) {
            if (i % ITEMS_PER_HEAD == 0) {
                head = head ? item_add_sibling(head, ("HEAD " + std::to_string(i)).c_str(), "", 0, 0, nullptr)
                            : item_add_child(&root, "HEAD 0", "", 0, 0, nullptr);
                last = nullptr;
            }
            last = last ? item_add_sibling(last, all[i].c_str(), "", (uint16_t)i, 0, nullptr)
                        : item_add_child(head, all[i].c_str(), "", (uint16_t)i, 0, nullptr);
        }
        for (long i = 0; i < n; i++)
            if (!item_find(&root, all[i].c_str())) state.SkipWithError("an item was not found");
        item_root_empty(&root);
    }
    state.counters["items"] = (double)n;
}

} // namespace

int main(int argc, char **argv)
{
    for (long divisor : {100L, 10L, 1L}) {
        std::string name = "LoadAndFind/N" + (divisor == 1 ? std::string() : "/" + std::to_string(divisor));
        benchmark::RegisterBenchmark(name.c_str(), LoadAndFind, divisor)
            ->Iterations(1)
            ->Repetitions(bench_reps())
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
    static const bench_ratio RATIOS[] = {
        {"LoadAndFind/N", "LoadAndFind/N/100", "items, N / (N / 100) (linear: 100)"},
    };
    return bench_main(argc, argv, RATIOS, std::size(RATIOS));
}

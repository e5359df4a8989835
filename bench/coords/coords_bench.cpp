/*
** coords_bench.cpp: conversions per second of prj_transform_point for each
** projection family, forward and inverse, beside PROJ's C API converting
** the same points on the same ellipsoid. Both sides convert one point per
** call, over a million distinct points each (no point is converted twice in
** a pass), and the end of the run prints each family's ratio of our points
** per second to PROJ's.
**
**   bench_coords --benchmark_filter=UTM
**   bench_coords --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true
*/
#include <benchmark/benchmark.h>
#include <proj.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "coords/prj_transform.h"

namespace {

const double kA = 6378137.0, kB = 6356752.314245179;

/* One projection family: our definition and PROJ's text for it. */
struct Family {
  const char* name;   /* system name in the list                     */
  const char* type;   /* type name                                   */
  int zone;           /* UTM zone                                    */
  double lon0, lat0;  /* origin, degrees                             */
  double fe, fn;      /* false origin, metres                        */
  double p1, p2;      /* standard parallels, degrees                 */
  double scale;       /* scale factor                                */
  const char* proj;   /* the same system for PROJ, without ellipsoid */
};

const Family kFamilies[] = {
    {"UTM", "UTM", 31, 3, 0, 500000, 0, 0, 0, 0.9996, "+proj=utm +zone=31"},
    {"TM", "TM", 0, -2, 49, 400000, -100000, 0, 0, 0.9996012717,
     "+proj=tmerc +lat_0=49 +lon_0=-2 +k_0=0.9996012717 +x_0=400000 +y_0=-100000"},
    {"LAMBERT", "LAMBERT", 0, -96, 23, 0, 0, 33, 45, 1, "+proj=lcc +lat_1=33 +lat_2=45 +lat_0=23 +lon_0=-96"},
    {"DSTEREO", "DSTEREO", 0, 5.38763888888889, 52.15616055555555, 155000, 463000, 0, 0, 0.9999079,
     "+proj=sterea +lat_0=52.15616055555555 +lon_0=5.38763888888889 +k=0.9999079 +x_0=155000 +y_0=463000"},
};

/* The lists, filled once: the ellipsoid, its geographic system and one
** system per family. */
void SetUpLists() {
  static bool done = false;
  if (done) return;
  done = true;
  dtm_rec* d = dtm_new();
  prj_name_copy(d->name, "WGS84");
  d->a_m = kA;
  d->b_m = kB;
  dtm_insert(d);
  prj_add_builtin_systems();
  for (const Family& f : kFamilies) {
    prj_rec* p = prj_new();
    prj_name_copy(p->name, f.name);
    prj_name_copy(p->type_name, f.type);
    prj_name_copy(p->dtm_name, "WGS84");
    prj_name_copy(p->units_name, "meters");
    p->zone = f.zone;
    p->origin = {f.lon0, f.lat0, 0, 0};
    p->false_origin = {f.fe, f.fn, 0, 0};
    p->parallels = {f.p1, f.p2, 0, 0};
    p->scale = f.scale;
    if (!prj_insert(p)) std::free(p);
  }
}

/* Points of one pass: a grid of kSide x kSide within 2.5 degrees of the
** origin, every point distinct. */
constexpr int kSide = 1000;
constexpr double kHalfWidthDeg = 2.5;

/* The family's geographic points (degrees), made once. */
const std::vector<geo_point>& Points(const Family& f) {
  static std::map<const Family*, std::vector<geo_point>> made;
  std::vector<geo_point>& pts = made[&f];
  if (!pts.empty()) return pts;
  double lat0 = f.zone ? 45.0 : f.lat0;
  double step = 2.0 * kHalfWidthDeg / kSide;
  pts.reserve(static_cast<size_t>(kSide) * kSide);
  for (int i = 0; i < kSide; ++i)
    for (int j = 0; j < kSide; ++j)
      pts.push_back({f.lon0 - kHalfWidthDeg + step * (i + 0.5), lat0 - kHalfWidthDeg + step * (j + 0.5), 0, 0});
  return pts;
}

/* PROJ's operation for the family on the same ellipsoid; radians in, metres
** out (forward). */
PJ* ProjFor(const Family& f) {
  std::string def = std::string(f.proj) + " +a=6378137 +b=6356752.314245179 +no_defs";
  return proj_create(PJ_DEFAULT_CTX, def.c_str());
}

/* The family's points projected by PROJ (metres), made once: the inputs of
** both inverse benchmarks. */
const std::vector<geo_point>& Projected(const Family& f) {
  static std::map<const Family*, std::vector<geo_point>> made;
  std::vector<geo_point>& xy = made[&f];
  if (!xy.empty()) return xy;
  PJ* pj = ProjFor(f);
  for (const geo_point& p : Points(f)) {
    PJ_COORD c = proj_trans(pj, PJ_FWD, proj_coord(proj_torad(p.x), proj_torad(p.y), 0, 0));
    xy.push_back({c.xy.x, c.xy.y, 0, 0});
  }
  proj_destroy(pj);
  return xy;
}

void OursForward(benchmark::State& state, const Family* f) {
  SetUpLists();
  prj_rec* geo = prj_find("GEOGRAPHIC WGS84", nullptr);
  prj_rec* sys = prj_find(f->name, nullptr);
  const std::vector<geo_point>& pts = Points(*f);
  geo_point out;
  size_t i = 0;
  for (auto _ : state) {
    prj_transform_point(&pts[i], geo, &out, sys);
    benchmark::DoNotOptimize(out);
    if (++i == pts.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}

void OursInverse(benchmark::State& state, const Family* f) {
  SetUpLists();
  prj_rec* geo = prj_find("GEOGRAPHIC WGS84", nullptr);
  prj_rec* sys = prj_find(f->name, nullptr);
  const std::vector<geo_point>& pts = Projected(*f);
  geo_point out;
  size_t i = 0;
  for (auto _ : state) {
    prj_transform_point(&pts[i], sys, &out, geo);
    benchmark::DoNotOptimize(out);
    if (++i == pts.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}

void ProjForward(benchmark::State& state, const Family* f) {
  PJ* pj = ProjFor(*f);
  if (!pj) {
    state.SkipWithError("PROJ cannot make the operation");
    return;
  }
  std::vector<PJ_COORD> in;
  for (const geo_point& p : Points(*f)) in.push_back(proj_coord(proj_torad(p.x), proj_torad(p.y), 0, 0));
  size_t i = 0;
  for (auto _ : state) {
    PJ_COORD out = proj_trans(pj, PJ_FWD, in[i]);
    benchmark::DoNotOptimize(out);
    if (++i == in.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
  proj_destroy(pj);
}

void ProjInverse(benchmark::State& state, const Family* f) {
  PJ* pj = ProjFor(*f);
  if (!pj) {
    state.SkipWithError("PROJ cannot make the operation");
    return;
  }
  std::vector<PJ_COORD> in;
  for (const geo_point& p : Projected(*f)) in.push_back(proj_coord(p.x, p.y, 0, 0));
  size_t i = 0;
  for (auto _ : state) {
    PJ_COORD out = proj_trans(pj, PJ_INV, in[i]);
    benchmark::DoNotOptimize(out);
    if (++i == in.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
  proj_destroy(pj);
}

int RegisterAll() {
  for (const Family& f : kFamilies) {
    std::string n = f.name;
    benchmark::RegisterBenchmark(("Forward/" + n + "/petrivex").c_str(), OursForward, &f);
    benchmark::RegisterBenchmark(("Forward/" + n + "/proj").c_str(), ProjForward, &f);
    benchmark::RegisterBenchmark(("Inverse/" + n + "/petrivex").c_str(), OursInverse, &f);
    benchmark::RegisterBenchmark(("Inverse/" + n + "/proj").c_str(), ProjInverse, &f);
  }
  return 0;
}

[[maybe_unused]] const int registered = RegisterAll();

/* The console report, keeping each benchmark's points per second so that
** the ratios can be printed at the end: the median of the repetitions when
** there are several, else the one run's. */
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      auto it = r.counters.find("items_per_second");
      if (it == r.counters.end()) continue;
      std::string name = r.run_name.str();
      if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median") {
        rate_[name] = it->second;
        median_[name] = true;
      } else if (r.run_type == Run::RT_Iteration && !median_[name]) {
        rate_[name] = it->second;
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  /* Prints "Forward/UTM  1.23" for each pair measured on both sides. */
  void PrintRatios() const {
    std::printf("\nratio of points per second, petrivex / PROJ:\n");
    for (const auto& [name, ours] : rate_) {
      const std::string suffix = "/petrivex";
      if (name.size() <= suffix.size() || name.compare(name.size() - suffix.size(), suffix.size(), suffix)) continue;
      std::string base = name.substr(0, name.size() - suffix.size());
      auto proj = rate_.find(base + "/proj");
      if (proj != rate_.end() && proj->second > 0) std::printf("  %-20s %.2f\n", base.c_str(), ours / proj->second);
    }
  }

 private:
  std::map<std::string, double> rate_;  /* benchmark name -> points per second   */
  std::map<std::string, bool> median_;  /* benchmark name -> rate_ is a median   */
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}

/*
** coords_bench.cpp: conversions per second of prj_transform_point for each
** projection family, forward and inverse, beside PROJ's C API converting
** the same points on the same ellipsoid. Both sides convert one point per
** call, so the figures compare like with like.
**
**   bench_coords --benchmark_filter=Utm
*/
#include <benchmark/benchmark.h>
#include <proj.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "map/prj_transform.h"

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

/* 1000 geographic points within 2.5 degrees of the family's origin. */
std::vector<geo_point> Points(const Family& f) {
  std::vector<geo_point> pts;
  double lat0 = f.zone ? 45.0 : f.lat0;
  for (int i = 0; i < 1000; ++i)
    pts.push_back({f.lon0 - 2.5 + 5.0 * ((i * 37) % 1000) / 1000.0, lat0 - 2.5 + 5.0 * ((i * 91) % 1000) / 1000.0,
                   0, 0});
  return pts;
}

void OursForward(benchmark::State& state, const Family* f) {
  SetUpLists();
  prj_rec* geo = prj_find("GEOGRAPHIC WGS84", nullptr);
  prj_rec* sys = prj_find(f->name, nullptr);
  std::vector<geo_point> pts = Points(*f);
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
  std::vector<geo_point> pts = Points(*f);
  for (geo_point& p : pts) prj_transform_point(&p, geo, &p, sys);
  geo_point out;
  size_t i = 0;
  for (auto _ : state) {
    prj_transform_point(&pts[i], sys, &out, geo);
    benchmark::DoNotOptimize(out);
    if (++i == pts.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}

/* PROJ's operation for the family on the same ellipsoid; radians in, metres
** out (forward). */
PJ* ProjFor(const Family& f) {
  std::string def = std::string(f.proj) + " +a=6378137 +b=6356752.314245179 +no_defs";
  return proj_create(PJ_DEFAULT_CTX, def.c_str());
}

void ProjForward(benchmark::State& state, const Family* f) {
  PJ* pj = ProjFor(*f);
  if (!pj) {
    state.SkipWithError("PROJ cannot make the operation");
    return;
  }
  std::vector<geo_point> pts = Points(*f);
  std::vector<PJ_COORD> in;
  for (const geo_point& p : pts) in.push_back(proj_coord(proj_torad(p.x), proj_torad(p.y), 0, 0));
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
  std::vector<geo_point> pts = Points(*f);
  std::vector<PJ_COORD> in;
  for (const geo_point& p : pts)
    in.push_back(proj_trans(pj, PJ_FWD, proj_coord(proj_torad(p.x), proj_torad(p.y), 0, 0)));
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

}  // namespace

BENCHMARK_MAIN();

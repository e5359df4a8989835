/*
** editor_selection_test.cpp: selection sets of the stand-in editor: window
** and crossing selection with filters on type and application, "X", "L",
** "P", user picks from a script, set bookkeeping, ads_xformss and
** ads_draggen.
*/
#include "editor_fixture.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

using Selection = EditorTest;

/* Number of members of a set (-1 when it cannot be read). */
static long count(const ads_name ss) {
  long n = -1;
  return ads_sslength(ss, &n) == RTNORM ? n : -1;
}

TEST_F(Selection, CrossingTakesWhatTouchesTheWindowAndWindowOnlyWhatLiesInside) {
  ads_name inside, across, outside, ss;
  line(1, 1, 2, 2, inside);
  line(-5, 1.5, 5, 1.5, across);
  line(10, 10, 11, 11, outside);
  ads_point lo = {0, 0, 0}, hi = {3, 3, 0};
  ASSERT_EQ(ads_ssget("C", lo, hi, nullptr, ss), RTNORM);
  EXPECT_EQ(count(ss), 2);
  EXPECT_EQ(ads_ssmemb(across, ss), RTNORM);
  EXPECT_EQ(ads_ssmemb(outside, ss), RTERROR);
  ads_ssfree(ss);
  ASSERT_EQ(ads_ssget("W", hi, lo, nullptr, ss), RTNORM) << "corners in any order";
  EXPECT_EQ(count(ss), 1);
  EXPECT_EQ(ads_ssmemb(inside, ss), RTNORM);
  ads_ssfree(ss);
  ads_point far1 = {50, 50, 0}, far2 = {60, 60, 0};
  EXPECT_EQ(ads_ssget("C", far1, far2, nullptr, ss), RTERROR) << "an empty selection is an error";
  EXPECT_EQ(ads_ssget("C", far1, nullptr, nullptr, ss), RTERROR);
  EXPECT_EQ(host_open_selection_sets(), 0);
}

TEST_F(Selection, CrossingCatchesACircleWhoseCurvePassesThroughTheWindow) {
  ads_name c, ss;
  circle(0, 0, 10, c);
  ads_point lo = {9, -1, 0}, hi = {11, 1, 0};
  ASSERT_EQ(ads_ssget("C", lo, hi, nullptr, ss), RTNORM);
  ads_ssfree(ss);
  ads_point lo2 = {-1, -1, 0}, hi2 = {1, 1, 0};
  EXPECT_EQ(ads_ssget("C", lo2, hi2, nullptr, ss), RTERROR) << "the middle of a circle is empty";
}

TEST_F(Selection, FiltersOnTypeAndOnExtendedDataApplication) {
  ads_regapp("PETRIVEX");
  ads_name plain, linked, circ, ss;
  line(0, 0, 1, 1, plain);
  circle(0.5, 0.5, 0.2, circ);
  ads_point a = {0, 1, 0}, b = {1, 0, 0};
  struct resbuf* l = ads_buildlist(RTDXF0, "LINE", 10, a, 11, b, -3, 1001, "PETRIVEX", 1000, "P", 0);
  ASSERT_EQ(ads_entmakex(l, linked), RTNORM);
  ads_relrb(l);
  ads_point lo = {-1, -1, 0}, hi = {2, 2, 0};

  struct resbuf* app = ads_buildlist(-3, 1001, "PETRIVEX", 0);
  ASSERT_EQ(ads_ssget("C", lo, hi, app, ss), RTNORM);
  EXPECT_EQ(count(ss), 1);
  EXPECT_EQ(ads_ssmemb(linked, ss), RTNORM);
  ads_ssfree(ss);
  ads_relrb(app);

  struct resbuf* bare_app = ads_buildlist(1001, "PETRIVEX", 0);
  ASSERT_EQ(ads_ssget("X", nullptr, nullptr, bare_app, ss), RTNORM);
  EXPECT_EQ(count(ss), 1);
  ads_ssfree(ss);
  ads_relrb(bare_app);

  struct resbuf* type = ads_buildlist(RTDXF0, "CIRCLE,ARC", 0);
  ASSERT_EQ(ads_ssget("W", lo, hi, type, ss), RTNORM);
  EXPECT_EQ(count(ss), 1);
  EXPECT_EQ(ads_ssmemb(circ, ss), RTNORM);
  ads_ssfree(ss);
  ads_relrb(type);

  struct resbuf* bad = ads_buildlist(-4, "<OR", 0);
  EXPECT_EQ(ads_ssget("X", nullptr, nullptr, bad, ss), RTERROR);
  ads_relrb(bad);
}

TEST_F(Selection, AllLastAndPrevious) {
  ads_name a, b, ss, ss2, n;
  line(0, 0, 1, 1, a);
  line(5, 5, 6, 6, b);
  ASSERT_EQ(ads_ssget("L", nullptr, nullptr, nullptr, ss), RTNORM);
  ASSERT_EQ(ads_ssname(ss, 0, n), RTNORM);
  EXPECT_EQ(n[0], b[0]);
  ads_ssfree(ss);
  ASSERT_EQ(ads_ssget("X", nullptr, nullptr, nullptr, ss), RTNORM);
  EXPECT_EQ(count(ss), 2);
  ASSERT_EQ(ads_ssget("P", nullptr, nullptr, nullptr, ss2), RTNORM);
  EXPECT_EQ(count(ss2), 2);
  ads_ssfree(ss);
  ads_ssfree(ss2);
  EXPECT_EQ(ads_ssget("Q", nullptr, nullptr, nullptr, ss), RTERROR);
}

TEST_F(Selection, UserPicksComeFromTheScriptByHandleLastOrPoint) {
  ads_name a, b, ss;
  line(0, 0, 10, 0, a);
  line(0, 5, 10, 5, b);
  struct resbuf* l = ads_entget(a);
  std::string handle = find(l, 5)->resval.rstring;
  ads_relrb(l);
  host_io_use_script_text("#" + handle + "\nlast\n3,5.2\nnonsense\n\n");
  ASSERT_EQ(ads_ssget(nullptr, nullptr, nullptr, nullptr, ss), RTNORM);
  EXPECT_EQ(count(ss), 2) << "b picked twice counts once";
  ads_ssfree(ss);
  host_io_use_script_text("C -1,-1 1,1\nW -1,4 11,6\n\nALL\n\n");
  ASSERT_EQ(ads_ssget(nullptr, nullptr, nullptr, nullptr, ss), RTNORM);
  EXPECT_EQ(count(ss), 2) << "a crossing and a window answer";
  ads_ssfree(ss);
  ASSERT_EQ(ads_ssget(nullptr, nullptr, nullptr, nullptr, ss), RTNORM);
  EXPECT_EQ(count(ss), 2);
  ads_ssfree(ss);
  host_io_use_script_text("*cancel*\n");
  EXPECT_EQ(ads_ssget(nullptr, nullptr, nullptr, nullptr, ss), RTCAN);
  ads_point near_a = {4, 0.3, 0};
  ASSERT_EQ(ads_ssget(nullptr, near_a, nullptr, nullptr, ss), RTNORM) << "a point selection";
  ads_name m;
  ads_ssname(ss, 0, m);
  EXPECT_EQ(m[0], a[0]);
  ads_ssfree(ss);
}

TEST_F(Selection, SetBookkeepingRefusesWhatIsNotThere) {
  ads_name a, b, ss, res, m;
  line(0, 0, 1, 1, a);
  line(2, 2, 3, 3, b);
  ASSERT_EQ(ads_ssadd(nullptr, nullptr, ss), RTNORM);
  EXPECT_EQ(count(ss), 0);
  EXPECT_EQ(ads_ssadd(a, ss, res), RTNORM);
  EXPECT_EQ(ads_ssadd(a, ss, res), RTNORM);
  EXPECT_EQ(ads_ssadd(b, ss, res), RTNORM);
  EXPECT_EQ(count(ss), 2);
  EXPECT_EQ(ads_ssname(ss, 1, m), RTNORM);
  EXPECT_EQ(m[0], b[0]);
  EXPECT_EQ(ads_ssname(ss, 2, m), RTERROR);
  EXPECT_EQ(ads_ssname(ss, -1, m), RTERROR);
  EXPECT_EQ(ads_ssdel(a, ss), RTNORM);
  EXPECT_EQ(ads_ssdel(a, ss), RTERROR);
  EXPECT_EQ(ads_ssmemb(a, ss), RTERROR);
  ads_name ghost = {999, 1};
  EXPECT_EQ(ads_ssadd(ghost, ss, res), RTERROR);
  EXPECT_EQ(ads_ssfree(ss), RTNORM);
  EXPECT_EQ(ads_ssfree(ss), RTERROR);
  long n;
  EXPECT_EQ(ads_sslength(ss, &n), RTERROR);
  EXPECT_EQ(ads_sslength(a, &n), RTERROR) << "an entity name is not a set";
}

TEST_F(Selection, TooManyOpenSetsAreRefused) {
  std::vector<std::array<long, 2>> sets;
  ads_name ss;
  while (ads_ssadd(nullptr, nullptr, ss) == RTNORM && sets.size() < 1000) sets.push_back({ss[0], ss[1]});
  EXPECT_EQ(sets.size(), 128u);
  for (auto& s : sets) {
    ads_name n = {s[0], s[1]};
    ads_ssfree(n);
  }
  EXPECT_EQ(host_open_selection_sets(), 0);
}

TEST_F(Selection, XformssMovesRotatesAndScalesButRefusesAStretch) {
  ads_name a, c, ss, res;
  line(0, 0, 1, 0, a);
  circle(0, 0, 2, c);
  ads_ssadd(a, nullptr, ss);
  ads_ssadd(c, ss, res);
  ads_matrix m = {{0, -2, 0, 10}, {2, 0, 0, 20}, {0, 0, 2, 0}, {0, 0, 0, 1}};
  ASSERT_EQ(ads_xformss(ss, m), RTNORM);
  struct resbuf* l = ads_entget(a);
  EXPECT_NEAR(find(l, 10)->resval.rpoint[0], 10, 1e-12);
  EXPECT_NEAR(find(l, 11)->resval.rpoint[0], 10, 1e-12);
  EXPECT_NEAR(find(l, 11)->resval.rpoint[1], 22, 1e-12);
  ads_relrb(l);
  l = ads_entget(c);
  EXPECT_NEAR(find(l, 40)->resval.rreal, 4, 1e-12);
  ads_relrb(l);
  ads_matrix stretch = {{2, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
  EXPECT_EQ(ads_xformss(ss, stretch), RTERROR);
  l = ads_entget(c);
  EXPECT_NEAR(find(l, 40)->resval.rreal, 4, 1e-12) << "a refused matrix moves nothing";
  ads_relrb(l);
  ads_ssfree(ss);
}

static int g_drag_calls = 0;
/* Transform callback: a translation to the dragged point. */
static int drag_cb(ads_point pt, ads_matrix m) {
  ++g_drag_calls;
  for (int r = 0; r < 4; ++r)
    for (int k = 0; k < 4; ++k) m[r][k] = r == k;
  m[0][3] = pt[0];
  m[1][3] = pt[1];
  return RTNORM;
}

TEST_F(Selection, DraggenCallsTheTransformForAPointAndEndsOtherwise) {
  ads_name a, ss;
  line(0, 0, 1, 0, a);
  ads_ssadd(a, nullptr, ss);
  ads_point p;
  g_drag_calls = 0;
  host_io_use_script_text("5,6\n\n*cancel*\n");
  EXPECT_EQ(ads_draggen(ss, "\nPick new location:", 0, drag_cb, p), RTNORM);
  EXPECT_EQ(g_drag_calls, 1);
  EXPECT_EQ(p[0], 5);
  EXPECT_EQ(p[1], 6);
  EXPECT_EQ(ads_draggen(ss, "\nPick new location:", 0, drag_cb, p), RTNONE);
  EXPECT_EQ(ads_draggen(ss, "\nPick new location:", 0, drag_cb, p), RTCAN);
  EXPECT_EQ(g_drag_calls, 1);
  EXPECT_NE(host_io_transcript().find("Pick new location:"), std::string::npos);
  ads_ssfree(ss);
}

/* A line of the reference model: its ends and whether it is live. */
struct RefLine {
  long name[2];
  double a[2], b[2];
  bool live;
};

/* Reference answer: does segment ab meet the box [lo, hi]? (clipped
** against each slab in turn) */
static bool ref_meets(const RefLine& l, const double lo[2], const double hi[2]) {
  double t0 = 0, t1 = 1;
  for (int k = 0; k < 2; ++k) {
    double d = l.b[k] - l.a[k];
    if (d == 0) {
      if (l.a[k] < lo[k] || l.a[k] > hi[k]) return false;
      continue;
    }
    double ta = (lo[k] - l.a[k]) / d, tb = (hi[k] - l.a[k]) / d;
    t0 = std::max(t0, std::min(ta, tb));
    t1 = std::min(t1, std::max(ta, tb));
  }
  return t0 <= t1;
}

/* A window around one line of a map some thousand kilometres from the
** origin is offered only the lines near it, with the map setup's block at
** the origin or not, and when a second map lies far off as well. */
TEST_F(Selection, AWindowIsOfferedWhatStandsNearItWhateverLiesFarOff)
{
    ads_name origin, ss, e;
    line(0, 0, 1, 1, origin);
    ads_point o1 = {-1, -1, 0}, o2 = {2, 2, 0};
    ASSERT_EQ(ads_ssget("C", o1, o2, nullptr, ss), RTNORM);
    ads_ssfree(ss);
    const double east = 600000, north = 5600000, step = 30;
    for (double far : {0.0, 3000000.0}) {
        for (int i = 0; i < 1600; ++i)
            line(far + east + (i % 40) * step, north + (i / 40) * step, far + east + (i % 40) * step + 2,
                 north + (i / 40) * step, e);
        for (int i = 0; i < 1600; i += 97) {
            double x = far + east + (i % 40) * step, y = north + (i / 40) * step;
            ads_point p1 = {x - 5, y - 5, 0}, p2 = {x + 5, y + 5, 0};
            ASSERT_EQ(ads_ssget("C", p1, p2, nullptr, ss), RTNORM);
            EXPECT_EQ(count(ss), 1);
            ads_ssfree(ss);
            EXPECT_LE(host_selection_offered(), 8u) << "line " << i << (far > 0 ? " of the second map" : "");
        }
    }
}

/* Window and crossing selections over random drawings whose lines are
** added, moved (entmod and xformss), erased and brought back give, in
** drawing order, exactly what testing every line gives; short and long
** lines mixed, windows small and large. */
TEST_F(Selection, WindowsTakeWhatTestingEveryEntityTakesAsTheDrawingChanges) {
  std::mt19937 rng(20261207);
  auto coord = [&](double span) { return std::uniform_real_distribution<double>(-span, span)(rng); };
  std::vector<RefLine> lines;
  auto add = [&]() {
    RefLine l;
    double len = rng() % 10 == 0 ? 400 : 3;
    l.a[0] = coord(100), l.a[1] = coord(100);
    l.b[0] = l.a[0] + coord(len), l.b[1] = l.a[1] + coord(len);
    line(l.a[0], l.a[1], l.b[0], l.b[1], l.name);
    l.live = true;
    lines.push_back(l);
  };
  auto check = [&](const char* stage) {
    for (int q = 0; q < 40; ++q) {
      double c[2] = {coord(120), coord(120)}, half = q % 8 == 0 ? 150 : std::fabs(coord(8));
      ads_point p1 = {c[0] - half, c[1] - half, 0}, p2 = {c[0] + half, c[1] + half, 0};
      double lo[2] = {p1[0], p1[1]}, hi[2] = {p2[0], p2[1]};
      for (bool crossing : {true, false}) {
        std::vector<long> want, got;
        for (const RefLine& l : lines) {
          bool inside = l.a[0] >= lo[0] && l.a[0] <= hi[0] && l.a[1] >= lo[1] && l.a[1] <= hi[1] &&
                        l.b[0] >= lo[0] && l.b[0] <= hi[0] && l.b[1] >= lo[1] && l.b[1] <= hi[1];
          if (l.live && (crossing ? ref_meets(l, lo, hi) : inside)) want.push_back(l.name[0]);
        }
        ads_name ss;
        if (ads_ssget(crossing ? "C" : "W", p1, p2, nullptr, ss) == RTNORM) {
          long n = 0;
          ads_sslength(ss, &n);
          for (long i = 0; i < n; ++i) {
            ads_name e;
            ads_ssname(ss, i, e);
            got.push_back(e[0]);
          }
          ads_ssfree(ss);
        }
        ASSERT_EQ(got, want) << stage << (crossing ? ", crossing " : ", window ") << q;
      }
    }
  };
  check("empty drawing");
  /* More lines than the grid built over the empty drawing holds: it is built anew. */
  for (int i = 0; i < 1100; ++i) add();
  check("lines added");
  for (int round = 0; round < 4; ++round) {
    for (int i = 0; i < 60; ++i) add();
    for (int i = 0; i < 80; ++i) {
      RefLine& l = lines[rng() % lines.size()];
      switch (rng() % 3) {
        case 0: {
          if (!l.live) break;
          l.a[0] = coord(100), l.a[1] = coord(100), l.b[0] = coord(100), l.b[1] = coord(100);
          struct resbuf* el = ads_entget(l.name);
          struct resbuf* p10 = const_cast<struct resbuf*>(find(el, 10));
          struct resbuf* p11 = const_cast<struct resbuf*>(find(el, 11));
          p10->resval.rpoint[0] = l.a[0], p10->resval.rpoint[1] = l.a[1];
          p11->resval.rpoint[0] = l.b[0], p11->resval.rpoint[1] = l.b[1];
          ASSERT_EQ(ads_entmod(el), RTNORM);
          ads_relrb(el);
          break;
        }
        case 1:
          ASSERT_EQ(ads_entdel(l.name), RTNORM);
          l.live = !l.live;
          break;
        default: {
          if (!l.live) break;
          ads_name ss;
          ads_ssadd(l.name, nullptr, ss);
          double dx = coord(50), dy = coord(50);
          ads_matrix m = {{1, 0, 0, dx}, {0, 1, 0, dy}, {0, 0, 1, 0}, {0, 0, 0, 1}};
          ASSERT_EQ(ads_xformss(ss, m), RTNORM);
          ads_ssfree(ss);
          l.a[0] += dx, l.a[1] += dy, l.b[0] += dx, l.b[1] += dy;
        }
      }
    }
    check("lines added, moved and erased");
  }
}

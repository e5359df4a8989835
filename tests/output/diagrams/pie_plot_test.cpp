/*
** pie_plot_test.cpp: the pie's geometry (the circle's vertices, a sector's
** outline and fill, a wide sector in pieces) and a row drawn as a linked
** block: proportional sectors over the row's total, values left out as
** absent, fixed sectors at their columns' text positions, and a row
** without map position.
*/
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "draw/ent_make.h"
#include "draw/link.h"
#include "output/diagrams/pie_diagram.h"
#include "output/survey_fixture.h"

namespace {

constexpr double kDeg = M_PI / 180;
using points = std::vector<std::pair<double, double>>;

class Pie : public SurveyTest {
 protected:
  sym_place_rec place_{};
  void SetUp() override {
    SurveyTest::SetUp();
    sym_place_init(&place_);
    place_.layer = "PIE";
  }
  void TearDown() override {
    pie_state_clear();
    SurveyTest::TearDown();
  }

  /* The vertices of the last polyline drawn in model space. */
  static points last_polyline() {
    ads_name e;
    if (ads_entlast(e) != RTNORM || type_of(e) != "POLYLINE") return {};
    return vertices(e);
  }
  /* The angles (degrees, 0 to 360) of points around the origin. */
  static std::vector<long> angles(const points &p) {
    std::vector<long> out;
    for (const auto &[x, y] : p) {
      double a = std::atan2(y, x) / kDeg;
      if (a < -1e-9) a += 360;
      out.push_back(std::lround(a));
    }
    return out;
  }

  /* Sets up the state for the row with the columns of each ring. */
  void choose(std::vector<const char *> inside, std::vector<const char *> outside = {}) {
    ASSERT_EQ(pie_setup_from_row(row_), 0);
    g_pie.radius = 1;
    g_pie.circle = 0;
    std::vector<const char *> rings[] = {inside, outside};
    for (int i = 0; i < PIE_RINGS; i++) {
      pie_ring_state &r = g_pie.ring[i];
      r.count = (int)rings[i].size();
      r.columns = (int *)malloc(sizeof(int) * (rings[i].size() + 1));
      for (int k = 0; k < r.count; k++) r.columns[k] = index_of(rings[i][(size_t)k]);
    }
  }

  /* The polylines of the block of the last INSERT (each as its vertices),
  ** the count of SOLIDs in *solids. */
  std::vector<points> block_polylines(int *solids = nullptr) {
    ads_name ins;
    EXPECT_EQ(ads_entlast(ins), RTNORM);
    EXPECT_EQ(type_of(ins), "INSERT");
    struct resbuf *l = ads_entget(ins);
    std::string name = rb_find(l, 2) ? rb_find(l, 2)->resval.rstring : "";
    ads_relrb(l);
    return polylines_of(name.c_str(), solids);
  }
  std::vector<points> polylines_of(const char *block, int *solids) {
    ads_name first = {0, 0};
    std::vector<std::string> types = block_types(block, first);
    std::vector<points> out;
    if (solids) *solids = 0;
    ads_name e = {first[0], first[1]};
    for (const std::string &t : types) {
      if (t == "POLYLINE") out.push_back(vertices(e));
      if (t == "SOLID" && solids) ++*solids;
      step(e);
    }
    return out;
  }
};

}  // namespace

TEST_F(Pie, CircleHasAVertexOnEveryMultipleOf45DegreesAndHalfWidthStepsBetween) {
  struct {
    double width_deg;
    size_t vertices;
    std::vector<long> must_hold;
  } cases[] = {
      {0, 9, {0, 45, 90, 135, 180, 225, 270, 315, 360}},
      {90, 9, {0, 45, 360}},
      {30, 25, {0, 15, 30, 45, 60, 345, 360}},
      {20, 41, {0, 10, 20, 30, 40, 45, 55, 85, 90, 355, 360}},
  };
  for (const auto &c : cases) {
    ASSERT_EQ(pie_draw_circle(&place_, 2, c.width_deg * kDeg), 0) << c.width_deg;
    points p = last_polyline();
    ASSERT_EQ(p.size(), c.vertices) << c.width_deg;
    std::vector<long> a = angles(p);
    a.back() = 360;   /* the closing vertex lies on the first */
    for (long want : c.must_hold)
      EXPECT_NE(std::find(a.begin(), a.end(), want), a.end()) << c.width_deg << " lacks " << want;
    for (const auto &[x, y] : p) EXPECT_NEAR(std::hypot(x, y), 2, 1e-12);
  }
  EXPECT_EQ(pie_draw_circle(&place_, 0, 0), -2);
  EXPECT_EQ(pie_draw_circle(nullptr, 1, 0), -2);
}

TEST_F(Pie, FixedInsideSectorAtNorthIsOutlinedFromTheRimInwards) {
  ASSERT_EQ(pie_draw_sector(&place_, 1, 0.5, 30 * kDeg, 90 * kDeg, 1), 0);
  points want = {{0, 0.5},         {0, 1},         {-0.258819, 0.965926}, {-0.5, 0.866025},
                 {-0.25, 0.433013}, {-0.129410, 0.482963}, {0, 0.5}};
  points got = last_polyline();
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < want.size(); i++) {
    EXPECT_NEAR(got[i].first, want[i].first, 1e-6) << i;
    EXPECT_NEAR(got[i].second, want[i].second, 1e-6) << i;
  }
  ASSERT_EQ(pie_draw_sector(&place_, 1, 0.5, 30 * kDeg, 0, 0), 0);
  EXPECT_NEAR(std::hypot(last_polyline()[1].first, last_polyline()[1].second), 1.5, 1e-12) << "outside reaches R + L";
}

TEST_F(Pie, SectorGuardsAndAZeroFixedLengthReachingTheCentre) {
  for (double bad : {-0.1, 1.5}) EXPECT_EQ(pie_draw_sector(&place_, 1, bad, 0.5, 0, 1), -2) << bad;
  EXPECT_EQ(pie_draw_sector(&place_, 0, 0, 0.5, 0, 1), -2);
  EXPECT_EQ(pie_draw_sector(nullptr, 1, 0, 0.5, 0, 1), -2);
  ASSERT_EQ(pie_draw_sector(&place_, 1, 0, 0.5, 0, 1), 0);
  EXPECT_NEAR(last_polyline()[0].first, 0, 1e-12) << "L = 0 is L = R: the inner edge is the centre";
}

TEST_F(Pie, FilledSectorsAreTwoSolidsOrOneFromTheCentre) {
  place_.fill = 1;
  int before = entities();
  ASSERT_EQ(pie_draw_sector(&place_, 1, 0.5, 0.5, 0, 0), 0);
  EXPECT_EQ(entities(), before + 3) << "two SOLIDs and the outline";
  before = entities();
  ASSERT_EQ(pie_draw_sector(&place_, 1, 1, 0.5, 0, 1), 0);
  EXPECT_EQ(entities(), before + 2) << "one SOLID from the centre and the outline";
}

TEST_F(Pie, WideSectorIsDrawnInPiecesOf45DegreesAndTheRest) {
  int before = entities();
  ASSERT_EQ(pie_draw_sector_pieces(&place_, 1, 0.5, 100 * kDeg, 10 * kDeg, 0), 0);
  EXPECT_EQ(entities(), before + 3);
  std::vector<long> last = angles(last_polyline());
  EXPECT_EQ(last.front(), 100);
  EXPECT_EQ(last[3], 110) << "the last piece ends at 10 + 100 degrees";
  before = entities();
  EXPECT_EQ(pie_draw_sector_pieces(&place_, 1, 0.5, 0, 0, 0), 0);
  EXPECT_EQ(pie_draw_sector_pieces(&place_, 1, 0.5, 20 * kDeg, 0, 0), 0);
  EXPECT_EQ(entities(), before + 1) << "nothing for 0; one piece up to 22.5 degrees";
  EXPECT_EQ(pie_draw_sector_pieces(&place_, 1, 2, 1, 0, 0), -2);
}

TEST_F(Pie, ProportionalWidthsSpanTheRowsOwnTotalAndTheBlockIsInsertedLinkedAtTheRowsPoint) {
  make_row({{"CU", "1"}, {"ZN", "3"}});
  choose({"CU", "ZN"});
  g_pie.ring[PIE_INSIDE].width_prop = 1;
  ASSERT_EQ(pie_plot_row(), 0);
  ads_name ins;
  ASSERT_EQ(ads_entlast(ins), RTNORM);
  EXPECT_NEAR(point_of(ins, 10).first, 100, 1e-12);
  EXPECT_NEAR(point_of(ins, 10).second, 200, 1e-12);
  link_rec l;
  ASSERT_EQ(link_xdata_get(&l, ins), 0);
  EXPECT_EQ(fields(l), "GEO|ST|7|BASENUMBER|S7|");
  std::vector<points> sectors = block_polylines();
  ASSERT_EQ(sectors.size(), 2u + 6u) << "90 degrees in two pieces, 270 in six";
  EXPECT_EQ(angles(sectors.front())[1], 0);
  EXPECT_EQ(angles(sectors[1])[3], 90);
  EXPECT_EQ(angles(sectors[2])[1], 90);
  EXPECT_EQ(angles(sectors.back())[3] % 360, 0);
  EXPECT_EQ(pie_plot_end(), 0);
  EXPECT_EQ(g_pie.row, nullptr);
  EXPECT_EQ(pie_plot_row(), -2);
}

TEST_F(Pie, RowOfZerosOrZeroLengthsDrawsNoSectorButAnUnsetFixedLengthDoes) {
  struct {
    const char *what;
    int width_prop, length_prop;
    double length;
    const char *cu;
    size_t sectors;
  } cases[] = {
      {"all values 0, proportional width", 1, 0, 0, "0", 0},
      {"all values 0, proportional length", 0, 1, 0, "0", 0},
      {"a value, fixed width and length left 0", 0, 0, 0, "2", 1},
  };
  for (const auto &c : cases) {
    make_row({{"CU", c.cu}, {"ZN", "0"}});
    choose({"CU", "ZN"});
    g_pie.ring[PIE_INSIDE].width_prop = c.width_prop;
    g_pie.ring[PIE_INSIDE].length_prop = c.length_prop;
    g_pie.ring[PIE_INSIDE].width = 30;
    g_pie.ring[PIE_INSIDE].length = c.length;
    g_pie.maximum = 0;
    ASSERT_EQ(pie_plot_row(), 0) << c.what;
    std::vector<points> sectors = block_polylines();
    EXPECT_EQ(sectors.size(), c.sectors + (c.width_prop || c.length_prop ? 0 : 1)) << c.what;
    if (!c.width_prop && !c.length_prop) {
      EXPECT_NEAR(sectors.back()[0].first, 0, 1e-12) << "from the centre";
    }
  }
}

TEST_F(Pie, AbsentNullAndAbsentTextValuesAreLeftOut) {
  struct {
    const char *what;
    const char *absent;
    std::map<std::string, const char *> values;
    size_t sectors;
  } cases[] = {
      {"the number standing for absent", "-1", {{"CU", "-1"}, {"ZN", "2"}, {"ROCK", "GRANITE"}}, 2},
      {"a text equal in another case, trimmed", "n.d.", {{"CU", "1"}, {"ZN", "2"}, {"ROCK", " N.D. "}}, 2},
      {"null values", "", {{"ROCK", "BASALT"}}, 1},
      {"nothing absent", "", {{"CU", "1"}, {"ZN", "0"}, {"ROCK", "BASALT"}}, 3},
  };
  for (const auto &c : cases) {
    make_row(c.values);
    choose({"CU", "ZN", "ROCK"});
    snprintf(g_pie.absent, sizeof g_pie.absent, "%s", c.absent);
    g_pie.ring[PIE_INSIDE].width = 30;
    g_pie.ring[PIE_INSIDE].length = 0.5;
    ASSERT_EQ(pie_plot_row(), 0) << c.what;
    EXPECT_EQ(block_polylines().size(), c.sectors) << c.what;
  }
}

TEST_F(Pie, FixedSectorsStartAtTheirColumnsTextPositionsSouthEastAndSharedOnesIncluded) {
  column_setup("CU", SYM_TEXT, 3);
  column_setup("ZN", SYM_TEXT, 8);
  column_setup("PB", SYM_TEXT, 8);
  make_row({{"CU", "1"}, {"ZN", "2"}, {"PB", "3"}});
  choose({"CU", "ZN"}, {"PB"});
  g_pie.ring[PIE_INSIDE].width = 30;
  g_pie.ring[PIE_OUTSIDE].width = 30;
  g_pie.ring[PIE_OUTSIDE].length = 0.25;
  ASSERT_EQ(pie_plot_row(), 0);
  std::vector<points> sectors = block_polylines();
  ASSERT_EQ(sectors.size(), 3u) << "every chosen column once";
  std::vector<long> starts;
  for (const points &p : sectors) starts.push_back(angles(p)[1]);
  EXPECT_EQ(starts, (std::vector<long>{90, 315, 315}));
  EXPECT_NEAR(std::hypot(sectors[2][1].first, sectors[2][1].second), 1.25, 1e-12) << "outside ring";
}

TEST_F(Pie, CircleWidthFollowsTheNarrowerFixedRingAndFillComesFromTheColumnsSetup) {
  sym_rec *s = column_setup("CU", SYM_TEXT, 1);
  s->flags |= SYM_SOLID;
  make_row({{"CU", "1"}});
  choose({"CU"});
  g_pie.circle = 1;
  g_pie.ring[PIE_INSIDE].width = 90;
  g_pie.ring[PIE_OUTSIDE].width = 20;
  ASSERT_EQ(pie_plot_row(), 0);
  int solids = 0;
  std::vector<points> drawn = block_polylines(&solids);
  ASSERT_EQ(drawn.size(), 2u);
  EXPECT_EQ(drawn[0].size(), 41u) << "steps of 10 degrees";
  EXPECT_EQ(solids, 1) << "the fixed length 0 fills from the centre";
}

TEST_F(Pie, RowWithoutMapPositionKeepsItsBlockButIsNotInserted) {
  make_row({{"CU", "1"}});
  choose({"CU"});
  g_pie.ring[PIE_INSIDE].width = 30;
  set_texts({{"X", " "}});
  int inserts = entities();
  EXPECT_EQ(pie_plot_row(), -1);
  EXPECT_EQ(entities(), inserts);
}

TEST_F(Pie, AValueStandingForAbsentCountsNeitherAsSectorNorInTheTotal) {
  make_row({{"CU", "1"}, {"ZN", "-1"}, {"PB", "3"}});
  choose({"CU", "ZN", "PB"});
  snprintf(g_pie.absent, sizeof g_pie.absent, "-1");
  g_pie.ring[PIE_INSIDE].width_prop = 1;
  ASSERT_EQ(pie_plot_row(), 0);
  std::vector<points> sectors = block_polylines();
  ASSERT_EQ(sectors.size(), 2u + 6u);
  EXPECT_EQ(angles(sectors[1])[3], 90) << "1 of 4, not 1 of 5";
}

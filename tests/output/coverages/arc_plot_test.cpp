/*
** arc_plot_test.cpp: coverage polygons drawn into the stand-in editor: one
** POLYLINE per ring, closed by repeating its first vertex, one hatch over
** them carrying the unit's link, ring breaks that make no empty polyline,
** and a polygon that cannot be read draws nothing.
*/
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "coords/prj_list.h"
#include "output/cover_writer.h"
#include "draw/draw_util.h"
#include "draw/sym_place.h"
#include "map/draw_fixture.h"
#include "output/coverages/arc_plot.h"
#include "scratch_dir.h"

namespace {

/* More entities than any test draws: the walk stops there. */
constexpr std::size_t MODEL_MAX = 100;

class Plot : public DrawTest {
 protected:
  std::filesystem::path dir;
  arc_cover_rec *c = nullptr;
  prj_rec user{};
  void SetUp() override {
    DrawTest::SetUp();
    dir = pv_make_scratch_dir("pv_arc_plot_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_");
    c = arc_cover_alloc();
    prj_init(&user);
    user.type = PRJ_TYPE_USER;
  }
  void TearDown() override {
    arc_cover_free(c);
    std::filesystem::remove_all(dir);
    DrawTest::TearDown();
  }
  /* Writes and attaches the coverage. */
  void attach(const tw_cover &w) {
    w.write(dir);
    ASSERT_EQ(arc_cover_attach(c, dir.string().c_str()), 1);
  }
  /* The model's entities as (type, vertex points of a POLYLINE). */
  struct drawn {
    std::string type;
    std::vector<std::pair<double, double>> pts;
    ads_name name;
  };
  static std::vector<drawn> model() {
    std::vector<drawn> out;
    ads_name e;
    if (ads_entnext(nullptr, e) != RTNORM) return out;
    do {
      struct resbuf *l = ads_entget(e);
      std::string type = rb_find(l, 0)->resval.rstring;
      ads_relrb(l);
      if (type == "VERTEX") {
        l = ads_entget(e);
        out.back().pts.push_back({rb_find(l, 10)->resval.rpoint[0], rb_find(l, 10)->resval.rpoint[1]});
        ads_relrb(l);
      } else if (type != "SEQEND") {
        out.push_back({type, {}, {e[0], e[1]}});
      }
      ads_name next;
      if (ads_entnext(e, next) != RTNORM || out.size() > MODEL_MAX) break;
      e[0] = next[0];
      e[1] = next[1];
    } while (true);
    return out;
  }
};

using P = std::vector<std::pair<double, double>>;

TEST_F(Plot, PolygonWithAHoleGivesTwoClosedPolylinesUnderOneLinkedHatch) {
  attach(tw_two_squares());
  table(project("GEO"), "UNIT", TBL_DEF_UNIT);
  link_rec l = link("GEO", "UNIT", 7, link_own_key_name(TBL_DEF_UNIT), "3");
  sym_place_rec place;
  sym_place_init(&place);
  place.pattern = "ANSI31";
  place.layer = "UNITS";
  ASSERT_EQ(arc_plot_polygon(c, 3, &user, &user, &l, &place), 0) << host_io_transcript();
  std::vector<drawn> m = model();
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(m[0].type, "POLYLINE");
  EXPECT_EQ(m[0].pts, (P{{1, 0}, {1, 1}, {2, 1}, {2, 0}, {1, 0}}));
  EXPECT_EQ(m[1].type, "POLYLINE");
  EXPECT_EQ(m[1].pts, (P{{1.25, 0.25}, {1.75, 0.25}, {1.5, 0.75}, {1.25, 0.25}}));
  EXPECT_EQ(m[2].type, "HATCH");
  struct resbuf *h = ads_entget(m[2].name);
  EXPECT_EQ(rb_find(h, 91)->resval.rlong, 2) << "one hatch over both rings";
  EXPECT_STREQ(rb_find(h, 8)->resval.rstring, "UNITS");
  ads_relrb(h);
  link_rec got;
  ASSERT_EQ(link_xdata_get(&got, m[2].name), 0);
  EXPECT_EQ(fields(got), fields(l));
  link_rec none;
  EXPECT_NE(link_xdata_get(&none, m[0].name), 0) << "the outlines carry no link";
}

TEST_F(Plot, RingBreaksAtTheStartOrInARowMakeNoEmptyPolyline) {
  tw_cover w = tw_two_squares();
  w.pals[2].arcs = {{{0, 0, 0}}, {{1, 1, 2}}, {{-3, 2, 1}}, {{0, 0, 0}}, {{0, 0, 0}}, {{4, 3, 3}}, {{0, 0, 0}}};
  attach(w);
  sym_place_rec place;
  sym_place_init(&place);
  ASSERT_EQ(arc_plot_polygon(c, 3, &user, &user, nullptr, &place), 0) << host_io_transcript();
  std::vector<drawn> m = model();
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(m[0].pts.size(), 5u);
  EXPECT_EQ(m[1].pts.size(), 4u);
  EXPECT_EQ(m[2].type, "HATCH");
}

TEST_F(Plot, PolygonThatCannotBeReadOrHasNoPointsDrawsNothing) {
  tw_cover w = tw_two_squares();
  w.pals[1].arcs = {{{0, 0, 0}}, {{9, 0, 0}}};
  attach(w);
  sym_place_rec place;
  sym_place_init(&place);
  EXPECT_EQ(arc_plot_polygon(c, 4, &user, &user, nullptr, &place), -1);
  EXPECT_EQ(arc_plot_polygon(c, 0, &user, &user, nullptr, &place), -1);
  EXPECT_EQ(arc_plot_polygon(c, 2, &user, &user, nullptr, &place), -1);
  EXPECT_EQ(entities(), 0);
}

TEST_F(Plot, PolygonWithAnArcThatCannotBeReadDrawsNothingAndSaysWhichArc) {
  tw_cover w = tw_two_squares();
  w.pals[2].arcs.push_back({{9, 0, 0}});
  attach(w);
  sym_place_rec place;
  sym_place_init(&place);
  std::string why;
  EXPECT_EQ(arc_plot_polygon(c, 3, &user, &user, nullptr, &place, &why), -1);
  EXPECT_EQ(why, "arc 9 of its polygon cannot be read");
  EXPECT_EQ(entities(), 0) << "no unit drawn from part of its boundary";
}

}  // namespace

/*
** prj_project_test.cpp: pv_project and prj_project_drawing (whole
** entities converted or left, the counts of the summary, the map setup's
** reference left alone, the map's system changed) and pv_map (its checks
** in order, what it stores, the block rewritten).
*/
#include <cmath>
#include <fstream>
#include <string>

#include "coords/prj_transform.h"
#include "draw/draw_util.h"
#include "draw/map_params.h"
#include "host_editor.h"
#include "map/crs_fixture.h"
#include "map/prj_project.h"

namespace {

class ProjectTest : public CrsTest {
 protected:
  void SetUp() override {
    CrsTest::SetUp();
    utm_ = prj_find("UTM 31 WGS84", nullptr);
    geo_ = prj_find("GEOGRAPHIC WGS 84", nullptr);
    ASSERT_NE(utm_, nullptr);
    ASSERT_NE(geo_, nullptr);
    if (!g_map_params.block_name[0] && map_params_write(&g_map_params) == 0) map_params_insert(&g_map_params);
    map_params_set_projection(&g_map_params, utm_);
  }

  /* Makes an entity from a list of groups and releases the list. */
  static void make(struct resbuf *list) {
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(ads_entmake(list), RTNORM);
    ads_relrb(list);
  }
  static void line(double x1, double y1, double x2, double y2) {
    ads_point a = {x1, y1, 0}, b = {x2, y2, 0};
    make(ads_buildlist(RTDXF0, "LINE", 8, "0", 10, a, 11, b, 0));
  }
  static void polyline(const std::vector<std::pair<double, double>> &pts) {
    ads_point zero = {0, 0, 0};
    make(ads_buildlist(RTDXF0, "POLYLINE", 8, "0", 66, 1, 10, zero, 0));
    for (auto &p : pts) {
      ads_point v = {p.first, p.second, 0};
      make(ads_buildlist(RTDXF0, "VERTEX", 8, "0", 10, v, 0));
    }
    make(ads_buildlist(RTDXF0, "SEQEND", 0));
  }
  /* Every position of the entities of a type in the drawing, in order. */
  static std::vector<std::pair<double, double>> positions(const char *type) {
    std::vector<std::pair<double, double>> out;
    ads_name e = {0, 0}, n;
    while (ads_entnext(e, n) == RTNORM && (n[0] || n[1])) {
      ename_copy(e, n);
      struct resbuf *list = ads_entget(e);
      struct resbuf *t = rb_find(list, 0);
      if (t && std::string(t->resval.rstring) == type)
        for (struct resbuf *rb = list; rb; rb = rb->rbnext)
          if (rb->restype >= 10 && rb->restype <= 11) out.push_back({rb->resval.rpoint[0], rb->resval.rpoint[1]});
      ads_relrb(list);
    }
    return out;
  }
  /* The position converted from the UTM system to longitude and latitude. */
  std::pair<double, double> geographic(double x, double y) {
    geo_point in = {x, y, 0, 0}, out;
    EXPECT_TRUE(prj_transform_point(&in, utm_, &out, geo_));
    return {out.x, out.y};
  }
  /* Index of a system in the dialogs' system lists. */
  static std::string pos(const prj_rec *p) {
    int i = 0;
    for (prj_rec *q = prj_list_head(); q && q != p; q = q->next) ++i;
    return std::to_string(i);
  }

  prj_rec *utm_ = nullptr;
  prj_rec *geo_ = nullptr;
};

TEST_F(ProjectTest, LineAndPolylineAreProjectedTheDimensionIsCountedAsOther) {
  /* A dimension only comes with a drawing file. */
  std::string dxf = (dir_ / "dim.dxf").string();
  std::ofstream(dxf) << "0\nSECTION\n2\nENTITIES\n0\nDIMENSION\n8\n0\n10\n500000.0\n20\n4500000.0\n30\n0.0\n"
                        "11\n500250.0\n21\n4500010.0\n31\n0.0\n70\n1\n13\n500000.0\n23\n4500000.0\n33\n0.0\n"
                        "14\n500500.0\n24\n4500000.0\n34\n0.0\n0\nENDSEC\n0\nEOF\n";
  std::string why;
  ASSERT_TRUE(host_open_drawing(dxf, why)) << why;
  g_map_params.block_name[0] = 0;
  ASSERT_EQ(map_params_write(&g_map_params), 0);
  ASSERT_EQ(map_params_insert(&g_map_params), 0);
  map_params_set_projection(&g_map_params, utm_);
  line(500000, 4500000, 501000, 4501000);
  polyline({{500000, 4500000}, {500100, 4500100}, {500200, 4500000}});
  std::string t = run("pv_project", "pv_project\nselect proj_out " + pos(geo_) + "\nok\npv_alert_wrap\nok\n");
  EXPECT_NE(t.find("2 entities projected.\nERROR: Unable to project 1 other entities."), std::string::npos) << t;
  EXPECT_NE(t.find("\nEntities... 0"), std::string::npos);
  EXPECT_NE(t.find("\rEntities... 2"), std::string::npos);
  EXPECT_EQ(g_map_params.projection, geo_);
  auto lines = positions("LINE");
  ASSERT_EQ(lines.size(), 2u);
  auto want = geographic(501000, 4501000);
  EXPECT_NEAR(lines[1].first, want.first, 1e-9);
  EXPECT_NEAR(lines[1].second, want.second, 1e-9);
  auto vertices = positions("VERTEX");
  ASSERT_EQ(vertices.size(), 3u);
  want = geographic(500100, 4500100);
  EXPECT_NEAR(vertices[1].first, want.first, 1e-9);
  EXPECT_NEAR(vertices[1].second, want.second, 1e-9);
  EXPECT_EQ(positions("DIMENSION")[0].first, 500000.0) << "the dimension stays";
  EXPECT_EQ(positions("INSERT")[0].first, 0.0) << "the setup block's reference stays at the origin";
}

TEST_F(ProjectTest, APolylineWithOnePointOutOfReachStaysWholeAndCountsOnce) {
  /* A USER map: only a transformation would reach the target, and none
  ** covers the second vertex. */
  prj_rec *user = prj_find("USER", nullptr);
  ASSERT_NE(user, nullptr);
  xfrm_rec *t = xfrm_new();
  prj_name_copy(t->name, "ZZ LOCAL");
  prj_name_copy(t->prj_name1, "USER");
  prj_name_copy(t->prj_name2, "UTM 31 WGS84");
  xfrm_alloc_points(t, 3);
  t->src[0] = {0, 0, 0, 0}, t->src[1] = {100, 0, 0, 0}, t->src[2] = {0, 100, 0, 0};
  t->dst[0] = {500000, 4500000, 0, 0}, t->dst[1] = {500100, 4500000, 0, 0}, t->dst[2] = {500000, 4500100, 0, 0};
  t->degree = 1;
  ASSERT_TRUE(xfrm_fit(t));
  ASSERT_TRUE(xfrm_insert(t));
  map_params_set_projection(&g_map_params, user);
  polyline({{10, 10}, {5000, 5000}, {20, 20}});
  line(10, 10, 50, 50);
  line(10, 10, 9000, 9000);
  ASSERT_EQ(prj_project_drawing(utm_), 0);
  std::string tr = take_transcript();
  EXPECT_NE(tr.find("1 entities projected.\nERROR: Unable to project 2 other entities."), std::string::npos) << tr;
  auto vertices = positions("VERTEX");
  ASSERT_EQ(vertices.size(), 3u);
  EXPECT_EQ(vertices[0].first, 10.0) << "no vertex of a polyline that cannot move whole is moved";
  auto lines = positions("LINE");
  EXPECT_NEAR(lines[0].first, 500010.0, 1e-6);
  EXPECT_EQ(lines[2].first, 10.0) << "a line with one point out of reach stays whole";
}

TEST_F(ProjectTest, APointNoFormulaPlacesIsNotProjectedTheOthersMoveAsCs2csSays) {
  prj_rec *utm10 = prj_find("UTM 10 NAD27", nullptr), *utm11 = prj_find("UTM 11 NAD27", nullptr);
  prj_rec *clarke = prj_find("GEOGRAPHIC Clarke 1866", nullptr);
  ASSERT_TRUE(utm10 && utm11 && clarke);
  geo_point far = {2.0e7, 9.9e7, 0, 0}, out = {0, 0, 0, 0};
  EXPECT_EQ(prj_transform_point(&far, utm10, &out, clarke), 0);
  EXPECT_EQ(prj_transform_point(&far, utm10, &out, utm11), 0);
  map_params_set_projection(&g_map_params, utm10);
  line(2.0e7, 9.9e7, 500000, 4500000);
  line(501000, 4501000, 480000, 4200000);
  polyline({{520000, 4700000}, {500000, 4500000}});
  /* A circle whose centre converts but whose radius reaches no formula. */
  ads_point centre = {500000, 4500000, 0};
  make(ads_buildlist(RTDXF0, "CIRCLE", 8, "0", 10, centre, 40, 9.4e7, 0));
  ASSERT_EQ(prj_project_drawing(clarke), 0);
  std::string tr = take_transcript();
  EXPECT_NE(tr.find("2 entities projected.\nERROR: Unable to project 2 other entities."), std::string::npos) << tr;
  EXPECT_EQ(positions("CIRCLE")[0], std::make_pair(500000.0, 4500000.0)) << "the circle stays whole";
  auto lines = positions("LINE");
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], std::make_pair(2.0e7, 9.9e7)) << "the far line stays where it was";
  EXPECT_EQ(lines[1], std::make_pair(500000.0, 4500000.0));
  /* cs2cs +proj=utm +zone=10 +ellps=clrk66 +to +proj=longlat +ellps=clrk66; 1e-8 degrees is about 1 mm */
  const std::pair<double, double> want[] = {{-122.988170193978, 40.661768191043}, {-123.227634661755, 37.949222022689},
                                            {-122.756775749286, 42.454002191571}, {-123.0, 40.652759872609}};
  auto moved = positions("VERTEX");
  moved.insert(moved.begin(), lines.begin() + 2, lines.end());
  ASSERT_EQ(moved.size(), 4u);
  for (int i = 0; i < 4; i++) {
    EXPECT_NEAR(moved[i].first, want[i].first, 1e-8) << i;
    EXPECT_NEAR(moved[i].second, want[i].second, 1e-8) << i;
  }
}

TEST_F(ProjectTest, TheMapsOwnSystemAsTargetDoesNothing) {
  line(500000, 4500000, 501000, 4501000);
  std::string t = run("pv_project", "pv_project\nok\n");
  EXPECT_EQ(t.find("entities projected"), std::string::npos) << t;
  EXPECT_EQ(positions("LINE")[0].first, 500000.0);
  EXPECT_TRUE(host_io_faults().empty());
  dlg_tile_snapshot in = tile("pv_project", "proj_in");
  EXPECT_FALSE(in.enabled);
}

TEST_F(ProjectTest, WithoutAMapSystemProjectingIsRefused) {
  map_params_set_projection(&g_map_params, nullptr);
  std::string t = run("pv_project", "pv_alert_wrap\nok\n");
  EXPECT_NE(t.find("No map projection defined. Use DU-ZOREZ to define the map projection."), std::string::npos) << t;
  EXPECT_EQ(prj_project_drawing(geo_), -2);
  map_params_set_projection(&g_map_params, utm_);
  EXPECT_EQ(prj_project_drawing(nullptr), -2);
}

/* Systems as a project's table may hold them (the dialog refuses them):
** pv-project and pv-map name such a system and why, and nothing moves; a
** TM in degrees converts nothing (it once gave metres). */
TEST_F(ProjectTest, AStoredSystemNoPointConvertsWithIsNamedAndNothingMoves) {
  auto stored = [](const char *name, const char *type, const char *units, geo_point parallels) {
    prj_rec *p = prj_new();
    prj_name_copy(p->name, name);
    prj_name_copy(p->type_name, type);
    prj_name_copy(p->dtm_name, "WGS 84");
    prj_name_copy(p->units_name, units);
    p->parallels = parallels;
    EXPECT_TRUE(prj_insert(p)) << name;
    return p;
  };
  prj_rec *flat = stored("ZZ FLAT CONE", "LAMBERT", "meters", {-30, 30, 0, 0});
  prj_rec *degrees = stored("ZZ TM DEGREES", "TM", "degrees", {0, 0, 0, 0});
  geo_point g = {1, 1, 0, 0}, out = {7, 7, 0, 0};
  EXPECT_FALSE(prj_transform_point(&g, geo_, &out, degrees));
  EXPECT_STREQ(prj_unusable(degrees), "a projected system cannot be in degrees");
  const std::string why = "Coordinate system ZZ FLAT CONE cannot be used: its standard parallels make a cone "
                          "constant of 0.";
  line(500000, 4500000, 501000, 4501000);
  std::string tr = run("pv_project", "pv_project\nselect proj_out " + pos(flat) + "\nok\npv_alert_wrap\nok\n");
  std::string shown;
  for (const std::string &l : tile("pv_alert_wrap", "lines").items) shown += (shown.empty() ? "" : " ") + l;
  EXPECT_EQ(shown, why + " Nothing was projected.");
  EXPECT_TRUE(host_io_faults().empty()) << tr;
  EXPECT_EQ(tr.find("entities projected"), std::string::npos) << tr;
  EXPECT_EQ(positions("LINE")[0].first, 500000.0);
  EXPECT_EQ(g_map_params.projection, utm_);
  run("pv_map", "pv_map\nselect proj_in " + pos(flat) + "\nok\ncancel\n");
  EXPECT_EQ(tile("pv_map", "error").value, "ERROR: " + why);
  EXPECT_EQ(g_map_params.projection, utm_);
  EXPECT_EQ(prj_project_drawing(flat), -1);
}

TEST_F(ProjectTest, MapFieldsAreCheckedInOrderAndNothingChangesUntilAllPass) {
  struct Case {
    const char *answers, *error;
  } cases[] = {
      {"set proj_scale 0\n", "ERROR: Invalid scale"},
      {"set proj_scale x\n", "ERROR: Invalid scale"},
      {"set proj_height -1\n", "ERROR: Invalid height"},
      {"set proj_angbase \"\"\n", "ERROR: Specify north angle"},
      {"set proj_clock x\n", "ERROR: Specify Y or N for clockwise angles"},
      {"set proj_clock \"\"\n", "ERROR: Specify Y or N for clockwise angles"},
  };
  for (const Case &c : cases) {
    run("pv_map", std::string("pv_map\n") + c.answers + "ok\ncancel\n");
    EXPECT_EQ(tile("pv_map", "error").value, c.error) << c.answers;
    EXPECT_EQ(g_map_params.scale, 1.0);
    EXPECT_EQ(g_map_params.angle_dir, 0);
  }
  map_params_set_projection(&g_map_params, nullptr);
  run("pv_map", "pv_map\nok\ncancel\n");
  EXPECT_EQ(tile("pv_map", "error").value, "ERROR: Invalid projection");
}

TEST_F(ProjectTest, MapStoresTheSetupAndRewritesTheBlock) {
  run("pv_map", "pv_map\nselect proj_in " + pos(geo_) +
                    "\nset proj_scale 2.5\nset proj_height 3\nset proj_angbase 90\nset proj_clock \" yes\"\nok\n");
  EXPECT_TRUE(host_io_faults().empty());
  EXPECT_EQ(g_map_params.projection, geo_);
  EXPECT_EQ(g_map_params.scale, 2.5);
  EXPECT_EQ(g_map_params.text_height, 3.0);
  EXPECT_EQ(g_map_params.angle_base, 90.0);
  EXPECT_EQ(g_map_params.angle_dir, 1);
  struct resbuf v;
  ASSERT_EQ(ads_getvar("ANGDIR", &v), RTNORM);
  EXPECT_EQ(v.resval.rint, 1);
  map_params_rec read;
  ASSERT_EQ(map_params_read(&read), 0);
  EXPECT_EQ(read.projection, geo_);
  EXPECT_EQ(read.scale, 2.5);
  /* Opened again it shows what it stored. */
  run("pv_map", "pv_map\ncancel\n");
  EXPECT_EQ(tile("pv_map", "proj_clock").value, "Y");
  EXPECT_EQ(tile("pv_map", "proj_scale").value, "2.500000");
  EXPECT_EQ(tile("pv_map", "proj_in").value, pos(geo_));
}

}  // namespace

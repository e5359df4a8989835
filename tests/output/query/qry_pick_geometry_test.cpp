/*
** qry_pick_geometry_test.cpp: a spatial condition given its AREA or LINE
** through the selection-mode dialog: refused for a column that is not a
** point column and without a map projection, stored in the column's
** coordinate system (a geographic map over a UTM point setup), the value
** AREA for an area, and the previous points kept after a cancel or a
** point that does not convert.
*/
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "coords/dtm_list.h"
#include "coords/prj_list.h"
#include "coords/prj_name.h"
#include "coords/prj_transform.h"
#include "core/pnt.h"
#include "core/pv_globals.h"
#include "core/qry.h"
#include "draw/map_params.h"
#include "map/draw_fixture.h"
#include "output/query/qry_geometry.h"
#include "platform/dialog/dialog_test_api.h"

namespace {

/* A system put into the list; null when refused. */
prj_rec *system_of(const char *name, const char *type, const char *units, int zone)
{
  prj_rec *p = prj_new();
  prj_name_copy(p->name, name);
  prj_name_copy(p->dtm_name, "WGS84");
  prj_name_copy(p->units_name, units);
  prj_name_copy(p->type_name, type);
  p->zone = zone;
  p->scale = 0.9996;
  if (!prj_insert(p)) {
    std::free(p);
    return nullptr;
  }
  return prj_find(name, nullptr);
}

class QryPickGeometry : public DrawTest {
 protected:
  static void SetUpTestSuite() {
    dtm_rec *d = dtm_new();
    prj_name_copy(d->name, "WGS84");
    d->a_m = 6378137.0;
    d->b_m = 6356752.314245179;
    ASSERT_TRUE(dtm_insert(d));
    prj_add_builtin_systems();
    ASSERT_NE(system_of("UTM31", "UTM", "meters", 31), nullptr);
    ASSERT_NE(system_of("LOCAL", "USER", "meters", 0), nullptr);
  }
  static void TearDownTestSuite() {
    prj_list_free();
    dtm_list_free();
  }

  sql_col_rec *column = nullptr;
  col_attr_rec *rule = nullptr;
  pnt_rec *setup = nullptr;
  qry_cond_rec cond;
  prj_rec *saved_map = nullptr;
  int saved_dcl = PV_NO_DCL;

  void SetUp() override {
    DrawTest::SetUp();
    column = sql_col_new("X", "STATION", SQL_TYPE_NUMERIC, 20, 3);
    rule = col_attr_new();
    setup = pnt_new();
    rule->flags |= COL_ATTR_POINT;
    rule->point = setup;
    setup->projection = prj_find("UTM31", nullptr);
    column->attr = rule;
    qry_cond_init(&cond);
    cond.column = column;
    saved_map = g_map_params.projection;
    g_map_params.projection = prj_find("GEOGRAPHIC WGS84", nullptr);
    ASSERT_NE(g_map_params.projection, nullptr);
    saved_dcl = g_dcl_id;
    ASSERT_EQ(ads_load_dialog(PV_RESOURCE_DIR "/PETRIVEX.DCL", &g_dcl_id), RTNORM) << dlg_test_load_error();
    std::string err;
    ASSERT_TRUE(host_set_var("BLIPMODE", "1", err)) << err;
  }
  void TearDown() override {
    std::free(cond.points);
    std::free(cond.value);
    g_map_params.projection = saved_map;
    if (g_dcl_id != saved_dcl) ads_unload_dialog(g_dcl_id);
    g_dcl_id = saved_dcl;
    column->attr = nullptr;
    sql_col_list_free(&column);
    col_attr_free(rule);
    std::free(setup);
    DrawTest::TearDown();
  }

  int pick(const std::string &answers, int area) {
    host_io_use_script_text(answers);
    return qry_pick_geometry(area, &cond);
  }
  /* Gives the condition a ring of its own first, in the column's system. */
  void previous_ring() {
    cond.point_count = 4;
    cond.points = (geo_point *)std::calloc(4, sizeof(geo_point));
    const double xy[4][2] = {{500000, 5000000}, {510000, 5000000}, {505000, 5010000}, {500000, 5000000}};
    for (int i = 0; i < 4; ++i) cond.points[i] = geo_point{xy[i][0], xy[i][1], 0, 0};
    qry_cond_set_value(&cond, "OLD");
  }
  static int times(const std::string &text) {
    int n = 0;
    const std::string &t = host_io_transcript();
    for (std::size_t at = t.find(text); at != std::string::npos; at = t.find(text, at + 1)) ++n;
    return n;
  }
};

TEST_F(QryPickGeometry, AColumnThatIsNotAPointColumnIsRefusedUntouched) {
  rule->flags &= ~COL_ATTR_POINT;
  EXPECT_EQ(pick("pv_sel_mode\nok\n", 1), -2);
  rule->flags |= COL_ATTR_POINT;
  rule->point = nullptr;
  EXPECT_EQ(pick("pv_sel_mode\nok\n", 1), -2);
  std::string next;
  EXPECT_TRUE(host_io_peek_answer(next)) << "no dialog may open";
}

TEST_F(QryPickGeometry, WithoutMapProjectionThePickIsRefusedBeforeAnyInput) {
  previous_ring();
  g_map_params.projection = nullptr;
  EXPECT_EQ(pick("pv_sel_mode\nok\n", 1), -1);
  EXPECT_EQ(times("No projection assigned to map.\nUse the Map Setup option in DU-ZOREZ."), 1);
  std::string next;
  EXPECT_TRUE(host_io_peek_answer(next) && next == "pv_sel_mode") << "the dialog opened";
  EXPECT_EQ(cond.point_count, 4);
  EXPECT_STREQ(cond.value, "OLD");
}

TEST_F(QryPickGeometry, DrawnAreaIsKeptInTheColumnSystemAndNamedArea) {
  ASSERT_EQ(pick("pv_sel_mode\nok\n3,45\n4,45\n4,46\n3,46\n\n", 1), 5) << host_io_transcript();
  ASSERT_EQ(cond.point_count, 5);
  EXPECT_STREQ(cond.value, "AREA");
  /* On the zone's central meridian the easting is the false easting. */
  EXPECT_NEAR(cond.points[0].x, 500000.0, 1e-6);
  EXPECT_GT(cond.points[0].y, 4.9e6);
  EXPECT_EQ(cond.points[4].x, cond.points[0].x);
  EXPECT_EQ(cond.points[4].y, cond.points[0].y);
  geo_point corner = {4, 46, 0, 0}, want;
  ASSERT_TRUE(prj_transform_point(&corner, g_map_params.projection, &want, setup->projection));
  EXPECT_EQ(cond.points[2].x, want.x);
  EXPECT_EQ(cond.points[2].y, want.y);
  EXPECT_TRUE(host_temp_vectors().empty());
  EXPECT_EQ(host_get_var("BLIPMODE"), "1");
}

TEST_F(QryPickGeometry, LineKeepsItsDistanceValue) {
  qry_cond_set_value(&cond, "250");
  ASSERT_EQ(pick("pv_sel_mode\nok\n3,45\n3.5,45.5\n\n", 0), 2);
  EXPECT_STREQ(cond.value, "250");
}

TEST_F(QryPickGeometry, CancelledPickKeepsThePreviousRingAndErasesItsOutline) {
  previous_ring();
  EXPECT_EQ(pick("pv_sel_mode\ncancel\n", 1), 0);
  EXPECT_EQ(pick("pv_sel_mode\nok\n3,45\n4,45\n*cancel*\n", 1), 0);
  EXPECT_EQ(cond.point_count, 4);
  EXPECT_EQ(cond.points[1].x, 510000.0);
  EXPECT_STREQ(cond.value, "OLD");
  EXPECT_TRUE(host_temp_vectors().empty());
  EXPECT_EQ(host_get_var("BLIPMODE"), "1");
}

TEST_F(QryPickGeometry, SelectedRingThatDoesNotConvertLeavesTheConditionAsItWas) {
  previous_ring();
  setup->projection = prj_find("LOCAL", nullptr);
  /* The LOCAL ring of before is kept as it stands. */
  ads_point p[4] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
  struct resbuf *l = ads_buildlist(RTDXF0, "LWPOLYLINE", 8, "0", 90, 4, 70, 1, 10, p[0], 10, p[1], 10, p[2], 10,
                                   p[3], 0);
  ASSERT_EQ(ads_entmake(l), RTNORM) << host_last_error();
  ads_relrb(l);
  EXPECT_EQ(pick("pv_sel_mode\npick sel_option\nok\n1,0.5\n", 1), -1) << host_io_transcript();
  EXPECT_EQ(times("Cannot transform this point from GEOGRAPHIC WGS84 to LOCAL"), 1) << host_io_transcript();
  EXPECT_EQ(cond.point_count, 4);
  EXPECT_EQ(cond.points[1].x, 510000.0);
  EXPECT_STREQ(cond.value, "OLD");
}

}  // namespace

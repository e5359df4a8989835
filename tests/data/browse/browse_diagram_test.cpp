/*
** browse_diagram_test.cpp: pie diagrams and drill holes plotted from the
** table browser on a DB3 table of drill-hole stations made by the test:
** the browser's "plot" list opens the diagram's dialog, the browser closes
** and the plot loop fetches each row again and hands it to the stages. The
** drawing then holds one linked pie INSERT per row at the row's point, and
** one linked POLYLINE per hole.
*/
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "browse_fixture.h"
#include "coords/prj_list.h"
#include "core/pjct.h"
#include "core/pnt.h"
#include "core/qry.h"
#include "draw/draw_util.h"
#include "draw/link.h"
#include "draw/map_params.h"
#include "output/plot/plot.h"

namespace {

/* Type numbers of the browser's "plot" list. */
constexpr int kPiePlot = 11;
constexpr int kHolePlot = 12;

class BrowseDiagrams : public BrowseTest {
 protected:
  qry_rec query_{};
  prj_rec *saved_map_ = nullptr;
  void SetUp() override {
    BrowseTest::SetUp();
    plot_serve_browser();
    if (IsSkipped()) return;
    ads_regapp(LINK_APP_NAME);
    run("CREATE TABLE HOLE (BASENUMBER NUMERIC(8,0), STN CHAR(8), X NUMERIC(10,2), Y NUMERIC(10,2), "
        "CU NUMERIC(8,2), ZN NUMERIC(8,2), PB NUMERIC(8,2), AZIM NUMERIC(8,2), DIP NUMERIC(8,2), LEN NUMERIC(8,2))");
    run("INSERT INTO HOLE VALUES (1, 'A', 100, 200, 1, 1, 2, 0, 0, 2)");
    run("INSERT INTO HOLE VALUES (2, 'A', 100, 200, 2, 1, 1, 90, 0, 1)");
    run("INSERT INTO HOLE VALUES (3, 'B', 300, 400, 1, 3, 0, 0, 90, 5)");
    enroll("HOLE");
    tbl_rec *t = tbl_find_by_name(project_->tables, "HOLE", nullptr);
    t->table_type = TBL_DEF_STATION;
    t->keys[TBL_KEY_STATION] = tbl_column_find(t->columns, "STN", nullptr, nullptr);
    if (!prj_find("USER", nullptr)) prj_add_builtin_systems();
    saved_map_ = g_map_params.projection;
    g_map_params.projection = prj_find("USER", nullptr);
    pnt_rec *collar = pnt_new();
    collar->table = t;
    collar->x_col = tbl_column_find(t->columns, "X", nullptr, nullptr);
    collar->y_col = tbl_column_find(t->columns, "Y", nullptr, nullptr);
    collar->projection = g_map_params.projection;
    project_->points = collar;
    for (const char *axis : {"X", "Y"}) {
      col_attr_rec *r = col_attr_new();
      snprintf(r->column, sizeof r->column, "%s", axis);
      snprintf(r->table, sizeof r->table, "HOLE");
      r->flags |= COL_ATTR_POINT;
      r->point = collar;
      r->next = project_->col_attrs;
      project_->col_attrs = r;
    }
    qry_rec_init(&query_);
    open("SELECT * FROM HOLE ORDER BY BASENUMBER", {"HOLE"});
  }
  void TearDown() override {
    g_map_params.projection = saved_map_;
    g_browse_output = {};
    BrowseTest::TearDown();
  }
  /* The row index of a column of the query. */
  int index_of(const char *name) {
    int i = -1;
    sql_col_find(row_, name, nullptr, &i);
    return i;
  }
  /* The browser's answers choosing a plot type, then the diagram's. */
  std::string plot(int type, const std::string &answers) {
    return "pv_table_large\nselect plot " + std::to_string(type) + "\n" + answers;
  }
  /* The model-space entities of a type, in order. */
  static std::vector<std::vector<double>> entities_of(const char *type, std::vector<link_rec> *links = nullptr) {
    std::vector<std::vector<double>> out;
    ads_name e, next;
    if (ads_entnext(nullptr, e) != RTNORM) return out;
    do {
      struct resbuf *l = ads_entget(e);
      struct resbuf *t = rb_find(l, 0), *p = rb_find(l, 10);
      if (t && strcmp(t->resval.rstring, type) == 0) {
        out.push_back({p ? p->resval.rpoint[0] : NAN, p ? p->resval.rpoint[1] : NAN});
        if (links) {
          link_rec k;
          link_clear(&k);
          link_xdata_get(&k, e);
          links->push_back(k);
        }
      }
      ads_relrb(l);
      if (ads_entnext(e, next) != RTNORM) break;
      e[0] = next[0], e[1] = next[1];
    } while (true);
    return out;
  }
  /* The vertices of every POLYLINE, each hole's in order. */
  static std::vector<std::vector<std::pair<double, double>>> traces() {
    std::vector<std::vector<std::pair<double, double>>> out;
    ads_name e, next;
    if (ads_entnext(nullptr, e) != RTNORM) return out;
    do {
      struct resbuf *l = ads_entget(e);
      std::string type = rb_find(l, 0)->resval.rstring;
      struct resbuf *p = rb_find(l, 10);
      if (type == "POLYLINE") out.emplace_back();
      if (type == "VERTEX" && !out.empty()) out.back().emplace_back(p->resval.rpoint[0], p->resval.rpoint[1]);
      ads_relrb(l);
      if (ads_entnext(e, next) != RTNORM) break;
      e[0] = next[0], e[1] = next[1];
    } while (true);
    return out;
  }
};

}  // namespace

TEST_F(BrowseDiagrams, PieRowsBecomeLinkedInsertsAtTheirPoints) {
  std::string pie = "pv_piediagram\nset pie_rad 1\npick pie_ins_wid_prp\nselect pie_ins " +
                    std::to_string(index_of("CU")) + " " + std::to_string(index_of("ZN")) + " " +
                    std::to_string(index_of("PB")) + "\nok\n";
  ASSERT_EQ(browse(plot(kPiePlot, pie), &query_), 5100) << host_io_transcript();
  expect_no_faults();
  std::vector<link_rec> links;
  std::vector<std::vector<double>> inserts = entities_of("INSERT", &links);
  ASSERT_EQ(inserts.size(), 3u) << host_io_transcript();
  const double want[][2] = {{100, 200}, {100, 200}, {300, 400}};
  for (size_t i = 0; i < 3; i++) {
    EXPECT_NEAR(inserts[i][0], want[i][0], 1e-9) << i;
    EXPECT_NEAR(inserts[i][1], want[i][1], 1e-9) << i;
    EXPECT_EQ(links[i].row_id, (int)i + 1);
    EXPECT_STREQ(links[i].table, "HOLE");
  }
  EXPECT_NE(host_io_transcript().find("Plotted... 3"), std::string::npos) << host_io_transcript();
}

TEST_F(BrowseDiagrams, SurveyRowsBecomeOneLinkedPolylinePerHole) {
  std::string holes = "pv_dhole\nselect ddh_str " + std::to_string(index_of("AZIM")) + "\nselect ddh_dip " +
                      std::to_string(index_of("DIP")) + "\nselect ddh_len " + std::to_string(index_of("LEN")) +
                      "\nok\n";
  ASSERT_EQ(browse(plot(kHolePlot, holes), &query_), 5100) << host_io_transcript();
  expect_no_faults();
  std::vector<link_rec> links;
  ASSERT_EQ(entities_of("POLYLINE", &links).size(), 2u);
  EXPECT_EQ(links[0].row_id, 1);
  EXPECT_STREQ(links[0].key_value, "A");
  EXPECT_EQ(links[1].row_id, 3);
  auto t = traces();
  ASSERT_EQ(t.size(), 2u);
  ASSERT_EQ(t[0].size(), 13u);
  EXPECT_NEAR(t[0][12].first, 101, 1e-9);
  EXPECT_NEAR(t[0][12].second, 201.75, 1e-9);
  ASSERT_EQ(t[1].size(), 9u) << "a vertical hole is its octagon";
  EXPECT_NEAR(t[1][0].first, 300.5, 1e-9);
  EXPECT_NE(host_io_transcript().find("Plotted... 2 drill holes"), std::string::npos) << host_io_transcript();
}

TEST_F(BrowseDiagrams, HolesThatCannotBePlacedOnTheMapAreCountedAndTheFirstNamed) {
  /* A geographic map: no transformation takes the collars' USER points there. */
  dtm_rec wgs{};
  wgs.a_m = 6378137.0;
  wgs.b_m = 6356752.314245179;
  prj_rec geo;
  prj_init(&geo);
  snprintf(geo.name, sizeof geo.name, "GEOGRAPHIC ZZ");
  geo.type = PRJ_TYPE_GEOGRAPHIC;
  geo.units = PRJ_UNIT_DEGREES;
  geo.dtm = &wgs;
  g_map_params.projection = &geo;
  std::string holes = "pv_dhole\nselect ddh_str " + std::to_string(index_of("AZIM")) + "\nselect ddh_dip " +
                      std::to_string(index_of("DIP")) + "\nselect ddh_len " + std::to_string(index_of("LEN")) +
                      "\nok\n";
  ASSERT_EQ(browse(plot(kHolePlot, holes), &query_), 5100) << host_io_transcript();
  expect_no_faults();
  EXPECT_TRUE(traces().empty());
  EXPECT_NE(host_io_transcript().find("Plotted... 0 drill holes\n\nERROR: Unable to place 2 drill holes on the map, "
                                      "the first A."),
            std::string::npos)
      << host_io_transcript();
}

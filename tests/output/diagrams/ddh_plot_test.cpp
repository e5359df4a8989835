/*
** ddh_plot_test.cpp: drill holes drawn from survey rows of a STATION
** table: a hole's polyline (collar octagon, trace, cross bar) and its
** link, a short or vertical hole as an octagon alone, a first segment
** ending exactly on the collar's rim, rows of one hole told apart, the
** settings check, skipped rows, a collar without survey values, holes on
** a geographic and on a UTM map (laid out on the ellipsoid: metres, true
** north), and the dialog pv_dhole scripted.
*/
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "output/diagrams/ddh_plot.h"
#include "platform/dialog/dialog_test_api.h"
#include "output/survey_fixture.h"

namespace {

using points = std::vector<std::pair<double, double>>;

class Holes : public SurveyTest {
 protected:
  void SetUp() override {
    SurveyTest::SetUp();
    make_row({});
    settings();
  }
  /* The state chosen for the row: AZIM, DIP and LEN, the STATION keys
  ** and the collar X and Y. */
  void settings() {
    ddh_reset_all();
    g_ddh.project = geo_;
    g_ddh.row = row_;
    g_ddh.strike = sql_col_find(row_, "AZIM", nullptr, nullptr);
    g_ddh.dip = sql_col_find(row_, "DIP", nullptr, nullptr);
    g_ddh.length = sql_col_find(row_, "LEN", nullptr, nullptr);
    g_ddh.station = sql_col_find(row_, "STN", nullptr, nullptr);
    g_ddh.unique = sql_col_find(row_, "BASENUMBER", nullptr, nullptr);
    g_ddh.x = sql_col_find(row_, "X", nullptr, nullptr);
    g_ddh.y = sql_col_find(row_, "Y", nullptr, nullptr);
    g_ddh.projection = &user_;
  }
  void TearDown() override {
    ddh_reset_all();
    sym_free(g_ddh.symbol);
    g_ddh.symbol = nullptr;
    SurveyTest::TearDown();
  }
  /* Fetches a survey row of a station into the row and plots it. */
  int plot(const char *station, const char *azimuth, const char *dip, const char *length) {
    set_texts({{"STN", station}, {"AZIM", azimuth}, {"DIP", dip}, {"LEN", length}});
    return ddh_plot_row();
  }
  /* The POLYLINE heads of the drawing with their vertices, in order. */
  static std::vector<points> polylines() {
    std::vector<points> out;
    ads_name e;
    if (ads_entnext(nullptr, e) != RTNORM) return out;
    do
      if (type_of(e) == "POLYLINE") out.push_back(vertices(e));
    while (step(e));
    return out;
  }
  static void expect_near(const std::pair<double, double> &got, double x, double y, const char *what) {
    EXPECT_NEAR(got.first, x, 1e-9) << what;
    EXPECT_NEAR(got.second, y, 1e-9) << what;
  }
};

}  // namespace

TEST_F(Holes, TwoSegmentsMakeOneLinkedPolylineOfOctagonTraceAndCrossBar) {
  EXPECT_EQ(plot("S7", "0", "0", "2"), -1) << "the first row finishes nothing";
  EXPECT_EQ(plot("S7", "90", "0", "1"), -1);
  EXPECT_EQ(ddh_plot_end(), 0);
  std::vector<points> p = polylines();
  ASSERT_EQ(p.size(), 1u);
  ASSERT_EQ(p[0].size(), 13u);
  expect_near(p[0][0], 100, 200.5, "the octagon starts on the first azimuth");
  expect_near(p[0][8], 100, 200.5, "and closes there");
  expect_near(p[0][9], 100, 202, "end of the first segment");
  expect_near(p[0][10], 101, 202, "end of the second");
  expect_near(p[0][11], 101, 202.25, "cross bar");
  expect_near(p[0][12], 101, 201.75, "cross bar");
  ads_name e;
  ASSERT_EQ(ads_entnext(nullptr, e), RTNORM);
  link_rec l;
  ASSERT_EQ(link_xdata_get(&l, e), 0);
  EXPECT_EQ(fields(l), "GEO|ST|7|BASENUMBER|S7|");
  EXPECT_EQ(g_ddh.strike, nullptr) << "the end resets everything";
}

TEST_F(Holes, ShortOrVerticalHolesAreAnOctagonAloneAtAngleZero) {
  size_t drawn = 0;
  for (const char *dip : {"90", "0"}) {
    settings();
    EXPECT_EQ(plot("S7", "45", dip, dip[0] == '9' ? "30" : "0.2"), -1);
    EXPECT_EQ(ddh_plot_end(), 0) << dip;
    std::vector<points> p = polylines();
    ASSERT_EQ(p.size(), ++drawn) << dip;
    ASSERT_EQ(p.back().size(), 9u) << dip;
    expect_near(p.back()[0], 100.5, 200, dip);
    expect_near(p.back()[2], 100, 200.5, dip);
  }
}

TEST_F(Holes, AFirstSegmentEndingOnTheCollarsRimKeepsTheRestOfTheHole) {
  EXPECT_EQ(plot("S7", "0", "0", "0.5"), -1);
  EXPECT_EQ(plot("S7", "90", "0", "1"), -1);
  EXPECT_EQ(plot("S7", "90", "0", "1"), -1);
  EXPECT_EQ(ddh_plot_end(), 0);
  std::vector<points> p = polylines();
  ASSERT_EQ(p.size(), 1u);
  ASSERT_EQ(p[0].size(), 13u) << "octagon, two segments, cross bar";
  expect_near(p[0][9], 101, 200.5, "the second row's vertex");
  expect_near(p[0][10], 102, 200.5, "the third row's vertex");
}

TEST_F(Holes, RowsOfOneStationAreOneHoleAndEachNewStationFinishesTheLast) {
  EXPECT_EQ(plot("A", "0", "0", "2"), -1);
  EXPECT_EQ(plot(" a ", "0", "0", "2"), -1) << "the same text in any case, trimmed";
  EXPECT_EQ(plot("B", "0", "0", "2"), 0) << "hole A finished";
  EXPECT_EQ(ddh_plot_end(), 0) << "hole B finished";
  EXPECT_EQ(polylines().size(), 2u);
}

TEST_F(Holes, NumericStationsAreComparedByValue) {
  g_ddh.station->sql_type = SQL_TYPE_NUMERIC;
  EXPECT_EQ(plot("12", "0", "0", "2"), -1);
  EXPECT_EQ(plot("12.0", "0", "0", "2"), -1) << "12 and 12.0 are one hole";
  EXPECT_EQ(plot("13", "0", "0", "2"), 0);
}

TEST_F(Holes, RowsWithNullOrBlankValuesAreSkippedWithoutClosingTheHole) {
  EXPECT_EQ(plot("S7", "0", "0", "2"), -1);
  EXPECT_EQ(plot("S7", "90", " ", "1"), -1);
  g_ddh.length->null_ind = SQL_COL_NULL;
  EXPECT_EQ(ddh_plot_row(), -1);
  EXPECT_EQ(plot("S7", "90", "0", "1"), -1);
  EXPECT_EQ(ddh_plot_end(), 0);
  ASSERT_EQ(polylines().size(), 1u);
  EXPECT_EQ(polylines()[0].size(), 13u);
}

TEST_F(Holes, ACollarWithoutSurveyValuesIsDrawnAsItsCollar) {
  EXPECT_EQ(plot("S7", "", " ", ""), -1) << "the collar alone starts the hole";
  EXPECT_EQ(plot("S8", "", "", ""), 0) << "and is finished as a hole";
  g_ddh.length->null_ind = SQL_COL_NULL;
  set_texts({{"STN", "S9"}, {"X", "300"}, {"Y", "400"}});
  EXPECT_EQ(ddh_plot_row(), 0) << "a null length: the collar of S9";
  EXPECT_EQ(plot("S9", "90", "0", "2"), -1) << "S9's next row carries its trace";
  EXPECT_EQ(ddh_plot_end(), 0);
  std::vector<points> p = polylines();
  ASSERT_EQ(p.size(), 3u);
  ASSERT_EQ(p[0].size(), 9u) << "S7: the octagon alone";
  expect_near(p[0][0], 100.5, 200, "from angle 0");
  expect_near(p[0][4], 99.5, 200, "round the collar");
  ASSERT_EQ(p[1].size(), 9u) << "S8";
  ASSERT_EQ(p[2].size(), 12u) << "S9: octagon, one segment, cross bar";
  expect_near(p[2][0], 300.5, 400, "the octagon from the first azimuth");
  expect_near(p[2][9], 302, 400, "the segment from the collar");
}

namespace {

/* WGS84 and its geographic, UTM 31 and south polar Lambert systems (origin
** 90 S, parallels 71 S and 60 S), held by the test (not in the lists). */
struct Wgs84Systems {
  dtm_rec wgs{};
  prj_rec geo{}, utm{}, lcc{};
  Wgs84Systems() {
    wgs.a_m = 6378137.0;
    wgs.b_m = 6356752.314245179;
    prj_init(&geo);
    snprintf(geo.name, sizeof geo.name, "GEOGRAPHIC WGS84");
    geo.type = PRJ_TYPE_GEOGRAPHIC;
    geo.units = PRJ_UNIT_DEGREES;
    geo.dtm = &wgs;
    prj_init(&utm);
    snprintf(utm.name, sizeof utm.name, "UTM 31 WGS84");
    utm.type = PRJ_TYPE_UTM;
    utm.zone = 31;
    utm.units = PRJ_UNIT_METERS;
    utm.origin = {3, 0, 0, 0};
    utm.false_origin = {500000, 0, 0, 0};
    utm.scale = 0.9996;
    utm.dtm = &wgs;
    prj_init(&lcc);
    snprintf(lcc.name, sizeof lcc.name, "LCC SOUTH POLAR WGS84");
    lcc.type = PRJ_TYPE_LAMBERT;
    lcc.units = PRJ_UNIT_METERS;
    lcc.origin = {0, -90, 0, 0};
    lcc.parallels = {-71, -60, 0, 0};
    lcc.dtm = &wgs;
  }
};

/* A hole at 5.9 E 60 N, 2.5 degrees of convergence from UTM 31's grid
** north: 100 m north, then 100 m east (200 m dipping 60), then 100 m
** south-west (141.42 m dipping 45). Its vertices as PROJ's geod (the
** geodesic from each vertex) and cs2cs (into UTM 31) give them. */
const char *const kHoleRows[][3] = {{"0", "0", "100"}, {"90", "60", "200"}, {"225", "45", "141.42135623730951"}};
const double kCollarUtm[2] = {661720.750892, 6654956.719944};
const double kTraceGeo[3][2] = {
    {5.900000000000, 60.000897567005}, {5.901792163190, 60.000897554848}, {5.900524936719, 60.000262873066}};
const double kTraceUtm[3][2] = {
    {661716.368336, 6655056.615907}, {661816.264317, 6655060.998484}, {661748.728125, 6654987.260583}};

/* The same hole on projected maps, its collar given in longitude and
** latitude: at 5.9 E 60 N on UTM 31, and at 135 E 80 S on the south polar
** Lambert, 135 degrees round the cone from its central meridian (geod +a=6378137
** +b=6356752.314245179 from vertex to vertex, cs2cs +proj=lcc +lat_1=-71
** +lat_2=-60 +lat_0=-90 +lon_0=0 on the same axes). */
struct HoleOnMap {
  const char *map;
  const char *lon, *lat;  /* the collar */
  double collar[2];       /* the collar on the map */
  double trace[3][2];     /* the trace's vertices on the map */
};
const HoleOnMap kHolesOnMaps[] = {
    {"UTM 31", "5.9", "60", {kCollarUtm[0], kCollarUtm[1]},
     {{kTraceUtm[0][0], kTraceUtm[0][1]}, {kTraceUtm[1][0], kTraceUtm[1][1]}, {kTraceUtm[2][0], kTraceUtm[2][1]}}},
    {"south polar Lambert", "135", "-80", {1061090.336543, -690061.875978},
     {{1061177.367817, -690118.475273}, {1061120.768997, -690205.506447}, {1061099.258925, -690103.942581}}},
};

}  // namespace

TEST_F(Holes, OnAUtmMapTheTraceIsMetresFromTrueNorthCarriedThroughTheProjection) {
  Wgs84Systems sys;
  for (const HoleOnMap &m : kHolesOnMaps) {
    settings();
    g_ddh.projection = &sys.geo;       /* collars stored as longitude and latitude */
    g_map_params.projection = m.map[0] == 'U' ? &sys.utm : &sys.lcc;
    set_texts({{"X", m.lon}, {"Y", m.lat}});
    for (const auto &r : kHoleRows) EXPECT_EQ(plot("S7", r[0], r[1], r[2]), -1) << m.map;
    EXPECT_EQ(ddh_plot_end(), 0) << m.map;
    std::vector<points> all = polylines();
    ASSERT_FALSE(all.empty()) << m.map;
    const points &p = all.back();
    ASSERT_EQ(p.size(), 14u) << m.map << ": octagon, three segments, cross bar";
    double cx = 0, cy = 0;
    for (int k = 0; k < 8; k++) cx += p[k].first / 8, cy += p[k].second / 8;
    EXPECT_NEAR(cx, m.collar[0], 1e-3) << m.map << ": the collar on the map";
    EXPECT_NEAR(cy, m.collar[1], 1e-3) << m.map;
    for (int i = 0; i < 3; i++) {
      EXPECT_NEAR(p[9 + i].first, m.trace[i][0], 1e-3) << m.map << " vertex " << i + 1;
      EXPECT_NEAR(p[9 + i].second, m.trace[i][1], 1e-3) << m.map << " vertex " << i + 1;
    }
    /* The octagon starts toward the first vertex: true north, turned by
    ** the convergence on the grid. */
    double dx = p[0].first - cx, dy = p[0].second - cy;
    EXPECT_NEAR(std::atan2(dx, dy), std::atan2(m.trace[0][0] - m.collar[0], m.trace[0][1] - m.collar[1]), 1e-6)
        << m.map;
    EXPECT_NEAR(std::hypot(dx, dy), 0.5, 1e-6) << m.map << ": the collar's width stays the setup's, in map units";
  }
}

TEST_F(Holes, HolesThatCannotBePlacedAreCountedWithTheFirstAndWhy) {
  Wgs84Systems sys;
  sys.lcc.parallels = {-30, 30, 0, 0}; /* a cone of constant 0: no point converts */
  g_ddh.projection = &sys.geo;
  g_map_params.projection = &sys.lcc;
  set_texts({{"X", "5.9"}, {"Y", "60"}});
  EXPECT_EQ(plot("S7", "0", "0", "100"), -1);
  EXPECT_EQ(plot("S7", "90", "0", "100"), -1);
  EXPECT_EQ(plot("S8", "0", "0", "100"), -1) << "S7 was not placed";
  EXPECT_EQ(ddh_plot_end(), -1);
  EXPECT_TRUE(polylines().empty());
  EXPECT_EQ(g_ddh.unplaced, 2);
  EXPECT_STREQ(g_ddh.first_unplaced, "S7");
  EXPECT_STREQ(g_ddh.unplaced_why,
               "Coordinate system LCC SOUTH POLAR WGS84 cannot be used: its standard parallels make a cone constant of 0.");
}

TEST_F(Holes, OnAGeographicMapTheTraceIsMetresOnTheEllipsoidInDegrees) {
  Wgs84Systems sys;
  g_ddh.projection = &sys.utm;       /* collars stored in UTM 31 */
  g_map_params.projection = &sys.geo;
  g_ddh.placement.size = 0.0002;     /* a collar some 20 m across, in degrees */
  set_texts({{"X", "661720.750892"}, {"Y", "6654956.719944"}});
  for (const auto &r : kHoleRows) EXPECT_EQ(plot("S7", r[0], r[1], r[2]), -1);
  EXPECT_EQ(ddh_plot_end(), 0);
  std::vector<points> p = polylines();
  ASSERT_EQ(p.size(), 1u);
  ASSERT_EQ(p[0].size(), 14u) << "octagon, three segments, cross bar";
  double cx = 0, cy = 0;
  for (int k = 0; k < 8; k++) cx += p[0][k].first / 8, cy += p[0][k].second / 8;
  EXPECT_NEAR(cx, 5.9, 1e-10) << "the collar in degrees";
  EXPECT_NEAR(cy, 60.0, 1e-10);
  for (int i = 0; i < 3; i++) {
    /* 1e-10 degrees: a hundredth of a millimetre */
    EXPECT_NEAR(p[0][9 + i].first, kTraceGeo[i][0], 1e-10) << "vertex " << i + 1;
    EXPECT_NEAR(p[0][9 + i].second, kTraceGeo[i][1], 1e-10) << "vertex " << i + 1;
  }
}

TEST_F(Holes, OnAGeographicMapAHoleAcrossTheAntimeridianStaysBesideItsCollar) {
  Wgs84Systems sys;
  g_ddh.projection = &sys.geo;
  g_map_params.projection = &sys.geo;
  g_ddh.placement.size = 0.0002;
  set_texts({{"X", "179.9995"}, {"Y", "-16.5"}});
  EXPECT_EQ(plot("S7", "90", "0", "200"), -1);
  EXPECT_EQ(ddh_plot_end(), 0);
  std::vector<points> p = polylines();
  ASSERT_EQ(p.size(), 1u);
  ASSERT_EQ(p[0].size(), 12u);
  EXPECT_GT(p[0][9].first, 180.0) << "drawn on from the collar, not across the map";
  EXPECT_NEAR(p[0][9].first, 180.0014, 0.0001);
}

TEST_F(Holes, SettingsCheckRefusesMissingTextAndRepeatedColumns) {
  struct {
    const char *what;
    void (*change)(ddh_state &);
  } cases[] = {
      {"no length", [](ddh_state &s) { s.length = nullptr; }},
      {"no projection", [](ddh_state &s) { s.projection = nullptr; }},
      {"text strike", [](ddh_state &s) { s.strike = s.station; }},
      {"strike is dip", [](ddh_state &s) { s.strike = s.dip; }},
      {"dip is length", [](ddh_state &s) { s.length = s.dip; }},
      {"x is y", [](ddh_state &s) { s.y = s.x; }},
      {"unique is length", [](ddh_state &s) { s.unique = s.length; }},
  };
  EXPECT_EQ(ddh_check(), 0);
  for (const auto &c : cases) {
    ddh_state keep = g_ddh;
    c.change(g_ddh);
    EXPECT_EQ(ddh_check(), -1) << c.what;
    EXPECT_EQ(ddh_plot_row(), -2) << c.what;
    g_ddh = keep;
  }
}

TEST_F(Holes, APolylineWhoseHostLinkFailsIsErasedAlsoAnOctagonAlone) {
  for (const char *length : {"2", "0.2"}) {
    settings();
    geo_->link_flags = PJCT_LINKS_ON;
    EXPECT_EQ(plot("S7", "0", "0", length), -1);
    EXPECT_EQ(ddh_plot_end(), -1) << length;
    EXPECT_TRUE(polylines().empty()) << length;
  }
}

TEST_F(Holes, SetupIsNormalisedBeforeUse) {
  sym_rec *s = sym_new();
  s->colour = 0;
  s->scale = -2;
  s->line_width = -1;
  ddh_normalise_symbol(s);
  EXPECT_EQ(s->colour, -1);
  EXPECT_FLOAT_EQ(s->scale, 1);
  EXPECT_FLOAT_EQ(s->line_width, 0);
  s->colour = -5;
  ddh_normalise_symbol(s);
  EXPECT_EQ(s->colour, -1);
  s->colour = 3;
  ddh_normalise_symbol(s);
  EXPECT_EQ(s->colour, 3);
  ASSERT_EQ(ddh_default_symbol(s), 0);
  EXPECT_STREQ(s->item_name, "DRILLHOLE");
  EXPECT_STREQ(s->layer, "DRILLHOLE");
  EXPECT_EQ(s->owner_kind, SYM_OWNER_COLUMN);
  sym_free(s);
}

namespace {

class HoleDialog : public SurveyTest {
 protected:
  void SetUp() override {
    SurveyTest::SetUp();
    load_dialogs();
    make_row({});
  }
  void TearDown() override {
    ddh_reset_all();
    sym_free(g_ddh.symbol);
    g_ddh.symbol = nullptr;
    unload_dialogs();
    SurveyTest::TearDown();
  }
  int run(const std::string &answers) {
    host_io_use_script_text("pv_dhole\n" + answers);
    return pv_dhole_dialog(row_);
  }
  static std::string pick(const char *strike, const char *dip, const char *length) {
    std::string s;
    if (strike) s += "select ddh_str " + std::to_string(index_of(strike)) + "\n";
    if (dip) s += "select ddh_dip " + std::to_string(index_of(dip)) + "\n";
    if (length) s += "select ddh_len " + std::to_string(index_of(length)) + "\n";
    return s;
  }
  std::string error() {
    dlg_tile_snapshot s;
    EXPECT_TRUE(dlg_test_last_tile("pv_dhole", "error", s));
    return s.value;
  }
};

}  // namespace

TEST_F(HoleDialog, RowsThatCannotGiveHolesAreRefusedWithTheirMessage) {
  struct {
    const char *message;
    void (*change)(SurveyTest *, tbl_rec *);
  } cases[] = {
      {"No map coordinates present.\nUse DU-ZOREZ to setup map.",
       [](SurveyTest *, tbl_rec *) { g_map_params.projection = nullptr; }},
      {"No drill hole station numbers present. Cannot plot.",
       [](SurveyTest *, tbl_rec *t) { t->table_type = TBL_DEF_OUTCROP; }},
      {"No drill hole unique numbers present. Cannot plot.",
       [](SurveyTest *, tbl_rec *t) { t->keys[TBL_KEY_BASENUMBER] = nullptr; }},
      {"No drill hole locations present. Cannot plot.",
       [](SurveyTest *, tbl_rec *t) {
         for (sql_col_rec *c = t->columns; c; c = c->next) c->attr->flags &= (uint16_t)~COL_ATTR_POINT;
       }},
  };
  for (const auto &c : cases) {
    TearDown();
    SetUp();
    c.change(this, st_);
    host_io_clear_transcript();
    EXPECT_EQ(run("cancel\n"), -1) << c.message;
    EXPECT_NE(host_io_transcript().find(c.message), std::string::npos) << c.message;
    dlg_tile_snapshot s;
    EXPECT_FALSE(dlg_test_last_tile("pv_dhole", "ddh_str", s)) << c.message;
  }
}

TEST_F(HoleDialog, AcceptChecksTheColumnsInOrderWithTwoBlanksAfterError) {
  struct {
    std::string answers;
    const char *message;
  } cases[] = {
      {pick(nullptr, "DIP", "LEN"), "ERROR:  No strike specified"},
      {pick("AZIM", nullptr, "LEN"), "ERROR:  No dip specified"},
      {pick("AZIM", "DIP", nullptr), "ERROR:  No length specified"},
      {pick("ROCK", "DIP", "LEN"), "ERROR:  Trend is non-numeric"},
      {pick("AZIM", "STN", "LEN"), "ERROR:  Plunge is non-numeric"},
      {pick("AZIM", "DIP", "ROCK"), "ERROR:  Length is non-numeric"},
      {pick("AZIM", "AZIM", "LEN"), "ERROR:  Trend and dip cannot be identical"},
      {pick("AZIM", "DIP", "AZIM"), "ERROR:  Trend and length cannot be identical"},
      {pick("AZIM", "DIP", "DIP"), "ERROR:  Plunge and length cannot be identical"},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(run(c.answers + "ok\ncancel\n"), -1) << c.message;
    EXPECT_EQ(error(), c.message);
  }
}

TEST_F(HoleDialog, OkKeepsTheColumnsAndTheProjectsSetupNormalised) {
  sym_rec *s = sym_new();
  sym_set_text(&s->item_name, DDH_SETUP_NAME);
  snprintf(s->layer, sizeof s->layer, "HOLES");
  s->scale = 0;
  s->colour = 0;
  s->next = geo_->symbols;
  geo_->symbols = s;
  ASSERT_EQ(run(pick("AZIM", "DIP", "LEN") + "ok\n"), 0);
  EXPECT_EQ(g_ddh.strike, sql_col_find(row_, "AZIM", nullptr, nullptr));
  EXPECT_EQ(g_ddh.station, sql_col_find(row_, "STN", nullptr, nullptr));
  EXPECT_EQ(g_ddh.unique, sql_col_find(row_, "BASENUMBER", nullptr, nullptr));
  EXPECT_EQ(g_ddh.x, sql_col_find(row_, "X", nullptr, nullptr));
  EXPECT_EQ(ddh_check(), 0);
  EXPECT_STREQ(g_ddh.placement.layer, "HOLES");
  EXPECT_DOUBLE_EQ(g_ddh.placement.size, 1.0);
  EXPECT_EQ(g_ddh.placement.colour, -1);
  EXPECT_EQ(run(pick("AZIM", "DIP", "LEN") + "cancel\n"), -1);
  EXPECT_EQ(g_ddh.strike, nullptr);
}

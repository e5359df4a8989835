/*
** scale_cmd_test.cpp: resizing texts and symbols: the dialog's checks in
** their order, absolute and relative sizes of TEXT, SHAPE and INSERT,
** scaling about a station point, sizes that cannot be divided, library
** symbols apart from diagrams drawn at their real size and the map setup
** block, and the walk over a selection that leaves what it did not scale.
*/
#include "shapes/shape_store.h"
#include "core/pnt.h"
#include "draw/draw_util.h"
#include "draw/map_params.h"
#include "draw/shape_block.h"
#include "draw_fixture.h"
#include "map/link_cmd.h"
#include "map/map_edit_cmd.h"

namespace {

class Scale : public DrawTest {
 protected:
  void SetUp() override {
    DrawTest::SetUp();
    scale_options_reset(&g_scale_options);
    struct resbuf *b = ads_buildlist(RTDXF0, "BLOCK", 2, "MARK", 70, 0, 10, zero_, 0);
    ads_entmake(b);
    ads_relrb(b);
    struct resbuf *l = ads_buildlist(RTDXF0, "LINE", 8, "0", 10, zero_, 11, one_, 0);
    ads_entmake(l);
    ads_relrb(l);
    struct resbuf *e = ads_buildlist(RTDXF0, "ENDBLK", 0);
    ads_entmake(e);
    ads_relrb(e);
  }
  void TearDown() override {
    scale_options_reset(&g_scale_options);
    shape_store_free();
    DrawTest::TearDown();
  }

  /* Makes an entity from a list and gives its name. */
  static void make(struct resbuf *list, ads_name out) {
    ASSERT_EQ(ads_entmake(list), RTNORM);
    ads_relrb(list);
    ads_entlast(out);
  }
  static void text(double x, double y, double height, ads_name out) {
    ads_point p = {x, y, 0.0};
    make(ads_buildlist(RTDXF0, "TEXT", 8, "0", 10, p, 40, height, 1, "Bonaparte", 0), out);
  }
  /* An INSERT of a block: MARK, a diagram of its own, or a symbol library's. */
  static void insert(double x, double y, double sx, double sy, double sz, ads_name out, const char *block = "MARK") {
    ads_point p = {x, y, 0.0};
    make(ads_buildlist(RTDXF0, "INSERT", 8, "0", 2, block, 10, p, 41, sx, 42, sy, 43, sz, 0), out);
  }
  /* The block of the library symbol STRIKE_DIP, drawn at unit size. */
  static const char *symbol_block() {
    host_add_support_path(PV_RESOURCE_DIR "/shapes");
    EXPECT_EQ(shape_lib_load_cmd("PVSTRUCT"), 0);
    EXPECT_EQ(sym_block_from_shape("STRIKE_DIP", "0"), 0);
    return "STRIKE_DIP";
  }
  static void line(ads_name out) {
    ads_point a = {0, 0, 0}, b = {5, 5, 0};
    make(ads_buildlist(RTDXF0, "LINE", 8, "0", 10, a, 11, b, 0), out);
  }
  /* A real group of an entity. */
  static double real(const ads_name e, int code) {
    struct resbuf *l = ads_entget(e);
    struct resbuf *g = rb_find(l, code);
    double v = g ? g->resval.rreal : -999.0;
    ads_relrb(l);
    return v;
  }
  /* The insertion point of an entity. */
  static std::pair<double, double> at(const ads_name e) {
    struct resbuf *l = ads_entget(e);
    struct resbuf *g = rb_find(l, 10);
    std::pair<double, double> p = {g->resval.rpoint[0], g->resval.rpoint[1]};
    ads_relrb(l);
    return p;
  }
  static void options(int absolute, int text_on, double text_size, int symbol_on, double symbol_size) {
    scale_options_reset(&g_scale_options);
    g_scale_options.absolute = absolute;
    g_scale_options.relative = !absolute;
    g_scale_options.text = text_on;
    g_scale_options.text_size = text_size;
    g_scale_options.symbol = symbol_on;
    g_scale_options.symbol_size = symbol_size;
  }

  ads_point zero_ = {0, 0, 0}, one_ = {1, 1, 0};
  const geo_point in_place_ = {0.0, 0.0, 0.0, 0.0};
};

TEST_F(Scale, DialogChecksComeInTheirOrder) {
  pnt_rec setup;
  struct {
    const char *what;
    scale_options o;
    const char *want;
  } cases[] = {
      {"neither absolute nor relative", {0, 0, 1, 1, 0, 0.0, 0.0, nullptr},
       "ERROR:  Choose absolute or relative scaling"},
      {"neither texts nor symbols", {1, 0, 0, 0, 1, -1.0, -1.0, nullptr}, "ERROR:  Choose text or symbols for scaling"},
      {"text size 0", {0, 1, 1, 1, 1, 0.0, -1.0, nullptr}, "ERROR:  Invalid text size"},
      {"symbol size negative", {1, 0, 1, 1, 1, 2.0, -1.0, nullptr}, "ERROR:  Invalid symbol size"},
      {"station without point setup", {1, 0, 1, 0, 1, 2.0, 0.0, nullptr}, "ERROR:  No station location chosen"},
      {"symbol size unused without symbols", {1, 0, 1, 0, 0, 2.0, 0.0, nullptr}, nullptr},
      {"station with a point setup", {1, 1, 0, 1, 1, 0.0, 0.5, &setup}, nullptr},
  };
  for (auto &c : cases) {
    const char *got = scale_options_error(&c.o);
    if (c.want) EXPECT_STREQ(got, c.want) << c.what;
    else EXPECT_EQ(got, nullptr) << c.what;
  }
}

TEST_F(Scale, AbsoluteAndRelativeSizesOfTextsAndSymbols) {
  ads_name small, big, mark;
  text(0, 0, 0.8, small);
  text(10, 0, 7.0, big);
  insert(20, 0, 0.5, 1.0, 2.0, mark, symbol_block());
  options(1, 1, 2.5, 0, 0.0);
  EXPECT_EQ(scale_one(small, &in_place_), 0);
  EXPECT_EQ(scale_one(big, &in_place_), 0);
  EXPECT_DOUBLE_EQ(real(small, 40), 2.5);
  EXPECT_DOUBLE_EQ(real(big, 40), 2.5);
  EXPECT_EQ(scale_one(mark, &in_place_), -1) << "symbols were not chosen";
  EXPECT_DOUBLE_EQ(real(mark, 41), 0.5);

  options(0, 0, 0.0, 1, 2.0);
  EXPECT_EQ(scale_one(mark, &in_place_), 0);
  EXPECT_DOUBLE_EQ(real(mark, 41), 1.0);
  EXPECT_DOUBLE_EQ(real(mark, 42), 2.0);
  EXPECT_DOUBLE_EQ(real(mark, 43), 4.0);
  EXPECT_EQ(at(mark), std::make_pair(20.0, 0.0)) << "scaled in place";

  options(1, 0, 0.0, 1, 3.0);
  EXPECT_EQ(scale_one(mark, &in_place_), 0);
  EXPECT_DOUBLE_EQ(real(mark, 41), 3.0);
  EXPECT_DOUBLE_EQ(real(mark, 42), 3.0);
  EXPECT_DOUBLE_EQ(real(mark, 43), 3.0);
}

TEST_F(Scale, AnAbsoluteSizeGoesToLibrarySymbolsOnlyADiagramTakesAFactorTheSetupBlockNothing) {
  if (!g_map_params.block_name[0] && map_params_write(&g_map_params) == 0) map_params_insert(&g_map_params);
  ads_name setup, symbol, pie, net;
  ASSERT_EQ(ads_entlast(setup), RTNORM);
  ASSERT_EQ(map_params_is_reference(setup), 1);
  insert(0, 0, 25, 25, 25, symbol, symbol_block());
  insert(10, 0, 1, 1, 1, pie);      /* drawn at its real size */
  insert(20, 0, 400, 400, 400, net);
  struct {
    int absolute;
    double size, symbol, pie, net;
  } cases[] = {{1, 50, 50, 1, 400}, {0, 2, 100, 2, 800}};
  for (const auto &c : cases) {
    options(c.absolute, 0, 0.0, 1, c.size);
    for (const ads_name *e : {&setup, &symbol, &pie, &net}) scale_one(*e, &in_place_);
    EXPECT_DOUBLE_EQ(real(symbol, 42), c.symbol) << c.absolute;
    EXPECT_DOUBLE_EQ(real(pie, 41), c.pie) << c.absolute;
    EXPECT_DOUBLE_EQ(real(net, 43), c.net) << c.absolute;
    EXPECT_DOUBLE_EQ(real(setup, 41), 1.0) << c.absolute;
  }
}

TEST_F(Scale, SizeOfZeroIsNotDividedAndOtherTypesAreLeft) {
  ads_name mark, l;
  /* The editor keeps a mirrored block's negative X scale. */
  insert(20, 0, -1.0, 1.0, 1.0, mark);
  line(l);
  options(1, 1, 2.5, 1, 2.0);
  const geo_point base = {10.0, 0.0, 0.0, 0.0};
  EXPECT_EQ(scale_one(mark, &base), -2);
  EXPECT_EQ(at(mark), std::make_pair(20.0, 0.0));
  EXPECT_DOUBLE_EQ(real(mark, 41), -1.0);
  EXPECT_EQ(scale_one(l, &in_place_), -1);
}

TEST_F(Scale, SymbolAboutItsStationMovesTowardIt) {
  ads_name mark, label;
  insert(110, 200, 1.0, 1.0, 1.0, mark);
  text(100, 190, 2.0, label);
  options(0, 1, 0.5, 1, 0.5);
  const geo_point station = {100.0, 200.0, 0.0, 0.0};
  EXPECT_EQ(scale_one(mark, &station), 0);
  EXPECT_EQ(at(mark), std::make_pair(105.0, 200.0));
  EXPECT_DOUBLE_EQ(real(mark, 41), 0.5);
  EXPECT_EQ(scale_one(label, &station), 0);
  EXPECT_EQ(at(label), std::make_pair(100.0, 195.0));
}

TEST_F(Scale, StationPointRefusesBadLinks) {
  pjct_rec *p = project("GEO");
  tbl_rec *statn = table(p, "STATN", TBL_DEF_STATION, {"EASTING", "NORTHING"});
  tbl_rec *notes = table(p, "NOTES", TBL_DEF_OTHER);
  pnt_rec setup;
  pnt_rec_init(&setup);
  setup.table = statn;
  setup.x_col = sql_col_find(statn->columns, "EASTING", nullptr, nullptr);
  setup.y_col = sql_col_find(statn->columns, "NORTHING", nullptr, nullptr);
  geo_point out = {1, 1, 1, 0};
  struct {
    const char *what;
    link_rec l;
    int want;
  } cases[] = {
      {"blank key value", link("GEO", "STATN", 3, "NAME", " "), LINK_ERR_KEY_VALUE},
      {"project not logged on", link("MINE", "STATN", 3, "NAME", "3"), LINK_ERR_PROJECT},
      {"table not registered", link("GEO", "ROCK", 3, "NAME", "3"), LINK_ERR_TABLE},
      {"column missing", link("GEO", "STATN", 3, "DIP", "3"), LINK_ERR_COLUMN},
      {"table keyed by BASENUMBER, not the station", link("GEO", "NOTES", 3, "NAME", "3"), LINK_ERR_KEY_VALUE},
  };
  (void)notes;
  for (auto &c : cases) EXPECT_EQ(scale_station_point(&c.l, &setup, &out, nullptr), c.want) << c.what;
  EXPECT_EQ(scale_station_point(nullptr, &setup, &out, nullptr), -2);
}

TEST_F(Scale, KeyValueEntersTheStationQueryOnlyQuotedOrAsANumber) {
  sql_col_rec *text = sql_col_new("STN", "STATN", SQL_TYPE_CHAR, 20, 0);
  sql_col_rec *number = sql_col_new("STN", "STATN", SQL_TYPE_NUMERIC, 20, 0);
  struct {
    const sql_col_rec *column;
    const char *value;
    int rc;
    const char *want;
  } cases[] = {
      {text, " 3 ", 0, "'3'"},
      {text, "O'Neil' OR 1=1 --", 0, "'O''Neil'' OR 1=1 --'"},
      {number, " 3 ", 0, "3"},
      {number, "3 OR 1=1", -1, ""},
      {number, "", -1, ""},
  };
  for (auto &c : cases) {
    std::string out = "stale";
    EXPECT_EQ(link_key_literal(c.column, c.value, out), c.rc) << c.value;
    if (c.rc == 0) { EXPECT_EQ(out, c.want) << c.value; }
  }
  std::string out;
  EXPECT_EQ(link_key_literal(nullptr, "3", out), -2);
  sql_col_list_free(&text);
  sql_col_list_free(&number);
}

/* A walk's handler that passes LINEs over and takes the LINE before it
** out of the set with the first text it handles. */
ads_name s_taken;
int take_line_with_first(const ads_name e, ads_name ss) {
  if (ent_type_code(e) == ENT_TYPE_LINE) return -1;
  ads_ssdel(e, ss);
  if (!ename_isnull(s_taken)) ads_ssdel(s_taken, ss);
  s_taken[0] = s_taken[1] = 0;
  return 0;
}

TEST_F(Scale, WalkFindsItsPlaceWhenAHandledEntityTakesOnePassedOver) {
  ads_name a, b, c, l;
  line(l);
  text(0, 0, 1.0, a);
  text(0, 5, 1.0, b);
  text(0, 10, 1.0, c);
  ads_name ss;
  ASSERT_EQ(ads_ssget("X", nullptr, nullptr, nullptr, ss), RTNORM);
  s_taken[0] = l[0], s_taken[1] = l[1];
  EXPECT_EQ(ss_walk(ss, "Walking...", take_line_with_first), 3);
  long n = -1;
  ads_sslength(ss, &n);
  EXPECT_EQ(n, 0);
  ss_free(ss);
}

TEST_F(Scale, WalkLeavesLinesAndFailuresInTheSelection) {
  ads_name a, b, l, flat;
  text(0, 0, 1.0, a);
  line(l);
  insert(0, 5, -1.0, 1.0, 1.0, flat);
  text(0, 10, 4.0, b);
  options(1, 1, 2.5, 1, 2.0);
  ads_name ss;
  ASSERT_EQ(ads_ssget("X", nullptr, nullptr, nullptr, ss), RTNORM);
  host_io_clear_transcript();
  EXPECT_EQ(ss_walk(ss, "Scaling...", scale_entity), 2);
  long n = 0;
  ads_sslength(ss, &n);
  EXPECT_EQ(n, 2) << "the LINE and the mirrored INSERT stay";
  EXPECT_EQ(ads_ssmemb(l, ss), RTNORM);
  EXPECT_EQ(ads_ssmemb(flat, ss), RTNORM);
  EXPECT_NE(ads_ssmemb(a, ss), RTNORM);
  EXPECT_DOUBLE_EQ(real(b, 40), 2.5);
  ss_free(ss);
}

}  // namespace

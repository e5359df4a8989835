/*
** link_test.cpp: the entity-to-row link in the stand-in editor, against
** projects whose tables live in memory: the exact extended-data group,
** groups cut short and of other applications, the checks of a link and of
** a row, the relation levels, the window around each entity type, the
** entities of one row and their grouping, and the older numeric form.
*/
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "draw/draw_util.h"
#include "draw/ent_make.h"
#include "draw/link.h"
#include "draw/sym_place.h"
#include "map/draw_fixture.h"

namespace {

class Links : public DrawTest {
 protected:
  void SetUp() override {
    DrawTest::SetUp();
    geo_ = project("GEO");
    station_ = table(geo_, "STATION", TBL_DEF_STATION);
    table(geo_, "SAMPLE", TBL_DEF_SAMPLE);
    table(geo_, "TRAVERSE", TBL_DEF_TRAVERSE);
    table(geo_, "ROCKS", TBL_DEF_ROCK, {"GROUPING"});
  }

  /* The link {GEO, STATION, row, column, value, extra}. */
  static link_rec st(int row, const char *column = "STATION", const char *value = "ST1", const char *extra = "") {
    return link("GEO", "STATION", row, column, value, extra);
  }

  /* Draws a linked TEXT at (x, y); its name. */
  static void text(const link_rec &l, double x, double y, ads_name out) {
    sym_place_rec r;
    sym_place_init(&r);
    r.name = "T";
    r.ins = {x, y, 0, 0};
    r.link = l;
    ASSERT_EQ(sym_place_text(&r), 0) << host_last_error();
    ename_copy(out, r.ename);
  }

  /* A list with group 0 and the extended data items given after -3. */
  static struct resbuf *with_xdata(std::vector<std::pair<int, std::string>> items, bool rowid = true,
                                   int cut = 99) {
    struct resbuf *head = ads_buildlist(RTDXF0, "LINE", -3, 0), *tail = head->rbnext;
    int n = 0;
    for (auto &it : items) {
      if (n++ >= cut) break;
      struct resbuf *rb = it.first != LINK_XD_LONG ? ads_buildlist(it.first, it.second.c_str(), 0)
                          : rowid ? ads_buildlist(LINK_XD_LONG, atoi(it.second.c_str()), 0)
                                  : ads_buildlist(LINK_XD_TEXT, it.second.c_str(), 0);
      tail->rbnext = rb;
      tail = rb;
    }
    return head;
  }

  static std::vector<std::pair<int, std::string>> full_group() {
    return {{1001, "PETRIVEX"}, {1000, "GEO"},    {1000, "STATION"}, {1071, "12"},
            {1000, "STATION"},  {1000, "ST1"},    {1000, "GRP"}};
  }

  pjct_rec *geo_ = nullptr;
  tbl_rec *station_ = nullptr;
  link_rec station_link_ = st(12);
};

TEST_F(Links, CompletenessAndValidityOfTheRecord) {
  link_rec l = st(12);
  EXPECT_EQ(link_incomplete(&l), 0);
  EXPECT_EQ(link_validate(&l), 0);
  EXPECT_EQ(link_incomplete(nullptr), 1);
  struct {
    link_rec l;
    int validate;
  } cases[] = {
      {st(-1), -2},
      {st(12, " "), -2},
      {st(12, "STATION", ""), -2},
      {link("NOSUCH", "STATION", 12, "STATION", "ST1"), LINK_ERR_PROJECT},
      {link("GEO", "NOSUCH", 12, "STATION", "ST1"), LINK_ERR_TABLE},
      {st(12, "NOSUCH"), LINK_ERR_COLUMN},
      {link("geo", "station", 0, "name", "x"), 0},
  };
  for (auto &c : cases) EXPECT_EQ(link_validate(&c.l), c.validate) << c.l.project << " " << c.l.key_column;
  link_rec copy;
  EXPECT_EQ(link_copy(&copy, &l), 0);
  EXPECT_EQ(link_compare(&copy, &l), LINK_SAME_ROW);
  EXPECT_EQ(link_copy(nullptr, &l), -2);
  link_clear(&copy);
  EXPECT_EQ(copy.row_id, 0);
  EXPECT_EQ(copy.key_value[0], 0);
}

TEST_F(Links, TheGroupIsWrittenExactlyAndReplacesAnEarlierOne) {
  link_rec l = st(12);
  ads_point a = {0, 0, 0}, b = {1, 1, 0};
  struct resbuf *list =
      ads_buildlist(RTDXF0, "LINE", 10, a, 11, b, -3, 1001, "OLD", 1000, "stale", 0);
  ASSERT_EQ(link_xdata_put(&l, list), 0);
  std::vector<std::pair<int, std::string>> want = {
      {0, "LINE"},       {10, ""},          {11, ""},    {-3, ""},  {1001, "PETRIVEX"}, {1000, "GEO"},
      {1000, "STATION"}, {1071, "12"},      {1000, "STATION"}, {1000, "ST1"}, {1000, ""}};
  std::vector<std::pair<int, std::string>> got;
  for (struct resbuf *r = list; r; r = r->rbnext) {
    std::string v;
    if (r->restype == 1071) v = std::to_string(r->resval.rlong);
    else if (r->restype == 0 || r->restype >= 1000) v = r->resval.rstring;
    got.emplace_back(r->restype, v);
  }
  EXPECT_EQ(got, want);
  /* Texts are trimmed on the way. */
  link_rec spaced = link(" GEO ", "STATION ", 12, " STATION", " ST1 ", " G ");
  ASSERT_EQ(link_xdata_put(&spaced, list), 0);
  EXPECT_STREQ(rb_find(list, 1000)->resval.rstring, "GEO");
  ads_relrb(list);

  list = ads_buildlist(RTDXF0, "LINE", 0);
  link_rec bad = link("NOSUCH", "STATION", 12, "STATION", "ST1");
  EXPECT_EQ(link_xdata_put(&bad, list), LINK_ERR_PROJECT);
  EXPECT_EQ(list->rbnext, nullptr);
  EXPECT_EQ(link_xdata_put_raw(&bad, list), 0);   /* complete is enough */
  link_rec cut = st(-1);
  EXPECT_EQ(link_xdata_put_raw(&cut, list), -2);
  EXPECT_EQ(link_xdata_put(&l, nullptr), -2);
  ads_relrb(list);
}

TEST_F(Links, AGroupCutShortGivesTheCodeOfItsFirstMissingItem) {
  struct {
    int keep;
    int code;
  } cases[] = {{0, LINK_ERR_NOT_LINKED}, {1, LINK_ERR_PROJECT}, {2, LINK_ERR_TABLE}, {3, LINK_ERR_ROW},
               {4, LINK_ERR_COLUMN},     {5, LINK_ERR_KEY_VALUE}, {6, 0},           {7, 0}};
  for (const auto &c : cases) {
    struct resbuf *list = with_xdata(full_group(), true, c.keep);
    link_rec l;
    EXPECT_EQ(link_xdata_parse(&l, list), c.code) << "items kept: " << c.keep;
    if (c.code == 0) {
      EXPECT_EQ(l.row_id, 12);
      EXPECT_STREQ(l.key_value, "ST1");
      EXPECT_STREQ(l.extra, c.keep == 7 ? "GRP" : "");
    }
    ads_relrb(list);
  }
  /* A text where the row id belongs; blank items count as missing. */
  struct resbuf *list = with_xdata(full_group(), false);
  link_rec l;
  EXPECT_EQ(link_xdata_parse(&l, list), LINK_ERR_ROW);
  ads_relrb(list);
  auto blank = full_group();
  blank[5].second = "  ";
  list = with_xdata(blank);
  EXPECT_EQ(link_xdata_parse(&l, list), LINK_ERR_KEY_VALUE);
  ads_relrb(list);
  /* Another application's group, or none at all. */
  auto other = full_group();
  other[0].second = "OTHERAPP";
  list = with_xdata(other);
  EXPECT_EQ(link_xdata_parse(&l, list), LINK_ERR_NOT_LINKED);
  EXPECT_EQ(link_xdata_parse_raw(&l, list), LINK_ERR_NOT_LINKED);
  ads_relrb(list);
  list = ads_buildlist(RTDXF0, "LINE", 0);
  EXPECT_EQ(link_xdata_parse(&l, list), LINK_ERR_NOT_LINKED);
  ads_relrb(list);
  /* The application name in any case; a project not logged on passes the
  ** raw parse only. */
  auto lower = full_group();
  lower[0].second = "petrivex";
  lower[1].second = "ELSEWHERE";
  list = with_xdata(lower);
  EXPECT_EQ(link_xdata_parse(&l, list), LINK_ERR_PROJECT);
  EXPECT_EQ(link_xdata_parse_raw(&l, list), 0);
  EXPECT_STREQ(l.project, "ELSEWHERE");
  ads_relrb(list);
}

TEST_F(Links, LinksRoundTripThroughTheDrawingWithAnEmptyExtra) {
  ads_name e;
  text(st(12), 0, 0, e);
  link_rec back;
  ASSERT_EQ(link_xdata_get(&back, e), 0);
  EXPECT_EQ(fields(back), "GEO|STATION|12|STATION|ST1|");
  /* Picked by the user: the entity's list goes to the caller. */
  host_io_use_script_text("last\n*cancel*\n");
  struct resbuf *picked = nullptr;
  ASSERT_EQ(link_pick("\nSelect a linked object: ", &picked, &back), 0);
  ASSERT_NE(picked, nullptr);
  EXPECT_NE(rb_find(picked, LINK_XD_START), nullptr);
  ads_relrb(picked);
  EXPECT_EQ(link_pick("\nSelect a linked object: ", &picked, &back), LINK_ERR_NOTHING_PICKED);
  ads_name none = {0, 0};
  EXPECT_EQ(link_xdata_get(&back, none), -2);
  /* A plain entity is not linked. */
  geo_point a = {0, 0, 0, 0}, b = {1, 0, 0, 0};
  ASSERT_EQ(ent_make_line(&a, &b, "", -1, nullptr), 0);
  ads_name line;
  ads_entlast(line);
  EXPECT_EQ(link_xdata_get(&back, line), LINK_ERR_NOT_LINKED);
  /* A linked LINE and ARC carry the group too. */
  link_rec l = st(12);
  ASSERT_EQ(ent_make_line(&a, &b, "", -1, &l), 0);
  ads_entlast(line);
  EXPECT_EQ(link_xdata_get(&back, line), 0);
  ASSERT_EQ(ent_make_arc(&a, 1, 0, 1, "", -1, &l), 0);
  ads_entlast(line);
  EXPECT_EQ(link_xdata_get(&back, line), 0);
  link_rec bad = st(12, "NOSUCH");
  int before = entities();
  EXPECT_EQ(ent_make_arc(&a, 1, 0, 1, "", -1, &bad), LINK_ERR_COLUMN);
  EXPECT_EQ(ent_make_line(&a, &b, "", -1, &bad), LINK_ERR_COLUMN);
  EXPECT_EQ(entities(), before);
}

TEST_F(Links, LinkedMakersWriteTheirGroupsFollowedByTheLink) {
  host_add_support_path(PV_RESOURCE_DIR "/shapes");
  const std::vector<int> xd = {-3, 1001, 1000, 1000, 1071, 1000, 1000, 1000};
  auto with = [&](std::vector<int> v) {
    v.insert(v.end(), xd.begin(), xd.end());
    return v;
  };
  geo_point a = {0, 0, 0, 0}, b = {1, 0, 0, 0};
  struct {
    const char *what;
    int mode;
    std::vector<int> groups;
  } cases[] = {
      {"TEXT", SYM_MODE_TEXT, with({0, 1, 7, 8, 10, 40, 50, 62})},
      {"SHAPE", SYM_MODE_SHAPE, with({0, 2, 8, 10, 40, 50, 62})},
      {"INSERT", SYM_MODE_INSERT, with({0, 2, 8, 10, 41, 42, 43, 50, 62})},
      {"ARC", 0, with({0, 8, 10, 50, 51, 40, 62})},
  };
  for (auto &c : cases) {
    sym_place_rec r;
    sym_place_init(&r);
    r.name = c.what[0] == 'T' ? "ST1" : "STRIKE_DIP";
    r.font = "PVSTRUCT";
    r.colour = 1;
    r.mode = c.mode;
    r.link = st(12);
    int rc = c.what[0] == 'T'   ? sym_place_text(&r)
             : c.what[0] == 'S' ? sym_place_shape(&r)
             : c.what[0] == 'I' ? sym_place_insert_shape(&r)
                                : ent_make_arc(&a, 1, 0, 1, "", 1, &r.link);
    EXPECT_EQ(rc, 0) << c.what << ": " << host_last_error();
    EXPECT_EQ(last_codes(), c.groups) << c.what;
  }
  ASSERT_EQ(ent_make_line(&a, &b, "", 2, &station_link_), 0);
  EXPECT_EQ(last_codes(), with({0, 8, 10, 11, 62}));
}

TEST_F(Links, RelationLevelsFollowTableKeyValueExtraAndTableType) {
  struct {
    const char *what;
    link_rec a, b;
    int level;
  } cases[] = {
      {"same row", st(12), st(12, "NAME", "OTHER"), LINK_SAME_ROW},
      {"same group", link("GEO", "ROCKS", 1, "NAME", "ST1", "G1"), link("GEO", "rocks", 2, "NAME", "st1", "G1"),
       LINK_SAME_GROUP},
      {"blank extras", st(12), st(13), LINK_SAME_TABLE},
      {"other extras", link("GEO", "ROCKS", 1, "NAME", "ST1", "G1"), link("GEO", "ROCKS", 2, "NAME", "ST1", "G2"),
       LINK_SAME_TABLE},
      {"other key values", st(12), st(13, "STATION", "ST2"), LINK_ERR_NOT_LINKED},
      {"sample and station", link("GEO", "SAMPLE", 4, "NAME", "ST1"), st(12), LINK_SAME_STATION},
      {"rock and station", link("GEO", "ROCKS", 4, "NAME", "ST1"), st(12), LINK_SAME_STATION},
      {"traverse and station", link("GEO", "TRAVERSE", 4, "NAME", "ST1"), st(12), LINK_ERR_NOT_LINKED},
      {"invalid", st(12, "NOSUCH"), st(12), LINK_ERR_NOT_LINKED},
  };
  for (auto &c : cases) {
    EXPECT_EQ(link_compare(&c.a, &c.b), c.level) << c.what;
    EXPECT_EQ(link_compare(&c.b, &c.a), c.level) << c.what << " (swapped)";
  }
  pjct_rec *other = project("OTHER");
  table(other, "STATION", TBL_DEF_STATION);
  link_rec far = link("OTHER", "STATION", 12, "STATION", "ST1");
  link_rec here = st(12);
  EXPECT_EQ(link_compare(&far, &here), LINK_ERR_NOT_LINKED);
}

TEST_F(Links, WindowsAreSizedByEntityType) {
  ads_point o = {0, 0, 0}, p34 = {3, 4, 0}, p = {2, 3, 0};
  ads_point lw[] = {{0, 0, 0}, {30, 0, 0}, {30, 20, 0}};
  struct {
    const char *what;
    struct resbuf *list;
    int rc;
    double half;
  } cases[] = {
      {"TEXT of height 2.5", ads_buildlist(RTDXF0, "TEXT", 10, p, 40, 2.5, 0), 0, 37.5},
      {"LINE (0,0)-(3,4)", ads_buildlist(RTDXF0, "LINE", 10, o, 11, p34, 0), 0, 75},
      {"LWPOLYLINE of length 50", ads_buildlist(RTDXF0, "LWPOLYLINE", 10, lw[0], 10, lw[1], 10, lw[2], 0), 0, 25},
      {"short LWPOLYLINE", ads_buildlist(RTDXF0, "LWPOLYLINE", 10, o, 10, p34, 0), 0, 15},
      {"POINT", ads_buildlist(RTDXF0, "POINT", 10, p, 0), 0, 15},
      {"INSERT of scale 2", ads_buildlist(RTDXF0, "INSERT", 10, p, 41, 2.0, 0), 0, 30},
      {"SHAPE of size 1", ads_buildlist(RTDXF0, "SHAPE", 10, p, 40, 1.0, 0), 0, 15},
      {"CIRCLE without radius", ads_buildlist(RTDXF0, "CIRCLE", 10, p, 0), LINK_ERR_GEOMETRY, 0},
      {"LINE without end", ads_buildlist(RTDXF0, "LINE", 10, p, 0), LINK_ERR_GEOMETRY, 0},
      {"TEXT without point", ads_buildlist(RTDXF0, "TEXT", 40, 1.0, 0), LINK_ERR_GEOMETRY, 0},
      {"LWPOLYLINE without vertices", ads_buildlist(RTDXF0, "LWPOLYLINE", 0), LINK_ERR_GEOMETRY, 0},
      {"HATCH", ads_buildlist(RTDXF0, "HATCH", 10, p, 0), LINK_ERR_NOT_LINKED, 0},
  };
  for (auto &c : cases) {
    geo_point centre = {-1, -1, -1, 0};
    double half = 0;
    EXPECT_EQ(link_window_of(c.list, &centre, &half), c.rc) << c.what;
    if (c.rc == 0) { EXPECT_DOUBLE_EQ(half, c.half) << c.what; }
    ads_relrb(c.list);
  }
  geo_point last;
  struct resbuf *l = ads_buildlist(RTDXF0, "LWPOLYLINE", 10, lw[0], 10, lw[1], 10, lw[2], 0);
  EXPECT_DOUBLE_EQ(ent_polyline_length(l, &last), 50);
  EXPECT_EQ(last.x, 30);
  EXPECT_EQ(last.y, 20);
  geo_point centre;
  double half;
  EXPECT_EQ(link_window_of(l, &centre, &half), 0);
  EXPECT_EQ(centre.x, 30);   /* the last vertex */
  ads_relrb(l);
  EXPECT_EQ(ent_polyline_length(nullptr, &last), 0.0);
}

TEST_F(Links, PolylineLengthWalksTheVerticesUpToSeqend) {
  sym_place_rec r;
  sym_place_init(&r);
  ASSERT_EQ(ent_make_polyline(&r), 0);
  double pts[][2] = {{0, 0}, {3, 4}, {3, 10}};
  for (auto &pt : pts) {
    sym_place_rec v;
    sym_place_init(&v);
    v.ins = {pt[0], pt[1], 0, 0};
    ASSERT_EQ(ent_make_vertex(&v), 0);
  }
  ASSERT_EQ(ent_make_seqend(), 0);
  ads_name pl;
  ads_entlast(pl);
  struct resbuf *l = ads_entget(pl);
  geo_point last;
  EXPECT_DOUBLE_EQ(ent_polyline_length(l, &last), 11);
  EXPECT_EQ(last.y, 10);
  ads_relrb(l);
}

TEST_F(Links, TheEntitiesOfOneRowAreSelectedAroundAnEntity) {
  ads_name first, same, next_row, far, other_station;
  text(st(12), 0, 0, first);
  text(st(12, "NAME", "ST1"), 2, 2, same);
  text(st(13), 3, 3, next_row);
  text(st(14, "STATION", "ST9"), 1, 1, other_station);
  text(st(12), 500, 500, far);
  geo_point p = {5, 5, 0, 0};
  ASSERT_EQ(ent_make_circle(&p, 1, "", -1), 0);   /* unlinked, inside the window */
  struct resbuf *apps = ads_buildlist(RTSTR, LINK_APP_NAME, 0);
  struct resbuf *list = ads_entgetx(first, apps);
  ads_relrb(apps);
  ads_name ss = {0, 0};
  EXPECT_EQ(link_ss_same_row(list, LINK_SAME_ROW, ss), 2);
  EXPECT_EQ(ads_ssmemb(first, ss), RTNORM);
  EXPECT_EQ(ads_ssmemb(same, ss), RTNORM);
  /* The set is freed by the next call; level 4 takes the same key value. */
  EXPECT_EQ(link_ss_same_row(list, LINK_SAME_TABLE, ss), 3);
  EXPECT_EQ(ads_ssmemb(next_row, ss), RTNORM);
  EXPECT_EQ(link_ss_same_row(list, 3, ss), -2);
  ss_free(ss);
  EXPECT_EQ(host_open_selection_sets(), 0);
  /* A window with nothing related frees its set. */
  link_rec l = st(12);
  geo_point empty = {200, 200, 0, 0};
  ads_name ss2 = {0, 0};
  text(link("GEO", "TRAVERSE", 1, "NAME", "X"), 200, 200, far);
  EXPECT_EQ(link_ss_window(&empty, -5, &l, LINK_SAME_STATION, ss2), LINK_ERR_NOT_LINKED);
  EXPECT_TRUE(ename_isnull(ss2));
  EXPECT_EQ(host_open_selection_sets(), 0);
  ads_relrb(list);
}

TEST_F(Links, RowsAreGroupedAfterDroppingLinksKeyedByBasenumber) {
  ads_name a, b, c, d;
  text(st(12, "NAME"), 0, 0, a);
  text(st(13, "NAME"), 1, 0, b);
  text(st(12, "STATION"), 2, 0, c);
  text(st(12, "BASENUMBER"), 3, 0, d);
  EXPECT_EQ(link_keyed_by_id(d), 1);
  EXPECT_EQ(link_keyed_by_id(a), 0);
  ads_name ss = {0, 0};
  for (ads_namep e : {a, b, c, d}) ASSERT_EQ(ads_ssadd(e, ename_isnull(ss) ? nullptr : ss, ss), RTNORM);
  int *order = (int *)malloc(sizeof(int));   /* a stale array is freed */
  ASSERT_EQ(link_ss_group_rows(&order, ss), 0);
  long n = 0;
  ads_sslength(ss, &n);
  ASSERT_EQ(n, 3);
  EXPECT_EQ(order[0], 0);
  EXPECT_EQ(order[1], 2);
  EXPECT_EQ(order[2], -1);
  free(order);
  order = nullptr;
  ss_free(ss);
  /* Only BASENUMBER links: nothing left, the set freed. */
  ASSERT_EQ(ads_ssadd(d, nullptr, ss), RTNORM);
  EXPECT_EQ(link_ss_group_rows(&order, ss), -1);
  EXPECT_TRUE(ename_isnull(ss));
  EXPECT_EQ(link_ss_group_rows(&order, ss), -2);
  EXPECT_EQ(host_open_selection_sets(), 0);
}

TEST_F(Links, RowsAreCheckedAndLinksBuiltFromThem) {
  geo_->connection = (void *)this;   /* any handle: it only identifies the project */
  sql_col_rec *row = nullptr, **tail = &row;
  struct {
    const char *name, *text;
  } cols[] = {{"BASENUMBER", "12"}, {"STATION", " ST1 "}, {"NAME", "Peak"}};
  for (auto &c : cols) {
    *tail = sql_col_new(c.name, "STATION", SQL_TYPE_CHAR, 20, 0);
    snprintf((*tail)->text, 20, "%s", c.text);
    (*tail)->connection = geo_->connection;
    tail = &(*tail)->next;
  }
  link_rec l;
  sql_col_rec *name = sql_col_find(row, "NAME", nullptr, nullptr);
  ASSERT_EQ(link_from_row(&l, row, name), 0);
  EXPECT_EQ(fields(l), "GEO|STATION|12|NAME|ST1|");
  EXPECT_EQ(link_row_id_column(row), row);
  EXPECT_EQ(link_check_row(&l, row), 0);
  link_rec wrong = l;
  wrong.row_id = 13;
  EXPECT_EQ(link_check_row(&wrong, row), LINK_ERR_ROW_ID);
  link_rec sample = link("GEO", "SAMPLE", 12, "NAME", "ST1");
  EXPECT_EQ(link_check_row(&sample, row), LINK_ERR_TABLE);
  EXPECT_EQ(link_check_row(&l, nullptr), -2);
  /* Without the own key column the row is not a STATION row. */
  snprintf(row->next->name, sizeof row->next->name, "%s", "PLACE");
  EXPECT_EQ(link_check_row(&l, row), LINK_ERR_COLUMN);
  EXPECT_EQ(link_from_row(&l, row, name), -1);
  EXPECT_EQ(l.project[0], 0);
  EXPECT_EQ(link_from_row(nullptr, row, name), -2);
  geo_->connection = nullptr;
  sql_col_list_free(&row);
}

TEST_F(Links, TheOlderFormIsReadAndConvertedByNames) {
  geo_->letter = 'G';
  station_->module_id = 300;
  col_attr_rec *rule = col_attr_new();
  snprintf(rule->column, sizeof rule->column, "%s", "NAME");
  snprintf(rule->table, sizeof rule->table, "%s", "STATION");
  rule->extra = 400;
  geo_->col_attrs = rule;

  auto make = [](int project, int table, int column, const char *value) {
    ads_point p = {0, 0, 0};
    struct resbuf *l = ads_buildlist(RTDXF0, "POINT", 10, p, -3, 1001, "PETRIVEX", 1000, "old text", 1070, project,
                                     1070, table, 1070, 12, 1070, column, 1000, value, 1000, "GRP", 0);
    ads_name e;
    EXPECT_EQ(ads_entmakex(l, e), RTNORM) << host_last_error();
    ads_relrb(l);
    return std::pair<long, long>(e[0], e[1]);
  };
  struct {
    int project, table, column;
    const char *value;
    int rc;
  } cases[] = {
      {'G', 300, 400, "ST1", 0},
      {'G', 200, 400, "ST1", LINK_ERR_NOT_LINKED},   /* numbers below 257 never match */
      {'G', 300, 256, "ST1", LINK_ERR_NOT_LINKED},
      {0, 300, 400, "ST1", LINK_ERR_NOT_LINKED},
      {'H', 300, 400, "ST1", LINK_ERR_PROJECT},
      {'G', 301, 400, "ST1", LINK_ERR_TABLE},
      {'G', 300, 401, "ST1", LINK_ERR_COLUMN},
      {'G', 300, 400, " ", LINK_ERR_NOT_LINKED},
  };
  for (const auto &c : cases) {
    auto n = make(c.project, c.table, c.column, c.value);
    ads_name e = {n.first, n.second};
    link_legacy_rec old;
    EXPECT_EQ(link_legacy_get(&old, e), c.rc) << c.project << " " << c.table << " " << c.column;
    if (c.rc) continue;
    EXPECT_STREQ(old.text, "old text");
    link_rec l;
    ASSERT_EQ(link_legacy_convert(&old, &l), 0);
    EXPECT_EQ(fields(l), "GEO|STATION|12|NAME|ST1|GRP");
    EXPECT_EQ(link_validate(&l), 0);
  }
  /* A current link is not of the older form. */
  ads_name t;
  text(st(12), 0, 0, t);
  link_legacy_rec old;
  EXPECT_EQ(link_legacy_get(&old, t), LINK_ERR_NOT_LINKED);
}

}  // namespace

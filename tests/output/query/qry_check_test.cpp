/*
** qry_check_test.cpp: the checks of one condition row in the order their
** messages are shown, the value check against the column (numbers need a
** digit, items of the column's tree, the column's length) with the codes
** each operator accepts, and the post-filter: IS and HAS in a tree ROCK >
** IGNEOUS > GRANITE, INSIDE and OUTSIDE failing rows without coordinates.
*/
#include "core/geo_util.h"
#include "core/item_tree.h"
#include "core/pnt.h"
#include "output/query/qry_edit.h"
#include "output/query/qry_filter.h"
#include "output/qry_fixture.h"

namespace {

/* A station table with a rock-type column on a tree ROCK > IGNEOUS >
** GRANITE, a memo column and a point setup on EASTING and NORTHING. */
class RowChecks : public QueryProject {
 protected:
  item_node root_{};
  pnt_rec point_{};
  void SetUp() override {
    sample_and_station();
    add_table("NOTES", TBL_DEF_OTHER, {{"BASENUMBER", SQL_TYPE_NUMERIC, 8, TBL_KEY_BASENUMBER},
                                       {"MEMO", SQL_TYPE_CHAR, 10, -1}});
    item_root_init(&root_, "STRAT", "ROCKD");
    item_node *rock = item_add_child(&root_, "ROCK", "", 1, 0, nullptr);
    item_node *igneous = item_add_child(rock, "IGNEOUS", "", 2, 0, nullptr);
    item_add_child(igneous, "GRANITE", "", 3, 0, nullptr);
    item_add_child(rock, "SHALE", "", 4, 0, nullptr);
    col_attr_rec *r = rule("STATION", "ROCKTYPE");
    r->tree = &root_;
    snprintf(r->dictionary, COL_ATTR_NAME_SIZE, "ROCKD");
    snprintf(r->profile, COL_ATTR_NAME_SIZE, "STRAT");
    rule("NOTES", "MEMO")->flags |= COL_ATTR_MEMO;
    pnt_rec_init(&point_);
    point_.x_col = col("STATION", "EASTING");
    point_.y_col = col("STATION", "NORTHING");
    for (const char *c : {"EASTING", "NORTHING"}) {
      col_attr_rec *p = rule("STATION", c);
      p->flags |= COL_ATTR_POINT;
      p->point = &point_;
    }
  }
  void TearDown() override {
    for (col_attr_rec *r : rules_) r->tree = nullptr;
    item_root_empty(&root_);
    QueryProject::TearDown();
  }
  /* A lone row (its own list) of table.column. */
  qry_cond_rec *row(const char *conn, const char *table, const char *column, const char *op, const char *value) {
    qry_cond_rec *list = nullptr;
    qry_cond_rec *c = cond(&list, conn, table, column, op, value);
    rows_.push_back(c);
    return c;
  }
  std::string error_of(const qry_cond_rec *c, const qry_cond_rec *prev) {
    std::string msg;
    return qry_condition_error(c, prev, &msg) == 0 ? "" : msg;
  }
  std::vector<qry_cond_rec *> rows_;
  ~RowChecks() override {
    for (qry_cond_rec *c : rows_) qry_cond_free(c);
  }
};

struct check_case {
  const char *conn, *table, *column, *op, *value;
  int later;            /* 1: the row follows a complete row */
  const char *message;  /* "" when valid */
};

TEST_F(RowChecks, MessagesComeInTheirOrderAndEachOperatorAcceptsItsValueCodes) {
  geo_point ring[4] = {{0, 0, 0, 0}, {10, 0, 0, 0}, {0, 10, 0, 0}, {0, 0, 0, 0}};
  const check_case cases[] = {
      {"AND", "SAMPLE", "AU", ">", "5", 0, "ERROR: Connector must be blank"},
      {"", "SAMPLE", "AU", ">", "5", 1, "ERROR:  Connector cannot be blank"},
      {"OR", "STATION", "ROCKTYPE", "IS", "ROCK", 1, "ERROR:  Connector must be AND"},
      {"", nullptr, nullptr, ">", "5", 0, "ERROR: Column cannot be blank"},
      {"", "SAMPLE", "AU", " ", "5", 0, "ERROR: Operator cannot be blank"},
      {"", "SAMPLE", "AU", "LIKE", "5%", 0, "ERROR: Invalid operator"},
      {"", "SAMPLE", "AU", "IS", "5", 0, "ERROR: Invalid operator"},
      {"", "NOTES", "MEMO", "HAS", "X", 0, "ERROR: Invalid operator"},
      {"", "SAMPLE", "AU", ">", " ", 0, "ERROR: Value cannot be blank"},
      {"", "NOTES", "MEMO", "=", "X", 0, "ERROR: Cannot query MEMO column"},
      {"", "STATION", "EASTING", "NEAR", "50", 0, "ERROR: No LINE selected"},
      {"", "STATION", "NORTHING", "INSIDE", "AREA", 0, "ERROR: No AREA selected"},
      {"", "SAMPLE", "AU", "OUTSIDE", "AREA", 0, "ERROR: AU not a point"},
      {"", "SAMPLE", "AU", ">", "5x", 0, "ERROR: Non-numeric entry in column AU"},
      {"", "SAMPLE", "AU", ">", "-", 0, "ERROR: Non-numeric entry in column AU"},
      {"", "SAMPLE", "AU", ">", "+", 0, "ERROR: Non-numeric entry in column AU"},
      {"", "SAMPLE", "AU", ">", ".", 0, "ERROR: Non-numeric entry in column AU"},
      {"", "SAMPLE", "AU", ">", "1.2.3", 0, "ERROR: Non-numeric entry in column AU"},
      {"", "SAMPLE", "AU", ">", "-.5", 0, ""},
      {"", "SAMPLE", "AU", "=", "NULL", 0, ""},
      {"", "SAMPLE", "AU", "NOT =", "'NULL'", 0, ""},
      {"", "SAMPLE", "AU", "<", "'NULL'", 0, "ERROR: Non-numeric entry in column AU"},
      {"", "STATION", "ROCKTYPE", "=", "BASALT", 0, "ERROR: BASALT not found in profile"},
      {"", "STATION", "ROCKTYPE", "IS", "BASALT", 0, "ERROR: BASALT not found in profile"},
      {"", "STATION", "ROCKTYPE", "LIKE", "GRAN%", 0, ""},
      {"", "STATION", "ROCKTYPE", "=", "NULL", 0, ""},
      {"", "STATION", "ROCKTYPE", "HAS", "GRANITE", 0, ""},
      {"", "NOTES", "MEMO", "<", "ABCDEFGHIJK", 0, "ERROR: Cannot query MEMO column"},
      {"", "STATION", "SEGMENT", "=", "123456789", 0, "ERROR: Entry too long in column SEGMENT"},
      {"", "STATION", "SEGMENT", "=", "12345678", 0, ""},
  };
  qry_cond_rec *prev = row("", "SAMPLE", "AU", ">", "1");
  for (const auto &c : cases) {
    qry_cond_rec *r = row(c.conn, c.table ? c.table : "GONE", c.column ? c.column : "GONE", c.op, c.value);
    EXPECT_EQ(error_of(r, c.later ? prev : nullptr), c.message) << c.column << " " << c.op << " " << c.value;
  }
  qry_cond_rec *inside = row("", "STATION", "EASTING", "INSIDE", "AREA");
  inside->points = (geo_point *)malloc(sizeof ring);
  memcpy(inside->points, ring, sizeof ring);
  inside->point_count = 4;
  EXPECT_EQ(error_of(inside, nullptr), "") << "non-numeric AREA is accepted for INSIDE";
  qry_cond_rec *near = row("", "STATION", "EASTING", "NEAR", "far");
  near->points = (geo_point *)malloc(sizeof ring);
  memcpy(near->points, ring, sizeof ring);
  near->point_count = 2;
  EXPECT_EQ(error_of(near, nullptr), "ERROR: Non-numeric entry in column EASTING") << "NEAR needs a distance";
}

TEST_F(RowChecks, ManySelectValuesAreCheckedPieceByPieceAtTheDelimiter) {
  col_attr_rec *r = col("STATION", "ROCKTYPE")->attr;
  r->flags |= COL_ATTR_MANY;
  r->delimiter = ',';
  EXPECT_EQ(qry_check_value(row("", "STATION", "ROCKTYPE", "=", "GRANITE, SHALE")), 0);
  EXPECT_EQ(qry_check_value(row("", "STATION", "ROCKTYPE", "=", "GRANITE,BASALT")), -9304);
  r->delimiter = '\t';
  EXPECT_EQ(qry_check_value(row("", "STATION", "ROCKTYPE", "=", "GRANITE SHALE")), 0) << "a control delimiter is a blank";
}

/* ---- The post-filter ---- */

/* A row of STATION's columns with texts (null: a null value). */
sql_col_rec *station_row(const char *rock, const char *east, const char *north) {
  sql_col_rec *r = sql_col_new("ROCKTYPE", "STATION", SQL_TYPE_CHAR, 20, 0);
  r->next = sql_col_new("EASTING", "STATION", SQL_TYPE_NUMERIC, 12, 2);
  r->next->next = sql_col_new("NORTHING", "STATION", SQL_TYPE_NUMERIC, 12, 2);
  const char *texts[] = {rock, east, north};
  int i = 0;
  for (sql_col_rec *c = r; c; c = c->next, i++) {
    snprintf(c->text, (size_t)c->length + 1, "%s", texts[i] ? texts[i] : "");
    c->null_ind = texts[i] ? 0 : SQL_COL_NULL;
  }
  return r;
}

TEST_F(RowChecks, IsAndHasWalkTheTreeAndAnItemOutsideItFailsBoth) {
  qry_cond_rec *is = row("", "STATION", "ROCKTYPE", "IS", "IGNEOUS");
  qry_cond_rec *has = row("", "STATION", "ROCKTYPE", "HAS", "GRANITE");
  const struct {
    const char *rock;
    int is, has;
  } cases[] = {{"GRANITE", 1, 1}, {"IGNEOUS", 1, 1}, {"ROCK", 0, 1}, {"SHALE", 0, 0}, {"BASALT", 0, 0},
               {" GRANITE ", 1, 1}};
  for (const auto &c : cases) {
    sql_col_rec *r = station_row(c.rock, "1", "1");
    EXPECT_EQ(qry_eval_condition(is, r), c.is) << c.rock << " IS IGNEOUS";
    EXPECT_EQ(qry_eval_condition(has, r), c.has) << c.rock << " HAS GRANITE";
    sql_col_list_free(&r);
  }
}

TEST_F(RowChecks, RowsWithoutCoordinatesFailInsideAndOutsideAndEveryFilterRowMustHold) {
  geo_point ring[5] = {{0, 0, 0, 0}, {10, 0, 0, 0}, {10, 10, 0, 0}, {0, 10, 0, 0}, {0, 0, 0, 0}};
  qry_rec *q = query_over({{"STATION", "ROCKTYPE"}});
  qry_cond_rec *in = cond(&q->filters, "", "STATION", "EASTING", "INSIDE", "AREA");
  in->points = (geo_point *)malloc(sizeof ring);
  memcpy(in->points, ring, sizeof ring);
  in->point_count = 5;
  geo_box_of_points(in->points, 5, &in->box);
  qry_cond_rec out = *in;
  out.op = qry_operator_table[QRY_OP_OUTSIDE];
  out.next = out.prev = nullptr;

  sql_col_rec *inside = station_row("GRANITE", "5", "5"), *outside = station_row("GRANITE", "15", "5");
  sql_col_rec *no_x = station_row("GRANITE", nullptr, "5");
  EXPECT_EQ(qry_eval_condition(in, inside), 1);
  EXPECT_EQ(qry_eval_condition(&out, inside), 0);
  EXPECT_EQ(qry_eval_condition(in, outside), 0);
  EXPECT_EQ(qry_eval_condition(&out, outside), 1);
  EXPECT_EQ(qry_eval_condition(in, no_x), 0) << "a null X is no point inside";
  EXPECT_EQ(qry_eval_condition(&out, no_x), 0) << "nor outside";
  in->point_count = 3;
  EXPECT_EQ(qry_eval_condition(in, inside), 0) << "an area needs a closed ring of four points";
  in->point_count = 5;

  EXPECT_EQ(qry_filter_row(q, inside), 1);
  cond(&q->filters, "AND", "STATION", "ROCKTYPE", "IS", "SHALE");
  EXPECT_EQ(qry_filter_row(q, inside), 0) << "post-filter rows are joined by AND";
  EXPECT_EQ(qry_filter_row(nullptr, inside), 1);
  EXPECT_EQ(qry_filter_row(q, nullptr), -2);
  qry_rec sql_only{};
  cond(&sql_only.conds, "", "STATION", "ROCKTYPE", "=", "'X'");
  EXPECT_EQ(qry_filter_row(&sql_only, outside), 1) << "SQL conditions are not the filter's";
  qry_cond_list_free(&sql_only.conds);
  for (sql_col_rec *r : {inside, outside, no_x}) sql_col_list_free(&r);
}

}  // namespace

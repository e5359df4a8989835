/*
** link_clean_test.cpp: deciding whether a fetched row is the one an
** entity's link means, by row id and by key value, with every refusal
** code, and finding a table's own key column; projects and tables in
** memory, rows built here.
*/
#include <utility>
#include <vector>

#include "draw_fixture.h"
#include "map/link_cmd.h"

namespace {

class CleanMatch : public DrawTest {
 protected:
  void SetUp() override {
    DrawTest::SetUp();
    pjct_rec *p = project("GEO");
    station_ = table(p, "STATION", TBL_DEF_STATION);
    station_->keys[TBL_KEY_STATION] = sql_col_find(station_->columns, "STATION", nullptr, nullptr);
    table(p, "NOTES", TBL_DEF_OTHER);
  }
  void TearDown() override {
    for (sql_col_rec *r : rows_) sql_col_list_free(&r);
    DrawTest::TearDown();
  }

  /* A row of a table from (column, value) pairs; freed by the fixture. */
  sql_col_rec *row(const char *table_name, std::vector<std::pair<const char *, const char *>> values) {
    sql_col_rec *head = nullptr, **tail = &head;
    for (auto &v : values) {
      *tail = sql_col_new(v.first, table_name, SQL_TYPE_CHAR, 20, 0);
      snprintf((*tail)->text, 21, "%s", v.second);
      tail = &(*tail)->next;
    }
    rows_.push_back(head);
    return head;
  }

  /* An entity list of a type showing a text in group 1 or 2. */
  static struct resbuf *shown(const char *type, int code, const char *text) {
    return ads_buildlist(RTDXF0, type, code, text, 0);
  }

  tbl_rec *station_ = nullptr;          /* the STATION table of GEO */
  std::vector<sql_col_rec *> rows_;     /* rows to free */
};

TEST_F(CleanMatch, RowsAreJudgedByRowIdKeyValueAndShownValue) {
  sql_col_rec *red = row("STATION", {{"BASENUMBER", "12"}, {"STATION", "ST1 "}, {"NAME", "Red Hill"}});
  sql_col_rec *blue = row("STATION", {{"BASENUMBER", "12"}, {"STATION", "st1"}, {"NAME", "Blue Lake"}});
  sql_col_rec *other = row("NOTES", {{"BASENUMBER", "12"}, {"STATION", "ST1"}, {"NAME", "Red Hill"}});
  sql_col_rec *no_name = row("STATION", {{"BASENUMBER", "12"}, {"STATION", "ST1"}});
  sql_col_rec *no_own = row("STATION", {{"BASENUMBER", "12"}, {"NAME", "Red Hill"}});
  struct resbuf *red_text = shown("TEXT", 1, " red hill"), *blue_attrib = shown("ATTRIB", 1, "Blue Lake");
  struct resbuf *shape = shown("SHAPE", 2, "RED HILL"), *line = shown("LINE", 8, "0");
  const link_rec by_name = link("GEO", "STATION", 12, "NAME", "ST1");
  struct {
    const char *what;
    const struct resbuf *entity;
    link_rec l;
    sql_col_rec *row;
    int mode;
    long count;
    int want;
  } cases[] = {
      {"mode other than 1 and 8", red_text, by_name, red, 2, 1, -2},
      {"no rows found", red_text, by_name, red, CLEAN_BY_ROW_ID, 0, -2},
      {"incomplete link", red_text, link("GEO", "STATION", 12, "NAME", ""), red, CLEAN_BY_ROW_ID, 1, -2},
      {"project not logged on", red_text, link("MINE", "STATION", 12, "NAME", "ST1"), red, CLEAN_BY_ROW_ID, 1,
       LINK_ERR_PROJECT},
      {"table not registered", red_text, link("GEO", "ROCK", 12, "NAME", "ST1"), red, CLEAN_BY_ROW_ID, 1,
       LINK_ERR_TABLE},
      {"row of another table", red_text, by_name, other, CLEAN_BY_ROW_ID, 1, LINK_ERR_TABLE},
      {"row without the key column", red_text, by_name, no_name, CLEAN_BY_ROW_ID, 1, LINK_ERR_COLUMN},
      {"row without its own key column", red_text, by_name, no_own, CLEAN_BY_ROW_ID, 1, LINK_ERR_COLUMN},
      {"row id differs", red_text, link("GEO", "STATION", 13, "NAME", "ST1"), red, CLEAN_BY_ROW_ID, 1,
       LINK_ERR_ROW_ID},
      {"the only row by id matches whatever its key", red_text, link("GEO", "STATION", 12, "NAME", "ST9"), red,
       CLEAN_BY_ROW_ID, 1, 0},
      {"duplicated id: another key value", red_text, link("GEO", "STATION", 12, "NAME", "ST9"), red,
       CLEAN_BY_ROW_ID, 2, LINK_ERR_KEY_VALUE},
      {"duplicated id: key value trimmed, any case", red_text, by_name, blue, CLEAN_BY_ROW_ID, 2, 0},
      {"by key: another key value", red_text, link("GEO", "STATION", 99, "NAME", "ST2"), red, CLEAN_BY_KEY, 1,
       LINK_ERR_KEY_VALUE},
      {"by key: the only row", line, link("GEO", "STATION", 99, "NAME", "ST1"), red, CLEAN_BY_KEY, 1, 0},
      {"by key: keyed by BASENUMBER", line, link("GEO", "STATION", 99, "BASENUMBER", "ST1"), red, CLEAN_BY_KEY,
       2, 0},
      {"by key: the TEXT shows the row's value", red_text, by_name, red, CLEAN_BY_KEY, 2, 0},
      {"by key: the TEXT shows another row's value", red_text, by_name, blue, CLEAN_BY_KEY, 2,
       LINK_ERR_KEY_VALUE},
      {"by key: an ATTRIB's group 1", blue_attrib, by_name, blue, CLEAN_BY_KEY, 2, 0},
      {"by key: a SHAPE's group 2", shape, by_name, red, CLEAN_BY_KEY, 2, 0},
      {"by key: a LINE shows nothing", line, by_name, red, CLEAN_BY_KEY, 2, LINK_ERR_COLUMN},
      {"by key: no entity", nullptr, by_name, red, CLEAN_BY_KEY, 2, LINK_ERR_COLUMN},
  };
  for (auto &c : cases)
    EXPECT_EQ(clean_row_matches(c.entity, &c.l, c.row, c.mode, c.count), c.want) << c.what;
  EXPECT_EQ(clean_row_matches(red_text, &by_name, nullptr, CLEAN_BY_ROW_ID, 1), -2) << "no row";
  for (struct resbuf *l : {red_text, blue_attrib, shape, line}) ads_relrb(l);
}

TEST_F(CleanMatch, OwnKeyColumnFollowsTheTableTypeAndItsKeySlot) {
  pjct_rec *p = g_pjct_list;
  EXPECT_STREQ(tbl_key_column(station_, station_->columns)->name, "STATION");
  /* A STATION table whose station column is named otherwise. */
  tbl_rec *statn = table(p, "STATN", TBL_DEF_STATION, {"STN"});
  statn->keys[TBL_KEY_STATION] = sql_col_find(statn->columns, "STN", nullptr, nullptr);
  EXPECT_STREQ(tbl_key_column(statn, statn->columns)->name, "STN");
  tbl_rec *notes = tbl_find_by_name(p->tables, "NOTES", nullptr);
  EXPECT_STREQ(tbl_key_column(notes, notes->columns)->name, "BASENUMBER");
  tbl_rec *unit = table(p, "UNITS", TBL_DEF_UNIT);
  EXPECT_STREQ(tbl_key_column(unit, unit->columns)->name, "UNIT");
  sql_col_rec *lacking = row("UNITS", {{"BASENUMBER", "1"}, {"NAME", "x"}});
  EXPECT_EQ(tbl_key_column(unit, lacking), nullptr) << "a row without the column";
  unit->table_type = 0;
  EXPECT_EQ(tbl_key_column(unit, unit->columns), nullptr) << "a table type out of range";
  EXPECT_EQ(tbl_key_column(nullptr, station_->columns), nullptr);
}

}  // namespace

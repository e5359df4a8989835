/*
** row_check_test.cpp: the checks of typed values against input rules,
** every message line, the stepping of auto-increment values and the key
** that links a row to another table. No project is needed: columns are
** made with the SQL layer's record maker, rules and trees by hand.
*/
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "core/col_attr.h"
#include "core/item_tree.h"
#include "core/pjct.h"
#include "core/sql_access.h"
#include "core/tbl.h"
#include "data/row_edit.h"

namespace {

/* A column with its own rule (freed with it). */
struct test_col {
  sql_col_rec *col;
  test_col(const char *name, int type, int length, int decimals, unsigned flags = COL_ATTR_EDIT) {
    col = sql_col_new(name, "STATN", type, length, decimals);
    col->attr = col_attr_new();
    col->attr->flags = (uint16_t)(flags | COL_ATTR_PLACEHOLDER);
  }
  ~test_col() {
    col_attr_free(col->attr);
    col->attr = nullptr;
    sql_col_list_free(&col);
  }
  col_attr_rec *rule() { return col->attr; }
};

/* A profile of rocks: Granite GRAN, Basalt BAS, Gabbro GAB, and one long
** name of 30 characters. */
struct rock_tree {
  item_node *root;
  rock_tree() {
    root = (item_node *)calloc(1, sizeof(item_node));
    item_root_init(root, "ROCKS", "LITHO");
    item_add_child(root, "Granite", "GRAN", 1, 0, nullptr);
    item_add_child(root, "Basalt", "BAS", 2, 0, nullptr);
    item_add_child(root, "Gabbro", "GAB", 3, 0, nullptr);
    item_add_child(root, "Quartz-feldspar porphyry dyke", "QFP", 4, 0, nullptr);
  }
  ~rock_tree() { item_free_tree(root); }
};

struct check_case {
  const char *what;     /* what the case shows */
  int type, length, decimals;
  unsigned flags;
  const char *text;
  int code;
  const char *out;
};

TEST(ColCheckValue, NumbersRangesBlanksAndLengthsGiveTheirCodes) {
  const unsigned E = COL_ATTR_EDIT;
  const check_case cases[] = {
      {"point in a whole number", SQL_TYPE_INT, 11, 0, E, "12.5", ROW_ERR_POINTS, "12.5"},
      {"third decimal in DEC(8,2)", SQL_TYPE_DEC, 8, 2, E, "1.234", ROW_ERR_DECIMALS, "1.234"},
      {"two decimals in DEC(8,2)", SQL_TYPE_DEC, 8, 2, E, " 1.23 ", 0, "1.23"},
      {"second sign", SQL_TYPE_INT, 11, 0, E, "+-1", ROW_ERR_NON_NUMERIC, "+-1"},
      {"letter in a number", SQL_TYPE_NUMERIC, 11, 0, E, "12a", ROW_ERR_NON_NUMERIC, "12a"},
      {"sign alone", SQL_TYPE_NUMERIC, 11, 0, E, "-", ROW_ERR_NON_NUMERIC, "-"},
      {"two points", SQL_TYPE_FLOAT, 11, 0, E, "1.2.3", ROW_ERR_POINTS, "1.2.3"},
      {"decimals of a FLOAT are free", SQL_TYPE_FLOAT, 11, 0, E, "1.5", 0, "1.5"},
      {"blank not allowed", SQL_TYPE_CHAR, 10, 0, E | COL_ATTR_NULL, "   ", ROW_ERR_BLANK, ""},
      {"blank allowed", SQL_TYPE_CHAR, 10, 0, E, "", 0, ""},
      {"too long", SQL_TYPE_CHAR, 5, 0, E, "ABCDEF", ROW_ERR_TOO_LONG, "ABCDE"},
      {"not editable", SQL_TYPE_CHAR, 10, 0, 0, "x", ROW_ERR_NOT_EDITABLE, "x"},
      {"a text in a character column", SQL_TYPE_CHAR, 10, 0, E, " O'Neil ", 0, "O'Neil"},
  };
  for (const auto &k : cases) {
    test_col c("VAL", k.type, k.length, k.decimals, k.flags);
    char out[ROW_VALUE_SIZE];
    EXPECT_EQ(col_check_value(c.col, k.text, out), k.code) << k.what;
    EXPECT_STREQ(out, k.out) << k.what;
  }
}

TEST(ColCheckValue, TheRangeIsCheckedOnlyWhereItsBitIsSet) {
  test_col c("DIP", SQL_TYPE_NUMERIC, 11, 0);
  c.rule()->minimum = 0;
  c.rule()->maximum = 90;
  char out[ROW_VALUE_SIZE];
  EXPECT_EQ(col_check_value(c.col, "-5", out), 0) << "no range bits";
  c.rule()->range = COL_ATTR_HAS_MIN | COL_ATTR_HAS_MAX;
  EXPECT_EQ(col_check_value(c.col, "-5", out), ROW_ERR_BELOW_MIN);
  EXPECT_EQ(col_check_value(c.col, "95", out), ROW_ERR_ABOVE_MAX);
  EXPECT_EQ(col_check_value(c.col, "90", out), 0);
  EXPECT_EQ(col_check_value(c.col, "0", out), 0);
}

TEST(ColCheckValue, AMemoColumnKeepsItsOwnText) {
  test_col c("NOTES", SQL_TYPE_CHAR, 10, 0, COL_ATTR_EDIT | COL_ATTR_MEMO);
  strcpy(c.col->text, "MEMO");
  char out[ROW_VALUE_SIZE];
  EXPECT_EQ(col_check_value(c.col, "anything at all, too long", out), 0);
  EXPECT_STREQ(out, "MEMO");
  EXPECT_EQ(col_check_value(nullptr, "x", out), -2);
  EXPECT_EQ(col_check_value(c.col, nullptr, out), -2);
}

TEST(ColCheckValue, ProfileItemsAreFoundByLongNameOrShortNamePrefix) {
  rock_tree rocks;
  test_col c("ROCK", SQL_TYPE_CHAR, 20, 0);
  c.rule()->tree = rocks.root;
  strcpy(c.rule()->profile, "ROCKS");
  const struct {
    const char *text, *out;
    int code;
  } cases[] = {
      {"Basalt", "Basalt", 0},
      {"GRAN", "Granite", 0},
      {"GR", "Granite", 0},             /* a unique short-name prefix */
      {"Obsidian", "Obsidian", ROW_ERR_NOT_IN_PRF},
      {"QFP", "QFP", ROW_ERR_TOO_LONG},  /* long name wider than the column */
  };
  char out[ROW_VALUE_SIZE];
  for (const auto &k : cases) {
    EXPECT_EQ(col_check_value(c.col, k.text, out), k.code) << k.text;
    EXPECT_STREQ(out, k.out) << k.text;
  }
  EXPECT_STREQ(c.col->text, "") << "the column's own text is not changed";
}

TEST(ColCheckValue, AnUnknownItemSharingAPrefixWithSeveralGivesThatPrefix) {
  rock_tree rocks;
  item_add_child(rocks.root, "Gneiss", "GNS", 5, 0, nullptr);
  test_col c("ROCK", SQL_TYPE_CHAR, 20, 0);
  c.rule()->tree = rocks.root;
  char out[ROW_VALUE_SIZE];
  /* GAB and GNS both share "G" with "GX". */
  EXPECT_EQ(col_check_value(c.col, "GX", out), ROW_ERR_NOT_IN_PRF);
  EXPECT_STREQ(out, "G");
}

TEST(ColCheckValue, SeveralItemsAreJoinedByTheDelimiterAsLongNames) {
  rock_tree rocks;
  test_col c("ROCKS", SQL_TYPE_CHAR, 20, 0, COL_ATTR_EDIT | COL_ATTR_MANY);
  c.rule()->tree = rocks.root;
  c.rule()->delimiter = ',';
  char out[ROW_VALUE_SIZE];
  EXPECT_EQ(col_check_value(c.col, "GRAN,BAS", out), 0);
  EXPECT_STREQ(out, "Granite,Basalt");
  EXPECT_EQ(col_check_value(c.col, "Granite, GAB", out), 0);
  EXPECT_STREQ(out, "Granite,Gabbro");
  EXPECT_EQ(col_check_value(c.col, "GRAN,Obsidian", out), ROW_ERR_NOT_IN_PRF);
  /* "Granite,Basalt,Gabbro" is 21 characters. */
  EXPECT_EQ(col_check_value(c.col, "GRAN,BAS,GAB", out), ROW_ERR_TOO_LONG);
  /* An unprintable delimiter means a blank. */
  c.rule()->delimiter = '\t';
  EXPECT_EQ(col_check_value(c.col, "GRAN  BAS", out), 0);
  EXPECT_STREQ(out, "Granite Basalt");
}

TEST(RowCheckMessage, EveryCodeHasItsLine) {
  test_col c("DIP", SQL_TYPE_NUMERIC, 5, 0);
  strcpy(c.rule()->profile, "ROCKS");
  c.rule()->minimum = 0;
  c.rule()->maximum = 90;
  const struct {
    int code;
    const char *line;
  } cases[] = {
      {ROW_ERR_POINTS, "12.5 Too many decimal points in DIP"},
      {ROW_ERR_DECIMALS, "12.5 Too many decimals in DIP"},
      {ROW_ERR_ABOVE_MAX, "DIP 12.5 is greater than maximum of 90.000000"},
      {ROW_ERR_BELOW_MIN, "DIP 12.5 is less than minimum of 0.000000"},
      {ROW_ERR_NOT_UNIQUE, "DIP: 12.5 already exists in table STATN"},
      {ROW_ERR_NOT_EDITABLE, "12.5 Cannot edit column DIP"},
      {ROW_ERR_NOT_IN_PRF, "Entry for DIP 12.5 not found in profile ROCKS"},
      {ROW_ERR_BLANK, "12.5 Blank entry not allowed in column DIP"},
      {ROW_ERR_NON_NUMERIC, "12.5 Non-numeric entry in column DIP"},
      {ROW_ERR_TOO_LONG, "12.5 Entry too long in column DIP: max length is 5"},
      {-9999, "Incorrect entry for DIP"},
  };
  for (const auto &k : cases) {
    std::string line;
    EXPECT_EQ(row_check_message(c.col, k.code, "12.5", line), 0);
    EXPECT_EQ(line, k.line) << k.code;
  }
  strcpy(c.col->text, "7");
  std::string line;
  row_check_message(c.col, ROW_ERR_NOT_UNIQUE, nullptr, line);
  EXPECT_EQ(line, "DIP: 7 already exists in table STATN") << "without a text, the column's own";
  EXPECT_EQ(row_check_message(c.col, 0, "x", line), -2);
  EXPECT_EQ(row_show_check_error(nullptr, c.col, ROW_ERR_BLANK, "x"), -2);
}

TEST(RowStepText, TheTrailingDigitRunIsRaisedAndKeptWide) {
  const struct {
    const char *text, *next;
  } cases[] = {
      {"ST099", "ST100"}, {"A", "B"},         {"99", "100"},     {"ST9", "ST10"},
      {"X0099", "X0100"}, {"R-007", "R-008"}, {"AZ", "A["},      {"ST099   ", "ST100"},
      {"", ""},           {"5", "6"},
      {"99999999999999999999", "100000000000000000000"},
  };
  for (const auto &k : cases) EXPECT_EQ(row_step_text(k.text), k.next) << k.text;
}

/* Registry rows of a project for the link tests. */
class RowLink : public ::testing::Test {
 protected:
  void SetUp() override {
    project_ = (pjct_rec *)calloc(1, sizeof(pjct_rec));
    strcpy(project_->name, "FIELD");
    saved_ = g_pjct_list;
    g_pjct_list = project_;
  }
  void TearDown() override {
    g_pjct_list = saved_;
    tbl_list_free(project_->tables);
    free(project_);
    for (sql_col_rec *r : rows_) sql_col_list_free(&r);
  }
  /* Registers a table of a type with its columns; keys name slots. */
  tbl_rec *table(const char *name, int type, std::initializer_list<std::pair<const char *, int>> cols) {
    tbl_rec *t = tbl_rec_new();
    strcpy(t->name, name);
    t->table_type = type;
    sql_col_rec **tail = &t->columns;
    for (const auto &c : cols) {
      *tail = sql_col_new(c.first, name, SQL_TYPE_NUMERIC, 11, 0);
      if (c.second >= 0) t->keys[c.second] = *tail;
      tail = &(*tail)->next;
      t->column_count++;
    }
    t->next = project_->tables;
    project_->tables = t;
    return t;
  }
  /* A row of columns named "TABLE.COLUMN". */
  sql_col_rec *row(std::initializer_list<std::pair<const char *, const char *>> cols) {
    sql_col_rec *head = nullptr, **tail = &head;
    for (const auto &c : cols) {
      *tail = sql_col_new(c.second, c.first, SQL_TYPE_NUMERIC, 11, 0);
      tail = &(*tail)->next;
    }
    rows_.push_back(head);
    return head;
  }
  pjct_rec *project_ = nullptr;
  pjct_rec *saved_ = nullptr;
  std::vector<sql_col_rec *> rows_;
};

TEST_F(RowLink, TheSharedKeyFollowsTheTableTypes) {
  tbl_rec *sample = table("SAMPL", TBL_DEF_SAMPLE, {{"BASENUMBER", TBL_KEY_BASENUMBER}, {"STN", TBL_KEY_STATION}});
  tbl_rec *station = table("STATN", TBL_DEF_STATION,
                           {{"BASENUMBER", TBL_KEY_BASENUMBER}, {"STNO", TBL_KEY_STATION}, {"UNITNO", TBL_KEY_UNIT}});
  tbl_rec *unit = table("UNIT", TBL_DEF_UNIT, {{"BASENUMBER", TBL_KEY_BASENUMBER}, {"UNITNO", TBL_KEY_UNIT},
                                               {"LEGNO", TBL_KEY_LEGEND}});
  tbl_rec *legend = table("LEGND", TBL_DEF_LEGEND, {{"BASENUMBER", TBL_KEY_BASENUMBER}, {"LEGNO", TBL_KEY_LEGEND}});
  tbl_rec *other = table("NOTES", TBL_DEF_OTHER, {{"BASENUMBER", TBL_KEY_BASENUMBER}});
  const struct {
    const char *from;   /* the row's table */
    tbl_rec *to;
    int rc;
    const char *column, *target;
  } cases[] = {
      {"SAMPL", station, 0, "STN", "STNO"},       /* field types share STATION */
      {"STATN", unit, 0, "UNITNO", "UNITNO"},     /* UNIT when either is a UNIT table */
      {"UNIT", legend, 0, "LEGNO", "LEGNO"},      /* LEGEND before UNIT */
      {"STATN", sample, 0, "STNO", "STN"},
      {"STATN", legend, -1, nullptr, nullptr},    /* STATN has no LEGEND column */
      {"SAMPL", other, -1, nullptr, nullptr},     /* NOTES has no STATION column */
  };
  for (const auto &k : cases) {
    tbl_rec *from = tbl_find_by_name(project_->tables, k.from, nullptr);
    sql_col_rec *r = nullptr, **tail = &r;
    for (sql_col_rec *c = from->columns; c; c = c->next) {
      *tail = sql_col_new(c->name, from->name, SQL_TYPE_NUMERIC, 11, 0);
      tail = &(*tail)->next;
    }
    rows_.push_back(r);
    sql_col_rec *col = nullptr, *target = nullptr;
    int rc = row_find_link_column(r, &col, k.to, &target);
    std::string what = std::string(k.from) + " -> " + k.to->name;
    EXPECT_EQ(rc, k.rc) << what;
    if (k.rc != 0) continue;
    ASSERT_NE(col, nullptr) << what;
    EXPECT_STREQ(col->name, k.column) << what;
    EXPECT_STREQ(col->table, k.from) << what;
    EXPECT_EQ(target, k.to->keys[k.to->table_type == TBL_DEF_LEGEND   ? TBL_KEY_LEGEND
                                 : k.to->table_type == TBL_DEF_UNIT ? TBL_KEY_UNIT
                                                                     : TBL_KEY_STATION])
        << what;
  }
}

TEST_F(RowLink, AJoinedRowTriesTheTablesOfItsColumnsInOrder) {
  table("NOTES", TBL_DEF_OTHER, {{"BASENUMBER", TBL_KEY_BASENUMBER}});
  table("SAMPL", TBL_DEF_SAMPLE, {{"BASENUMBER", TBL_KEY_BASENUMBER}, {"STN", TBL_KEY_STATION}});
  tbl_rec *station = table("STATN", TBL_DEF_STATION, {{"BASENUMBER", TBL_KEY_BASENUMBER}, {"STNO", TBL_KEY_STATION}});
  /* NOTES comes first: with STATN it would share STATION, which NOTES
  ** lacks; SAMPL's STN is found next. */
  sql_col_rec *r = row({{"NOTES", "BASENUMBER"}, {"SAMPL", "BASENUMBER"}, {"SAMPL", "STN"}});
  sql_col_rec *col = nullptr, *target = nullptr;
  ASSERT_EQ(row_find_link_column(r, &col, station, &target), 0);
  EXPECT_STREQ(col->table, "SAMPL");
  EXPECT_STREQ(col->name, "STN");
  EXPECT_STREQ(target->name, "STNO");
  EXPECT_EQ(row_find_link_column(nullptr, &col, station, &target), -2);
  EXPECT_EQ(row_find_link_column(r, &col, nullptr, &target), -2);
  sql_col_rec *unregistered = row({{"OTHER", "X"}});
  EXPECT_EQ(row_find_link_column(unregistered, &col, station, &target), -1);
}

}  // namespace

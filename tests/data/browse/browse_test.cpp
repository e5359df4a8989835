/*
** browse_test.cpp: the table browser: the dialog a line width chooses, the
** horizontal scroll, the selection bitmap, and the browser run through
** scripted dialogs on a DB3 table made by the test (one page, paging both
** ways, the choice of columns, deleting, editing and replacing rows, a
** join's refused actions).
*/
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "browse_fixture.h"
#include "core/item_tree.h"
#include "core/pv_config.h"
#include "data/memo.h"

namespace {

TEST(BrowseLayout, TheLineWidthChoosesTheDialogAndItsVisibleWidth) {
  struct { int widths[2]; const char *dialog; int visible; } cases[] = {
      {{10, 12}, "pv_table_med", 40},   /* 11 + 13 = 24 */
      {{10, 11}, "pv_table_small", 23}, /* 11 + 12 = 23 */
      {{19, 19}, "pv_table_med", 40},   /* 40 */
      {{20, 20}, "pv_table_large", 55}, /* 42 */
  };
  for (const auto &c : cases) {
    int visible = 0;
    int width = c.widths[0] + 1 + c.widths[1] + 1;
    EXPECT_STREQ(browse_dialog_for_width(width, &visible), c.dialog) << width;
    EXPECT_EQ(visible, c.visible) << width;
  }
}

TEST(BrowseLayout, TheScrollSnapsToTheEndsAndIgnoresSmallMoves) {
  struct { int shown, visible, slider, current, expected; } cases[] = {
      {100, 23, 500, 0, 38},    /* range 77, step 7 */
      {100, 23, 50, 38, 0},     /* below the step and back: snaps to the start */
      {100, 23, 950, 38, 77},   /* within a step of the end: snaps to the end */
      {100, 23, 950, 0, 77},
      {100, 23, 540, 38, 38},   /* 41 is less than a step away: ignored */
      {100, 23, 700, 38, 53},
      {20, 23, 900, 5, 0},      /* everything fits */
      {0, 23, 900, 5, 0},
  };
  for (const auto &c : cases)
    EXPECT_EQ(browse_scroll_offset(c.shown, c.visible, c.slider, c.current), c.expected)
        << c.slider << " from " << c.current;
}

TEST(BrowseLayout, SelectionBitsCountFromTheMostSignificantBitOfEachWord) {
  struct { long row; int32_t word; uint32_t mask; } cases[] = {
      {0, 0, 0x80000000u}, {31, 0, 0x1u}, {32, 1, 0x80000000u}, {33, 1, 0x40000000u}, {70, 2, 0x02000000u}};
  for (const auto &c : cases) {
    int32_t w = -1;
    uint32_t m = 0;
    browse_bit_of(c.row, &w, &m);
    EXPECT_EQ(w, c.word) << c.row;
    EXPECT_EQ(m, c.mask) << c.row;
  }
  uint32_t bits[2] = {0, 0};
  g_row_state.selection = bits;
  g_row_state.selection_words = 2;
  browse_mark_row(33, 1);
  browse_mark_row(64, 1);  /* outside the bitmap: passed over */
  EXPECT_EQ(bits[1], 0x40000000u);
  EXPECT_TRUE(browse_row_is_selected(33));
  EXPECT_FALSE(browse_row_is_selected(32));
  EXPECT_FALSE(browse_row_is_selected(64));
  browse_clear_selection();
  EXPECT_FALSE(browse_row_is_selected(33));
  g_row_state.selection = nullptr;
  g_row_state.selection_words = 0;
}

class Browser : public BrowseTest {};

TEST_F(Browser, FourteenRowsShowOnOnePageWithPagingDisabled) {
  fill(14);
  open("SELECT * FROM SMP ORDER BY BASENUMBER");
  EXPECT_EQ(browse("pv_table_med\nok\n"), RTNORM);
  expect_no_faults();
  EXPECT_EQ(tile("sqlrow").items.size(), 14u);
  for (const char *k : {"top", "bot", "next", "prev"}) EXPECT_FALSE(tile(k).enabled) << k;
  EXPECT_EQ(tile("title").value.substr(0, 18), "BASENUMB SMPNO    ") << "names are cut to keep columns aligned";
  EXPECT_EQ(tile("column").items, (std::vector<std::string>{"SMP.BASENUMBER", "SMP.SMPNO", "SMP.NAME"}));
  EXPECT_EQ(tile("column").value, " 0 1 2");
  EXPECT_EQ(tile("plot").items.size(), 13u);
  EXPECT_EQ(tile("plot").items[4], "Text    .TXT");
  EXPECT_EQ(tile("plot").items[7], "Spans   .TBA");
  EXPECT_FALSE(tile("plot").enabled) << "no query: nothing to plot";
  EXPECT_FALSE(tile("scroll").enabled) << "39 characters fit in 40";
  EXPECT_TRUE(tile("delete").enabled);
  EXPECT_EQ(g_row_state.header, nullptr) << "the browser frees its buffers";
  EXPECT_EQ(g_row_state.cur_pjct, nullptr) << "nor keeps its project, which may be logged off before a later edit";
}

TEST_F(Browser, AnEmptyResultSaysSoAndStillOpens) {
  open("SELECT * FROM SMP ORDER BY BASENUMBER");
  EXPECT_EQ(browse("pv_table_med\nok\n"), RTNORM);
  EXPECT_NE(host_io_transcript().find("No records selected"), std::string::npos) << host_io_transcript();
  EXPECT_TRUE(tile("sqlrow").items.empty());
}

TEST_F(Browser, RowsThatCannotBeCountedAreNamedAndOpenNoEmptyView) {
  fill(20);
  open("SELECT * FROM SMP ORDER BY BASENUMBER");
  ASSERT_EQ(sql_reopen_cursor(cursor_), RTNORM) << "the query's count is forgotten";
  ASSERT_TRUE(kill_driver());
  int rc = browse("pv_table_med\nok\n");
  EXPECT_LT(rc, 0);
  EXPECT_NE(rc, RTERROR) << "a failure, not the end of the rows";
  const std::string said = host_io_transcript();
  EXPECT_NE(said.find("Table SMP cannot be read"), std::string::npos) << said;
  EXPECT_EQ(said.find("No records"), std::string::npos) << said;
  EXPECT_EQ(said.find("pv_table_med"), std::string::npos) << "no view of no rows: " << said;
}

TEST_F(Browser, PagingWalksFortyRowsBothWaysWithoutGapsOrRepeats) {
  fill(40);
  open("SELECT * FROM SMP ORDER BY BASENUMBER");
  std::vector<std::string> seen;
  /* The third "next" finds no row after the page and goes to the bottom;
  ** the second "prev" reaches the top. */
  const char *steps[] = {"next", "next", "next", "prev", "prev", "bot", "top"};
  const char *first[] = {"S016", "S031", "S026", "S011", "S001", "S026", "S001"};
  for (size_t i = 0; i < sizeof steps / sizeof steps[0]; ++i) {
    std::string script = "pv_table_med\n";
    /* Replay the steps so far, then close. */
    for (size_t k = 0; k <= i; ++k) script += std::string("pick ") + steps[k] + "\n";
    EXPECT_EQ(browse(script + "ok\n"), RTNORM);
    expect_no_faults();
    std::vector<std::string> n = shown_numbers();
    ASSERT_FALSE(n.empty()) << steps[i];
    EXPECT_EQ(n.front(), first[i]) << "after " << i + 1 << " steps";
    for (size_t k = 1; k < n.size(); ++k) EXPECT_EQ(std::stoi(n[k].substr(1)), std::stoi(n[k - 1].substr(1)) + 1);
  }
  /* The last page ends at row 40 and "next" is off there. */
  EXPECT_EQ(shown_numbers().size(), 15u);
  EXPECT_EQ(browse("pv_table_med\npick bot\nok\n"), RTNORM);
  EXPECT_EQ(shown_numbers().back(), "S040");
  EXPECT_FALSE(tile("next").enabled);
  EXPECT_TRUE(tile("prev").enabled);
}

TEST_F(Browser, TheColumnChoiceNarrowsTheViewAndTheScrollFollows) {
  fill(3);
  open("SELECT * FROM SMP ORDER BY BASENUMBER");
  EXPECT_EQ(browse("pv_table_med\nselect column 1\npick apply\nok\n"), RTNORM);
  expect_no_faults();
  EXPECT_EQ(tile("title").value, "SMPNO    ");
  EXPECT_EQ(tile("sqlrow").items.at(0), "S001     ");
  EXPECT_FALSE(tile("scroll").enabled);
}

TEST_F(Browser, DeletingSelectedRowsTakesTheirMemoLinesAndKeepsTheOthers) {
  fill(20);
  col_attr_rec *name = col_attr_find(project_->col_attrs, "NAME", "SMP", nullptr);
  ASSERT_NE(name, nullptr);
  name->flags |= COL_ATTR_MEMO;
  open("SELECT * FROM SMP ORDER BY BASENUMBER");
  sql_col_rec *memo_col = sql_col_nth(row_, 2);
  memo_col->attr = name;
  for (long n : {2L, 3L}) ASSERT_GE(memo_set_text(memo_col, "Grey rock", n), 0) << n;
  const std::string lines_of_3 = rows("SELECT COUNT(*) FROM SMPMEM WHERE BASENUMBER = 3");
  ASSERT_NE(lines_of_3, "0\n");
  EXPECT_EQ(browse("pv_table_med\nselect sqlrow 1\npick delete\npv_yesno_small\nok\nok\n"), RTNORM);
  expect_no_faults();
  EXPECT_NE(host_io_transcript().find("Deleted 1 rows."), std::string::npos) << host_io_transcript();
  EXPECT_EQ(rows("SELECT COUNT(*) FROM SMP"), "19\n");
  EXPECT_EQ(rows("SELECT COUNT(*) FROM SMP WHERE BASENUMBER = 2"), "0\n");
  EXPECT_EQ(rows("SELECT COUNT(*) FROM SMPMEM WHERE BASENUMBER = 2"), "0\n");
  EXPECT_EQ(rows("SELECT COUNT(*) FROM SMPMEM WHERE BASENUMBER = 3"), lines_of_3);
  EXPECT_EQ(shown_numbers().at(1), "S003") << "the page is reloaded";
  EXPECT_EQ(tile("sqlrow").value, "") << "the selection is cleared";
  /* "No" deletes nothing. */
  EXPECT_EQ(browse("pv_table_med\nselect sqlrow 0\npick delete\npv_yesno_small\npick no\nok\n"), RTNORM);
  EXPECT_EQ(rows("SELECT COUNT(*) FROM SMP"), "19\n");
}

TEST_F(Browser, SelectionsOnSeveralPagesAreAllDeleted) {
  fill(40);
  open("SELECT * FROM SMP ORDER BY BASENUMBER");
  EXPECT_EQ(browse("pv_table_med\nselect sqlrow 0 14\npick next\nselect sqlrow 2\npick prev\n"
                   "pick delete\npv_yesno_small\nok\nok\n"),
            RTNORM);
  expect_no_faults();
  EXPECT_NE(host_io_transcript().find("Deleted 3 rows."), std::string::npos);
  EXPECT_EQ(rows("SELECT BASENUMBER FROM SMP WHERE BASENUMBER IN (1, 15, 18)"), "");
  EXPECT_EQ(rows("SELECT COUNT(*) FROM SMP"), "37\n");
}

TEST_F(Browser, DeleteAllEmptiesTheViewAndDisablesPaging) {
  fill(20);
  open("SELECT * FROM SMP ORDER BY BASENUMBER");
  EXPECT_EQ(browse("pv_table_med\npick delall\npv_yesno_small\nok\nok\n"), RTNORM);
  expect_no_faults();
  EXPECT_NE(host_io_transcript().find("Deleted 20 rows."), std::string::npos);
  EXPECT_EQ(rows("SELECT COUNT(*) FROM SMP"), "0\n");
  EXPECT_TRUE(tile("sqlrow").items.empty());
  for (const char *k : {"top", "bot", "next", "prev"}) EXPECT_FALSE(tile(k).enabled) << k;
}

TEST_F(Browser, ModifyEditsEachSelectedRowAndWritesItOnAccept) {
  fill(5);
  open("SELECT * FROM SMP ORDER BY BASENUMBER");
  EXPECT_EQ(browse("pv_table_med\nselect sqlrow 1 3\npick modify\n"
                   "pv_edit_col\nselect edit_list 2\nset edit_col Gneiss\nok\n"
                   "pv_edit_col\nselect edit_list 2\nset edit_col Schist\nok\nok\n"),
            RTNORM);
  expect_no_faults();
  EXPECT_NE(host_io_transcript().find("Modified 2 rows."), std::string::npos);
  EXPECT_EQ(rows("SELECT NAME FROM SMP ORDER BY BASENUMBER"), "Sample 1\nGneiss\nSample 3\nSchist\nSample 5\n");
  EXPECT_EQ(tile("sqlrow").items.at(1).substr(18, 6), "Gneiss") << "the page shows the new value";
}

TEST_F(Browser, AJoinRefusesDeletingAndReplacingAndEditsOnlyTheFirstSelectedRow) {
  fill(3);
  fill(3, "STN");
  open("SELECT SMP.BASENUMBER, SMP.SMPNO, STN.AREA FROM SMP, STN WHERE SMP.SMPNO = STN.SMPNO ORDER BY 1",
       {"SMP", "SMP", "STN"});
  /* A second editor would find no answers and fault. */
  EXPECT_EQ(browse("pv_table_med\nselect sqlrow 0 2\npick modify\npv_edit_col\ncancel\nok\n"), RTNORM)
      << host_io_transcript();
  expect_no_faults();
  for (const char *k : {"delete", "delall", "modall"}) EXPECT_FALSE(tile(k).enabled) << k;
  EXPECT_TRUE(tile("modify").enabled);
  dlg_tile_snapshot t;
  ASSERT_TRUE(dlg_test_last_tile("pv_edit_col", "edit_list", t));
  EXPECT_NE(t.items.at(1).find("S001"), std::string::npos) << "the first selected row is edited";
}

TEST_F(Browser, ReplaceSetsAValueOrEachRowsOwnSourceColumn) {
  fill(4);
  open("SELECT * FROM SMP ORDER BY BASENUMBER");
  /* Column 2 is NAME; SMPNO names the source column. */
  EXPECT_EQ(browse("pv_table_med\npick modall\npv_dlg_modall\nselect column 2\nset edit_value SMPNO\nok\n"
                   "pv_yesno_small\nok\nok\n"),
            RTNORM);
  expect_no_faults();
  EXPECT_EQ(rows("SELECT NAME FROM SMP ORDER BY BASENUMBER"), "S001\nS002\nS003\nS004\n");
  EXPECT_NE(host_io_transcript().find("Replaced NAME with SMPNO in 4 rows."), std::string::npos)
      << host_io_transcript();
  EXPECT_EQ(browse("pv_table_med\npick modall\npv_dlg_modall\nselect column 2\nset edit_value \"Dun\"\nok\n"
                   "pv_yesno_small\nok\nok\n"),
            RTNORM);
  EXPECT_EQ(rows("SELECT DISTINCT NAME FROM SMP"), "Dun\n");
}

TEST_F(Browser, ReplaceRefusesMismatchedSourcesAndBadValues) {
  fill(2);
  open("SELECT * FROM SMP ORDER BY BASENUMBER");
  struct { const char *column, *value, *error; } cases[] = {
      {"1", "BASENUMBER", "ERROR: Cannot copy numeric field BASENUMBER to text field SMPNO"},
      {"0", "SMP.NAME", "ERROR: Cannot copy text field NAME to numeric field BASENUMBER"},
      {"0", "12.5", "12.5 Too many decimal points in BASENUMBER"},
      {"1", "ABCDEFGHIJ", "ABCDEFGHIJ Entry too long in column SMPNO: max length is 8"},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(browse(std::string("pv_table_med\npick modall\npv_dlg_modall\nselect column ") + c.column +
                     "\nset edit_value " + c.value + "\nok\ncancel\nok\n"),
              RTNORM);
    expect_no_faults();
    dlg_tile_snapshot t;
    ASSERT_TRUE(dlg_test_last_tile("pv_dlg_modall", "error", t));
    EXPECT_EQ(t.value, c.error) << c.value;
  }
  EXPECT_EQ(rows("SELECT SMPNO, NAME FROM SMP ORDER BY BASENUMBER"), "S001|Sample 1\nS002|Sample 2\n");
  /* No item tree: no profile picker. */
  EXPECT_EQ(browse("pv_table_med\npick modall\npv_dlg_modall\nselect column 2\ncancel\nok\n"), RTNORM);
  dlg_tile_snapshot list;
  ASSERT_TRUE(dlg_test_last_tile("pv_dlg_modall", "list", list));
  EXPECT_FALSE(list.enabled) << "NAME has no item tree";
}

TEST_F(Browser, ReplaceTakesItsValueFromTheProfilePickerOfTheColumnsTree) {
  fill(2);
  col_attr_rec *name = col_attr_find(project_->col_attrs, "NAME", "SMP", nullptr);
  ASSERT_NE(name, nullptr);
  item_node *tree = (item_node *)calloc(1, sizeof(item_node));
  item_root_init(tree, "ROCKS", "LITHO");
  item_add_child(tree, "Granite", "GR", 1, 0, nullptr);
  name->tree = tree;
  name->flags |= COL_ATTR_PROFILE;
  snprintf(name->profile, sizeof name->profile, "ROCKS");
  snprintf(name->dictionary, sizeof name->dictionary, "LITHO");
  open("SELECT * FROM SMP ORDER BY BASENUMBER");
  EXPECT_EQ(browse("pv_table_med\npick modall\npv_dlg_modall\nselect column 2\npick list\npv_select_profile\n"
                   "set sel_level 1\npick apply\nselect sel_prf 1\nok\nok\npv_yesno_small\nok\nok\n"),
            RTNORM);
  expect_no_faults();
  EXPECT_EQ(rows("SELECT DISTINCT NAME FROM SMP"), "Granite\n");
  EXPECT_EQ(name->level, 1) << "the level chosen is kept in the rule";
  EXPECT_TRUE(project_->flags & PJCT_CHG_COLUMNS);
  name->tree = nullptr;
  item_free_tree(tree);
}

TEST_F(Browser, AProjectOnAnOdbcServerCannotDeleteOrReplaceFromTheBrowser) {
  fill(2);
  open("SELECT * FROM SMP ORDER BY BASENUMBER");
  char odbc[] = "odbc";
  char *names[] = {odbc};
  char **saved_names = g_env_names;
  const int saved_count = g_env_count, saved_index = project_->env_index;
  g_env_names = names;
  g_env_count = 1;
  project_->env_index = 0;
  EXPECT_EQ(browse("pv_table_med\nok\n"), RTNORM);
  g_env_names = saved_names;
  g_env_count = saved_count;
  project_->env_index = saved_index;
  for (const char *k : {"delete", "delall", "modall"}) EXPECT_FALSE(tile(k).enabled) << k;
  EXPECT_TRUE(tile("modify").enabled);
}

TEST_F(Browser, ReplacingInATableWithoutAUniqueNumberSaysSo) {
  fill(2);
  open("SELECT * FROM SMP ORDER BY BASENUMBER");
  tbl_rec *t = tbl_find_by_name(project_->tables, "SMP", nullptr);
  ASSERT_NE(t, nullptr);
  sql_col_rec *key = t->keys[TBL_KEY_BASENUMBER];
  t->keys[TBL_KEY_BASENUMBER] = nullptr;
  EXPECT_EQ(browse("pv_table_med\npick modall\npv_dlg_modall\nselect column 2\nset edit_value Dun\nok\ncancel\nok\n"),
            RTNORM);
  t->keys[TBL_KEY_BASENUMBER] = key;
  dlg_tile_snapshot e;
  ASSERT_TRUE(dlg_test_last_tile("pv_dlg_modall", "error", e));
  EXPECT_EQ(e.value, "No unique number column in table SMP.");
  EXPECT_EQ(rows("SELECT NAME FROM SMP ORDER BY BASENUMBER"), "Sample 1\nSample 2\n");
}

}  // namespace

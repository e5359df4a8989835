/*
** memo_editor_test.cpp: the memo editor run through the stand-in editor's
** scripted dialogs on a DB3 project: editing the list and writing it,
** the end line that cannot be changed, cancel and read-only runs, and a
** failed write that leaves the memo as it was.
*/
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/pv_globals.h"
#include "core/sql_fixture.h"
#include "data/memo.h"
#include "platform/dialog/dialog_test_api.h"

namespace {

class MemoEditor : public SqlDb3Test {
 protected:
  void SetUp() override {
    SqlDb3Test::SetUp();
    if (IsSkipped()) return;
    saved_dcl_ = g_dcl_id;
    ASSERT_EQ(ads_load_dialog(PV_RESOURCE_DIR "/PETRIVEX.DCL", &g_dcl_id), RTNORM) << dlg_test_load_error();
    dlg_test_clear();
    col_ = sql_col_new("ROCKTYPE", "STATN", SQL_TYPE_CHAR, 20, 0);
    col_->connection = project_->connection;
    ASSERT_EQ(memo_set_text(col_, "Rock is grey", 70000), 0);
  }
  void TearDown() override {
    if (g_dcl_id != saved_dcl_) ads_unload_dialog(g_dcl_id);
    g_dcl_id = saved_dcl_;
    sql_col_list_free(&col_);
    memo_reset();
    SqlDb3Test::TearDown();
  }

  /* Runs the editor on a row with a script of answers. */
  int edit(long number, int editable, const std::string &answers) {
    host_io_use_script_text("pv_edit_memo\n" + answers);
    return pv_edit_memo_dialog(project_->connection, "STATN", number, editable);
  }

  /* The stored lines of row number as "order|text" lines. */
  std::string stored(long number) {
    return rows("SELECT ORDNUMBER, MEMOTEXT FROM STATNMEM WHERE BASENUMBER = " + std::to_string(number) +
                " ORDER BY ORDNUMBER");
  }

  /* A tile of the dialog as it ended. */
  static dlg_tile_snapshot tile(const char *key) {
    dlg_tile_snapshot t;
    EXPECT_TRUE(dlg_test_last_tile("pv_edit_memo", key, t)) << key;
    return t;
  }

  int saved_dcl_ = PV_NO_DCL;       /* g_dcl_id before the test */
  sql_col_rec *col_ = nullptr;      /* a column of STATN */
};

TEST_F(MemoEditor, InsertModifyAndDeleteAreWrittenOnAccept) {
  EXPECT_EQ(edit(70000, 1,
                 "set pv_memo_line \"Field note\"\npick insert\n"   /* before line 0 */
                 "select pv_memo_list 2\nset pv_memo_line \"grey granite\"\npick modify\n"
                 "select pv_memo_list 1\npick delete\n"
                 "ok\n"),
            1);
  EXPECT_TRUE(host_io_faults().empty());
  EXPECT_EQ(tile("pv_memo_list").items,
            (std::vector<std::string>{"Field note", "grey granite", MEMO_END_EDITOR}));
  EXPECT_EQ(stored(70000), "1|Field note\n2|grey granite\n");
}

TEST_F(MemoEditor, TheListShowsTheMemoAndReturnMovesToTheNextLine) {
  EXPECT_EQ(edit(70000, 1, "pick pv_memo_line\npick pv_memo_line\npick pv_memo_line\npick pv_memo_line\ncancel\n"),
            1);
  EXPECT_EQ(tile("pv_memo_list").items, (std::vector<std::string>{"Rock is", "grey", MEMO_END_EDITOR}));
  EXPECT_EQ(tile("pv_memo_list").value, "1") << "after the end line the first, then the next";
  EXPECT_EQ(tile("pv_memo_line").value, "grey");
}

TEST_F(MemoEditor, TheEndLineCanNeitherBeModifiedNorDeleted) {
  EXPECT_EQ(edit(70000, 1, "select pv_memo_list 2\nset pv_memo_line \"x\"\npick modify\nok\n"), 1);
  EXPECT_EQ(tile("error").value, "Cannot modify last row");
  EXPECT_EQ(tile("pv_memo_list").items, (std::vector<std::string>{"Rock is", "grey", MEMO_END_EDITOR}));
  EXPECT_EQ(edit(70000, 1, "select pv_memo_list 2\npick delete\nok\n"), 1);
  EXPECT_EQ(tile("error").value, "Cannot delete last row");
  EXPECT_EQ(stored(70000), "1|Rock is\n2|grey\n");
}

TEST_F(MemoEditor, TypedLinesWithAQuoteOrBlankAreNotTaken) {
  host_io_clear_transcript();
  EXPECT_EQ(edit(70000, 1, "set pv_memo_line \"Rock's\"\npick insert\nset pv_memo_line \"  \"\npick modify\nok\n"), 1);
  EXPECT_NE(host_io_transcript().find("Illegal character 39 at column 5."), std::string::npos);
  EXPECT_EQ(stored(70000), "1|Rock is\n2|grey\n");
}

TEST_F(MemoEditor, CancelWritesNothingAndAnswersWhetherTheMemoHadLines) {
  EXPECT_EQ(edit(70000, 1, "set pv_memo_line \"new\"\npick insert\ncancel\n"), 1);
  EXPECT_EQ(stored(70000), "1|Rock is\n2|grey\n");
  EXPECT_EQ(edit(5, 1, "set pv_memo_line \"new\"\npick insert\ncancel\n"), 0);
  EXPECT_EQ(stored(5), "");
}

TEST_F(MemoEditor, AcceptingAnEmptyListAnswersZero) {
  EXPECT_EQ(edit(70000, 1, "pick delete\npick delete\nok\n"), 0);
  EXPECT_EQ(tile("pv_memo_list").items, (std::vector<std::string>{MEMO_END_EDITOR}));
  EXPECT_EQ(stored(70000), "");
}

TEST_F(MemoEditor, ReadOnlyDisablesTheEditingTilesAndAcceptOnlyCloses) {
  EXPECT_EQ(edit(70000, 0, "select pv_memo_list 1\nok\n"), 1);
  EXPECT_TRUE(host_io_faults().empty());
  for (const char *key : {"pv_memo_line", "cancel", "insert", "delete", "modify"})
    EXPECT_FALSE(tile(key).enabled) << key;
  EXPECT_TRUE(tile("accept").enabled);
  EXPECT_TRUE(tile("pv_memo_list").enabled);
  EXPECT_EQ(tile("pv_memo_line").value, "grey");
  EXPECT_EQ(edit(70000, 0, "pick insert\nok\n"), 1);
  EXPECT_FALSE(host_io_faults().empty()) << "a disabled tile refuses the answer";
  EXPECT_EQ(stored(70000), "1|Rock is\n2|grey\n");
  /* Read-only, a row without memo lines opens nothing. */
  EXPECT_EQ(pv_edit_memo_dialog(project_->connection, "STATN", 6, 0), MEMO_ERR_NO_LINES);
}

TEST_F(MemoEditor, AFailedWriteEndsLikeCancelAndKeepsTheMemo) {
  ASSERT_EQ(sql_create_index(project_->connection, "STATNTXT", "STATNMEM", "MEMOTEXT", 1), 5100);
  EXPECT_EQ(edit(70000, 1, "set pv_memo_line \"grey\"\npick insert\nok\n"), 1);
  EXPECT_EQ(stored(70000), "1|Rock is\n2|grey\n");
}

TEST_F(MemoEditor, BadArgumentsAndAMissingDialogAreRefused) {
  EXPECT_EQ(pv_edit_memo_dialog(nullptr, "STATN", 1, 1), -2);
  EXPECT_EQ(pv_edit_memo_dialog(project_->connection, " ", 1, 1), -2);
  EXPECT_EQ(pv_edit_memo_dialog(project_->connection, "STATN", 0, 1), -2);
  EXPECT_EQ(pv_edit_memo_dialog(project_->connection, "STATN", 1, 3), -2);
  ads_unload_dialog(g_dcl_id);
  g_dcl_id = saved_dcl_;
  host_io_clear_transcript();
  EXPECT_EQ(pv_edit_memo_dialog(project_->connection, "STATN", 70000, 1), -1);
  EXPECT_NE(host_io_transcript().find("Cannot load dialog box: pv_edit_memo."), std::string::npos);
}

}  // namespace

/*
** memo_e2e.cpp: memo text end to end. The module is loaded into the
** stand-in editor and logs on through the engine and the DB3 driver to a
** copy of the sample project GEO made in <build>/e2e/memo/; STATN's
** ROCKTYPE becomes a memo column; memos are written, replaced, deleted,
** and a write that fails leaves the old memo; a memo write's mark naming
** no registered table is set aside at logon. The side table file is read
** back with python3-dbfread. The folder stays after the run for
** inspection: row 70000 with its three lines, none for row 2.
*/
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/col_attr.h"
#include "core/mark_file.h"
#include "core/pjct.h"
#include "core/pjct_list.h"
#include "core/pv_globals.h"
#include "core/sql_access.h"
#include "core/tbl.h"
#include "data/memo.h"
#include "geo_e2e.h"
#include "module/pv_entry.h"
#include "platform/dialog/dialog_test_api.h"
#include "platform/host_io.h"

namespace {

class MemoEndToEnd : public GeoModuleTest {
 protected:
  const char *folder() const override { return "memo"; }

  /* The side table as python3-dbfread reads it: "number|order|length|text"
  ** lines. */
  std::string dump() { return python("data/memo/memo_dump.py", (dir_ / "GEO" / "STATNMEM.DBF").string()); }

  /* The expected dump line of one stored line. */
  static std::string line(long number, int order, const std::string &text) {
    return std::to_string(number) + "|" + std::to_string(order) + "|" + std::to_string(text.size()) + "|" + text +
           "\n";
  }
};

TEST_F(MemoEndToEnd, MemosAreWrittenReplacedDeletedAndKeptWhenAWriteFails) {
  g_host_version = 15;
  pjct_rec *p = open_geo();
  ASSERT_NE(p, nullptr) << host_io_transcript();
  tbl_rec *statn = tbl_find_by_name(p->tables, "STATN", nullptr);
  ASSERT_NE(statn, nullptr);
  sql_col_rec *rock = sql_col_find(statn->columns, "ROCKTYPE", nullptr, nullptr);
  ASSERT_NE(rock, nullptr);
  ASSERT_NE(rock->attr, nullptr);

  /* ROCKTYPE's rule gets the memo flag and joins the project's list, so
  ** rows selected later carry it too. */
  col_attr_rec *rule = rock->attr;
  if (rule->flags & COL_ATTR_PLACEHOLDER) {
    col_attr_set_flag(rule, 0xFFFF & ~COL_ATTR_PLACEHOLDER);
    rule->next = p->col_attrs;
    p->col_attrs = rule;
  }
  ASSERT_EQ(col_attr_set_flag(rule, COL_ATTR_MEMO), 0);

  /* 200 letters without a break character, no two lines alike. */
  std::string letters;
  for (int i = 0; i < 200; i++) letters += (char)('a' + i % 26);
  const std::string want_70000 =
      line(70000, 1, letters.substr(0, 68)) + line(70000, 2, letters.substr(68, 68)) + line(70000, 3, letters.substr(136));

  ASSERT_EQ(memo_set_text(rock, letters.c_str(), 70000), 0);
  EXPECT_EQ(dump(), want_70000);
  std::string ini;
  std::getline(std::ifstream(dir_ / "GEO" / "STATNMEM.INI"), ini, '\0');
  EXPECT_NE(ini.find("[STATNMEM]"), std::string::npos) << "the index named like the side table: " << ini;
  EXPECT_NE(ini.find("BASENUMBER,ORDNUMBER"), std::string::npos) << ini;

  ASSERT_EQ(memo_replace_text(rock, "Replaced by a short note.", 70000), 0);
  EXPECT_EQ(dump(), line(70000, 1, "Replaced by a short note."));
  ASSERT_EQ(memo_set_text(rock, letters.c_str(), 70000), 0);
  EXPECT_EQ(dump(), want_70000);

  /* Row 2's memo, then deleted with the row's memo columns. */
  ASSERT_EQ(memo_set_text(rock, "Rock is grey", 2), 0);
  EXPECT_EQ(dump(), line(2, 1, "Rock is") + line(2, 2, "grey") + want_70000);
  void *stmt = nullptr, *cursor = nullptr;
  sql_col_rec *row = nullptr;
  ASSERT_EQ(sql_select_where(p->connection, "STATN", "BASENUMBER", "2", nullptr, &stmt, &cursor, &row), 1);
  EXPECT_EQ(memo_delete_rows(row), 0);
  sql_close_query(&stmt, &cursor, &row);
  EXPECT_EQ(dump(), want_70000);

  /* With MEMOTEXT unique, two equal lines cannot be written: the old
  ** lines of row 70000 are back. */
  ASSERT_EQ(sql_create_index(p->connection, "STATNTXT", "STATNMEM", "MEMOTEXT", 1), 5100);
  EXPECT_EQ(memo_set_text(rock, std::string(136, 'a').c_str(), 70000), -1);
  EXPECT_EQ(dump(), want_70000);
  EXPECT_EQ(sql_drop_index(p->connection, "STATNTXT", "STATNMEM"), 5100);
  char *text = nullptr;
  ASSERT_EQ(memo_get_text("STATN", 70000, p->connection, &text, 0), 0);
  EXPECT_EQ(std::string(text), " " + letters.substr(0, 68) + " " + letters.substr(68, 68) + " " + letters.substr(136));
  free(text);
}

/* The marks' runs, in a folder of their own. */
class MemoMarkEndToEnd : public MemoEndToEnd {
 protected:
  const char *folder() const override { return "memo_mark"; }
};

TEST_F(MemoMarkEndToEnd, AWriteMarkNamingNoRegisteredTableIsSetAsideNotAlertedAtEveryLogon) {
  pjct_rec *p = open_geo();
  ASSERT_NE(p, nullptr) << host_io_transcript();
  const std::filesystem::path mark = dir_ / "GEO" / "STATX-1.MRE";
  uint32_t check = 0;
  std::ofstream(mark) << mark_seal("STATX BASENUMBER 2\nO =4f6c64\n", check);
  host_io_use_script_text("pv_alert_wrap\nok\n");
  EXPECT_EQ(memo_write_recover(p), -1);
  dlg_tile_snapshot lines;
  std::string shown;
  if (dlg_test_last_tile("pv_alert_wrap", "lines", lines))
    for (const std::string &l : lines.items) shown += l + " ";
  EXPECT_NE(shown.find("STATX is not a registered table of project GEO"), std::string::npos) << shown;
  EXPECT_FALSE(std::filesystem::exists(mark)) << "the mark stays in the way of every logon";
  EXPECT_TRUE(std::filesystem::exists(mark.string() + ".BAD")) << shown;
}

}  // namespace

/*
** browse_e2e.cpp: the table browser end to end. The module is loaded into
** the stand-in editor and logs on through the engine and the DB3 driver to
** a copy of the sample project GEO made in <build>/e2e/browser/, where the
** program makes table SMP (40 samples, memo lines for rows 1 to 4) and
** opens the browser on "SELECT * FROM SMP ORDER BY BASENUMBER" with a
** post-filter rejecting odd BASENUMBERs: paging never shows an odd row,
** rows 2 and 4 are deleted with their memo lines, DEPTH is emptied and
** NAME takes SMPNO in the even rows only; "Delete all" over a query
** without the memo column takes the even rows' memo lines along. The tables are read back with
** python3-dbfread. The folder stays after the run for inspection.
*/
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>

#include "core/col_attr.h"
#include "core/pjct.h"
#include "core/pv_globals.h"
#include "core/sql_access.h"
#include "core/tbl.h"
#include "data/browse.h"
#include "data/memo.h"
#include "geo_e2e.h"
#include "output/query/qry_filter.h"
#include "platform/host_io.h"

namespace {

/* The query handed to the browser; only its address matters here. */
int g_query_tag = 0;
qry_rec *const k_query = reinterpret_cast<qry_rec *>(&g_query_tag);
/* Samples made. */
const int k_rows = 40;

}  // namespace

/* The query's post-filter: rows with an odd BASENUMBER fail it. */
int qry_filter_row(qry_rec *query, sql_col_rec *row)
{
  return query != k_query || std::atol(row->text) % 2 == 0;
}

namespace {

class BrowserEndToEnd : public GeoModuleTest {
 protected:
  const char *folder() const override { return "browser"; }

  void run(pjct_rec *p, const std::string &sql) {
    void *stmt = nullptr, *cursor = nullptr;
    EXPECT_EQ(sql_execute(p->connection, &stmt, &cursor, sql.c_str(), 0), 5100) << sql;
    sql_free_handles(&stmt, &cursor);
  }

  /* A table read back by python3-dbfread, "a|b|c" lines by BASENUMBER. */
  std::string dump(const char *file, const char *columns) {
    return python("data/row/row_dump.py", (dir_ / "GEO" / file).string() + " " + columns);
  }
};

TEST_F(BrowserEndToEnd, OnlyRowsPassingThePostFilterAreShownDeletedAndReplaced) {
  pjct_rec *p = open_geo();
  ASSERT_NE(p, nullptr) << host_io_transcript();
  run(p, "CREATE TABLE SMP (BASENUMBER NUMERIC(8,0), SMPNO CHAR(8), NAME CHAR(20), DEPTH NUMERIC(8,2), "
         "NOTES CHAR(4))");
  for (int n = 1; n <= k_rows; ++n) {
    char sql[200];
    std::snprintf(sql, sizeof sql, "INSERT INTO SMP VALUES (%d, 'S%03d', 'Sample %d', %.2f, '')", n, n, n, n * 1.5);
    run(p, sql);
  }
  /* Registered as logon registers it, keyed by BASENUMBER; NOTES is a
  ** memo column. */
  tbl_rec *t = tbl_rec_new();
  std::snprintf(t->name, sizeof t->name, "SMP");
  t->table_type = TBL_DEF_OTHER;
  t->column_count = sql_describe_table(p->connection, "SMP", &t->columns, 0);
  ASSERT_EQ(t->column_count, 5);
  t->keys[TBL_KEY_BASENUMBER] = tbl_column_find(t->columns, "BASENUMBER", nullptr, nullptr);
  ASSERT_EQ(tbl_add(p, t), 0);
  col_attr_rec *notes = col_attr_find(p->col_attrs, "NOTES", "SMP", nullptr);
  ASSERT_NE(notes, nullptr);
  ASSERT_EQ(col_attr_set_flag(notes, COL_ATTR_MEMO), 0);
  sql_col_rec *notes_col = sql_col_find(t->columns, "NOTES", nullptr, nullptr);
  ASSERT_NE(notes_col, nullptr);
  notes_col->attr = notes;
  for (long n = 1; n <= 6; ++n) ASSERT_EQ(memo_set_text(notes_col, "Fine grained", n), 0) << n;

  /* The query as the query command runs it, its columns named. */
  void *stmt = nullptr, *cursor = nullptr;
  sql_col_rec *row = nullptr;
  ASSERT_EQ(sql_query(p->connection, "SELECT * FROM SMP ORDER BY BASENUMBER", &stmt, &cursor, &row, 0), k_rows);
  for (sql_col_rec *c = row; c; c = c->next) std::snprintf(c->table, sizeof c->table, "SMP");

  host_io_clear_transcript();
  host_io_use_script_text(
      "pv_table_large\n"
      "show\npick next\nshow\npick next\nshow\npick prev\nshow\npick bot\nshow\npick top\nshow\n"
      "select sqlrow 0 1\npick delete\npv_yesno_small\nok\n"
      "pick modall\npv_dlg_modall\nselect column 3\nset edit_value \"\"\nok\npv_yesno_small\nok\n"
      "pick modall\npv_dlg_modall\nselect column 2\nset edit_value SMPNO\nok\npv_yesno_small\nok\n"
      "show\nok\n");
  EXPECT_EQ(pv_table_dialog(stmt, cursor, row, k_query), RTNORM);
  sql_close_query(&stmt, &cursor, &row);
  for (const auto &f : host_io_faults()) ADD_FAILURE() << f;
  const std::string shown = host_io_transcript();
  EXPECT_NE(shown.find("S040"), std::string::npos) << "the last page was shown";
  std::smatch odd;
  EXPECT_FALSE(std::regex_search(shown, odd, std::regex("S0[0-4][13579]"))) << "an odd row was shown: " << odd.str();
  EXPECT_NE(shown.find("Deleted 2 rows."), std::string::npos);
  EXPECT_NE(shown.find("Replaced NAME with SMPNO in 18 rows."), std::string::npos);

  /* 38 live rows; rows 2 and 4 gone; even rows replaced, odd rows as made. */
  std::string want;
  for (int n = 1; n <= k_rows; ++n) {
    if (n == 2 || n == 4) continue;
    char line[80];
    if (n % 2 == 0) std::snprintf(line, sizeof line, "%d|S%03d|S%03d|\n", n, n, n);
    else std::snprintf(line, sizeof line, "%d|S%03d|Sample %d|%g\n", n, n, n, n * 1.5);
    want += line;
  }
  EXPECT_EQ(dump("SMP.DBF", "BASENUMBER SMPNO NAME DEPTH"), want);
  /* Each memo is stored as two lines ("Fine", "grained"). */
  EXPECT_EQ(dump("SMPMEM.DBF", "BASENUMBER"), "1\n1\n3\n3\n5\n5\n6\n6\n");

  /* "Delete all" over a query without the memo column: each row goes
  ** with its memo lines all the same. */
  ASSERT_EQ(sql_query(p->connection, "SELECT BASENUMBER, SMPNO FROM SMP ORDER BY BASENUMBER", &stmt, &cursor, &row, 0),
            k_rows - 2);
  for (sql_col_rec *c = row; c; c = c->next) std::snprintf(c->table, sizeof c->table, "SMP");
  host_io_clear_transcript();
  host_io_use_script_text("pv_table_small\npick delall\npv_yesno_small\nok\nok\n");
  EXPECT_EQ(pv_table_dialog(stmt, cursor, row, k_query), RTNORM);
  sql_close_query(&stmt, &cursor, &row);
  for (const auto &f : host_io_faults()) ADD_FAILURE() << f;
  EXPECT_NE(host_io_transcript().find("Deleted 18 rows."), std::string::npos) << host_io_transcript();
  EXPECT_EQ(dump("SMPMEM.DBF", "BASENUMBER"), "1\n1\n3\n3\n5\n5\n");
}

}  // namespace

/*
** memo_store_test.cpp: memo side tables in a DB3 project run by the DB3
** driver: the statements that make them, reading, writing, joining and
** deleting a row's lines, and a failed write that keeps the old memo.
*/
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/sql_fixture.h"
#include "data/memo.h"

namespace {

class MemoStore : public SqlDb3Test {
 protected:
  void TearDown() override {
    memo_reset();
    SqlDb3Test::TearDown();
  }

  /* The lines of row number of STATNMEM as "order|text" lines. */
  std::string stored(long number) {
    return rows("SELECT ORDNUMBER, MEMOTEXT FROM STATNMEM WHERE BASENUMBER = " + std::to_string(number) +
                " ORDER BY ORDNUMBER");
  }

  /* The joined memo of row number of STATN, or "error N". */
  std::string joined(long number) {
    char *text = nullptr;
    int rc = memo_get_text("STATN", number, project_->connection, &text, 0);
    std::string out = rc == 0 ? text : "error " + std::to_string(rc);
    free(text);
    return out;
  }

  /* A column of table STATN on the project's connection; the one made
  ** by the call before is freed. */
  sql_col_rec *column() {
    sql_col_list_free(&col_);
    col_ = sql_col_new("ROCKTYPE", "STATN", SQL_TYPE_CHAR, 20, 0);
    col_->connection = project_->connection;
    return col_;
  }

  /* Registers STATN (BASENUMBER, ROCKTYPE, NOTE) with memo rules on
  ** ROCKTYPE and NOTE. */
  void register_statn() {
    run("CREATE TABLE STATN (BASENUMBER NUMERIC(8), ROCKTYPE CHAR(20), NOTE CHAR(20))");
    tbl_rec *t = tbl_rec_new();
    snprintf(t->name, sizeof t->name, "STATN");
    t->column_count = sql_describe_table(project_->connection, "STATN", &t->columns, 0);
    ASSERT_EQ(t->column_count, 3);
    t->table_type = TBL_DEF_STATION;
    t->keys[TBL_KEY_BASENUMBER] = sql_col_find(t->columns, "BASENUMBER", nullptr, nullptr);
    ASSERT_EQ(tbl_insert(project_, t), 0);
    for (const char *name : {"ROCKTYPE", "NOTE"}) {
      col_attr_rec *r = col_attr_new();
      snprintf(r->column, sizeof r->column, "%s", name);
      snprintf(r->table, sizeof r->table, "STATN");
      col_attr_set_flag(r, COL_ATTR_MEMO);
      r->next = project_->col_attrs;   /* listed: freed at logoff */
      project_->col_attrs = r;
    }
  }

  sql_col_rec *col_ = nullptr;      /* column made by column(), freed after */

 public:
  ~MemoStore() override { sql_col_list_free(&col_); }
};

TEST(MemoTexts, SideTableStatementsAreTheFixedTexts) {
  EXPECT_EQ(memo_create_text("STATNMEM", 0),
            "CREATE TABLE STATNMEM (BASENUMBER DEC(8), ORDNUMBER DEC(8), MEMOTEXT CHAR(70))");
  EXPECT_EQ(memo_create_text("STATNMEM", 1),
            "CREATE TABLE STATNMEM (BASENUMBER INTEGER, ORDNUMBER INTEGER, MEMOTEXT CHAR(70))");
  EXPECT_EQ(memo_index_text("STATNMEM"), "CREATE INDEX STATNMEM ON STATNMEM (BASENUMBER, ORDNUMBER)");
}

TEST(MemoTexts, SideTableNamesAreUpperCaseAndNeverUnsafe) {
  struct { const char *table; int rc; const char *want; } cases[] = {
      {"statn", 0, "STATNMEM"},
      {" Rock ", 0, "ROCKMEM"},
      {"ABCDEFGHIJKLMNOPQ", 0, "ABCDEFGHIJKLMNOPQMEM"},
      {"ABCDEFGHIJKLMNOPQR", -2, ""},           /* 21 characters: no room */
      {"ST'N", -2, ""},
      {"ST N", -2, ""},
      {"   ", -2, ""},
      {nullptr, -2, ""},
  };
  for (const auto &c : cases) {
    std::string out;
    EXPECT_EQ(memo_table_name(c.table, out), c.rc) << (c.table ? c.table : "(null)");
    EXPECT_EQ(out, c.want);
  }
}

TEST_F(MemoStore, CreateMakesTheTableAndFromHostVersion15ItsIndexAndKeepsOneThere) {
  g_host_version = 14;
  ASSERT_EQ(memo_create_table(project_->connection, "rockmem"), 0);
  EXPECT_TRUE(has_file("ROCKMEM.DBF"));
  EXPECT_FALSE(has_file("ROCKMEM.INI")) << "no index below version 15";
  g_host_version = 15;
  run("INSERT INTO ROCKMEM (BASENUMBER, ORDNUMBER, MEMOTEXT) VALUES (1, 1, 'old')");
  ASSERT_EQ(memo_create_table(project_->connection, "ROCKMEM"), 0);
  EXPECT_EQ(rows("SELECT * FROM ROCKMEM"), "1|1|old\n") << "a side table there (another user's) lost its lines";
  ASSERT_EQ(memo_create_table(project_->connection, "STATNMEM"), 0);
  EXPECT_EQ(sql_drop_index(project_->connection, "STATNMEM", "STATNMEM"), 5100) << "the index named like the table";
  EXPECT_EQ(memo_create_table(nullptr, "ROCKMEM"), -2);
  EXPECT_EQ(memo_create_table(project_->connection, " "), -2);
  EXPECT_EQ(memo_create_table(project_->connection, "X; DROP TABLE Y"), -2);
}

TEST_F(MemoStore, AnOdbcProjectsSideTableHasIntegerNumbers) {
  char odbc[] = "odbc", db3[] = "DB3";
  char *names[] = {db3, odbc};
  /* The configured environments are given back even when a check fails. */
  struct env_swap {
    char **names = g_env_names;
    int count = g_env_count;
    ~env_swap() { g_env_names = names, g_env_count = count; }
  } swap;
  g_env_names = names;
  g_env_count = 2;
  int want[] = {SQL_TYPE_DEC, SQL_TYPE_INT};
  for (int env = 0; env < 2; env++) {
    project_->env_index = env;
    sql_drop_table(project_->connection, "ROCKMEM");
    ASSERT_EQ(memo_create_table(project_->connection, "ROCKMEM"), 0);
    sql_col_rec *row = nullptr;
    ASSERT_EQ(sql_describe_table(project_->connection, "ROCKMEM", &row, 0), 3);
    EXPECT_EQ(row->sql_type, want[env]) << names[env];
    EXPECT_EQ(row->next->sql_type, want[env]) << names[env];
    EXPECT_EQ(row->next->next->sql_type, SQL_TYPE_CHAR);
    sql_col_list_free(&row);
  }
  project_->env_index = 0;
}

TEST_F(MemoStore, AFailedIndexDropsTheNewTableAndAnswersTheError) {
  /* A folder where the index file goes: the index cannot be written. */
  std::filesystem::create_directories(std::string(pjct_dir(project_->name)) + "/ROCKMEM.INI/x");
  EXPECT_LT(memo_create_table(project_->connection, "ROCKMEM"), 0);
  EXPECT_FALSE(has_file("ROCKMEM.DBF"));
  g_host_version = 14;   /* no index: the same table is made */
  EXPECT_EQ(memo_create_table(project_->connection, "ROCKMEM"), 0);
  EXPECT_TRUE(has_file("ROCKMEM.DBF"));
}

TEST_F(MemoStore, SetTextWritesSplitLinesAndReplacesTheOldOnes) {
  std::string letters;
  for (int i = 0; i < 200; i++) letters += (char)('a' + i % 26);
  ASSERT_EQ(memo_set_text(column(), letters.c_str(), 70000), 0);
  EXPECT_EQ(stored(70000), "1|" + letters.substr(0, 68) + "\n2|" + letters.substr(68, 68) + "\n3|" +
                               letters.substr(136) + "\n");
  EXPECT_EQ(joined(70000), " " + letters.substr(0, 68) + " " + letters.substr(68, 68) + " " + letters.substr(136));
  ASSERT_EQ(memo_replace_text(column(), "Rock is grey", 70000), 0);
  EXPECT_EQ(stored(70000), "1|Rock is\n2|grey\n");
  EXPECT_EQ(joined(70000), " Rock is grey");
  ASSERT_EQ(memo_set_text(column(), "", 70000), 0) << "an empty text clears the memo";
  EXPECT_EQ(stored(70000), "");
  EXPECT_EQ(memo_set_text(column(), nullptr, 70000), -2);
  EXPECT_EQ(memo_set_text(column(), "x", 0), -2);
  EXPECT_EQ(memo_set_text(nullptr, "x", 1), -2);
}

TEST_F(MemoStore, RowNumbersAbove65535AddressTheirOwnLines) {
  ASSERT_EQ(memo_set_text(column(), "Row seventy thousand.", 70000), 0);
  ASSERT_EQ(memo_set_text(column(), "Row 4464.", 70000 - 65536), 0);
  EXPECT_EQ(joined(70000), " Row seventy thousand.");
  EXPECT_EQ(joined(4464), " Row 4464.");
  EXPECT_EQ(memo_delete_one(project_->connection, "statn", 70000), 5100);
  EXPECT_EQ(joined(70000), "error -1");
  EXPECT_EQ(joined(4464), " Row 4464.");
}

TEST_F(MemoStore, LinesAreJoinedInOrderNumberOrderWhateverTheStoredOrder) {
  ASSERT_EQ(memo_create_table(project_->connection, "STATNMEM"), 0);
  run("INSERT INTO STATNMEM (BASENUMBER, ORDNUMBER, MEMOTEXT) VALUES (5, 3, 'weathered')");
  run("INSERT INTO STATNMEM (BASENUMBER, ORDNUMBER, MEMOTEXT) VALUES (5, 1, 'Rock is')");
  run("INSERT INTO STATNMEM (BASENUMBER, ORDNUMBER, MEMOTEXT) VALUES (5, 2, '   ')");
  run("INSERT INTO STATNMEM (BASENUMBER, ORDNUMBER, MEMOTEXT) VALUES (5, 4, 'grey')");
  EXPECT_EQ(joined(5), " Rock is weathered grey") << "blank lines are left out";
  EXPECT_EQ(memo_open("STATN", 5, project_->connection, 0), 4);
  memo_reset();
}

TEST_F(MemoStore, GetTextFillsAGivenBufferOnlyWithWholeLinesThatFit) {
  ASSERT_EQ(memo_set_text(column(), "Rock is grey", 2), 0);
  struct { int size; const char *want; } cases[] = {
      {14, " Rock is grey"},
      {13, " Rock is"},          /* " grey" and the terminator would not fit */
      {9, " Rock is"},
      {8, ""},
  };
  for (const auto &c : cases) {
    char buf[32];
    memset(buf, 'z', sizeof buf);
    char *p = buf;
    EXPECT_EQ(memo_get_text("STATN", 2, project_->connection, &p, c.size), 0);
    EXPECT_EQ(p, buf);
    EXPECT_STREQ(buf, c.want) << c.size;
    EXPECT_EQ(buf[c.size], 'z') << "nothing written beyond the size";
  }
  char *p = nullptr;
  EXPECT_EQ(memo_get_text("STATN", 3, project_->connection, &p, 0), -1) << "no lines";
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(memo_get_text("STATN", 2, project_->connection, nullptr, 0), -2);
  EXPECT_EQ(memo_get_text("STATN", 0, project_->connection, &p, 0), -2);
}

TEST_F(MemoStore, ReadingOnlyNeverMakesTheSideTable) {
  EXPECT_EQ(memo_read("STATN", 1, project_->connection, 0), MEMO_ERR_NO_LINES);
  EXPECT_FALSE(has_file("STATNMEM.DBF"));
  EXPECT_EQ(memo_read("STATN", 1, project_->connection, 1), 0);
  EXPECT_TRUE(has_file("STATNMEM.DBF"));
  EXPECT_EQ(memo_read("STATN", 1, project_->connection, 0), MEMO_ERR_NO_LINES);
  EXPECT_EQ(memo_read("STATN", 1, project_->connection, 2), -2);
  EXPECT_EQ(memo_read("STATN", 0, project_->connection, 1), -2);
  EXPECT_EQ(memo_read("", 1, project_->connection, 1), -2);
  EXPECT_EQ(memo_write(), -2) << "nothing loaded";
}

TEST_F(MemoStore, ASideTableThatCannotBeReadIsNeverDroppedAndMadeAnew) {
  run("CREATE TABLE STATNMEM (NOTE CHAR(10))");
  run("INSERT INTO STATNMEM (NOTE) VALUES ('keep me')");
  EXPECT_EQ(memo_set_text(column(), "Rock is grey", 1), -1);
  EXPECT_EQ(rows("SELECT * FROM STATNMEM"), "keep me\n");
}

TEST_F(MemoStore, AFailedWriteRemovesItsLinesAndPutsTheOldMemoBack) {
  ASSERT_EQ(memo_set_text(column(), "first line, second", 9), 0);
  ASSERT_EQ(memo_set_text(column(), "Other row.", 10), 0);
  ASSERT_EQ(stored(9), "1|first line,\n2|second\n");
  ASSERT_EQ(sql_create_index(project_->connection, "STATNTXT", "STATNMEM", "MEMOTEXT", 1), 5100);
  std::string same(68 * 2, 'a');   /* two equal lines: the second insert fails */
  EXPECT_EQ(memo_set_text(column(), same.c_str(), 9), -1);
  EXPECT_EQ(stored(9), "1|first line,\n2|second\n");
  EXPECT_EQ(stored(10), "1|Other row.\n");
  ASSERT_EQ(memo_read("STATN", 9, project_->connection, 1), 0);
  memo_split(same.c_str());
  EXPECT_LT(memo_write(), 0) << "the insert's failure is answered";
}

TEST_F(MemoStore, InsertTextAddsLinesWithoutDeletingAny) {
  ASSERT_EQ(memo_create_table(project_->connection, "STATNMEM"), 0);
  EXPECT_EQ(memo_insert_text("STATNMEM", "Rock is grey", 70000, project_->connection), 0);
  EXPECT_EQ(memo_insert_text("STATNMEM", "More.", 70000, project_->connection), 0);
  EXPECT_EQ(rows("SELECT ORDNUMBER, MEMOTEXT FROM STATNMEM ORDER BY ORDNUMBER, MEMOTEXT"),
            "1|More.\n1|Rock is\n2|grey\n");
  EXPECT_EQ(memo_insert_text("STATNMEM", "", 70000, project_->connection), -1) << "no line inserted";
  EXPECT_EQ(memo_insert_text("NOSUCHMEM", "x", 70000, project_->connection), -1);
  EXPECT_EQ(memo_insert_text("STATNMEM", "x", 0, project_->connection), -2);
}

TEST_F(MemoStore, DeletingARowsMemoGoesByItsTablesUniqueNumber) {
  register_statn();
  ASSERT_EQ(memo_set_text(column(), "Row seventy thousand.", 70000), 0);
  ASSERT_EQ(memo_set_text(column(), "Row two.", 2), 0);
  run("INSERT INTO STATN (BASENUMBER, ROCKTYPE, NOTE) VALUES (70000, 'MEMO', 'MEMO')");
  void *stmt = nullptr, *cursor = nullptr;
  sql_col_rec *row = nullptr;
  ASSERT_EQ(sql_select_where(project_->connection, "STATN", "BASENUMBER", "70000", nullptr, &stmt, &cursor, &row), 1);
  EXPECT_EQ(memo_delete_rows(row), 0);
  EXPECT_EQ(stored(70000), "");
  EXPECT_EQ(stored(2), "1|Row two.\n");
  void *saved = row->connection;
  row->connection = &stmt;   /* a connection no project owns */
  EXPECT_EQ(memo_delete_rows(row), -1);
  row->connection = saved;
  sql_close_query(&stmt, &cursor, &row);
  EXPECT_EQ(memo_delete_rows(nullptr), -2);
}

}  // namespace

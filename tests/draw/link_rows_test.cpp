/*
** link_rows_test.cpp: rows of a batch of links against the look-up of each
** link's own, on a project made here (a DB3 project through the engine and
** pvdb3; built for the ODBC fixture, a server schema). Every link is
** answered from the batch and from its own look-up, and both answers (code,
** row count, the row's texts) must be the same: rows found, a row deleted,
** a stale link (the key value changed in the table), a BASENUMBER held by
** two rows, two fetched tables and a third not fetched.
*/
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/pjct_list.h"
#include "core/sql_fixture.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/tbl.h"
#include "draw/link_rows.h"
#include "sqlclient/asi_api.h"
#include "sqlclient/asi_connection.h"

namespace {

/* A column's text without the blanks that fill a character field. */
std::string trimmed(const sql_col_rec *c) {
  std::string v = c && c->text ? c->text : "";
  while (!v.empty() && v.back() == ' ') v.pop_back();
  return v;
}

class LinkRows : public SqlDb3Test {
 protected:
  void TearDown() override {
    link_rows_set_per_request(0);
    SqlDb3Test::TearDown();
  }

  /* Registers a table as the database describes it, keyed by BASENUMBER
  ** and the type's own key column. */
  static void enrol(pjct_rec *p, const char *name, int type) {
    tbl_rec *t = tbl_rec_new();
    snprintf(t->name, sizeof t->name, "%s", name);
    ASSERT_GT(sql_describe_table(p->connection, name, &t->columns, 0), 0);
    t->table_type = type;
    for (sql_col_rec *c = t->columns; c; c = c->next) t->column_count++;
    t->keys[TBL_KEY_BASENUMBER] = sql_col_find(t->columns, "BASENUMBER", nullptr, nullptr);
    t->keys[link_own_key_slot(type)] = sql_col_find(t->columns, link_own_key_name(type), nullptr, nullptr);
    ASSERT_EQ(tbl_add(p, t), 0);
  }

  /* The link of an entity drawn for the nth row holding BASENUMBER id,
  ** standing for column. */
  static link_rec drawn(pjct_rec *p, const char *table, const char *id, const char *column, int nth = 0) {
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *row = nullptr;
    link_rec l;
    EXPECT_GT(sql_select_where(p->connection, table, "BASENUMBER", id, nullptr, &stmt, &cursor, &row), nth);
    for (int i = 0; i < nth; ++i) EXPECT_EQ(sql_fetch(cursor, row, SQL_FETCH_NEXT, SQL_FROM_CURRENT, 0), 5100);
    EXPECT_EQ(link_from_row(&l, row, sql_col_find(row, column, nullptr, nullptr)), 0);
    sql_close_query(&stmt, &cursor, &row);
    return l;
  }

  /* An answer as text: the code, the row count and the row's texts. */
  static std::string answer(int rc, long count, sql_col_rec *row) {
    std::string s = std::to_string(rc) + " " + std::to_string(count);
    for (sql_col_rec *c = rc == 0 ? row : nullptr; c; c = c->next)
      s += std::string(" ") + c->table + "." + c->name + "=" + (c->null_ind == SQL_COL_NULL ? "<null>" : trimmed(c));
    return s;
  }
};

/* A fits test that takes only the row whose own key holds the link's key
** value (as a command mending stale links asks). */
link_rows_fits same_key(const link_rec &l, const char *own) {
  return [&l, own](sql_col_rec *row, long) {
    return trimmed(sql_col_find(row, own, nullptr, nullptr)) == l.key_value;
  };
}

TEST_F(LinkRows, EachLinkGetsTheRowItsOwnLookUpGives) {
  pjct_rec *p = project_;
  for (const char *sql : {"CREATE TABLE LSTAT (BASENUMBER NUMERIC(8), STATION CHAR(10), ELEV NUMERIC(8,2))",
                          "CREATE TABLE LROCK (BASENUMBER NUMERIC(8), STATION CHAR(10), ROCK CHAR(12))",
                          "CREATE TABLE LUNIT (BASENUMBER NUMERIC(8), NAME CHAR(12))",
                          "INSERT INTO LSTAT VALUES (4, 'S4', 40.5)",
                          "INSERT INTO LSTAT VALUES (2, 'S2', 20)",
                          "INSERT INTO LSTAT VALUES (7, 'S7', NULL)",
                          "INSERT INTO LSTAT VALUES (2, 'S2B', 21)",
                          "INSERT INTO LSTAT VALUES (9, 'S9', 90)",
                          "INSERT INTO LSTAT VALUES (3, 'S3', 30)",
                          "INSERT INTO LROCK VALUES (5, 'S4', 'granite')",
                          "INSERT INTO LROCK VALUES (1, 'S2', 'gneiss')",
                          "INSERT INTO LROCK VALUES (8, 'S8', 'schist')",
                          "INSERT INTO LUNIT VALUES (1, 'Ridge')"})
    run(sql);
  enrol(p, "LSTAT", TBL_DEF_STATION);
  enrol(p, "LROCK", TBL_DEF_GENESIS);
  enrol(p, "LUNIT", TBL_DEF_OTHER);
  std::vector<link_rec> links = {
      drawn(p, "LSTAT", "4", "ELEV"),    drawn(p, "LSTAT", "2", "STATION"), drawn(p, "LSTAT", "2", "STATION", 1),
      drawn(p, "LSTAT", "7", "ELEV"),    drawn(p, "LSTAT", "3", "STATION"), drawn(p, "LSTAT", "9", "STATION"),
      drawn(p, "LROCK", "5", "ROCK"),    drawn(p, "LROCK", "1", "ROCK"),    drawn(p, "LROCK", "8", "ROCK"),
      drawn(p, "LSTAT", "4", "ELEV"),    drawn(p, "LSTAT", "4", "ELEV")};
  snprintf(links[9].key_column, sizeof links[9].key_column, "NOSUCH");
  snprintf(links[10].table, sizeof links[10].table, "SAMPL");
  link_rec unfetched = drawn(p, "LUNIT", "1", "NAME");
  /* Drawn before the tables changed: rows deleted since, S9 renamed. */
  run("DELETE FROM LSTAT WHERE BASENUMBER = 3");
  run("DELETE FROM LROCK WHERE BASENUMBER = 8");
  run("UPDATE LSTAT SET STATION = 'S9X' WHERE BASENUMBER = 9");

  /* What the batch must answer, each beside its own look-up's answer. */
  const char *expected[] = {
      "0 1 LSTAT.BASENUMBER=4 LSTAT.STATION=S4 LSTAT.ELEV=40.50",
      "0 2 LSTAT.BASENUMBER=2 LSTAT.STATION=S2 LSTAT.ELEV=20.00",
      "0 2 LSTAT.BASENUMBER=2 LSTAT.STATION=S2B LSTAT.ELEV=21.00",   /* the second row, by its key */
      "0 1 LSTAT.BASENUMBER=7 LSTAT.STATION=S7 LSTAT.ELEV=<null>",
      "-9805 0",                                                     /* deleted */
      "-9805 1",                                                     /* stale: its key value is gone */
      "0 1 LROCK.BASENUMBER=5 LROCK.STATION=S4 LROCK.ROCK=granite",
      "0 1 LROCK.BASENUMBER=1 LROCK.STATION=S2 LROCK.ROCK=gneiss",
      "-9805 0",
      "-9806 -1",                                                    /* does not validate */
      "-9804 -1",
  };
  link_rows_set_per_request(2);   /* LSTAT's five ids take three statements */
  link_rows_rec *batch = link_rows_new(), *own = link_rows_new();
  ASSERT_EQ(link_rows_fetch(batch, links.data(), (int)links.size()), 0);
  for (size_t i = 0; i < links.size(); ++i) {
    const link_rec &l = links[i];
    link_rows_fits fits = str_eq_nocase(l.table, "LSTAT") ? same_key(l, "STATION") : link_rows_fits{};
    sql_col_rec *row = nullptr;
    long count = -1;
    int rc = link_rows_find(batch, &l, &row, &count, fits);
    std::string mine = answer(rc, count, row);
    count = -1;
    rc = link_rows_find(own, &l, &row, &count, fits);
    std::string alone = answer(rc, count, row);
    EXPECT_EQ(mine, expected[i]) << "link " << i;
    EXPECT_EQ(mine, alone) << "link " << i;
  }
  /* Without a test, the first row of the BASENUMBER that checks: row 2's
  ** first, and the stale link's row. */
  sql_col_rec *row = nullptr;
  ASSERT_EQ(link_rows_find(batch, &links[2], &row), 0);
  EXPECT_EQ(trimmed(sql_col_find(row, "STATION", nullptr, nullptr)), "S2");
  ASSERT_EQ(link_rows_find(batch, &links[5], &row), 0);
  EXPECT_EQ(trimmed(sql_col_find(row, "STATION", nullptr, nullptr)), "S9X");

  /* The held rows answer until forgotten; a table not fetched is asked. */
  run("DELETE FROM LSTAT WHERE BASENUMBER = 4");
  run("DELETE FROM LROCK WHERE BASENUMBER = 5");
  run("UPDATE LUNIT SET NAME = 'Valley'");
  EXPECT_EQ(link_rows_find(batch, &links[0], &row), 0);
  EXPECT_EQ(link_rows_find(batch, &links[6], &row), 0);
  ASSERT_EQ(link_rows_find(batch, &unfetched, &row), 0);
  EXPECT_EQ(trimmed(sql_col_find(row, "NAME", nullptr, nullptr)), "Valley");
  /* A fetched table's row whose number no link of the batch held is asked. */
  run("INSERT INTO LROCK VALUES (6, 'S6', 'basalt')");
  link_rec unasked = drawn(p, "LROCK", "6", "ROCK");
  ASSERT_EQ(link_rows_find(batch, &unasked, &row), 0);
  EXPECT_EQ(trimmed(sql_col_find(row, "ROCK", nullptr, nullptr)), "basalt");
  link_rows_forget(batch, "geo", "lstat");
  EXPECT_EQ(link_rows_find(batch, &links[0], &row), LINK_ERR_ROW);
  EXPECT_EQ(link_rows_find(batch, &links[6], &row), 0);

  /* A statement of the batch costs the driver the requests of reading
  ** its rows to the end, without counting them first; pvdb3's prepare
  ** answers its 100 small rows whole: one request. */
  run("CREATE TABLE LMANY (BASENUMBER NUMERIC(8), NAME CHAR(12))");
  std::vector<link_rec> many;
  for (int i = 1; i <= 100; i++)
    run(("INSERT INTO LMANY VALUES (" + std::to_string(i) + ", 'N')").c_str());
  enrol(p, "LMANY", TBL_DEF_OTHER);
  for (int i = 1; i <= 100; i++) many.push_back(drawn(p, "LMANY", std::to_string(i).c_str(), "NAME"));
  CAsiConnection *c = (CAsiConnection *)p->connection;
  long before = c->requestCount();
#ifdef PV_SQL_FIXTURE_ODBC
  void *stmt = nullptr, *cursor = nullptr;
  ASSERT_EQ(sql_execute(p->connection, &stmt, &cursor, "SELECT * FROM LMANY", 0), 5100);
  while (asi_fetch_next((CAsiCursor *)cursor)) {
  }
  sql_free_handles(&stmt, &cursor);
  long read = c->requestCount() - before;
#else
  long read = 1;
#endif
  link_rows_set_per_request(100);
  before = c->requestCount();
  ASSERT_EQ(link_rows_fetch(batch, many.data(), (int)many.size()), 0);
  EXPECT_EQ(c->requestCount() - before, read);
  ASSERT_EQ(link_rows_find(batch, &many[99], &row), 0);
  EXPECT_EQ(trimmed(sql_col_find(row, "BASENUMBER", nullptr, nullptr)), "100");

  /* One id a request holds nothing ahead: each link is its own look-up. */
  link_rows_set_per_request(1);
  ASSERT_EQ(link_rows_fetch(batch, links.data(), (int)links.size()), 0);
  EXPECT_EQ(link_rows_find(batch, &links[1], &row), 0);
  run("DELETE FROM LSTAT WHERE BASENUMBER = 2");
  EXPECT_EQ(link_rows_find(batch, &links[1], &row), LINK_ERR_ROW);
  link_rows_free(&batch);
  link_rows_free(&own);
  EXPECT_EQ(batch, nullptr);
}

}  // namespace

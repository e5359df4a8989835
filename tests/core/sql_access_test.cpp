/*
** sql_access_test.cpp: the SQL access layer against a DB3 project run by
** the DB3 driver: literals and names that can never change a statement,
** values to text and back, the error mapping, queries with their row
** count and browse position, writing rows, host-version gating of indexes
** and the dBASE extras.
*/
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>

#include "core/err_text.h"
#include "core/row_state.h"
#include "sql_fixture.h"
#include "sqlclient/asi_connection.h"

namespace {

TEST(SqlLiteral, CallerValuesAreQuotedWithEveryQuoteDoubled) {
  struct { const char *in, *want; } cases[] = {
      {"'O'NEIL'", "'O''NEIL'"},          /* quoted by the caller, quote not doubled */
      {"'O''NEIL'", "'O''NEIL'"},         /* already doubled: not doubled twice */
      {"O'NEIL", "'O''NEIL'"},            /* not quoted at all */
      {"x'; DROP TABLE T; --", "'x''; DROP TABLE T; --'"},
      {"'", "''''"},
      {" 12 ", "12"},
      {"-1.5e3", "-1.5e3"},
      {"", "NULL"},
      {"null", "NULL"},
      {"12abc", "'12abc'"},
  };
  for (const auto &c : cases) {
    std::string out;
    EXPECT_EQ(sql_literal(c.in, out), 0);
    EXPECT_EQ(out, c.want) << c.in;
  }
  std::string out;
  EXPECT_EQ(sql_literal(nullptr, out), -2);
}

TEST(SqlLiteral, NamesAndClausesMustBePlain) {
  struct { const char *text; int ident, clause; } cases[] = {
      {"STATN", 1, 1},          {"STATN.DIP", 1, 1},      {"\"POINT\"", 1, 1},
      {"A, B DESC", 0, 1},      {"T; DROP TABLE X", 0, 0}, {"O'NEIL", 0, 0},
      {"A -- x", 0, 0},         {"", 0, 0},               {".A", 0, 1},
      {"\"PO\"INT\"", 0, 1},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(sql_is_ident(c.text), c.ident) << c.text;
    EXPECT_EQ(sql_is_clause(c.text), c.clause) << c.text;
  }
}

TEST(SqlValues, HostTypesFollowTheSqlTypes) {
  int want[] = {0, 5, 4, 4, 2, 1, 4, 4, 4, 0};
  for (int t = 0; t <= 9; t++) EXPECT_EQ(sql_type_to_host(t), want[t]) << t;
  EXPECT_EQ(sql_host_type(3), 3);
}

TEST(SqlValues, TextsBecomeValuesAndComeBackTheSame) {
  struct { int type, length, decimals; const char *in; int rc; const char *back; } cases[] = {
      {SQL_TYPE_CHAR, 10, 0, "  O'NEIL  ", 5100, "O'NEIL"},
      {SQL_TYPE_CHAR, 3, 0, "ABCD", -9301, ""},          /* too long: value unchanged (null) */
      {SQL_TYPE_INT, 11, 0, "-2147483648", 5100, "-2147483648"},
      {SQL_TYPE_INT, 11, 0, "2147483648", -9302, ""},
      {SQL_TYPE_INT, 11, 0, "12.5", -9302, ""},
      {SQL_TYPE_SMALLINT, 6, 0, "32767", 5100, "32767"},
      {SQL_TYPE_SMALLINT, 6, 0, "32768", -9302, ""},
      {SQL_TYPE_NUMERIC, 8, 2, "12.5", 5100, "12.50"},
      /* approximate numbers: the shortest text that reads back the same */
      {SQL_TYPE_DOUBLE, 20, 0, "0.1", 5100, "0.1"},
      {SQL_TYPE_DOUBLE, 20, 0, "512.70", 5100, "512.7"},
      {SQL_TYPE_DOUBLE, 20, 0, "0.30000000000000004", 5100, "0.30000000000000004"},
      {SQL_TYPE_FLOAT, 20, 0, "890.1", 5100, "890.1"},
      {SQL_TYPE_DOUBLE, 20, 0, "615300", 5100, "615300"},
      {SQL_TYPE_DOUBLE, 20, 0, "1e-20", 5100, "1e-20"},
      {SQL_TYPE_DOUBLE, 20, 0, "2e15", 5100, "2e+15"},
      {SQL_TYPE_REAL, 20, 0, "1.5", 5100, "1.5"},
      {SQL_TYPE_REAL, 20, 0, "512.7", 5100, "512.7"},
      {SQL_TYPE_DOUBLE, 20, 0, "abc", -9302, ""},
      {SQL_TYPE_DOUBLE, 20, 0, "   ", 5100, ""},          /* blank is null */
      {SQL_TYPE_NUMERIC, 8, 2, "1e300", 5100, "1e+300"},  /* too wide for its decimals */
  };
  for (const auto &c : cases) {
    sql_col_rec *col = sql_col_new("C", "T", c.type, c.length, c.decimals);
    ASSERT_NE(col, nullptr);
    EXPECT_EQ(sql_text_to_value(col, c.in), c.rc) << c.in;
    EXPECT_EQ(sql_value_to_text(col, nullptr), 5100);
    EXPECT_STREQ(col->text, c.back) << c.in;
    EXPECT_LT(strlen(col->text), (size_t)sql_col_text_size(col));
    sql_col_list_free(&col);
    EXPECT_EQ(col, nullptr);
  }
  /* Numbers read as printf writes them, over many random values: a DOUBLE
  ** the fewest "%.*g" digits that read back (whole numbers below 1e15
  ** without exponent), a NUMERIC "%.*f" of its decimals when that fits. */
  std::mt19937_64 gen(83);
  sql_col_rec *dbl = sql_col_new("D", "T", SQL_TYPE_DOUBLE, 20, 0);
  sql_col_rec *num = sql_col_new("N", "T", SQL_TYPE_NUMERIC, 20, 3);
  for (int i = 0; i < 60000; i++) {
    uint64_t bits = gen();
    double v;
    memcpy(&v, &bits, sizeof v);
    if (i % 3) v = (double)(int64_t)(bits % 2000000001 - 1000000000) / std::pow(10.0, (double)(bits % 9));
    if (!std::isfinite(v)) continue;
    char shortest[64], fixed[512];
    for (int d = 1; d <= 17; d++) {
      snprintf(shortest, sizeof shortest, "%.*g", d, v);
      if (strtod(shortest, nullptr) == v) break;
    }
    if (strstr(shortest, "e+") && std::fabs(v) < 1e15) snprintf(shortest, sizeof shortest, "%.0f", v);
    int fits = snprintf(fixed, sizeof fixed, "%.3f", v) < sql_col_text_size(num);
    *(double *)dbl->value = *(double *)num->value = v;
    dbl->null_ind = num->null_ind = 0;
    sql_row_to_text(dbl);
    sql_row_to_text(num);
    ASSERT_STREQ(dbl->text, shortest) << i;
    ASSERT_STREQ(num->text, fits ? fixed : shortest) << i;
    int decimals = (int)(bits % 12);
    snprintf(fixed, sizeof fixed, "%.*f", decimals, v);
    std::string appended;
    sql_append_fixed(appended, v, decimals);
    ASSERT_EQ(appended, fixed) << i;
  }
  sql_col_list_free(&dbl);
  sql_col_list_free(&num);
}

TEST(SqlColumns, FindByNameTableQualifiedAndPosition) {
  sql_col_rec *row = sql_col_new("BASENUMBER", "STATN", SQL_TYPE_INT, 11, 0);
  row->next = sql_col_new("DIP", "STATN", SQL_TYPE_DOUBLE, 20, 0);
  row->next->next = sql_col_new("DIP", "ROCK", SQL_TYPE_DOUBLE, 20, 0);
  int i = -5;
  EXPECT_EQ(sql_col_find(row, "dip", nullptr, &i), row->next);
  EXPECT_EQ(i, 1);
  EXPECT_EQ(sql_col_find(row, "DIP", "rock", &i), row->next->next);
  EXPECT_EQ(i, 2);
  EXPECT_EQ(sql_col_find(row, "DIP", "NONE", &i), nullptr);
  EXPECT_EQ(i, -1);
  EXPECT_EQ(sql_col_find_qualified(row, "ROCK.DIP", &i), row->next->next);
  EXPECT_EQ(sql_col_find_qualified(row, "STATN DIP", &i), row->next);
  EXPECT_EQ(sql_col_find_qualified(row, "STATN.", &i), nullptr);
  EXPECT_EQ(sql_col_nth(row, 2), row->next->next);
  EXPECT_EQ(sql_col_nth(row, 3), nullptr);
  EXPECT_EQ(sql_col_nth(row, -1), nullptr);
  EXPECT_EQ(sql_col_set_shown(row, 1), 5100);
  EXPECT_EQ(row->shown, 1);
  EXPECT_EQ(sql_col_set_shown(row, 65534), 5100);
  EXPECT_EQ(row->shown, 0);
  EXPECT_EQ(sql_col_set_shown(row, 7), -1);
  sql_col_list_free(&row);
}

TEST(SqlErrors, NoHandleOrNoConditionIsTheFailureWithoutCondition) {
  EXPECT_EQ(sql_error_code(nullptr), -9203);
  host_io_set_echo(false);
  host_io_clear_transcript();
  sql_report_error(nullptr);
  EXPECT_NE(host_io_transcript().find("SQL request failed"), std::string::npos);
}

using SqlAccess = SqlDb3Test;

TEST_F(SqlAccess, FailuresMapToApplicationCodes) {
  run("CREATE TABLE ROCK (BASENUMBER INTEGER, NAME CHAR(12))");
  struct { const char *sql; int want; } cases[] = {
      {"SELEC * FROM ROCK", -9201},                     /* syntax error 14215 */
      {"SELECT * FROM NOSUCH", -14216},                 /* negated native code */
      {"SELECT NOPE FROM ROCK", -14217},
      {"CREATE TABLE ROCK (A INTEGER)", -14218},
      {"INSERT INTO ROCK (NAME) VALUES ('FAR TOO LONG A NAME')", -14224},
  };
  for (const auto &c : cases) {
    void *stmt = (void *)1, *cursor = nullptr;
    stmt = nullptr;
    EXPECT_EQ(sql_execute(project_->connection, &stmt, &cursor, c.sql, 0), c.want) << c.sql;
    EXPECT_EQ(stmt, nullptr);
    EXPECT_EQ(cursor, nullptr);
  }
  void *stmt = nullptr, *cursor = nullptr;
  EXPECT_EQ(sql_execute(project_->connection, &stmt, &cursor, "", 0), -2);
  EXPECT_EQ(sql_execute(nullptr, &stmt, &cursor, "SELECT * FROM ROCK", 0), -2);
}

TEST_F(SqlAccess, ReportedFailureShowsEachConditionCodeAndText) {
  void *stmt = nullptr, *cursor = nullptr;
  EXPECT_EQ(sql_execute(project_->connection, &stmt, &cursor, "SELECT * FROM NOSUCH", 1), -14216);
  std::string t = host_io_transcript();
  EXPECT_NE(t.find("Petrivex ERROR:"), std::string::npos) << t;
  EXPECT_NE(t.find("14216: "), std::string::npos) << t;
}

TEST_F(SqlAccess, QuoteInAValueIsStoredFoundUpdatedAndDeletedWithoutChangingTheStatement) {
  run("CREATE TABLE PEOPLE (BASENUMBER INTEGER, NAME CHAR(20))");
  sql_col_rec *row = nullptr;
  ASSERT_EQ(sql_describe_table(project_->connection, "PEOPLE", &row, 0), 2);
  strcpy(row->text, "1");
  strcpy(row->next->text, "O'NEIL");
  EXPECT_EQ(sql_insert_row(project_->connection, row, "PEOPLE"), 5100);
  strcpy(row->text, "2");
  strcpy(row->next->text, "x');DELETE FROM P--");
  EXPECT_EQ(sql_insert_row(project_->connection, row, "PEOPLE"), 5100);
  EXPECT_EQ(rows("SELECT BASENUMBER, NAME FROM PEOPLE ORDER BY BASENUMBER"),
            "1|O'NEIL\n2|x');DELETE FROM P--\n");

  void *stmt = nullptr, *cursor = nullptr;
  sql_col_rec *found = nullptr;
  for (const char *v : {"'O'NEIL'", "'O''NEIL'", "O'NEIL"}) {
    EXPECT_EQ(sql_select_where(project_->connection, "PEOPLE", "NAME", v, nullptr, &stmt, &cursor, &found), 1) << v;
    ASSERT_NE(found, nullptr);
    EXPECT_STREQ(found->text, "1");
    EXPECT_STREQ(found->table, "PEOPLE");
    sql_close_query(&stmt, &cursor, &found);
  }

  /* The key column condition and a new value with a quote. */
  strcpy(row->text, "1");
  EXPECT_EQ(sql_update_column(row->next, row, "D'ARCY"), 5100);
  EXPECT_EQ(rows("SELECT NAME FROM PEOPLE WHERE BASENUMBER = 1"), "D'ARCY\n");
  EXPECT_EQ(sql_update_column(row, row->next, "abc"), -9302);   /* not a number: nothing sent */
  EXPECT_EQ(sql_delete_where(project_->connection, "PEOPLE", "NAME", "'D'ARCY'"), 5100);
  EXPECT_EQ(rows("SELECT BASENUMBER FROM PEOPLE"), "2\n");
  EXPECT_EQ(sql_delete_where(project_->connection, "PEOPLE; DROP TABLE X", "NAME", "1"), -2);
  strcpy(row->text, "2");
  EXPECT_EQ(sql_delete_row(row, row), 5100);
  EXPECT_EQ(rows("SELECT BASENUMBER FROM PEOPLE"), "");
  strcpy(row->text, "12; DROP TABLE PEOPLE");
  EXPECT_EQ(sql_insert_row(project_->connection, row, "PEOPLE"), -9302);
  sql_col_list_free(&row);
}

TEST_F(SqlAccess, QueryCountsRowsFetchesFirstAndKeepsTheBrowsePosition) {
  run("CREATE TABLE ROCK (BASENUMBER INTEGER, NAME CHAR(12))");
  for (int i = 1; i <= 5; i++)
    run("INSERT INTO ROCK (BASENUMBER, NAME) VALUES (" + std::to_string(i) + ", 'R" + std::to_string(i) + "')");
  void *stmt = nullptr, *cursor = nullptr;
  sql_col_rec *row = nullptr;
  ASSERT_EQ(sql_select_all(project_->connection, &stmt, &cursor, &row, "ROCK", "BASENUMBER", 1), 5);
  EXPECT_STREQ(row->text, "1");
  EXPECT_EQ(std::string(row->next->text).substr(0, 3), "R1 ");   /* CHAR(12), blank-filled */
  EXPECT_STREQ(row->next->table, "ROCK");
  ASSERT_NE(row->attr, nullptr);
  EXPECT_TRUE(row->attr->flags & COL_ATTR_PLACEHOLDER);

  g_row_count = sql_count_rows(cursor);
  EXPECT_EQ(g_row_count, 5);
  g_cur_row = -1;
  struct { int mode; long n; int rc; const char *key; long at; } steps[] = {
      {SQL_FETCH_NEXT, SQL_FROM_START, 5100, "1", 0},
      {SQL_FETCH_NEXT, SQL_FROM_CURRENT, 5100, "2", 1},
      {SQL_FETCH_ABSOLUTE, 3, 5100, "4", 3},
      {SQL_FETCH_RELATIVE, -2, 5100, "2", 1},
      {SQL_FETCH_PRIOR, SQL_FROM_END, 5100, "5", 4},
      {SQL_FETCH_NEXT, SQL_FROM_CURRENT, -5001, "5", 5},   /* past the end: after the last */
      {SQL_FETCH_PRIOR, SQL_FROM_CURRENT, 5100, "5", 4},
      {SQL_FETCH_PRIOR, SQL_FROM_START, -5001, "5", -1},  /* nothing before the first */
      {SQL_FETCH_NEXT, SQL_FROM_END, -5001, "5", 5},
  };
  for (const auto &s : steps) {
    EXPECT_EQ(sql_fetch(cursor, row, s.mode, s.n, 1), s.rc) << s.mode << " " << s.n;
    EXPECT_STREQ(row->text, s.key) << s.mode << " " << s.n;
    EXPECT_EQ(g_cur_row, s.at) << s.mode << " " << s.n;
  }
  EXPECT_EQ(sql_fetch(cursor, row, 4, 0, 1), -2);
  EXPECT_EQ(sql_count_rows(nullptr), -1);
  /* Counting leaves the cursor before the first row. */
  EXPECT_EQ(sql_count_rows(cursor), 5);
  EXPECT_EQ(sql_fetch(cursor, row, SQL_FETCH_NEXT, SQL_FROM_CURRENT, 0), 5100);
  EXPECT_STREQ(row->text, "1");
  sql_close_query(&stmt, &cursor, &row);

  /* A look-up of one row costs one round trip: its prepare comes back
  ** with the row, which the open, the count at the last row and the close
  ** are served from; the release travels with the next request. */
  CAsiConnection *c = (CAsiConnection *)project_->connection;
  long before = c->requestCount();
  ASSERT_EQ(sql_select_where(project_->connection, "ROCK", "BASENUMBER", "4", nullptr, &stmt, &cursor, &row), 1);
  EXPECT_STREQ(row->next->text, "R4          ");
  sql_close_query(&stmt, &cursor, &row);
  EXPECT_EQ(c->requestCount() - before, 1);
  EXPECT_EQ(stmt, nullptr);
  EXPECT_EQ(cursor, nullptr);
  EXPECT_EQ(row, nullptr);
}

TEST_F(SqlAccess, FetchesThatFindNoRowLeaveTheCursorWhereTheBrowsePositionSays) {
  run("CREATE TABLE ROCK (BASENUMBER INTEGER)");
  for (int i = 1; i <= 3; i++) run("INSERT INTO ROCK (BASENUMBER) VALUES (" + std::to_string(i) + ")");
  void *stmt = nullptr, *cursor = nullptr;
  sql_col_rec *row = nullptr;
  ASSERT_EQ(sql_select_all(project_->connection, &stmt, &cursor, &row, "ROCK", "BASENUMBER", 0), 3);
  g_row_count = 3;
  g_cur_row = 0;
  struct { int mode; long n; int rc; const char *key; long at; } steps[] = {
      {SQL_FETCH_NEXT, SQL_FROM_END, -5001, "1", 3},       /* after the last row */
      {SQL_FETCH_PRIOR, SQL_FROM_CURRENT, 5100, "3", 2},
      {SQL_FETCH_PRIOR, SQL_FROM_START, -5001, "3", -1},   /* before the first row */
      {SQL_FETCH_NEXT, SQL_FROM_CURRENT, 5100, "1", 0},
      {SQL_FETCH_ABSOLUTE, -3, -5001, "1", -1},            /* no row 0 or below: not counted from the end */
      {SQL_FETCH_NEXT, SQL_FROM_CURRENT, 5100, "1", 0},
  };
  for (const auto &s : steps) {
    EXPECT_EQ(sql_fetch(cursor, row, s.mode, s.n, 1), s.rc) << s.mode << " " << s.n;
    EXPECT_STREQ(row->text, s.key) << s.mode << " " << s.n;
    EXPECT_EQ(g_cur_row, s.at) << s.mode << " " << s.n;
  }
  sql_close_query(&stmt, &cursor, &row);
}

/* A fetch tells a row, the end and a failure apart: once the driver has
** ended, a cursor past the rows it brought answers the failure's code,
** never the end of the rows, and a walk over counted rows stops there. */
TEST_F(SqlAccess, AFetchFromAnEndedDriverAnswersTheFailureNotTheEnd) {
  const int rows = 1100;   /* more than one request brings */
  run("CREATE TABLE ROCK (BASENUMBER INTEGER)");
  for (int i = 1; i <= rows; i++) run("INSERT INTO ROCK (BASENUMBER) VALUES (" + std::to_string(i) + ")");
  void *stmt = nullptr, *cursor = nullptr;
  sql_col_rec *row = nullptr;
  ASSERT_EQ(sql_select_all(project_->connection, &stmt, &cursor, &row, "ROCK", "BASENUMBER", 0), rows);
  ASSERT_TRUE(kill_driver());
  int rc = 5100;
  long read = 0;
  for (long k = 0; rc == 5100 && k < rows; k++)
    if ((rc = sql_fetch_counted(cursor, row, k)) == 5100) read++;
  EXPECT_LT(read, rows);
  EXPECT_TRUE(sql_driver_lost(rc)) << rc;
  rc = sql_fetch(cursor, row, SQL_FETCH_NEXT, SQL_FROM_CURRENT, 0);
  EXPECT_TRUE(sql_driver_lost(rc)) << rc;
  EXPECT_EQ(sql_last_failure()->code, rc);
  sql_close_query(&stmt, &cursor, &row);
}

TEST_F(SqlAccess, FreeingARowLeavesAPlaceholderRuleThatAListHolds) {
  run("CREATE TABLE ROCK (BASENUMBER NUMERIC(8))");
  sql_col_rec *row = nullptr;
  ASSERT_EQ(sql_describe_table(project_->connection, "ROCK", &row, 0), 1);
  col_attr_rec *rule = row->attr;
  ASSERT_TRUE(rule->flags & COL_ATTR_PLACEHOLDER);
  rule->next = project_->col_attrs;   /* listed with its flag still set */
  project_->col_attrs = rule;
  sql_col_list_free(&row);
  ASSERT_EQ(project_->col_attrs, rule);
  EXPECT_STREQ(rule->column, "BASENUMBER");   /* freed with the project's list at logoff */
}

TEST_F(SqlAccess, DroppingATablesIndexesDropsTheOneNamedLikeTheTable) {
  run("CREATE TABLE REFERS (NAME CHAR(8))");
  ASSERT_EQ(sql_create_index(project_->connection, "REFERS", "REFERS", "NAME", 1), 5100);
  run("INSERT INTO REFERS (NAME) VALUES ('A')");
  void *stmt = nullptr, *cursor = nullptr;
  EXPECT_EQ(sql_execute(project_->connection, &stmt, &cursor, "INSERT INTO REFERS (NAME) VALUES ('A')", 0), -14221);
  EXPECT_EQ(sql_drop_indexes(project_->connection, "REFERS"), 5100);
  run("INSERT INTO REFERS (NAME) VALUES ('A')");
  EXPECT_EQ(sql_drop_index(project_->connection, "REFERS", "REFERS"), -5001);
}

TEST_F(SqlAccess, EmptyQueryIsZeroOrReportedAsNoRecordsSelected) {
  run("CREATE TABLE ROCK (BASENUMBER INTEGER)");
  void *stmt = nullptr, *cursor = nullptr;
  sql_col_rec *row = nullptr;
  EXPECT_EQ(sql_query(project_->connection, "SELECT * FROM ROCK", &stmt, &cursor, &row, 0), 0);
  EXPECT_NE(cursor, nullptr);
  sql_close_query(&stmt, &cursor, &row);
  host_io_clear_transcript();
  EXPECT_EQ(sql_query(project_->connection, "SELECT * FROM ROCK", &stmt, &cursor, &row, 1), -9204);
  EXPECT_EQ(cursor, nullptr);
  EXPECT_EQ(row, nullptr);
  EXPECT_NE(host_io_transcript().find("No records SELECTED:\n\nSELECT * FROM ROCK."), std::string::npos)
      << host_io_transcript();
  EXPECT_EQ(sql_query(project_->connection, "DELETE FROM ROCK", &stmt, &cursor, &row, 0), -2);
  EXPECT_EQ(sql_select_all(project_->connection, &stmt, &cursor, &row, "ROCK", "1; DROP TABLE ROCK", 0), -2);
}

TEST_F(SqlAccess, MaximumIsReadIntoTheColumnTextAndValue) {
  run("CREATE TABLE ROCK (BASENUMBER NUMERIC(8), NAME CHAR(4))");
  sql_col_rec *row = nullptr;
  ASSERT_EQ(sql_describe_table(project_->connection, "ROCK", &row, 0), 2);
  EXPECT_EQ(sql_select_max(project_->connection, &row, "BASENUMBER", "ROCK"), 0);
  EXPECT_STREQ(row->text, "");
  EXPECT_EQ(row->null_ind, SQL_COL_NULL);
  run("INSERT INTO ROCK (BASENUMBER, NAME) VALUES (41, 'AB')");
  run("INSERT INTO ROCK (BASENUMBER, NAME) VALUES (7, 'ZZ')");
  EXPECT_EQ(sql_select_max(project_->connection, &row, "BASENUMBER", "ROCK"), 0);
  EXPECT_STREQ(row->text, "41");
  EXPECT_DOUBLE_EQ(*(double *)row->value, 41.0);
  EXPECT_EQ(sql_select_max(project_->connection, &row, "NAME", "ROCK"), 0);
  EXPECT_STREQ(row->next->text, "ZZ");
  EXPECT_EQ(sql_select_max(project_->connection, &row, "NOPE", "ROCK"), -2);
  /* A result column named by a long expression keeps the first 20 characters. */
  void *stmt = nullptr, *cursor = nullptr;
  sql_col_rec *sum = nullptr;
  ASSERT_EQ(sql_query(project_->connection, "SELECT BASENUMBER + BASENUMBER + BASENUMBER FROM ROCK ORDER BY 1",
                      &stmt, &cursor, &sum, 0), 2);
  EXPECT_EQ(strlen(sum->name), 20u);
  EXPECT_EQ(std::stod(sum->text), 21.0);
  sql_close_query(&stmt, &cursor, &sum);
  sql_col_list_free(&row);
}

TEST_F(SqlAccess, UpdateRowWritesEveryColumnOnTheUniqueNumberAndRefusesOverlongStatementsAndGoneRows) {
  run("CREATE TABLE STATN (BASENUMBER NUMERIC(8), NAME CHAR(200), DIP DOUBLE PRECISION)");
  run("INSERT INTO STATN (BASENUMBER, NAME, DIP) VALUES (3, 'A', 1.5)");
  sql_col_rec *row = nullptr;
  ASSERT_EQ(sql_describe_table(project_->connection, "STATN", &row, 0), 3);
  tbl_rec *t = tbl_rec_new();
  strcpy(t->name, "STATN");
  t->table_type = TBL_DEF_OTHER;
  t->columns = row;
  t->keys[TBL_KEY_BASENUMBER] = row;
  ASSERT_EQ(tbl_insert(project_, t), 0);

  sql_col_rec *edit = nullptr;
  ASSERT_EQ(sql_describe_table(project_->connection, "STATN", &edit, 0), 3);
  strcpy(edit->text, "3");
  strcpy(edit->next->text, "L'ESTAQUE");
  strcpy(edit->next->next->text, "");
  EXPECT_EQ(sql_update_row(edit, 0), 5100);
  EXPECT_EQ(rows("SELECT NAME, DIP FROM STATN"), "L'ESTAQUE|\n");

  /* A row another user deleted meanwhile is said gone, nothing stored. */
  strcpy(edit->text, "4");
  EXPECT_EQ(sql_update_row(edit, 0), -9805);
  EXPECT_EQ(rows("SELECT BASENUMBER, NAME FROM STATN"), "3|L'ESTAQUE\n");
  strcpy(edit->text, "3");

  /* A statement over 8192 characters is refused whole. */
  sql_col_rec *wide = edit->next;
  for (int i = 0; i < 60; i++) {
    sql_col_rec *c = sql_col_new(("C" + std::to_string(i)).c_str(), "STATN", SQL_TYPE_CHAR, 200, 0);
    c->connection = project_->connection;
    memset(c->text, '\'', 150);
    c->next = wide->next;
    wide->next = c;
  }
  EXPECT_EQ(sql_update_row(edit, 0), -9205);
  EXPECT_EQ(rows("SELECT NAME FROM STATN"), "L'ESTAQUE\n");
  sql_col_list_free(&edit);
}

TEST_F(SqlAccess, DescribeTakesWidthsFromTheDbaseHeaderAndListedRules) {
  run("CREATE TABLE STATN (BASENUMBER NUMERIC(8), DIP NUMERIC(6,2), NAME CHAR(30))");
  col_attr_rec *rule = col_attr_new();
  strcpy(rule->column, "DIP");
  strcpy(rule->table, "STATN");
  project_->col_attrs = rule;
  sql_col_rec *row = nullptr;
  ASSERT_EQ(sql_describe_table(project_->connection, "STATN", &row, 0), 3);
  EXPECT_EQ(row->length, 8);
  EXPECT_EQ(row->next->length, 6);
  EXPECT_EQ(row->next->decimals, 2);
  EXPECT_EQ(row->next->next->length, 30);
  EXPECT_EQ(row->next->attr, rule);
  EXPECT_TRUE(row->attr->flags & COL_ATTR_PLACEHOLDER);
  EXPECT_EQ(sql_col_find_flag(row, COL_ATTR_PLACEHOLDER), row);
  EXPECT_EQ(sql_col_find_flag(row, COL_ATTR_MEMO), nullptr);
  strcpy(row->next->text, "12.345");
  EXPECT_EQ(sql_row_from_text(row), 5100);
  sql_row_to_text(row);
  EXPECT_STREQ(row->next->text, "12.35");
  sql_col_list_free(&row);   /* frees the placeholders, not the listed rule */
  EXPECT_EQ(project_->col_attrs, rule);
  EXPECT_EQ(sql_describe_table(project_->connection, "NOSUCH", &row, 0), -14216);
  EXPECT_EQ(row, nullptr);
  EXPECT_EQ(sql_describe_table(project_->connection, "A'B", &row, 0), -2);
}

TEST_F(SqlAccess, IndexesAreMadeOnlyFromHostVersion15) {
  run("CREATE TABLE ROCK (BASENUMBER NUMERIC(8), NAME CHAR(4))");
  g_host_version = 14;
  EXPECT_EQ(sql_create_index(project_->connection, "ROCKUNQ", "ROCK", "BASENUMBER", 1), 5100);
  EXPECT_FALSE(has_file("ROCK.INI"));
  g_host_version = 15;
  EXPECT_EQ(sql_create_index(project_->connection, "ROCKUNQ", "ROCK", "BASENUMBER", 1), 5100);
  EXPECT_EQ(sql_create_index(project_->connection, "ROCKNAM", "ROCK", "NAME", 0), 5100);
  EXPECT_TRUE(has_file("ROCK.INI"));
  run("INSERT INTO ROCK (BASENUMBER, NAME) VALUES (1, 'A')");
  void *stmt = nullptr, *cursor = nullptr;
  EXPECT_EQ(sql_execute(project_->connection, &stmt, &cursor, "INSERT INTO ROCK (BASENUMBER, NAME) VALUES (1, 'B')", 0),
            -14221);
  /* Making the first index again keeps the other. */
  EXPECT_EQ(sql_create_index(project_->connection, "ROCKUNQ", "ROCK", "BASENUMBER", 1), 5100);
  EXPECT_EQ(sql_drop_index(project_->connection, "ROCKNAM", "ROCK"), 5100);
  /* Dropping an index that is not there leaves the side file alone. */
  EXPECT_EQ(sql_drop_index(project_->connection, "ROCKXXX", "ROCK"), -5001);
  EXPECT_TRUE(has_file("ROCK.INI"));
  EXPECT_EQ(sql_execute(project_->connection, &stmt, &cursor, "INSERT INTO ROCK (BASENUMBER, NAME) VALUES (1, 'B')", 0),
            -14221);
  EXPECT_EQ(sql_create_index(project_->connection, "ROCK'X", "ROCK", "NAME", 0), -2);
  EXPECT_EQ(sql_remove_index_ini(project_->connection, "ROCK"), 5100);
  EXPECT_FALSE(has_file("ROCK.INI"));
  EXPECT_EQ(sql_remove_index_ini(project_->connection, "ROCK"), -5001);
}

TEST_F(SqlAccess, DropTableDropsItsIndexesAndTheTable) {
  run("CREATE TABLE ROCK (BASENUMBER NUMERIC(8))");
  EXPECT_EQ(sql_create_index(project_->connection, "ROCKUNQ", "ROCK", "BASENUMBER", 1), 5100);
  EXPECT_EQ(sql_drop_table(project_->connection, "ROCK"), 5100);
  EXPECT_FALSE(has_file("ROCK.DBF"));
  EXPECT_FALSE(has_file("ROCK.INI"));
  EXPECT_EQ(sql_drop_table(project_->connection, "ROCK"), -14216);
}

}  // namespace

/*
** row_carry_test.cpp: the key values an added row carries into the entry
** rows of a DB3 project's other tables, by the added table's type, with
** every column they must stay out of, and the key columns below the added
** level emptied in every entry row.
*/
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "core/sql_fixture.h"
#include "core/tbl.h"
#include "map/row_cmd.h"

namespace {

class RowCarry : public SqlDb3Test {
 protected:
  void SetUp() override {
    SqlDb3Test::SetUp();
    if (IsSkipped()) return;
    const char *id = "BASENUMBER NUMERIC(8,0)";
    auto make = [&](const char *name, int type, const std::vector<std::pair<int, const char *>> &slots) {
      std::string sql = std::string("CREATE TABLE ") + name + " (" + id;
      std::vector<std::string> seen;
      for (auto &s : slots) {
        bool dup = false;
        for (auto &n : seen) dup = dup || n == s.second;
        if (!dup) sql += std::string(", ") + s.second + " CHAR(6)";
        seen.push_back(s.second);
      }
      run(sql + ")");
      tbl_rec *r = tbl_rec_new();
      snprintf(r->name, sizeof r->name, "%s", name);
      r->table_type = type;
      r->column_count = sql_describe_table(project_->connection, name, &r->columns, 0);
      r->keys[TBL_KEY_BASENUMBER] = tbl_column_find(r->columns, "BASENUMBER", nullptr, nullptr);
      for (auto &s : slots) r->keys[s.first] = tbl_column_find(r->columns, s.second, nullptr, nullptr);
      ASSERT_EQ(tbl_add(project_, r), 0);
    };
    make("TRAV", TBL_DEF_TRAVERSE, {{TBL_KEY_TRAVERSE, "TRV"}});
    make("OUTC", TBL_DEF_OUTCROP, {{TBL_KEY_TRAVERSE, "TRV"}, {TBL_KEY_OUTCROP, "OUT"}});
    make("STATN", TBL_DEF_STATION, {{TBL_KEY_TRAVERSE, "TRV"}, {TBL_KEY_OUTCROP, "OUT"}, {TBL_KEY_STATION, "STN"}});
    make("SEGM", TBL_DEF_SEGMENT, {{TBL_KEY_STATION, "STN"}, {TBL_KEY_SEGMENT, "SEG"}});
    make("ROCKS", TBL_DEF_ROCK, {{TBL_KEY_STATION, "STN"}, {TBL_KEY_SEGMENT, "SEG"}, {TBL_KEY_ROCK, "RCK"}});
    make("SAMPL", TBL_DEF_SAMPLE, {{TBL_KEY_STATION, "STN"}, {TBL_KEY_ROCK, "RCK"}, {TBL_KEY_SAMPLE, "SMP"}});
    make("CORE", TBL_DEF_SAMPLE, {{TBL_KEY_STATION, "STN"}, {TBL_KEY_SAMPLE, "SMP"}});
    make("ANAL", TBL_DEF_ANALYSIS, {{TBL_KEY_STATION, "STN"}, {TBL_KEY_SAMPLE, "SMP"}, {TBL_KEY_ANALYSIS, "ANL"}});
    /* A station table whose traverse column is also its station column,
    ** and a sample table whose station column is also its sample one. */
    make("ODD", TBL_DEF_OTHER, {{TBL_KEY_STATION, "KEY"}, {TBL_KEY_TRAVERSE, "KEY"}});
    make("SHARE", TBL_DEF_SAMPLE, {{TBL_KEY_STATION, "KEY"}, {TBL_KEY_SAMPLE, "KEY"}});
  }

  /* Every entry row's key columns hold "o", the added row's hold their
  ** own values (TRV t1, OUT o1, STN s1, SEG g1, RCK r1, SMP p1, ANL a1,
  ** KEY k1) and its BASENUMBER 7. */
  sql_col_rec *prepare(const char *added) {
    const std::vector<std::pair<const char *, const char *>> values = {
        {"TRV", "t1"}, {"OUT", "o1"}, {"STN", "s1"}, {"SEG", "g1"},
        {"RCK", "r1"}, {"SMP", "p1"}, {"ANL", "a1"}, {"KEY", "k1"}, {"BASENUMBER", "7"}};
    for (tbl_rec *t = project_->tables; t; t = t->next) {
      for (sql_col_rec *c = t->columns; c; c = c->next) {
        const char *text = "o";
        if (!strcmp(c->name, "BASENUMBER")) text = "1";
        if (!strcmp(t->name, added))
          for (auto &v : values)
            if (!strcmp(c->name, v.first)) text = v.second;
        strcpy(c->text, text);
        sql_text_to_value(c, c->text);
      }
    }
    return tbl_find_by_name(project_->tables, added, nullptr)->columns;
  }

  /* Every entry row's texts as "TABLE:col=text,..." lines in registry
  ** order, BASENUMBER left out. */
  std::string dump() {
    std::string out;
    for (tbl_rec *t = project_->tables; t; t = t->next) {
      out += std::string(t->name) + ":";
      for (sql_col_rec *c = t->columns; c; c = c->next)
        if (strcmp(c->name, "BASENUMBER")) out += std::string(c->name) + "=" + c->text + ",";
      out += "\n";
    }
    return out;
  }
};

TEST_F(RowCarry, EachAddedTypeCopiesItsKeysAndEmptiesTheLevelsBelowIt) {
  struct {
    const char *added;
    const char *after;  /* the entry rows, tables in registry order */
  } cases[] = {
      {"STATN",  /* STATION and TRAVERSE copied (ODD's column, also its TRAVERSE, takes
                     ** only the traverse); SEGMENT, ROCK, SAMPLE, ANALYSIS emptied everywhere */
       "ANAL:STN=s1,SMP=,ANL=,\nCORE:STN=s1,SMP=,\nODD:KEY=t1,\nOUTC:TRV=t1,OUT=o,\nROCKS:STN=s1,SEG=,RCK=,\n"
       "SAMPL:STN=s1,RCK=,SMP=,\nSEGM:STN=s1,SEG=,\nSHARE:KEY=s1,\nSTATN:TRV=t1,OUT=o1,STN=s1,\nTRAV:TRV=t1,\n"},
      {"SAMPL",  /* only STATION and SAMPLE; SAMPLE not into another SAMPLE table (SHARE
                     ** takes the station); ANALYSIS emptied */
       "ANAL:STN=s1,SMP=p1,ANL=,\nCORE:STN=s1,SMP=o,\nODD:KEY=o,\nOUTC:TRV=o,OUT=o,\nROCKS:STN=s1,SEG=o,RCK=o,\n"
       "SAMPL:STN=s1,RCK=r1,SMP=p1,\nSEGM:STN=s1,SEG=o,\nSHARE:KEY=s1,\nSTATN:TRV=o,OUT=o,STN=s1,\nTRAV:TRV=o,\n"},
      {"ROCKS",  /* STATION and ROCK; SAMPLE and ANALYSIS emptied, not a column that is also STATION */
       "ANAL:STN=s1,SMP=,ANL=,\nCORE:STN=s1,SMP=,\nODD:KEY=o,\nOUTC:TRV=o,OUT=o,\nROCKS:STN=s1,SEG=g1,RCK=r1,\n"
       "SAMPL:STN=s1,RCK=r1,SMP=,\nSEGM:STN=s1,SEG=o,\nSHARE:KEY=s1,\nSTATN:TRV=o,OUT=o,STN=s1,\nTRAV:TRV=o,\n"},
      {"SEGM",  /* STATION and SEGMENT; ROCK and below emptied */
       "ANAL:STN=s1,SMP=,ANL=,\nCORE:STN=s1,SMP=,\nODD:KEY=o,\nOUTC:TRV=o,OUT=o,\nROCKS:STN=s1,SEG=g1,RCK=,\n"
       "SAMPL:STN=s1,RCK=,SMP=,\nSEGM:STN=s1,SEG=g1,\nSHARE:KEY=s1,\nSTATN:TRV=o,OUT=o,STN=s1,\nTRAV:TRV=o,\n"},
      {"OUTC",  /* no STATION column to copy; OUTCROP and TRAVERSE; STATION and below emptied */
       "ANAL:STN=,SMP=,ANL=,\nCORE:STN=,SMP=,\nODD:KEY=t1,\nOUTC:TRV=t1,OUT=o1,\nROCKS:STN=,SEG=,RCK=,\n"
       "SAMPL:STN=,RCK=,SMP=,\nSEGM:STN=,SEG=,\nSHARE:KEY=,\nSTATN:TRV=t1,OUT=o1,STN=,\nTRAV:TRV=t1,\n"},
      {"TRAV",  /* TRAVERSE; OUTCROP and below emptied, not ODD's column that is also its TRAVERSE */
       "ANAL:STN=,SMP=,ANL=,\nCORE:STN=,SMP=,\nODD:KEY=t1,\nOUTC:TRV=t1,OUT=,\nROCKS:STN=,SEG=,RCK=,\n"
       "SAMPL:STN=,RCK=,SMP=,\nSEGM:STN=,SEG=,\nSHARE:KEY=,\nSTATN:TRV=t1,OUT=,STN=,\nTRAV:TRV=t1,\n"},
      {"ANAL",  /* any other type: STATION only, nothing emptied */
       "ANAL:STN=s1,SMP=p1,ANL=a1,\nCORE:STN=s1,SMP=o,\nODD:KEY=o,\nOUTC:TRV=o,OUT=o,\nROCKS:STN=s1,SEG=o,RCK=o,\n"
       "SAMPL:STN=s1,RCK=o,SMP=o,\nSEGM:STN=s1,SEG=o,\nSHARE:KEY=s1,\nSTATN:TRV=o,OUT=o,STN=s1,\nTRAV:TRV=o,\n"},
      {"SHARE",  /* its SAMPLE is its STATION column: STATION copied, SAMPLE not */
       "ANAL:STN=k1,SMP=o,ANL=,\nCORE:STN=k1,SMP=o,\nODD:KEY=o,\nOUTC:TRV=o,OUT=o,\nROCKS:STN=k1,SEG=o,RCK=o,\n"
       "SAMPL:STN=k1,RCK=o,SMP=o,\nSEGM:STN=k1,SEG=o,\nSHARE:KEY=k1,\nSTATN:TRV=o,OUT=o,STN=k1,\nTRAV:TRV=o,\n"},
  };
  for (auto &c : cases) {
    sql_col_rec *row = prepare(c.added);
    ASSERT_EQ(row_carry_keys(row), 0) << c.added;
    EXPECT_EQ(dump(), c.after) << "added " << c.added;
    EXPECT_EQ(tbl_find_by_name(project_->tables, c.added, nullptr)->last_number, 7) << c.added;
  }
}

TEST_F(RowCarry, ValuesAreCutToTheTargetColumnAndBadRowsAreRefused) {
  run("CREATE TABLE NARROW (BASENUMBER NUMERIC(8,0), STN CHAR(2))");
  tbl_rec *r = tbl_rec_new();
  snprintf(r->name, sizeof r->name, "NARROW");
  r->table_type = TBL_DEF_OTHER;
  r->column_count = sql_describe_table(project_->connection, "NARROW", &r->columns, 0);
  r->keys[TBL_KEY_STATION] = tbl_column_find(r->columns, "STN", nullptr, nullptr);
  ASSERT_EQ(tbl_add(project_, r), 0);
  sql_col_rec *row = prepare("STATN");
  strcpy(tbl_column_find(row, "STN", nullptr, nullptr)->text, "ST123");
  ASSERT_EQ(row_carry_keys(row), 0);
  tbl_rec *narrow = tbl_find_by_name(project_->tables, "NARROW", nullptr);
  EXPECT_STREQ(tbl_column_find(narrow->columns, "STN", nullptr, nullptr)->text, "ST");

  EXPECT_EQ(row_carry_keys(nullptr), -2);
  sql_col_rec *orphan = sql_col_new("STN", "NOSUCH", SQL_TYPE_CHAR, 6, 0);
  orphan->connection = project_->connection;
  EXPECT_EQ(row_carry_keys(orphan), -1);
  sql_col_list_free(&orphan);
}

}  // namespace

/*
** qry_sql_test.cpp: the SELECT text of stored queries byte for byte
** (joined tables, the bracketed SQL group before the joins also when it
** starts with LIKE, a single condition without brackets, the NULL forms,
** NOT LIKE, link and dictionary tables, DISTINCT, the ORDER BY keys, a
** query of post-filter rows only), the brackets the dialog sets from the
** connectors, and the quoting of values with inner quotes.
*/
#include <cstdlib>

#include "output/query/qry_edit.h"
#include "output/query/qry_sql.h"
#include "output/qry_fixture.h"

namespace {

using SelectText = QueryProject;

/* The text of a query, freed; "" when none was built. */
std::string select_of(qry_rec *q) {
  char *t = qry_build_select(q);
  std::string s = t ? t : "";
  free(t);
  return s;
}

TEST_F(SelectText, GoldAboveFiveOverSampleAndStationJoinsOnStationAndOrdersByIt) {
  sample_and_station();
  qry_rec *q = query_over({{"SAMPLE", "AU"}, {"STATION", "ROCKTYPE"}});
  cond(&q->conds, "", "SAMPLE", "AU", ">", "5");
  qry_cond_bracket(q->conds);
  ASSERT_EQ(qry_build_join_list(q), 0);
  EXPECT_EQ(select_of(q),
            "SELECT SAMPLE.BASENUMBER, SAMPLE.STATION, SAMPLE.AU, STATION.BASENUMBER, STATION.STATION, "
            "STATION.ROCKTYPE FROM SAMPLE,STATION WHERE       SAMPLE.AU > 5  AND  SAMPLE.STATION = STATION.STATION "
            " ORDER BY 5 ");
}

TEST_F(SelectText, AnOrGroupStartingWithLikeIsBracketedBeforeTheJoins) {
  sample_and_station();
  qry_rec *q = query_over({{"SAMPLE", "AU"}, {"STATION", "ROCKTYPE"}});
  cond(&q->conds, "", "STATION", "ROCKTYPE", "LIKE", "'GRAN%'");
  cond(&q->conds, "OR", "SAMPLE", "AU", ">", "8");
  qry_cond_bracket(q->conds);
  ASSERT_EQ(qry_build_join_list(q), 0);
  EXPECT_EQ(select_of(q),
            "SELECT SAMPLE.BASENUMBER, SAMPLE.STATION, SAMPLE.AU, STATION.BASENUMBER, STATION.STATION, "
            "STATION.ROCKTYPE FROM SAMPLE,STATION WHERE (      STATION.ROCKTYPE LIKE 'GRAN%'  OR (SAMPLE.AU > 8)) "
            "AND  SAMPLE.STATION = STATION.STATION  ORDER BY 5 ")
      << "without the outer brackets the OR would reach past the join and pair every sample with every station";
}

/* One table's query with the SQL rows given, bracketed as the dialog does. */
struct where_case {
  const char *name;
  std::vector<std::vector<const char *>> rows;   /* connector, column, operator, value */
  const char *where;                             /* the text after "FROM STATION" */
};

TEST_F(SelectText, ConditionFormsOverOneTable) {
  sample_and_station();
  const where_case cases[] = {
      {"one condition has no brackets", {{"", "UNIT", "=", "3"}},
       " WHERE       STATION.UNIT = 3  ORDER BY 2 "},
      {"OR of two", {{"", "UNIT", "=", "3"}, {"OR", "UNIT", "=", "4"}},
       " WHERE      (STATION.UNIT = 3  OR  STATION.UNIT = 4) ORDER BY 2 "},
      {"AND, OR, AND make two groups",
       {{"", "UNIT", "=", "3"}, {"AND", "SEGMENT", ">", "1"}, {"OR", "UNIT", "=", "4"}, {"AND", "SEGMENT", "<", "9"}},
       " WHERE      (STATION.UNIT = 3  AND  STATION.SEGMENT > 1) OR (STATION.UNIT = 4  AND  STATION.SEGMENT < 9) "
       "ORDER BY 2 "},
      {"= NULL is IS NULL", {{"", "UNIT", "=", "NULL"}}, " WHERE       STATION.UNIT IS NULL  ORDER BY 2 "},
      {"= 'NULL' is IS NULL", {{"", "ROCKTYPE", "=", "'NULL'"}}, " WHERE       STATION.ROCKTYPE IS NULL  ORDER BY 2 "},
      {"NOT = 'NULL' is NOT IS NULL", {{"", "ROCKTYPE", "NOT =", "'NULL'"}},
       " WHERE        NOT (STATION.ROCKTYPE IS NULL)   ORDER BY 2 "},
      {"NOT = a value", {{"", "UNIT", "NOT =", "3"}}, " WHERE        NOT (STATION.UNIT = 3)   ORDER BY 2 "},
      {"an empty value reads NULL", {{"", "UNIT", "<", ""}}, " WHERE       STATION.UNIT < NULL  ORDER BY 2 "},
      {"NOT LIKE then AND", {{"", "ROCKTYPE", "NOT LIKE", "'GR%'"}, {"AND", "UNIT", "=", "2"}},
       " WHERE       STATION.ROCKTYPE NOT LIKE 'GR%'  AND (STATION.UNIT = 2) ORDER BY 2 "},
  };
  for (const auto &c : cases) {
    qry_rec *q = query_over({{"STATION", "ROCKTYPE"}});
    for (const auto &r : c.rows) cond(&q->conds, r[0], "STATION", r[1], r[2], r[3]);
    qry_cond_bracket(q->conds);
    ASSERT_EQ(qry_build_join_list(q), 0);
    EXPECT_EQ(select_of(q), std::string("SELECT STATION.BASENUMBER, STATION.STATION, STATION.ROCKTYPE FROM STATION") +
                                c.where)
        << c.name;
  }
}

TEST_F(SelectText, LinkTableAndDistinctForAUnitTable) {
  units_legend_and_link();
  qry_rec *q = query_over({{"UNITS", "UNITNAME"}, {"LEGND", "LEGTEXT"}});
  ASSERT_EQ(qry_build_join_list(q), 0);
  EXPECT_EQ(select_of(q),
            "SELECT DISTINCT UNITS.BASENUMBER, UNITS.UNIT, UNITS.UNITNAME, ULINK.UNIT, ULINK.LEGEND, LEGND.LEGEND, "
            "LEGND.LEGTEXT FROM UNITS,ULINK,LEGND WHERE       UNITS.UNIT = ULINK.UNIT  AND  ULINK.LEGEND = LEGND.LEGEND "
            " ORDER BY 2 ");
}

TEST_F(SelectText, OneTableGivesNoDistinctAndStationWithSegmentOrdersByBoth) {
  sample_and_station();
  qry_rec *q = query_over({{"STATION", "STATION"}, {"STATION", "SEGMENT"}});
  ASSERT_EQ(qry_build_join_list(q), 0);
  EXPECT_EQ(select_of(q), "SELECT STATION.BASENUMBER, STATION.STATION, STATION.SEGMENT FROM STATION ORDER BY 2 ,3");
}

TEST_F(SelectText, DictionaryTableJoinsByTheRuleThatNamesIt) {
  sample_and_station();
  add_table("ROCKD", TBL_DEF_DICTION, {{"CODE", SQL_TYPE_CHAR, 20, TBL_KEY_DICTION}, {"MEANING", SQL_TYPE_CHAR, 40, -1}});
  snprintf(rule("STATION", "ROCKTYPE")->dictionary, COL_ATTR_NAME_SIZE, "ROCKD");
  qry_rec *q = query_over({{"STATION", "ROCKTYPE"}, {"ROCKD", "MEANING"}});
  ASSERT_EQ(qry_build_join_list(q), 0);
  EXPECT_EQ(select_of(q),
            "SELECT DISTINCT STATION.BASENUMBER, STATION.STATION, STATION.ROCKTYPE, ROCKD.CODE, ROCKD.MEANING FROM "
            "STATION,ROCKD WHERE       STATION.ROCKTYPE = ROCKD.CODE  ORDER BY 2 ");
}

TEST_F(SelectText, PostFilterRowsOnlyGiveNoWhereAndNothingToSelectGivesNoText) {
  sample_and_station();
  qry_rec *q = query_over({{"STATION", "ROCKTYPE"}});
  cond(&q->filters, "", "STATION", "ROCKTYPE", "IS", "IGNEOUS");
  EXPECT_EQ(select_of(q), "SELECT STATION.BASENUMBER, STATION.STATION, STATION.ROCKTYPE FROM STATION ORDER BY 2 ");
  qry_rec empty{};
  empty.project = &project_;
  EXPECT_EQ(select_of(&empty), "");
  empty.project = nullptr;
  empty.outputs = q->outputs;
  EXPECT_EQ(select_of(&empty), "") << "no project, no text";
}

TEST_F(SelectText, TablesRepeatedApartAreNamedOnceAfterFrom) {
  sample_and_station();
  qry_rec *q = query_over({{"SAMPLE", "AU"}});
  qry_out_rec *o = q->outputs;
  while (o->next) o = o->next;
  o->next = qry_out_new();
  o->next->column = col("STATION", "ROCKTYPE");
  o->next->next = qry_out_new();
  o->next->next->column = col("SAMPLE", "SAMPLE");
  std::string t = select_of(q);
  EXPECT_NE(t.find(" FROM SAMPLE,STATION ORDER BY"), std::string::npos) << t;
}

/* ---- Brackets, table-driven: connectors and operators in, brackets out ---- */

struct bracket_case {
  const char *name;
  std::vector<std::pair<const char *, const char *>> rows;   /* connector, operator */
  const char *brackets;   /* open and close of each row */
};

TEST_F(SelectText, BracketsFollowTheConnectorRuns) {
  sample_and_station();
  const bracket_case cases[] = {
      {"alone", {{"", "="}}, "()"},
      {"alone LIKE", {{"", "LIKE"}}, "  "},
      {"two joined by OR", {{"", "="}, {"OR", ">"}}, "(  )"},
      {"AND OR AND", {{"", "="}, {"AND", ">"}, {"OR", "<"}, {"AND", "="}}, "(  )(  )"},
      {"LIKE then OR", {{"", "LIKE"}, {"OR", ">"}}, "  ()"},
      {"OR then LIKE", {{"", "="}, {"OR", "LIKE"}}, "()  "},
      {"LIKE then LIKE", {{"", "LIKE"}, {"OR", "NOT LIKE"}}, "    "},
      {"SQL then post-filter", {{"", "="}, {"AND", "IS"}}, "()()"},
      {"two post-filter rows", {{"", "="}, {"AND", "IS"}, {"AND", "HAS"}}, "()(  )"},
      {"AND AND OR", {{"", "="}, {"AND", ">"}, {"OR", "<"}}, "(  )  "},
  };
  for (const auto &c : cases) {
    qry_cond_rec *list = nullptr;
    for (const auto &r : c.rows) cond(&list, r.first, "STATION", "ROCKTYPE", r.second, "X");
    qry_cond_bracket(list);
    std::string got;
    for (qry_cond_rec *x = list; x; x = x->next) got += std::string(x->open_bracket) + x->close_bracket;
    EXPECT_EQ(got, c.brackets) << c.name;
    EXPECT_STREQ(list->connector, "   ") << c.name << ": the first row has no connector";
    qry_cond_list_free(&list);
  }
}

TEST_F(SelectText, PostFilterRowTypedFirstIsMovedBehindTheSqlRowsAndJoinedByAnd) {
  sample_and_station();
  qry_cond_rec *list = nullptr;
  cond(&list, "", "STATION", "ROCKTYPE", "IS", "IGNEOUS");
  cond(&list, "OR", "STATION", "UNIT", "=", "3");
  cond(&list, "OR", "STATION", "ROCKTYPE", "HAS", "GRANITE");
  cond(&list, "AND", "STATION", "SEGMENT", ">", "2");
  qry_cond_reorder(&list);
  std::string got;
  for (qry_cond_rec *x = list; x; x = x->next) got += std::string("[") + x->connector + "]" + x->op + " ";
  EXPECT_EQ(got, "[   ]= [AND]> [AND]IS [AND]HAS ");
  for (qry_cond_rec *x = list; x; x = x->next) EXPECT_EQ(x->next ? x->next->prev : x, x) << "links both ways";
  qry_cond_rec *sql = nullptr, *filters = nullptr;
  qry_cond_split(list, &sql, &filters);
  EXPECT_STREQ(filters->op, "IS");
  EXPECT_EQ(filters->prev, nullptr);
  EXPECT_EQ(sql->next->next, nullptr);
  qry_cond_list_free(&sql);
  qry_cond_list_free(&filters);
}

TEST_F(SelectText, QuotesInsideCharacterValuesAreDoubledAndUndoubledForEditing) {
  sample_and_station();
  qry_cond_rec *list = nullptr;
  cond(&list, "", "STATION", "ROCKTYPE", "=", " O'NEIL ");
  cond(&list, "AND", "STATION", "ROCKTYPE", "LIKE", "GR%");
  cond(&list, "AND", "STATION", "UNIT", "=", "");
  cond(&list, "AND", "STATION", "ROCKTYPE", "IS", "IGNEOUS");
  ASSERT_EQ(qry_quote_values(list), 0);
  EXPECT_STREQ(list->value, "'O''NEIL'");
  EXPECT_STREQ(list->next->value, "'GR%'");
  EXPECT_STREQ(list->next->next->value, "NULL") << "an empty value of a number column";
  EXPECT_STREQ(list->next->next->next->value, "IGNEOUS") << "post-filter values stay bare";
  ASSERT_EQ(qry_unquote_values(list), 0);
  EXPECT_STREQ(list->value, "O'NEIL") << "only the enclosing pair goes, the inner quote stays";
  EXPECT_STREQ(list->next->value, "GR%");
  qry_cond_list_free(&list);
}

}  // namespace

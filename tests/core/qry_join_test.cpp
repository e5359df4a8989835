/*
** qry_join_test.cpp: output lists completed with key columns and the join
** lists between adjacent tables: the shared STATION key of a sample and a
** station table, a third table put between two that share no key, a
** dictionary table joined to the column whose rule names it, one table
** without joins, and a pair without a shared key dropping every join.
*/
#include "output/qry_fixture.h"

namespace {

using JoinLists = QueryProject;

TEST_F(JoinLists, SampleAndStationGetTheirKeysUnshownAndOneJoinOnStation) {
  sample_and_station();
  qry_rec *q = query_over({{"STATION", "ROCKTYPE"}, {"SAMPLE", "AU"}});
  EXPECT_EQ(outputs(q), "-SAMPLE.BASENUMBER -SAMPLE.STATION SAMPLE.AU -STATION.BASENUMBER -STATION.STATION "
                        "STATION.ROCKTYPE")
      << "grouped by table type (SAMPLE 4 before STATION 9), keys before the table's first column";
  ASSERT_EQ(qry_build_join_list(q), 0);
  EXPECT_EQ(joins(q), "[   ]SAMPLE.STATION = STATION.STATION") << "no SQL rows: the first join has no connector";
  qry_cond_rec *sql = nullptr;
  cond(&sql, "", "SAMPLE", "AU", ">", "5");
  q->conds = sql;
  ASSERT_EQ(qry_build_join_list(q), 0);
  EXPECT_EQ(joins(q), "[AND]SAMPLE.STATION = STATION.STATION");
}

TEST_F(JoinLists, ChosenKeyColumnsAreNotAddedTwiceAndWithoutKeysOnlyTheChoiceIsListed) {
  sample_and_station();
  qry_rec *q = query_over({{"SAMPLE", "STATION"}, {"SAMPLE", "BASENUMBER"}, {"SAMPLE", "AU"}});
  EXPECT_EQ(outputs(q), "SAMPLE.STATION SAMPLE.BASENUMBER SAMPLE.AU");
  ASSERT_EQ(qry_build_join_list(q), 0);
  EXPECT_EQ(q->joins, nullptr) << "one table gives no join";
  qry_out_rec *bare = nullptr;
  int idx[] = {index_of("STATION", "ROCKTYPE"), index_of("SAMPLE", "AU")};
  ASSERT_EQ(qry_output_list_build(&project_, idx, 2, 0, &bare), 0);
  qry_rec view{};
  view.outputs = bare;
  EXPECT_EQ(outputs(&view), "SAMPLE.AU STATION.ROCKTYPE");
  qry_out_list_free(&bare);
  int bad[] = {999};
  EXPECT_EQ(qry_output_list_build(&project_, bad, 1, 1, &bare), -2);
  EXPECT_EQ(bare, nullptr);
}

TEST_F(JoinLists, TwoTablesWithoutSharedKeyGetTheKeysOfATableHoldingBoth) {
  units_legend_and_link();
  EXPECT_EQ(qry_find_link_table(&project_, TBL_DEF_UNIT, TBL_DEF_LEGEND), tbl_find_by_name(project_.tables, "ULINK", nullptr));
  EXPECT_EQ(qry_find_link_table(&project_, TBL_DEF_UNIT, TBL_DEF_DICTION), nullptr) << "types 3 to 15 only";
  qry_rec *q = query_over({{"LEGND", "LEGTEXT"}, {"UNITS", "UNITNAME"}});
  EXPECT_EQ(outputs(q), "-UNITS.BASENUMBER -UNITS.UNIT UNITS.UNITNAME -ULINK.UNIT -ULINK.LEGEND -LEGND.LEGEND "
                        "LEGND.LEGTEXT")
      << "a LEGEND table gets no BASENUMBER";
  ASSERT_EQ(qry_build_join_list(q), 0);
  EXPECT_EQ(joins(q), "[   ]UNITS.UNIT = ULINK.UNIT[AND]ULINK.LEGEND = LEGND.LEGEND");
}

TEST_F(JoinLists, DictionaryTableJoinsTheColumnWhoseRuleNamesIt) {
  sample_and_station();
  add_table("ROCKD", TBL_DEF_DICTION, {{"CODE", SQL_TYPE_CHAR, 20, TBL_KEY_DICTION}, {"MEANING", SQL_TYPE_CHAR, 40, -1}});
  snprintf(rule("STATION", "ROCKTYPE")->dictionary, COL_ATTR_NAME_SIZE, "ROCKD");
  qry_rec *q = query_over({{"ROCKD", "MEANING"}, {"STATION", "ROCKTYPE"}});
  EXPECT_EQ(outputs(q), "-STATION.BASENUMBER -STATION.STATION STATION.ROCKTYPE -ROCKD.CODE ROCKD.MEANING");
  ASSERT_EQ(qry_build_join_list(q), 0);
  EXPECT_EQ(joins(q), "[   ]STATION.ROCKTYPE = ROCKD.CODE");
}

TEST_F(JoinLists, APairWithoutSharedKeyDropsTheWholeJoinList) {
  sample_and_station();
  add_table("NOTES", TBL_DEF_OTHER,
            {{"BASENUMBER", SQL_TYPE_NUMERIC, 8, TBL_KEY_BASENUMBER}, {"TEXT", SQL_TYPE_CHAR, 40, -1}});
  qry_rec *q = query_over({{"SAMPLE", "AU"}, {"STATION", "ROCKTYPE"}, {"NOTES", "TEXT"}});
  EXPECT_EQ(qry_build_join_list(q), -1);
  EXPECT_EQ(q->joins, nullptr) << "the SAMPLE-STATION join made before is dropped too";
}

TEST_F(JoinLists, JoinAppendRefusesAnUnregisteredTableAndCutsLongValues) {
  sample_and_station();
  qry_rec *q = query_over({{"SAMPLE", "AU"}});
  sql_col_rec *stray = sql_col_new("STATION", "GONE", SQL_TYPE_NUMERIC, 8, 0);
  EXPECT_EQ(qry_join_append(stray, col("STATION", "STATION"), q), -1);
  sql_col_rec *longer = sql_col_new("ABCDEFGHIJKLMNOPQRST", "ABCDEFGHIJKLMNOPQRST", SQL_TYPE_CHAR, 8, 0);
  ASSERT_EQ(qry_join_append(col("SAMPLE", "STATION"), longer, q), 0);
  EXPECT_EQ(std::string(q->joins->value), "ABCDEFGHIJKLMNOPQRST.ABCDEFGHIJKLMNOPQRST") << "41 characters fit 42";
  sql_col_list_free(&stray);
  sql_col_list_free(&longer);
}

}  // namespace
